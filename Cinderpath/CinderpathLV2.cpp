// The LV2 module's descriptors and factory for Cinderpath: a stereo plug-in
// ("2-2") and a mono variant ("1-1") with its own URI. Both share the state
// key, so a state saved by one restores into the other. The build compiles
// the plug-in class on IPlugLV2 for this module (see PlugBinding.h).

#include "Cinderpath.h"
#include "CinderpathDescriptions.h"
#include "CinderpathLV2.h"
#include "CinderpathPresets.h"

#include <cstdint>

#ifndef CINDERPATH_LV2
#error "The LV2 module is built with CINDERPATH_LV2 defined."
#endif

namespace
{

// Builds one plug-in object; construction is serialised as in the Audio Unit factory.
IPlugLV2* MakeCinderpathLV2()
{
  return IPlugMakePlugLocked<Cinderpath>(CINDERPATH_LV2_URI, "Cinderpath_View");
}

const char* ParamComment(int idx)
{
  constexpr int n = sizeof(kCinderpathParamDescriptions) / sizeof(kCinderpathParamDescriptions[0]);
  return idx >= 0 && idx < n ? kCinderpathParamDescriptions[idx].text : nullptr;
}

// The factory bank as LV2 presets: every parameter by name, in the bank's
// order, under the bank's names, slugs and descriptions.
struct LV2Bank
{
  IPlugLV2PresetValue values[kCinderpathNumFactoryPresets][kCinderpathNumPresetValues];
  IPlugLV2Preset presets[kCinderpathNumFactoryPresets];
  LV2Bank() : values(), presets()
  {
    static_assert(sizeof(kCinderpathParamDescriptions) / sizeof(kCinderpathParamDescriptions[0]) ==
                      kCinderpathNumPresetValues,
                  "a name for every value of a preset");
    for (int k = 0; k < kCinderpathNumFactoryPresets; ++k)
    {
      const CinderpathFactoryPreset& bank = kCinderpathFactoryPresets[k];
      for (int i = 0; i < kCinderpathNumPresetValues; ++i)
        values[k][i] = {kCinderpathParamDescriptions[i].name, bank.values[i]};
      presets[k] = {bank.slug, bank.name, bank.description, values[k], kCinderpathNumPresetValues};
    }
  }
};
const LV2Bank kBank;

// Control port groups, as the editor lays the controls out.
enum EGroup
{
  kInputFilters,
  kValveStage,
  kOutput
};
const IPlugLV2ControlGroup kGroups[] = {
    {"input_filters", "Input filters"}, {"valve", "Valve stage"}, {"output", "Output"}};

const IPlugLV2ScalePoint kFactors[] = {{"1x", 1}, {"2x", 2}, {"4x", 4}, {"8x", 8}, {"16x", 16}};
const IPlugLV2ScalePoint kBoostSwitch[] = {{"off", 0}, {"on (12 dB)", 12}};

#define CINDERPATH_PORT(name, log, group) {name, log, group, nullptr, 0}
#define CINDERPATH_PORT_POINTS(group, points) \
  {nullptr, false, group, points, static_cast<int>(sizeof(points) / sizeof(points[0]))}
// Indexed by EParams. Frequencies are set on logarithmic sliders; names say
// which filters act on the input and which on the output (the parameters'
// own names differ only by a space and an underscore).
const IPlugLV2PortExtras kPortExtras[kNumParams] = {
    CINDERPATH_PORT("Input LP Cutoff", true, kInputFilters),     // Cutoff
    CINDERPATH_PORT("Input LP Resonance", false, kInputFilters),  // Resonance
    CINDERPATH_PORT(nullptr, false, kValveStage),                 // Drive
    CINDERPATH_PORT(nullptr, false, kValveStage),                 // Bias
    CINDERPATH_PORT(nullptr, false, kOutput),                     // Volume
    CINDERPATH_PORT(nullptr, false, kOutput),                     // Mono
    CINDERPATH_PORT(nullptr, false, kOutput),                     // Bypass
    CINDERPATH_PORT(nullptr, false, kOutput),                     // Phase
    CINDERPATH_PORT_POINTS(kValveStage, kBoostSwitch),            // Boost
    CINDERPATH_PORT("Input LP On", false, kInputFilters),         // LP On
    CINDERPATH_PORT("Input HP On", false, kInputFilters),         // HP On
    CINDERPATH_PORT("Input HP Freq", true, kInputFilters),        // HP Freq
    CINDERPATH_PORT(nullptr, false, kInputFilters),               // Peak On
    CINDERPATH_PORT(nullptr, true, kInputFilters),                // Peak Freq
    CINDERPATH_PORT(nullptr, false, kInputFilters),               // Peak Gain
    CINDERPATH_PORT(nullptr, false, kInputFilters),               // Shelf On
    CINDERPATH_PORT(nullptr, true, kInputFilters),                // Shelf Freq
    CINDERPATH_PORT(nullptr, false, kInputFilters),               // Shelf Gain
    CINDERPATH_PORT("Output LP Freq", true, kOutput),             // LP_Freq
    CINDERPATH_PORT_POINTS(kValveStage, kFactors),                // OS
    CINDERPATH_PORT(nullptr, false, kValveStage),                 // Quality
    CINDERPATH_PORT("Output HP Freq", true, kOutput),             // HP_Freq
};
#undef CINDERPATH_PORT
#undef CINDERPATH_PORT_POINTS

const IPlugLV2PortExtras* PortExtras(int idx)
{
  return idx >= 0 && idx < kNumParams ? &kPortExtras[idx] : nullptr;
}

const IPlugLV2Docs kDocs = {kCinderpathDescription,
                            kCinderpathLicense,
                            ParamComment,
                            kBank.presets,
                            kCinderpathNumFactoryPresets,
                            PortExtras,
                            kGroups,
                            static_cast<int>(sizeof(kGroups) / sizeof(kGroups[0]))};

// The clip indicator's state after a block (0 or 1). [render thread]
float ReadClip(IPlugBase* pPlug)
{
  return (float)static_cast<Cinderpath*>(pPlug)->GetClip();
}

const IPlugLV2ControlOutput kControlOutputs[] = {CINDERPATH_LV2_CLIP_PORT(ReadClip)};

// Adds what both variants carry beside their ports: the documentation, the
// clip output and the UI.
IPlugLV2Plugin WithDocs(IPlugLV2Plugin desc, const char* uiURI)
{
  desc.mDocs = &kDocs;
  desc.mControlOutputs = kControlOutputs;
  desc.mNControlOutputs = static_cast<int>(sizeof(kControlOutputs) / sizeof(kControlOutputs[0]));
  desc.mUIURI = uiURI;
  return desc;
}

const IPlugLV2Plugin kPlugins[] = {
    WithDocs(IPlugLV2MakePlugin(CINDERPATH_LV2_URI, "Cinderpath", 2, 2, MakeCinderpathLV2, "lv2:DistortionPlugin",
                                CINDERPATH_LV2_URI "#state"),
             CINDERPATH_LV2_UI_URI),
    WithDocs(IPlugLV2MakePlugin(CINDERPATH_LV2_MONO_URI, "Cinderpath Mono", 1, 1, MakeCinderpathLV2,
                                "lv2:DistortionPlugin", CINDERPATH_LV2_URI "#state"),
             CINDERPATH_LV2_MONO_UI_URI),
};
}  // namespace

// The module's only export: descriptor `index`, or null past the last. [any thread]
// (LV2_SYMBOL_EXPORT carries the C linkage.)
LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
  return index < sizeof(kPlugins) / sizeof(kPlugins[0]) ? &kPlugins[index].mDescriptor : nullptr;
}
