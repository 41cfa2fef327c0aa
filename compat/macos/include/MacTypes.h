/*
 * Basic scalar types, status codes and version records of the platform's C
 * interfaces. Sizes follow the 64-bit (LP64) data model: SInt32 is an int,
 * long is 8 bytes, pointers are 8 bytes.
 */
#ifndef COMPAT_MACTYPES_H
#define COMPAT_MACTYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define COMPAT_EXTERN_C_BEGIN extern "C" {
#define COMPAT_EXTERN_C_END }
#else
#define COMPAT_EXTERN_C_BEGIN
#define COMPAT_EXTERN_C_END
#endif

/* Functions of the stand-in library are exported from the shared object. */
#define COMPAT_EXPORT __attribute__((visibility("default")))

typedef unsigned char UInt8;
typedef signed char SInt8;
typedef unsigned short UInt16;
typedef signed short SInt16;
typedef unsigned int UInt32;
typedef signed int SInt32;
typedef unsigned long long UInt64;
typedef signed long long SInt64;
typedef float Float32;
typedef double Float64;

typedef unsigned char Boolean; /* 0 false, 1 true */
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef UInt8 Byte;
typedef SInt8 SignedByte;
typedef SInt32 OSStatus;
typedef SInt16 OSErr;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
typedef char* Ptr;
typedef Ptr* Handle;
typedef long Size;
typedef UInt16 UniChar;
typedef unsigned char Str255[256];
typedef unsigned char* StringPtr;
typedef const unsigned char* ConstStringPtr;
typedef const unsigned char* ConstStr255Param;
typedef void* LogicalAddress;
typedef UInt32 ItemCount;
typedef UInt32 OptionBits;

/* Release version record, laid out for a little-endian target. */
typedef struct NumVersion {
  UInt8 nonRelRev;      /* release within stage */
  UInt8 stage;          /* development, alpha, beta or final */
  UInt8 minorAndBugRev; /* minor revision in the high nibble, bug-fix in the low */
  UInt8 majorRev;       /* major revision */
} NumVersion;

enum {
  developStage = 0x20,
  alphaStage = 0x40,
  betaStage = 0x60,
  finalStage = 0x80
};

/* General status codes. */
enum {
  noErr = 0,
  unimpErr = -4,
  fnfErr = -43,
  paramErr = -50,
  memFullErr = -108,
  nilHandleErr = -109,
  resNotFound = -192,
  resFNotFound = -193
};

enum { kSmallestArray = 1 };

#endif /* COMPAT_MACTYPES_H */
