// Audio Unit properties: what the host reads (GetProperty) and what it sets
// (SetProperty). Both run on the host's main thread under the plug-in's mutex,
// taken by the entry dispatch.
//
// Data handed over by the host is checked before it is read: a value query or
// a set with a null data pointer or with fewer bytes than the property's
// structure is refused with kAudioUnitErr_InvalidPropertyValue, and a value
// query never writes more bytes than the caller's size allows.
#include "IPlugAU.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "IPlugAU_FileProperties.h"
#include "dfx/dfx-au-utilities.h"

namespace
{
// Bytes of kAudioUnitProperty_HostCallbacks the binding keeps: the host's user
// data and three procedures.
constexpr UInt32 kHostCallbacksSize = 4 * sizeof(void*);

// Longest host string read for kAudioUnitProperty_ParameterValueFromString.
constexpr int kMaxValueStringBytes = 128;

// Where a readable property answers; anything else gets the error noted.
enum EReadableAccess
{
  kAnyScope,             // every scope and element
  kGlobalScope,          // global scope, any element; else kAudioUnitErr_InvalidProperty
  kGlobalOrInputScope,   // global or input scope; else kAudioUnitErr_InvalidProperty
  kGlobalOrInputBus,     // global or input scope and an input bus's element; else kAudioUnitErr_InvalidProperty
  kGlobalParameter,      // global scope (else kAudioUnitErr_InvalidProperty), a parameter index (else
                         // kAudioUnitErr_InvalidElement)
  kFastDispatchSelector, // element names a fast-dispatch selector; else kAudioUnitErr_InvalidElement
  kStreamBus,            // a bus that GetBus finds; else kAudioUnitErr_InvalidProperty
  kNamedBus,             // input elements 0 and 1 or an output bus (else kAudioUnitErr_InvalidElement);
                         // other scopes kAudioUnitErr_InvalidScope
  kWithEditor,           // only while the plug-in has an editor; else kAudioUnitErr_InvalidProperty
  kWithCocoaEditor,      // an editor and a system that hosts its view; else kAudioUnitErr_InvalidProperty
  kInstrumentOutputBus,  // instruments with several output buses, output (or input) scope, an output bus
  kGlobalInstrument,     // global scope of an instrument; else kAudioUnitErr_InvalidProperty
  kNeverReadable         // always kAudioUnitErr_InvalidPropertyValue
};

// How a readable property's size is found.
enum EReadableSize
{
  kFixedSize,          // the rule's size
  kSizePerParam,       // one parameter ID per parameter in global scope; 0 bytes elsewhere
  kSizePerChannelIO,   // one AUChannelInfo per entry of the channel I/O list
  kSizeIfDisplayTexts  // the rule's size for a parameter with display texts; else 0 bytes and
                       // kAudioUnitErr_InvalidProperty
};

// One readable property: where it answers, how many bytes its value takes and
// whether hosts may set it. Every value query is checked against this size
// before anything is written.
struct ReadableProperty
{
  AudioUnitPropertyID id;
  EReadableAccess access;
  EReadableSize sizeRule;
  UInt32 size;          // bytes, for kFixedSize and kSizeIfDisplayTexts
  bool writable;
  bool valueQueryOnly;  // the information query is refused (size still given)
};

const ReadableProperty kReadableProperties[] = {
  {kAudioUnitProperty_ClassInfo, kAnyScope, kFixedSize, sizeof(CFPropertyListRef), true, false},
  {kAudioUnitProperty_MakeConnection, kGlobalOrInputScope, kFixedSize, sizeof(AudioUnitConnection), true, false},
  {kAudioUnitProperty_SampleRate, kAnyScope, kFixedSize, sizeof(Float64), true, false},
  {kAudioUnitProperty_ParameterList, kAnyScope, kSizePerParam, 0, false, false},
  {kAudioUnitProperty_ParameterInfo, kGlobalParameter, kFixedSize, sizeof(AudioUnitParameterInfo), false, false},
  {kAudioUnitProperty_FastDispatch, kFastDispatchSelector, kFixedSize, sizeof(void*), false, false},
  {kAudioUnitProperty_StreamFormat, kStreamBus, kFixedSize, sizeof(AudioStreamBasicDescription), true, false},
  {kAudioUnitProperty_ElementCount, kAnyScope, kFixedSize, sizeof(UInt32), false, false},
  {kAudioUnitProperty_Latency, kGlobalScope, kFixedSize, sizeof(Float64), false, false},
  {kAudioUnitProperty_SupportedNumChannels, kGlobalScope, kSizePerChannelIO, 0, false, false},
  {kAudioUnitProperty_MaximumFramesPerSlice, kGlobalScope, kFixedSize, sizeof(UInt32), true, false},
  {kAudioUnitProperty_ParameterValueStrings, kGlobalParameter, kSizeIfDisplayTexts, sizeof(CFArrayRef), false, false},
  {kAudioUnitProperty_GetUIComponentList, kWithEditor, kFixedSize, sizeof(ComponentDescription), false, false},
  {kAudioUnitProperty_AudioChannelLayout, kNeverReadable, kFixedSize, 0, false, false},
  {kAudioUnitProperty_TailTime, kGlobalScope, kFixedSize, sizeof(Float64), false, false},
  {kAudioUnitProperty_BypassEffect, kGlobalScope, kFixedSize, sizeof(UInt32), true, false},
  {kAudioUnitProperty_LastRenderError, kGlobalScope, kFixedSize, sizeof(OSStatus), false, false},
  {kAudioUnitProperty_SetRenderCallback, kGlobalOrInputBus, kFixedSize, sizeof(AURenderCallbackStruct), true, false},
  {kAudioUnitProperty_FactoryPresets, kAnyScope, kFixedSize, sizeof(CFArrayRef), false, false},
  {kAudioUnitProperty_HostCallbacks, kGlobalScope, kFixedSize, kHostCallbacksSize, true, false},
  {kAudioUnitProperty_CurrentPreset, kAnyScope, kFixedSize, sizeof(AUPreset), true, false},
  {kAudioUnitProperty_ElementName, kNamedBus, kFixedSize, sizeof(CFStringRef), false, true},
  {kAudioUnitProperty_CocoaUI, kWithCocoaEditor, kFixedSize, sizeof(AudioUnitCocoaViewInfo), false, false},
  {kAudioUnitProperty_SupportedChannelLayoutTags, kInstrumentOutputBus, kFixedSize, sizeof(AudioChannelLayoutTag),
   true, false},
  {kAudioUnitProperty_ParameterStringFromValue, kAnyScope, kFixedSize, sizeof(AudioUnitParameterStringFromValue),
   false, false},
  {kAudioUnitProperty_ParameterIDName, kAnyScope, kFixedSize, sizeof(AudioUnitParameterIDName), false, false},
  {kAudioUnitProperty_ParameterClumpName, kAnyScope, kFixedSize, sizeof(AudioUnitParameterNameInfo), false, false},
  {kAudioUnitProperty_PresentPreset, kAnyScope, kFixedSize, sizeof(AUPreset), true, false},
  {kAudioUnitProperty_ParameterValueFromString, kAnyScope, kFixedSize, sizeof(AudioUnitParameterValueFromString),
   false, false},
  {kMusicDeviceProperty_InstrumentCount, kGlobalInstrument, kFixedSize, sizeof(UInt32), false, false},
  {kIPlugAUProperty_ProgramFile, kGlobalScope, kFixedSize, sizeof(CFDataRef), true, false},
  {kIPlugAUProperty_BankFile, kGlobalScope, kFixedSize, sizeof(CFDataRef), true, false},
};

OSStatus OkOr(bool ok, OSStatus error) { return ok ? (OSStatus)noErr : error; }

const ReadableProperty* FindReadableProperty(AudioUnitPropertyID id)
{
  for (const ReadableProperty& rule : kReadableProperties)
    if (rule.id == id) return &rule;
  return nullptr;
}

// True when the host handed over at least size readable bytes.
bool DataFits(const UInt32* pDataSize, const void* pData, UInt32 size)
{
  return pData && pDataSize && *pDataSize >= size;
}

// True for the one sample layout the render path handles: linear PCM, one
// buffer per channel of native-endian 32-bit floats.
bool IsRenderableFormat(const AudioStreamBasicDescription& f)
{
  const UInt32 flags = f.mFormatFlags;
  return f.mFormatID == kAudioFormatLinearPCM && (flags & kAudioFormatFlagIsFloat) &&
         (flags & kAudioFormatFlagIsNonInterleaved) && !(flags & kAudioFormatFlagIsBigEndian) &&
         f.mBitsPerChannel == 32 && f.mBytesPerFrame == sizeof(float) && f.mBytesPerPacket == sizeof(float) &&
         f.mFramesPerPacket == 1;
}
}  // namespace

IPlugAU::BusChannels* IPlugAU::GetBus(AudioUnitScope scope, AudioUnitElement element)
{
  if (element > (AudioUnitElement)INT_MAX) return nullptr;
  switch (scope)
  {
    case kAudioUnitScope_Input: return mInputBuses.Get((int)element);
    case kAudioUnitScope_Output:
    case kAudioUnitScope_Global:
      // Global scope names the output bus of the same number.
      return mOutputBuses.GetSize() ? mOutputBuses.Get((int)element) : nullptr;
    default: return nullptr;
  }
}

bool IPlugAU::CheckLegalIO(AudioUnitScope scope, int element, int channels)
{
  // Before Initialize the other side's count is open (-1 matches any), so a
  // host may set input and output formats in either order.
  if (scope == kAudioUnitScope_Input)
  {
    const int nIn = NHostChannelsConnected(&mInputBuses, mInputBuses.Get(element));
    const int nOut = mUnitInitialized ? NHostChannelsConnected(&mOutputBuses) : -1;
    return LegalIO((nIn > 0 ? nIn : 0) + channels, nOut);
  }
  const int nIn = mUnitInitialized ? NHostChannelsConnected(&mInputBuses) : -1;
  const int nOut = NHostChannelsConnected(&mOutputBuses, mOutputBuses.Get(element));
  return LegalIO(nIn, (nOut > 0 ? nOut : 0) + channels);
}

OSStatus IPlugAU::CheckScopeAndElement(AudioUnitScope scope, AudioUnitElement element)
{
  AudioUnitElement nElements = 0;
  switch (scope)
  {
    case kAudioUnitScope_Global: nElements = 1; break;
    case kAudioUnitScope_Input: nElements = (AudioUnitElement)mInputBuses.GetSize(); break;
    case kAudioUnitScope_Output: nElements = (AudioUnitElement)mOutputBuses.GetSize(); break;
    default: return kAudioUnitErr_InvalidScope;
  }
  if (element >= nElements) return kAudioUnitErr_InvalidElement;
  return noErr;
}

void IPlugAU::FillParameterInfo(int paramIdx, AudioUnitParameterInfo* pInfo)
{
  IParam* pParam = GetParam(paramIdx);
  memset(pInfo, 0, sizeof(AudioUnitParameterInfo));

  pInfo->flags = kAudioUnitParameterFlag_IsReadable | kAudioUnitParameterFlag_HasCFNameString |
                 kAudioUnitParameterFlag_CFNameRelease;
  if (pParam->GetCanAutomate()) pInfo->flags |= kAudioUnitParameterFlag_IsWritable;

  const char* paramName = pParam->GetNameForHost();
  pInfo->cfNameString = NewCFStringFromUTF8(paramName);
  CopyUTF8Prefix(paramName, pInfo->name, sizeof(pInfo->name));

  switch (pParam->Type())
  {
    case IParam::kTypeInt:
    case IParam::kTypeEnum: pInfo->unit = kAudioUnitParameterUnit_Indexed; break;
    case IParam::kTypeBool: pInfo->unit = kAudioUnitParameterUnit_Boolean; break;
    default:
    {
      const char* label = pParam->GetLabelForHost();
      if (label && *label)
      {
        pInfo->unit = kAudioUnitParameterUnit_CustomUnit;
        pInfo->unitName = NewCFStringFromUTF8(label);
      }
      else
      {
        pInfo->unit = kAudioUnitParameterUnit_Generic;
      }
      break;
    }
  }

  double lo = 0.0, hi = 0.0;
  pParam->GetBounds(&lo, &hi);
  pInfo->minValue = (AudioUnitParameterValue)lo;
  pInfo->maxValue = (AudioUnitParameterValue)hi;
  pInfo->defaultValue = (AudioUnitParameterValue)pParam->GetDefault();

  // Clump IDs are handed out in the order in which the host first asks about a
  // parameter of each group, starting at 1.
  const char* group = pParam->GetParamGroupForHost();
  if (group && *group)
  {
    int clumpID = 0;
    for (int i = 0; i < mParamGroups.GetSize(); ++i)
    {
      const char* known = mParamGroups.Get(i);
      if (known && !strcmp(known, group))
      {
        clumpID = i + 1;
        break;
      }
    }
    if (!clumpID)
    {
      mParamGroups.Add(group);
      clumpID = mParamGroups.GetSize();
    }
    pInfo->flags |= kAudioUnitParameterFlag_HasClump;
    pInfo->clumpID = (UInt32)clumpID;
  }
}

ComponentResult IPlugAU::GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                              UInt32* pDataSize, Boolean* pWritable, void* pData)
{
  const ReadableProperty* pRule = FindReadableProperty(propID);
  if (!pRule) return kAudioUnitErr_InvalidProperty;

  // The element name answers only value queries; hosts still learn its size.
  if (pRule->valueQueryOnly && !pData)
  {
    *pDataSize = pRule->size;
    return kAudioUnitErr_InvalidProperty;
  }

  OSStatus r = CheckReadableAccess(pRule->access, scope, element);
  if (r != noErr) return r;
  *pWritable = pRule->writable;

  UInt32 size = pRule->size;
  switch (pRule->sizeRule)
  {
    case kFixedSize: break;
    case kSizePerParam:
      // Only the global scope has parameters; other scopes list none.
      size = scope == kAudioUnitScope_Global ? (UInt32)NParams() * sizeof(AudioUnitParameterID) : 0;
      break;
    case kSizePerChannelIO: size = (UInt32)mChannelIO.GetSize() * sizeof(AUChannelInfo); break;
    case kSizeIfDisplayTexts:
      if (!GetParam((int)element)->GetNDisplayTexts())
      {
        *pDataSize = 0;
        return kAudioUnitErr_InvalidProperty;
      }
      break;
  }

  // The one place a value query's room is checked: nothing is written unless
  // the whole value fits.
  if (pData && *pDataSize < size) return kAudioUnitErr_InvalidPropertyValue;
  *pDataSize = size;
  if (!pData) return noErr;
  return ReadProperty(propID, scope, element, pData);
}

OSStatus IPlugAU::CheckReadableAccess(int access, AudioUnitScope scope, AudioUnitElement element)
{
  const bool global = (scope == kAudioUnitScope_Global);
  const bool globalOrInput = global || scope == kAudioUnitScope_Input;
  switch (access)
  {
    case kAnyScope: return noErr;
    case kGlobalScope: return OkOr(global, kAudioUnitErr_InvalidProperty);
    case kGlobalOrInputScope: return OkOr(globalOrInput, kAudioUnitErr_InvalidProperty);
    case kGlobalOrInputBus:
      return OkOr(globalOrInput && element < (AudioUnitElement)mInputBuses.GetSize(), kAudioUnitErr_InvalidProperty);
    case kGlobalParameter:
      if (!global) return kAudioUnitErr_InvalidProperty;
      return OkOr(element < (AudioUnitElement)NParams(), kAudioUnitErr_InvalidElement);
    case kFastDispatchSelector:
      return OkOr(element == kAudioUnitGetParameterSelect || element == kAudioUnitSetParameterSelect ||
                    element == kAudioUnitRenderSelect,
                  kAudioUnitErr_InvalidElement);
    case kStreamBus: return OkOr(GetBus(scope, element) != nullptr, kAudioUnitErr_InvalidProperty);
    case kNamedBus:
      // Input elements 0 and 1 carry the main and aux labels.
      if (scope == kAudioUnitScope_Input) return OkOr(element <= 1, kAudioUnitErr_InvalidElement);
      if (scope == kAudioUnitScope_Output)
        return OkOr(element < (AudioUnitElement)mOutputBuses.GetSize(), kAudioUnitErr_InvalidElement);
      return kAudioUnitErr_InvalidScope;
    case kWithEditor: return OkOr(GetGUI() != nullptr, kAudioUnitErr_InvalidProperty);
    case kWithCocoaEditor:
    {
      SInt32 systemVersion = 0;
      return OkOr(GetGUI() && Gestalt(gestaltSystemVersion, &systemVersion) == noErr && systemVersion > 0x104F,
                  kAudioUnitErr_InvalidProperty);
    }
    case kInstrumentOutputBus:
      if (!mIsInst || mOutputBuses.GetSize() == 1) return kAudioUnitErr_InvalidProperty;
      if (scope != kAudioUnitScope_Output && !(scope == kAudioUnitScope_Input && mInputBuses.GetSize()))
        return kAudioUnitErr_InvalidProperty;
      // The tag comes from the output bus with the element's number, also in
      // input scope.
      return OkOr(element < (AudioUnitElement)mOutputBuses.GetSize(), kAudioUnitErr_InvalidElement);
    case kGlobalInstrument: return OkOr(global && mIsInst, kAudioUnitErr_InvalidProperty);
    default: return kAudioUnitErr_InvalidPropertyValue;  // kNeverReadable
  }
}

OSStatus IPlugAU::ReadProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element, void* pData)
{
  switch (propID)
  {
    case kAudioUnitProperty_ClassInfo: return GetState((CFPropertyListRef*)pData);
    case kIPlugAUProperty_ProgramFile:
    case kIPlugAUProperty_BankFile: return GetFileProperty(propID == kIPlugAUProperty_BankFile, (CFDataRef*)pData);
    case kAudioUnitProperty_SampleRate: *(Float64*)pData = mSampleRate; return noErr;
    case kAudioUnitProperty_ParameterList:
    {
      if (scope != kAudioUnitScope_Global) return noErr;
      AudioUnitParameterID* pIDs = (AudioUnitParameterID*)pData;
      for (int i = 0; i < NParams(); ++i) pIDs[i] = (AudioUnitParameterID)i;
      return noErr;
    }
    case kAudioUnitProperty_ParameterInfo:
      FillParameterInfo((int)element, (AudioUnitParameterInfo*)pData);
      return noErr;
    case kAudioUnitProperty_FastDispatch:
    {
      void* proc = nullptr;
      if (element == kAudioUnitGetParameterSelect) proc = (void*)(AudioUnitGetParameterProc)GetParamProc;
      else if (element == kAudioUnitSetParameterSelect) proc = (void*)(AudioUnitSetParameterProc)SetParamProc;
      else proc = (void*)(AudioUnitRenderProc)RenderProc;
      memcpy(pData, &proc, sizeof(void*));
      return noErr;
    }
    case kAudioUnitProperty_StreamFormat:
    {
      const BusChannels* pBus = GetBus(scope, element);
      AudioStreamBasicDescription* pASBD = (AudioStreamBasicDescription*)pData;
      memset(pASBD, 0, sizeof(AudioStreamBasicDescription));
      pASBD->mSampleRate = mSampleRate;
      pASBD->mFormatID = kAudioFormatLinearPCM;
      pASBD->mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
      pASBD->mBytesPerPacket = sizeof(float);
      pASBD->mFramesPerPacket = 1;
      pASBD->mBytesPerFrame = sizeof(float);
      pASBD->mChannelsPerFrame = (UInt32)(pBus->hostChannels >= 0 ? pBus->hostChannels : pBus->plugChannels);
      pASBD->mBitsPerChannel = 32;
      return noErr;
    }
    case kAudioUnitProperty_ElementCount:
    {
      UInt32 n = 0;
      if (scope == kAudioUnitScope_Global) n = 1;
      else if (scope == kAudioUnitScope_Input) n = (UInt32)mInputBuses.GetSize();
      else if (scope == kAudioUnitScope_Output) n = (UInt32)mOutputBuses.GetSize();
      *(UInt32*)pData = n;
      return noErr;
    }
    case kAudioUnitProperty_Latency:
    case kAudioUnitProperty_TailTime:  // answered as the latency
      *(Float64*)pData = (Float64)mLatency / mSampleRate;
      return noErr;
    case kAudioUnitProperty_SupportedNumChannels:
    {
      AUChannelInfo* pChInfo = (AUChannelInfo*)pData;
      for (int i = 0; i < mChannelIO.GetSize(); ++i)
      {
        const ChannelIO* pIO = mChannelIO.Get(i);
        pChInfo[i].inChannels = (SInt16)pIO->mIn;
        pChInfo[i].outChannels = (SInt16)pIO->mOut;
        TRACE_HERE("IO:%d:%d", pIO->mIn, pIO->mOut);
      }
      return noErr;
    }
    case kAudioUnitProperty_MaximumFramesPerSlice: *(UInt32*)pData = (UInt32)mBlockSize; return noErr;
    case kAudioUnitProperty_ParameterValueStrings:
    {
      IParam* pParam = GetParam((int)element);
      const int n = pParam->GetNDisplayTexts();
      CFMutableArrayRef nameArray = CFArrayCreateMutable(kCFAllocatorDefault, n, &kCFTypeArrayCallBacks);
      if (!nameArray) return coreFoundationUnknownErr;
      for (int i = 0; i < n; ++i)
      {
        CFStringRef str = NewCFStringFromUTF8(pParam->GetDisplayTextAtIdx(i, nullptr));
        if (!str) continue;
        CFArrayAppendValue(nameArray, str);
        CFRelease(str);
      }
      *(CFArrayRef*)pData = nameArray;
      return noErr;
    }
    case kAudioUnitProperty_GetUIComponentList:
    {
      ComponentDescription* pDesc = (ComponentDescription*)pData;
      pDesc->componentType = kAudioUnitCarbonViewComponentType;
      pDesc->componentSubType = (OSType)mUniqueID;
      pDesc->componentManufacturer = (OSType)mMfrID;
      pDesc->componentFlags = 0;
      pDesc->componentFlagsMask = 0;
      return noErr;
    }
    case kAudioUnitProperty_BypassEffect: *(UInt32*)pData = mIsBypassed ? 1 : 0; return noErr;
    case kAudioUnitProperty_LastRenderError: *(OSStatus*)pData = noErr; return noErr;
    case kAudioUnitProperty_FactoryPresets: return GetFactoryPresets((CFArrayRef*)pData);
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset: return GetCurrentPreset((AUPreset*)pData);
    case kAudioUnitProperty_ElementName:
    {
      const WDL_String* pLabel = scope == kAudioUnitScope_Input ? mInputBusLabels.Get((int)element)
                                                                : mOutputBusLabels.Get((int)element);
      if (!pLabel) return kAudioUnitErr_InvalidElement;
      *(CFStringRef*)pData = NewCFStringFromUTF8(pLabel->Get());
      return noErr;
    }
    case kAudioUnitProperty_CocoaUI: return GetCocoaViewInfo((AudioUnitCocoaViewInfo*)pData);
    case kAudioUnitProperty_SupportedChannelLayoutTags:
    {
      const BusChannels* pBus = mOutputBuses.Get((int)element);
      AudioChannelLayoutTag tag = kAudioChannelLayoutTag_Unknown;
      if (pBus->plugChannels == 1) tag = kAudioChannelLayoutTag_Mono;
      else if (pBus->plugChannels == 2) tag = kAudioChannelLayoutTag_Stereo;
      *(AudioChannelLayoutTag*)pData = tag;
      return noErr;
    }
    case kAudioUnitProperty_ParameterStringFromValue:
      // Outside the global scope the query succeeds and fills nothing.
      if (scope != kAudioUnitScope_Global) return noErr;
      return GetParameterStringFromValue((AudioUnitParameterStringFromValue*)pData);
    case kAudioUnitProperty_ParameterIDName:
      if (scope != kAudioUnitScope_Global) return noErr;
      return GetParameterIDName((AudioUnitParameterIDName*)pData);
    case kAudioUnitProperty_ParameterClumpName:
    {
      if (scope != kAudioUnitScope_Global) return noErr;
      AudioUnitParameterNameInfo* pClumpInfo = (AudioUnitParameterNameInfo*)pData;
      if (pClumpInfo->inID < 1) return kAudioUnitErr_PropertyNotInUse;
      if (pClumpInfo->inID > (UInt32)mParamGroups.GetSize()) return kAudioUnitErr_InvalidParameter;
      pClumpInfo->outName = NewCFStringFromUTF8(mParamGroups.Get((int)pClumpInfo->inID - 1));
      return noErr;
    }
    case kAudioUnitProperty_ParameterValueFromString:
      if (scope != kAudioUnitScope_Global) return noErr;
      return GetParameterValueFromString((AudioUnitParameterValueFromString*)pData);
    case kMusicDeviceProperty_InstrumentCount: *(UInt32*)pData = 1; return noErr;
    default:
      // Connections and host callbacks are set, never read back.
      return noErr;
  }
}

OSStatus IPlugAU::GetParameterIDName(AudioUnitParameterIDName* pIDName)
{
  if (pIDName->inID >= (AudioUnitParameterID)NParams()) return kAudioUnitErr_InvalidParameter;
  char cStr[32];
  const char* paramName = GetParam((int)pIDName->inID)->GetNameForHost();
  int maxBytes = (int)sizeof(cStr) - 1;
  if (pIDName->inDesiredLength != kAudioUnitParameterName_Full)
  {
    const int desired = pIDName->inDesiredLength > 0 ? (int)pIDName->inDesiredLength : 0;
    maxBytes = desired < maxBytes ? desired : maxBytes;
  }
  CopyUTF8Prefix(paramName, cStr, maxBytes + 1);
  pIDName->outName = NewCFStringFromUTF8(cStr);
  return noErr;
}

OSStatus IPlugAU::GetParameterStringFromValue(AudioUnitParameterStringFromValue* pSFV)
{
  if (pSFV->inParamID >= (AudioUnitParameterID)NParams()) return kAudioUnitErr_InvalidParameter;
  IParam* pParam = GetParam((int)pSFV->inParamID);

  // Without a value the host asks for the current one. Whatever the value,
  // the text is cut to fit mDisplayText and always terminated.
  const double v = pSFV->inValue ? (double)*pSFV->inValue : pParam->Value();
  pParam->GetDisplayForHost(v, false, mDisplayText, sizeof(mDisplayText), true);
  pSFV->outString = NewCFStringFromUTF8(mDisplayText);
  return noErr;
}

OSStatus IPlugAU::GetParameterValueFromString(AudioUnitParameterValueFromString* pVFS)
{
  if (pVFS->inParamID >= (AudioUnitParameterID)NParams()) return kAudioUnitErr_InvalidParameter;
  if (!pVFS->inString) return kAudioUnitErr_InvalidPropertyValue;
  IParam* pParam = GetParam((int)pVFS->inParamID);

  char text[kMaxValueStringBytes];
  CopyCFStringPrefix(pVFS->inString, text, sizeof(text));
  if (pParam->GetNDisplayTexts())
  {
    int v = 0;
    if (pParam->MapDisplayText(text, &v)) pVFS->outValue = (AudioUnitParameterValue)v;
  }
  else
  {
    double v = atof(text);
    if (pParam->GetNegateDisplay()) v = -v;
    pVFS->outValue = (AudioUnitParameterValue)v;
  }
  return noErr;
}

OSStatus IPlugAU::GetCocoaViewInfo(AudioUnitCocoaViewInfo* pViewInfo)
{
  CFStringRef bundleID = NewCFStringFromUTF8(mBundleIdentifier.Get());
  CFBundleRef bundle = bundleID ? CFBundleGetBundleWithIdentifier(bundleID) : nullptr;
  if (bundleID) CFRelease(bundleID);
  CFURLRef url = bundle ? CFBundleCopyBundleURL(bundle) : nullptr;
  if (!url) return kAudioUnitErr_InvalidProperty;
  CFStringRef className = NewCFStringFromUTF8(mViewClassName.Get());
  if (!className)
  {
    CFRelease(url);
    return kAudioUnitErr_InvalidProperty;
  }
  pViewInfo->mCocoaAUViewBundleLocation = url;
  pViewInfo->mCocoaAUViewClass[0] = className;
  return noErr;
}

ComponentResult IPlugAU::SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                              UInt32* pDataSize, const void* pData)
{
  // Listeners hear of every attempt, also one that is then refused.
  NotifyPropertyListeners(propID, scope);

  // State, sample rate, maximum frames, bypass, presets, offline rendering
  // and the host identifier belong to the whole unit: any scope and element
  // name them.

  OSStatus r = noErr;
  switch (propID)
  {
    case kAudioUnitProperty_ClassInfo:  // 0
    {
      if (!DataFits(pDataSize, pData, sizeof(CFPropertyListRef))) return kAudioUnitErr_InvalidPropertyValue;
      return SetState(*(const CFPropertyListRef*)pData);
    }
    case kIPlugAUProperty_ProgramFile:
    case kIPlugAUProperty_BankFile:
    {
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      if (!DataFits(pDataSize, pData, sizeof(CFDataRef))) return kAudioUnitErr_InvalidPropertyValue;
      return SetFileProperty(propID == kIPlugAUProperty_BankFile, *(const CFDataRef*)pData);
    }
    case kAudioUnitProperty_MakeConnection:  // 1
    {
      if (scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidProperty;
      if ((r = CheckScopeAndElement(scope, element))) return r;
      if (!DataFits(pDataSize, pData, sizeof(AudioUnitConnection))) return kAudioUnitErr_InvalidPropertyValue;
      return SetConnection(scope, (const AudioUnitConnection*)pData);
    }
    case kAudioUnitProperty_SampleRate:  // 2
    {
      if (!DataFits(pDataSize, pData, sizeof(Float64))) return kAudioUnitErr_InvalidPropertyValue;
      const Float64 rate = *(const Float64*)pData;
      if (!IPlugBase::IsUsableSampleRate(rate)) return kAudioUnitErr_InvalidPropertyValue;
      SetSampleRate(rate);
      Reset();
      return noErr;
    }
    case kAudioUnitProperty_StreamFormat:  // 8
    {
      if (!GetBus(scope, element)) return kAudioUnitErr_InvalidProperty;
      if (!DataFits(pDataSize, pData, sizeof(AudioStreamBasicDescription))) return kAudioUnitErr_InvalidPropertyValue;
      return SetStreamFormat(scope, element, (const AudioStreamBasicDescription*)pData);
    }
    case kAudioUnitProperty_MaximumFramesPerSlice:  // 14
    {
      if (!DataFits(pDataSize, pData, sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
      return SetMaxFramesPerSlice(*(const UInt32*)pData);
    }
    case kAudioUnitProperty_BypassEffect:  // 21
    {
      if (!DataFits(pDataSize, pData, sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
      mIsBypassed = (*(const UInt32*)pData != 0);
      OnActivate(!mIsBypassed);
      Reset();
      return noErr;
    }
    case kAudioUnitProperty_SetRenderCallback:  // 23
    {
      if (scope != kAudioUnitScope_Input || element >= (AudioUnitElement)mInputBuses.GetSize())
        return kAudioUnitErr_InvalidProperty;
      if (!DataFits(pDataSize, pData, sizeof(AURenderCallbackStruct))) return kAudioUnitErr_InvalidPropertyValue;
      return SetInputCallback(scope, element, (const AURenderCallbackStruct*)pData);
    }
    case kAudioUnitProperty_HostCallbacks:  // 27
    {
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      if (element != 0) return kAudioUnitErr_InvalidElement;
      if (!pData || !pDataSize) return kAudioUnitErr_InvalidPropertyValue;
      // A shorter structure (an older host) gives only the fields that fit;
      // the others become null. Fields past the fourth are not used.
      void* fields[4] = {nullptr, nullptr, nullptr, nullptr};
      const UInt32 nFields = (*pDataSize < kHostCallbacksSize ? *pDataSize : kHostCallbacksSize) / sizeof(void*);
      memcpy(fields, pData, nFields * sizeof(void*));
      memcpy(&mHostCallbackInfo, fields, kHostCallbacksSize);
      return noErr;
    }
    case kAudioUnitProperty_CurrentPreset:  // 28
    case kAudioUnitProperty_PresentPreset:  // 36
    {
      if (!DataFits(pDataSize, pData, sizeof(AUPreset))) return kAudioUnitErr_InvalidPropertyValue;
      return SetCurrentPreset((const AUPreset*)pData);
    }
    case kAudioUnitProperty_OfflineRender:  // 37
    {
      if (!DataFits(pDataSize, pData, sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
      mOffline = (*(const UInt32*)pData != 0);
      return noErr;
    }
    case kAudioUnitProperty_AUHostIdentifier:  // 46
    {
      if (!DataFits(pDataSize, pData, sizeof(AUHostIdentifier))) return kAudioUnitErr_InvalidPropertyValue;
      return SetHostIdentifier((const AUHostIdentifier*)pData);
    }
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

OSStatus IPlugAU::SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                  const AudioStreamBasicDescription* pASBD)
{
  // A rate of 0 leaves the current rate as it is; any other rate must be one
  // the processing can run at.
  const Float64 rate = pASBD->mSampleRate;
  if (rate != 0.0 && !IsUsableSampleRate(rate)) return kAudioUnitErr_InvalidPropertyValue;

  BusChannels* pBus = GetBus(scope, element);
  const int nHostChannels = pASBD->mChannelsPerFrame > (UInt32)INT_MAX ? INT_MAX : (int)pASBD->mChannelsPerFrame;
  // The bus being set is left out of the sums, so its old count does not matter.
  const bool connectionOK = CheckLegalIO(scope, (int)element, nHostChannels);
  const bool isLinearPCM = (pASBD->mFormatID == kAudioFormatLinearPCM);
  const bool isCanonicalFormat =
    (pASBD->mFormatFlags & (kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked)) != 0;
  const bool accepted = nHostChannels > 0 && connectionOK && isLinearPCM && isCanonicalFormat;
  TRACE_HERE("%d:%d:%s:%s:%s", nHostChannels, pBus->plugChannels, isLinearPCM ? "linearPCM" : "notLinearPCM",
        isCanonicalFormat ? "canonicalFormat" : "notCanonicalFormat", connectionOK ? "connectionOK" : "connectionNotOK");

  // A refused format changes nothing: the bus keeps the format it had, so a
  // host that probes formats (as validators do) leaves a working unit
  // behind. The render path reads and writes one buffer of native 32-bit
  // floats per channel; any other sample layout would be misread.
  if (!accepted || !IsRenderableFormat(*pASBD)) return kAudioUnitErr_FormatNotSupported;

  const int oldHostChannels = pBus->hostChannels;
  pBus->hostChannels = nHostChannels;
  // An output bus binds its channels again at its next render with the new count.
  if (scope != kAudioUnitScope_Input && pBus->hostChannels != oldHostChannels) pBus->connected = false;
  // A new rate must reach the plug-in's filters and timers at once: a host
  // may set only formats and never the sample-rate property.
  if (rate != 0.0 && rate != mSampleRate)
  {
    SetSampleRate(rate);
    Reset();
  }
  AssessInputConnections();
  return noErr;
}

OSStatus IPlugAU::SetMaxFramesPerSlice(UInt32 frames)
{
  // Every buffer sized from the block must keep its byte count within the
  // 32-bit sizes of the heap buffers: the binding's float scratch (one run per
  // channel) and the base's double scratch (one per channel).
  const int64_t nChannels = NInChannels() > NOutChannels() ? NInChannels() : NOutChannels();
  const int64_t bytesPerFrame = nChannels * (int64_t)sizeof(float) > (int64_t)sizeof(double)
                                  ? nChannels * (int64_t)sizeof(float)
                                  : (int64_t)sizeof(double);
  if (frames == 0 || (int64_t)frames * bytesPerFrame > INT_MAX) return kAudioUnitErr_InvalidPropertyValue;

  // SetBlockSize keeps the old block and buffers when it cannot size them all.
  if (!SetBlockSize((int)frames)) return kAudioUnitErr_InvalidPropertyValue;
  Reset();
  return noErr;
}

OSStatus IPlugAU::SetHostIdentifier(const AUHostIdentifier* pHostID)
{
  if (!pHostID->hostName) return kAudioUnitErr_InvalidPropertyValue;
  char hostName[128];
  CopyCFStringPrefix(pHostID->hostName, hostName, sizeof(hostName));
  // NumVersion: major revision, then minor and bug-fix digits in the high and
  // low nibbles of one byte; packed as major << 16 | minor << 8 | bug fix.
  const int minorAndBugRev = pHostID->hostVersion.minorAndBugRev;
  const int version = ((int)pHostID->hostVersion.majorRev << 16) | ((minorAndBugRev >> 4) << 8) | (minorAndBugRev & 0x0F);
  SetHost(hostName, version);
  OnHostIdentified();
  return noErr;
}
