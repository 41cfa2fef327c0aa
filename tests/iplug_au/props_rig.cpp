#include "props_rig.h"

#include "au_test_plug.h"

namespace
{
// Opens rig objects itself, so that the test program's MakePlug (which builds
// another test plug-in) is not involved; every other selector goes to the
// binding's entry.
ComponentResult RigEntry(ComponentParameters* params, void* storage)
{
  if (params->what == kComponentOpenSelect)
  {
    ComponentInstance instance = (ComponentInstance)params->params[0];
    IPlugInstanceInfo info;
    info.mBundleIdentifier.Set("org.example.test.RigPlug");
    info.mViewClassName.Set("RigPlug_View");
    RigPlug* pPlug = new RigPlug(info);
    pPlug->AdoptInstance(instance);
    SetComponentInstanceStorage(instance, (Handle)pPlug);
    return noErr;
  }
  return IPlugAU::IPlugAUEntry(params, storage);
}
}  // namespace

RigPlug::RigPlug(const IPlugInstanceInfo& instanceInfo)
  : IPlugAU(instanceInfo, kRigNumParams, "1-1 2-2", kRigNumPresets, "Rig", "", "Tester", 0x10203,
            AuTestFourCC("Rgtp"), AuTestFourCC("Rgtm"), 4, false, false, false, 0)
{
  GetParam(kRigGain)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.1, "dB", "Input");
  GetParam(kRigMode)->InitEnum("Mode", 1, 3, "", "Tone");
  GetParam(kRigMode)->SetDisplayText(0, "Clean");
  GetParam(kRigMode)->SetDisplayText(1, "Warm");
  GetParam(kRigMode)->SetDisplayText(2, "Hot");
  GetParam(kRigBoost)->InitBool("Boost", false, "", "Input");
  GetParam(kRigSteps)->InitInt("Steps", 3, 0, 10, "", "");
  GetParam(kRigPhase)->InitDouble("Phase", 0.0, 0.0, 180.0, 1.0, "", "");
  GetParam(kRigPhase)->NegateDisplay();
  GetParam(kRigMeter)->InitDouble("Meter level of the output", 0.5, 0.0, 1.0, 0.01, "", "");
  GetParam(kRigMeter)->SetCanAutomate(false);

  MakeDefaultPreset("Init", 1);
  MakePresetFromNamedParams("Clean", 1, kRigGain, -6.0);
  MakePresetFromNamedParams("Hot", 2, kRigGain, 6.0, kRigMode, 2);
}

void RigPlug::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  ++mProcessCalls;
  for (int c = 0; c < NOutChannels(); ++c)
  {
    const double factor = 0.5 * (c + 1);
    const double* in = inputs[c < NInChannels() ? c : 0];
    for (int s = 0; s < nFrames; ++s) outputs[c][s] = in[s] * factor;
  }
}

void RigPlug::Reset()
{
  WDL_MutexLock lock(&mMutex);
  ++mResets;
  mResetSampleRate = mSampleRate;
}

void RigPlug::AdoptInstance(ComponentInstance instance)
{
  HostSpecificInit();
  PruneUninitializedPresets();
  mInstance = instance;
}

ComponentDescription RigDescription()
{
  return AuTestEffectDescription("Rgtp", "Rgtm");
}

AudioUnit OpenRigUnit()
{
  static const Component s_component = RegisterAuTestComponent(RigDescription(), RigEntry);
  return OpenAuTestInstance(s_component);
}

RigPlug* RigOf(AudioUnit unit)
{
  return unit ? (RigPlug*)GetComponentInstanceStorage(unit) : nullptr;
}

AudioStreamBasicDescription FloatFormat(double sampleRateHz, UInt32 channels)
{
  AudioStreamBasicDescription f = {};
  f.mSampleRate = sampleRateHz;
  f.mFormatID = kAudioFormatLinearPCM;
  f.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  f.mBytesPerPacket = 4;
  f.mFramesPerPacket = 1;
  f.mBytesPerFrame = 4;
  f.mChannelsPerFrame = channels;
  f.mBitsPerChannel = 32;
  return f;
}

std::string Utf8(CFStringRef str)
{
  if (!str) return "<null>";
  char buf[512];
  if (!CFStringGetCString(str, buf, sizeof(buf), kCFStringEncodingUTF8)) return "<unconvertible>";
  return buf;
}
