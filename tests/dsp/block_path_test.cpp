// The valve stage's block path (filters in modal form) against the stage
// built from the filters' own public steps in direct form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ValveStage.h"
#include "dsp_test_util.h"

namespace
{

// a and b agree to `tol` times the larger of 1 and |b| (after a factor
// change the direct form's transient can leave full scale far behind).
testing::AssertionResult ExpectClose(double a, double b, double tol)
{
  if (std::fabs(a - b) <= tol * std::max(1.0, std::fabs(b))) return testing::AssertionSuccess();
  return testing::AssertionFailure() << a << " vs " << b;
}

// The two stages' rings agree to `tol`, positions exactly.
void ExpectNearRings(const ValveStage& a, const ValveStage& b, double tol)
{
  EXPECT_EQ(a.mUp.mPos, b.mUp.mPos);
  EXPECT_EQ(a.mDown.mPos, b.mDown.mPos);
  for (int i = 0; i < 8; ++i)
  {
    EXPECT_NEAR(a.mUp.mX[i], b.mUp.mX[i], tol);
    EXPECT_NEAR(a.mUp.mY[i], b.mUp.mY[i], tol);
    EXPECT_NEAR(a.mDown.mX[i], b.mDown.mX[i], tol);
    EXPECT_NEAR(a.mDown.mY[i], b.mDown.mY[i], tol);
  }
}

// Within 1e-7 of the direct form, and the same rings to rounding, at every
// factor, one channel and two, after a stretch of one channel alone (the
// rings then sit at different positions), for blocks of every length and
// with the two stages' settings different.
TEST(BlockPath, MatchesTheFilterStepsAtEveryFactorMonoAndStereo)
{
  const int blocks[] = {1, 2, 3, 5, 8, 64, 1, 300, 4, 16, 7};
  const unsigned factors[] = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 25, 32, 33};
  for (unsigned f : factors)
  {
    const int n = 900, monoStretch = 150;
    // Above 16 the direct form's own rounding exceeds 1e-7.
    const double tol = f > 16 && f <= 32 ? 1e-5 : 1e-7;
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
        ASSERT_TRUE(ExpectClose(yl[i], ReferenceOversampled(refL, xl[i]), tol)) << "factor " << f << " left " << i;
        if (start >= monoStretch)
        {
          ASSERT_TRUE(ExpectClose(yr[i], ReferenceOversampled(refR, xr[i]), tol)) << "factor " << f << " right " << i;
        }
      }
      start += len;
    }
    l.UpdateRings();
    r.UpdateRings();
    ExpectNearRings(l, refL, tol);
    ExpectNearRings(r, refR, tol);
  }
}

// The rings are kept when the factor changes, so right after a change they
// hold the old factor's zeros and samples: the first block at the new factor
// continues from them as the direct form does (here compared with the exact
// stage in quadruple precision: at a change the direct form in double is
// itself 1e-6 off).
TEST(BlockPath, FactorChangesBetweenBlocksFollowTheDirectForm)
{
  const unsigned factors[] = {4, 2, 3, 2, 4, 3, 16, 2, 2, 5, 4};
  const std::vector<double> xl = Signal(31, 40 * 11, 1.3), xr = Signal(32, 40 * 11, 0.7);
  ValveStage l, r;
  QuadStage refL, refR;
  std::vector<double> yl(xl), yr(xr);
  for (int k = 0; k < 11; ++k)
  {
    l.Configure(factors[k], 6.0, 2.5);
    r.Configure(factors[k], 6.0, 2.5);
    refL.Configure(factors[k], 6.0, 2.5);
    refR.Configure(factors[k], 6.0, 2.5);
    ValveStage::ProcessPair(l, r, yl.data() + 40 * k, yr.data() + 40 * k, 40);
    for (int i = 40 * k; i < 40 * (k + 1); ++i)
    {
      ASSERT_TRUE(ExpectClose(yl[i], double(refL.Run(xl[i])), 1e-10)) << "block " << k << " left " << i;
      ASSERT_TRUE(ExpectClose(yr[i], double(refR.Run(xr[i])), 1e-10)) << "block " << k << " right " << i;
    }
  }
}

}  // namespace
