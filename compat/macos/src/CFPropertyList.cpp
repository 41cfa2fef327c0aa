// XML property-list reader. Input comes from files on disk (bundle
// manifests), so every fault is reported rather than trusted: the parser
// never reads past the buffer, limits nesting, and frees everything it
// built when it gives up.
#include "CFInternal.h"

#include <MacOSCompat/CFRef.h>

#include <cctype>
#include <charconv>
#include <climits>
#include <cstring>
#include <vector>

using namespace compat;

namespace {

constexpr int kMaxDepth = 64;

class Parser {
 public:
  Parser(const char* begin, const char* end, CFAllocatorRef allocator, CFOptionFlags options)
      : mBegin(begin), mP(begin), mEnd(end), mAllocator(allocator), mOptions(options) {}

  // The parsed tree, or null with Error() set.
  CFPropertyListRef Parse() {
    // XML never holds a NUL character (its reference &#0; is refused below
    // as well); a string read with one could not be written back whole.
    if (const void* nul = mP < mEnd ? std::memchr(mP, '\0', (size_t)(mEnd - mP)) : nullptr) {
      mP = static_cast<const char*>(nul);
      return Fail("a NUL character");
    }
    if (mEnd - mP >= 3 && std::memcmp(mP, "\xEF\xBB\xBF", 3) == 0) mP += 3;
    if (!SkipMisc()) return nullptr;
    Tag tag;
    if (!ReadTag(&tag)) return nullptr;
    if (tag.name != "plist" || tag.closing) return Fail("the document does not start with <plist>");
    if (tag.empty) return Fail("<plist> holds no value");
    if (!SkipMisc()) return nullptr;
    CompatCFRef value(ParseValue(0));
    if (!value.get()) return nullptr;
    if (!SkipMisc()) return nullptr;
    if (!ReadTag(&tag)) return nullptr;
    if (tag.name != "plist" || !tag.closing) return Fail("<plist> holds more than one value");
    if (!SkipMisc()) return nullptr;
    if (mP != mEnd) return Fail("text follows </plist>");
    return value.release();
  }

  const std::string& Error() const { return mError; }

 private:
  struct Tag {
    std::string name;
    bool closing = false;  // </name>
    bool empty = false;    // <name/>
  };

  std::nullptr_t Fail(const std::string& message) {
    if (mError.empty()) {
      int line = 1;
      for (const char* q = mBegin; q < mP && q < mEnd; q++)
        if (*q == '\n') line++;
      mError = "line " + std::to_string(line) + ": " + message;
    }
    return nullptr;
  }

  bool Starts(const char* text) const {
    size_t n = std::strlen(text);
    return (size_t)(mEnd - mP) >= n && std::memcmp(mP, text, n) == 0;
  }

  static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

  // Skips white space, comments, processing instructions and the doctype.
  bool SkipMisc() {
    for (;;) {
      while (mP < mEnd && IsSpace(*mP)) mP++;
      if (Starts("<!--")) {
        const char* close = Find(mP + 4, "-->");
        if (!close) return Fail("unterminated comment"), false;
        mP = close + 3;
      } else if (Starts("<?")) {
        const char* close = Find(mP + 2, "?>");
        if (!close) return Fail("unterminated declaration"), false;
        mP = close + 2;
      } else if (Starts("<!DOCTYPE")) {
        const char* q = mP + 9;
        while (q < mEnd && *q != '>' && *q != '[') q++;
        if (q < mEnd && *q == '[') return Fail("a doctype with an internal subset is not accepted"), false;
        if (q >= mEnd) return Fail("unterminated doctype"), false;
        mP = q + 1;
      } else {
        return true;
      }
    }
  }

  const char* Find(const char* from, const char* text) const {
    size_t n = std::strlen(text);
    for (const char* q = from; q + n <= mEnd; q++)
      if (std::memcmp(q, text, n) == 0) return q;
    return nullptr;
  }

  // Reads <name attr="v" ...>, </name> or <name/> at the current position.
  bool ReadTag(Tag* tag) {
    *tag = Tag();
    if (mP >= mEnd || *mP != '<') return Fail(mP >= mEnd ? "unexpected end of input" : "expected an element"), false;
    mP++;
    if (mP < mEnd && *mP == '/') {
      tag->closing = true;
      mP++;
    }
    while (mP < mEnd && (std::isalnum((unsigned char)*mP) || *mP == '_' || *mP == '-'))
      tag->name.push_back(*mP++);
    if (tag->name.empty()) return Fail("malformed element name"), false;
    for (;;) {
      while (mP < mEnd && IsSpace(*mP)) mP++;
      if (mP >= mEnd) return Fail("unterminated element <" + tag->name + ">"), false;
      if (*mP == '>') {
        mP++;
        return true;
      }
      if (*mP == '/' && !tag->closing) {
        if (mP + 1 >= mEnd || mP[1] != '>') return Fail("malformed element <" + tag->name + ">"), false;
        mP += 2;
        tag->empty = true;
        return true;
      }
      if (tag->closing) return Fail("malformed closing element </" + tag->name + ">"), false;
      // An attribute: name="value" or name='value'; its value is not used.
      while (mP < mEnd && (std::isalnum((unsigned char)*mP) || *mP == '_' || *mP == '-' || *mP == ':'))
        mP++;
      while (mP < mEnd && IsSpace(*mP)) mP++;
      if (mP >= mEnd || *mP != '=') return Fail("malformed attribute in <" + tag->name + ">"), false;
      mP++;
      while (mP < mEnd && IsSpace(*mP)) mP++;
      if (mP >= mEnd || (*mP != '"' && *mP != '\'')) return Fail("malformed attribute in <" + tag->name + ">"), false;
      char quote = *mP++;
      while (mP < mEnd && *mP != quote) mP++;
      if (mP >= mEnd) return Fail("unterminated attribute in <" + tag->name + ">"), false;
      mP++;
    }
  }

  // Reads character data up to the closing tag </name>, decoding entities.
  bool ReadText(const std::string& name, std::string* text) {
    while (mP < mEnd && *mP != '<') {
      if (*mP != '&') {
        text->push_back(*mP++);
        continue;
      }
      const char* semi = mP + 1;
      while (semi < mEnd && semi - mP < 12 && *semi != ';') semi++;
      if (semi >= mEnd || *semi != ';') return Fail("malformed entity"), false;
      std::string entity(mP + 1, semi);
      mP = semi + 1;
      if (entity == "lt") text->push_back('<');
      else if (entity == "gt") text->push_back('>');
      else if (entity == "amp") text->push_back('&');
      else if (entity == "quot") text->push_back('"');
      else if (entity == "apos") text->push_back('\'');
      else if (entity.size() > 1 && entity[0] == '#') {
        unsigned long code = 0;
        bool hex = entity[1] == 'x' || entity[1] == 'X';
        const char* first = entity.data() + (hex ? 2 : 1);
        const char* last = entity.data() + entity.size();
        auto result = std::from_chars(first, last, code, hex ? 16 : 10);
        if (result.ec != std::errc() || result.ptr != last || first == last || code == 0 ||
            code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
          return Fail("malformed character reference"), false;
        char16_t units[2];
        size_t count = 1;
        if (code >= 0x10000) {
          units[0] = (char16_t)(0xD800 + ((code - 0x10000) >> 10));
          units[1] = (char16_t)(0xDC00 + ((code - 0x10000) & 0x3FF));
          count = 2;
        } else {
          units[0] = (char16_t)code;
        }
        EncodeUtf8(units, count, text, false);
      } else {
        return Fail("unknown entity &" + entity + ";"), false;
      }
    }
    Tag tag;
    if (!ReadTag(&tag)) return false;
    if (!tag.closing || tag.name != name) return Fail("<" + name + "> holds an element"), false;
    return true;
  }

  static std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b])) b++;
    while (e > b && IsSpace(s[e - 1])) e--;
    return s.substr(b, e - b);
  }

  bool MutableContainers() const { return mOptions >= kCFPropertyListMutableContainers; }

  CFTypeRef ParseValue(int depth) {
    if (depth >= kMaxDepth) return Fail("nesting deeper than " + std::to_string(kMaxDepth));
    Tag tag;
    if (!ReadTag(&tag)) return nullptr;
    if (tag.closing) return Fail("unexpected </" + tag.name + ">");
    const std::string& name = tag.name;
    if (name == "dict") return ParseDict(tag, depth);
    if (name == "array") return ParseArray(tag, depth);
    if (name == "true" || name == "false") {
      if (!tag.empty) {
        Tag close;
        if (!ReadTag(&close) || !close.closing || close.name != name)
          return Fail("<" + name + "> must be empty");
      }
      return name == "true" ? kCFBooleanTrue : kCFBooleanFalse;
    }
    std::string text;
    if (!tag.empty && !ReadText(name, &text)) return nullptr;
    if (name == "string") return MakeString(text);
    if (name == "key") return Fail("<key> outside a dictionary");
    if (name == "integer") return MakeInteger(Trim(text));
    if (name == "real") return MakeReal(Trim(text));
    if (name == "data") return MakeData(text);
    return Fail("unsupported element <" + name + ">");
  }

  CFTypeRef MakeString(const std::string& text) {
    std::u16string units;
    if (!DecodeUtf8(text.data(), text.size(), &units)) return Fail("text is not UTF-8");
    CFStringRef s = CFStringCreateWithBytes(mAllocator, reinterpret_cast<const UInt8*>(text.data()),
                                            (CFIndex)text.size(), kCFStringEncodingUTF8, false);
    if (!s || mOptions != kCFPropertyListMutableContainersAndLeaves) return s;
    CFMutableStringRef m = CFStringCreateMutableCopy(mAllocator, 0, s);
    CFRelease(s);
    return m;
  }

  CFTypeRef MakeInteger(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    bool negative = false;
    if (first < last && (*first == '-' || *first == '+')) negative = *first++ == '-';
    int base = 10;
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
      base = 16;
      first += 2;
    }
    unsigned long long magnitude = 0;
    auto result = std::from_chars(first, last, magnitude, base);
    if (first == last || result.ec != std::errc() || result.ptr != last)
      return Fail("malformed <integer> \"" + text + "\"");
    long long value;
    if (negative) {
      if (magnitude > (unsigned long long)LLONG_MAX + 1) return Fail("<integer> out of range");
      value = magnitude == (unsigned long long)LLONG_MAX + 1 ? LLONG_MIN : -(long long)magnitude;
    } else {
      if (magnitude > (unsigned long long)LLONG_MAX) return Fail("<integer> out of range");
      value = (long long)magnitude;
    }
    return CFNumberCreate(mAllocator, kCFNumberSInt64Type, &value);
  }

  CFTypeRef MakeReal(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first < last && *first == '+') first++;
    double value = 0;
    auto result = std::from_chars(first, last, value);
    if (first == last || result.ec != std::errc() || result.ptr != last)
      return Fail("malformed <real> \"" + text + "\"");
    return CFNumberCreate(mAllocator, kCFNumberFloat64Type, &value);
  }

  CFTypeRef MakeData(const std::string& text) {
    std::vector<UInt8> bytes;
    unsigned buffer = 0;
    int bits = 0, padding = 0;
    for (char c : text) {
      if (IsSpace(c)) continue;
      int v;
      if (c >= 'A' && c <= 'Z') v = c - 'A';
      else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
      else if (c >= '0' && c <= '9') v = c - '0' + 52;
      else if (c == '+') v = 62;
      else if (c == '/') v = 63;
      else if (c == '=') {
        padding++;
        continue;
      } else {
        return Fail("malformed <data>");
      }
      if (padding) return Fail("malformed <data>");
      buffer = (buffer << 6) | (unsigned)v;
      bits += 6;
      if (bits >= 8) {
        bits -= 8;
        bytes.push_back((UInt8)(buffer >> bits));
        buffer &= (1u << bits) - 1;
      }
    }
    if (padding > 2 || bits >= 6) return Fail("malformed <data>");
    CFDataRef data = CFDataCreate(mAllocator, bytes.data(), (CFIndex)bytes.size());
    if (!data || !MutableContainers()) return data;
    CFMutableDataRef m = CFDataCreateMutableCopy(mAllocator, 0, data);
    CFRelease(data);
    return m;
  }

  CFTypeRef ParseDict(const Tag& open, int depth) {
    CompatCFRef dict(CFDictionaryCreateMutable(mAllocator, 0, &kCFTypeDictionaryKeyCallBacks,
                                               &kCFTypeDictionaryValueCallBacks));
    if (!open.empty) {
      for (;;) {
        if (!SkipMisc()) return nullptr;
        Tag tag;
        if (!ReadTag(&tag)) return nullptr;
        if (tag.closing && tag.name == "dict") break;
        if (tag.closing || tag.name != "key") return Fail("expected <key> in a dictionary");
        std::string keyText;
        if (!tag.empty && !ReadText("key", &keyText)) return nullptr;
        CompatCFRef key(MakeString(keyText));
        if (!key.get()) return nullptr;
        if (!SkipMisc()) return nullptr;
        if (Starts("</")) return Fail("<key>" + keyText + "</key> has no value");
        CompatCFRef value(ParseValue(depth + 1));
        if (!value.get()) return nullptr;
        CFDictionarySetValue((CFMutableDictionaryRef)dict.get(), key.get(), value.get());
      }
    }
    if (MutableContainers()) return dict.release();
    return CFDictionaryCreateCopy(mAllocator, (CFDictionaryRef)dict.get());
  }

  CFTypeRef ParseArray(const Tag& open, int depth) {
    CompatCFRef array(CFArrayCreateMutable(mAllocator, 0, &kCFTypeArrayCallBacks));
    if (!open.empty) {
      for (;;) {
        if (!SkipMisc()) return nullptr;
        if (Starts("</array>")) {
          mP += 8;
          break;
        }
        CompatCFRef value(ParseValue(depth + 1));
        if (!value.get()) return nullptr;
        CFArrayAppendValue((CFMutableArrayRef)array.get(), value.get());
      }
    }
    if (MutableContainers()) return array.release();
    return CFArrayCreateCopy(mAllocator, (CFArrayRef)array.get());
  }

  const char* const mBegin;
  const char* mP;
  const char* const mEnd;
  CFAllocatorRef mAllocator;
  CFOptionFlags mOptions;
  std::string mError;
};

}  // namespace

extern "C" CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef allocator, CFDataRef data,
                                                          CFOptionFlags options,
                                                          CFPropertyListFormat* format,
                                                          CFErrorRef* error) {
  if (error) *error = nullptr;
  std::string message;
  CFPropertyListRef result = nullptr;
  if (!data || CFGetTypeID(data) != CFDataGetTypeID()) {
    message = "no data";
  } else {
    const char* bytes = reinterpret_cast<const char*>(CFDataGetBytePtr(data));
    CFIndex length = CFDataGetLength(data);
    if (length >= 6 && std::memcmp(bytes, "bplist", 6) == 0) {
      message = "binary property lists are not supported";
    } else {
      Parser parser(bytes, bytes + length, allocator, options);
      result = parser.Parse();
      message = parser.Error();
    }
  }
  if (result) {
    if (format) *format = kCFPropertyListXMLFormat_v1_0;
    return result;
  }
  if (error)
    *error = NewError(kCFErrorDomainCocoa, kCFPropertyListReadCorruptError,
                      "Property list cannot be read: " + message);
  return nullptr;
}
