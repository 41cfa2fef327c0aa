// State serialisation and preset slots of IPlugBase.
//
// The plug-in's state is its parameter block: one 8-byte double per
// parameter, in index order, nothing else. Preset slots keep such a block
// each; the serialised preset list stores, per slot, the name (PutStr), the
// initialised flag (one byte) and, for initialised slots only, the state with
// no length in front.
#include "IPlugBase.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "../base64encdec.h"

namespace {

// Framework version tag that program and bank files put before a state chunk:
// the characters "tffp" read as a little-endian int, then version 1.0.0.
const int kIPlugMagic = 0x70666674;
const int kIPlugVersion = 0x00010000;

// Marks a parameter that MakePresetFromNamedParams was not given a value for.
const double kUnusedParamValue = 9.999e-08;

// Whether a variadic preset value of this parameter is passed as an int.
bool TakesIntArgument(IParam* pParam)
{
  switch (pParam->Type())
  {
    case IParam::kTypeBool:
    case IParam::kTypeInt:
    case IParam::kTypeEnum:
      return true;
    default:
      return false;
  }
}

// Closes a FILE on every return path.
struct FileCloser
{
  FILE* fp;
  ~FileCloser()
  {
    if (fp) fclose(fp);
  }
};

}  // namespace

// ---------------------------------------------------------------------------
// Parameter block

bool IPlugBase::SerializeParams(ByteChunk* pChunk)
{
  if (!pChunk) return false;
  WDL_MutexLock lock(&mMutex);
  const int n = NParams();
  for (int i = 0; i < n; ++i)
  {
    const double v = GetParam(i)->Value();
    const int before = pChunk->Size();
    if (pChunk->Put(&v) != before + (int)sizeof(double)) return false;
  }
  return true;
}

int IPlugBase::UnserializeParams(ByteChunk* pChunk, int startPos)
{
  WDL_MutexLock lock(&mMutex);
  // Every negative position is the failure position.
  int pos = pChunk && startPos >= 0 ? startPos : -1;
  const int n = NParams();
  for (int i = 0; i < n && pos >= 0; ++i)
  {
    double v = 0.0;
    pos = pChunk->Get(&v, pos);
    // A stored NaN or infinity leaves the parameter as it was; running out of
    // data stores 0 clamped into the range (v is still 0 then).
    if (std::isfinite(v)) GetParam(i)->Set(v);
  }
  OnParamReset();
  return pos;
}

bool IPlugBase::SerializeState(ByteChunk* pChunk)
{
  return SerializeParams(pChunk);
}

int IPlugBase::UnserializeState(ByteChunk* pChunk, int startPos)
{
  return UnserializeParams(pChunk, startPos);
}

int IPlugBase::UnserializeStateWhole(ByteChunk* pChunk, int startPos)
{
  WDL_MutexLock lock(&mMutex);
  ByteChunk before;
  const bool haveBefore = SerializeState(&before);
  const int pos = UnserializeState(pChunk, startPos);
  // A state that ran out part-way has set some parameters from the data and
  // one to 0: put every value back as it was.
  if (pos < 0 && haveBefore) UnserializeState(&before, 0);
  return pos;
}

bool IPlugBase::CompareState(const unsigned char* incomingState, int startPos)
{
  const int n = NParams();
  if (!n) return true;
  if (!incomingState || startPos < 0) return false;
  const unsigned char* p = incomingState + (size_t)startPos * sizeof(double);
  for (int i = 0; i < n; ++i)
  {
    double stored;
    memcpy(&stored, p + (size_t)i * sizeof(double), sizeof(double));  // may be unaligned
    const float a = (float)GetParam(i)->Value();
    const float b = (float)stored;
    // The difference of the single-precision values, held against the bound in
    // double.
    if (!(std::fabs(a - b) < 0.00001)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Framework version tag

void IPlugBase::InitChunkWithIPlugVer(ByteChunk* pChunk)
{
  if (!pChunk) return;
  pChunk->Clear();
  pChunk->Put(&kIPlugMagic);
  pChunk->Put(&kIPlugVersion);
}

int IPlugBase::GetIPlugVerFromChunk(ByteChunk* pChunk, int* pPos)
{
  if (!pChunk || !pPos) return 0;
  int magic = 0;
  const int pos = pChunk->Get(&magic, *pPos);
  if (pos < 0 || magic != kIPlugMagic) return 0;
  int version = 0;
  *pPos = pChunk->Get(&version, pos);
  return version;
}

// ---------------------------------------------------------------------------
// Preset list

bool IPlugBase::SerializePresets(ByteChunk* pChunk)
{
  if (!pChunk) return false;
  WDL_MutexLock lock(&mMutex);
  const int n = NPresets();
  for (int i = 0; i < n; ++i)
  {
    IPreset* pPreset = mPresets.Get(i);
    if (!pPreset) return false;
    const int before = pChunk->Size();
    const int nameLen = (int)strlen(pPreset->mName);
    if (pChunk->PutStr(pPreset->mName) != before + 4 + nameLen) return false;
    if (pChunk->PutBool(pPreset->mInitialized) != before + 5 + nameLen) return false;
    if (pPreset->mInitialized)
    {
      const int stateLen = pPreset->mChunk.Size();
      if (pChunk->PutChunk(&pPreset->mChunk) != before + 5 + nameLen + stateLen) return false;
    }
  }
  return true;
}

int IPlugBase::UnserializePresets(ByteChunk* pChunk, int startPos)
{
  if (!pChunk) return -1;
  WDL_MutexLock lock(&mMutex);
  int pos = startPos >= 0 ? startPos : -1;
  const int n = NPresets();
  for (int i = 0; i < n && pos >= 0; ++i)
  {
    IPreset* pPreset = mPresets.Get(i);
    // A fresh string per slot: a zero-length stored name gives an empty name
    // instead of repeating the previous slot's.
    WDL_String name;
    pos = pChunk->GetStr(&name, pos);
    if (pos < 0 || pos > pChunk->Size())
    {
      pos = -1;
      break;
    }
    bool initialized = false;
    pos = pChunk->GetBool(&initialized, pos);
    if (pos < 0) break;

    // A slot takes its name and flag only with a state read whole; one cut
    // short keeps everything it had, and the live values are put back.
    if (initialized)
    {
      pos = UnserializeStateWhole(pChunk, pos);
      if (pos < 0) break;
    }
    // An emptied slot drops its old state: a later capture must not append to it.
    pPreset->mChunk.Clear();
    if (initialized) SerializeState(&pPreset->mChunk);
    pPreset->mInitialized = initialized;
    pPreset->SetName(name.Get());
  }
  RestorePreset(mCurrentPresetIdx);
  return pos;
}

// ---------------------------------------------------------------------------
// Preset creation

IPreset* GetNextUninitializedPreset(WDL_PtrList<IPreset>* pPresets)
{
  if (!pPresets) return nullptr;
  const int n = pPresets->GetSize();
  for (int i = 0; i < n; ++i)
  {
    IPreset* pPreset = pPresets->Get(i);
    if (pPreset && !pPreset->mInitialized) return pPreset;
  }
  return nullptr;
}

void MakeDefaultUserPresetName(WDL_PtrList<IPreset>* pPresets, char* str)
{
  static const char kUserPreset[] = "user preset";
  int nDefaultNames = 0;
  const int n = pPresets ? pPresets->GetSize() : 0;
  for (int i = 0; i < n; ++i)
  {
    const IPreset* pPreset = pPresets->Get(i);
    if (pPreset && strstr(pPreset->mName, kUserPreset)) ++nDefaultNames;
  }
  // Callers pass at least 32 bytes; the longest name written is 23 characters.
  snprintf(str, 32, "%s %d", kUserPreset, nDefaultNames + 1);
}

void IPlugBase::MakeDefaultPreset(const char* name, int nPresets)
{
  for (int i = 0; i < nPresets; ++i)
  {
    IPreset* pPreset = GetNextUninitializedPreset(&mPresets);
    if (!pPreset) return;
    pPreset->mInitialized = true;
    pPreset->SetName(name ? name : "Empty");
    SerializeState(&pPreset->mChunk);
  }
}

void IPlugBase::EnsureDefaultPreset()
{
  MakeDefaultPreset("Empty", NPresets());
}

void IPlugBase::MakePreset(const char* name, ...)
{
  IPreset* pPreset = GetNextUninitializedPreset(&mPresets);
  if (!pPreset) return;
  pPreset->mInitialized = true;
  pPreset->SetName(name);

  va_list vp;
  va_start(vp, name);
  const int n = NParams();
  for (int i = 0; i < n; ++i)
  {
    const double v = TakesIntArgument(GetParam(i)) ? (double)va_arg(vp, int) : va_arg(vp, double);
    pPreset->mChunk.Put(&v);
  }
  va_end(vp);
}

void IPlugBase::MakePresetFromNamedParams(const char* name, int nParamsNamed, ...)
{
  IPreset* pPreset = GetNextUninitializedPreset(&mPresets);
  if (!pPreset) return;
  pPreset->mInitialized = true;
  pPreset->SetName(name);

  const int n = NParams();
  std::vector<double> values((size_t)n, kUnusedParamValue);
  va_list vp;
  va_start(vp, nParamsNamed);
  for (int i = 0; i < nParamsNamed; ++i)
  {
    const int paramIdx = va_arg(vp, int);
    // An index outside the table cannot say how its value was passed; the
    // rest of the list can no longer be read safely.
    IParam* pParam = paramIdx >= 0 && paramIdx < n ? GetParam(paramIdx) : nullptr;
    if (!pParam) break;
    values[(size_t)paramIdx] = TakesIntArgument(pParam) ? (double)va_arg(vp, int) : va_arg(vp, double);
  }
  va_end(vp);

  for (int i = 0; i < n; ++i)
  {
    const double v = values[(size_t)i] == kUnusedParamValue ? GetParam(i)->Value() : values[(size_t)i];
    pPreset->mChunk.Put(&v);
  }
}

void IPlugBase::MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk)
{
  if (sizeOfChunk < 0) return;
  ByteChunk chunk;
  if (chunk.Resize(sizeOfChunk) != sizeOfChunk) return;
  wdl_base64decode(blob, chunk.GetBytes(), sizeOfChunk);
  MakePresetFromChunk(name, &chunk);
}

void IPlugBase::MakePresetFromChunk(const char* name, ByteChunk* pChunk)
{
  IPreset* pPreset = GetNextUninitializedPreset(&mPresets);
  if (!pPreset) return;
  pPreset->mInitialized = true;
  pPreset->SetName(name);
  pPreset->mChunk.PutChunk(pChunk);
}

// ---------------------------------------------------------------------------
// Preset management

int IPlugBase::NPresets()
{
  return mPresets.GetSize();
}

void IPlugBase::PruneUninitializedPresets()
{
  for (int i = 0; i < mPresets.GetSize();)
  {
    if (mPresets.Get(i)->mInitialized)
      ++i;
    else
      mPresets.Delete(i, true);
  }
}

bool IPlugBase::RestorePreset(int idx)
{
  WDL_MutexLock lock(&mMutex);
  IPreset* pPreset = mPresets.Get(idx);  // null for an index out of range
  if (!pPreset) return false;

  bool restoredOK;
  if (pPreset->mInitialized)
  {
    // A short stored state changes no parameter.
    restoredOK = UnserializeStateWhole(&pPreset->mChunk, 0) > 0;
  }
  else
  {
    // An empty slot captures the current settings under a fresh name; a
    // capture that fails leaves the slot empty.
    ByteChunk captured;
    restoredOK = SerializeState(&captured);
    if (restoredOK)
    {
      char name[MAX_PRESET_NAME_LEN];
      MakeDefaultUserPresetName(&mPresets, name);
      pPreset->mChunk.Clear();
      restoredOK = pPreset->mChunk.PutChunk(&captured) == captured.Size();
      pPreset->mInitialized = restoredOK;
      if (restoredOK) pPreset->SetName(name);
    }
  }

  if (restoredOK)
  {
    mCurrentPresetIdx = idx;
    PresetsChangedByHost();
    RedrawParamControls();
  }
  return restoredOK;
}

bool IPlugBase::RestorePreset(const char* name)
{
  if (!name || !*name) return false;
  const int n = NPresets();
  for (int i = 0; i < n; ++i)
  {
    const IPreset* pPreset = mPresets.Get(i);
    if (pPreset && !strcmp(pPreset->mName, name)) return RestorePreset(i);
  }
  return false;
}

const char* IPlugBase::GetPresetName(int idx)
{
  IPreset* pPreset = mPresets.Get(idx);
  return pPreset ? pPreset->mName : "";
}

void IPlugBase::ModifyCurrentPreset(const char* name)
{
  WDL_MutexLock lock(&mMutex);
  IPreset* pPreset = mPresets.Get(mCurrentPresetIdx);
  if (!pPreset) return;
  pPreset->mChunk.Clear();
  SerializeState(&pPreset->mChunk);
  if (name && *name) pPreset->SetName(name);
}

// ---------------------------------------------------------------------------
// Developer dumps: source text to paste into a plug-in's constructor.

void IPlugBase::DumpPresetSrcCode(const char* filename, const char* paramEnumNames[])
{
  if (!filename) return;
  FileCloser file{fopen(filename, "w")};
  if (!file.fp) return;
  WDL_MutexLock lock(&mMutex);
  const int n = NParams();
  fprintf(file.fp, "  MakePresetFromNamedParams(\"name\", %d", n);
  for (int i = 0; i < n; ++i)
  {
    IParam* pParam = GetParam(i);
    char paramVal[32];
    switch (pParam->Type())
    {
      case IParam::kTypeBool:
        snprintf(paramVal, sizeof paramVal, "%s", pParam->Bool() ? "true" : "false");
        break;
      case IParam::kTypeInt:
      case IParam::kTypeEnum:
        snprintf(paramVal, sizeof paramVal, "%d", pParam->Int());
        break;
      default:
        snprintf(paramVal, sizeof paramVal, "%.6f", pParam->Value());
        break;
    }
    // Without a name for the parameter its index is valid source as well.
    const char* enumName = paramEnumNames ? paramEnumNames[i] : nullptr;
    if (enumName)
      fprintf(file.fp, ",\n    %s, %s", enumName, paramVal);
    else
      fprintf(file.fp, ",\n    %d, %s", i, paramVal);
  }
  fprintf(file.fp, ");\n");
}

void IPlugBase::DumpPresetBlob(const char* filename)
{
  if (!filename) return;
  WDL_MutexLock lock(&mMutex);
  IPreset* pPreset = mPresets.Get(mCurrentPresetIdx);
  if (!pPreset) return;
  ByteChunk* pChunk = &pPreset->mChunk;
  // Sized to the chunk: a long state needs more than any fixed buffer.
  std::vector<char> buf(wdl_base64encodedlen(pChunk->Size()) + 1);
  wdl_base64encode(pChunk->GetBytes(), buf.data(), pChunk->Size());

  FileCloser file{fopen(filename, "w")};
  if (!file.fp) return;
  fprintf(file.fp, "MakePresetFromBlob(\"name\", \"");
  fprintf(file.fp, "%s\", %i);\n", buf.data(), pChunk->Size());
}
