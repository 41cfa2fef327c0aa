// Small plug-ins on IPlugBase for the framework core tests: one records the
// calls the base makes into it, one stands in for an editor.
#ifndef TESTS_IPLUG_CORE_TEST_PLUG_H_
#define TESTS_IPLUG_CORE_TEST_PLUG_H_

#include <pthread.h>

#include <string>
#include <vector>

#include "IGraphicsHeadless.h"
#include "IPlugBase.h"

// Records host notifications and parameter changes; processes by scaling
// every input by mGain into the matching output (outputs without an input
// get zeros).
class CoreTestPlug : public IPlugBase
{
public:
  explicit CoreTestPlug(const char* channelIO = "1-1 2-2", int nParams = 3, int nPresets = 2)
    : IPlugBase(nParams, channelIO, nPresets, "CoreTest", "Core", "Tests", 0x00010202, 0x436f7265, 0x54657374, 4,
                false, false, false, kAPIAU)
  {
  }

  struct Event
  {
    std::string what;     // "inform", "change", "begin", "end"
    int idx;
    double value;         // value passed to the host, or the parameter's value at OnParamChange
    bool underLock;       // the plug-in's mutex was held by this thread
  };

  bool LockHeld() { return mMutex.m_ownerthread.load() == pthread_self(); }

  void OnParamChange(int paramIdx) override
  {
    IParam* p = GetParam(paramIdx);
    mEvents.push_back({"change", paramIdx, p ? p->Value() : 0.0, LockHeld()});
  }
  void InformHostOfParamChange(int paramIdx, double normalizedValue) override
  {
    mEvents.push_back({"inform", paramIdx, normalizedValue, LockHeld()});
  }
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override
  {
    ++mProcessCalls;
    mLastFrames = nFrames;
    for (int c = 0; c < NOutChannels(); ++c)
      for (int s = 0; s < nFrames; ++s) outputs[c][s] = c < NInChannels() ? inputs[c][s] * mGain : 0.0;
  }
  double GetTempo() override { return mTempo; }
  bool SendMidiMsg(IMidiMsg* pMsg) override
  {
    mSentMidi.push_back(pMsg->mData1);
    return pMsg->mData1 != 0;  // note 0 stands for a message the host refuses
  }

  // Exposes protected state for the tests.
  WDL_Mutex* Mutex() { return &mMutex; }
  double** InData() { return mInData.Get(); }
  double** OutData() { return mOutData.Get(); }
  InChannel* In(int i) { return mInChannels.Get(i); }
  OutChannel* Out(int i) { return mOutChannels.Get(i); }
  int NChannelIO() { return mChannelIO.GetSize(); }
  ChannelIO* GetChannelIO(int i) { return mChannelIO.Get(i); }
  EHost HostField() { return mHost; }

  std::vector<Event> mEvents;
  std::vector<int> mSentMidi;
  int mProcessCalls = 0;
  int mLastFrames = -1;
  double mGain = 0.5;
  double mTempo = 0.0;
};

// An editor that records what the plug-in tells it.
class FakeGraphics : public IGraphicsHeadless
{
public:
  explicit FakeGraphics(int* pDeleted = nullptr) : IGraphicsHeadless(nullptr, 1, 1), mDeleted(pDeleted) {}
  ~FakeGraphics() override
  {
    if (mDeleted) ++*mDeleted;
  }

  struct Call
  {
    int idx;
    double value;
    bool normalized;
  };

  void SetParameterFromPlug(int paramIdx, double value, bool normalized) override
  {
    mCalls.push_back({paramIdx, value, normalized});
  }
  void PrepDraw() override { mPrepDrawAfter = (int)mCalls.size(); }

  std::vector<Call> mCalls;
  int mPrepDrawAfter = -1;  // number of value calls made before PrepDraw
  int* mDeleted;
};

#endif  // TESTS_IPLUG_CORE_TEST_PLUG_H_
