#include "ValveStage.h"

#include "OverKernel.h"

using namespace cinderpath_dsp;

namespace {

// The shaper's cubic constants, as decimal literals (about 64/2187, 16/243
// and 4/27): each stage has zero slope at the edge of its input range, so
// 3.375 -> 2.25 -> 1.5 -> 1.
constexpr double kC1 = 0.029263831732968;
constexpr double kC2 = 0.065843621399177;
constexpr double kC3 = 0.148148148148148;
constexpr double kEdge = 3.375;

template <typename T> CINDERPATH_INLINE T Splat(double v);
template <> CINDERPATH_INLINE double Splat<double>(double v) { return v; }

CINDERPATH_INLINE double Poly(double v, double c1, double c2, double c3)
{
  v = v - c1 * (v * v * v);
  v = v - c2 * (v * v * v);
  return v - c3 * (v * v * v);
}

CINDERPATH_INLINE double ShapeT(double v)
{
  if (v > kEdge) return 1.0;
  if (v < -kEdge) return -1.0;
  return Poly(v, kC1, kC2, kC3);
}

CINDERPATH_INLINE double BiasT(double s, double k, double km1)
{
  return km1 * s / (k + s);
}

#ifdef CINDERPATH_HAVE_PAIR
template <> CINDERPATH_INLINE DoublePair Splat<DoublePair>(double v) { return DoublePair{v, v}; }

CINDERPATH_INLINE DoublePair Poly(DoublePair v, DoublePair c1, DoublePair c2, DoublePair c3)
{
  v = v - c1 * (v * v * v);
  v = v - c2 * (v * v * v);
  return v - c3 * (v * v * v);
}

// Same result per lane as the scalar shaper: the polynomial is evaluated in
// both lanes (a lane beyond the edges may overflow; it is discarded), then the
// clipped lanes are replaced. NaN fails both comparisons and keeps the
// polynomial's NaN, as in the scalar code.
CINDERPATH_INLINE DoublePair ShapeT(DoublePair v)
{
  const DoublePair p = Poly(v, Splat<DoublePair>(kC1), Splat<DoublePair>(kC2), Splat<DoublePair>(kC3));
  const MaskPair hi = v > Splat<DoublePair>(kEdge);
  const MaskPair lo = v < Splat<DoublePair>(-kEdge);
  const MaskPair one = (MaskPair)Splat<DoublePair>(1.0);
  const MaskPair minusOne = (MaskPair)Splat<DoublePair>(-1.0);
  MaskPair r = ((MaskPair)p & ~(hi | lo)) | (one & hi) | (minusOne & lo);
  return (DoublePair)r;
}

CINDERPATH_INLINE DoublePair BiasT(DoublePair s, DoublePair k, DoublePair km1)
{
  return km1 * s / (k + s);
}
#endif

// Everything one oversampled group needs, in the sample type.
template <typename T>
struct StageRegs
{
  OverCoef<T> up, down;
  OverWin<T> wu, wd;
  T gain, k, km1;
};

// Sub-samples J ... N-1: a zero step of the interpolator, shaper, bias curve,
// full step of the decimator whose output is dropped. Unrolled at compile time.
template <unsigned J, unsigned N, typename T>
CINDERPATH_INLINE void SubSamples(StageRegs<T>& r)
{
  if constexpr (J < N)
  {
    const T u = OverStep<(J < 8 ? int(J) : 8)>(r.up, r.wu, T{});
    OverStep<0>(r.down, r.wd, BiasT(ShapeT(r.gain * u), r.k, r.km1));
    SubSamples<J + 1, N>(r);
  }
}

// One host sample at factor N: sub-sample 0 carries N·x (making up for the
// zero-stuffing) and gives the kept output.
template <unsigned N, typename T>
CINDERPATH_INLINE T Group(StageRegs<T>& r, T x)
{
  const T u = OverStep<0>(r.up, r.wu, Splat<T>(double(N)) * x);
  const T out = OverStep<0>(r.down, r.wd, BiasT(ShapeT(r.gain * u), r.k, r.km1));
  SubSamples<1, N>(r);
  return out;
}

template <unsigned N>
double RunFactor(ValveStage& s, double x)
{
  StageRegs<double> r;
  LoadCoef(r.up, s.mUp);
  LoadCoef(r.down, s.mDown);
  LoadWin(r.wu, s.mUp);
  LoadWin(r.wd, s.mDown);
  r.gain = s.mGain;
  r.k = s.mCurve;
  r.km1 = s.mCurve - 1.0;
  const double y = Group<N>(r, x);
  StoreWin(s.mUp, r.wu, N);
  StoreWin(s.mDown, r.wd, N);
  return y;
}

#ifdef CINDERPATH_HAVE_PAIR
template <unsigned N>
void RunFactorPair(ValveStage& a, ValveStage& b, double& l, double& rr)
{
  StageRegs<DoublePair> r;
  LoadCoef(r.up, a.mUp, b.mUp);
  LoadCoef(r.down, a.mDown, b.mDown);
  LoadWin(r.wu, a.mUp, b.mUp);
  LoadWin(r.wd, a.mDown, b.mDown);
  r.gain = DoublePair{a.mGain, b.mGain};
  r.k = DoublePair{a.mCurve, b.mCurve};
  r.km1 = DoublePair{a.mCurve - 1.0, b.mCurve - 1.0};
  const DoublePair y = Group<N>(r, DoublePair{l, rr});
  StoreWin(a.mUp, b.mUp, r.wu, N);
  StoreWin(a.mDown, b.mDown, r.wd, N);
  l = y[0];
  rr = y[1];
}
#endif

}  // namespace

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
  switch (mFactor)
  {
    case 1:
    {
      // No oversampling, but the same four-sample delay the filters add.
      ++mHistoryPos;
      mHistory[mHistoryPos & 7u] = x;
      const double v = mGain * mHistory[(mHistoryPos + 4u) & 7u];
      return BiasT(ShapeT(v), mCurve, mCurve - 1.0);
    }
    case 3: return RunFactor<3>(*this, x);
    case 4: return RunFactor<4>(*this, x);
    case 5: return RunFactor<5>(*this, x);
    case 6: return RunFactor<6>(*this, x);
    case 7: return RunFactor<7>(*this, x);
    case 8: return RunFactor<8>(*this, x);
    case 9: return RunFactor<9>(*this, x);
    case 10: return RunFactor<10>(*this, x);
    case 11: return RunFactor<11>(*this, x);
    case 12: return RunFactor<12>(*this, x);
    case 13: return RunFactor<13>(*this, x);
    case 14: return RunFactor<14>(*this, x);
    case 15: return RunFactor<15>(*this, x);
    case 16: return RunFactor<16>(*this, x);
    case 17: return RunFactor<17>(*this, x);
    case 18: return RunFactor<18>(*this, x);
    case 19: return RunFactor<19>(*this, x);
    case 20: return RunFactor<20>(*this, x);
    case 32: return RunFactor<32>(*this, x);
    default: return RunFactor<2>(*this, x);  // 2, 0, 21 ... 31, above 32
  }
}

void ValveStage::RunPair(ValveStage& left, ValveStage& right, double& l, double& r)
{
#ifdef CINDERPATH_HAVE_PAIR
  if (left.mFactor == right.mFactor)
  {
    switch (left.mFactor)
    {
      case 1: break;  // a delay and one shaper call: nothing to gain
      case 3: return RunFactorPair<3>(left, right, l, r);
      case 4: return RunFactorPair<4>(left, right, l, r);
      case 5: return RunFactorPair<5>(left, right, l, r);
      case 6: return RunFactorPair<6>(left, right, l, r);
      case 7: return RunFactorPair<7>(left, right, l, r);
      case 8: return RunFactorPair<8>(left, right, l, r);
      case 9: return RunFactorPair<9>(left, right, l, r);
      case 10: return RunFactorPair<10>(left, right, l, r);
      case 11: return RunFactorPair<11>(left, right, l, r);
      case 12: return RunFactorPair<12>(left, right, l, r);
      case 13: return RunFactorPair<13>(left, right, l, r);
      case 14: return RunFactorPair<14>(left, right, l, r);
      case 15: return RunFactorPair<15>(left, right, l, r);
      case 16: return RunFactorPair<16>(left, right, l, r);
      case 17: return RunFactorPair<17>(left, right, l, r);
      case 18: return RunFactorPair<18>(left, right, l, r);
      case 19: return RunFactorPair<19>(left, right, l, r);
      case 20: return RunFactorPair<20>(left, right, l, r);
      case 32: return RunFactorPair<32>(left, right, l, r);
      default: return RunFactorPair<2>(left, right, l, r);
    }
  }
#endif
  l = left.Run(l);
  r = right.Run(r);
}
