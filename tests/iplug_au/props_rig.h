// A plug-in with one parameter of every kind the property table treats
// differently, registered under its own description so that tests reach it
// through the Component Manager as a host does, and can also look inside.
#ifndef TESTS_IPLUG_AU_PROPS_RIG_H
#define TESTS_IPLUG_AU_PROPS_RIG_H

#include <string>
#include <vector>

#include "IPlugAU.h"

// Parameters of the rig plug-in.
enum ERigParams
{
  kRigGain = 0,  // double -12 ... 12 dB, step 0.1, group "Input"
  kRigMode,      // enum "Clean", "Warm", "Hot", default 1, group "Tone"
  kRigBoost,     // bool, group "Input"
  kRigSteps,     // int 0 ... 10, default 3, no group
  kRigPhase,     // double 0 ... 180, step 1, shown negated
  kRigMeter,     // double 0 ... 1, step 0.01, not automatable, long name
  kRigNumParams
};

// Presets of the rig plug-in, in slot order.
enum ERigPresets
{
  kRigPresetInit = 0,  // defaults
  kRigPresetClean,     // gain -6
  kRigPresetHot,       // gain 6, mode "Hot"
  kRigNumPresets
};

// Channel I/O "1-1 2-2", latency 4 samples. Output channel c carries input
// channel c times (c + 1) / 2, so every channel and the bypass are told apart.
class RigPlug : public IPlugAU
{
public:
  explicit RigPlug(const IPlugInstanceInfo& instanceInfo);

  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;
  void Reset() override;
  void OnActivate(bool active) override { mActivations.push_back(active); }
  void OnParamChange(int paramIdx) override { mParamChanges.push_back(paramIdx); }
  void OnHostIdentified() override { ++mHostIdentified; }

  // Keeps the instance the host opened, as the entry's Open does.
  void AdoptInstance(ComponentInstance instance);

  // Views of the binding's internals.
  BusChannels* InputBus(int i) { return mInputBuses.Get(i); }
  BusChannels* OutputBus(int i) { return mOutputBuses.Get(i); }
  InputConnection* Connection(int i) { return mInputConnections.Get(i); }
  float* OutputScratch() { return mOutputScratch.Get(); }
  int OutputScratchSize() const { return mOutputScratch.GetSize(); }
  int InputScratchSize() const { return mInputScratch.GetSize(); }
  float* InputScratch() { return mInputScratch.Get(); }
  int BlockSize() const { return mBlockSize; }
  double SampleRate() const { return mSampleRate; }
  bool Bypassed() const { return mIsBypassed; }
  bool Offline() const { return mOffline; }
  int Host() const { return (int)mHost; }
  int HostVersion() const { return mHostVersion; }
  const void* HostCallbackField(int i) const { return ((const void* const*)&mHostCallbackInfo)[i]; }
  const char* DisplayText() const { return mDisplayText; }
  bool InChannelConnected(int i) { return IsInChannelConnected(i); }
  bool OutChannelConnected(int i) { return IsOutChannelConnected(i); }
  int NParamGroups() const { return mParamGroups.GetSize(); }
  WDL_Mutex* Mutex() { return &mMutex; }
  using IPlugAU::CheckLegalIO;
  using IPlugAU::SetProperty;

  int mResets = 0;
  double mResetSampleRate = 0.0;  // mSampleRate seen by the latest Reset
  int mProcessCalls = 0;
  int mHostIdentified = 0;
  std::vector<bool> mActivations;
  std::vector<int> mParamChanges;
};

// Description the rig plug-in is registered under ('aufx' 'Rgtp' 'Rgtm').
ComponentDescription RigDescription();
// Opens an instance through the Component Manager (registering the rig once
// per process); null on failure.
AudioUnit OpenRigUnit();
// The plug-in object behind an instance.
RigPlug* RigOf(AudioUnit unit);

// Closes its unit when it goes away.
struct RigUnit
{
  RigUnit() : unit(OpenRigUnit()), plug(RigOf(unit)) {}
  ~RigUnit() { if (unit) CloseComponent(unit); }
  RigUnit(const RigUnit&) = delete;
  RigUnit& operator=(const RigUnit&) = delete;

  AudioUnit unit;
  RigPlug* plug;
};

// Stream format of non-interleaved 32-bit float samples. [any thread]
AudioStreamBasicDescription FloatFormat(double sampleRateHz, UInt32 channels);

// UTF-8 text of a string; "<null>" for none. [any thread]
std::string Utf8(CFStringRef str);

#endif
