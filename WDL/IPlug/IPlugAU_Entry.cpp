// Component entry of the Audio Unit binding: selector dispatch with its
// locking, scheduled parameters, the MusicDevice selectors, and the Carbon
// view component entry.
//
// Argument block: params->params[0] is the instance; argument i of the C call
// (after the instance) sits at the start of slot 1 + i, read with its own
// type. params->paramSize counts the argument bytes, 8 per argument.

#include "IPlugAU.h"

#include <math.h>
#include <string.h>

#include "IGraphics.h"

namespace
{
// Reads argument i (0 = first after the instance) with its declared type.
template <class T>
T Arg(const ComponentParameters* params, int i)
{
  T value;
  memcpy(&value, &params->params[1 + i], sizeof(T));
  return value;
}

// True when the block carries at least nArgs argument slots.
bool HasArgs(const ComponentParameters* params, int nArgs)
{
  return params->paramSize >= nArgs * (int) sizeof(long);
}

// Argument slots each selector reads; -1 for selectors it does not serve.
int NArgsOf(int select)
{
  switch (select)
  {
    case kComponentCanDoSelect: return 1;
    case kComponentVersionSelect: return 0;
    case kAudioUnitInitializeSelect: return 0;
    case kAudioUnitUninitializeSelect: return 0;
    case kAudioUnitGetPropertyInfoSelect: return 5;
    case kAudioUnitGetPropertySelect: return 5;
    case kAudioUnitSetPropertySelect: return 5;
    case kAudioUnitGetParameterSelect: return 4;
    case kAudioUnitSetParameterSelect: return 5;
    case kAudioUnitResetSelect: return 2;
    case kAudioUnitAddPropertyListenerSelect: return 3;
    case kAudioUnitRemovePropertyListenerSelect: return 2;
    case kAudioUnitRenderSelect: return 5;
    case kAudioUnitAddRenderNotifySelect: return 2;
    case kAudioUnitRemoveRenderNotifySelect: return 2;
    case kAudioUnitScheduleParametersSelect: return 2;
    case kAudioUnitRemovePropertyListenerWithUserDataSelect: return 3;
    case kMusicDeviceMIDIEventSelect: return 4;
    case kMusicDeviceSysExSelect: return 2;
    case kMusicDevicePrepareInstrumentSelect: return 1;
    case kMusicDeviceReleaseInstrumentSelect: return 1;
    case kMusicDeviceStartNoteSelect: return 5;
    case kMusicDeviceStopNoteSelect: return 3;
    default: return -1;
  }
}

// Selectors CanDo reports. kAudioUnitRemovePropertyListenerWithUserDataSelect
// and the MusicDevice selectors are served but not reported.
bool CanDo(int select)
{
  switch (select)
  {
    case kAudioUnitInitializeSelect:
    case kAudioUnitUninitializeSelect:
    case kAudioUnitGetPropertyInfoSelect:
    case kAudioUnitGetPropertySelect:
    case kAudioUnitSetPropertySelect:
    case kAudioUnitGetParameterSelect:
    case kAudioUnitSetParameterSelect:
    case kAudioUnitResetSelect:
    case kAudioUnitAddPropertyListenerSelect:
    case kAudioUnitRemovePropertyListenerSelect:
    case kAudioUnitRenderSelect:
    case kAudioUnitAddRenderNotifySelect:
    case kAudioUnitRemoveRenderNotifySelect:
    case kAudioUnitScheduleParametersSelect:
      return true;
    default:
      return false;
  }
}

// A MIDI note number or velocity from a host's floating-point note
// parameters: truncated, kept within 0..127 so it fits the message byte.
int NoteByte(Float32 value)
{
  if (!(value > 0.0f)) return 0;  // also NaN
  if (value >= 127.0f) return 127;
  return (int) value;
}

// Plug-ins opened through the entry and not yet closed. The Carbon view
// looks an edited unit's storage up here before using it as a plug-in, so a
// unit of another component is refused instead of misread. The list and its
// lock are made on first use and never destroyed: a host may close a unit
// from its own static destructors while the process exits.
WDL_Mutex& LivePlugsLock()
{
  static WDL_Mutex* s_livePlugsLock = new WDL_Mutex;
  return *s_livePlugsLock;
}

WDL_PtrList<IPlugAU>& LivePlugs()
{
  static WDL_PtrList<IPlugAU>* s_livePlugs = new WDL_PtrList<IPlugAU>;
  return *s_livePlugs;
}

void AddLivePlug(IPlugAU* pPlug)
{
  WDL_MutexLock lock(&LivePlugsLock());
  LivePlugs().Add(pPlug);
}

void RemoveLivePlug(IPlugAU* pPlug)
{
  WDL_MutexLock lock(&LivePlugsLock());
  LivePlugs().Delete(LivePlugs().Find(pPlug));
}

// pStorage as a plug-in if it is one opened here, else null.
IPlugAU* LivePlug(void* pStorage)
{
  WDL_MutexLock lock(&LivePlugsLock());
  const int idx = pStorage ? LivePlugs().Find((IPlugAU*) pStorage) : -1;
  return LivePlugs().Get(idx);
}

// One Carbon view component instance.
struct CarbonViewRecord
{
  ComponentInstance viewInstance;  // the view component instance
  IPlugAU* pPlug;                  // the plug-in shown, null until created
};
}  // namespace

ComponentResult IPlugAU::IPlugAUEntry(ComponentParameters* params, void* pPlug)
{
  if (!params) return kAudio_ParamError;
  const int select = params->what;
  TRACE_HERE("(%d:%s)", select, AUSelectStr(select));

  IPlugAU* _this = (IPlugAU*) pPlug;

  if (select == kComponentOpenSelect)
  {
    // Construction is serialised by MakePlug's own lock; the object is not
    // reachable by anyone else until its storage is registered.
    ComponentInstance instance = (ComponentInstance) params->params[0];
    _this = MakePlug();
    _this->HostSpecificInit();
    _this->PruneUninitializedPresets();
    _this->mInstance = instance;
    AddLivePlug(_this);
    SetComponentInstanceStorage(instance, (Handle) _this);
    return noErr;
  }

  if (select == kComponentCloseSelect)
  {
    if (_this)
    {
      RemoveLivePlug(_this);
      _this->ClearConnections();
      delete _this;
    }
    return noErr;
  }

  if (!_this) return badComponentInstance;

  WDL_MutexLock lock(&_this->mMutex);
  return _this->DispatchLocked(select, params);
}

ComponentResult IPlugAU::DispatchLocked(int select, ComponentParameters* params)
{
  const int nArgs = NArgsOf(select);
  if (nArgs < 0) return badComponentSelector;
  if (!HasArgs(params, nArgs)) return kAudio_ParamError;

  switch (select)
  {
    case kComponentCanDoSelect:
      return CanDo(Arg<SInt16>(params, 0)) ? 1 : 0;

    case kComponentVersionSelect:
      return GetEffectVersion(false);

    case kAudioUnitInitializeSelect:
    {
      // Channel counts the plug-in does not take (one side mono, the other
      // stereo) or a bus without channels cannot render: the same refusal a
      // host gets for such a stream format.
      if (HasBusWithoutChannels() || !CheckLegalIO()) return kAudioUnitErr_FormatNotSupported;
      // Rendering starts afresh: the first render pulls its input whatever
      // its time stamp, and every output bus binds its channels again.
      mLastSampleTime = -1.0;
      for (int i = 0; i < mOutputBuses.GetSize(); ++i) mOutputBuses.Get(i)->connected = false;
      mUnitInitialized = true;
      OnParamReset();
      OnChannelLayout(NHostChannelsConnected(&mInputBuses), NHostChannelsConnected(&mOutputBuses));
      OnActivate(true);
      return noErr;
    }

    case kAudioUnitUninitializeSelect:
      mUnitInitialized = false;
      OnActivate(false);
      return noErr;

    case kAudioUnitGetPropertyInfoSelect:
    {
      UInt32* pDataSize = Arg<UInt32*>(params, 3);
      Boolean* pWritable = Arg<Boolean*>(params, 4);
      UInt32 localSize = 0;
      Boolean localWritable = false;
      if (!pDataSize) pDataSize = &localSize;
      if (!pWritable) pWritable = &localWritable;
      *pWritable = false;
      return GetProperty(Arg<AudioUnitPropertyID>(params, 0), Arg<AudioUnitScope>(params, 1),
                         Arg<AudioUnitElement>(params, 2), pDataSize, pWritable, 0);
    }

    case kAudioUnitGetPropertySelect:
    {
      // The property code compares *pDataSize, the room the host gave, with
      // the property's size before it writes anything.
      UInt32* pDataSize = Arg<UInt32*>(params, 4);
      UInt32 localSize = 0;
      Boolean writable = false;
      if (!pDataSize) pDataSize = &localSize;
      return GetProperty(Arg<AudioUnitPropertyID>(params, 0), Arg<AudioUnitScope>(params, 1),
                         Arg<AudioUnitElement>(params, 2), pDataSize, &writable, Arg<void*>(params, 3));
    }

    case kAudioUnitSetPropertySelect:
    {
      // The property code reads only as many bytes as dataSize says are there.
      UInt32 dataSize = Arg<UInt32>(params, 4);
      return SetProperty(Arg<AudioUnitPropertyID>(params, 0), Arg<AudioUnitScope>(params, 1),
                         Arg<AudioUnitElement>(params, 2), &dataSize, Arg<const void*>(params, 3));
    }

    case kAudioUnitGetParameterSelect:
      return GetParamProc(this, Arg<AudioUnitParameterID>(params, 0), Arg<AudioUnitScope>(params, 1),
                          Arg<AudioUnitElement>(params, 2), Arg<AudioUnitParameterValue*>(params, 3));

    case kAudioUnitSetParameterSelect:
      return SetParamProc(this, Arg<AudioUnitParameterID>(params, 0), Arg<AudioUnitScope>(params, 1),
                          Arg<AudioUnitElement>(params, 2), Arg<AudioUnitParameterValue>(params, 3),
                          Arg<UInt32>(params, 4));

    case kAudioUnitResetSelect:
      Reset();
      return noErr;

    case kAudioUnitAddPropertyListenerSelect:
      return AddPropertyListener(Arg<AudioUnitPropertyID>(params, 0),
                                 Arg<AudioUnitPropertyListenerProc>(params, 1), Arg<void*>(params, 2));

    case kAudioUnitRemovePropertyListenerSelect:
      return RemovePropertyListener(Arg<AudioUnitPropertyID>(params, 0),
                                    Arg<AudioUnitPropertyListenerProc>(params, 1), false, 0);

    case kAudioUnitRemovePropertyListenerWithUserDataSelect:
      return RemovePropertyListener(Arg<AudioUnitPropertyID>(params, 0),
                                    Arg<AudioUnitPropertyListenerProc>(params, 1), true, Arg<void*>(params, 2));

    case kAudioUnitRenderSelect:
      return RenderProc(this, Arg<AudioUnitRenderActionFlags*>(params, 0), Arg<const AudioTimeStamp*>(params, 1),
                        Arg<UInt32>(params, 2), Arg<UInt32>(params, 3), Arg<AudioBufferList*>(params, 4));

    case kAudioUnitAddRenderNotifySelect:
      return AddRenderObserver(Arg<AURenderCallback>(params, 0), Arg<void*>(params, 1));

    case kAudioUnitRemoveRenderNotifySelect:
      return RemoveRenderObserver(Arg<AURenderCallback>(params, 0));

    case kAudioUnitScheduleParametersSelect:
      return ScheduleParameters(Arg<const AudioUnitParameterEvent*>(params, 0), Arg<UInt32>(params, 1));

    case kMusicDeviceMIDIEventSelect:
    {
      IMidiMsg msg;
      msg.mOffset = (int) Arg<UInt32>(params, 3);
      msg.mStatus = (unsigned char) Arg<UInt32>(params, 0);
      msg.mData1 = (unsigned char) Arg<UInt32>(params, 1);
      msg.mData2 = (unsigned char) Arg<UInt32>(params, 2);
      ProcessMidiMsg(&msg);
      return noErr;
    }

    case kMusicDeviceSysExSelect:
    {
      const UInt8* pData = Arg<const UInt8*>(params, 0);
      const UInt32 length = Arg<UInt32>(params, 1);
      if (length > 0x7FFFFFFF || (length && !pData)) return kAudio_ParamError;
      ISysEx sysEx;
      sysEx.mOffset = 0;
      sysEx.mSize = (int) length;
      sysEx.mData = pData;
      ProcessSysEx(&sysEx);
      return noErr;
    }

    case kMusicDevicePrepareInstrumentSelect:
    case kMusicDeviceReleaseInstrumentSelect:
      return noErr;

    case kMusicDeviceStartNoteSelect:
    {
      NoteInstanceID* pNoteID = Arg<NoteInstanceID*>(params, 2);
      const UInt32 offset = Arg<UInt32>(params, 3);
      const MusicDeviceNoteParams* pNoteParams = Arg<const MusicDeviceNoteParams*>(params, 4);
      if (!pNoteParams) return kAudio_ParamError;
      const int note = NoteByte(pNoteParams->mPitch);
      if (pNoteID) *pNoteID = (NoteInstanceID) note;
      IMidiMsg msg;
      msg.MakeNoteOnMsg(note, NoteByte(pNoteParams->mVelocity), (int) offset, 0);
      ProcessMidiMsg(&msg);
      return noErr;
    }

    case kMusicDeviceStopNoteSelect:
    {
      const NoteInstanceID noteID = Arg<NoteInstanceID>(params, 1);
      const UInt32 offset = Arg<UInt32>(params, 2);
      IMidiMsg msg;
      msg.MakeNoteOffMsg(noteID > 127 ? 127 : (int) noteID, (int) offset, 0);
      ProcessMidiMsg(&msg);
      return noErr;
    }
  }
  return badComponentSelector;
}

ComponentResult IPlugAU::ScheduleParameters(const AudioUnitParameterEvent* pEvents, UInt32 nEvents)
{
  if (nEvents && !pEvents) return kAudio_ParamError;
  for (UInt32 i = 0; i < nEvents; ++i)
  {
    const AudioUnitParameterEvent& event = pEvents[i];
    // Ramps are not rendered: every change takes effect for a whole block.
    if (event.eventType != kParameterEvent_Immediate) continue;
    const OSStatus result = SetParamProc(this, event.parameter, event.scope, event.element,
                                         event.eventValues.immediate.value,
                                         event.eventValues.immediate.bufferOffset);
    if (result != noErr) return result;
  }
  return noErr;
}

IPlugAU* IPlugAU::OpenPlugOf(AudioUnit unit)
{
  return LivePlug(unit ? (void*) GetComponentInstanceStorage(unit) : 0);
}

ComponentResult IPlugAU::IPlugAUCarbonViewEntry(ComponentParameters* params, void* pView)
{
  if (!params) return kAudio_ParamError;
  const int select = params->what;
  TRACE_HERE("(%d:%s)", select, AUSelectStr(select));

  CarbonViewRecord* pRecord = (CarbonViewRecord*) pView;
  switch (select)
  {
    case kComponentOpenSelect:
    {
      pRecord = new CarbonViewRecord;
      pRecord->viewInstance = (ComponentInstance) params->params[0];
      pRecord->pPlug = 0;
      SetComponentInstanceStorage(pRecord->viewInstance, (Handle) pRecord);
      return noErr;
    }

    case kAudioUnitCarbonViewCreateSelect:
    {
      // (edited unit, window, parent control, location, size, out-control)
      if (!pRecord) return badComponentInstance;
      if (!HasArgs(params, 6)) return kAudio_ParamError;
      AudioUnit unit = Arg<AudioUnit>(params, 0);
      void** pOutControl = Arg<void**>(params, 5);
      pRecord->pPlug = LivePlug(unit ? (void*) GetComponentInstanceStorage(unit) : 0);
      if (!pRecord->pPlug || !pRecord->pPlug->GetGUI()) return badComponentSelector;
      // Carbon windows are not supported: the editor offers no Carbon view,
      // so the host gets success and no control.
      if (pOutControl) *pOutControl = 0;
      return noErr;
    }

    case kComponentCloseSelect:
    {
      // The Carbon view never opened a window, so there is nothing of the
      // editor's to close here; closing it would take away a view the host
      // opened through the view factory.
      delete pRecord;
      return noErr;
    }
  }
  return badComponentSelector;
}
