// The one instance of the effect that a fuzz target drives: loaded from the
// built component bundle and opened through the Component Manager, as a host
// does, on first use; it lives until the process ends.
#ifndef TESTS_FUZZ_FUZZ_UNIT_H
#define TESTS_FUZZ_FUZZ_UNIT_H

#include <AudioUnit/AudioUnit.h>

#include "IPlugBase.h"

// The open unit; aborts when the bundle cannot be loaded or opened. [main thread]
AudioUnit FuzzUnit();
// The plug-in object behind FuzzUnit(). [main thread]
IPlugBase* FuzzPlug();
// Aborts with message unless ok: a broken promise found by a fuzz input. [any thread]
void FuzzCheck(bool ok, const char* message);
// Aborts unless every parameter's value is finite and within its range. [main thread]
void FuzzCheckParams(IPlugBase* pPlug);

#endif
