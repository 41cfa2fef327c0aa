// Factory presets, preset records, the current preset and change notifications.
#include <gtest/gtest.h>

#include <AudioToolbox/AudioUnitUtilities.h>

#include <string>
#include <vector>

#include "dfx/dfx-au-utilities.h"
#include "props_rig.h"

namespace
{
CFStringRef Str(const char* text) { return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8); }

// An allocator that counts what it hands out and takes back.
struct CountingAllocator
{
  int allocs = 0, frees = 0;
  CFAllocatorRef ref = nullptr;

  CountingAllocator()
  {
    CFAllocatorContext ctx = {};
    ctx.info = this;
    ctx.allocate = [](CFIndex size, CFOptionFlags, void* info) -> void* {
      ++((CountingAllocator*)info)->allocs;
      return malloc((size_t)size);
    };
    ctx.deallocate = [](void* ptr, void* info) {
      ++((CountingAllocator*)info)->frees;
      free(ptr);
    };
    ref = CFAllocatorCreate(nullptr, &ctx);
  }
  ~CountingAllocator() { CFRelease(ref); }
};

TEST(PresetRecordTest, ReleasedTwiceAfterOneRetainIsFreedOnce)
{
  CountingAllocator alloc;
  CFStringRef name = Str("Warm");
  CFAUPresetRef preset = CFAUPresetCreate(alloc.ref, 4, name);
  CFRelease(name);
  ASSERT_NE(preset, nullptr);
  const int recordAllocs = alloc.allocs;
  EXPECT_EQ(CFAUPresetRetain(preset), preset);
  EXPECT_EQ(preset->retainCount, 2);
  CFAUPresetRelease(preset);
  EXPECT_EQ(alloc.frees, 0);
  CFAUPresetRelease(preset);
  EXPECT_EQ(alloc.frees, recordAllocs);  // the record and its name copy
  EXPECT_EQ(CFAUPresetRetain(nullptr), nullptr);
  CFAUPresetRelease(nullptr);
}

TEST(PresetRecordTest, DescriptionAndEquality)
{
  CFStringRef warm = Str("Warm"), hot = Str("Hot");
  CFAUPresetRef a = CFAUPresetCreate(kCFAllocatorDefault, 3, warm);
  CFAUPresetRef b = CFAUPresetCreate(kCFAllocatorDefault, 3, warm);
  CFAUPresetRef c = CFAUPresetCreate(kCFAllocatorDefault, 3, hot);
  CFAUPresetRef d = CFAUPresetCreate(kCFAllocatorDefault, 4, warm);
  CFAUPresetRef unnamed = CFAUPresetCreate(kCFAllocatorDefault, 3, nullptr);

  CFStringRef text = CFAUPresetArrayCopyDescriptionCallBack(a);
  EXPECT_EQ(Utf8(text), "AUPreset:\npreset number = 3\npreset name = Warm");
  CFRelease(text);

  EXPECT_TRUE(CFAUPresetArrayEqualCallBack(a, b));
  EXPECT_FALSE(CFAUPresetArrayEqualCallBack(a, c));
  EXPECT_FALSE(CFAUPresetArrayEqualCallBack(a, d));
  EXPECT_FALSE(CFAUPresetArrayEqualCallBack(a, unnamed));
  EXPECT_EQ(unnamed->presetName, nullptr);

  CFArrayCallBacks callbacks = {};
  CFAUPresetArrayCallBacks_Init(&callbacks);
  EXPECT_EQ(callbacks.retain, kCFAUPresetArrayCallBacks.retain);
  EXPECT_EQ(callbacks.equal, kCFAUPresetArrayCallBacks.equal);

  for (CFAUPresetRef p : {a, b, c, d, unnamed}) CFAUPresetRelease(p);
  CFRelease(warm);
  CFRelease(hot);
}

TEST(PresetRecordTest, UTF8PrefixesStopAtCharacterBoundaries)
{
  char out[6];
  CopyUTF8Prefix("ab\xC3\xA9\xC3\xA9", out, sizeof(out));  // "abéé": 6 bytes, room for 5
  EXPECT_STREQ(out, "ab\xC3\xA9");
  CopyUTF8Prefix(nullptr, out, sizeof(out));
  EXPECT_STREQ(out, "");
  CFStringRef str = Str("\xE2\x82\xAC\xE2\x82\xAC");  // two three-byte characters
  CopyCFStringPrefix(str, out, sizeof(out));
  EXPECT_STREQ(out, "\xE2\x82\xAC");
  CFRelease(str);
}

class PresetPropsTest : public ::testing::Test
{
protected:
  template <class T>
  OSStatus Get(AudioUnitPropertyID id, T* value)
  {
    UInt32 size = sizeof(T);
    return AudioUnitGetProperty(rig.unit, id, kAudioUnitScope_Global, 0, value, &size);
  }

  RigUnit rig;
};

TEST_F(PresetPropsTest, FactoryPresetsListEverySlot)
{
  CFArrayRef presets = nullptr;
  ASSERT_EQ(Get(kAudioUnitProperty_FactoryPresets, &presets), noErr);
  ASSERT_EQ(CFArrayGetCount(presets), kRigNumPresets);
  const char* names[] = {"Init", "Clean", "Hot"};
  for (int i = 0; i < kRigNumPresets; ++i)
  {
    const AUPreset* p = (const AUPreset*)CFArrayGetValueAtIndex(presets, i);
    EXPECT_EQ(p->presetNumber, i);
    EXPECT_EQ(Utf8(p->presetName), names[i]);
    EXPECT_EQ(((CFAUPresetRef)p)->retainCount, 1);
  }
  CFRelease(presets);  // frees every record (the sanitizer build checks for leaks)
}

TEST_F(PresetPropsTest, CurrentAndPresentPresetReadBackTheSelection)
{
  AUPreset clean = {kRigPresetClean, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &clean,
                                 sizeof(clean)),
            noErr);
  EXPECT_EQ(rig.plug->GetParam(kRigGain)->Value(), -6.0);
  for (AudioUnitPropertyID id : {kAudioUnitProperty_CurrentPreset, kAudioUnitProperty_PresentPreset})
  {
    AUPreset current = {-1, nullptr};
    ASSERT_EQ(Get(id, &current), noErr);
    EXPECT_EQ(current.presetNumber, kRigPresetClean);
    EXPECT_EQ(Utf8(current.presetName), "Clean");
    CFRelease(current.presetName);
  }
}

// Every event posted for the rig's parameters, in order.
struct EventLog
{
  std::vector<AudioUnitEvent> events;
  std::vector<AudioUnitParameterValue> values;
  AUEventListenerRef listener = nullptr;

  static void Proc(void* refCon, void*, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue value)
  {
    ((EventLog*)refCon)->events.push_back(*event);
    ((EventLog*)refCon)->values.push_back(value);
  }

  EventLog(AudioUnit unit, AudioUnitParameterID id)
  {
    EXPECT_EQ(AUEventListenerCreate(Proc, this, nullptr, nullptr, 0.0f, 0.0f, &listener), noErr);
    for (AudioUnitEventType type : {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
                                    kAudioUnitEvent_EndParameterChangeGesture})
    {
      AudioUnitEvent e = {};
      e.mEventType = type;
      e.mArgument.mParameter.mAudioUnit = unit;
      e.mArgument.mParameter.mParameterID = id;
      e.mArgument.mParameter.mScope = kAudioUnitScope_Global;
      e.mArgument.mParameter.mElement = 0;
      EXPECT_EQ(AUEventListenerAddEventType(listener, nullptr, &e), noErr);
    }
  }
  ~EventLog() { AUListenerDispose(listener); }
};

TEST_F(PresetPropsTest, EditorGestureBecomesThreeParameterEvents)
{
  EventLog log(rig.unit, kRigGain);
  rig.plug->BeginInformHostOfParamChange(kRigGain);
  rig.plug->SetParameterFromGUI(kRigGain, 0.75);  // -12 .. 12 -> 6
  rig.plug->EndInformHostOfParamChange(kRigGain);
  rig.plug->InformHostOfParamChange(kRigSteps, 0.5);  // another parameter: not heard

  ASSERT_EQ(log.events.size(), 3u);
  EXPECT_EQ(log.events[0].mEventType, (AudioUnitEventType)kAudioUnitEvent_BeginParameterChangeGesture);
  EXPECT_EQ(log.events[1].mEventType, (AudioUnitEventType)kAudioUnitEvent_ParameterValueChange);
  EXPECT_EQ(log.events[2].mEventType, (AudioUnitEventType)kAudioUnitEvent_EndParameterChangeGesture);
  for (const AudioUnitEvent& e : log.events)
  {
    EXPECT_EQ(e.mArgument.mParameter.mAudioUnit, rig.unit);
    EXPECT_EQ(e.mArgument.mParameter.mParameterID, (AudioUnitParameterID)kRigGain);
  }
  // Listeners read the value back from the unit.
  EXPECT_FLOAT_EQ(log.values[1], 6.0f);
}

TEST_F(PresetPropsTest, ProgramChangeCallsPresentPresetListenersOnly)
{
  struct Heard
  {
    std::vector<AudioUnitPropertyID> ids;
    std::vector<AudioUnitScope> scopes;
    AudioUnit unit = nullptr;
    static void Proc(void* userData, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement)
    {
      Heard* self = (Heard*)userData;
      self->ids.push_back(id);
      self->scopes.push_back(scope);
      self->unit = unit;
    }
  } heard;
  ASSERT_EQ(AudioUnitAddPropertyListener(rig.unit, kAudioUnitProperty_PresentPreset, Heard::Proc, &heard), noErr);
  Heard other;
  ASSERT_EQ(AudioUnitAddPropertyListener(rig.unit, kAudioUnitProperty_CurrentPreset, Heard::Proc, &other), noErr);
  rig.plug->InformHostOfProgramChange();
  ASSERT_EQ(heard.ids.size(), 1u);
  EXPECT_EQ(heard.ids[0], (AudioUnitPropertyID)kAudioUnitProperty_PresentPreset);
  EXPECT_EQ(heard.scopes[0], (AudioUnitScope)kAudioUnitScope_Global);
  EXPECT_EQ(heard.unit, rig.unit);
  EXPECT_TRUE(other.ids.empty());
}
}  // namespace
