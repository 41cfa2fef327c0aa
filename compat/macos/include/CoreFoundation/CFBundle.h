/*
 * Bundles: folders laid out as
 *   Name.ext/Contents/Info.plist        the bundle's property list
 *   Name.ext/Contents/Linux/<exe>.so    the executable (CFBundleExecutable + ".so")
 *   Name.ext/Contents/Resources/        resources
 * A bundle object exists once per folder while anyone holds it; a bundle
 * created with CFBundleCreate is known to CFBundleGetBundleWithIdentifier
 * under the CFBundleIdentifier of its Info.plist until it is freed.
 * Executables are not loaded by these functions; a host loads them itself.
 */
#ifndef COMPAT_CFBUNDLE_H
#define COMPAT_CFBUNDLE_H

#include <CoreFoundation/CFBase.h>

COMPAT_EXTERN_C_BEGIN

COMPAT_EXPORT extern const CFStringRef kCFBundleIdentifierKey;   /* "CFBundleIdentifier" */
COMPAT_EXPORT extern const CFStringRef kCFBundleExecutableKey;   /* "CFBundleExecutable" */
COMPAT_EXPORT extern const CFStringRef kCFBundleNameKey;         /* "CFBundleName" */
COMPAT_EXPORT extern const CFStringRef kCFBundleVersionKey;      /* "CFBundleVersion" */
COMPAT_EXPORT extern const CFStringRef kCFBundleInfoDictionaryVersionKey;

/* Type identifier of bundles. [any thread] */
COMPAT_EXPORT CFTypeID CFBundleGetTypeID(void);
/* The bundle of the running program: its folder is the executable's folder,
   its identifier NULL unless a host set one (CompatSetMainBundleIdentifier).
   Never NULL. [any thread] */
COMPAT_EXPORT CFBundleRef CFBundleGetMainBundle(void);
/* The live bundle with that identifier (Get rule), or NULL. [any thread] */
COMPAT_EXPORT CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);
/* The bundle for a folder: the existing object (retained) if one is alive,
   else a new one reading Contents/Info.plist. NULL when the folder does not
   exist. A missing, unreadable or larger than 1 MiB Info.plist leaves the
   info dictionary empty. [any thread] */
COMPAT_EXPORT CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL);
/* CFBundleIdentifier of the bundle (Get rule), or NULL. [any thread] */
COMPAT_EXPORT CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);
/* The parsed Info.plist (Get rule; empty when there is none). [any thread] */
COMPAT_EXPORT CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);
/* One value of the Info.plist (Get rule), or NULL. [any thread] */
COMPAT_EXPORT CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);
/* New URL of the bundle's folder. [any thread] */
COMPAT_EXPORT CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
/* New URL of Contents/Linux/<CFBundleExecutable>.so (for the main bundle,
   the running program), or NULL when the Info.plist names no executable. [any thread] */
COMPAT_EXPORT CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle);
/* New URL of Contents/Resources. [any thread] */
COMPAT_EXPORT CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);
/* New URL of the resource file Contents/Resources[/subDirName]/name[.type]
   if that file exists (a name that already ends in ".type" is taken as is),
   else NULL. Names containing ".." components are refused. [any thread] */
COMPAT_EXPORT CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                               CFStringRef resourceType, CFStringRef subDirName);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFBUNDLE_H */
