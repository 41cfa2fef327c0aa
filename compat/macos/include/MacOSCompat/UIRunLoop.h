/*
 * The process's UI run loop: repeating timers and window-system event
 * sources, pumped by whoever hosts a view (a stand-alone program's event
 * loop, a plug-in host's idle callback). It stands in for the main run loop
 * the original platform keeps for every process, so a timer added by a
 * loaded plug-in bundle fires when the host pumps, and the host's window
 * events and the bundle's arrive through the same pump. Used by the
 * platform layer; every timer and source callback runs on the thread that
 * pumps.
 */
#ifndef COMPAT_UIRUNLOOP_H
#define COMPAT_UIRUNLOOP_H

#include <CoreFoundation/CFBase.h>

COMPAT_EXTERN_C_BEGIN

/* Called when a timer fires, with the context given when it was added. */
typedef void (*CompatTimerProc)(void* ctx);

/* Adds a repeating timer that fires every intervalSeconds (> 0, at most 1e9)
   while the loop is pumped, first one interval from now. Returns its id
   (> 0), or 0 for a bad interval or a null proc. A pump waiting for the
   next timer notices one added from another thread. [any thread] */
COMPAT_EXPORT int CompatRunLoopAddTimer(double intervalSeconds, CompatTimerProc proc, void* ctx);

/* Stops a timer; its proc never runs after this returns. Called from another
   thread while the proc runs, it waits for the proc to return; called from
   a timer proc it returns at once. Unknown ids are ignored. [any thread] */
COMPAT_EXPORT void CompatRunLoopRemoveTimer(int id);

/* Seconds on the loop's monotonic clock. [any thread] */
COMPAT_EXPORT double CompatRunLoopNow(void);

/* Fires every timer due at nowSeconds, each once, in the order they became
   due. A late timer fires once and is rescheduled one interval after its
   due time, or one interval after now when it has fallen a whole interval
   behind (missed ticks are dropped). Returns how many fired. [UI thread] */
COMPAT_EXPORT int CompatRunLoopRunDue(double nowSeconds);

/* Seconds from nowSeconds until the next timer is due (0 when one is
   overdue), or a negative value when there are no timers. [any thread] */
COMPAT_EXPORT double CompatRunLoopSecondsUntilNext(double nowSeconds);

/* An event source: a file descriptor to wait on (negative: none at the
   moment) and a handler that takes whatever is pending without blocking.
   dispatch is called on every pump, also when the descriptor is not
   readable (a connection may hold events it has already read). */
typedef int (*CompatSourceFd)(void* ctx);
typedef void (*CompatSourceDispatch)(void* ctx);

/* Adds a source; returns its id (> 0), or 0 for null callbacks. [UI thread] */
COMPAT_EXPORT int CompatRunLoopAddSource(CompatSourceFd fd, CompatSourceDispatch dispatch, void* ctx);
/* Removes a source; its callbacks are not called after this returns. Unknown
   ids are ignored. [UI thread] */
COMPAT_EXPORT void CompatRunLoopRemoveSource(int id);

/* Pumps once: lets every source dispatch, waits until a source's descriptor
   is readable, the next timer is due or maxWaitSeconds have passed
   (whichever comes first; no wait for 0), lets the sources dispatch, fires
   the due timers and lets the sources dispatch once more (to present what
   the timers invalidated). Returns how many timers fired. [UI thread] */
COMPAT_EXPORT int CompatRunLoopPump(double maxWaitSeconds);

COMPAT_EXTERN_C_END

#endif /* COMPAT_UIRUNLOOP_H */
