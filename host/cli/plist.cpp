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
