#include "plugin_session.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "IPlugAU_FileProperties.h"
#include "component_loader_glue.h"
#include "plist.h"
#include "setting_files.h"

namespace cinderpath_cli {
namespace {


bool Check(OSStatus status, const std::string& what, std::string* error) {
  if (status == noErr) return true;
  *error = what + " failed: " + StatusText(status);
  return false;
}

}  // namespace

std::string StatusText(OSStatus status) {
  struct Named {
    OSStatus code;
    const char* name;
    const char* words;
  };
  static const Named kNames[] = {
      {noErr, "noErr", "no error"},
      {static_cast<OSStatus>(badComponentSelector), "badComponentSelector", "the plug-in does not offer this call"},
      {kAudioUnitErr_InvalidProperty, "kAudioUnitErr_InvalidProperty", "the plug-in does not have this property"},
      {kAudioUnitErr_InvalidParameter, "kAudioUnitErr_InvalidParameter", "no such parameter"},
      {kAudioUnitErr_InvalidElement, "kAudioUnitErr_InvalidElement", "no such bus"},
      {kAudioUnitErr_NoConnection, "kAudioUnitErr_NoConnection", "no input is connected"},
      {kAudioUnitErr_FailedInitialization, "kAudioUnitErr_FailedInitialization", "the plug-in could not start"},
      {kAudioUnitErr_TooManyFramesToProcess, "kAudioUnitErr_TooManyFramesToProcess",
       "the block is larger than the plug-in accepts"},
      {kAudioUnitErr_InvalidFile, "kAudioUnitErr_InvalidFile", "the file is damaged or belongs to another plug-in"},
      {kAudioUnitErr_FormatNotSupported, "kAudioUnitErr_FormatNotSupported",
       "the plug-in does not take this channel count or sample format"},
      {kAudioUnitErr_Uninitialized, "kAudioUnitErr_Uninitialized", "the plug-in has not been started"},
      {kAudioUnitErr_InvalidScope, "kAudioUnitErr_InvalidScope", "the plug-in has no such scope"},
      {kAudioUnitErr_PropertyNotWritable, "kAudioUnitErr_PropertyNotWritable", "this property cannot be changed"},
      {kAudioUnitErr_CannotDoInCurrentContext, "kAudioUnitErr_CannotDoInCurrentContext",
       "the plug-in cannot do this now"},
      {kAudioUnitErr_InvalidPropertyValue, "kAudioUnitErr_InvalidPropertyValue", "the plug-in refused the value"},
      {kAudioUnitErr_PropertyNotInUse, "kAudioUnitErr_PropertyNotInUse", "this property is not in use"},
      {kAudioUnitErr_Initialized, "kAudioUnitErr_Initialized", "the plug-in is already running"},
      {kAudioUnitErr_InvalidOfflineRender, "kAudioUnitErr_InvalidOfflineRender",
       "the plug-in cannot render offline this way"},
      {kAudioUnitErr_Unauthorized, "kAudioUnitErr_Unauthorized", "the plug-in is not authorised"},
      {coreFoundationUnknownErr, "coreFoundationUnknownErr", "the plug-in could not build its data"},
  };
  char text[160];
  for (const Named& n : kNames) {
    if (n.code == status) {
      std::snprintf(text, sizeof(text), "%s (%s, %d)", n.words, n.name, static_cast<int>(status));
      return text;
    }
  }
  std::snprintf(text, sizeof(text), "error %d", static_cast<int>(status));
  return text;
}

PluginSession::~PluginSession() { Close(); }

bool PluginSession::Open(const std::string& componentPath, std::string* error, ComponentRoutineProcPtr builtInEntry) {
  Close();
  const bool opened =
      builtInEntry ? OpenBuiltInComponent(componentPath, builtInEntry, &mUnit, &mDescription, &mName, &mManufacturer, error)
                   : OpenComponentFromBundle(componentPath, &mUnit, &mDescription, &mName, &mManufacturer, error);
  if (!opened) {
    mUnit = nullptr;
    return false;
  }
  const ComponentResult version = CallComponentVersion(mUnit);
  mVersion = version > 0 ? static_cast<UInt32>(version) : 0;
  return true;
}

void PluginSession::Close() {
  if (!mUnit) return;
  if (mInitialized) AudioUnitUninitialize(mUnit);
  mInitialized = false;
  CloseComponent(mUnit);
  mUnit = nullptr;
}

bool PluginSession::Configure(int numChannels, double sampleRateHz, UInt32 maxFrames, std::string* error) {
  AudioStreamBasicDescription format;
  std::memset(&format, 0, sizeof(format));
  format.mSampleRate = sampleRateHz;
  format.mFormatID = kAudioFormatLinearPCM;
  format.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  format.mBytesPerPacket = 4;
  format.mFramesPerPacket = 1;
  format.mBytesPerFrame = 4;
  format.mChannelsPerFrame = static_cast<UInt32>(numChannels);
  format.mBitsPerChannel = 32;
  if (!Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &format,
                                  sizeof(format)),
             "setting the input stream format", error) ||
      !Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &format,
                                  sizeof(format)),
             "setting the output stream format", error) ||
      !Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                                  &maxFrames, sizeof(maxFrames)),
             "setting the maximum frames per slice", error) ||
      !Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &sampleRateHz,
                                  sizeof(sampleRateHz)),
             "setting the sample rate", error)) {
    return false;
  }
  AURenderCallbackStruct callback = {&PluginSession::InputCallback, this};
  if (!Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &callback,
                                  sizeof(callback)),
             "connecting the input callback", error)) {
    return false;
  }
  mNumChannels = numChannels;
  mSampleRateHz = sampleRateHz;
  mSampleTime = 0.0;
  mOutputListStorage.assign(offsetof(AudioBufferList, mBuffers) + sizeof(::AudioBuffer) * numChannels, 0);
  return true;
}

bool PluginSession::SetOffline(bool offline, std::string* error) {
  const UInt32 value = offline ? 1 : 0;
  return Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_OfflineRender, kAudioUnitScope_Global, 0, &value,
                                    sizeof(value)),
               "setting offline rendering", error);
}

bool PluginSession::Initialize(std::string* error) {
  if (!Check(AudioUnitInitialize(mUnit), "initialising the unit", error)) return false;
  mInitialized = true;
  return true;
}

bool PluginSession::ReadParameters(std::vector<ParamDesc>* params, std::string* error) {
  params->clear();
  UInt32 size = 0;
  Boolean writable = false;
  if (!Check(AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size,
                                      &writable),
             "reading the parameter list size", error)) {
    return false;
  }
  std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
  if (!ids.empty() &&
      !Check(AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids.data(),
                                  &size),
             "reading the parameter list", error)) {
    return false;
  }
  for (AudioUnitParameterID id : ids) {
    AudioUnitParameterInfo info;
    std::memset(&info, 0, sizeof(info));
    UInt32 infoSize = sizeof(info);
    if (!Check(AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, &info,
                                    &infoSize),
               "reading parameter " + std::to_string(id) + "'s information", error)) {
      return false;
    }
    ParamDesc p;
    p.id = id;
    if (info.flags & kAudioUnitParameterFlag_HasCFNameString) {
      p.name = CFStringToUtf8(info.cfNameString);
      if (info.flags & kAudioUnitParameterFlag_CFNameRelease) CFRelease(info.cfNameString);
    } else {
      p.name.assign(info.name, strnlen(info.name, sizeof(info.name)));
    }
    p.unit = info.unit;
    if (info.unit == kAudioUnitParameterUnit_CustomUnit && info.unitName) {
      p.unitName = CFStringToUtf8(info.unitName);
      if (info.flags & kAudioUnitParameterFlag_CFNameRelease) CFRelease(info.unitName);
    }
    p.minValue = info.minValue;
    p.maxValue = info.maxValue;
    p.defaultValue = info.defaultValue;
    p.flags = info.flags;
    CFArrayRef strings = nullptr;
    UInt32 stringsSize = sizeof(strings);
    if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, id, &strings,
                             &stringsSize) == noErr &&
        strings) {
      for (CFIndex i = 0; i < CFArrayGetCount(strings); ++i)
        p.valueStrings.push_back(CFStringToUtf8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, i))));
      CFRelease(strings);
    }
    params->push_back(p);
  }
  return true;
}

bool PluginSession::GetParameter(AudioUnitParameterID id, float* value, std::string* error) {
  AudioUnitParameterValue v = 0.0f;
  if (!Check(AudioUnitGetParameter(mUnit, id, kAudioUnitScope_Global, 0, &v),
             "reading parameter " + std::to_string(id), error)) {
    return false;
  }
  *value = v;
  return true;
}

bool PluginSession::SetParameter(AudioUnitParameterID id, float value, std::string* error) {
  return Check(AudioUnitSetParameter(mUnit, id, kAudioUnitScope_Global, 0, value, 0),
               "setting parameter " + std::to_string(id), error);
}

bool PluginSession::ValueText(AudioUnitParameterID id, float value, std::string* text, std::string* error) {
  AudioUnitParameterValue v = value;
  AudioUnitParameterStringFromValue request = {id, &v, nullptr};
  UInt32 size = sizeof(request);
  if (!Check(AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0,
                                  &request, &size),
             "reading parameter " + std::to_string(id) + "'s value text", error)) {
    return false;
  }
  *text = CFStringToUtf8(request.outString);
  if (request.outString) CFRelease(request.outString);
  return true;
}

bool PluginSession::ValueFromText(AudioUnitParameterID id, const std::string& text, float* value) {
  CFStringRef s = CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8);
  if (!s) return false;
  // A value the plug-in cannot produce marks "not recognised": the property
  // leaves outValue alone for unknown texts.
  const AudioUnitParameterValue sentinel = -3.0e38f;
  AudioUnitParameterValueFromString request = {id, s, sentinel};
  UInt32 size = sizeof(request);
  const OSStatus status = AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterValueFromString,
                                               kAudioUnitScope_Global, 0, &request, &size);
  CFRelease(s);
  if (status != noErr || request.outValue == sentinel) return false;
  *value = request.outValue;
  return true;
}

bool PluginSession::ReadFactoryPresets(std::vector<PresetDesc>* presets, std::string* error) {
  presets->clear();
  CFArrayRef array = nullptr;
  UInt32 size = sizeof(array);
  if (!Check(AudioUnitGetProperty(mUnit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, &array, &size),
             "reading the factory presets", error)) {
    return false;
  }
  if (!array) return true;
  for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
    const AUPreset* preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(array, i));
    if (preset) presets->push_back({preset->presetNumber, CFStringToUtf8(preset->presetName)});
  }
  CFRelease(array);
  return true;
}

bool PluginSession::SelectPreset(SInt32 number, std::string* error) {
  AUPreset preset = {number, nullptr};
  return Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &preset,
                                    sizeof(preset)),
               "selecting factory preset " + std::to_string(number), error);
}

CFPropertyListRef PluginSession::CopyState(std::string* error) {
  CFPropertyListRef state = nullptr;
  UInt32 size = sizeof(state);
  if (!Check(AudioUnitGetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, &size),
             "saving the plug-in state", error)) {
    return nullptr;
  }
  if (!state) *error = "saving the plug-in state gave no data";
  return state;
}

bool PluginSession::RestoreState(CFPropertyListRef state, std::string* error) {
  return Check(RestoreStateStatus(state), "restoring the plug-in state", error);
}

OSStatus PluginSession::RestoreStateStatus(CFPropertyListRef state) {
  return AudioUnitSetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, sizeof(state));
}

bool PluginSession::CopyPluginFile(bool bank, std::string* bytes, std::string* error) {
  const AudioUnitPropertyID id = bank ? kIPlugAUProperty_BankFile : kIPlugAUProperty_ProgramFile;
  const std::string what = bank ? "bank" : "program";
  CFDataRef data = nullptr;
  UInt32 size = sizeof(data);
  if (!Check(AudioUnitGetProperty(mUnit, id, kAudioUnitScope_Global, 0, &data, &size), "saving the " + what, error))
    return false;
  if (!data) {
    *error = "saving the " + what + " gave no data";
    return false;
  }
  bytes->assign(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), static_cast<size_t>(CFDataGetLength(data)));
  CFRelease(data);
  return true;
}

bool PluginSession::LoadPluginFile(bool bank, const std::string& bytes, std::string* error) {
  CFDataRef data =
      CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()), static_cast<CFIndex>(bytes.size()));
  if (!data) {
    *error = "out of memory";
    return false;
  }
  const OSStatus status = AudioUnitSetProperty(mUnit, bank ? kIPlugAUProperty_BankFile : kIPlugAUProperty_ProgramFile,
                                               kAudioUnitScope_Global, 0, &data, sizeof(data));
  CFRelease(data);
  if (status == kAudioUnitErr_InvalidPropertyValue) {
    // The plug-in only says no; the file's header says why.
    UInt32 size = 0;
    Boolean writable = false;
    AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size, &writable);
    *error = PluginFileRefusal(bank, bytes, mDescription.componentSubType,
                               static_cast<int>(size / sizeof(AudioUnitParameterID)));
    return false;
  }
  return Check(status, bank ? "loading the bank" : "loading the program", error);
}

bool PluginSession::ReadSeconds(AudioUnitPropertyID id, const char* what, double* seconds, std::string* error) {
  Float64 value = 0.0;
  UInt32 size = sizeof(value);
  if (!Check(AudioUnitGetProperty(mUnit, id, kAudioUnitScope_Global, 0, &value, &size), std::string("reading ") + what,
             error)) {
    return false;
  }
  *seconds = value;
  return true;
}

bool PluginSession::LatencySeconds(double* seconds, std::string* error) {
  return ReadSeconds(kAudioUnitProperty_Latency, "the latency", seconds, error);
}

bool PluginSession::TailSeconds(double* seconds, std::string* error) {
  return ReadSeconds(kAudioUnitProperty_TailTime, "the tail time", seconds, error);
}

bool PluginSession::ChannelConfigurations(std::vector<AUChannelInfo>* configs, std::string* error) {
  UInt32 size = 0;
  Boolean writable = false;
  if (!Check(AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0,
                                      &size, &writable),
             "reading the channel configurations", error)) {
    return false;
  }
  configs->assign(size / sizeof(AUChannelInfo), AUChannelInfo{});
  if (configs->empty()) return true;
  return Check(AudioUnitGetProperty(mUnit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0,
                                    configs->data(), &size),
               "reading the channel configurations", error);
}

OSStatus PluginSession::InputCallback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
                                      UInt32 frames, AudioBufferList* ioData) {
  const PluginSession* self = static_cast<const PluginSession*>(refCon);
  const AudioData* input = self->mInput;
  if (!input || !ioData) return kAudioUnitErr_NoConnection;
  const long available = input->NumFrames();
  for (UInt32 b = 0; b < ioData->mNumberBuffers; ++b) {
    ::AudioBuffer& buffer = ioData->mBuffers[b];
    float* dest = static_cast<float*>(buffer.mData);
    if (!dest || buffer.mDataByteSize < frames * sizeof(float)) return kAudioUnitErr_TooManyFramesToProcess;
    const std::vector<float>& src = input->channels[std::min<size_t>(b, input->channels.size() - 1)];
    // Silence before the input's start, the frames it holds, silence after.
    const long first = self->mInputFrame, count = static_cast<long>(frames);
    const long lead = std::min(count, std::max(0L, -first));
    const long copied = std::max(0L, std::min(count - lead, available - (first + lead)));
    std::fill(dest, dest + lead, 0.0f);
    if (copied > 0) std::memcpy(dest + lead, src.data() + first + lead, sizeof(float) * static_cast<size_t>(copied));
    std::fill(dest + lead + copied, dest + count, 0.0f);
  }
  return noErr;
}

bool PluginSession::Render(const AudioData& input, long inputFrame, UInt32 frames, float* const* out,
                           std::string* error) {
  mInput = &input;
  mInputFrame = inputFrame;
  AudioBufferList* list = reinterpret_cast<AudioBufferList*>(mOutputListStorage.data());
  list->mNumberBuffers = static_cast<UInt32>(mNumChannels);
  for (int c = 0; c < mNumChannels; ++c) {
    list->mBuffers[c].mNumberChannels = 1;
    list->mBuffers[c].mDataByteSize = frames * sizeof(float);
    list->mBuffers[c].mData = out[c];
  }
  AudioTimeStamp timeStamp;
  std::memset(&timeStamp, 0, sizeof(timeStamp));
  timeStamp.mSampleTime = mSampleTime;
  timeStamp.mFlags = kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags flags = 0;
  const OSStatus status = AudioUnitRender(mUnit, &flags, &timeStamp, 0, frames, list);
  mInput = nullptr;
  if (status != noErr) {
    *error = "rendering at frame " + std::to_string(inputFrame) + " failed: " + StatusText(status);
    return false;
  }
  mSampleTime += frames;
  // The unit may have pointed the buffers at its own memory; copy back if so.
  for (int c = 0; c < mNumChannels; ++c) {
    const float* data = static_cast<const float*>(list->mBuffers[c].mData);
    if (data && data != out[c]) std::memcpy(out[c], data, frames * sizeof(float));
  }
  return true;
}

}  // namespace cinderpath_cli
