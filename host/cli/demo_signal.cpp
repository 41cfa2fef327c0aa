#include "demo_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace cinderpath_cli {
namespace {

constexpr double kDemoRateHz = 48000.0;
constexpr double kDemoSeconds = 6.0;

// Small deterministic noise source for the string excitation.
struct Lcg {
  uint32_t state;
  double Next() {  // uniform in [-1, 1)
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  }
};

double MidiToHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// Adds one plucked string (a damped delay-line loop with a lowpassed noise burst)
// to both channels, panned by pan in [-1, 1].
void Pluck(std::vector<float>& left, std::vector<float>& right, long startFrame,
           int midiNote, double amplitude, double pan, double decaySeconds, Lcg& rng) {
  const double freqHz = MidiToHz(midiNote);
  const int period = std::max(2, static_cast<int>(std::lround(kDemoRateHz / freqHz)));
  std::vector<double> loop(period);
  double previous = 0.0;
  for (int i = 0; i < period; ++i) {  // one-pole smoothed burst: softer pick
    previous = 0.5 * previous + 0.5 * rng.Next();
    loop[i] = previous;
  }
  // Loop gain chosen so the note falls by 60 dB over decaySeconds.
  const double loopsPerDecay = decaySeconds * freqHz;
  const double loopGain = std::pow(10.0, -3.0 / loopsPerDecay);
  const double gainL = amplitude * std::sqrt(0.5 * (1.0 - pan));
  const double gainR = amplitude * std::sqrt(0.5 * (1.0 + pan));
  const long total = static_cast<long>(left.size());
  const long length = std::min<long>(total - startFrame, static_cast<long>(decaySeconds * kDemoRateHz));
  int pos = 0;
  for (long n = 0; n < length; ++n) {
    const int next = (pos + 1) % period;
    const double out = loop[pos];
    loop[pos] = loopGain * 0.5 * (loop[pos] + loop[next]);
    pos = next;
    left[startFrame + n] += static_cast<float>(gainL * out);
    right[startFrame + n] += static_cast<float>(gainR * out);
  }
}

}  // namespace

AudioData MakeDemoSignal() {
  AudioData buffer;
  buffer.sampleRateHz = kDemoRateHz;
  const long frames = static_cast<long>(kDemoSeconds * kDemoRateHz);
  buffer.channels.assign(2, std::vector<float>(frames, 0.0f));
  std::vector<float>& left = buffer.channels[0];
  std::vector<float>& right = buffer.channels[1];
  Lcg rng{0x5eed1234u};

  // E minor - C - G - D, one bar (1.5 s at 80 bpm... rounded) each, strummed upwards.
  const int chords[4][5] = {
      {40, 47, 52, 55, 59},  // Em
      {48, 52, 55, 60, 64},  // C
      {43, 50, 55, 59, 62},  // G
      {50, 57, 62, 66, 69},  // D
  };
  const double barSeconds = 1.5;
  for (int bar = 0; bar < 4; ++bar) {
    const long barStart = static_cast<long>(bar * barSeconds * kDemoRateHz);
    // Bass note on the downbeat and halfway through the bar.
    for (int half = 0; half < 2; ++half) {
      const long start = barStart + static_cast<long>(half * 0.5 * barSeconds * kDemoRateHz);
      Pluck(left, right, start, chords[bar][0] - 12, 0.35, 0.0, 1.2, rng);
    }
    // Two strums per bar, 18 ms between strings, spread across the stereo field.
    for (int strum = 0; strum < 2; ++strum) {
      const long strumStart = barStart + static_cast<long>(strum * 0.75 * barSeconds * kDemoRateHz);
      for (int s = 0; s < 5; ++s) {
        const long start = strumStart + static_cast<long>(s * 0.018 * kDemoRateHz);
        const double pan = -0.6 + 0.3 * s;
        Pluck(left, right, start, chords[bar][s], 0.16, pan, 2.0, rng);
      }
    }
  }

  // Normalise to a peak of -6 dBFS so the effect's drive has headroom to work with.
  float peak = 0.0f;
  for (const auto& ch : buffer.channels)
    for (float v : ch) peak = std::max(peak, std::fabs(v));
  if (peak > 0.0f) {
    const float scale = 0.5f / peak;
    for (auto& ch : buffer.channels)
      for (float& v : ch) v *= scale;
  }
  // Short fade-out over the last 50 ms so the demo ends without a click.
  const long fade = static_cast<long>(0.05 * kDemoRateHz);
  for (long n = 0; n < fade; ++n) {
    const float g = static_cast<float>(n) / static_cast<float>(fade);
    left[frames - 1 - n] *= g;
    right[frames - 1 - n] *= g;
  }
  return buffer;
}

}  // namespace cinderpath_cli
