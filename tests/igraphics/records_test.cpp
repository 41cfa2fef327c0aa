// The shared records: rectangle rules, colour packing, blend modes and the
// film-strip frame offsets.
#include <gtest/gtest.h>

#include "IControl.h"

namespace
{
TEST(EditorRecords, RectangleRules)
{
  const IRECT a(0, 0, 10, 10);
  struct Case
  {
    IRECT b;
    bool aMeetsB, bMeetsA;
  } cases[] = {
      {IRECT(10, 0, 20, 10), true, false},   // a.R == b.L meets; b.L == a.R from b's side does not
      {IRECT(-10, 0, 0, 10), false, true},   // a.L == b.R
      {IRECT(0, 10, 10, 20), true, false},   // a.B == b.T
      {IRECT(5, 5, 6, 6), true, true},
      {IRECT(11, 0, 20, 10), false, false},
      {IRECT(), false, false},               // the all-zero rectangle meets nothing
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.b.L * 100 + c.b.T);
    EXPECT_EQ(a.Intersects(c.b), c.aMeetsB);
    EXPECT_EQ(c.b.Intersects(a), c.bMeetsA);
  }
  EXPECT_FALSE(IRECT().Intersects(IRECT()));
  EXPECT_FALSE(IRECT().Contains(0, 0));
  EXPECT_TRUE(a.Contains(0, 0));
  EXPECT_FALSE(a.Contains(10, 5));
  EXPECT_FALSE(a.Contains(5, 10));
  EXPECT_FALSE(IRECT(5, 5, 5, 5).Empty());  // only all-zero counts as empty

  EXPECT_EQ(IRECT().Union(a), a);
  EXPECT_EQ(a.Union(IRECT()), a);
  EXPECT_EQ(a.Union(IRECT(-3, 4, 5, 30)), IRECT(-3, 0, 10, 30));
  EXPECT_EQ(a.Intersect(IRECT(5, -5, 20, 5)), IRECT(5, 0, 10, 5));
  EXPECT_EQ(a.Intersect(IRECT(20, 20, 30, 30)), IRECT());
}

TEST(EditorRecords, ColourPixelAndBlendModes)
{
  const IColor c(0x12, 0x34, 0x56, 0x78);
  EXPECT_EQ(IColorToPixel(c), 0x78563412u);
  EXPECT_EQ(IColorFromPixel(0x78563412u), c);
  EXPECT_EQ(IColorToPixel(IColor(0x1FF, 0x100, 0, 0)), 0x000000FFu);  // each channel masked to 8 bits

  struct Case
  {
    int method, mode, lineMode;
  } cases[] = {{0, 0x10000, 0}, {1, 0, 0}, {2, 0x10001, 1}, {3, 0x10002, 2}, {7, 0x10000, 0}};
  for (const Case& k : cases)
  {
    const IChannelBlend b(k.method, 0.5f);
    EXPECT_EQ(LiceBlendMode(&b), k.mode) << k.method;
    EXPECT_EQ(LiceLineMode(&b), k.lineMode) << k.method;
  }
  EXPECT_EQ(LiceBlendMode(nullptr), 0x10000);
  EXPECT_EQ(LiceWeight(nullptr), 1.0f);
}

TEST(EditorRecords, FilmStripFrames)
{
  const IBitmap knob(nullptr, 48, 91 * 64, 91);
  EXPECT_EQ(knob.FrameOffset(46), 45 * 64);
  EXPECT_EQ(knob.FrameOffset(1), 0);
  EXPECT_EQ(knob.FrameOffset(0), 0);
  EXPECT_EQ(IBitmap(nullptr, 48, 64, 1).FrameOffset(5), 0);
  EXPECT_EQ(IBitmap(nullptr, 30, 7, 3, true).FrameOffset(2), 10);  // horizontal: trunc(10 + 0.5)
  EXPECT_EQ(IBitmap(nullptr, 10, 10, 3).FrameOffset(3), 7);         // trunc(6.67 + 0.5)

  struct Case
  {
    int n;
    double v;
    int frame;
  } cases[] = {{91, 0.5, 46}, {91, 0.0, 1}, {91, 1.0, 91}, {91, 1.7, 91}, {91, -0.4, 1},
               {2, 0.49, 1},  {2, 0.5, 2},  {1, 0.9, 1}};
  for (const Case& c : cases) EXPECT_EQ(FrameOfValue(IBitmap(nullptr, 1, c.n, c.n), c.v), c.frame) << c.n << " " << c.v;
}
}  // namespace
