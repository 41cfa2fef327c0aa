#ifndef _IPLUGLV2_
#define _IPLUGLV2_

// LV2 binding of the plug-in framework.
//
// A host finds the plug-in through the bundle's Turtle description and the
// exported lv2_descriptor function. Each descriptor is one channel variant of
// the same plug-in class (for instance stereo and mono), with its own URI.
// IPlugLV2 maps the host's ports onto IPlugBase:
//
//   port index                     port
//   0 ... NParams() - 1            one control input per parameter (index = parameter index)
//   NParams()                      latency, control output (samples)
//   NParams() + 1                  free-wheeling, control input (offline rendering while on)
//   NParams() + 2 ...              the variant's audio inputs, then its audio outputs
//   after the audio ports          the plug-in's own control outputs (IPlugLV2ControlOutput),
//                                  in the order of its table
//
// run() reads the control ports, applies the values that changed the way the
// Audio Unit parameter procedure stores them (clamped into range, then
// OnParamChange), and processes the block through the base's float
// processing frame in pieces of at most kLV2MaxFrames frames.
//
// The state extension saves the plug-in's state chunk (SerializeState, the
// same bytes the Audio Unit binding stores as class-info "data") as one
// atom:Chunk property, and restores it only after checking it whole.
//
// Threads: instantiate, activate, deactivate, connect_port, cleanup and the
// state restore run on the host's main thread and never concurrently with
// run(); run() is the render thread; the state save may run on any thread
// while run() runs. run() never allocates and never waits for the mutex: the
// parameter updates of a block are put off to the next block when a state
// save holds it.

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include "IPlugBase.h"
#include "IPlugInstance.h"

class IPlugLV2;

// One named preset of an LV2 bundle: parameter values by the parameters'
// names as hosts see them; every parameter not listed takes its default.
struct IPlugLV2PresetValue
{
  const char* mParamName;
  double mValue;
};

struct IPlugLV2Preset
{
  const char* mSlug;     // URI fragment and file-safe name, e.g. "clean-boost"
  const char* mLabel;    // name hosts list, e.g. "Clean boost"
  const char* mComment;  // one line on what it is for
  const IPlugLV2PresetValue* mValues;
  int mNValues;
};

// A labelled value on a control port's scale (hosts' generic sliders and
// menus show it).
struct IPlugLV2ScalePoint
{
  const char* mLabel;
  double mValue;
};

// A group of control ports hosts' generic views show together.
struct IPlugLV2ControlGroup
{
  const char* mSymbol;  // URI fragment and symbol, e.g. "valve"
  const char* mLabel;   // the heading hosts show, e.g. "Valve stage"
};

// What one parameter's port carries beyond the parameter table. Port names
// may differ from the parameters' (symbols never do: sessions refer to them).
struct IPlugLV2PortExtras
{
  const char* mName;       // the port's name, or null for the parameter's name
  bool mLogarithmic;       // the value is best set on a logarithmic scale (minimum > 0)
  int mGroup;              // index into IPlugLV2Docs::mGroups, or -1
  const IPlugLV2ScalePoint* mScalePoints;  // beside the parameter's display texts; null for none
  int mNScalePoints;
};

// Texts and presets the bundle's description carries beside the ports.
struct IPlugLV2Docs
{
  const char* mComment;                  // what the plug-in does, one paragraph
  const char* mLicense;                  // URI of the licence
  const char* (*mParamComment)(int idx);  // one line per parameter, or null
  const IPlugLV2Preset* mPresets;
  int mNPresets;
  // Port extras of parameter idx, or null (and null for none at all).
  const IPlugLV2PortExtras* (*mPortExtras)(int idx);
  const IPlugLV2ControlGroup* mGroups;
  int mNGroups;
};

// A control output port a plug-in publishes for its UI (an indicator or a
// meter), written after every block. These ports come after all others, so
// that adding one keeps the indices of the ports before it (saved sessions
// refer to ports by index).
struct IPlugLV2ControlOutput
{
  const char* mSymbol;   // port symbol, e.g. "clip"
  const char* mName;     // name hosts show
  const char* mComment;  // what the value means, or null
  bool mToggled;         // the value is 0 or 1 only
  double mMin, mMax;     // range of the value
  // The value after a block; called at the end of every run(). Null in a
  // UI module, which only reads the port. [render thread]
  float (*mRead)(IPlugBase* pPlug);
};

// Static description of one LV2 plug-in (one channel variant of a plug-in
// class). The host's LV2_Descriptor pointer is the address of mDescriptor,
// which leads back to the rest. Made with IPlugLV2MakePlugin.
struct IPlugLV2Plugin
{
  LV2_Descriptor mDescriptor;  // must stay the first member
  IPlugLV2* (*mMake)();        // constructs the plug-in object; null on failure
  int mNInputs;                // audio inputs of this variant
  int mNOutputs;               // audio outputs of this variant
  const char* mName;           // name hosts list
  const char* mPluginClass;    // LV2 class in prefixed form, e.g. "lv2:DistortionPlugin"
  const char* mStateKey;       // URI of the state property; the same for every variant
  const IPlugLV2Docs* mDocs;   // comments, licence and presets; null for none
  const IPlugLV2ControlOutput* mControlOutputs;  // ports after the audio ports; null for none
  int mNControlOutputs;
  const char* mUIURI;          // URI of the plug-in's X11 UI, or null when it has none
};

// Fills a plug-in description whose callbacks are IPlugLV2's. The strings
// must live as long as the module (literals). [any thread]
IPlugLV2Plugin IPlugLV2MakePlugin(const char* uri, const char* name, int nInputs, int nOutputs,
                                  IPlugLV2* (*make)(), const char* pluginClass, const char* stateKey);

class IPlugLV2 : public IPlugBase
{
public:
  // Largest number of frames handed to the processing frame at once; run()
  // cuts longer blocks into pieces of this size.
  static constexpr int kLV2MaxFrames = 1024;

  // Builds the base with the LV2 API identifier; the arguments are those of
  // the Audio Unit binding, so that a plug-in class can switch between the
  // two. plugScChans (side-chain inputs) must be 0: LV2 variants here have no
  // side-chain. [main thread]
  IPlugLV2(const IPlugInstanceInfo& instanceInfo, int nParams, const char* channelIOStr, int nPresets,
           const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
           int uniqueID, int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
           int plugScChans);

  ~IPlugLV2() override;

  IPlugLV2(const IPlugLV2&) = delete;
  IPlugLV2& operator=(const IPlugLV2&) = delete;

  // ---- Host context (overrides of IPlugBase) ----

  // True while the host's free-wheeling port is on (rendering faster than
  // real time, as in an export). Read at the start of every block. [any thread]
  bool IsRenderingOffline() override { return mFreeWheeling.load(std::memory_order_relaxed); }

  // ---- LV2 entry points (called by the descriptor callbacks; public for tests) ----

  // Prepares the object for nInputs audio inputs and nOutputs audio outputs
  // at sampleRate Hz: checks the channel configuration, sizes the port tables
  // and scratch buffers, connects the channels, looks up urid:map among the
  // host's features (optional: without it the state interface reports a
  // missing feature) and maps stateKey (the URI of the state property),
  // runs the parameter reset and Reset. False when the configuration is not
  // legal, the rate is not positive and finite, or memory runs out. [main thread]
  // controlOutputs (nControlOutputs entries, may be null) are the ports
  // after the audio ports; the table must outlive the object.
  bool LV2Instantiate(int nInputs, int nOutputs, double sampleRate, const LV2_Feature* const* features,
                      const char* stateKey, const IPlugLV2ControlOutput* controlOutputs = nullptr,
                      int nControlOutputs = 0);
  // Records where port `port` lives; indices outside the layout are ignored. [main thread]
  void LV2ConnectPort(uint32_t port, void* data);
  // Reset before the first block after (re)activation. [main thread]
  void LV2Activate();
  // Processes nFrames frames: control ports, free-wheeling flag, audio,
  // latency report, then the plug-in's control outputs. Allocates nothing,
  // never blocks. [render thread]
  void LV2Run(uint32_t nFrames);
  // Stores the state chunk under the state key as atom:Chunk (POD,
  // portable). May allocate. [any thread, never during a restore]
  LV2_State_Status LV2Save(LV2_State_Store_Function store, LV2_State_Handle handle);
  // Restores the state chunk stored under the state key. Refuses, changing
  // nothing, a missing property (LV2_STATE_ERR_NO_PROPERTY), another type
  // (LV2_STATE_ERR_BAD_TYPE) and data IsStateAcceptable rejects
  // (LV2_STATE_ERR_UNKNOWN). [main thread]
  LV2_State_Status LV2Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  // True when data (size bytes) is a state this plug-in restores whole: for
  // the parameter block, exactly 8 bytes per parameter, every value a finite
  // double. Plug-ins with another state layout override it. [main thread]
  virtual bool IsStateAcceptable(const void* data, size_t size);

  // ---- Port layout ----

  // Index of the latency output port. [any thread]
  uint32_t LatencyPortIndex() { return (uint32_t)NParams(); }
  // Index of the free-wheeling input port. [any thread]
  uint32_t FreeWheelPortIndex() { return (uint32_t)NParams() + 1; }
  // Index of the first audio input port; the outputs follow the inputs. [any thread]
  uint32_t FirstAudioPortIndex() { return (uint32_t)NParams() + 2; }
  // Index of control output k of a variant with nInputs audio inputs and
  // nOutputs audio outputs, for a plug-in of nParams parameters. [any thread]
  static uint32_t ControlOutputPortIndex(int nParams, int nInputs, int nOutputs, int k)
  {
    return (uint32_t)(nParams + 2 + nInputs + nOutputs + k);
  }

  // ---- Description ----

  // Port symbols of the parameters, index = parameter index: the name in
  // lower case with every character outside [a-z0-9_] replaced by '_' (runs
  // collapsed, ends trimmed, "_" in front of a leading digit, "param" for an
  // empty result). A symbol already taken by an earlier parameter or by one
  // of the fixed ports gets "_<index>" appended. Stable for a given table.
  // [main thread]
  static std::vector<std::string> ParamSymbols(IPlugBase* pPlug);
  // LV2 unit (prefixed, e.g. "units:db") for a parameter label, or "" when
  // the label has no LV2 counterpart. [any thread]
  static const char* UnitForLabel(const char* label);
  // Writes the Turtle prefixes used by WritePluginTurtle. [main thread]
  static void WriteTurtlePrefixes(FILE* f);
  // Writes the description of plug-in `desc` built on pPlug (ports from its
  // parameter table, latency and free-wheeling ports, the variant's audio
  // ports, its control outputs) and of its UI when it has one. [main thread]
  static void WritePluginTurtle(FILE* f, const IPlugLV2Plugin& desc, IPlugLV2* pPlug);
  // Writes the manifest entry of plug-in `desc`: binary and description file
  // names relative to the bundle; its UI's entry too when it has one and
  // uiBinaryName is given. [main thread]
  static void WriteManifestTurtle(FILE* f, const IPlugLV2Plugin& desc, const char* binaryName,
                                  const char* ttlName, const char* uiBinaryName = nullptr);
  // Writes the presets of desc.mDocs (values by port symbol, every parameter
  // port given) and their manifest entries pointing at presetsName. Nothing
  // when there are none. False (reported on stderr) when a preset names a
  // parameter the plug-in does not have. [main thread]
  static bool WritePresetsTurtle(FILE* presets, FILE* manifest, const IPlugLV2Plugin& desc, IPlugLV2* pPlug,
                                 const char* presetsName);

private:
  // Applies the control ports whose (clamped) values differ from the
  // parameters'; false when the mutex was busy and nothing was applied.
  bool ApplyControlPorts();

  int mLV2NInputs = 0;                     // audio inputs of the variant
  int mLV2NOutputs = 0;                    // audio outputs of the variant
  bool mLV2Ready = false;                  // LV2Instantiate succeeded
  WDL_TypedBuf<float*> mParamPorts;        // one per parameter; null until connected
  WDL_TypedBuf<float*> mAudioPorts;        // inputs then outputs; null until connected
  WDL_TypedBuf<float*> mCtlOutPorts;       // one per control output; null until connected
  const IPlugLV2ControlOutput* mCtlOutputs = nullptr;
  int mNCtlOutputs = 0;
  WDL_TypedBuf<float*> mPieceIn;           // inputs offset into the current piece
  WDL_TypedBuf<float*> mPieceOut;          // outputs offset into the current piece
  float* mLatencyPort = nullptr;
  float* mFreeWheelPort = nullptr;
  std::atomic<bool> mFreeWheeling{false};
  LV2_URID_Map* mMap = nullptr;            // host's URI map, or null
  LV2_URID mAtomChunk = 0;                 // atom:Chunk, mapped at instantiation
  LV2_URID mStateKey = 0;                  // the state property, mapped at instantiation
};

#endif
