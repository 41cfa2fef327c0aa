// The effect built into the cinderpath program, for commands that need the
// plug-in object itself (the snapshot draws its editor). A host reaches it
// only through its Audio Unit entry, registered under the description of the
// bundle's effect component (see OpenBuiltInComponent).
#pragma once

#include <AudioUnit/AudioUnit.h>

namespace cinderpath_cli {

// The component entry of the built-in effect: the bundle's entry, without
// what a loaded bundle registers for hosts (its editor view factory), which
// stays with the bundle the program loads. [any thread]
ComponentResult BuiltInEffectEntry(ComponentParameters* params, void* storage);

}  // namespace cinderpath_cli
