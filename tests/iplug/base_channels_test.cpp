// Channel configuration, buffer binding, processing frame and scratch sizing
// of the plug-in base.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "core_test_plug.h"

TEST(BaseChannels, ParsesChannelStringAndSizesChannels)
{
  CoreTestPlug plug("1-1 2-2");
  ASSERT_EQ(plug.NChannelIO(), 2);
  EXPECT_EQ(plug.GetChannelIO(0)->mIn, 1);
  EXPECT_EQ(plug.GetChannelIO(1)->mOut, 2);
  EXPECT_EQ(plug.NInChannels(), 2);
  EXPECT_EQ(plug.NOutChannels(), 2);

  CoreTestPlug inputsOnly("2");  // missing output count reads as 0
  ASSERT_EQ(inputsOnly.NChannelIO(), 1);
  EXPECT_EQ(inputsOnly.GetChannelIO(0)->mIn, 2);
  EXPECT_EQ(inputsOnly.GetChannelIO(0)->mOut, 0);
  EXPECT_EQ(inputsOnly.NInChannels(), 2);
  EXPECT_EQ(inputsOnly.NOutChannels(), 0);

  CoreTestPlug none(nullptr);
  EXPECT_EQ(none.NChannelIO(), 0);
  EXPECT_FALSE(none.LegalIO(-1, -1));
  none.ProcessBuffers(0.0f, 16);  // no channels and no scratch room: an empty block
  EXPECT_EQ(none.mProcessCalls, 1);
  EXPECT_EQ(none.mLastFrames, 0);
}

TEST(BaseChannels, LegalIOWithWildcards)
{
  CoreTestPlug plug("1-1 2-2");
  EXPECT_TRUE(plug.LegalIO(2, 2));
  EXPECT_TRUE(plug.LegalIO(1, 1));
  EXPECT_FALSE(plug.LegalIO(1, 2));
  EXPECT_TRUE(plug.LegalIO(-1, 2));
  EXPECT_TRUE(plug.LegalIO(2, -1));
  EXPECT_TRUE(plug.LegalIO(-1, -1));
  EXPECT_FALSE(plug.LegalIO(3, -1));
}

TEST(BaseChannels, EntriesPointAtZeroedMemoryFromConstruction)
{
  CoreTestPlug plug;
  for (int i = 0; i < 2; ++i)
  {
    ASSERT_NE(plug.InData()[i], nullptr);
    ASSERT_NE(plug.OutData()[i], nullptr);
    EXPECT_EQ(plug.InData()[i][0], 0.0);
    EXPECT_EQ(plug.In(i)->mSrc, plug.InData() + i);
    EXPECT_EQ(plug.Out(i)->mDest, plug.OutData() + i);
    EXPECT_FALSE(plug.IsInChannelConnected(i));
  }
  EXPECT_FALSE(plug.IsInChannelConnected(2));
  EXPECT_FALSE(plug.IsOutChannelConnected(-1));
}

TEST(BaseChannels, ConnectionRangeIsClippedToChannels)
{
  CoreTestPlug plug;
  plug.SetInputChannelConnections(1, 5, true);
  EXPECT_FALSE(plug.IsInChannelConnected(0));
  EXPECT_TRUE(plug.IsInChannelConnected(1));
  plug.SetOutputChannelConnections(INT_MAX, INT_MAX, true);  // no overflow, nothing exists there
  plug.SetOutputChannelConnections(-1, 2, true);             // only channel 0 exists in range
  EXPECT_TRUE(plug.IsOutChannelConnected(0));
  EXPECT_FALSE(plug.IsOutChannelConnected(1));
}

TEST(BaseChannels, UnconnectedInputConsumesNoHostPointer)
{
  CoreTestPlug plug;
  ASSERT_TRUE(plug.SetBlockSize(8));
  plug.SetInputChannelConnections(0, 1, true);
  plug.SetInputChannelConnections(1, 1, false);
  double a[8] = {1}, b[8] = {2};
  double* host[2] = {a, b};
  plug.AttachInputBuffers(0, 2, host, 8);
  EXPECT_EQ(plug.InData()[0], a);
  EXPECT_EQ(plug.InData()[1], plug.In(1)->mScratchBuf.Get());

  // Float input: converted into the scratch buffer of the connected channel.
  float f[8] = {0.25f, -1.0f};
  float* fhost[2] = {f, nullptr};
  plug.AttachInputBuffers(0, 2, fhost, 8);
  EXPECT_EQ(plug.InData()[0], plug.In(0)->mScratchBuf.Get());
  EXPECT_EQ(plug.InData()[0][0], 0.25);
  EXPECT_EQ(plug.InData()[0][1], -1.0);
}

TEST(BaseChannels, FloatProcessingWritesOnlyConnectedOutputs)
{
  CoreTestPlug plug;
  ASSERT_TRUE(plug.SetBlockSize(4));
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 1, true);
  plug.SetOutputChannelConnections(1, 1, false);
  float in0[4] = {1, 2, 3, 4}, in1[4] = {5, 6, 7, 8};
  float out0[4] = {9, 9, 9, 9}, out1[4] = {9, 9, 9, 9};
  float* ins[2] = {in0, in1};
  float* outs[2] = {out0, out1};
  plug.AttachInputBuffers(0, 2, ins, 4);
  plug.AttachOutputBuffers(0, 2, outs);  // out1 is not consumed by channel 1
  EXPECT_EQ(plug.Out(0)->mFDest, out0);
  EXPECT_EQ(plug.Out(1)->mFDest, nullptr);
  plug.ProcessBuffers(0.0f, 4);
  EXPECT_EQ(out0[0], 0.5f);
  EXPECT_EQ(out0[3], 2.0f);
  EXPECT_EQ(out1[0], 9.0f);  // untouched

  // Accumulating adds to what the host buffer holds: 0.25 + 0.5 = 0.75.
  for (float& v : out0) v = 0.25f;
  in0[0] = 1.0f;
  plug.AttachInputBuffers(0, 2, ins, 4);
  plug.ProcessBuffersAccumulating(0.0f, 4);
  EXPECT_EQ(out0[0], 0.75f);
}

TEST(BaseChannels, PassThroughSkipsThePlugin)
{
  CoreTestPlug plug("1-2");
  plug.SetLatency(0);  // an undelayed copy; the delay has its own test
  ASSERT_TRUE(plug.SetBlockSize(3));
  plug.SetInputChannelConnections(0, 1, true);
  plug.SetOutputChannelConnections(0, 2, true);
  float in[3] = {0.1f, 0.2f, 0.3f};
  float out0[3] = {}, out1[3] = {7, 7, 7};
  float* ins[1] = {in};
  float* outs[2] = {out0, out1};
  plug.AttachInputBuffers(0, 1, ins, 3);
  plug.AttachOutputBuffers(0, 2, outs);
  plug.PassThroughBuffers(0.0f, 3);
  EXPECT_EQ(plug.mProcessCalls, 0);
  EXPECT_EQ(out0[2], 0.3f);
  EXPECT_EQ(out1[0], 0.0f);  // no matching input: zeroed

  double din[3] = {1, 2, 3}, dout0[3] = {}, dout1[3] = {5, 5, 5};
  double* dins[1] = {din};
  double* douts[2] = {dout0, dout1};
  plug.AttachInputBuffers(0, 1, dins, 3);
  plug.AttachOutputBuffers(0, 2, douts);
  plug.PassThroughBuffers(0.0, 3);
  EXPECT_EQ(dout0[1], 2.0);
  EXPECT_EQ(dout1[1], 0.0);
  plug.ProcessBuffers(0.0, 3);
  EXPECT_EQ(plug.mProcessCalls, 1);
  EXPECT_EQ(dout0[2], 1.5);
}

TEST(BaseChannels, SetBlockSizeClearsOnlyOnChange)
{
  CoreTestPlug plug;
  ASSERT_TRUE(plug.SetBlockSize(16));
  EXPECT_EQ(plug.GetBlockSize(), 16);
  plug.In(0)->mScratchBuf.Get()[3] = 42.0;
  EXPECT_TRUE(plug.SetBlockSize(16));
  EXPECT_EQ(plug.In(0)->mScratchBuf.Get()[3], 42.0);
  ASSERT_TRUE(plug.SetBlockSize(32));
  EXPECT_EQ(plug.In(0)->mScratchBuf.Get()[3], 0.0);
  plug.Out(1)->mScratchBuf.Get()[31] = 1.0;
  plug.ZeroScratchBuffers();
  EXPECT_EQ(plug.Out(1)->mScratchBuf.Get()[31], 0.0);
}

// A mono host that changes its maximum frames: unconnected channels must
// follow their moved scratch buffers (the sanitizer build catches a stale one).
TEST(BaseChannels, UnconnectedChannelsFollowResizedScratch)
{
  CoreTestPlug plug;
  ASSERT_TRUE(plug.SetBlockSize(64));
  plug.SetInputChannelConnections(0, 1, true);
  plug.SetOutputChannelConnections(0, 1, true);
  plug.SetInputChannelConnections(1, 1, false);
  plug.SetOutputChannelConnections(1, 1, false);
  ASSERT_TRUE(plug.SetBlockSize(200000));
  EXPECT_EQ(plug.InData()[1], plug.In(1)->mScratchBuf.Get());
  EXPECT_EQ(plug.OutData()[1], plug.Out(1)->mScratchBuf.Get());

  std::vector<float> in(200000, 0.5f), out(200000, 0.0f);
  float* ins[1] = {in.data()};
  float* outs[1] = {out.data()};
  plug.AttachInputBuffers(0, 1, ins, 200000);
  plug.AttachOutputBuffers(0, 1, outs);
  plug.ProcessBuffers(0.0f, 200000);
  EXPECT_EQ(out[199999], 0.25f);
  ASSERT_TRUE(plug.SetBlockSize(8));  // shrinking moves them again
  EXPECT_EQ(plug.InData()[1], plug.In(1)->mScratchBuf.Get());
  // A connected channel bound to its scratch buffer follows too.
  EXPECT_EQ(plug.InData()[0], plug.In(0)->mScratchBuf.Get());
  plug.ProcessBuffers(0.0f, 8);  // reads the fresh, zeroed scratch input
  EXPECT_EQ(plug.mLastFrames, 8);
  EXPECT_EQ(out[7], 0.0f);
  EXPECT_EQ(out[8], 0.25f);  // past the block: untouched
}

TEST(BaseChannels, RefusedBlockSizeKeepsBuffers)
{
  CoreTestPlug plug;
  ASSERT_TRUE(plug.SetBlockSize(32));
  double* before = plug.In(0)->mScratchBuf.Get();
  before[5] = 3.0;
  EXPECT_FALSE(plug.SetBlockSize(-1));
  EXPECT_FALSE(plug.SetBlockSize(INT_MAX));      // 8 * INT_MAX bytes
  EXPECT_FALSE(plug.SetBlockSize(INT_MAX / 8 + 1));
  EXPECT_FALSE(plug.SetBlockSize(INT_MAX / 8));  // fits an int, but its allocation does not
  EXPECT_EQ(plug.GetBlockSize(), 32);
  EXPECT_EQ(plug.In(0)->mScratchBuf.Get(), before);
  EXPECT_EQ(plug.In(0)->mScratchBuf.GetSize(), 32);
  EXPECT_EQ(before[5], 3.0);
}

TEST(BaseChannels, FramesBeyondBlockSizeAreLimited)
{
  CoreTestPlug plug;
  ASSERT_TRUE(plug.SetBlockSize(4));
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);
  std::vector<float> in(64, 1.0f), out0(64, 9.0f), out1(64, 9.0f);
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out0.data(), out1.data()};
  plug.AttachInputBuffers(0, 2, ins, 64);
  plug.AttachOutputBuffers(0, 2, outs);
  plug.ProcessBuffers(0.0f, 64);  // scratch holds 4 frames
  EXPECT_EQ(plug.mLastFrames, 4);
  EXPECT_EQ(out0[3], 0.5f);
  EXPECT_EQ(out0[4], 9.0f);

  // All host doubles: the host's length counts, not the scratch size.
  std::vector<double> din(64, 1.0), dout0(64), dout1(64);
  double* dins[2] = {din.data(), din.data()};
  double* douts[2] = {dout0.data(), dout1.data()};
  plug.AttachInputBuffers(0, 2, dins, 64);
  plug.AttachOutputBuffers(0, 2, douts);
  plug.ProcessBuffers(0.0, 64);
  EXPECT_EQ(plug.mLastFrames, 64);
  plug.SetOutputChannelConnections(1, 1, false);  // now a scratch buffer is involved
  plug.ProcessBuffers(0.0, 64);
  EXPECT_EQ(plug.mLastFrames, 4);
}
