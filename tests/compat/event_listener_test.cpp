// Parameter and event listeners: matching, the value read back from the
// unit, sender exclusion, wildcards, and registrations changing while a post
// is being delivered.
#include <AudioToolbox/AudioToolbox.h>
#include <MacOSCompat/MacOSCompat.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

Float32 gValues[4] = {0.5f, 1.5f, 2.5f, 3.5f};

// The property listener the unit holds (one, for the property-change test).
AudioUnitPropertyListenerProc gUnitListener = nullptr;
AudioUnitPropertyID gUnitListenerProperty = 0;
int gUnitListenerRemovals = 0;

// Address of argument slot i of a parameter block; the block's array is
// declared with one element and really holds one slot per argument.
const long* Slot(const ComponentParameters* params, int i) { return params->params + i; }

// A unit whose parameters are gValues and which keeps one property
// listener; anything else is refused.
ComponentResult ValueEntry(ComponentParameters* params, void*) {
  if (params->what == kComponentOpenSelect || params->what == kComponentCloseSelect) return noErr;
  if (params->what == kAudioUnitAddPropertyListenerSelect) {
    std::memcpy(&gUnitListenerProperty, Slot(params, 1), sizeof gUnitListenerProperty);
    std::memcpy(&gUnitListener, Slot(params, 2), sizeof gUnitListener);
    return noErr;
  }
  if (params->what == kAudioUnitRemovePropertyListenerWithUserDataSelect) {
    gUnitListenerRemovals++;
    gUnitListener = nullptr;
    return noErr;
  }
  if (params->what != kAudioUnitGetParameterSelect) return badComponentSelector;
  AudioUnitParameterID id;
  std::memcpy(&id, Slot(params, 1), sizeof id);
  if (id >= 4) return kAudioUnitErr_InvalidParameter;
  AudioUnitParameterValue* out;
  std::memcpy(&out, Slot(params, 4), sizeof out);
  *out = gValues[id];
  return noErr;
}

struct Heard {
  void* object;
  AudioUnitEventType type;
  AudioUnitParameterID id;
  Float32 value;
};

struct Log {
  std::vector<Heard> heard;
  AUEventListenerRef self = nullptr;
  AUEventListenerRef other = nullptr;
  bool disposeSelf = false;
  bool disposeOther = false;
};

void EventProc(void* refCon, void* object, const AudioUnitEvent* event, UInt64,
               AudioUnitParameterValue value) {
  Log* log = static_cast<Log*>(refCon);
  log->heard.push_back({object, event->mEventType, event->mArgument.mParameter.mParameterID, value});
  if (log->disposeSelf) {
    log->disposeSelf = false;
    AUListenerDispose(log->self);
  }
  if (log->disposeOther) {
    log->disposeOther = false;
    AUListenerDispose(log->other);
  }
}

void ParameterProc(void* refCon, void* object, const AudioUnitParameter* parameter,
                   AudioUnitParameterValue value) {
  static_cast<Log*>(refCon)->heard.push_back(
      {object, kAudioUnitEvent_ParameterValueChange, parameter->mParameterID, value});
}

class EventListenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ComponentDescription d = {0x61756678, 0x45766E74, 0x54737431, 0, 0};
    mComponent = CompatRegisterComponent(&d, ValueEntry, nullptr, nullptr);
    ASSERT_EQ(noErr, OpenAComponent(mComponent, &mUnit));
  }
  void TearDown() override {
    CloseComponent(mUnit);
    UnregisterComponent(mComponent);
  }
  AudioUnitEvent Event(AudioUnitEventType type, AudioUnitParameterID id) const {
    AudioUnitEvent e = {};
    e.mEventType = type;
    e.mArgument.mParameter = {mUnit, id, kAudioUnitScope_Global, 0};
    return e;
  }
  Component mComponent = nullptr;
  AudioUnit mUnit = nullptr;
};

TEST_F(EventListenerTest, MatchingListenersHearEventsWithTheValueReadBack) {
  Log log;
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(noErr, AUEventListenerCreate(EventProc, &log, CFRunLoopGetCurrent(),
                                         kCFRunLoopDefaultMode, 0.05f, 0.05f, &listener));
  int object = 0;
  AudioUnitEvent change1 = Event(kAudioUnitEvent_ParameterValueChange, 1);
  AudioUnitEvent begin1 = Event(kAudioUnitEvent_BeginParameterChangeGesture, 1);
  EXPECT_EQ(noErr, AUEventListenerAddEventType(listener, &object, &change1));
  EXPECT_EQ(noErr, AUEventListenerAddEventType(listener, &object, &change1));  // kept once
  EXPECT_EQ(noErr, AUEventListenerAddEventType(listener, &object, &begin1));

  // As a plug-in posts them: no sender.
  EXPECT_EQ(noErr, AUEventListenerNotify(nullptr, nullptr, &change1));
  AudioUnitEvent change2 = Event(kAudioUnitEvent_ParameterValueChange, 2);
  AUEventListenerNotify(nullptr, nullptr, &change2);  // not registered
  AudioUnitEvent end1 = Event(kAudioUnitEvent_EndParameterChangeGesture, 1);
  AUEventListenerNotify(nullptr, nullptr, &end1);  // not registered
  AUEventListenerNotify(nullptr, nullptr, &begin1);
  AudioUnitEvent otherScope = change1;
  otherScope.mArgument.mParameter.mScope = kAudioUnitScope_Input;
  AUEventListenerNotify(nullptr, nullptr, &otherScope);

  ASSERT_EQ(2u, log.heard.size());
  EXPECT_EQ(&object, log.heard[0].object);
  EXPECT_EQ((UInt32)kAudioUnitEvent_ParameterValueChange, log.heard[0].type);
  EXPECT_EQ(1.5f, log.heard[0].value);  // read from the unit
  EXPECT_EQ((UInt32)kAudioUnitEvent_BeginParameterChangeGesture, log.heard[1].type);
  EXPECT_EQ(0.0f, log.heard[1].value);

  EXPECT_EQ(noErr, AUEventListenerRemoveEventType(listener, &object, &change1));
  EXPECT_EQ(paramErr, AUEventListenerRemoveEventType(listener, &object, &change1));
  AUEventListenerNotify(nullptr, nullptr, &change1);
  EXPECT_EQ(2u, log.heard.size());
  EXPECT_EQ(noErr, AUListenerDispose(listener));
  EXPECT_EQ(paramErr, AUListenerDispose(listener));
  EXPECT_EQ(paramErr, AUEventListenerNotify(nullptr, nullptr, nullptr));
}

TEST_F(EventListenerTest, TheSenderIsNotToldOfItsOwnChange) {
  Log a, b;
  AUParameterListenerRef la = nullptr, lb = nullptr;
  ASSERT_EQ(noErr, AUListenerCreate(ParameterProc, &a, nullptr, nullptr, 0, &la));
  ASSERT_EQ(noErr, AUListenerCreate(ParameterProc, &b, nullptr, nullptr, 0, &lb));
  AudioUnitParameter p = {mUnit, 3, kAudioUnitScope_Global, 0};
  AUListenerAddParameter(la, nullptr, &p);
  AUListenerAddParameter(lb, nullptr, &p);
  EXPECT_EQ(noErr, AUParameterListenerNotify(la, nullptr, &p));
  EXPECT_EQ(0u, a.heard.size());
  ASSERT_EQ(1u, b.heard.size());
  EXPECT_EQ(3.5f, b.heard[0].value);
  EXPECT_EQ(noErr, AUListenerRemoveParameter(lb, nullptr, &p));
  AUParameterListenerNotify(la, nullptr, &p);
  EXPECT_EQ(1u, b.heard.size());
  AUListenerDispose(la);
  AUListenerDispose(lb);
}

TEST_F(EventListenerTest, WildcardParameterOnEitherSide) {
  Log any, one;
  AUEventListenerRef lAny = nullptr, lOne = nullptr;
  AUEventListenerCreate(EventProc, &any, nullptr, nullptr, 0, 0, &lAny);
  AUEventListenerCreate(EventProc, &one, nullptr, nullptr, 0, 0, &lOne);
  AudioUnitEvent all = Event(kAudioUnitEvent_ParameterValueChange, kAUParameterListener_AnyParameter);
  AudioUnitEvent p0 = Event(kAudioUnitEvent_ParameterValueChange, 0);
  AUEventListenerAddEventType(lAny, nullptr, &all);
  AUEventListenerAddEventType(lOne, nullptr, &p0);
  AudioUnitEvent p2 = Event(kAudioUnitEvent_ParameterValueChange, 2);
  AUEventListenerNotify(nullptr, nullptr, &p2);  // reaches the wildcard registration only
  ASSERT_EQ(1u, any.heard.size());
  EXPECT_EQ(2.5f, any.heard[0].value);
  EXPECT_EQ(0u, one.heard.size());
  AUEventListenerNotify(nullptr, nullptr, &all);  // reaches every registration of the unit
  ASSERT_EQ(1u, one.heard.size());
  EXPECT_EQ(0u, one.heard[0].id);  // told which parameter it registered for
  EXPECT_EQ(0.5f, one.heard[0].value);
  AUListenerDispose(lAny);
  AUListenerDispose(lOne);
}

TEST_F(EventListenerTest, ListenersDisposedDuringAPostAreSkipped) {
  Log first, second;
  AUEventListenerRef l1 = nullptr, l2 = nullptr;
  AUEventListenerCreate(EventProc, &first, nullptr, nullptr, 0, 0, &l1);
  AUEventListenerCreate(EventProc, &second, nullptr, nullptr, 0, 0, &l2);
  first.self = l1;
  first.other = l2;
  first.disposeSelf = true;
  first.disposeOther = true;
  AudioUnitEvent e = Event(kAudioUnitEvent_ParameterValueChange, 0);
  AUEventListenerAddEventType(l1, nullptr, &e);
  AUEventListenerAddEventType(l2, nullptr, &e);
  EXPECT_EQ(noErr, AUEventListenerNotify(nullptr, nullptr, &e));
  EXPECT_EQ(1u, first.heard.size());
  EXPECT_EQ(0u, second.heard.size());  // disposed by the first callback
  AUEventListenerNotify(nullptr, nullptr, &e);
  EXPECT_EQ(1u, first.heard.size());
  EXPECT_EQ(paramErr, AUEventListenerAddEventType(l1, nullptr, &e));
}

TEST_F(EventListenerTest, PropertyEventsMatchOnPropertyScopeAndElement) {
  Log log;
  AUEventListenerRef listener = nullptr;
  AUEventListenerCreate(EventProc, &log, nullptr, nullptr, 0, 0, &listener);
  AudioUnitEvent e = {};
  e.mEventType = kAudioUnitEvent_PropertyChange;
  e.mArgument.mProperty = {mUnit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0};
  AUEventListenerAddEventType(listener, nullptr, &e);
  AUEventListenerNotify(nullptr, nullptr, &e);
  AudioUnitEvent other = e;
  other.mArgument.mProperty.mPropertyID = kAudioUnitProperty_TailTime;
  AUEventListenerNotify(nullptr, nullptr, &other);
  EXPECT_EQ(1u, log.heard.size());
  AUListenerDispose(listener);
}

TEST_F(EventListenerTest, TheUnitsPropertyNotificationsBecomeEvents) {
  gUnitListener = nullptr;
  gUnitListenerRemovals = 0;
  Log a, b;
  AUEventListenerRef la = nullptr, lb = nullptr;
  AUEventListenerCreate(EventProc, &a, nullptr, nullptr, 0, 0, &la);
  AUEventListenerCreate(EventProc, &b, nullptr, nullptr, 0, 0, &lb);
  AudioUnitEvent e = {};
  e.mEventType = kAudioUnitEvent_PropertyChange;
  e.mArgument.mProperty = {mUnit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0};
  AUEventListenerAddEventType(la, nullptr, &e);
  ASSERT_NE(nullptr, gUnitListener);  // installed on the unit with the first registration
  EXPECT_EQ((AudioUnitPropertyID)kAudioUnitProperty_PresentPreset, gUnitListenerProperty);
  AudioUnitPropertyListenerProc installed = gUnitListener;
  AUEventListenerAddEventType(lb, nullptr, &e);
  // The unit tells its property listeners, as a plug-in does after a program change.
  installed(nullptr, mUnit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0);
  ASSERT_EQ(1u, a.heard.size());
  EXPECT_EQ((UInt32)kAudioUnitEvent_PropertyChange, a.heard[0].type);
  EXPECT_EQ(1u, b.heard.size());
  AUListenerDispose(la);
  EXPECT_EQ(0, gUnitListenerRemovals);  // still wanted by the second listener
  AUEventListenerRemoveEventType(lb, nullptr, &e);
  EXPECT_EQ(1, gUnitListenerRemovals);
  AUListenerDispose(lb);
}

TEST_F(EventListenerTest, UnknownUnitsGiveAZeroValue) {
  Log log;
  AUEventListenerRef listener = nullptr;
  AUEventListenerCreate(EventProc, &log, nullptr, nullptr, 0, 0, &listener);
  AudioUnitEvent e = Event(kAudioUnitEvent_ParameterValueChange, 9);  // refused by the unit
  AUEventListenerAddEventType(listener, nullptr, &e);
  AUEventListenerNotify(nullptr, nullptr, &e);
  ASSERT_EQ(1u, log.heard.size());
  EXPECT_EQ(0.0f, log.heard[0].value);
  AUListenerDispose(listener);
  AUEventListenerRef none = nullptr;
  EXPECT_EQ(paramErr, AUEventListenerCreate(nullptr, nullptr, nullptr, nullptr, 0, 0, &none));
  EXPECT_EQ(paramErr, AUEventListenerCreate(EventProc, nullptr, nullptr, nullptr, 0, 0, nullptr));
}

}  // namespace
