// A minimal effect component for loader tests: four global parameters, a
// render that writes each output sample as input * gain (parameter 0), and
// a property (kFakeProperty_FoundOwnBundle) telling whether the component
// found its own bundle by identifier when it was opened.
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#include <cstring>

namespace {

constexpr AudioUnitPropertyID kFakeProperty_FoundOwnBundle = 64000;
constexpr int kParams = 4;

struct FakeUnit {
  ComponentInstance instance;
  bool foundOwnBundle;
  bool initialized = false;
  Float32 values[kParams] = {1.0f, 0.0f, 0.0f, 0.0f};
};

template <typename T>
T Arg(ComponentParameters* params, int i) {
  T value;
  std::memcpy(&value, &params->params[1 + i], sizeof value);
  return value;
}

ComponentResult Render(FakeUnit* unit, const AudioTimeStamp* timeStamp, UInt32 frames,
                       AudioBufferList* io) {
  if (!timeStamp || !io) return kAudioUnitErr_InvalidPropertyValue;
  for (UInt32 b = 0; b < io->mNumberBuffers; b++) {
    float* data = static_cast<float*>(io->mBuffers[b].mData);
    if (!data) return kAudioUnitErr_InvalidPropertyValue;
    for (UInt32 i = 0; i < frames; i++) data[i] = (float)(timeStamp->mSampleTime + i) * unit->values[0];
  }
  return noErr;
}

ComponentResult GetProperty(FakeUnit* unit, AudioUnitPropertyID id, void* data, UInt32* size) {
  if (id != kFakeProperty_FoundOwnBundle) return kAudioUnitErr_InvalidProperty;
  if (size) *size = sizeof(UInt32);
  if (data) *static_cast<UInt32*>(data) = unit->foundOwnBundle ? 1 : 0;
  return noErr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) ComponentResult FakeUnit_Entry(
    ComponentParameters* params, void* storage) {
  FakeUnit* unit = static_cast<FakeUnit*>(storage);
  switch (params->what) {
    case kComponentOpenSelect: {
      ComponentInstance instance = (ComponentInstance)params->params[0];
      FakeUnit* created = new FakeUnit{instance,
                                       CFBundleGetBundleWithIdentifier(CFSTR("com.example.fake")) != nullptr};
      SetComponentInstanceStorage(instance, (Handle)created);
      return noErr;
    }
    case kComponentCloseSelect:
      delete unit;
      return noErr;
    case kComponentVersionSelect:
      return 0x10000;
    case kComponentCanDoSelect: {
      SInt16 selector = Arg<SInt16>(params, 0);
      return selector >= kAudioUnitInitializeSelect && selector <= kAudioUnitSetParameterSelect;
    }
    case kAudioUnitInitializeSelect:
      unit->initialized = true;
      return noErr;
    case kAudioUnitUninitializeSelect:
      unit->initialized = false;
      return noErr;
    case kAudioUnitGetPropertySelect:
      return GetProperty(unit, Arg<AudioUnitPropertyID>(params, 0), Arg<void*>(params, 3),
                         Arg<UInt32*>(params, 4));
    case kAudioUnitGetParameterSelect: {
      AudioUnitParameterID id = Arg<AudioUnitParameterID>(params, 0);
      if (Arg<AudioUnitScope>(params, 1) != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      if (id >= (AudioUnitParameterID)kParams) return kAudioUnitErr_InvalidParameter;
      *Arg<AudioUnitParameterValue*>(params, 3) = unit->values[id];
      return noErr;
    }
    case kAudioUnitSetParameterSelect: {
      AudioUnitParameterID id = Arg<AudioUnitParameterID>(params, 0);
      if (Arg<AudioUnitScope>(params, 1) != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      if (id >= (AudioUnitParameterID)kParams) return kAudioUnitErr_InvalidParameter;
      unit->values[id] = Arg<AudioUnitParameterValue>(params, 3);
      return noErr;
    }
    case kAudioUnitRenderSelect:
      return Render(unit, Arg<const AudioTimeStamp*>(params, 1), Arg<UInt32>(params, 3),
                    Arg<AudioBufferList*>(params, 4));
    default:
      return badComponentSelector;
  }
}

// The view component: opens and closes, nothing else.
extern "C" __attribute__((visibility("default"))) ComponentResult FakeUnit_ViewEntry(
    ComponentParameters* params, void*) {
  switch (params->what) {
    case kComponentOpenSelect:
    case kComponentCloseSelect:
      return noErr;
    default:
      return badComponentSelector;
  }
}
