#ifndef CINDERPATH_VALVESTAGE_H
#define CINDERPATH_VALVESTAGE_H

#include <cstdint>

#include "Over.h"

namespace cinderpath_dsp {
struct OverModal;
}

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
//
// Two forms of the same filters: Run steps the direct form on the rings of
// mUp and mDown, one sub-sample at a time, in the order that defines the
// stage. The block paths (Process, ProcessPair) from factor 2 up run the
// filters in modal form (OverModal.h): per host sample each filter's state
// turns once by p^N, the N interpolated sub-samples are independent dot
// products, and the decimator sums the N shaped sub-samples into its state.
// That is several times faster than the direct form's recursion, whose
// dependent chain of seven subtractions per sub-sample bounds it, and closer
// to the exact filter: at factor 16 the direct form's rounding is amplified
// by the small sum 1 + a1 + ... + a7. The block paths give the same bits for
// any split of a stream into blocks and on every processor; they agree with
// the direct form to about 1e-10 of full scale.
//
// The modal state continues from the rings when the block path starts, the
// factor changes or Clear ran, and the rings are kept up to date after every
// block (the decimator's outputs on demand, UpdateRings), so Run and a factor
// change continue from the same signal history either way.
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

  // Processes one host-rate sample and returns one host-rate sample, with
  // the filters in direct form. [render thread]
  double Run(double x);

  // Processes `nFrames` host-rate samples in place: at factor 1 exactly what
  // Run gives, from factor 2 up with the filters in modal form (within about
  // 1e-10 of Run). The same bits for any split into blocks. [render thread]
  void Process(double* samples, int nFrames);

  // Run on a left and a right stage, one host-rate sample each, in place.
  // [render thread]
  static void RunPair(ValveStage& left, ValveStage& right, double& l, double& r);

  // Block form for two stages: `nFrames` samples of each channel in place,
  // the two channels side by side in one 128-bit vector; bit for bit what
  // Process on each stage gives. [render thread]
  static void ProcessPair(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames);

  // Whether the block path's build for a wider instruction set (AVX2) runs
  // on this processor, and switching it on there or off, for all stages.
  // Both builds give the same bits; the switch lets tests and benchmarks
  // compare them. [main thread, while no stage runs]
  static bool WideBuildAvailable();
  static void UseWideBuild(bool use);

  // Brings the rings of mUp and mDown up to date after block processing
  // (the decimator's outputs are recovered from its modal state); the modal
  // state stays in use. Run and factor changes call it themselves.
  // [render thread]
  void UpdateRings();

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

  // The block path's state: both filters in modal form for the factor
  // mModalFactor (0: not in use; the rings hold the state).
  double mModalUp[7];
  double mModalDown[7];
  uint32_t mModalFactor;
  uint32_t mModalClock;    // host samples the block path has run since Clear (wrapping); sets where its floor falls
  bool mDownOutputsStale;  // mDown.mY lags the modal state (UpdateRings)

private:
  // Makes the modal state current for the tables `t` (those of mFactor,
  // 2 or more).
  void EnterModal(const cinderpath_dsp::OverModal& t);

  // The modal block path for two stages with the same tables, one channel
  // per lane (the same stage twice for one channel). [render thread]
  static void RunModal(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames);
};

#endif
