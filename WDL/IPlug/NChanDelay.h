// Multi-channel delay line that could give pass-through the plug-in's
// latency. The plug-in base keeps a slot for one and deletes it, and
// SetLatency re-sizes it; nothing creates one, so pass-through is undelayed.
#ifndef IPLUG_NCHANDELAY_H_
#define IPLUG_NCHANDELAY_H_

#include "heapbuf.h"

class NChanDelayLine
{
public:
  // A delay line for nInputChans inputs and nOutputChans outputs with no
  // delay. [main thread]
  NChanDelayLine(int nInputChans, int nOutputChans) : mNInChans(nInputChans), mNOutChans(nOutputChans), mDTSamples(0) {}
  ~NChanDelayLine() {}

  NChanDelayLine(const NChanDelayLine&) = delete;
  NChanDelayLine& operator=(const NChanDelayLine&) = delete;

  // Sets the delay in samples (negative counts as 0) and clears the history.
  // Returns false, keeping the old delay, when memory cannot be had. May
  // allocate. [main thread]
  bool SetDelayTime(int delayTimeSamples)
  {
    if (delayTimeSamples < 0) delayTimeSamples = 0;
    const int64_t n = (int64_t)delayTimeSamples * (mNInChans > 0 ? mNInChans : 0);
    if (n > INT_MAX) return false;
    mBuffer.Resize((int)n);
    if (mBuffer.GetSize() != (int)n) return false;
    if (n) memset(mBuffer.Get(), 0, (size_t)n * sizeof(double));
    mDTSamples = delayTimeSamples;
    return true;
  }

  // Delay in samples. [any thread]
  int GetDelayTime() const { return mDTSamples; }
  // Channel counts given at construction. [any thread]
  int NInChans() const { return mNInChans; }
  int NOutChans() const { return mNOutChans; }

private:
  int mNInChans;
  int mNOutChans;
  int mDTSamples;
  WDL_TypedBuf<double> mBuffer;  // mDTSamples history samples per input channel
};

#endif
