// A small plug-in on IPlugBase for the state and preset tests: it records
// every OnParamChange (and whether the plug-in's mutex was held by the caller
// at the time) and every PresetsChangedByHost.
#ifndef TESTS_IPLUG_STATE_TEST_PLUG_H_
#define TESTS_IPLUG_STATE_TEST_PLUG_H_

#include <pthread.h>

#include <cstring>
#include <vector>

#include "IPlug/IPlugBase.h"

class StateTestPlug : public IPlugBase
{
public:
  StateTestPlug(int nParams, int nPresets)
    : IPlugBase(nParams, "1-1 2-2", nPresets, "StateTest", "", "Tests", 0x010000, 0x53746174, 0x54657374, 0, false,
                false, false, kAPIAU)
  {
  }

  void OnParamChange(int paramIdx) override
  {
    mChanged.push_back(paramIdx);
    mChangedUnderLock.push_back(mMutex.m_ownerthread.load() == pthread_self());
  }
  void PresetsChangedByHost() override { ++mPresetsChanged; }

  WDL_Mutex* Mutex() { return &mMutex; }
  void SetCurrentPresetIdx(int idx) { mCurrentPresetIdx = idx; }

  // Current values of every parameter.
  std::vector<double> Values()
  {
    std::vector<double> v;
    for (int i = 0; i < NParams(); ++i) v.push_back(GetParam(i)->Value());
    return v;
  }
  void SetValues(const std::vector<double>& v)
  {
    for (int i = 0; i < NParams() && i < (int)v.size(); ++i) GetParam(i)->Set(v[(size_t)i]);
  }

  std::vector<int> mChanged;
  std::vector<bool> mChangedUnderLock;
  int mPresetsChanged = 0;
};

// Raw bytes of a chunk.
inline std::vector<unsigned char> ChunkBytes(const ByteChunk& c)
{
  return std::vector<unsigned char>(c.GetBytes(), c.GetBytes() + c.Size());
}

// A chunk holding the given bytes.
inline void FillChunk(ByteChunk* c, const std::vector<unsigned char>& bytes)
{
  c->Clear();
  if (!bytes.empty()) c->PutBytes(bytes.data(), (int)bytes.size());
}

// Appends one double.
inline void PutDouble(ByteChunk* c, double v) { c->Put(&v); }

#endif  // TESTS_IPLUG_STATE_TEST_PLUG_H_
