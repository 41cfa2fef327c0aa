// The parameter block (the plug-in's state), CompareState and the framework
// version tag.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <future>
#include <limits>
#include <thread>

#include "state_test_plug.h"

namespace {

// Two continuous parameters on -10 .. 10 holding 1.0 and -2.5.
void InitTwoParams(StateTestPlug* plug)
{
  plug->GetParam(0)->InitDouble("A", 1.0, -10.0, 10.0, 0.01);
  plug->GetParam(1)->InitDouble("B", -2.5, -10.0, 10.0, 0.01);
}

TEST(StateParams, TwoParameterStateIsSixteenBytes)
{
  StateTestPlug plug(2, 1);
  InitTwoParams(&plug);
  ByteChunk c;
  EXPECT_TRUE(plug.SerializeState(&c));
  const std::vector<unsigned char> want = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0x04, 0xC0};
  EXPECT_EQ(ChunkBytes(c), want);

  // Appends after what the chunk already holds.
  EXPECT_TRUE(plug.SerializeParams(&c));
  EXPECT_EQ(c.Size(), 32);
  EXPECT_FALSE(plug.SerializeParams(nullptr));

  StateTestPlug none(0, 0);
  ByteChunk empty;
  EXPECT_TRUE(none.SerializeState(&empty));
  EXPECT_EQ(empty.Size(), 0);
}

TEST(StateParams, UnserializeRestoresClampsAndNotifiesEveryParameterUnderTheLock)
{
  StateTestPlug plug(2, 1);
  InitTwoParams(&plug);
  ByteChunk c;
  c.PutBool(true);  // the block may start anywhere
  PutDouble(&c, 4.25);
  PutDouble(&c, 99.0);  // outside the range: clamped
  EXPECT_EQ(plug.UnserializeState(&c, 1), 17);
  EXPECT_EQ(plug.Values(), (std::vector<double>{4.25, 10.0}));
  EXPECT_EQ(plug.mChanged, (std::vector<int>{0, 1}));
  EXPECT_EQ(plug.mChangedUnderLock, (std::vector<bool>{true, true}));
  EXPECT_EQ(plug.Mutex()->m_ownerthread.load(), (pthread_t)0);  // released afterwards
}

TEST(StateParams, DataRunningOutSetsThatParameterToZeroClampedAndStops)
{
  StateTestPlug plug(3, 1);
  plug.GetParam(0)->InitDouble("A", 5.0, 0.0, 10.0, 0.1);
  plug.GetParam(1)->InitDouble("B", 5.0, 2.0, 10.0, 0.1);  // 0 clamps to 2
  plug.GetParam(2)->InitDouble("C", 5.0, 0.0, 10.0, 0.1);
  ByteChunk c;
  PutDouble(&c, 7.0);
  c.PutBytes("\x01\x02\x03\x04", 4);  // 12 bytes: the second value is cut short
  EXPECT_EQ(plug.UnserializeParams(&c, 0), -1);
  EXPECT_EQ(plug.Values(), (std::vector<double>{7.0, 2.0, 5.0}));
  EXPECT_EQ(plug.mChanged, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(plug.mChangedUnderLock, (std::vector<bool>{true, true, true}));
}

// Bad inputs: each entry gives the result and the values left behind.
TEST(StateParams, UnserializeOfBadInput)
{
  struct Case
  {
    const char* what;
    std::vector<unsigned char> bytes;
    int startPos;
    int wantPos;
    std::vector<double> wantValues;
  };
  const std::vector<double> before = {1.0, -2.5};
  const Case cases[] = {
      {"empty chunk", {}, 0, -1, {0.0, -2.5}},
      {"failure position", std::vector<unsigned char>(16, 0), -1, -1, before},
      {"most negative start", std::vector<unsigned char>(16, 0), INT_MIN, -1, before},
      {"start past the end", std::vector<unsigned char>(16, 0), 17, -1, {0.0, -2.5}},
      {"start near INT_MAX", std::vector<unsigned char>(16, 0), INT_MAX - 4, -1, {0.0, -2.5}},
      {"one byte short", std::vector<unsigned char>(15, 0), 0, -1, {0.0, 0.0}},
  };
  for (const Case& k : cases)
  {
    StateTestPlug plug(2, 1);
    InitTwoParams(&plug);
    ByteChunk c;
    FillChunk(&c, k.bytes);
    EXPECT_EQ(plug.UnserializeState(&c, k.startPos), k.wantPos) << k.what;
    EXPECT_EQ(plug.Values(), k.wantValues) << k.what;
    EXPECT_EQ(plug.mChanged, (std::vector<int>{0, 1})) << k.what;
    EXPECT_EQ(ChunkBytes(c), k.bytes) << k.what;
  }
  StateTestPlug plug(2, 1);
  InitTwoParams(&plug);
  EXPECT_EQ(plug.UnserializeParams(nullptr, 0), -1);
  EXPECT_EQ(plug.Values(), before);
}

TEST(StateParams, NonFiniteStoredValuesLeaveTheParameterAndAdvance)
{
  const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()};
  for (double v : bad)
  {
    StateTestPlug plug(2, 1);
    InitTwoParams(&plug);
    ByteChunk c;
    PutDouble(&c, v);
    PutDouble(&c, 3.0);
    EXPECT_EQ(plug.UnserializeState(&c, 0), 16) << v;
    EXPECT_EQ(plug.Values(), (std::vector<double>{1.0, 3.0})) << v;
    EXPECT_EQ(plug.mChanged, (std::vector<int>{0, 1}));
  }
}

TEST(StateParams, StateRoundTripsBetweenPlugins)
{
  StateTestPlug from(3, 1), to(3, 1);
  from.GetParam(0)->InitBool("On", true);
  from.GetParam(1)->InitInt("Count", 7, 0, 10);
  from.GetParam(2)->InitDouble("Level", -0.123456789, -1.0, 1.0, 0.001);
  to.GetParam(0)->InitBool("On", false);
  to.GetParam(1)->InitInt("Count", 0, 0, 10);
  to.GetParam(2)->InitDouble("Level", 0.0, -1.0, 1.0, 0.001);
  ByteChunk c;
  ASSERT_TRUE(from.SerializeState(&c));
  EXPECT_EQ(to.UnserializeState(&c, 0), 24);
  EXPECT_EQ(to.Values(), from.Values());
  EXPECT_TRUE(to.CompareState(c.GetBytes(), 0));
}

TEST(StateParams, CompareStateUsesSinglePrecisionAndCountsStartInValues)
{
  StateTestPlug plug(2, 1);
  InitTwoParams(&plug);
  double incoming[] = {123.0, 1.0, -2.5};
  const unsigned char* p = (const unsigned char*)incoming;
  EXPECT_TRUE(plug.CompareState(p, 1));
  EXPECT_FALSE(plug.CompareState(p, 0));
  incoming[2] = -2.5 + 1e-9;  // the same single-precision value
  EXPECT_TRUE(plug.CompareState(p, 1));
  incoming[2] = -2.5001;
  EXPECT_FALSE(plug.CompareState(p, 1));
  EXPECT_FALSE(plug.CompareState(p, -1));
  EXPECT_FALSE(plug.CompareState(nullptr, 0));

  // Values need not be aligned in the caller's bytes.
  unsigned char shifted[1 + 2 * sizeof(double)];
  memcpy(shifted + 1, incoming + 1, sizeof(double));
  const double b = -2.5;
  memcpy(shifted + 1 + sizeof(double), &b, sizeof b);
  EXPECT_TRUE(plug.CompareState(shifted + 1, 0));

  // The bound is 0.00001 in double: a single-precision difference of
  // 0.00001f (just below it) still compares equal.
  plug.GetParam(1)->Set(0.0);
  incoming[2] = (double)0.00001f;
  EXPECT_TRUE(plug.CompareState(p, 1));
  incoming[2] = 0.0000101;
  EXPECT_FALSE(plug.CompareState(p, 1));

  StateTestPlug none(0, 0);
  EXPECT_TRUE(none.CompareState(nullptr, 0));
}

TEST(StateParams, VersionTagIsWrittenAndSkipped)
{
  StateTestPlug plug(1, 1);
  ByteChunk c;
  c.PutBytes("junk", 4);
  plug.InitChunkWithIPlugVer(&c);  // empties first
  const std::vector<unsigned char> tag = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  EXPECT_EQ(ChunkBytes(c), tag);

  PutDouble(&c, 1.0);
  int pos = 0;
  EXPECT_EQ(plug.GetIPlugVerFromChunk(&c, &pos), 0x10000);
  EXPECT_EQ(pos, 8);

  // No tag: 0 and the position stays, so the reader goes on from there.
  pos = 8;
  EXPECT_EQ(plug.GetIPlugVerFromChunk(&c, &pos), 0);
  EXPECT_EQ(pos, 8);
  ByteChunk empty;
  pos = 0;
  EXPECT_EQ(plug.GetIPlugVerFromChunk(&empty, &pos), 0);
  EXPECT_EQ(pos, 0);
  pos = -1;
  EXPECT_EQ(plug.GetIPlugVerFromChunk(&c, &pos), 0);
  EXPECT_EQ(pos, -1);
  pos = INT_MAX;
  EXPECT_EQ(plug.GetIPlugVerFromChunk(&c, &pos), 0);
  EXPECT_EQ(pos, INT_MAX);

  // The tag without its version: 0 and the failure position.
  ByteChunk cut;
  cut.PutBytes("tffp\x00\x00", 6);
  pos = 0;
  EXPECT_EQ(plug.GetIPlugVerFromChunk(&cut, &pos), 0);
  EXPECT_EQ(pos, -1);
}

TEST(StateParams, SerialisingWaitsForTheMutex)
{
  StateTestPlug plug(2, 1);
  InitTwoParams(&plug);
  std::promise<void> locked, release;
  std::thread holder([&] {
    WDL_MutexLock lock(plug.Mutex());
    locked.set_value();
    release.get_future().wait();
  });
  locked.get_future().wait();

  ByteChunk state;
  PutDouble(&state, 3.0);
  PutDouble(&state, 4.0);
  ByteChunk saved;
  auto save = std::async(std::launch::async, [&] { return plug.SerializeParams(&saved); });
  auto load = std::async(std::launch::async, [&] { return plug.UnserializeParams(&state, 0); });
  EXPECT_EQ(save.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  EXPECT_EQ(load.wait_for(std::chrono::milliseconds(1)), std::future_status::timeout);
  release.set_value();
  holder.join();
  EXPECT_TRUE(save.get());
  EXPECT_EQ(load.get(), 16);
  EXPECT_EQ(saved.Size(), 16);
  EXPECT_EQ(plug.Values(), (std::vector<double>{3.0, 4.0}));
}

}  // namespace
