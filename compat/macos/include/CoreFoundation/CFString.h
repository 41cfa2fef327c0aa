/*
 * Immutable and mutable Unicode strings. A string holds UTF-16 code units
 * (lengths and indices count them, as CoreFoundation's do) and converts to and
 * from UTF-8, ASCII and ISO Latin-1 bytes.
 */
#ifndef COMPAT_CFSTRING_H
#define COMPAT_CFSTRING_H

#include <CoreFoundation/CFBase.h>
#include <stdarg.h>

COMPAT_EXTERN_C_BEGIN


typedef UInt32 CFStringEncoding;
enum {
  kCFStringEncodingMacRoman = 0,
  kCFStringEncodingWindowsLatin1 = 0x0500,
  kCFStringEncodingISOLatin1 = 0x0201,
  kCFStringEncodingNextStepLatin = 0x0B01,
  kCFStringEncodingASCII = 0x0600,
  kCFStringEncodingUnicode = 0x0100,
  kCFStringEncodingUTF8 = 0x08000100,
  kCFStringEncodingNonLossyASCII = 0x0BFF,
  kCFStringEncodingUTF16 = 0x0100,
  kCFStringEncodingUTF16BE = 0x10000100,
  kCFStringEncodingUTF16LE = 0x14000100,
  kCFStringEncodingUTF32 = 0x0c000100,
  kCFStringEncodingInvalidId = 0xffffffffU
};

typedef CFOptionFlags CFStringCompareFlags;
enum {
  kCFCompareCaseInsensitive = 1,
  kCFCompareBackwards = 4,
  kCFCompareAnchored = 8,
  kCFCompareNonliteral = 16,
  kCFCompareLocalized = 32,
  kCFCompareNumerically = 64
};

/* Returns the constant string for a literal: one object per distinct text,
   never freed; retain and release do nothing to it. Use through CFSTR. [any thread] */
COMPAT_EXPORT CFStringRef __CFStringMakeConstantString(const char* cStr);
/* A constant string from a C literal in UTF-8. */
#define CFSTR(cStr) __CFStringMakeConstantString("" cStr "")

/* Type identifier of strings. [any thread] */
COMPAT_EXPORT CFTypeID CFStringGetTypeID(void);

/* New string from NUL-terminated bytes in the encoding (UTF-8, ASCII,
   ISO/Windows Latin-1, MacRoman for its ASCII half); NULL when the bytes are
   not valid in the encoding or cStr is NULL. [any thread] */
COMPAT_EXPORT CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                                    CFStringEncoding encoding);
/* New string from numBytes bytes in the encoding (also UTF-16 in native
   order); with isExternalRepresentation a leading byte-order mark is
   honoured and skipped. NULL on invalid bytes. [any thread] */
COMPAT_EXPORT CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes,
                                                  CFIndex numBytes, CFStringEncoding encoding,
                                                  Boolean isExternalRepresentation);
/* New string from numChars UTF-16 code units. [any thread] */
COMPAT_EXPORT CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars,
                                                       CFIndex numChars);
/* New immutable copy of a string. [any thread] */
COMPAT_EXPORT CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString);
/* New string of the code units in range; NULL when the range lies outside. [any thread] */
COMPAT_EXPORT CFStringRef CFStringCreateWithSubstring(CFAllocatorRef alloc, CFStringRef str,
                                                      CFRange range);
/* New empty mutable string; maxLength is a hint (0 = unlimited). [any thread] */
COMPAT_EXPORT CFMutableStringRef CFStringCreateMutable(CFAllocatorRef alloc, CFIndex maxLength);
/* New mutable copy of a string. [any thread] */
COMPAT_EXPORT CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex maxLength,
                                                           CFStringRef theString);

/* New string built from a printf-style format. Supported conversions:
   %d %i %u %o %x %X %c with the h, hh, l, ll, z, t, j and q length modifiers,
   %f %F %e %E %g %G %a %A (double; L for long double), %s (a UTF-8 C
   string; bytes that are not UTF-8 are read as Latin-1),
   %S (NUL-terminated UTF-16), %C (one UTF-16 unit), %p, %% and %@ (the
   description of a CoreFoundation object; "(null)" for NULL), with flags,
   width and precision (also given as *). formatOptions is ignored. An
   unknown conversion is copied through as text; %n takes its argument but
   writes nothing; a positional argument (%1$d) ends formatting and the rest
   of the format is copied as text. [any thread] */
COMPAT_EXPORT CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc,
                                                   CFDictionaryRef formatOptions,
                                                   CFStringRef format, ...);
/* As CFStringCreateWithFormat with a va_list. [any thread] */
COMPAT_EXPORT CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc,
                                                               CFDictionaryRef formatOptions,
                                                               CFStringRef format, va_list arguments);
/* Appends formatted text to a mutable string. [any thread] */
COMPAT_EXPORT void CFStringAppendFormat(CFMutableStringRef theString,
                                        CFDictionaryRef formatOptions,
                                        CFStringRef format, ...);

/* Number of UTF-16 code units. [any thread] */
COMPAT_EXPORT CFIndex CFStringGetLength(CFStringRef theString);
/* The code unit at idx; 0 when idx is out of range. [any thread] */
COMPAT_EXPORT UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx);
/* Copies the code units of range into buffer; nothing when the range lies outside. [any thread] */
COMPAT_EXPORT void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer);
/* Writes the string NUL-terminated into buffer (bufferSize bytes including
   the terminator) in the encoding. False when it does not fit or a character
   has no representation; buffer then holds an empty string. [any thread] */
COMPAT_EXPORT Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                                         CFStringEncoding encoding);
/* The string's own NUL-terminated bytes for kCFStringEncodingUTF8, and for
   the single-byte encodings (ASCII, MacRoman, Latin-1, ...) when every
   character is ASCII; valid until the string changes or is freed. NULL
   otherwise (callers then use CFStringGetCString). [any thread] */
COMPAT_EXPORT const char* CFStringGetCStringPtr(CFStringRef theString, CFStringEncoding encoding);
/* Converts the code units of range into bytes (no terminator). With
   lossByte 0 conversion stops at the first unrepresentable character, else
   that byte replaces it. Writes at most maxBufLen bytes when buffer is
   non-NULL; *usedBufLen gets the bytes produced. Returns the code units
   converted. [any thread] */
COMPAT_EXPORT CFIndex CFStringGetBytes(CFStringRef theString, CFRange range,
                                       CFStringEncoding encoding, UInt8 lossByte,
                                       Boolean isExternalRepresentation, UInt8* buffer,
                                       CFIndex maxBufLen, CFIndex* usedBufLen);
/* Upper bound of bytes for length code units in the encoding (terminator not
   included); kCFNotFound on overflow. [any thread] */
COMPAT_EXPORT CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);
/* Orders two strings by UTF-16 code units; kCFCompareCaseInsensitive folds
   ASCII letters, kCFCompareNumerically orders digit runs by value, other
   flags are ignored. [any thread] */
COMPAT_EXPORT CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                                 CFStringCompareFlags compareOptions);
/* True when the string starts (ends) with prefix (suffix). [any thread] */
COMPAT_EXPORT Boolean CFStringHasPrefix(CFStringRef theString, CFStringRef prefix);
COMPAT_EXPORT Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix);
/* Integer at the start of the string (leading spaces skipped); 0 if none. [any thread] */
COMPAT_EXPORT SInt32 CFStringGetIntValue(CFStringRef str);
/* Decimal number at the start of the string (leading spaces skipped); 0.0 if none. [any thread] */
COMPAT_EXPORT double CFStringGetDoubleValue(CFStringRef str);

/* Mutation of strings made by CFStringCreateMutable or
   CFStringCreateMutableCopy; an immutable string is left unchanged and the
   error hook is told. [any thread] */
COMPAT_EXPORT void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString);
COMPAT_EXPORT void CFStringAppendCString(CFMutableStringRef theString, const char* cStr,
                                         CFStringEncoding encoding);
COMPAT_EXPORT void CFStringAppendCharacters(CFMutableStringRef theString, const UniChar* chars,
                                            CFIndex numChars);
COMPAT_EXPORT void CFStringDelete(CFMutableStringRef theString, CFRange range);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFSTRING_H */
