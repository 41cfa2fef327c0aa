/*
 * Core of the CoreFoundation subset: object references, reference counting,
 * type identifiers, allocators and ranges.
 *
 * Every object is reference counted as CoreFoundation's are: functions named
 * Create or Copy hand the caller one reference that it must give back with
 * CFRelease; functions named Get do not. An object is freed, with the
 * allocator that made it, when its count reaches zero. Releasing an object
 * that is no longer alive, or releasing NULL, is reported through the
 * library's error hook (see <MacOSCompat/MacOSCompat.h>) and never touches
 * freed memory; by default the hook prints the message and aborts, as an
 * over-release crashes on the original platform.
 *
 * All functions may be called from any thread; one object must not be
 * mutated on two threads at once. They allocate, so none belongs on the
 * render thread.
 */
#ifndef COMPAT_CFBASE_H
#define COMPAT_CFBASE_H

#include <MacTypes.h>

COMPAT_EXTERN_C_BEGIN

typedef const void* CFTypeRef;
typedef unsigned long CFTypeID;
typedef unsigned long CFOptionFlags;
typedef unsigned long CFHashCode;
typedef signed long CFIndex;

typedef const struct __CFString* CFStringRef;
typedef struct __CFString* CFMutableStringRef;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef CFTypeRef CFPropertyListRef;
typedef const struct __CFDictionary* CFDictionaryRef;
typedef struct __CFDictionary* CFMutableDictionaryRef;
typedef const struct __CFArray* CFArrayRef;
typedef struct __CFArray* CFMutableArrayRef;
typedef const struct __CFData* CFDataRef;
typedef struct __CFData* CFMutableDataRef;
typedef const struct __CFURL* CFURLRef;
typedef struct __CFBundle* CFBundleRef;
typedef struct __CFError* CFErrorRef;
typedef const struct __CFNumber* CFNumberRef;
typedef const struct __CFBoolean* CFBooleanRef;

/* Result of an ordering comparison. */
typedef CFIndex CFComparisonResult;
enum {
  kCFCompareLessThan = -1L,
  kCFCompareEqualTo = 0,
  kCFCompareGreaterThan = 1
};

typedef CFComparisonResult (*CFComparatorFunction)(const void* val1, const void* val2,
                                                   void* context);

enum { kCFNotFound = -1 };

/* A run of items: first index and count. */
typedef struct {
  CFIndex location;
  CFIndex length;
} CFRange;

static inline CFRange CFRangeMake(CFIndex loc, CFIndex len) {
  CFRange range;
  range.location = loc;
  range.length = len;
  return range;
}

/* ---- Allocators ---------------------------------------------------------- */

typedef const void* (*CFAllocatorRetainCallBack)(const void* info);
typedef void (*CFAllocatorReleaseCallBack)(const void* info);
typedef CFStringRef (*CFAllocatorCopyDescriptionCallBack)(const void* info);
typedef void* (*CFAllocatorAllocateCallBack)(CFIndex allocSize, CFOptionFlags hint, void* info);
typedef void* (*CFAllocatorReallocateCallBack)(void* ptr, CFIndex newsize, CFOptionFlags hint,
                                                void* info);
typedef void (*CFAllocatorDeallocateCallBack)(void* ptr, void* info);
typedef CFIndex (*CFAllocatorPreferredSizeCallBack)(CFIndex size, CFOptionFlags hint, void* info);

/* Functions of a custom allocator; version must be 0. */
typedef struct {
  CFIndex version;
  void* info;
  CFAllocatorRetainCallBack retain;
  CFAllocatorReleaseCallBack release;
  CFAllocatorCopyDescriptionCallBack copyDescription;
  CFAllocatorAllocateCallBack allocate;
  CFAllocatorReallocateCallBack reallocate;
  CFAllocatorDeallocateCallBack deallocate;
  CFAllocatorPreferredSizeCallBack preferredSize;
} CFAllocatorContext;

/* NULL stands for the default allocator wherever an allocator is taken. */
COMPAT_EXPORT extern const CFAllocatorRef kCFAllocatorDefault;
/* The system's malloc-based allocator (the default). */
COMPAT_EXPORT extern const CFAllocatorRef kCFAllocatorSystemDefault;
COMPAT_EXPORT extern const CFAllocatorRef kCFAllocatorMalloc;
/* Allocates nothing (returns NULL) and frees nothing. */
COMPAT_EXPORT extern const CFAllocatorRef kCFAllocatorNull;
/* Passed as the allocator to CFAllocatorCreate: the context's allocate
   function holds the allocator object itself. */
COMPAT_EXPORT extern const CFAllocatorRef kCFAllocatorUseContext;

/* Returns the type identifier shared by all allocators. [any thread] */
COMPAT_EXPORT CFTypeID CFAllocatorGetTypeID(void);
/* Returns the default allocator (never NULL). [any thread] */
COMPAT_EXPORT CFAllocatorRef CFAllocatorGetDefault(void);
/* Creates an allocator from the context's functions; the info pointer is
   retained with the context's retain function. NULL if context is NULL or has
   no allocate function. [any thread] */
COMPAT_EXPORT CFAllocatorRef CFAllocatorCreate(CFAllocatorRef allocator,
                                               CFAllocatorContext* context);
/* Allocates size bytes with the allocator; NULL for size <= 0 or no memory. [any thread] */
COMPAT_EXPORT void* CFAllocatorAllocate(CFAllocatorRef allocator, CFIndex size,
                                        CFOptionFlags hint);
/* Resizes a block made by the same allocator (NULL ptr allocates, size 0
   frees and returns NULL). [any thread] */
COMPAT_EXPORT void* CFAllocatorReallocate(CFAllocatorRef allocator, void* ptr, CFIndex newsize,
                                          CFOptionFlags hint);
/* Frees a block made by the same allocator; NULL is ignored. [any thread] */
COMPAT_EXPORT void CFAllocatorDeallocate(CFAllocatorRef allocator, void* ptr);
/* Copies the allocator's context into *context. [any thread] */
COMPAT_EXPORT void CFAllocatorGetContext(CFAllocatorRef allocator, CFAllocatorContext* context);

/* ---- Objects ------------------------------------------------------------- */

/* Adds one reference and returns cf. [any thread] */
COMPAT_EXPORT CFTypeRef CFRetain(CFTypeRef cf);
/* Gives back one reference; frees the object when none is left. [any thread] */
COMPAT_EXPORT void CFRelease(CFTypeRef cf);
/* Current reference count; constant objects (CFSTR, the booleans, the
   built-in allocators) report a very large count. 0 for a dead object. [any thread] */
COMPAT_EXPORT CFIndex CFGetRetainCount(CFTypeRef cf);
/* The type identifier of the object (compare with CFStringGetTypeID() and
   the like); 0 for a dead object. [any thread] */
COMPAT_EXPORT CFTypeID CFGetTypeID(CFTypeRef cf);
/* The allocator that created the object. [any thread] */
COMPAT_EXPORT CFAllocatorRef CFGetAllocator(CFTypeRef cf);
/* True when both are the same object or of one type with equal contents. [any thread] */
COMPAT_EXPORT Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
/* Hash code consistent with CFEqual. [any thread] */
COMPAT_EXPORT CFHashCode CFHash(CFTypeRef cf);
/* A new string describing the object (a string describes itself by its own
   characters, a number by its value). [any thread] */
COMPAT_EXPORT CFStringRef CFCopyDescription(CFTypeRef cf);
/* A new string naming the type with the given identifier. [any thread] */
COMPAT_EXPORT CFStringRef CFCopyTypeIDDescription(CFTypeID type_id);
/* Writes the object's description to standard error. [any thread] */
COMPAT_EXPORT void CFShow(CFTypeRef obj);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFBASE_H */
