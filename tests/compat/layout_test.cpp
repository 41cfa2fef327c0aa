// Structure layouts and constant values must be those of the platform's
// published 64-bit interface: plug-ins and hosts exchange these structures
// by size and offset.
#include <AudioToolbox/AudioToolbox.h>
#include <gtest/gtest.h>

#include <cstddef>

namespace {

static_assert(sizeof(AudioStreamBasicDescription) == 40, "ASBD");
static_assert(sizeof(SMPTETime) == 24, "SMPTETime");
static_assert(sizeof(AudioTimeStamp) == 64, "AudioTimeStamp");
static_assert(offsetof(AudioTimeStamp, mFlags) == 56, "AudioTimeStamp.mFlags");
static_assert(sizeof(AudioBuffer) == 16 && sizeof(AudioBufferList) == 24, "buffers");
static_assert(offsetof(AudioBufferList, mBuffers) == 8, "AudioBufferList.mBuffers");
static_assert(sizeof(ComponentDescription) == 20, "ComponentDescription");
static_assert(offsetof(ComponentParameters, params) == 8, "ComponentParameters.params");
static_assert(sizeof(AudioUnitParameterInfo) == 104, "AudioUnitParameterInfo");
static_assert(offsetof(AudioUnitParameterInfo, unitName) == 56, "unitName");
static_assert(offsetof(AudioUnitParameterInfo, clumpID) == 64, "clumpID");
static_assert(offsetof(AudioUnitParameterInfo, cfNameString) == 72, "cfNameString");
static_assert(offsetof(AudioUnitParameterInfo, unit) == 80, "unit");
static_assert(offsetof(AudioUnitParameterInfo, flags) == 96, "flags");
static_assert(sizeof(AUPreset) == 16 && offsetof(AUPreset, presetName) == 8, "AUPreset");
static_assert(sizeof(AudioUnitConnection) == 16, "AudioUnitConnection");
static_assert(sizeof(AURenderCallbackStruct) == 16, "AURenderCallbackStruct");
static_assert(sizeof(AUChannelInfo) == 4, "AUChannelInfo");
static_assert(sizeof(HostCallbackInfo) == 32, "HostCallbackInfo");
static_assert(sizeof(AudioUnitCocoaViewInfo) == 16, "AudioUnitCocoaViewInfo");
static_assert(sizeof(AudioUnitParameterValueFromString) == 24, "ValueFromString");
static_assert(offsetof(AudioUnitParameterValueFromString, outValue) == 16, "outValue");
static_assert(sizeof(AudioUnitParameterStringFromValue) == 24, "StringFromValue");
static_assert(sizeof(AudioUnitParameterNameInfo) == 16, "AudioUnitParameterNameInfo");
static_assert(sizeof(AUHostIdentifier) == 16 && sizeof(NumVersion) == 4, "AUHostIdentifier");
static_assert(sizeof(AudioUnitParameterEvent) == 32, "AudioUnitParameterEvent");
static_assert(offsetof(AudioUnitParameterEvent, eventValues) == 16, "eventValues");
static_assert(sizeof(AudioUnitParameter) == 24 && sizeof(AudioUnitEvent) == 32, "events");
static_assert(offsetof(AudioUnitEvent, mArgument) == 8, "AudioUnitEvent.mArgument");
static_assert(sizeof(MusicDeviceNoteParams) == 20, "MusicDeviceNoteParams");
static_assert(sizeof(AUParameterMIDIMapping) == 32, "AUParameterMIDIMapping");
static_assert(sizeof(AudioUnitFrequencyResponseBin) == 16, "frequency response bin");

TEST(Layout, PublishedConstantValues) {
  EXPECT_EQ(-2147450878, badComponentSelector);  // 0x80008002
  EXPECT_EQ(-2147450879, badComponentInstance);
  EXPECT_EQ(-10879, kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(-10878, kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(-10877, kAudioUnitErr_InvalidElement);
  EXPECT_EQ(-10866, kAudioUnitErr_InvalidScope);
  EXPECT_EQ(-10851, kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(-10850, kAudioUnitErr_PropertyNotInUse);
  EXPECT_EQ(-4960, coreFoundationUnknownErr);
  EXPECT_EQ(41u, (UInt32)kAudioFormatFlagsAudioUnitCanonical);
  EXPECT_EQ(0x6C70636Du, (UInt32)kAudioFormatLinearPCM);
  EXPECT_EQ(0x48000010u, (UInt32)(kAudioUnitParameterFlag_IsReadable |
                                  kAudioUnitParameterFlag_HasCFNameString |
                                  kAudioUnitParameterFlag_CFNameRelease));
  EXPECT_EQ(0xC8000010u, 0x48000010u | (UInt32)kAudioUnitParameterFlag_IsWritable);
  EXPECT_EQ(0x640001u, (UInt32)kAudioChannelLayoutTag_Mono);
  EXPECT_EQ(0x650002u, (UInt32)kAudioChannelLayoutTag_Stereo);
  EXPECT_EQ(0xFFFF0000u, (UInt32)kAudioChannelLayoutTag_Unknown);
  EXPECT_EQ(18, kAudioUnitRemovePropertyListenerWithUserDataSelect);
  EXPECT_EQ(0x301, kAudioUnitCarbonViewCreateSelect);
  EXPECT_EQ(262, kMusicDeviceStopNoteSelect);
  EXPECT_EQ(0x61756678u, (UInt32)kAudioUnitType_Effect);  // 'aufx'
  EXPECT_EQ(0x61757677u, (UInt32)kAudioUnitCarbonViewComponentType);  // 'auvw'
  EXPECT_EQ(46, kAudioUnitProperty_AUHostIdentifier);
  EXPECT_EQ(8u, (UInt32)kAudioUnitRenderAction_PostRender);
  EXPECT_EQ(0x08000100u, (UInt32)kCFStringEncodingUTF8);
}

}  // namespace
