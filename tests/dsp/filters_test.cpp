#include "Filters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
const double kRates[] = {8000.0, 16000.0, 22050.0, 44100.0, 96000.0, 192000.0};

using cplx = std::complex<double>;

cplx Zinv(double freqHz, double fs) { return std::polar(1.0, -2.0 * kPi * freqHz / fs); }

double BiquadGain(const Biquad& q, double freqHz, double fs)
{
  const cplx z = Zinv(freqHz, fs);
  return std::abs((q.mB0 + q.mB1 * z + q.mB2 * z * z) / (1.0 + q.mA1 * z + q.mA2 * z * z));
}

double LowPassGain(const LowPass4& f, double freqHz, double fs)
{
  const cplx z = Zinv(freqHz, fs);
  const cplx num = (1.0 + 2.0 * z + z * z) * (1.0 + 2.0 * z + z * z);
  return std::abs(f.mGain * num / ((1.0 + f.mA1a * z + f.mA2a * z * z) * (1.0 + f.mA1b * z + f.mA2b * z * z)));
}

// Second-order denominator 1 + a1 z^-1 + a2 z^-2 has both poles strictly
// inside the unit circle (stability triangle).
bool StableSection(double a1, double a2) { return std::fabs(a2) < 1.0 && std::fabs(a1) < 1.0 + a2; }

// Log-spaced grid over [lo, hi], both ends included.
std::vector<double> Grid(double lo, double hi, int n)
{
  std::vector<double> v;
  for (int i = 0; i < n; ++i) v.push_back(lo * std::pow(hi / lo, double(i) / (n - 1)));
  return v;
}

const double kGainsDb[] = {-15.0, -7.5, -0.01, 0.0, 3.0, 9.0, 15.0};

// The impulse response dies away: the last stretch of a long run is tiny.
template <typename F>
bool Decays(F f, int n)
{
  double tail = 0.0;
  for (int i = 0; i < n; ++i)
  {
    const double y = f.Run(i == 0 ? 1.0 : 0.0);
    if (!std::isfinite(y)) return false;
    if (i >= n - 100) tail = std::max(tail, std::fabs(y));
  }
  return tail < 1e-6;
}

}  // namespace

TEST(OnePoleHP, BlocksDcAndPassesNyquist)
{
  OnePoleHP f;
  f.Set(16.0, 44100.0);
  EXPECT_EQ(f.mP, std::exp(-6.283185307179586 * 16.0 / 44100.0));
  EXPECT_EQ(f.mG, (1.0 + f.mP) * 0.5);
  double y = 0.0;
  for (int i = 0; i < 200000; ++i) y = f.Run(0.7);
  EXPECT_LT(std::fabs(y), 1e-9);
  for (int i = 0; i < 200000; ++i) y = f.Run(i % 2 ? 1.0 : -1.0);
  EXPECT_NEAR(std::fabs(y), 1.0, 1e-12);
}

TEST(OnePoleLP, CoefficientAndDenormalGuard)
{
  OnePoleLP f;
  f.Set(24000.0, 44100.0);
  EXPECT_EQ(f.mC, std::exp(-6.2831854820251465 * 24000.0 / 44100.0));
  EXPECT_NEAR(f.mC, 0.033, 0.0005);
  // Silence in a cleared filter gives 1e-20·λ, not zero.
  EXPECT_EQ(f.Run(0.0), 1e-20 * f.mC);
  f.Set(1000.0, 44100.0);
  double y = 0.0;
  for (int i = 0; i < 5000; ++i) y = f.Run(0.25);
  EXPECT_NEAR(y, 0.25, 1e-12);
}

TEST(Biquad, PeakingGainAtCentreAndFlatAtZeroDb)
{
  Biquad q;
  for (double fs : {44100.0, 48000.0, 96000.0})
    for (double f : {100.0, 410.0, 2000.0, 5000.0})
      for (double g : kGainsDb)
      {
        q.SetPeak(f, g, fs);
        EXPECT_NEAR(BiquadGain(q, f, fs), std::pow(10.0, g / 20.0), 1e-9) << f << " " << g;
        if (g == 0.0)
        {
          EXPECT_EQ(q.mB0, 1.0);
          EXPECT_EQ(q.mB1, q.mA1);
          EXPECT_EQ(q.mB2, q.mA2);
        }
      }
}

TEST(Biquad, ShelfGainAtDcAndNyquistAndFlatAtZeroDb)
{
  Biquad q;
  for (double fs : {44100.0, 48000.0, 192000.0})
    for (double f : {1000.0, 5500.0, 10000.0})
      for (double g : kGainsDb)
      {
        q.SetShelf(f, g, fs);
        EXPECT_NEAR(BiquadGain(q, 0.0, fs), 1.0, 1e-9);
        EXPECT_NEAR(BiquadGain(q, fs / 2, fs), std::pow(10.0, g / 20.0), 1e-9);
        if (g == 0.0)
        {
          EXPECT_EQ(q.mB0, 1.0);
          EXPECT_EQ(q.mB1, q.mA1);
          EXPECT_EQ(q.mB2, q.mA2);
        }
      }
}

// The peaking and shelf designs written out from their formulas, without a
// clamp, as a reference for the coefficients the filter computes.
Biquad DesignPeak(double f, double g, double fs)
{
  const double w0 = 6.283185307179586 * f / fs, a = std::pow(10.0, g / 40.0), alpha = 2.0 * std::sin(w0);
  const double a0 = 1.0 + alpha / a;
  Biquad q;
  q.mB0 = (1.0 + alpha * a) / a0;
  q.mB1 = -2.0 * std::cos(w0) / a0;
  q.mB2 = (1.0 - alpha * a) / a0;
  q.mA1 = -2.0 * std::cos(w0) / a0;
  q.mA2 = (1.0 - alpha / a) / a0;
  return q;
}

Biquad DesignShelf(double f, double g, double fs)
{
  const double w0 = 6.283185307179586 * f / fs, a = std::pow(10.0, g / 40.0), cs = std::cos(w0);
  const double sq = 2.0 * std::sqrt(a) * std::sin(w0);
  const double a0 = (a + 1.0) - (a - 1.0) * cs + sq;
  Biquad q;
  q.mB0 = a * ((a + 1.0) + (a - 1.0) * cs + sq) / a0;
  q.mB1 = -2.0 * a * ((a - 1.0) + (a + 1.0) * cs) / a0;
  q.mB2 = a * ((a + 1.0) + (a - 1.0) * cs - sq) / a0;
  q.mA1 = 2.0 * ((a - 1.0) - (a + 1.0) * cs) / a0;
  q.mA2 = ((a + 1.0) - (a - 1.0) * cs - sq) / a0;
  return q;
}

bool SameCoefficients(const Biquad& a, const Biquad& b)
{
  const double x[5] = {a.mB0, a.mB1, a.mB2, a.mA1, a.mA2}, y[5] = {b.mB0, b.mB1, b.mB2, b.mA1, b.mA2};
  return std::memcmp(x, y, sizeof x) == 0;
}

// Peak and shelf frequencies are held just below Nyquist, where the designs
// would put their poles on or outside the unit circle; every lower frequency
// gives the design's own coefficients, whatever the rate (a clamp at 0.45·fs
// used to bend stable shelves at 22.05 kHz and peaks at 11.025 kHz).
TEST(Biquad, FrequencyClampOnlyAtNyquist)
{
  struct Case
  {
    double fs, f;
    bool clamped;
  } cases[] = {
      {22050.0, 10000.0, false}, {22050.0, 9950.0, false}, {11025.0, 5000.0, false},
      {11025.0, 5400.0, false},  {11025.0, 5510.0, true},  {16000.0, 7800.0, false},
      {16000.0, 8000.0, true},   {16000.0, 10000.0, true}, {8000.0, 5000.0, true},
      {8000.0, 4000.0, true},
  };
  for (const Case& c : cases)
    for (double g : {-15.0, 6.0, 15.0})
    {
      SCOPED_TRACE(c.fs + c.f + g);
      const double used = c.clamped ? Biquad::kMaxFreqRatio * c.fs : c.f;
      Biquad peak, shelf;
      peak.SetPeak(c.f, g, c.fs);
      shelf.SetShelf(c.f, g, c.fs);
      EXPECT_TRUE(SameCoefficients(peak, DesignPeak(used, g, c.fs)));
      EXPECT_TRUE(SameCoefficients(shelf, DesignShelf(used, g, c.fs)));
      EXPECT_TRUE(StableSection(peak.mA1, peak.mA2));
      EXPECT_TRUE(StableSection(shelf.mA1, shelf.mA2));
    }
}

TEST(LowPass4, UnityDcGainAndButterworthCorner)
{
  for (double fs : {44100.0, 48000.0, 96000.0})
  {
    LowPass4 f;
    f.SetSampleRate(fs);
    f.Set(fs / 4, 0.0);
    EXPECT_NEAR(LowPassGain(f, 0.0, fs), 1.0, 1e-12);
    EXPECT_NEAR(20.0 * std::log10(LowPassGain(f, fs / 4, fs)), -3.0103, 1e-3);
    for (double r : {0.0, 0.05, 0.15})
    {
      f.Set(3000.0, r);
      EXPECT_NEAR(LowPassGain(f, 0.0, fs), 1.0, 1e-12);
    }
    // Resonance lifts the response near the corner.
    f.Set(3000.0, 0.0);
    const double flat = LowPassGain(f, 2500.0, fs);
    f.Set(3000.0, 0.15);
    EXPECT_GT(LowPassGain(f, 2500.0, fs), flat * 1.2);
  }
}

TEST(LowPass4, CutoffAndResonanceClamps)
{
  auto coeffs = [](const LowPass4& f) {
    return std::vector<double>{f.mA1a, f.mA2a, f.mA1b, f.mA2b, f.mGain};
  };
  LowPass4 f, g;
  f.SetSampleRate(44100.0);
  g.SetSampleRate(44100.0);
  EXPECT_EQ(f.mMaxFreq, 0.44999998807907104 * 44100.0);
  EXPECT_LT(f.mMaxFreq, 19850.0);
  f.Set(20000.0, 0.0);
  g.Set(f.mMaxFreq, 0.0);
  EXPECT_EQ(coeffs(f), coeffs(g));

  f.SetSampleRate(48000.0);
  g.SetSampleRate(48000.0);
  EXPECT_NEAR(f.mMaxFreq, 21600.0, 0.01);
  f.Set(20000.0, 0.0);
  g.Set(f.mMaxFreq, 0.0);
  EXPECT_NE(coeffs(f), coeffs(g));

  f.SetSampleRate(192000.0);
  g.SetSampleRate(192000.0);
  EXPECT_EQ(f.mMinFreq, 0.009999999776482582 * 192000.0);
  EXPECT_NEAR(f.mMinFreq, 1920.0, 0.01);
  f.Set(1000.0, 0.0);
  g.Set(f.mMinFreq, 0.0);
  EXPECT_EQ(coeffs(f), coeffs(g));

  f.Set(5000.0, 3.0);
  g.Set(5000.0, 1.0);
  EXPECT_EQ(coeffs(f), coeffs(g));
  f.Set(5000.0, -1.0);
  g.Set(5000.0, 0.0);
  EXPECT_EQ(coeffs(f), coeffs(g));
  EXPECT_EQ(f.mPiOverFs, 3.1415927410125732 / 192000.0);
  EXPECT_EQ(f.mK2, 384000.0);
}

TEST(Filters, CoefficientUpdatesKeepState)
{
  OnePoleHP hp;
  Biquad q;
  LowPass4 lp;
  OnePoleLP olp;
  for (int i = 0; i < 10; ++i)
  {
    hp.Run(0.1 * i);
    q.Run(0.1 * i);
    lp.Run(0.1 * i);
    olp.Run(0.1 * i);
  }
  const double s[] = {hp.mX1, hp.mY1, q.mX1, q.mX2, q.mY1, q.mY2, lp.mW1a, lp.mW2a, lp.mW1b, lp.mW2b, olp.mY1};
  hp.Set(100.0, 48000.0);
  q.SetPeak(1000.0, 6.0, 48000.0);
  q.SetShelf(5000.0, 6.0, 48000.0);
  lp.SetSampleRate(48000.0);
  lp.Set(5000.0, 0.1);
  olp.Set(5000.0, 48000.0);
  const double t[] = {hp.mX1, hp.mY1, q.mX1, q.mX2, q.mY1, q.mY2, lp.mW1a, lp.mW2a, lp.mW1b, lp.mW2b, olp.mY1};
  EXPECT_EQ(std::memcmp(s, t, sizeof s), 0);
}

// Every filter stays stable over the whole parameter range of the effect at
// host rates from 8 kHz to 192 kHz.
TEST(Filters, StableOverParameterRangeAtEveryRate)
{
  for (double fs : kRates)
  {
    for (double f : Grid(1.0, 1000.0, 25))  // input high-pass, Hz
    {
      OnePoleHP hp;
      hp.Set(f, fs);
      EXPECT_TRUE(hp.mP > 0.0 && hp.mP < 1.0) << fs << " " << f;
    }
    for (double f : Grid(1.0, 256.0, 25))  // output high-pass, Hz
    {
      OnePoleHP hp;
      hp.Set(f, fs);
      EXPECT_TRUE(hp.mP > 0.0 && hp.mP < 1.0) << fs << " " << f;
    }
    for (double f : Grid(1000.0, 24000.0, 25))  // output low-pass
    {
      OnePoleLP lp;
      lp.Set(f, fs);
      EXPECT_TRUE(lp.mC >= 0.0 && lp.mC < 1.0) << fs << " " << f;
    }
    for (double g : kGainsDb)
    {
      for (double f : Grid(100.0, 5000.0, 25))
      {
        Biquad q;
        q.SetPeak(f, g, fs);
        EXPECT_TRUE(StableSection(q.mA1, q.mA2)) << "peak " << fs << " " << f << " " << g;
        EXPECT_TRUE(Decays(q, 200000)) << "peak " << fs << " " << f << " " << g;
      }
      for (double f : Grid(1000.0, 10000.0, 25))
      {
        Biquad q;
        q.SetShelf(f, g, fs);
        EXPECT_TRUE(StableSection(q.mA1, q.mA2)) << "shelf " << fs << " " << f << " " << g;
        EXPECT_TRUE(Decays(q, 20000)) << "shelf " << fs << " " << f << " " << g;
      }
    }
    for (double r : {0.0, 0.05, 0.1, 0.15})
      for (double f : Grid(1000.0, 20000.0, 25))
      {
        LowPass4 lp;
        lp.SetSampleRate(fs);
        lp.Set(f, r);
        EXPECT_TRUE(StableSection(lp.mA1a, lp.mA2a) && StableSection(lp.mA1b, lp.mA2b))
            << "low-pass " << fs << " " << f << " " << r;
        EXPECT_TRUE(Decays(lp, 20000)) << "low-pass " << fs << " " << f << " " << r;
      }
  }
}

// Whole block, single samples and odd-sized blocks give the same bits.
TEST(Filters, BlockSizesDoNotChangeTheResult)
{
  std::vector<double> x(1001);
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  for (double& v : x) v = d(rng);
  auto check = [&](auto make) {
    auto whole = make(), single = make(), odd = make();
    std::vector<double> yw(x), yo(x);
    whole.Process(yw.data(), int(yw.size()));
    size_t pos = 0;
    for (int n = 1; pos < yo.size(); n = (n * 5 + 3) % 17)
    {
      const int m = std::min<int>(n, int(yo.size() - pos));
      odd.Process(yo.data() + pos, m);
      pos += size_t(m);
    }
    for (size_t i = 0; i < x.size(); ++i)
    {
      const double ys = single.Run(x[i]);
      ASSERT_EQ(std::memcmp(&ys, &yw[i], sizeof ys), 0) << i;
      ASSERT_EQ(std::memcmp(&yo[i], &yw[i], sizeof ys), 0) << i;
    }
  };
  check([] { OnePoleHP f; f.Set(30.0, 44100.0); return f; });
  check([] { Biquad f; f.SetPeak(800.0, 9.0, 44100.0); return f; });
  check([] { Biquad f; f.SetShelf(6000.0, -6.0, 44100.0); return f; });
  check([] { LowPass4 f; f.SetSampleRate(44100.0); f.Set(4000.0, 0.15); return f; });
  check([] { OnePoleLP f; f.Set(12000.0, 44100.0); return f; });
}

// Rates and settings that are not numbers a host or caller should send are
// refused and leave the coefficients as they were.
TEST(Filters, InvalidSettingsAreRefusedAndChangeNothing)
{
  const double nan = std::nan(""), inf = HUGE_VAL;
  OnePoleHP hp;
  hp.Set(16.0, 44100.0);
  const OnePoleHP hp0 = hp;
  Biquad q;
  q.SetPeak(410.0, 3.0, 44100.0);
  const Biquad q0 = q;
  LowPass4 lp;
  lp.SetSampleRate(44100.0);
  lp.Set(5000.0, 0.1);
  const LowPass4 lp0 = lp;
  OnePoleLP olp;
  olp.Set(24000.0, 44100.0);
  const OnePoleLP olp0 = olp;
  for (double fs : {0.0, -44100.0, nan, inf})
  {
    EXPECT_FALSE(hp.Set(16.0, fs));
    EXPECT_FALSE(q.SetPeak(410.0, 3.0, fs));
    EXPECT_FALSE(q.SetShelf(5500.0, 3.0, fs));
    EXPECT_FALSE(lp.SetSampleRate(fs));
    EXPECT_FALSE(olp.Set(24000.0, fs));
  }
  for (double f : {0.0, -5.0, nan, inf})
  {
    EXPECT_FALSE(hp.Set(f, 44100.0));
    EXPECT_FALSE(q.SetPeak(f, 3.0, 44100.0));
    EXPECT_FALSE(q.SetShelf(f, 3.0, 44100.0));
    EXPECT_FALSE(olp.Set(f, 44100.0));
  }
  EXPECT_FALSE(q.SetPeak(410.0, nan, 44100.0));
  EXPECT_FALSE(q.SetShelf(5500.0, inf, 44100.0));
  EXPECT_FALSE(lp.Set(nan, 0.1));
  EXPECT_FALSE(lp.Set(5000.0, nan));
  EXPECT_EQ(std::memcmp(&hp, &hp0, sizeof hp), 0);
  EXPECT_EQ(std::memcmp(&q, &q0, sizeof q), 0);
  EXPECT_EQ(std::memcmp(&lp, &lp0, sizeof lp), 0);
  EXPECT_EQ(std::memcmp(&olp, &olp0, sizeof olp), 0);
  EXPECT_TRUE(lp.Set(1e9, 5.0));  // finite values outside the range are clamped
  EXPECT_TRUE(q.SetPeak(410.0, 3.0, 44100.0));
}
