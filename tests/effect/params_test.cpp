// Parameter table, presets, state, and how each parameter reaches the
// processing objects.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "CinderpathPresets.h"
#include "effect_test_util.h"

using namespace effect_test;

namespace
{

struct ExpectedParam
{
  const char* name;
  IParam::EParamType type;
  double def, min, max, step;
  const char* label;
  double shape;
};

const ExpectedParam kExpected[kNumParams] = {
    {"Cutoff", IParam::kTypeDouble, 20, 1, 20, 0.01, "kHz", 3},
    {"Resonance", IParam::kTypeDouble, 0, 0, 1, 0.01, "", 1},
    {"Drive", IParam::kTypeDouble, 2, -12, 16, 0.01, "dB", 1},
    {"Bias", IParam::kTypeDouble, 5, 0, 10, 0.01, "", 1},
    {"Volume", IParam::kTypeDouble, 0, -18, 18, 0.01, "dB", 1},
    {"Mono", IParam::kTypeBool, 0, 0, 1, 1, "", 1},
    {"Bypass", IParam::kTypeBool, 0, 0, 1, 1, "", 1},
    {"Phase", IParam::kTypeBool, 0, 0, 1, 1, "", 1},
    {"Boost", IParam::kTypeInt, 0, 0, 12, 1, "", 1},
    {"LP On", IParam::kTypeBool, 0, 0, 1, 1, "", 1},
    {"HP On", IParam::kTypeBool, 0, 0, 1, 1, "", 1},
    {"HP Freq", IParam::kTypeDouble, 16, 1, 1000, 1, "Hz", 3},
    {"Peak On", IParam::kTypeBool, 0, 0, 1, 1, "", 1},
    {"Peak Freq", IParam::kTypeDouble, 0.41, 0.1, 5, 0.01, "kHz", 3},
    {"Peak Gain", IParam::kTypeDouble, 0, -15, 15, 0.01, "dB", 1},
    {"Shelf On", IParam::kTypeBool, 0, 0, 1, 1, "", 1},
    {"Shelf Freq", IParam::kTypeDouble, 5.5, 1, 10, 0.01, "kHz", 1},
    {"Shelf Gain", IParam::kTypeDouble, 0, -15, 15, 0.01, "dB", 1},
    {"LP_Freq", IParam::kTypeDouble, 24, 1, 24, 0.01, "kHz", 3},
    {"OS", IParam::kTypeInt, 4, 1, 16, 1, "x", 1},
    {"Quality", IParam::kTypeBool, 0, 0, 1, 1, "", 1},
    {"HP_Freq", IParam::kTypeDouble, 5, 1, 256, 0.01, "Hz", 3},
};

TEST(EffectParams, TableMatchesNamesRangesDefaultsAndShapes)
{
  TestPlug p;
  ASSERT_EQ(p.NParams(), 22);
  for (int i = 0; i < kNumParams; ++i)
  {
    SCOPED_TRACE(kExpected[i].name);
    const IParam* param = p.GetParam(i);
    EXPECT_STREQ(param->GetNameForHost(), kExpected[i].name);
    EXPECT_STREQ(param->mLabel, kExpected[i].label);
    EXPECT_STREQ(param->GetParamGroupForHost(), "");
    EXPECT_EQ(param->Type(), kExpected[i].type);
    EXPECT_EQ(param->GetDefault(), kExpected[i].def);
    EXPECT_EQ(param->Value(), kExpected[i].def);
    EXPECT_EQ(param->GetMin(), kExpected[i].min);
    EXPECT_EQ(param->GetMax(), kExpected[i].max);
    EXPECT_EQ(param->GetStep(), kExpected[i].step);
    EXPECT_EQ(param->GetShape(), kExpected[i].shape);
  }
  char text[32];
  p.GetParam(kPeakFreq)->GetDisplayForHost(text, sizeof(text));
  EXPECT_STREQ(text, "0.41");
  p.GetParam(kMono)->GetDisplayForHost(text, sizeof(text));
  EXPECT_STREQ(text, "off");
}

// The sixteen slots carry the factory bank, in order; the first holds the
// defaults, so a new instance's settings are those of its present preset.
// Every value lies in its parameter's range and is a float exactly (hosts
// that set values one at a time in single precision reach the same state).
TEST(EffectParams, SlotsCarryTheFactoryBankAndTheFirstIsTheDefaults)
{
  TestPlug p;
  ASSERT_EQ(p.NPresets(), kNumPresets);
  ByteChunk state;
  ASSERT_TRUE(p.SerializeState(&state));
  ASSERT_EQ(state.Size(), 176);
  for (int i = 0; i < kNumParams; ++i)
  {
    double v = -1;
    ASSERT_EQ(state.Get(&v, i * 8), (i + 1) * 8);
    EXPECT_EQ(v, kExpected[i].def) << i;
  }
  ASSERT_EQ(p.Preset(0)->mChunk.Size(), 176);
  EXPECT_EQ(std::memcmp(p.Preset(0)->mChunk.GetBytes(), state.GetBytes(), 176), 0);
  for (int k = 0; k < kNumPresets; ++k)
  {
    const CinderpathFactoryPreset& bank = kCinderpathFactoryPresets[k];
    EXPECT_STREQ(p.GetPresetName(k), bank.name);
    for (int j = 0; j < k; ++j) EXPECT_STRNE(bank.slug, kCinderpathFactoryPresets[j].slug);
    const IPreset* preset = p.Preset(k);
    ASSERT_NE(preset, nullptr);
    EXPECT_TRUE(preset->mInitialized);
    ASSERT_EQ(preset->mChunk.Size(), 176);
    for (int i = 0; i < kNumParams; ++i)
    {
      double v = -1;
      preset->mChunk.Get(&v, i * 8);
      EXPECT_EQ(v, bank.values[i]) << bank.name << " " << kExpected[i].name;
      EXPECT_GE(v, kExpected[i].min) << bank.name << " " << kExpected[i].name;
      EXPECT_LE(v, kExpected[i].max) << bank.name << " " << kExpected[i].name;
      if (i != kPeakFreq || v != kExpected[i].def)  // the default 0.41 kHz is the table's own
      {
        EXPECT_EQ((double)(float)v, v) << bank.name << " " << kExpected[i].name;
      }
    }
  }
}

// Each parameter reaches the filters of both channels: the coefficients equal
// those of a filter set up directly from the converted value.
TEST(EffectParams, FilterParametersRecomputeBothChannels)
{
  TestPlug p;
  const double fs = 44100.0;
  p.SetParam(kCutoff, 5);
  p.SetParam(kResonance, 0.4);
  p.SetParam(kHPFreq, 200);
  p.SetParam(kPeakFreq, 1.5);
  p.SetParam(kPeakGain, 7);
  p.SetParam(kShelfFreq, 3);
  p.SetParam(kShelfGain, -9);
  p.SetParam(kLPFreq, 12);
  p.SetParam(kOutHPFreq, 30);

  LowPass4 lp;
  lp.SetSampleRate(fs);
  lp.Set(5000.0, 0.4 * 0.15);
  OnePoleHP inHP, outHP;
  inHP.Set(200.0, fs);
  outHP.Set(30.0, fs);
  Biquad peak, shelf;
  peak.SetPeak(1500.0, 7.0, fs);
  shelf.SetShelf(3000.0, -9.0, fs);
  OnePoleLP outLP;
  outLP.Set(12000.0, fs);

  for (int c = 0; c < 2; ++c)
  {
    SCOPED_TRACE(c);
    EXPECT_EQ(p.LowPass(c).mGain, lp.mGain);
    EXPECT_EQ(p.LowPass(c).mA1a, lp.mA1a);
    EXPECT_EQ(p.LowPass(c).mA2b, lp.mA2b);
    EXPECT_EQ(p.InHP(c).mP, inHP.mP);
    EXPECT_EQ(p.InHP(c).mG, inHP.mG);
    EXPECT_EQ(p.OutHP(c).mP, outHP.mP);
    EXPECT_EQ(p.Peak(c).mB0, peak.mB0);
    EXPECT_EQ(p.Peak(c).mB1, peak.mB1);
    EXPECT_EQ(p.Peak(c).mA2, peak.mA2);
    EXPECT_EQ(p.Shelf(c).mB0, shelf.mB0);
    EXPECT_EQ(p.Shelf(c).mA1, shelf.mA1);
    EXPECT_EQ(p.OutLP(c).mC, outLP.mC);
  }
}

TEST(EffectParams, PeakFreqDefaultMapsTo410Hz)
{
  TestPlug p;
  Biquad peak;
  peak.SetPeak(410.0, 0.0, 44100.0);
  EXPECT_EQ(p.Peak(0).mB1, peak.mB1);
  EXPECT_EQ(p.Peak(1).mA1, peak.mA1);
}

TEST(EffectParams, BoostAndDriveSetStageGainAndDriveText)
{
  TestPlug p;
  EXPECT_STREQ(p.GetValueText(0), "2.00");
  EXPECT_STREQ(p.GetValueText(1), "0.00");
  EXPECT_STREQ(p.GetValueText(2), "0.00");
  EXPECT_STREQ(p.GetValueText(3), "0.00");
  EXPECT_EQ(p.GetStageGain(), std::pow(10.0, 2.0 / 20.0));

  p.SetParam(kBoost, 12);
  EXPECT_EQ(p.Stage(0).mGain, std::pow(10.0, 14.0 / 20.0));
  EXPECT_EQ(p.Stage(1).mGain, std::pow(10.0, 14.0 / 20.0));
  EXPECT_STREQ(p.GetValueText(0), "14.00");

  // Automation may give any boost 0 ... 12, not only the switch's two values.
  p.SetParam(kBoost, 5);
  EXPECT_EQ(p.Stage(0).mGain, std::pow(10.0, 7.0 / 20.0));
  EXPECT_STREQ(p.GetValueText(0), "7.00");

  p.SetParam(kVolume, -6.5);
  p.SetParam(kPeakGain, 3.25);
  p.SetParam(kShelfGain, -14);
  EXPECT_STREQ(p.GetValueText(1), "-6.50");
  EXPECT_STREQ(p.GetValueText(2), "3.25");
  EXPECT_STREQ(p.GetValueText(3), "-14.00");
  EXPECT_STREQ(p.GetValueText(4), "");
}

TEST(EffectParams, BiasSetsCurveOfBothStages)
{
  TestPlug p;
  EXPECT_EQ(p.Stage(0).mCurve, 9.5);
  p.SetParam(kBias, 0);
  EXPECT_EQ(p.Stage(0).mCurve, 2.0);
  EXPECT_EQ(p.Stage(1).mCurve, 2.0);
  p.SetParam(kBias, 10);
  EXPECT_EQ(p.Stage(1).mCurve, 32.0);
}

TEST(EffectParams, FactorFollowsOSAndQualityOffline)
{
  TestPlug p;
  EXPECT_EQ(p.GetFactor(), 4);
  p.SetParam(kOS, 7);
  EXPECT_EQ(p.GetFactor(), 7);
  EXPECT_EQ(p.Stage(0).mFactor, 7u);
  EXPECT_EQ(p.Stage(1).mFactor, 7u);

  // "Quality" alone does nothing in real time ...
  p.SetParam(kQuality, 1);
  Stereo in = TestSignal(16, 1);
  ProcessAll(p, in, 16);
  EXPECT_EQ(p.GetFactor(), 7);
  // ... and gives 16 offline, at the next block, whatever "OS" says.
  p.SetOffline(true);
  ProcessAll(p, in, 16);
  EXPECT_EQ(p.GetFactor(), 16);
  EXPECT_EQ(p.Stage(0).mFactor, 16u);
  EXPECT_EQ(p.Stage(1).mFactor, 16u);
  p.SetParam(kOS, 2);
  EXPECT_EQ(p.GetFactor(), 16);
  // Offline without "Quality": "OS" rules.
  p.SetParam(kQuality, 0);
  ProcessAll(p, in, 16);
  EXPECT_EQ(p.GetFactor(), 2);
  // The stages follow a factor chosen at a block, coefficients included.
  Over two;
  two.Set(2);
  for (int c = 0; c < 2; ++c)
  {
    EXPECT_EQ(p.Stage(c).mFactor, 2u);
    EXPECT_EQ(std::memcmp(p.Stage(c).mUp.mA, two.mA, sizeof(two.mA)), 0);
    EXPECT_EQ(std::memcmp(p.Stage(c).mDown.mB, two.mB, sizeof(two.mB)), 0);
  }
}

// setN is public: a factor it selects between blocks reaches the stages at
// the next block, exactly as the same factor chosen through "OS" does.
TEST(EffectParams, FactorSelectedBetweenBlocksReachesTheStages)
{
  const Stereo in = TestSignal(300, 3);
  TestPlug direct, viaParam;
  ProcessAll(direct, in, 100);
  ProcessAll(viaParam, in, 100);
  direct.GetParam(kOS)->Set(8);
  direct.setN();
  viaParam.SetParam(kOS, 8);
  EXPECT_EQ(direct.GetFactor(), 8);
  const Stereo a = ProcessAll(direct, in, 300);
  const Stereo b = ProcessAll(viaParam, in, 300);
  EXPECT_EQ(direct.Stage(0).mFactor, 8u);
  EXPECT_EQ(direct.Stage(1).mFactor, 8u);
  EXPECT_TRUE(SameBits(a.l, b.l));
  EXPECT_TRUE(SameBits(a.r, b.r));
}

// A host may render before it initialises the parameters: the plug-in must
// then already run with every setting at its default.
TEST(EffectParams, RendersWithDefaultsBeforeParameterReset)
{
  TestPlug fresh;
  TestPlug initialised;
  initialised.OnParamReset();
  const Stereo in = TestSignal(600, 3);
  const Stereo a = ProcessAll(fresh, in, 600);
  const Stereo b = ProcessAll(initialised, in, 600);
  EXPECT_TRUE(SameBits(a.l, b.l));
  EXPECT_TRUE(SameBits(a.r, b.r));
  EXPECT_EQ(fresh.Stage(0).mGain, initialised.Stage(0).mGain);
  EXPECT_EQ(fresh.LowPass(0).mGain, initialised.LowPass(0).mGain);
  EXPECT_EQ(fresh.OutLP(1).mC, initialised.OutLP(1).mC);
}

// Values no valid host or state produces are kept within the table.
TEST(EffectParams, OutOfTableValuesAreHeldInRange)
{
  TestPlug p;
  p.GetParam(kBoost)->mValue = 1e300;
  p.OnParamChange(kBoost);
  EXPECT_EQ(p.Stage(0).mGain, std::pow(10.0, 14.0 / 20.0));
  p.GetParam(kOS)->mValue = -3;
  p.OnParamChange(kOS);
  EXPECT_EQ(p.GetFactor(), 1);
  p.GetParam(kCutoff)->mValue = std::nan("");
  p.OnParamChange(kCutoff);
  LowPass4 lp;
  lp.SetSampleRate(44100.0);
  lp.Set(20000.0, 0.0);
  EXPECT_EQ(p.LowPass(0).mGain, lp.mGain);
  // Indices outside the table do nothing.
  p.OnParamChange(-1);
  p.OnParamChange(kNumParams);
}

TEST(EffectParams, StateRestoreReachesTheSettings)
{
  TestPlug a;
  a.SetParam(kDrive, -3);
  a.SetParam(kOS, 8);
  ByteChunk chunk;
  ASSERT_TRUE(a.SerializeState(&chunk));

  TestPlug b;
  EXPECT_EQ(b.UnserializeState(&chunk, 0), 176);
  EXPECT_EQ(b.GetFactor(), 8);
  EXPECT_EQ(b.Stage(0).mGain, std::pow(10.0, -3.0 / 20.0));
}

}  // namespace
