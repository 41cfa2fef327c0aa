// The channel loop: offset, switches, chain order, level, clip indicator,
// non-finite input and reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "effect_test_util.h"

using namespace effect_test;

namespace
{

// Bypass delays by the reported latency, so a bypassed track stays in time
// with the processed one.
TEST(EffectProcess, BypassWithPhaseGivesNegatedDelayedInputMinusOffset)
{
  TestPlug p;
  const int lat = p.GetLatency();
  p.SetParam(kBypass, 1);
  p.SetParam(kPhase, 1);
  const Stereo in = TestSignal(101, 5);
  const Stereo out = ProcessAll(p, in, 101);
  double m = 1e-20;
  for (int i = 0; i < in.Size(); ++i)
  {
    const double l = i >= lat ? in.l[i - lat] : 0.0, r = i >= lat ? in.r[i - lat] : 0.0;
    ASSERT_EQ(out.l[i], -(l - m)) << i;
    ASSERT_EQ(out.r[i], -(r - m)) << i;
    m = -m;
  }
  // The offset goes on alternating across blocks, the delay runs on.
  Stereo zero(2);
  const Stereo next = ProcessAll(p, zero, 2);
  EXPECT_EQ(next.l[0], -(in.l[101 - lat] - m));
  EXPECT_EQ(next.r[1], -(in.r[102 - lat] + m));
}

// An impulse comes out exactly the latency later whether bypassed or not
// (the factor-1 stage is a pure four-sample delay), and switching bypass in
// the middle of a stream continues the input without a jump in time: the
// first bypassed samples are the inputs from before the switch.
TEST(EffectProcess, BypassStaysInTimeWithProcessingAcrossToggles)
{
  const int lat = 4;
  for (int bypass = 0; bypass < 2; ++bypass)
  {
    TestPlug p;
    p.SetParam(kOS, 1);
    p.SetParam(kBypass, bypass);
    Stereo in(64);
    in.l[10] = in.r[10] = 0.5;
    const Stereo out = ProcessAll(p, in, 7);
    for (const std::vector<double>* ch : {&out.l, &out.r})
    {
      const std::vector<double>& y = *ch;
      for (int i = 0; i < 10 + lat; ++i) ASSERT_LT(std::fabs(y[i]), 1e-12) << bypass << " " << i;
      const auto peak = std::max_element(y.begin(), y.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); });
      EXPECT_EQ(peak - y.begin(), 10 + lat) << bypass;
    }
  }

  const Stereo in = TestSignal(1000, 9);
  for (int block : {1, 3, 64, 250})
    for (int mono = 0; mono < 2; ++mono)
    {
      SCOPED_TRACE(block * 10 + mono);
      TestPlug p;
      p.SetParam(kMono, mono);
      Stereo out(in.Size());
      int start = 0;
      for (int k = 0; start < in.Size(); ++k)
      {
        const bool bypassed = (k / 2) % 2 == 1;  // two blocks processed, two bypassed, ...
        p.SetParam(kBypass, bypassed);
        const int n = std::min(block, in.Size() - start);
        Process(p, in, out, start, n);
        for (int i = start; bypassed && i < start + n; ++i)
        {
          const double m = (i % 2) ? -1e-20 : 1e-20;
          ASSERT_EQ(out.l[i], (i >= lat ? in.l[i - lat] : 0.0) - m) << i;
          ASSERT_EQ(out.r[i], (i >= lat ? in.r[i - lat] : 0.0) - m) << i;
        }
        start += n;
      }
    }
}

TEST(EffectProcess, MonoCopiesProcessedLeftWhateverTheRightInput)
{
  TestPlug a, b;
  a.SetParam(kMono, 1);
  b.SetParam(kMono, 1);
  Stereo in = TestSignal(400, 7);
  Stereo other = in;
  for (int i = 0; i < other.Size(); ++i) other.r[i] = (i % 3) ? 5.0 : std::numeric_limits<double>::quiet_NaN();
  const Stereo outA = ProcessAll(a, in, 400);
  const Stereo outB = ProcessAll(b, other, 400);
  EXPECT_TRUE(SameBits(outA.l, outA.r));
  EXPECT_TRUE(SameBits(outA.l, outB.l));
  EXPECT_TRUE(SameBits(outB.l, outB.r));
  // The right chain was left alone.
  EXPECT_EQ(a.OutLP(1).mY1, 0.0);
  EXPECT_NE(a.OutLP(0).mY1, 0.0);
}

TEST(EffectProcess, ClipIndicatorLightsAboveFullScaleAndHolds075Seconds)
{
  TestPlug p;
  p.SetParam(kBypass, 1);  // output = input delayed by lat, minus offset: the overs are exact
  const int lat = p.GetLatency();
  Stereo in(40000);
  in.r[10] = -1.5;  // one over in the right channel
  in.l[20] = 1.0;   // exactly full scale does not count
  Stereo out(in.Size());
  Process(p, in, out, 0, 10 + lat);
  EXPECT_EQ(p.GetClip(), 0);
  Process(p, in, out, 10 + lat, 1);
  EXPECT_EQ(p.GetClip(), 1);
  // Goes off on the 33076th sample after the last over at 44100 Hz.
  const int after = 11 + lat;
  Process(p, in, out, after, 33075);
  EXPECT_EQ(p.GetClip(), 1);
  Process(p, in, out, after + 33075, 1);
  EXPECT_EQ(p.GetClip(), 0);
  // The count stops just above the hold time instead of running on.
  Process(p, in, out, after + 33076, 5000);
  EXPECT_EQ(p.GetClipCount(), 33076);
  // Phase inversion happens after the watch: a negative over lights it too.
  in.l[39000] = 2.0;
  p.SetParam(kPhase, 1);
  Process(p, in, out, 39000, 1 + lat);
  EXPECT_EQ(p.GetClip(), 1);
  EXPECT_EQ(p.GetClipCount(), 0);
  p.Reset();
  EXPECT_EQ(p.GetClip(), 0);
  EXPECT_EQ(p.GetClipCount(), 0);  // Reset leaves the count alone
}

// The chain in the documented order, built from separate filter objects:
// input filters, stage, output high-pass, level with make-up, output low-pass,
// for every combination of the input filter switches, mono and stereo.
TEST(EffectProcess, ChainOrderAndMakeUpGainMatchAReferenceChain)
{
  const double fs = 44100.0;
  const double comp = ((2.0 + 1.0) / (2.0 - 1.0) - 1.0) * 0.13 + 1.0;
  EXPECT_NEAR(comp, 1.26, 1e-15);
  const double volume = std::pow(10.0, 4.0 / 20.0);
  const Stereo in = TestSignal(500, 11);
  for (int mask = 0; mask < 16; ++mask)
    for (int mono = 0; mono < 2; ++mono)
    {
      const bool hpOn = mask & 1, peakOn = mask & 2, shelfOn = mask & 4, lpOn = mask & 8;
      TestPlug p;
      AllFiltersOn(p);
      p.SetParam(kHPOn, hpOn);
      p.SetParam(kPeakOn, peakOn);
      p.SetParam(kShelfOn, shelfOn);
      p.SetParam(kLPOn, lpOn);
      p.SetParam(kMono, mono);
      p.SetParam(kBias, 0);  // k = 2: make-up gain 1.26
      p.SetParam(kVolume, 4);
      p.SetParam(kOS, 3);

      OnePoleHP inHP, outHP;
      inHP.Set(120.0, fs);
      outHP.Set(5.0, fs);
      Biquad peak, shelf;
      peak.SetPeak(410.0, 6.0, fs);
      shelf.SetShelf(5500.0, -4.0, fs);
      LowPass4 lp;
      lp.SetSampleRate(fs);
      lp.Set(8000.0, 0.5 * 0.15);
      OnePoleLP outLP;
      outLP.Set(24000.0, fs);
      ValveStage stage;
      stage.Configure(3, 2.0, std::pow(10.0, 2.0 / 20.0));

      const Stereo out = ProcessAll(p, in, 500);
      double m = 1e-20;
      for (int i = 0; i < in.Size(); ++i)
      {
        double x = in.l[i] - m;
        m = -m;
        if (hpOn) x = inHP.Run(x);
        if (peakOn) x = peak.Run(x);
        if (shelfOn) x = shelf.Run(x);
        if (lpOn) x = lp.Run(x);
        stage.Process(&x, 1);  // the block path, whose bits do not depend on the block size
        x = outHP.Run(x);
        x = outLP.Run(x * volume * comp);
        ASSERT_EQ(out.l[i], x) << "switches " << mask << (mono ? " mono" : " stereo") << ", sample " << i;
      }
    }
}

TEST(EffectProcess, SwitchedOffFilterKeepsItsState)
{
  TestPlug p;
  AllFiltersOn(p);
  const Stereo in = TestSignal(300, 13);
  ProcessAll(p, in, 300);
  const Biquad before = p.Peak(0);
  p.SetParam(kPeakOn, 0);
  ProcessAll(p, in, 300);
  EXPECT_EQ(p.Peak(0).mX1, before.mX1);
  EXPECT_EQ(p.Peak(0).mY2, before.mY2);
  EXPECT_NE(p.InHP(0).mX1, before.mX1);
}

// A NaN or infinite host sample counts as silence; it must not leave the
// filters poisoned for the rest of the instance's life.
TEST(EffectProcess, NonFiniteInputIsReadAsZero)
{
  const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()};
  for (double value : bad)
  {
    for (int mode = 0; mode < 3; ++mode)  // stereo, mono, bypass
    {
      SCOPED_TRACE(mode);
      TestPlug a, b;
      for (TestPlug* p : {&a, &b})
      {
        AllFiltersOn(*p);
        p->SetParam(kMono, mode == 1);
        p->SetParam(kBypass, mode == 2);
      }
      Stereo poisoned = TestSignal(700, 17);
      Stereo clean = poisoned;
      poisoned.l[100] = value;
      poisoned.r[100] = value;
      poisoned.r[101] = value;
      clean.l[100] = clean.r[100] = clean.r[101] = 0.0;
      const Stereo outA = ProcessAll(a, poisoned, 64);
      const Stereo outB = ProcessAll(b, clean, 64);
      EXPECT_TRUE(SameBits(outA.l, outB.l));
      EXPECT_TRUE(SameBits(outA.r, outB.r));
      EXPECT_TRUE(std::isfinite(outA.l.back()));
      EXPECT_TRUE(std::isfinite(outA.r.back()));
    }
  }
}

// Reset takes the new rate, clears the stages, recomputes every coefficient
// and keeps the filter states.
TEST(EffectProcess, ResetTakesSampleRateClearsStagesKeepsFilterStates)
{
  TestPlug p;
  AllFiltersOn(p);
  const Stereo in = TestSignal(300, 19);
  ProcessAll(p, in, 300);
  const double hpState = p.InHP(0).mY1;
  const double lpState = p.LowPass(1).mW1b;
  p.SetSampleRate(96000.0);
  p.Reset();

  const ValveStage& s = p.Stage(0);
  for (int i = 0; i < 8; ++i)
  {
    EXPECT_EQ(s.mUp.mX[i], 0.0);
    EXPECT_EQ(s.mDown.mY[i], 0.0);
    EXPECT_EQ(s.mHistory[i], 0.0);
  }
  EXPECT_EQ(s.mUp.mPos, 0u);
  EXPECT_EQ(p.InHP(0).mY1, hpState);
  EXPECT_EQ(p.LowPass(1).mW1b, lpState);

  LowPass4 lp;
  lp.SetSampleRate(96000.0);
  lp.Set(8000.0, 0.5 * 0.15);
  EXPECT_EQ(p.LowPass(0).mMaxFreq, lp.mMaxFreq);
  EXPECT_EQ(p.LowPass(0).mGain, lp.mGain);
  OnePoleLP outLP;
  outLP.Set(24000.0, 96000.0);
  EXPECT_EQ(p.OutLP(1).mC, outLP.mC);
  OnePoleHP outHP;
  outHP.Set(5.0, 96000.0);
  EXPECT_EQ(p.OutHP(0).mP, outHP.mP);
  Biquad shelf;
  shelf.SetShelf(5500.0, -4.0, 96000.0);
  EXPECT_EQ(p.Shelf(1).mB2, shelf.mB2);
}

}  // namespace

// The whole effect gives the same bits whatever the host's block size, in
// place or not, at every factor, across a mono stretch and a clipping
// stretch (the clip indicator's changes included): each case's blocks are
// run again frame by frame with the same settings.
TEST(EffectProcess, StereoChainGivesTheSameBitsForEveryBlockSize)
{
  const Stereo in = TestSignal(900, 21);
  struct Case
  {
    int factor, block;
    bool inPlace;
  };
  const Case cases[] = {{1, 1, true},   {1, 300, false}, {2, 1, false},   {2, 2, false}, {2, 3, true},
                        {2, 257, false}, {3, 5, false},   {4, 64, true},   {5, 900, false}, {7, 257, false},
                        {8, 2, false},  {16, 511, true}, {16, 1, false}};
  for (const Case& c : cases)
  {
    // The case's blocks, then the same blocks one frame at a time.
    Stereo out[2];
    std::vector<int> clips[2];
    for (int run = 0; run < 2; ++run)
    {
      TestPlug p;
      AllFiltersOn(p);
      p.SetParam(kOS, c.factor);
      p.SetParam(kPhase, 1);
      Stereo buf = in;
      out[run] = Stereo(in.Size());
      for (int start = 0; start < in.Size(); start += c.block)
      {
        // A mono stretch, then a loud one that lights the indicator.
        p.SetParam(kMono, start >= 300 && start < 450 ? 1 : 0);
        p.SetParam(kDrive, start + c.block > 600 ? 30 : 0);
        const int n = std::min(c.block, in.Size() - start);
        const int step = run == 0 ? n : 1;
        for (int k = start; k < start + n; k += step)
        {
          if (c.inPlace && run == 0)
            Process(p, buf, buf, k, step);
          else
            Process(p, in, out[run], k, step);
        }
        clips[run].push_back(p.GetClip());
      }
      if (c.inPlace && run == 0) out[run] = buf;
    }
    EXPECT_TRUE(SameBits(out[0].l, out[1].l)) << "factor " << c.factor << ", block " << c.block;
    EXPECT_TRUE(SameBits(out[0].r, out[1].r)) << "factor " << c.factor << ", block " << c.block;
    EXPECT_EQ(clips[0], clips[1]) << "factor " << c.factor << ", block " << c.block;
    EXPECT_EQ(clips[0].back(), 1) << "the loud stretch clips";
  }
}

// The whole effect's bits do not depend on the build (optimisation,
// sanitisers, the stages' instruction set) or the processor: stereo with
// every filter on, then a mono stretch, in blocks of odd sizes, give the
// outputs whose hashes were recorded once.
TEST(EffectProcess, OutputBitsAreTheSameInEveryBuild)
{
  struct Case
  {
    int factor;
    std::uint64_t hash;
  };
  const Case cases[] = {{1, 0x4e3579328bb42dbdull}, {2, 0x54ec236640802b55ull}, {5, 0x41b52926d13da595ull}, {16, 0xeec1d7403f30a6a5ull}};
  const Stereo in = TestSignal(600, 23, 1.1);
  for (const Case& c : cases)
  {
    TestPlug p;
    AllFiltersOn(p);
    p.SetParam(kOS, c.factor);
    p.SetParam(kDrive, 9);
    Stereo out(in.Size());
    for (int start = 0, block = 1; start < in.Size(); start += block, block = block * 3 % 254 + 1)
    {
      p.SetParam(kMono, start >= 400 && start < 500 ? 1 : 0);
      Process(p, in, out, start, std::min(block, in.Size() - start));
    }
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const std::vector<double>* ch : {&out.l, &out.r})
      for (double d : *ch)
      {
        std::uint64_t b;
        std::memcpy(&b, &d, sizeof b);
        for (int i = 0; i < 8; ++i) h = (h ^ ((b >> (8 * i)) & 0xffu)) * 0x100000001b3ull;
      }
    EXPECT_EQ(h, c.hash) << "{" << c.factor << ", 0x" << std::hex << h << "ull},";
  }
}
