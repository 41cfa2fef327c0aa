// The valve stage's oversampled paths built for a wider instruction set
// (compiled with AVX-512F/VL where the compiler targets x86-64). Same
// source, same operation order as the baseline build; the build system only
// adds this file when it can compile it, and ValveStage.cpp only calls it
// when the processor supports it.
#include "ValveStageDispatch.h"
#include "ValveStageKernel.h"

namespace cinderpath_dsp {

void WideProcess(ValveStage& s, double* samples, int nFrames) { KernelProcess(s, samples, nFrames); }

void WideProcessPair(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames)
{
  KernelProcessPair(left, right, l, r, nFrames);
}

}  // namespace cinderpath_dsp
