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
// and every slot costs one chain instead of two.
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

// How many sub-samples the decimator lanes trail the interpolator lanes. The
// shaper and the decimator's input part take about three recursion steps.
constexpr unsigned kPipeLead = 4;

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

enum PipeKind
{
  kPipePrologue,  // a block's first groups: the decimator has not started
  kPipeSteady,    // both filters step in every slot
  kPipeEpilogue   // after a block's last group: the decimator catches up
};

// Host samples in and out: one channel (double) or two (DoublePair).
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

// Slot J of group iteration g (G: the iteration's index within the prologue
// or epilogue). The interpolator steps sub-sample g·N + J, the decimator
// sub-sample g·N + J - L. `q` holds the shaped interpolator outputs that the
// decimator has not taken yet, oldest first. The decimator's output for a
// group's sub-sample 0 is the stage's output for that host sample.
template <unsigned N, unsigned L, PipeKind Kind, unsigned G, unsigned J, typename H>
CINDERPATH_INLINE void PipeSlot(PipeRegs<H>& r, H (&q)[L], const PipeIO<H>& io, int g)
{
  if constexpr (J < N)
  {
    constexpr unsigned s = G * N + J;
    constexpr bool up = Kind != kPipeEpilogue;
    constexpr bool down = Kind == kPipeSteady || (Kind == kPipePrologue ? s >= L : s < L);
    constexpr unsigned queued = Kind == kPipeSteady ? L : Kind == kPipePrologue ? (s < L ? s : L) : (s < L ? L - s : 0);
    if constexpr (up || down)
    {
      H upIn{};
      if constexpr (up && J == 0) upIn = Splat<H>(double(N)) * io.Load(g);
      H downIn{};
      if constexpr (down)
      {
        downIn = q[0];
        for (unsigned i = 0; i + 1 < queued; ++i) q[i] = q[i + 1];
      }
      constexpr int pos = J < 8 ? int(J) : 8;
      const typename PipeLanes<H>::F out = PipeStep<pos, up, down>(r, upIn, downIn);
      if constexpr (up)
      {
        const H u = PipeLanes<H>::Up(out);
        q[down ? queued - 1 : queued] = BiasT(ShapeT(r.gain * u), r.k, r.km1);
      }
      if constexpr (down && J == L % N) io.Store(g - int(L / N), PipeLanes<H>::Down(out));
    }
    PipeSlot<N, L, Kind, G, J + 1>(r, q, io, g);
  }
}

// The prologue or epilogue iterations G ... K - 1 (K = ceil(L / N)), the
// first at iteration index g.
template <unsigned N, unsigned L, PipeKind Kind, unsigned G, typename H>
CINDERPATH_INLINE void PipeEdge(PipeRegs<H>& r, H (&q)[L], const PipeIO<H>& io, int g)
{
  if constexpr (G < (L + N - 1) / N)
  {
    PipeSlot<N, L, Kind, G, 0>(r, q, io, g);
    PipeEdge<N, L, Kind, G + 1>(r, q, io, g + 1);
  }
}

// Loads the stage(s) into the fused state.
CINDERPATH_INLINE void LoadPipe(PipeRegs<double>& r, const ValveStage& s)
{
  OverCoef<double> cu, cd;
  OverWin<double> wu, wd;
  LoadCoef(cu, s.mUp);
  LoadCoef(cd, s.mDown);
  LoadWin(wu, s.mUp);
  LoadWin(wd, s.mDown);
  for (int i = 0; i < 7; ++i) r.a[i] = PipeLanes<double>::Join(cu.a[i], cd.a[i]);
  for (int i = 0; i < 4; ++i)
  {
    r.bu[i] = cu.b[i];
    r.bd[i] = cd.b[i];
  }
  for (int i = 0; i < 8; ++i)
  {
    r.xu[i] = wu.x[i];
    r.xd[i] = wd.x[i];
    r.y[i] = PipeLanes<double>::Join(wu.y[i], wd.y[i]);
  }
  r.gain = s.mGain;
  r.k = s.mCurve;
  r.km1 = s.mCurve - 1.0;
}

CINDERPATH_INLINE void StorePipe(ValveStage& s, const PipeRegs<double>& r, uint32_t steps)
{
  OverWin<double> wu, wd;
  for (int i = 0; i < 8; ++i)
  {
    wu.x[i] = r.xu[i];
    wd.x[i] = r.xd[i];
    wu.y[i] = PipeLanes<double>::Up(r.y[i]);
    wd.y[i] = PipeLanes<double>::Down(r.y[i]);
  }
  StoreWin(s.mUp, wu, steps);
  StoreWin(s.mDown, wd, steps);
}

CINDERPATH_INLINE void LoadPipe(PipeRegs<DoublePair>& r, const ValveStage& a, const ValveStage& b)
{
  OverCoef<DoublePair> cu, cd;
  OverWin<DoublePair> wu, wd;
  LoadCoef(cu, a.mUp, b.mUp);
  LoadCoef(cd, a.mDown, b.mDown);
  LoadWin(wu, a.mUp, b.mUp);
  LoadWin(wd, a.mDown, b.mDown);
  for (int i = 0; i < 7; ++i) r.a[i] = PipeLanes<DoublePair>::Join(cu.a[i], cd.a[i]);
  for (int i = 0; i < 4; ++i)
  {
    r.bu[i] = cu.b[i];
    r.bd[i] = cd.b[i];
  }
  for (int i = 0; i < 8; ++i)
  {
    r.xu[i] = wu.x[i];
    r.xd[i] = wd.x[i];
    r.y[i] = PipeLanes<DoublePair>::Join(wu.y[i], wd.y[i]);
  }
  r.gain = DoublePair{a.mGain, b.mGain};
  r.k = DoublePair{a.mCurve, b.mCurve};
  r.km1 = DoublePair{a.mCurve - 1.0, b.mCurve - 1.0};
}

CINDERPATH_INLINE void StorePipe(ValveStage& a, ValveStage& b, const PipeRegs<DoublePair>& r, uint32_t steps)
{
  OverWin<DoublePair> wu, wd;
  for (int i = 0; i < 8; ++i)
  {
    wu.x[i] = r.xu[i];
    wd.x[i] = r.xd[i];
    wu.y[i] = PipeLanes<DoublePair>::Up(r.y[i]);
    wd.y[i] = PipeLanes<DoublePair>::Down(r.y[i]);
  }
  StoreWin(a.mUp, b.mUp, wu, steps);
  StoreWin(a.mDown, b.mDown, wd, steps);
}

// A block of host samples through the fused pipeline; needs at least
// ceil(L / N) samples (the prologue's groups).
template <unsigned N, unsigned L, typename H>
CINDERPATH_INLINE void PipeBlock(PipeRegs<H>& r, const PipeIO<H>& io, int nFrames)
{
  constexpr int kEdge = int((L + N - 1) / N);
  H q[L];
  for (unsigned i = 0; i < L; ++i) q[i] = H{};
  PipeEdge<N, L, kPipePrologue, 0>(r, q, io, 0);
  for (int g = kEdge; g < nFrames; ++g) PipeSlot<N, L, kPipeSteady, 0, 0>(r, q, io, g);
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
