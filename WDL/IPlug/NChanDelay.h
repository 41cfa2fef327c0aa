// Multi-channel delay line that gives pass-through the plug-in's latency, so
// that a bypassed signal stays in time with the processed one in a host that
// compensates latency. The history is a ring of mDTSamples frames per input
// channel; it is kept up to date while the signal is processed (Feed) so that
// switching to the delayed pass-through (ProcessBlock) continues the stream
// without a jump in time or a burst of stale samples.
#ifndef IPLUG_NCHANDELAY_H_
#define IPLUG_NCHANDELAY_H_

#include <climits>
#include <cstdint>
#include <cstring>

#include "heapbuf.h"

class NChanDelayLine
{
public:
  // A delay line for nInputChans inputs and nOutputChans outputs with no
  // delay. [main thread]
  NChanDelayLine(int nInputChans, int nOutputChans)
    : mNInChans(nInputChans > 0 ? nInputChans : 0), mNOutChans(nOutputChans > 0 ? nOutputChans : 0), mDTSamples(0), mPos(0)
  {
  }
  ~NChanDelayLine() {}

  NChanDelayLine(const NChanDelayLine&) = delete;
  NChanDelayLine& operator=(const NChanDelayLine&) = delete;

  // Sets the delay in samples (negative counts as 0) and clears the history.
  // Returns false, keeping the old delay and history, when memory cannot be
  // had. May allocate. [main thread, serialised with processing]
  bool SetDelayTime(int delayTimeSamples)
  {
    if (delayTimeSamples < 0) delayTimeSamples = 0;
    const int64_t n = (int64_t)delayTimeSamples * mNInChans;
    if (n > INT_MAX / (int64_t)sizeof(double)) return false;
    mBuffer.Resize((int)n);
    if (mBuffer.GetSize() != (int)n) return false;
    if (n) memset(mBuffer.Get(), 0, (size_t)n * sizeof(double));
    mDTSamples = delayTimeSamples;
    mPos = 0;
    return true;
  }

  // Zeroes the history; the delay stays. [main thread, serialised with processing]
  void Clear()
  {
    if (mBuffer.GetSize()) memset(mBuffer.Get(), 0, (size_t)mBuffer.GetSize() * sizeof(double));
    mPos = 0;
  }

  // Delay in samples. [any thread]
  int GetDelayTime() const { return mDTSamples; }
  // Channel counts given at construction. [any thread]
  int NInChans() const { return mNInChans; }
  int NOutChans() const { return mNOutChans; }

  // Delayed copy: output i, for i below both channel counts, gets input i
  // delayed by GetDelayTime() samples; the other outputs are zeroed. An
  // output may be the same buffer as its input. Null arrays or buffers are
  // skipped (a null input reads as silence). Allocates nothing. [render thread]
  void ProcessBlock(double** inputs, double** outputs, int nFrames)
  {
    if (!outputs || nFrames <= 0) return;
    const int d = mDTSamples;
    double* ring = mBuffer.Get();
    for (int c = 0; c < mNOutChans; ++c)
    {
      double* out = outputs[c];
      if (!out) continue;
      const double* in = (c < mNInChans && inputs) ? inputs[c] : nullptr;
      if (c >= mNInChans)
      {
        memset(out, 0, (size_t)nFrames * sizeof(double));
        continue;
      }
      if (d == 0)
      {
        if (!in)
          memset(out, 0, (size_t)nFrames * sizeof(double));
        else if (in != out)
          memmove(out, in, (size_t)nFrames * sizeof(double));
        continue;
      }
      // Ring slot mPos holds the oldest sample; each frame swaps the newest
      // input in for it, so input and output may share a buffer.
      double* hist = ring + (size_t)c * d;
      int pos = mPos;
      for (int s = 0; s < nFrames; ++s)
      {
        const double x = in ? in[s] : 0.0;
        out[s] = hist[pos];
        hist[pos] = x;
        if (++pos == d) pos = 0;
      }
    }
    // Input channels without an output still advance in step.
    for (int c = mNOutChans; c < mNInChans; ++c) FeedChannel(inputs ? inputs[c] : nullptr, c, nFrames);
    Advance(nFrames);
  }

  // Takes nFrames samples of every input into the history without producing
  // output, as ProcessBlock would. Call it before the inputs are overwritten.
  // Allocates nothing. [render thread]
  void Feed(double** inputs, int nFrames)
  {
    if (nFrames <= 0 || mDTSamples == 0) return;
    for (int c = 0; c < mNInChans; ++c) FeedChannel(inputs ? inputs[c] : nullptr, c, nFrames);
    Advance(nFrames);
  }

private:
  // Writes the last min(nFrames, delay) samples of `in` (null: zeros) into
  // channel c's ring at the slots ProcessBlock would, without moving mPos.
  void FeedChannel(const double* in, int c, int nFrames)
  {
    const int d = mDTSamples;
    if (d == 0) return;
    double* hist = mBuffer.Get() + (size_t)c * d;
    const int first = nFrames > d ? nFrames - d : 0;
    int pos = (int)(((int64_t)mPos + first) % d);
    for (int s = first; s < nFrames; ++s)
    {
      hist[pos] = in ? in[s] : 0.0;
      if (++pos == d) pos = 0;
    }
  }

  void Advance(int nFrames)
  {
    if (mDTSamples) mPos = (int)(((int64_t)mPos + nFrames) % mDTSamples);
  }

  int mNInChans;
  int mNOutChans;
  int mDTSamples;  // delay, samples
  int mPos;        // ring slot of the oldest sample, 0 ... mDTSamples - 1 (0 without delay)
  WDL_TypedBuf<double> mBuffer;  // mDTSamples history samples per input channel
};

#endif
