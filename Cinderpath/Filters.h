#ifndef CINDERPATH_FILTERS_H
#define CINDERPATH_FILTERS_H

// The filters of a channel around the valve stage: input high-pass, peaking
// equaliser, high shelf and resonant low-pass before it, output high-pass and
// output low-pass after it. Each has one per-sample operation (Run) and its
// coefficient updates. Coefficient updates never touch the filter state; the
// state is only cleared by Clear, which the effect itself never needs.
// Frequencies in Hz, sample rates in Hz, gains in dB. Nothing allocates.
// A coefficient update with a sample rate that is not a positive finite
// number, or a frequency, gain or resonance that is not finite (or a
// frequency that is not positive), returns false and changes nothing.

// First-order high-pass: y = g·(x - x1) + p·y1, p = exp(-2π·f/fs), g = (1 + p)/2.
class OnePoleHP
{
public:
  // Zero state; p = 1, g = 1, which passes the input unchanged until Set.
  // [any thread]
  OnePoleHP();

  // Sets the corner frequency `freqHz` (> 0, no clamp) at `sampleRateHz`.
  // [main thread, serialised with Run by the owner]
  bool Set(double freqHz, double sampleRateHz);

  // Zeroes x1 and y1. [any thread, serialised with Run by the owner]
  void Clear();

  // Filters one sample. [render thread]
  double Run(double x) { return Step(*this, x); }

  // The recursion on any state holding mX1, mY1, mG and mP of the sample
  // type T: this object (double) or a two-lane pair of StereoFilters.h.
  // [render thread]
  template <class F, class T>
  static T Step(F& f, T x)
  {
    const T y = f.mG * (x - f.mX1) + f.mP * f.mY1;
    f.mX1 = x;
    f.mY1 = y;
    return y;
  }

  // Filters `nFrames` samples in place, exactly as Run on each. [render thread]
  void Process(double* samples, int nFrames)
  {
    for (int i = 0; i < nFrames; ++i) samples[i] = Run(samples[i]);
  }

  double mX1;  // previous input
  double mY1;  // previous output
  double mG;   // input gain g = (1 + p)/2
  double mP;   // pole p
};

// Second-order section, direct form I, coefficients divided by a0. Designs:
// a very broad peaking equaliser and a high shelf. Both put a pole pair on the
// unit circle when the frequency reaches fs/2 and outside it beyond, so they
// hold the frequency just below fs/2 (kMaxFreqRatio); every frequency below
// that gives the design's own coefficients.
class Biquad
{
public:
  // Zero state, flat (b0 = 1, everything else 0). [any thread]
  Biquad();

  // Peaking design: gain 10^(gainDb/20) at `freqHz`, α = 2·sin w0.
  // [main thread, serialised with Run by the owner]
  bool SetPeak(double freqHz, double gainDb, double sampleRateHz);

  // High-shelf design: gain 1 at DC and 10^(gainDb/20) at the Nyquist
  // frequency, corner `freqHz`. [main thread, serialised with Run by the owner]
  bool SetShelf(double freqHz, double gainDb, double sampleRateHz);

  // Zeroes the two previous inputs and outputs. [any thread, serialised]
  void Clear();

  // Filters one sample. [render thread]
  double Run(double x) { return Step(*this, x); }

  // The recursion on any state holding the coefficients and the two previous
  // inputs and outputs (same names) of the sample type T. [render thread]
  template <class F, class T>
  static T Step(F& f, T x)
  {
    const T y = f.mB0 * x + f.mB1 * f.mX1 + f.mB2 * f.mX2 - f.mA1 * f.mY1 - f.mA2 * f.mY2;
    f.mX2 = f.mX1;
    f.mX1 = x;
    f.mY2 = f.mY1;
    f.mY1 = y;
    return y;
  }

  // Filters `nFrames` samples in place, exactly as Run on each. [render thread]
  void Process(double* samples, int nFrames)
  {
    for (int i = 0; i < nFrames; ++i) samples[i] = Run(samples[i]);
  }

  // Highest frequency the peaking and shelf designs use, as a fraction of
  // fs: just below Nyquist, where a clamped filter's poles are still far
  // enough inside the unit circle (radius below about 0.96) to settle
  // quickly. Every rate at which the parameter ranges stay below this
  // (11.025 kHz and up for the peak, 22.05 kHz and up for the shelf) gets
  // the designs' coefficients unchanged.
  static constexpr double kMaxFreqRatio = 0.49;

  double mB0, mB1, mB2;  // numerator, divided by a0
  double mA1, mA2;       // denominator, divided by a0
  double mY1, mY2;       // previous two outputs
  double mX1, mX2;       // previous two inputs
};

// Fourth-order resonant low-pass: two bilinear-transformed second-order
// sections with one common gain, direct form II. r = 0 is a Butterworth
// response; r = 0.15 raises both sections' Q by 1.9. Unity gain at DC.
class LowPass4
{
public:
  // Sample-rate constants for 44100 Hz, cutoff 1000 Hz, r = 0, zero state.
  // [any thread]
  LowPass4();

  // Sets the sample-rate constants mK4, mK8, mK2, mPiOverFs, mMinFreq and
  // mMaxFreq for `sampleRateHz`; the coefficients are not recomputed.
  // [main thread, serialised with Run by the owner]
  bool SetSampleRate(double sampleRateHz);

  // Computes the coefficients for cutoff `cutoffHz` (clamped to
  // [mMinFreq, mMaxFreq]) and resonance `r` (clamped to [0, 1]; the effect
  // passes 0 ... 0.15). [main thread, serialised with Run by the owner]
  bool Set(double cutoffHz, double r);

  // Zeroes the four state values. [any thread, serialised]
  void Clear();

  // Filters one sample. [render thread]
  double Run(double x) { return Step(*this, x); }

  // The recursion on any state holding mGain, the four section coefficients
  // and the four state values (same names) of the sample type T.
  // [render thread]
  template <class F, class T>
  static T Step(F& f, T x)
  {
    const T w = f.mGain * x - f.mA1a * f.mW1a - f.mA2a * f.mW2a;
    const T v = w + 2.0 * f.mW1a + f.mW2a;
    f.mW2a = f.mW1a;
    f.mW1a = w;
    const T u = v - f.mA1b * f.mW1b - f.mA2b * f.mW2b;
    const T y = u + 2.0 * f.mW1b + f.mW2b;
    f.mW2b = f.mW1b;
    f.mW1b = u;
    return y;
  }

  // Filters `nFrames` samples in place, exactly as Run on each. [render thread]
  void Process(double* samples, int nFrames)
  {
    for (int i = 0; i < nFrames; ++i) samples[i] = Run(samples[i]);
  }

  double mK4;          // 4·fs²
  double mK8;          // 8·fs²
  double mK2;          // 2·fs
  double mPiOverFs;    // π/fs with π in single precision
  double mA1a, mA2a;   // first section a1, a2
  double mA1b, mA2b;   // second section a1, a2
  double mW1a, mW2a;   // first section state w(n-1), w(n-2)
  double mW1b, mW2b;   // second section state w(n-1), w(n-2)
  double mGain;        // 1/(a0 of first section · a0 of second section)
  double mMinFreq;     // lowest cutoff, 0.01·fs (0.01 in single precision)
  double mMaxFreq;     // highest cutoff, 0.45·fs (0.45 in single precision)
};

// First-order low-pass: y = (y1 - x + 1e-20)·λ + x, λ = exp(-2π·f/fs) with 2π in
// single precision. The 1e-20 keeps the recursion out of subnormals in silence.
class OnePoleLP
{
public:
  // Zero state, λ = 0 (passes the input). [any thread]
  OnePoleLP();

  // Sets the corner frequency `freqHz` (> 0) at `sampleRateHz`.
  // [main thread, serialised with Run by the owner]
  bool Set(double freqHz, double sampleRateHz);

  // Zeroes y1. [any thread, serialised]
  void Clear();

  // Filters one sample. [render thread]
  double Run(double x) { return Step(*this, x); }

  // The recursion on any state holding mY1 and mC of the sample type T.
  // [render thread]
  template <class F, class T>
  static T Step(F& f, T x)
  {
    const T y = (f.mY1 - x + 1e-20) * f.mC + x;
    f.mY1 = y;
    return y;
  }

  // Filters `nFrames` samples in place, exactly as Run on each. [render thread]
  void Process(double* samples, int nFrames)
  {
    for (int i = 0; i < nFrames; ++i) samples[i] = Run(samples[i]);
  }

  double mY1;  // previous output
  double mC;   // feedback coefficient λ
};

#endif
