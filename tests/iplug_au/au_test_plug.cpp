#include "au_test_plug.h"

#include <chrono>
#include <thread>

std::atomic<int> AuTestPlug::s_constructing(0);
std::atomic<int> AuTestPlug::s_maxConstructing(0);
std::atomic<int> AuTestPlug::s_constructDelayMs(0);

AuTestPlug::AuTestPlug(const IPlugInstanceInfo& instanceInfo)
  : IPlugAU(instanceInfo, kTestNumParams, "1-1 2-2", 2, "AuTest", "", "Tester", 0x10203, AuTestFourCC("Tstp"),
            AuTestFourCC("Tstm"), 3,
            false, false, false, 0)
{
  const int now = ++s_constructing;
  int seen = s_maxConstructing.load();
  while (now > seen && !s_maxConstructing.compare_exchange_weak(seen, now)) {}
  const int delayMs = s_constructDelayMs.load();
  if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));

  GetParam(kTestGain)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.01, "dB", "");
  GetParam(kTestSteps)->InitInt("Steps", 3, 0, 10, "", "");
  GetParam(kTestSwitch)->InitBool("Switch", false, "", "");
  GetParam(kTestFreq)->InitDouble("Freq", 1000.0, 20.0, 20000.0, 1.0, "Hz", "");
  MakeDefaultPreset("-", 1);  // the second slot stays uninitialised
  --s_constructing;
}

AuTestPlug::~AuTestPlug() {}

AuTestGraphics* AuTestPlug::AttachTestGraphics()
{
  AuTestGraphics* pGraphics = new AuTestGraphics;
  AttachGraphics(pGraphics);
  return pGraphics;
}

ComponentDescription AuTestEffectDescription(const char (&subType)[5], const char (&manufacturer)[5])
{
  ComponentDescription desc = {};
  desc.componentType = kAudioUnitType_Effect;
  desc.componentSubType = AuTestFourCC(subType);
  desc.componentManufacturer = AuTestFourCC(manufacturer);
  return desc;
}

Component RegisterAuTestComponent(ComponentDescription desc, ComponentRoutineUPP entry)
{
  return RegisterComponent(&desc, entry, 0, 0, 0, 0);
}

AudioUnit OpenAuTestInstance(Component component)
{
  ComponentInstance instance = 0;
  if (OpenAComponent(component, &instance) != noErr) return 0;
  return instance;
}

ComponentDescription AuTestPlugDescription()
{
  return AuTestEffectDescription("Tstp", "Tstm");
}

#define PLUG_CLASS_NAME AuTestPlug
#define PLUG_BUNDLE_ID "org.example.test.AuTestPlug"
#define PLUG_VIEW_CLASS "AuTestPlug_View"
#define PLUG_ENTRY AuTestPlug_Entry
#define PLUG_VIEW_ENTRY AuTestPlug_ViewEntry
#include "IPlug_include_in_plug_src.h"

Component AuTestPlugComponent()
{
  static const Component s_component = RegisterAuTestComponent(AuTestPlugDescription(), AuTestPlug_Entry);
  return s_component;
}

AudioUnit OpenAuTestUnit()
{
  return OpenAuTestInstance(AuTestPlugComponent());
}

AuTestPlug* AuTestPlugOf(AudioUnit unit)
{
  return (AuTestPlug*) GetComponentInstanceStorage(unit);
}
