// Host state (the class-info dictionary), factory presets, the current preset,
// and the notifications through which the host learns of changes the plug-in
// makes on its own.
#include "IPlugAU.h"
#include "IPlugAU_FileProperties.h"

#include <climits>
#include <cstring>
#include <string>

#include "dfx/dfx-au-utilities.h"

namespace
{
// Bytes kept of a stored preset name: as long as a preset slot's name, so
// that every name the plug-in can hold still matches after a round trip.
constexpr int kMaxStoredNameBytes = 256;

// The dictionary's value for key when it has the expected CoreFoundation type;
// a value of another type counts as missing.
CFTypeRef GetTypedValue(CFDictionaryRef dict, const char* key, CFTypeID typeID)
{
  CFStringRef cfKey = NewCFStringFromUTF8(key);
  if (!cfKey) return nullptr;
  CFTypeRef value = CFDictionaryGetValue(dict, cfKey);
  CFRelease(cfKey);
  return (value && CFGetTypeID(value) == typeID) ? value : nullptr;
}

// Stores value under key and drops the caller's reference to value; a null
// key or value (out of memory) stores nothing.
void PutValueInDict(CFMutableDictionaryRef dict, const char* key, CFTypeRef value)
{
  CFStringRef cfKey = NewCFStringFromUTF8(key);
  if (cfKey && value) CFDictionarySetValue(dict, cfKey, value);
  if (cfKey) CFRelease(cfKey);
  if (value) CFRelease(value);
}

void PutNumberInDict(CFMutableDictionaryRef dict, const char* key, SInt32 value)
{
  PutValueInDict(dict, key, CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value));
}

bool GetNumberFromDict(CFDictionaryRef dict, const char* key, SInt32* pValue)
{
  CFNumberRef cfValue = (CFNumberRef)GetTypedValue(dict, key, CFNumberGetTypeID());
  return cfValue && CFNumberGetValue(cfValue, kCFNumberSInt32Type, pValue);
}

void PutStrInDict(CFMutableDictionaryRef dict, const char* key, const char* value)
{
  PutValueInDict(dict, key, NewCFStringFromUTF8(value));
}

void PutDataInDict(CFMutableDictionaryRef dict, const char* key, ByteChunk* pChunk)
{
  PutValueInDict(dict, key, CFDataCreate(kCFAllocatorDefault, pChunk->GetBytes(), pChunk->Size()));
}

bool GetStrFromDict(CFDictionaryRef dict, const char* key, char* out, int outSize)
{
  if (outSize > 0) out[0] = '\0';
  CFStringRef cfValue = (CFStringRef)GetTypedValue(dict, key, CFStringGetTypeID());
  if (!cfValue) return false;
  CopyCFStringPrefix(cfValue, out, outSize);
  return true;
}

// Copies the bytes of data into pChunk; false when they do not fit.
bool CopyDataToChunk(CFDataRef cfValue, ByteChunk* pChunk)
{
  const CFIndex n = CFDataGetLength(cfValue);
  if (n < 0 || n > INT_MAX) return false;
  pChunk->Resize((int)n);
  if (pChunk->Size() != (int)n) return false;
  if (n) memcpy(pChunk->GetBytes(), CFDataGetBytePtr(cfValue), (size_t)n);
  return true;
}

bool GetDataFromDict(CFDictionaryRef dict, const char* key, ByteChunk* pChunk)
{
  CFDataRef cfValue = (CFDataRef)GetTypedValue(dict, key, CFDataGetTypeID());
  return cfValue && CopyDataToChunk(cfValue, pChunk);
}
}  // namespace

ComponentResult IPlugAU::GetState(CFPropertyListRef* ppPropList)
{
  ComponentDescription cd;
  memset(&cd, 0, sizeof(cd));
  const OSErr r = GetComponentInfo((Component)mInstance, &cd, 0, 0, 0);
  if (r != noErr) return r;

  CFMutableDictionaryRef pDict = CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                           &kCFTypeDictionaryValueCallBacks);
  if (!pDict) return coreFoundationUnknownErr;
  PutNumberInDict(pDict, "version", (SInt32)GetEffectVersion(false));
  PutNumberInDict(pDict, "type", (SInt32)cd.componentType);
  PutNumberInDict(pDict, "subtype", (SInt32)cd.componentSubType);
  PutNumberInDict(pDict, "manufacturer", (SInt32)cd.componentManufacturer);
  PutStrInDict(pDict, "name", GetPresetName(GetCurrentPresetIdx()));

  ByteChunk chunk;
  if (SerializeState(&chunk)) PutDataInDict(pDict, "data", &chunk);

  *ppPropList = pDict;
  return noErr;
}

ComponentResult IPlugAU::SetState(CFPropertyListRef pPropList)
{
  ComponentDescription cd;
  memset(&cd, 0, sizeof(cd));
  const OSErr r = GetComponentInfo((Component)mInstance, &cd, 0, 0, 0);
  if (r != noErr) return r;

  if (!pPropList || CFGetTypeID(pPropList) != CFDictionaryGetTypeID()) return kAudioUnitErr_InvalidPropertyValue;
  CFDictionaryRef pDict = (CFDictionaryRef)pPropList;

  // The stored version is required but not compared: any version of this
  // plug-in restores the same parameter block.
  SInt32 version = 0, type = 0, subtype = 0, mfr = 0;
  if (!GetNumberFromDict(pDict, "version", &version) || !GetNumberFromDict(pDict, "type", &type) ||
      !GetNumberFromDict(pDict, "subtype", &subtype) || !GetNumberFromDict(pDict, "manufacturer", &mfr))
    return kAudioUnitErr_InvalidPropertyValue;

  char presetName[kMaxStoredNameBytes];
  if (!GetStrFromDict(pDict, "name", presetName, sizeof(presetName)) || (OSType)type != cd.componentType ||
      (OSType)subtype != cd.componentSubType)
    return kAudioUnitErr_InvalidPropertyValue;
  if ((OSType)mfr != cd.componentManufacturer) return kAudioUnitErr_InvalidPropertyValue;

  // Everything is read and checked before anything changes; a chunk that
  // does not restore puts back the parameters and the current preset as they
  // were before the call.
  ByteChunk chunk;
  if (!GetDataFromDict(pDict, "data", &chunk)) return kAudioUnitErr_InvalidPropertyValue;
  ByteChunk before;
  const bool haveBefore = SerializeState(&before);
  const int presetBefore = mCurrentPresetIdx;

  const bool presetSelected = RestorePreset(presetName);
  if (UnserializeState(&chunk, 0) > 0)
  {
    RedrawParamControls();
    return noErr;
  }
  if (haveBefore) UnserializeState(&before, 0);
  mCurrentPresetIdx = presetBefore;
  // Selecting the named preset showed its values in the editor.
  if (presetSelected) RedrawParamControls();
  return kAudioUnitErr_InvalidPropertyValue;
}

ComponentResult IPlugAU::GetFileProperty(bool bank, CFDataRef* ppData)
{
  ByteChunk file;
  if (!(bank ? MakeBankFXB(&file) : MakeProgramFXP(&file))) return coreFoundationUnknownErr;
  *ppData = CFDataCreate(kCFAllocatorDefault, file.GetBytes(), file.Size());
  return *ppData ? (ComponentResult)noErr : (ComponentResult)coreFoundationUnknownErr;
}

static_assert(kIPlugAUMaxFileBytes == IPlugBase::kMaxProgramFileBytes, "hosts are told the loaders' own cap");

ComponentResult IPlugAU::SetFileProperty(bool bank, CFDataRef data)
{
  ByteChunk file;
  if (!data || CFGetTypeID(data) != CFDataGetTypeID() || CFDataGetLength(data) > kIPlugAUMaxFileBytes ||
      !CopyDataToChunk(data, &file))
    return kAudioUnitErr_InvalidPropertyValue;
  const bool loaded = bank ? LoadBankFromFXBBytes(&file) : LoadProgramFromFXPBytes(&file);
  return loaded ? (ComponentResult)noErr : (ComponentResult)kAudioUnitErr_InvalidPropertyValue;
}

ComponentResult IPlugAU::GetFactoryPresets(CFArrayRef* ppArray)
{
  const int n = NPresets();
  CFMutableArrayRef presetArray = CFArrayCreateMutable(kCFAllocatorDefault, n, &kCFAUPresetArrayCallBacks);
  if (!presetArray) return coreFoundationUnknownErr;
  for (int i = 0; i < n; ++i)
  {
    CFStringRef presetName = NewCFStringFromUTF8(GetPresetName(i));
    CFAUPresetRef newPreset = CFAUPresetCreate(kCFAllocatorDefault, i, presetName);
    if (newPreset)
    {
      CFArrayAppendValue(presetArray, newPreset);
      CFAUPresetRelease(newPreset);
    }
    if (presetName) CFRelease(presetName);
  }
  *ppArray = presetArray;
  return noErr;
}

OSStatus IPlugAU::GetCurrentPreset(AUPreset* pAUPreset)
{
  const int idx = GetCurrentPresetIdx();
  pAUPreset->presetNumber = idx;
  pAUPreset->presetName = NewCFStringFromUTF8(GetPresetName(idx));
  return noErr;
}

OSStatus IPlugAU::SetCurrentPreset(const AUPreset* pAUPreset)
{
  // The name in the host's record is not used. A negative number is a host's
  // own (user) preset, whose state arrives through the class-info property:
  // nothing to select here. A factory number that names no preset (or a
  // restore that fails) is an error, not a silent no-op.
  const SInt32 idx = pAUPreset->presetNumber;
  if (idx < 0) return noErr;
  if (idx >= NPresets()) return kAudioUnitErr_InvalidPropertyValue;
  return RestorePreset((int)idx) ? (OSStatus)noErr : (OSStatus)kAudioUnitErr_InvalidPropertyValue;
}

void IPlugAU::PostParamEvent(AudioUnitEventType eventType, int paramIdx)
{
  AudioUnitEvent event;
  memset(&event, 0, sizeof(event));
  event.mEventType = eventType;
  event.mArgument.mParameter.mAudioUnit = mInstance;
  event.mArgument.mParameter.mParameterID = (AudioUnitParameterID)paramIdx;
  event.mArgument.mParameter.mScope = kAudioUnitScope_Global;
  event.mArgument.mParameter.mElement = 0;
  AUEventListenerNotify(0, 0, &event);
}

void IPlugAU::BeginInformHostOfParamChange(int idx)
{
  TRACE_HERE("%d", idx);
  PostParamEvent(kAudioUnitEvent_BeginParameterChangeGesture, idx);
}

void IPlugAU::InformHostOfParamChange(int idx, double normalizedValue)
{
  TRACE_HERE("%d:%f", idx, normalizedValue);
  PostParamEvent(kAudioUnitEvent_ParameterValueChange, idx);
}

void IPlugAU::EndInformHostOfParamChange(int idx)
{
  TRACE_HERE("%d", idx);
  PostParamEvent(kAudioUnitEvent_EndParameterChangeGesture, idx);
}

void IPlugAU::InformHostOfProgramChange()
{
  NotifyPropertyListeners(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global);
}
