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

#include "dfx/dfx-au-utilities.h"

namespace
{
// Bytes of kAudioUnitProperty_HostCallbacks the binding keeps: the host's user
// data and three procedures.
constexpr UInt32 kHostCallbacksSize = 4 * sizeof(void*);

// Longest host string read for kAudioUnitProperty_ParameterValueFromString.
constexpr int kMaxValueStringBytes = 128;

// Size bookkeeping shared by both kinds of get: an information query (no data)
// learns the size; a value query must offer at least that much room.
OSStatus SizeFor(UInt32* pDataSize, UInt32 size, const void* pData)
{
  if (pData && *pDataSize < size) return kAudioUnitErr_InvalidPropertyValue;
  *pDataSize = size;
  return noErr;
}

// True when the host handed over at least size readable bytes.
bool DataFits(const UInt32* pDataSize, const void* pData, UInt32 size)
{
  return pData && pDataSize && *pDataSize >= size;
}

bool IsFiniteRate(Float64 rate) { return std::isfinite(rate) && rate > 0.0; }
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
  const int nParams = NParams();
  OSStatus r = noErr;
  switch (propID)
  {
    case kAudioUnitProperty_ClassInfo:  // 0
    {
      *pWritable = true;
      if ((r = SizeFor(pDataSize, sizeof(CFPropertyListRef), pData)) || !pData) return r;
      return GetState((CFPropertyListRef*)pData);
    }
    case kAudioUnitProperty_MakeConnection:  // 1
    {
      if (scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidProperty;
      *pWritable = true;
      return SizeFor(pDataSize, sizeof(AudioUnitConnection), pData);
    }
    case kAudioUnitProperty_SampleRate:  // 2
    {
      *pWritable = true;
      if ((r = SizeFor(pDataSize, sizeof(Float64), pData)) || !pData) return r;
      *(Float64*)pData = mSampleRate;
      return noErr;
    }
    case kAudioUnitProperty_ParameterList:  // 3
    {
      if (scope != kAudioUnitScope_Global) return SizeFor(pDataSize, 0, pData);
      if ((r = SizeFor(pDataSize, (UInt32)nParams * sizeof(AudioUnitParameterID), pData)) || !pData) return r;
      AudioUnitParameterID* pIDs = (AudioUnitParameterID*)pData;
      for (int i = 0; i < nParams; ++i) pIDs[i] = (AudioUnitParameterID)i;
      return noErr;
    }
    case kAudioUnitProperty_ParameterInfo:  // 4
    {
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      if (element >= (AudioUnitElement)nParams) return kAudioUnitErr_InvalidElement;
      if ((r = SizeFor(pDataSize, sizeof(AudioUnitParameterInfo), pData)) || !pData) return r;
      FillParameterInfo((int)element, (AudioUnitParameterInfo*)pData);
      return noErr;
    }
    case kAudioUnitProperty_FastDispatch:  // 5
    {
      void* proc = nullptr;
      switch (element)
      {
        case kAudioUnitGetParameterSelect: proc = (void*)(AudioUnitGetParameterProc)GetParamProc; break;
        case kAudioUnitSetParameterSelect: proc = (void*)(AudioUnitSetParameterProc)SetParamProc; break;
        case kAudioUnitRenderSelect: proc = (void*)(AudioUnitRenderProc)RenderProc; break;
        default: return kAudioUnitErr_InvalidElement;
      }
      if ((r = SizeFor(pDataSize, sizeof(void*), pData)) || !pData) return r;
      memcpy(pData, &proc, sizeof(void*));
      return noErr;
    }
    case kAudioUnitProperty_StreamFormat:  // 8
    {
      BusChannels* pBus = GetBus(scope, element);
      if (!pBus) return kAudioUnitErr_InvalidProperty;
      *pWritable = true;
      if ((r = SizeFor(pDataSize, sizeof(AudioStreamBasicDescription), pData)) || !pData) return r;
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
    case kAudioUnitProperty_ElementCount:  // 11
    {
      if ((r = SizeFor(pDataSize, sizeof(UInt32), pData)) || !pData) return r;
      UInt32 n = 0;
      if (scope == kAudioUnitScope_Global) n = 1;
      else if (scope == kAudioUnitScope_Input) n = (UInt32)mInputBuses.GetSize();
      else if (scope == kAudioUnitScope_Output) n = (UInt32)mOutputBuses.GetSize();
      *(UInt32*)pData = n;
      return noErr;
    }
    case kAudioUnitProperty_Latency:   // 12
    case kAudioUnitProperty_TailTime:  // 20, answered as the latency
    {
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      if ((r = SizeFor(pDataSize, sizeof(Float64), pData)) || !pData) return r;
      *(Float64*)pData = (Float64)mLatency / mSampleRate;
      return noErr;
    }
    case kAudioUnitProperty_SupportedNumChannels:  // 13
    {
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      const int nIO = mChannelIO.GetSize();
      if ((r = SizeFor(pDataSize, (UInt32)nIO * sizeof(AUChannelInfo), pData)) || !pData) return r;
      AUChannelInfo* pChInfo = (AUChannelInfo*)pData;
      for (int i = 0; i < nIO; ++i)
      {
        const ChannelIO* pIO = mChannelIO.Get(i);
        pChInfo[i].inChannels = (SInt16)pIO->mIn;
        pChInfo[i].outChannels = (SInt16)pIO->mOut;
        TRACE_HERE("IO:%d:%d", pIO->mIn, pIO->mOut);
      }
      return noErr;
    }
    case kAudioUnitProperty_MaximumFramesPerSlice:  // 14
    {
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      *pWritable = true;
      if ((r = SizeFor(pDataSize, sizeof(UInt32), pData)) || !pData) return r;
      *(UInt32*)pData = (UInt32)mBlockSize;
      return noErr;
    }
    case kAudioUnitProperty_ParameterValueStrings:  // 16
    {
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      if (element >= (AudioUnitElement)nParams) return kAudioUnitErr_InvalidElement;
      IParam* pParam = GetParam((int)element);
      const int n = pParam->GetNDisplayTexts();
      if (!n)
      {
        *pDataSize = 0;
        return kAudioUnitErr_InvalidProperty;
      }
      if ((r = SizeFor(pDataSize, sizeof(CFArrayRef), pData)) || !pData) return r;
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
    case kAudioUnitProperty_GetUIComponentList:  // 18
    {
      if (!GetGUI()) return kAudioUnitErr_InvalidProperty;
      if ((r = SizeFor(pDataSize, sizeof(ComponentDescription), pData)) || !pData) return r;
      ComponentDescription* pDesc = (ComponentDescription*)pData;
      pDesc->componentType = kAudioUnitCarbonViewComponentType;
      pDesc->componentSubType = (OSType)mUniqueID;
      pDesc->componentManufacturer = (OSType)mMfrID;
      pDesc->componentFlags = 0;
      pDesc->componentFlagsMask = 0;
      return noErr;
    }
    case kAudioUnitProperty_AudioChannelLayout:  // 19
      return kAudioUnitErr_InvalidPropertyValue;
    case kAudioUnitProperty_BypassEffect:  // 21
    {
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      *pWritable = true;
      if ((r = SizeFor(pDataSize, sizeof(UInt32), pData)) || !pData) return r;
      *(UInt32*)pData = mIsBypassed ? 1 : 0;
      return noErr;
    }
    case kAudioUnitProperty_LastRenderError:  // 22
    {
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      if ((r = SizeFor(pDataSize, sizeof(OSStatus), pData)) || !pData) return r;
      *(OSStatus*)pData = noErr;
      return noErr;
    }
    case kAudioUnitProperty_SetRenderCallback:  // 23
    {
      if ((scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input) ||
          element >= (AudioUnitElement)mInputBuses.GetSize())
        return kAudioUnitErr_InvalidProperty;
      *pWritable = true;
      return SizeFor(pDataSize, sizeof(AURenderCallbackStruct), pData);
    }
    case kAudioUnitProperty_FactoryPresets:  // 24
    {
      if ((r = SizeFor(pDataSize, sizeof(CFArrayRef), pData)) || !pData) return r;
      return GetFactoryPresets((CFArrayRef*)pData);
    }
    case kAudioUnitProperty_HostCallbacks:  // 27
    {
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
      *pWritable = true;
      return SizeFor(pDataSize, kHostCallbacksSize, pData);
    }
    case kAudioUnitProperty_CurrentPreset:  // 28
    case kAudioUnitProperty_PresentPreset:  // 36
    {
      *pWritable = true;
      if ((r = SizeFor(pDataSize, sizeof(AUPreset), pData)) || !pData) return r;
      return GetCurrentPreset((AUPreset*)pData);
    }
    case kAudioUnitProperty_ElementName:  // 30
    {
      *pDataSize = sizeof(CFStringRef);
      if (!pData) return kAudioUnitErr_InvalidProperty;
      const WDL_String* pLabel = nullptr;
      if (scope == kAudioUnitScope_Input)
      {
        if (element > 1) return kAudioUnitErr_InvalidElement;
        pLabel = mInputBusLabels.Get((int)element);
      }
      else if (scope == kAudioUnitScope_Output)
      {
        if (element >= (AudioUnitElement)mOutputBuses.GetSize()) return kAudioUnitErr_InvalidElement;
        pLabel = mOutputBusLabels.Get((int)element);
      }
      else
      {
        return kAudioUnitErr_InvalidScope;
      }
      if (!pLabel) return kAudioUnitErr_InvalidElement;
      *(CFStringRef*)pData = NewCFStringFromUTF8(pLabel->Get());
      return noErr;
    }
    case kAudioUnitProperty_CocoaUI:  // 31
    {
      SInt32 systemVersion = 0;
      if (!GetGUI() || Gestalt(gestaltSystemVersion, &systemVersion) != noErr || systemVersion <= 0x104F)
        return kAudioUnitErr_InvalidProperty;
      if ((r = SizeFor(pDataSize, sizeof(AudioUnitCocoaViewInfo), pData)) || !pData) return r;
      return GetCocoaViewInfo((AudioUnitCocoaViewInfo*)pData);
    }
    case kAudioUnitProperty_SupportedChannelLayoutTags:  // 32
    {
      if (!mIsInst || mOutputBuses.GetSize() == 1) return kAudioUnitErr_InvalidProperty;
      if (scope != kAudioUnitScope_Output && !(scope == kAudioUnitScope_Input && mInputBuses.GetSize()))
        return kAudioUnitErr_InvalidProperty;
      // The tag comes from the output bus with the element's number, also in
      // input scope.
      const BusChannels* pBus = element <= (AudioUnitElement)INT_MAX ? mOutputBuses.Get((int)element) : nullptr;
      if (!pBus) return kAudioUnitErr_InvalidElement;
      *pWritable = true;
      if ((r = SizeFor(pDataSize, sizeof(AudioChannelLayoutTag), pData)) || !pData) return r;
      AudioChannelLayoutTag tag = kAudioChannelLayoutTag_Unknown;
      if (pBus->plugChannels == 1) tag = kAudioChannelLayoutTag_Mono;
      else if (pBus->plugChannels == 2) tag = kAudioChannelLayoutTag_Stereo;
      *(AudioChannelLayoutTag*)pData = tag;
      return noErr;
    }
    case kAudioUnitProperty_ParameterStringFromValue:  // 33
    {
      if ((r = SizeFor(pDataSize, sizeof(AudioUnitParameterStringFromValue), pData)) || !pData) return r;
      if (scope != kAudioUnitScope_Global) return noErr;
      return GetParameterStringFromValue((AudioUnitParameterStringFromValue*)pData);
    }
    case kAudioUnitProperty_ParameterIDName:  // 34
    {
      if ((r = SizeFor(pDataSize, sizeof(AudioUnitParameterIDName), pData)) || !pData) return r;
      if (scope != kAudioUnitScope_Global) return noErr;
      AudioUnitParameterIDName* pIDName = (AudioUnitParameterIDName*)pData;
      if (pIDName->inID >= (AudioUnitParameterID)nParams) return kAudioUnitErr_InvalidParameter;
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
    case kAudioUnitProperty_ParameterClumpName:  // 35
    {
      if ((r = SizeFor(pDataSize, sizeof(AudioUnitParameterNameInfo), pData)) || !pData) return r;
      if (scope != kAudioUnitScope_Global) return noErr;
      AudioUnitParameterNameInfo* pClumpInfo = (AudioUnitParameterNameInfo*)pData;
      if (pClumpInfo->inID < 1) return kAudioUnitErr_PropertyNotInUse;
      if (pClumpInfo->inID > (UInt32)mParamGroups.GetSize()) return kAudioUnitErr_InvalidParameter;
      pClumpInfo->outName = NewCFStringFromUTF8(mParamGroups.Get((int)pClumpInfo->inID - 1));
      return noErr;
    }
    case kAudioUnitProperty_ParameterValueFromString:  // 38
    {
      if ((r = SizeFor(pDataSize, sizeof(AudioUnitParameterValueFromString), pData)) || !pData) return r;
      if (scope != kAudioUnitScope_Global) return noErr;
      return GetParameterValueFromString((AudioUnitParameterValueFromString*)pData);
    }
    case kMusicDeviceProperty_InstrumentCount:  // 1000
    {
      if (scope != kAudioUnitScope_Global || !mIsInst) return kAudioUnitErr_InvalidProperty;
      if ((r = SizeFor(pDataSize, sizeof(UInt32), pData)) || !pData) return r;
      *(UInt32*)pData = 1;
      return noErr;
    }
    default:
      return kAudioUnitErr_InvalidProperty;
  }
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

  OSStatus r = noErr;
  switch (propID)
  {
    case kAudioUnitProperty_ClassInfo:  // 0
    {
      if ((r = CheckScopeAndElement(scope, element))) return r;
      if (!DataFits(pDataSize, pData, sizeof(CFPropertyListRef))) return kAudioUnitErr_InvalidPropertyValue;
      return SetState(*(const CFPropertyListRef*)pData);
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
      if ((r = CheckScopeAndElement(scope, element))) return r;
      if (!DataFits(pDataSize, pData, sizeof(Float64))) return kAudioUnitErr_InvalidPropertyValue;
      const Float64 rate = *(const Float64*)pData;
      if (!IsFiniteRate(rate)) return kAudioUnitErr_InvalidPropertyValue;
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
      if ((r = CheckScopeAndElement(scope, element))) return r;
      if (!DataFits(pDataSize, pData, sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
      return SetMaxFramesPerSlice(*(const UInt32*)pData);
    }
    case kAudioUnitProperty_BypassEffect:  // 21
    {
      if ((r = CheckScopeAndElement(scope, element))) return r;
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
      if ((r = CheckScopeAndElement(scope, element))) return r;
      if (!DataFits(pDataSize, pData, sizeof(AUPreset))) return kAudioUnitErr_InvalidPropertyValue;
      return SetCurrentPreset((const AUPreset*)pData);
    }
    case kAudioUnitProperty_OfflineRender:  // 37
    {
      if ((r = CheckScopeAndElement(scope, element))) return r;
      if (!DataFits(pDataSize, pData, sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
      mOffline = (*(const UInt32*)pData != 0);
      return noErr;
    }
    case kAudioUnitProperty_AUHostIdentifier:  // 46
    {
      if ((r = CheckScopeAndElement(scope, element))) return r;
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
  if (!IsFiniteRate(pASBD->mSampleRate)) return kAudioUnitErr_InvalidPropertyValue;

  BusChannels* pBus = GetBus(scope, element);
  const int nHostChannels = pASBD->mChannelsPerFrame > (UInt32)INT_MAX ? INT_MAX : (int)pASBD->mChannelsPerFrame;
  pBus->hostChannels = 0;
  const bool connectionOK = CheckLegalIO(scope, (int)element, nHostChannels);
  const bool isLinearPCM = (pASBD->mFormatID == kAudioFormatLinearPCM);
  const bool isCanonicalFormat =
    (pASBD->mFormatFlags & (kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked)) != 0;
  const bool accepted = nHostChannels > 0 && connectionOK && isLinearPCM && isCanonicalFormat;
  TRACE_HERE("%d:%d:%s:%s:%s", nHostChannels, pBus->plugChannels, isLinearPCM ? "linearPCM" : "notLinearPCM",
        isCanonicalFormat ? "canonicalFormat" : "notCanonicalFormat", connectionOK ? "connectionOK" : "connectionNotOK");

  if (accepted)
  {
    pBus->hostChannels = nHostChannels;
    // A new rate must reach the plug-in's filters and timers at once: a host
    // may set only formats and never the sample-rate property.
    if (pASBD->mSampleRate != mSampleRate)
    {
      SetSampleRate(pASBD->mSampleRate);
      Reset();
    }
  }
  AssessInputConnections();
  return accepted ? (OSStatus)noErr : (OSStatus)kAudioUnitErr_InvalidProperty;
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
