/*
 * Error objects returned by functions that can explain a failure.
 */
#ifndef COMPAT_CFERROR_H
#define COMPAT_CFERROR_H

#include <CoreFoundation/CFBase.h>

COMPAT_EXTERN_C_BEGIN

COMPAT_EXPORT extern const CFStringRef kCFErrorDomainPOSIX;
COMPAT_EXPORT extern const CFStringRef kCFErrorDomainOSStatus;
COMPAT_EXPORT extern const CFStringRef kCFErrorDomainCocoa;

/* Type identifier of errors. [any thread] */
COMPAT_EXPORT CFTypeID CFErrorGetTypeID(void);
/* The error's domain (Get rule). [any thread] */
COMPAT_EXPORT CFStringRef CFErrorGetDomain(CFErrorRef err);
/* The error's code within its domain. [any thread] */
COMPAT_EXPORT CFIndex CFErrorGetCode(CFErrorRef err);
/* New string explaining the error to a reader. [any thread] */
COMPAT_EXPORT CFStringRef CFErrorCopyDescription(CFErrorRef err);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFERROR_H */
