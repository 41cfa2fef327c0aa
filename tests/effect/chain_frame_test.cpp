// The chain's per-frame helpers against one-sample-at-a-time models: the
// two-lane input sanitising, and the clip watch run over chunks of any size
// (same indicator changes in the same order, same count and state).
#include "EffectChain.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

using namespace cinderpath_stereo;

namespace
{

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool Same(double a, double b)
{
  return std::memcmp(&a, &b, sizeof(double)) == 0;
}

TEST(EffectChainFrame, ReadFrameSanitisesBothLanesLikeOneSampleAtATime)
{
  const double values[] = {0.0, -0.0, 0.5, -1e-310, 1e308, kInf, -kInf, kNaN, -kNaN};
  for (double a : values)
    for (double b : values)
    {
      ChainFrame st{1e-20, 0, 0, 10, false, nullptr, nullptr};
      const Lanes got = ReadFrame(&a, &b, 0, st);
      EXPECT_TRUE(Same(got[0], SanitizeSample(a) - 1e-20)) << a << " " << b;
      EXPECT_TRUE(Same(got[1], SanitizeSample(b) - 1e-20)) << a << " " << b;
      EXPECT_EQ(st.offset, -1e-20);
    }
}

// The watch one frame at a time, as a reference.
struct ClipModel
{
  int count, clip, hold;
  std::vector<int> changes;
  void Frame(double l, double r)
  {
    if (count <= hold && count < INT_MAX) ++count;
    const double al = std::fabs(l), ar = std::fabs(r);
    const int before = clip;
    if ((al < ar ? ar : al) > 1.0)
    {
      clip = 1;
      count = 0;
    }
    else if (count > hold)
    {
      clip = 0;
    }
    if (clip != before) changes.push_back(clip);
  }
};

TEST(EffectChainFrame, ClipWatchOverChunksMatchesTheFrameModel)
{
  // Quiet stretches long and short against the hold, single overs, exactly
  // full scale, NaN beside an over and alone, infinities.
  struct Case
  {
    int hold, startCount, startClip;
    double overRate;
  };
  const Case cases[] = {{3, 0, 0, 0.05},  {3, 2, 1, 0.0},     {0, 0, 0, 0.1},    {-1, 5, 1, 0.02},
                        {100, 0, 0, 0.01}, {100, 101, 0, 0.0}, {INT_MAX, 0, 1, 0.0}, {INT_MAX, INT_MAX - 3, 1, 0.0},
                        {7, 0, 0, 0.5}};
  std::mt19937 rng(11);
  for (const Case& c : cases)
  {
    const int n = 3000;
    std::vector<double> l(n), r(n);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int i = 0; i < n; ++i)
    {
      // Loud stretches come in bursts, so the quiet ones outlast the hold.
      const bool loud = (i / 200) % 3 == 1 && u(rng) < c.overRate * 10;
      l[i] = loud ? 1.5 : 0.9 * u(rng);
      r[i] = u(rng) < 0.01 ? 1.0 : -0.9 * u(rng);
      if (i % 499 == 7) l[i] = kNaN;
      if (i % 601 == 9) r[i] = -kInf;
      if (i % 733 == 5) (l[i] = kNaN, r[i] = 1.25);
    }
    ClipModel m{c.startCount, c.startClip, c.hold, {}};
    for (int i = 0; i < n; ++i) m.Frame(l[i], r[i]);

    for (int chunk : {1, 3, 64, 256, 3000})
    {
      std::vector<int> changes;
      ChainFrame st{1e-20, c.startCount, c.startClip, c.hold, false,
                    [](void* ctx, int clip) { static_cast<std::vector<int>*>(ctx)->push_back(clip); }, &changes};
      for (int start = 0; start < n; start += chunk)
        WatchClip(st, l.data() + start, r.data() + start, std::min(chunk, n - start));
      WatchClip(st, l.data(), r.data(), 0);  // an empty chunk changes nothing
      EXPECT_EQ(st.clipCount, m.count) << "hold " << c.hold << ", chunk " << chunk;
      EXPECT_EQ(st.clip, m.clip) << "hold " << c.hold << ", chunk " << chunk;
      EXPECT_EQ(changes, m.changes) << "hold " << c.hold << ", chunk " << chunk;
    }
  }
}

TEST(EffectChainFrame, HoldInWholeSamples)
{
  EXPECT_EQ(HoldSamples(44100.0, 0.75), 33075);
  EXPECT_EQ(HoldSamples(44101.0, 0.75), 33075);  // 33075.75: a count of 33076 is past it
  EXPECT_EQ(HoldSamples(1e12, 0.75), INT_MAX);
  EXPECT_EQ(HoldSamples(kNaN, 0.75), INT_MAX);
  EXPECT_EQ(HoldSamples(-8.0, 0.75), -1);
}

}  // namespace
