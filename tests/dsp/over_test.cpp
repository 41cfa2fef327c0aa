#include "Over.h"
#include "OverCoeffs.h"
#include "dsp_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

// Straightforward ring-indexed form of the full step, kept apart from the
// library's windowed kernel so the two check each other.
double ReferenceRun(Over& f, double x)
{
  f.mPos = (f.mPos + 1) & 7u;
  f.mX[f.mPos] = x;
  auto X = [&](unsigned i) { return f.mX[(f.mPos - i) & 7u]; };
  auto Y = [&](unsigned i) { return f.mY[(f.mPos - i) & 7u]; };
  double y = f.mB[0] * (X(0) + X(7)) + f.mB[1] * (X(1) + X(6)) + f.mB[2] * (X(2) + X(5)) +
             f.mB[3] * (X(3) + X(4));
  for (unsigned i = 1; i <= 7; ++i) y = y - f.mA[i - 1] * Y(i);
  f.mY[f.mPos] = y;
  return y;
}

const unsigned kFactors[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 32};

}  // namespace

TEST(Over, NewFilterHoldsFactorTwoSetAndZeroState)
{
  Over f;
  Over two;
  two.Set(2);
  EXPECT_TRUE(SameOver(f, two));
  for (int i = 0; i < 8; ++i)
  {
    EXPECT_EQ(f.mX[i], 0.0);
    EXPECT_EQ(f.mY[i], 0.0);
  }
  EXPECT_EQ(f.mPos, 0u);
}

TEST(Over, EstablishedRowsAreUsedDigitForDigit)
{
  struct Row
  {
    unsigned factor;
    double b[4];
    double a[7];
  };
  const Row rows[] = {
      {2,
       {0.006273939023363848, 0.024922266506352812, 0.0543782718414125, 0.07774045566846959},
       {-2.5932855880520607, 4.471672750712882, -4.988912909267521, 4.011956258425628,
        -2.234422637758902, 0.8110663774596027, -0.15144438544043137}},
      {4,
       {0.001209126661615725, -0.001373758513105418, 0.0023932103465033206,
        -0.00017603815573696228},
       {-5.322431946735952, 12.826392234935547, -17.994094801297717, 15.80604378702229,
        -8.672808223376215, 2.7495427216894974, -0.3885386915588973}},
      {16,
       {0.0002173850544834393, -0.0010145737515022736, 0.001746011506319255,
        -0.0009486430543259512},
       {-6.713680965202, 19.370237170847993, -31.13171052137926, 30.10009818262658,
        -17.50700982078386, 5.671478565250511, -0.7894122518500162}},
  };
  for (const Row& r : rows)
  {
    Over f;
    f.Set(r.factor);
    EXPECT_EQ(std::memcmp(f.mB, r.b, sizeof r.b), 0) << "factor " << r.factor;
    EXPECT_EQ(std::memcmp(f.mA, r.a, sizeof r.a), 0) << "factor " << r.factor;
  }
}

TEST(Over, FactorsWithoutTheirOwnSetGetFactorTwo)
{
  Over two;
  for (unsigned factor : {0u, 1u, 21u, 25u, 31u, 33u, 100u, 0xffffffffu})
  {
    Over f;
    f.Set(16);
    f.Set(factor);
    EXPECT_TRUE(SameOver(f, two)) << "factor " << factor;
  }
  // Every factor with a set of its own gets a distinct one.
  for (unsigned i = 0; i < sizeof kFactors / sizeof kFactors[0]; ++i)
  {
    Over f;
    f.Set(kFactors[i]);
    EXPECT_EQ(OverCoeffsFor(kFactors[i]).factor, kFactors[i]);
    if (kFactors[i] != 2)
    {
      EXPECT_NE(std::memcmp(f.mA, two.mA, sizeof f.mA), 0);
    }
  }
}

TEST(Over, SetAndClearKeepWhatTheyShould)
{
  Over f;
  f.Set(4);
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  for (int i = 0; i < 13; ++i) f.Run(d(rng));
  Over before = f;
  f.Set(16);  // mid-stream factor change keeps the history
  EXPECT_EQ(std::memcmp(f.mX, before.mX, sizeof f.mX), 0);
  EXPECT_EQ(std::memcmp(f.mY, before.mY, sizeof f.mY), 0);
  EXPECT_EQ(f.mPos, before.mPos);
  f.Set(16);
  Over again = f;
  f.Set(16);  // repeating the same factor changes nothing
  EXPECT_TRUE(SameOver(f, again));

  f.Clear();
  Over sixteen;
  sixteen.Set(16);
  EXPECT_TRUE(SameOver(f, sixteen));  // zero rings, coefficients kept
}

TEST(Over, FullStepFollowsTheRingEquationExactly)
{
  for (unsigned factor : kFactors)
  {
    Over f, ref;
    f.Set(factor);
    ref.Set(factor);
    std::mt19937 rng(factor);
    std::uniform_real_distribution<double> d(-2.0, 2.0);
    for (int i = 0; i < 300; ++i)
    {
      const double x = d(rng);
      const double y = f.Run(x);
      const double yr = ReferenceRun(ref, x);
      ASSERT_EQ(std::memcmp(&y, &yr, sizeof y), 0) << "factor " << factor << " step " << i;
    }
    EXPECT_TRUE(SameOver(f, ref));
  }
}

// A group of N steps with zero steps gives what Run with zeros gives, for
// every factor and every zero step, also from arbitrary (non-zero) history
// such as a factor change leaves behind.
TEST(Over, ZeroStepsEqualFullStepsWithZeroInput)
{
  for (unsigned factor : kFactors)
  {
    Over zero, full;
    zero.Set(factor);
    full.Set(factor);
    std::mt19937 rng(100 + factor);
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    // Arbitrary history first.
    for (int i = 0; i < 8; ++i)
    {
      const double x = d(rng);
      zero.Run(x);
      full.Run(x);
    }
    for (int group = 0; group < 40; ++group)
    {
      const double x = d(rng);
      ASSERT_EQ(zero.Run(x), full.Run(x));
      for (unsigned j = 1; j < factor; ++j)
        ASSERT_EQ(zero.RunZero(j), full.Run(0.0)) << "factor " << factor << " step " << j;
    }
    EXPECT_EQ(zero.mPos, full.mPos);
    EXPECT_EQ(std::memcmp(zero.mX, full.mX, sizeof zero.mX), 0);
  }
  // The named steps are the numbered ones.
  Over a, b;
  a.Run(1.0);
  b.Run(1.0);
  const double named[] = {a.Run01(), a.Run02(), a.Run03(), a.Run04(),
                          a.Run05(), a.Run06(), a.Run07(), a.Run08(), a.Run08()};
  for (unsigned j = 1; j <= 9; ++j) EXPECT_EQ(named[j - 1], b.RunZero(j));
}

TEST(Over, ImpulseResponseSettlesToUnityDcGain)
{
  for (unsigned factor : kFactors)
  {
    Over f;
    f.Set(factor);
    double sum = 0.0;
    for (int i = 0; i < 200000; ++i) sum += f.Run(i == 0 ? 1.0 : 0.0);
    // The fixed rows 2, 4 and 16 carry their own DC error of up to 1e-8; at
    // factor 32 the recursion's rounding at DC (sum |a| about 128 against
    // 1 + sum(a) about 3e-9) moves the running filter's DC gain by about 1e-7.
    EXPECT_NEAR(sum, 1.0, factor == 32 ? 5e-7 : 3e-8) << "factor " << factor;
    EXPECT_LT(std::abs(f.mY[f.mPos]), 1e-12) << "factor " << factor;
  }
}
