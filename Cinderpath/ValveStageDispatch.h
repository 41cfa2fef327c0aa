#ifndef CINDERPATH_VALVESTAGEDISPATCH_H
#define CINDERPATH_VALVESTAGEDISPATCH_H

// Internal to the DSP library and its tests: the build of the valve stage's
// oversampled paths for a wider instruction set (x86-64 with AVX-512F/VL):
// the pipelined kernel of the AVX2 build (ValveStageQuad.h) with twice the
// vector registers and no register copies. All builds run the same
// operations in the same order and give identical bits; the wide one is only
// faster. It is used when the processor has it, unless switched off; the
// AVX2 build and the baseline build come after it.
//
// Switching off: SetWidePathEnabled(false), or, for a whole process, the
// environment variable CINDERPATH_NO_AVX512 set to any value but "" or "0"
// (for example to measure the speed a processor without AVX-512 would
// get). The variable is read once, when the library is loaded; the render
// thread only reads a flag, once per block.

class ValveStage;
struct ChainFilters;
struct ChainFrame;

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

// The wide build of QuadProcessChain (ValveStageQuad.h): false, having
// changed nothing, for the factors and blocks it leaves to the caller.
// [render thread]
bool WideProcessChain(ValveStage& left, ValveStage& right, const ChainFilters& filters, ChainFrame& frame,
                      const double* inL, const double* inR, double* outL, double* outR, int nFrames);

}  // namespace cinderpath_dsp

#endif
