// Program and bank files through the plug-in's own properties.
#include <gtest/gtest.h>

#include "IPlugAU_FileProperties.h"
#include "props_rig.h"

namespace
{
CFDataRef ReadFile(AudioUnit unit, AudioUnitPropertyID id)
{
  CFDataRef data = nullptr;
  UInt32 size = sizeof(data);
  EXPECT_EQ(AudioUnitGetProperty(unit, id, kAudioUnitScope_Global, 0, &data, &size), noErr);
  return data;
}

OSStatus LoadFile(AudioUnit unit, AudioUnitPropertyID id, CFDataRef data)
{
  return AudioUnitSetProperty(unit, id, kAudioUnitScope_Global, 0, &data, sizeof(data));
}

TEST(StateFiles, ProgramAndBankRoundTripThroughProperties)
{
  RigUnit rig;
  ASSERT_NE(rig.unit, nullptr);
  ASSERT_EQ(AudioUnitSetParameter(rig.unit, kRigSteps, kAudioUnitScope_Global, 0, 9.0f, 0), noErr);
  CFDataRef program = ReadFile(rig.unit, kIPlugAUProperty_ProgramFile);
  CFDataRef bank = ReadFile(rig.unit, kIPlugAUProperty_BankFile);
  ASSERT_TRUE(program && bank);
  EXPECT_EQ(CFDataGetLength(program), 56 + 4 * kRigNumParams);
  EXPECT_EQ(CFDataGetLength(bank), 156 + kRigNumPresets * (56 + 4 * kRigNumParams));

  ASSERT_EQ(AudioUnitSetParameter(rig.unit, kRigSteps, kAudioUnitScope_Global, 0, 1.0f, 0), noErr);
  EXPECT_EQ(LoadFile(rig.unit, kIPlugAUProperty_ProgramFile, program), noErr);
  EXPECT_EQ(rig.plug->GetParam(kRigSteps)->Value(), 9.0);

  // A bank is no program, random bytes and other types are refused; nothing changes.
  ASSERT_EQ(AudioUnitSetParameter(rig.unit, kRigSteps, kAudioUnitScope_Global, 0, 2.0f, 0), noErr);
  const UInt8 junk[] = {1, 2, 3};
  CFDataRef short3 = CFDataCreate(nullptr, junk, sizeof(junk));
  CFStringRef text = CFStringCreateWithCString(nullptr, "x", kCFStringEncodingUTF8);
  EXPECT_EQ(LoadFile(rig.unit, kIPlugAUProperty_ProgramFile, bank), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(LoadFile(rig.unit, kIPlugAUProperty_BankFile, short3), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(LoadFile(rig.unit, kIPlugAUProperty_BankFile, (CFDataRef)text), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(LoadFile(rig.unit, kIPlugAUProperty_BankFile, nullptr), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(rig.plug->GetParam(kRigSteps)->Value(), 2.0);
  EXPECT_EQ(LoadFile(rig.unit, kIPlugAUProperty_BankFile, bank), noErr);
  for (CFTypeRef cf : {(CFTypeRef)program, (CFTypeRef)bank, (CFTypeRef)short3, (CFTypeRef)text}) CFRelease(cf);
}
}  // namespace
