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
// define nothing but its entry points (check with nm); the filter pairs it
// shares with the plug-in are compiled here under a namespace of their own.
#define CINDERPATH_ISA_NAMESPACE avx2
#include "ValveStageQuad.h"
#include "ValveStageChainKernel.h"

namespace cinderpath_dsp {

bool QuadProcess(ValveStage& s, double* samples, int nFrames) { return PipeProcess(s, samples, nFrames); }

bool QuadProcessPair(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames)
{
  return PipeProcessPair(left, right, l, r, nFrames);
}

bool QuadProcessChain(ValveStage& left, ValveStage& right, const ChainFilters& filters, ChainFrame& frame,
                      const double* inL, const double* inR, double* outL, double* outR, int nFrames)
{
  return PipeProcessChain(left, right, filters, frame, inL, inR, outL, outR, nFrames);
}

}  // namespace cinderpath_dsp
