#include "ValveStage.h"

#include "OverModal.h"

using namespace cinderpath_dsp;

#if defined(__GNUC__) || defined(__clang__)
#define CINDERPATH_INLINE inline __attribute__((always_inline))
#else
#define CINDERPATH_INLINE inline
#endif

namespace {

// The shaper's cubic constants, as decimal literals (about 64/2187, 16/243
// and 4/27): each stage has zero slope at the edge of its input range, so
// 3.375 -> 2.25 -> 1.5 -> 1.
constexpr double kC1 = 0.029263831732968;
constexpr double kC2 = 0.065843621399177;
constexpr double kC3 = 0.148148148148148;
constexpr double kEdge = 3.375;

// Modal state components smaller than this are set to zero after every
// host sample. Without it a decaying mode could settle on the smallest
// numbers (rounding to nearest keeps x·|p| == x there) and stay in the
// subnormal range for good where flush-to-zero is off; at -600 dB it is far
// below anything audible or the accuracy of the filters.
constexpr double kModalFloor = 1e-30;

// Host samples at the end of a block whose sub-samples are written to the
// rings: four groups hold the last eight sub-samples from factor 2 up.
constexpr int kRingGroups = 4;

// Two doubles in one 128-bit vector, lane 0 the left channel, lane 1 the
// right; lane-wise IEEE arithmetic (no contraction), so each lane gives the
// bits of the scalar code.
typedef double Pair __attribute__((vector_size(16)));
typedef long long PairMask __attribute__((vector_size(16)));

template <typename T> CINDERPATH_INLINE T Splat(double v);
template <> CINDERPATH_INLINE double Splat<double>(double v) { return v; }
template <> CINDERPATH_INLINE Pair Splat<Pair>(double v) { return Pair{v, v}; }

template <typename T>
CINDERPATH_INLINE T Poly(T v)
{
  v = v - Splat<T>(kC1) * (v * v * v);
  v = v - Splat<T>(kC2) * (v * v * v);
  return v - Splat<T>(kC3) * (v * v * v);
}

CINDERPATH_INLINE double ShapeT(double v)
{
  if (v > kEdge) return 1.0;
  if (v < -kEdge) return -1.0;
  return Poly(v);
}

// Per lane as the scalar shaper: the polynomial everywhere (a lane beyond
// the edges may overflow; it is replaced), then the clipped lanes. NaN fails
// both comparisons and keeps the polynomial's NaN.
CINDERPATH_INLINE Pair ShapeT(Pair v)
{
  const PairMask hi = v > Splat<Pair>(kEdge);
  const PairMask lo = v < Splat<Pair>(-kEdge);
  const PairMask p = (PairMask)Poly(v);
  const PairMask one = (PairMask)Splat<Pair>(1.0), minusOne = (PairMask)Splat<Pair>(-1.0);
  return (Pair)((lo & minusOne) | (~lo & ((hi & one) | (~hi & p))));
}

template <typename T>
CINDERPATH_INLINE T BiasT(T s, T k, T km1)
{
  return km1 * s / (k + s);
}

CINDERPATH_INLINE double Floor(double v) { return __builtin_fabs(v) < kModalFloor ? 0.0 : v; }

CINDERPATH_INLINE Pair Floor(Pair v)
{
  const PairMask magnitude = (PairMask)v & PairMask{0x7fffffffffffffffLL, 0x7fffffffffffffffLL};
  return (Pair)((PairMask)v & ~((Pair)magnitude < Splat<Pair>(kModalFloor)));
}

// One filter's modal state and the stage's settings, in the sample type.
template <typename T>
struct ModalRegs
{
  T up[kModalStates], down[kModalStates];
  T gain, k, km1;
};

// A row of the tables (seven state coefficients, then the input's) against
// the state and the input, summed as a fixed tree.
template <typename T>
CINDERPATH_INLINE T Dot(const double* c, const T* w, T x)
{
  return ((Splat<T>(c[0]) * w[0] + Splat<T>(c[1]) * w[1]) + (Splat<T>(c[2]) * w[2] + Splat<T>(c[3]) * w[3])) +
         ((Splat<T>(c[4]) * w[4] + Splat<T>(c[5]) * w[5]) + (Splat<T>(c[6]) * w[6] + Splat<T>(c[7]) * x));
}

// W <- p^N·W + add, per mode, then the floor.
template <typename T>
CINDERPATH_INLINE void Turn(const OverModal& t, T* w, const T* add)
{
  for (int k = 0; k < 3; ++k)
  {
    const T re = w[2 * k], im = w[2 * k + 1];
    const T tr = Splat<T>(t.turn[k][0]), ti = Splat<T>(t.turn[k][1]);
    w[2 * k] = Floor((tr * re - ti * im) + add[2 * k]);
    w[2 * k + 1] = Floor((ti * re + tr * im) + add[2 * k + 1]);
  }
  w[6] = Floor(Splat<T>(t.turn[3][0]) * w[6] + add[6]);
}

// One host sample x at factor t.factor: the interpolated sub-samples u, the
// shaped ones d (both kept for the rings), the decimator's output for
// sub-sample 0 returned, both states moved on by one group.
template <typename T>
CINDERPATH_INLINE T Group(const OverModal& t, ModalRegs<T>& r, T x, T* u, T* d)
{
  const unsigned n = t.factor;
  T acc[kModalStates];
  u[0] = Dot(t.upOut[0], r.up, x);
  d[0] = BiasT(ShapeT(r.gain * u[0]), r.k, r.km1);
  for (int m = 0; m < kModalStates; ++m) acc[m] = Splat<T>(t.downIn[0][m]) * d[0];
  for (unsigned j = 1; j < n; ++j)
  {
    u[j] = Dot(t.upOut[j], r.up, x);
    d[j] = BiasT(ShapeT(r.gain * u[j]), r.k, r.km1);
    for (int m = 0; m < kModalStates; ++m) acc[m] = acc[m] + Splat<T>(t.downIn[j][m]) * d[j];
  }
  const T y = Dot(t.downOut, r.down, d[0]);
  T in[kModalStates];
  for (int m = 0; m < kModalStates; ++m) in[m] = Splat<T>(t.upIn[m]) * x;
  Turn(t, r.up, in);
  Turn(t, r.down, acc);
  return y;
}

// The groups of a block: load(i) gives host sample i, out(i, y) takes its
// result, ring(i, x, u, d) records the sub-samples of the last groups.
template <typename T, class Load, class Out, class Ring>
CINDERPATH_INLINE void RunGroups(const OverModal& t, ModalRegs<T>& r, int n, Load load, Out out, Ring ring)
{
  T u[kModalMaxFactor], d[kModalMaxFactor];
  const int tail = n > kRingGroups ? n - kRingGroups : 0;
  for (int i = 0; i < tail; ++i) out(i, Group(t, r, load(i), u, d));
  for (int i = tail; i < n; ++i)
  {
    const T x = load(i);
    out(i, Group(t, r, x, u, d));
    ring(i, x, u, d);
  }
}

// Writes group i of a block (x the host input, u and d the sub-samples of
// lane `lane`) into the stage's rings as the direct form would have them:
// the interpolator's inputs N·x and zeros and its outputs, the decimator's
// inputs. The rings' positions are those before the block.
template <typename T>
CINDERPATH_INLINE void WriteRings(ValveStage& s, unsigned n, int i, double x, const T* u, const T* d, int lane)
{
  const uint32_t base = s.mUp.mPos + n * uint32_t(i);
  const uint32_t baseDown = s.mDown.mPos + n * uint32_t(i);
  for (unsigned j = 0; j < n; ++j)
  {
    const uint32_t slot = (base + j + 1) & 7u;
    s.mUp.mX[slot] = j == 0 ? double(n) * x : 0.0;
    if constexpr (sizeof(T) == sizeof(double))
    {
      s.mUp.mY[slot] = u[j];
      s.mDown.mX[(baseDown + j + 1) & 7u] = d[j];
    }
    else
    {
      s.mUp.mY[slot] = u[j][lane];
      s.mDown.mX[(baseDown + j + 1) & 7u] = d[j][lane];
    }
  }
}

void AdvanceRings(ValveStage& s, unsigned n, int frames)
{
  s.mUp.mPos = (s.mUp.mPos + n * uint32_t(frames)) & 7u;
  s.mDown.mPos = (s.mDown.mPos + n * uint32_t(frames)) & 7u;
  s.mDownOutputsStale = true;
}

}  // namespace

ValveStage::ValveStage()
  : mFactor(2), mCurve(9.5), mGain(1.25), mHistory(), mHistoryPos(0), mModalUp(), mModalDown(), mModalFactor(0),
    mDownOutputsStale(false)
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

void ValveStage::EnterModal()
{
  const OverModal& t = OverModalFor(mFactor);
  if (mModalFactor == t.factor) return;
  UpdateRings();
  ModalFromRing(mUp, t, mModalUp);
  ModalFromRing(mDown, t, mModalDown);
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
  EnterModal();
  const OverModal& t = OverModalFor(mModalFactor);
  ModalRegs<double> r;
  for (int m = 0; m < kModalStates; ++m) r.up[m] = mModalUp[m], r.down[m] = mModalDown[m];
  r.gain = mGain;
  r.k = mCurve;
  r.km1 = mCurve - 1.0;
  RunGroups(
      t, r, nFrames, [samples](int i) { return samples[i]; }, [samples](int i, double y) { samples[i] = y; },
      [this, &t](int i, double x, const double* u, const double* d) { WriteRings(*this, t.factor, i, x, u, d, 0); });
  for (int m = 0; m < kModalStates; ++m) mModalUp[m] = r.up[m], mModalDown[m] = r.down[m];
  AdvanceRings(*this, t.factor, nFrames);
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
  if (left.mFactor == 1 || right.mFactor == 1 || OverModalFor(left.mFactor).factor != OverModalFor(right.mFactor).factor)
  {
    left.Process(l, nFrames);
    right.Process(r, nFrames);
    return;
  }
  left.EnterModal();
  right.EnterModal();
  const OverModal& t = OverModalFor(left.mModalFactor);
  ModalRegs<Pair> g;
  for (int m = 0; m < kModalStates; ++m)
  {
    g.up[m] = Pair{left.mModalUp[m], right.mModalUp[m]};
    g.down[m] = Pair{left.mModalDown[m], right.mModalDown[m]};
  }
  g.gain = Pair{left.mGain, right.mGain};
  g.k = Pair{left.mCurve, right.mCurve};
  g.km1 = g.k - Splat<Pair>(1.0);
  const unsigned n = t.factor;
  RunGroups(
      t, g, nFrames, [l, r](int i) { return Pair{l[i], r[i]}; },
      [l, r](int i, Pair y) {
        l[i] = y[0];
        r[i] = y[1];
      },
      [&left, &right, n](int i, Pair x, const Pair* u, const Pair* d) {
        WriteRings(left, n, i, x[0], u, d, 0);
        WriteRings(right, n, i, x[1], u, d, 1);
      });
  for (int m = 0; m < kModalStates; ++m)
  {
    left.mModalUp[m] = g.up[m][0], right.mModalUp[m] = g.up[m][1];
    left.mModalDown[m] = g.down[m][0], right.mModalDown[m] = g.down[m][1];
  }
  AdvanceRings(left, n, nFrames);
  AdvanceRings(right, n, nFrames);
}
