/*
 * Audio data types shared by hosts and plug-ins: stream formats, buffer
 * lists, time stamps, channel layouts.
 */
#ifndef COMPAT_COREAUDIOTYPES_H
#define COMPAT_COREAUDIOTYPES_H

#include <MacTypes.h>

COMPAT_EXTERN_C_BEGIN

enum {
  kAudio_UnimplementedError = -4,
  kAudio_FileNotFoundError = -43,
  kAudio_FilePermissionError = -54,
  kAudio_TooManyFilesOpenError = -42,
  kAudio_BadFilePathError = 0x21707468, /* '!pth' */
  kAudio_ParamError = -50,
  kAudio_MemFullError = -108
};

/* A range of values, e.g. of sample rates. */
typedef struct AudioValueRange {
  Float64 mMinimum;
  Float64 mMaximum;
} AudioValueRange;

/* Identity of a codec or plug-in class. */
typedef struct AudioClassDescription {
  OSType mType;
  OSType mSubType;
  OSType mManufacturer;
} AudioClassDescription;

/* One buffer of samples. */
typedef struct AudioBuffer {
  UInt32 mNumberChannels; /* interleaved channels in the buffer */
  UInt32 mDataByteSize;   /* bytes at mData */
  void* mData;            /* the samples; may be NULL when asking a unit to supply memory */
} AudioBuffer;

/* A variable-length list of buffers; allocate room for mNumberBuffers. */
typedef struct AudioBufferList {
  UInt32 mNumberBuffers;
  AudioBuffer mBuffers[1];
} AudioBufferList;

typedef Float32 AudioSampleType;     /* one canonical sample */
typedef Float32 AudioUnitSampleType; /* one sample as an Audio Unit exchanges it */

typedef UInt32 AudioFormatID;
typedef UInt32 AudioFormatFlags;

/* Layout of a linear PCM or compressed stream; 40 bytes. */
typedef struct AudioStreamBasicDescription {
  Float64 mSampleRate; /* frames per second, Hz */
  AudioFormatID mFormatID;
  AudioFormatFlags mFormatFlags;
  UInt32 mBytesPerPacket;
  UInt32 mFramesPerPacket;
  UInt32 mBytesPerFrame;
  UInt32 mChannelsPerFrame;
  UInt32 mBitsPerChannel;
  UInt32 mReserved;
} AudioStreamBasicDescription;

enum { kAudioStreamAnyRate = 0 };

enum {
  kAudioFormatLinearPCM = 0x6C70636D, /* 'lpcm' */
  kAudioFormatAC3 = 0x61632D33,       /* 'ac-3' */
  kAudioFormatAppleLossless = 0x616C6163, /* 'alac' */
  kAudioFormatMPEG4AAC = 0x61616320,  /* 'aac ' */
  kAudioFormatMIDIStream = 0x6D696469 /* 'midi' */
};

enum {
  kAudioFormatFlagIsFloat = (1U << 0),
  kAudioFormatFlagIsBigEndian = (1U << 1),
  kAudioFormatFlagIsSignedInteger = (1U << 2),
  kAudioFormatFlagIsPacked = (1U << 3),
  kAudioFormatFlagIsAlignedHigh = (1U << 4),
  kAudioFormatFlagIsNonInterleaved = (1U << 5),
  kAudioFormatFlagIsNonMixable = (1U << 6),
  kAudioFormatFlagsAreAllClear = (1U << 31),

  kLinearPCMFormatFlagIsFloat = kAudioFormatFlagIsFloat,
  kLinearPCMFormatFlagIsBigEndian = kAudioFormatFlagIsBigEndian,
  kLinearPCMFormatFlagIsSignedInteger = kAudioFormatFlagIsSignedInteger,
  kLinearPCMFormatFlagIsPacked = kAudioFormatFlagIsPacked,
  kLinearPCMFormatFlagIsAlignedHigh = kAudioFormatFlagIsAlignedHigh,
  kLinearPCMFormatFlagIsNonInterleaved = kAudioFormatFlagIsNonInterleaved,
  kLinearPCMFormatFlagIsNonMixable = kAudioFormatFlagIsNonMixable,
  kLinearPCMFormatFlagsSampleFractionShift = 7,
  kLinearPCMFormatFlagsSampleFractionMask = (0x3F << kLinearPCMFormatFlagsSampleFractionShift),
  kLinearPCMFormatFlagsAreAllClear = kAudioFormatFlagsAreAllClear,

  kAudioFormatFlagsNativeEndian = 0,
  kAudioFormatFlagsCanonical = kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian |
                               kAudioFormatFlagIsPacked,
  kAudioFormatFlagsAudioUnitCanonical = kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian |
                                        kAudioFormatFlagIsPacked |
                                        kAudioFormatFlagIsNonInterleaved,
  kAudioFormatFlagsNativeFloatPacked = kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian |
                                       kAudioFormatFlagIsPacked
};

/* SMPTE time of a time stamp; 24 bytes. */
typedef struct SMPTETime {
  SInt16 mSubframes;
  SInt16 mSubframeDivisor;
  UInt32 mCounter;
  UInt32 mType;
  UInt32 mFlags;
  SInt16 mHours;
  SInt16 mMinutes;
  SInt16 mSeconds;
  SInt16 mFrames;
} SMPTETime;

enum {
  kSMPTETimeValid = (1U << 0),
  kSMPTETimeRunning = (1U << 1)
};

/* A moment in several time bases; mFlags says which fields are valid. 64 bytes. */
typedef struct AudioTimeStamp {
  Float64 mSampleTime; /* samples since an arbitrary origin */
  UInt64 mHostTime;
  Float64 mRateScalar;
  UInt64 mWordClockTime;
  SMPTETime mSMPTETime;
  UInt32 mFlags;
  UInt32 mReserved;
} AudioTimeStamp;

enum {
  kAudioTimeStampSampleTimeValid = (1U << 0),
  kAudioTimeStampHostTimeValid = (1U << 1),
  kAudioTimeStampRateScalarValid = (1U << 2),
  kAudioTimeStampWordClockTimeValid = (1U << 3),
  kAudioTimeStampSMPTETimeValid = (1U << 4),
  kAudioTimeStampSampleHostTimeValid = kAudioTimeStampSampleTimeValid |
                                       kAudioTimeStampHostTimeValid
};

/* Channel layouts. */
typedef UInt32 AudioChannelLabel;
typedef UInt32 AudioChannelLayoutTag;
typedef UInt32 AudioChannelBitmap;
typedef UInt32 AudioChannelFlags;

enum {
  kAudioChannelLabel_Unknown = 0xFFFFFFFF,
  kAudioChannelLabel_Unused = 0,
  kAudioChannelLabel_Left = 1,
  kAudioChannelLabel_Right = 2,
  kAudioChannelLabel_Center = 3,
  kAudioChannelLabel_Mono = 42
};

enum {
  kAudioChannelLayoutTag_UseChannelDescriptions = (0U << 16) | 0,
  kAudioChannelLayoutTag_UseChannelBitmap = (1U << 16) | 0,
  kAudioChannelLayoutTag_Mono = (100U << 16) | 1,
  kAudioChannelLayoutTag_Stereo = (101U << 16) | 2,
  kAudioChannelLayoutTag_StereoHeadphones = (102U << 16) | 2,
  kAudioChannelLayoutTag_Quadraphonic = (108U << 16) | 4,
  kAudioChannelLayoutTag_DiscreteInOrder = (147U << 16) | 0,
  kAudioChannelLayoutTag_Unknown = 0xFFFF0000
};

typedef struct AudioChannelDescription {
  AudioChannelLabel mChannelLabel;
  AudioChannelFlags mChannelFlags;
  Float32 mCoordinates[3];
} AudioChannelDescription;

/* A variable-length channel layout. */
typedef struct AudioChannelLayout {
  AudioChannelLayoutTag mChannelLayoutTag;
  AudioChannelBitmap mChannelBitmap;
  UInt32 mNumberChannelDescriptions;
  AudioChannelDescription mChannelDescriptions[1];
} AudioChannelLayout;

/* Number of channels in a layout tag (its low 16 bits). */
#define AudioChannelLayoutTag_GetNumberOfChannels(layoutTag) ((UInt32)((layoutTag)&0x0000FFFF))

COMPAT_EXTERN_C_END

#endif /* COMPAT_COREAUDIOTYPES_H */
