#include "dfx-au-utilities.h"

#include <cstdio>
#include <cstring>
#include <string>

const CFArrayCallBacks kCFAUPresetArrayCallBacks = {
  0,
  CFAUPresetArrayRetainCallBack,
  CFAUPresetArrayReleaseCallBack,
  CFAUPresetArrayCopyDescriptionCallBack,
  CFAUPresetArrayEqualCallBack,
};

void CFAUPresetArrayCallBacks_Init(CFArrayCallBacks* outCallBacks)
{
  if (outCallBacks) *outCallBacks = kCFAUPresetArrayCallBacks;
}

CFAUPresetRef CFAUPresetCreate(CFAllocatorRef allocator, SInt32 presetNumber, CFStringRef presetName)
{
  CFAUPreset* preset = (CFAUPreset*)CFAllocatorAllocate(allocator, sizeof(CFAUPreset), 0);
  if (!preset) return nullptr;
  preset->presetNumber = presetNumber;
  preset->presetName = presetName ? CFStringCreateCopy(allocator, presetName) : nullptr;
  preset->version = kCFAUPreset_CurrentVersion;
  preset->allocator = allocator;
  preset->retainCount = 1;
  return preset;
}

CFAUPresetRef CFAUPresetRetain(CFAUPresetRef preset)
{
  if (!preset) return nullptr;
  CFAUPreset* p = const_cast<CFAUPreset*>(preset);
  // The name is retained in step with the record so that the copy made at
  // creation goes away with the record's last release.
  if (p->presetName) CFRetain(p->presetName);
  p->retainCount += 1;
  return preset;
}

void CFAUPresetRelease(CFAUPresetRef preset)
{
  if (!preset || preset->retainCount <= 0) return;
  CFAUPreset* p = const_cast<CFAUPreset*>(preset);
  if (p->presetName) CFRelease(p->presetName);
  p->retainCount -= 1;
  if (p->retainCount == 0)
  {
    p->presetName = nullptr;
    p->presetNumber = 0;
    CFAllocatorDeallocate(p->allocator, p);
  }
}

const void* CFAUPresetArrayRetainCallBack(CFAllocatorRef, const void* value)
{
  return CFAUPresetRetain((CFAUPresetRef)value);
}

void CFAUPresetArrayReleaseCallBack(CFAllocatorRef, const void* value)
{
  CFAUPresetRelease((CFAUPresetRef)value);
}

CFStringRef CFAUPresetArrayCopyDescriptionCallBack(const void* value)
{
  CFAUPresetRef preset = (CFAUPresetRef)value;
  if (!preset) return nullptr;

  std::string name;
  if (preset->presetName)
  {
    const CFIndex maxBytes = CFStringGetMaximumSizeForEncoding(CFStringGetLength(preset->presetName),
                                                               kCFStringEncodingUTF8) + 1;
    std::string buf((size_t)(maxBytes > 0 ? maxBytes : 1), '\0');
    if (CFStringGetCString(preset->presetName, &buf[0], (CFIndex)buf.size(), kCFStringEncodingUTF8))
      name = buf.c_str();
  }
  char head[64];
  snprintf(head, sizeof(head), "AUPreset:\npreset number = %d\npreset name = ", (int)preset->presetNumber);
  const std::string text = std::string(head) + name;
  return NewCFStringFromUTF8(text.c_str());
}

Boolean CFAUPresetArrayEqualCallBack(const void* value1, const void* value2)
{
  CFAUPresetRef a = (CFAUPresetRef)value1;
  CFAUPresetRef b = (CFAUPresetRef)value2;
  if (a == b) return true;
  if (!a || !b) return false;
  if (a->presetNumber != b->presetNumber) return false;
  if (!a->presetName || !b->presetName) return a->presetName == b->presetName;
  return CFStringCompare(a->presetName, b->presetName, 0) == kCFCompareEqualTo;
}

namespace
{
// Length of the well-formed UTF-8 sequence at p (at most n bytes), or 0.
size_t Utf8SequenceLength(const unsigned char* p, size_t n)
{
  const unsigned char b = p[0];
  const size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (len == 0 || len > n) return 0;
  unsigned long c = len == 1 ? b : len == 2 ? (b & 0x1Fu) : len == 3 ? (b & 0x0Fu) : (b & 0x07u);
  for (size_t k = 1; k < len; ++k)
  {
    if ((p[k] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (p[k] & 0x3Fu);
  }
  static const unsigned long kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kLeast[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}
}  // namespace

CFStringRef NewCFStringFromUTF8(const char* text)
{
  if (!text) text = "";
  CFStringRef str = CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
  if (str) return str;

  // Not UTF-8. Text without a single multi-byte UTF-8 character is an old
  // single-byte name and reads as Latin-1. Otherwise reading it all as
  // Latin-1 would garble the characters that are UTF-8 ("Crème" shown as
  // "CrÃ¨me"): they are kept and each stray byte becomes U+FFFD, the
  // replacement character.
  const unsigned char* p = (const unsigned char*)text;
  const size_t n = strlen(text);
  bool anyMultiByte = false;
  std::string repaired;
  for (size_t i = 0; i < n;)
  {
    const size_t len = Utf8SequenceLength(p + i, n - i);
    if (len > 1) anyMultiByte = true;
    if (len) repaired.append(text + i, len);
    else repaired += "\xEF\xBF\xBD";
    i += len ? len : 1;
  }
  if (anyMultiByte) str = CFStringCreateWithCString(kCFAllocatorDefault, repaired.c_str(), kCFStringEncodingUTF8);
  if (!str) str = CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingISOLatin1);
  return str;
}

void CopyCFStringPrefix(CFStringRef str, char* out, int outSize)
{
  if (outSize < 1) return;
  out[0] = '\0';
  if (!str) return;
  // Converts whole characters only, as many as fit in outSize - 1 bytes.
  CFIndex used = 0;
  CFStringGetBytes(str, CFRangeMake(0, CFStringGetLength(str)), kCFStringEncodingUTF8, 0, false, (UInt8*)out,
                   outSize - 1, &used);
  if (used < 0 || used > outSize - 1) used = 0;
  out[used] = '\0';
}
