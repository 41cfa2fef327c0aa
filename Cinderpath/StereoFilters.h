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
// -ffp-contract=off. A scalar operand is used in both lanes.
typedef double Lanes __attribute__((vector_size(16)));

// One value in both lanes. [any thread]
inline Lanes Both(double v)
{
  return Lanes{v, v};
}

// Each pair holds the fields of its filter class under the same names, one
// lane per channel, and runs the class's own Step on them.

// First-order high-pass pair. [render thread]
struct OnePoleHPPair
{
  Lanes mX1, mY1, mG, mP;

  OnePoleHPPair(const OnePoleHP& l, const OnePoleHP& r)
      : mX1{l.mX1, r.mX1}, mY1{l.mY1, r.mY1}, mG{l.mG, r.mG}, mP{l.mP, r.mP} {}
  void Store(OnePoleHP& l, OnePoleHP& r) const
  {
    l.mX1 = mX1[0], r.mX1 = mX1[1], l.mY1 = mY1[0], r.mY1 = mY1[1];
  }
  Lanes Run(Lanes x) { return OnePoleHP::Step(*this, x); }
};

// Biquad pair, direct form I. [render thread]
struct BiquadPair
{
  Lanes mB0, mB1, mB2, mA1, mA2, mY1, mY2, mX1, mX2;

  BiquadPair(const Biquad& l, const Biquad& r)
      : mB0{l.mB0, r.mB0}, mB1{l.mB1, r.mB1}, mB2{l.mB2, r.mB2}, mA1{l.mA1, r.mA1},
        mA2{l.mA2, r.mA2}, mY1{l.mY1, r.mY1}, mY2{l.mY2, r.mY2}, mX1{l.mX1, r.mX1},
        mX2{l.mX2, r.mX2} {}
  void Store(Biquad& l, Biquad& r) const
  {
    l.mY1 = mY1[0], r.mY1 = mY1[1], l.mY2 = mY2[0], r.mY2 = mY2[1];
    l.mX1 = mX1[0], r.mX1 = mX1[1], l.mX2 = mX2[0], r.mX2 = mX2[1];
  }
  Lanes Run(Lanes x) { return Biquad::Step(*this, x); }
};

// Fourth-order low-pass pair: two direct form II sections with one common
// gain. [render thread]
struct LowPass4Pair
{
  Lanes mGain, mA1a, mA2a, mA1b, mA2b, mW1a, mW2a, mW1b, mW2b;

  LowPass4Pair(const LowPass4& l, const LowPass4& r)
      : mGain{l.mGain, r.mGain}, mA1a{l.mA1a, r.mA1a}, mA2a{l.mA2a, r.mA2a},
        mA1b{l.mA1b, r.mA1b}, mA2b{l.mA2b, r.mA2b}, mW1a{l.mW1a, r.mW1a}, mW2a{l.mW2a, r.mW2a},
        mW1b{l.mW1b, r.mW1b}, mW2b{l.mW2b, r.mW2b} {}
  void Store(LowPass4& l, LowPass4& r) const
  {
    l.mW1a = mW1a[0], r.mW1a = mW1a[1], l.mW2a = mW2a[0], r.mW2a = mW2a[1];
    l.mW1b = mW1b[0], r.mW1b = mW1b[1], l.mW2b = mW2b[0], r.mW2b = mW2b[1];
  }
  Lanes Run(Lanes x) { return LowPass4::Step(*this, x); }
};

// First-order low-pass pair. [render thread]
struct OnePoleLPPair
{
  Lanes mY1, mC;

  OnePoleLPPair(const OnePoleLP& l, const OnePoleLP& r) : mY1{l.mY1, r.mY1}, mC{l.mC, r.mC} {}
  void Store(OnePoleLP& l, OnePoleLP& r) const { l.mY1 = mY1[0], r.mY1 = mY1[1]; }
  Lanes Run(Lanes x) { return OnePoleLP::Step(*this, x); }
};

}  // namespace cinderpath_stereo

#endif
