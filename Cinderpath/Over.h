#ifndef CINDERPATH_OVER_H
#define CINDERPATH_OVER_H

#include <cstdint>

// Seventh-order recursive low-pass run at the oversampled rate inside a valve
// stage: one instance interpolates the zero-stuffed input, a second removes
// the shaper's products above the host band before decimation. Both use the
// same coefficient set for a given factor.
//
// H(z) = (b0 + b1 z^-1 + b2 z^-2 + b3 z^-3 + b3 z^-4 + b2 z^-5 + b1 z^-6 + b0 z^-7)
//        / (1 + a1 z^-1 + ... + a7 z^-7)
//
// Within one oversampling group the steps are called in order: Run with the
// real input, then zero step 1, 2, ... N-1. A zero step returns what Run(0)
// would return in the same state; it only leaves out the products with the
// inputs known to be zero. Nothing allocates; all fields are plain values.
class Over
{
public:
  // Holds the factor-2 coefficients and all-zero rings. [any thread]
  Over();

  // Loads the coefficient set for `factor` (2 ... 20 and 32 have their own;
  // every other factor, including 0, 1 and 21 ... 31, gets the factor-2 set).
  // Rings and position are left alone, so history survives a factor change.
  // [any thread]
  void Set(unsigned factor);

  // Zeroes both rings and the position; coefficients stay. [render thread]
  void Clear();

  // Full step with a real input sample; returns the output sample. [render thread]
  double Run(double x);

  // Zero-input steps 1 ... 4 of a group (the inputs of this group after the
  // first are zeros). Each returns the filter's output. [render thread]
  double Run01();
  double Run02();
  double Run03();
  double Run04();
  // Zero-input steps 5, 6, 7 and 8-or-later of a group. [render thread]
  double Run05();
  double Run06();
  double Run07();
  double Run08();

  // Zero-input step `step` (1 ... any) of a group: 1 ... 7 keep the inputs
  // older than the group's zeros, 8 and later run the recursion alone.
  // Dispatches to Run01 ... Run08; step 0 means Run(0). [render thread]
  double RunZero(unsigned step);

  double mA[7];    // denominator a1 ... a7 (a0 = 1 implied)
  double mB[4];    // numerator b0 ... b3; b7 = b0, b6 = b1, b5 = b2, b4 = b3
  double mX[8];    // ring of the last eight inputs
  double mY[8];    // ring of the last eight outputs
  uint32_t mPos;   // ring position of the newest entry, 0 ... 7

private:
  template <int J> double Step(double x);
};

#endif
