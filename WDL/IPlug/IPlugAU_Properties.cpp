// Audio Unit properties of the binding.
// Placeholder: every property is refused until the property table is in place.

#include "IPlugAU.h"

ComponentResult IPlugAU::GetProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement, UInt32*, Boolean*,
                                     void*)
{
  return kAudioUnitErr_InvalidProperty;
}

ComponentResult IPlugAU::SetProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement, UInt32*, const void*)
{
  return kAudioUnitErr_InvalidProperty;
}

IPlugAU::BusChannels* IPlugAU::GetBus(AudioUnitScope, AudioUnitElement)
{
  return 0;
}

bool IPlugAU::CheckLegalIO(AudioUnitScope, int, int)
{
  return false;
}
