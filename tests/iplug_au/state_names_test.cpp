// Preset names reach the host whole: the saved state always carries "name",
// and factory preset records a string, whatever bytes the name holds.
#include <gtest/gtest.h>

#include <string>

#include "props_rig.h"

namespace
{
CFStringRef SavedName(AudioUnit unit, CFPropertyListRef* pState)
{
  UInt32 size = sizeof(*pState);
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, pState, &size), noErr);
  CFStringRef key = CFStringCreateWithCString(nullptr, "name", kCFStringEncodingUTF8);
  CFStringRef name = (CFStringRef)CFDictionaryGetValue((CFDictionaryRef)*pState, key);
  CFRelease(key);
  return name;
}

TEST(StateNames, EveryPresetNameIsSavedAndRestores)
{
  struct Case
  {
    const char* what;
    std::string name;  // given to the current preset
    std::string want;  // UTF-8 text the host sees
  };
  const std::string e2 = "\xC3\xA9";
  const Case cases[] = {
      {"cap inside a character", std::string(254, 'p') + e2, std::string(254, 'p')},
      {"Latin-1 bytes", "caf\xE9", "caf" + e2},
      {"stray continuation byte", "a\x80z", "a\xC2\x80z"},
      // UTF-8 cut inside its last character: the rest is not garbled.
      {"UTF-8 with a stray byte", "Cr" + e2 + "me \xC3", "Cr" + e2 + "me \xEF\xBF\xBD"},
  };
  for (const Case& c : cases)
  {
    RigUnit rig;
    ASSERT_NE(rig.unit, nullptr);
    rig.plug->ModifyCurrentPreset(c.name.c_str());
    CFPropertyListRef state = nullptr;
    CFStringRef name = SavedName(rig.unit, &state);
    ASSERT_NE(name, nullptr) << c.what;
    EXPECT_EQ(Utf8(name), c.want) << c.what;

    // The saved state is accepted again.
    ASSERT_EQ(AudioUnitSetParameter(rig.unit, kRigSteps, kAudioUnitScope_Global, 0, 9.0f, 0), noErr);
    EXPECT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state,
                                   sizeof(state)),
              noErr)
        << c.what;
    EXPECT_EQ(rig.plug->GetParam(kRigSteps)->Value(), 3.0) << c.what;
    CFRelease(state);
  }
}
}  // namespace
