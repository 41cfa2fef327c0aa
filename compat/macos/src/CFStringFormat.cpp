// CFStringCreateWithFormat: printf conversions plus %@ (object description),
// %S and %C (UTF-16). The result is built as UTF-8 and always valid UTF-8.
#include "CFInternal.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

using namespace compat;

namespace {

struct Directive {
  std::string flags;
  int width = -1;
  int precision = -1;
  std::string length;  // "", "hh", "h", "l", "ll", "q", "L", "z", "t", "j"
  char conversion = 0;
};

// Appends bytes that may not be UTF-8: invalid input is taken as Latin-1.
void AppendBytes(std::string* out, const char* bytes, size_t n) {
  std::u16string units;
  if (DecodeUtf8(bytes, n, &units)) {
    out->append(bytes, n);
    return;
  }
  units.clear();
  for (size_t i = 0; i < n; i++) units.push_back((unsigned char)bytes[i]);
  EncodeUtf8(units.data(), units.size(), out, true);
}

size_t CodePoints(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) n++;
  return n;
}

// Pads text to the directive's width (in characters), left-aligned with '-'.
void AppendPadded(std::string* out, const std::string& text, const Directive& directive) {
  size_t n = CodePoints(text);
  size_t pad = directive.width > 0 && (size_t)directive.width > n ? (size_t)directive.width - n : 0;
  bool left = directive.flags.find('-') != std::string::npos;
  if (!left) out->append(pad, ' ');
  out->append(text);
  if (left) out->append(pad, ' ');
}

// Cuts UTF-8 text to at most maxChars characters.
std::string CutChars(const std::string& text, int maxChars) {
  if (maxChars < 0) return text;
  size_t chars = 0, i = 0;
  for (; i < text.size(); i++) {
    if (((unsigned char)text[i] & 0xC0) != 0x80) {
      if (chars == (size_t)maxChars) break;
      chars++;
    }
  }
  return text.substr(0, i);
}

std::string DirectiveText(const Directive& directive) {
  std::string s = "%" + directive.flags;
  if (directive.width >= 0) s += std::to_string(directive.width);
  if (directive.precision >= 0) s += "." + std::to_string(directive.precision);
  std::string length = directive.length == "q" ? "ll" : directive.length;
  return s + length + directive.conversion;
}

template <typename T>
std::string Snprintf(const std::string& directive, T value) {
  char small[128];
  int n = std::snprintf(small, sizeof small, directive.c_str(), value);
  if (n < 0) return std::string();
  if ((size_t)n < sizeof small) return std::string(small, (size_t)n);
  std::string big((size_t)n + 1, '\0');
  std::snprintf(&big[0], big.size(), directive.c_str(), value);
  big.resize((size_t)n);
  return big;
}

std::string FormatUtf8(const std::string& format, va_list args) {
  std::string out;
  size_t i = 0;
  const size_t n = format.size();
  while (i < n) {
    char c = format[i];
    if (c != '%') {
      out.push_back(c);
      i++;
      continue;
    }
    const size_t start = i++;
    Directive directive;
    while (i < n && std::strchr("-+ #0'", format[i])) directive.flags.push_back(format[i++]);
    if (i < n && format[i] == '*') {
      directive.width = va_arg(args, int);
      if (directive.width < 0) {
        directive.flags.push_back('-');
        directive.width = -directive.width;
      }
      i++;
    } else {
      size_t digitsStart = i;
      int width = 0;
      while (i < n && format[i] >= '0' && format[i] <= '9' && width < 100000)
        width = width * 10 + (format[i++] - '0');
      if (i < n && format[i] == '$') {
        // Positional arguments cannot be fetched in order: keep the rest as text.
        out.append(format, start, std::string::npos);
        return out;
      }
      if (i > digitsStart) directive.width = width;
    }
    if (i < n && format[i] == '.') {
      i++;
      if (i < n && format[i] == '*') {
        directive.precision = va_arg(args, int);
        i++;
      } else {
        int precision = 0;
        while (i < n && format[i] >= '0' && format[i] <= '9' && precision < 100000)
          precision = precision * 10 + (format[i++] - '0');
        directive.precision = precision;
      }
    }
    while (i < n && std::strchr("hlqLztj", format[i])) directive.length.push_back(format[i++]);
    if (i >= n) {
      out.append(format, start, std::string::npos);
      break;
    }
    directive.conversion = format[i++];
    const std::string& len = directive.length;
    switch (directive.conversion) {
      case '%':
        out.push_back('%');
        break;
      case 'd':
      case 'i':
        if (len == "ll" || len == "q") out += Snprintf(DirectiveText(directive), va_arg(args, long long));
        else if (len == "l") out += Snprintf(DirectiveText(directive), va_arg(args, long));
        else if (len == "z" || len == "t") out += Snprintf(DirectiveText(directive), va_arg(args, ptrdiff_t));
        else if (len == "j") out += Snprintf(DirectiveText(directive), va_arg(args, intmax_t));
        else out += Snprintf(DirectiveText(directive), va_arg(args, int));
        break;
      case 'u':
      case 'o':
      case 'x':
      case 'X':
        if (len == "ll" || len == "q")
          out += Snprintf(DirectiveText(directive), va_arg(args, unsigned long long));
        else if (len == "l") out += Snprintf(DirectiveText(directive), va_arg(args, unsigned long));
        else if (len == "z" || len == "t") out += Snprintf(DirectiveText(directive), va_arg(args, size_t));
        else if (len == "j") out += Snprintf(DirectiveText(directive), va_arg(args, uintmax_t));
        else out += Snprintf(DirectiveText(directive), va_arg(args, unsigned int));
        break;
      case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
        if (len == "L") out += Snprintf(DirectiveText(directive), va_arg(args, long double));
        else {
          directive.length.clear();
          out += Snprintf(DirectiveText(directive), va_arg(args, double));
        }
        break;
      case 'c': {
        unsigned char byte = (unsigned char)va_arg(args, int);
        std::string text;
        AppendBytes(&text, reinterpret_cast<const char*>(&byte), 1);
        AppendPadded(&out, text, directive);
        break;
      }
      case 'C': {
        char16_t unit = (char16_t)va_arg(args, int);
        std::string text;
        EncodeUtf8(&unit, 1, &text, true);
        AppendPadded(&out, text, directive);
        break;
      }
      case 's': {
        const char* s = va_arg(args, const char*);
        std::string text;
        if (!s) text = "(null)";
        else if (directive.precision >= 0) AppendBytes(&text, s, strnlen(s, (size_t)directive.precision));
        else AppendBytes(&text, s, std::strlen(s));
        AppendPadded(&out, text, directive);
        break;
      }
      case 'S': {
        const UniChar* s = va_arg(args, const UniChar*);
        std::string text = "(null)";
        if (s) {
          size_t count = 0;
          while (s[count]) count++;
          text.clear();
          EncodeUtf8(reinterpret_cast<const char16_t*>(s), count, &text, true);
        }
        AppendPadded(&out, CutChars(text, directive.precision), directive);
        break;
      }
      case '@': {
        CFTypeRef object = va_arg(args, CFTypeRef);
        std::string text = object ? static_cast<const CFObject*>(object)->FormatText() : "(null)";
        AppendPadded(&out, CutChars(text, directive.precision), directive);
        break;
      }
      case 'p':
        out += Snprintf("%p", va_arg(args, void*));
        break;
      case 'n':
        (void)va_arg(args, void*);  // writing through it is refused; keep the arguments in step
        break;
      default:
        // Unknown conversion: nothing is fetched, the text stays as written.
        out.append(format, start, i - start);
        break;
    }
  }
  return out;
}

}  // namespace

extern "C" {

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc, CFDictionaryRef,
                                                 CFStringRef format, va_list arguments) {
  if (!format) return nullptr;
  va_list copy;
  va_copy(copy, arguments);
  std::string text = FormatUtf8(StringUtf8(format), copy);
  va_end(copy);
  return NewStringFromUtf8(alloc, text);
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...) {
  va_list args;
  va_start(args, format);
  CFStringRef result = CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, args);
  va_end(args);
  return result;
}

void CFStringAppendFormat(CFMutableStringRef theString, CFDictionaryRef formatOptions,
                          CFStringRef format, ...) {
  va_list args;
  va_start(args, format);
  CFStringRef piece = CFStringCreateWithFormatAndArguments(nullptr, formatOptions, format, args);
  va_end(args);
  if (!piece) return;
  CFStringAppend(theString, piece);
  CFRelease(piece);
}

}  // extern "C"
