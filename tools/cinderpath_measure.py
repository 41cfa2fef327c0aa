"""Measurements of the effect through the `cinderpath render` command.

Every measurement writes a signal it makes to a WAV file, renders it with the
command (parameters through --set, exactly as a user would) and analyses the
file the command wrote. Only numpy is needed here; the figure script adds
matplotlib. Used by tools/measure_figures.py and by the command's tests.

Levels are linear full scale (1.0 = 0 dBFS) unless a name says dB.
"""
import os
import re
import struct
import subprocess
import tempfile

import numpy as np

SAMPLE_RATE_HZ = 48000

# ---------------------------------------------------------------------------
# WAV files (32-bit float, mono or stereo)

_WAVE_FORMAT_IEEE_FLOAT = 3
_WAVE_FORMAT_EXTENSIBLE = 0xFFFE


def write_wav(path, samples, rate_hz=SAMPLE_RATE_HZ):
    """Writes samples (frames, or frames x channels) as 32-bit float WAV."""
    data = np.asarray(samples, dtype='<f4')
    channels = 1 if data.ndim == 1 else data.shape[1]
    payload = data.tobytes()
    fmt = struct.pack('<HHIIHH', _WAVE_FORMAT_IEEE_FLOAT, channels, rate_hz,
                      rate_hz * 4 * channels, 4 * channels, 32)
    with open(path, 'wb') as f:
        f.write(b'RIFF' + struct.pack('<I', 4 + 8 + len(fmt) + 8 + len(payload)) + b'WAVE')
        f.write(b'fmt ' + struct.pack('<I', len(fmt)) + fmt)
        f.write(b'data' + struct.pack('<I', len(payload)) + payload)


def read_wav(path):
    """Reads a 32-bit float WAV; returns (frames x channels float64, rate in Hz).

    Chunks other than 'fmt ' and 'data' (the command writes a peak chunk) are
    skipped."""
    with open(path, 'rb') as f:
        raw = f.read()
    if raw[:4] != b'RIFF' or raw[8:12] != b'WAVE':
        raise ValueError(f'{path}: not a WAV file')
    pos, fmt, data = 12, None, None
    while pos + 8 <= len(raw):
        tag, size = raw[pos:pos + 4], struct.unpack('<I', raw[pos + 4:pos + 8])[0]
        body = raw[pos + 8:pos + 8 + size]
        if tag == b'fmt ':
            fmt = struct.unpack('<HHIIHH', body[:16])
        elif tag == b'data':
            data = body
        pos += 8 + size + (size & 1)
    if fmt is None or data is None:
        raise ValueError(f'{path}: no fmt or data chunk')
    tag, channels, rate_hz, _, _, bits = fmt
    if tag not in (_WAVE_FORMAT_IEEE_FLOAT, _WAVE_FORMAT_EXTENSIBLE) or bits != 32:
        raise ValueError(f'{path}: not 32-bit float')
    frames = np.frombuffer(data, dtype='<f4').astype(np.float64)
    return frames.reshape(-1, channels), rate_hz


# ---------------------------------------------------------------------------
# The command

class Renderer:
    """Runs `cinderpath render` on signals; keeps its files in a temporary folder."""

    def __init__(self, program, rate_hz=SAMPLE_RATE_HZ):
        self.program = program
        self.rate_hz = rate_hz
        self._dir = tempfile.TemporaryDirectory(prefix='cinderpath-measure-')

    def close(self):
        self._dir.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def render(self, samples, settings=None):
        """Renders samples (mono, or frames x 2) with {name: value} settings.

        Returns (output frames x channels, realtime factor the command
        printed)."""
        src = os.path.join(self._dir.name, 'in.wav')
        dst = os.path.join(self._dir.name, 'out.wav')
        write_wav(src, samples, self.rate_hz)
        args = [self.program, 'render', src, '-o', dst]
        for name, value in (settings or {}).items():
            args += ['--set', f'{name}={value}']
        run = subprocess.run(args, capture_output=True, text=True)
        if run.returncode != 0:
            raise RuntimeError(f'{" ".join(args)} failed:\n{run.stderr}{run.stdout}')
        match = re.search(r'realtime factor: ([0-9.]+)x', run.stdout + run.stderr)
        out, rate_hz = read_wav(dst)
        if rate_hz != self.rate_hz or len(out) != len(samples):
            raise RuntimeError(f'render changed the rate or the length ({rate_hz} Hz, {len(out)} frames)')
        return out, float(match.group(1)) if match else float('nan')


# ---------------------------------------------------------------------------
# Small-signal frequency response

# Impulse height: small enough that the valve stage is linear to about
# 0.001 dB (its first non-linear term is about s/k of the signal s), large
# enough that 32-bit float output keeps the response's detail.
IMPULSE_LEVEL = 1e-3
IMPULSE_FRAMES = 1 << 16
# The impulse comes this many frames into the input. The command takes the
# reported latency (4 frames) off the output, but with oversampling the
# filters answer a little earlier than that: the lead keeps their whole
# response. Only the phase sees this delay.
IMPULSE_LEAD_FRAMES = 16


def impulse_response(renderer, settings, frames=IMPULSE_FRAMES):
    """The effect's response to a unit impulse (measured with a small one),
    delayed by IMPULSE_LEAD_FRAMES."""
    x = np.zeros(frames)
    x[IMPULSE_LEAD_FRAMES] = IMPULSE_LEVEL
    y, _ = renderer.render(x, settings)
    return y[:, 0] / IMPULSE_LEVEL


def response_at(h, freqs_hz, rate_hz=SAMPLE_RATE_HZ):
    """Complex response of impulse response h at any frequencies (its DTFT)."""
    n = np.arange(len(h))
    w = 2 * np.pi * np.atleast_1d(np.asarray(freqs_hz, dtype=float)) / rate_hz
    # A few frequencies at a time keeps the matrix of phases small.
    return np.concatenate([np.exp(-1j * np.outer(w[i:i + 16], n)) @ h
                           for i in range(0, len(w), 16)])


def response_curve(h, freqs_hz, rate_hz=SAMPLE_RATE_HZ, fft_frames=1 << 20):
    """The same as response_at for many frequencies at once, from one long FFT
    (nearest bin; the bins are rate/fft_frames apart, 0.05 Hz at 48 kHz)."""
    spectrum = np.fft.rfft(h, fft_frames)
    bins = np.rint(np.asarray(freqs_hz, dtype=float) * fft_frames / rate_hz).astype(int)
    return spectrum[np.minimum(bins, fft_frames // 2)]


def db(x):
    return 20 * np.log10(np.maximum(np.abs(x), 1e-300))


def small_signal_gain(settings):
    """Linear gain of the valve stage and level for tiny signals.

    Drive and Boost amplify, the shaper's slope at zero is 1, the bias curve's
    is (k - 1)/k, the make-up gain is 1 + 0.26/(k - 1) and Volume scales."""
    drive = float(settings.get('Drive', 2)) + float(settings.get('Boost', 0))
    bias = float(settings.get('Bias', 5))
    k = 2 + 30 * (bias * 0.1) ** 2
    return (10 ** (drive / 20) * (k - 1) / k * (1 + 0.26 / (k - 1))
            * 10 ** (float(settings.get('Volume', 0)) / 20))


# ---------------------------------------------------------------------------
# Static transfer curve

# Each input level is held for one segment after a segment of silence. The
# always-on output high-pass (set to its lowest corner, 1 Hz) turns a held
# level into a slowly decaying step, so a level's output is read as its
# segment's mean less the mean of the silent segments on both sides: the
# high-pass's drift cancels and its decay costs under 0.001 of the level. At
# OS 1 (no oversampling filters) nothing rings and the read value is the curve.
_SEGMENT_FRAMES = 32
_SETTLE_FRAMES = 8


def transfer_curve(renderer, levels, settings):
    """Static output level for each input level."""
    settings = dict(settings, OS=1, HP_Freq=1)
    seg = _SEGMENT_FRAMES
    x = np.zeros(2 * seg * len(levels) + seg)
    for i, level in enumerate(levels):
        x[(2 * i + 1) * seg:(2 * i + 2) * seg] = level
    y, _ = renderer.render(x, settings)
    y = y[:, 0]
    mean = [y[i * seg + _SETTLE_FRAMES:(i + 1) * seg].mean() for i in range(len(x) // seg)]
    return np.array([mean[2 * i + 1] - 0.5 * (mean[2 * i] + mean[2 * i + 2])
                     for i in range(len(levels))])


# ---------------------------------------------------------------------------
# Spectra of a sine

def periodic_sine(freq_hz, level, frames, rate_hz=SAMPLE_RATE_HZ, odd=True):
    """A sine that repeats exactly every frames samples: its frequency moves to
    the nearest bin of a frames-long analysis, so that it and its harmonics
    fall exactly on bins. With odd (frames a power of two) the bin is odd, and
    the aliases of the harmonics then never land on a harmonic. Returns (the
    signal, frames * 3/2 long: a half-length lead-in for the filters to settle,
    then the block to analyse; the bin)."""
    bin_ = int(round(freq_hz * frames / rate_hz))
    if odd:
        bin_ |= 1
    n = np.arange(frames + frames // 2)
    return level * np.sin(2 * np.pi * bin_ * n / frames), bin_


def power_spectrum(y, frames):
    """Power per bin (0 .. frames/2) of the last frames samples, as a fraction
    of a full-scale sine's power; a rectangular window, since the signals here
    are periodic in the block."""
    spectrum = np.fft.rfft(y[-frames:]) / (frames / 2)
    return np.abs(spectrum) ** 2


def harmonic_bins(bin_, frames):
    """Bins of DC and of the harmonics of bin_ below the Nyquist frequency."""
    return np.arange(0, frames // 2 + 1, bin_)


def non_harmonic_db(y, bin_, frames):
    """Power in every bin that is neither DC nor a harmonic, relative to the
    whole output's power, in dB."""
    power = power_spectrum(y, frames)
    total = power.sum()
    power[harmonic_bins(bin_, frames)] = 0
    return 10 * np.log10(power.sum() / total)


# The aliasing case: a high sine at full drive. Its harmonics above the host
# Nyquist frequency fold back between the harmonics unless the oversampling
# filters remove them.
ALIAS_FREQ_HZ = 7000
ALIAS_LEVEL = 0.5
ALIAS_FRAMES = 1 << 15
ALIAS_SETTINGS = {'Drive': 16, 'Boost': 12}


def aliasing(renderer, factor, frames=ALIAS_FRAMES, seconds=None):
    """Non-harmonic power (dB) of the aliasing case at one factor, and the
    realtime factor of the same render. With seconds the signal is repeated
    (stereo) to that length, for a steadier timing."""
    x, bin_ = periodic_sine(ALIAS_FREQ_HZ, ALIAS_LEVEL, frames, renderer.rate_hz)
    if seconds:
        reps = max(1, int(seconds * renderer.rate_hz) // frames)
        x = np.concatenate([x[:frames]] * reps + [x[frames:]])
        x = np.stack([x, x], axis=1)
    y, realtime = renderer.render(x, dict(ALIAS_SETTINGS, OS=factor))
    return non_harmonic_db(y[:, 0], bin_, frames), realtime
