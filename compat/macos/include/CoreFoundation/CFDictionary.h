/*
 * Key-value collections. The key callbacks decide how keys are held and
 * matched (retain, release, equal, hash), the value callbacks how values are
 * held. kCFTypeDictionaryKeyCallBacks / kCFTypeDictionaryValueCallBacks retain
 * CoreFoundation objects and match keys with CFEqual; NULL callbacks hold raw
 * pointers matched by identity. Order of keys is insertion order.
 */
#ifndef COMPAT_CFDICTIONARY_H
#define COMPAT_CFDICTIONARY_H

#include <CoreFoundation/CFBase.h>

COMPAT_EXTERN_C_BEGIN

typedef const void* (*CFDictionaryRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFDictionaryReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFDictionaryCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFDictionaryEqualCallBack)(const void* value1, const void* value2);
typedef CFHashCode (*CFDictionaryHashCallBack)(const void* value);

/* How a dictionary holds its keys; version must be 0; any member may be NULL. */
typedef struct {
  CFIndex version;
  CFDictionaryRetainCallBack retain;
  CFDictionaryReleaseCallBack release;
  CFDictionaryCopyDescriptionCallBack copyDescription;
  CFDictionaryEqualCallBack equal;
  CFDictionaryHashCallBack hash;
} CFDictionaryKeyCallBacks;

/* How a dictionary holds its values; version must be 0; any member may be NULL. */
typedef struct {
  CFIndex version;
  CFDictionaryRetainCallBack retain;
  CFDictionaryReleaseCallBack release;
  CFDictionaryCopyDescriptionCallBack copyDescription;
  CFDictionaryEqualCallBack equal;
} CFDictionaryValueCallBacks;

typedef void (*CFDictionaryApplierFunction)(const void* key, const void* value, void* context);

COMPAT_EXPORT extern const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks;
/* Like kCFTypeDictionaryKeyCallBacks, but string keys are copied on entry. */
COMPAT_EXPORT extern const CFDictionaryKeyCallBacks kCFCopyStringDictionaryKeyCallBacks;
COMPAT_EXPORT extern const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks;

/* Type identifier of dictionaries. [any thread] */
COMPAT_EXPORT CFTypeID CFDictionaryGetTypeID(void);
/* New immutable dictionary of numValues pairs (a later duplicate key replaces
   an earlier one's value). [any thread] */
COMPAT_EXPORT CFDictionaryRef CFDictionaryCreate(CFAllocatorRef allocator, const void** keys,
                                                 const void** values, CFIndex numValues,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks);
/* New immutable copy with the same callbacks. [any thread] */
COMPAT_EXPORT CFDictionaryRef CFDictionaryCreateCopy(CFAllocatorRef allocator,
                                                     CFDictionaryRef theDict);
/* New empty mutable dictionary; capacity is a hint. [any thread] */
COMPAT_EXPORT CFMutableDictionaryRef CFDictionaryCreateMutable(
    CFAllocatorRef allocator, CFIndex capacity, const CFDictionaryKeyCallBacks* keyCallBacks,
    const CFDictionaryValueCallBacks* valueCallBacks);
/* New mutable copy with the same callbacks. [any thread] */
COMPAT_EXPORT CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef allocator,
                                                                   CFIndex capacity,
                                                                   CFDictionaryRef theDict);
/* Number of pairs. [any thread] */
COMPAT_EXPORT CFIndex CFDictionaryGetCount(CFDictionaryRef theDict);
/* The value for key, NULL when absent (Get rule: not retained). [any thread] */
COMPAT_EXPORT const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key);
/* True when key is present; its value goes to *value if value is non-NULL. [any thread] */
COMPAT_EXPORT Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key,
                                                    const void** value);
COMPAT_EXPORT Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key);
/* Writes all keys and values (either pointer may be NULL) in insertion order. [any thread] */
COMPAT_EXPORT void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys,
                                                const void** values);
/* Calls applier for each pair in insertion order. [any thread] */
COMPAT_EXPORT void CFDictionaryApplyFunction(CFDictionaryRef theDict,
                                             CFDictionaryApplierFunction applier, void* context);

/* Mutation of dictionaries made by CFDictionaryCreateMutable(Copy); an
   immutable dictionary changes nothing and the error hook is told.
   Set adds or replaces (the existing key is kept, the old value released);
   Add adds only when absent; Replace replaces only when present. [any thread] */
COMPAT_EXPORT void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key,
                                        const void* value);
COMPAT_EXPORT void CFDictionaryAddValue(CFMutableDictionaryRef theDict, const void* key,
                                        const void* value);
COMPAT_EXPORT void CFDictionaryReplaceValue(CFMutableDictionaryRef theDict, const void* key,
                                            const void* value);
COMPAT_EXPORT void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key);
COMPAT_EXPORT void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFDICTIONARY_H */
