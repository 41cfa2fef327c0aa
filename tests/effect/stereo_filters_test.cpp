// Each two-lane filter pair against its two filter objects run one after the
// other: same outputs and same stored state, bit for bit.
#include "StereoFilters.h"

#include <gtest/gtest.h>

#include <cstring>

#include "effect_test_util.h"

using namespace effect_test;
using cinderpath_stereo::Lanes;

namespace
{

bool Same(double a, double b)
{
  return std::memcmp(&a, &b, sizeof(double)) == 0;
}

// Runs `pair` and the objects `l`, `r` on the same signal and compares every
// output, then stores the pair's state into copies of the objects as they
// were before and compares them with the objects that ran (the filter
// objects hold doubles only, so their bytes can be compared).
template <class Pair, class Filter>
void ExpectPairMatches(Filter l, Filter r, int seed)
{
  const Filter beforeL = l, beforeR = r;
  Pair pair(l, r);
  const Stereo in = TestSignal(2000, seed, 1.5);
  for (int i = 0; i < in.Size(); ++i)
  {
    const Lanes y = pair.Run(Lanes{in.l[i], in.r[i]});
    ASSERT_TRUE(Same(y[0], l.Run(in.l[i]))) << i;
    ASSERT_TRUE(Same(y[1], r.Run(in.r[i]))) << i;
  }
  Filter storedL = beforeL, storedR = beforeR;
  pair.Store(storedL, storedR);
  EXPECT_EQ(std::memcmp(&storedL, &l, sizeof(Filter)), 0);
  EXPECT_EQ(std::memcmp(&storedR, &r, sizeof(Filter)), 0);
}

TEST(EffectStereoFilters, PairsGiveTheBitsOfOneChannelAtATime)
{
  const double fs = 44100.0;
  OnePoleHP hpL, hpR;
  hpL.Set(40.0, fs);
  hpR.Set(40.0, fs);
  ExpectPairMatches<cinderpath_stereo::OnePoleHPPair>(hpL, hpR, 1);

  Biquad peakL, peakR;
  peakL.SetPeak(900.0, 9.0, fs);
  peakR.SetShelf(4000.0, -6.0, fs);  // the lanes may hold different coefficients
  ExpectPairMatches<cinderpath_stereo::BiquadPair>(peakL, peakR, 2);

  LowPass4 lpL, lpR;
  lpL.SetSampleRate(fs);
  lpR.SetSampleRate(fs);
  lpL.Set(3000.0, 0.15);
  lpR.Set(3000.0, 0.15);
  ExpectPairMatches<cinderpath_stereo::LowPass4Pair>(lpL, lpR, 3);

  OnePoleLP outL, outR;
  outL.Set(9000.0, fs);
  outR.Set(9000.0, fs);
  ExpectPairMatches<cinderpath_stereo::OnePoleLPPair>(outL, outR, 4);
}

}  // namespace
