// Opens the effect component of a bundle through the host loader.
#pragma once

#include <AudioUnit/AudioUnit.h>

#include <string>

namespace cinderpath_cli {

// Loads the bundle at bundlePath, opens an instance of its first effect
// component ('aufx') and reports its codes and display names (a manifest
// name "Maker: Product" gives both). False with a message on any failure. [main thread]
bool OpenComponentFromBundle(const std::string& bundlePath, AudioUnit* unit, ComponentDescription* description,
                             std::string* productName, std::string* makerName, std::string* error);

// As OpenComponentFromBundle, but the instance runs entry, the plug-in's own
// entry function built into this program: it is registered (once per process
// and bundle) under the description, name and bundle of the bundle's effect
// component, so the plug-in finds its resources in the bundle and a caller
// can reach the plug-in object through the instance storage. [main thread]
bool OpenBuiltInComponent(const std::string& bundlePath, ComponentRoutineProcPtr entry, AudioUnit* unit,
                          ComponentDescription* description, std::string* productName, std::string* makerName,
                          std::string* error);

}  // namespace cinderpath_cli
