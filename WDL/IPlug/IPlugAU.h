#ifndef _IPLUGAU_
#define _IPLUGAU_

// Audio Unit binding of the plug-in framework.
//
// A host reaches a plug-in only through two exported entry functions (see
// IPlug_include_in_plug_src.h) that forward to IPlugAUEntry and
// IPlugAUCarbonViewEntry. IPlugAU translates each component selector into
// calls on IPlugBase, owns the Audio Unit side of the plug-in (buses, input
// connections, property listeners, render observers, host callbacks, scratch
// buffers) and tells the host about changes the plug-in makes on its own.
//
// Locking: every selector except Open and Close runs under the plug-in's
// recursive mutex (IPlugBase::mMutex); GetParamProc and SetParamProc take it
// themselves because hosts may call them directly.

#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/CoreServices.h>

#include <stdint.h>

#include "IPlugBase.h"
#include "IPlugInstance.h"

class IPlugAU : public IPlugBase
{
public:
  // Builds the base (with the Audio Unit API identifier), one input bus (two
  // when plugScChans > 0: main and aux), the output bus(es), one empty input
  // connection per input bus, and scratch buffers for 1024 frames.
  // channelIOStr: legal configurations such as "1-1 2-2"; latency in samples;
  // uniqueID and mfrID are four-character codes; plugScChans: side-chain
  // input channels (0 for none). [main thread]
  IPlugAU(const IPlugInstanceInfo& instanceInfo, int nParams, const char* channelIOStr, int nPresets,
          const char* effectName, const char* productName, const char* mfrName,
          int vendorVersion, int uniqueID, int mfrID, int latency,
          bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst, int plugScChans);

  // Frees every render observer, bus, connection and listener record and both
  // scratch buffers; the base then frees parameters, presets and the editor. [main thread]
  ~IPlugAU() override;

  IPlugAU(const IPlugAU&) = delete;
  IPlugAU& operator=(const IPlugAU&) = delete;

  // ---- Change notification to the host (overrides of IPlugBase) ----

  // Posts a begin-gesture parameter event for parameter idx. [main thread]
  void BeginInformHostOfParamChange(int idx) override;
  // Posts a value-change parameter event for parameter idx; listeners read the
  // value back with the get-parameter selector. normalizedValue 0..1. [main thread]
  void InformHostOfParamChange(int idx, double normalizedValue) override;
  // Posts an end-gesture parameter event for parameter idx. [main thread]
  void EndInformHostOfParamChange(int idx) override;
  // Calls the property listeners registered for kAudioUnitProperty_PresentPreset. [main thread]
  void InformHostOfProgramChange() override;

  // ---- Host context (overrides of IPlugBase) ----

  // True while the host has set kAudioUnitProperty_OfflineRender. [any thread]
  bool IsRenderingOffline() override;
  // Transport position in samples from the host's transport callback; 0 without one. [render thread]
  double GetSamplePos() override;
  // Tempo in beats per minute; the last positive tempo the host reported, 120 until then. [render thread]
  double GetTempo() override;
  // Time signature from the host's musical-time callback; untouched without one. [render thread]
  void GetTimeSig(int* pNum, int* pDenom) override;
  // Fills the fields of pTimeInfo for which the host reports a value. [render thread]
  void GetTime(ITimeInfo* pTimeInfo) override;
  // Identifies the host on first use from the process's main bundle identifier. [main thread]
  EHost GetHost() override;
  // Lets the plug-in react to a new editor size; the host is not told. Pixels. [main thread]
  void ResizeGraphics(int w, int h) override;
  // Identifies the host, then calls OnHostIdentified. Run once by Open. [main thread]
  void HostSpecificInit() override;
  // Tells the kAudioUnitProperty_Latency listeners, then stores the latency in samples. [main thread]
  void SetLatency(int samples) override;
  // Always false: the binding has no MIDI output. [render thread]
  bool SendMidiMsg(IMidiMsg* pMsg) override;
  // Resizes and zeroes both scratch buffers for blockSize frames (1 ... 2^20),
  // then the base's buffers. A size out of range or beyond memory changes
  // nothing and gives false. [main thread]
  bool SetBlockSize(int blockSize) override;

  // ---- Entry points ----

  // The component entry: dispatches one selector for the instance whose
  // storage is pPlug (null for Open). Returns noErr or a component/Audio Unit
  // error code; badComponentSelector for selectors it does not serve. [any thread]
  static ComponentResult IPlugAUEntry(ComponentParameters* params, void* pPlug);
  // The Carbon view component entry: Open, CarbonViewCreate and Close. pView is
  // the view record registered at Open (null for Open). [main thread]
  static ComponentResult IPlugAUCarbonViewEntry(ComponentParameters* params, void* pView);
  // The plug-in behind unit when unit is an instance opened through
  // IPlugAUEntry and not yet closed; null otherwise. [main thread]
  static IPlugAU* OpenPlugOf(AudioUnit unit);

  // Fast-dispatch parameter read: global scope only; id below NParams. Writes
  // the parameter's real value. Takes the plug-in's mutex. [any thread]
  static OSStatus GetParamProc(void* pPlug, AudioUnitParameterID paramID, AudioUnitScope scope,
                               AudioUnitElement element, AudioUnitParameterValue* pValue);
  // Fast-dispatch parameter write: global scope only; id below NParams; finite
  // value, clamped to the parameter's range and stored as its real value, then
  // the editor and OnParamChange are told. Element and offset are not used. [any thread]
  static OSStatus SetParamProc(void* pPlug, AudioUnitParameterID paramID, AudioUnitScope scope,
                               AudioUnitElement element, AudioUnitParameterValue value, UInt32 offsetFrames);
  // Fast-dispatch render: pulls inputs, binds buffers and processes one block
  // of output bus outputBus; calls render observers before and after. Outside
  // Initialize it touches nothing and gives kAudioUnitErr_Uninitialized. [render thread]
  static OSStatus RenderProc(void* pPlug, AudioUnitRenderActionFlags* pFlags, const AudioTimeStamp* pTimestamp,
                             UInt32 outputBus, UInt32 nFrames, AudioBufferList* pBufferList);

  // ---- Records ----

  // One input or output bus.
  struct BusChannels
  {
    bool connected;        // input: a source is known; output: rendered with its current channel count
    int hostChannels;      // channels the host uses on this bus; -1 while unknown
    int plugChannels;      // plug-in channels that belong to the bus
    int firstPlugChannel;  // index of the bus's first channel among the plug-in's inputs or outputs
  };

  // Where an input bus takes its audio from, decided by AssessInputConnections.
  enum EAUInputType
  {
    NotConnected = 0,      // no source
    DirectFastProc = 1,    // call the upstream unit's fast render procedure
    DirectNoFastProc = 2,  // call AudioUnitRender on the upstream unit
    RenderCallback = 3     // call the host's input callback
  };

  // Source of one input bus; all fields zero when nothing is connected.
  struct InputConnection
  {
    void* upstreamPlug;                       // instance storage of the upstream unit
    AudioUnit upstreamUnit;                   // upstream unit from kAudioUnitProperty_MakeConnection
    int upstreamBus;                          // the upstream unit's output bus
    AudioUnitRenderProc upstreamRenderProc;   // the upstream unit's fast render procedure, if any
    AURenderCallback renderCallback;          // input callback from kAudioUnitProperty_SetRenderCallback
    void* renderCallbackRefCon;               // its user data
    EAUInputType inputType;                   // result of the last assessment
  };

  // One property listener. serial orders entries and lets a notification loop
  // survive listeners that add or remove entries while being called.
  struct ListenerEntry
  {
    AudioUnitPropertyID propertyID;
    AudioUnitPropertyListenerProc proc;
    void* userData;
    uint64_t serial;  // unique, increasing in list order
  };

  // One render observer; serial as for ListenerEntry.
  struct RenderObserver
  {
    AURenderCallback proc;
    void* refCon;
    uint64_t serial;  // unique, increasing in list order
  };

  // The four host callbacks the binding uses (the first four fields of the
  // host's HostCallbackInfo); all null until kAudioUnitProperty_HostCallbacks is set.
  struct HostCallbacks
  {
    void* hostUserData;
    HostCallback_GetBeatAndTempo beatAndTempoProc;
    HostCallback_GetMusicalTimeLocation musicalTimeLocationProc;
    HostCallback_GetTransportState transportStateProc;
  };

  // Name of an input type for trace output; "NotConnected" for unknown values. [any thread]
  static const char* AUInputTypeStr(int type);

protected:
  // ---- Entry selectors (run under the plug-in's mutex unless noted) ----

  // Legal when both host channel sums are exactly 0 or the channel I/O list
  // accepts them (-1, nothing known, matches any count). [main thread]
  bool CheckLegalIO();
  // Would the plug-in accept `channels` host channels on bus `element` of
  // `scope` (input, or output/global)? Used by stream format changes. [main thread]
  bool CheckLegalIO(AudioUnitScope scope, int element, int channels);
  // True when some bus has exactly 0 host channels (a refused stream format
  // leaves it so). [main thread]
  bool HasBusWithoutChannels();
  // Sum of hostChannels over the known buses (>= 0) of pBuses, leaving out
  // pExcept; -1 when no bus is known. [any thread]
  static int NHostChannelsConnected(WDL_PtrList<BusChannels>* pBuses, BusChannels* pExcept = 0);
  // Marks every bus unconnected with unknown host channels and zeroes every
  // input connection. Run by Close. [main thread]
  void ClearConnections();

  // Property selectors. pDataSize and pWritable are always valid; pData is
  // null for an information query. [main thread]
  ComponentResult GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                              UInt32* pDataSize, Boolean* pWritable, void* pData);
  // Applies a property; *pDataSize is the size of the host's data. [main thread]
  ComponentResult SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                              UInt32* pDataSize, const void* pData);
  // The bus a stream format refers to: input scope: input bus element; output
  // or global scope: output bus element; else null. [any thread]
  BusChannels* GetBus(AudioUnitScope scope, AudioUnitElement element);

  // Recomputes every input bus's input type, connected flag and the plug-in's
  // input channel connections. Takes the mutex. [main thread]
  void AssessInputConnections();
  // kAudioUnitProperty_MakeConnection: connects or disconnects an input bus. [main thread]
  OSStatus SetConnection(AudioUnitScope scope, const AudioUnitConnection* pConnection);
  // kAudioUnitProperty_SetRenderCallback: sets or clears the input callback of an input bus. [main thread]
  OSStatus SetInputCallback(AudioUnitScope scope, AudioUnitElement element, const AURenderCallbackStruct* pCallback);

  // kAudioUnitProperty_ClassInfo: a new state dictionary for the caller. [main thread]
  ComponentResult GetState(CFPropertyListRef* ppPropList);
  // kAudioUnitProperty_ClassInfo: restores state from a dictionary. [main thread]
  ComponentResult SetState(CFPropertyListRef pPropList);
  // kIPlugAUProperty_ProgramFile / kIPlugAUProperty_BankFile: a new CFDataRef
  // holding the whole program (bank false) or bank file. [main thread]
  ComponentResult GetFileProperty(bool bank, CFDataRef* ppData);
  // The same properties set: loads the file held in data; a refused file
  // changes nothing. [main thread]
  ComponentResult SetFileProperty(bool bank, CFDataRef data);
  // kAudioUnitProperty_FactoryPresets: a new array of preset records. [main thread]
  ComponentResult GetFactoryPresets(CFArrayRef* ppArray);

  // ---- Listener and observer lists ----

  // Appends a listener unless one with the same property and proc exists. [main thread]
  OSStatus AddPropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc, void* userData);
  // Removes the first listener with the same property and proc and, when
  // matchUserData, the same user data. Removing nothing is not an error. [main thread]
  OSStatus RemovePropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                                  bool matchUserData, void* userData);
  // Calls every listener registered for propID as proc(userData, mInstance,
  // propID, scope, 0), in list order. Listeners may add or remove entries while
  // being called: each entry present when the call starts and still present
  // when its turn comes is called once; entries added meanwhile are not. [main thread]
  void NotifyPropertyListeners(AudioUnitPropertyID propID, AudioUnitScope scope);

  // Appends a render observer; duplicates are kept. [main thread]
  OSStatus AddRenderObserver(AURenderCallback proc, void* refCon);
  // Removes the first render observer whose proc matches (refCon is not compared). [main thread]
  OSStatus RemoveRenderObserver(AURenderCallback proc);
  // Marks the observers present now; pass it to NotifyRenderObservers so the
  // post-render round calls exactly the observers of the pre-render round
  // that are still registered. Allocates nothing. [render thread]
  uint64_t RenderObserverMark() const;
  // Calls each observer with serial <= mark, in list order, with the action
  // flags `flags`. Allocates nothing; observers may remove entries meanwhile. [render thread]
  void NotifyRenderObservers(uint64_t mark, AudioUnitRenderActionFlags flags, const AudioTimeStamp* pTimestamp,
                             UInt32 outputBus, UInt32 nFrames, AudioBufferList* pBufferList);

  // ---- Members, in order ----

  WDL_String mBundleIdentifier;         // identifier of the plug-in's own bundle
  WDL_String mViewClassName;            // class name of the editor view factory
  char mDisplayText[32];                // scratch text for parameter value strings
  ComponentInstance mInstance;          // the instance the host opened; null before Open
  bool mUnitInitialized;                // true between Initialize and Uninitialize
  bool mOffline;                        // kAudioUnitProperty_OfflineRender
  double mLastSampleTime;               // sample time of the last render that pulled inputs; -1 at start
  double mLastTempo;                    // last tempo the host reported, beats per minute; 120 at start
  HostCallbacks mHostCallbackInfo;      // host callbacks; all null until set
  WDL_TypedBuf<float> mInputScratch;    // inputs x max frames: input samples the binding supplies
  WDL_TypedBuf<float> mOutputScratch;   // outputs x max frames: output space for host buffers without memory
  WDL_PtrList<RenderObserver> mRenderObservers;    // owned
  WDL_PtrList<BusChannels> mInputBuses;            // owned, one per input bus
  WDL_PtrList<BusChannels> mOutputBuses;           // owned, one per output bus
  WDL_PtrList<InputConnection> mInputConnections;  // owned, same index as mInputBuses
  WDL_PtrList<ListenerEntry> mListeners;           // owned, property listeners
  uint64_t mLastSerial;                 // serial of the newest listener or observer

private:
  ComponentResult DispatchLocked(int select, ComponentParameters* params);
  ComponentResult ScheduleParameters(const AudioUnitParameterEvent* pEvents, UInt32 nEvents);

  // ---- Render steps (IPlugAU_Render.cpp); the caller holds the mutex ----

  // Points every unconnected input channel at silence: its scratch buffer,
  // which holds the last block converted while it was connected, is
  // cleared. [main thread]
  void SilenceUnconnectedInputs();
  // One render call after the lock is taken; RenderProc's contract. [render thread]
  OSStatus Render(const AudioTimeStamp* pTimestamp, UInt32 outputBus, UInt32 nFrames, AudioBufferList* pBufferList);
  // noErr when the call can run without touching memory beyond the host's
  // buffers or the scratch buffers; else the error to return. [render thread]
  OSStatus CheckRenderArguments(const AudioTimeStamp* pTimestamp, UInt32 outputBus, UInt32 nFrames,
                                const AudioBufferList* pBufferList);
  // Pulls and binds every connected input bus; a source's error (or
  // kAudioUnitErr_NoConnection for a short answer) ends the pull. [render thread]
  OSStatus PullInputs(const AudioTimeStamp* pTimestamp, UInt32 nFrames);
  // Binds the host's buffers of outputBus, pointing null ones into mOutputScratch. [render thread]
  void BindOutputs(UInt32 outputBus, UInt32 nFrames, AudioBufferList* pBufferList);

  // ---- Property steps (IPlugAU_Properties.cpp) ----

  // noErr when scope is global (element 0), input or output with an existing
  // bus; else kAudioUnitErr_InvalidScope or kAudioUnitErr_InvalidElement. [main thread]
  OSStatus CheckScopeAndElement(AudioUnitScope scope, AudioUnitElement element);
  // noErr when a readable property with access rule `access` (the property
  // table's EReadableAccess) answers in scope and element; else its error. [main thread]
  OSStatus CheckReadableAccess(int access, AudioUnitScope scope, AudioUnitElement element);
  // Writes a readable property's value; scope, element and room were checked. [main thread]
  OSStatus ReadProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element, void* pData);
  // kAudioUnitProperty_ParameterIDName in global scope. [main thread]
  OSStatus GetParameterIDName(AudioUnitParameterIDName* pIDName);
  // Fills kAudioUnitProperty_ParameterInfo for parameter paramIdx (valid index). [main thread]
  void FillParameterInfo(int paramIdx, AudioUnitParameterInfo* pInfo);
  // kAudioUnitProperty_ParameterStringFromValue in global scope. [main thread]
  OSStatus GetParameterStringFromValue(AudioUnitParameterStringFromValue* pSFV);
  // kAudioUnitProperty_ParameterValueFromString in global scope. [main thread]
  OSStatus GetParameterValueFromString(AudioUnitParameterValueFromString* pVFS);
  // kAudioUnitProperty_CocoaUI: bundle URL and view class name. [main thread]
  OSStatus GetCocoaViewInfo(AudioUnitCocoaViewInfo* pViewInfo);
  // kAudioUnitProperty_StreamFormat set on an existing bus. A rate of 0 keeps
  // the current rate; linear PCM that is not one buffer of native 32-bit
  // floats per channel is refused with kAudioUnitErr_FormatNotSupported,
  // changing nothing. [main thread]
  OSStatus SetStreamFormat(AudioUnitScope scope, AudioUnitElement element, const AudioStreamBasicDescription* pASBD);
  // kAudioUnitProperty_MaximumFramesPerSlice: resizes every buffer or changes nothing. [main thread]
  OSStatus SetMaxFramesPerSlice(UInt32 nFrames);
  // kAudioUnitProperty_AUHostIdentifier. [main thread]
  OSStatus SetHostIdentifier(const AUHostIdentifier* pHostID);

  // ---- State steps (IPlugAU_State.cpp) ----

  // kAudioUnitProperty_CurrentPreset / PresentPreset read: index and a new name string. [main thread]
  OSStatus GetCurrentPreset(AUPreset* pAUPreset);
  // kAudioUnitProperty_CurrentPreset / PresentPreset set: restores that preset. [main thread]
  OSStatus SetCurrentPreset(const AUPreset* pAUPreset);
  // Posts one parameter event for parameter paramIdx to every event listener. [any thread]
  void PostParamEvent(AudioUnitEventType eventType, int paramIdx);
};

// Builds a new plug-in object under a process-wide lock. Defined once per
// plug-in by IPlug_include_in_plug_src.h; called by the Open selector. [main thread]
IPlugAU* MakePlug();

#endif
