// Strings: UTF-16 code units with a UTF-8 copy kept beside them, so that the
// common UTF-8 conversions need no work and CFStringGetCStringPtr can answer.
#include "CFInternal.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <mutex>
#include <unordered_map>

using namespace compat;

struct __CFString : CFObject {
  __CFString(std::u16string units, bool isMutable)
      : CFObject(kTypeIDString), mUnits(std::move(units)), mMutable(isMutable) {
    Update();
  }
  void Update() {
    mUtf8.clear();
    mUtf8Valid = EncodeUtf8(mUnits.data(), mUnits.size(), &mUtf8, false);
    if (!mUtf8Valid) EncodeUtf8(mUnits.data(), mUnits.size(), &mUtf8, true);
  }
  bool Equal(const CFObject* other) const override {
    return mUnits == static_cast<const __CFString*>(other)->mUnits;
  }
  CFHashCode Hash() const override {
    CFHashCode h = 1469598103934665603ULL;  // FNV-1a over the code units
    for (char16_t c : mUnits) h = (h ^ (CFHashCode)c) * 1099511628211ULL;
    return h;
  }
  std::string Describe() const override { return mUtf8; }

  std::u16string mUnits;
  std::string mUtf8;       // UTF-8 form; lone surrogates replaced by U+FFFD
  bool mUtf8Valid = true;  // false when the units hold a lone surrogate
  const bool mMutable;
};

namespace compat {

bool DecodeUtf8(const char* bytes, size_t length, std::u16string* out) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
  size_t i = 0;
  while (i < length) {
    unsigned c = p[i];
    if (c < 0x80) {
      out->push_back((char16_t)c);
      i++;
      continue;
    }
    int extra;
    unsigned cp, min;
    if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; min = 0x10000; }
    else return false;
    if ((size_t)extra >= length - i) return false;  // truncated sequence
    for (int k = 1; k <= extra; k++) {
      unsigned cc = p[i + (size_t)k];
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back((char16_t)(0xD800 + (cp >> 10)));
      out->push_back((char16_t)(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back((char16_t)cp);
    }
    i += (size_t)extra + 1;
  }
  return true;
}

bool EncodeUtf8(const char16_t* units, size_t count, std::string* out, bool replace) {
  for (size_t i = 0; i < count; i++) {
    unsigned cp = units[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
      i++;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      if (!replace) return false;
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out->push_back((char)cp);
    } else if (cp < 0x800) {
      out->push_back((char)(0xC0 | (cp >> 6)));
      out->push_back((char)(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out->push_back((char)(0xE0 | (cp >> 12)));
      out->push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back((char)(0x80 | (cp & 0x3F)));
    } else {
      out->push_back((char)(0xF0 | (cp >> 18)));
      out->push_back((char)(0x80 | ((cp >> 12) & 0x3F)));
      out->push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back((char)(0x80 | (cp & 0x3F)));
    }
  }
  return true;
}

std::string StringUtf8(CFStringRef string) {
  const __CFString* s = As<__CFString>(string, kTypeIDString);
  return s ? s->mUtf8 : std::string();
}

// Units of UTF-8 text; text that is not UTF-8 is taken as Latin-1 bytes.
static std::u16string UnitsOfUtf8OrLatin1(const std::string& text) {
  std::u16string units;
  if (!DecodeUtf8(text.data(), text.size(), &units)) {
    units.clear();
    for (unsigned char c : text) units.push_back(c);
  }
  return units;
}

CFStringRef NewStringFromUtf8(CFAllocatorRef allocator, const std::string& text) {
  return NewObject<__CFString>(allocator, UnitsOfUtf8OrLatin1(text), false);
}

}  // namespace compat

namespace {

const __CFString* Str(CFStringRef s) { return As<__CFString>(s, kTypeIDString); }

__CFString* MutableStr(CFMutableStringRef s) {
  return AsWritable<__CFString>(s, kTypeIDString,
                                "A mutating CFString function was called on an immutable string.");
}

// Windows Latin-1 characters 0x80 ... 0x9F (0 where the code page has none).
const char16_t kWindowsLatin1High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsUtf16(CFStringEncoding e) {
  return e == kCFStringEncodingUTF16 || e == kCFStringEncodingUTF16BE ||
         e == kCFStringEncodingUTF16LE;
}

// Decodes bytes in the encoding; false for bytes the encoding does not allow.
bool DecodeBytes(const UInt8* bytes, size_t n, CFStringEncoding encoding, bool external,
                 std::u16string* out) {
  switch (encoding) {
    case kCFStringEncodingUTF8:
      if (external && n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        bytes += 3;
        n -= 3;
      }
      return DecodeUtf8(reinterpret_cast<const char*>(bytes), n, out);
    case kCFStringEncodingASCII:
    case kCFStringEncodingMacRoman:  // only its ASCII half is known here
    case kCFStringEncodingNextStepLatin:
    case kCFStringEncodingNonLossyASCII:
      for (size_t i = 0; i < n; i++) {
        if (bytes[i] >= 0x80) return false;
        out->push_back(bytes[i]);
      }
      return true;
    case kCFStringEncodingISOLatin1:
      for (size_t i = 0; i < n; i++) out->push_back(bytes[i]);
      return true;
    case kCFStringEncodingWindowsLatin1:
      for (size_t i = 0; i < n; i++) {
        UInt8 b = bytes[i];
        char16_t c = (b >= 0x80 && b < 0xA0) ? kWindowsLatin1High[b - 0x80] : (char16_t)b;
        if (!c) return false;
        out->push_back(c);
      }
      return true;
    case kCFStringEncodingUTF16:
    case kCFStringEncodingUTF16BE:
    case kCFStringEncodingUTF16LE: {
      if (n % 2) return false;
      bool bigEndian = encoding == kCFStringEncodingUTF16BE;
      if (encoding == kCFStringEncodingUTF16 && external && n >= 2) {
        if (bytes[0] == 0xFE && bytes[1] == 0xFF) { bigEndian = true; bytes += 2; n -= 2; }
        else if (bytes[0] == 0xFF && bytes[1] == 0xFE) { bytes += 2; n -= 2; }
      }
      for (size_t i = 0; i + 1 < n; i += 2) {
        out->push_back(bigEndian ? (char16_t)(bytes[i] << 8 | bytes[i + 1])
                                 : (char16_t)(bytes[i + 1] << 8 | bytes[i]));
      }
      return true;
    }
    default:
      return false;
  }
}

// Encodes one code unit in a single-byte encoding; -1 when it has no byte.
int EncodeSingleByte(char16_t c, CFStringEncoding encoding) {
  switch (encoding) {
    case kCFStringEncodingISOLatin1:
      return c < 0x100 ? (int)c : -1;
    case kCFStringEncodingWindowsLatin1:
      if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return (int)c;
      for (int i = 0; i < 32; i++)
        if (kWindowsLatin1High[i] == c && c != 0) return 0x80 + i;
      return -1;
    default:
      return c < 0x80 ? (int)c : -1;
  }
}

bool KnownEncoding(CFStringEncoding e) {
  switch (e) {
    case kCFStringEncodingUTF8: case kCFStringEncodingASCII: case kCFStringEncodingMacRoman:
    case kCFStringEncodingNextStepLatin: case kCFStringEncodingNonLossyASCII:
    case kCFStringEncodingISOLatin1: case kCFStringEncodingWindowsLatin1:
    case kCFStringEncodingUTF16: case kCFStringEncodingUTF16BE: case kCFStringEncodingUTF16LE:
      return true;
    default:
      return false;
  }
}

// Converts units[begin, end) to bytes; returns the units converted (stops at
// the first unrepresentable unit unless lossByte is set).
CFIndex Convert(const std::u16string& units, size_t begin, size_t end, CFStringEncoding encoding,
                UInt8 lossByte, bool external, std::string* out) {
  size_t i = begin;
  if (encoding == kCFStringEncodingUTF8) {
    for (; i < end; i++) {
      char16_t c = units[i];
      size_t take = 1;
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < end && units[i + 1] >= 0xDC00 &&
          units[i + 1] <= 0xDFFF)
        take = 2;
      std::string piece;
      if (!EncodeUtf8(&units[i], take, &piece, false)) {
        if (!lossByte) break;
        piece.assign(1, (char)lossByte);
      }
      out->append(piece);
      i += take - 1;
    }
    return (CFIndex)(i - begin);
  }
  if (IsUtf16(encoding)) {
    bool bigEndian = encoding == kCFStringEncodingUTF16BE;
    if (external && encoding == kCFStringEncodingUTF16) out->append("\xFF\xFE", 2);
    for (; i < end; i++) {
      char16_t c = units[i];
      char pair[2] = {(char)(bigEndian ? c >> 8 : c & 0xFF), (char)(bigEndian ? c & 0xFF : c >> 8)};
      out->append(pair, 2);
    }
    return (CFIndex)(i - begin);
  }
  for (; i < end; i++) {
    int b = EncodeSingleByte(units[i], encoding);
    if (b < 0) {
      if (!lossByte) break;
      b = lossByte;
    }
    out->push_back((char)b);
  }
  return (CFIndex)(i - begin);
}

char16_t FoldCase(char16_t c) {
  if (c >= 'A' && c <= 'Z') return (char16_t)(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return (char16_t)(c + 32);
  return c;
}

bool IsDigit(char16_t c) { return c >= '0' && c <= '9'; }

}  // namespace

extern "C" {

CFStringRef __CFStringMakeConstantString(const char* cStr) {
  static std::mutex* mutex = new std::mutex;
  static auto* table = new std::unordered_map<std::string, __CFString*>;
  std::string key = cStr ? cStr : "";
  std::lock_guard<std::mutex> lock(*mutex);
  auto it = table->find(key);
  if (it != table->end()) return it->second;
  __CFString* s = new __CFString(UnitsOfUtf8OrLatin1(key), false);
  RegisterConstant(s);
  (*table)[key] = s;
  return s;
}

CFTypeID CFStringGetTypeID(void) { return kTypeIDString; }

CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                      CFStringEncoding encoding) {
  if (!cStr) return nullptr;
  return CFStringCreateWithBytes(alloc, reinterpret_cast<const UInt8*>(cStr),
                                 (CFIndex)std::strlen(cStr), encoding, false);
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation) {
  if (numBytes < 0 || (!bytes && numBytes > 0)) return nullptr;
  std::u16string units;
  if (!DecodeBytes(bytes, (size_t)numBytes, encoding, isExternalRepresentation, &units))
    return nullptr;
  return NewObject<__CFString>(alloc, std::move(units), false);
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars,
                                         CFIndex numChars) {
  if (numChars < 0 || (!chars && numChars > 0)) return nullptr;
  std::u16string units(reinterpret_cast<const char16_t*>(chars), (size_t)numChars);
  return NewObject<__CFString>(alloc, std::move(units), false);
}

CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString) {
  const __CFString* s = Str(theString);
  return s ? NewObject<__CFString>(alloc, s->mUnits, false) : nullptr;
}

CFStringRef CFStringCreateWithSubstring(CFAllocatorRef alloc, CFStringRef str, CFRange range) {
  const __CFString* s = Str(str);
  if (!s || !RangeInside(range, s->mUnits.size())) return nullptr;
  return NewObject<__CFString>(alloc, s->mUnits.substr((size_t)range.location, (size_t)range.length),
                               false);
}

CFMutableStringRef CFStringCreateMutable(CFAllocatorRef alloc, CFIndex) {
  return NewObject<__CFString>(alloc, std::u16string(), true);
}

CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex, CFStringRef theString) {
  const __CFString* s = Str(theString);
  return NewObject<__CFString>(alloc, s ? s->mUnits : std::u16string(), true);
}

CFIndex CFStringGetLength(CFStringRef theString) {
  const __CFString* s = Str(theString);
  return s ? (CFIndex)s->mUnits.size() : 0;
}

UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx) {
  const __CFString* s = Str(theString);
  if (!s || idx < 0 || (size_t)idx >= s->mUnits.size()) return 0;
  return s->mUnits[(size_t)idx];
}

void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer) {
  const __CFString* s = Str(theString);
  if (!s || !buffer || !RangeInside(range, s->mUnits.size())) return;
  std::memcpy(buffer, s->mUnits.data() + range.location, (size_t)range.length * sizeof(UniChar));
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding) {
  if (!buffer || bufferSize <= 0) return false;
  buffer[0] = 0;
  const __CFString* s = Str(theString);
  if (!s || !KnownEncoding(encoding)) return false;
  std::string bytes;
  const std::string* source = &bytes;
  if (encoding == kCFStringEncodingUTF8) {
    if (!s->mUtf8Valid) return false;
    source = &s->mUtf8;
  } else if (Convert(s->mUnits, 0, s->mUnits.size(), encoding, 0, false, &bytes) !=
             (CFIndex)s->mUnits.size()) {
    return false;
  }
  if ((CFIndex)source->size() >= bufferSize) return false;
  std::memcpy(buffer, source->data(), source->size());
  buffer[source->size()] = 0;
  return true;
}

const char* CFStringGetCStringPtr(CFStringRef theString, CFStringEncoding encoding) {
  const __CFString* s = Str(theString);
  if (!s || !s->mUtf8Valid) return nullptr;
  if (encoding == kCFStringEncodingUTF8) return s->mUtf8.c_str();
  // In the single-byte encodings an all-ASCII string has the same bytes as in UTF-8.
  if (!KnownEncoding(encoding) || IsUtf16(encoding)) return nullptr;
  for (char16_t c : s->mUnits)
    if (c >= 0x80) return nullptr;
  return s->mUtf8.c_str();
}

CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding,
                         UInt8 lossByte, Boolean isExternalRepresentation, UInt8* buffer,
                         CFIndex maxBufLen, CFIndex* usedBufLen) {
  if (usedBufLen) *usedBufLen = 0;
  const __CFString* s = Str(theString);
  if (!s || !KnownEncoding(encoding) || !RangeInside(range, s->mUnits.size())) return 0;
  std::string bytes;
  size_t begin = (size_t)range.location;
  CFIndex converted = Convert(s->mUnits, begin, begin + (size_t)range.length, encoding, lossByte,
                              isExternalRepresentation, &bytes);
  if (buffer) {
    if (maxBufLen < 0) maxBufLen = 0;
    if ((CFIndex)bytes.size() > maxBufLen) {
      // Only whole characters: convert again one unit at a time until full.
      std::string fitted;
      converted = 0;
      for (size_t i = begin; i < begin + (size_t)range.length; i++) {
        std::string piece;
        if (Convert(s->mUnits, i, i + 1, encoding, lossByte, false, &piece) != 1) break;
        if ((CFIndex)(fitted.size() + piece.size()) > maxBufLen) break;
        fitted += piece;
        converted++;
      }
      bytes.swap(fitted);
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
  }
  if (usedBufLen) *usedBufLen = (CFIndex)bytes.size();
  return converted;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
  if (length < 0) return kCFNotFound;
  CFIndex factor = 1;
  if (encoding == kCFStringEncodingUTF8) factor = 3;
  else if (IsUtf16(encoding)) factor = 2;
  else if (encoding == kCFStringEncodingUTF32) factor = 4;
  if (length > LONG_MAX / factor) return kCFNotFound;
  return length * factor;
}

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions) {
  static const std::u16string kEmpty;
  const __CFString* s1 = Str(theString1);
  const __CFString* s2 = Str(theString2);
  const std::u16string& a = s1 ? s1->mUnits : kEmpty;
  const std::u16string& b = s2 ? s2->mUnits : kEmpty;
  const bool fold = compareOptions & kCFCompareCaseInsensitive;
  const bool numeric = compareOptions & kCFCompareNumerically;
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (numeric && IsDigit(a[i]) && IsDigit(b[j])) {
      size_t ie = i, je = j;
      while (ie < a.size() && IsDigit(a[ie])) ie++;
      while (je < b.size() && IsDigit(b[je])) je++;
      size_t is = i, js = j;
      while (is + 1 < ie && a[is] == '0') is++;
      while (js + 1 < je && b[js] == '0') js++;
      if (ie - is != je - js) return ie - is < je - js ? kCFCompareLessThan : kCFCompareGreaterThan;
      int c = a.compare(is, ie - is, b, js, je - js);
      if (c) return c < 0 ? kCFCompareLessThan : kCFCompareGreaterThan;
      i = ie;
      j = je;
      continue;
    }
    char16_t x = fold ? FoldCase(a[i]) : a[i];
    char16_t y = fold ? FoldCase(b[j]) : b[j];
    if (x != y) return x < y ? kCFCompareLessThan : kCFCompareGreaterThan;
    i++;
    j++;
  }
  if (i < a.size()) return kCFCompareGreaterThan;
  if (j < b.size()) return kCFCompareLessThan;
  return kCFCompareEqualTo;
}

Boolean CFStringHasPrefix(CFStringRef theString, CFStringRef prefix) {
  const __CFString* s = Str(theString);
  const __CFString* p = Str(prefix);
  return s && p && s->mUnits.compare(0, p->mUnits.size(), p->mUnits) == 0;
}

Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix) {
  const __CFString* s = Str(theString);
  const __CFString* p = Str(suffix);
  return s && p && s->mUnits.size() >= p->mUnits.size() &&
         s->mUnits.compare(s->mUnits.size() - p->mUnits.size(), p->mUnits.size(), p->mUnits) == 0;
}

SInt32 CFStringGetIntValue(CFStringRef str) {
  std::string text = StringUtf8(str);
  size_t i = text.find_first_not_of(" \t\n\r");
  if (i == std::string::npos) return 0;
  bool negative = text[i] == '-';
  if (text[i] == '+' || text[i] == '-') i++;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; i++) {
    value = value * 10 + (text[i] - '0');
    if (value > (long long)INT_MAX + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return (SInt32)value;
}

double CFStringGetDoubleValue(CFStringRef str) {
  std::string text = StringUtf8(str);
  size_t i = text.find_first_not_of(" \t\n\r");
  if (i == std::string::npos) return 0.0;
  if (text[i] == '+') i++;
  double value = 0.0;
  std::from_chars(text.data() + i, text.data() + text.size(), value);
  return value;
}

void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString) {
  __CFString* s = MutableStr(theString);
  const __CFString* a = Str(appendedString);
  if (!s || !a) return;
  s->mUnits += a->mUnits;
  s->Update();
}

void CFStringAppendCString(CFMutableStringRef theString, const char* cStr,
                           CFStringEncoding encoding) {
  __CFString* s = MutableStr(theString);
  if (!s || !cStr) return;
  std::u16string units;
  if (!DecodeBytes(reinterpret_cast<const UInt8*>(cStr), std::strlen(cStr), encoding, false,
                   &units))
    return;
  s->mUnits += units;
  s->Update();
}

void CFStringAppendCharacters(CFMutableStringRef theString, const UniChar* chars,
                              CFIndex numChars) {
  __CFString* s = MutableStr(theString);
  if (!s || !chars || numChars <= 0) return;
  s->mUnits.append(reinterpret_cast<const char16_t*>(chars), (size_t)numChars);
  s->Update();
}

void CFStringDelete(CFMutableStringRef theString, CFRange range) {
  __CFString* s = MutableStr(theString);
  if (!s) return;
  if (!RangeInside(range, s->mUnits.size())) {
    ReportMisuse("CFStringDelete called with a range outside the string.", theString, false);
    return;
  }
  s->mUnits.erase((size_t)range.location, (size_t)range.length);
  s->Update();
}

}  // extern "C"
