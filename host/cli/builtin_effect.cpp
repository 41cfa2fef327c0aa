#include "builtin_effect.h"

#include "Cinderpath.h"
#include "IPlugAU.h"
#include "IPlugInstance.h"

#ifndef CINDERPATH_BUNDLE_ID
#error "The build defines CINDERPATH_BUNDLE_ID."
#endif

// The plug-in object for each instance the entry opens; the same identity as
// the bundle's, so the editor finds its images in the bundle.
IPlugAU* MakePlug()
{
  return IPlugMakePlugLocked<Cinderpath>(CINDERPATH_BUNDLE_ID, "Cinderpath_View");
}

namespace cinderpath_cli {

ComponentResult BuiltInEffectEntry(ComponentParameters* params, void* storage) {
  return IPlugAU::IPlugAUEntry(params, storage);
}

}  // namespace cinderpath_cli
