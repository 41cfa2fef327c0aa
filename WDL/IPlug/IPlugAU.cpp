// Audio Unit binding: lifetime, buses, parameters, listener and observer
// lists, and the host services of IPlugBase that the binding supplies.
// The selector dispatch lives in IPlugAU_Entry.cpp, the render path in
// IPlugAU_Render.cpp, properties in IPlugAU_Properties.cpp and host state in
// IPlugAU_State.cpp.

#include "IPlugAU.h"

#include "IGraphics.h"

#include <initializer_list>
#include <math.h>
#include <stdio.h>
#include <string.h>

namespace
{
// Largest number of frames per render call the binding accepts. Bounds the
// scratch buffers (channels x frames floats) against absurd host requests.
const int kMaxBlockSizeFrames = 1 << 20;

const int kDefaultBlockSizeFrames = 1024;

void AddBus(WDL_PtrList<IPlugAU::BusChannels>* pBuses, int firstPlugChannel, int plugChannels)
{
  IPlugAU::BusChannels* pBus = new IPlugAU::BusChannels;
  pBus->connected = false;
  pBus->hostChannels = -1;
  pBus->plugChannels = plugChannels;
  pBus->firstPlugChannel = firstPlugChannel;
  pBuses->Add(pBus);
}

// Resizes a scratch buffer to n floats and zeroes it; false if the memory
// could not be had (a buffer that had to grow then keeps its old size).
bool ResizeScratch(WDL_TypedBuf<float>* pBuf, int n)
{
  if (n < 0) n = 0;
  pBuf->Resize(n);
  if (pBuf->GetSize() != n) return false;
  if (n > 0) memset(pBuf->Get(), 0, (size_t) n * sizeof(float));
  return true;
}

// The lists keep entries in ascending serial order (entries are only ever
// appended). Returns the first entry whose serial lies in (after, mark], or
// null. Walking from serial to serial instead of from index to index keeps a
// notification loop correct when a callee removes or adds entries: nothing
// is skipped, nothing removed is called, and the walk never leaves the list.
template <class T>
T* NextEntry(WDL_PtrList<T>* pList, uint64_t after, uint64_t mark)
{
  const int n = pList->GetSize();
  for (int i = 0; i < n; ++i)
  {
    T* pEntry = pList->Get(i);
    if (pEntry->serial > after) return pEntry->serial <= mark ? pEntry : 0;
  }
  return 0;
}
}  // namespace

IPlugAU::IPlugAU(const IPlugInstanceInfo& instanceInfo, int nParams, const char* channelIOStr, int nPresets,
                 const char* effectName, const char* productName, const char* mfrName,
                 int vendorVersion, int uniqueID, int mfrID, int latency,
                 bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst, int plugScChans)
  : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName,
              vendorVersion, uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPIAU)
  , mInstance(0)
  , mUnitInitialized(false)
  , mOffline(false)
  , mLastSampleTime(-1.0)
  , mLastTempo(120.0)
  , mLastSerial(0)
{
  TRACE_HERE("%s", effectName);

  mBundleIdentifier.Set(instanceInfo.mBundleIdentifier.Get());
  mViewClassName.Set(instanceInfo.mViewClassName.Get());
  memset(mDisplayText, 0, sizeof(mDisplayText));
  memset(&mHostCallbackInfo, 0, sizeof(mHostCallbackInfo));

  const int nInputs = NInChannels();
  const int nOutputs = NOutChannels();

  if (plugScChans > 0 && nInputs > 0)
  {
    // A side-chain wider than the inputs would leave the main bus with a
    // negative width; the aux bus then takes every input.
    const int nSideChain = plugScChans < nInputs ? plugScChans : nInputs;
    AddBus(&mInputBuses, 0, nInputs - nSideChain);
    AddBus(&mInputBuses, nInputs - nSideChain, nSideChain);
    SetInputBusLabel(0, "main input");
    SetInputBusLabel(1, "aux input");
  }
  else if (nInputs > 0)
  {
    AddBus(&mInputBuses, 0, nInputs);
    SetInputBusLabel(0, "input");
    SetInputBusLabel(1, "aux input");
  }
  for (int i = 0; i < mInputBuses.GetSize(); ++i)
  {
    InputConnection* pConn = new InputConnection;
    memset(pConn, 0, sizeof(InputConnection));
    mInputConnections.Add(pConn);
  }

  if (plugIsInst)
  {
    const int nBuses = (nOutputs + 1) / 2;
    for (int i = 0; i < nBuses; ++i)
    {
      const int nLeft = nOutputs - 2 * i;
      AddBus(&mOutputBuses, 2 * i, nLeft < 2 ? nLeft : 2);
      char label[32];
      snprintf(label, sizeof(label), "output %i", i + 1);
      SetOutputBusLabel(i, label);
    }
  }
  else
  {
    AddBus(&mOutputBuses, 0, nOutputs);
    SetOutputBusLabel(0, "output");
  }

  AssessInputConnections();

  ResizeScratch(&mInputScratch, nInputs * kDefaultBlockSizeFrames);
  ResizeScratch(&mOutputScratch, nOutputs * kDefaultBlockSizeFrames);
  IPlugBase::SetBlockSize(kDefaultBlockSizeFrames);
}

IPlugAU::~IPlugAU()
{
  mRenderObservers.Empty(true);
  mInputBuses.Empty(true);
  mOutputBuses.Empty(true);
  mInputConnections.Empty(true);
  mListeners.Empty(true);
  mInputScratch.Resize(0);
  mOutputScratch.Resize(0);
}

// ---- Host services ----

bool IPlugAU::IsRenderingOffline()
{
  return mOffline;
}

EHost IPlugAU::GetHost()
{
  EHost host = IPlugBase::GetHost();
  if (host != kHostUninit) return host;

  // The host is the process that loaded the component: its main bundle's
  // identifier names it.
  CFBundleRef mainBundle = CFBundleGetMainBundle();
  CFStringRef identifier = mainBundle ? CFBundleGetIdentifier(mainBundle) : 0;
  char text[256];
  if (identifier && CFStringGetCString(identifier, text, sizeof(text), kCFStringEncodingUTF8))
  {
    SetHost(text, 0);
  }
  if (IPlugBase::GetHost() == kHostUninit) SetHost("", 0);
  return IPlugBase::GetHost();
}

void IPlugAU::HostSpecificInit()
{
  GetHost();
  OnHostIdentified();
}

void IPlugAU::ResizeGraphics(int w, int h)
{
  TRACE_HERE("%d:%d", w, h);
  if (GetGUI()) OnWindowResize();
}

void IPlugAU::SetLatency(int samples)
{
  TRACE_HERE("%d", samples);
  NotifyPropertyListeners(kAudioUnitProperty_Latency, kAudioUnitScope_Global);
  IPlugBase::SetLatency(samples);
}

bool IPlugAU::SendMidiMsg(IMidiMsg*)
{
  return false;
}

bool IPlugAU::SetBlockSize(int blockSize)
{
  TRACE_HERE("%d", blockSize);
  // A size the scratch memory cannot hold changes nothing: the previous
  // maximum stays in force and renders above it are refused.
  if (blockSize < 1 || blockSize > kMaxBlockSizeFrames) return false;
  // Shrinking never fails, so after a failed growth both buffers still hold
  // at least the previous maximum.
  const bool inOK = ResizeScratch(&mInputScratch, NInChannels() * blockSize);
  const bool outOK = ResizeScratch(&mOutputScratch, NOutChannels() * blockSize);
  if (!inOK || !outOK) return false;
  return IPlugBase::SetBlockSize(blockSize);
}

// ---- Buses ----

int IPlugAU::NHostChannelsConnected(WDL_PtrList<BusChannels>* pBuses, BusChannels* pExcept)
{
  bool known = false;
  int sum = 0;
  for (int i = 0; i < pBuses->GetSize(); ++i)
  {
    BusChannels* pBus = pBuses->Get(i);
    if (pBus != pExcept && pBus->hostChannels >= 0)
    {
      sum += pBus->hostChannels;
      known = true;
    }
  }
  return known ? sum : -1;
}

bool IPlugAU::CheckLegalIO()
{
  const int nIn = NHostChannelsConnected(&mInputBuses);
  const int nOut = NHostChannelsConnected(&mOutputBuses);
  return (nIn == 0 && nOut == 0) || LegalIO(nIn, nOut);
}

bool IPlugAU::HasBusWithoutChannels()
{
  for (WDL_PtrList<BusChannels>* pBuses : {&mInputBuses, &mOutputBuses})
    for (int i = 0; i < pBuses->GetSize(); ++i)
      if (pBuses->Get(i)->hostChannels == 0) return true;
  return false;
}

void IPlugAU::ClearConnections()
{
  for (WDL_PtrList<BusChannels>* pBuses : {&mInputBuses, &mOutputBuses})
  {
    for (int i = 0; i < pBuses->GetSize(); ++i)
    {
      BusChannels* pBus = pBuses->Get(i);
      pBus->connected = false;
      pBus->hostChannels = -1;
    }
  }
  for (int i = 0; i < mInputConnections.GetSize(); ++i)
  {
    memset(mInputConnections.Get(i), 0, sizeof(InputConnection));
  }
}

// ---- Parameters ----

OSStatus IPlugAU::GetParamProc(void* pPlug, AudioUnitParameterID paramID, AudioUnitScope scope,
                               AudioUnitElement, AudioUnitParameterValue* pValue)
{
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  IPlugAU* _this = (IPlugAU*) pPlug;
  if (!_this || !pValue) return kAudio_ParamError;
  if (paramID >= (AudioUnitParameterID) _this->NParams()) return kAudioUnitErr_InvalidParameter;
  WDL_MutexLock lock(&_this->mMutex);
  *pValue = (AudioUnitParameterValue) _this->GetParam(paramID)->Value();
  return noErr;
}

OSStatus IPlugAU::SetParamProc(void* pPlug, AudioUnitParameterID paramID, AudioUnitScope scope,
                               AudioUnitElement, AudioUnitParameterValue value, UInt32)
{
  TRACE_HERE("%d:%f", (int) paramID, value);
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  IPlugAU* _this = (IPlugAU*) pPlug;
  if (!_this) return kAudio_ParamError;
  if (paramID >= (AudioUnitParameterID) _this->NParams()) return kAudioUnitErr_InvalidParameter;
  // A NaN or infinity would pass the range clamp and poison every filter
  // computed from the parameter.
  if (!isfinite(value)) return kAudioUnitErr_InvalidParameter;

  WDL_MutexLock lock(&_this->mMutex);
  IParam* pParam = _this->GetParam(paramID);
  pParam->Set(value);
  if (IGraphics* pGraphics = _this->GetGUI()) pGraphics->SetParameterFromPlug((int) paramID, pParam->Value(), false);
  _this->OnParamChange(paramID);
  return noErr;
}

// ---- Listeners and render observers ----

OSStatus IPlugAU::AddPropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc, void* userData)
{
  if (!proc) return kAudio_ParamError;
  for (int i = 0; i < mListeners.GetSize(); ++i)
  {
    ListenerEntry* pEntry = mListeners.Get(i);
    if (pEntry->propertyID == propID && pEntry->proc == proc) return noErr;
  }
  ListenerEntry* pEntry = new ListenerEntry;
  pEntry->propertyID = propID;
  pEntry->proc = proc;
  pEntry->userData = userData;
  pEntry->serial = ++mLastSerial;
  mListeners.Add(pEntry);
  return noErr;
}

OSStatus IPlugAU::RemovePropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                                         bool matchUserData, void* userData)
{
  for (int i = 0; i < mListeners.GetSize(); ++i)
  {
    ListenerEntry* pEntry = mListeners.Get(i);
    if (pEntry->propertyID == propID && pEntry->proc == proc && (!matchUserData || pEntry->userData == userData))
    {
      mListeners.Delete(i, true);
      break;
    }
  }
  return noErr;
}

void IPlugAU::NotifyPropertyListeners(AudioUnitPropertyID propID, AudioUnitScope scope)
{
  WDL_MutexLock lock(&mMutex);
  const uint64_t mark = mLastSerial;
  uint64_t after = 0;
  while (ListenerEntry* pEntry = NextEntry(&mListeners, after, mark))
  {
    after = pEntry->serial;
    if (pEntry->propertyID != propID) continue;
    // The callee may delete its own entry: read everything first.
    AudioUnitPropertyListenerProc proc = pEntry->proc;
    void* userData = pEntry->userData;
    proc(userData, mInstance, propID, scope, 0);
  }
}

OSStatus IPlugAU::AddRenderObserver(AURenderCallback proc, void* refCon)
{
  if (!proc) return kAudio_ParamError;
  RenderObserver* pObserver = new RenderObserver;
  pObserver->proc = proc;
  pObserver->refCon = refCon;
  pObserver->serial = ++mLastSerial;
  mRenderObservers.Add(pObserver);
  return noErr;
}

OSStatus IPlugAU::RemoveRenderObserver(AURenderCallback proc)
{
  for (int i = 0; i < mRenderObservers.GetSize(); ++i)
  {
    if (mRenderObservers.Get(i)->proc == proc)
    {
      mRenderObservers.Delete(i, true);
      break;
    }
  }
  return noErr;
}

uint64_t IPlugAU::RenderObserverMark() const
{
  return mLastSerial;
}

void IPlugAU::NotifyRenderObservers(uint64_t mark, AudioUnitRenderActionFlags flags, const AudioTimeStamp* pTimestamp,
                                    UInt32 outputBus, UInt32 nFrames, AudioBufferList* pBufferList)
{
  uint64_t after = 0;
  while (RenderObserver* pObserver = NextEntry(&mRenderObservers, after, mark))
  {
    after = pObserver->serial;
    AURenderCallback proc = pObserver->proc;
    void* refCon = pObserver->refCon;
    AudioUnitRenderActionFlags callFlags = flags;
    proc(refCon, &callFlags, pTimestamp, outputBus, nFrames, pBufferList);
  }
}
