/*
 * Immutable and mutable byte buffers.
 */
#ifndef COMPAT_CFDATA_H
#define COMPAT_CFDATA_H

#include <CoreFoundation/CFBase.h>

COMPAT_EXTERN_C_BEGIN

/* Type identifier of data objects. [any thread] */
COMPAT_EXPORT CFTypeID CFDataGetTypeID(void);
/* New data holding a copy of length bytes (length < 0 or NULL bytes with
   length > 0 give NULL). [any thread] */
COMPAT_EXPORT CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length);
/* New immutable copy. [any thread] */
COMPAT_EXPORT CFDataRef CFDataCreateCopy(CFAllocatorRef allocator, CFDataRef theData);
/* New empty mutable data; capacity is a hint. [any thread] */
COMPAT_EXPORT CFMutableDataRef CFDataCreateMutable(CFAllocatorRef allocator, CFIndex capacity);
/* New mutable copy. [any thread] */
COMPAT_EXPORT CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity,
                                                       CFDataRef theData);
/* Number of bytes. [any thread] */
COMPAT_EXPORT CFIndex CFDataGetLength(CFDataRef theData);
/* The bytes (NULL while empty), valid until the data changes or is freed. [any thread] */
COMPAT_EXPORT const UInt8* CFDataGetBytePtr(CFDataRef theData);
/* Writable bytes of mutable data (NULL for immutable data or while empty). [any thread] */
COMPAT_EXPORT UInt8* CFDataGetMutableBytePtr(CFMutableDataRef theData);
/* Copies the bytes of range into buffer; copies nothing when the range lies
   outside the data. [any thread] */
COMPAT_EXPORT void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer);
/* Sets the length of mutable data; new bytes are zero. [any thread] */
COMPAT_EXPORT void CFDataSetLength(CFMutableDataRef theData, CFIndex length);
/* Grows mutable data by extraLength zero bytes. [any thread] */
COMPAT_EXPORT void CFDataIncreaseLength(CFMutableDataRef theData, CFIndex extraLength);
/* Appends length bytes to mutable data. [any thread] */
COMPAT_EXPORT void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFDATA_H */
