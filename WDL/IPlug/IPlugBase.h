// Host-independent core of every plug-in object.
//
// IPlugBase owns the parameters, the preset slots, the legal channel
// configurations, the per-channel records that connect host buffers to the
// processing call, the recursive mutex that serialises parameter and state
// changes, and the editor. A host binding derives from it and supplies the
// operations that talk to the host; the plug-in derives from the binding and
// overrides ProcessDoubleReplacing, OnParamChange and Reset.
//
// Threads: construction, parameters, state, presets and the editor live on
// the host's main thread; the processing frame (Attach*Buffers,
// ProcessBuffers*, PassThroughBuffers) runs on the render thread, allocates
// nothing and takes no lock (the caller serialises it against parameter and
// state changes).
#ifndef IPLUG_IPLUGBASE_H_
#define IPLUG_IPLUGBASE_H_

#include "Containers.h"
#include "Hosts.h"
#include "IParam.h"
#include "IPlugStructs.h"
#include "Log.h"
#include "heapbuf.h"
#include "mutex.h"
#include "ptrlist.h"
#include "wdlstring.h"

class IGraphics;
class NChanDelayLine;

// Which host binding built the plug-in object.
enum EAPI
{
  kAPIVST2 = 0,
  kAPIVST3 = 1,
  kAPIAU = 2,
  kAPIRTAS = 3,
  kAPIAAX = 4,
  kAPISA = 5,  // stand-alone
  kAPILV2 = 6  // LV2 hosts (Linux)
};

class IPlugBase
{
public:
  // One legal channel configuration.
  struct ChannelIO
  {
    ChannelIO(int nIn, int nOut) : mIn(nIn), mOut(nOut) {}
    int mIn;   // input channels
    int mOut;  // output channels
  };

  // Binding record of one input channel. mSrc always points at this channel's
  // entry in mInData; the entry points at a host buffer (connected, double
  // input) or at mScratchBuf (unconnected, or float input converted there).
  struct InChannel
  {
    bool mConnected = false;
    double** mSrc = nullptr;
    WDL_TypedBuf<double> mScratchBuf;  // max(mBlockSize, 1) samples
    WDL_String mLabel;
  };

  // Binding record of one output channel. mDest always points at this
  // channel's entry in mOutData; mFDest is the host's float buffer that the
  // float processing frame converts into (null until bound).
  struct OutChannel
  {
    bool mConnected = false;
    double** mDest = nullptr;
    float* mFDest = nullptr;
    WDL_TypedBuf<double> mScratchBuf;  // max(mBlockSize, 1) samples
    WDL_String mLabel;
  };

  // Builds the plug-in core: nParams untyped parameters, nPresets empty
  // preset slots ("empty", not initialised), the names (cut to 127
  // characters), and the channel configurations parsed from channelIOStr
  // (entries "<in>-<out>" separated by spaces, e.g. "1-1 2-2"; null gives
  // none) with one channel record per input and output of the widest entry.
  // Every channel starts unconnected with its data entry on its scratch
  // buffer. version is packed (major << 16 | minor << 8 | bugfix); uniqueID
  // and mfrID are four-character codes; latency in samples; plugDoesMidi is
  // not stored. [main thread]
  IPlugBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName, const char* productName,
            const char* mfrName, int version, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
            bool plugDoesChunks, bool plugIsInst, EAPI plugAPI);

  // Deletes the editor, parameters, presets, channel records, bus labels and
  // delay line. [main thread]
  virtual ~IPlugBase();

  IPlugBase(const IPlugBase&) = delete;
  IPlugBase& operator=(const IPlugBase&) = delete;

  // ---- Virtual operations, in slot order ----
  // Operations marked "binding" talk to the host; the base gives a harmless
  // default (nothing, 0 or false) so that a plug-in can run without a host.

  // 1. Clears processing state; the base only takes and releases the mutex.
  // Plug-ins take the mutex themselves. [main thread]
  virtual void Reset();
  // 2. Recomputes whatever depends on parameter paramIdx; the base only takes
  // and releases the mutex. Plug-ins take the mutex themselves; every caller
  // already holds it, so the call never waits there. Called on the host's
  // main thread (host, editor, state, presets, initialisation) and also on
  // the render thread between blocks: the LV2 binding applies changed port
  // values at the start of run(). An override must therefore not allocate,
  // block or do I/O, and may update the editor only through the calls that
  // just store a value (SetControlFromPlug, ITextControl::SetTextFromPlug).
  // [any thread, the mutex held]
  virtual void OnParamChange(int paramIdx);
  // 3. Processes nFrames samples per channel: inputs[i] and outputs[i] point
  // at NInChannels() / NOutChannels() buffers. The base copies input i to
  // output i for i below both counts and zeroes the other outputs. Must not
  // allocate. [render thread]
  virtual void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);
  // 4. The same in single precision; not used by the Audio Unit binding. [render thread]
  virtual void ProcessSingleReplacing(float** inputs, float** outputs, int nFrames);
  // 5. The editor window opened. [main thread]
  virtual void OnGUIOpen() {}
  // 6. The editor window is closing. [main thread]
  virtual void OnGUIClose() {}
  // 7. Idle time from the host. [main thread]
  virtual void OnIdle() {}
  // 8. The host (de)activates the plug-in; the base takes and releases the mutex. [main thread]
  virtual void OnActivate(bool active);
  // 9. A MIDI message for the plug-in; the base passes it on with SendMidiMsg. [render thread]
  virtual void ProcessMidiMsg(IMidiMsg* pMsg);
  // 10. A system-exclusive message for the plug-in; the base ignores it. [render thread]
  virtual void ProcessSysEx(ISysEx* /*pSysEx*/) {}
  // 11. Writes the name of a MIDI note into name; the base writes "" and
  // returns false. [main thread]
  virtual bool MidiNoteName(int noteNumber, char* name);
  // 12. Appends the plug-in's state to pChunk; the base appends the parameter
  // block (SerializeParams). Returns true on success. [main thread]
  virtual bool SerializeState(ByteChunk* pChunk);
  // 13. Restores the state from pChunk at byte startPos; the base reads the
  // parameter block (UnserializeParams). Returns the position after the
  // state, or -1. [main thread]
  virtual int UnserializeState(ByteChunk* pChunk, int startPos);
  // 14. True if every parameter, converted to single precision, lies within
  // 0.00001 of the matching double of incomingState (converted likewise),
  // starting startPos doubles in. [main thread]
  virtual bool CompareState(const unsigned char* incomingState, int startPos);
  // 15. The editor window was resized. [main thread]
  virtual void OnWindowResize() {}
  // 16. The host asks for an about box; false when the plug-in shows none. [main thread]
  virtual bool HostRequestingAboutBox() { return false; }
  // 17. The host has just been identified (mHost is set). [main thread]
  virtual void OnHostIdentified() {}
  // 18. Asks the host to show its context menu for a parameter at editor
  // pixel (x, y); the base does nothing. [main thread]
  virtual void PopupHostContextMenuForParam(int /*paramIdx*/, int /*x*/, int /*y*/) {}
  // One line in plain words on what parameter paramIdx does, for the
  // editor's readout; null (the base) for none. [main thread]
  virtual const char* GetParamDescription(int /*paramIdx*/) { return nullptr; }
  // 19. An edit from the editor: under the mutex, sets the parameter from the
  // normalised value (mapping, snapping, upper clamp), informs the host with
  // the value as received, then calls OnParamChange. An index outside the
  // table or a non-finite value is ignored. [main thread]
  virtual void SetParameterFromGUI(int paramIdx, double normalizedValue);
  // 20. The host settled the channel layout the plug-in runs with: nIn
  // inputs and nOut outputs (-1 where the host named none). Called as an
  // Audio Unit initialises, as an LV2 instance is made, and as an LV2 UI
  // opens for one channel variant; the base does nothing. [main thread]
  virtual void OnChannelLayout(int /*nIn*/, int /*nOut*/) {}
  // 20. binding: a gesture on parameter paramIdx begins. [main thread]
  virtual void BeginInformHostOfParamChange(int /*paramIdx*/) {}
  // 21. binding: parameter paramIdx changed to normalizedValue (0..1). [main thread]
  virtual void InformHostOfParamChange(int /*paramIdx*/, double /*normalizedValue*/) {}
  // 22. binding: the gesture on parameter paramIdx ends. [main thread]
  virtual void EndInformHostOfParamChange(int /*paramIdx*/) {}
  // 23. binding: the current program (preset) changed. [main thread]
  virtual void InformHostOfProgramChange() {}
  // 24. binding: true while the host renders offline; the base returns false. [any thread]
  virtual bool IsRenderingOffline() { return false; }
  // 25. binding: transport position of the block start in samples; 0 in the base. [render thread]
  virtual double GetSamplePos() { return 0.0; }
  // 26. binding: tempo in beats per minute; 0 in the base. [render thread]
  virtual double GetTempo() { return 0.0; }
  // 27. binding: time signature; the base writes 0/0 (null pointers skipped). [render thread]
  virtual void GetTimeSig(int* pNum, int* pDenom);
  // 28. binding: fills the fields the host reports; the base leaves the
  // record as the caller initialised it. [render thread]
  virtual void GetTime(ITimeInfo* /*pTimeInfo*/) {}
  // 29. The host's identity; the binding identifies the host on first use. [main thread]
  virtual EHost GetHost() { return mHost; }
  // 30. Which binding built the object. [any thread]
  virtual EAPI GetAPI() { return mAPI; }
  // 31. binding: the editor changed its size to w x h pixels. [main thread]
  virtual void ResizeGraphics(int /*w*/, int /*h*/) {}
  // 32. Host-specific set-up after construction; the base does nothing. [main thread]
  virtual void HostSpecificInit() {}
  // 33. Takes ownership of the editor: under the mutex, pushes every
  // parameter's normalised value into it, lets it prepare its drawing, and
  // keeps it (deleting an editor attached before). Null does nothing. [main thread]
  virtual void AttachGraphics(IGraphics* pGraphics);
  // 34. Stores the latency in samples and gives the pass-through delay that
  // length (clearing its history); the binding also tells the host. [main thread]
  virtual void SetLatency(int samples);
  // 35. binding: sends a MIDI message to the host; false in the base. [render thread]
  virtual bool SendMidiMsg(IMidiMsg* /*pMsg*/) { return false; }
  // 36. Sends a system-exclusive message to the host; false in the base. [render thread]
  virtual bool SendSysEx(ISysEx* /*pSysEx*/) { return false; }
  // 37. Tells the editor (if any) every parameter's real value. No lock. [main thread]
  virtual void RedrawParamControls();
  // 38. Host-specific state comparison hook; the base does nothing. [main thread]
  virtual void DirtyPTCompareState() {}
  // 39. The presets were changed by a restore; the base does nothing. [main thread]
  virtual void PresetsChangedByHost() {}
  // 40. Sizes every scratch buffer for blocks of up to blockSize frames and
  // zeroes it; the same size changes nothing. A negative size, or one whose
  // buffers cannot be allocated (sizes are computed in 64 bits), is refused:
  // buffers and mBlockSize stay and false is returned. Unconnected channels
  // (and channels bound to their scratch buffer) follow their buffer.
  // May allocate. [main thread]
  virtual bool SetBlockSize(int blockSize);

  // ---- Channel configuration ----

  // True if some configuration has nIn inputs and nOut outputs; a negative
  // count matches any. [main thread]
  bool LegalIO(int nIn, int nOut);
  // Number of input / output channel records. [any thread]
  int NInChannels() { return mInChannels.GetSize(); }
  int NOutChannels() { return mOutChannels.GetSize(); }
  // True for a channel index below the count whose channel is connected. [any thread]
  bool IsInChannelConnected(int chIdx);
  bool IsOutChannelConnected(int chIdx);
  // Marks channels idx .. idx + n - 1 (those that exist) connected or not; an
  // unconnected channel's data entry is pointed at its scratch buffer (reads
  // its content, writes are discarded). [main thread or render thread]
  void SetInputChannelConnections(int idx, int n, bool connected);
  void SetOutputChannelConnections(int idx, int n, bool connected);

  // ---- Buffer binding (before each processing call) ----
  // Each walks channels idx .. idx + n - 1 that exist and consumes one host
  // pointer from ppData per connected channel only. A null ppData binds
  // nothing; a null host buffer leaves that channel on its scratch buffer.
  // nFrames is limited to mBlockSize. [render thread]

  // Connected inputs read the host's double buffers directly.
  void AttachInputBuffers(int idx, int n, double** ppData, int nFrames);
  // Connected inputs convert nFrames host floats into their scratch buffers.
  void AttachInputBuffers(int idx, int n, float** ppData, int nFrames);
  // Connected outputs write the host's double buffers directly.
  void AttachOutputBuffers(int idx, int n, double** ppData);
  // Connected outputs write their scratch buffers; the float frame converts
  // them into the host's float buffers.
  void AttachOutputBuffers(int idx, int n, float** ppData);

  // ---- Processing frame ----
  // The first argument only selects the sample type. nFrames is limited to
  // 0 .. mBlockSize whenever a scratch buffer is involved (always for float;
  // for double when some channel is bound to its scratch buffer). Allocates
  // nothing, takes no lock. [render thread]

  // Calls ProcessDoubleReplacing on the bound buffers.
  void ProcessBuffers(double, int nFrames);
  // As above, then converts every connected output to the host's floats.
  void ProcessBuffers(float, int nFrames);
  // As above, adding each converted sample to the host's float buffer.
  void ProcessBuffersAccumulating(float, int nFrames);
  // Copies inputs to outputs without calling the plug-in, delayed by the
  // latency (output i = input i for i below both counts, other outputs
  // zeroed). The processing calls above keep the delay's history current, so
  // switching between the two is seamless.
  void PassThroughBuffers(double, int nFrames);
  // As above, then converts every connected output to the host's floats.
  void PassThroughBuffers(float, int nFrames);

  // ---- Set-up ----

  // Stores the sample rate in Hz. [main thread]
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  // True for a rate the processing can run at: finite and within 1 Hz ..
  // 10 MHz. Bindings refuse any other rate a host offers before storing it;
  // beyond these bounds filter coefficients and timers lose their meaning
  // (a subnormal rate divides to infinity). [any thread]
  static bool IsUsableSampleRate(double sampleRateHz) { return sampleRateHz >= 1.0 && sampleRateHz <= 1.0e7; }
  // Fills every scratch buffer with zeros (mBlockSize samples each). [main thread]
  void ZeroScratchBuffers();

  // ---- Labels ----

  // Label of channel idx; an index out of range is ignored. May allocate. [main thread]
  void SetInputLabel(int idx, const char* label);
  void SetOutputLabel(int idx, const char* label);
  // Name of input bus idx (0 main, 1 auxiliary; others ignored) or output bus
  // idx (any idx >= 0). Replaces the label at idx, or appends when idx is
  // beyond the list. May allocate. [main thread]
  void SetInputBusLabel(int idx, const char* label);
  void SetOutputBusLabel(int idx, const char* label);
  // Label of a channel or bus, or null when there is none. [main thread]
  const char* GetInputLabel(int idx);
  const char* GetOutputLabel(int idx);
  const char* GetInputBusLabel(int idx);
  const char* GetOutputBusLabel(int idx);

  // ---- Parameters ----

  // Parameter idx, or null for an index outside the table. [any thread]
  IParam* GetParam(int idx) { return mParams.Get(idx); }
  // Number of parameters. [any thread]
  int NParams() { return mParams.GetSize(); }
  // OnParamChange for every parameter in index order; takes no lock (callers
  // hold the mutex). [main thread]
  void OnParamReset();
  // Under the mutex, informs the host of every parameter's normalised value. [main thread]
  void DirtyParameters();

  // ---- MIDI output ----

  // SendMidiMsg for every message in order; true only if every call returned
  // true. [render thread]
  bool SendMidiMsgs(WDL_TypedBuf<IMidiMsg>* pMsgs);

  // ---- Host and version ----

  // Identifies the host from its application name and stores its packed
  // version. [main thread]
  void SetHost(const char* host, int version);
  // The plug-in's packed version, or its decimal form. [any thread]
  int GetEffectVersion(bool decimal);
  // The host's packed version (after GetHost), or its decimal form. [main thread]
  int GetHostVersion(bool decimal);
  // "v1.2.2" forms of the plug-in's and the host's versions; str holds
  // kMaxVersionStrLen bytes. [main thread]
  void GetEffectVersionStr(char* str);
  void GetHostVersionStr(char* str);
  // Samples per beat at the host's tempo, or 0 when the tempo is not
  // positive. [render thread]
  double GetSamplesPerBeat();
  // Name of the API ("AU", ...; "" for unknown values). [any thread]
  const char* GetAPIString();
  // Processor architecture of the build ("x64" on 64-bit Intel). [any thread]
  const char* GetArchString();

  // ---- Accessors ----

  double GetSampleRate() { return mSampleRate; }         // Hz [any thread]
  int GetBlockSize() { return mBlockSize; }              // frames [any thread]
  int GetLatency() { return mLatency; }                  // samples [any thread]
  int GetUniqueID() { return mUniqueID; }                // [any thread]
  int GetMfrID() { return mMfrID; }                      // [any thread]
  const char* GetEffectName() { return mEffectName; }    // [any thread]
  const char* GetMfrName() { return mMfrName; }          // [any thread]
  const char* GetProductName() { return mProductName; }  // [any thread]
  bool DoesStateChunks() { return mStateChunks; }        // [any thread]
  bool IsInst() { return mIsInst; }                      // [any thread]
  int GetCurrentPresetIdx() { return mCurrentPresetIdx; }  // [main thread]
  IGraphics* GetGUI() { return mGraphics; }              // [main thread]
  // The plug-in's recursive lock, for an editor that reads parameters from
  // the UI thread while the host sets them on its own. [any thread]
  WDL_Mutex* GetMutex() { return &mMutex; }

  // ---- State and presets ----

  // Appends every parameter's value (8-byte double, index order) under the
  // mutex; true when every append succeeded. [main thread]
  bool SerializeParams(ByteChunk* pChunk);
  // Reads the parameter block at startPos under the mutex (values clamped
  // into range), then OnParamChange for every parameter. Returns the position
  // after the block, or -1 when the data ran out. [main thread]
  int UnserializeParams(ByteChunk* pChunk, int startPos);
  // Appends every preset slot (name, initialised flag, state when
  // initialised). [main thread]
  bool SerializePresets(ByteChunk* pChunk);
  // Rebuilds the slots from pChunk at startPos, then restores the current
  // preset. A slot takes its stored name, flag and state only when its state
  // was read whole; reading stops at the first slot that cannot be. Returns
  // the position after the list, or -1. [main thread]
  int UnserializePresets(ByteChunk* pChunk, int startPos);
  // Empties pChunk and writes the framework version tag. [any thread]
  static void InitChunkWithIPlugVer(ByteChunk* pChunk);
  // Reads an optional framework version tag at *pPos: returns the version and
  // advances *pPos, or returns 0 leaving *pPos when there is no tag. [any thread]
  static int GetIPlugVerFromChunk(ByteChunk* pChunk, int* pPos);

  // Preset creation, used from the plug-in constructor; each fills the first
  // uninitialised slot and does nothing when none is left. [main thread]
  // Fills up to nPresets slots with the live state under name ("Empty" when null).
  void MakeDefaultPreset(const char* name = nullptr, int nPresets = 1);
  // One slot from one value per parameter (int for bool/int/enum, else double).
  void MakePreset(const char* name, ...);
  // One slot from nParamsNamed (index, value) pairs; others keep the live value.
  void MakePresetFromNamedParams(const char* name, int nParamsNamed, ...);
  // One slot from base64 text decoded into sizeOfChunk bytes.
  void MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk);
  // One slot holding a copy of pChunk's bytes.
  void MakePresetFromChunk(const char* name, ByteChunk* pChunk);
  // Fills every remaining slot with the live state, named "Empty".
  void EnsureDefaultPreset();

  // Deletes every uninitialised slot, keeping the order of the rest. [main thread]
  void PruneUninitializedPresets();
  // Makes slot idx current, loading its state (or capturing the live state
  // into an uninitialised slot). False for an index out of range or a stored
  // state that cannot be read whole; false changes nothing. [main thread]
  bool RestorePreset(int idx);
  // RestorePreset of the first slot named name; false for null, "" or no match. [main thread]
  bool RestorePreset(const char* name);
  // Name of slot idx, or "" out of range. [main thread]
  const char* GetPresetName(int idx);
  // Stores the live state (and name, if not null or empty) in the current
  // slot. [main thread]
  void ModifyCurrentPreset(const char* name = nullptr);
  // Number of preset slots. [main thread]
  int NPresets();
  // Developer dumps of the current preset as source text. [main thread]
  void DumpPresetSrcCode(const char* filename, const char* paramEnumNames[]);
  void DumpPresetBlob(const char* filename);

  // ---- Program and bank files ----
  // A program file holds the live state under the current preset's name; a
  // bank file holds every preset slot and the current index. Both come in a
  // parameter form (big-endian normalised floats) and, for a plug-in that
  // saves state chunks, a chunk form carrying the state chunk or preset list.
  // Loading refuses a file that is not for this plug-in, or cannot be read
  // whole (a program or bank cut short included), with false and nothing
  // changed.

  // Largest program or bank file loaded, in bytes; larger files are refused
  // unread. A bank of every slot of a large plug-in stays far below it.
  static constexpr long kMaxProgramFileBytes = 64L * 1024 * 1024;

  // Dialog versions: ask the editor for a path (starting in the folder of the
  // previous dialog) and work on it. False without an editor, when the user
  // cancels, or when the work fails. [main thread]
  bool SaveProgramAsFXP(const char* defaultFileName);
  bool SaveBankAsFXB(const char* defaultFileName);
  bool LoadProgramFromFXP();
  bool LoadBankFromFXB();

  // The same on a given path. A save replaces the file only once the whole
  // new file is written (nothing is left half-written on a full disk); a
  // symbolic link stays a link and the file it names is replaced. Loading
  // reads regular files only. [main thread]
  bool SaveProgramAsFXPFile(const char* path);
  bool SaveBankAsFXBFile(const char* path);
  bool LoadProgramFromFXPFile(const char* path);
  bool LoadBankFromFXBFile(const char* path);

  // The same on the bytes of a file: the Make operations empty pFile and
  // build the whole file in it; the Load operations read pFile from its
  // start. [main thread]
  bool MakeProgramFXP(ByteChunk* pFile);
  bool MakeBankFXB(ByteChunk* pFile);
  bool LoadProgramFromFXPBytes(ByteChunk* pFile);
  bool LoadBankFromFXBBytes(ByteChunk* pFile);

protected:
  // Resizes every scratch buffer to max(nFrames, 1) samples; entries of
  // unconnected channels (and of channels bound to their scratch buffer)
  // follow. All or nothing: false leaves every buffer at its old size.
  bool ResizeScratchBuffers(int nFrames);
  // nFrames limited to what the bound buffers hold.
  int LimitFrames(int nFrames, bool scratchInvolved);
  // Converts every connected output's samples into its host float buffer.
  void ConvertOutputsToFloat(int nFrames, bool accumulate);
  // Feeds the pass-through delay line and processes the bound buffers.
  void ProcessBoundBuffers(int nFrames);
  // For a plug-in whose own bypass plays from the pass-through delay line
  // (mDelay), so that it stays in time like the host's bypass without a
  // second line holding the same samples. With true, the processing calls
  // no longer feed the line before ProcessDoubleReplacing: the plug-in must,
  // once per block and before writing any output, either Feed the block's
  // inputs to mDelay or play the block from it (ProcessBlock). The host's
  // bypass (PassThroughBuffers) is unchanged. [main thread, before processing]
  void SetPlugFeedsDelay(bool feeds) { mPlugFeedsDelay = feeds; }
  // UnserializeState under the mutex that changes nothing when the state
  // cannot be read whole: on -1 every parameter is put back as it was (and
  // OnParamChange called again). Returns what UnserializeState returned.
  int UnserializeStateWhole(ByteChunk* pChunk, int startPos);

  // Fields in this order.
  WDL_PtrList<ChannelIO> mChannelIO;  // legal configurations
  WDL_Mutex mMutex;                   // recursive; see the class comment
  char mEffectName[128];
  char mProductName[128];
  char mMfrName[128];
  int mUniqueID;           // four-character code
  int mMfrID;              // four-character code
  int mVersion;            // packed
  EAPI mAPI;
  EHost mHost;             // kHostUninit until identified
  int mHostVersion;        // packed; 0 until identified
  bool mStateChunks;       // state saved as an opaque chunk
  bool mIsInst;            // instrument
  bool mIsBypassed;        // host bypass, set by the binding
  int mCurrentPresetIdx;
  double mSampleRate;      // Hz
  int mBlockSize;          // largest block in frames
  int mLatency;            // samples
  WDL_String mPreviousPath;  // last folder of the program/bank file dialogs
  NChanDelayLine* mDelay;    // owned; pass-through delay of mLatency samples
  WDL_PtrList<const char> mParamGroups;  // group names, filled by the binding
  IGraphics* mGraphics;                  // owned editor, or null
  WDL_PtrList<IParam> mParams;           // owned
  WDL_PtrList<IPreset> mPresets;         // owned
  WDL_TypedBuf<double*> mInData;         // one input pointer per input channel
  WDL_TypedBuf<double*> mOutData;        // one output pointer per output channel
  WDL_PtrList<InChannel> mInChannels;    // owned
  WDL_PtrList<OutChannel> mOutChannels;  // owned
  WDL_PtrList<WDL_String> mInputBusLabels;   // owned
  WDL_PtrList<WDL_String> mOutputBusLabels;  // owned
  bool mPlugFeedsDelay;  // ProcessDoubleReplacing keeps mDelay current itself
};

// Writes "user preset <n>" into str (at least 32 bytes), n being one more than
// the number of slots whose name contains "user preset". [main thread]
void MakeDefaultUserPresetName(WDL_PtrList<IPreset>* pPresets, char* str);
// The first uninitialised slot, or null. [main thread]
IPreset* GetNextUninitializedPreset(WDL_PtrList<IPreset>* pPresets);

#endif
