// The filters of the two channels side by side, one channel per lane of a
// 128-bit vector (lane 0 left, lane 1 right). Each pair loads the state and
// coefficients of a left and a right filter object, runs the same operations
// in the same order as the objects' own Run, lane by lane, and stores the
// state back; so a block filtered as a pair gives the same bits as the two
// objects filtering it one after the other. Render thread only; nothing
// allocates.
#ifndef CINDERPATH_STEREOFILTERS_H
#define CINDERPATH_STEREOFILTERS_H

#include "Filters.h"

namespace cinderpath_stereo
{

// Two doubles (a GCC/Clang vector type), lane-wise IEEE arithmetic; no
// contraction into fused multiply-adds, as the project builds with
// -ffp-contract=off.
typedef double Lanes __attribute__((vector_size(16)));

// One value in both lanes. [any thread]
inline Lanes Both(double v)
{
  return Lanes{v, v};
}

// First-order high-pass pair: y = g·(x - x1) + p·y1. [render thread]
struct OnePoleHPPair
{
  Lanes x1, y1, g, p;

  OnePoleHPPair(const OnePoleHP& l, const OnePoleHP& r)
      : x1{l.mX1, r.mX1}, y1{l.mY1, r.mY1}, g{l.mG, r.mG}, p{l.mP, r.mP} {}
  void Store(OnePoleHP& l, OnePoleHP& r) const
  {
    l.mX1 = x1[0], r.mX1 = x1[1], l.mY1 = y1[0], r.mY1 = y1[1];
  }
  Lanes Run(Lanes x)
  {
    const Lanes y = g * (x - x1) + p * y1;
    x1 = x, y1 = y;
    return y;
  }
};

// Biquad pair, direct form I: y = b0·x + b1·x1 + b2·x2 - a1·y1 - a2·y2.
// [render thread]
struct BiquadPair
{
  Lanes b0, b1, b2, a1, a2, y1, y2, x1, x2;

  BiquadPair(const Biquad& l, const Biquad& r)
      : b0{l.mB0, r.mB0}, b1{l.mB1, r.mB1}, b2{l.mB2, r.mB2}, a1{l.mA1, r.mA1}, a2{l.mA2, r.mA2},
        y1{l.mY1, r.mY1}, y2{l.mY2, r.mY2}, x1{l.mX1, r.mX1}, x2{l.mX2, r.mX2} {}
  void Store(Biquad& l, Biquad& r) const
  {
    l.mY1 = y1[0], r.mY1 = y1[1], l.mY2 = y2[0], r.mY2 = y2[1];
    l.mX1 = x1[0], r.mX1 = x1[1], l.mX2 = x2[0], r.mX2 = x2[1];
  }
  Lanes Run(Lanes x)
  {
    const Lanes y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1, x1 = x, y2 = y1, y1 = y;
    return y;
  }
};

// Fourth-order low-pass pair: two direct form II sections with one common
// gain. [render thread]
struct LowPass4Pair
{
  Lanes gain, a1a, a2a, a1b, a2b, w1a, w2a, w1b, w2b;

  LowPass4Pair(const LowPass4& l, const LowPass4& r)
      : gain{l.mGain, r.mGain}, a1a{l.mA1a, r.mA1a}, a2a{l.mA2a, r.mA2a}, a1b{l.mA1b, r.mA1b},
        a2b{l.mA2b, r.mA2b}, w1a{l.mW1a, r.mW1a}, w2a{l.mW2a, r.mW2a}, w1b{l.mW1b, r.mW1b},
        w2b{l.mW2b, r.mW2b} {}
  void Store(LowPass4& l, LowPass4& r) const
  {
    l.mW1a = w1a[0], r.mW1a = w1a[1], l.mW2a = w2a[0], r.mW2a = w2a[1];
    l.mW1b = w1b[0], r.mW1b = w1b[1], l.mW2b = w2b[0], r.mW2b = w2b[1];
  }
  Lanes Run(Lanes x)
  {
    const Lanes w = gain * x - a1a * w1a - a2a * w2a;
    const Lanes v = w + Both(2.0) * w1a + w2a;
    w2a = w1a, w1a = w;
    const Lanes u = v - a1b * w1b - a2b * w2b;
    const Lanes y = u + Both(2.0) * w1b + w2b;
    w2b = w1b, w1b = u;
    return y;
  }
};

// First-order low-pass pair: y = (y1 - x + 1e-20)·λ + x. [render thread]
struct OnePoleLPPair
{
  Lanes y1, c;

  OnePoleLPPair(const OnePoleLP& l, const OnePoleLP& r) : y1{l.mY1, r.mY1}, c{l.mC, r.mC} {}
  void Store(OnePoleLP& l, OnePoleLP& r) const { l.mY1 = y1[0], r.mY1 = y1[1]; }
  Lanes Run(Lanes x)
  {
    const Lanes y = (y1 - x + Both(1e-20)) * c + x;
    y1 = y;
    return y;
  }
};

}  // namespace cinderpath_stereo

#endif
