/*
 * Run-loop handles, only so that interfaces taking a run loop can be called.
 * This library runs no loops: notifications are delivered synchronously on
 * the thread that posts them.
 */
#ifndef COMPAT_CFRUNLOOP_H
#define COMPAT_CFRUNLOOP_H

#include <CoreFoundation/CFBase.h>

COMPAT_EXTERN_C_BEGIN

typedef struct __CFRunLoop* CFRunLoopRef;

COMPAT_EXPORT extern const CFStringRef kCFRunLoopDefaultMode;
COMPAT_EXPORT extern const CFStringRef kCFRunLoopCommonModes;

/* A token for the calling thread's loop (the same token for every thread). [any thread] */
COMPAT_EXPORT CFRunLoopRef CFRunLoopGetCurrent(void);
/* A token for the main loop. [any thread] */
COMPAT_EXPORT CFRunLoopRef CFRunLoopGetMain(void);

COMPAT_EXTERN_C_END

#endif /* COMPAT_CFRUNLOOP_H */
