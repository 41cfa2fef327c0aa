#include "plist.h"

#include <algorithm>
#include <cstdio>
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

// Length of the UTF-8 sequence at text[i] and its code point; 0 when the
// bytes there are not a well-formed sequence (overlong forms and surrogates
// included).
size_t DecodeOne(const std::string& text, size_t i, char32_t* cp) {
  const unsigned char b = static_cast<unsigned char>(text[i]);
  size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
  for (size_t k = 1; k < n; ++k) {
    const unsigned char t = static_cast<unsigned char>(text[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    c = (c << 6) | (t & 0x3F);
  }
  static const char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  *cp = c;
  return n;
}

// Characters XML 1.0 can carry at all (as text or as a reference).
bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// Text as XML character data. Markup characters become entities; a carriage
// return becomes &#13; (a reader would otherwise turn it into a line feed).
// Characters XML 1.0 cannot carry in any form (the C0 controls other than
// tab, line feed and carriage return; U+FFFE, U+FFFF) and bytes that are not
// UTF-8 are written as U+FFFD, the replacement character, so the file stays
// well-formed for every reader; the rest of the text is kept as it is.
void AppendEscaped(std::string* xml, const std::string& text) {
  static const char kReplacement[] = "\xEF\xBF\xBD";
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const size_t n = DecodeOne(text, i, &c);
    if (n == 0 || !IsXmlChar(c)) {
      *xml += kReplacement;
      i += n ? n : 1;
      continue;
    }
    switch (c) {
      case '&': *xml += "&amp;"; break;
      case '<': *xml += "&lt;"; break;
      case '>': *xml += "&gt;"; break;
      case '\r': *xml += "&#13;"; break;
      default: xml->append(text, i, n);
    }
    i += n;
  }
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
      entries.emplace_back(CFStringToUtf8(static_cast<CFStringRef>(keys[i])), values[i]);
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
    AppendEscaped(xml, CFStringToUtf8(static_cast<CFStringRef>(value)));
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

}  // namespace

std::string CFStringToUtf8(CFStringRef s) {
  if (!s) return std::string();
  const CFIndex length = CFStringGetLength(s);
  const CFIndex capacity = CFStringGetMaximumSizeForEncoding(length, kCFStringEncodingUTF8) + 1;
  std::vector<char> buf(static_cast<size_t>(capacity));
  if (!CFStringGetCString(s, buf.data(), capacity, kCFStringEncodingUTF8)) return std::string();
  return std::string(buf.data());
}

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
  CFDataRef data = CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(xml.data()),
                                static_cast<CFIndex>(xml.size()));
  if (!data) {
    *error = "out of memory";
    return nullptr;
  }
  CFErrorRef cfError = nullptr;
  CFPropertyListRef plist =
      CFPropertyListCreateWithData(kCFAllocatorDefault, data, kCFPropertyListImmutable, nullptr, &cfError);
  CFRelease(data);
  if (!plist) {
    if (cfError) {
      CFStringRef description = CFErrorCopyDescription(cfError);
      *error = CFStringToUtf8(description);
      if (description) CFRelease(description);
      CFRelease(cfError);
    }
    if (error->empty()) *error = "not a property list";
  }
  return plist;
}

}  // namespace cinderpath_cli
