#include "IPlugLV2.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <pthread.h>

#include <lv2/atom/atom.h>

namespace
{
// ---- Descriptor callbacks ----

const IPlugLV2Plugin* PluginOf(const LV2_Descriptor* descriptor)
{
  // mDescriptor is the first member of IPlugLV2Plugin.
  return reinterpret_cast<const IPlugLV2Plugin*>(descriptor);
}

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double sampleRate, const char* /*bundlePath*/,
                       const LV2_Feature* const* features)
{
  const IPlugLV2Plugin* desc = PluginOf(descriptor);
  if (!desc || !desc->mMake) return nullptr;
  IPlugLV2* pPlug = desc->mMake();
  if (!pPlug) return nullptr;
  if (!pPlug->LV2Instantiate(desc->mNInputs, desc->mNOutputs, sampleRate, features, desc->mStateKey,
                             desc->mControlOutputs, desc->mNControlOutputs))
  {
    delete pPlug;
    return nullptr;
  }
  return pPlug;
}

void ConnectPort(LV2_Handle instance, uint32_t port, void* data)
{
  static_cast<IPlugLV2*>(instance)->LV2ConnectPort(port, data);
}

void Activate(LV2_Handle instance)
{
  static_cast<IPlugLV2*>(instance)->LV2Activate();
}

void Run(LV2_Handle instance, uint32_t nFrames)
{
  static_cast<IPlugLV2*>(instance)->LV2Run(nFrames);
}

void Deactivate(LV2_Handle /*instance*/) {}

void Cleanup(LV2_Handle instance)
{
  delete static_cast<IPlugLV2*>(instance);
}

LV2_State_Status SaveState(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle,
                           uint32_t /*flags*/, const LV2_Feature* const* /*features*/)
{
  return static_cast<IPlugLV2*>(instance)->LV2Save(store, handle);
}

LV2_State_Status RestoreState(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                              uint32_t /*flags*/, const LV2_Feature* const* /*features*/)
{
  return static_cast<IPlugLV2*>(instance)->LV2Restore(retrieve, handle);
}

const LV2_State_Interface kStateInterface = {SaveState, RestoreState};

const void* ExtensionData(const char* uri)
{
  if (uri && !strcmp(uri, LV2_STATE__interface)) return &kStateInterface;
  return nullptr;
}

// Sizes a pointer table to n entries, all null; false when memory runs out
// (a failed Resize keeps the old block, so the size tells).
bool ResizeNulled(WDL_TypedBuf<float*>* table, int n)
{
  float** p = table->Resize(n);
  if (table->GetSize() != n) return false;
  for (int i = 0; i < n; ++i) p[i] = nullptr;
  return true;
}

// ---- Turtle helpers ----

// Shortest decimal text that reads back as exactly `value`, always with a
// decimal point or exponent so that Turtle types it as a number with a
// fraction, not as an integer.
std::string TurtleNumber(double value)
{
  char buf[64];
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof(buf) - 1, value);
  *r.ptr = '\0';
  std::string text = buf;
  if (text.find_first_of(".eEn") == std::string::npos) text += ".0";
  return text;
}

// Turtle string literal: quotes and backslashes escaped, control characters dropped.
std::string TurtleString(const char* text)
{
  std::string out = "\"";
  for (const char* p = text ? text : ""; *p; ++p)
  {
    const unsigned char c = (unsigned char)*p;
    if (c == '"' || c == '\\')
    {
      out += '\\';
      out += (char)c;
    }
    else if (c >= 0x20)
      out += (char)c;
  }
  return out + "\"";
}

// Symbol core of a name: lower case, [a-z0-9_] only, runs of '_' collapsed,
// ends trimmed, '_' before a leading digit.
std::string SymbolFromName(const char* name)
{
  std::string s;
  for (const char* p = name ? name : ""; *p; ++p)
  {
    char c = *p;
    if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (ok)
      s += c;
    else if (!s.empty() && s.back() != '_')
      s += '_';
  }
  while (!s.empty() && s.back() == '_') s.pop_back();
  if (s.empty()) s = "param";
  if (s[0] >= '0' && s[0] <= '9') s = "_" + s;
  return s;
}

// Symbols of the fixed ports; parameters may not take them.
const char* const kFixedSymbols[] = {"latency", "freewheel", "in", "out", "in_l", "in_r", "out_l", "out_r"};

// Symbol and name of audio port ch of n channels in one direction.
void AudioPortNames(bool input, int ch, int n, std::string* symbol, std::string* name)
{
  const char* dir = input ? "in" : "out";
  const char* Dir = input ? "In" : "Out";
  if (n == 1)
  {
    *symbol = dir;
    *name = Dir;
  }
  else if (n == 2)
  {
    *symbol = std::string(dir) + (ch == 0 ? "_l" : "_r");
    *name = std::string(Dir) + (ch == 0 ? " L" : " R");
  }
  else
  {
    *symbol = std::string(dir) + "_" + std::to_string(ch + 1);
    *name = std::string(Dir) + " " + std::to_string(ch + 1);
  }
}
}  // namespace

IPlugLV2Plugin IPlugLV2MakePlugin(const char* uri, const char* name, int nInputs, int nOutputs,
                                  IPlugLV2* (*make)(), const char* pluginClass, const char* stateKey)
{
  IPlugLV2Plugin desc;
  desc.mDescriptor.URI = uri;
  desc.mDescriptor.instantiate = Instantiate;
  desc.mDescriptor.connect_port = ConnectPort;
  desc.mDescriptor.activate = Activate;
  desc.mDescriptor.run = Run;
  desc.mDescriptor.deactivate = Deactivate;
  desc.mDescriptor.cleanup = Cleanup;
  desc.mDescriptor.extension_data = ExtensionData;
  desc.mMake = make;
  desc.mNInputs = nInputs;
  desc.mNOutputs = nOutputs;
  desc.mName = name;
  desc.mPluginClass = pluginClass;
  desc.mStateKey = stateKey;
  desc.mDocs = nullptr;
  desc.mControlOutputs = nullptr;
  desc.mNControlOutputs = 0;
  desc.mUIURI = nullptr;
  return desc;
}

// ---- IPlugLV2 ----

IPlugLV2::IPlugLV2(const IPlugInstanceInfo& /*instanceInfo*/, int nParams, const char* channelIOStr, int nPresets,
                   const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
                   int uniqueID, int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks,
                   bool plugIsInst, int /*plugScChans*/)
    : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion, uniqueID,
                mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPILV2)
{
}

IPlugLV2::~IPlugLV2() = default;

bool IPlugLV2::LV2Instantiate(int nInputs, int nOutputs, double sampleRate, const LV2_Feature* const* features,
                             const char* stateKey, const IPlugLV2ControlOutput* controlOutputs,
                             int nControlOutputs)
{
  TRACE_HERE("%d:%d", nInputs, nOutputs);
  if (nControlOutputs < 0 || (nControlOutputs > 0 && !controlOutputs)) return false;
  // A subnormal or huge rate would give the filters non-finite coefficients.
  if (!IsUsableSampleRate(sampleRate)) return false;
  if (nInputs < 0 || nOutputs < 0 || nInputs > NInChannels() || nOutputs > NOutChannels()) return false;
  if (!LegalIO(nInputs, nOutputs)) return false;

  const int nParams = NParams();
  const int nAudio = nInputs + nOutputs;
  if (!ResizeNulled(&mParamPorts, nParams) || !ResizeNulled(&mAudioPorts, nAudio) ||
      !ResizeNulled(&mPieceIn, NInChannels()) || !ResizeNulled(&mPieceOut, NOutChannels()) ||
      !ResizeNulled(&mCtlOutPorts, nControlOutputs))
    return false;
  mCtlOutputs = controlOutputs;
  mNCtlOutputs = nControlOutputs;

  for (int i = 0; features && features[i]; ++i)
    if (features[i]->URI && !strcmp(features[i]->URI, LV2_URID__map) && features[i]->data)
      mMap = static_cast<LV2_URID_Map*>(features[i]->data);
  if (mMap)
  {
    mAtomChunk = mMap->map(mMap->handle, LV2_ATOM__Chunk);
    mStateKey = stateKey ? mMap->map(mMap->handle, stateKey) : 0;
  }

  WDL_MutexLock lock(&mMutex);
  SetSampleRate(sampleRate);
  if (!SetBlockSize(kLV2MaxFrames)) return false;
  // The variant's channels are connected; the others read silence from their
  // scratch buffers (inputs) or write into them (outputs).
  SetInputChannelConnections(0, NInChannels(), false);
  SetOutputChannelConnections(0, NOutChannels(), false);
  SetInputChannelConnections(0, nInputs, true);
  SetOutputChannelConnections(0, nOutputs, true);
  mLV2NInputs = nInputs;
  mLV2NOutputs = nOutputs;
  OnParamReset();
  Reset();
  OnChannelLayout(nInputs, nOutputs);
  mLV2Ready = true;
  return true;
}

void IPlugLV2::LV2ConnectPort(uint32_t port, void* data)
{
  if (!mLV2Ready) return;
  const uint32_t nParams = (uint32_t)NParams();
  if (port < nParams)
    mParamPorts.Get()[port] = static_cast<float*>(data);
  else if (port == LatencyPortIndex())
    mLatencyPort = static_cast<float*>(data);
  else if (port == FreeWheelPortIndex())
    mFreeWheelPort = static_cast<float*>(data);
  else if (port - FirstAudioPortIndex() < (uint32_t)(mLV2NInputs + mLV2NOutputs))
    mAudioPorts.Get()[port - FirstAudioPortIndex()] = static_cast<float*>(data);
  else if (port - ControlOutputPortIndex(NParams(), mLV2NInputs, mLV2NOutputs, 0) < (uint32_t)mNCtlOutputs)
    mCtlOutPorts.Get()[port - ControlOutputPortIndex(NParams(), mLV2NInputs, mLV2NOutputs, 0)] =
        static_cast<float*>(data);
}

void IPlugLV2::LV2Activate()
{
  if (!mLV2Ready) return;
  Reset();
}

bool IPlugLV2::ApplyControlPorts()
{
  bool locked = false;
  const int nParams = NParams();
  float* const* ports = mParamPorts.Get();
  for (int i = 0; i < nParams; ++i)
  {
    const float* port = ports[i];
    if (!port) continue;
    const double v = (double)*port;
    if (!std::isfinite(v)) continue;  // refused, as the Audio Unit parameter procedure does
    IParam* pParam = GetParam(i);
    double lo, hi;
    pParam->GetBounds(&lo, &hi);
    const double stored = v < lo ? lo : (v > hi ? hi : v);
    if (stored == pParam->Value()) continue;
    if (!locked)
    {
      if (!mMutex.TryEnter()) return false;
      locked = true;
    }
    pParam->Set(v);
    OnParamChange(i);
  }
  if (locked) mMutex.Leave();
  return true;
}

void IPlugLV2::LV2Run(uint32_t nFrames)
{
  if (!mLV2Ready) return;
  mFreeWheeling.store(mFreeWheelPort && *mFreeWheelPort > 0.5f, std::memory_order_relaxed);
  // With the mutex busy (a state save in progress), the ports still differ
  // from the parameters at the next block and are applied then.
  ApplyControlPorts();
  if (mLatencyPort) *mLatencyPort = (float)GetLatency();

  float* const* audio = mAudioPorts.Get();
  for (int i = 0; i < mLV2NInputs + mLV2NOutputs; ++i)
    if (!audio[i]) return;  // a host must connect every audio port before run()

  float** in = mPieceIn.Get();
  float** out = mPieceOut.Get();
  for (uint32_t pos = 0; pos < nFrames;)
  {
    const int n = (int)((nFrames - pos) < (uint32_t)kLV2MaxFrames ? (nFrames - pos) : (uint32_t)kLV2MaxFrames);
    for (int c = 0; c < mLV2NInputs; ++c) in[c] = audio[c] + pos;
    for (int c = 0; c < mLV2NOutputs; ++c) out[c] = audio[mLV2NInputs + c] + pos;
    // Inputs are converted into scratch buffers before any output is
    // written, so hosts may pass the same buffer for an input and an output.
    AttachInputBuffers(0, mLV2NInputs, in, n);
    AttachOutputBuffers(0, mLV2NOutputs, out);
    if (mIsBypassed)
      PassThroughBuffers(0.0f, n);
    else
      ProcessBuffers(0.0f, n);
    pos += (uint32_t)n;
  }
  float* const* ctlOut = mCtlOutPorts.Get();
  for (int k = 0; k < mNCtlOutputs; ++k)
    if (ctlOut[k] && mCtlOutputs[k].mRead) *ctlOut[k] = mCtlOutputs[k].mRead(this);
}

bool IPlugLV2::IsStateAcceptable(const void* data, size_t size)
{
  const size_t nParams = (size_t)NParams();
  if (!data || size != nParams * sizeof(double)) return false;
  for (size_t i = 0; i < nParams; ++i)
  {
    double v;
    memcpy(&v, static_cast<const unsigned char*>(data) + i * sizeof(double), sizeof(double));
    if (!std::isfinite(v)) return false;
  }
  return true;
}

LV2_State_Status IPlugLV2::LV2Save(LV2_State_Store_Function store, LV2_State_Handle handle)
{
  if (!mLV2Ready || !store) return LV2_STATE_ERR_UNKNOWN;
  if (!mStateKey || !mAtomChunk) return LV2_STATE_ERR_NO_FEATURE;
  ByteChunk chunk;
  if (!SerializeState(&chunk)) return LV2_STATE_ERR_UNKNOWN;
  return store(handle, mStateKey, chunk.GetBytes(), (size_t)chunk.Size(), mAtomChunk,
               LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status IPlugLV2::LV2Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
  if (!mLV2Ready || !retrieve) return LV2_STATE_ERR_UNKNOWN;
  if (!mStateKey || !mAtomChunk) return LV2_STATE_ERR_NO_FEATURE;
  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void* data = retrieve(handle, mStateKey, &size, &type, &flags);
  if (!data) return LV2_STATE_ERR_NO_PROPERTY;
  if (type != mAtomChunk) return LV2_STATE_ERR_BAD_TYPE;
  if (size > (size_t)0x7fffffff || !IsStateAcceptable(data, size)) return LV2_STATE_ERR_UNKNOWN;

  ByteChunk chunk;
  if (chunk.PutBytes(data, (int)size) != (int)size) return LV2_STATE_ERR_UNKNOWN;
  if (UnserializeState(&chunk, 0) < 0) return LV2_STATE_ERR_UNKNOWN;
  RedrawParamControls();
  return LV2_STATE_SUCCESS;
}


// ---- Description ----

std::vector<std::string> IPlugLV2::ParamSymbols(IPlugBase* pPlug)
{
  std::vector<std::string> symbols;
  const int nParams = pPlug->NParams();
  for (int i = 0; i < nParams; ++i)
  {
    std::string s = SymbolFromName(pPlug->GetParam(i)->GetNameForHost());
    bool taken = false;
    for (const char* fixed : kFixedSymbols) taken = taken || s == fixed;
    for (const std::string& earlier : symbols) taken = taken || s == earlier;
    if (taken) s += "_" + std::to_string(i);
    symbols.push_back(s);
  }
  return symbols;
}

const char* IPlugLV2::UnitForLabel(const char* label)
{
  static const struct
  {
    const char* label;
    const char* unit;
  } kUnits[] = {
      {"dB", "units:db"},   {"Hz", "units:hz"},     {"kHz", "units:khz"}, {"MHz", "units:mhz"},
      {"ms", "units:ms"},   {"s", "units:s"},       {"min", "units:min"}, {"%", "units:pc"},
      {"bpm", "units:bpm"}, {"cents", "units:cent"}, {"st", "units:semitone12TET"}, {"deg", "units:degree"},
  };
  if (!label) return "";
  for (const auto& u : kUnits)
    if (!strcmp(label, u.label)) return u.unit;
  return "";
}

void IPlugLV2::WriteTurtlePrefixes(FILE* f)
{
  fputs("@prefix doap:   <http://usefulinc.com/ns/doap#> .\n"
        "@prefix foaf:   <http://xmlns.com/foaf/0.1/> .\n"
        "@prefix lv2:    <http://lv2plug.in/ns/lv2core#> .\n"
        "@prefix opts:   <http://lv2plug.in/ns/ext/options#> .\n"
        "@prefix pg:     <http://lv2plug.in/ns/ext/port-groups#> .\n"
        "@prefix pset:   <http://lv2plug.in/ns/ext/presets#> .\n"
        "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
        "@prefix rdf:    <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
        "@prefix rdfs:   <http://www.w3.org/2000/01/rdf-schema#> .\n"
        "@prefix state:  <http://lv2plug.in/ns/ext/state#> .\n"
        "@prefix ui:     <http://lv2plug.in/ns/extensions/ui#> .\n"
        "@prefix units:  <http://lv2plug.in/ns/extensions/units#> .\n"
        "@prefix urid:   <http://lv2plug.in/ns/ext/urid#> .\n\n",
        f);
}

void IPlugLV2::WriteManifestTurtle(FILE* f, const IPlugLV2Plugin& desc, const char* binaryName, const char* ttlName,
                                   const char* uiBinaryName)
{
  fprintf(f, "<%s>\n    a lv2:Plugin ;\n    lv2:binary <%s> ;\n    rdfs:seeAlso <%s> .\n\n", desc.mDescriptor.URI,
          binaryName, ttlName);
  if (desc.mUIURI && uiBinaryName)
    fprintf(f, "<%s>\n    a ui:X11UI ;\n    ui:binary <%s> ;\n    rdfs:seeAlso <%s> .\n\n", desc.mUIURI,
            uiBinaryName, ttlName);
}

void IPlugLV2::WritePluginTurtle(FILE* f, const IPlugLV2Plugin& desc, IPlugLV2* pPlug)
{
  const int version = pPlug->GetEffectVersion(false);
  const char* uri = desc.mDescriptor.URI;
  const IPlugLV2Docs* docs = desc.mDocs;
  // Port groups: the main input and output as one mono or stereo group each.
  const bool groups = desc.mNInputs <= 2 && desc.mNOutputs <= 2;
  if (groups)
  {
    for (int dir = 0; dir < 2; ++dir)
    {
      const bool input = dir == 0;
      const int n = input ? desc.mNInputs : desc.mNOutputs;
      if (n == 0) continue;
      fprintf(f, "<%s#%s>\n    a pg:%s , pg:%s ;\n    lv2:symbol \"%s\" ;\n    rdfs:label \"%s\"", uri,
              input ? "in" : "out", n == 1 ? "MonoGroup" : "StereoGroup", input ? "InputGroup" : "OutputGroup",
              input ? "in" : "out", input ? "Input" : "Output");
      if (!input && desc.mNInputs > 0) fprintf(f, " ;\n    pg:source <%s#in>", uri);
      fputs(" .\n\n", f);
    }
  }
  // Groups of control ports.
  for (int g = 0; docs && g < docs->mNGroups; ++g)
    fprintf(f, "<%s#%s>\n    a pg:Group ;\n    lv2:symbol \"%s\" ;\n    rdfs:label %s .\n\n", uri,
            docs->mGroups[g].mSymbol, docs->mGroups[g].mSymbol, TurtleString(docs->mGroups[g].mLabel).c_str());
  fprintf(f, "<%s>\n    a lv2:Plugin , %s , doap:Project ;\n", uri, desc.mPluginClass ? desc.mPluginClass : "lv2:Plugin");
  fprintf(f, "    doap:name %s ;\n", TurtleString(desc.mName).c_str());
  if (docs && docs->mComment) fprintf(f, "    rdfs:comment %s ;\n", TurtleString(docs->mComment).c_str());
  if (docs && docs->mLicense) fprintf(f, "    doap:license <%s> ;\n", docs->mLicense);
  if (groups && desc.mNInputs > 0) fprintf(f, "    pg:mainInput <%s#in> ;\n", uri);
  if (groups && desc.mNOutputs > 0) fprintf(f, "    pg:mainOutput <%s#out> ;\n", uri);
  fprintf(f, "    doap:maintainer [ foaf:name %s ] ;\n", TurtleString(pPlug->GetMfrName()).c_str());
  // Version major.minor.patch: LV2 knows the minor and micro numbers only.
  fprintf(f, "    lv2:minorVersion %d ;\n    lv2:microVersion %d ;\n", (version >> 8) & 0xff, version & 0xff);
  fputs("    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
        "    lv2:extensionData state:interface ;\n",
        f);
  if (desc.mUIURI) fprintf(f, "    ui:ui <%s> ;\n", desc.mUIURI);

  const std::vector<std::string> symbols = ParamSymbols(pPlug);
  const int nParams = pPlug->NParams();
  fputs("    lv2:port", f);
  for (int i = 0; i < nParams; ++i)
  {
    IParam* p = pPlug->GetParam(i);
    double lo, hi;
    p->GetBounds(&lo, &hi);
    double def = p->GetDefault();
    def = def < lo ? lo : (def > hi ? hi : def);
    fprintf(f, "%s[\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index %d ;\n", i ? " , " : " ", i);
    const IPlugLV2PortExtras* extras = docs && docs->mPortExtras ? docs->mPortExtras(i) : nullptr;
    fprintf(f, "        lv2:symbol \"%s\" ;\n        lv2:name %s ;\n", symbols[(size_t)i].c_str(),
            TurtleString(extras && extras->mName ? extras->mName : p->GetNameForHost()).c_str());
    fprintf(f, "        lv2:default %s ;\n        lv2:minimum %s ;\n        lv2:maximum %s ;\n",
            TurtleNumber(def).c_str(), TurtleNumber(lo).c_str(), TurtleNumber(hi).c_str());
    if (const char* comment = docs && docs->mParamComment ? docs->mParamComment(i) : nullptr)
      fprintf(f, "        rdfs:comment %s ;\n", TurtleString(comment).c_str());

    std::string props;
    const IParam::EParamType type = p->Type();
    if (type == IParam::kTypeBool)
      props = "lv2:toggled";
    else if (type == IParam::kTypeInt)
      props = "lv2:integer";
    else if (type == IParam::kTypeEnum)
      props = "lv2:integer , lv2:enumeration";
    if (!p->GetCanAutomate()) props += props.empty() ? "pprops:notAutomatic" : " , pprops:notAutomatic";
    if (extras && extras->mLogarithmic && lo > 0.0)
      props += props.empty() ? "pprops:logarithmic" : " , pprops:logarithmic";
    if (!props.empty()) fprintf(f, "        lv2:portProperty %s ;\n", props.c_str());

    const int nTexts = p->GetNDisplayTexts();
    for (int t = 0; t < nTexts; ++t)
    {
      int value = 0;
      const char* text = p->GetDisplayTextAtIdx(t, &value);
      if (!text || !*text || value < lo || value > hi) continue;
      fprintf(f, "        lv2:scalePoint [ rdfs:label %s ; rdf:value %s ] ;\n", TurtleString(text).c_str(),
              TurtleNumber((double)value).c_str());
    }
    for (int t = 0; extras && t < extras->mNScalePoints; ++t)
    {
      const IPlugLV2ScalePoint& point = extras->mScalePoints[t];
      if (point.mValue < lo || point.mValue > hi) continue;
      fprintf(f, "        lv2:scalePoint [ rdfs:label %s ; rdf:value %s ] ;\n", TurtleString(point.mLabel).c_str(),
              TurtleNumber(point.mValue).c_str());
    }
    if (extras && extras->mGroup >= 0 && extras->mGroup < docs->mNGroups)
      fprintf(f, "        pg:group <%s#%s> ;\n", uri, docs->mGroups[extras->mGroup].mSymbol);

    // A label without an LV2 unit becomes a unit of its own, so hosts still
    // show it beside the value.
    const char* label = p->GetLabelForHost();
    const char* unit = UnitForLabel(label);
    if (*unit)
      fprintf(f, "        units:unit %s ;\n", unit);
    else if (*label)
    {
      const std::string quotedLabel = TurtleString(label);
      const std::string render = "%." + std::to_string(p->GetPrecision()) + "f " + label;
      fprintf(f, "        units:unit [ a units:Unit ; rdfs:label %s ; units:symbol %s ; units:render %s ] ;\n",
              quotedLabel.c_str(), quotedLabel.c_str(), TurtleString(render.c_str()).c_str());
    }
    fputs("    ]", f);
  }
  // Fixed ports.
  fprintf(f, "%s[\n        a lv2:OutputPort , lv2:ControlPort ;\n        lv2:index %u ;\n"
             "        lv2:symbol \"latency\" ;\n        lv2:name \"Latency\" ;\n"
             "        lv2:designation lv2:latency ;\n        lv2:portProperty lv2:integer , pprops:notOnGUI ;\n"
             "        units:unit units:frame ;\n    ]",
          nParams ? " , " : " ", pPlug->LatencyPortIndex());
  fprintf(f, " , [\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index %u ;\n"
             "        lv2:symbol \"freewheel\" ;\n        lv2:name \"Free-wheeling\" ;\n"
             "        lv2:designation lv2:freeWheeling ;\n        lv2:portProperty lv2:toggled , pprops:notOnGUI ;\n"
             "        lv2:default 0 ;\n        lv2:minimum 0 ;\n        lv2:maximum 1 ;\n    ]",
          pPlug->FreeWheelPortIndex());
  uint32_t index = pPlug->FirstAudioPortIndex();
  for (int dir = 0; dir < 2; ++dir)
  {
    const bool input = dir == 0;
    const int n = input ? desc.mNInputs : desc.mNOutputs;
    for (int c = 0; c < n; ++c, ++index)
    {
      std::string symbol, name;
      AudioPortNames(input, c, n, &symbol, &name);
      fprintf(f, " , [\n        a lv2:AudioPort , lv2:%s ;\n        lv2:index %u ;\n"
                 "        lv2:symbol \"%s\" ;\n        lv2:name \"%s\" ;\n",
              input ? "InputPort" : "OutputPort", index, symbol.c_str(), name.c_str());
      if (groups)
        fprintf(f, "        pg:group <%s#%s> ;\n        lv2:designation pg:%s ;\n", uri, input ? "in" : "out",
                n == 1 ? "center" : (c == 0 ? "left" : "right"));
      fputs("    ]", f);
    }
  }
  for (int k = 0; k < desc.mNControlOutputs; ++k, ++index)
  {
    const IPlugLV2ControlOutput& o = desc.mControlOutputs[k];
    fprintf(f, " , [\n        a lv2:OutputPort , lv2:ControlPort ;\n        lv2:index %u ;\n"
               "        lv2:symbol \"%s\" ;\n        lv2:name %s ;\n",
            index, o.mSymbol, TurtleString(o.mName).c_str());
    if (o.mComment) fprintf(f, "        rdfs:comment %s ;\n", TurtleString(o.mComment).c_str());
    if (o.mToggled) fputs("        lv2:portProperty lv2:toggled ;\n", f);
    fprintf(f, "        lv2:minimum %s ;\n        lv2:maximum %s ;\n    ]", TurtleNumber(o.mMin).c_str(),
            TurtleNumber(o.mMax).c_str());
  }
  fputs(" .\n\n", f);

  // The UI: the plug-in's own editor in a child window of the host's
  // (ui:parent), driven from the host's idle callback, of a fixed size it
  // reports through ui:resize, drawn at the host's ui:scaleFactor when it
  // gives one. It follows the control outputs too.
  if (!desc.mUIURI) return;
  fprintf(f, "<%s>\n    a ui:X11UI ;\n    lv2:requiredFeature ui:parent ;\n"
             "    lv2:optionalFeature ui:idleInterface , ui:resize , ui:noUserResize , ui:touch , opts:options ;\n"
             "    opts:supportedOption ui:scaleFactor ;\n"
             "    lv2:extensionData ui:idleInterface",
          desc.mUIURI);
  for (int k = 0; k < desc.mNControlOutputs; ++k)
    fprintf(f, " ;\n    ui:portNotification [\n        ui:plugin <%s> ;\n        lv2:symbol \"%s\" ;\n"
               "        ui:protocol ui:floatProtocol\n    ]",
            uri, desc.mControlOutputs[k].mSymbol);
  fputs(" .\n\n", f);
}

bool IPlugLV2::WritePresetsTurtle(FILE* presets, FILE* manifest, const IPlugLV2Plugin& desc, IPlugLV2* pPlug,
                                  const char* presetsName)
{
  const IPlugLV2Docs* docs = desc.mDocs;
  if (!docs || !docs->mPresets) return true;
  const std::vector<std::string> symbols = ParamSymbols(pPlug);
  const int nParams = pPlug->NParams();
  std::vector<std::string> names;
  for (int i = 0; i < nParams; ++i) names.push_back(pPlug->GetParam(i)->GetNameForHost());
  for (int k = 0; k < docs->mNPresets; ++k)
  {
    const IPlugLV2Preset& preset = docs->mPresets[k];
    // A value for a parameter the table does not have is a mistake in the preset.
    for (int v = 0; v < preset.mNValues; ++v)
    {
      if (std::find(names.begin(), names.end(), preset.mValues[v].mParamName) == names.end())
      {
        fprintf(stderr, "preset %s: no parameter named \"%s\"\n", preset.mSlug, preset.mValues[v].mParamName);
        return false;
      }
    }
    fprintf(manifest, "<%s#preset-%s>\n    a pset:Preset ;\n    lv2:appliesTo <%s> ;\n    rdfs:seeAlso <%s> .\n\n",
            desc.mDescriptor.URI, preset.mSlug, desc.mDescriptor.URI, presetsName);
    fprintf(presets, "<%s#preset-%s>\n    a pset:Preset ;\n    lv2:appliesTo <%s> ;\n    rdfs:label %s ;\n",
            desc.mDescriptor.URI, preset.mSlug, desc.mDescriptor.URI, TurtleString(preset.mLabel).c_str());
    if (preset.mComment) fprintf(presets, "    rdfs:comment %s ;\n", TurtleString(preset.mComment).c_str());
    fputs("    lv2:port", presets);
    for (int i = 0; i < nParams; ++i)
    {
      IParam* p = pPlug->GetParam(i);
      double value = p->GetDefault();
      for (int v = 0; v < preset.mNValues; ++v)
        if (names[(size_t)i] == preset.mValues[v].mParamName) value = preset.mValues[v].mValue;
      double lo, hi;
      p->GetBounds(&lo, &hi);
      value = value < lo ? lo : (value > hi ? hi : value);
      fprintf(presets, "%s[ lv2:symbol \"%s\" ; pset:value %s ]", i ? " ,\n        " : " ", symbols[(size_t)i].c_str(),
              TurtleNumber(value).c_str());
    }
    fputs(" .\n\n", presets);
  }
  return true;
}
