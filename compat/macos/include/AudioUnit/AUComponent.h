/*
 * Audio Unit components: types, selectors, callbacks, status codes and the C
 * calls a host makes on a unit.
 *
 * Each call builds a ComponentParameters block (see
 * <CoreServices/Components.h>: params[0] the unit, params[1 + i] the i-th
 * argument below after the unit, in declaration order) and passes it to the
 * unit's entry function with the selector named beside it. The result is
 * the entry's, or badComponentInstance when the unit is not an open
 * instance. None of them takes a lock of its own; which thread may call what
 * is the unit's contract (properties and parameters on the host's main
 * thread, AudioUnitRender on its render thread).
 */
#ifndef COMPAT_AUCOMPONENT_H
#define COMPAT_AUCOMPONENT_H

#include <MacTypes.h>
#include <CoreServices/Components.h>
#include <CoreAudio/CoreAudioTypes.h>

COMPAT_EXTERN_C_BEGIN

typedef ComponentInstance AudioComponentInstance;
typedef AudioComponentInstance AudioUnit;

/* Component types of Audio Units. */
enum {
  kAudioUnitType_Output = 0x61756F75,          /* 'auou' */
  kAudioUnitType_MusicDevice = 0x61756D75,     /* 'aumu' */
  kAudioUnitType_MusicEffect = 0x61756D66,     /* 'aumf' */
  kAudioUnitType_FormatConverter = 0x61756663, /* 'aufc' */
  kAudioUnitType_Effect = 0x61756678,          /* 'aufx' */
  kAudioUnitType_Mixer = 0x61756D78,           /* 'aumx' */
  kAudioUnitType_Panner = 0x6175706E,          /* 'aupn' */
  kAudioUnitType_OfflineEffect = 0x61756F6C,   /* 'auol' */
  kAudioUnitType_Generator = 0x6175676E        /* 'augn' */
};

enum { kAudioUnitManufacturer_Apple = 0x6170706C /* 'appl' */ };

typedef UInt32 AudioUnitPropertyID;
typedef UInt32 AudioUnitScope;
typedef UInt32 AudioUnitElement;
typedef UInt32 AudioUnitParameterID;
typedef Float32 AudioUnitParameterValue;

/* Flags passed to render callbacks and render observers. */
typedef UInt32 AudioUnitRenderActionFlags;
enum {
  kAudioUnitRenderAction_PreRender = (1U << 2),
  kAudioUnitRenderAction_PostRender = (1U << 3),
  kAudioUnitRenderAction_OutputIsSilence = (1U << 4),
  kAudioOfflineUnitRenderAction_Preflight = (1U << 5),
  kAudioOfflineUnitRenderAction_Render = (1U << 6),
  kAudioOfflineUnitRenderAction_Complete = (1U << 7),
  kAudioUnitRenderAction_PostRenderError = (1U << 8),
  kAudioUnitRenderAction_DoNotCheckRenderArgs = (1U << 9)
};

/* Audio Unit status codes. */
enum {
  kAudioUnitErr_InvalidProperty = -10879,
  kAudioUnitErr_InvalidParameter = -10878,
  kAudioUnitErr_InvalidElement = -10877,
  kAudioUnitErr_NoConnection = -10876,
  kAudioUnitErr_FailedInitialization = -10875,
  kAudioUnitErr_TooManyFramesToProcess = -10874,
  kAudioUnitErr_InvalidFile = -10871,
  kAudioUnitErr_FormatNotSupported = -10868,
  kAudioUnitErr_Uninitialized = -10867,
  kAudioUnitErr_InvalidScope = -10866,
  kAudioUnitErr_PropertyNotWritable = -10865,
  kAudioUnitErr_CannotDoInCurrentContext = -10863,
  kAudioUnitErr_InvalidPropertyValue = -10851,
  kAudioUnitErr_PropertyNotInUse = -10850,
  kAudioUnitErr_Initialized = -10849,
  kAudioUnitErr_InvalidOfflineRender = -10848,
  kAudioUnitErr_Unauthorized = -10847
};

/* Status a CoreFoundation object could not be made. */
enum { coreFoundationUnknownErr = -4960 };

/* Supplies input samples or observes a render.
   [render thread] */
typedef OSStatus (*AURenderCallback)(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                                     const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber,
                                     UInt32 inNumberFrames, AudioBufferList* ioData);

/* Told that a property of a unit changed. [thread of the change] */
typedef void (*AudioUnitPropertyListenerProc)(void* inRefCon, AudioUnit inUnit,
                                              AudioUnitPropertyID inID, AudioUnitScope inScope,
                                              AudioUnitElement inElement);

/* Maps input samples to output samples of a rate-changing unit. [render thread] */
typedef void (*AUInputSamplesInOutputCallback)(void* inRefCon,
                                               const AudioTimeStamp* inOutputTimeStamp,
                                               Float64 inInputSample,
                                               Float64 inNumberInputSamples);

/* Selectors of the Audio Unit entry. */
enum {
  kAudioUnitRange = 0x0000,
  kAudioUnitInitializeSelect = 0x0001,
  kAudioUnitUninitializeSelect = 0x0002,
  kAudioUnitGetPropertyInfoSelect = 0x0003,
  kAudioUnitGetPropertySelect = 0x0004,
  kAudioUnitSetPropertySelect = 0x0005,
  kAudioUnitGetParameterSelect = 0x0006,
  kAudioUnitSetParameterSelect = 0x0007,
  kAudioUnitResetSelect = 0x0009,
  kAudioUnitAddPropertyListenerSelect = 0x000A,
  kAudioUnitRemovePropertyListenerSelect = 0x000B,
  kAudioUnitRenderSelect = 0x000E,
  kAudioUnitAddRenderNotifySelect = 0x000F,
  kAudioUnitRemoveRenderNotifySelect = 0x0010,
  kAudioUnitScheduleParametersSelect = 0x0011,
  kAudioUnitRemovePropertyListenerWithUserDataSelect = 0x0012,
  kAudioUnitComplexRenderSelect = 0x0013,
  kAudioUnitProcessSelect = 0x0014,
  kAudioUnitProcessMultipleSelect = 0x0015
};

/* Procedures a unit hands out through kAudioUnitProperty_FastDispatch; the
   first argument is the unit's instance storage. */
typedef OSStatus (*AudioUnitGetParameterProc)(void* inComponentStorage,
                                              AudioUnitParameterID inID, AudioUnitScope inScope,
                                              AudioUnitElement inElement,
                                              AudioUnitParameterValue* outValue);
typedef OSStatus (*AudioUnitSetParameterProc)(void* inComponentStorage,
                                              AudioUnitParameterID inID, AudioUnitScope inScope,
                                              AudioUnitElement inElement,
                                              AudioUnitParameterValue inValue,
                                              UInt32 inBufferOffsetInFrames);
typedef OSStatus (*AudioUnitRenderProc)(void* inComponentStorage,
                                        AudioUnitRenderActionFlags* ioActionFlags,
                                        const AudioTimeStamp* inTimeStamp,
                                        UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                                        AudioBufferList* ioData);

/* Scheduled parameter events. */
typedef UInt32 AUParameterEventType;
enum {
  kParameterEvent_Immediate = 1,
  kParameterEvent_Ramped = 2
};

typedef struct AudioUnitParameterEvent {
  AudioUnitScope scope;
  AudioUnitElement element;
  AudioUnitParameterID parameter;
  AUParameterEventType eventType;
  union {
    struct {
      SInt32 startBufferOffset; /* frames into the next buffer */
      UInt32 durationInFrames;
      AudioUnitParameterValue startValue;
      AudioUnitParameterValue endValue;
    } ramp;
    struct {
      UInt32 bufferOffset; /* frames into the next buffer */
      AudioUnitParameterValue value;
    } immediate;
  } eventValues;
} AudioUnitParameterEvent;

/* Names one parameter of one unit. */
typedef struct AudioUnitParameter {
  AudioUnit mAudioUnit;
  AudioUnitParameterID mParameterID;
  AudioUnitScope mScope;
  AudioUnitElement mElement;
} AudioUnitParameter;

/* Names one property of one unit. */
typedef struct AudioUnitProperty {
  AudioUnit mAudioUnit;
  AudioUnitPropertyID mPropertyID;
  AudioUnitScope mScope;
  AudioUnitElement mElement;
} AudioUnitProperty;

/* kAudioUnitInitializeSelect, no arguments. [main thread] */
COMPAT_EXPORT OSStatus AudioUnitInitialize(AudioUnit inUnit);
/* kAudioUnitUninitializeSelect, no arguments. [main thread] */
COMPAT_EXPORT OSStatus AudioUnitUninitialize(AudioUnit inUnit);
/* kAudioUnitGetPropertyInfoSelect (id, scope, element, outDataSize, outWritable);
   either pointer may be NULL. [main thread] */
COMPAT_EXPORT OSStatus AudioUnitGetPropertyInfo(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                AudioUnitScope inScope,
                                                AudioUnitElement inElement, UInt32* outDataSize,
                                                Boolean* outWritable);
/* kAudioUnitGetPropertySelect (id, scope, element, outData, ioDataSize):
   *ioDataSize is the room at outData on entry and the bytes written after. [main thread] */
COMPAT_EXPORT OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID,
                                            AudioUnitScope inScope, AudioUnitElement inElement,
                                            void* outData, UInt32* ioDataSize);
/* kAudioUnitSetPropertySelect (id, scope, element, inData, inDataSize). [main thread] */
COMPAT_EXPORT OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID,
                                            AudioUnitScope inScope, AudioUnitElement inElement,
                                            const void* inData, UInt32 inDataSize);
/* kAudioUnitAddPropertyListenerSelect (id, proc, userData). [main thread] */
COMPAT_EXPORT OSStatus AudioUnitAddPropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                    AudioUnitPropertyListenerProc inProc,
                                                    void* inProcUserData);
/* kAudioUnitRemovePropertyListenerSelect (id, proc). [main thread] */
COMPAT_EXPORT OSStatus AudioUnitRemovePropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                       AudioUnitPropertyListenerProc inProc);
/* kAudioUnitRemovePropertyListenerWithUserDataSelect (id, proc, userData). [main thread] */
COMPAT_EXPORT OSStatus AudioUnitRemovePropertyListenerWithUserData(
    AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitPropertyListenerProc inProc,
    void* inProcUserData);
/* kAudioUnitAddRenderNotifySelect (proc, refCon). [main thread] */
COMPAT_EXPORT OSStatus AudioUnitAddRenderNotify(AudioUnit inUnit, AURenderCallback inProc,
                                                void* inProcUserData);
/* kAudioUnitRemoveRenderNotifySelect (proc, refCon). [main thread] */
COMPAT_EXPORT OSStatus AudioUnitRemoveRenderNotify(AudioUnit inUnit, AURenderCallback inProc,
                                                   void* inProcUserData);
/* kAudioUnitGetParameterSelect (id, scope, element, outValue). [main thread] */
COMPAT_EXPORT OSStatus AudioUnitGetParameter(AudioUnit inUnit, AudioUnitParameterID inID,
                                             AudioUnitScope inScope, AudioUnitElement inElement,
                                             AudioUnitParameterValue* outValue);
/* kAudioUnitSetParameterSelect (id, scope, element, value as Float32,
   bufferOffsetInFrames). [main thread] */
COMPAT_EXPORT OSStatus AudioUnitSetParameter(AudioUnit inUnit, AudioUnitParameterID inID,
                                             AudioUnitScope inScope, AudioUnitElement inElement,
                                             AudioUnitParameterValue inValue,
                                             UInt32 inBufferOffsetInFrames);
/* kAudioUnitScheduleParametersSelect (events, count). [main thread] */
COMPAT_EXPORT OSStatus AudioUnitScheduleParameters(AudioUnit inUnit,
                                                   const AudioUnitParameterEvent* inParameterEvent,
                                                   UInt32 inNumParamEvents);
/* kAudioUnitRenderSelect (ioActionFlags, timeStamp, outputBusNumber,
   numberFrames, ioData). [render thread] */
COMPAT_EXPORT OSStatus AudioUnitRender(AudioUnit inUnit, AudioUnitRenderActionFlags* ioActionFlags,
                                       const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                                       UInt32 inNumberFrames, AudioBufferList* ioData);
/* kAudioUnitResetSelect (scope, element). [main thread] */
COMPAT_EXPORT OSStatus AudioUnitReset(AudioUnit inUnit, AudioUnitScope inScope,
                                      AudioUnitElement inElement);

COMPAT_EXTERN_C_END

#endif /* COMPAT_AUCOMPONENT_H */
