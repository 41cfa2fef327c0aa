#ifndef CINDERPATH_VALVESTAGEQUAD_H
#define CINDERPATH_VALVESTAGEQUAD_H

// Internal to the DSP library and its tests: the quad build of the valve
// stage's oversampled paths (x86-64 with AVX2). It runs the interpolator and
// the decimator of both channels as the four lanes of one 256-bit vector
// (one channel: the two lanes of a 128-bit vector), the decimator a few
// sub-samples behind, so that every sub-sample costs one chain of the
// filters' recursion instead of two. Same bits as the baseline build (both
// channels in one 128-bit vector, the filters one after the other), which
// stays for processors without AVX2. The stages use, in this order of
// preference, the wide build (ValveStageDispatch.h), the quad build, the
// baseline build.
//
// Switching off: SetQuadPathEnabled(false), or, for a whole process, the
// environment variable CINDERPATH_NO_AVX2 set to any value but "" or "0"
// (read once, when the library is loaded).

class ValveStage;
struct ChainFilters;
struct ChainFrame;

namespace cinderpath_dsp {

// True when the library holds the quad build and the processor runs it.
// [any thread]
bool QuadPathAvailable();

// Switches the quad build on (where available) or off, for all stages. Meant
// for tests and benchmarks comparing the builds. [main thread, while no stage runs]
void SetQuadPathEnabled(bool enabled);

// Whether stages use the quad build when the wide build is off. [any thread]
bool QuadPathEnabled();

// The quad build's entry points (factor 2 or more; the pair with equal
// factors). They return false, having changed nothing, for what they leave
// to the other builds: factors 17 ... 20 and 32 (never selected by the
// plug-in) and blocks too short to fill the pipeline (fewer than 4 / factor
// samples, rounded up). [render thread]
bool QuadProcess(ValveStage& s, double* samples, int nFrames);
bool QuadProcessPair(ValveStage& left, ValveStage& right, double* l, double* r, int nFrames);

// The effect's stereo chain (EffectChain.h) around two stages with equal
// factors over a block, the filters in the stages' own loop:
// inputs sanitised and offset, input filters, stages, output filters and
// level, the frames written, then the clip watch over them. Same bits as the
// plug-in's chunk loop with the stages' other builds. False, having changed
// nothing, for factors 17 ... 20 and 32 and, from factor 2 up, blocks of
// fewer than 2 frames.
// [render thread]
bool QuadProcessChain(ValveStage& left, ValveStage& right, const ChainFilters& filters, ChainFrame& frame,
                      const double* inL, const double* inR, double* outL, double* outR, int nFrames);

// QuadProcessChain, or its wide build (ValveStageDispatch.h), where the
// processor and the switches select one of them and the two stages share a
// factor; false, having changed nothing, where those leave the block (see
// above), and in builds with neither.
// [render thread]
bool FusedChainProcess(ValveStage& left, ValveStage& right, const ChainFilters& filters, ChainFrame& frame,
                       const double* inL, const double* inR, double* outL, double* outR, int nFrames);

}  // namespace cinderpath_dsp

#endif
