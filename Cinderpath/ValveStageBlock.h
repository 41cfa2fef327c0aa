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
// host sample. Without it a decaying mode could settle on the smallest
// numbers (rounding to nearest keeps x·|p| == x there) and stay in the
// subnormal range for good where flush-to-zero is off; at -600 dB it is far
// below anything audible or the accuracy of the filters.
constexpr double kModalFloor = 1e-30;

// Host samples at the end of a block whose sub-samples are written to the
// rings: four groups hold the last eight sub-samples from factor 2 up.
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

CINDERPATH_INLINE Pair Floor(Pair v)
{
  const PairMask magnitude = (PairMask)v & PairMask{0x7fffffffffffffffLL, 0x7fffffffffffffffLL};
  return (Pair)((PairMask)v & ~((Pair)magnitude < Splat<Pair>(kModalFloor)));
}

template <typename V>
CINDERPATH_INLINE V Load4(const double* p)
{
  V v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}

CINDERPATH_INLINE Pair Load2(const double* p)
{
  Pair v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}

template <typename V> CINDERPATH_INLINE V Twice(Pair p);
template <> CINDERPATH_INLINE Quad Twice<Quad>(Pair p) { return __builtin_shufflevector(p, p, 0, 1, 0, 1); }
template <> CINDERPATH_INLINE Two Twice<Two>(Pair p) { return Two{p, p}; }
CINDERPATH_INLINE Pair Low(Quad q) { return __builtin_shufflevector(q, q, 0, 1); }
CINDERPATH_INLINE Pair High(Quad q) { return __builtin_shufflevector(q, q, 2, 3); }
CINDERPATH_INLINE Pair Low(Two q) { return q.a; }
CINDERPATH_INLINE Pair High(Two q) { return q.b; }
CINDERPATH_INLINE double Lane(Quad q, int lane) { return q[lane]; }
CINDERPATH_INLINE double Lane(Two q, int lane) { return lane < 2 ? q.a[lane] : q.b[lane - 2]; }

// Both channels' modal states and settings; V holds two sub-samples of
// both (Quad or Two).
template <typename V>
struct ModalRegs
{
  Pair up[kModalStates], down[kModalStates];
  V gain, k, km1;
};

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

// W <- p^N·W + add, per mode, then the floor.
CINDERPATH_INLINE void Turn(const OverModal& t, Pair* w, const Pair* add)
{
  for (int k = 0; k < 3; ++k)
  {
    const Pair re = w[2 * k], im = w[2 * k + 1];
    const Pair tr = Load2(t.turn2[k][0]), ti = Load2(t.turn2[k][1]);
    w[2 * k] = Floor((tr * re - ti * im) + add[2 * k]);
    w[2 * k + 1] = Floor((ti * re + tr * im) + add[2 * k + 1]);
  }
  w[6] = Floor(Load2(t.turn2[3][0]) * w[6] + add[6]);
}

// One host sample of both channels at factor t.factor, two sub-samples at a
// time: the interpolated sub-samples u and the shaped ones d (kept for the
// rings: u[q] holds sub-samples 2q and 2q + 1), the decimator's output for
// sub-sample 0 returned, both states moved on by one group. The decimator's
// sums over the sub-samples run as two partial sums, even and odd
// sub-samples, added at the end.
template <typename V>
CINDERPATH_INLINE Pair Group(const OverModal& t, ModalRegs<V>& r, Pair x, V* u, V* d)
{
  const unsigned pairs = (t.factor + 1) / 2;
  V w[kModalStates], acc[kModalStates];
  for (int m = 0; m < kModalStates; ++m) w[m] = Twice<V>(r.up[m]);
  const V x2 = Twice<V>(x);
  u[0] = Dot<V, 4>(t.upOut4[0], w, x2);
  d[0] = BiasT(ShapeT(r.gain * u[0]), r.k, r.km1);
  for (int m = 0; m < kModalStates; ++m) acc[m] = Load4<V>(t.downIn4[0][m]) * d[0];
  for (unsigned q = 1; q < pairs; ++q)
  {
    u[q] = Dot<V, 4>(t.upOut4[q], w, x2);
    d[q] = BiasT(ShapeT(r.gain * u[q]), r.k, r.km1);
    for (int m = 0; m < kModalStates; ++m) acc[m] = acc[m] + Load4<V>(t.downIn4[q][m]) * d[q];
  }
  const Pair y = Dot<Pair, 2>(t.downOut2, r.down, Low(d[0]));
  Pair in[kModalStates], sum[kModalStates];
  for (int m = 0; m < kModalStates; ++m)
  {
    in[m] = Load2(t.upIn2[m]) * x;
    sum[m] = Low(acc[m]) + High(acc[m]);
  }
  Turn(t, r.up, in);
  Turn(t, r.down, sum);
  return y;
}

// Writes group i of a block (x the host input, u and d the sub-samples of
// `channel`) into the stage's rings as the direct form would have them:
// the interpolator's inputs N·x and zeros and its outputs, the decimator's
// inputs. The rings' positions are those before the block.
template <typename V>
CINDERPATH_INLINE void WriteRings(ValveStage& s, unsigned n, int i, double x, const V* u, const V* d, int channel)
{
  const uint32_t base = s.mUp.mPos + n * uint32_t(i);
  const uint32_t baseDown = s.mDown.mPos + n * uint32_t(i);
  for (unsigned j = 0; j < n; ++j)
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
// states current for the same tables (the same stage twice for one channel).
template <typename V>
void BlockGroups(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames)
{
  const OverModal& t = OverModalFor(left.mModalFactor);
  ModalRegs<V> g;
  for (int m = 0; m < kModalStates; ++m)
  {
    g.up[m] = Pair{left.mModalUp[m], right.mModalUp[m]};
    g.down[m] = Pair{left.mModalDown[m], right.mModalDown[m]};
  }
  g.gain = Twice<V>(Pair{left.mGain, right.mGain});
  g.k = Twice<V>(Pair{left.mCurve, right.mCurve});
  g.km1 = g.k - Splat<V>(1.0);
  const unsigned n = t.factor;
  V u[kModalMaxFactor / 2], d[kModalMaxFactor / 2];
  const int tail = nFrames > kRingGroups ? nFrames - kRingGroups : 0;
  for (int i = 0; i < nFrames; ++i)
  {
    const Pair x{l[i], r[i]};
    const Pair y = Group(t, g, x, u, d);
    l[i] = y[0];
    r[i] = y[1];
    if (i >= tail)
    {
      WriteRings(left, n, i, x[0], u, d, 0);
      WriteRings(right, n, i, x[1], u, d, 1);
    }
  }
  for (int m = 0; m < kModalStates; ++m)
  {
    left.mModalUp[m] = g.up[m][0], right.mModalUp[m] = g.up[m][1];
    left.mModalDown[m] = g.down[m][0], right.mModalDown[m] = g.down[m][1];
  }
  AdvanceRings(left, n, nFrames);
  if (&right != &left) AdvanceRings(right, n, nFrames);
}

}  // namespace

// The AVX2 build of BlockGroups<Quad> (ValveStageBlockAvx2.cpp).
void BlockGroupsAvx2(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames);

}  // namespace cinderpath_dsp

#endif
