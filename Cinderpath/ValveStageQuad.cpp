// The valve stage's oversampled paths with interpolator and decimator fused
// in one vector (four lanes for two channels), built for AVX2 (256-bit
// vectors) where the compiler targets x86-64. Same operations per lane in
// the same order as the baseline build; the build system only adds this file
// when it can compile it, and ValveStage.cpp only calls it when the
// processor supports it.
//
// Keep this file free of headers with out-of-line inline functions (the
// standard library's, for one): a weak copy built for the wider instruction
// set could be picked by the linker for the rest of the program. It must
// define nothing but its two entry points (check with nm).
#include "ValveStageQuad.h"
#include "ValveStagePipeKernel.h"

namespace cinderpath_dsp {

bool QuadProcess(ValveStage& s, double* samples, int nFrames) { return PipeProcess(s, samples, nFrames); }

bool QuadProcessPair(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames)
{
  return PipeProcessPair(left, right, l, r, nFrames);
}

}  // namespace cinderpath_dsp
