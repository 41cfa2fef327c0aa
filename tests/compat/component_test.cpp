// Component Manager: registration, search, instances, storage, and the
// parameter blocks the Audio Unit calls build for an entry function.
#include <AudioUnit/AudioUnit.h>
#include <MacOSCompat/MacOSCompat.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// What the recording entry saw on its last call.
struct Seen {
  int calls = 0;
  SInt16 what = 0;
  UInt8 paramSize = 0;
  long params[8] = {};
  void* storage = nullptr;
};
Seen gSeen;
ComponentResult gNextResult = noErr;
int gOpens = 0, gCloses = 0;

ComponentResult RecordingEntry(ComponentParameters* params, void* storage) {
  gSeen.calls++;
  gSeen.what = params->what;
  gSeen.paramSize = params->paramSize;
  int slots = 1 + params->paramSize / (int)sizeof(long);
  for (int i = 0; i < slots && i < 8; i++) gSeen.params[i] = params->params[i];
  gSeen.storage = storage;
  if (params->what == kComponentOpenSelect) {
    gOpens++;
    if (gNextResult == noErr)
      SetComponentInstanceStorage((ComponentInstance)params->params[0], (Handle)&gSeen);
  }
  if (params->what == kComponentCloseSelect) gCloses++;
  return gNextResult;
}

constexpr OSType Code(const char (&text)[5]) {
  return (OSType)(unsigned char)text[0] << 24 | (OSType)(unsigned char)text[1] << 16 |
         (OSType)(unsigned char)text[2] << 8 | (OSType)(unsigned char)text[3];
}

template <typename T>
T Slot(int i) {
  T value;
  std::memcpy(&value, &gSeen.params[i], sizeof value);
  return value;
}

ComponentDescription Desc(OSType type, OSType sub, OSType manu) {
  ComponentDescription d = {type, sub, manu, 0, 0};
  return d;
}

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSeen = Seen();
    gNextResult = noErr;
    gOpens = gCloses = 0;
    ComponentDescription d = Desc(Code("aufx"), Code("Test"), Code("Tstm"));
    mComponent = CompatRegisterComponent(&d, RecordingEntry, CFSTR("Maker: Test"), nullptr);
    ASSERT_NE(nullptr, mComponent);
    ASSERT_EQ(noErr, OpenAComponent(mComponent, &mUnit));
  }
  void TearDown() override {
    if (mUnit) {
      EXPECT_EQ(noErr, CloseComponent(mUnit));
    }
    EXPECT_EQ(noErr, UnregisterComponent(mComponent));
  }
  Component mComponent = nullptr;
  AudioUnit mUnit = nullptr;
};

TEST_F(ComponentTest, OpenPassesTheInstanceAndStorageComesBack) {
  EXPECT_EQ(1, gOpens);
  EXPECT_EQ((long)mUnit, gSeen.params[0]);
  EXPECT_EQ(nullptr, gSeen.storage);  // no storage before the open registers it
  EXPECT_EQ((Handle)&gSeen, GetComponentInstanceStorage(mUnit));
  EXPECT_EQ(mComponent, GetComponentIDFromComponentInstance(mUnit));
  EXPECT_EQ(1, CountComponentInstances(mComponent));
  AudioUnitInitialize(mUnit);
  EXPECT_EQ(kAudioUnitInitializeSelect, gSeen.what);
  EXPECT_EQ(&gSeen, gSeen.storage);
  EXPECT_EQ(0, gSeen.paramSize);
}

TEST_F(ComponentTest, GetComponentInfoAcceptsAnInstance) {
  ComponentDescription d = {};
  EXPECT_EQ(noErr, GetComponentInfo((Component)mUnit, &d, nullptr, nullptr, nullptr));
  EXPECT_EQ((OSType)Code("aufx"), d.componentType);
  EXPECT_EQ((OSType)Code("Test"), d.componentSubType);
  EXPECT_EQ((OSType)Code("Tstm"), d.componentManufacturer);
  int bogus = 0;
  EXPECT_EQ(invalidComponentID, GetComponentInfo((Component)&bogus, &d, nullptr, nullptr, nullptr));
  CFStringRef name = CompatCopyComponentName(mComponent);
  EXPECT_EQ(kCFCompareEqualTo, CFStringCompare(name, CFSTR("Maker: Test"), 0));
  CFRelease(name);
}

TEST_F(ComponentTest, PropertyCallsPassArgumentsInDeclarationOrder) {
  UInt32 size = 8;
  Float64 data = 0;
  Boolean writable = false;
  AudioUnitGetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 3, &data,
                       &size);
  EXPECT_EQ(kAudioUnitGetPropertySelect, gSeen.what);
  EXPECT_EQ(5 * (int)sizeof(long), gSeen.paramSize);
  EXPECT_EQ((long)mUnit, gSeen.params[0]);
  EXPECT_EQ((UInt32)kAudioUnitProperty_SampleRate, Slot<UInt32>(1));
  EXPECT_EQ((UInt32)kAudioUnitScope_Output, Slot<UInt32>(2));
  EXPECT_EQ(3u, Slot<UInt32>(3));
  EXPECT_EQ(&data, Slot<void*>(4));
  EXPECT_EQ(&size, Slot<UInt32*>(5));

  AudioUnitGetPropertyInfo(mUnit, 14, kAudioUnitScope_Global, 0, &size, &writable);
  EXPECT_EQ(kAudioUnitGetPropertyInfoSelect, gSeen.what);
  EXPECT_EQ(&size, Slot<UInt32*>(4));
  EXPECT_EQ(&writable, Slot<Boolean*>(5));

  AudioUnitSetProperty(mUnit, 2, kAudioUnitScope_Input, 1, &data, 8);
  EXPECT_EQ(kAudioUnitSetPropertySelect, gSeen.what);
  EXPECT_EQ((const void*)&data, Slot<const void*>(4));
  EXPECT_EQ(8u, Slot<UInt32>(5));
}

TEST_F(ComponentTest, ParameterAndRenderCallsPassArgumentsInDeclarationOrder) {
  AudioUnitSetParameter(mUnit, 7, kAudioUnitScope_Global, 2, -0.25f, 64);
  EXPECT_EQ(kAudioUnitSetParameterSelect, gSeen.what);
  EXPECT_EQ(7u, Slot<UInt32>(1));
  EXPECT_EQ(2u, Slot<UInt32>(3));
  EXPECT_EQ(-0.25f, Slot<Float32>(4));
  EXPECT_EQ(0, (int)(gSeen.params[4] >> 32));  // the rest of the slot is zero
  EXPECT_EQ(64u, Slot<UInt32>(5));

  AudioUnitParameterValue value;
  AudioUnitGetParameter(mUnit, 9, kAudioUnitScope_Global, 0, &value);
  EXPECT_EQ(kAudioUnitGetParameterSelect, gSeen.what);
  EXPECT_EQ(&value, Slot<AudioUnitParameterValue*>(4));

  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp ts = {};
  AudioBufferList list = {};
  AudioUnitRender(mUnit, &flags, &ts, 1, 512, &list);
  EXPECT_EQ(kAudioUnitRenderSelect, gSeen.what);
  EXPECT_EQ(&flags, Slot<AudioUnitRenderActionFlags*>(1));
  EXPECT_EQ(&ts, Slot<const AudioTimeStamp*>(2));
  EXPECT_EQ(1u, Slot<UInt32>(3));
  EXPECT_EQ(512u, Slot<UInt32>(4));
  EXPECT_EQ(&list, Slot<AudioBufferList*>(5));

  AudioUnitParameterEvent events[2] = {};
  AudioUnitScheduleParameters(mUnit, events, 2);
  EXPECT_EQ(kAudioUnitScheduleParametersSelect, gSeen.what);
  EXPECT_EQ((const AudioUnitParameterEvent*)events, Slot<const AudioUnitParameterEvent*>(1));
  EXPECT_EQ(2u, Slot<UInt32>(2));

  AudioUnitReset(mUnit, kAudioUnitScope_Global, 5);
  EXPECT_EQ(kAudioUnitResetSelect, gSeen.what);
  EXPECT_EQ(5u, Slot<UInt32>(2));
}

void ListenerProc(void*, AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement) {}
OSStatus NotifyProc(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32,
                    AudioBufferList*) {
  return noErr;
}

TEST_F(ComponentTest, ListenerAndNotifyCallsUseTheirSelectors) {
  int user = 0;
  struct Case {
    OSStatus (*call)(AudioUnit, int*);
    SInt16 selector;
    int count;
  };
  AudioUnitAddPropertyListener(mUnit, 21, ListenerProc, &user);
  EXPECT_EQ(kAudioUnitAddPropertyListenerSelect, gSeen.what);
  EXPECT_EQ(21u, Slot<UInt32>(1));
  EXPECT_EQ((void*)ListenerProc, Slot<void*>(2));
  EXPECT_EQ(&user, Slot<void*>(3));
  AudioUnitRemovePropertyListener(mUnit, 21, ListenerProc);
  EXPECT_EQ(kAudioUnitRemovePropertyListenerSelect, gSeen.what);
  EXPECT_EQ(2 * (int)sizeof(long), gSeen.paramSize);
  AudioUnitRemovePropertyListenerWithUserData(mUnit, 21, ListenerProc, &user);
  EXPECT_EQ(kAudioUnitRemovePropertyListenerWithUserDataSelect, gSeen.what);
  EXPECT_EQ(&user, Slot<void*>(3));
  AudioUnitAddRenderNotify(mUnit, NotifyProc, &user);
  EXPECT_EQ(kAudioUnitAddRenderNotifySelect, gSeen.what);
  EXPECT_EQ((void*)NotifyProc, Slot<void*>(1));
  EXPECT_EQ(&user, Slot<void*>(2));
  AudioUnitRemoveRenderNotify(mUnit, NotifyProc, &user);
  EXPECT_EQ(kAudioUnitRemoveRenderNotifySelect, gSeen.what);
  AudioUnitUninitialize(mUnit);
  EXPECT_EQ(kAudioUnitUninitializeSelect, gSeen.what);
}

TEST_F(ComponentTest, CanDoAndVersionPassTheirValues) {
  gNextResult = 1;
  EXPECT_EQ(1, CallComponentCanDo(mUnit, kAudioUnitRemovePropertyListenerWithUserDataSelect));
  EXPECT_EQ(kComponentCanDoSelect, gSeen.what);
  EXPECT_EQ((SInt16)18, Slot<SInt16>(1));
  CallComponentCanDo(mUnit, kComponentCloseSelect);
  EXPECT_EQ((SInt16)-2, Slot<SInt16>(1));
  gNextResult = 0x10202;
  EXPECT_EQ(0x10202, CallComponentVersion(mUnit));
  EXPECT_EQ(kComponentVersionSelect, gSeen.what);
  gNextResult = noErr;
}

TEST_F(ComponentTest, ResultsOfTheEntryComeBackUnchanged) {
  gNextResult = badComponentSelector;
  EXPECT_EQ(badComponentSelector, AudioUnitReset(mUnit, 0, 0));
  gNextResult = kAudioUnitErr_InvalidParameter;
  EXPECT_EQ(kAudioUnitErr_InvalidParameter, AudioUnitSetParameter(mUnit, 30, 0, 0, 1.0f, 0));
  gNextResult = noErr;
}

TEST_F(ComponentTest, ClosedInstancesAreRefused) {
  AudioUnit unit = mUnit;
  EXPECT_EQ(noErr, CloseComponent(unit));
  mUnit = nullptr;
  EXPECT_EQ(1, gCloses);
  EXPECT_EQ(&gSeen, gSeen.storage);  // close gets the storage
  int calls = gSeen.calls;
  EXPECT_EQ(badComponentInstance, AudioUnitInitialize(unit));
  EXPECT_EQ(invalidComponentID, CloseComponent(unit));
  EXPECT_EQ(nullptr, GetComponentInstanceStorage(unit));
  EXPECT_EQ(calls, gSeen.calls);  // the entry was not called
  EXPECT_EQ(badComponentInstance, AudioUnitInitialize(nullptr));
}

TEST_F(ComponentTest, FailedOpenLeavesNoInstance) {
  gNextResult = memFullErr;
  AudioUnit unit = (AudioUnit)&gSeen;
  EXPECT_EQ(memFullErr, OpenAComponent(mComponent, &unit));
  EXPECT_EQ(nullptr, unit);
  EXPECT_EQ(0, gCloses);  // no close for an open that failed
  EXPECT_EQ(1, CountComponentInstances(mComponent));
  EXPECT_EQ(nullptr, OpenComponent(mComponent));
  gNextResult = noErr;
  EXPECT_EQ(paramErr, OpenAComponent(mComponent, nullptr));
}

TEST_F(ComponentTest, UnregisterWaitsForInstancesToClose) {
  EXPECT_EQ(validInstancesExist, UnregisterComponent(mComponent));
  AudioUnit second = OpenComponent(mComponent);
  ASSERT_NE(nullptr, second);
  EXPECT_NE(mUnit, second);
  EXPECT_EQ(2, CountComponentInstances(mComponent));
  EXPECT_EQ(noErr, CloseComponent(second));
}

TEST(ComponentRegistry, FindNextMatchesWildcardsInRegistrationOrder) {
  ComponentDescription a = Desc(Code("aufx"), Code("Aaaa"), Code("Mfr1"));
  ComponentDescription b = Desc(Code("auvw"), Code("Aaaa"), Code("Mfr1"));
  ComponentDescription c = Desc(Code("aufx"), Code("Bbbb"), Code("Mfr2"));
  Component ca = CompatRegisterComponent(&a, RecordingEntry, nullptr, nullptr);
  Component cb = CompatRegisterComponent(&b, RecordingEntry, nullptr, nullptr);
  Component cc = RegisterComponent(&c, RecordingEntry, 0, nullptr, nullptr, nullptr);
  ComponentDescription effects = Desc(Code("aufx"), 0, 0);
  EXPECT_EQ(2, CountComponents(&effects));
  EXPECT_EQ(ca, FindNextComponent(nullptr, &effects));
  EXPECT_EQ(cc, FindNextComponent(ca, &effects));
  EXPECT_EQ(nullptr, FindNextComponent(cc, &effects));
  ComponentDescription mfr1 = Desc(0, 0, Code("Mfr1"));
  EXPECT_EQ(2, CountComponents(&mfr1));
  ComponentDescription exact = Desc(Code("auvw"), Code("Aaaa"), Code("Mfr1"));
  EXPECT_EQ(cb, FindNextComponent(nullptr, &exact));
  EXPECT_EQ(nullptr, CompatRegisterComponent(nullptr, RecordingEntry, nullptr, nullptr));
  EXPECT_EQ(nullptr, CompatRegisterComponent(&a, nullptr, nullptr, nullptr));
  for (Component comp : {ca, cb, cc}) EXPECT_EQ(noErr, UnregisterComponent(comp));
  EXPECT_EQ(invalidComponentID, UnregisterComponent(ca));
  EXPECT_EQ(0, CountComponents(&effects));
}

// Counts opens and closes of instances made on several threads at once.
std::atomic<int> gThreadOpens{0};
ComponentResult CountingEntry(ComponentParameters* params, void* storage) {
  ComponentInstance self = (ComponentInstance)params->params[0];
  switch (params->what) {
    case kComponentOpenSelect:
      gThreadOpens++;
      SetComponentInstanceStorage(self, (Handle) new long((long)self));
      return noErr;
    case kComponentCloseSelect:
      delete static_cast<long*>(storage);
      return noErr;
    default:
      // Each instance must get its own storage back.
      return *static_cast<long*>(storage) == (long)self ? noErr : paramErr;
  }
}

TEST(ComponentRegistry, InstancesOpenAndCloseOnSeveralThreads) {
  ComponentDescription d = Desc(Code("aufx"), Code("Thrd"), Code("Tstm"));
  Component c = CompatRegisterComponent(&d, CountingEntry, nullptr, nullptr);
  std::atomic<int> failures{0};
  auto work = [&] {
    for (int i = 0; i < 200; i++) {
      AudioUnit unit = OpenComponent(c);
      if (!unit || AudioUnitReset(unit, 0, 0) != noErr || CloseComponent(unit) != noErr) failures++;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(0, failures.load());
  EXPECT_EQ(400, gThreadOpens.load());
  EXPECT_EQ(0, CountComponentInstances(c));
  EXPECT_EQ(noErr, UnregisterComponent(c));
}

TEST(Gestalt, ReportsTheSystemVersion) {
  SInt32 version = 0;
  EXPECT_EQ(noErr, Gestalt(gestaltSystemVersion, &version));
  EXPECT_GT(version, 0x104F);
  // The packed form (0xMMmb in BCD) agrees with the separate parts.
  SInt32 major = 0, minor = 0, bugFix = 0;
  EXPECT_EQ(noErr, Gestalt(gestaltSystemVersionMajor, &major));
  EXPECT_EQ(noErr, Gestalt(gestaltSystemVersionMinor, &minor));
  EXPECT_EQ(noErr, Gestalt(gestaltSystemVersionBugFix, &bugFix));
  EXPECT_EQ(version, (major / 10) << 12 | (major % 10) << 8 | minor << 4 | bugFix);
  EXPECT_EQ(gestaltUndefSelectorErr, Gestalt(Code("zzzz"), &version));
  EXPECT_EQ(paramErr, Gestalt(gestaltSystemVersion, nullptr));
}

}  // namespace
