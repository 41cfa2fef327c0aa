/*
 * Immutable numbers and the two boolean constants.
 */
#ifndef COMPAT_CFNUMBER_H
#define COMPAT_CFNUMBER_H

#include <CoreFoundation/CFBase.h>

COMPAT_EXTERN_C_BEGIN

typedef CFIndex CFNumberType;
enum {
  kCFNumberSInt8Type = 1,
  kCFNumberSInt16Type = 2,
  kCFNumberSInt32Type = 3,
  kCFNumberSInt64Type = 4,
  kCFNumberFloat32Type = 5,
  kCFNumberFloat64Type = 6,
  kCFNumberCharType = 7,
  kCFNumberShortType = 8,
  kCFNumberIntType = 9,
  kCFNumberLongType = 10,
  kCFNumberLongLongType = 11,
  kCFNumberFloatType = 12,
  kCFNumberDoubleType = 13,
  kCFNumberCFIndexType = 14,
  kCFNumberNSIntegerType = 15,
  kCFNumberCGFloatType = 16,
  kCFNumberMaxType = 16
};

/* Type identifier of numbers. [any thread] */
COMPAT_EXPORT CFTypeID CFNumberGetTypeID(void);
/* New number holding *valuePtr read as theType. Integer kinds are stored as
   64-bit integers, floating kinds as doubles; CFNumberGetType reports the
   canonical kind (SInt8/16/32/64, Float32/64). NULL for an unknown type or a
   NULL valuePtr. [any thread] */
COMPAT_EXPORT CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType,
                                         const void* valuePtr);
/* The canonical kind the number was created with. [any thread] */
COMPAT_EXPORT CFNumberType CFNumberGetType(CFNumberRef number);
/* Bytes of the canonical kind. [any thread] */
COMPAT_EXPORT CFIndex CFNumberGetByteSize(CFNumberRef number);
/* True for numbers created from a floating kind. [any thread] */
COMPAT_EXPORT Boolean CFNumberIsFloatType(CFNumberRef number);
/* Writes the value converted to theType into *valuePtr. Returns false when
   the conversion lost information (fraction cut, out of range: the value is
   then truncated or wrapped as a C cast would, saturated for floating to
   integer) or theType is unknown. [any thread] */
COMPAT_EXPORT Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);
/* Orders two numbers by value. [any thread] */
COMPAT_EXPORT CFComparisonResult CFNumberCompare(CFNumberRef number, CFNumberRef otherNumber,
                                                 void* context);

/* Type identifier of booleans. [any thread] */
COMPAT_EXPORT CFTypeID CFBooleanGetTypeID(void);
/* The two constant booleans. */
COMPAT_EXPORT extern const CFBooleanRef kCFBooleanTrue;
COMPAT_EXPORT extern const CFBooleanRef kCFBooleanFalse;
/* The boolean's value. [any thread] */
COMPAT_EXPORT Boolean CFBooleanGetValue(CFBooleanRef boolean);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFNUMBER_H */
