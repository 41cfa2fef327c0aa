#include "plist.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace cinderpath_cli {
namespace {

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64Encode(const unsigned char* bytes, size_t n) {
  std::string out;
  out.reserve((n + 2) / 3 * 4);
  for (size_t i = 0; i < n; i += 3) {
    const unsigned v = (bytes[i] << 16) | ((i + 1 < n ? bytes[i + 1] : 0) << 8) | (i + 2 < n ? bytes[i + 2] : 0);
    out += kBase64Alphabet[(v >> 18) & 63];
    out += kBase64Alphabet[(v >> 12) & 63];
    out += i + 1 < n ? kBase64Alphabet[(v >> 6) & 63] : '=';
    out += i + 2 < n ? kBase64Alphabet[v & 63] : '=';
  }
  return out;
}

// Decodes standard Base64, ignoring white space. False on any other character,
// data after padding or a length that no encoder produces.
bool Base64Decode(const std::string& text, std::vector<unsigned char>* out) {
  unsigned acc = 0;
  int bits = 0;
  size_t symbols = 0;
  size_t padding = 0;
  for (char c : text) {
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    if (padding) return false;
    const char* p = c == '\0' ? nullptr : std::strchr(kBase64Alphabet, c);
    if (!p) return false;
    ++symbols;
    acc = ((acc << 6) | static_cast<unsigned>(p - kBase64Alphabet)) & 0xFFFFFFu;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out->push_back(static_cast<unsigned char>((acc >> bits) & 0xFF));
    }
  }
  if (symbols % 4 == 1 || padding > 2) return false;
  return padding == 0 || (symbols + padding) % 4 == 0;
}

void AppendEscaped(std::string* xml, const std::string& text) {
  for (char c : text) {
    switch (c) {
      case '&': *xml += "&amp;"; break;
      case '<': *xml += "&lt;"; break;
      case '>': *xml += "&gt;"; break;
      default: *xml += c;
    }
  }
}

std::string StringToUtf8(CFStringRef s) {
  const CFIndex length = CFStringGetLength(s);
  const CFIndex capacity = CFStringGetMaximumSizeForEncoding(length, kCFStringEncodingUTF8) + 1;
  std::vector<char> buf(static_cast<size_t>(capacity));
  if (!CFStringGetCString(s, buf.data(), capacity, kCFStringEncodingUTF8)) return std::string();
  return std::string(buf.data());
}

bool WriteValue(CFTypeRef value, int depth, std::string* xml, std::string* error) {
  const std::string indent(static_cast<size_t>(depth), '\t');
  const CFTypeID type = CFGetTypeID(value);
  if (type == CFDictionaryGetTypeID()) {
    CFDictionaryRef dict = static_cast<CFDictionaryRef>(value);
    const CFIndex n = CFDictionaryGetCount(dict);
    std::vector<const void*> keys(static_cast<size_t>(n)), values(static_cast<size_t>(n));
    if (n > 0) CFDictionaryGetKeysAndValues(dict, keys.data(), values.data());
    // Sorted keys make the file independent of the dictionary's hash order.
    std::vector<std::pair<std::string, const void*>> entries;
    for (CFIndex i = 0; i < n; ++i) {
      if (CFGetTypeID(keys[i]) != CFStringGetTypeID()) {
        *error = "a dictionary key is not a string";
        return false;
      }
      entries.emplace_back(StringToUtf8(static_cast<CFStringRef>(keys[i])), values[i]);
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    *xml += indent + "<dict>\n";
    for (const auto& e : entries) {
      *xml += indent + "\t<key>";
      AppendEscaped(xml, e.first);
      *xml += "</key>\n";
      if (!WriteValue(e.second, depth + 1, xml, error)) return false;
    }
    *xml += indent + "</dict>\n";
  } else if (type == CFArrayGetTypeID()) {
    CFArrayRef array = static_cast<CFArrayRef>(value);
    *xml += indent + "<array>\n";
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i)
      if (!WriteValue(CFArrayGetValueAtIndex(array, i), depth + 1, xml, error)) return false;
    *xml += indent + "</array>\n";
  } else if (type == CFStringGetTypeID()) {
    *xml += indent + "<string>";
    AppendEscaped(xml, StringToUtf8(static_cast<CFStringRef>(value)));
    *xml += "</string>\n";
  } else if (type == CFNumberGetTypeID()) {
    CFNumberRef number = static_cast<CFNumberRef>(value);
    char text[64];
    if (CFNumberIsFloatType(number)) {
      double d = 0.0;
      CFNumberGetValue(number, kCFNumberFloat64Type, &d);
      std::snprintf(text, sizeof(text), "%.17g", d);
      *xml += indent + "<real>" + text + "</real>\n";
    } else {
      long long i = 0;
      CFNumberGetValue(number, kCFNumberLongLongType, &i);
      std::snprintf(text, sizeof(text), "%lld", i);
      *xml += indent + "<integer>" + text + "</integer>\n";
    }
  } else if (type == CFDataGetTypeID()) {
    CFDataRef data = static_cast<CFDataRef>(value);
    *xml += indent + "<data>" +
            Base64Encode(CFDataGetBytePtr(data), static_cast<size_t>(CFDataGetLength(data))) + "</data>\n";
  } else {
    *error = "the property list holds a value of an unsupported kind";
    return false;
  }
  return true;
}

// Recursive-descent reader over the XML subset the writer produces (plus
// comments, the XML declaration, a DOCTYPE and white space between elements).
class Reader {
 public:
  explicit Reader(const std::string& text) : mText(text) {}

  CFPropertyListRef ReadDocument(std::string* error) {
    SkipMisc();
    std::string tag;
    if (!ReadOpenTag(&tag) || tag != "plist") return Fail(error, "missing <plist> element");
    SkipMisc();
    CFPropertyListRef value = ReadValue(0, error);
    if (!value) return nullptr;
    SkipMisc();
    if (!ReadCloseTag("plist")) {
      CFRelease(value);
      return Fail(error, "missing </plist>");
    }
    SkipMisc();
    if (mPos != mText.size()) {
      CFRelease(value);
      return Fail(error, "text after </plist>");
    }
    return value;
  }

 private:
  static constexpr int kMaxDepth = 64;

  CFPropertyListRef Fail(std::string* error, const std::string& what) {
    if (error->empty()) *error = what + " (at byte " + std::to_string(mPos) + ")";
    return nullptr;
  }

  void SkipSpace() {
    while (mPos < mText.size() && std::strchr(" \t\r\n", mText[mPos]) && mText[mPos] != '\0') ++mPos;
  }

  // White space, comments, processing instructions and declarations.
  void SkipMisc() {
    for (;;) {
      SkipSpace();
      if (mText.compare(mPos, 4, "<!--") == 0) {
        const auto end = mText.find("-->", mPos + 4);
        mPos = end == std::string::npos ? mText.size() : end + 3;
      } else if (mText.compare(mPos, 2, "<?") == 0 || mText.compare(mPos, 2, "<!") == 0) {
        const auto end = mText.find('>', mPos);
        mPos = end == std::string::npos ? mText.size() : end + 1;
      } else {
        return;
      }
    }
  }

  // Reads "<name ...>" or "<name/>"; *selfClosing tells which.
  bool ReadOpenTag(std::string* name, bool* selfClosing = nullptr) {
    if (mPos >= mText.size() || mText[mPos] != '<' || mText.compare(mPos, 2, "</") == 0) return false;
    const auto end = mText.find('>', mPos);
    if (end == std::string::npos) return false;
    std::string inner = mText.substr(mPos + 1, end - mPos - 1);
    bool closing = !inner.empty() && inner.back() == '/';
    if (closing) inner.pop_back();
    const auto space = inner.find_first_of(" \t\r\n");
    *name = inner.substr(0, space);
    if (selfClosing) *selfClosing = closing;
    else if (closing) return false;
    mPos = end + 1;
    return true;
  }

  bool ReadCloseTag(const std::string& name) {
    const std::string close = "</" + name + ">";
    if (mText.compare(mPos, close.size(), close) != 0) return false;
    mPos += close.size();
    return true;
  }

  // Text up to the next '<', with entities decoded.
  bool ReadText(std::string* out) {
    const auto end = mText.find('<', mPos);
    if (end == std::string::npos) return false;
    const std::string raw = mText.substr(mPos, end - mPos);
    mPos = end;
    out->clear();
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&') {
        *out += raw[i];
        continue;
      }
      const auto semi = raw.find(';', i);
      if (semi == std::string::npos) return false;
      const std::string entity = raw.substr(i + 1, semi - i - 1);
      if (entity == "amp") *out += '&';
      else if (entity == "lt") *out += '<';
      else if (entity == "gt") *out += '>';
      else if (entity == "quot") *out += '"';
      else if (entity == "apos") *out += '\'';
      else if (entity.size() > 1 && entity[0] == '#') {
        char* endp = nullptr;
        const long code = entity[1] == 'x' ? std::strtol(entity.c_str() + 2, &endp, 16)
                                           : std::strtol(entity.c_str() + 1, &endp, 10);
        if (!endp || *endp != '\0' || code <= 0 || code > 0x10FFFF) return false;
        AppendUtf8(out, static_cast<unsigned long>(code));
      } else {
        return false;
      }
      i = semi;
    }
    return true;
  }

  static void AppendUtf8(std::string* out, unsigned long code) {
    if (code < 0x80) {
      *out += static_cast<char>(code);
    } else if (code < 0x800) {
      *out += static_cast<char>(0xC0 | (code >> 6));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *out += static_cast<char>(0xE0 | (code >> 12));
      *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | (code >> 18));
      *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  // Reads "<tag>text</tag>" for a leaf element whose open tag was just read.
  bool ReadLeafText(const std::string& tag, bool selfClosing, std::string* text) {
    text->clear();
    if (selfClosing) return true;
    return ReadText(text) && ReadCloseTag(tag);
  }

  CFPropertyListRef ReadValue(int depth, std::string* error) {
    if (depth > kMaxDepth) return Fail(error, "nesting too deep");
    std::string tag;
    bool selfClosing = false;
    if (!ReadOpenTag(&tag, &selfClosing)) return Fail(error, "expected a value element");
    std::string text;
    if (tag == "dict") return selfClosing ? MakeDict() : ReadDict(depth, error);
    if (tag == "array") return selfClosing ? MakeArray() : ReadArray(depth, error);
    if (!ReadLeafText(tag, selfClosing, &text)) return Fail(error, "malformed <" + tag + "> element");
    if (tag == "string") {
      CFStringRef s = CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8);
      return s ? s : Fail(error, "a <string> is not valid UTF-8");
    }
    if (tag == "integer") {
      errno = 0;
      char* end = nullptr;
      const long long v = std::strtoll(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || errno == ERANGE) return Fail(error, "bad <integer> '" + text + "'");
      return CFNumberCreate(kCFAllocatorDefault, kCFNumberLongLongType, &v);
    }
    if (tag == "real") {
      char* end = nullptr;
      const double v = std::strtod(text.c_str(), &end);
      if (text.empty() || *end != '\0') return Fail(error, "bad <real> '" + text + "'");
      return CFNumberCreate(kCFAllocatorDefault, kCFNumberFloat64Type, &v);
    }
    if (tag == "data") {
      std::vector<unsigned char> bytes;
      if (!Base64Decode(text, &bytes)) return Fail(error, "bad Base64 in <data>");
      return CFDataCreate(kCFAllocatorDefault, bytes.data(), static_cast<CFIndex>(bytes.size()));
    }
    return Fail(error, "unsupported element <" + tag + ">");
  }

  static CFMutableDictionaryRef MakeDict() {
    return CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                     &kCFTypeDictionaryValueCallBacks);
  }
  static CFMutableArrayRef MakeArray() { return CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks); }

  CFPropertyListRef ReadDict(int depth, std::string* error) {
    CFMutableDictionaryRef dict = MakeDict();
    for (;;) {
      SkipMisc();
      if (ReadCloseTag("dict")) return dict;
      std::string tag, key;
      if (!ReadOpenTag(&tag) || tag != "key" || !ReadText(&key) || !ReadCloseTag("key")) {
        CFRelease(dict);
        return Fail(error, "expected <key> in <dict>");
      }
      SkipMisc();
      CFPropertyListRef value = ReadValue(depth + 1, error);
      if (!value) {
        CFRelease(dict);
        return nullptr;
      }
      CFStringRef cfKey = CFStringCreateWithCString(kCFAllocatorDefault, key.c_str(), kCFStringEncodingUTF8);
      if (!cfKey) {
        CFRelease(value);
        CFRelease(dict);
        return Fail(error, "a <key> is not valid UTF-8");
      }
      CFDictionarySetValue(dict, cfKey, value);
      CFRelease(cfKey);
      CFRelease(value);
    }
  }

  CFPropertyListRef ReadArray(int depth, std::string* error) {
    CFMutableArrayRef array = MakeArray();
    for (;;) {
      SkipMisc();
      if (ReadCloseTag("array")) return array;
      CFPropertyListRef value = ReadValue(depth + 1, error);
      if (!value) {
        CFRelease(array);
        return nullptr;
      }
      CFArrayAppendValue(array, value);
      CFRelease(value);
    }
  }

  const std::string& mText;
  size_t mPos = 0;
};

}  // namespace

bool WritePropertyListXml(CFPropertyListRef plist, std::string* xml, std::string* error) {
  xml->assign("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n");
  if (!plist || !WriteValue(plist, 0, xml, error)) {
    if (error->empty()) *error = "no property list to write";
    return false;
  }
  *xml += "</plist>\n";
  return true;
}

CFPropertyListRef ReadPropertyListXml(const std::string& xml, std::string* error) {
  error->clear();
  Reader reader(xml);
  return reader.ReadDocument(error);
}

}  // namespace cinderpath_cli
