// MIDI, sysex and transport records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "IPlugStructs.h"

TEST(Records, PitchWheelEncodingAndDecoding)
{
  IMidiMsg m;
  m.MakePitchWheelMsg(0.0);
  EXPECT_EQ(m.mData1, 0);
  EXPECT_EQ(m.mData2, 64);
  EXPECT_EQ(m.PitchWheel(), 0.0);
  m.MakePitchWheelMsg(1.0, 2);  // clamped to 16383
  EXPECT_EQ(m.mStatus, 0xE2);
  EXPECT_EQ(m.mData1, 127);
  EXPECT_EQ(m.mData2, 127);
  EXPECT_EQ(m.PitchWheel(), 8191.0 / 8192.0);
  m.MakePitchWheelMsg(-1.0);
  EXPECT_EQ(m.mData1, 0);
  EXPECT_EQ(m.mData2, 0);
  EXPECT_EQ(m.PitchWheel(), -1.0);
  m.MakePitchWheelMsg(NAN);  // treated as centre, no undefined conversion
  EXPECT_EQ(m.mData2, 64);
  m.MakePitchWheelMsg(1e30);
  EXPECT_EQ(m.mData2, 127);
}

TEST(Records, StatusQueries)
{
  IMidiMsg m(5, 0x93, 60, 100);
  EXPECT_EQ(m.Channel(), 3);
  EXPECT_EQ(m.StatusMsg(), IMidiMsg::kNoteOn);
  EXPECT_EQ(m.NoteNumber(), 60);
  EXPECT_EQ(m.Velocity(), 100);
  EXPECT_EQ(m.Program(), -1);
  EXPECT_EQ(m.PitchWheel(), 0.0);

  IMidiMsg at(0, 0xA0, 61, 30);  // polyphonic aftertouch
  EXPECT_EQ(at.NoteNumber(), 61);
  EXPECT_EQ(at.Velocity(), -1);

  IMidiMsg clock(0, 0xF8, 0, 0);
  EXPECT_EQ(clock.StatusMsg(), IMidiMsg::kNone);
  IMidiMsg data(0, 0x45, 0, 0);
  EXPECT_EQ(data.StatusMsg(), IMidiMsg::kNone);

  IMidiMsg pc(0, 0xC1, 7, 0);
  EXPECT_EQ(pc.Program(), 7);
}

TEST(Records, NoteAndControlMessages)
{
  IMidiMsg m;
  EXPECT_EQ(m.mOffset, 0);
  EXPECT_EQ(m.mStatus, 0);
  m.MakeNoteOnMsg(64, 90, 12, 1);
  EXPECT_EQ(m.mStatus, 0x91);
  EXPECT_EQ(m.mOffset, 12);
  m.MakeNoteOffMsg(64, 3);
  EXPECT_EQ(m.mStatus, 0x80);
  EXPECT_EQ(m.mData2, 0);
  EXPECT_EQ(m.Velocity(), 0);

  m.MakeControlChangeMsg(IMidiMsg::kChannelVolume, 0.5);
  EXPECT_EQ(m.mStatus, 0xB0);
  EXPECT_EQ(m.mData1, 7);
  EXPECT_EQ(m.mData2, 63);
  EXPECT_EQ(m.ControlChangeIdx(), IMidiMsg::kChannelVolume);
  EXPECT_DOUBLE_EQ(m.ControlChange(IMidiMsg::kChannelVolume), 63.0 / 127.0);
  EXPECT_EQ(m.ControlChange(IMidiMsg::kPan), -1.0);
  m.MakeControlChangeMsg(IMidiMsg::kPan, 7.0);  // clamped to 1
  EXPECT_EQ(m.mData2, 127);
  m.MakeControlChangeMsg(IMidiMsg::kPan, NAN);
  EXPECT_EQ(m.mData2, 0);
  m.Clear();
  EXPECT_EQ(m.mData1, 0);
  EXPECT_EQ(m.mStatus, 0);
}

TEST(Records, StatusNames)
{
  EXPECT_STREQ(IMidiMsg::StatusMsgStr(IMidiMsg::kNone), "none");
  EXPECT_STREQ(IMidiMsg::StatusMsgStr(IMidiMsg::kNoteOn), "noteon");
  EXPECT_STREQ(IMidiMsg::StatusMsgStr(IMidiMsg::kPolyAftertouch), "aftertouch");
  EXPECT_STREQ(IMidiMsg::StatusMsgStr(IMidiMsg::kChannelAftertouch), "channelaftertouch");
  EXPECT_STREQ(IMidiMsg::StatusMsgStr((IMidiMsg::EStatusMsg)3), "unknown");
}

TEST(Records, SysExStrFitsTheBuffer)
{
  const uint8_t bytes[] = {0xF0, 0x7E, 0x00};
  char str[64];
  EXPECT_STREQ(SysExStr(str, 64, bytes, 3), "F0 7E 00");
  EXPECT_STREQ(SysExStr(str, 6, bytes, 3), "F0 7E");

  char exact[10];
  memset(exact, 'x', sizeof(exact));
  SysExStr(exact, 9, bytes, 3);  // 3 bytes need exactly 9
  EXPECT_STREQ(exact, "F0 7E 00");
  EXPECT_EQ(exact[9], 'x');

  char small[4] = {'x', 'x', 'x', 'x'};
  SysExStr(small, 2, bytes, 3);
  EXPECT_EQ(small[0], 0);
  EXPECT_EQ(small[1], 'x');
  small[0] = 'x';
  SysExStr(small, 0, bytes, 3);  // no room at all
  EXPECT_EQ(small[0], 'x');
  EXPECT_STREQ(SysExStr(str, 64, nullptr, 3), "");
  EXPECT_STREQ(SysExStr(str, 64, bytes, 0), "");

  ISysEx sx(4, bytes, 3);
  sx.Clear();
  EXPECT_EQ(sx.mData, nullptr);
  EXPECT_EQ(sx.mSize, 0);
}

TEST(Records, FreshTimeInfoIsZero)
{
  ITimeInfo t;
  EXPECT_EQ(t.mTempo, 0.0);
  EXPECT_EQ(t.mSamplePos, 0.0);
  EXPECT_EQ(t.mPPQPos, 0.0);
  EXPECT_EQ(t.mLastBar, 0.0);
  EXPECT_EQ(t.mCycleStart, 0.0);
  EXPECT_EQ(t.mCycleEnd, 0.0);
  EXPECT_EQ(t.mNumerator, 0);
  EXPECT_EQ(t.mDenominator, 0);
  EXPECT_FALSE(t.mTransportIsRunning);
  EXPECT_FALSE(t.mTransportLoopEnabled);
}
