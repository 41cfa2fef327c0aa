// Render path of the Audio Unit binding: input pulling, buffer binding, the
// processing call, render observers, input connections and the host's musical
// context.
#include "IPlugAU.h"

#include <cmath>
#include <cstddef>
#include <cstring>

namespace
{
// The largest number of channels one input bus may pull in a render; the local
// buffer list on the render thread's stack holds this many buffers.
constexpr int kMaxBusBuffers = 128;

// An AudioBufferList with room for kMaxBusBuffers buffers; same layout as the
// platform's list, whose buffer array is declared with one element.
struct BusBufferList
{
  UInt32 mNumberBuffers;
  AudioBuffer mBuffers[kMaxBusBuffers];
};
static_assert(offsetof(BusBufferList, mBuffers) == offsetof(AudioBufferList, mBuffers),
              "local buffer list must match AudioBufferList");

AudioBufferList* AsList(BusBufferList* list) { return reinterpret_cast<AudioBufferList*>(list); }

}  // namespace

const char* IPlugAU::AUInputTypeStr(int type)
{
  switch (type)
  {
    case DirectFastProc: return "DirectFastProc";
    case DirectNoFastProc: return "DirectNoFastProc";
    case RenderCallback: return "RenderCallback";
    default: return "NotConnected";
  }
}

void IPlugAU::AssessInputConnections()
{
  WDL_MutexLock lock(&mMutex);
  SetInputChannelConnections(0, NInChannels(), false);

  const int nBuses = mInputBuses.GetSize();
  for (int i = 0; i < nBuses; ++i)
  {
    BusChannels* pInBus = mInputBuses.Get(i);
    InputConnection* pInBusConn = mInputConnections.Get(i);
    if (!pInBus || !pInBusConn) continue;

    if (pInBusConn->upstreamRenderProc && pInBusConn->upstreamPlug)
      pInBusConn->inputType = DirectFastProc;
    else if (pInBusConn->upstreamUnit)
      pInBusConn->inputType = DirectNoFastProc;
    else if (pInBusConn->renderCallback)
      pInBusConn->inputType = RenderCallback;
    else
      pInBusConn->inputType = NotConnected;

    pInBus->connected = (pInBusConn->inputType != NotConnected);
    if (pInBus->connected)
    {
      if (pInBus->hostChannels < 0)
      {
        TRACE_HERE("AssumeChannels:%d", pInBus->plugChannels);
        pInBus->hostChannels = pInBus->plugChannels;
      }
      const int nConnected = pInBus->hostChannels;
      const int nUnconnected = pInBus->plugChannels - nConnected > 0 ? pInBus->plugChannels - nConnected : 0;
      SetInputChannelConnections(pInBus->firstPlugChannel, nConnected, true);
      SetInputChannelConnections(pInBus->firstPlugChannel + nConnected, nUnconnected, false);
    }
    TRACE_HERE("%d:%s:%d:%d:%d", i, AUInputTypeStr(pInBusConn->inputType), pInBus->firstPlugChannel,
          pInBus->plugChannels, pInBus->hostChannels);
  }
  SilenceUnconnectedInputs();
}

void IPlugAU::SilenceUnconnectedInputs()
{
  // Only connected channels are ever converted into, so a cleared buffer
  // stays silent until its channel is connected again.
  for (int i = 0; i < NInChannels(); ++i)
  {
    InChannel* pIn = mInChannels.Get(i);
    if (pIn->mConnected) continue;
    WDL_TypedBuf<double>& buf = pIn->mScratchBuf;
    if (buf.Get()) memset(buf.Get(), 0, (size_t)buf.GetSize() * sizeof(double));
  }
}

OSStatus IPlugAU::RenderProc(void* plug, AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp,
                             UInt32 outputBus, UInt32 frames, AudioBufferList* ioData)
{
  (void)ioActionFlags;
  IPlugAU* _this = static_cast<IPlugAU*>(plug);
  if (!_this || !timeStamp || !ioData) return kAudioUnitErr_InvalidPropertyValue;

  // The fast-dispatch procedure reaches here without the entry's lock; taking
  // the plug-in's mutex for the whole block keeps processing from overlapping
  // parameter changes, state restore and Reset on the main thread. Through the
  // selector the caller already holds it and this only counts up.
  WDL_MutexLock lock(&_this->mMutex);
  return _this->Render(timeStamp, outputBus, frames, ioData);
}

OSStatus IPlugAU::CheckRenderArguments(const AudioTimeStamp* timeStamp, UInt32 outputBus, UInt32 frames,
                                       const AudioBufferList* ioData)
{
  if (!(timeStamp->mFlags & kAudioTimeStampSampleTimeValid)) return kAudioUnitErr_InvalidPropertyValue;
  if (outputBus >= (UInt32)mOutputBuses.GetSize()) return kAudioUnitErr_InvalidPropertyValue;
  if (mBlockSize < 0 || frames > (UInt32)mBlockSize) return kAudioUnitErr_InvalidPropertyValue;

  // Every pointer the render hands out into the scratch buffers must stay
  // inside them, whatever channel counts the host has set.
  const UInt32 frameBytes = frames * (UInt32)sizeof(float);
  if (timeStamp->mSampleTime != mLastSampleTime)
  {
    for (int i = 0; i < mInputBuses.GetSize(); ++i)
    {
      const BusChannels* pInBus = mInputBuses.Get(i);
      const InputConnection* pConn = mInputConnections.Get(i);
      if (!pInBus || !pConn || !pInBus->connected) continue;
      if (pInBus->hostChannels < 0 || pInBus->hostChannels > kMaxBusBuffers) return kAudioUnitErr_FormatNotSupported;
      if (pConn->inputType == RenderCallback &&
          (int64_t)(pInBus->firstPlugChannel + pInBus->hostChannels) * frames > mInputScratch.GetSize())
        return kAudioUnitErr_FormatNotSupported;
    }
  }

  const BusChannels* pOutBus = mOutputBuses.Get((int)outputBus);
  const UInt32 m = ioData->mNumberBuffers;
  if (!pOutBus || m > (UInt32)(pOutBus->plugChannels > 0 ? pOutBus->plugChannels : 0))
    return kAudioUnitErr_FormatNotSupported;
  for (UInt32 k = 0; k < m; ++k)
  {
    const AudioBuffer& buffer = ioData->mBuffers[k];
    if (buffer.mData && buffer.mDataByteSize < frameBytes) return kAudioUnitErr_TooManyFramesToProcess;
  }
  if ((int64_t)(pOutBus->firstPlugChannel + (int)m) * frames > mOutputScratch.GetSize())
    return kAudioUnitErr_FormatNotSupported;
  return noErr;
}

OSStatus IPlugAU::PullInputs(const AudioTimeStamp* timeStamp, UInt32 frames)
{
  const UInt32 frameBytes = frames * (UInt32)sizeof(float);
  for (int i = 0; i < mInputBuses.GetSize(); ++i)
  {
    BusChannels* pInBus = mInputBuses.Get(i);
    InputConnection* pConn = mInputConnections.Get(i);
    if (!pInBus || !pConn || !pInBus->connected) continue;

    const int nChannels = pInBus->hostChannels;
    BusBufferList list;
    list.mNumberBuffers = (UInt32)nChannels;
    // The host's input callback writes into the input scratch; an upstream
    // unit hands back buffers of its own.
    const bool intoScratch = (pConn->inputType == RenderCallback);
    for (int j = 0; j < nChannels; ++j)
    {
      list.mBuffers[j].mNumberChannels = 1;
      list.mBuffers[j].mDataByteSize = frameBytes;
      list.mBuffers[j].mData =
        intoScratch ? mInputScratch.Get() + (size_t)(pInBus->firstPlugChannel + j) * frames : nullptr;
    }
    AudioUnitRenderActionFlags flags = 0;
    OSStatus r = kAudioUnitErr_NoConnection;
    switch (pConn->inputType)
    {
      case RenderCallback:
        r = pConn->renderCallback(pConn->renderCallbackRefCon, &flags, timeStamp, (UInt32)i, frames, AsList(&list));
        break;
      case DirectNoFastProc:
        r = AudioUnitRender(pConn->upstreamUnit, &flags, timeStamp, (UInt32)pConn->upstreamBus, frames, AsList(&list));
        break;
      case DirectFastProc:
        r = pConn->upstreamRenderProc(pConn->upstreamPlug, &flags, timeStamp, (UInt32)pConn->upstreamBus, frames,
                                      AsList(&list));
        break;
      default:
        break;
    }
    if (r != noErr) return r;

    // A source that claims success must hand back every buffer asked for, each
    // with memory for the whole block; anything less counts as no source.
    if (list.mNumberBuffers < (UInt32)nChannels) return kAudioUnitErr_NoConnection;
    for (int j = 0; j < nChannels; ++j)
    {
      if (!list.mBuffers[j].mData || list.mBuffers[j].mDataByteSize < frameBytes) return kAudioUnitErr_NoConnection;
    }
    for (int j = 0; j < nChannels; ++j)
    {
      float* pData = (float*)list.mBuffers[j].mData;
      AttachInputBuffers(pInBus->firstPlugChannel + j, 1, &pData, (int)frames);
    }
  }
  return noErr;
}

void IPlugAU::BindOutputs(UInt32 outputBus, UInt32 frames, AudioBufferList* ioData)
{
  BusChannels* pOutBus = mOutputBuses.Get((int)outputBus);
  const UInt32 m = ioData->mNumberBuffers;
  const int first = pOutBus->firstPlugChannel;
  if (!pOutBus->connected || pOutBus->hostChannels != (int)m)
  {
    // An unknown host count (-1) compares as the largest unsigned value, so it
    // never limits the binding.
    const int count = (UInt32)pOutBus->hostChannels < m ? pOutBus->hostChannels : (int)m;
    const int rest = pOutBus->plugChannels - count > 0 ? pOutBus->plugChannels - count : 0;
    SetOutputChannelConnections(first, count, true);
    SetOutputChannelConnections(first + count, rest, false);
    pOutBus->connected = true;
  }
  for (UInt32 k = 0; k < m; ++k)
  {
    AudioBuffer& buffer = ioData->mBuffers[k];
    if (!buffer.mData)
    {
      buffer.mData = mOutputScratch.Get() + (size_t)(first + (int)k) * frames;
      buffer.mDataByteSize = frames * (UInt32)sizeof(float);
    }
    float* pData = (float*)buffer.mData;
    AttachOutputBuffers(first + (int)k, 1, &pData);
  }
}

OSStatus IPlugAU::Render(const AudioTimeStamp* timeStamp, UInt32 outputBus, UInt32 frames, AudioBufferList* ioData)
{
  // Channel counts are checked and the plug-in activated only by Initialize.
  if (!mUnitInitialized) return kAudioUnitErr_Uninitialized;
  const OSStatus bad = CheckRenderArguments(timeStamp, outputBus, frames, ioData);
  if (bad != noErr) return bad;

  const uint64_t observerMark = RenderObserverMark();
  NotifyRenderObservers(observerMark, kAudioUnitRenderAction_PreRender, timeStamp, outputBus, frames, ioData);

  if (timeStamp->mSampleTime != mLastSampleTime)
  {
    const OSStatus r = PullInputs(timeStamp, frames);
    if (r != noErr) return r;
    mLastSampleTime = timeStamp->mSampleTime;
  }

  BindOutputs(outputBus, frames, ioData);

  const int nOutBuses = mOutputBuses.GetSize();
  int firstUnbound = nOutBuses;
  for (int i = 0; i < nOutBuses; ++i)
  {
    const BusChannels* pOutBus = mOutputBuses.Get(i);
    if (pOutBus && !pOutBus->connected)
    {
      firstUnbound = i;
      break;
    }
  }
  if (firstUnbound == (int)outputBus + 1)
  {
    if ((int)outputBus + 1 < nOutBuses)
    {
      const int firstRest = 2 * ((int)outputBus + 1);
      SetOutputChannelConnections(firstRest, 2 * nOutBuses - firstRest, false);
    }
    if (mIsBypassed)
      PassThroughBuffers(0.0f, (int)frames);
    else
      ProcessBuffers(0.0f, (int)frames);
  }

  NotifyRenderObservers(observerMark, kAudioUnitRenderAction_PostRender, timeStamp, outputBus, frames, ioData);
  return noErr;
}

OSStatus IPlugAU::SetConnection(AudioUnitScope scope, const AudioUnitConnection* pConn)
{
  WDL_MutexLock lock(&mMutex);
  const int nInBuses = mInputBuses.GetSize();
  if (scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidProperty;
  if (pConn->destInputNumber >= (UInt32)nInBuses) return kAudioUnitErr_InvalidProperty;

  InputConnection* pInBusConn = mInputConnections.Get((int)pConn->destInputNumber);
  memset(pInBusConn, 0, sizeof(InputConnection));
  bool ok = true;
  if (pConn->sourceAudioUnit)
  {
    // The upstream unit's output format becomes this bus's input format; the
    // connection stands only if both the read and the set succeed.
    AudioStreamBasicDescription format;
    memset(&format, 0, sizeof(format));
    UInt32 size = sizeof(AudioStreamBasicDescription);
    ok = AudioUnitGetProperty(pConn->sourceAudioUnit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output,
                              pConn->sourceOutputNumber, &format, &size) == noErr &&
         size >= sizeof(AudioStreamBasicDescription);
    if (ok)
    {
      UInt32 setSize = sizeof(AudioStreamBasicDescription);
      ok = SetProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, pConn->destInputNumber, &setSize,
                       &format) == noErr;
    }
    if (ok)
    {
      pInBusConn->upstreamUnit = pConn->sourceAudioUnit;
      pInBusConn->upstreamBus = (int)pConn->sourceOutputNumber;
      AudioUnitRenderProc srcRenderProc = nullptr;
      size = sizeof(AudioUnitRenderProc);
      if (AudioUnitGetProperty(pConn->sourceAudioUnit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                               kAudioUnitRenderSelect, &srcRenderProc, &size) == noErr &&
          size == sizeof(AudioUnitRenderProc) && srcRenderProc)
      {
        pInBusConn->upstreamRenderProc = srcRenderProc;
        pInBusConn->upstreamPlug = GetComponentInstanceStorage((ComponentInstance)pConn->sourceAudioUnit);
      }
    }
  }
  AssessInputConnections();
  return ok ? (OSStatus)noErr : (OSStatus)kAudioUnitErr_InvalidProperty;
}

OSStatus IPlugAU::SetInputCallback(AudioUnitScope scope, AudioUnitElement element,
                                   const AURenderCallbackStruct* pCallback)
{
  WDL_MutexLock lock(&mMutex);
  if (scope != kAudioUnitScope_Input || element >= (UInt32)mInputBuses.GetSize()) return kAudioUnitErr_InvalidProperty;
  InputConnection* pInBusConn = mInputConnections.Get((int)element);
  memset(pInBusConn, 0, sizeof(InputConnection));
  if (pCallback->inputProc)
  {
    pInBusConn->renderCallback = pCallback->inputProc;
    pInBusConn->renderCallbackRefCon = pCallback->inputProcRefCon;
  }
  AssessInputConnections();
  return noErr;
}

// Musical context. Every host callback gets the host's user data first; values
// the host leaves at 0 (or reports as not above 0) are ignored where noted.

double IPlugAU::GetTempo()
{
  if (mHostCallbackInfo.beatAndTempoProc)
  {
    Float64 currentBeat = 0.0, tempo = 0.0;
    mHostCallbackInfo.beatAndTempoProc(mHostCallbackInfo.hostUserData, &currentBeat, &tempo);
    if (tempo > 0.0) mLastTempo = tempo;
  }
  return mLastTempo;
}

void IPlugAU::GetTimeSig(int* pNum, int* pDenom)
{
  if (!mHostCallbackInfo.musicalTimeLocationProc) return;
  UInt32 deltaSampleOffsetToNextBeat = 0, denominator = 0;
  Float32 numerator = 0.0f;
  Float64 currentMeasureDownBeat = 0.0;
  mHostCallbackInfo.musicalTimeLocationProc(mHostCallbackInfo.hostUserData, &deltaSampleOffsetToNextBeat, &numerator,
                                            &denominator, &currentMeasureDownBeat);
  if (pNum) *pNum = IParam::ToInt(numerator);
  if (pDenom) *pDenom = IParam::ToInt(denominator);
}

double IPlugAU::GetSamplePos()
{
  if (!mHostCallbackInfo.transportStateProc) return 0.0;
  Boolean playing = false, changed = false, looping = false;
  Float64 samplePos = 0.0, loopStart = 0.0, loopEnd = 0.0;
  mHostCallbackInfo.transportStateProc(mHostCallbackInfo.hostUserData, &playing, &changed, &samplePos, &looping,
                                       &loopStart, &loopEnd);
  return std::trunc(samplePos + 0.5);
}

void IPlugAU::GetTime(ITimeInfo* pTimeInfo)
{
  if (!pTimeInfo) return;
  if (mHostCallbackInfo.beatAndTempoProc)
  {
    Float64 currentBeat = 0.0, tempo = 0.0;
    mHostCallbackInfo.beatAndTempoProc(mHostCallbackInfo.hostUserData, &currentBeat, &tempo);
    if (tempo > 0.0) pTimeInfo->mTempo = tempo;
    if (currentBeat > 0.0) pTimeInfo->mPPQPos = currentBeat;
  }
  if (mHostCallbackInfo.transportStateProc)
  {
    Boolean playing = false, changed = false, looping = false;
    Float64 samplePos = 0.0, loopStart = 0.0, loopEnd = 0.0;
    mHostCallbackInfo.transportStateProc(mHostCallbackInfo.hostUserData, &playing, &changed, &samplePos, &looping,
                                         &loopStart, &loopEnd);
    if (samplePos > 0.0) pTimeInfo->mSamplePos = samplePos;
    if (loopStart > 0.0) pTimeInfo->mCycleStart = loopStart;
    if (loopEnd > 0.0) pTimeInfo->mCycleEnd = loopEnd;
    pTimeInfo->mTransportIsRunning = playing;
    pTimeInfo->mTransportLoopEnabled = looping;
  }
  if (mHostCallbackInfo.musicalTimeLocationProc)
  {
    UInt32 deltaSampleOffsetToNextBeat = 0, denominator = 0;
    Float32 numerator = 0.0f;
    Float64 currentMeasureDownBeat = 0.0;
    mHostCallbackInfo.musicalTimeLocationProc(mHostCallbackInfo.hostUserData, &deltaSampleOffsetToNextBeat,
                                              &numerator, &denominator, &currentMeasureDownBeat);
    pTimeInfo->mNumerator = IParam::ToInt(numerator);
    pTimeInfo->mDenominator = IParam::ToInt(denominator);
    if (currentMeasureDownBeat > 0.0) pTimeInfo->mLastBar = currentMeasureDownBeat;
  }
}
