#ifndef CINDERPATH_TESTS_DSP_TEST_UTIL_H
#define CINDERPATH_TESTS_DSP_TEST_UTIL_H

#include "Over.h"
#include "ValveStage.h"
#include "ValveStageDispatch.h"
#include "ValveStageQuad.h"

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

// A wider build's start-up choice: on where the processor has it, unless the
// environment variable `var` is set to anything but "" or "0"; switching it
// on later still works where the processor has it. Leaves the start-up choice.
inline void ExpectStartupChoice(const char* var, bool (*available)(), bool (*enabled)(), void (*setEnabled)(bool))
{
  const char* v = std::getenv(var);
  const bool forbidden = v != nullptr && std::strcmp(v, "") != 0 && std::strcmp(v, "0") != 0;
  EXPECT_EQ(enabled(), available() && !forbidden);
  setEnabled(true);
  EXPECT_EQ(enabled(), available());
  setEnabled(!forbidden);
}

// Runs body(name) once for each pipelined build of the stage this machine
// runs (the AVX2 build, then the AVX-512 one), each selected alone, and
// restores the switches afterwards.
template <class Body>
void ForEachPipelinedBuild(Body body)
{
  const bool wide = cinderpath_dsp::WidePathEnabled(), quad = cinderpath_dsp::QuadPathEnabled();
  for (int build = 0; build < 2; ++build)
  {
    const bool useWide = build == 1;
    if (useWide ? !cinderpath_dsp::WidePathAvailable() : !cinderpath_dsp::QuadPathAvailable()) continue;
    cinderpath_dsp::SetWidePathEnabled(useWide);
    cinderpath_dsp::SetQuadPathEnabled(!useWide);
    body(useWide ? "AVX-512" : "AVX2");
  }
  cinderpath_dsp::SetQuadPathEnabled(quad);
  cinderpath_dsp::SetWidePathEnabled(wide);
}

#endif
