/*
 * Instrument (music device) selectors and calls.
 */
#ifndef COMPAT_MUSICDEVICE_H
#define COMPAT_MUSICDEVICE_H

#include <AudioUnit/AUComponent.h>

COMPAT_EXTERN_C_BEGIN

typedef UInt32 MusicDeviceInstrumentID;
typedef UInt32 MusicDeviceGroupID;
typedef UInt32 NoteInstanceID;
typedef AudioComponentInstance MusicDeviceComponent;

/* One extra control value of a started note. */
typedef struct NoteParamsControlValue {
  AudioUnitParameterID mID;
  AudioUnitParameterValue mValue;
} NoteParamsControlValue;

/* A note to start: pitch (MIDI note number, fractional allowed), velocity
   (0 ... 127) and argCount - 2 control values. */
typedef struct MusicDeviceNoteParams {
  UInt32 argCount;
  Float32 mPitch;
  Float32 mVelocity;
  NoteParamsControlValue mControls[1];
} MusicDeviceNoteParams;

enum { kMusicNoteEvent_UseGroupInstrument = 0xFFFFFFFF };

enum {
  kMusicDeviceRange = 0x0100,
  kMusicDeviceMIDIEventSelect = 0x0101,
  kMusicDeviceSysExSelect = 0x0102,
  kMusicDevicePrepareInstrumentSelect = 0x0103,
  kMusicDeviceReleaseInstrumentSelect = 0x0104,
  kMusicDeviceStartNoteSelect = 0x0105,
  kMusicDeviceStopNoteSelect = 0x0106
};

enum { kMusicDeviceProperty_InstrumentCount = 1000 };

/* kMusicDeviceMIDIEventSelect (status, data1, data2, offsetSampleFrame). [render thread] */
COMPAT_EXPORT OSStatus MusicDeviceMIDIEvent(MusicDeviceComponent inUnit, UInt32 inStatus,
                                            UInt32 inData1, UInt32 inData2,
                                            UInt32 inOffsetSampleFrame);
/* kMusicDeviceSysExSelect (data, length). [render thread] */
COMPAT_EXPORT OSStatus MusicDeviceSysEx(MusicDeviceComponent inUnit, const UInt8* inData,
                                        UInt32 inLength);
/* kMusicDeviceStartNoteSelect (instrument, group, outNoteInstanceID,
   offsetSampleFrame, params). [render thread] */
COMPAT_EXPORT OSStatus MusicDeviceStartNote(MusicDeviceComponent inUnit,
                                            MusicDeviceInstrumentID inInstrument,
                                            MusicDeviceGroupID inGroupID,
                                            NoteInstanceID* outNoteInstanceID,
                                            UInt32 inOffsetSampleFrame,
                                            const MusicDeviceNoteParams* inParams);
/* kMusicDeviceStopNoteSelect (group, noteInstanceID, offsetSampleFrame). [render thread] */
COMPAT_EXPORT OSStatus MusicDeviceStopNote(MusicDeviceComponent inUnit,
                                           MusicDeviceGroupID inGroupID,
                                           NoteInstanceID inNoteInstanceID,
                                           UInt32 inOffsetSampleFrame);

COMPAT_EXTERN_C_END

#endif /* COMPAT_MUSICDEVICE_H */
