// Mapping, snapping, display and typed input of IParam.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "IParam.h"

TEST(Param, InitWidensEmptyRanges)
{
  IParam i;
  i.InitInt("I", 3, 5, 5);
  EXPECT_EQ(i.GetMax(), 6.0);
  EXPECT_EQ(i.Value(), 3.0);  // default stored unclamped
  IParam e;
  e.InitEnum("E", 0, 1);
  EXPECT_EQ(e.GetMax(), 1.0);
  IParam d;
  d.InitDouble("D", 1.0, 2.0, 1.0, 0.5);
  EXPECT_EQ(d.GetMax(), 2.5);
  IParam z;
  z.InitDouble("Z", 0.0, 2.0, 2.0, 0.0);  // no step to widen with
  EXPECT_GT(z.GetMax(), z.GetMin());
  EXPECT_TRUE(std::isfinite(z.GetNormalized(2.0)));
  IParam big;
  big.InitInt("Big", 0, INT_MAX, INT_MAX);
  EXPECT_EQ(big.GetMax(), (double)INT_MAX + 1.0);
}

TEST(Param, TypeIsSetOnlyOnceAndTextsAreCut)
{
  IParam p;
  p.InitInt("Int", 0, 0, 3);
  p.InitDouble("A name much longer than thirty-one characters", 0.5, 0.0, 1.0, 0.01, "label", "group");
  EXPECT_EQ(p.Type(), IParam::kTypeInt);
  EXPECT_EQ(std::string(p.GetNameForHost()).size(), 31u);
  EXPECT_STREQ(p.GetParamGroupForHost(), "group");
  EXPECT_EQ(p.GetPrecision(), 2);
}

TEST(Param, PrecisionFollowsStep)
{
  const double steps[] = {1.0, 0.5, 0.01, 0.25, 1e-7};
  const int expected[] = {0, 1, 2, 2, 6};
  for (int k = 0; k < 5; ++k)
  {
    IParam p;
    p.InitDouble("D", 0.0, 0.0, 10.0, steps[k]);
    EXPECT_EQ(p.GetPrecision(), expected[k]) << steps[k];
  }
}

TEST(Param, BoolHasOffOnTextsAndNoLabel)
{
  IParam b;
  b.InitBool("B", true, "unit");
  EXPECT_EQ(b.Value(), 1.0);
  EXPECT_STREQ(b.GetDisplayText(0), "off");
  EXPECT_STREQ(b.GetDisplayText(1), "on");
  EXPECT_STREQ(b.GetLabelForHost(), "");
  b.Set(0.0);
  EXPECT_STREQ(b.GetLabelForHost(), "");
  IParam d;
  d.InitDouble("D", 1.0, 0.0, 2.0, 0.1, "dB");
  EXPECT_STREQ(d.GetLabelForHost(), "dB");
}

TEST(Param, SnappingOfNonContinuousTypes)
{
  IParam p;
  p.InitInt("I", 0, 0, 10);
  p.SetNormalized(0.47);
  EXPECT_EQ(p.Value(), 5.0);
  p.SetNormalized(0.45);  // 4.5 goes up
  EXPECT_EQ(p.Value(), 5.0);
  p.SetNormalized(1.0);
  EXPECT_EQ(p.Value(), 10.0);
  p.SetNormalized(1.2);  // upper clamp only
  EXPECT_EQ(p.Value(), 10.0);

  IParam d;
  d.InitDouble("D", 0.0, 0.0, 10.0, 0.1);
  d.SetNormalized(0.123);
  EXPECT_EQ(d.Value(), 0.0 + 10.0 * 0.123);  // not snapped to the step
  char buf[32];
  d.GetDisplayForHost(buf, sizeof(buf));
  EXPECT_STREQ(buf, "1.2");
}

TEST(Param, ShapedMappingRoundTripsAndClamps)
{
  IParam p;
  p.InitDouble("S", 0.0, 0.0, 100.0, 1.0);
  p.SetShape(2.0);
  EXPECT_DOUBLE_EQ(p.GetNormalized(25.0), 0.5);
  p.SetNormalized(0.5);
  EXPECT_DOUBLE_EQ(p.Value(), 25.0);
  p.SetShape(0.0);
  EXPECT_EQ(p.GetShape(), 2.0);
  EXPECT_EQ(p.GetNormalized(-5.0), 0.0);
  EXPECT_EQ(p.GetNormalized(200.0), 1.0);
  p.Set(-3.0);
  EXPECT_EQ(p.Value(), 0.0);
  p.Set(300.0);
  EXPECT_EQ(p.Value(), 100.0);
}

TEST(Param, NonFiniteValuesChangeNothing)
{
  IParam p;
  p.InitDouble("N", 0.0, 0.0, 10.0, 0.1);
  p.SetShape(0.5);
  p.Set(4.0);
  p.Set(NAN);
  p.Set(INFINITY);
  p.SetNormalized(NAN);
  p.SetNormalized(-INFINITY);
  p.SetNormalized(-0.5);  // negative base with a fractional exponent has no real value
  EXPECT_EQ(p.Value(), 4.0);
  EXPECT_DOUBLE_EQ(p.GetNormalized(NAN), p.GetNormalized());
  double norm = -1.0;
  EXPECT_FALSE(p.GetNormalizedFromText("nan", &norm));
  EXPECT_FALSE(p.GetNormalizedFromText("inf", &norm));
  EXPECT_EQ(norm, -1.0);
  p.SetShape(NAN);
  EXPECT_EQ(p.GetShape(), 0.5);
}

TEST(Param, DisplayTruncatesNegatesAndLooksUpTexts)
{
  IParam p;
  p.InitDouble("P", 0.0, -10.0, 10.0, 1.0);
  char buf[32];
  p.GetDisplayForHost(2.7, false, buf, sizeof(buf));
  EXPECT_STREQ(buf, "2");
  p.GetDisplayForHost(-2.7, false, buf, sizeof(buf));
  EXPECT_STREQ(buf, "-2");
  p.GetDisplayForHost(0.75, true, buf, sizeof(buf));  // normalised
  EXPECT_STREQ(buf, "5");

  p.SetDisplayText(0, "zero");
  p.SetDisplayText(1, "one");
  p.GetDisplayForHost(0.9, false, buf, sizeof(buf));
  EXPECT_STREQ(buf, "zero");
  p.GetDisplayForHost(0.9, false, buf, sizeof(buf), false);
  EXPECT_STREQ(buf, "0");

  IParam n;
  n.InitDouble("N", 0.0, -10.0, 10.0, 0.1);
  n.NegateDisplay();
  n.SetDisplayText(3, "three");
  n.GetDisplayForHost(3.0, false, buf, sizeof(buf), false);
  EXPECT_STREQ(buf, "-3.0");
  n.GetDisplayForHost(3.0, false, buf, sizeof(buf));  // un-negated lookup
  EXPECT_STREQ(buf, "three");
}

TEST(Param, DisplayRespectsBufferSizeAndIntRange)
{
  IParam p;
  p.InitDouble("Huge", 0.0, -1e300, 1e300, 1e-6);
  char buf[8];
  memset(buf, 'x', sizeof(buf));
  p.GetDisplayForHost(123456789.0, false, buf, 5);
  EXPECT_STREQ(buf, "1234");
  EXPECT_EQ(buf[5], 'x');  // nothing past the given size

  IParam q;
  q.InitDouble("Q", 0.0, -1e300, 1e300, 1.0);
  char big[32];
  q.GetDisplayForHost(1e200, false, big, sizeof(big));  // would overflow the int conversion
  EXPECT_STREQ(big, "2147483647");
  q.GetDisplayForHost(-1e200, false, big, sizeof(big));
  EXPECT_STREQ(big, "-2147483648");
  p.GetDisplayForHost(1e299, false, big, sizeof(big));  // 300+ digits cut to 31
  EXPECT_EQ(strlen(big), 31u);
  big[0] = 'x';
  p.GetDisplayForHost(1.0, false, big, 0);  // no room: nothing written
  EXPECT_EQ(big[0], 'x');
}

TEST(Param, DisplayTextTableQueries)
{
  IParam e;
  e.InitEnum("Mode", 0, 3);
  e.SetDisplayText(0, "A");
  e.SetDisplayText(1, "B");
  e.SetDisplayText(1, "B2");  // duplicate value: first wins
  EXPECT_EQ(e.GetNDisplayTexts(), 3);
  EXPECT_STREQ(e.GetDisplayText(1), "B");
  EXPECT_STREQ(e.GetDisplayText(2), "");
  int v = -1;
  EXPECT_STREQ(e.GetDisplayTextAtIdx(2, &v), "B2");
  EXPECT_EQ(v, 1);
  v = -1;
  EXPECT_STREQ(e.GetDisplayTextAtIdx(3, &v), "");
  EXPECT_EQ(v, -1);
  EXPECT_TRUE(e.MapDisplayText("B2", &v));
  EXPECT_EQ(v, 1);
  v = 9;
  EXPECT_FALSE(e.MapDisplayText("b2", &v));
  EXPECT_FALSE(e.MapDisplayText(nullptr, &v));
  EXPECT_EQ(v, 9);

  IParam b;
  b.InitBool("B", false);
  EXPECT_FALSE(b.MapDisplayText("On", &v));
}

TEST(Param, TypedInput)
{
  IParam e;
  e.InitEnum("Mode", 0, 3);
  e.SetDisplayText(2, "Two");
  double norm = -1.0;
  EXPECT_TRUE(e.GetNormalizedFromText("Two", &norm));
  EXPECT_EQ(norm, 1.0);
  EXPECT_TRUE(e.GetNormalizedFromText("nope", &norm));  // no match gives 0
  EXPECT_EQ(norm, 0.0);

  IParam d;
  d.InitDouble("D", 0.0, -10.0, 10.0, 0.1);
  d.NegateDisplay();
  EXPECT_TRUE(d.GetNormalizedFromText("5", &norm));  // shown negated: -5
  EXPECT_DOUBLE_EQ(norm, 0.25);
  EXPECT_TRUE(d.GetNormalizedFromText("-50", &norm));  // clamped
  EXPECT_EQ(norm, 1.0);
  EXPECT_FALSE(d.GetNormalizedFromText(nullptr, &norm));
}

TEST(Param, DecibelsToAmplitude)
{
  IParam g;
  g.InitDouble("G", 0.0, -60.0, 20.0, 0.1);
  EXPECT_DOUBLE_EQ(g.DBToAmp(), 1.0);
  g.Set(20.0);
  EXPECT_NEAR(g.DBToAmp(), 10.0, 1e-9);
  g.Set(-6.0);
  EXPECT_NEAR(g.DBToAmp(), 0.501, 0.001);
}

// Typed values: a number in the parameter's unit with an optional unit or
// suffix, display texts in any case, switch words; anything else, and any
// value outside the range, is refused and leaves the output alone.
TEST(Param, ReadsTypedValues)
{
  IParam hz, khz, db, count, sw, mode, plain;
  hz.InitDouble("HP", 16.0, 1.0, 1000.0, 1.0, "Hz");
  khz.InitDouble("Peak", 0.41, 0.1, 5.0, 0.01, "kHz");
  db.InitDouble("Gain", 0.0, -15.0, 15.0, 0.01, "dB");
  count.InitInt("OS", 4, 1, 16, "x");
  sw.InitBool("Mono", false);
  mode.InitEnum("Mode", 0, 3);
  mode.SetDisplayText(0, "Soft");
  mode.SetDisplayText(1, "Hard");
  mode.SetDisplayText(2, "Fold");
  plain.InitDouble("Bias", 5.0, 0.0, 10.0, 0.01);
  const double kNo = NAN;
  const struct
  {
    IParam* p;
    const char* text;
    double want;  // kNo: refused
  } table[] = {
    {&hz, "120", 120.0},     {&hz, " 120 Hz ", 120.0}, {&hz, "0.2k", 200.0}, {&hz, "0.5 kHz", 500.0},
    {&hz, "120 dB", kNo},    {&hz, "abc", kNo},        {&hz, "", kNo},              {&hz, "2k", kNo},
    {&hz, "0", kNo},         {&hz, "nan", kNo},        {&hz, "1e999", kNo},         {&hz, "-nan", kNo},
    {&khz, "1.2k", 1.2},     {&khz, "410Hz", 0.41},    {&khz, "2", 2.0},            {&khz, "2 dB", kNo},
    {&db, "-3 dB", -3.0},    {&db, "-3dB", -3.0},      {&db, "6", 6.0},             {&db, "16", kNo},
    {&db, "3 Hz", kNo},      {&count, "8x", 8.0},      {&count, "8", 8.0},          {&count, "17", kNo},
    {&sw, "on", 1.0},        {&sw, "OFF", 0.0},        {&sw, "yes", 1.0},           {&sw, "maybe", kNo},
    {&sw, "1", 1.0},         {&mode, "hard", 1.0},     {&mode, "Fold", 2.0},        {&mode, "Bent", kNo},
    {&plain, "7.5", 7.5},    {&plain, "7.5 dB", kNo},  {&plain, "11", kNo},
  };
  for (const auto& row : table)
  {
    double got = -1234.0;
    const bool ok = row.p->ReadTypedValue(row.text, &got);
    EXPECT_EQ(ok, !std::isnan(row.want)) << row.p->GetNameForHost() << " '" << row.text << "'";
    if (ok && !std::isnan(row.want))
      EXPECT_NEAR(got, row.want, 1e-9) << row.p->GetNameForHost() << " '" << row.text << "'";
    else
      EXPECT_EQ(got, -1234.0) << row.text;
  }
  double got = 0.0;
  EXPECT_FALSE(hz.ReadTypedValue(nullptr, &got));
}
