#!/usr/bin/python3
"""Measures the effect through `cinderpath render` and draws the README's figures.

Run from the repository root after a release build (Debian: python3-numpy and
python3-matplotlib, installed by scripts/setup.sh):

    tools/measure_figures.py                 # writes docs/sound-*.png
    tools/measure_figures.py --only aliasing --runs 3   # one figure, quicker

Every curve comes from a render of the command on a signal made here, at
48 kHz; the only number not measured is the valve stage's small-signal gain
(from Drive, Bias and Volume), divided out of the output filters' panels. The aliasing figure's
realtime factors are the ones the command printed for the same renders, on
the machine that ran this script: the fastest of several renders of a stereo
file (short renders, taken in turns, so that other work on a busy machine
disturbs as few of them as possible).
"""
import argparse
import os
import sys

import numpy as np

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cinderpath_measure as cm  # noqa: E402

import matplotlib  # noqa: E402
matplotlib.use('Agg')
import matplotlib.pyplot as plt  # noqa: E402
import matplotlib.ticker  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FS = cm.SAMPLE_RATE_HZ

plt.rcParams.update({
    'font.family': 'DejaVu Sans', 'font.size': 9, 'axes.titlesize': 10,
    'axes.grid': True, 'grid.alpha': 0.35, 'legend.fontsize': 8,
    'legend.framealpha': 0.9, 'savefig.dpi': 110,
})


def save(fig, out_dir, name):
    path = os.path.join(out_dir, name)
    # Fixed metadata, so that an unchanged figure writes an unchanged file.
    fig.savefig(path, metadata={'Software': None})
    plt.close(fig)
    print(f'wrote {path}')


# ---------------------------------------------------------------------------
# 1. Filters

FREQS_HZ = np.geomspace(10, FS / 2, 500)


def filter_panel(ax, renderer, title, base, variants, relative, legend='best'):
    """One panel: the response of each variant, in dB. relative: divided by the
    response with the input filters off (the filter alone); otherwise divided
    by the stage's small-signal gain (the always-on output filters)."""
    reference = None
    if relative:
        reference = cm.response_curve(cm.impulse_response(renderer, base), FREQS_HZ)
    for label, settings in variants:
        settings = dict(base, **settings)
        h = cm.response_curve(cm.impulse_response(renderer, settings), FREQS_HZ)
        h = h / reference if relative else h / cm.small_signal_gain(settings)
        ax.semilogx(FREQS_HZ, cm.db(h), label=label)
    ax.set_title(title)
    ax.set_xlim(FREQS_HZ[0], FREQS_HZ[-1])
    ax.set_xlabel('frequency (Hz)')
    ax.set_ylabel('gain (dB)')
    ax.legend(loc=legend)


def figure_filters(renderer, out_dir):
    base = {'OS': 1}  # no oversampling filters: the stage is a plain gain
    fig, axes = plt.subplots(2, 3, figsize=(12, 6.6), constrained_layout=True)
    panels = [
        ('Input high-pass ("HP On")', [
            (f'HP Freq {f} Hz', {'HP On': 'on', 'HP Freq': f}) for f in (20, 80, 300, 1000)]),
        ('Peaking filter ("Peak On"), Peak Freq 0.41 kHz', [
            (f'Peak Gain {g:+d} dB', {'Peak On': 'on', 'Peak Gain': g}) for g in (15, 6, -6, -15)]
         + [('Peak Freq 3 kHz, +10 dB', {'Peak On': 'on', 'Peak Freq': 3, 'Peak Gain': 10})]),
        ('High shelf ("Shelf On"), Shelf Freq 5.5 kHz', [
            (f'Shelf Gain {g:+d} dB', {'Shelf On': 'on', 'Shelf Gain': g}) for g in (15, 6, -6, -15)]
         + [('Shelf Freq 1 kHz, -10 dB', {'Shelf On': 'on', 'Shelf Freq': 1, 'Shelf Gain': -10})]),
        ('Resonant low-pass ("LP On")', [
            (f'Cutoff {c} kHz, Resonance {q}', {'LP On': 'on', 'Cutoff': c, 'Resonance': q})
            for c, q in ((1, 0), (4, 0), (4, 0.5), (4, 1), (12, 1))]),
    ]
    legends = ('lower right', 'lower right', 'lower left', 'lower left')
    for ax, (title, variants), legend in zip(axes.flat, panels, legends):
        filter_panel(ax, renderer, title, base, variants, relative=True, legend=legend)
    # The output filters cannot be switched off: these panels show the whole
    # chain (input filters off) divided by its gain, each with the other
    # output filter at its default.
    filter_panel(axes[1, 1], renderer, 'Output high-pass (always on; LP_Freq 24 kHz)', base, [
        (f'HP_Freq {f} Hz{" (default)" if f == 5 else ""}', {'HP_Freq': f})
        for f in (1, 5, 30, 100, 256)], relative=False, legend='lower right')
    filter_panel(axes[1, 2], renderer, 'Output low-pass (always on; HP_Freq 5 Hz)', base, [
        (f'LP_Freq {f} kHz{" (default)" if f == 24 else ""}', {'LP_Freq': f})
        for f in (24, 12, 6, 2, 1)], relative=False, legend='lower left')
    axes[0, 0].set_ylim(-30, 5)
    axes[0, 1].set_ylim(-36, 18)
    axes[0, 2].set_ylim(-24, 18)
    axes[1, 0].set_ylim(-48, 12)
    axes[1, 1].set_ylim(-30, 3)
    axes[1, 2].set_ylim(-30, 3)
    fig.suptitle('Filter responses measured through "cinderpath render" (48 kHz)')
    save(fig, out_dir, 'sound-filters.png')


# ---------------------------------------------------------------------------
# 2. Transfer curves

def figure_transfer(renderer, out_dir):
    levels = np.linspace(-1, 1, 201)
    fig, axes = plt.subplots(1, 2, figsize=(11, 4.6), constrained_layout=True)
    sets = [
        (axes[0], 'Bias at Drive 6 dB', [(f'Bias {b:g}', {'Drive': 6, 'Bias': b}) for b in (0, 2.5, 5, 7.5, 10)]),
        (axes[1], 'Drive at Bias 5 (default)', [(f'Drive {d:+d} dB', {'Drive': d}) for d in (-12, -6, 2, 8, 16)]),
    ]
    for ax, title, variants in sets:
        ax.plot(levels, levels, color='0.6', lw=0.8, ls='--', label='output = input')
        for label, settings in variants:
            ax.plot(levels, cm.transfer_curve(renderer, levels, settings), label=label)
        ax.set_title(title)
        ax.set_xlabel('input level (full scale = 1)')
        ax.set_ylabel('output level (full scale = 1)')
        ax.set_xlim(-1, 1)
        ax.set_ylim(-1.3, 1.3)
        ax.legend(loc='lower right')
    fig.suptitle('Static transfer curve of the valve stage (Volume 0 dB, make-up gain included)')
    save(fig, out_dir, 'sound-transfer.png')


# ---------------------------------------------------------------------------
# 3. Harmonics of a 1 kHz sine

HARMONIC_SETTINGS = [
    ('clean: Drive -6 dB', {'Drive': -6}),
    ('crunchy: Drive 8 dB', {'Drive': 8}),
    ('saturated: Drive 16 dB + Boost 12', {'Drive': 16, 'Boost': 12}),
]


def figure_harmonics(renderer, out_dir):
    frames = FS  # 1 Hz bins: 1 kHz and its harmonics fall on bins exactly
    x, bin_ = cm.periodic_sine(1000, 0.5, frames, odd=False)
    count = (frames // 2 - 1) // bin_  # harmonics below the Nyquist frequency
    numbers = np.arange(1, count + 1)
    fig, ax = plt.subplots(figsize=(10, 4.4), constrained_layout=True)
    width = 0.27
    for i, (label, settings) in enumerate(HARMONIC_SETTINGS):
        y, _ = renderer.render(x, settings)
        power = cm.power_spectrum(y[:, 0], frames)
        levels = 10 * np.log10(np.maximum(power[numbers * bin_], 1e-20))
        thd = 10 * np.log10(power[numbers[1:] * bin_].sum() / power[bin_])
        ax.bar(numbers + (i - 1) * width, levels + 140, width, bottom=-140,
               label=f'{label} (THD {thd:.0f} dB)')
    ax.set_xticks(numbers)
    ax.set_xlim(0.4, count + 0.6)
    ax.set_ylim(-140, 5)
    ax.set_xlabel('harmonic (× 1 kHz)')
    ax.set_ylabel('level (dBFS)')
    ax.legend(loc='upper right')
    ax.set_title('Harmonics of a 1 kHz sine at -6 dBFS (Bias 5, OS 4, other settings default)')
    save(fig, out_dir, 'sound-harmonics.png')


# ---------------------------------------------------------------------------
# 4. Aliasing against oversampling factor

def measure_aliasing(renderer, seconds, runs):
    """(factor, non-harmonic dB, best realtime factor) for factors 1 .. 16.

    The factors take turns, run after run, so that a busy moment of the
    machine slows one render of each factor rather than every render of one."""
    factors = range(1, 17)
    results = {f: [] for f in factors}
    for _ in range(runs):
        for factor in factors:
            results[factor].append(cm.aliasing(renderer, factor, seconds=seconds))
    table = []
    for factor in factors:
        level = results[factor][0][0]
        if any(r[0] != level for r in results[factor]):
            raise RuntimeError(f'factor {factor}: renders of the same input differ')
        realtime = max(r[1] for r in results[factor])
        if not np.isfinite(realtime):
            raise RuntimeError('the command printed no realtime factor')
        table.append((factor, level, realtime))
    print('factor  non-harmonic (dB)  realtime factor')
    for factor, level, realtime in table:
        print(f'{factor:6d}  {level:17.1f}  {realtime:14.1f}x')
    return table


def figure_aliasing(renderer, out_dir, seconds, runs):
    table = measure_aliasing(renderer, seconds, runs)
    factors = [t[0] for t in table]
    fig, (ax_alias, ax_cpu) = plt.subplots(1, 2, figsize=(11, 4.4), constrained_layout=True)
    ax_alias.plot(factors, [t[1] for t in table], marker='o')
    ax_alias.set_xlabel('oversampling factor ("OS")')
    ax_alias.set_ylabel('non-harmonic energy (dB re output)')
    ax_alias.set_title(f'Aliasing: {cm.ALIAS_FREQ_HZ / 1000:g} kHz sine at -6 dBFS, Drive 16 dB + Boost 12')
    ax_alias.annotate('floor: the 40 dB stopband\nof the oversampling filters',
                      xy=(12, table[11][1]), xytext=(9, table[11][1] + 20),
                      arrowprops={'arrowstyle': '->', 'color': '0.4'})
    realtimes = [t[2] for t in table]
    ax_cpu.bar(factors, realtimes, color='tab:orange')
    for factor, realtime in zip(factors, realtimes):
        ax_cpu.text(factor, realtime * 1.04, f'{realtime:.0f}', ha='center', va='bottom', fontsize=7)
    ax_cpu.set_yscale('log')
    ax_cpu.set_ylim(min(realtimes) / 1.6, max(realtimes) * 1.6)
    ax_cpu.yaxis.set_major_formatter(matplotlib.ticker.FuncFormatter(lambda v, _: f'{v:g}'))
    ax_cpu.yaxis.set_minor_formatter(matplotlib.ticker.FuncFormatter(
        lambda v, _: f'{v:g}' if str(int(v))[0] in '25' else ''))
    ax_cpu.set_xlabel('oversampling factor ("OS")')
    ax_cpu.set_ylabel('realtime factor (× real time)')
    ax_cpu.set_title(f'CPU cost: the same renders, stereo, best of {runs}')
    for ax in (ax_alias, ax_cpu):
        ax.set_xticks(factors)
    save(fig, out_dir, 'sound-aliasing.png')
    return table


FIGURES = ('filters', 'transfer', 'harmonics', 'aliasing')


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--program', default=os.path.join(ROOT, 'build', 'release', 'host', 'cinderpath'),
                        help='the cinderpath command (default: the release build)')
    parser.add_argument('--out', default=os.path.join(ROOT, 'docs'), help='folder for the PNG files')
    parser.add_argument('--seconds', type=float, default=10,
                        help='length of the timed aliasing renders (default 10)')
    parser.add_argument('--runs', type=int, default=9,
                        help='timed renders per factor; the fastest counts (default 9)')
    parser.add_argument('--only', choices=FIGURES, action='append', help='draw only this figure')
    args = parser.parse_args()
    if not os.access(args.program, os.X_OK):
        sys.exit(f'{args.program}: not found; build the release preset first')
    with cm.Renderer(args.program) as renderer:
        for name in args.only or FIGURES:
            if name == 'aliasing':
                figure_aliasing(renderer, args.out, args.seconds, args.runs)
            else:
                globals()[f'figure_{name}'](renderer, args.out)


if __name__ == '__main__':
    main()
