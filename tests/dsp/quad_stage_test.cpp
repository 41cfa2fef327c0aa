// The quad build of the valve stage (interpolator and decimator fused in one
// vector, the decimator a few sub-samples behind) against the stage built
// from the filters' own public steps.
#include "ValveStage.h"
#include "ValveStageDispatch.h"
#include "ValveStageQuad.h"
#include "dsp_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Same bits and end state at every factor, one channel and two, after a
// stretch of one channel alone (the rings then sit at different positions),
// for blocks of every length (blocks too short to fill the pipeline take the
// baseline path) and with the two stages' settings different; in the AVX2
// build and the AVX-512 one.
TEST(QuadStage, MatchesTheFilterStepsAtEveryFactorMonoAndStereo)
{
  if (!cinderpath_dsp::QuadPathAvailable()) GTEST_SKIP() << "no quad build on this machine";
  const int blocks[] = {1, 2, 3, 5, 8, 64, 1, 300, 4, 16, 7};
  const unsigned factors[] = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 25, 32, 33};
  ForEachPipelinedBuild([&](const char* build) {
    for (unsigned f : factors)
    {
      const int n = 900, monoStretch = 150;
      const std::vector<double> xl = Signal(700 + f, n, 1.1), xr = Signal(800 + f, n, 0.5);
      ValveStage l, r;
      l.Configure(f, 4.0, 3.0);
      r.Configure(f, 27.0, 1.7);
      ValveStage refL = l, refR = r;
      std::vector<double> yl(xl), yr(xr);
      for (int start = 0, k = 0; start < n; ++k)
      {
        const int len = std::min(blocks[k % 11], n - start);
        if (start < monoStretch)
          l.Process(yl.data() + start, len);
        else
          ValveStage::ProcessPair(l, r, yl.data() + start, yr.data() + start, len);
        for (int i = start; i < start + len; ++i)
        {
          ASSERT_TRUE(SameBits(yl[i], ReferenceOversampled(refL, xl[i]))) << build << " factor " << f << " left " << i;
          if (start >= monoStretch)
          {
            ASSERT_TRUE(SameBits(yr[i], ReferenceOversampled(refR, xr[i]))) << build << " factor " << f << " right " << i;
          }
        }
        start += len;
      }
      EXPECT_TRUE(SameStage(l, refL)) << build << " " << f;
      EXPECT_TRUE(SameStage(r, refR)) << build << " " << f;
    }
  });
}

// The windows are kept when the factor changes, so right after a change
// they hold the old factor's zeros and samples: the first block at the new
// factor must use them as they are.
TEST(QuadStage, FactorChangesBetweenBlocksKeepTheBits)
{
  if (!cinderpath_dsp::QuadPathAvailable()) GTEST_SKIP() << "no quad build on this machine";
  const unsigned factors[] = {4, 2, 3, 2, 4, 3, 16, 2, 2, 5, 4};
  ForEachPipelinedBuild([&](const char* build) {
    const std::vector<double> xl = Signal(31, 40 * 11, 1.3), xr = Signal(32, 40 * 11, 0.7);
    ValveStage l, r, refL, refR;
    std::vector<double> yl(xl), yr(xr);
    for (int k = 0; k < 11; ++k)
    {
      for (ValveStage* s : {&l, &r, &refL, &refR}) s->Configure(factors[k], 6.0, 2.5);
      ValveStage::ProcessPair(l, r, yl.data() + 40 * k, yr.data() + 40 * k, 40);
      for (int i = 40 * k; i < 40 * (k + 1); ++i)
      {
        ASSERT_TRUE(SameBits(yl[i], ReferenceOversampled(refL, xl[i]))) << build << " block " << k << " left " << i;
        ASSERT_TRUE(SameBits(yr[i], ReferenceOversampled(refR, xr[i]))) << build << " block " << k << " right " << i;
      }
    }
    EXPECT_TRUE(SameStage(l, refL)) << build;
  });
}

// The quad build is on by default where the processor has AVX2, unless the
// environment switches it off for the process (run once more by CTest with
// the variable set).
TEST(QuadStage, StartupChoiceFollowsEnvironment)
{
  ExpectStartupChoice("CINDERPATH_NO_AVX2", cinderpath_dsp::QuadPathAvailable, cinderpath_dsp::QuadPathEnabled,
                      cinderpath_dsp::SetQuadPathEnabled);
}

}  // namespace
