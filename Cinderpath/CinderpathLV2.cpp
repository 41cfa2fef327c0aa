// The LV2 module's descriptors and factory for Cinderpath: a stereo plug-in
// ("2-2") and a mono variant ("1-1") with its own URI. Both share the state
// key, so a state saved by one restores into the other. The build compiles
// the plug-in class on IPlugLV2 for this module (see PlugBinding.h).

#include "Cinderpath.h"

#include <cstdint>

#ifndef CINDERPATH_LV2
#error "The LV2 module is built with CINDERPATH_LV2 defined."
#endif

namespace
{
#define CINDERPATH_LV2_URI "https://cinderpath.example/lv2/cinderpath"

// Builds one plug-in object; construction is serialised as in the Audio Unit factory.
IPlugLV2* MakeCinderpathLV2()
{
  return IPlugMakePlugLocked<Cinderpath>(CINDERPATH_LV2_URI, "Cinderpath_View");
}

const IPlugLV2Plugin kPlugins[] = {
    IPlugLV2MakePlugin(CINDERPATH_LV2_URI, "Cinderpath", 2, 2, MakeCinderpathLV2, "lv2:DistortionPlugin",
                       CINDERPATH_LV2_URI "#state"),
    IPlugLV2MakePlugin(CINDERPATH_LV2_URI "-mono", "Cinderpath Mono", 1, 1, MakeCinderpathLV2,
                       "lv2:DistortionPlugin", CINDERPATH_LV2_URI "#state"),
};
}  // namespace

// The module's only export: descriptor `index`, or null past the last. [any thread]
extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
  return index < sizeof(kPlugins) / sizeof(kPlugins[0]) ? &kPlugins[index].mDescriptor : nullptr;
}
