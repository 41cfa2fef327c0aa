// A small plug-in on the Audio Unit binding, linked into the test program and
// registered with the Component Manager under its own description, so tests
// reach it through the same entry a host uses and can also look inside.
#ifndef TESTS_IPLUG_AU_AU_TEST_PLUG_H
#define TESTS_IPLUG_AU_AU_TEST_PLUG_H

#include <atomic>
#include <utility>
#include <vector>

#include "IGraphicsHeadless.h"
#include "IPlugAU.h"

// Packs a four-character code, first character in the top byte. [any thread]
constexpr int AuTestFourCC(const char (&code)[5])
{
  return (int) (((unsigned) (unsigned char) code[0] << 24) | ((unsigned) (unsigned char) code[1] << 16) |
                ((unsigned) (unsigned char) code[2] << 8) | (unsigned) (unsigned char) code[3]);
}

// Parameters of the test plug-in.
enum EAuTestParams
{
  kTestGain = 0,  // double -12 ... 12 dB, default 0
  kTestSteps,     // int 0 ... 10, default 3
  kTestSwitch,    // bool, default off
  kTestFreq,      // double 20 ... 20000 Hz, default 1000
  kTestNumParams
};

// Editor stand-in that records what the plug-in tells it.
class AuTestGraphics : public IGraphicsHeadless
{
public:
  AuTestGraphics() : IGraphicsHeadless(nullptr, 1, 1) {}
  void SetParameterFromPlug(int paramIdx, double value, bool normalized) override
  {
    mLastParam = paramIdx;
    mLastValue = value;
    mLastNormalized = normalized;
  }
  void PrepDraw() override {}
  void CloseWindow() override { ++mCloseCalls; }

  int mLastParam = -1;
  double mLastValue = 0.0;
  bool mLastNormalized = true;
  int mCloseCalls = 0;
};

// Channel I/O "1-1 2-2", 4 parameters, 2 presets, not an instrument.
class AuTestPlug : public IPlugAU
{
public:
  explicit AuTestPlug(const IPlugInstanceInfo& instanceInfo);
  ~AuTestPlug() override;

  void OnParamChange(int paramIdx) override { mParamChanges.push_back(paramIdx); }
  void Reset() override { ++mResets; }
  void OnActivate(bool active) override { mActivations.push_back(active); }
  void OnChannelLayout(int nIn, int nOut) override { mLayouts.emplace_back(nIn, nOut); }
  void ProcessMidiMsg(IMidiMsg* pMsg) override { mMidi.push_back(*pMsg); }
  void ProcessSysEx(ISysEx* pSysEx) override { mSysEx.push_back(*pSysEx); }
  void OnHostIdentified() override { ++mHostIdentified; }
  void OnWindowResize() override { ++mWindowResizes; }

  // Attaches an AuTestGraphics and returns it (owned by the plug-in).
  AuTestGraphics* AttachTestGraphics();

  // Access to the binding's internals for inspection.
  using IPlugAU::NotifyPropertyListeners;
  using IPlugAU::NotifyRenderObservers;
  using IPlugAU::RenderObserverMark;
  using IPlugAU::CheckLegalIO;
  bool UnitInitialized() const { return mUnitInitialized; }
  ComponentInstance Instance() const { return mInstance; }
  const char* BundleIdentifier() const { return mBundleIdentifier.Get(); }
  const char* ViewClassName() const { return mViewClassName.Get(); }
  int NInputBuses() const { return mInputBuses.GetSize(); }
  int NOutputBuses() const { return mOutputBuses.GetSize(); }
  BusChannels* InputBus(int i) { return mInputBuses.Get(i); }
  BusChannels* OutputBus(int i) { return mOutputBuses.Get(i); }
  InputConnection* Connection(int i) { return mInputConnections.Get(i); }
  int InputScratchSize() const { return mInputScratch.GetSize(); }
  int OutputScratchSize() const { return mOutputScratch.GetSize(); }
  int NListeners() const { return mListeners.GetSize(); }
  int NRenderObservers() const { return mRenderObservers.GetSize(); }
  int BlockSize() const { return mBlockSize; }
  int Latency() const { return mLatency; }
  int NPresetSlots() { return NPresets(); }

  std::vector<int> mParamChanges;
  std::vector<bool> mActivations;
  std::vector<std::pair<int, int>> mLayouts;  // OnChannelLayout calls
  std::vector<IMidiMsg> mMidi;
  std::vector<ISysEx> mSysEx;
  int mResets = 0;
  int mHostIdentified = 0;
  int mWindowResizes = 0;

  // Construction watch for the MakePlug lock test: constructors currently
  // running, the most seen at once, and a delay each constructor waits.
  static std::atomic<int> s_constructing;
  static std::atomic<int> s_maxConstructing;
  static std::atomic<int> s_constructDelayMs;
};

// Description of an effect component with the given subtype and manufacturer
// codes, as the test plug-ins are registered. [any thread]
ComponentDescription AuTestEffectDescription(const char (&subType)[5], const char (&manufacturer)[5]);
// Registers entry under desc with the Component Manager; call it from a
// function-local static so that each component is registered once. [any thread]
Component RegisterAuTestComponent(ComponentDescription desc, ComponentRoutineUPP entry);
// Opens an instance of component through the Component Manager; null on failure. [any thread]
AudioUnit OpenAuTestInstance(Component component);

// Description the test plug-in is registered under.
ComponentDescription AuTestPlugDescription();
// Registers the test plug-in once per process and returns its component.
Component AuTestPlugComponent();
// Opens an instance of the test plug-in through the Component Manager; null on failure.
AudioUnit OpenAuTestUnit();
// The plug-in object behind an instance.
AuTestPlug* AuTestPlugOf(AudioUnit unit);

#endif
