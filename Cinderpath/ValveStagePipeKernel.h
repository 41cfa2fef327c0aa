#ifndef CINDERPATH_VALVESTAGEPIPEKERNEL_H
#define CINDERPATH_VALVESTAGEPIPEKERNEL_H

// Internal to the DSP library: the valve stage's oversampled path with the
// interpolator and the decimator side by side in one vector. Each
// sub-sample's cost is bounded by the recursion of the filters (one multiply
// and seven dependent subtractions from one output to the next); run one
// after the other, the two filters' recursions make two such chains per
// sub-sample. Here one vector holds both filters (and, for two channels,
// both channels): lanes [up, down] for one stage, [up L, up R, down L,
// down R] for two. The decimator lanes run kPipeLead sub-samples behind the
// interpolator lanes, so the shaper between them has that long to finish,
// and every slot costs one chain instead of two. The shaper itself is cut
// into four phases, one per slot (PipePart): written all in one slot, its
// long chain kept a few slots of waiting instructions in the processor's
// scheduler, which filled and stalled the recursion (about 20 % at factor
// 16 and 30 % at factor 2 on the machine it was measured on).
//
// Every filter still takes its own steps in its own order with the same
// arithmetic per lane (input part, then a1·y(n-1) first, a7·y(n-7) last), and
// the shaper sees the same values, so the bits are those of the other
// builds. Compiled (with internal linkage) into the file built for AVX2;
// see ValveStageKernel.h for why.

#include "ValveStageKernel.h"

#ifdef CINDERPATH_HAVE_PAIR

namespace cinderpath_dsp {
namespace {

// Four doubles (256 bits): interpolator lanes 0-1, decimator lanes 2-3.
typedef double DoubleQuad __attribute__((vector_size(32)));

// How many sub-samples the decimator lanes trail the interpolator lanes: one
// slot per shaper phase. The shaper and the decimator's input part take
// about three recursion steps.
constexpr unsigned kPipeLead = 4;

// The shortest block the pipeline takes at every factor (ceil(kPipeLead / 2)).
constexpr int kPipeMinFrames = 2;

// Input part of a filter step of group position J < 8 (as the one-filter
// step computes it): pairs of symmetric taps, b0 pair first, leaving out the
// terms with the group's zeros (x(n-i), i < J).
template <int J, typename T>
CINDERPATH_INLINE T PipeInput(const T* b, const T* x)
{
  static_assert(J >= 0 && J < 8, "positions 8 and later have no input part");
  T acc = J < 1 ? b[0] * (x[0] + x[7]) : b[0] * x[7];
  if constexpr (J < 7) acc = acc + (J < 2 ? b[1] * (x[1] + x[6]) : b[1] * x[6]);
  if constexpr (J < 6) acc = acc + (J < 3 ? b[2] * (x[2] + x[5]) : b[2] * x[5]);
  if constexpr (J < 5) acc = acc + (J < 4 ? b[3] * (x[3] + x[4]) : b[3] * x[4]);
  return acc;
}

// Shifts `in` into a window of eight (index 0 the newest).
template <typename T>
CINDERPATH_INLINE void PipeShift(T* w, T in)
{
  for (int i = 7; i > 0; --i) w[i] = w[i - 1];
  w[0] = in;
}

// Lane layout of the fused vector F for the channel type H (double: one
// stage; DoublePair: two stages).
template <typename H> struct PipeLanes;

template <> struct PipeLanes<double>
{
  typedef DoublePair F;
  static CINDERPATH_INLINE F Join(double up, double down) { return F{up, down}; }
  static CINDERPATH_INLINE double Up(F f) { return f[0]; }
  static CINDERPATH_INLINE double Down(F f) { return f[1]; }
  // Interpolator lanes of `a`, decimator lanes of `b`.
  static CINDERPATH_INLINE F UpOfFirst(F a, F b) { return __builtin_shufflevector(a, b, 0, 3); }
  // Decimator lanes of `a`, interpolator lanes of `b`.
  static CINDERPATH_INLINE F DownOfFirst(F a, F b) { return __builtin_shufflevector(a, b, 2, 1); }
};

template <> struct PipeLanes<DoublePair>
{
  typedef DoubleQuad F;
  static CINDERPATH_INLINE F Join(DoublePair up, DoublePair down) { return __builtin_shufflevector(up, down, 0, 1, 2, 3); }
  static CINDERPATH_INLINE DoublePair Up(F f) { return __builtin_shufflevector(f, f, 0, 1); }
  static CINDERPATH_INLINE DoublePair Down(F f) { return __builtin_shufflevector(f, f, 2, 3); }
  static CINDERPATH_INLINE F UpOfFirst(F a, F b) { return __builtin_shufflevector(a, b, 0, 1, 6, 7); }
  static CINDERPATH_INLINE F DownOfFirst(F a, F b) { return __builtin_shufflevector(a, b, 4, 5, 2, 3); }
};

// The fused state of one stage (H = double) or two (H = DoublePair).
template <typename H>
struct PipeRegs
{
  typedef typename PipeLanes<H>::F F;
  F a[7];           // a1 ... a7 of the interpolator (up lanes) and decimator
  H bu[4], bd[4];   // b0 ... b3 of the interpolator and of the decimator
  H xu[8], xd[8];   // input windows, index 0 the newest
  F y[8];           // output windows of both filters, index 0 the newest
  H gain, k, km1;   // stage settings per channel
};

// One time slot: interpolator step of group position J (when UP) and a full
// decimator step with input `downIn` (when DOWN), fused in one vector.
// Lanes of a filter that does not step keep their state. Returns the
// vector of both outputs.
template <int J, bool UP, bool DOWN, typename H>
CINDERPATH_INLINE typename PipeLanes<H>::F PipeStep(PipeRegs<H>& r, H upIn, H downIn)
{
  typedef PipeLanes<H> P;
  typedef typename P::F F;
  H iu{}, id{};
  if constexpr (UP)
  {
    PipeShift(r.xu, upIn);
    if constexpr (J < 8) iu = PipeInput<J>(r.bu, r.xu);
  }
  if constexpr (DOWN)
  {
    PipeShift(r.xd, downIn);
    id = PipeInput<0>(r.bd, r.xd);
  }
  F* y = r.y;
  const F t = r.a[0] * y[0];
  F acc;
  if constexpr (UP && J >= 8)
    acc = P::UpOfFirst(-t, P::Join(iu, id) - t);  // no input part: -(a1·y(n-1))
  else
    acc = P::Join(iu, id) - t;
  acc = acc - r.a[1] * y[1];
  acc = acc - r.a[2] * y[2];
  acc = acc - r.a[3] * y[3];
  acc = acc - r.a[4] * y[4];
  acc = acc - r.a[5] * y[5];
  acc = acc - r.a[6] * y[6];
  if constexpr (UP && DOWN)
  {
    PipeShift(y, acc);
  }
  else
  {
    F shifted[8];
    for (int i = 0; i < 8; ++i) shifted[i] = y[i];
    PipeShift(shifted, acc);
    for (int i = 0; i < 8; ++i) y[i] = UP ? P::UpOfFirst(shifted[i], y[i]) : P::DownOfFirst(shifted[i], y[i]);
  }
  return acc;
}

// The windows in the steady state: shifting eight-sample windows in the
// registers costs more moves than there are registers for, and the spilled
// windows then moved through memory on every slot. Here every slot writes
// its inputs and output once to an entry of a ring and the taps are read
// back from the entries before it; only the newest output, the one the
// recursion waits on, stays in a register. The ring is kPipeRingRun entries
// past its history of eight; when a frame would run past that, the last
// eight entries move back to the start (once every few dozen slots).
template <typename H>
struct PipeRingEntry
{
  H xu, xd;                       // the filters' inputs of this slot
  typename PipeLanes<H>::F y;     // both filters' outputs of this slot
};

// The factors that run on the ring. At higher factors most slots have no
// interpolator input and the windows fit the registers well enough; there
// the ring's loads and stores cost more than they save (measured with AVX2:
// about 12 % faster at factor 2, 6 % at 4, even at 8, 5 % slower at 16). A
// build with 32 vector registers keeps the windows in registers at every
// factor (it defines the macro as 1: with the chain's filters in the same
// loop, about 7 % faster at factor 2 than on the ring).
#ifndef CINDERPATH_PIPE_RING_MAX_FACTOR
#define CINDERPATH_PIPE_RING_MAX_FACTOR 4
#endif
constexpr unsigned kPipeRingMaxFactor = CINDERPATH_PIPE_RING_MAX_FACTOR;

constexpr int kPipeRingRun = 64;
// History, run and the longest frame on the ring.
constexpr int kPipeRingSize = 8 + kPipeRingRun + int(kPipeRingMaxFactor);

template <typename H>
struct PipeRing
{
  PipeRingEntry<H> e[kPipeRingSize];
  PipeRingEntry<H>* at;             // the entry of the next slot
  typename PipeLanes<H>::F y0;      // the newest output (at[-1].y)

  // Takes the windows from the fused state (index 0 the newest).
  CINDERPATH_INLINE void Enter(const PipeRegs<H>& r)
  {
    for (int i = 0; i < 8; ++i)
    {
      e[7 - i].xu = r.xu[i];
      e[7 - i].xd = r.xd[i];
      e[7 - i].y = r.y[i];
    }
    at = e + 8;
    y0 = r.y[0];
  }

  // Gives the windows back to the fused state.
  CINDERPATH_INLINE void Leave(PipeRegs<H>& r) const
  {
    for (int i = 0; i < 8; ++i)
    {
      r.xu[i] = at[-1 - i].xu;
      r.xd[i] = at[-1 - i].xd;
      r.y[i] = at[-1 - i].y;
    }
  }

  // Before a frame: room for its slots.
  CINDERPATH_INLINE void Room()
  {
    if (at - e < 8 + kPipeRingRun) return;
    for (int i = 0; i < 8; ++i) e[i] = at[i - 8];
    at = e + 8;
  }
};

// A steady slot (both filters step) on the ring: the same operations in the
// same order as PipeStep<J, true, true>.
template <int J, typename H>
CINDERPATH_INLINE typename PipeLanes<H>::F PipeRingStep(const PipeRegs<H>& r, PipeRing<H>& w, H upIn, H downIn)
{
  typedef PipeLanes<H> P;
  typedef typename P::F F;
  PipeRingEntry<H>* at = w.at;
  H iu{};
  // The windows: the slot's input, then those of the entries before it.
  H xu[8], xd[8];
  xu[0] = upIn;
  xd[0] = downIn;
  for (int i = 1; i < 8; ++i)
  {
    xu[i] = at[-i].xu;
    xd[i] = at[-i].xd;
  }
  if constexpr (J < 8) iu = PipeInput<J>(r.bu, xu);
  const H id = PipeInput<0>(r.bd, xd);
  at->xu = upIn;
  at->xd = downIn;
  const F t = r.a[0] * w.y0;
  F acc;
  if constexpr (J >= 8)
    acc = P::UpOfFirst(-t, P::Join(iu, id) - t);
  else
    acc = P::Join(iu, id) - t;
  acc = acc - r.a[1] * at[-2].y;
  acc = acc - r.a[2] * at[-3].y;
  acc = acc - r.a[3] * at[-4].y;
  acc = acc - r.a[4] * at[-5].y;
  acc = acc - r.a[5] * at[-6].y;
  acc = acc - r.a[6] * at[-7].y;
  at->y = acc;
  w.y0 = acc;
  w.at = at + 1;
  return acc;
}

enum PipeKind
{
  kPipePrologue,  // a block's first groups: the decimator has not started
  kPipeSteady,    // both filters step in every slot
  kPipeEpilogue   // after a block's last group: the decimator catches up
};

// Host samples in and out: one channel (double) or two (DoublePair). A
// pipeline takes its input samples with Load(i) and hands its outputs to
// Store(i, v), each once per host sample and in order (Store trailing Load);
// other IO types of the same shape can run more work in the same loop.
template <typename H> struct PipeIO;

template <> struct PipeIO<double>
{
  double* p;
  CINDERPATH_INLINE double Load(int i) const { return p[i]; }
  CINDERPATH_INLINE void Store(int i, double v) const { p[i] = v; }
};

template <> struct PipeIO<DoublePair>
{
  double* l;
  double* r;
  CINDERPATH_INLINE DoublePair Load(int i) const { return DoublePair{l[i], r[i]}; }
  CINDERPATH_INLINE void Store(int i, DoublePair v) const
  {
    l[i] = v[0];
    r[i] = v[1];
  }
};

// The shaper's clipping, as ShapeT does it: +1 where v > 3.375, -1 where
// v < -3.375, otherwise `p`, the polynomials' value for v (NaN keeps p).
CINDERPATH_INLINE double ClipT(double v, double p)
{
  return v > kEdge ? 1.0 : (v < -kEdge ? -1.0 : p);
}

CINDERPATH_INLINE DoublePair ClipT(DoublePair v, DoublePair p)
{
  const DoublePair hi = (DoublePair)(v > Splat<DoublePair>(kEdge)), lo = (DoublePair)(v < Splat<DoublePair>(-kEdge));
  return SelectPair(lo, Splat<DoublePair>(-1.0), SelectPair(hi, Splat<DoublePair>(1.0), p));
}

// A sub-sample between the interpolator and the decimator: the shaper and
// the bias curve run in phases, one per time slot, so that each slot's
// instructions are those whose inputs are about ready (the processor's
// scheduler then holds a few slots' work instead of waiting on long chains).
// `v0` is the amplified input (for the clipping tests), `v` the value so far.
template <typename H>
struct PipePart
{
  H v0, v;
};

// Phase K of a sub-sample: 0 amplifies and runs the first cubic stage, 1 the
// second, 2 the third and the clipping, 3 the bias curve; later phases do
// nothing. The same operations in the same order as ShapeT and BiasT.
template <unsigned K, typename H>
CINDERPATH_INLINE void PipePhase(const PipeRegs<H>& r, PipePart<H>& p)
{
  if constexpr (K == 0)
  {
    p.v0 = r.gain * p.v;
    p.v = p.v0 - Splat<H>(kC1) * (p.v0 * p.v0 * p.v0);
  }
  else if constexpr (K == 1)
    p.v = p.v - Splat<H>(kC2) * (p.v * p.v * p.v);
  else if constexpr (K == 2)
    p.v = ClipT(p.v0, p.v - Splat<H>(kC3) * (p.v * p.v * p.v));
  else if constexpr (K == 3)
    p.v = BiasT(p.v, r.k, r.km1);
}

// Advances the parts of ages I ... 0 (q[i]: made i + 1 slots ago) by one
// phase each, oldest first, moving each one place along; a part exists in
// slot s of an edge iteration as described in PipeSlot.
template <int I, unsigned L, PipeKind Kind, unsigned S, typename H>
CINDERPATH_INLINE void PipeAge(const PipeRegs<H>& r, PipePart<H> (&q)[L])
{
  if constexpr (I >= 0)
  {
    constexpr bool exists = Kind == kPipeSteady || (Kind == kPipePrologue ? S >= unsigned(I) + 1 : S < unsigned(I) + 1);
    if constexpr (exists)
    {
      PipePhase<unsigned(I) + 1>(r, q[I]);
      q[I + 1] = q[I];
    }
    PipeAge<I - 1, L, Kind, S>(r, q);
  }
}

// Slot J of group iteration g (G: the iteration's index within the prologue
// or epilogue). The interpolator steps sub-sample g·N + J, the decimator
// sub-sample g·N + J - L. q[i] holds the sub-sample the interpolator made
// i + 1 slots ago, its first i + 1 phases done; q[L - 1] is complete and
// goes to the decimator. In slot s of the prologue only those made in it
// exist, in the epilogue only those made before it. The decimator's output
// for a group's sub-sample 0 is the stage's output for that host sample.
template <unsigned N, unsigned L, PipeKind Kind, unsigned G, unsigned J, typename H, typename IO>
CINDERPATH_INLINE void PipeSlot(PipeRegs<H>& r, PipePart<H> (&q)[L], const IO& io, int g)
{
  if constexpr (J < N)
  {
    constexpr unsigned s = G * N + J;
    constexpr bool up = Kind != kPipeEpilogue;
    constexpr bool down = Kind == kPipeSteady || (Kind == kPipePrologue ? s >= L : s < L);
    if constexpr (up || down)
    {
      H upIn{};
      if constexpr (up && J == 0) upIn = Splat<H>(double(N)) * io.Load(g);
      H downIn{};
      if constexpr (down) downIn = q[L - 1].v;
      constexpr int pos = J < 8 ? int(J) : 8;
      const typename PipeLanes<H>::F out = PipeStep<pos, up, down>(r, upIn, downIn);
      PipeAge<int(L) - 2, L, Kind, s>(r, q);
      if constexpr (up)
      {
        q[0].v = PipeLanes<H>::Up(out);
        PipePhase<0>(r, q[0]);
      }
      if constexpr (down && J == L % N) io.Store(g - int(L / N), PipeLanes<H>::Down(out));
    }
    PipeSlot<N, L, Kind, G, J + 1>(r, q, io, g);
  }
}

// Slot J of a steady frame g on the ring, as PipeSlot<N, L, kPipeSteady>.
template <unsigned N, unsigned L, unsigned J, typename H, typename IO>
CINDERPATH_INLINE void PipeRingSlot(const PipeRegs<H>& r, PipeRing<H>& w, PipePart<H> (&q)[L], const IO& io, int g)
{
  if constexpr (J < N)
  {
    H upIn{};
    if constexpr (J == 0) upIn = Splat<H>(double(N)) * io.Load(g);
    const H downIn = q[L - 1].v;
    constexpr int pos = J < 8 ? int(J) : 8;
    const typename PipeLanes<H>::F out = PipeRingStep<pos>(r, w, upIn, downIn);
    PipeAge<int(L) - 2, L, kPipeSteady, 0>(r, q);
    q[0].v = PipeLanes<H>::Up(out);
    PipePhase<0>(r, q[0]);
    if constexpr (J == L % N) io.Store(g - int(L / N), PipeLanes<H>::Down(out));
    PipeRingSlot<N, L, J + 1>(r, w, q, io, g);
  }
}

// The prologue or epilogue iterations G ... K - 1 (K = ceil(L / N)), the
// first at iteration index g.
template <unsigned N, unsigned L, PipeKind Kind, unsigned G, typename H, typename IO>
CINDERPATH_INLINE void PipeEdge(PipeRegs<H>& r, PipePart<H> (&q)[L], const IO& io, int g)
{
  if constexpr (G < (L + N - 1) / N)
  {
    PipeSlot<N, L, Kind, G, 0>(r, q, io, g);
    PipeEdge<N, L, Kind, G + 1>(r, q, io, g + 1);
  }
}

// Moves both filters' coefficients and windows (of one stage or, lane by
// lane, of two) into the fused state, and back.
template <typename H>
CINDERPATH_INLINE void FusePipe(PipeRegs<H>& r, const OverCoef<H>& cu, const OverCoef<H>& cd, const OverWin<H>& wu,
                                const OverWin<H>& wd)
{
  for (int i = 0; i < 7; ++i) r.a[i] = PipeLanes<H>::Join(cu.a[i], cd.a[i]);
  for (int i = 0; i < 4; ++i)
  {
    r.bu[i] = cu.b[i];
    r.bd[i] = cd.b[i];
  }
  for (int i = 0; i < 8; ++i)
  {
    r.xu[i] = wu.x[i];
    r.xd[i] = wd.x[i];
    r.y[i] = PipeLanes<H>::Join(wu.y[i], wd.y[i]);
  }
}

template <typename H>
CINDERPATH_INLINE void SplitPipe(const PipeRegs<H>& r, OverWin<H>& wu, OverWin<H>& wd)
{
  for (int i = 0; i < 8; ++i)
  {
    wu.x[i] = r.xu[i];
    wd.x[i] = r.xd[i];
    wu.y[i] = PipeLanes<H>::Up(r.y[i]);
    wd.y[i] = PipeLanes<H>::Down(r.y[i]);
  }
}

// Loads one stage into the fused state.
CINDERPATH_INLINE void LoadPipe(PipeRegs<double>& r, const ValveStage& s)
{
  OverCoef<double> cu, cd;
  OverWin<double> wu, wd;
  LoadCoef(cu, s.mUp);
  LoadCoef(cd, s.mDown);
  LoadWin(wu, s.mUp);
  LoadWin(wd, s.mDown);
  FusePipe(r, cu, cd, wu, wd);
  r.gain = s.mGain;
  r.k = s.mCurve;
  r.km1 = s.mCurve - 1.0;
}

CINDERPATH_INLINE void StorePipe(ValveStage& s, const PipeRegs<double>& r, uint32_t steps)
{
  OverWin<double> wu, wd;
  SplitPipe(r, wu, wd);
  StoreWin(s.mUp, wu, steps);
  StoreWin(s.mDown, wd, steps);
}

// Loads two stages, lane by lane, into the fused state.
CINDERPATH_INLINE void LoadPipe(PipeRegs<DoublePair>& r, const ValveStage& a, const ValveStage& b)
{
  OverCoef<DoublePair> cu, cd;
  OverWin<DoublePair> wu, wd;
  LoadCoef(cu, a.mUp, b.mUp);
  LoadCoef(cd, a.mDown, b.mDown);
  LoadWin(wu, a.mUp, b.mUp);
  LoadWin(wd, a.mDown, b.mDown);
  FusePipe(r, cu, cd, wu, wd);
  r.gain = DoublePair{a.mGain, b.mGain};
  r.k = DoublePair{a.mCurve, b.mCurve};
  r.km1 = DoublePair{a.mCurve - 1.0, b.mCurve - 1.0};
}

CINDERPATH_INLINE void StorePipe(ValveStage& a, ValveStage& b, const PipeRegs<DoublePair>& r, uint32_t steps)
{
  OverWin<DoublePair> wu, wd;
  SplitPipe(r, wu, wd);
  StoreWin(a.mUp, b.mUp, wu, steps);
  StoreWin(a.mDown, b.mDown, wd, steps);
}

// A block of host samples through the fused pipeline; needs at least
// ceil(L / N) samples (the prologue's groups), kPipeMinFrames for any
// factor.
template <unsigned N, unsigned L, typename H, typename IO>
CINDERPATH_INLINE void PipeBlock(PipeRegs<H>& r, const IO& io, int nFrames)
{
  constexpr int kEdge = int((L + N - 1) / N);
  static_assert(L >= 4, "the shaper's four phases need a lead of four sub-samples");
  PipePart<H> q[L];
  for (unsigned i = 0; i < L; ++i) q[i] = PipePart<H>{H{}, H{}};
  PipeEdge<N, L, kPipePrologue, 0>(r, q, io, 0);
  if constexpr (N <= kPipeRingMaxFactor)
  {
    PipeRing<H> w;
    w.Enter(r);
    for (int g = kEdge; g < nFrames; ++g)
    {
      w.Room();
      PipeRingSlot<N, L, 0>(r, w, q, io, g);
    }
    w.Leave(r);
  }
  else
  {
    for (int g = kEdge; g < nFrames; ++g) PipeSlot<N, L, kPipeSteady, 0, 0>(r, q, io, g);
  }
  PipeEdge<N, L, kPipeEpilogue, 0>(r, q, io, nFrames);
}

// Blocks too short to fill the pipeline are left to the caller (false).
template <unsigned N, unsigned L = kPipeLead>
bool PipeProcessFactor(ValveStage& s, double* p, int nFrames)
{
  if (nFrames < int((L + N - 1) / N)) return false;
  PipeRegs<double> r;
  LoadPipe(r, s);
  PipeBlock<N, L>(r, PipeIO<double>{p}, nFrames);
  StorePipe(s, r, N * uint32_t(nFrames));
  return true;
}

template <unsigned N, unsigned L = kPipeLead>
bool PipeProcessFactorPair(ValveStage& a, ValveStage& b, double* l, double* rr, int nFrames)
{
  if (nFrames < int((L + N - 1) / N)) return false;
  PipeRegs<DoublePair> r;
  LoadPipe(r, a, b);
  PipeBlock<N, L>(r, PipeIO<DoublePair>{l, rr}, nFrames);
  StorePipe(a, b, r, N * uint32_t(nFrames));
  return true;
}

// Calls f.template operator()<N>() for the factors the plug-in selects (2 ...
// 16) and for those that run the factor-2 path (0, 21 ... 31, above 32), and
// returns what it returns. Factors 17 ... 20 and 32 are never selected by the
// plug-in; they are left to the caller's baseline build (false), which keeps
// this file, compiled once more for a wider instruction set, small.
template <typename F>
CINDERPATH_INLINE bool DispatchPipeFactor(uint32_t factor, F&& f)
{
  switch (factor)
  {
    case 3: return f.template operator()<3>();
    case 4: return f.template operator()<4>();
    case 5: return f.template operator()<5>();
    case 6: return f.template operator()<6>();
    case 7: return f.template operator()<7>();
    case 8: return f.template operator()<8>();
    case 9: return f.template operator()<9>();
    case 10: return f.template operator()<10>();
    case 11: return f.template operator()<11>();
    case 12: return f.template operator()<12>();
    case 13: return f.template operator()<13>();
    case 14: return f.template operator()<14>();
    case 15: return f.template operator()<15>();
    case 16: return f.template operator()<16>();
    case 17: case 18: case 19: case 20: case 32: return false;
    default: return f.template operator()<2>();
  }
}

struct PipeOne
{
  ValveStage& s;
  double* p;
  int n;
  template <unsigned N> bool operator()() const { return PipeProcessFactor<N>(s, p, n); }
};

struct PipeTwo
{
  ValveStage& a;
  ValveStage& b;
  double* l;
  double* r;
  int n;
  template <unsigned N> bool operator()() const { return PipeProcessFactorPair<N>(a, b, l, r, n); }
};

// One stage at a factor of 2 or more, interpolator and decimator fused.
// False (nothing done) when the factor or the block is left to the caller.
CINDERPATH_INLINE bool PipeProcess(ValveStage& s, double* p, int nFrames)
{
  return DispatchPipeFactor(s.mFactor, PipeOne{s, p, nFrames});
}

// Two stages with the same factor (2 or more), four lanes; false as above.
CINDERPATH_INLINE bool PipeProcessPair(ValveStage& a, ValveStage& b, double* l, double* r, int nFrames)
{
  return DispatchPipeFactor(a.mFactor, PipeTwo{a, b, l, r, nFrames});
}

}  // namespace
}  // namespace cinderpath_dsp

#endif
#endif
