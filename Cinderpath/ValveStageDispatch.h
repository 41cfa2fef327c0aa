#ifndef CINDERPATH_VALVESTAGEDISPATCH_H
#define CINDERPATH_VALVESTAGEDISPATCH_H

// Internal to the DSP library and its tests: choice between the baseline
// build of the valve stage's oversampled paths and a build for a wider
// instruction set (x86-64 with AVX-512F/VL: twice the vector registers, no
// register copies). Both builds run the same operations in the same order
// and give identical bits; the wide one is only faster. It is used when the
// processor has it, unless switched off.
//
// Switching off: SetWidePathEnabled(false), or, for a whole process, the
// environment variable CINDERPATH_NO_AVX512 set to any value but "" or "0"
// (for example to measure the speed a processor without AVX-512 would
// get). The variable is read once, when the library is loaded; the render
// thread only reads a flag, once per block.

class ValveStage;

namespace cinderpath_dsp {

// True when the library holds the wide build and the processor runs it.
// [any thread]
bool WidePathAvailable();

// Switches the wide build on (where available) or off, for all stages. Meant
// for tests and benchmarks comparing the two. [main thread, while no stage runs]
void SetWidePathEnabled(bool enabled);

// Whether stages currently use the wide build. [any thread]
bool WidePathEnabled();

// The wide build's entry points (factor 2 or more; the pair with equal factors).
// [render thread]
void WideProcess(ValveStage& s, double* samples, int nFrames);
void WideProcessPair(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames);

}  // namespace cinderpath_dsp

#endif
