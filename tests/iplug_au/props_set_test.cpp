// Property writes: every setter refuses bad data, scopes and elements without
// changing anything, and applies good data with its side effects.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "props_rig.h"

namespace
{
OSStatus NoInput(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32, AudioBufferList*)
{
  return noErr;
}

OSStatus Tempo(void*, Float64*, Float64*) { return noErr; }

// Everything a setter may change, to compare before and after.
struct Snapshot
{
  explicit Snapshot(RigPlug* p)
  {
    sampleRate = p->SampleRate();
    blockSize = p->BlockSize();
    inScratch = p->InputScratchSize();
    outScratch = p->OutputScratchSize();
    bypassed = p->Bypassed();
    offline = p->Offline();
    preset = p->GetCurrentPresetIdx();
    host = p->Host();
    hostVersion = p->HostVersion();
    resets = p->mResets;
    activations = p->mActivations.size();
    for (int i = 0; i < 4; ++i) callbacks.push_back(p->HostCallbackField(i));
    for (int i = 0; i < kRigNumParams; ++i) values.push_back(p->GetParam(i)->Value());
    inHost = p->InputBus(0)->hostChannels;
    outHost = p->OutputBus(0)->hostChannels;
    inConnected = p->InputBus(0)->connected;
    inputType = p->Connection(0)->inputType;
  }
  bool operator==(const Snapshot& o) const
  {
    return sampleRate == o.sampleRate && blockSize == o.blockSize && inScratch == o.inScratch &&
           outScratch == o.outScratch && bypassed == o.bypassed && offline == o.offline && preset == o.preset &&
           host == o.host && hostVersion == o.hostVersion && resets == o.resets && activations == o.activations &&
           callbacks == o.callbacks && values == o.values && inHost == o.inHost && outHost == o.outHost &&
           inConnected == o.inConnected && inputType == o.inputType;
  }

  double sampleRate;
  int blockSize, inScratch, outScratch;
  bool bypassed, offline;
  int preset, host, hostVersion, resets;
  size_t activations;
  std::vector<const void*> callbacks;
  std::vector<double> values;
  int inHost, outHost;
  bool inConnected;
  int inputType;
};

// One settable property with data that would be accepted, and where it lives.
struct Settable
{
  const char* name;
  AudioUnitPropertyID id;
  AudioUnitScope scope;
  AudioUnitElement badElement;  // first element beyond the scope's range
  std::vector<unsigned char> data;
  bool shortDataAccepted;   // a shorter structure is part of the property's contract
  bool scopeFree = false;   // a property of the whole unit: any scope and element name it
};

template <class T>
std::vector<unsigned char> Bytes(const T& value)
{
  const unsigned char* p = (const unsigned char*)&value;
  return std::vector<unsigned char>(p, p + sizeof(T));
}

class PropsSetTest : public ::testing::Test
{
protected:
  OSStatus Set(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, const void* data, UInt32 size)
  {
    return AudioUnitSetProperty(rig.unit, id, scope, element, data, size);
  }
  template <class T>
  OSStatus Set(AudioUnitPropertyID id, const T& value, AudioUnitScope scope = kAudioUnitScope_Global)
  {
    return Set(id, scope, 0, &value, sizeof(T));
  }

  // Good data for every settable property; each would change the snapshot.
  std::vector<Settable> Settables()
  {
    std::vector<Settable> rows;
    rows.push_back({"ClassInfo", kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 1, Bytes(otherState), false,
                    true});
    AudioUnitConnection conn = {other.unit, 0, 0};
    rows.push_back({"MakeConnection", kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 1, Bytes(conn), false});
    rows.push_back({"SampleRate", kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 1, Bytes(Float64(48000.0)),
                    false, true});
    rows.push_back({"StreamFormat", kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 1,
                    Bytes(FloatFormat(48000.0, 1)), false});
    rows.push_back({"MaximumFramesPerSlice", kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 1,
                    Bytes(UInt32(512)), false, true});
    rows.push_back({"BypassEffect", kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 1, Bytes(UInt32(1)),
                    false, true});
    AURenderCallbackStruct cb = {NoInput, nullptr};
    rows.push_back({"SetRenderCallback", kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 1, Bytes(cb),
                    false});
    HostCallbackInfo hci = {};
    hci.hostUserData = this;
    hci.beatAndTempoProc = Tempo;
    rows.push_back({"HostCallbacks", kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 1, Bytes(hci), true});
    AUPreset preset = {kRigPresetHot, nullptr};
    rows.push_back({"CurrentPreset", kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 1, Bytes(preset),
                    false, true});
    rows.push_back({"PresentPreset", kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 1, Bytes(preset),
                    false, true});
    rows.push_back({"OfflineRender", kAudioUnitProperty_OfflineRender, kAudioUnitScope_Global, 1, Bytes(UInt32(1)),
                    false, true});
    AUHostIdentifier hostID = {hostName, {0, 0, 0x31, 2}};
    rows.push_back({"AUHostIdentifier", kAudioUnitProperty_AUHostIdentifier, kAudioUnitScope_Global, 1, Bytes(hostID),
                    false, true});
    return rows;
  }

  void SetUp() override
  {
    ASSERT_NE(rig.unit, nullptr);
    ASSERT_NE(other.unit, nullptr);
    // State of another instance with other values, for ClassInfo.
    ASSERT_EQ(AudioUnitSetParameter(other.unit, kRigGain, kAudioUnitScope_Global, 0, 7.5f, 0), noErr);
    UInt32 size = sizeof(otherState);
    ASSERT_EQ(AudioUnitGetProperty(other.unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &otherState,
                                   &size),
              noErr);
    hostName = CFStringCreateWithCString(nullptr, "Test Host", kCFStringEncodingUTF8);
  }
  void TearDown() override
  {
    if (otherState) CFRelease(otherState);
    if (hostName) CFRelease(hostName);
  }

  RigUnit rig;
  RigUnit other;
  CFPropertyListRef otherState = nullptr;
  CFStringRef hostName = nullptr;
};

TEST_F(PropsSetTest, GoodDataChangesEverySettable)
{
  for (Settable& row : Settables())
  {
    RigUnit fresh;
    const Snapshot before(fresh.plug);
    EXPECT_EQ(AudioUnitSetProperty(fresh.unit, row.id, row.scope, 0, row.data.data(), (UInt32)row.data.size()), noErr)
      << row.name;
    EXPECT_FALSE(Snapshot(fresh.plug) == before) << row.name;
    if (!row.scopeFree) continue;
    RigUnit anyScope;
    const Snapshot untouched(anyScope.plug);
    EXPECT_EQ(AudioUnitSetProperty(anyScope.unit, row.id, 99, 7, row.data.data(), (UInt32)row.data.size()), noErr)
      << row.name;
    EXPECT_FALSE(Snapshot(anyScope.plug) == untouched) << row.name;
  }
}

TEST_F(PropsSetTest, BadDataScopeOrElementChangesNothing)
{
  for (Settable& row : Settables())
  {
    const UInt32 size = (UInt32)row.data.size();
    struct Case
    {
      const char* what;
      AudioUnitScope scope;
      AudioUnitElement element;
      const void* data;
      UInt32 size;
    } cases[] = {
      {"null data", row.scope, 0, nullptr, size},
      {"short size", row.scope, 0, row.data.data(), row.shortDataAccepted ? 0u : size - 1},
      {"zero size", row.scope, 0, row.data.data(), 0},
      {"unknown scope", 99, 0, row.data.data(), size},
      {"element out of range", row.scope, row.badElement, row.data.data(), size},
    };
    for (const Case& c : cases)
    {
      if (row.shortDataAccepted && c.data && c.size < size) continue;
      if (row.scopeFree && c.data && c.size == size) continue;
      const Snapshot before(rig.plug);
      EXPECT_NE(Set(row.id, c.scope, c.element, c.data, c.size), noErr) << row.name << ": " << c.what;
      EXPECT_TRUE(Snapshot(rig.plug) == before) << row.name << ": " << c.what;
    }
  }
}

TEST_F(PropsSetTest, ListenersHearRefusedSetsToo)
{
  struct Heard
  {
    std::vector<AudioUnitPropertyID> ids;
    static void Proc(void* userData, AudioUnit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement element)
    {
      ((Heard*)userData)->ids.push_back(id);
      EXPECT_EQ(element, 0u);
    }
  } heard;
  ASSERT_EQ(AudioUnitAddPropertyListener(rig.unit, kAudioUnitProperty_SampleRate, Heard::Proc, &heard), noErr);
  EXPECT_EQ(Set(kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, nullptr, 8),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(Set(kAudioUnitProperty_SampleRate, Float64(48000.0)), noErr);
  EXPECT_EQ(heard.ids.size(), 2u);
}

// Rates outside 1 Hz .. 10 MHz would give the filters non-finite
// coefficients; the bounds themselves are accepted.
TEST_F(PropsSetTest, SampleRateMustBeWithinOneHertzAndTenMegahertz)
{
  for (Float64 rate : {0.0, -44100.0, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity(), std::numeric_limits<double>::denorm_min(), 0.999,
                       1.0e7 * (1.0 + 1e-15), 1.0e300, std::numeric_limits<double>::max()})
  {
    const Snapshot before(rig.plug);
    EXPECT_EQ(Set(kAudioUnitProperty_SampleRate, rate), kAudioUnitErr_InvalidPropertyValue) << rate;
    if (rate == 0.0) continue;
    AudioStreamBasicDescription f = FloatFormat(rate, 2);
    EXPECT_EQ(Set(kAudioUnitProperty_StreamFormat, f, kAudioUnitScope_Output), kAudioUnitErr_InvalidPropertyValue);
    EXPECT_TRUE(Snapshot(rig.plug) == before) << rate;
  }
  // A format without a rate keeps the current one.
  EXPECT_EQ(Set(kAudioUnitProperty_StreamFormat, FloatFormat(0.0, 2), kAudioUnitScope_Output), noErr);
  EXPECT_EQ(rig.plug->OutputBus(0)->hostChannels, 2);
  EXPECT_EQ(rig.plug->SampleRate(), 44100.0);
  EXPECT_EQ(rig.plug->mResets, 0);
  EXPECT_EQ(Set(kAudioUnitProperty_SampleRate, Float64(88200.0)), noErr);
  EXPECT_EQ(rig.plug->SampleRate(), 88200.0);
  EXPECT_EQ(rig.plug->mResets, 1);
  EXPECT_EQ(rig.plug->mResetSampleRate, 88200.0);
  for (Float64 rate : {1.0, 1.0e7})
  {
    EXPECT_EQ(Set(kAudioUnitProperty_SampleRate, rate), noErr) << rate;
    EXPECT_EQ(Set(kAudioUnitProperty_StreamFormat, FloatFormat(rate, 2), kAudioUnitScope_Output), noErr) << rate;
    EXPECT_EQ(rig.plug->SampleRate(), rate);
  }
}

// A host that sets only stream formats gets a plug-in reset for the new rate.
TEST_F(PropsSetTest, SampleRateFromAStreamFormatResetsThePlugIn)
{
  AudioStreamBasicDescription f = FloatFormat(96000.0, 2);
  ASSERT_EQ(Set(kAudioUnitProperty_StreamFormat, f, kAudioUnitScope_Input), noErr);
  EXPECT_EQ(rig.plug->SampleRate(), 96000.0);
  EXPECT_EQ(rig.plug->mResets, 1);
  EXPECT_EQ(rig.plug->mResetSampleRate, 96000.0);
  // The same rate again changes nothing that needs a reset.
  ASSERT_EQ(Set(kAudioUnitProperty_StreamFormat, f, kAudioUnitScope_Output), noErr);
  EXPECT_EQ(rig.plug->mResets, 1);
}

TEST_F(PropsSetTest, StreamFormatsFollowTheChannelList)
{
  EXPECT_EQ(Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100.0, 2), kAudioUnitScope_Input), noErr);
  EXPECT_EQ(rig.plug->InputBus(0)->hostChannels, 2);

  // Mono in, then stereo out: legal each alone before Initialize, but not
  // together, so Initialize refuses; after mono out as well it succeeds.
  EXPECT_EQ(Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100.0, 1), kAudioUnitScope_Input), noErr);
  EXPECT_EQ(Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100.0, 2), kAudioUnitScope_Output), noErr);
  EXPECT_EQ(AudioUnitInitialize(rig.unit), kAudioUnitErr_FormatNotSupported);
  EXPECT_EQ(Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100.0, 1), kAudioUnitScope_Output), noErr);
  EXPECT_EQ(AudioUnitInitialize(rig.unit), noErr);
  // Once initialised, a new format must fit the other side.
  EXPECT_EQ(Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100.0, 2), kAudioUnitScope_Output),
            kAudioUnitErr_FormatNotSupported);
  EXPECT_EQ(rig.plug->OutputBus(0)->hostChannels, 1);
}

// Every refused format answers kAudioUnitErr_FormatNotSupported and leaves
// the unit as it was (the bus keeps its channels, the rate stays): channel
// counts the list lacks, other formats, and linear PCM that is not one
// buffer of native 32-bit floats per channel (the render path would misread
// it).
TEST_F(PropsSetTest, RefusedFormatsChangeNothing)
{
  ASSERT_EQ(Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100.0, 2), kAudioUnitScope_Input), noErr);
  const auto with = [](std::function<void(AudioStreamBasicDescription&)> change) {
    AudioStreamBasicDescription f = FloatFormat(48000.0, 1);
    change(f);
    return f;
  };
  const struct
  {
    const char* what;
    AudioStreamBasicDescription format;
  } rows[] = {
    {"16-bit integer", with([](AudioStreamBasicDescription& f) {
       f.mFormatFlags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
       f.mBitsPerChannel = 16;
       f.mBytesPerFrame = f.mBytesPerPacket = 2;
     })},
    {"64-bit float", with([](AudioStreamBasicDescription& f) {
       f.mBitsPerChannel = 64;
       f.mBytesPerFrame = f.mBytesPerPacket = 8;
     })},
    {"interleaved", with([](AudioStreamBasicDescription& f) {
       f.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked;
       f.mBytesPerFrame = f.mBytesPerPacket = 8;
       f.mChannelsPerFrame = 2;
     })},
    {"big-endian", with([](AudioStreamBasicDescription& f) { f.mFormatFlags |= kAudioFormatFlagIsBigEndian; })},
    {"several frames per packet", with([](AudioStreamBasicDescription& f) { f.mFramesPerPacket = 2; })},
    {"three channels", with([](AudioStreamBasicDescription& f) { f.mChannelsPerFrame = 3; })},
    {"no channels", with([](AudioStreamBasicDescription& f) { f.mChannelsPerFrame = 0; })},
    {"not linear PCM", with([](AudioStreamBasicDescription& f) { f.mFormatID = 0x61616320; })},  // 'aac '
    {"neither float nor packed", with([](AudioStreamBasicDescription& f) {
       f.mFormatFlags = kAudioFormatFlagIsNonInterleaved;
     })},
  };
  for (const auto& row : rows)
    for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output})
    {
      const Snapshot before(rig.plug);
      EXPECT_EQ(Set(kAudioUnitProperty_StreamFormat, row.format, scope), kAudioUnitErr_FormatNotSupported)
        << row.what << " scope " << scope;
      EXPECT_TRUE(Snapshot(rig.plug) == before) << row.what << " scope " << scope;
    }
}

TEST_F(PropsSetTest, MaximumFramesResizeTheBuffersOrNothing)
{
  ASSERT_EQ(Set(kAudioUnitProperty_MaximumFramesPerSlice, UInt32(4096)), noErr);
  EXPECT_EQ(rig.plug->BlockSize(), 4096);
  EXPECT_EQ(rig.plug->OutputScratchSize(), 2 * 4096);
  EXPECT_EQ(rig.plug->InputScratchSize(), 2 * 4096);
  EXPECT_EQ(rig.plug->mResets, 1);
  for (UInt32 frames : {0u, 0x20000000u, 0xFFFFFFFFu})
  {
    const Snapshot before(rig.plug);
    EXPECT_EQ(Set(kAudioUnitProperty_MaximumFramesPerSlice, frames), kAudioUnitErr_InvalidPropertyValue) << frames;
    EXPECT_TRUE(Snapshot(rig.plug) == before) << frames;
  }
}

TEST_F(PropsSetTest, BypassActivatesAndResets)
{
  ASSERT_EQ(Set(kAudioUnitProperty_BypassEffect, UInt32(1)), noErr);
  EXPECT_TRUE(rig.plug->Bypassed());
  ASSERT_EQ(rig.plug->mActivations.size(), 1u);
  EXPECT_FALSE(rig.plug->mActivations[0]);
  EXPECT_EQ(rig.plug->mResets, 1);
  UInt32 value = 0;
  UInt32 size = sizeof(value);
  ASSERT_EQ(AudioUnitGetProperty(rig.unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &value, &size),
            noErr);
  EXPECT_EQ(value, 1u);
  ASSERT_EQ(Set(kAudioUnitProperty_BypassEffect, UInt32(0)), noErr);
  EXPECT_TRUE(rig.plug->mActivations[1]);
}

TEST_F(PropsSetTest, PresetNumbersThatDoNotExistAreRefused)
{
  // A negative number is a host's own preset: accepted, nothing to select.
  for (SInt32 number : {-1, std::numeric_limits<SInt32>::min(), (SInt32)kRigNumPresets, 1000000})
  {
    AUPreset preset = {number, nullptr};
    const Snapshot before(rig.plug);
    const OSStatus expected = number < 0 ? (OSStatus)noErr : (OSStatus)kAudioUnitErr_InvalidPropertyValue;
    EXPECT_EQ(Set(kAudioUnitProperty_PresentPreset, preset), expected) << number;
    EXPECT_TRUE(Snapshot(rig.plug) == before);
  }
  AUPreset hot = {kRigPresetHot, nullptr};
  ASSERT_EQ(Set(kAudioUnitProperty_CurrentPreset, hot), noErr);
  EXPECT_EQ(rig.plug->GetCurrentPresetIdx(), kRigPresetHot);
  EXPECT_EQ(rig.plug->GetParam(kRigGain)->Value(), 6.0);
  EXPECT_EQ(rig.plug->GetParam(kRigMode)->Value(), 2.0);
}

TEST_F(PropsSetTest, HostIdentifierPacksTheVersion)
{
  AUHostIdentifier hostID = {hostName, {0, 0, 0x31, 2}};
  ASSERT_EQ(Set(kAudioUnitProperty_AUHostIdentifier, hostID), noErr);
  EXPECT_EQ(rig.plug->HostVersion(), 0x20301);
  EXPECT_EQ(rig.plug->mHostIdentified, 2);  // once at open, once now
  AUHostIdentifier noName = {nullptr, {0, 0, 0, 3}};
  EXPECT_EQ(Set(kAudioUnitProperty_AUHostIdentifier, noName), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(rig.plug->HostVersion(), 0x20301);
}

TEST_F(PropsSetTest, RenderCallbackOnlyInInputScopeAndConnectionsReplaceEachOther)
{
  AURenderCallbackStruct cb = {NoInput, this};
  EXPECT_EQ(Set(kAudioUnitProperty_SetRenderCallback, cb, kAudioUnitScope_Global), kAudioUnitErr_InvalidProperty);
  ASSERT_EQ(Set(kAudioUnitProperty_SetRenderCallback, cb, kAudioUnitScope_Input), noErr);
  EXPECT_EQ(rig.plug->Connection(0)->inputType, IPlugAU::RenderCallback);
  EXPECT_TRUE(rig.plug->InChannelConnected(1));

  AudioUnitConnection conn = {other.unit, 0, 0};
  ASSERT_EQ(Set(kAudioUnitProperty_MakeConnection, conn, kAudioUnitScope_Input), noErr);
  EXPECT_EQ(rig.plug->Connection(0)->inputType, IPlugAU::DirectFastProc);
  EXPECT_EQ(rig.plug->Connection(0)->renderCallback, nullptr);

  AudioUnitConnection badDest = {other.unit, 0, 1};
  EXPECT_EQ(Set(kAudioUnitProperty_MakeConnection, badDest, kAudioUnitScope_Input), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(rig.plug->Connection(0)->inputType, IPlugAU::DirectFastProc);

  AURenderCallbackStruct none = {nullptr, nullptr};
  ASSERT_EQ(Set(kAudioUnitProperty_SetRenderCallback, none, kAudioUnitScope_Input), noErr);
  EXPECT_EQ(rig.plug->Connection(0)->inputType, IPlugAU::NotConnected);
  EXPECT_FALSE(rig.plug->InChannelConnected(0));
}

TEST_F(PropsSetTest, UnknownAndReadOnlyPropertiesAreRefused)
{
  const unsigned char value[64] = {1};
  const AudioUnitPropertyID ids[] = {kAudioUnitProperty_CPULoad, kAudioUnitProperty_Latency,
                                     kAudioUnitProperty_ParameterList, 1000, 12345};
  for (AudioUnitPropertyID id : ids)
    EXPECT_EQ(Set(id, kAudioUnitScope_Global, 0, value, sizeof(value)), kAudioUnitErr_InvalidProperty) << id;
}
}  // namespace
