#include "fuzz_unit.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "cinderpath_host/ComponentBundle.h"

void FuzzCheck(bool ok, const char* message)
{
  if (ok) return;
  fprintf(stderr, "fuzz check failed: %s\n", message);
  abort();
}

AudioUnit FuzzUnit()
{
  // Never closed: the unit outlives every input of the run.
  static AudioUnit s_unit = [] {
    std::string error;
    const cinderpath_host::LoadedBundle* bundle =
      cinderpath_host::LoadComponentBundle(std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component", &error);
    if (!bundle) fprintf(stderr, "%s\n", error.c_str());
    FuzzCheck(bundle != nullptr, "the component bundle loads");
    const cinderpath_host::BundleComponent* component = bundle->Find(kAudioUnitType_Effect);
    FuzzCheck(component != nullptr, "the bundle holds the effect");
    AudioUnit unit = nullptr;
    FuzzCheck(OpenAComponent(component->component, &unit) == noErr && unit, "the effect opens");
    return unit;
  }();
  return s_unit;
}

IPlugBase* FuzzPlug()
{
  return (IPlugBase*)GetComponentInstanceStorage(FuzzUnit());
}

void FuzzCheckParams(IPlugBase* pPlug)
{
  for (int i = 0; i < pPlug->NParams(); ++i)
  {
    IParam* pParam = pPlug->GetParam(i);
    double lo = 0.0, hi = 0.0;
    pParam->GetBounds(&lo, &hi);
    const double v = pParam->Value();
    FuzzCheck(isfinite(v) && v >= lo && v <= hi, "every parameter is finite and within its range");
  }
}
