#include "component_loader_glue.h"

#include <MacOSCompat/MacOSCompat.h>

#include <cinderpath_host/ComponentBundle.h>
#include "plugin_session.h"

namespace cinderpath_cli {

bool OpenComponentFromBundle(const std::string& bundlePath, AudioUnit* unit, ComponentDescription* description,
                             std::string* productName, std::string* makerName, std::string* error) {
  // The plug-in identifies its host from the main bundle's identifier.
  static bool s_identified = false;
  if (!s_identified) {
    CompatSetMainBundleIdentifier(CFSTR("org.cinderpath.render"));
    s_identified = true;
  }
  std::string loadError;
  const cinderpath_host::LoadedBundle* bundle = cinderpath_host::LoadComponentBundle(bundlePath, &loadError);
  if (!bundle) {
    *error = "cannot load the plug-in bundle: " + loadError;
    return false;
  }
  const cinderpath_host::BundleComponent* effect = bundle->Find(kAudioUnitType_Effect);
  if (!effect) {
    *error = "the bundle '" + bundlePath + "' holds no effect component";
    return false;
  }
  const OSErr status = OpenAComponent(effect->component, unit);
  if (status != noErr || !*unit) {
    *error = "opening the plug-in failed: " + StatusText(status);
    return false;
  }
  *description = effect->description;
  const auto colon = effect->name.find(": ");
  if (colon != std::string::npos) {
    *makerName = effect->name.substr(0, colon);
    *productName = effect->name.substr(colon + 2);
  } else {
    makerName->clear();
    *productName = effect->name;
  }
  return true;
}

}  // namespace cinderpath_cli
