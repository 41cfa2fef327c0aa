/*
 * Ordered collections of values. The array's callbacks decide how it holds
 * values: kCFTypeArrayCallBacks retains CoreFoundation objects on insertion
 * and releases them on removal and when the array is freed; NULL callbacks
 * hold raw pointers. With custom callbacks the array calls retain when a
 * value enters, release when it leaves, equal when searching or comparing
 * arrays (pointer identity without it) and copyDescription when the array is
 * described.
 */
#ifndef COMPAT_CFARRAY_H
#define COMPAT_CFARRAY_H

#include <CoreFoundation/CFBase.h>

COMPAT_EXTERN_C_BEGIN

typedef const void* (*CFArrayRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFArrayReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFArrayCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFArrayEqualCallBack)(const void* value1, const void* value2);

/* How an array holds its values; version must be 0; any member may be NULL. */
typedef struct {
  CFIndex version;
  CFArrayRetainCallBack retain;
  CFArrayReleaseCallBack release;
  CFArrayCopyDescriptionCallBack copyDescription;
  CFArrayEqualCallBack equal;
} CFArrayCallBacks;

typedef void (*CFArrayApplierFunction)(const void* value, void* context);

/* Callbacks for CoreFoundation objects (CFRetain, CFRelease, CFCopyDescription, CFEqual). */
COMPAT_EXPORT extern const CFArrayCallBacks kCFTypeArrayCallBacks;

/* Type identifier of arrays. [any thread] */
COMPAT_EXPORT CFTypeID CFArrayGetTypeID(void);
/* New immutable array of numValues values, each passed to retain. The
   callbacks are copied (NULL: raw pointers). [any thread] */
COMPAT_EXPORT CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values,
                                       CFIndex numValues, const CFArrayCallBacks* callBacks);
/* New immutable copy with the same callbacks. [any thread] */
COMPAT_EXPORT CFArrayRef CFArrayCreateCopy(CFAllocatorRef allocator, CFArrayRef theArray);
/* New empty mutable array; capacity is a hint (0 = unlimited). [any thread] */
COMPAT_EXPORT CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                                     const CFArrayCallBacks* callBacks);
/* New mutable copy with the same callbacks. [any thread] */
COMPAT_EXPORT CFMutableArrayRef CFArrayCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity,
                                                         CFArrayRef theArray);
/* Number of values. [any thread] */
COMPAT_EXPORT CFIndex CFArrayGetCount(CFArrayRef theArray);
/* The value at idx; NULL when idx is out of range. [any thread] */
COMPAT_EXPORT const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx);
/* Copies the values of range into values; nothing when the range lies outside. [any thread] */
COMPAT_EXPORT void CFArrayGetValues(CFArrayRef theArray, CFRange range, const void** values);
/* Searches range with the equal callback. [any thread] */
COMPAT_EXPORT Boolean CFArrayContainsValue(CFArrayRef theArray, CFRange range, const void* value);
COMPAT_EXPORT CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef theArray, CFRange range,
                                                  const void* value);
COMPAT_EXPORT CFIndex CFArrayGetCountOfValue(CFArrayRef theArray, CFRange range, const void* value);
/* Calls applier for each value of range in order. [any thread] */
COMPAT_EXPORT void CFArrayApplyFunction(CFArrayRef theArray, CFRange range,
                                        CFArrayApplierFunction applier, void* context);

/* Mutation of arrays made by CFArrayCreateMutable(Copy); an immutable array
   or an out-of-range index changes nothing and the error hook is told. [any thread] */
COMPAT_EXPORT void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value);
COMPAT_EXPORT void CFArrayInsertValueAtIndex(CFMutableArrayRef theArray, CFIndex idx,
                                             const void* value);
COMPAT_EXPORT void CFArraySetValueAtIndex(CFMutableArrayRef theArray, CFIndex idx,
                                          const void* value);
COMPAT_EXPORT void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx);
COMPAT_EXPORT void CFArrayRemoveAllValues(CFMutableArrayRef theArray);
COMPAT_EXPORT void CFArrayExchangeValuesAtIndices(CFMutableArrayRef theArray, CFIndex idx1,
                                                  CFIndex idx2);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFARRAY_H */
