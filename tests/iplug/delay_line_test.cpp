// The latency delay of pass-through: the delay line itself against a
// reference, and the processing frame switching between processing and
// delayed pass-through without a jump in time.
#include "NChanDelay.h"

#include <gtest/gtest.h>

#include <vector>

#include "core_test_plug.h"

namespace {

// Delayed copies for every block size, in place and into separate buffers,
// with stretches that only feed the history (the processing in between):
// a delayed output sample is always the input `delay` frames earlier.
TEST(DelayLine, OutputIsTheInputDelayedAcrossBlocksAndFeeds)
{
  const int n = 200;
  std::vector<double> in0(n), in1(n);
  for (int i = 0; i < n; ++i)
  {
    in0[i] = i + 1.0;
    in1[i] = -(i + 1.0);
  }
  for (int delay : {0, 1, 4, 7})
    for (int block : {1, 3, 4, 5, 17})
      for (int inPlace = 0; inPlace < 2; ++inPlace)
      {
        SCOPED_TRACE(delay * 1000 + block * 10 + inPlace);
        NChanDelayLine d(2, 3);
        ASSERT_TRUE(d.SetDelayTime(delay));
        std::vector<double> out0(n, 9.0), out1(n, 9.0), out2(n, 9.0);
        for (int start = 0, k = 0; start < n; start += block, ++k)
        {
          const int len = std::min(block, n - start);
          std::vector<double> a(in0.begin() + start, in0.begin() + start + len);
          std::vector<double> b(in1.begin() + start, in1.begin() + start + len);
          double* ins[2] = {a.data(), b.data()};
          if (k % 3 == 1)
          {
            d.Feed(ins, len);  // processed, not passed through
            continue;
          }
          double* outs[3] = {out0.data() + start, out1.data() + start, out2.data() + start};
          if (inPlace) outs[0] = a.data(), outs[1] = b.data();
          d.ProcessBlock(ins, outs, len);
          for (int i = 0; i < len; ++i)
          {
            const int src = start + i - delay;
            ASSERT_EQ(outs[0][i], src >= 0 ? in0[src] : 0.0) << start + i;
            ASSERT_EQ(outs[1][i], src >= 0 ? in1[src] : 0.0) << start + i;
            ASSERT_EQ(out2[start + i], 0.0);  // no input for the third output
          }
        }
      }
}

// The frame's pass-through carries the latency; the processing calls keep the
// delay's history current, so a host toggling its bypass between blocks gets
// a continuous stream. A new latency clears the history.
TEST(DelayLine, HostBypassIsDelayedByTheLatencyAndSwitchesSeamlessly)
{
  CoreTestPlug plug("2-2");
  ASSERT_EQ(plug.GetLatency(), 4);
  ASSERT_TRUE(plug.SetBlockSize(8));
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);
  std::vector<float> in(64), out0(64), out1(64);
  for (int i = 0; i < 64; ++i) in[i] = (float)(i + 1);
  for (int b = 0; b < 8; ++b)
  {
    float* ins[2] = {in.data() + 8 * b, in.data() + 8 * b};
    float* outs[2] = {out0.data() + 8 * b, out1.data() + 8 * b};
    plug.AttachInputBuffers(0, 2, ins, 8);
    plug.AttachOutputBuffers(0, 2, outs);
    if (b % 2)
      plug.PassThroughBuffers(0.0f, 8);
    else
      plug.ProcessBuffers(0.0f, 8);
  }
  for (int i = 8; i < 64; i += (i % 8 == 7) ? 9 : 1)  // the bypassed blocks
  {
    ASSERT_EQ(out0[i], in[i - 4]) << i;
    ASSERT_EQ(out1[i], in[i - 4]) << i;
  }

  plug.SetLatency(2);
  float silence[8] = {}, o0[8], o1[8];
  float* ins[2] = {silence, silence};
  float* outs[2] = {o0, o1};
  plug.AttachInputBuffers(0, 2, ins, 8);
  plug.AttachOutputBuffers(0, 2, outs);
  plug.PassThroughBuffers(0.0f, 8);
  for (float v : o0) EXPECT_EQ(v, 0.0f);
}

}  // namespace
