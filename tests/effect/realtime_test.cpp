// Render-thread properties of the channel loop: independence of the block
// size, the two-channel path's identity with one channel at a time, no
// allocation, no lock, and no subnormal numbers in silence.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <thread>

#include <cfenv>

#include "DenormalGuard.h"
#include "alloc_counter.h"
#include "effect_test_util.h"

using namespace effect_test;

namespace
{

const int kFactors[] = {1, 2, 3, 4, 8, 16};

// Whole block, single samples and odd-sized blocks give identical output, in
// every mode and at every factor.
TEST(EffectRealtime, BlockSizeDoesNotChangeTheOutput)
{
  const Stereo in = TestSignal(777, 23);
  for (int factor : kFactors)
  {
    for (int mode = 0; mode < 3; ++mode)  // stereo, mono, bypass
    {
      SCOPED_TRACE(factor * 10 + mode);
      TestPlug whole, single, odd;
      for (TestPlug* p : {&whole, &single, &odd})
      {
        AllFiltersOn(*p);
        p->SetParam(kOS, factor);
        p->SetParam(kDrive, 12);
        p->SetParam(kMono, mode == 1);
        p->SetParam(kBypass, mode == 2);
      }
      const Stereo a = ProcessAll(whole, in, 777);
      const Stereo b = ProcessAll(single, in, 1);
      Stereo c(in.Size());
      const int sizes[] = {3, 17, 1, 101, 7, 250};
      int start = 0;
      for (int k = 0; start < in.Size(); ++k)
      {
        const int n = std::min(sizes[k % 6], in.Size() - start);
        Process(odd, in, c, start, n);
        start += n;
      }
      EXPECT_TRUE(SameBits(a.l, b.l));
      EXPECT_TRUE(SameBits(a.r, b.r));
      EXPECT_TRUE(SameBits(a.l, c.l));
      EXPECT_TRUE(SameBits(a.r, c.r));
    }
  }
}

// Stereo blocks run both channels side by side. Mono blocks run the left
// chain alone, one channel at a time, so a mono plug-in fed one channel is the
// one-at-a-time reference for that channel of a stereo plug-in.
TEST(EffectRealtime, StereoPathEqualsOneChannelAtATime)
{
  const int n = 1200;
  const Stereo in = TestSignal(n, 29, 1.2);
  for (int factor : kFactors)
  {
    SCOPED_TRACE(factor);
    TestPlug stereo, refLeft, refRight;
    for (TestPlug* p : {&stereo, &refLeft, &refRight})
    {
      AllFiltersOn(*p);
      p->SetParam(kOS, factor);
      p->SetParam(kDrive, 9);
    }
    refLeft.SetParam(kMono, 1);
    refRight.SetParam(kMono, 1);

    // First a mono stretch (even length, so the offset's sign lines up): the
    // stereo plug-in's right chain stands still while the left runs on, so
    // the two channels' rings sit at different positions afterwards.
    const int monoLen = 202;
    stereo.SetParam(kMono, 1);
    Stereo leftOnly(n), rightOnly(n);
    for (int i = 0; i < n; ++i)
    {
      leftOnly.l[i] = in.l[i];
      rightOnly.l[i] = in.r[i];
    }
    Stereo out(n), refL(n), refR(n);
    Process(stereo, in, out, 0, monoLen);
    Process(refLeft, leftOnly, refL, 0, monoLen);
    stereo.SetParam(kMono, 0);
    for (int start = monoLen; start < n; start += 333)
    {
      const int len = std::min(333, n - start);
      Process(stereo, in, out, start, len);
      Process(refLeft, leftOnly, refL, start, len);
      Process(refRight, rightOnly, refR, start, len);
    }
    for (int i = monoLen; i < n; ++i)
    {
      ASSERT_EQ(std::memcmp(&out.l[i], &refL.l[i], sizeof(double)), 0) << "left " << i;
      ASSERT_EQ(std::memcmp(&out.r[i], &refR.l[i], sizeof(double)), 0) << "right " << i;
    }
  }
}

TEST(EffectRealtime, ProcessingAllocatesNothingAndTakesNoLock)
{
  for (int factor : kFactors)
  {
    for (int mode = 0; mode < 3; ++mode)
    {
      TestPlug p;
      AllFiltersOn(p);
      p.SetParam(kOS, factor);
      p.SetParam(kMono, mode == 1);
      p.SetParam(kBypass, mode == 2);
      p.SetParam(kQuality, 1);
      p.SetOffline(true);
      const Stereo in = TestSignal(256, 31);
      Stereo out(256);

      // Another thread holds the plug-in's mutex throughout: processing
      // that tried to take it would block.
      std::promise<void> locked, release;
      std::thread holder([&] {
        p.Mutex().Enter();
        locked.set_value();
        release.get_future().wait();
        p.Mutex().Leave();
      });
      locked.get_future().wait();
      auto done = std::async(std::launch::async, [&] {
        ArmAllocationCounter();
        Process(p, in, out, 0, 256);
        return DisarmAllocationCounter();
      });
      const bool finished = done.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
      release.set_value();
      holder.join();
      const long allocations = done.get();
      EXPECT_TRUE(finished) << "processing waited for the plug-in's mutex";
      EXPECT_EQ(allocations, 0) << factor << " " << mode;
    }
  }
}

bool IsSubnormal(double v)
{
  return std::fpclassify(v) == FP_SUBNORMAL;
}

// Every state value of every processing object of both channels.
int CountSubnormalStates(const TestPlug& p)
{
  int n = 0;
  for (int c = 0; c < 2; ++c)
  {
    const ValveStage& s = p.Stage(c);
    for (int i = 0; i < 8; ++i)
    {
      n += IsSubnormal(s.mHistory[i]) + IsSubnormal(s.mUp.mX[i]) + IsSubnormal(s.mUp.mY[i]) +
           IsSubnormal(s.mDown.mX[i]) + IsSubnormal(s.mDown.mY[i]);
    }
    n += IsSubnormal(p.InHP(c).mX1) + IsSubnormal(p.InHP(c).mY1);
    n += IsSubnormal(p.OutHP(c).mX1) + IsSubnormal(p.OutHP(c).mY1);
    for (const Biquad* b : {&p.Peak(c), &p.Shelf(c)})
      n += IsSubnormal(b->mX1) + IsSubnormal(b->mX2) + IsSubnormal(b->mY1) + IsSubnormal(b->mY2);
    const LowPass4& lp = p.LowPass(c);
    n += IsSubnormal(lp.mW1a) + IsSubnormal(lp.mW2a) + IsSubnormal(lp.mW1b) + IsSubnormal(lp.mW2b);
    n += IsSubnormal(p.OutLP(c).mY1);
  }
  return n;
}

// After a burst of signal, a long run of digital silence: the offsets keep
// every recursive state out of the subnormal range.
TEST(EffectRealtime, LongSilenceLeavesNoSubnormalState)
{
  for (int factor : {1, 4, 16})
  {
    for (int filters = 0; filters < 2; ++filters)
    {
      SCOPED_TRACE(factor * 10 + filters);
      TestPlug p;
      if (filters) AllFiltersOn(p);
      p.SetParam(kOS, factor);
      ProcessAll(p, TestSignal(2000, 37), 500);
      const int seconds = factor >= 16 ? 2 : 8;
      const Stereo silence(4410);
      Stereo out(4410);
      int worst = 0;
      for (int block = 0; block < seconds * 10; ++block)
      {
        Process(p, silence, out, 0, 4410);
        worst = std::max(worst, CountSubnormalStates(p));
        for (int i = 0; i < 4410; ++i)
        {
          ASSERT_FALSE(IsSubnormal(out.l[i]));
          ASSERT_FALSE(IsSubnormal(out.r[i]));
        }
      }
      EXPECT_EQ(worst, 0);
    }
  }
}

// The resonant low-pass alone (its 1-2-1 numerator turns the alternating
// offset into exact zeros) at its default and lower cutoffs and at the usual
// rates, from a fresh instance and after signal: without the block's
// flush-to-zero the low-pass's second section or the stages settle into
// subnormal numbers within a tenth of a second (at 44.1 kHz and the default
// cutoff, for one) and stay there.
TEST(EffectRealtime, LowPassAloneInSilenceLeavesNoSubnormalState)
{
  for (double fs : {44100.0, 48000.0, 96000.0})
    for (double cutoffKHz : {20.0, 15.0, 8.0, 3.0, 1.0})
      for (int afterSignal = 0; afterSignal < 2; ++afterSignal)
      {
        SCOPED_TRACE(fs + cutoffKHz + afterSignal / 10.0);
        TestPlug p;
        p.SetSampleRate(fs);
        p.Reset();
        p.SetParam(kLPOn, 1);
        p.SetParam(kCutoff, cutoffKHz);
        if (afterSignal) ProcessAll(p, TestSignal(2000, 41), 500);
        const Stereo silence(64);
        Stereo out(64);
        int worst = 0;
        for (int block = 0; block < (int)fs / 64; ++block)  // one second
        {
          Process(p, silence, out, 0, 64);
          worst = std::max(worst, CountSubnormalStates(p));
        }
        EXPECT_EQ(worst, 0);
      }
}

// The block runs in its own floating-point state: the caller's rounding mode
// does not change a bit of the output, and the caller gets its control state
// back unchanged.
TEST(EffectRealtime, CallersFloatingPointStateIsKeptApart)
{
  const Stereo in = TestSignal(600, 43);
  for (int mode = 0; mode < 3; ++mode)  // stereo, mono, bypass
  {
    SCOPED_TRACE(mode);
    TestPlug a, b;
    for (TestPlug* p : {&a, &b})
    {
      AllFiltersOn(*p);
      p->SetParam(kDrive, 9);
      p->SetParam(kMono, mode == 1);
      p->SetParam(kBypass, mode == 2);
    }
    const Stereo ref = ProcessAll(a, in, 600);
    const int savedRound = std::fegetround();
    ASSERT_EQ(std::fesetround(FE_TOWARDZERO), 0);
    const uint64_t before = DenormalGuard::Read();
    const Stereo got = ProcessAll(b, in, 600);
    const uint64_t after = DenormalGuard::Read();
    const int round = std::fegetround();
    std::fesetround(savedRound);
    EXPECT_EQ(after, before);
    EXPECT_EQ(round, FE_TOWARDZERO);
    EXPECT_TRUE(SameBits(ref.l, got.l));
    EXPECT_TRUE(SameBits(ref.r, got.r));
  }
}

}  // namespace
