// The pipelined chunk loop of the chain against the filters run one sample
// at a time: the same output bits and the same filter states afterwards, for
// every chunking of a block, every set of input switches, one channel and
// two, with switches and coefficients changed between blocks.
#include "EffectChain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "effect_test_util.h"

using namespace effect_test;
using namespace cinderpath_stereo;

namespace
{

bool Same(double a, double b)
{
  return std::memcmp(&a, &b, sizeof(double)) == 0;
}

// The six filters of one channel.
struct Chain
{
  OnePoleHP inHP;
  Biquad peak, shelf;
  LowPass4 lowPass;
  OnePoleHP outHP;
  OnePoleLP outLP;

  // Settings that let every filter act; `variant` gives the right channel
  // other coefficients than the left, and a later block other ones again.
  void Set(int variant)
  {
    const double fs = 44100.0;
    inHP.Set(90.0 + 40.0 * variant, fs);
    peak.SetPeak(700.0 + 300.0 * variant, 7.0 - 5.0 * variant, fs);
    shelf.SetShelf(4000.0 + 900.0 * variant, -5.0 + 3.0 * variant, fs);
    lowPass.SetSampleRate(fs);
    lowPass.Set(6000.0 - 1500.0 * variant, 0.1);
    outHP.Set(7.0 + 3.0 * variant, fs);
    outLP.Set(15000.0 - 2000.0 * variant, fs);
  }
};

// A stage stand-in with a memory from sample to sample, so that a chunk run
// out of order, twice or from the wrong slot changes the result.
double StageStep(double& memory, double x)
{
  const double y = x - 0.2 * x * x * x + 0.3 * memory;
  memory = y;
  return y;
}

constexpr int kChunkMax = 32;  // the longest chunk the table uses

// The connection of the loop under test: host frames of two channels, the
// stand-in stages, outputs.
struct TestIo
{
  const Stereo* in;
  Stereo* out;
  int start;  // the block's first frame in the signal
  double memory[2];
  double x[2][2][kChunkMax];  // [slot][channel][sample]
  int watched;                // frames handed to Watch, in order
  Lanes Read(int k) { return Lanes{in->l[start + k], in->r[start + k]}; }
  void ToStage(int slot, int i, Lanes v)
  {
    x[slot][0][i] = v[0];
    x[slot][1][i] = v[1];
  }
  Lanes FromStage(int slot, int i) const { return Lanes{x[slot][0][i], x[slot][1][i]}; }
  void RunStage(int slot, int n)
  {
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < n; ++i) x[slot][c][i] = StageStep(memory[c], x[slot][c][i]);
  }
  void Write(int k, Lanes y)
  {
    out->l[start + k] = y[0];
    out->r[start + k] = y[1];
  }
  void Watch(int k, int n)
  {
    EXPECT_EQ(k, watched);
    watched += n;
  }
};

// The same with one channel (the left) in a double, as the mono chain runs.
struct MonoIo
{
  TestIo* both;
  double Read(int k) { return both->Read(k)[0]; }
  void ToStage(int slot, int i, double v) { both->x[slot][0][i] = v; }
  double FromStage(int slot, int i) const { return both->x[slot][0][i]; }
  void RunStage(int slot, int n)
  {
    for (int i = 0; i < n; ++i) both->x[slot][0][i] = StageStep(both->memory[0], both->x[slot][0][i]);
  }
  void Write(int k, double y) { both->out->l[start() + k] = y; }
  void Watch(int k, int n) { both->Watch(k, n); }
  int start() const { return both->start; }
};

InputSwitches SwitchesOf(int mask)
{
  return InputSwitches{(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0};
}

// One channel's chain one sample at a time, the reference.
double ReferenceStep(Chain& c, const InputSwitches& on, double& memory, double x, double volume, double comp)
{
  if (on.hp) x = c.inHP.Run(x);
  if (on.peak) x = c.peak.Run(x);
  if (on.shelf) x = c.shelf.Run(x);
  if (on.lowPass) x = c.lowPass.Run(x);
  x = StageStep(memory, x);
  x = c.outHP.Run(x);
  return c.outLP.Run(x * volume * comp);
}

bool SameState(const Chain& a, const Chain& b)
{
  return std::memcmp(&a.inHP, &b.inHP, sizeof a.inHP) == 0 && std::memcmp(&a.peak, &b.peak, sizeof a.peak) == 0 &&
         std::memcmp(&a.shelf, &b.shelf, sizeof a.shelf) == 0 &&
         std::memcmp(&a.lowPass, &b.lowPass, sizeof a.lowPass) == 0 &&
         std::memcmp(&a.outHP, &b.outHP, sizeof a.outHP) == 0 && std::memcmp(&a.outLP, &b.outLP, sizeof a.outLP) == 0;
}

TEST(EffectChainPipeline, GivesTheBitsOfTheFilterStepsForEveryChunking)
{
  struct Case
  {
    int chunk;
    std::vector<int> blocks;  // block lengths in frames, in turn
  };
  // Chunks of one frame (every pass at an edge), chunks shorter than the
  // filters' skew, blocks that end mid-chunk, empty blocks, long blocks of
  // long chunks with a remainder.
  const Case cases[] = {{1, {1, 2, 5, 1}},   {2, {3, 1, 4, 9}},   {3, {7, 0, 2, 12}},  {5, {5, 10, 11, 4}},
                        {8, {8, 17, 1, 40}}, {8, {64, 3, 0, 33}}, {32, {16, 33, 100}}, {32, {17, 48, 49, 2}}};
  const Stereo in = TestSignal(200, 41, 1.2);
  const double volume = 1.3, comp = 1.03;
  for (const Case& c : cases)
    for (int mono = 0; mono < 2; ++mono)
      for (int mask = 0; mask < 16; ++mask)
      {
        SCOPED_TRACE(testing::Message() << "chunk " << c.chunk << (mono ? " mono" : " stereo") << ", switches "
                                        << mask);
        Chain run[2], ref[2];
        for (int ch = 0; ch < 2; ++ch)
        {
          run[ch].Set(ch);
          ref[ch] = run[ch];
        }
        Stereo out(in.Size()), expect(in.Size());
        TestIo io{&in, &out, 0, {0.0, 0.0}, {}, 0};
        double refMemory[2] = {0.0, 0.0};
        int start = 0;
        for (size_t b = 0; b < c.blocks.size() && start < in.Size(); ++b)
        {
          // Between blocks: the switches change every block, the
          // coefficients (not the states) from the third block on.
          const InputSwitches on = SwitchesOf(b % 2 == 0 ? mask : 15 - mask);
          if (b == 2)
            for (int ch = 0; ch < 2; ++ch)
            {
              run[ch].Set(ch + 1);
              ref[ch].Set(ch + 1);
            }
          const int n = std::min(c.blocks[b], in.Size() - start);
          io.start = start;
          io.watched = 0;
          if (mono)
          {
            MonoIo monoIo{&io};
            double inBuf[kChunkMax], outBuf[kChunkMax];
            RunChainPipelined(on, run[0], n, c.chunk, volume, comp, inBuf, outBuf, monoIo);
          }
          else
          {
            const ChainFilters filters{{&run[0].inHP, &run[1].inHP},       {&run[0].peak, &run[1].peak},
                                       {&run[0].shelf, &run[1].shelf},     {&run[0].lowPass, &run[1].lowPass},
                                       {&run[0].outHP, &run[1].outHP},     {&run[0].outLP, &run[1].outLP},
                                       on, volume, comp};
            ChannelPairFilters f(filters);
            Lanes inBuf[kChunkMax], outBuf[kChunkMax];
            RunChainPipelined(on, f, n, c.chunk, volume, comp, inBuf, outBuf, io);
            f.Store(filters);
          }
          EXPECT_EQ(io.watched, n);
          for (int k = start; k < start + n; ++k)
          {
            expect.l[k] = ReferenceStep(ref[0], on, refMemory[0], in.l[k], volume, comp);
            if (!mono) expect.r[k] = ReferenceStep(ref[1], on, refMemory[1], in.r[k], volume, comp);
          }
          start += n;
        }
        for (int k = 0; k < start; ++k)
        {
          ASSERT_TRUE(Same(out.l[k], expect.l[k])) << "frame " << k;
          ASSERT_TRUE(Same(out.r[k], expect.r[k])) << "frame " << k;
        }
        EXPECT_TRUE(SameState(run[0], ref[0]));
        EXPECT_TRUE(SameState(run[1], ref[1]));
      }
}

}  // namespace
