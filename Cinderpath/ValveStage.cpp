#include "ValveStage.h"

#include "ValveStageBlock.h"

#include <atomic>

using namespace cinderpath_dsp;

namespace {

#ifdef CINDERPATH_HAVE_AVX2_BLOCK
bool CpuHasAvx2()
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

// Decided once at load time; the render thread only reads it.
std::atomic<bool> g_useAvx2{CpuHasAvx2()};
#else
bool CpuHasAvx2() { return false; }
std::atomic<bool> g_useAvx2{false};
#endif

}  // namespace

bool ValveStage::WideBuildAvailable() { return CpuHasAvx2(); }

void ValveStage::UseWideBuild(bool use) { g_useAvx2.store(use && CpuHasAvx2(), std::memory_order_relaxed); }

ValveStage::ValveStage()
  : mFactor(2), mCurve(9.5), mGain(1.25), mHistory(), mHistoryPos(0), mModalUp(), mModalDown(), mModalFactor(0),
    mModalClock(0), mDownOutputsStale(false)
{
  OverModalFor(2);  // builds the tables here rather than on the render thread
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
  for (int m = 0; m < kModalStates; ++m) mModalUp[m] = mModalDown[m] = 0.0;
  mModalFactor = 0;
  mModalClock = 0;
  mDownOutputsStale = false;
}

double ValveStage::Shape(double v) { return ShapeT(v); }

double ValveStage::Bias(double s, double k) { return BiasT(s, k, k - 1.0); }

void ValveStage::UpdateRings()
{
  if (!mDownOutputsStale) return;
  double y[8];
  RingFromModal(mDown, OverModalFor(mModalFactor), mModalDown, y);
  mDownOutputsStale = false;
}

void ValveStage::EnterModal(const OverModal& t)
{
  if (mModalFactor == t.factor) return;
  UpdateRings();
  if (mModalFactor == 0)
  {
    // The rings are the state (after Clear or Run).
    ModalFromRing(mUp, t, mModalUp);
    ModalFromRing(mDown, t, mModalDown);
  }
  else
  {
    // A factor change after blocks: from the old modal states, whose output
    // history is finer than the rings' doubles.
    const OverModal& from = OverModalFor(mModalFactor);
    double up[kModalStates], down[kModalStates];
    ModalFromModal(mUp, from, mModalUp, t, up);
    ModalFromModal(mDown, from, mModalDown, t, down);
    for (int m = 0; m < kModalStates; ++m) mModalUp[m] = up[m], mModalDown[m] = down[m];
  }
  mModalFactor = t.factor;
}

double ValveStage::Run(double x)
{
  if (mFactor == 1)
  {
    Process(&x, 1);
    return x;
  }
  // The rings move on without the modal state, which is taken up from them
  // again by the next block.
  UpdateRings();
  mModalFactor = 0;
  const unsigned n = (mFactor >= 2 && mFactor <= 20) || mFactor == 32 ? mFactor : 2;
  const double km1 = mCurve - 1.0;
  const double kept = mDown.Run(BiasT(ShapeT(mGain * mUp.Run(double(n) * x)), mCurve, km1));
  for (unsigned j = 1; j < n; ++j) mDown.Run(BiasT(ShapeT(mGain * mUp.RunZero(j)), mCurve, km1));
  return kept;
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
  // Both lanes carry this channel: the same bits as in a pair.
  RunModal(*this, *this, samples, samples, nFrames);
}

void ValveStage::RunPair(ValveStage& left, ValveStage& right, double& l, double& r)
{
  l = left.Run(l);
  r = right.Run(r);
}

void ValveStage::ProcessPair(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames)
{
  if (l == nullptr || r == nullptr || nFrames <= 0) return;
  if (left.mFactor == 1 && right.mFactor == 1)
  {
    // Both four-sample delays and shapers side by side.
    const Pair gain{left.mGain, right.mGain}, k{left.mCurve, right.mCurve};
    const Pair km1 = k - Splat<Pair>(1.0);
    for (int i = 0; i < nFrames; ++i)
    {
      ++left.mHistoryPos, ++right.mHistoryPos;
      left.mHistory[left.mHistoryPos & 7u] = l[i];
      right.mHistory[right.mHistoryPos & 7u] = r[i];
      const Pair v = gain * Pair{left.mHistory[(left.mHistoryPos + 4u) & 7u], right.mHistory[(right.mHistoryPos + 4u) & 7u]};
      const Pair y = BiasT(ShapeT(v), k, km1);
      l[i] = y[0];
      r[i] = y[1];
    }
    return;
  }
  if (left.mFactor == 1 || right.mFactor == 1 ||
      (left.mFactor != right.mFactor && OverModalFor(left.mFactor).factor != OverModalFor(right.mFactor).factor))
  {
    left.Process(l, nFrames);
    right.Process(r, nFrames);
    return;
  }
  RunModal(left, right, l, r, nFrames);
}

void ValveStage::RunModal(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames)
{
  // One look-up of the tables per call; both stages run on them.
  const OverModal& t = OverModalFor(left.mFactor);
  left.EnterModal(t);
  right.EnterModal(t);
#ifdef CINDERPATH_HAVE_AVX2_BLOCK
  if (g_useAvx2.load(std::memory_order_relaxed))
  {
    BlockGroupsAvx2(left, right, t, l, r, nFrames);
    return;
  }
#endif
  BlockGroups<Two>(left, right, t, l, r, nFrames);
}
