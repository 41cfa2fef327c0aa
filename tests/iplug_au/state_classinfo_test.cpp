// The class-info dictionary: what GetState writes and what SetState accepts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "props_rig.h"

namespace
{
CFStringRef Str(const char* text) { return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8); }

class ClassInfoTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_NE(rig.unit, nullptr); }

  CFMutableDictionaryRef SavedState()
  {
    CFPropertyListRef state = nullptr;
    UInt32 size = sizeof(state);
    EXPECT_EQ(AudioUnitGetProperty(rig.unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, &size),
              noErr);
    CFMutableDictionaryRef copy = CFDictionaryCreateMutableCopy(nullptr, 0, (CFDictionaryRef)state);
    CFRelease(state);
    return copy;
  }
  OSStatus Restore(CFPropertyListRef state)
  {
    return AudioUnitSetProperty(rig.unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state,
                                sizeof(state));
  }
  static void Put(CFMutableDictionaryRef dict, const char* key, CFTypeRef value)
  {
    CFStringRef k = Str(key);
    if (value)
      CFDictionarySetValue(dict, k, value);
    else
      CFDictionaryRemoveValue(dict, k);
    CFRelease(k);
    if (value) CFRelease(value);
  }
  static CFNumberRef Num(SInt32 v) { return CFNumberCreate(nullptr, kCFNumberSInt32Type, &v); }
  static CFTypeRef Get(CFDictionaryRef dict, const char* key)
  {
    CFStringRef k = Str(key);
    CFTypeRef v = CFDictionaryGetValue(dict, k);
    CFRelease(k);
    return v;
  }
  void SetParam(int idx, float value)
  {
    ASSERT_EQ(AudioUnitSetParameter(rig.unit, idx, kAudioUnitScope_Global, 0, value, 0), noErr);
  }
  std::vector<double> Values()
  {
    std::vector<double> v;
    for (int i = 0; i < kRigNumParams; ++i) v.push_back(rig.plug->GetParam(i)->Value());
    return v;
  }

  RigUnit rig;
};

TEST_F(ClassInfoTest, DictionaryHoldsIdentityNameAndParameterBlock)
{
  CFMutableDictionaryRef state = SavedState();
  EXPECT_EQ(CFDictionaryGetCount(state), 6);
  SInt32 v = 0;
  ASSERT_TRUE(CFNumberGetValue((CFNumberRef)Get(state, "version"), kCFNumberSInt32Type, &v));
  EXPECT_EQ(v, 0x10203);
  ASSERT_TRUE(CFNumberGetValue((CFNumberRef)Get(state, "type"), kCFNumberSInt32Type, &v));
  EXPECT_EQ((OSType)v, RigDescription().componentType);
  ASSERT_TRUE(CFNumberGetValue((CFNumberRef)Get(state, "subtype"), kCFNumberSInt32Type, &v));
  EXPECT_EQ((OSType)v, RigDescription().componentSubType);
  ASSERT_TRUE(CFNumberGetValue((CFNumberRef)Get(state, "manufacturer"), kCFNumberSInt32Type, &v));
  EXPECT_EQ((OSType)v, RigDescription().componentManufacturer);
  char name[64] = {};
  ASSERT_TRUE(CFStringGetCString((CFStringRef)Get(state, "name"), name, sizeof(name), kCFStringEncodingUTF8));
  EXPECT_STREQ(name, "Init");
  CFDataRef data = (CFDataRef)Get(state, "data");
  ASSERT_EQ(CFDataGetLength(data), 8 * kRigNumParams);
  double gain = 1.0;
  memcpy(&gain, CFDataGetBytePtr(data), 8);
  EXPECT_EQ(gain, 0.0);
  CFRelease(state);
}

TEST_F(ClassInfoTest, SavedStateRestoresEveryParameter)
{
  SetParam(kRigGain, -3.5f);
  SetParam(kRigMode, 2.0f);
  SetParam(kRigBoost, 1.0f);
  SetParam(kRigSteps, 8.0f);
  SetParam(kRigPhase, 45.0f);
  SetParam(kRigMeter, 0.25f);
  const std::vector<double> saved = Values();
  CFMutableDictionaryRef state = SavedState();
  for (int i = 0; i < kRigNumParams; ++i) SetParam(i, 0.0f);
  rig.plug->mParamChanges.clear();

  EXPECT_EQ(Restore(state), noErr);
  EXPECT_EQ(Values(), saved);
  // The stored name "Init" selects that preset first; the data then loads
  // over it, telling the plug-in of every parameter once more, in order.
  const std::vector<int>& changes = rig.plug->mParamChanges;
  ASSERT_EQ(changes.size(), 2u * kRigNumParams);
  for (int i = 0; i < kRigNumParams; ++i) EXPECT_EQ(changes[kRigNumParams + i], i);
  EXPECT_EQ(rig.plug->GetCurrentPresetIdx(), kRigPresetInit);
  CFRelease(state);
}

TEST_F(ClassInfoTest, OtherVersionAndUnknownNameStillRestore)
{
  SetParam(kRigGain, 4.0f);
  CFMutableDictionaryRef state = SavedState();
  Put(state, "version", Num(0x70000));
  Put(state, "name", Str("no such preset"));
  SetParam(kRigGain, 0.0f);
  EXPECT_EQ(Restore(state), noErr);
  EXPECT_EQ(rig.plug->GetParam(kRigGain)->Value(), 4.0);
  EXPECT_EQ(rig.plug->GetCurrentPresetIdx(), kRigPresetInit);
  CFRelease(state);
}

// Foreign, incomplete or mistyped dictionaries change nothing.
TEST_F(ClassInfoTest, RefusedDictionariesChangeNothing)
{
  SetParam(kRigGain, 5.0f);
  struct Row
  {
    const char* what;
    const char* key;
    CFTypeRef value;  // null removes the key
  } rows[] = {
    {"missing version", "version", nullptr},
    {"missing type", "type", nullptr},
    {"missing manufacturer", "manufacturer", nullptr},
    {"missing name", "name", nullptr},
    {"foreign type", "type", Num(0x61756D75)},
    {"foreign subtype", "subtype", Num(0x4F746872)},
    {"foreign manufacturer", "manufacturer", Num(0x4F746872)},
    {"version as string", "version", Str("1")},
    {"subtype as string", "subtype", Str("Rgtp")},
    {"name as number", "name", Num(1)},
  };
  for (const Row& row : rows)
  {
    CFMutableDictionaryRef state = SavedState();
    Put(state, "name", Str("Hot"));
    CFDataRef zeros = CFDataCreate(nullptr, std::vector<UInt8>(8 * kRigNumParams, 0).data(), 8 * kRigNumParams);
    Put(state, "data", zeros);
    Put(state, row.key, row.value);
    EXPECT_EQ(Restore(state), kAudioUnitErr_InvalidPropertyValue) << row.what;
    EXPECT_EQ(rig.plug->GetParam(kRigGain)->Value(), 5.0) << row.what;
    EXPECT_EQ(rig.plug->GetCurrentPresetIdx(), kRigPresetInit) << row.what;
    CFRelease(state);
  }
  EXPECT_EQ(Restore(nullptr), kAudioUnitErr_InvalidPropertyValue);
  CFStringRef notADict = Str("state");
  EXPECT_EQ(Restore(notADict), kAudioUnitErr_InvalidPropertyValue);
  CFRelease(notADict);
}

// The named preset is chosen before the data is read, so a dictionary with
// bad data still leaves that preset selected.
// A refused state leaves the unit as it was: neither the named preset nor
// any value from the data is applied.
TEST_F(ClassInfoTest, RefusedStateChangesNeitherPresetNorParameters)
{
  struct Row
  {
    const char* what;
    CFTypeRef data;
  } rows[] = {
    {"missing data", nullptr},
    {"data as string", Str("data")},
    {"truncated data", CFDataCreate(nullptr, std::vector<UInt8>(12, 0x11).data(), 12)},
  };
  for (const Row& row : rows)
  {
    AUPreset init = {kRigPresetInit, nullptr};
    ASSERT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0, &init,
                                   sizeof(init)),
              noErr);
    ASSERT_EQ(AudioUnitSetParameter(rig.unit, kRigGain, kAudioUnitScope_Global, 0, 9.0f, 0), noErr);
    CFMutableDictionaryRef state = SavedState();
    Put(state, "name", Str("Hot"));
    Put(state, "data", row.data);
    EXPECT_EQ(Restore(state), kAudioUnitErr_InvalidPropertyValue) << row.what;
    EXPECT_EQ(rig.plug->GetCurrentPresetIdx(), kRigPresetInit) << row.what;
    EXPECT_EQ(rig.plug->GetParam(kRigGain)->Value(), 9.0) << row.what;
    EXPECT_EQ(rig.plug->GetParam(kRigMode)->Value(), 1.0) << row.what;
    CFRelease(state);
  }
}

// Names longer than any preset name are cut at a character boundary and
// simply match nothing; the data is still restored.
TEST_F(ClassInfoTest, OverlongMultiByteNameIsCutSafely)
{
  std::string name;
  for (int i = 0; i < 200; ++i) name += "\xC3\xA9";  // 400 bytes of two-byte characters
  SetParam(kRigSteps, 9.0f);
  CFMutableDictionaryRef state = SavedState();
  Put(state, "name", Str(name.c_str()));
  SetParam(kRigSteps, 1.0f);
  EXPECT_EQ(Restore(state), noErr);
  EXPECT_EQ(rig.plug->GetParam(kRigSteps)->Value(), 9.0);
  CFRelease(state);
}
}  // namespace
