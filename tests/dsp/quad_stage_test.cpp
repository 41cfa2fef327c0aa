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
// baseline path) and with the two stages' settings different.
TEST(QuadStage, MatchesTheFilterStepsAtEveryFactorMonoAndStereo)
{
  if (!cinderpath_dsp::QuadPathAvailable()) GTEST_SKIP() << "no quad build on this machine";
  const bool wide = cinderpath_dsp::WidePathEnabled(), quad = cinderpath_dsp::QuadPathEnabled();
  cinderpath_dsp::SetWidePathEnabled(false);
  cinderpath_dsp::SetQuadPathEnabled(true);
  const int blocks[] = {1, 2, 3, 5, 8, 64, 1, 300, 4, 16, 7};
  const unsigned factors[] = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 25, 32, 33};
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
        ASSERT_TRUE(SameBits(yl[i], ReferenceOversampled(refL, xl[i]))) << "factor " << f << " left " << i;
        if (start >= monoStretch)
        {
          ASSERT_TRUE(SameBits(yr[i], ReferenceOversampled(refR, xr[i]))) << "factor " << f << " right " << i;
        }
      }
      start += len;
    }
    EXPECT_TRUE(SameStage(l, refL)) << f;
    EXPECT_TRUE(SameStage(r, refR)) << f;
  }
  cinderpath_dsp::SetQuadPathEnabled(quad);
  cinderpath_dsp::SetWidePathEnabled(wide);
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
