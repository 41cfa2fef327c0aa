// The effect's chain around its valve stages: input sanitising and offset,
// the switched input filters, the output filters and level, the clip watch
// and the phase switch, for the plug-in's chunk loops. Render thread only;
// nothing allocates.
#ifndef CINDERPATH_EFFECTCHAIN_H
#define CINDERPATH_EFFECTCHAIN_H

#include <climits>

#include "Filters.h"
#include "StereoFilters.h"

// The input offset, the clip indicator and the phase switch, held in locals
// for a block and written back after it.
struct ChainFrame
{
  double offset;       // ±1e-20, sign alternates every sample
  int clipCount;       // samples since the last over
  int clip;            // indicator, 0 or 1
  int holdSamples;     // the hold (0.75·fs) in whole samples: a count is
                       // past the hold when it is greater (HoldSamples)
  bool phase;          // invert both outputs
  // Told of every change of the indicator, at the sample it happens.
  // Never allocates or waits. [render thread]
  void (*showClip)(void* context, int clip);
  void* context;
};

// The input filter switches of a block.
struct InputSwitches
{
  bool hp, peak, shelf, lowPass;
};

// The filters of both channels ([0] left, [1] right; not owned), their
// switches and the block's level.
struct ChainFilters
{
  OnePoleHP* inHP[2];
  Biquad* peak[2];
  Biquad* shelf[2];
  LowPass4* lowPass[2];
  OnePoleHP* outHP[2];
  OnePoleLP* outLP[2];
  InputSwitches on;
  double volume;  // linear output gain
  double comp;    // make-up gain of the block's curve
};

namespace cinderpath_stereo
{

// A non-finite host sample becomes 0 so that it cannot poison the filters.
inline double SanitizeSample(double x)
{
  return __builtin_isfinite(x) ? x : 0.0;
}

// The offset for the current sample; flips its sign for the next.
inline double NextOffset(ChainFrame& st)
{
  const double m = st.offset;
  st.offset = -m;
  return m;
}

// The offset of frame k of a block whose frame 0 has the offset `first`:
// the same as NextOffset k + 1 times in turn, without a value carried from
// frame to frame.
inline double OffsetAt(double first, int k)
{
  return (k & 1) != 0 ? -first : first;
}

// The hold time `seconds` at `fs` as ChainFrame::holdSamples: the largest
// whole count that does not exceed it (INT_MAX where it is beyond the int
// range or not a number: the indicator then never goes out).
inline int HoldSamples(double fs, double seconds)
{
  const double h = __builtin_floor(fs * seconds);
  if (!(h < double(INT_MAX))) return INT_MAX;
  return h < -1.0 ? -1 : int(h);
}

// Frame k of the host's two channels as the filters take it: sanitised, and
// less the frame's offset. Both samples are sanitised at once: x - x
// is 0 exactly where x is finite, and the lanes where it is not are masked
// to +0 (as SanitizeSample does one at a time).
inline Lanes ReadFrameLess(const double* inL, const double* inR, int k, double offset)
{
  typedef long long Mask __attribute__((vector_size(16)));
  const Lanes x{inL[k], inR[k]};
  const Mask finite = (x - x) == Lanes{0.0, 0.0};
  return (Lanes)((Mask)x & finite) - Both(offset);
}

// The same with the offset of the running frame state (NextOffset).
inline Lanes ReadFrame(const double* inL, const double* inR, int k, ChainFrame& st)
{
  return ReadFrameLess(inL, inR, k, NextOffset(st));
}

// Phase inversion, then the frame's two output samples.
inline void WriteFrame(const ChainFrame& st, double l, double r, double* outL, double* outR)
{
  if (st.phase)
  {
    l = -l;
    r = -r;
  }
  *outL = l;
  *outR = r;
}

// The clip watch over n frames just written by WriteFrame (their magnitudes
// are those before the phase inversion). A frame is over when either sample
// is past full scale; the indicator lights at an over and goes out when the
// count of frames since the last over passes the hold. The count stops just
// above the hold, so it never overflows. The editor is told of every change
// of the indicator, in order (the value alone: it redraws on its own
// thread). Run as a pass of its own, with its state in registers and
// selects rather than branches: in the output loop, a branch on whether a
// loud signal is over full scale was mispredicted often enough to cost as
// much as a filter.
inline void WatchClip(ChainFrame& st, const double* outL, const double* outR, int n)
{
  const int hold = st.holdSamples;
  int count = st.clipCount, clip = st.clip;
  // Most chunks of a quiet signal have no frame over full scale, and a loud
  // one seldom starts with one. Up to the first over the count only runs on
  // towards the hold and the indicator can only go out, so that stretch is
  // taken in one step; the frames from the first over on, one at a time
  // until an over leaves no more of the chunk than the hold (below).
  int first = 0;
  while (first < n && !(__builtin_fabs(outL[first]) > 1.0) && !(__builtin_fabs(outR[first]) > 1.0)) ++first;
  if (first > 0 && count <= hold)
  {
    long long next = (long long)count + first;
    if (next > (long long)hold + 1) next = (long long)hold + 1;
    count = next > INT_MAX ? INT_MAX : int(next);
  }
  if (first > 0 && clip == 1 && count > hold)
  {
    clip = 0;
    st.showClip(st.context, clip);
  }
  auto isOver = [outL, outR](int i) {
    const double al = __builtin_fabs(outL[i]), ar = __builtin_fabs(outR[i]);
    return (al < ar ? ar : al) > 1.0;
  };
  for (int i = first; i < n; ++i)
  {
    const bool over = isOver(i);
    count += int(count <= hold) & int(count < INT_MAX);
    const int next = over ? 1 : (count > hold ? 0 : clip);
    count = over ? 0 : count;
    if (next != clip)
    {
      clip = next;
      st.showClip(st.context, clip);
    }
    if (over && n - 1 - i <= hold)
    {
      // The rest of the chunk is no longer than the hold, so the indicator
      // stays lit to its end whatever follows, and the count is the number
      // of frames after the chunk's last over: found from the end, without
      // a step per frame (a loud signal is over full scale in most chunks).
      int last = n - 1;
      while (last > i && !isOver(last)) --last;
      count = n - 1 - last;
      break;
    }
  }
  st.clipCount = count;
  st.clip = clip;
}

// The filters of both channels, one channel per vector lane, copied into
// locals for a block so that their state can stay in registers.
struct ChannelPairFilters
{
  OnePoleHPPair inHP;
  BiquadPair peak;
  BiquadPair shelf;
  LowPass4Pair lowPass;
  OnePoleHPPair outHP;
  OnePoleLPPair outLP;

  explicit ChannelPairFilters(const ChainFilters& c)
      : inHP(*c.inHP[0], *c.inHP[1]), peak(*c.peak[0], *c.peak[1]), shelf(*c.shelf[0], *c.shelf[1]),
        lowPass(*c.lowPass[0], *c.lowPass[1]), outHP(*c.outHP[0], *c.outHP[1]), outLP(*c.outLP[0], *c.outLP[1])
  {
  }

  // Writes the filters' state back after the block.
  void Store(const ChainFilters& c) const
  {
    inHP.Store(*c.inHP[0], *c.inHP[1]);
    peak.Store(*c.peak[0], *c.peak[1]);
    shelf.Store(*c.shelf[0], *c.shelf[1]);
    lowPass.Store(*c.lowPass[0], *c.lowPass[1]);
    outHP.Store(*c.outHP[0], *c.outHP[1]);
    outLP.Store(*c.outLP[0], *c.outLP[1]);
  }
};

// The switched input filters in chain order over a chunk of n samples, for
// one channel (F: the filter objects, T = double) or both (F =
// ChannelPairFilters, T = Lanes), run skewed: pass i of the chunk's n + 3
// passes gives the high-pass sample i, the peak sample i - 1, the shelf
// i - 2 and the low-pass i - 3, so the four recursions of a pass do not wait
// for each other and run side by side. Every filter still sees its own
// samples in order with the same arithmetic, so the results are those of
// running the chain sample by sample. in(i) gives input sample i (called
// once each, in order), out(i, x) takes the filtered sample; `buf` holds n
// samples between the filters.
// With INNER set the caller guarantees 3 <= i < n, where every filter has a
// sample, so the pass is compiled without the tests at the chunk's edges.
template <bool INNER = false, class F, class T, class In, class Out>
inline void InputFiltersPass(const InputSwitches& on, F& f, int i, int n, T* buf, In& in, Out& out)
{
  if (INNER || i < n)
  {
    const T x = in(i);
    buf[i] = on.hp ? f.inHP.Run(x) : x;
  }
  if ((INNER || (i >= 1 && i <= n)) && on.peak) buf[i - 1] = f.peak.Run(buf[i - 1]);
  if ((INNER || (i >= 2 && i <= n + 1)) && on.shelf) buf[i - 2] = f.shelf.Run(buf[i - 2]);
  if (INNER || i >= 3) out(i - 3, on.lowPass ? f.lowPass.Run(buf[i - 3]) : buf[i - 3]);
}

template <class F, class T, class In, class Out>
inline void RunInputFilters(const InputSwitches& on, F& f, int n, T* buf, In in, Out out)
{
  for (int i = 0; i < n + 3; ++i) InputFiltersPass(on, f, i, n, buf, in, out);
}

// Output high-pass, level (volume, then make-up gain), output low-pass over
// a chunk of n samples in n + 1 passes, skewed as above: pass i gives the
// high-pass sample i and the low-pass sample i - 1. in(i) gives the stage's
// output for sample i, out(i, y) takes the result (in order).
// With INNER set the caller guarantees 1 <= i < n.
template <bool INNER = false, class F, class T, class In, class Out>
inline void OutputFiltersPass(F& f, int i, int n, double volume, double comp, T* buf, In& in, Out& out)
{
  if (INNER || i < n) buf[i] = f.outHP.Run(in(i));
  if (INNER || i >= 1) out(i - 1, f.outLP.Run(buf[i - 1] * volume * comp));
}

template <class F, class T, class In, class Out>
inline void RunOutputFilters(F& f, int n, double volume, double comp, T* buf, In in, Out out)
{
  for (int i = 0; i < n + 1; ++i) OutputFiltersPass(f, i, n, volume, comp, buf, in, out);
}

// The whole chain over a block of nFrames, in chunks of at most
// chunkFrames, software-pipelined: the loop that runs the input filters of
// chunk k also runs the output filters, level and low-pass of chunk k - 1,
// whose stage output is ready. The two halves share no state, so each
// filter still sees its own samples in order with its own arithmetic and the
// result is that of the chain run sample by sample; but the recursions of
// both halves now overlap, where one after the other each half waited on its
// own longest chain (the output low-pass's four dependent operations, the
// biquads' three) once per sample. The stage's buffers alternate between
// two slots, so the stage output of chunk k - 1 stays readable while chunk k
// is filled. `io` is the block's connection to the host and the stages:
//   T Read(int frame)            host frame `frame` of the block, as the
//                                filters take it (called once each, in order)
//   void ToStage(int slot, int i, T x), T FromStage(int slot, int i)
//                                sample i of a chunk into and out of the
//                                stage buffers of `slot` (0 or 1)
//   void RunStage(int slot, int n)  the stages over n samples of `slot`
//   void Write(int frame, T y)   the chain's output for host frame `frame`
//   void Watch(int frame, int n) the clip watch over n frames just written
// The host's frames of a chunk are all read before any of them is written,
// so input and output may be the same buffers.
template <class F, class T, class Io>
inline void RunChainPipelined(const InputSwitches& on, F& filters, int nFrames, int chunkFrames, double volume, double comp,
                              T* inBuf, T* outBuf, Io& io)
{
  // A local copy, whose address nothing else holds, so that the compiler
  // may keep the filter states in registers across the stores to the
  // buffers and the host's output (which could otherwise alias them).
  F f = filters;
  int prevStart = 0, prevN = 0, slot = 0;
  for (int start = 0;; start += chunkFrames, slot ^= 1)
  {
    const int n = start < nFrames ? (nFrames - start < chunkFrames ? nFrames - start : chunkFrames) : 0;
    const int prevSlot = slot ^ 1;
    auto read = [&](int i) { return io.Read(start + i); };
    auto toStage = [&](int i, T x) { io.ToStage(slot, i, x); };
    auto fromStage = [&](int i) { return io.FromStage(prevSlot, i); };
    auto write = [&](int i, T y) { io.Write(prevStart + i, y); };
    const int inPasses = n > 0 ? n + 3 : 0, outPasses = prevN > 0 ? prevN + 1 : 0;
    const int passes = inPasses > outPasses ? inPasses : outPasses;
    // Passes 3 ... min(n, prevN) - 1 have every filter of both halves busy;
    // after them, where one half has finished, the other runs alone. Only
    // the few passes at the edges of a chunk take the tests per filter.
    const int both = n < prevN ? n : prevN;
    int i = 0;
    while (i < passes)
    {
      if (i >= 3 && i < both)
      {
        for (; i < both; ++i)
        {
          InputFiltersPass<true>(on, f, i, n, inBuf, read, toStage);
          OutputFiltersPass<true>(f, i, prevN, volume, comp, outBuf, fromStage, write);
        }
      }
      else if (i >= 3 && i < n && i >= outPasses)
      {
        for (; i < n; ++i) InputFiltersPass<true>(on, f, i, n, inBuf, read, toStage);
      }
      else if (i >= 1 && i < prevN && i >= inPasses)
      {
        for (; i < prevN; ++i) OutputFiltersPass<true>(f, i, prevN, volume, comp, outBuf, fromStage, write);
      }
      else
      {
        if (i < inPasses) InputFiltersPass(on, f, i, n, inBuf, read, toStage);
        if (i < outPasses) OutputFiltersPass(f, i, prevN, volume, comp, outBuf, fromStage, write);
        ++i;
      }
    }
    if (prevN > 0) io.Watch(prevStart, prevN);
    if (n == 0) break;
    io.RunStage(slot, n);
    prevStart = start;
    prevN = n;
  }
  filters = f;
}

}  // namespace cinderpath_stereo

#endif
