// The real component bundle, loaded and driven the way a host does: through
// the host library, the Component Manager and the Audio Unit C calls only.

#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <math.h>
#include <string.h>
#include <sys/stat.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cinderpath_host/ComponentBundle.h"

namespace
{
const std::string kBundlePath = std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component";
const std::string kBundleId = "com.marrowfield.audiounit.Cinderpath";
const int kNumParams = 22;
const AudioUnitParameterID kDrive = 2;   // -12 ... 16 dB, default 2
const AudioUnitParameterID kCutoff = 0;  // 1 ... 20 kHz, default 20
const AudioUnitParameterID kOS = 19;     // 1 ... 16, default 4

OSType Code(const char* text)
{
  OSType code = 0;
  cinderpath_host::StringToFourCharCode(text, &code);
  return code;
}

bool FileExists(const std::string& path)
{
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

const cinderpath_host::LoadedBundle* Bundle()
{
  std::string error;
  const cinderpath_host::LoadedBundle* pBundle = cinderpath_host::LoadComponentBundle(kBundlePath, &error);
  EXPECT_NE(pBundle, nullptr) << error;
  return pBundle;
}

Component EffectComponent()
{
  const cinderpath_host::LoadedBundle* pBundle = Bundle();
  if (!pBundle) return nullptr;
  const cinderpath_host::BundleComponent* pComp = pBundle->Find(kAudioUnitType_Effect, Code("Cdpm"), Code("Mrwf"));
  return pComp ? pComp->component : nullptr;
}

class BundleTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    Component component = EffectComponent();
    ASSERT_NE(component, nullptr);
    ASSERT_EQ(mUnit.Open(component), noErr);
  }

  float Get(AudioUnitParameterID id)
  {
    AudioUnitParameterValue value = -999.0f;
    EXPECT_EQ(AudioUnitGetParameter(mUnit.Get(), id, kAudioUnitScope_Global, 0, &value), noErr);
    return value;
  }

  cinderpath_host::UnitHandle mUnit;
};

// An immediate event, or a ramp starting and ending at value.
AudioUnitParameterEvent Event(AudioUnitParameterID id, AUParameterEventType type, float value,
                              AudioUnitScope scope = kAudioUnitScope_Global)
{
  AudioUnitParameterEvent event;
  memset(&event, 0, sizeof(event));
  event.scope = scope;
  event.parameter = id;
  event.eventType = type;
  if (type == kParameterEvent_Immediate)
  {
    event.eventValues.immediate.value = value;
  }
  else
  {
    event.eventValues.ramp.startValue = value;
    event.eventValues.ramp.endValue = value;
  }
  return event;
}

int g_listenerCalls = 0;

// Input callback that supplies silence.
OSStatus SilentInput(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32,
                     AudioBufferList* list)
{
  for (UInt32 i = 0; i < list->mNumberBuffers; ++i) memset(list->mBuffers[i].mData, 0, list->mBuffers[i].mDataByteSize);
  return noErr;
}

// Render observer that records "<name>:pre" / "<name>:post" and, if asked,
// removes itself during its pre-render call.
struct Observer
{
  const char* name;
  AudioUnit unit;
  bool removeSelf;
  std::vector<std::string>* calls;
};

OSStatus ObserverProc(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32, UInt32,
                      AudioBufferList*)
{
  Observer* pObserver = (Observer*) refCon;
  const bool pre = (*flags & kAudioUnitRenderAction_PreRender) != 0;
  pObserver->calls->push_back(std::string(pObserver->name) + (pre ? ":pre" : ":post"));
  if (pre && pObserver->removeSelf) AudioUnitRemoveRenderNotify(pObserver->unit, ObserverProc, pObserver);
  return noErr;
}

OSStatus OtherObserverProc(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts, UInt32 bus,
                           UInt32 frames, AudioBufferList* list)
{
  return ObserverProc(refCon, flags, ts, bus, frames, list);
}
void CountingListener(void*, AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement)
{
  ++g_listenerCalls;
}
}  // namespace

TEST(BundleLayoutTest, ManifestExecutableAndResources)
{
  EXPECT_TRUE(FileExists(kBundlePath + "/Contents/Info.plist"));
  EXPECT_TRUE(FileExists(kBundlePath + "/Contents/Linux/Cinderpath.so"));
  EXPECT_TRUE(FileExists(kBundlePath + "/Contents/Resources"));

  // Every editor image of the source tree is among the bundle's resources.
  const std::string imageDir = std::string(CINDERPATH_SOURCE_DIR) + "/Cinderpath/resources/img";
  if (DIR* dir = opendir(imageDir.c_str()))
  {
    while (dirent* entry = readdir(dir))
    {
      if (entry->d_name[0] == '.') continue;
      EXPECT_TRUE(FileExists(kBundlePath + "/Contents/Resources/" + entry->d_name)) << entry->d_name;
    }
    closedir(dir);
  }
}

TEST(BundleLayoutTest, ExportsOnlyTheTwoEntries)
{
  const std::string so = kBundlePath + "/Contents/Linux/Cinderpath.so";
  void* handle = dlopen(so.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  EXPECT_NE(dlsym(handle, "Cinderpath_Entry"), nullptr);
  EXPECT_NE(dlsym(handle, "Cinderpath_ViewEntry"), nullptr);
  // Framework and plug-in symbols stay inside the bundle.
  for (const char* hidden : {"_Z8MakePlugv", "_ZN7IPlugAU12IPlugAUEntryEP19ComponentParametersPv",
                             "_ZN9IPlugBaseD2Ev", "_ZN10CinderpathC1ERK17IPlugInstanceInfo"})
  {
    EXPECT_EQ(dlsym(handle, hidden), nullptr) << hidden;
  }
  dlclose(handle);
}

TEST(BundleLayoutTest, HostLoadsAndRegistersBothComponents)
{
  const cinderpath_host::LoadedBundle* pBundle = Bundle();
  ASSERT_NE(pBundle, nullptr);
  EXPECT_EQ(pBundle->Identifier(), kBundleId);
  ASSERT_EQ(pBundle->Components().size(), 2u);

  const cinderpath_host::BundleComponent& effect = pBundle->Components()[0];
  EXPECT_EQ(effect.description.componentType, (OSType) kAudioUnitType_Effect);
  EXPECT_EQ(effect.description.componentSubType, Code("Cdpm"));
  EXPECT_EQ(effect.description.componentManufacturer, Code("Mrwf"));
  EXPECT_EQ(effect.entryName, "Cinderpath_Entry");
  EXPECT_EQ(effect.version, 0x10202u);

  const cinderpath_host::BundleComponent& view = pBundle->Components()[1];
  EXPECT_EQ(view.description.componentType, (OSType) kAudioUnitCarbonViewComponentType);
  EXPECT_EQ(view.entryName, "Cinderpath_ViewEntry");

  CFStringRef id = CFStringCreateWithCString(nullptr, kBundleId.c_str(), kCFStringEncodingUTF8);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(id), pBundle->Bundle());
  CFRelease(id);
}

TEST_F(BundleTest, LifecycleSelectors)
{
  AudioUnit unit = mUnit.Get();
  EXPECT_EQ(CallComponentVersion(unit), 0x10202);
  EXPECT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(AudioUnitReset(unit, kAudioUnitScope_Global, 0), noErr);
  EXPECT_EQ(AudioUnitUninitialize(unit), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(mUnit.Close(), noErr);
}

TEST_F(BundleTest, SelectorTableAnswers)
{
  AudioUnit unit = mUnit.Get();
  EXPECT_EQ(CallComponentCanDo(unit, kAudioUnitRemovePropertyListenerWithUserDataSelect), 0);
  EXPECT_EQ(CallComponentCanDo(unit, kAudioUnitScheduleParametersSelect), 1);
  EXPECT_EQ(CallComponentCanDo(unit, kAudioUnitRenderSelect), 1);

  ComponentParameters params = {};
  params.what = 0x0200;
  params.params[0] = (long) unit;
  EXPECT_EQ(CallComponentDispatch(&params), badComponentSelector);

  // Listener de-duplication by id and proc, and the user-data removal that
  // CanDo does not report.
  int a = 0, b = 0;
  const Float64 rate = 48000.0;
  g_listenerCalls = 0;
  EXPECT_EQ(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_SampleRate, CountingListener, &a), noErr);
  EXPECT_EQ(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_SampleRate, CountingListener, &b), noErr);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, sizeof(rate)),
            noErr);
  EXPECT_EQ(g_listenerCalls, 1);
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, kAudioUnitProperty_SampleRate, CountingListener, &b),
            noErr);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, sizeof(rate)),
            noErr);
  EXPECT_EQ(g_listenerCalls, 2);
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, kAudioUnitProperty_SampleRate, CountingListener, &a),
            noErr);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, sizeof(rate)),
            noErr);
  EXPECT_EQ(g_listenerCalls, 2);

  EXPECT_EQ(AudioUnitAddRenderNotify(unit, nullptr, nullptr), kAudio_ParamError);
}

TEST_F(BundleTest, ParametersThroughTheEntry)
{
  AudioUnit unit = mUnit.Get();
  EXPECT_FLOAT_EQ(Get(kCutoff), 20.0f);
  EXPECT_FLOAT_EQ(Get(kDrive), 2.0f);
  EXPECT_FLOAT_EQ(Get(kOS), 4.0f);
  for (AudioUnitParameterID id = 0; id < (AudioUnitParameterID) kNumParams; ++id) Get(id);

  EXPECT_EQ(AudioUnitSetParameter(unit, kDrive, kAudioUnitScope_Global, 0, 100.0f, 0), noErr);
  EXPECT_FLOAT_EQ(Get(kDrive), 16.0f);
  EXPECT_EQ(AudioUnitSetParameter(unit, kDrive, kAudioUnitScope_Global, 0, -7.25f, 0), noErr);
  EXPECT_FLOAT_EQ(Get(kDrive), -7.25f);

  AudioUnitParameterValue value = 1.0f;
  EXPECT_EQ(AudioUnitGetParameter(unit, kNumParams, kAudioUnitScope_Global, 0, &value),
            kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(AudioUnitSetParameter(unit, kNumParams, kAudioUnitScope_Global, 0, 1.0f, 0),
            kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(AudioUnitSetParameter(unit, kDrive, kAudioUnitScope_Global, 0, NAN, 0), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(AudioUnitSetParameter(unit, kDrive, kAudioUnitScope_Input, 0, 1.0f, 0), kAudioUnitErr_InvalidProperty);
  EXPECT_FLOAT_EQ(Get(kDrive), -7.25f);
  EXPECT_FLOAT_EQ(value, 1.0f);
}

TEST_F(BundleTest, ScheduledParametersSkipRampsAndStopAtErrors)
{
  AudioUnitParameterEvent events[4] = {Event(kDrive, kParameterEvent_Immediate, 5.0f),
                                       Event(kCutoff, kParameterEvent_Ramped, 3.0f),
                                       Event(kOS, kParameterEvent_Immediate, 8.0f, kAudioUnitScope_Output),
                                       Event(kOS, kParameterEvent_Immediate, 2.0f)};

  EXPECT_EQ(AudioUnitScheduleParameters(mUnit.Get(), events, 4), kAudioUnitErr_InvalidProperty);
  EXPECT_FLOAT_EQ(Get(kDrive), 5.0f);
  EXPECT_FLOAT_EQ(Get(kCutoff), 20.0f);
  EXPECT_FLOAT_EQ(Get(kOS), 4.0f);

  events[2].scope = kAudioUnitScope_Global;
  events[2].parameter = kNumParams;
  EXPECT_EQ(AudioUnitScheduleParameters(mUnit.Get(), events, 4), kAudioUnitErr_InvalidParameter);
  EXPECT_FLOAT_EQ(Get(kOS), 4.0f);

  events[2].parameter = kOS;
  EXPECT_EQ(AudioUnitScheduleParameters(mUnit.Get(), events, 4), noErr);
  EXPECT_FLOAT_EQ(Get(kOS), 2.0f);
}

TEST_F(BundleTest, InstancesAreIndependentAndOpenFromManyThreads)
{
  const int kThreads = 4;
  std::vector<cinderpath_host::UnitHandle> units(kThreads);
  std::vector<OSStatus> results(kThreads, -1);
  std::vector<std::thread> threads;
  Component component = EffectComponent();
  for (int i = 0; i < kThreads; ++i)
  {
    threads.emplace_back([&, i] { results[i] = units[i].Open(component); });
  }
  for (std::thread& t : threads) t.join();

  std::set<void*> storages = {GetComponentInstanceStorage(mUnit.Get())};
  for (int i = 0; i < kThreads; ++i)
  {
    ASSERT_EQ(results[i], noErr);
    storages.insert(GetComponentInstanceStorage(units[i].Get()));
    EXPECT_EQ(AudioUnitSetParameter(units[i].Get(), kDrive, kAudioUnitScope_Global, 0, (float) i, 0), noErr);
  }
  EXPECT_EQ(storages.size(), (size_t) kThreads + 1);
  for (int i = 0; i < kThreads; ++i)
  {
    AudioUnitParameterValue value = -1.0f;
    EXPECT_EQ(AudioUnitGetParameter(units[i].Get(), kDrive, kAudioUnitScope_Global, 0, &value), noErr);
    EXPECT_FLOAT_EQ(value, (float) i);
  }
  EXPECT_FLOAT_EQ(Get(kDrive), 2.0f);
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(units[i].Close(), noErr);
  EXPECT_FLOAT_EQ(Get(kDrive), 2.0f);
}

TEST_F(BundleTest, RenderObserversAroundEachRender)
{
  AudioUnit unit = mUnit.Get();
  AURenderCallbackStruct input = {SilentInput, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &input,
                                 sizeof(input)),
            noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);

  std::vector<std::string> calls;
  Observer a = {"a", unit, true, &calls};
  Observer b = {"b", unit, false, &calls};
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, ObserverProc, &a), noErr);
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, OtherObserverProc, &b), noErr);

  const UInt32 kFrames = 64;
  std::vector<float> left(kFrames), right(kFrames);
  struct
  {
    AudioBufferList list;
    AudioBuffer more;
  } buffers;
  AudioTimeStamp ts;
  memset(&ts, 0, sizeof(ts));
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  for (int round = 0; round < 2; ++round)
  {
    buffers.list.mNumberBuffers = 2;
    buffers.list.mBuffers[0] = {1, kFrames * 4, left.data()};
    buffers.more = {1, kFrames * 4, right.data()};
    AudioUnitRenderActionFlags flags = 0;
    ASSERT_EQ(AudioUnitRender(unit, &flags, &ts, 0, kFrames, &buffers.list), noErr);
    ts.mSampleTime += kFrames;
  }
  // a removed itself before the post-render round of the first render.
  EXPECT_EQ(calls, (std::vector<std::string>{"a:pre", "b:pre", "b:post", "b:pre", "b:post"}));
}
