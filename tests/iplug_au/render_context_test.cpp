// The host's musical context as the plug-in reads it through the host callbacks.
#include <gtest/gtest.h>

#include "props_rig.h"

namespace
{
struct HostClock
{
  Float64 beat = 0.0, tempo = 0.0;
  Float32 numerator = 0.0f;
  UInt32 denominator = 0;
  Float64 downBeat = 0.0;
  Boolean playing = false, looping = false;
  Float64 sample = 0.0, loopStart = 0.0, loopEnd = 0.0;
};

OSStatus BeatAndTempo(void* userData, Float64* beat, Float64* tempo)
{
  HostClock* clock = (HostClock*)userData;
  if (beat) *beat = clock->beat;
  if (tempo) *tempo = clock->tempo;
  return noErr;
}

OSStatus MusicalTime(void* userData, UInt32* deltaSampleOffset, Float32* numerator, UInt32* denominator,
                     Float64* downBeat)
{
  HostClock* clock = (HostClock*)userData;
  if (deltaSampleOffset) *deltaSampleOffset = 0;
  if (numerator) *numerator = clock->numerator;
  if (denominator) *denominator = clock->denominator;
  if (downBeat) *downBeat = clock->downBeat;
  return noErr;
}

OSStatus Transport(void* userData, Boolean* playing, Boolean* changed, Float64* sample, Boolean* looping,
                   Float64* loopStart, Float64* loopEnd)
{
  HostClock* clock = (HostClock*)userData;
  if (playing) *playing = clock->playing;
  if (changed) *changed = false;
  if (sample) *sample = clock->sample;
  if (looping) *looping = clock->looping;
  if (loopStart) *loopStart = clock->loopStart;
  if (loopEnd) *loopEnd = clock->loopEnd;
  return noErr;
}

class ContextTest : public ::testing::Test
{
protected:
  static HostCallbackInfo Callbacks(HostClock* pClock)
  {
    HostCallbackInfo info = {};
    info.hostUserData = pClock;
    info.beatAndTempoProc = BeatAndTempo;
    info.musicalTimeLocationProc = MusicalTime;
    info.transportStateProc = Transport;
    return info;
  }
  void InstallCallbacks()
  {
    HostCallbackInfo info = Callbacks(&clock);
    ASSERT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &info,
                                   sizeof(info)),
              noErr);
  }

  RigUnit rig;
  HostClock clock;
};

TEST_F(ContextTest, WithoutCallbacksTheDefaultsStand)
{
  EXPECT_EQ(rig.plug->GetTempo(), 120.0);
  EXPECT_EQ(rig.plug->GetSamplePos(), 0.0);
  int num = 7, den = 9;
  rig.plug->GetTimeSig(&num, &den);
  EXPECT_EQ(num, 7);
  EXPECT_EQ(den, 9);
  ITimeInfo info;
  info.mTempo = 33.0;
  rig.plug->GetTime(&info);
  EXPECT_EQ(info.mTempo, 33.0);
}

TEST_F(ContextTest, TempoKeepsTheLastPositiveValue)
{
  InstallCallbacks();
  clock.tempo = 96.5;
  EXPECT_EQ(rig.plug->GetTempo(), 96.5);
  clock.tempo = 0.0;
  EXPECT_EQ(rig.plug->GetTempo(), 96.5);
  clock.tempo = -3.0;
  EXPECT_EQ(rig.plug->GetTempo(), 96.5);
}

TEST_F(ContextTest, TimeSignatureAndSamplePosition)
{
  InstallCallbacks();
  clock.numerator = 7.9f;
  clock.denominator = 8;
  int num = 0, den = 0;
  rig.plug->GetTimeSig(&num, &den);
  EXPECT_EQ(num, 7);
  EXPECT_EQ(den, 8);

  clock.sample = 1000.5;
  EXPECT_EQ(rig.plug->GetSamplePos(), 1001.0);
  clock.sample = 1000.49;
  EXPECT_EQ(rig.plug->GetSamplePos(), 1000.0);
  clock.sample = 1e12;  // beyond int: still exact
  EXPECT_EQ(rig.plug->GetSamplePos(), 1e12);
}

TEST_F(ContextTest, GetTimeWritesOnlyPositiveValuesAndKeepsTheTempo)
{
  InstallCallbacks();
  clock = HostClock{};
  clock.tempo = 140.0;
  clock.beat = 0.0;  // not above 0: left alone
  clock.numerator = 3.0f;
  clock.denominator = 4;
  clock.downBeat = 12.0;
  clock.playing = true;
  clock.looping = true;
  clock.sample = 4410.0;
  clock.loopStart = -1.0;
  clock.loopEnd = 16.0;
  ITimeInfo info;
  info.mPPQPos = 5.0;
  info.mCycleStart = 2.0;
  rig.plug->GetTime(&info);
  EXPECT_EQ(info.mTempo, 140.0);
  EXPECT_EQ(info.mPPQPos, 5.0);
  EXPECT_EQ(info.mSamplePos, 4410.0);
  EXPECT_EQ(info.mCycleStart, 2.0);
  EXPECT_EQ(info.mCycleEnd, 16.0);
  EXPECT_EQ(info.mLastBar, 12.0);
  EXPECT_EQ(info.mNumerator, 3);
  EXPECT_EQ(info.mDenominator, 4);
  EXPECT_TRUE(info.mTransportIsRunning);
  EXPECT_TRUE(info.mTransportLoopEnabled);
  // GetTime leaves the remembered tempo alone.
  clock.tempo = 0.0;
  EXPECT_EQ(rig.plug->GetTempo(), 120.0);
}

// An older host's shorter structure gives only the fields that fit. (The
// property code is called directly: the entry refuses data shorter than the
// size the information query reports.)
TEST_F(ContextTest, ShortHostCallbackStructureNullsTheMissingFields)
{
  InstallCallbacks();
  EXPECT_NE(rig.plug->HostCallbackField(3), nullptr);
  HostCallbackInfo info = Callbacks(&clock);
  UInt32 size = 2 * sizeof(void*) + 3;
  ASSERT_EQ(rig.plug->SetProperty(kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &size, &info), noErr);
  EXPECT_EQ(rig.plug->HostCallbackField(0), (const void*)&clock);
  EXPECT_NE(rig.plug->HostCallbackField(1), nullptr);
  EXPECT_EQ(rig.plug->HostCallbackField(2), nullptr);
  EXPECT_EQ(rig.plug->HostCallbackField(3), nullptr);
  clock.sample = 50.0;
  EXPECT_EQ(rig.plug->GetSamplePos(), 0.0);
}
}  // namespace
