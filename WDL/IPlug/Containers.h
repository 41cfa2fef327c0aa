// Byte container for plug-in state and the preset slot record.
//
// A ByteChunk is a growable array of raw bytes. Values are copied in the
// machine's native byte order (little-endian on every supported target) with
// no alignment gaps and no per-value tags. Readers take a start position (a
// byte offset) and return the position after what they read, or -1 when the
// value does not lie wholly inside the chunk; -1 is the universal failure
// position and every reader refuses to read at it. None of this is
// thread-safe: the plug-in's mutex guards the chunks it owns.
#ifndef IPLUG_CONTAINERS_H_
#define IPLUG_CONTAINERS_H_

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "../heapbuf.h"
#include "../wdlstring.h"
#include "Log.h"

// Size of IPreset::mName in bytes; names hold at most MAX_PRESET_NAME_LEN - 1
// characters.
#define MAX_PRESET_NAME_LEN 256

// Growable byte array carrying plug-in state and presets.
class ByteChunk
{
public:
  // Creates an empty chunk (heap granularity 4096 bytes). [any thread]
  ByteChunk() : mBytes(4096) {}
  ~ByteChunk() {}

  ByteChunk(const ByteChunk&) = delete;
  ByteChunk& operator=(const ByteChunk&) = delete;

  // Appends the raw bytes of *pVal (int: 4 bytes, double: 8 bytes). Returns the
  // new size in bytes; the size is unchanged when memory cannot be had. May
  // allocate. [main thread]
  template <class T>
  int Put(const T* pVal)
  {
    return PutBytes(pVal, (int)sizeof(T));
  }

  // Copies one value starting at byte startPos into *pVal and returns
  // startPos + sizeof(T). Returns -1 and leaves *pVal unchanged when startPos
  // is negative or the value does not lie wholly inside the chunk. [any thread]
  template <class T>
  int Get(T* pVal, int startPos) const
  {
    if (!InBounds(startPos, (int)sizeof(T))) return -1;
    memcpy((void*)pVal, mBytes.Get() + startPos, sizeof(T));
    return startPos + (int)sizeof(T);
  }

  // Appends nBytesToCopy raw bytes from pSrc (which may point into this chunk).
  // Returns the new size in bytes; nothing is appended for a count <= 0, a null
  // source, a size that would pass INT_MAX, or memory that cannot be had. May
  // allocate. [main thread]
  int PutBytes(const void* pSrc, int nBytesToCopy)
  {
    const int n = Size();
    if (!pSrc || nBytesToCopy <= 0 || nBytesToCopy > INT_MAX - n) return n;
    const unsigned char* src = (const unsigned char*)pSrc;
    const unsigned char* own = mBytes.Get();
    if (own && src >= own && src < own + n)
    {
      // Growing may move the block the source points into: append a copy.
      const std::string copy((const char*)src, (size_t)nBytesToCopy);
      mBytes.Add((const unsigned char*)copy.data(), nBytesToCopy);
    }
    else
    {
      mBytes.Add(src, nBytesToCopy);
    }
    return Size();
  }

  // Appends a 4-byte length followed by the characters of the NUL-terminated
  // str without the NUL (a null str is stored as ""). Returns the new size;
  // nothing is appended when the whole record cannot be. May allocate.
  // [main thread]
  int PutStr(const char* str)
  {
    const size_t len = str ? strlen(str) : 0;
    const int n = Size();
    if (len > (size_t)(INT_MAX - 4) || (int)len + 4 > INT_MAX - n) return n;
    const int slen = (int)len;
    if (Put(&slen) != n + 4) return Size();
    if (slen && PutBytes(str, slen) != n + 4 + slen) mBytes.Resize(n, false);
    return Size();
  }

  // Reads a string record written by PutStr starting at startPos. Returns -1
  // when the 4-byte length cannot be read or is negative. Otherwise returns
  // startPos + 4 + length, even when the characters do not lie inside the
  // chunk (a following read then fails), or -1 when that position would pass
  // INT_MAX. *pStr is set only when the length is positive and the characters
  // lie inside the chunk; it receives them up to the first zero byte. [main thread]
  int GetStr(WDL_String* pStr, int startPos) const
  {
    int len = 0;
    const int strStart = Get(&len, startPos);
    if (strStart < 0 || len < 0 || len > INT_MAX - strStart) return -1;
    if (len > 0 && InBounds(strStart, len) && pStr)
    {
      // Set with a length limit never reads past the stored characters,
      // which carry no terminator.
      pStr->Set((const char*)mBytes.Get() + strStart, len);
    }
    return strStart + len;
  }

  // Appends one byte, 1 for true and 0 for false. Returns the new size. May
  // allocate. [main thread]
  int PutBool(bool b)
  {
    const unsigned char byte = b ? 1 : 0;
    return PutBytes(&byte, 1);
  }

  // Reads one byte at startPos into *pB (non-zero is true). Position rules as
  // Get; *pB is unchanged on failure. [any thread]
  int GetBool(bool* pB, int startPos) const
  {
    unsigned char byte = 0;
    const int pos = Get(&byte, startPos);
    if (pos >= 0) *pB = byte != 0;
    return pos;
  }

  // Appends every byte of pRHS (which may be this chunk) with no length in
  // front. Returns the new size. May allocate. [main thread]
  int PutChunk(const ByteChunk* pRHS)
  {
    if (!pRHS) return Size();
    return PutBytes(pRHS->GetBytes(), pRHS->Size());
  }

  // Empties the chunk (the allocation may be kept for reuse). [main thread]
  void Clear() { mBytes.Resize(0); }

  // Size in bytes. [any thread]
  int Size() const { return mBytes.GetSize(); }

  // Sets the size in bytes; bytes added are zero-filled. A negative size
  // changes nothing. Returns the size reached (the old size when memory cannot
  // be had). May allocate. [main thread]
  int Resize(int newSize)
  {
    const int n = Size();
    if (newSize < 0) return n;
    mBytes.Resize(newSize);
    const int reached = Size();
    if (reached > n) memset(mBytes.Get() + n, 0, (size_t)(reached - n));
    return reached;
  }

  // True when both chunks hold the same bytes. [any thread]
  bool IsEqual(const ByteChunk* pRHS) const
  {
    if (!pRHS || pRHS->Size() != Size()) return false;
    return !Size() || !memcmp(GetBytes(), pRHS->GetBytes(), (size_t)Size());
  }

  // The bytes, or null while the chunk is empty. [any thread]
  unsigned char* GetBytes() const { return mBytes.Get(); }

private:
  // True when [startPos, startPos + nBytes) lies inside the chunk; written so
  // that no int sum can wrap.
  bool InBounds(int startPos, int nBytes) const
  {
    return startPos >= 0 && nBytes >= 0 && startPos <= Size() && nBytes <= Size() - startPos;
  }

  WDL_TypedBuf<unsigned char> mBytes;
};

// One preset slot: a name and the state captured in it.
struct IPreset
{
  // A slot not holding a preset, named "empty", with an empty chunk. [main thread]
  IPreset() : mInitialized(false) { strcpy(mName, "empty"); }

  IPreset(const IPreset&) = delete;
  IPreset& operator=(const IPreset&) = delete;

  // Stores name, cut to MAX_PRESET_NAME_LEN - 1 characters; null stores "".
  // [main thread]
  void SetName(const char* name) { CopyToField(mName, name); }

  bool mInitialized;               // the slot holds a preset
  char mName[MAX_PRESET_NAME_LEN];  // NUL-terminated name, at most 255 characters
  ByteChunk mChunk;                // the preset's state (a parameter block)
};

#endif  // IPLUG_CONTAINERS_H_
