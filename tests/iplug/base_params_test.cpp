// Parameter edits, editor hooks, labels, host and version helpers of the
// plug-in base.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core_test_plug.h"

namespace {

// A plug-in whose parameter 0 is an int 0..10, 1 a double 0..100 and 2 a bool.
struct ParamPlug : CoreTestPlug
{
  ParamPlug()
  {
    GetParam(0)->InitInt("Int", 2, 0, 10);
    GetParam(1)->InitDouble("Dbl", 25.0, 0.0, 100.0, 0.1);
    GetParam(2)->InitBool("Sw", true);
  }
};

}  // namespace

TEST(BaseParams, FreshObjectState)
{
  CoreTestPlug plug;
  EXPECT_EQ(plug.NParams(), 3);
  EXPECT_EQ(plug.GetParam(0)->Type(), IParam::kTypeNone);
  EXPECT_EQ(plug.GetParam(3), nullptr);
  EXPECT_EQ(plug.GetParam(-1), nullptr);
  EXPECT_EQ(plug.GetSampleRate(), 44100.0);
  EXPECT_EQ(plug.GetBlockSize(), 0);
  EXPECT_EQ(plug.GetLatency(), 4);
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  EXPECT_EQ(plug.HostField(), kHostUninit);
  EXPECT_EQ(plug.GetGUI(), nullptr);
  EXPECT_STREQ(plug.GetEffectName(), "CoreTest");
  EXPECT_STREQ(plug.GetProductName(), "Core");
  EXPECT_STREQ(plug.GetMfrName(), "Tests");
  EXPECT_FALSE(plug.DoesStateChunks());
  EXPECT_FALSE(plug.IsInst());
}

TEST(BaseParams, SetParameterFromGuiOrderAndValues)
{
  ParamPlug plug;
  plug.SetParameterFromGUI(0, 0.47);
  EXPECT_EQ(plug.GetParam(0)->Value(), 5.0);
  ASSERT_EQ(plug.mEvents.size(), 2u);
  EXPECT_EQ(plug.mEvents[0].what, "inform");
  EXPECT_EQ(plug.mEvents[0].value, 0.47);  // as received, not snapped
  EXPECT_TRUE(plug.mEvents[0].underLock);
  EXPECT_EQ(plug.mEvents[1].what, "change");
  EXPECT_EQ(plug.mEvents[1].value, 5.0);  // already set when the plug-in is told
  EXPECT_TRUE(plug.mEvents[1].underLock);
  EXPECT_FALSE(plug.LockHeld());  // released afterwards
}

TEST(BaseParams, SetParameterFromGuiIgnoresBadIndexAndValue)
{
  ParamPlug plug;
  plug.SetParameterFromGUI(3, 0.5);
  plug.SetParameterFromGUI(-1, 0.5);
  plug.SetParameterFromGUI(1, NAN);
  plug.SetParameterFromGUI(1, INFINITY);
  EXPECT_TRUE(plug.mEvents.empty());
  EXPECT_EQ(plug.GetParam(1)->Value(), 25.0);
}

TEST(BaseParams, DirtyParametersAndOnParamReset)
{
  ParamPlug plug;
  plug.DirtyParameters();
  ASSERT_EQ(plug.mEvents.size(), 3u);
  EXPECT_EQ(plug.mEvents[1].idx, 1);
  EXPECT_DOUBLE_EQ(plug.mEvents[1].value, 0.25);
  EXPECT_TRUE(plug.mEvents[2].underLock);
  plug.mEvents.clear();
  plug.OnParamReset();
  ASSERT_EQ(plug.mEvents.size(), 3u);
  for (int i = 0; i < 3; ++i)
  {
    EXPECT_EQ(plug.mEvents[(size_t)i].what, "change");
    EXPECT_EQ(plug.mEvents[(size_t)i].idx, i);
    EXPECT_FALSE(plug.mEvents[(size_t)i].underLock);  // no lock of its own
  }
}

TEST(BaseParams, AttachGraphicsPushesNormalisedValuesThenPrepares)
{
  int deleted = 0;
  {
    ParamPlug plug;
    plug.AttachGraphics(nullptr);
    EXPECT_EQ(plug.GetGUI(), nullptr);

    FakeGraphics* g = new FakeGraphics(&deleted);
    plug.AttachGraphics(g);
    EXPECT_EQ(plug.GetGUI(), g);
    ASSERT_EQ(g->mCalls.size(), 3u);
    EXPECT_EQ(g->mPrepDrawAfter, 3);
    EXPECT_DOUBLE_EQ(g->mCalls[0].value, 0.2);
    EXPECT_TRUE(g->mCalls[0].normalized);

    g->mCalls.clear();
    plug.RedrawParamControls();
    ASSERT_EQ(g->mCalls.size(), 3u);
    EXPECT_EQ(g->mCalls[1].value, 25.0);  // real value
    EXPECT_FALSE(g->mCalls[1].normalized);

    plug.AttachGraphics(new FakeGraphics(&deleted));  // replaces (and frees) the first
    EXPECT_EQ(deleted, 1);
  }
  EXPECT_EQ(deleted, 2);  // the plug-in deletes its editor
}

TEST(BaseParams, BusAndChannelLabels)
{
  CoreTestPlug plug;
  plug.SetInputBusLabel(2, "no");
  EXPECT_EQ(plug.GetInputBusLabel(0), nullptr);
  plug.SetInputBusLabel(1, "aux");  // beyond the end: appended at 0
  EXPECT_STREQ(plug.GetInputBusLabel(0), "aux");
  plug.SetInputBusLabel(0, "main");  // replaces it
  EXPECT_EQ(plug.GetInputBusLabel(1), nullptr);
  plug.SetInputBusLabel(1, "aux");
  EXPECT_STREQ(plug.GetInputBusLabel(0), "main");
  EXPECT_STREQ(plug.GetInputBusLabel(1), "aux");
  plug.SetInputBusLabel(0, "main2");  // replaces
  EXPECT_STREQ(plug.GetInputBusLabel(0), "main2");
  EXPECT_STREQ(plug.GetInputBusLabel(1), "aux");
  EXPECT_EQ(plug.GetInputBusLabel(2), nullptr);

  plug.SetOutputBusLabel(5, "out");
  EXPECT_STREQ(plug.GetOutputBusLabel(0), "out");
  plug.SetOutputBusLabel(-1, "bad");
  EXPECT_EQ(plug.GetOutputBusLabel(1), nullptr);

  plug.SetInputLabel(1, "R");
  plug.SetInputLabel(2, "ignored");
  plug.SetOutputLabel(0, "L");
  EXPECT_STREQ(plug.GetInputLabel(1), "R");
  EXPECT_STREQ(plug.GetOutputLabel(0), "L");
  EXPECT_EQ(plug.GetInputLabel(2), nullptr);
}

TEST(BaseParams, HostTempoAndVersions)
{
  CoreTestPlug plug;
  plug.SetSampleRate(48000.0);
  plug.mTempo = 120.0;
  EXPECT_EQ(plug.GetSamplesPerBeat(), 24000.0);
  plug.mTempo = 0.0;
  EXPECT_EQ(plug.GetSamplesPerBeat(), 0.0);

  EXPECT_EQ(plug.GetEffectVersion(false), 0x00010202);
  EXPECT_EQ(plug.GetEffectVersion(true), 10202);
  char str[kMaxVersionStrLen];
  plug.GetEffectVersionStr(str);
  EXPECT_STREQ(str, "v1.2.2");

  plug.SetHost("Ableton Live 8", 0x00080203);
  EXPECT_EQ(plug.GetHost(), kHostAbletonLive);
  EXPECT_EQ(plug.GetHostVersion(true), 80203);
  plug.GetHostVersionStr(str);
  EXPECT_STREQ(str, "v8.2.3");
  plug.SetHost(nullptr, 0);
  EXPECT_EQ(plug.GetHost(), kHostUnknown);

  EXPECT_STREQ(plug.GetAPIString(), "AU");
#if defined(__x86_64__)
  EXPECT_STREQ(plug.GetArchString(), "x64");
#endif
}

TEST(BaseParams, MidiAndBaseDefaults)
{
  CoreTestPlug plug;
  WDL_TypedBuf<IMidiMsg> msgs;
  IMidiMsg m;
  m.MakeNoteOnMsg(60, 100, 0);
  msgs.Add(&m);
  m.MakeNoteOnMsg(0, 100, 0);  // refused by the test host
  msgs.Add(&m);
  m.MakeNoteOnMsg(61, 100, 0);
  msgs.Add(&m);
  EXPECT_FALSE(plug.SendMidiMsgs(&msgs));
  EXPECT_EQ(plug.mSentMidi, std::vector<int>({60, 0, 61}));  // every message is still sent

  plug.ProcessMidiMsg(&m);  // passed on
  EXPECT_EQ(plug.mSentMidi.back(), 61);

  char name[8] = "x";
  EXPECT_FALSE(plug.MidiNoteName(60, name));
  EXPECT_STREQ(name, "");
  int num = 7, den = 7;
  plug.GetTimeSig(&num, &den);
  EXPECT_EQ(num, 0);
  EXPECT_EQ(den, 0);
  plug.SetLatency(64);
  EXPECT_EQ(plug.GetLatency(), 64);
  EXPECT_FALSE(plug.IsRenderingOffline());
  EXPECT_EQ(plug.GetSamplePos(), 0.0);
}

TEST(BaseParams, PresetSlotsStartEmpty)
{
  CoreTestPlug plug("1-1", 1, 3);
  EXPECT_EQ(plug.NPresets(), 3);
  EXPECT_STREQ(plug.GetPresetName(2), "empty");
}
