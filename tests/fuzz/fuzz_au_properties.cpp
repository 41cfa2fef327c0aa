// Audio Unit properties from a hostile host, on one open instance: a stream of
// operations (set a property with fuzzed scope, element, size and bytes; read
// one with fuzzed room; Initialize or Uninitialize; render a block), then one
// render that must succeed with finite output or fail cleanly. Fields a host
// hands over as pointers (callbacks, strings, units) are replaced with valid
// ones or null: a wild pointer from a host is not the plug-in's to survive.
#include <math.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "fuzz_unit.h"

namespace
{
// Reads the fuzz input front to back; past its end every read gives 0.
struct Reader
{
  const uint8_t* p;
  size_t n;
  uint8_t Byte() { return n ? (--n, *p++) : 0; }
  uint32_t U32()
  {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= (uint32_t)Byte() << (8 * i);
    return v;
  }
  // Mostly small values, now and then any 32-bit value.
  uint32_t Small()
  {
    const uint8_t b = Byte();
    return b == 0xFF ? U32() : b % 8;
  }
};

constexpr UInt32 kMaxFrames = 4096;
constexpr int kMaxChannels = 4;

OSStatus FuzzInput(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 frames,
                   AudioBufferList* list)
{
  for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
  {
    float* p = (float*)list->mBuffers[c].mData;
    if (!p) continue;
    for (UInt32 s = 0; s < frames; ++s) p[s] = 0.5f * sinf(0.01f * (float)(s + 100 * c));
  }
  return noErr;
}

OSStatus FailingInput(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32, AudioBufferList*)
{
  return -50;
}

OSStatus Tempo(void*, Float64* beat, Float64* tempo)
{
  if (beat) *beat = 3.5;
  if (tempo) *tempo = 133.0;
  return noErr;
}

const AudioUnitPropertyID kSettable[] = {
  kAudioUnitProperty_SampleRate,        kAudioUnitProperty_StreamFormat,    kAudioUnitProperty_MaximumFramesPerSlice,
  kAudioUnitProperty_BypassEffect,      kAudioUnitProperty_SetRenderCallback, kAudioUnitProperty_HostCallbacks,
  kAudioUnitProperty_CurrentPreset,     kAudioUnitProperty_PresentPreset,   kAudioUnitProperty_OfflineRender,
  kAudioUnitProperty_AUHostIdentifier,  kAudioUnitProperty_MakeConnection,  kAudioUnitProperty_ElementCount,
};

const AudioUnitPropertyID kReadable[] = {
  kAudioUnitProperty_SampleRate,         kAudioUnitProperty_ParameterList,       kAudioUnitProperty_ParameterInfo,
  kAudioUnitProperty_FastDispatch,       kAudioUnitProperty_StreamFormat,        kAudioUnitProperty_ElementCount,
  kAudioUnitProperty_Latency,            kAudioUnitProperty_SupportedNumChannels, kAudioUnitProperty_MaximumFramesPerSlice,
  kAudioUnitProperty_ParameterValueStrings, kAudioUnitProperty_TailTime,         kAudioUnitProperty_BypassEffect,
  kAudioUnitProperty_LastRenderError,    kAudioUnitProperty_FactoryPresets,      kAudioUnitProperty_CurrentPreset,
  kAudioUnitProperty_ElementName,        kAudioUnitProperty_ParameterStringFromValue,
  kAudioUnitProperty_ParameterIDName,    kAudioUnitProperty_ParameterClumpName,  kAudioUnitProperty_PresentPreset,
  kAudioUnitProperty_ParameterValueFromString, kAudioUnitProperty_MakeConnection, kAudioUnitProperty_SetRenderCallback,
  kAudioUnitProperty_HostCallbacks,      kAudioUnitProperty_AudioChannelLayout,  kAudioUnitProperty_CocoaUI,
  kAudioUnitProperty_GetUIComponentList,
};

AudioStreamBasicDescription FloatFormat(double rate, UInt32 channels)
{
  AudioStreamBasicDescription f;
  memset(&f, 0, sizeof(f));
  f.mSampleRate = rate;
  f.mFormatID = kAudioFormatLinearPCM;
  f.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  f.mBytesPerPacket = f.mBytesPerFrame = 4;
  f.mFramesPerPacket = 1;
  f.mChannelsPerFrame = channels;
  f.mBitsPerChannel = 32;
  return f;
}

// The state every input starts from: stereo at 44.1 kHz, the host's input
// callback, not bypassed, initialised.
void SetBaseline(AudioUnit unit)
{
  AudioUnitUninitialize(unit);
  const AudioStreamBasicDescription f = FloatFormat(44100.0, 2);
  AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &f, sizeof(f));
  AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &f, sizeof(f));
  const UInt32 maxFrames = 512, off = 0;
  AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &maxFrames,
                       sizeof(maxFrames));
  AudioUnitSetProperty(unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &off, sizeof(off));
  AudioUnitSetProperty(unit, kAudioUnitProperty_OfflineRender, kAudioUnitScope_Global, 0, &off, sizeof(off));
  AURenderCallbackStruct cb = {FuzzInput, nullptr};
  AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &cb, sizeof(cb));
  HostCallbackInfo none;
  memset(&none, 0, sizeof(none));
  AudioUnitSetProperty(unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &none, sizeof(none));
  FuzzCheck(AudioUnitInitialize(unit) == noErr, "the baseline initialises");
}

// Replaces the pointer fields of a set property's structure with valid ones
// (or null), chosen by the input.
void FixPointers(AudioUnitPropertyID id, std::vector<uint8_t>* bytes, Reader* in, CFStringRef hostName)
{
  const uint8_t pick = in->Byte();
  auto put = [bytes](size_t offset, const void* ptr) {
    if (bytes->size() >= offset + sizeof(ptr)) memcpy(bytes->data() + offset, &ptr, sizeof(ptr));
  };
  switch (id)
  {
    case kAudioUnitProperty_SetRenderCallback:
      put(0, pick % 3 == 0 ? nullptr : pick % 3 == 1 ? (const void*)FuzzInput : (const void*)FailingInput);
      put(sizeof(void*), nullptr);
      break;
    case kAudioUnitProperty_HostCallbacks:
      put(0, nullptr);
      put(sizeof(void*), (pick & 1) ? (const void*)Tempo : nullptr);
      put(2 * sizeof(void*), nullptr);
      put(3 * sizeof(void*), nullptr);
      break;
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset: put(sizeof(void*), nullptr); break;
    case kAudioUnitProperty_AUHostIdentifier: put(0, (pick & 1) ? (const void*)hostName : nullptr); break;
    case kAudioUnitProperty_MakeConnection: put(0, nullptr); break;  // a disconnection
    default: break;
  }
}

// Reads a property with fuzzed room into memory of exactly that size, then
// releases whatever new objects the value holds.
void FuzzGet(AudioUnit unit, Reader* in, CFStringRef text)
{
  const AudioUnitPropertyID id = kReadable[in->Byte() % (sizeof(kReadable) / sizeof(kReadable[0]))];
  const AudioUnitScope scope = in->Small();
  const AudioUnitElement element = id == kAudioUnitProperty_FastDispatch ? in->Byte() % 16 : in->Small();
  UInt32 room = in->Byte() % 128;
  std::vector<uint8_t> data(room ? room : 1);
  for (uint8_t& b : data) b = in->Byte();
  const AudioUnitParameterValue value = (AudioUnitParameterValue)(int8_t)in->Byte();
  // Inputs the host passes in by pointer.
  if (id == kAudioUnitProperty_ParameterStringFromValue && room >= 16)
  {
    const void* p = (in->Byte() & 1) ? &value : nullptr;
    memcpy(data.data() + 8, &p, sizeof(p));
  }
  if (id == kAudioUnitProperty_ParameterValueFromString && room >= 16)
    memcpy(data.data() + 8, &text, sizeof(text));
  // Out fields a query may leave alone (outside the global scope) start null.
  const void* none = nullptr;
  if (id == kAudioUnitProperty_ParameterStringFromValue && room >= 24) memcpy(data.data() + 16, &none, sizeof(none));
  if ((id == kAudioUnitProperty_ParameterIDName || id == kAudioUnitProperty_ParameterClumpName) && room >= 16)
    memcpy(data.data() + 8, &none, sizeof(none));
  const UInt32 roomGiven = room;
  const OSStatus r = AudioUnitGetProperty(unit, id, scope, element, data.data(), &room);
  if (r != noErr) return;
  FuzzCheck(room <= roomGiven, "a value query fits the room it was given");
  auto release = [&](size_t offset) {
    CFTypeRef obj = nullptr;
    if (offset + sizeof(obj) <= room) memcpy(&obj, data.data() + offset, sizeof(obj));
    if (obj) CFRelease(obj);
  };
  switch (id)
  {
    case kAudioUnitProperty_ParameterValueStrings:
    case kAudioUnitProperty_FactoryPresets:
    case kAudioUnitProperty_ElementName: release(0); break;
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset: release(8); break;
    case kAudioUnitProperty_ParameterStringFromValue: release(16); break;
    case kAudioUnitProperty_ParameterIDName:
    case kAudioUnitProperty_ParameterClumpName: release(8); break;
    case kAudioUnitProperty_CocoaUI: release(0); release(8); break;
    case kAudioUnitProperty_ParameterInfo:
      release(offsetof(AudioUnitParameterInfo, unitName));
      release(offsetof(AudioUnitParameterInfo, cfNameString));
      break;
    default: break;
  }
}

// Renders one block with fuzzed frames, bus and buffer count; a block that
// renders must be finite.
void FuzzRender(AudioUnit unit, Reader* in, double* sampleTime, bool fromInput)
{
  static std::vector<float> s_memory(kMaxChannels * kMaxFrames);
  const UInt32 frames = fromInput ? in->Byte() * 16u + in->Byte() % 16 : 512;
  const UInt32 bus = fromInput ? in->Small() : 0;
  const UInt32 nBuffers = fromInput ? in->Byte() % (kMaxChannels + 1) : 2;
  const bool nullData = fromInput && (in->Byte() & 1);
  std::vector<uint8_t> storage(sizeof(AudioBufferList) + kMaxChannels * sizeof(AudioBuffer));
  AudioBufferList* list = (AudioBufferList*)storage.data();
  list->mNumberBuffers = nBuffers;
  const UInt32 usable = frames < kMaxFrames ? frames : kMaxFrames;
  for (UInt32 c = 0; c < nBuffers; ++c)
    list->mBuffers[c] = {1, usable * 4, nullData ? nullptr : s_memory.data() + c * kMaxFrames};
  AudioTimeStamp ts;
  memset(&ts, 0, sizeof(ts));
  ts.mSampleTime = *sampleTime;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  *sampleTime += frames;
  AudioUnitRenderActionFlags flags = 0;
  if (AudioUnitRender(unit, &flags, &ts, bus, frames, list) != noErr) return;
  FuzzCheck(frames <= kMaxFrames, "a render above the maximum frames is refused");
  for (UInt32 c = 0; c < nBuffers; ++c)
  {
    const float* p = (const float*)list->mBuffers[c].mData;
    FuzzCheck(p != nullptr, "a rendered buffer has memory");
    for (UInt32 s = 0; s < frames; ++s) FuzzCheck(isfinite(p[s]), "rendered samples are finite");
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  AudioUnit unit = FuzzUnit();
  static CFStringRef s_text = CFStringCreateWithCString(nullptr, "Warm", kCFStringEncodingUTF8);
  SetBaseline(unit);
  Reader in = {data, size};
  double sampleTime = 0.0;
  for (int op = 0; op < 64 && in.n; ++op)
  {
    const uint8_t kind = in.Byte() % 8;
    if (kind <= 3)
    {
      const AudioUnitPropertyID id = kSettable[in.Byte() % (sizeof(kSettable) / sizeof(kSettable[0]))];
      const AudioUnitScope scope = in.Small();
      const AudioUnitElement element = in.Small();
      std::vector<uint8_t> bytes(in.Byte() % 64);
      for (uint8_t& b : bytes) b = in.Byte();
      FixPointers(id, &bytes, &in, s_text);
      AudioUnitSetProperty(unit, id, scope, element, bytes.empty() ? nullptr : bytes.data(), (UInt32)bytes.size());
    }
    else if (kind == 4)
      FuzzGet(unit, &in, s_text);
    else if (kind == 5)
      (in.Byte() & 1) ? AudioUnitInitialize(unit) : AudioUnitUninitialize(unit);
    else if (kind == 6)
      AudioUnitReset(unit, kAudioUnitScope_Global, 0);
    else
      FuzzRender(unit, &in, &sampleTime, true);
  }
  FuzzRender(unit, &in, &sampleTime, false);
  FuzzCheckParams(FuzzPlug());
  return 0;
}
