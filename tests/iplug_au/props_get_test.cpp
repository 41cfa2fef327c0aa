// Property reads: sizes, scopes, elements and values as a host sees them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <fstream>
#include <sys/stat.h>

#include "au_test_plug.h"
#include "props_rig.h"

namespace
{
class PropsGetTest : public ::testing::Test
{
protected:
  OSStatus Info(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, UInt32* size,
                Boolean* writable)
  {
    return AudioUnitGetPropertyInfo(rig.unit, id, scope, element, size, writable);
  }
  template <class T>
  OSStatus Get(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, T* value)
  {
    UInt32 size = sizeof(T);
    return AudioUnitGetProperty(rig.unit, id, scope, element, value, &size);
  }
  AudioUnitParameterInfo ParamInfo(int idx)
  {
    AudioUnitParameterInfo info;
    memset(&info, 0xAB, sizeof(info));
    EXPECT_EQ(Get(kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, idx, &info), noErr);
    return info;
  }
  void Release(AudioUnitParameterInfo& info)
  {
    if (info.cfNameString) CFRelease(info.cfNameString);
    if (info.unitName) CFRelease(info.unitName);
  }

  RigUnit rig;
};

TEST_F(PropsGetTest, InformationQueriesGiveSizesAndWritability)
{
  struct Row
  {
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    UInt32 size;
    bool writable;
  } rows[] = {
    {kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 8, true},
    {kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 16, true},
    {kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 8, true},
    {kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 4 * kRigNumParams, false},
    {kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, 104, false},
    {kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 40, true},
    {kAudioUnitProperty_ElementCount, kAudioUnitScope_Input, 4, false},
    {kAudioUnitProperty_Latency, kAudioUnitScope_Global, 8, false},
    {kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 8, false},
    {kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 4, true},
    {kAudioUnitProperty_TailTime, kAudioUnitScope_Global, 8, false},
    {kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 4, true},
    {kAudioUnitProperty_LastRenderError, kAudioUnitScope_Global, 4, false},
    {kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 16, true},
    {kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 8, false},
    {kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 32, true},
    {kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 16, true},
    {kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 16, true},
    {kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 24, false},
    {kAudioUnitProperty_ParameterIDName, kAudioUnitScope_Global, 16, false},
    {kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 16, false},
    {kAudioUnitProperty_ParameterValueFromString, kAudioUnitScope_Global, 24, false},
  };
  for (const Row& row : rows)
  {
    UInt32 size = 0;
    Boolean writable = !row.writable;
    EXPECT_EQ(Info(row.id, row.scope, 0, &size, &writable), noErr) << row.id;
    EXPECT_EQ(size, row.size) << row.id;
    EXPECT_EQ((bool)writable, row.writable) << row.id;
  }
}

TEST_F(PropsGetTest, RefusedProperties)
{
  struct Row
  {
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    AudioUnitElement element;
    OSStatus result;
  } rows[] = {
    {kAudioUnitProperty_CPULoad, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_OfflineRender, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_AUHostIdentifier, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_AudioChannelLayout, kAudioUnitScope_Output, 0, kAudioUnitErr_InvalidPropertyValue},
    {kAudioUnitProperty_SupportedChannelLayoutTags, kAudioUnitScope_Output, 0, kAudioUnitErr_InvalidProperty},
    {kMusicDeviceProperty_InstrumentCount, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_GetUIComponentList, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_Latency, kAudioUnitScope_Input, 0, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_MakeConnection, kAudioUnitScope_Output, 0, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 1, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 1, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_StreamFormat, kAudioUnitScope_Group, 0, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, kRigNumParams, kAudioUnitErr_InvalidElement},
    {kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Input, 0, kAudioUnitErr_InvalidProperty},
    {kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, 0xFFFFFFFFu, kAudioUnitErr_InvalidElement},
    {kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitResetSelect, kAudioUnitErr_InvalidElement},
  };
  for (const Row& row : rows)
  {
    UInt32 size = 0;
    Boolean writable = false;
    EXPECT_EQ(Info(row.id, row.scope, row.element, &size, &writable), row.result) << row.id;
    unsigned char data[128] = {};
    size = sizeof(data);
    EXPECT_EQ(AudioUnitGetProperty(rig.unit, row.id, row.scope, row.element, data, &size), row.result) << row.id;
  }
}

// Every property the rig answers, read with one byte less than its size:
// refused, and not one byte of the caller's memory changes.
TEST_F(PropsGetTest, EveryReadablePropertyRefusesOneByteTooLittleRoom)
{
  struct Row
  {
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    AudioUnitElement element;
  } rows[] = {
    {kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0},
    {kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, kRigGain},
    {kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitRenderSelect},
    {kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0},
    {kAudioUnitProperty_ElementCount, kAudioUnitScope_Input, 0},
    {kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, kRigMode},
    {kAudioUnitProperty_TailTime, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_LastRenderError, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0},
    {kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_ElementName, kAudioUnitScope_Input, 0},
    {kAudioUnitProperty_ElementName, kAudioUnitScope_Output, 0},
    {kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_ParameterIDName, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0},
    {kAudioUnitProperty_ParameterValueFromString, kAudioUnitScope_Global, 0},
  };
  for (const Row& row : rows)
  {
    UInt32 size = 0;
    Boolean writable = false;
    const OSStatus info = Info(row.id, row.scope, row.element, &size, &writable);
    EXPECT_TRUE(info == noErr || row.id == kAudioUnitProperty_ElementName) << row.id;
    ASSERT_GT(size, 0u) << row.id;
    std::vector<unsigned char> data(size + 16, 0x5A);
    UInt32 room = size - 1;
    EXPECT_EQ(AudioUnitGetProperty(rig.unit, row.id, row.scope, row.element, data.data(), &room),
              kAudioUnitErr_InvalidPropertyValue)
      << row.id;
    EXPECT_EQ(room, size - 1) << row.id;
    for (size_t i = 0; i < data.size(); ++i) ASSERT_EQ(data[i], 0x5A) << row.id << " byte " << i;
  }
}

// A value query never writes past the room the caller offers.
TEST_F(PropsGetTest, ValueQueryWithTooLittleRoomIsRefusedUntouched)
{
  unsigned char data[16];
  memset(data, 0x5A, sizeof(data));
  UInt32 size = 4;
  EXPECT_EQ(AudioUnitGetProperty(rig.unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, data, &size),
            kAudioUnitErr_InvalidPropertyValue);
  size = 4 * kRigNumParams - 1;
  std::vector<unsigned char> ids(4 * kRigNumParams, 0x5A);
  EXPECT_EQ(AudioUnitGetProperty(rig.unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids.data(),
                                 &size),
            kAudioUnitErr_InvalidPropertyValue);
  for (unsigned char b : data) EXPECT_EQ(b, 0x5A);
  for (unsigned char b : ids) EXPECT_EQ(b, 0x5A);
}

TEST_F(PropsGetTest, ElementNameValueWorksWhileItsInformationQueryFails)
{
  UInt32 size = 0;
  Boolean writable = true;
  EXPECT_EQ(Info(kAudioUnitProperty_ElementName, kAudioUnitScope_Input, 0, &size, &writable),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(size, 8u);
  EXPECT_FALSE(writable);

  struct Row
  {
    AudioUnitScope scope;
    AudioUnitElement element;
    OSStatus result;
    const char* name;
  } rows[] = {
    {kAudioUnitScope_Input, 0, noErr, "input"},
    {kAudioUnitScope_Input, 1, noErr, "aux input"},
    {kAudioUnitScope_Input, 2, kAudioUnitErr_InvalidElement, nullptr},
    {kAudioUnitScope_Output, 0, noErr, "output"},
    {kAudioUnitScope_Output, 1, kAudioUnitErr_InvalidElement, nullptr},
    {kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidScope, nullptr},
  };
  for (const Row& row : rows)
  {
    CFStringRef name = nullptr;
    EXPECT_EQ(Get(kAudioUnitProperty_ElementName, row.scope, row.element, &name), row.result);
    if (row.name) { EXPECT_EQ(Utf8(name), row.name); }
    if (name) CFRelease(name);
  }
}

TEST_F(PropsGetTest, ParameterListCountsAndLatency)
{
  UInt32 size = 99;
  Boolean writable = true;
  EXPECT_EQ(Info(kAudioUnitProperty_ParameterList, kAudioUnitScope_Input, 0, &size, &writable), noErr);
  EXPECT_EQ(size, 0u);

  AudioUnitParameterID ids[kRigNumParams] = {};
  size = sizeof(ids);
  ASSERT_EQ(AudioUnitGetProperty(rig.unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids, &size),
            noErr);
  for (int i = 0; i < kRigNumParams; ++i) EXPECT_EQ(ids[i], (AudioUnitParameterID)i);

  UInt32 count = 9;
  EXPECT_EQ(Get(kAudioUnitProperty_ElementCount, kAudioUnitScope_Global, 0, &count), noErr);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Get(kAudioUnitProperty_ElementCount, kAudioUnitScope_Output, 0, &count), noErr);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Get(kAudioUnitProperty_ElementCount, kAudioUnitScope_Group, 0, &count), noErr);
  EXPECT_EQ(count, 0u);

  Float64 latency = 0.0, tail = 1.0;
  EXPECT_EQ(Get(kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, &latency), noErr);
  EXPECT_EQ(Get(kAudioUnitProperty_TailTime, kAudioUnitScope_Global, 0, &tail), noErr);
  EXPECT_EQ(latency, 4.0 / 44100.0);
  EXPECT_EQ(tail, latency);

  AUChannelInfo pairs[2] = {};
  EXPECT_EQ(Get(kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0, &pairs), noErr);
  EXPECT_EQ(pairs[0].inChannels, 1);
  EXPECT_EQ(pairs[0].outChannels, 1);
  EXPECT_EQ(pairs[1].inChannels, 2);
  EXPECT_EQ(pairs[1].outChannels, 2);

  OSStatus lastError = 5;
  EXPECT_EQ(Get(kAudioUnitProperty_LastRenderError, kAudioUnitScope_Global, 0, &lastError), noErr);
  EXPECT_EQ(lastError, 0);
}

TEST_F(PropsGetTest, StreamFormatReportsPlugChannelsUntilTheHostSetsSome)
{
  AudioStreamBasicDescription f;
  memset(&f, 0xCD, sizeof(f));
  ASSERT_EQ(Get(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &f), noErr);
  EXPECT_EQ(f.mSampleRate, 44100.0);
  EXPECT_EQ(f.mFormatID, (UInt32)kAudioFormatLinearPCM);
  EXPECT_EQ(f.mFormatFlags, 41u);
  EXPECT_EQ(f.mBytesPerPacket, 4u);
  EXPECT_EQ(f.mFramesPerPacket, 1u);
  EXPECT_EQ(f.mBytesPerFrame, 4u);
  EXPECT_EQ(f.mChannelsPerFrame, 2u);
  EXPECT_EQ(f.mBitsPerChannel, 32u);
  EXPECT_EQ(f.mReserved, 0u);

  AudioStreamBasicDescription mono = FloatFormat(44100.0, 1);
  ASSERT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Global, 0, &mono,
                                 sizeof(mono)),
            noErr);
  ASSERT_EQ(Get(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &f), noErr);
  EXPECT_EQ(f.mChannelsPerFrame, 1u);
}

TEST_F(PropsGetTest, ParameterInfoFlagsUnitsAndRanges)
{
  AudioUnitParameterInfo gain = ParamInfo(kRigGain);
  EXPECT_STREQ(gain.name, "Gain");
  EXPECT_EQ(Utf8(gain.cfNameString), "Gain");
  EXPECT_EQ(gain.unit, (AudioUnitParameterUnit)kAudioUnitParameterUnit_CustomUnit);
  EXPECT_EQ(Utf8(gain.unitName), "dB");
  EXPECT_EQ(gain.minValue, -12.0f);
  EXPECT_EQ(gain.maxValue, 12.0f);
  EXPECT_EQ(gain.defaultValue, 0.0f);
  EXPECT_EQ(gain.flags, 0xC8000010u | kAudioUnitParameterFlag_HasClump);
  Release(gain);

  AudioUnitParameterInfo mode = ParamInfo(kRigMode);
  EXPECT_EQ(mode.unit, (AudioUnitParameterUnit)kAudioUnitParameterUnit_Indexed);
  EXPECT_EQ(mode.unitName, nullptr);
  EXPECT_EQ(mode.defaultValue, 1.0f);
  Release(mode);

  AudioUnitParameterInfo boost = ParamInfo(kRigBoost);
  EXPECT_EQ(boost.unit, (AudioUnitParameterUnit)kAudioUnitParameterUnit_Boolean);
  Release(boost);

  AudioUnitParameterInfo phase = ParamInfo(kRigPhase);
  EXPECT_EQ(phase.unit, (AudioUnitParameterUnit)kAudioUnitParameterUnit_Generic);
  EXPECT_EQ(phase.flags, 0xC8000010u);
  EXPECT_EQ(phase.clumpID, 0u);
  Release(phase);

  AudioUnitParameterInfo meter = ParamInfo(kRigMeter);
  EXPECT_EQ(meter.flags, 0x48000010u);
  EXPECT_STREQ(meter.name, "Meter level of the output");
  Release(meter);
}

TEST_F(PropsGetTest, ClumpIDsFollowTheOrderOfFirstQuestions)
{
  AudioUnitParameterInfo mode = ParamInfo(kRigMode);   // "Tone" asked first
  AudioUnitParameterInfo boost = ParamInfo(kRigBoost); // then "Input"
  AudioUnitParameterInfo gain = ParamInfo(kRigGain);   // "Input" again
  EXPECT_EQ(mode.clumpID, 1u);
  EXPECT_EQ(boost.clumpID, 2u);
  EXPECT_EQ(gain.clumpID, 2u);
  EXPECT_EQ(rig.plug->NParamGroups(), 2);
  Release(mode);
  Release(boost);
  Release(gain);

  struct Row
  {
    UInt32 clumpID;
    OSStatus result;
    const char* name;
  } rows[] = {
    {1, noErr, "Tone"},
    {2, noErr, "Input"},
    {0, kAudioUnitErr_PropertyNotInUse, nullptr},
    {3, kAudioUnitErr_InvalidParameter, nullptr},
    {0xFFFFFFFFu, kAudioUnitErr_InvalidParameter, nullptr},
  };
  for (const Row& row : rows)
  {
    AudioUnitParameterNameInfo info = {row.clumpID, kAudioUnitParameterName_Full, nullptr};
    EXPECT_EQ(Get(kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 0, &info), row.result) << row.clumpID;
    if (row.name) { EXPECT_EQ(Utf8(info.outName), row.name); }
    if (info.outName) CFRelease(info.outName);
  }
}

TEST_F(PropsGetTest, ParameterIDNameIsCutToTheDesiredLength)
{
  struct Row
  {
    AudioUnitParameterID id;
    SInt32 desired;
    OSStatus result;
    const char* name;
  } rows[] = {
    {kRigMeter, 5, noErr, "Meter"},
    {kRigMeter, 100, noErr, "Meter level of the output"},
    {kRigMeter, kAudioUnitParameterName_Full, noErr, "Meter level of the output"},
    {kRigMeter, 0, noErr, ""},
    {kRigMeter, -7, noErr, ""},
    {kRigNumParams, 5, kAudioUnitErr_InvalidParameter, nullptr},
  };
  for (const Row& row : rows)
  {
    AudioUnitParameterIDName idName = {row.id, row.desired, nullptr};
    EXPECT_EQ(Get(kAudioUnitProperty_ParameterIDName, kAudioUnitScope_Global, 0, &idName), row.result);
    if (row.name) { EXPECT_EQ(Utf8(idName.outName), row.name) << row.desired; }
    if (idName.outName) CFRelease(idName.outName);
  }
  // Other scopes answer without writing.
  AudioUnitParameterIDName idName = {kRigGain, 5, nullptr};
  EXPECT_EQ(Get(kAudioUnitProperty_ParameterIDName, kAudioUnitScope_Input, 0, &idName), noErr);
  EXPECT_EQ(idName.outName, nullptr);
}

TEST_F(PropsGetTest, ValueStringsOfAnEnumeratedParameter)
{
  CFArrayRef names = nullptr;
  ASSERT_EQ(Get(kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, kRigMode, &names), noErr);
  ASSERT_NE(names, nullptr);
  ASSERT_EQ(CFArrayGetCount(names), 3);
  EXPECT_EQ(Utf8((CFStringRef)CFArrayGetValueAtIndex(names, 0)), "Clean");
  EXPECT_EQ(Utf8((CFStringRef)CFArrayGetValueAtIndex(names, 2)), "Hot");
  CFRelease(names);

  UInt32 size = 8;
  Boolean writable = false;
  EXPECT_EQ(Info(kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, kRigGain, &size, &writable),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(size, 0u);
}

TEST_F(PropsGetTest, StringFromValue)
{
  struct Row
  {
    AudioUnitParameterID id;
    bool hasValue;
    AudioUnitParameterValue value;
    OSStatus result;
    const char* text;
  } rows[] = {
    {kRigGain, true, 3.25f, noErr, "3.2"},
    {kRigMode, true, 2.0f, noErr, "Hot"},
    {kRigPhase, true, 90.0f, noErr, "-90"},
    {kRigSteps, false, 0.0f, noErr, "3"},    // no value: the current one
    {kRigGain, true, 1e30f, noErr, nullptr}, // any value: cut, terminated
    {kRigGain, true, NAN, noErr, nullptr},
    {kRigNumParams, true, 1.0f, kAudioUnitErr_InvalidParameter, nullptr},
  };
  for (const Row& row : rows)
  {
    AudioUnitParameterStringFromValue sfv = {row.id, row.hasValue ? &row.value : nullptr, nullptr};
    EXPECT_EQ(Get(kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0, &sfv), row.result);
    if (row.result == noErr)
    {
      const std::string text = Utf8(sfv.outString);
      if (row.text) { EXPECT_EQ(text, row.text); }
      EXPECT_LE(text.size(), 31u);
      EXPECT_LT(strlen(rig.plug->DisplayText()), 32u);
    }
    if (sfv.outString) CFRelease(sfv.outString);
  }
}

TEST_F(PropsGetTest, ValueFromString)
{
  struct Row
  {
    AudioUnitParameterID id;
    const char* text;  // null: no string
    OSStatus result;
    AudioUnitParameterValue expected;
  } rows[] = {
    {kRigMode, "Hot", noErr, 2.0f},
    {kRigMode, "hot", noErr, -1.0f},  // unknown text: outValue stays
    {kRigGain, "3.5 dB", noErr, 3.5f},
    {kRigGain, "loud", noErr, 0.0f},
    {kRigPhase, "90", noErr, -90.0f},  // shown negated, read back negated
    {kRigGain, nullptr, kAudioUnitErr_InvalidPropertyValue, -1.0f},
    {kRigNumParams, "1", kAudioUnitErr_InvalidParameter, -1.0f},
  };
  for (const Row& row : rows)
  {
    CFStringRef str = row.text ? CFStringCreateWithCString(nullptr, row.text, kCFStringEncodingUTF8) : nullptr;
    AudioUnitParameterValueFromString vfs = {row.id, str, -1.0f};
    EXPECT_EQ(Get(kAudioUnitProperty_ParameterValueFromString, kAudioUnitScope_Global, 0, &vfs), row.result);
    EXPECT_EQ(vfs.outValue, row.expected) << (row.text ? row.text : "null");
    if (str) CFRelease(str);
  }
}

// A host string of any length is read only as far as the local copy holds.
TEST_F(PropsGetTest, ValueFromAVeryLongString)
{
  std::string text = "2.5";
  text.append(100000, '0');
  CFStringRef str = CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8);
  AudioUnitParameterValueFromString vfs = {kRigGain, str, -1.0f};
  EXPECT_EQ(Get(kAudioUnitProperty_ParameterValueFromString, kAudioUnitScope_Global, 0, &vfs), noErr);
  EXPECT_EQ(vfs.outValue, 2.5f);
  CFRelease(str);
}

// The view properties answer only for a plug-in with an editor, and the
// Cocoa view only when the plug-in's own bundle can be found.
TEST_F(PropsGetTest, ViewPropertiesNeedAnEditorAndTheBundle)
{
  ComponentDescription view = {};
  AudioUnitCocoaViewInfo cocoa = {};
  EXPECT_EQ(Get(kAudioUnitProperty_GetUIComponentList, kAudioUnitScope_Global, 0, &view),
            kAudioUnitErr_InvalidProperty);
  rig.plug->AttachGraphics(new AuTestGraphics);
  ASSERT_EQ(Get(kAudioUnitProperty_GetUIComponentList, kAudioUnitScope_Global, 0, &view), noErr);
  EXPECT_EQ(view.componentType, (OSType)kAudioUnitCarbonViewComponentType);
  EXPECT_EQ(view.componentSubType, RigDescription().componentSubType);
  EXPECT_EQ(view.componentManufacturer, RigDescription().componentManufacturer);
  EXPECT_EQ(view.componentFlags, 0u);
  EXPECT_EQ(view.componentFlagsMask, 0u);

  // No bundle carries the rig's identifier yet.
  EXPECT_EQ(Get(kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &cocoa), kAudioUnitErr_InvalidProperty);

  const std::string dir = std::string(CINDERPATH_BINARY_DIR) + "/RigPlugTest.component";
  mkdir(dir.c_str(), 0755);
  mkdir((dir + "/Contents").c_str(), 0755);
  std::ofstream(dir + "/Contents/Info.plist")
    << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
       "<key>CFBundleIdentifier</key><string>org.example.test.RigPlug</string></dict></plist>\n";
  CFURLRef url = CFURLCreateFromFileSystemRepresentation(nullptr, (const UInt8*)dir.c_str(), (CFIndex)dir.size(), true);
  CFBundleRef bundle = CFBundleCreate(nullptr, url);
  ASSERT_NE(bundle, nullptr);
  ASSERT_EQ(Get(kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &cocoa), noErr);
  EXPECT_EQ(Utf8(cocoa.mCocoaAUViewClass[0]), "RigPlug_View");
  CFStringRef folder = CFURLCopyLastPathComponent(cocoa.mCocoaAUViewBundleLocation);
  EXPECT_EQ(Utf8(folder), "RigPlugTest.component");
  if (folder) CFRelease(folder);
  CFRelease(cocoa.mCocoaAUViewBundleLocation);
  CFRelease(cocoa.mCocoaAUViewClass[0]);
  CFRelease(bundle);
  CFRelease(url);
}

TEST_F(PropsGetTest, FastDispatchHandsOutTheThreeProcedures)
{
  void* proc = nullptr;
  EXPECT_EQ(Get(kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitGetParameterSelect, &proc), noErr);
  EXPECT_EQ(proc, (void*)(AudioUnitGetParameterProc)IPlugAU::GetParamProc);
  EXPECT_EQ(Get(kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitSetParameterSelect, &proc), noErr);
  EXPECT_EQ(proc, (void*)(AudioUnitSetParameterProc)IPlugAU::SetParamProc);
  EXPECT_EQ(Get(kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitRenderSelect, &proc), noErr);
  EXPECT_EQ(proc, (void*)(AudioUnitRenderProc)IPlugAU::RenderProc);
}
}  // namespace
