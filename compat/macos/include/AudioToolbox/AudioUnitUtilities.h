/*
 * Parameter and event listeners: the process-wide notification system
 * through which units tell hosts (and hosts tell each other) that a
 * parameter changed, a gesture began or ended, or a property changed.
 *
 * A listener is created with a callback, then registered for the events it
 * wants (AUEventListenerAddEventType / AUListenerAddParameter). Posting an
 * event (AUEventListenerNotify, AUParameterListenerNotify, AUParameterSet)
 * calls every matching registration synchronously, on the posting thread, in
 * registration order, before the post returns; there is no run loop, no
 * coalescing and no notification interval. Registrations match on event
 * type (parameter value changes, gestures and property changes are distinct)
 * and on unit, scope, element and parameter (or property) ID. The parameter
 * ID kAUParameterListener_AnyParameter is a wildcard on both sides: posted,
 * it reaches every parameter registration of the unit (callbacks then see
 * the registered parameter); registered, it hears every parameter of the
 * unit.
 * The listener and object given as sender are not called back for their own
 * post.
 *
 * For a parameter value change the value passed to callbacks is read once
 * per post from the unit with AudioUnitGetParameter (0 when that fails).
 *
 * Registering for kAudioUnitEvent_PropertyChange of a (unit, property)
 * installs one property listener on the unit (AudioUnitAddPropertyListener,
 * user data NULL) while any registration for it exists; the unit's own
 * property notifications are then posted as property-change events. Remove
 * such registrations before closing the unit.
 *
 * Callbacks may create, register, unregister and dispose listeners,
 * including their own: a post works on a snapshot of the registrations and
 * skips any that were removed after it began. All functions may be called
 * from any thread; no lock is held while a callback runs.
 */
#ifndef COMPAT_AUDIOUNITUTILITIES_H
#define COMPAT_AUDIOUNITUTILITIES_H

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CFRunLoop.h>

COMPAT_EXTERN_C_BEGIN

typedef struct AUListenerBase* AUParameterListenerRef;
typedef AUParameterListenerRef AUEventListenerRef;

enum { kAUParameterListener_AnyParameter = 0xFFFFFFFF };

typedef UInt32 AudioUnitEventType;
enum {
  kAudioUnitEvent_ParameterValueChange = 0,
  kAudioUnitEvent_BeginParameterChangeGesture = 1,
  kAudioUnitEvent_EndParameterChangeGesture = 2,
  kAudioUnitEvent_PropertyChange = 3
};

/* One event: mArgument.mParameter for the three parameter kinds,
   mArgument.mProperty for kAudioUnitEvent_PropertyChange. */
typedef struct AudioUnitEvent {
  AudioUnitEventType mEventType;
  union {
    AudioUnitParameter mParameter;
    AudioUnitProperty mProperty;
  } mArgument;
} AudioUnitEvent;

/* Told of a parameter value change. [thread of the post] */
typedef void (*AUParameterListenerProc)(void* inRefCon, void* inObject,
                                        const AudioUnitParameter* inParameter,
                                        AudioUnitParameterValue inValue);
/* Told of any event; inParameterValue is meaningful for value changes only;
   inEventHostTime is 0. [thread of the post] */
typedef void (*AUEventListenerProc)(void* inCallbackRefCon, void* inObject,
                                    const AudioUnitEvent* inEvent, UInt64 inEventHostTime,
                                    AudioUnitParameterValue inParameterValue);

/* Creates a parameter listener (told of value changes only). The run loop,
   mode and interval are accepted and ignored. paramErr for a NULL proc or
   outListener. [any thread] */
COMPAT_EXPORT OSStatus AUListenerCreate(AUParameterListenerProc inProc, void* inUserData,
                                        CFRunLoopRef inRunLoop, CFStringRef inRunLoopMode,
                                        Float32 inNotificationInterval,
                                        AUParameterListenerRef* outListener);
/* Unregisters everything of the listener and frees it; paramErr for an
   unknown listener. [any thread] */
COMPAT_EXPORT OSStatus AUListenerDispose(AUParameterListenerRef inListener);
/* Registers for value changes of one parameter; inObject is passed back to
   the callback. Registering the same (object, parameter) twice keeps one. [any thread] */
COMPAT_EXPORT OSStatus AUListenerAddParameter(AUParameterListenerRef inListener, void* inObject,
                                              const AudioUnitParameter* inParameter);
/* Removes the registration for (object, parameter); paramErr if none. [any thread] */
COMPAT_EXPORT OSStatus AUListenerRemoveParameter(AUParameterListenerRef inListener, void* inObject,
                                                 const AudioUnitParameter* inParameter);
/* Sets a parameter on its unit with AudioUnitSetParameter and, if that
   succeeds, posts a value change from the given sender. [main thread] */
COMPAT_EXPORT OSStatus AUParameterSet(AUParameterListenerRef inSendingListener,
                                      void* inSendingObject,
                                      const AudioUnitParameter* inParameter,
                                      AudioUnitParameterValue inValue,
                                      UInt32 inBufferOffsetInFrames);
/* Posts a value change of the parameter. [any thread] */
COMPAT_EXPORT OSStatus AUParameterListenerNotify(AUParameterListenerRef inSendingListener,
                                                 void* inSendingObject,
                                                 const AudioUnitParameter* inParameter);

/* Creates an event listener. Run loop, mode, interval and granularity are
   accepted and ignored. paramErr for a NULL proc or outListener. [any thread] */
COMPAT_EXPORT OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inUserData,
                                             CFRunLoopRef inRunLoop, CFStringRef inRunLoopMode,
                                             Float32 inNotificationInterval,
                                             Float32 inNotificationGranularity,
                                             AUEventListenerRef* outListener);
/* Registers for one event kind of one parameter or property (the event's
   type and argument); inObject is passed back to the callback. Registering
   the same (object, event) twice keeps one. paramErr for a NULL event or an
   unknown listener. [any thread] */
COMPAT_EXPORT OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject,
                                                   const AudioUnitEvent* inEvent);
/* Removes that registration; paramErr if none. [any thread] */
COMPAT_EXPORT OSStatus AUEventListenerRemoveEventType(AUEventListenerRef inListener,
                                                      void* inObject,
                                                      const AudioUnitEvent* inEvent);
/* Posts an event to every matching registration except the sender's.
   paramErr for a NULL event. [any thread] */
COMPAT_EXPORT OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener,
                                             void* inSendingObject,
                                             const AudioUnitEvent* inEvent);

COMPAT_EXTERN_C_END

#endif /* COMPAT_AUDIOUNITUTILITIES_H */
