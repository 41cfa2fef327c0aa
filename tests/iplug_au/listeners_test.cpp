// Property listeners and render observers: de-duplication, removal rules,
// and notification loops whose callees change the list.

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "au_test_plug.h"

namespace
{
// What each callback saw, as "<tag>" entries in call order.
std::vector<std::string> g_calls;

struct ListenerTag
{
  const char* name;
  AudioUnit unitSeen = nullptr;
  AudioUnitScope scopeSeen = 99;
  AudioUnitElement elementSeen = 99;
  // Optional action run inside the callback.
  void (*action)(ListenerTag* self) = nullptr;
  AudioUnit unit = nullptr;
  ListenerTag* other = nullptr;
};

void ListenerA(void* refCon, AudioUnit unit, AudioUnitPropertyID, AudioUnitScope scope, AudioUnitElement element)
{
  ListenerTag* tag = (ListenerTag*) refCon;
  tag->unitSeen = unit;
  tag->scopeSeen = scope;
  tag->elementSeen = element;
  g_calls.push_back(tag->name);
  if (tag->action) tag->action(tag);
}

void ListenerB(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element)
{
  ListenerA(refCon, unit, id, scope, element);
}

void ListenerC(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element)
{
  ListenerA(refCon, unit, id, scope, element);
}

void ListenerD(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element)
{
  ListenerA(refCon, unit, id, scope, element);
}

OSStatus ObserverA(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32, UInt32,
                   AudioBufferList*)
{
  ListenerTag* tag = (ListenerTag*) refCon;
  g_calls.push_back(std::string(tag->name) + ((*flags & kAudioUnitRenderAction_PreRender) ? ":pre" : ":post"));
  if (tag->action) tag->action(tag);
  return noErr;
}

OSStatus ObserverB(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts, UInt32 bus,
                   UInt32 frames, AudioBufferList* list)
{
  return ObserverA(refCon, flags, ts, bus, frames, list);
}

OSStatus ObserverC(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts, UInt32 bus,
                   UInt32 frames, AudioBufferList* list)
{
  return ObserverA(refCon, flags, ts, bus, frames, list);
}

class ListenerTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    g_calls.clear();
    mUnit = OpenAuTestUnit();
    ASSERT_NE(mUnit, nullptr);
    mPlug = AuTestPlugOf(mUnit);
  }
  void TearDown() override { EXPECT_EQ(CloseComponent(mUnit), noErr); }

  OSStatus Add(AudioUnitPropertyListenerProc proc, ListenerTag* tag,
               AudioUnitPropertyID id = kAudioUnitProperty_Latency)
  {
    tag->unit = mUnit;
    return AudioUnitAddPropertyListener(mUnit, id, proc, tag);
  }

  // One render round as the render path makes it: mark, pre, post.
  void RenderRound()
  {
    const uint64_t mark = mPlug->RenderObserverMark();
    mPlug->NotifyRenderObservers(mark, kAudioUnitRenderAction_PreRender, nullptr, 0, 16, nullptr);
    mPlug->NotifyRenderObservers(mark, kAudioUnitRenderAction_PostRender, nullptr, 0, 16, nullptr);
  }

  AudioUnit mUnit = nullptr;
  AuTestPlug* mPlug = nullptr;
};

using Calls = std::vector<std::string>;
}  // namespace

TEST_F(ListenerTest, SetLatencyTellsLatencyListenersThenStores)
{
  ListenerTag a{"a"}, other{"other"};
  ASSERT_EQ(Add(ListenerA, &a), noErr);
  ASSERT_EQ(Add(ListenerB, &other, kAudioUnitProperty_SampleRate), noErr);
  mPlug->SetLatency(17);
  EXPECT_EQ(g_calls, Calls{"a"});
  EXPECT_EQ(a.unitSeen, mUnit);
  EXPECT_EQ(a.scopeSeen, (AudioUnitScope) kAudioUnitScope_Global);
  EXPECT_EQ(a.elementSeen, 0u);
  EXPECT_EQ(mPlug->Latency(), 17);
}

TEST_F(ListenerTest, SameIdAndProcIsAddedOnce)
{
  ListenerTag first{"first"}, second{"second"}, b{"b"};
  ASSERT_EQ(Add(ListenerA, &first), noErr);
  ASSERT_EQ(Add(ListenerA, &second), noErr);  // same id and proc, other user data: refused quietly
  ASSERT_EQ(Add(ListenerB, &b), noErr);
  ASSERT_EQ(Add(ListenerA, &first, kAudioUnitProperty_SampleRate), noErr);  // other id: kept
  EXPECT_EQ(mPlug->NListeners(), 3);
  mPlug->NotifyPropertyListeners(kAudioUnitProperty_Latency, kAudioUnitScope_Global);
  EXPECT_EQ(g_calls, (Calls{"first", "b"}));
  EXPECT_EQ(AudioUnitAddPropertyListener(mUnit, kAudioUnitProperty_Latency, nullptr, &b), kAudio_ParamError);
  EXPECT_EQ(mPlug->NListeners(), 3);
}

TEST_F(ListenerTest, RemovalMatchesIdProcAndOptionallyUserData)
{
  ListenerTag a{"a"}, b{"b"}, stranger{"stranger"};
  ASSERT_EQ(Add(ListenerA, &a), noErr);
  ASSERT_EQ(Add(ListenerB, &b), noErr);
  ASSERT_EQ(Add(ListenerA, &a, kAudioUnitProperty_SampleRate), noErr);

  // Nothing matches: still noErr, nothing removed.
  EXPECT_EQ(AudioUnitRemovePropertyListener(mUnit, kAudioUnitProperty_Latency, ListenerC), noErr);
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(mUnit, kAudioUnitProperty_Latency, ListenerA, &stranger),
            noErr);
  EXPECT_EQ(mPlug->NListeners(), 3);

  // The selector CanDo does not report still works.
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(mUnit, kAudioUnitProperty_Latency, ListenerA, &a), noErr);
  EXPECT_EQ(mPlug->NListeners(), 2);
  EXPECT_EQ(AudioUnitRemovePropertyListener(mUnit, kAudioUnitProperty_Latency, ListenerB), noErr);
  EXPECT_EQ(mPlug->NListeners(), 1);
  mPlug->NotifyPropertyListeners(kAudioUnitProperty_SampleRate, kAudioUnitScope_Global);
  EXPECT_EQ(g_calls, Calls{"a"});
}

TEST_F(ListenerTest, ListenerRemovingItselfDoesNotSkipTheNext)
{
  ListenerTag a{"a"}, b{"b"}, c{"c"};
  b.action = [](ListenerTag* self) {
    AudioUnitRemovePropertyListenerWithUserData(self->unit, kAudioUnitProperty_Latency, ListenerB, self);
  };
  Add(ListenerA, &a);
  Add(ListenerB, &b);
  Add(ListenerC, &c);
  mPlug->SetLatency(5);
  EXPECT_EQ(g_calls, (Calls{"a", "b", "c"}));
  g_calls.clear();
  mPlug->SetLatency(6);
  EXPECT_EQ(g_calls, (Calls{"a", "c"}));
}

TEST_F(ListenerTest, ListenerRemovingOthersOrAddingNeverMisbehaves)
{
  ListenerTag a{"a"}, b{"b"}, c{"c"}, d{"d"};
  // b removes a (already called) and c (not yet called), then adds d.
  b.action = [](ListenerTag* self) {
    AudioUnitRemovePropertyListener(self->unit, kAudioUnitProperty_Latency, ListenerA);
    AudioUnitRemovePropertyListener(self->unit, kAudioUnitProperty_Latency, ListenerC);
    AudioUnitAddPropertyListener(self->unit, kAudioUnitProperty_Latency, ListenerD, self->other);
  };
  b.other = &d;
  Add(ListenerA, &a);
  Add(ListenerB, &b);
  Add(ListenerC, &c);
  mPlug->SetLatency(5);
  EXPECT_EQ(g_calls, (Calls{"a", "b"}));  // c was removed before its turn; d came after the start
  g_calls.clear();
  b.action = nullptr;
  mPlug->SetLatency(6);
  EXPECT_EQ(g_calls, (Calls{"b", "d"}));
}

TEST_F(ListenerTest, LastListenerRemovingEveryoneEndsTheLoop)
{
  ListenerTag a{"a"}, b{"b"};
  b.action = [](ListenerTag* self) {
    AudioUnitRemovePropertyListener(self->unit, kAudioUnitProperty_Latency, ListenerA);
    AudioUnitRemovePropertyListener(self->unit, kAudioUnitProperty_Latency, ListenerB);
  };
  Add(ListenerA, &a);
  Add(ListenerB, &b);
  mPlug->SetLatency(5);
  EXPECT_EQ(g_calls, (Calls{"a", "b"}));
  EXPECT_EQ(mPlug->NListeners(), 0);
}

TEST_F(ListenerTest, RenderObserversKeepDuplicatesAndRemoveByProcAlone)
{
  ListenerTag first{"first"}, second{"second"}, b{"b"};
  ASSERT_EQ(AudioUnitAddRenderNotify(mUnit, ObserverA, &first), noErr);
  ASSERT_EQ(AudioUnitAddRenderNotify(mUnit, ObserverB, &b), noErr);
  ASSERT_EQ(AudioUnitAddRenderNotify(mUnit, ObserverA, &second), noErr);
  EXPECT_EQ(mPlug->NRenderObservers(), 3);
  RenderRound();
  EXPECT_EQ(g_calls, (Calls{"first:pre", "b:pre", "second:pre", "first:post", "b:post", "second:post"}));

  // The refCon given is not compared: the earlier entry of the proc goes.
  ASSERT_EQ(AudioUnitRemoveRenderNotify(mUnit, ObserverA, &second), noErr);
  ASSERT_EQ(AudioUnitRemoveRenderNotify(mUnit, ObserverC, nullptr), noErr);
  EXPECT_EQ(mPlug->NRenderObservers(), 2);
  g_calls.clear();
  RenderRound();
  EXPECT_EQ(g_calls, (Calls{"b:pre", "second:pre", "b:post", "second:post"}));
  EXPECT_EQ(AudioUnitAddRenderNotify(mUnit, nullptr, &b), kAudio_ParamError);
}

TEST_F(ListenerTest, ObserverRemovedDuringARenderGetsNoPostCall)
{
  ListenerTag a{"a"}, b{"b"}, c{"c"};
  // a removes itself in its pre-render call and adds c, which belongs to the next render.
  a.action = [](ListenerTag* self) {
    AudioUnitRemoveRenderNotify(self->unit, ObserverA, self);
    AudioUnitAddRenderNotify(self->unit, ObserverC, self->other);
  };
  a.unit = mUnit;
  a.other = &c;
  AudioUnitAddRenderNotify(mUnit, ObserverA, &a);
  AudioUnitAddRenderNotify(mUnit, ObserverB, &b);
  RenderRound();
  EXPECT_EQ(g_calls, (Calls{"a:pre", "b:pre", "b:post"}));
  g_calls.clear();
  RenderRound();
  EXPECT_EQ(g_calls, (Calls{"b:pre", "c:pre", "b:post", "c:post"}));
}
