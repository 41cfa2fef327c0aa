// Host state, factory presets and change notification of the binding.
// Placeholder: state and presets are refused and nothing is posted until
// they are in place.

#include "IPlugAU.h"

ComponentResult IPlugAU::GetState(CFPropertyListRef*)
{
  return kAudioUnitErr_InvalidProperty;
}

ComponentResult IPlugAU::SetState(CFPropertyListRef)
{
  return kAudioUnitErr_InvalidProperty;
}

ComponentResult IPlugAU::GetFactoryPresets(CFArrayRef*)
{
  return kAudioUnitErr_InvalidProperty;
}

void IPlugAU::BeginInformHostOfParamChange(int) {}

void IPlugAU::InformHostOfParamChange(int, double) {}

void IPlugAU::EndInformHostOfParamChange(int) {}

void IPlugAU::InformHostOfProgramChange() {}
