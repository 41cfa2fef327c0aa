// Program (.fxp) and bank (.fxb) files of IPlugBase.
//
// Layout, every header word a 32-bit big-endian integer and every magic four
// characters in reading order:
//
//   program: "CcnK", byte size, "FxCk" | "FPCh", format version 1, plug-in ID,
//            plug-in version (decimal), parameter count, name (28 bytes),
//            then one big-endian float per parameter (normalised) or the
//            chunk size and the state chunk (version tag + state).
//   bank:    "CcnK", byte size, "FxBk" | "FBCh", format version 2, plug-in ID,
//            plug-in version (decimal), slot count, current slot, 124 zero
//            bytes, then one parameter-form program per slot or the chunk
//            size and the bank chunk (version tag + preset list).
//
// The byte size is the whole file's length in the chunk forms and 0 in the
// parameter forms. Readers never trust a size or count they read: every read
// is bounds-checked against the file itself.
#include "IPlugBase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "IGraphics.h"

namespace {

// Magics as big-endian words.
constexpr uint32_t kChunkMagic = 0x43636E4B;    // "CcnK"
constexpr uint32_t kProgramMagic = 0x4678436B;  // "FxCk": program, parameter form
constexpr uint32_t kProgramChunkMagic = 0x46504368;  // "FPCh": program, chunk form
constexpr uint32_t kBankMagic = 0x4678426B;     // "FxBk": bank, parameter form
constexpr uint32_t kBankChunkMagic = 0x46424368;  // "FBCh": bank, chunk form
constexpr uint32_t kProgramFormatVersion = 1;
constexpr uint32_t kBankFormatVersion = 2;

constexpr int kNameBytes = 28;            // name field, zero-filled
constexpr int kProgramHeaderBytes = 56;   // up to and including the name
constexpr int kProgramChunkHeaderBytes = 60;  // plus the chunk size
constexpr int kBankReservedBytes = 124;
constexpr int kBankHeaderBytes = 156;      // up to and including the reserved bytes
constexpr int kBankChunkHeaderBytes = 160;  // plus the chunk size

void PutBE32(ByteChunk* pChunk, uint32_t v)
{
  const unsigned char b[4] = {(unsigned char)(v >> 24), (unsigned char)(v >> 16), (unsigned char)(v >> 8),
                              (unsigned char)v};
  pChunk->PutBytes(b, 4);
}

void PutBEFloat(ByteChunk* pChunk, float f)
{
  uint32_t v;
  memcpy(&v, &f, sizeof v);
  PutBE32(pChunk, v);
}

// Name field: at most 27 bytes cut at a character boundary, zero-filled.
void PutName(ByteChunk* pChunk, const char* name)
{
  char field[kNameBytes] = {};
  CopyUTF8Prefix(name, field, kNameBytes);
  pChunk->PutBytes(field, kNameBytes);
}

// Header of a program file or record, up to and including the name.
void PutProgramHeader(ByteChunk* pChunk, uint32_t byteSize, uint32_t fxMagic, int pluginID, int decimalVersion,
                      int nParams, const char* name)
{
  PutBE32(pChunk, kChunkMagic);
  PutBE32(pChunk, byteSize);
  PutBE32(pChunk, fxMagic);
  PutBE32(pChunk, kProgramFormatVersion);
  PutBE32(pChunk, (uint32_t)pluginID);
  PutBE32(pChunk, (uint32_t)decimalVersion);
  PutBE32(pChunk, (uint32_t)nParams);
  PutName(pChunk, name);
}

// Asks the editor for a path; false without an editor or when the user
// cancels.
bool AskForPath(IGraphics* pGraphics, EFileAction action, const char* extension, WDL_String* pDir,
                WDL_String* pFileName)
{
  if (!pGraphics) return false;
  char extensions[8];
  snprintf(extensions, sizeof extensions, "%s", extension);
  pGraphics->PromptForFile(pFileName, action, pDir, extensions);
  return pFileName->GetLength() > 0;
}

// Reads the big-endian word at *pPos and advances; false (nothing read) past
// the end.
bool GetBE32(const ByteChunk* pChunk, int* pPos, uint32_t* pV)
{
  unsigned char b[4];
  const int pos = *pPos;
  if (pos < 0 || pos > pChunk->Size() - 4) return false;
  memcpy(b, pChunk->GetBytes() + pos, 4);
  *pV = (uint32_t)b[0] << 24 | (uint32_t)b[1] << 16 | (uint32_t)b[2] << 8 | (uint32_t)b[3];
  *pPos = pos + 4;
  return true;
}

bool GetBEFloat(const ByteChunk* pChunk, int* pPos, float* pF)
{
  uint32_t v;
  if (!GetBE32(pChunk, pPos, &v)) return false;
  memcpy(pF, &v, sizeof *pF);
  return true;
}

// Reads the 28-byte name field at *pPos into name (29 bytes: a name of 28
// non-zero bytes is kept whole) and advances.
bool GetName(const ByteChunk* pChunk, int* pPos, char (&name)[kNameBytes + 1])
{
  const int pos = *pPos;
  if (pos < 0 || pos > pChunk->Size() - kNameBytes) return false;
  memcpy(name, pChunk->GetBytes() + pos, kNameBytes);
  name[kNameBytes] = 0;
  *pPos = pos + kNameBytes;
  return true;
}

// Header words of a program record, in file order.
struct ProgramHeader
{
  uint32_t chunkMagic, byteSize, fxMagic, formatVersion, pluginID, pluginVersion, nParams;
  char name[kNameBytes + 1];
};

bool GetProgramHeader(const ByteChunk* pChunk, int* pPos, ProgramHeader* pH)
{
  return GetBE32(pChunk, pPos, &pH->chunkMagic) && GetBE32(pChunk, pPos, &pH->byteSize) &&
         GetBE32(pChunk, pPos, &pH->fxMagic) && GetBE32(pChunk, pPos, &pH->formatVersion) &&
         GetBE32(pChunk, pPos, &pH->pluginID) && GetBE32(pChunk, pPos, &pH->pluginVersion) &&
         GetBE32(pChunk, pPos, &pH->nParams) && GetName(pChunk, pPos, pH->name);
}

// A value read from a file as a normalised value: clamped into 0..1; false
// for NaN and infinities, which leave the parameter as it is.
bool ToNormalized(float f, double* pNormalized)
{
  if (!std::isfinite(f)) return false;
  *pNormalized = f < 0.0f ? 0.0 : f > 1.0f ? 1.0 : (double)f;
  return true;
}

// Everything a refused bank must not change: every slot, the live state and
// the current index.
struct PresetsSnapshot
{
  struct Slot
  {
    bool initialized;
    std::string name;
    std::vector<unsigned char> bytes;
  };
  std::vector<Slot> slots;
  int currentIdx = 0;
};

void TakeSnapshot(WDL_PtrList<IPreset>* pPresets, int currentIdx, PresetsSnapshot* pS)
{
  pS->slots.clear();
  for (int i = 0; i < pPresets->GetSize(); ++i)
  {
    const IPreset* p = pPresets->Get(i);
    const unsigned char* b = p->mChunk.GetBytes();
    pS->slots.push_back({p->mInitialized, p->mName, std::vector<unsigned char>(b, b + p->mChunk.Size())});
  }
  pS->currentIdx = currentIdx;
}

void PutBackSlots(WDL_PtrList<IPreset>* pPresets, const PresetsSnapshot& s)
{
  for (int i = 0; i < pPresets->GetSize() && i < (int)s.slots.size(); ++i)
  {
    IPreset* p = pPresets->Get(i);
    const PresetsSnapshot::Slot& slot = s.slots[(size_t)i];
    p->mInitialized = slot.initialized;
    p->SetName(slot.name.c_str());
    p->mChunk.Clear();
    if (!slot.bytes.empty()) p->mChunk.PutBytes(slot.bytes.data(), (int)slot.bytes.size());
  }
}

// Reads a whole regular file into pChunk; false for anything else (a folder,
// a device, a pipe: opened without blocking and refused unread) and for files
// over the size cap.
bool ReadWholeFile(const char* path, ByteChunk* pChunk)
{
  if (!path || !*path) return false;
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= IPlugBase::kMaxProgramFileBytes;
  const int size = ok ? (int)st.st_size : 0;
  ok = ok && pChunk->Resize(size) == size;
  int done = 0;
  while (ok && done < size)
  {
    const ssize_t n = read(fd, pChunk->GetBytes() + done, (size_t)(size - done));
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += (int)n;
  }
  // A file that grew since fstat is read only up to its old size: refuse it.
  char extra;
  ok = ok && read(fd, &extra, 1) == 0;
  close(fd);
  return ok;
}

// The file a save replaces: path itself, or for a symbolic link the file it
// names, so that the link stays a link. Empty for a link that names nothing.
std::string ResolveSaveTarget(const char* path)
{
  struct stat st;
  if (lstat(path, &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = realpath(path, nullptr);
  if (!resolved) return std::string();
  std::string target(resolved);
  free(resolved);
  return target;
}

// Creates a new file beside target for writing, named target.partial-NNNNNN;
// -1 on failure. It is created with mode 0666 so that the kernel applies the
// process umask: reading the umask would mean setting it, which races with
// every other thread of the host creating files.
int CreateTempBeside(const std::string& target, std::string* pTemp)
{
  static std::atomic<unsigned> s_counter{0};
  for (int attempt = 0; attempt < 100; ++attempt)
  {
    char suffix[32];
    const unsigned n = (unsigned)getpid() * 2654435761u + s_counter.fetch_add(1) * 40503u + (unsigned)time(nullptr);
    snprintf(suffix, sizeof suffix, ".partial-%06u", n % 1000000u);
    *pTemp = target + suffix;
    const int fd = open(pTemp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writes the bytes to a new file beside path and renames it over path, so
// that path holds either its old content or the whole new file. The new file
// keeps the mode of the file it replaces (new files: 0666 less the umask); a
// symbolic link stays in place and the file it names takes the bytes.
bool WriteWholeFile(const char* path, const ByteChunk& bytes)
{
  if (!path || !*path) return false;
  const std::string target = ResolveSaveTarget(path);
  if (target.empty()) return false;
  std::string temp;
  const int fd = CreateTempBeside(target, &temp);
  if (fd < 0) return false;

  bool ok = true;
  struct stat st;
  if (stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ok = fchmod(fd, st.st_mode & 07777) == 0;

  const unsigned char* p = bytes.GetBytes();
  size_t left = (size_t)bytes.Size();
  while (ok && left)
  {
    const ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok)
    {
      p += n;
      left -= (size_t)n;
    }
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

}  // namespace

// ---------------------------------------------------------------------------
// Building files

bool IPlugBase::MakeProgramFXP(ByteChunk* pFile)
{
  if (!pFile) return false;
  WDL_MutexLock lock(&mMutex);
  pFile->Clear();
  const int n = NParams();
  ByteChunk state;
  if (mStateChunks)
  {
    InitChunkWithIPlugVer(&state);
    if (!SerializeState(&state)) return false;
  }
  PutProgramHeader(pFile, mStateChunks ? (uint32_t)(state.Size() + kProgramChunkHeaderBytes) : 0,
                   mStateChunks ? kProgramChunkMagic : kProgramMagic, mUniqueID, GetEffectVersion(true), n,
                   GetPresetName(mCurrentPresetIdx));
  if (mStateChunks)
  {
    PutBE32(pFile, (uint32_t)state.Size());
    pFile->PutChunk(&state);
  }
  else
  {
    for (int i = 0; i < n; ++i) PutBEFloat(pFile, (float)GetParam(i)->GetNormalized());
  }
  const int want = mStateChunks ? kProgramChunkHeaderBytes + state.Size() : kProgramHeaderBytes + 4 * n;
  return pFile->Size() == want;
}

bool IPlugBase::MakeBankFXB(ByteChunk* pFile)
{
  if (!pFile) return false;
  WDL_MutexLock lock(&mMutex);
  pFile->Clear();
  const int nParams = NParams();
  const int nPresets = NPresets();
  ByteChunk bank;
  if (mStateChunks)
  {
    InitChunkWithIPlugVer(&bank);
    if (!SerializePresets(&bank)) return false;
  }
  PutBE32(pFile, kChunkMagic);
  PutBE32(pFile, mStateChunks ? (uint32_t)(bank.Size() + kBankChunkHeaderBytes) : 0);
  PutBE32(pFile, mStateChunks ? kBankChunkMagic : kBankMagic);
  PutBE32(pFile, kBankFormatVersion);
  PutBE32(pFile, (uint32_t)mUniqueID);
  PutBE32(pFile, (uint32_t)GetEffectVersion(true));
  PutBE32(pFile, (uint32_t)nPresets);
  PutBE32(pFile, (uint32_t)mCurrentPresetIdx);
  const unsigned char reserved[kBankReservedBytes] = {};
  pFile->PutBytes(reserved, kBankReservedBytes);
  if (mStateChunks)
  {
    PutBE32(pFile, (uint32_t)bank.Size());
    pFile->PutChunk(&bank);
    return pFile->Size() == kBankChunkHeaderBytes + bank.Size();
  }

  // One parameter-form program per slot, its values taken from the slot's
  // stored state (a value the state lacks counts as 0).
  for (int s = 0; s < nPresets; ++s)
  {
    IPreset* pPreset = mPresets.Get(s);
    PutProgramHeader(pFile, 0, kProgramMagic, mUniqueID, GetEffectVersion(true), nParams, pPreset->mName);
    for (int i = 0; i < nParams; ++i)
    {
      double v = 0.0;
      pPreset->mChunk.Get(&v, i * (int)sizeof(double));
      if (!std::isfinite(v)) v = 0.0;
      PutBEFloat(pFile, (float)GetParam(i)->GetNormalized(v));
    }
  }
  return pFile->Size() == kBankHeaderBytes + nPresets * (kProgramHeaderBytes + 4 * nParams);
}

// ---------------------------------------------------------------------------
// Reading files

bool IPlugBase::LoadProgramFromFXPBytes(ByteChunk* pFile)
{
  if (!pFile) return false;
  WDL_MutexLock lock(&mMutex);
  int pos = 0;
  ProgramHeader h;
  if (!GetProgramHeader(pFile, &pos, &h)) return false;
  if (h.chunkMagic != kChunkMagic || h.formatVersion != kProgramFormatVersion || (int)h.pluginID != mUniqueID ||
      (int)h.nParams != NParams())
    return false;

  if (mStateChunks && h.fxMagic == kProgramChunkMagic)
  {
    uint32_t chunkSize;  // not needed: the state finds its own end
    if (!GetBE32(pFile, &pos, &chunkSize)) return false;
    GetIPlugVerFromChunk(pFile, &pos);
    if (pos < 0 || UnserializeStateWhole(pFile, pos) < 0) return false;
    ModifyCurrentPreset(h.name);
    InformHostOfProgramChange();
    return true;
  }
  if (h.fxMagic != kProgramMagic) return false;

  // A file cut off inside the values is refused, as a cut bank is: loading
  // part of it would leave a mixture of old and new settings that no file
  // describes.
  const int n = NParams();
  if (pFile->Size() - pos < 4 * n) return false;
  for (int i = 0; i < n; ++i)
  {
    float f;
    double normalized;
    GetBEFloat(pFile, &pos, &f);
    if (ToNormalized(f, &normalized)) GetParam(i)->SetNormalized(normalized);
  }
  ModifyCurrentPreset(h.name);
  // Restoring the slot just written calls OnParamChange for every parameter;
  // without a current slot the plug-in is told directly.
  if (!RestorePreset(mCurrentPresetIdx))
  {
    OnParamReset();
    RedrawParamControls();
  }
  InformHostOfProgramChange();
  return true;
}

bool IPlugBase::LoadBankFromFXBBytes(ByteChunk* pFile)
{
  if (!pFile) return false;
  WDL_MutexLock lock(&mMutex);
  int pos = 0;
  uint32_t chunkMagic, byteSize, fxMagic, formatVersion, pluginID, pluginVersion, nPrograms, fileCurrent;
  if (!GetBE32(pFile, &pos, &chunkMagic) || !GetBE32(pFile, &pos, &byteSize) || !GetBE32(pFile, &pos, &fxMagic) ||
      !GetBE32(pFile, &pos, &formatVersion) || !GetBE32(pFile, &pos, &pluginID) ||
      !GetBE32(pFile, &pos, &pluginVersion) || !GetBE32(pFile, &pos, &nPrograms) ||
      !GetBE32(pFile, &pos, &fileCurrent))
    return false;
  if (chunkMagic != kChunkMagic || (int)pluginID != mUniqueID) return false;

  const int currentBefore = mCurrentPresetIdx;
  if (mStateChunks && fxMagic == kBankChunkMagic)
  {
    PresetsSnapshot before;
    TakeSnapshot(&mPresets, mCurrentPresetIdx, &before);
    pos = kBankHeaderBytes;
    uint32_t chunkSize;  // not needed: the preset list finds its own end
    if (!GetBE32(pFile, &pos, &chunkSize)) return false;
    GetIPlugVerFromChunk(pFile, &pos);
    ByteChunk live;
    const bool haveLive = SerializeState(&live);
    if (pos < 0 || UnserializePresets(pFile, pos) < 0)
    {
      // A list cut short or corrupt: every slot, the index and the live
      // values go back to what they were.
      PutBackSlots(&mPresets, before);
      mCurrentPresetIdx = before.currentIdx;
      if (haveLive) UnserializeState(&live, 0);
      PresetsChangedByHost();
      RedrawParamControls();
      return false;
    }
    InformHostOfProgramChange();
    return true;
  }
  if (fxMagic != kBankMagic) return false;

  // Every record is checked whole before any is applied, so a bad record
  // anywhere changes nothing.
  const int nParams = NParams();
  const int recordBytes = kProgramHeaderBytes + 4 * nParams;
  if (pFile->Size() < kBankHeaderBytes) return false;
  if (nPrograms > (uint32_t)((pFile->Size() - kBankHeaderBytes) / recordBytes)) return false;
  pos = kBankHeaderBytes;
  for (uint32_t r = 0; r < nPrograms; ++r)
  {
    ProgramHeader h;
    if (!GetProgramHeader(pFile, &pos, &h) || h.chunkMagic != kChunkMagic || h.fxMagic != kProgramMagic ||
        h.formatVersion != kProgramFormatVersion || (int)h.nParams != nParams)
      return false;
    pos += 4 * nParams;  // within the file: the count check above bounds every record
  }

  pos = kBankHeaderBytes;
  const int nSlots = NPresets();
  for (int r = 0; r < (int)nPrograms && r < nSlots; ++r)
  {
    ProgramHeader h;
    GetProgramHeader(pFile, &pos, &h);
    // The slot becomes current (an empty one captures the live state first);
    // a slot whose own state is unreadable is about to be overwritten anyway.
    if (!RestorePreset(r)) mCurrentPresetIdx = r;
    for (int i = 0; i < nParams; ++i)
    {
      float f;
      double normalized;
      GetBEFloat(pFile, &pos, &f);
      if (ToNormalized(f, &normalized)) GetParam(i)->SetNormalized(normalized);
    }
    ModifyCurrentPreset(h.name);
  }
  // The file's current slot, or the one current before when it names none.
  if (!RestorePreset((int)fileCurrent)) RestorePreset(currentBefore);
  InformHostOfProgramChange();
  return true;
}

// ---------------------------------------------------------------------------
// Files on a path

bool IPlugBase::SaveProgramAsFXPFile(const char* path)
{
  ByteChunk file;
  return MakeProgramFXP(&file) && WriteWholeFile(path, file);
}

bool IPlugBase::SaveBankAsFXBFile(const char* path)
{
  ByteChunk file;
  return MakeBankFXB(&file) && WriteWholeFile(path, file);
}

bool IPlugBase::LoadProgramFromFXPFile(const char* path)
{
  ByteChunk file;
  return ReadWholeFile(path, &file) && LoadProgramFromFXPBytes(&file);
}

bool IPlugBase::LoadBankFromFXBFile(const char* path)
{
  ByteChunk file;
  return ReadWholeFile(path, &file) && LoadBankFromFXBBytes(&file);
}

// ---------------------------------------------------------------------------
// Dialog versions

bool IPlugBase::SaveProgramAsFXP(const char* defaultFileName)
{
  WDL_String fileName(defaultFileName ? defaultFileName : "");
  return AskForPath(mGraphics, kFileSave, "fxp", &mPreviousPath, &fileName) && SaveProgramAsFXPFile(fileName.Get());
}

bool IPlugBase::SaveBankAsFXB(const char* defaultFileName)
{
  WDL_String fileName(defaultFileName ? defaultFileName : "");
  return AskForPath(mGraphics, kFileSave, "fxb", &mPreviousPath, &fileName) && SaveBankAsFXBFile(fileName.Get());
}

bool IPlugBase::LoadProgramFromFXP()
{
  WDL_String fileName;
  return AskForPath(mGraphics, kFileOpen, "fxp", &mPreviousPath, &fileName) && LoadProgramFromFXPFile(fileName.Get());
}

bool IPlugBase::LoadBankFromFXB()
{
  WDL_String fileName;
  return AskForPath(mGraphics, kFileOpen, "fxb", &mPreviousPath, &fileName) && LoadBankFromFXBFile(fileName.Get());
}
