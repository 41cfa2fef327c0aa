#include "ValveStage.h"

#include "ValveStageDispatch.h"
#include "ValveStageKernel.h"
#include "ValveStageQuad.h"

#include <atomic>
#include <cstdlib>

using namespace cinderpath_dsp;

namespace cinderpath_dsp {
#if defined(CINDERPATH_HAVE_WIDE) || defined(CINDERPATH_HAVE_QUAD)
namespace {

// True when the environment variable `name` is set to anything but "" or "0".
bool EnvironmentForbids(const char* name)
{
  const char* v = std::getenv(name);
  return v != nullptr && v[0] != '\0' && !(v[0] == '0' && v[1] == '\0');
}

// The processor's extensions, asked once (the check takes literal names).
[[maybe_unused]] bool CpuHasAvx512vl()
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
}

[[maybe_unused]] bool CpuHasAvx2()
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx") && __builtin_cpu_supports("avx2");
}

}  // namespace
#endif

#ifdef CINDERPATH_HAVE_WIDE
namespace {

bool CpuHasWidePath() { return CpuHasAvx512vl(); }

// Decided once at load time; the render thread only reads it.
std::atomic<bool> g_useWide{CpuHasWidePath() && !EnvironmentForbids("CINDERPATH_NO_AVX512")};

}  // namespace

bool WidePathAvailable() { return CpuHasWidePath(); }

void SetWidePathEnabled(bool enabled) { g_useWide.store(enabled && CpuHasWidePath(), std::memory_order_relaxed); }

bool WidePathEnabled() { return g_useWide.load(std::memory_order_relaxed); }
#else
bool WidePathAvailable() { return false; }
void SetWidePathEnabled(bool) {}
bool WidePathEnabled() { return false; }
#endif

#ifdef CINDERPATH_HAVE_QUAD
namespace {

bool CpuHasQuadPath() { return CpuHasAvx2(); }

std::atomic<bool> g_useQuad{CpuHasQuadPath() && !EnvironmentForbids("CINDERPATH_NO_AVX2")};

}  // namespace

bool QuadPathAvailable() { return CpuHasQuadPath(); }

void SetQuadPathEnabled(bool enabled) { g_useQuad.store(enabled && CpuHasQuadPath(), std::memory_order_relaxed); }

bool QuadPathEnabled() { return g_useQuad.load(std::memory_order_relaxed); }
#else
bool QuadPathAvailable() { return false; }
void SetQuadPathEnabled(bool) {}
bool QuadPathEnabled() { return false; }
#endif

bool FusedChainProcess(ValveStage& left, ValveStage& right, const ChainFilters& filters, ChainFrame& frame,
                       const double* inL, const double* inR, double* outL, double* outR, int nFrames)
{
#if defined(CINDERPATH_HAVE_QUAD) || defined(CINDERPATH_HAVE_WIDE)
  if (left.mFactor != right.mFactor || nFrames <= 0) return false;
#ifdef CINDERPATH_HAVE_WIDE
  if (WidePathEnabled()) return WideProcessChain(left, right, filters, frame, inL, inR, outL, outR, nFrames);
#endif
#ifdef CINDERPATH_HAVE_QUAD
  if (QuadPathEnabled()) return QuadProcessChain(left, right, filters, frame, inL, inR, outL, outR, nFrames);
#endif
  return false;
#else
  (void)left, (void)right, (void)filters, (void)frame, (void)inL, (void)inR, (void)outL, (void)outR, (void)nFrames;
  return false;
#endif
}

}  // namespace cinderpath_dsp

ValveStage::ValveStage()
  : mFactor(2), mCurve(9.5), mGain(1.25), mHistory(), mHistoryPos(0)
{
}

void ValveStage::Configure(unsigned factor, double curve, double gain)
{
  mFactor = factor;
  mCurve = curve;
  mGain = gain;
  mUp.Set(factor);
  mDown.Set(factor);
}

void ValveStage::Clear()
{
  for (double& h : mHistory) h = 0.0;
  mHistoryPos = 0;
  mDown.Clear();
  mUp.Clear();
}

double ValveStage::Shape(double v) { return ShapeT(v); }

double ValveStage::Bias(double s, double k) { return BiasT(s, k, k - 1.0); }

double ValveStage::Run(double x)
{
  Process(&x, 1);
  return x;
}

void ValveStage::Process(double* samples, int nFrames)
{
  if (samples == nullptr || nFrames <= 0) return;
  if (mFactor == 1)
  {
    // No oversampling, but the same four-sample delay the filters add.
    // Settings are fixed for the block; only the history changes.
    const double gain = mGain, k = mCurve, km1 = mCurve - 1.0;
    for (int i = 0; i < nFrames; ++i)
    {
      ++mHistoryPos;
      mHistory[mHistoryPos & 7u] = samples[i];
      const double v = gain * mHistory[(mHistoryPos + 4u) & 7u];
      samples[i] = BiasT(ShapeT(v), k, km1);
    }
    return;
  }
#ifdef CINDERPATH_HAVE_WIDE
  if (WidePathEnabled())
  {
    WideProcess(*this, samples, nFrames);
    return;
  }
#endif
#ifdef CINDERPATH_HAVE_QUAD
  if (QuadPathEnabled() && QuadProcess(*this, samples, nFrames)) return;
#endif
  KernelProcess(*this, samples, nFrames);
}

void ValveStage::RunPair(ValveStage& left, ValveStage& right, double& l, double& r)
{
  ProcessPair(left, right, &l, &r, 1);
}

void ValveStage::ProcessPair(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames)
{
  if (l == nullptr || r == nullptr || nFrames <= 0) return;
#ifdef CINDERPATH_HAVE_PAIR
  if (left.mFactor == 1 && right.mFactor == 1)
  {
    FactorOnePair s(left, right);
    for (int i = 0; i < nFrames; ++i)
    {
      const DoublePair y = s.Run(DoublePair{l[i], r[i]});
      l[i] = y[0];
      r[i] = y[1];
    }
    s.Store(left, right);
    return;
  }
  if (left.mFactor == right.mFactor)
  {
#ifdef CINDERPATH_HAVE_WIDE
    if (WidePathEnabled())
    {
      WideProcessPair(left, right, l, r, nFrames);
      return;
    }
#endif
#ifdef CINDERPATH_HAVE_QUAD
    if (QuadPathEnabled() && QuadProcessPair(left, right, l, r, nFrames)) return;
#endif
    KernelProcessPair(left, right, l, r, nFrames);
    return;
  }
#endif
  left.Process(l, nFrames);
  right.Process(r, nFrames);
}
