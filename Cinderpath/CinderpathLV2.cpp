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

const IPlugLV2Docs kDocs = {kCinderpathDescription, kCinderpathLicense, ParamComment, kBank.presets,
                            kCinderpathNumFactoryPresets};

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
