// The LV2 module's descriptors and factory for Cinderpath: a stereo plug-in
// ("2-2") and a mono variant ("1-1") with its own URI. Both share the state
// key, so a state saved by one restores into the other. The build compiles
// the plug-in class on IPlugLV2 for this module (see PlugBinding.h).

#include "Cinderpath.h"
#include "CinderpathDescriptions.h"
#include "CinderpathLV2.h"

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

// Named presets showing what the effect can do; separate from the plug-in's
// own 16 preset slots. Parameters not listed keep their defaults.
const IPlugLV2PresetValue kCleanBoost[] = {
    {"Drive", -6.0}, {"Bias", 1.0}, {"Volume", 8.0}, {"HP On", 1.0}, {"HP Freq", 40.0}};
const IPlugLV2PresetValue kCrunch[] = {
    {"Drive", 8.0}, {"Bias", 5.0}, {"Volume", -5.0}, {"HP On", 1.0}, {"HP Freq", 80.0}, {"OS", 8.0}};
const IPlugLV2PresetValue kSaturatedLead[] = {
    {"Drive", 14.0},   {"Boost", 12.0},     {"Bias", 6.5},     {"Volume", -12.0}, {"HP On", 1.0},
    {"HP Freq", 120.0}, {"Peak On", 1.0},    {"Peak Freq", 0.9}, {"Peak Gain", 4.0}, {"LP On", 1.0},
    {"Cutoff", 7.0},    {"Resonance", 0.25}, {"OS", 16.0}};
const IPlugLV2PresetValue kWarmTape[] = {
    {"Drive", 4.0},       {"Bias", 7.5},       {"Volume", -3.0}, {"Shelf On", 1.0},
    {"Shelf Freq", 6.0}, {"Shelf Gain", -4.5}, {"LP_Freq", 15.0}, {"HP_Freq", 25.0}};

#define CINDERPATH_PRESET(slug, label, comment, values) \
  {slug, label, comment, values, static_cast<int>(sizeof(values) / sizeof(values[0]))}
const IPlugLV2Preset kPresets[] = {
    CINDERPATH_PRESET("clean-boost", "Clean boost", "Level boost with barely any saturation", kCleanBoost),
    CINDERPATH_PRESET("crunch", "Crunch", "Moderate drive: breaks up on peaks, rhythm parts", kCrunch),
    CINDERPATH_PRESET("saturated-lead", "Saturated lead",
                      "Full drive and boost, mid peak and low-pass for a singing lead", kSaturatedLead),
    CINDERPATH_PRESET("warm-tape", "Warm tape", "Gentle even-harmonic warmth with softened highs", kWarmTape),
};
#undef CINDERPATH_PRESET

const IPlugLV2Docs kDocs = {kCinderpathDescription, kCinderpathLicense, ParamComment, kPresets,
                            static_cast<int>(sizeof(kPresets) / sizeof(kPresets[0]))};

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
