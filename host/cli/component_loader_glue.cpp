#include "component_loader_glue.h"

#include <MacOSCompat/MacOSCompat.h>

#include <vector>

#include <cinderpath_host/ComponentBundle.h>
#include "plugin_session.h"

namespace cinderpath_cli {
namespace {

// Loads the bundle and finds its effect component. False with a message.
const cinderpath_host::BundleComponent* FindEffect(const std::string& bundlePath,
                                                   const cinderpath_host::LoadedBundle** loaded, std::string* error) {
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
    return nullptr;
  }
  const cinderpath_host::BundleComponent* effect = bundle->Find(kAudioUnitType_Effect);
  if (!effect) *error = "the bundle '" + bundlePath + "' holds no effect component";
  *loaded = bundle;
  return effect;
}

// Opens an instance of component, which the manifest entry effect describes.
bool OpenEffect(Component component, const cinderpath_host::BundleComponent& effect, AudioUnit* unit,
                ComponentDescription* description, std::string* productName, std::string* makerName,
                std::string* error) {
  const OSErr status = OpenAComponent(component, unit);
  if (status != noErr || !*unit) {
    *error = "opening the plug-in failed: " + StatusText(status);
    return false;
  }
  *description = effect.description;
  const auto colon = effect.name.find(": ");
  if (colon != std::string::npos) {
    *makerName = effect.name.substr(0, colon);
    *productName = effect.name.substr(colon + 2);
  } else {
    makerName->clear();
    *productName = effect.name;
  }
  return true;
}

}  // namespace

bool OpenComponentFromBundle(const std::string& bundlePath, AudioUnit* unit, ComponentDescription* description,
                             std::string* productName, std::string* makerName, std::string* error) {
  const cinderpath_host::LoadedBundle* bundle = nullptr;
  const cinderpath_host::BundleComponent* effect = FindEffect(bundlePath, &bundle, error);
  return effect && OpenEffect(effect->component, *effect, unit, description, productName, makerName, error);
}

bool OpenBuiltInComponent(const std::string& bundlePath, ComponentRoutineProcPtr entry, AudioUnit* unit,
                          ComponentDescription* description, std::string* productName, std::string* makerName,
                          std::string* error) {
  const cinderpath_host::LoadedBundle* bundle = nullptr;
  const cinderpath_host::BundleComponent* effect = FindEffect(bundlePath, &bundle, error);
  if (!effect) return false;
  // Registered components stay until the process exits, as the bundles do.
  struct Registered {
    ComponentRoutineProcPtr entry;
    const cinderpath_host::LoadedBundle* bundle;
    Component component;
  };
  static std::vector<Registered> s_registered;
  Component component = nullptr;
  for (const Registered& r : s_registered)
    if (r.entry == entry && r.bundle == bundle) component = r.component;
  if (!component) {
    CFStringRef name = CFStringCreateWithCString(nullptr, effect->name.c_str(), kCFStringEncodingUTF8);
    component = CompatRegisterComponent(&effect->description, entry, name, bundle->Bundle());
    if (name) CFRelease(name);
    if (!component) {
      *error = "the plug-in built into this program could not be registered";
      return false;
    }
    s_registered.push_back({entry, bundle, component});
  }
  return OpenEffect(component, *effect, unit, description, productName, makerName, error);
}

}  // namespace cinderpath_cli
