/*
 * File URLs. A URL here always names a local file or folder by its absolute
 * POSIX path; its string form is "file://" followed by the percent-encoded
 * path (folders end with "/").
 */
#ifndef COMPAT_CFURL_H
#define COMPAT_CFURL_H

#include <CoreFoundation/CFBase.h>

COMPAT_EXTERN_C_BEGIN

typedef CFIndex CFURLPathStyle;
enum {
  kCFURLPOSIXPathStyle = 0,
  kCFURLHFSPathStyle = 1,
  kCFURLWindowsPathStyle = 2
};

/* Type identifier of URLs. [any thread] */
COMPAT_EXPORT CFTypeID CFURLGetTypeID(void);
/* New URL for a POSIX path (only kCFURLPOSIXPathStyle; NULL otherwise). A
   relative path is made absolute against the current directory; repeated
   and trailing "/" are dropped. [any thread] */
COMPAT_EXPORT CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath,
                                                     CFURLPathStyle pathStyle, Boolean isDirectory);
/* New URL from a path given as bufLen UTF-8 bytes. [any thread] */
COMPAT_EXPORT CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator,
                                                               const UInt8* buffer, CFIndex bufLen,
                                                               Boolean isDirectory);
/* New URL with one path component appended. [any thread] */
COMPAT_EXPORT CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef allocator, CFURLRef url,
                                                             CFStringRef pathComponent,
                                                             Boolean isDirectory);
/* New URL of the containing folder ("/" stays "/"). [any thread] */
COMPAT_EXPORT CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef allocator,
                                                                CFURLRef url);
/* Writes the NUL-terminated POSIX path into buffer; false when it does not fit. [any thread] */
COMPAT_EXPORT Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase,
                                                       UInt8* buffer, CFIndex maxBufLen);
/* New string of the POSIX path (only kCFURLPOSIXPathStyle; NULL otherwise). [any thread] */
COMPAT_EXPORT CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle);
/* New string of the last path component. [any thread] */
COMPAT_EXPORT CFStringRef CFURLCopyLastPathComponent(CFURLRef url);
/* The URL's string form (Get rule). [any thread] */
COMPAT_EXPORT CFStringRef CFURLGetString(CFURLRef anURL);
/* True when the URL names a folder. [any thread] */
COMPAT_EXPORT Boolean CFURLHasDirectoryPath(CFURLRef anURL);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFURL_H */
