/*
 * Property lists: trees of dictionaries (string keys), arrays, strings,
 * numbers, booleans and data, read from XML text.
 *
 * Accepted XML: an optional <?xml ...?> declaration, an optional
 * <!DOCTYPE ...>, comments, then <plist version="1.0"> holding one value:
 * <dict> (<key>text</key> followed by a value, repeated), <array>, <string>,
 * <integer> (decimal, optional sign, 64-bit), <real>, <true/>, <false/>,
 * <data> (base64, whitespace ignored), and <string/>, <dict/>, <array/>,
 * <data/> as empty values. Text may use the entities &lt; &gt; &amp; &quot;
 * &apos; and &#NNN; / &#xHH;. Nesting deeper than 64 levels, unknown
 * elements, text outside values and anything after </plist> are refused.
 */
#ifndef COMPAT_CFPROPERTYLIST_H
#define COMPAT_CFPROPERTYLIST_H

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFError.h>

COMPAT_EXTERN_C_BEGIN

typedef CFIndex CFPropertyListFormat;
enum {
  kCFPropertyListOpenStepFormat = 1,
  kCFPropertyListXMLFormat_v1_0 = 100,
  kCFPropertyListBinaryFormat_v1_0 = 200
};

typedef CFOptionFlags CFPropertyListMutabilityOptions;
enum {
  kCFPropertyListImmutable = 0,
  kCFPropertyListMutableContainers = 1,
  kCFPropertyListMutableContainersAndLeaves = 2
};

/* Error codes (domain kCFErrorDomainCocoa) of a failed read. */
enum {
  kCFPropertyListReadCorruptError = 3840,
  kCFPropertyListReadUnknownVersionError = 3841
};

/* Parses XML property-list bytes into a new tree (dictionaries and arrays
   are mutable when options ask for it). On failure returns NULL and, when
   error is non-NULL, a new error (kCFPropertyListReadCorruptError) whose
   description names the line of the fault. *format gets
   kCFPropertyListXMLFormat_v1_0 on success. [any thread] */
COMPAT_EXPORT CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef allocator,
                                                             CFDataRef data, CFOptionFlags options,
                                                             CFPropertyListFormat* format,
                                                             CFErrorRef* error);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFPROPERTYLIST_H */
