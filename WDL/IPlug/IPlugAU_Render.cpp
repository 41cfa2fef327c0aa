// Render path of the Audio Unit binding: input connections, the render
// procedure and the host's musical context.
// Placeholder: nothing is connected and rendering is refused until the render
// path is in place.

#include "IPlugAU.h"

const char* IPlugAU::AUInputTypeStr(int type)
{
  switch (type)
  {
    case DirectFastProc: return "DirectFastProc";
    case DirectNoFastProc: return "DirectNoFastProc";
    case RenderCallback: return "RenderCallback";
    default: return "NotConnected";
  }
}

void IPlugAU::AssessInputConnections() {}

OSStatus IPlugAU::SetConnection(AudioUnitScope, const AudioUnitConnection*)
{
  return kAudioUnitErr_InvalidProperty;
}

OSStatus IPlugAU::SetInputCallback(AudioUnitScope, AudioUnitElement, const AURenderCallbackStruct*)
{
  return kAudioUnitErr_InvalidProperty;
}

OSStatus IPlugAU::RenderProc(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32,
                             AudioBufferList*)
{
  return kAudioUnitErr_InvalidProperty;
}

double IPlugAU::GetTempo()
{
  return mLastTempo;
}

void IPlugAU::GetTimeSig(int*, int*) {}

double IPlugAU::GetSamplePos()
{
  return 0.0;
}

void IPlugAU::GetTime(ITimeInfo*) {}
