// The valve stage's oversampled paths built for a wider instruction set
// (compiled with AVX-512F/VL where the compiler targets x86-64). Same
// source, same operation order as the baseline build; the build system only
// adds this file when it can compile it, and ValveStage.cpp only calls it
// when the processor supports it.
//
// Keep this file free of headers with out-of-line inline functions (the
// standard library's, for one): a weak copy built for the wider instruction
// set could be picked by the linker for the rest of the program. It must
// define nothing but its two entry points (check with nm).
#include "ValveStageDispatch.h"
#include "ValveStageKernel.h"

namespace cinderpath_dsp {

void WideProcess(ValveStage& s, double* samples, int nFrames) { KernelProcess(s, samples, nFrames); }

void WideProcessPair(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames)
{
  KernelProcessPair(left, right, l, r, nFrames);
}

}  // namespace cinderpath_dsp
