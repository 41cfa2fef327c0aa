/*
 * The Carbon view component of an Audio Unit. Windows and controls are
 * opaque handles here; no window system stands behind them.
 */
#ifndef COMPAT_AUDIOUNITCARBONVIEW_H
#define COMPAT_AUDIOUNITCARBONVIEW_H

#include <AudioUnit/AUComponent.h>

COMPAT_EXTERN_C_BEGIN

typedef struct OpaqueWindowPtr* WindowRef;
typedef struct OpaqueControlRef* ControlRef;

/* A point in window coordinates, pixels. */
typedef struct Float32Point {
  Float32 x;
  Float32 y;
} Float32Point;

typedef ComponentInstance AudioUnitCarbonView;

enum {
  kAudioUnitCarbonViewComponentType = 0x61757677, /* 'auvw' */
  kAUCarbonViewSubType_Generic = 0x676E7263       /* 'gnrc' */
};

enum {
  kAudioUnitCarbonViewRange = 0x0300,
  kAudioUnitCarbonViewCreateSelect = 0x0301,
  kAudioUnitCarbonViewSetEventListenerSelect = 0x0302
};

/* kAudioUnitCarbonViewCreateSelect (audioUnit, window, parentControl,
   location, size, outControl). [main thread] */
COMPAT_EXPORT OSStatus AudioUnitCarbonViewCreate(AudioUnitCarbonView inView, AudioUnit inAudioUnit,
                                                 WindowRef inWindow, ControlRef inParentControl,
                                                 const Float32Point* inLocation,
                                                 const Float32Point* inSize,
                                                 ControlRef* outControl);

COMPAT_EXTERN_C_END

#endif /* COMPAT_AUDIOUNITCARBONVIEW_H */
