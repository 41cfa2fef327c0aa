#ifndef CINDERPATH_TESTS_DSP_TEST_UTIL_H
#define CINDERPATH_TESTS_DSP_TEST_UTIL_H

#include "Over.h"
#include "ValveStage.h"
#include "OverCoeffs.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

// Bitwise comparisons field by field (padding bytes are not compared).
inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline bool SameOver(const Over& a, const Over& b)
{
  return std::memcmp(a.mA, b.mA, sizeof a.mA) == 0 && std::memcmp(a.mB, b.mB, sizeof a.mB) == 0 &&
         std::memcmp(a.mX, b.mX, sizeof a.mX) == 0 && std::memcmp(a.mY, b.mY, sizeof a.mY) == 0 &&
         a.mPos == b.mPos;
}

inline bool SameStage(const ValveStage& a, const ValveStage& b)
{
  return a.mFactor == b.mFactor && SameBits(a.mCurve, b.mCurve) && SameBits(a.mGain, b.mGain) &&
         std::memcmp(a.mHistory, b.mHistory, sizeof a.mHistory) == 0 &&
         a.mHistoryPos == b.mHistoryPos && SameOver(a.mDown, b.mDown) && SameOver(a.mUp, b.mUp);
}

inline bool HasOwnPath(unsigned f) { return (f >= 2 && f <= 20) || f == 32; }

// The stage built from the filter's public steps, in the documented order:
// sub-sample 0 with N·x kept, zero steps 1 ... N-1 shaped and discarded.
inline double ReferenceOversampled(ValveStage& s, double x)
{
  const unsigned n = HasOwnPath(s.mFactor) ? s.mFactor : 2;
  double u = s.mUp.Run(double(n) * x);
  const double kept = s.mDown.Run(ValveStage::Bias(ValveStage::Shape(s.mGain * u), s.mCurve));
  for (unsigned j = 1; j < n; ++j)
  {
    u = s.mUp.RunZero(j);
    s.mDown.Run(ValveStage::Bias(ValveStage::Shape(s.mGain * u), s.mCurve));
  }
  return kept;
}

inline ValveStage MakeStage(unsigned factor, double curve, double gain)
{
  ValveStage s;
  s.Configure(factor, curve, gain);
  return s;
}

// Test signal: a few sines, noise, and now and then a burst far beyond the
// shaper's edges in either direction.
inline std::vector<double> Signal(unsigned seed, int n, double scale)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  std::vector<double> v(n);
  for (int i = 0; i < n; ++i)
  {
    v[i] = scale * (0.5 * std::sin(0.05 * i) + 0.3 * std::sin(0.9 * i + 1.0) + 0.2 * d(rng));
    if (i % 97 < 3) v[i] *= 40.0;
  }
  return v;
}

// The stage with both filters in direct form computed in long double, from
// the same coefficient sets, shaper constants and settings; the reference
// for the accuracy of the stage's double paths.
struct LongDoubleStage
{
  struct Filter
  {
    long double a[7] = {}, b[8] = {}, x[8] = {}, y[8] = {};
    void Set(unsigned factor)
    {
      const OverCoeffSet& s = OverCoeffsFor(factor);
      for (int i = 0; i < 7; ++i) a[i] = s.a[i];
      for (int i = 0; i < 4; ++i) b[i] = b[7 - i] = s.b[i];
    }
    long double Run(long double in)
    {
      for (int i = 7; i > 0; --i) x[i] = x[i - 1], y[i] = y[i - 1];
      x[0] = in;
      long double acc = 0.0L;
      for (int i = 0; i < 8; ++i) acc += b[i] * x[i];
      for (int i = 1; i < 8; ++i) acc -= a[i - 1] * y[i];
      return y[0] = acc;
    }
  };
  unsigned factor = 2;
  long double gain = 1.0L, curve = 9.5L;
  Filter up, down;

  void Configure(unsigned f, double k, double g)
  {
    factor = HasOwnPath(f) ? f : 2;
    curve = k;
    gain = g;
    up.Set(f);
    down.Set(f);
  }
  static long double Shape(long double v)
  {
    if (v > 3.375L) return 1.0L;
    if (v < -3.375L) return -1.0L;
    v = v - (long double)0.029263831732968 * (v * v * v);
    v = v - (long double)0.065843621399177 * (v * v * v);
    return v - (long double)0.148148148148148 * (v * v * v);
  }
  long double Bent(long double u) const
  {
    const long double s = Shape(gain * u);
    return (curve - 1.0L) * s / (curve + s);
  }
  long double Run(long double x)
  {
    const long double kept = down.Run(Bent(up.Run((long double)factor * x)));
    for (unsigned j = 1; j < factor; ++j) down.Run(Bent(up.Run(0.0L)));
    return kept;
  }
};

// A guitar-like test signal at 44.1 kHz: plucked notes (a few decaying
// harmonics each, new notes every quarter to half second, the strings
// ringing on), peaks around 0.5.
inline std::vector<double> GuitarSignal(unsigned seed, int n)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<double> v(n, 0.0);
  const double fs = 44100.0;
  for (int start = 0; start < n;)
  {
    const double f0 = 82.4 * std::pow(2.0, std::floor(u(rng) * 36.0) / 12.0);
    const double amp = 0.15 + 0.2 * u(rng), decay = 1.5 + 3.0 * u(rng);
    for (int i = start; i < n; ++i)
    {
      const double t = (i - start) / fs, env = amp * std::exp(-decay * t);
      if (env < 1e-4) break;
      double s = 0.0;
      for (int h = 1; h <= 6 && h * f0 < 18000.0; ++h)
        s += std::sin(2.0 * M_PI * h * f0 * t + h) * std::exp(-0.7 * (h - 1)) * std::exp(-0.5 * h * t);
      v[size_t(i)] += env * s;
    }
    start += int(fs * (0.25 + 0.25 * u(rng)));
  }
  return v;
}

#endif
