/*
 * Functions of the stand-in library that the original platform does not
 * have: what a host needs to set up the process (register components from
 * bundles it loaded itself, name the main bundle) and what tests need to
 * watch the library (live object count, error hook). Product code does not
 * include this header.
 */
#ifndef COMPAT_MACOSCOMPAT_H
#define COMPAT_MACOSCOMPAT_H

#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/CoreServices.h>

COMPAT_EXTERN_C_BEGIN

/* Receives misuse the library detects: releasing or retaining a dead object
   or NULL, mutating an immutable collection, an index out of range.
   message is a complete sentence; object is the pointer concerned (may be
   NULL). [thread of the misuse] */
typedef void (*CompatErrorHandler)(const char* message, const void* object);

/* Installs the error hook and returns the previous one; NULL restores the
   default, which prints "macos_compat: <message>" to standard error and, for
   a CFRetain or CFRelease of NULL or of an object no longer alive, aborts.
   With a hook installed nothing aborts: the faulty call does nothing. The
   hook runs without any library lock held. [any thread] */
COMPAT_EXPORT CompatErrorHandler CompatSetErrorHandler(CompatErrorHandler handler);

/* Number of CoreFoundation objects currently alive, constants excluded. [any thread] */
COMPAT_EXPORT long CompatCFLiveObjectCount(void);

/* Sets the identifier CFBundleGetBundleWithIdentifier and
   CFBundleGetIdentifier report for the main bundle (the host program); a
   plug-in reads it to learn which host it runs in. NULL clears it. [main thread] */
COMPAT_EXPORT void CompatSetMainBundleIdentifier(CFStringRef identifier);

/* Registers a component whose code came from a bundle. The component keeps a
   reference to name and bundle (either may be NULL) until it is
   unregistered. Returns NULL for a NULL description or entry. [any thread] */
COMPAT_EXPORT Component CompatRegisterComponent(const ComponentDescription* cd,
                                                ComponentRoutineProcPtr entry, CFStringRef name,
                                                CFBundleRef bundle);
/* New string of the component's name, or NULL when it has none. [any thread] */
COMPAT_EXPORT CFStringRef CompatCopyComponentName(Component aComponent);
/* The bundle a component came from (Get rule), or NULL. [any thread] */
COMPAT_EXPORT CFBundleRef CompatGetComponentBundle(Component aComponent);

COMPAT_EXTERN_C_END

#endif /* COMPAT_MACOSCOMPAT_H */
