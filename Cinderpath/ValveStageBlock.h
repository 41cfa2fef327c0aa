#ifndef CINDERPATH_VALVESTAGEBLOCK_H
#define CINDERPATH_VALVESTAGEBLOCK_H

// Internal to the DSP library: the valve stage's block path, both channels
// of a stage pair with the filters in modal form (OverModal.h). Written once
// over the vector type V that holds two sub-samples of both channels: Two
// (two 128-bit vectors) in the baseline build, Quad (one 256-bit vector) in
// the build for processors with AVX2. Both run the same IEEE operations in
// the same order on every lane (no contraction), so they give the same bits.
// Everything here has internal linkage, as the library compiles it once per
// instruction set; keep it free of headers with out-of-line inline functions
// (a copy built for AVX2 could otherwise be linked into the rest).

#include "OverKernel.h"  // CINDERPATH_INLINE
#include "OverModal.h"
#include "ValveStage.h"

// The 256-bit vectors below never cross a function boundary (everything that
// takes or returns one is inlined), so the note that their passing differs
// with and without AVX does not apply.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
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

// Modal state components smaller than this are set to zero after every
// kFloorGroups-th host sample of a stage's stream. Without it a decaying
// mode could settle on the smallest numbers (rounding to nearest keeps
// x·|p| == x there) and stay in the subnormal range for good where
// flush-to-zero is off; at -600 dB it is far below anything audible or the
// accuracy of the filters, and no mode falls from there to the subnormal
// range within a few host samples.
constexpr double kModalFloor = 1e-30;
constexpr uint32_t kFloorGroups = 4;

// Host samples at the end of a block that hold the eight sub-samples the
// rings take (WriteRings), from factor 2 up; they must still be in the
// block's buffers when the rings are written.
constexpr int kRingGroups = 4;

// Two doubles in one 128-bit vector, lane 0 the left channel, lane 1 the
// right; and two such pairs, for two sub-samples, in one 256-bit vector
// (two 128-bit halves where the processor has no wider ones). Lane-wise IEEE
// arithmetic without contraction, so every lane gives the same bits in any
// build, scalar or vector.
typedef double Pair __attribute__((vector_size(16)));
typedef long long PairMask __attribute__((vector_size(16)));
typedef double Quad __attribute__((vector_size(32)));
typedef long long QuadMask __attribute__((vector_size(32)));

// Two sub-samples of both channels as two 128-bit vectors: the same lanes
// as Quad, the same operations on each.
struct TwoMask
{
  PairMask a, b;
};
CINDERPATH_INLINE TwoMask operator&(TwoMask x, TwoMask y) { return {x.a & y.a, x.b & y.b}; }
CINDERPATH_INLINE TwoMask operator|(TwoMask x, TwoMask y) { return {x.a | y.a, x.b | y.b}; }
CINDERPATH_INLINE TwoMask operator~(TwoMask x) { return {~x.a, ~x.b}; }

struct Two
{
  Pair a, b;
  explicit operator TwoMask() const { return {(PairMask)a, (PairMask)b}; }
};
CINDERPATH_INLINE Two operator+(Two x, Two y) { return {x.a + y.a, x.b + y.b}; }
CINDERPATH_INLINE Two operator-(Two x, Two y) { return {x.a - y.a, x.b - y.b}; }
CINDERPATH_INLINE Two operator*(Two x, Two y) { return {x.a * y.a, x.b * y.b}; }
CINDERPATH_INLINE Two operator/(Two x, Two y) { return {x.a / y.a, x.b / y.b}; }
CINDERPATH_INLINE TwoMask operator>(Two x, Two y) { return {x.a > y.a, x.b > y.b}; }
CINDERPATH_INLINE TwoMask operator<(Two x, Two y) { return {x.a < y.a, x.b < y.b}; }

template <typename T> struct MaskOf;
template <> struct MaskOf<Pair> { typedef PairMask Type; };
template <> struct MaskOf<Quad> { typedef QuadMask Type; };
template <> struct MaskOf<Two> { typedef TwoMask Type; };

template <typename T> CINDERPATH_INLINE T Splat(double v);
template <> CINDERPATH_INLINE double Splat<double>(double v) { return v; }
template <> CINDERPATH_INLINE Pair Splat<Pair>(double v) { return Pair{v, v}; }
template <> CINDERPATH_INLINE Quad Splat<Quad>(double v) { return Quad{v, v, v, v}; }
template <> CINDERPATH_INLINE Two Splat<Two>(double v) { return Two{Pair{v, v}, Pair{v, v}}; }

template <typename T, typename M> CINDERPATH_INLINE T FromMask(M m) { return (T)m; }
template <> CINDERPATH_INLINE Two FromMask<Two, TwoMask>(TwoMask m) { return {(Pair)m.a, (Pair)m.b}; }

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
template <typename T>
CINDERPATH_INLINE T ShapeT(T v)
{
  typedef typename MaskOf<T>::Type M;
  const M hi = v > Splat<T>(kEdge);
  const M lo = v < Splat<T>(-kEdge);
  const M p = (M)Poly(v);
  const M one = (M)Splat<T>(1.0), minusOne = (M)Splat<T>(-1.0);
  return FromMask<T>((lo & minusOne) | (~lo & ((hi & one) | (~hi & p))));
}

template <typename T>
CINDERPATH_INLINE T BiasT(T s, T k, T km1)
{
  return km1 * s / (k + s);
}

template <typename V>
CINDERPATH_INLINE V Load4(const double* p)
{
  V v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}

// Lane shuffles. A V holds two halves of two lanes (one per channel): Low
// and High take them out, Twice and Join put them in, Swap exchanges them,
// Halves takes the low half of one vector and the high half of another,
// LowHalves the low halves of both.
template <typename V> CINDERPATH_INLINE V Twice(Pair p);
template <> CINDERPATH_INLINE Quad Twice<Quad>(Pair p) { return __builtin_shufflevector(p, p, 0, 1, 0, 1); }
template <> CINDERPATH_INLINE Two Twice<Two>(Pair p) { return Two{p, p}; }
CINDERPATH_INLINE Pair Low(Quad q) { return __builtin_shufflevector(q, q, 0, 1); }
CINDERPATH_INLINE Pair High(Quad q) { return __builtin_shufflevector(q, q, 2, 3); }
CINDERPATH_INLINE Pair Low(Two q) { return q.a; }
CINDERPATH_INLINE Pair High(Two q) { return q.b; }
template <typename V> CINDERPATH_INLINE V Join(Pair lo, Pair hi);
template <> CINDERPATH_INLINE Quad Join<Quad>(Pair lo, Pair hi) { return __builtin_shufflevector(lo, hi, 0, 1, 2, 3); }
template <> CINDERPATH_INLINE Two Join<Two>(Pair lo, Pair hi) { return Two{lo, hi}; }
CINDERPATH_INLINE Quad Swap(Quad q) { return __builtin_shufflevector(q, q, 2, 3, 0, 1); }
CINDERPATH_INLINE Two Swap(Two q) { return Two{q.b, q.a}; }
CINDERPATH_INLINE Quad Halves(Quad lo, Quad hi) { return __builtin_shufflevector(lo, hi, 0, 1, 6, 7); }
CINDERPATH_INLINE Two Halves(Two lo, Two hi) { return Two{lo.a, hi.b}; }
CINDERPATH_INLINE Quad LowHalves(Quad lo, Quad hi) { return __builtin_shufflevector(lo, hi, 0, 1, 4, 5); }
CINDERPATH_INLINE Two LowHalves(Two lo, Two hi) { return Two{lo.a, hi.a}; }
CINDERPATH_INLINE double Lane(Quad q, int lane) { return q[lane]; }
CINDERPATH_INLINE double Lane(Two q, int lane) { return lane < 2 ? q.a[lane] : q.b[lane - 2]; }

// Components smaller in magnitude than kModalFloor become +0, in the lanes
// set in `on`.
template <typename V, typename M>
CINDERPATH_INLINE V Floor(V v, M on)
{
  const M bits = (M)v;
  const V magnitude = FromMask<V>(bits & ~(M)Splat<V>(-0.0));
  return FromMask<V>(bits & ~((magnitude < Splat<V>(kModalFloor)) & on));
}

// Eight table rows against the state (seven components) and the input,
// summed as a fixed tree.
template <typename T, int W>
CINDERPATH_INLINE T Dot(const double (*c)[W], const T* w, T x)
{
  auto row = [c](int m) {
    T v;
    __builtin_memcpy(&v, c[m], sizeof v);
    return v;
  };
  return ((row(0) * w[0] + row(1) * w[1]) + (row(2) * w[2] + row(3) * w[3])) +
         ((row(4) * w[4] + row(5) * w[5]) + (row(6) * w[6] + row(7) * x));
}

// Vectors of sub-samples the block's buffers hold: two chunks of groups.
constexpr int kBufferVectors = 128;

// The working set of one block of both channels, for groups of P pairs of
// sub-samples (0: as many as the factor needs, (N + 1) / 2). The two
// filters' states share vectors, one per state component, lanes
// {interpolator left and right, decimator left and right}, so that one turn
// by p^N moves both (the two filters have the same poles). The decimator
// runs one chunk of groups behind the interpolator: while the
// interpolator's state turns for group i, the decimator's turns for group
// i - chunk, whose shaped sub-samples were finished a chunk earlier. So the
// shaper, a long chain of dependent operations, lies outside the chain from
// one state to the next and runs over a whole chunk at a time, and neither
// state update waits for it. (The states themselves are the caller's
// locals, so that they stay in registers.)
template <typename V, int P>
struct ModalBlock
{
  typedef typename MaskOf<V>::Type M;

  const OverModal& t;
  unsigned pairs;  // sub-sample pairs per group
  // Groups per chunk: a power of two, a multiple of kFloorGroups and
  // kRingGroups. Eight up to factor 4 (16 or 32 sub-samples, enough to keep
  // the shaper busy), four above (P is 0 from factor 5). No more: a block
  // runs one chunk of the interpolator alone at its start and one of the
  // decimator alone at its end, most of what a call costs on top of its
  // samples (the effect calls the stage every 128 host samples).
  static constexpr int chunk = P == 1 || P == 2 ? 8 : 4;
  static_assert(chunk % kFloorGroups == 0 && chunk >= kRingGroups &&
                    2 * chunk * (P > 0 ? P : kModalMaxFactor / 2) <= kBufferVectors,
                "chunks must keep the floor's phase, hold the rings' groups and fit the buffers");
  // The floor's lanes after a group whose index in the block is i, for
  // i mod kFloorGroups (the two channels' clocks may differ), and whether
  // any lane is set.
  M floorLanes[kFloorGroups];
  bool floorAny[kFloorGroups];
  V u[kBufferVectors];  // interpolated sub-samples of the last two chunks
  V d[kBufferVectors];  // the same, shaped

  ModalBlock(const OverModal& table, uint32_t clockLeft, uint32_t clockRight)
    : t(table), pairs(P > 0 ? unsigned(P) : (table.factor + 1) / 2)
  {
    for (uint32_t i = 0; i < kFloorGroups; ++i)
    {
      const bool left = (clockLeft + i) % kFloorGroups == kFloorGroups - 1;
      const bool right = (clockRight + i) % kFloorGroups == kFloorGroups - 1;
      floorLanes[i] = (M)Twice<V>((Pair)PairMask{left ? -1LL : 0LL, right ? -1LL : 0LL});
      floorAny[i] = left || right;
    }
  }
  unsigned Pairs() const { return P > 0 ? unsigned(P) : pairs; }
  V* Up(int i) { return u + (unsigned(i) & unsigned(2 * chunk - 1)) * Pairs(); }
  V* Down(int i) { return d + (unsigned(i) & unsigned(2 * chunk - 1)) * Pairs(); }
};

// Which filters a step moves on: the interpolator (low lanes), the
// decimator (high lanes) or both.
enum StepKind
{
  kUpOnly,
  kDownOnly,
  kBoth
};

// The states s after group i of the block (of either filter: the decimator
// is a whole number of floor periods behind): W <- p^N·W + add, per mode,
// then the floor where it is due; the lanes of a filter that does not move
// keep their bits.
template <StepKind Kind, typename V, int P>
CINDERPATH_INLINE void Advance(const ModalBlock<V, P>& b, V* s, const V* add, int i)
{
  const OverModal& t = b.t;
  V w[kModalStates];
  for (int k = 0; k < 3; ++k)
  {
    const V re = s[2 * k], im = s[2 * k + 1];
    const V tr = Splat<V>(t.turn[k][0]), ti = Splat<V>(t.turn[k][1]);
    w[2 * k] = (tr * re - ti * im) + add[2 * k];
    w[2 * k + 1] = (ti * re + tr * im) + add[2 * k + 1];
  }
  w[6] = Splat<V>(t.turn[3][0]) * s[6] + add[6];
  const unsigned phase = unsigned(i) % kFloorGroups;
  if (b.floorAny[phase])
    for (int m = 0; m < kModalStates; ++m) w[m] = Floor(w[m], b.floorLanes[phase]);
  for (int m = 0; m < kModalStates; ++m)
    s[m] = Kind == kBoth ? w[m] : Kind == kUpOnly ? Halves(w[m], s[m]) : Halves(s[m], w[m]);
}

// One step of a block on the states s: group i of the interpolator (unless
// Kind is kDownOnly) from the host sample x, its sub-samples written to u
// (two per vector: 2q and 2q + 1 of both channels); group i - chunk (or i,
// for kDownOnly) of the decimator (unless Kind is kUpOnly) from its shaped
// sub-samples d, its kept output (sub-sample 0) returned; then both states
// move on. The interpolator's input to its state is N·p^(N-1)·R·x, the
// decimator's the sum over the sub-samples of p^(N-1-j)·R·d_j, run as two
// partial sums, even and odd sub-samples, added at the end.
template <StepKind Kind, typename V, int P>
CINDERPATH_INLINE Pair Step(const ModalBlock<V, P>& b, V* s, int i, Pair x, V* u, const V* d)
{
  constexpr bool up = Kind != kDownOnly, down = Kind != kUpOnly;
  const OverModal& t = b.t;
  const V x2 = Twice<V>(x);
  V add[kModalStates];
  Pair y{0.0, 0.0};
  if constexpr (P == 1)
  {
    // One pair (factor 2): sub-sample 0 and the kept output come from one
    // dot product with the packed state, sub-sample 1 from a second; both
    // inputs to the states from one pair of products per component.
    const V d0 = down ? d[0] : x2;
    const V head = Dot<V, 4>(t.headOut4[0], s, LowHalves(x2, d0));
    if (up) u[0] = LowHalves(head, Dot<V, 4>(t.headOut4[1], s, x2));
    y = High(head);
    const V xd = Halves(x2, d0), dx = Swap(d0);
    for (int m = 0; m < kModalStates; ++m)
      add[m] = Load4<V>(t.headIn4[0][m]) * xd + Load4<V>(t.headIn4[1][m]) * dx;
  }
  else
  {
    const unsigned pairs = b.Pairs();
    V upAdd[kModalStates], downAdd[kModalStates];
    if (up)
    {
      V w[kModalStates];
      for (int m = 0; m < kModalStates; ++m) w[m] = Twice<V>(Low(s[m]));
      for (unsigned q = 0; q < pairs; ++q) u[q] = Dot<V, 4>(t.upOut4[q], w, x2);
      for (int m = 0; m < kModalStates; ++m) upAdd[m] = Splat<V>(t.upIn[m]) * x2;
    }
    if (down)
    {
      y = High(Dot<V, 4>(t.downOut4, s, Twice<V>(Low(d[0]))));
      V acc[kModalStates];
      for (int m = 0; m < kModalStates; ++m) acc[m] = Load4<V>(t.downIn4[0][m]) * d[0];
      for (unsigned q = 1; q < pairs; ++q)
        for (int m = 0; m < kModalStates; ++m) acc[m] = acc[m] + Load4<V>(t.downIn4[q][m]) * d[q];
      for (int m = 0; m < kModalStates; ++m) downAdd[m] = acc[m] + Swap(acc[m]);
    }
    for (int m = 0; m < kModalStates; ++m) add[m] = !down ? upAdd[m] : !up ? downAdd[m] : Halves(upAdd[m], downAdd[m]);
  }
  Advance<Kind>(b, s, add, i);
  return y;
}

// Shapes the sub-samples of groups [from, to) of one chunk.
template <typename V, int P>
CINDERPATH_INLINE void ShapeGroups(ModalBlock<V, P>& b, int from, int to, V gain, V k, V km1)
{
  const V* u = b.Up(from);
  V* d = b.Down(from);
  const unsigned count = unsigned(to - from) * b.Pairs();
  for (unsigned v = 0; v < count; ++v) d[v] = BiasT(ShapeT(gain * u[v]), k, km1);
}

// Writes sub-samples from..N-1 of group i of a block (x the host input, u
// and d the sub-samples of `channel`) into the stage's rings as the direct
// form would have them: the interpolator's inputs N·x and zeros and its
// outputs, the decimator's inputs. The rings' positions are those before
// the block.
template <typename V>
CINDERPATH_INLINE void WriteRings(ValveStage& s, unsigned n, int i, unsigned from, double x, const V* u, const V* d,
                                  int channel)
{
  const uint32_t base = s.mUp.mPos + n * uint32_t(i);
  const uint32_t baseDown = s.mDown.mPos + n * uint32_t(i);
  for (unsigned j = from; j < n; ++j)
  {
    const uint32_t slot = (base + j + 1) & 7u;
    const int lane = int(j % 2) * 2 + channel;
    s.mUp.mX[slot] = j == 0 ? double(n) * x : 0.0;
    s.mUp.mY[slot] = Lane(u[j / 2], lane);
    s.mDown.mX[(baseDown + j + 1) & 7u] = Lane(d[j / 2], lane);
  }
}

CINDERPATH_INLINE void AdvanceRings(ValveStage& s, unsigned n, int frames)
{
  s.mUp.mPos = (s.mUp.mPos + n * uint32_t(frames)) & 7u;
  s.mDown.mPos = (s.mDown.mPos + n * uint32_t(frames)) & 7u;
  s.mDownOutputsStale = true;
}

// The block path over nFrames samples of both channels, the stages' modal
// states current for the same tables (the same stage twice for one
// channel). Every chunk of groups: the interpolator on it and the
// decimator on the chunk before, then the shaper over it. The first chunk
// has no decimator part and a last pass of the decimator alone ends the
// block; each filter sees the same operations in the same order either way.
template <typename V, int P>
void BlockGroupsOf(ValveStage& left, ValveStage& right, const OverModal& t, double* l, double* r, int nFrames)
{
  ModalBlock<V, P> b(t, left.mModalClock, right.mModalClock);
  V s[kModalStates];
  for (int m = 0; m < kModalStates; ++m)
    s[m] = Join<V>(Pair{left.mModalUp[m], right.mModalUp[m]}, Pair{left.mModalDown[m], right.mModalDown[m]});
  const V gain = Twice<V>(Pair{left.mGain, right.mGain});
  const V k = Twice<V>(Pair{left.mCurve, right.mCurve});
  const V km1 = k - Splat<V>(1.0);
  const int chunk = b.chunk;

  const int first = nFrames < chunk ? nFrames : chunk;
  for (int i = 0; i < first; ++i) Step<kUpOnly>(b, s, i, Pair{l[i], r[i]}, b.Up(i), b.Down(i));
  ShapeGroups(b, 0, first, gain, k, km1);
  for (int start = chunk; start < nFrames; start += chunk)
  {
    const int end = nFrames - start < chunk ? nFrames : start + chunk;
    for (int i = start; i < end; ++i)
    {
      const Pair y = Step<kBoth>(b, s, i, Pair{l[i], r[i]}, b.Up(i), b.Down(i - chunk));
      l[i - chunk] = y[0];
      r[i - chunk] = y[1];
    }
    ShapeGroups(b, start, end, gain, k, km1);
  }

  // The rings, while the last groups' inputs are still in place (the
  // outputs written so far lie at least a chunk before the end): the
  // newest eight sub-samples, all a ring holds; older entries stay from
  // the blocks before.
  const unsigned n = t.factor;
  const uint32_t total = n * uint32_t(nFrames);
  const uint32_t ringFirst = total > 8u ? total - 8u : 0u;
  const int firstGroup = int(ringFirst / n);
  for (int i = firstGroup; i < nFrames; ++i)
  {
    const unsigned from = i == firstGroup ? ringFirst - uint32_t(firstGroup) * n : 0u;
    WriteRings(left, n, i, from, l[i], b.Up(i), b.Down(i), 0);
    WriteRings(right, n, i, from, r[i], b.Up(i), b.Down(i), 1);
  }

  for (int j = nFrames > chunk ? nFrames - chunk : 0; j < nFrames; ++j)
  {
    const Pair y = Step<kDownOnly>(b, s, j, Pair{0.0, 0.0}, b.Up(j), b.Down(j));
    l[j] = y[0];
    r[j] = y[1];
  }

  for (int m = 0; m < kModalStates; ++m)
  {
    const Pair up = Low(s[m]), down = High(s[m]);
    left.mModalUp[m] = up[0], right.mModalUp[m] = up[1];
    left.mModalDown[m] = down[0], right.mModalDown[m] = down[1];
  }
  AdvanceRings(left, n, nFrames);
  left.mModalClock += uint32_t(nFrames);
  if (&right != &left)
  {
    AdvanceRings(right, n, nFrames);
    right.mModalClock += uint32_t(nFrames);
  }
}

// The block path with the pair count fixed at compile time where it is
// small (factors 2 to 4), so that those loops unroll.
template <typename V>
void BlockGroups(ValveStage& left, ValveStage& right, const OverModal& t, double* l, double* r, int nFrames)
{
  switch ((t.factor + 1) / 2)
  {
    case 1: BlockGroupsOf<V, 1>(left, right, t, l, r, nFrames); break;
    case 2: BlockGroupsOf<V, 2>(left, right, t, l, r, nFrames); break;
    default: BlockGroupsOf<V, 0>(left, right, t, l, r, nFrames); break;
  }
}

}  // namespace

// The AVX2 build of BlockGroups<Quad> (ValveStageBlockAvx2.cpp).
void BlockGroupsAvx2(ValveStage& left, ValveStage& right, const OverModal& t, double* l, double* r, int nFrames);

}  // namespace cinderpath_dsp

#endif
