// The valve stage's oversampled paths and the stereo chain around them built
// for a wider instruction set (AVX-512F/VL where the compiler targets
// x86-64): the same pipelined kernel as the AVX2 build (ValveStageQuad.h),
// with 32 vector registers and three-operand forms, so that fewer of the
// filters' windows and of the chain's state move through memory. Same source,
// same operation order as the other builds; the build system only adds this
// file when it can compile it, and ValveStage.cpp only calls it when the
// processor supports it.
//
// Keep this file free of headers with out-of-line inline functions (the
// standard library's, for one): a weak copy built for the wider instruction
// set could be picked by the linker for the rest of the program. It must
// define nothing but its entry points (check with nm); the filter pairs it
// shares with the plug-in are compiled here under a namespace of their own.
#define CINDERPATH_ISA_NAMESPACE avx512
#define CINDERPATH_PIPE_RING_MAX_FACTOR 1
#include "ValveStageDispatch.h"
#include "ValveStageChainKernel.h"

namespace cinderpath_dsp {

void WideProcess(ValveStage& s, double* samples, int nFrames)
{
  if (!PipeProcess(s, samples, nFrames)) KernelProcess(s, samples, nFrames);
}

void WideProcessPair(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames)
{
  if (!PipeProcessPair(left, right, l, r, nFrames)) KernelProcessPair(left, right, l, r, nFrames);
}

bool WideProcessChain(ValveStage& left, ValveStage& right, const ChainFilters& filters, ChainFrame& frame,
                      const double* inL, const double* inR, double* outL, double* outR, int nFrames)
{
  return PipeProcessChain(left, right, filters, frame, inL, inR, outL, outR, nFrames);
}

}  // namespace cinderpath_dsp
