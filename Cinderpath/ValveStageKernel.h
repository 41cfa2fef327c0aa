#ifndef CINDERPATH_VALVESTAGEKERNEL_H
#define CINDERPATH_VALVESTAGEKERNEL_H

// Internal to the DSP library: the valve stage's written-out oversampled
// paths, one template per factor, for one channel (double) and for two
// channels side by side (DoublePair). Everything here has internal linkage,
// because the library compiles this header twice, with the baseline
// instruction set and with a wider one, and the two copies must never be
// merged by the linker.

#include "OverKernel.h"
#include "ValveStage.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace cinderpath_dsp {
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

// Per lane: `mask` all ones -> a, all zeros -> b (bitwise, so NaN payloads
// and signed zeros pass unchanged).
CINDERPATH_INLINE DoublePair SelectPair(DoublePair mask, DoublePair a, DoublePair b)
{
#ifdef __SSE2__
  return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b));
#else
  const MaskPair m = (MaskPair)mask;
  return (DoublePair)((m & (MaskPair)a) | (~m & (MaskPair)b));
#endif
}

// Same result per lane as the scalar shaper: the polynomial is evaluated in
// both lanes (a lane beyond the edges may overflow; it is discarded), then the
// clipped lanes are replaced. NaN fails both comparisons and keeps the
// polynomial's NaN, as in the scalar code.
CINDERPATH_INLINE DoublePair ShapeT(DoublePair v)
{
  const DoublePair p = Poly(v, Splat<DoublePair>(kC1), Splat<DoublePair>(kC2), Splat<DoublePair>(kC3));
  const DoublePair hi = (DoublePair)(v > Splat<DoublePair>(kEdge));
  const DoublePair lo = (DoublePair)(v < Splat<DoublePair>(-kEdge));
  return SelectPair(lo, Splat<DoublePair>(-1.0), SelectPair(hi, Splat<DoublePair>(1.0), p));
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

// Interpolator step of sub-sample J: J = 0 takes the (scaled) input, later
// ones are zero steps.
template <unsigned J, typename T>
CINDERPATH_INLINE T UpStep(StageRegs<T>& r, T in)
{
  return OverStep<(J < 8 ? int(J) : 8)>(r.up, r.wu, in);
}

// Shaper, bias curve and full decimator step for one interpolated sub-sample;
// returns the decimator's output.
template <typename T>
CINDERPATH_INLINE T DownStep(StageRegs<T>& r, T u)
{
  return OverStep<0>(r.down, r.wd, BiasT(ShapeT(r.gain * u), r.k, r.km1));
}

// How many sub-samples the interpolator runs ahead of the decimator inside a
// group (software pipelining). The interpolator's recursion never waits for
// the decimator, and the decimator needs sub-sample j only after the
// interpolator step and the shaper of j; issuing interpolator step j + 2
// before decimator step j lets the processor run the two recursions side by
// side instead of one waiting on the other (about 12 % faster at factor 16).
// 0 is the plain order (interpolator step j, then decimator step j). Every
// lead gives the same bits: each filter still takes its own steps in order
// with unchanged arithmetic, and the shaper sees the same values.
constexpr unsigned kLead = 2;

template <unsigned S, unsigned N, unsigned L, typename T, typename... F>
CINDERPATH_INLINE T PipeConsume(StageRegs<T>& r, T oldest, F... rest);

// Time slot S of a group's pipeline: interpolator step S (while S < N), then
// decimator step S - L (from slot L on). `fifo` holds the interpolator
// outputs not yet shaped, oldest first. Returns the decimator's output for
// sub-sample 0. Unrolled at compile time.
template <unsigned S, unsigned N, unsigned L, typename T, typename... F>
CINDERPATH_INLINE T PipeSlot(StageRegs<T>& r, T in, F... fifo)
{
  if constexpr (S < N)
  {
    const T u = UpStep<S>(r, in);
    return PipeConsume<S, N, L>(r, fifo..., u);
  }
  else
    return PipeConsume<S, N, L>(r, fifo...);
}

template <unsigned S, unsigned N, unsigned L, typename T, typename... F>
CINDERPATH_INLINE T PipeConsume(StageRegs<T>& r, T oldest, F... rest)
{
  if constexpr (S >= L)
  {
    const T y = DownStep(r, oldest);
    if constexpr (S - L + 1 < N) PipeSlot<S + 1, N, L>(r, T{}, rest...);
    return y;
  }
  else
    return PipeSlot<S + 1, N, L>(r, T{}, oldest, rest...);
}

// One host sample at factor N: sub-sample 0 carries N·x (making up for the
// zero-stuffing) and gives the kept output; the decimator's outputs for
// sub-samples 1 ... N-1 are dropped. L: the interpolator's lead (kLead).
template <unsigned N, unsigned L, typename T>
CINDERPATH_INLINE T Group(StageRegs<T>& r, T x)
{
  static_assert(N >= 2, "factor 1 has no oversampled path");
  return PipeSlot<0, N, L>(r, Splat<T>(double(N)) * x);
}

// Loads both filters of one stage (or of two stages, one per lane) into
// registers, runs `nFrames` groups and writes the rings back.
template <unsigned N, unsigned L = kLead>
void ProcessFactor(ValveStage& s, double* p, int nFrames)
{
  StageRegs<double> r;
  LoadCoef(r.up, s.mUp);
  LoadCoef(r.down, s.mDown);
  LoadWin(r.wu, s.mUp);
  LoadWin(r.wd, s.mDown);
  r.gain = s.mGain;
  r.k = s.mCurve;
  r.km1 = s.mCurve - 1.0;
  for (int i = 0; i < nFrames; ++i) p[i] = Group<N, L>(r, p[i]);
  // Only the step count modulo 8 matters for the ring position.
  const uint32_t steps = N * uint32_t(nFrames);
  StoreWin(s.mUp, r.wu, steps);
  StoreWin(s.mDown, r.wd, steps);
}

#ifdef CINDERPATH_HAVE_PAIR
template <unsigned N, unsigned L = kLead>
void ProcessFactorPair(ValveStage& a, ValveStage& b, double* l, double* rr, int nFrames)
{
  StageRegs<DoublePair> r;
  LoadCoef(r.up, a.mUp, b.mUp);
  LoadCoef(r.down, a.mDown, b.mDown);
  LoadWin(r.wu, a.mUp, b.mUp);
  LoadWin(r.wd, a.mDown, b.mDown);
  r.gain = DoublePair{a.mGain, b.mGain};
  r.k = DoublePair{a.mCurve, b.mCurve};
  r.km1 = DoublePair{a.mCurve - 1.0, b.mCurve - 1.0};
  for (int i = 0; i < nFrames; ++i)
  {
    const DoublePair y = Group<N, L>(r, DoublePair{l[i], rr[i]});
    l[i] = y[0];
    rr[i] = y[1];
  }
  const uint32_t steps = N * uint32_t(nFrames);
  StoreWin(a.mUp, b.mUp, r.wu, steps);
  StoreWin(a.mDown, b.mDown, r.wd, steps);
}
#endif

// Calls f.template operator()<N>() for the written-out path of `factor`;
// factors without their own path (0, 21 ... 31, above 32) take the factor-2
// path with the factor-2 coefficients that Over::Set gave them. Factor 1 is
// handled by the callers.
template <typename F>
CINDERPATH_INLINE void DispatchFactor(uint32_t factor, F&& f)
{
  switch (factor)
  {
    case 3: f.template operator()<3>(); break;
    case 4: f.template operator()<4>(); break;
    case 5: f.template operator()<5>(); break;
    case 6: f.template operator()<6>(); break;
    case 7: f.template operator()<7>(); break;
    case 8: f.template operator()<8>(); break;
    case 9: f.template operator()<9>(); break;
    case 10: f.template operator()<10>(); break;
    case 11: f.template operator()<11>(); break;
    case 12: f.template operator()<12>(); break;
    case 13: f.template operator()<13>(); break;
    case 14: f.template operator()<14>(); break;
    case 15: f.template operator()<15>(); break;
    case 16: f.template operator()<16>(); break;
    case 17: f.template operator()<17>(); break;
    case 18: f.template operator()<18>(); break;
    case 19: f.template operator()<19>(); break;
    case 20: f.template operator()<20>(); break;
    case 32: f.template operator()<32>(); break;
    default: f.template operator()<2>(); break;
  }
}

struct ProcessOne
{
  ValveStage& s;
  double* p;
  int n;
  template <unsigned N> void operator()() const { ProcessFactor<N>(s, p, n); }
};

#ifdef CINDERPATH_HAVE_PAIR
struct ProcessTwo
{
  ValveStage& a;
  ValveStage& b;
  double* l;
  double* r;
  int n;
  template <unsigned N> void operator()() const { ProcessFactorPair<N>(a, b, l, r, n); }
};
#endif


// Processes a block of one stage at an oversampling factor of 2 or more.
CINDERPATH_INLINE void KernelProcess(ValveStage& s, double* p, int nFrames)
{
  DispatchFactor(s.mFactor, ProcessOne{s, p, nFrames});
}

#ifdef CINDERPATH_HAVE_PAIR
// The two stages at factor 1 (ValveStage::Process: a four-sample delay and
// the shaper), one channel per lane, their histories in locals for a block.
struct FactorOnePair
{
  DoublePair gain, k, km1;
  double hl[8], hr[8];
  uint32_t pl, pr;

  FactorOnePair(const ValveStage& a, const ValveStage& b)
      : gain{a.mGain, b.mGain}, k{a.mCurve, b.mCurve}, km1{a.mCurve - 1.0, b.mCurve - 1.0}, pl(a.mHistoryPos),
        pr(b.mHistoryPos)
  {
    for (int j = 0; j < 8; ++j) hl[j] = a.mHistory[j], hr[j] = b.mHistory[j];
  }

  void Store(ValveStage& a, ValveStage& b) const
  {
    for (int j = 0; j < 8; ++j) a.mHistory[j] = hl[j], b.mHistory[j] = hr[j];
    a.mHistoryPos = pl;
    b.mHistoryPos = pr;
  }

  CINDERPATH_INLINE DoublePair Run(DoublePair x)
  {
    ++pl, ++pr;
    hl[pl & 7u] = x[0];
    hr[pr & 7u] = x[1];
    return BiasT(ShapeT(gain * DoublePair{hl[(pl + 4u) & 7u], hr[(pr + 4u) & 7u]}), k, km1);
  }
};

// Processes a block of two stages with the same factor (2 or more).
CINDERPATH_INLINE void KernelProcessPair(ValveStage& a, ValveStage& b, double* l, double* r, int nFrames)
{
  DispatchFactor(a.mFactor, ProcessTwo{a, b, l, r, nFrames});
}
#endif

}  // namespace
}  // namespace cinderpath_dsp

#endif
