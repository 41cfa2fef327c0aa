#ifndef CINDERPATH_VALVESTAGECHAINKERNEL_H
#define CINDERPATH_VALVESTAGECHAINKERNEL_H

// Internal to the DSP library: the effect's whole stereo chain in one loop,
// the filters around the valve stages inside the stages' fused pipeline
// (ValveStagePipeKernel.h). Run one after the other, the input filters, the
// stages and the output filters each wait on their own recursions, and the
// block costs the sum of the three; in one loop the processor overlaps the
// filters' chains with the stages' one.
//
// Each filter still sees its samples in order with the same arithmetic and
// the offset still runs sample by sample, so the bits are those of the
// plug-in's own chunk loop; the clip watch runs over each chunk written.
// Compiled (internal linkage) into the files built for AVX2 and AVX-512.

#include "EffectChain.h"
#include "ValveStagePipeKernel.h"

#ifdef CINDERPATH_HAVE_PAIR

namespace cinderpath_dsp {
namespace {

using cinderpath_stereo::Lanes;

// Host frames per chunk; the four buffers between the chain's parts live on
// the stack (16 KiB).
constexpr int kChainChunk = 256;

// How many host samples the input filters finish ahead of the sample the
// stages take, so that the stages never wait for them.
constexpr int kChainAhead = 4;

// The pipeline's IO for one chunk of n frames. Load(i) runs the input
// filters' pass that finishes sample i + kChainAhead and returns sample i;
// Store(i, v) takes the stages' output for sample i and runs the output
// filters' pass i, which writes frame i - 1. Inputs are read ahead of the
// outputs written, so the host may process in place.
struct ChainIO
{
  cinderpath_stereo::ChannelPairFilters& f;
  const InputSwitches& on;
  ChainFrame& st;
  double volume, comp;
  const double* inL;
  const double* inR;
  double* outL;
  double* outR;
  int n;
  Lanes* ib;  // between the input filters
  Lanes* x;   // the input filters' output, the stages' input
  Lanes* ob;  // between the output filters
  Lanes* y;   // the stages' output

  CINDERPATH_INLINE void InputPass(int i) const
  {
    using namespace cinderpath_stereo;
    auto in = [this](int k) { return ReadFrame(inL, inR, k, st); };
    auto out = [this](int k, Lanes v) { x[k] = v; };
    InputFiltersPass(on, f, i, n, ib, in, out);
  }

  CINDERPATH_INLINE void OutputPass(int i) const
  {
    using namespace cinderpath_stereo;
    auto in = [this](int k) { return y[k]; };
    auto out = [this](int k, Lanes v) { WriteFrame(st, v[0], v[1], outL + k, outR + k); };
    OutputFiltersPass(f, i, n, volume, comp, ob, in, out);
  }

  // The input passes before the stages' first sample.
  CINDERPATH_INLINE void Start() const
  {
    for (int i = 0; i < kChainAhead + 3 && i < n + 3; ++i) InputPass(i);
  }

  CINDERPATH_INLINE DoublePair Load(int i) const
  {
    if (i + kChainAhead < n) InputPass(i + kChainAhead + 3);
    return x[i];
  }

  CINDERPATH_INLINE void Store(int i, DoublePair v) const
  {
    y[i] = v;
    OutputPass(i);
  }

  // The output pass after the stages' last sample.
  CINDERPATH_INLINE void Finish() const { OutputPass(n); }
};

// The chain over a block in chunks of at most kChainChunk frames, none
// shorter than minFrames but a whole block's, each chunk's samples run by
// stage(io, n): it takes them from io.Load(i) and gives its outputs to
// io.Store(i, v), both in order.
template <class Stage>
CINDERPATH_INLINE void ChainChunks(const ChainFilters& c, ChainFrame& st, const double* inL, const double* inR,
                                   double* outL, double* outR, int nFrames, int minFrames, Stage&& stage)
{
  cinderpath_stereo::ChannelPairFilters f(c);
  Lanes ib[kChainChunk], x[kChainChunk], ob[kChainChunk], y[kChainChunk];
  for (int start = 0; start < nFrames;)
  {
    int n = nFrames - start < kChainChunk ? nFrames - start : kChainChunk;
    if (nFrames - start - n > 0 && nFrames - start - n < minFrames) n -= minFrames;
    const ChainIO io{f, c.on, st, c.volume, c.comp, inL + start, inR + start, outL + start, outR + start, n, ib, x, ob, y};
    io.Start();
    stage(io, n);
    io.Finish();
    cinderpath_stereo::WatchClip(st, outL + start, outR + start, n);
    start += n;
  }
  f.Store(c);
}

// A block through the chain at factor N; false, having changed nothing, when
// the block is shorter than the pipeline takes.
template <unsigned N>
bool ChainProcessFactor(ValveStage& a, ValveStage& b, const ChainFilters& c, ChainFrame& st, const double* inL,
                        const double* inR, double* outL, double* outR, int nFrames)
{
  if (nFrames < kPipeMinFrames) return false;
  PipeRegs<DoublePair> r;
  LoadPipe(r, a, b);
  ChainChunks(c, st, inL, inR, outL, outR, nFrames, kPipeMinFrames,
              [&r](const ChainIO& io, int n) { PipeBlock<N, kPipeLead>(r, io, n); });
  StorePipe(a, b, r, N * uint32_t(nFrames));
  return true;
}

// A block through the chain with both stages at factor 1, the stages run
// sample by sample in place of the pipeline.
bool ChainProcessFactorOne(ValveStage& a, ValveStage& b, const ChainFilters& c, ChainFrame& st, const double* inL,
                           const double* inR, double* outL, double* outR, int nFrames)
{
  FactorOnePair s(a, b);
  ChainChunks(c, st, inL, inR, outL, outR, nFrames, 1, [&s](const ChainIO& io, int n) {
    for (int i = 0; i < n; ++i) io.Store(i, s.Run(io.Load(i)));
  });
  s.Store(a, b);
  return true;
}

struct PipeChain
{
  ValveStage& a;
  ValveStage& b;
  const ChainFilters& c;
  ChainFrame& st;
  const double* inL;
  const double* inR;
  double* outL;
  double* outR;
  int n;
  template <unsigned N> bool operator()() const { return ChainProcessFactor<N>(a, b, c, st, inL, inR, outL, outR, n); }
};

// Two stages with the same factor and the chain around them, at every factor
// the pipeline takes and at factor 1; false, having changed nothing, for what
// is left to the caller. Where the stages' loop is bound by its loads and
// stores more than by its recursion (the ring at factors 2 to 4 with 16
// vector registers), the filters in the same loop add to them: on one
// processor measured, the chunk loop (filters, then stages, then filters)
// was as fast at factor 2 and about 8 % faster at 4. On a newer one, the
// fused loop is about 6 % faster at 2 and 11 % at 4 with AVX2, 17 % at both
// with AVX-512, and ahead by a few percent at 8 and 16 everywhere.
CINDERPATH_INLINE bool PipeProcessChain(ValveStage& a, ValveStage& b, const ChainFilters& c, ChainFrame& st,
                                        const double* inL, const double* inR, double* outL, double* outR, int nFrames)
{
  if (a.mFactor == 1) return ChainProcessFactorOne(a, b, c, st, inL, inR, outL, outR, nFrames);
  return DispatchPipeFactor(a.mFactor, PipeChain{a, b, c, st, inL, inR, outL, outR, nFrames});
}

}  // namespace
}  // namespace cinderpath_dsp

#endif
#endif
