// Shared helpers of the effect tests: a plug-in with test access, test
// signals and block processing.
#ifndef EFFECT_TEST_UTIL_H
#define EFFECT_TEST_UTIL_H

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Cinderpath.h"

namespace effect_test
{

// Instance information as MakePlug fills it.
inline const IPlugInstanceInfo& TestInfo()
{
  static IPlugInstanceInfo* info = [] {
    IPlugInstanceInfo* i = new IPlugInstanceInfo;
    i->mBundleIdentifier.Set("com.marrowfield.audiounit.Cinderpath");
    i->mViewClassName.Set("Cinderpath_View");
    return i;
  }();
  return *info;
}

// The plug-in with access to what a host or the binding would change.
class TestPlug : public Cinderpath
{
public:
  TestPlug() : Cinderpath(TestInfo()) {}

  // Stores a real parameter value and tells the plug-in, as a host does.
  void SetParam(int idx, double value)
  {
    GetParam(idx)->Set(value);
    OnParamChange(idx);
  }
  // Pretends the host renders offline (or not).
  void SetOffline(bool offline) { mOffline = offline; }
  // The plug-in's mutex, to check that processing does not take it.
  WDL_Mutex& Mutex() { return mMutex; }
  // Preset slot idx, or null.
  const IPreset* Preset(int idx) { return mPresets.Get(idx); }
};

// Two channels of samples.
struct Stereo
{
  std::vector<double> l, r;
  explicit Stereo(int n = 0) : l(n, 0.0), r(n, 0.0) {}
  int Size() const { return (int)l.size(); }
};

// Deterministic test signal: a sine per channel (different frequencies) plus
// seeded noise, peaks up to about `amp`.
inline Stereo TestSignal(int n, uint32_t seed, double amp = 0.9)
{
  Stereo s(n);
  uint32_t state = seed * 2654435761u + 1u;
  for (int i = 0; i < n; ++i)
  {
    state = state * 1664525u + 1013904223u;
    const double noiseL = ((state >> 8) / 16777216.0 - 0.5) * 0.5;
    state = state * 1664525u + 1013904223u;
    const double noiseR = ((state >> 8) / 16777216.0 - 0.5) * 0.5;
    s.l[i] = amp * (0.7 * std::sin(i * 0.0313) + noiseL);
    s.r[i] = amp * (0.7 * std::sin(i * 0.0571 + 1.0) + noiseR);
  }
  return s;
}

// Processes frames start ... start + n - 1 of in into out.
inline void Process(Cinderpath& plug, const Stereo& in, Stereo& out, int start, int n)
{
  double* inputs[2] = {const_cast<double*>(in.l.data()) + start, const_cast<double*>(in.r.data()) + start};
  double* outputs[2] = {out.l.data() + start, out.r.data() + start};
  plug.ProcessDoubleReplacing(inputs, outputs, n);
}

// Processes the whole signal in blocks of blockSize frames (the last may be shorter).
inline Stereo ProcessAll(Cinderpath& plug, const Stereo& in, int blockSize)
{
  Stereo out(in.Size());
  for (int start = 0; start < in.Size(); start += blockSize)
  {
    const int n = in.Size() - start < blockSize ? in.Size() - start : blockSize;
    Process(plug, in, out, start, n);
  }
  return out;
}

// Bitwise equality of two sample vectors (distinguishes -0 and +0, NaNs).
inline bool SameBits(const std::vector<double>& a, const std::vector<double>& b)
{
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

// Switches every input filter on with settings that let each one act.
inline void AllFiltersOn(TestPlug& p)
{
  p.SetParam(kHPOn, 1);
  p.SetParam(kHPFreq, 120);
  p.SetParam(kPeakOn, 1);
  p.SetParam(kPeakGain, 6);
  p.SetParam(kShelfOn, 1);
  p.SetParam(kShelfGain, -4);
  p.SetParam(kLPOn, 1);
  p.SetParam(kCutoff, 8);
  p.SetParam(kResonance, 0.5);
}

}  // namespace effect_test

#endif
