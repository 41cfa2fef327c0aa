// The component entry's selector table, driven through the Component
// Manager with the test plug-in.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <math.h>
#include <string.h>

#include "au_test_plug.h"

namespace
{
class EntryTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mUnit = OpenAuTestUnit();
    ASSERT_NE(mUnit, nullptr);
    mPlug = AuTestPlugOf(mUnit);
    ASSERT_NE(mPlug, nullptr);
  }
  void TearDown() override
  {
    if (mUnit)
    {
      EXPECT_EQ(CloseComponent(mUnit), noErr);
    }
  }

  float Get(AudioUnitParameterID id)
  {
    AudioUnitParameterValue value = -999.0f;
    EXPECT_EQ(AudioUnitGetParameter(mUnit, id, kAudioUnitScope_Global, 0, &value), noErr);
    return value;
  }

  AudioUnit mUnit = nullptr;
  AuTestPlug* mPlug = nullptr;
};

// A parameter block with nArgs zero argument slots, for selectors the C
// calls do not reach.
struct RawParams
{
  ComponentParameters head;
  long more[8];
};

ComponentResult CallRaw(AudioUnit unit, SInt16 select, int nArgs)
{
  RawParams raw;
  memset(&raw, 0, sizeof(raw));
  raw.head.what = select;
  raw.head.paramSize = (UInt8) (nArgs * sizeof(long));
  raw.head.params[0] = (long) unit;
  return CallComponentDispatch(&raw.head);
}

AudioUnitParameterEvent Immediate(AudioUnitParameterID id, float value, AudioUnitScope scope = kAudioUnitScope_Global)
{
  AudioUnitParameterEvent event;
  memset(&event, 0, sizeof(event));
  event.scope = scope;
  event.parameter = id;
  event.eventType = kParameterEvent_Immediate;
  event.eventValues.immediate.value = value;
  return event;
}
}  // namespace

TEST_F(EntryTest, OpenBuildsAndRegistersThePlugIn)
{
  EXPECT_EQ(mPlug->Instance(), mUnit);
  EXPECT_STREQ(mPlug->BundleIdentifier(), "org.example.test.AuTestPlug");
  EXPECT_STREQ(mPlug->ViewClassName(), "AuTestPlug_View");
  EXPECT_EQ(mPlug->mHostIdentified, 1);
  EXPECT_NE(mPlug->GetHost(), kHostUninit);
  EXPECT_EQ(mPlug->NPresetSlots(), 1);  // the slot the plug-in never filled is pruned
  EXPECT_FALSE(mPlug->UnitInitialized());
}

TEST_F(EntryTest, InitializeUninitializeReset)
{
  ASSERT_EQ(AudioUnitInitialize(mUnit), noErr);
  EXPECT_TRUE(mPlug->UnitInitialized());
  EXPECT_EQ(mPlug->mParamChanges, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(mPlug->mActivations, std::vector<bool>{true});

  EXPECT_EQ(AudioUnitReset(mUnit, kAudioUnitScope_Global, 0), noErr);
  EXPECT_EQ(mPlug->mResets, 1);

  EXPECT_EQ(AudioUnitUninitialize(mUnit), noErr);
  EXPECT_FALSE(mPlug->UnitInitialized());
  EXPECT_EQ(mPlug->mActivations, (std::vector<bool>{true, false}));
}

// Initialize tells the plug-in the channel counts the host set (-1 where it
// set none) before activating it; a refused Initialize tells nothing.
TEST_F(EntryTest, InitializeReportsTheHostsChannelLayout)
{
  const struct
  {
    int in, out;
    OSStatus status;
  } table[] = {{1, 1, noErr}, {2, 2, noErr}, {-1, -1, noErr}, {1, 2, kAudioUnitErr_FormatNotSupported}};
  for (const auto& row : table)
  {
    mPlug->mLayouts.clear();
    mPlug->InputBus(0)->hostChannels = row.in;
    mPlug->OutputBus(0)->hostChannels = row.out;
    EXPECT_EQ(AudioUnitInitialize(mUnit), row.status) << row.in << "-" << row.out;
    if (row.status == noErr)
      EXPECT_EQ(mPlug->mLayouts, (std::vector<std::pair<int, int>>{{row.in, row.out}}));
    else
      EXPECT_TRUE(mPlug->mLayouts.empty());
    AudioUnitUninitialize(mUnit);
  }
}

TEST_F(EntryTest, InitializeChecksHostChannelCounts)
{
  // Nothing known: LegalIO(-1, -1) holds for a non-empty channel list.
  EXPECT_TRUE(mPlug->CheckLegalIO());

  // A pair the channel list lacks gets the refusal a stream format gets.
  mPlug->InputBus(0)->hostChannels = 1;
  mPlug->OutputBus(0)->hostChannels = 2;
  EXPECT_EQ(AudioUnitInitialize(mUnit), kAudioUnitErr_FormatNotSupported);
  EXPECT_FALSE(mPlug->UnitInitialized());
  EXPECT_TRUE(mPlug->mActivations.empty());

  mPlug->InputBus(0)->hostChannels = 2;
  EXPECT_TRUE(mPlug->CheckLegalIO());
  mPlug->OutputBus(0)->hostChannels = -1;
  EXPECT_TRUE(mPlug->CheckLegalIO());  // unknown output matches (2, 2)
  mPlug->InputBus(0)->hostChannels = 3;
  EXPECT_FALSE(mPlug->CheckLegalIO());

  // A bus without channels (left so by a refused format) cannot render:
  // on either side, and also on both, Initialize refuses.
  for (int in : {0, 2})
    for (int out : {0, 2})
    {
      if (in && out) continue;
      mPlug->InputBus(0)->hostChannels = in;
      mPlug->OutputBus(0)->hostChannels = out;
      EXPECT_EQ(AudioUnitInitialize(mUnit), kAudioUnitErr_FormatNotSupported) << in << "-" << out;
      EXPECT_FALSE(mPlug->UnitInitialized());
    }
  EXPECT_TRUE(mPlug->mActivations.empty());
}

TEST_F(EntryTest, UnknownSelectorsAndBadBlocks)
{
  EXPECT_EQ(CallRaw(mUnit, 8, 2), badComponentSelector);       // old set-render-callback selector
  EXPECT_EQ(CallRaw(mUnit, 0x13, 6), badComponentSelector);    // complex render
  EXPECT_EQ(CallRaw(mUnit, 0x200, 0), badComponentSelector);
  EXPECT_EQ(CallRaw(mUnit, kComponentRegisterSelect, 0), badComponentSelector);
  EXPECT_EQ(CallRaw(mUnit, kAudioUnitCarbonViewCreateSelect, 6), badComponentSelector);

  // A block shorter than the selector's arguments is refused before any is read.
  EXPECT_EQ(CallRaw(mUnit, kAudioUnitGetParameterSelect, 3), kAudio_ParamError);
  EXPECT_EQ(CallRaw(mUnit, kAudioUnitSetParameterSelect, 4), kAudio_ParamError);
  EXPECT_TRUE(mPlug->mParamChanges.empty());

  // No storage (an instance that never opened) and no block at all.
  RawParams raw;
  memset(&raw, 0, sizeof(raw));
  raw.head.what = kAudioUnitResetSelect;
  raw.head.paramSize = 2 * sizeof(long);
  EXPECT_EQ(IPlugAU::IPlugAUEntry(&raw.head, nullptr), badComponentInstance);
  EXPECT_EQ(IPlugAU::IPlugAUEntry(nullptr, mPlug), kAudio_ParamError);
  EXPECT_EQ(mPlug->mResets, 0);
}

TEST_F(EntryTest, CanDoAndVersion)
{
  for (SInt16 select : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 14, 15, 16, 17})
  {
    EXPECT_EQ(CallComponentCanDo(mUnit, select), 1) << select;
  }
  for (SInt16 select : {0, 8, 12, 13, 18, 19, 20, 257, 261, -1, -2, -4})
  {
    EXPECT_EQ(CallComponentCanDo(mUnit, select), 0) << select;
  }
  EXPECT_EQ(CallComponentVersion(mUnit), 0x10203);
}

TEST_F(EntryTest, ParametersStoreClampedRealValues)
{
  AuTestGraphics* pGraphics = mPlug->AttachTestGraphics();
  EXPECT_FLOAT_EQ(Get(kTestGain), 0.0f);
  EXPECT_FLOAT_EQ(Get(kTestSteps), 3.0f);
  EXPECT_FLOAT_EQ(Get(kTestFreq), 1000.0f);

  ASSERT_EQ(AudioUnitSetParameter(mUnit, kTestGain, kAudioUnitScope_Global, 7, 5.5f, 99), noErr);
  EXPECT_FLOAT_EQ(Get(kTestGain), 5.5f);
  EXPECT_EQ(mPlug->mParamChanges, std::vector<int>{kTestGain});
  EXPECT_EQ(pGraphics->mLastParam, kTestGain);
  EXPECT_DOUBLE_EQ(pGraphics->mLastValue, 5.5);
  EXPECT_FALSE(pGraphics->mLastNormalized);

  // Above the maximum stores the maximum, below the minimum the minimum; the
  // editor hears the stored value.
  ASSERT_EQ(AudioUnitSetParameter(mUnit, kTestGain, kAudioUnitScope_Global, 0, 40.0f, 0), noErr);
  EXPECT_FLOAT_EQ(Get(kTestGain), 12.0f);
  EXPECT_DOUBLE_EQ(pGraphics->mLastValue, 12.0);
  ASSERT_EQ(AudioUnitSetParameter(mUnit, kTestFreq, kAudioUnitScope_Global, 0, -5.0f, 0), noErr);
  EXPECT_FLOAT_EQ(Get(kTestFreq), 20.0f);

  // No step rounding: an int parameter keeps the fraction the host sent.
  ASSERT_EQ(AudioUnitSetParameter(mUnit, kTestSteps, kAudioUnitScope_Global, 0, 3.7f, 0), noErr);
  EXPECT_FLOAT_EQ(Get(kTestSteps), 3.7f);
}

TEST_F(EntryTest, ParameterErrorsChangeNothing)
{
  const size_t changes = mPlug->mParamChanges.size();
  AudioUnitParameterValue value = -999.0f;

  EXPECT_EQ(AudioUnitGetParameter(mUnit, kTestGain, kAudioUnitScope_Input, 0, &value), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitSetParameter(mUnit, kTestGain, kAudioUnitScope_Output, 0, 3.0f, 0),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(value, -999.0f);

  for (AudioUnitParameterID id : {(AudioUnitParameterID) kTestNumParams, 22u, 0xFFFFFFFFu, 0x80000000u})
  {
    EXPECT_EQ(AudioUnitGetParameter(mUnit, id, kAudioUnitScope_Global, 0, &value), kAudioUnitErr_InvalidParameter);
    EXPECT_EQ(AudioUnitSetParameter(mUnit, id, kAudioUnitScope_Global, 0, 1.0f, 0), kAudioUnitErr_InvalidParameter);
  }
  EXPECT_EQ(value, -999.0f);

  for (float bad : {NAN, INFINITY, -INFINITY})
  {
    EXPECT_EQ(AudioUnitSetParameter(mUnit, kTestGain, kAudioUnitScope_Global, 0, bad, 0),
              kAudioUnitErr_InvalidParameter);
  }
  EXPECT_EQ(AudioUnitGetParameter(mUnit, kTestGain, kAudioUnitScope_Global, 0, nullptr), kAudio_ParamError);

  EXPECT_FLOAT_EQ(Get(kTestGain), 0.0f);
  EXPECT_EQ(mPlug->mParamChanges.size(), changes);
}

TEST_F(EntryTest, FastDispatchProceduresMatchTheSelectors)
{
  AudioUnitParameterValue value = 0.0f;
  EXPECT_EQ(IPlugAU::SetParamProc(mPlug, kTestFreq, kAudioUnitScope_Global, 0, 440.0f, 0), noErr);
  EXPECT_EQ(IPlugAU::GetParamProc(mPlug, kTestFreq, kAudioUnitScope_Global, 0, &value), noErr);
  EXPECT_FLOAT_EQ(value, 440.0f);
  EXPECT_EQ(IPlugAU::GetParamProc(mPlug, 99, kAudioUnitScope_Global, 0, &value), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(IPlugAU::SetParamProc(mPlug, kTestFreq, kAudioUnitScope_Global, 0, NAN, 0),
            kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(IPlugAU::SetParamProc(nullptr, kTestFreq, kAudioUnitScope_Global, 0, 1.0f, 0), kAudio_ParamError);
  EXPECT_FLOAT_EQ(Get(kTestFreq), 440.0f);
}

TEST_F(EntryTest, ScheduledParametersApplyImmediateEventsInOrder)
{
  AudioUnitParameterEvent events[3] = {Immediate(kTestGain, 3.0f), Immediate(kTestFreq, 0.0f),
                                       Immediate(kTestSteps, 7.0f)};
  // A ramp is skipped, whatever it says.
  events[1].eventType = kParameterEvent_Ramped;
  events[1].eventValues.ramp.startValue = 5000.0f;
  events[1].eventValues.ramp.endValue = 6000.0f;
  ASSERT_EQ(AudioUnitScheduleParameters(mUnit, events, 3), noErr);
  EXPECT_FLOAT_EQ(Get(kTestGain), 3.0f);
  EXPECT_FLOAT_EQ(Get(kTestFreq), 1000.0f);
  EXPECT_FLOAT_EQ(Get(kTestSteps), 7.0f);
  EXPECT_EQ(mPlug->mParamChanges, (std::vector<int>{kTestGain, kTestSteps}));

  EXPECT_EQ(AudioUnitScheduleParameters(mUnit, events, 0), noErr);
  EXPECT_EQ(AudioUnitScheduleParameters(mUnit, nullptr, 0), noErr);
  EXPECT_EQ(AudioUnitScheduleParameters(mUnit, nullptr, 2), kAudio_ParamError);
}

TEST_F(EntryTest, ScheduledParametersStopAtTheFirstError)
{
  struct Case
  {
    AudioUnitParameterEvent bad;
    OSStatus expected;
  };
  const Case cases[] = {
    {Immediate(kTestGain, 1.0f, kAudioUnitScope_Input), kAudioUnitErr_InvalidProperty},
    {Immediate(kTestNumParams, 1.0f), kAudioUnitErr_InvalidParameter},
    {Immediate(0xFFFFFFFFu, 1.0f), kAudioUnitErr_InvalidParameter},
    {Immediate(kTestGain, NAN), kAudioUnitErr_InvalidParameter},
  };
  float applied = 1.0f;
  for (const Case& c : cases)
  {
    AudioUnitParameterEvent events[3] = {Immediate(kTestFreq, 100.0f * applied), c.bad, Immediate(kTestSteps, 9.0f)};
    EXPECT_EQ(AudioUnitScheduleParameters(mUnit, events, 3), c.expected);
    EXPECT_FLOAT_EQ(Get(kTestFreq), 100.0f * applied);  // the event before the error took effect
    EXPECT_FLOAT_EQ(Get(kTestSteps), 3.0f);             // the one after did not
    EXPECT_FLOAT_EQ(Get(kTestGain), 0.0f);
    applied += 1.0f;
  }
}

TEST_F(EntryTest, TwoInstancesAreIndependent)
{
  AudioUnit other = OpenAuTestUnit();
  ASSERT_NE(other, nullptr);
  AuTestPlug* pOther = AuTestPlugOf(other);
  ASSERT_NE(pOther, mPlug);

  ASSERT_EQ(AudioUnitSetParameter(mUnit, kTestGain, kAudioUnitScope_Global, 0, -6.0f, 0), noErr);
  ASSERT_EQ(AudioUnitInitialize(other), noErr);
  AudioUnitParameterValue value = 99.0f;
  EXPECT_EQ(AudioUnitGetParameter(other, kTestGain, kAudioUnitScope_Global, 0, &value), noErr);
  EXPECT_FLOAT_EQ(value, 0.0f);
  EXPECT_FALSE(mPlug->UnitInitialized());
  EXPECT_TRUE(pOther->UnitInitialized());
  EXPECT_EQ(pOther->Instance(), other);

  EXPECT_EQ(CloseComponent(other), noErr);
  EXPECT_FLOAT_EQ(Get(kTestGain), -6.0f);
}

TEST_F(EntryTest, MidiSelectorsReachThePlugIn)
{
  ASSERT_EQ(MusicDeviceMIDIEvent(mUnit, 0x91, 60, 100, 17), noErr);
  ASSERT_EQ(mPlug->mMidi.size(), 1u);
  EXPECT_EQ(mPlug->mMidi[0].mStatus, 0x91);
  EXPECT_EQ(mPlug->mMidi[0].mData1, 60);
  EXPECT_EQ(mPlug->mMidi[0].mData2, 100);
  EXPECT_EQ(mPlug->mMidi[0].mOffset, 17);

  const UInt8 sysex[] = {0xF0, 0x7E, 0x00, 0xF7};
  ASSERT_EQ(MusicDeviceSysEx(mUnit, sysex, sizeof(sysex)), noErr);
  ASSERT_EQ(mPlug->mSysEx.size(), 1u);
  EXPECT_EQ(mPlug->mSysEx[0].mSize, 4);
  EXPECT_EQ(mPlug->mSysEx[0].mData, sysex);
  EXPECT_EQ(mPlug->mSysEx[0].mOffset, 0);
  EXPECT_EQ(MusicDeviceSysEx(mUnit, nullptr, 4), kAudio_ParamError);
  EXPECT_EQ(MusicDeviceSysEx(mUnit, nullptr, 0), noErr);

  MusicDeviceNoteParams note;
  memset(&note, 0, sizeof(note));
  note.argCount = 2;
  note.mPitch = 64.9f;
  note.mVelocity = 90.5f;
  NoteInstanceID noteID = 0;
  ASSERT_EQ(MusicDeviceStartNote(mUnit, 0, 0, &noteID, 5, &note), noErr);
  EXPECT_EQ(noteID, 64u);
  ASSERT_EQ(mPlug->mMidi.size(), 2u);
  EXPECT_EQ(mPlug->mMidi[1].mStatus, 0x90);
  EXPECT_EQ(mPlug->mMidi[1].mData1, 64);
  EXPECT_EQ(mPlug->mMidi[1].mData2, 90);
  EXPECT_EQ(mPlug->mMidi[1].mOffset, 5);

  ASSERT_EQ(MusicDeviceStopNote(mUnit, 0, noteID, 9), noErr);
  ASSERT_EQ(mPlug->mMidi.size(), 3u);
  EXPECT_EQ(mPlug->mMidi[2].mStatus, 0x80);
  EXPECT_EQ(mPlug->mMidi[2].mData1, 64);
  EXPECT_EQ(mPlug->mMidi[2].mOffset, 9);
}

TEST_F(EntryTest, NoteParametersOutsideTheMidiRangeAreKeptInIt)
{
  MusicDeviceNoteParams note;
  memset(&note, 0, sizeof(note));
  note.argCount = 2;
  const float pitches[] = {NAN, -3.0f, 300.0f, 1e30f};
  const int expected[] = {0, 0, 127, 127};
  for (int i = 0; i < 4; ++i)
  {
    note.mPitch = pitches[i];
    note.mVelocity = pitches[i];
    NoteInstanceID noteID = 12345;
    ASSERT_EQ(MusicDeviceStartNote(mUnit, 0, 0, &noteID, 0, &note), noErr);
    EXPECT_EQ(noteID, (NoteInstanceID) expected[i]);
    EXPECT_EQ(mPlug->mMidi.back().mData1, expected[i]);
    EXPECT_EQ(mPlug->mMidi.back().mData2, expected[i]);
  }
  EXPECT_EQ(MusicDeviceStartNote(mUnit, 0, 0, nullptr, 0, &note), noErr);
  EXPECT_EQ(MusicDeviceStartNote(mUnit, 0, 0, nullptr, 0, nullptr), kAudio_ParamError);
  ASSERT_EQ(MusicDeviceStopNote(mUnit, 0, 100000, 0), noErr);
  EXPECT_EQ(mPlug->mMidi.back().mData1, 127);
}

TEST_F(EntryTest, PropertySelectorsRespectTheHostsBufferSize)
{
  // Information query without either pointer: the entry supplies its own.
  EXPECT_EQ(AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, nullptr,
                                     nullptr),
            noErr);
  UInt32 size = 0;
  Boolean writable = false;
  ASSERT_EQ(AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &size,
                                     &writable),
            noErr);
  EXPECT_EQ(size, sizeof(AudioStreamBasicDescription));
  EXPECT_TRUE(writable);

  // Too little room, or no size at all: nothing is written.
  unsigned char buffer[64];
  memset(buffer, 0xA5, sizeof(buffer));
  size = 4;
  EXPECT_NE(AudioUnitGetProperty(mUnit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, buffer, &size),
            noErr);
  EXPECT_NE(AudioUnitGetProperty(mUnit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, buffer, nullptr),
            noErr);
  for (unsigned char byte : buffer) ASSERT_EQ(byte, 0xA5);

  // A short value is not read past its end and changes nothing.
  const Float64 rate = 96000.0;
  EXPECT_NE(AudioUnitSetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, 4), noErr);
  EXPECT_EQ(mPlug->GetSampleRate(), 44100.0);
  EXPECT_EQ(AudioUnitSetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate,
                                 sizeof(rate)),
            noErr);
  EXPECT_EQ(mPlug->GetSampleRate(), 96000.0);
}

namespace
{
// A host that keeps a unit in a static object closes it from the process's
// exit handlers, after every static made later is gone.
struct UnitKeptUntilExit
{
  AudioUnit unit = nullptr;
  ~UnitKeptUntilExit()
  {
    if (unit) CloseComponent(unit);
  }
};

TEST(EntryExitTest, UnitClosedWhileTheProcessExits)
{
  // A fresh process, so that the static below is made before anything the
  // binding makes on first use.
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
    {
      static UnitKeptUntilExit kept;
      kept.unit = OpenAuTestUnit();
      exit(kept.unit ? 0 : 1);
    },
    ::testing::ExitedWithCode(0), "");
}
}  // namespace
