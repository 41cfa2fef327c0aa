/*
 * Audio Unit scopes, property identifiers and the structures the properties
 * carry. Sizes in the comments are those of this 64-bit layout.
 */
#ifndef COMPAT_AUDIOUNITPROPERTIES_H
#define COMPAT_AUDIOUNITPROPERTIES_H

#include <AudioUnit/AUComponent.h>
#include <CoreAudio/CoreAudioTypes.h>
#include <CoreFoundation/CoreFoundation.h>

COMPAT_EXTERN_C_BEGIN

/* Scopes. */
enum {
  kAudioUnitScope_Global = 0,
  kAudioUnitScope_Input = 1,
  kAudioUnitScope_Output = 2,
  kAudioUnitScope_Group = 3,
  kAudioUnitScope_Part = 4,
  kAudioUnitScope_Note = 5,
  kAudioUnitScope_Layer = 6,
  kAudioUnitScope_LayerItem = 7
};

/* Property identifiers. */
enum {
  kAudioUnitProperty_ClassInfo = 0,                  /* CFPropertyListRef, 8 */
  kAudioUnitProperty_MakeConnection = 1,             /* AudioUnitConnection, 16 */
  kAudioUnitProperty_SampleRate = 2,                 /* Float64, 8 */
  kAudioUnitProperty_ParameterList = 3,              /* AudioUnitParameterID[] */
  kAudioUnitProperty_ParameterInfo = 4,              /* AudioUnitParameterInfo, 104 */
  kAudioUnitProperty_FastDispatch = 5,               /* procedure pointer, 8 */
  kAudioUnitProperty_CPULoad = 6,                    /* Float64 */
  kAudioUnitProperty_StreamFormat = 8,               /* AudioStreamBasicDescription, 40 */
  kAudioUnitProperty_ElementCount = 11,              /* UInt32 */
  kAudioUnitProperty_Latency = 12,                   /* Float64 seconds */
  kAudioUnitProperty_SupportedNumChannels = 13,      /* AUChannelInfo[] */
  kAudioUnitProperty_MaximumFramesPerSlice = 14,     /* UInt32 */
  kAudioUnitProperty_SetExternalBuffer = 15,         /* AudioUnitExternalBuffer */
  kAudioUnitProperty_ParameterValueStrings = 16,     /* CFArrayRef of CFStringRef */
  kAudioUnitProperty_MIDIControlMapping = 17,        /* AudioUnitMIDIControlMapping[] */
  kAudioUnitProperty_GetUIComponentList = 18,        /* ComponentDescription[] */
  kAudioUnitProperty_AudioChannelLayout = 19,        /* AudioChannelLayout */
  kAudioUnitProperty_TailTime = 20,                  /* Float64 seconds */
  kAudioUnitProperty_BypassEffect = 21,              /* UInt32 */
  kAudioUnitProperty_LastRenderError = 22,           /* OSStatus */
  kAudioUnitProperty_SetRenderCallback = 23,         /* AURenderCallbackStruct, 16 */
  kAudioUnitProperty_FactoryPresets = 24,            /* CFArrayRef of AUPreset */
  kAudioUnitProperty_ContextName = 25,               /* CFStringRef */
  kAudioUnitProperty_RenderQuality = 26,             /* UInt32 */
  kAudioUnitProperty_HostCallbacks = 27,             /* HostCallbackInfo, 32 */
  kAudioUnitProperty_CurrentPreset = 28,             /* AUPreset, 16 */
  kAudioUnitProperty_InPlaceProcessing = 29,         /* UInt32 */
  kAudioUnitProperty_ElementName = 30,               /* CFStringRef */
  kAudioUnitProperty_CocoaUI = 31,                   /* AudioUnitCocoaViewInfo, 16 */
  kAudioUnitProperty_SupportedChannelLayoutTags = 32,/* AudioChannelLayoutTag[] */
  kAudioUnitProperty_ParameterStringFromValue = 33,  /* AudioUnitParameterStringFromValue, 24 */
  kAudioUnitProperty_ParameterValueName = 33,
  kAudioUnitProperty_ParameterIDName = 34,           /* AudioUnitParameterIDName, 16 */
  kAudioUnitProperty_ParameterClumpName = 35,        /* AudioUnitParameterNameInfo, 16 */
  kAudioUnitProperty_PresentPreset = 36,             /* AUPreset, 16 */
  kAudioUnitProperty_OfflineRender = 37,             /* UInt32 */
  kAudioUnitProperty_ParameterValueFromString = 38,  /* AudioUnitParameterValueFromString, 24 */
  kAudioUnitProperty_IconLocation = 39,              /* CFURLRef */
  kAudioUnitProperty_PresentationLatency = 40,       /* Float64 seconds */
  kAudioUnitProperty_AllParameterMIDIMappings = 41,  /* AUParameterMIDIMapping[] */
  kAudioUnitProperty_AddParameterMIDIMapping = 42,   /* AUParameterMIDIMapping[] */
  kAudioUnitProperty_RemoveParameterMIDIMapping = 43,/* AUParameterMIDIMapping[] */
  kAudioUnitProperty_HotMapParameterMIDIMapping = 44,/* AUParameterMIDIMapping */
  kAudioUnitProperty_DependentParameters = 45,       /* AUDependentParameter[] */
  kAudioUnitProperty_AUHostIdentifier = 46,          /* AUHostIdentifier, 16 */
  kAudioUnitProperty_MIDIOutputCallbackInfo = 47,    /* CFArrayRef */
  kAudioUnitProperty_MIDIOutputCallback = 48,        /* AUMIDIOutputCallbackStruct */
  kAudioUnitProperty_InputSamplesInOutput = 49,      /* AUInputSamplesInOutputCallbackStruct */
  kAudioUnitProperty_ClassInfoFromDocument = 50,     /* CFDictionaryRef */
  kAudioUnitProperty_ShouldAllocateBuffer = 51,      /* UInt32 */
  kAudioUnitProperty_FrequencyResponse = 52,         /* AudioUnitFrequencyResponseBin[] */
  kAudioUnitProperty_ParameterHistoryInfo = 53,      /* AudioUnitParameterHistoryInfo */
  kAudioUnitProperty_NickName = 54                   /* CFStringRef */
};

/* Keys of the class-info dictionary. */
#define kAUPresetVersionKey "version"
#define kAUPresetTypeKey "type"
#define kAUPresetSubtypeKey "subtype"
#define kAUPresetManufacturerKey "manufacturer"
#define kAUPresetDataKey "data"
#define kAUPresetNameKey "name"
#define kAUPresetRenderQualityKey "render-quality"
#define kAUPresetCPULoadKey "cpu-load"
#define kAUPresetElementNameKey "element-name"
#define kAUPresetPartKey "part"
#define kAUPresetVSTDataKey "vstdata"
#define kAUPresetVSTPresetKey "vstpreset"
#define kAUPresetMASDataKey "masdata"
#define kAUPresetExternalFileRefs "file-references"

/* kAudioUnitProperty_RenderQuality values. */
enum {
  kRenderQuality_Max = 0x7F,
  kRenderQuality_High = 0x60,
  kRenderQuality_Medium = 0x40,
  kRenderQuality_Low = 0x20,
  kRenderQuality_Min = 0
};

/* kAudioUnitProperty_MakeConnection; 16 bytes. */
typedef struct AudioUnitConnection {
  AudioUnit sourceAudioUnit; /* NULL disconnects */
  UInt32 sourceOutputNumber;
  UInt32 destInputNumber;
} AudioUnitConnection;

/* kAudioUnitProperty_SupportedNumChannels; 4 bytes; -1 means any count. */
typedef struct AUChannelInfo {
  SInt16 inChannels;
  SInt16 outChannels;
} AUChannelInfo;

/* kAudioUnitProperty_SetExternalBuffer. */
typedef struct AudioUnitExternalBuffer {
  Byte* buffer;
  UInt32 size;
} AudioUnitExternalBuffer;

/* kAudioUnitProperty_SetRenderCallback; 16 bytes. */
typedef struct AURenderCallbackStruct {
  AURenderCallback inputProc;
  void* inputProcRefCon;
} AURenderCallbackStruct;

/* One preset; kAudioUnitProperty_CurrentPreset, _PresentPreset and the
   elements of _FactoryPresets; 16 bytes. */
typedef struct AUPreset {
  SInt32 presetNumber;
  CFStringRef presetName;
} AUPreset;

/* kAudioUnitProperty_AUHostIdentifier; 16 bytes. */
typedef struct AUHostIdentifier {
  CFStringRef hostName;
  NumVersion hostVersion;
} AUHostIdentifier;

/* Host callbacks (kAudioUnitProperty_HostCallbacks); each may be NULL and gets
   hostUserData first. Outputs the host does not know may be left alone.
   [render thread] */
typedef OSStatus (*HostCallback_GetBeatAndTempo)(void* inHostUserData, Float64* outCurrentBeat,
                                                 Float64* outCurrentTempo);
typedef OSStatus (*HostCallback_GetMusicalTimeLocation)(void* inHostUserData,
                                                        UInt32* outDeltaSampleOffsetToNextBeat,
                                                        Float32* outTimeSig_Numerator,
                                                        UInt32* outTimeSig_Denominator,
                                                        Float64* outCurrentMeasureDownBeat);
typedef OSStatus (*HostCallback_GetTransportState)(void* inHostUserData, Boolean* outIsPlaying,
                                                   Boolean* outTransportStateChanged,
                                                   Float64* outCurrentSampleInTimeLine,
                                                   Boolean* outIsCycling,
                                                   Float64* outCycleStartBeat,
                                                   Float64* outCycleEndBeat);

/* kAudioUnitProperty_HostCallbacks; 32 bytes. */
typedef struct HostCallbackInfo {
  void* hostUserData;
  HostCallback_GetBeatAndTempo beatAndTempoProc;
  HostCallback_GetMusicalTimeLocation musicalTimeLocationProc;
  HostCallback_GetTransportState transportStateProc;
} HostCallbackInfo;

/* kAudioUnitProperty_CocoaUI; 16 bytes for one class. */
typedef struct AudioUnitCocoaViewInfo {
  CFURLRef mCocoaAUViewBundleLocation;
  CFStringRef mCocoaAUViewClass[1];
} AudioUnitCocoaViewInfo;

/* kAudioUnitProperty_DependentParameters. */
typedef struct AUDependentParameter {
  AudioUnitScope mScope;
  AudioUnitParameterID mParameterID;
} AUDependentParameter;

/* Plug-in formats for AudioUnitOtherPluginDesc. */
enum {
  kOtherPluginFormat_Undefined = 0,
  kOtherPluginFormat_kMAS = 1,
  kOtherPluginFormat_kVST = 2,
  kOtherPluginFormat_AU = 3
};

typedef struct AudioUnitOtherPluginDesc {
  UInt32 format;
  AudioClassDescription plugin;
} AudioUnitOtherPluginDesc;

/* kAudioUnitProperty_MIDIControlMapping element. */
typedef struct AudioUnitMIDIControlMapping {
  UInt16 midiNRPN;
  UInt8 midiControl;
  UInt8 scope;
  AudioUnitElement element;
  AudioUnitParameterID parameter;
} AudioUnitMIDIControlMapping;

/* kAudioUnitProperty_InputSamplesInOutput. */
typedef struct AUInputSamplesInOutputCallbackStruct {
  AUInputSamplesInOutputCallback inputToOutputCallback;
  void* userData;
} AUInputSamplesInOutputCallbackStruct;

/* kAudioUnitProperty_FrequencyResponse element. */
enum { kNumberOfResponseFrequencies = 1024 };
typedef struct AudioUnitFrequencyResponseBin {
  Float64 mFrequency; /* Hz */
  Float64 mMagnitude; /* linear */
} AudioUnitFrequencyResponseBin;

/* kAudioUnitProperty_AllParameterMIDIMappings and related element. */
typedef UInt32 AUParameterMIDIMappingFlags;
enum {
  kAUParameterMIDIMapping_AnyChannelFlag = (1U << 0),
  kAUParameterMIDIMapping_AnyNoteFlag = (1U << 1),
  kAUParameterMIDIMapping_SubRange = (1U << 2),
  kAUParameterMIDIMapping_Toggle = (1U << 3),
  kAUParameterMIDIMapping_Bipolar = (1U << 4),
  kAUParameterMIDIMapping_Bipolar_On = (1U << 5)
};
typedef struct AUParameterMIDIMapping {
  AudioUnitScope mScope;
  AudioUnitElement mElement;
  AudioUnitParameterID mParameterID;
  AUParameterMIDIMappingFlags mFlags;
  AudioUnitParameterValue mSubRangeMin;
  AudioUnitParameterValue mSubRangeMax;
  UInt8 mStatus;
  UInt8 mData1;
  UInt8 reserved1;
  UInt8 reserved2;
  UInt32 reserved3;
} AUParameterMIDIMapping;

/* kAudioUnitProperty_ParameterHistoryInfo. */
typedef struct AudioUnitParameterHistoryInfo {
  Float32 updatesPerSecond;
  Float32 historyDurationInSeconds;
} AudioUnitParameterHistoryInfo;

/* Units of a parameter value. */
typedef UInt32 AudioUnitParameterUnit;
enum {
  kAudioUnitParameterUnit_Generic = 0,
  kAudioUnitParameterUnit_Indexed = 1,
  kAudioUnitParameterUnit_Boolean = 2,
  kAudioUnitParameterUnit_Percent = 3,
  kAudioUnitParameterUnit_Seconds = 4,
  kAudioUnitParameterUnit_SampleFrames = 5,
  kAudioUnitParameterUnit_Phase = 6,
  kAudioUnitParameterUnit_Rate = 7,
  kAudioUnitParameterUnit_Hertz = 8,
  kAudioUnitParameterUnit_Cents = 9,
  kAudioUnitParameterUnit_RelativeSemiTones = 10,
  kAudioUnitParameterUnit_MIDINoteNumber = 11,
  kAudioUnitParameterUnit_MIDIController = 12,
  kAudioUnitParameterUnit_Decibels = 13,
  kAudioUnitParameterUnit_LinearGain = 14,
  kAudioUnitParameterUnit_Degrees = 15,
  kAudioUnitParameterUnit_EqualPowerCrossfade = 16,
  kAudioUnitParameterUnit_MixerFaderCurve1 = 17,
  kAudioUnitParameterUnit_Pan = 18,
  kAudioUnitParameterUnit_Meters = 19,
  kAudioUnitParameterUnit_AbsoluteCents = 20,
  kAudioUnitParameterUnit_Octaves = 21,
  kAudioUnitParameterUnit_BPM = 22,
  kAudioUnitParameterUnit_Beats = 23,
  kAudioUnitParameterUnit_Milliseconds = 24,
  kAudioUnitParameterUnit_Ratio = 25,
  kAudioUnitParameterUnit_CustomUnit = 26
};

/* Flags of AudioUnitParameterInfo. */
typedef UInt32 AudioUnitParameterOptions;
enum {
  kAudioUnitParameterFlag_CFNameRelease = (1U << 4),
  kAudioUnitParameterFlag_OmitFromPresets = (1U << 13),
  kAudioUnitParameterFlag_PlotHistory = (1U << 14),
  kAudioUnitParameterFlag_MeterReadOnly = (1U << 15),
  kAudioUnitParameterFlag_DisplayMask = (7U << 16) | (1U << 22),
  kAudioUnitParameterFlag_DisplaySquareRoot = (1U << 16),
  kAudioUnitParameterFlag_DisplaySquared = (2U << 16),
  kAudioUnitParameterFlag_DisplayCubed = (3U << 16),
  kAudioUnitParameterFlag_DisplayCubeRoot = (4U << 16),
  kAudioUnitParameterFlag_DisplayExponential = (5U << 16),
  kAudioUnitParameterFlag_HasClump = (1U << 20),
  kAudioUnitParameterFlag_ValuesHaveStrings = (1U << 21),
  kAudioUnitParameterFlag_DisplayLogarithmic = (1U << 22),
  kAudioUnitParameterFlag_IsHighResolution = (1U << 23),
  kAudioUnitParameterFlag_NonRealTime = (1U << 24),
  kAudioUnitParameterFlag_CanRamp = (1U << 25),
  kAudioUnitParameterFlag_ExpertMode = (1U << 26),
  kAudioUnitParameterFlag_HasCFNameString = (1U << 27),
  kAudioUnitParameterFlag_IsGlobalMeta = (1U << 28),
  kAudioUnitParameterFlag_IsElementMeta = (1U << 29),
  kAudioUnitParameterFlag_IsReadable = (1U << 30),
  kAudioUnitParameterFlag_IsWritable = (1U << 31)
};

/* kAudioUnitProperty_ParameterInfo; 104 bytes. With
   kAudioUnitParameterFlag_CFNameRelease the receiver releases cfNameString
   (and unitName for kAudioUnitParameterUnit_CustomUnit). */
typedef struct AudioUnitParameterInfo {
  char name[52]; /* NUL-terminated, cut to fit */
  CFStringRef unitName;
  UInt32 clumpID;
  CFStringRef cfNameString;
  AudioUnitParameterUnit unit;
  AudioUnitParameterValue minValue;
  AudioUnitParameterValue maxValue;
  AudioUnitParameterValue defaultValue;
  AudioUnitParameterOptions flags;
} AudioUnitParameterInfo;

enum { kAudioUnitClumpID_System = 0 };

/* kAudioUnitProperty_ParameterIDName: the full name rather than a cut one. */
enum { kAudioUnitParameterName_Full = -1 };

/* kAudioUnitProperty_ParameterIDName and _ParameterClumpName; 16 bytes. */
typedef struct AudioUnitParameterNameInfo {
  AudioUnitParameterID inID; /* parameter ID, or clump ID for the clump name */
  SInt32 inDesiredLength;    /* characters, or kAudioUnitParameterName_Full */
  CFStringRef outName;       /* new string, released by the receiver */
} AudioUnitParameterNameInfo;
typedef AudioUnitParameterNameInfo AudioUnitParameterIDName;

/* kAudioUnitProperty_ParameterStringFromValue; 24 bytes. */
typedef struct AudioUnitParameterStringFromValue {
  AudioUnitParameterID inParamID;
  const AudioUnitParameterValue* inValue; /* NULL: the current value */
  CFStringRef outString;                  /* new string, released by the receiver */
} AudioUnitParameterStringFromValue;

/* kAudioUnitProperty_ParameterValueFromString; 24 bytes. */
typedef struct AudioUnitParameterValueFromString {
  AudioUnitParameterID inParamID;
  CFStringRef inString;
  AudioUnitParameterValue outValue;
} AudioUnitParameterValueFromString;

COMPAT_EXTERN_C_END

#endif /* COMPAT_AUDIOUNITPROPERTIES_H */
