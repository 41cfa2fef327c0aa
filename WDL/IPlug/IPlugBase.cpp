#include "IPlugBase.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "IGraphics.h"
#include "NChanDelay.h"

namespace {

// Clamps the channel range idx .. idx + n - 1 to the existing channels
// 0 .. count - 1; computed in 64 bits so idx + n cannot overflow.
void ChannelRange(int idx, int n, int count, int* pFirst, int* pEnd)
{
  int64_t first = idx, end = (int64_t)idx + (n > 0 ? n : 0);
  if (first < 0) first = 0;
  if (end > count) end = count;
  *pFirst = (int)first;
  *pEnd = (int)(end > first ? end : first);
}

// Resizes one scratch buffer to nSamples. A channel whose entry is unconnected
// or points at the buffer's old memory follows the buffer. Growing may fail
// (the buffer keeps its size); shrinking never does (the memory is kept if it
// cannot be given back).
bool ResizeScratch(WDL_TypedBuf<double>* pBuf, double** pEntry, bool connected, int nSamples)
{
  double* old = pBuf->Get();
  pBuf->Resize(nSamples);
  if (pBuf->GetSize() != nSamples) pBuf->Resize(nSamples, false);
  if (!connected || *pEntry == old) *pEntry = pBuf->Get();
  return pBuf->GetSize() == nSamples;
}

// The data entry (mInData / mOutData slot) of a channel record.
double** Entry(IPlugBase::InChannel* pCh) { return pCh->mSrc; }
double** Entry(IPlugBase::OutChannel* pCh) { return pCh->mDest; }

// Marks channels idx .. idx + n - 1 of list connected or not; an unconnected
// channel's entry goes to its scratch buffer.
template <class Ch>
void SetConnections(WDL_PtrList<Ch>* pList, int idx, int n, bool connected)
{
  int first, end;
  ChannelRange(idx, n, pList->GetSize(), &first, &end);
  for (int i = first; i < end; ++i)
  {
    Ch* pCh = pList->Get(i);
    pCh->mConnected = connected;
    if (!connected) *Entry(pCh) = pCh->mScratchBuf.Get();
  }
}

// Binds connected channels idx .. idx + n - 1 of list to the next host double
// buffer each (a null one leaves the channel on its scratch buffer).
template <class Ch>
void AttachDoubles(WDL_PtrList<Ch>* pList, int idx, int n, double** ppData)
{
  if (!ppData) return;
  int first, end;
  ChannelRange(idx, n, pList->GetSize(), &first, &end);
  for (int i = first; i < end; ++i)
  {
    Ch* pCh = pList->Get(i);
    if (!pCh->mConnected) continue;
    double* pHost = *ppData++;
    *Entry(pCh) = pHost ? pHost : pCh->mScratchBuf.Get();
  }
}

// Resizes every scratch buffer of list to nSamples; false at the first that
// cannot grow.
template <class Ch>
bool ResizeAll(WDL_PtrList<Ch>* pList, int nSamples)
{
  const int n = pList->GetSize();
  for (int i = 0; i < n; ++i)
  {
    Ch* pCh = pList->Get(i);
    if (!ResizeScratch(&pCh->mScratchBuf, Entry(pCh), pCh->mConnected, nSamples)) return false;
  }
  return true;
}

// Fills every scratch buffer of list with zeros.
template <class Ch>
void ZeroAll(WDL_PtrList<Ch>* pList)
{
  const int n = pList->GetSize();
  for (int i = 0; i < n; ++i)
  {
    WDL_TypedBuf<double>& buf = pList->Get(i)->mScratchBuf;
    if (buf.Get()) memset(buf.Get(), 0, (size_t)buf.GetSize() * sizeof(double));
  }
}

// True if some channel of list has its entry on its scratch buffer.
template <class Ch>
bool AnyOnScratch(WDL_PtrList<Ch>* pList)
{
  const int n = pList->GetSize();
  for (int i = 0; i < n; ++i)
  {
    Ch* pCh = pList->Get(i);
    if (*Entry(pCh) == pCh->mScratchBuf.Get()) return true;
  }
  return false;
}

// Copies input i for i below both counts and zeroes the other
// outputs; null buffers are skipped.
template <class T>
void PassThrough(T** inputs, T** outputs, int nIn, int nOut, int nFrames)
{
  if (!outputs || nFrames <= 0) return;
  for (int i = 0; i < nOut; ++i)
  {
    if (!outputs[i]) continue;
    if (i < nIn && inputs && inputs[i])
    {
      if (inputs[i] != outputs[i]) memmove(outputs[i], inputs[i], (size_t)nFrames * sizeof(T));
    }
    else
    {
      memset(outputs[i], 0, (size_t)nFrames * sizeof(T));
    }
  }
}

}  // namespace

IPlugBase::IPlugBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
                     const char* productName, const char* mfrName, int version, int uniqueID, int mfrID,
                     int latency, bool /*plugDoesMidi*/, bool plugDoesChunks, bool plugIsInst, EAPI plugAPI)
  : mUniqueID(uniqueID)
  , mMfrID(mfrID)
  , mVersion(version)
  , mAPI(plugAPI)
  , mHost(kHostUninit)
  , mHostVersion(0)
  , mStateChunks(plugDoesChunks)
  , mIsInst(plugIsInst)
  , mIsBypassed(false)
  , mCurrentPresetIdx(0)
  , mSampleRate(44100.0)
  , mBlockSize(0)
  , mLatency(latency)
  , mDelay(nullptr)
  , mGraphics(nullptr)
  , mPlugFeedsDelay(false)
{
  Trace(__FUNCTION__, __LINE__, "%s:%s", effectName ? effectName : "", CurrentTime());

  for (int i = 0; i < nParams; ++i) mParams.Add(new IParam);
  for (int i = 0; i < nPresets; ++i) mPresets.Add(new IPreset);

  CopyToField(mEffectName, effectName);
  CopyToField(mProductName, productName);
  CopyToField(mMfrName, mfrName);

  int nInputs = 0, nOutputs = 0;
  for (const char* p = channelIOStr; p;)
  {
    int nIn = 0, nOut = 0;
    sscanf(p, "%d-%d", &nIn, &nOut);
    mChannelIO.Add(new ChannelIO(nIn, nOut));
    if (nIn > nInputs) nInputs = nIn;
    if (nOut > nOutputs) nOutputs = nOut;
    p = strchr(p, ' ');
    if (p) ++p;
  }

  mInData.Resize(nInputs);
  mOutData.Resize(nOutputs);
  nInputs = mInData.GetSize();
  nOutputs = mOutData.GetSize();
  for (int i = 0; i < nInputs; ++i)
  {
    InChannel* pIn = new InChannel;
    pIn->mSrc = mInData.Get() + i;
    *pIn->mSrc = nullptr;
    mInChannels.Add(pIn);
  }
  for (int i = 0; i < nOutputs; ++i)
  {
    OutChannel* pOut = new OutChannel;
    pOut->mDest = mOutData.Get() + i;
    *pOut->mDest = nullptr;
    mOutChannels.Add(pOut);
  }
  // Every entry points at valid (zeroed) memory from the start, so a
  // processing call before any connection reads zeros and writes to scratch.
  ResizeScratchBuffers(0);
  ZeroScratchBuffers();
  // Pass-through is delayed by the reported latency, so that a host's bypass
  // stays in time with the processed signal.
  mDelay = new NChanDelayLine(nInputs, nOutputs);
  mDelay->SetDelayTime(mLatency);
}

IPlugBase::~IPlugBase()
{
  delete mGraphics;
  mParams.Empty(true);
  mPresets.Empty(true);
  mChannelIO.Empty(true);
  mInChannels.Empty(true);
  mOutChannels.Empty(true);
  mInputBusLabels.Empty(true);
  mOutputBusLabels.Empty(true);
  delete mDelay;
}

// ---- Virtual operations ----

void IPlugBase::Reset()
{
  WDL_MutexLock lock(&mMutex);
}

void IPlugBase::OnParamChange(int /*paramIdx*/)
{
  WDL_MutexLock lock(&mMutex);
}

void IPlugBase::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  PassThrough(inputs, outputs, NInChannels(), NOutChannels(), nFrames);
}

void IPlugBase::ProcessSingleReplacing(float** inputs, float** outputs, int nFrames)
{
  PassThrough(inputs, outputs, NInChannels(), NOutChannels(), nFrames);
}

void IPlugBase::OnActivate(bool /*active*/)
{
  WDL_MutexLock lock(&mMutex);
}

void IPlugBase::ProcessMidiMsg(IMidiMsg* pMsg)
{
  SendMidiMsg(pMsg);
}

bool IPlugBase::MidiNoteName(int /*noteNumber*/, char* name)
{
  if (name) *name = 0;
  return false;
}

void IPlugBase::SetParameterFromGUI(int paramIdx, double normalizedValue)
{
  Trace(__FUNCTION__, __LINE__, "%d:%f", paramIdx, normalizedValue);
  IParam* pParam = GetParam(paramIdx);
  if (!pParam || !std::isfinite(normalizedValue)) return;
  WDL_MutexLock lock(&mMutex);
  pParam->SetNormalized(normalizedValue);
  InformHostOfParamChange(paramIdx, normalizedValue);
  OnParamChange(paramIdx);
}

void IPlugBase::GetTimeSig(int* pNum, int* pDenom)
{
  if (pNum) *pNum = 0;
  if (pDenom) *pDenom = 0;
}

void IPlugBase::AttachGraphics(IGraphics* pGraphics)
{
  if (!pGraphics) return;
  WDL_MutexLock lock(&mMutex);
  const int n = NParams();
  for (int i = 0; i < n; ++i) pGraphics->SetParameterFromPlug(i, GetParam(i)->GetNormalized(), true);
  pGraphics->PrepDraw();
  // A second editor replaces the first, which would otherwise leak.
  if (mGraphics && mGraphics != pGraphics) delete mGraphics;
  mGraphics = pGraphics;
}

void IPlugBase::SetLatency(int samples)
{
  mLatency = samples;
  if (mDelay) mDelay->SetDelayTime(samples);
}

void IPlugBase::RedrawParamControls()
{
  if (!mGraphics) return;
  const int n = NParams();
  for (int i = 0; i < n; ++i) mGraphics->SetParameterFromPlug(i, GetParam(i)->Value(), false);
}

bool IPlugBase::SetBlockSize(int blockSize)
{
  if (blockSize == mBlockSize) return true;
  if (blockSize < 0 || (int64_t)blockSize * (int64_t)sizeof(double) > (int64_t)INT_MAX) return false;
  if (!ResizeScratchBuffers(blockSize)) return false;
  mBlockSize = blockSize;
  ZeroScratchBuffers();
  return true;
}

// ---- Scratch buffers ----

bool IPlugBase::ResizeScratchBuffers(int nFrames)
{
  // At least one sample, so that every entry points at valid memory even
  // before the first block size arrives.
  const int nSamples = nFrames > 0 ? nFrames : 1;
  if (ResizeAll(&mInChannels, nSamples) && ResizeAll(&mOutChannels, nSamples)) return true;

  // Growth failed part-way: go back to the old size. Buffers that already
  // grew keep their larger memory, so going back allocates nothing and cannot
  // fail; entries follow any buffer that moved.
  const int oldSamples = mBlockSize > 0 ? mBlockSize : 1;
  ResizeAll(&mInChannels, oldSamples);
  ResizeAll(&mOutChannels, oldSamples);
  return false;
}

void IPlugBase::ZeroScratchBuffers()
{
  ZeroAll(&mInChannels);
  ZeroAll(&mOutChannels);
}

// ---- Channel configuration ----

bool IPlugBase::LegalIO(int nIn, int nOut)
{
  bool legal = false;
  const int n = mChannelIO.GetSize();
  for (int i = 0; i < n && !legal; ++i)
  {
    const ChannelIO* pIO = mChannelIO.Get(i);
    legal = (nIn < 0 || nIn == pIO->mIn) && (nOut < 0 || nOut == pIO->mOut);
  }
  Trace(__FUNCTION__, __LINE__, "%d:%d:%s", nIn, nOut, legal ? "legal" : "illegal");
  return legal;
}

bool IPlugBase::IsInChannelConnected(int chIdx)
{
  const InChannel* pIn = mInChannels.Get(chIdx);
  return pIn && pIn->mConnected;
}

bool IPlugBase::IsOutChannelConnected(int chIdx)
{
  const OutChannel* pOut = mOutChannels.Get(chIdx);
  return pOut && pOut->mConnected;
}

void IPlugBase::SetInputChannelConnections(int idx, int n, bool connected)
{
  SetConnections(&mInChannels, idx, n, connected);
}

void IPlugBase::SetOutputChannelConnections(int idx, int n, bool connected)
{
  SetConnections(&mOutChannels, idx, n, connected);
}

// ---- Buffer binding ----

void IPlugBase::AttachInputBuffers(int idx, int n, double** ppData, int /*nFrames*/)
{
  AttachDoubles(&mInChannels, idx, n, ppData);
}

void IPlugBase::AttachInputBuffers(int idx, int n, float** ppData, int nFrames)
{
  if (!ppData) return;
  nFrames = LimitFrames(nFrames, true);
  int first, end;
  ChannelRange(idx, n, NInChannels(), &first, &end);
  for (int i = first; i < end; ++i)
  {
    InChannel* pIn = mInChannels.Get(i);
    if (!pIn->mConnected) continue;
    const float* pHost = *ppData++;
    double* pScratch = pIn->mScratchBuf.Get();
    if (pHost)
    {
      for (int s = 0; s < nFrames; ++s) pScratch[s] = (double)pHost[s];
    }
    *pIn->mSrc = pScratch;
  }
}

void IPlugBase::AttachOutputBuffers(int idx, int n, double** ppData)
{
  AttachDoubles(&mOutChannels, idx, n, ppData);
}

void IPlugBase::AttachOutputBuffers(int idx, int n, float** ppData)
{
  if (!ppData) return;
  int first, end;
  ChannelRange(idx, n, NOutChannels(), &first, &end);
  for (int i = first; i < end; ++i)
  {
    OutChannel* pOut = mOutChannels.Get(i);
    if (!pOut->mConnected) continue;
    *pOut->mDest = pOut->mScratchBuf.Get();
    pOut->mFDest = *ppData++;
  }
}

// ---- Processing frame ----

int IPlugBase::LimitFrames(int nFrames, bool scratchInvolved)
{
  if (nFrames <= 0) return 0;
  if (nFrames <= mBlockSize) return nFrames;
  // Double buffers from the host carry their own length; only entries on a
  // scratch buffer (sized mBlockSize) limit the block.
  if (!scratchInvolved) scratchInvolved = AnyOnScratch(&mInChannels) || AnyOnScratch(&mOutChannels);
  return scratchInvolved ? mBlockSize : nFrames;
}

void IPlugBase::ConvertOutputsToFloat(int nFrames, bool accumulate)
{
  const int nOut = NOutChannels();
  for (int i = 0; i < nOut; ++i)
  {
    OutChannel* pOut = mOutChannels.Get(i);
    if (!pOut->mConnected || !pOut->mFDest) continue;
    const double* pSrc = *pOut->mDest;
    float* pDest = pOut->mFDest;
    if (accumulate)
      for (int s = 0; s < nFrames; ++s) pDest[s] += (float)pSrc[s];
    else
      for (int s = 0; s < nFrames; ++s) pDest[s] = (float)pSrc[s];
  }
}

// Keeps the pass-through delay line current (unless the plug-in feeds it
// itself) and processes the attached buffers. [render thread]
void IPlugBase::ProcessBoundBuffers(int nFrames)
{
  if (!mPlugFeedsDelay) mDelay->Feed(mInData.Get(), nFrames);
  ProcessDoubleReplacing(mInData.Get(), mOutData.Get(), nFrames);
}

void IPlugBase::ProcessBuffers(double, int nFrames)
{
  ProcessBoundBuffers(LimitFrames(nFrames, false));
}

void IPlugBase::ProcessBuffers(float, int nFrames)
{
  nFrames = LimitFrames(nFrames, true);
  ProcessBoundBuffers(nFrames);
  ConvertOutputsToFloat(nFrames, false);
}

void IPlugBase::ProcessBuffersAccumulating(float, int nFrames)
{
  nFrames = LimitFrames(nFrames, true);
  ProcessBoundBuffers(nFrames);
  ConvertOutputsToFloat(nFrames, true);
}

void IPlugBase::PassThroughBuffers(double, int nFrames)
{
  nFrames = LimitFrames(nFrames, false);
  mDelay->ProcessBlock(mInData.Get(), mOutData.Get(), nFrames);
}

void IPlugBase::PassThroughBuffers(float, int nFrames)
{
  nFrames = LimitFrames(nFrames, true);
  mDelay->ProcessBlock(mInData.Get(), mOutData.Get(), nFrames);
  ConvertOutputsToFloat(nFrames, false);
}

// ---- Labels ----

namespace {

void SetBusLabel(WDL_PtrList<WDL_String>* pLabels, int idx, const char* label)
{
  if (pLabels->Get(idx)) pLabels->Delete(idx, true);
  WDL_String* pStr = new WDL_String(label);
  if (!pLabels->Insert(idx, pStr)) delete pStr;
}

}  // namespace

void IPlugBase::SetInputLabel(int idx, const char* label)
{
  if (InChannel* pIn = mInChannels.Get(idx)) pIn->mLabel.Set(label);
}

void IPlugBase::SetOutputLabel(int idx, const char* label)
{
  if (OutChannel* pOut = mOutChannels.Get(idx)) pOut->mLabel.Set(label);
}

void IPlugBase::SetInputBusLabel(int idx, const char* label)
{
  if (idx == 0 || idx == 1) SetBusLabel(&mInputBusLabels, idx, label);
}

void IPlugBase::SetOutputBusLabel(int idx, const char* label)
{
  if (idx >= 0) SetBusLabel(&mOutputBusLabels, idx, label);
}

const char* IPlugBase::GetInputLabel(int idx)
{
  InChannel* pIn = mInChannels.Get(idx);
  return pIn ? pIn->mLabel.Get() : nullptr;
}

const char* IPlugBase::GetOutputLabel(int idx)
{
  OutChannel* pOut = mOutChannels.Get(idx);
  return pOut ? pOut->mLabel.Get() : nullptr;
}

const char* IPlugBase::GetInputBusLabel(int idx)
{
  WDL_String* pStr = mInputBusLabels.Get(idx);
  return pStr ? pStr->Get() : nullptr;
}

const char* IPlugBase::GetOutputBusLabel(int idx)
{
  WDL_String* pStr = mOutputBusLabels.Get(idx);
  return pStr ? pStr->Get() : nullptr;
}

// ---- Parameters ----

void IPlugBase::OnParamReset()
{
  const int n = NParams();
  for (int i = 0; i < n; ++i) OnParamChange(i);
}

void IPlugBase::DirtyParameters()
{
  WDL_MutexLock lock(&mMutex);
  const int n = NParams();
  for (int i = 0; i < n; ++i) InformHostOfParamChange(i, GetParam(i)->GetNormalized());
}

// ---- MIDI output ----

bool IPlugBase::SendMidiMsgs(WDL_TypedBuf<IMidiMsg>* pMsgs)
{
  if (!pMsgs) return true;
  bool rc = true;
  const int n = pMsgs->GetSize();
  IMidiMsg* pMsg = pMsgs->Get();
  for (int i = 0; i < n; ++i) rc &= SendMidiMsg(pMsg + i);
  return rc;
}

// ---- Host and version ----

void IPlugBase::SetHost(const char* host, int version)
{
  mHost = LookUpHost(host);
  mHostVersion = version;
  char vStr[kMaxVersionStrLen];
  GetVersionStr(version, vStr);
  Trace(__FUNCTION__, __LINE__, "host_%sknown:%s:%s", mHost == kHostUnknown ? "un" : "", host ? host : "", vStr);
}

int IPlugBase::GetEffectVersion(bool decimal)
{
  return decimal ? GetDecimalVersion(mVersion) : mVersion;
}

int IPlugBase::GetHostVersion(bool decimal)
{
  GetHost();
  return decimal ? GetDecimalVersion(mHostVersion) : mHostVersion;
}

void IPlugBase::GetEffectVersionStr(char* str)
{
  GetVersionStr(mVersion, str);
}

void IPlugBase::GetHostVersionStr(char* str)
{
  GetHost();
  GetVersionStr(mHostVersion, str);
}

double IPlugBase::GetSamplesPerBeat()
{
  const double tempo = GetTempo();
  if (tempo > 0.0) return mSampleRate * 60.0 / tempo;
  return 0.0;
}

const char* IPlugBase::GetAPIString()
{
  switch (GetAPI())
  {
    case kAPIVST2: return "VST2";
    case kAPIVST3: return "VST3";
    case kAPIAU: return "AU";
    case kAPIRTAS: return "RTAS";
    case kAPIAAX: return "AAX";
    case kAPISA: return "Standalone";
    case kAPILV2: return "LV2";
    default: return "";
  }
}

const char* IPlugBase::GetArchString()
{
#if defined(__x86_64__) || defined(_M_X64)
  return "x64";
#elif defined(__aarch64__)
  return "arm64";
#elif defined(__i386__)
  return "x86";
#else
  return "";
#endif
}
