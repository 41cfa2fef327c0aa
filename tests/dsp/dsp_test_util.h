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

// The stage with both filters in direct form computed in a wider type R
// (long double, or quadruple where the compiler has it), from the same
// coefficient sets, shaper constants and settings; the reference for the
// accuracy of the stage's double paths. Long double's own rounding, amplified
// by the recursion like double's, reaches about 1e-9 at factor 32; the
// quadruple form is slower (software arithmetic) but about 1e-25 off there.
template <typename R>
struct ExactStage
{
  typedef R Real;
  struct Filter
  {
    R a[7] = {}, b[8] = {}, x[8] = {}, y[8] = {};
    void Set(unsigned factor)
    {
      const OverCoeffSet& s = OverCoeffsFor(factor);
      for (int i = 0; i < 7; ++i) a[i] = s.a[i];
      for (int i = 0; i < 4; ++i) b[i] = b[7 - i] = s.b[i];
    }
    R Run(R in)
    {
      for (int i = 7; i > 0; --i) x[i] = x[i - 1], y[i] = y[i - 1];
      x[0] = in;
      R acc = 0;
      for (int i = 0; i < 8; ++i) acc += b[i] * x[i];
      for (int i = 1; i < 8; ++i) acc -= a[i - 1] * y[i];
      return y[0] = acc;
    }
  };
  unsigned factor = 2;
  R gain = 1, curve = 9.5;
  Filter up, down;

  void Configure(unsigned f, double k, double g)
  {
    factor = HasOwnPath(f) ? f : 2;
    curve = k;
    gain = g;
    up.Set(f);
    down.Set(f);
  }
  static R Shape(R v)
  {
    if (v > R(3.375)) return 1;
    if (v < R(-3.375)) return -1;
    v = v - R(0.029263831732968) * (v * v * v);
    v = v - R(0.065843621399177) * (v * v * v);
    return v - R(0.148148148148148) * (v * v * v);
  }
  R Bent(R u) const
  {
    const R s = Shape(gain * u);
    return (curve - R(1)) * s / (curve + s);
  }
  R Run(R x)
  {
    const R kept = down.Run(Bent(up.Run(R(factor) * x)));
    for (unsigned j = 1; j < factor; ++j) down.Run(Bent(up.Run(R(0))));
    return kept;
  }
};

typedef ExactStage<long double> LongDoubleStage;
#if defined(__SIZEOF_FLOAT128__) && !defined(__aarch64__)
typedef ExactStage<__float128> QuadStage;
#else
typedef ExactStage<long double> QuadStage;  // long double is quadruple there
#endif

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
