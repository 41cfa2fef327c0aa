#ifndef CINDERPATH_VALVESTAGE_H
#define CINDERPATH_VALVESTAGE_H

#include <cstdint>

#include "Over.h"

// The non-linear heart of the effect: amplifies one sample by mGain, saturates
// it with a three-stage cubic shaper S and bends it through the asymmetric
// bias curve B(s) = (k - 1)·s / (k + s), k = mCurve. At factor 1 the sample is
// delayed by four samples instead of being oversampled; at factor N (2 ... 20
// and 32) the input is zero-stuffed to N times the host rate through mUp, every
// sub-sample is shaped, filtered by mDown, and one sub-sample in N is kept.
// Any other factor runs the factor-2 path.
//
// The owner writes mFactor, mCurve and mGain and then calls mUp.Set(mFactor)
// and mDown.Set(mFactor) (Configure does exactly that); nothing inside the
// stage changes these three fields. Nothing allocates after construction.
class ValveStage
{
public:
  // Factor 2, curve 9.5, gain 1.25, cleared state, factor-2 coefficients.
  // [any thread]
  ValveStage();

  // Writes mFactor, mCurve, mGain, then loads the coefficient set for
  // `factor` into mUp and then mDown. Rings are kept. [main thread or render
  // thread, serialised with Run by the owner]
  void Configure(unsigned factor, double curve, double gain);

  // Zeroes the factor-1 history and the complete state of both filters;
  // coefficients, mFactor, mCurve and mGain are left alone. [render thread or
  // main thread, serialised with Run by the owner]
  void Clear();

  // Processes one host-rate sample and returns one host-rate sample.
  // [render thread]
  double Run(double x);

  // Processes `nFrames` host-rate samples in place; identical to calling Run
  // on each in turn, with the factor dispatch done once per block.
  // [render thread]
  void Process(double* samples, int nFrames);

  // Runs a left and a right stage on one host-rate sample each, in place, the
  // two channels side by side in one 128-bit vector. The results are bit for
  // bit those of left.Run(l) and right.Run(r). When the two stages' factors
  // differ it simply calls Run on each. [render thread]
  static void RunPair(ValveStage& left, ValveStage& right, double& l, double& r);

  // Block form of RunPair: `nFrames` samples of each channel in place, bit for
  // bit what Run on each stage and sample gives. [render thread]
  static void ProcessPair(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames);

  // The cubic shaper S(v): +1 above 3.375, -1 below -3.375, otherwise three
  // cubic stages. Odd, monotonic, continuous slope. [any thread]
  static double Shape(double v);

  // The bias curve B(s) = (k - 1)·s / (k + s) for s in [-1, 1], k >= 2.
  // [any thread]
  static double Bias(double s, double k);

  uint32_t mFactor;       // oversampling factor; selects the processing path
  double mCurve;          // bias shape k, 2 ... 32
  double mGain;           // linear drive gain applied before the shaper
  double mHistory[8];     // recent inputs, used only at factor 1
  uint32_t mHistoryPos;   // running write counter of mHistory (slot = counter mod 8)
  Over mDown;             // decimation filter at the oversampled rate
  Over mUp;               // interpolation filter at the oversampled rate
};

#endif
