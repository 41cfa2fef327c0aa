#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

#include "lice.h"
#include "lice_test_util.h"

using namespace lice_test;

namespace
{

void fillDest(ExactBitmap& bm, LICE_pixel v)
{
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x) bm.px(x, y) = v;
}

TEST(ScaledBlit, SameSizeBecomesAPlainBlit)
{
  std::mt19937 rng(11);
  ExactBitmap src(9, 7), a(12, 12), b(12, 12);
  src.fillRandom(rng);
  fillDest(a, 0);
  fillDest(b, 0);
  LICE_ScaledBlit(&a, &src, 2, 3, 6, 4, 1.02f, 2.0f, 6.0f, 4.0f, 1.0f, LICE_MODE_COPY);
  LICE_Blit(&b, &src, 2, 3, 1, 2, 6, 4, 1.0f, LICE_MODE_COPY);
  EXPECT_EQ(a.raw(), b.raw());
}

TEST(ScaledBlit, NearestDoublingRepeatsEachPixel)
{
  std::mt19937 rng(12);
  ExactBitmap src(3, 3), dest(6, 6);
  src.fillRandom(rng);
  LICE_ScaledBlit(&dest, &src, 0, 0, 6, 6, 0, 0, 3, 3, 1.0f, LICE_MODE_COPY);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dest.px(x, y), src.px(x / 2, y / 2));
}

TEST(ScaledBlit, NegativeWidthMirrorsTheSource)
{
  std::mt19937 rng(13);
  ExactBitmap src(5, 2), dest(5, 2);
  src.fillRandom(rng);
  LICE_ScaledBlit(&dest, &src, 0, 0, -5, 2, 0, 0, 5, 2, 1.0f, LICE_MODE_COPY);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(dest.px(x, y), src.px(4 - x, y));
  LICE_ScaledBlit(&dest, &src, 0, 0, 10, -4, 0, 0, 5, 2, 1.0f, LICE_MODE_COPY);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(dest.px(x, y), src.px(x / 2, 1 - y / 2));
}

TEST(ScaledBlit, FilteredUpscaleAtTheEdgeMixesOnlyAvailablePixels)
{
  ExactBitmap src(2, 1), dest(4, 2);
  src.px(0, 0) = LICE_RGBA(0, 0, 0, 255);
  src.px(1, 0) = LICE_RGBA(200, 100, 40, 255);
  LICE_ScaledBlit(&dest, &src, 0, 0, 4, 2, 0, 0, 2, 1, 1.0f, LICE_MODE_COPY | LICE_FLAG_FILTER);
  for (int y = 0; y < 2; ++y)
  {
    EXPECT_EQ(dest.px(0, y), src.px(0, 0));
    EXPECT_EQ(dest.px(1, y), LICE_RGBA(100, 50, 20, 255));
    EXPECT_EQ(dest.px(2, y), src.px(1, 0)); // sample 1.0 and beyond: last column only
    EXPECT_EQ(dest.px(3, y), src.px(1, 0));
  }
}

TEST(ScaledBlit, FilteredShrinkAveragesBlocks)
{
  ExactBitmap src(12, 12), dest(5, 5), dest5(2, 2);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) src.px(x, y) = (x + y) % 2 ? LICE_RGBA(0, 0, 0, 0) : LICE_RGBA(180, 90, 36, 252);
  LICE_ScaledBlit(&dest, &src, 0, 0, 5, 5, 0, 0, 12, 12, 1.0f, LICE_MODE_COPY | LICE_FLAG_FILTER);
  // step 2.4, sample (2, 2): a full 3 x 3 block around it, five of nine pixels lit
  EXPECT_EQ(dest.px(1, 1), LICE_RGBA(180 * 5 / 9, 90 * 5 / 9, 36 * 5 / 9, 252 * 5 / 9));
  // sample (0, 0): the block is cut to the 2 x 2 inside the source, two lit
  EXPECT_EQ(dest.px(0, 0), LICE_RGBA(90, 45, 18, 126));
  LICE_ScaledBlit(&dest5, &src, 0, 0, 2, 2, 0, 0, 12, 12, 1.0f, LICE_MODE_COPY | LICE_FLAG_FILTER);
  // step 6: a 5 x 5 block around (6, 6), thirteen of 25 lit
  EXPECT_EQ(dest5.px(1, 1), LICE_RGBA(180 * 13 / 25, 90 * 13 / 25, 36 * 13 / 25, 252 * 13 / 25));
}

// Filtered samples of a source rectangle inside a larger bitmap never mix in
// the pixels around the rectangle, in either direction.
TEST(ScaledBlit, FilteredSamplesStayInsideTheSourceRect)
{
  ExactBitmap src(6, 1), dest(8, 1), fwd(8, 1);
  for (int x = 0; x < 6; ++x) src.px(x, 0) = LICE_RGBA(10 * x + 10, 10 * x + 10, 10 * x + 10, 255);
  src.px(0, 0) = src.px(5, 0) = LICE_RGBA(255, 255, 255, 255); // outside the rectangle
  const int mode = LICE_MODE_COPY | LICE_FLAG_FILTER;
  LICE_ScaledBlit(&dest, &src, 0, 0, -4, 1, 1, 0, 4, 1, 1.0f, mode);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(LICE_GETR(dest.px(x, 0)), 50u - 10 * x) << x;
  // enlarged: the mirror image of the forward blit, pixel for pixel
  LICE_ScaledBlit(&fwd, &src, 0, 0, 8, 1, 1, 0, 4, 1, 1.0f, mode);
  LICE_ScaledBlit(&dest, &src, 0, 0, -8, 1, 1, 0, 4, 1, 1.0f, mode);
  for (int x = 0; x < 8; ++x)
  {
    EXPECT_EQ(dest.px(x, 0), fwd.px(7 - x, 0)) << x;
    EXPECT_LE(LICE_GETR(dest.px(x, 0)), 50u) << x;
  }
}

// A bitmap scaled or rotated onto itself gives what the same operation
// gives from a copy of it.
TEST(ScaledBlit, OntoItselfReadsTheOriginalPixels)
{
  std::mt19937 rng(15);
  for (int op = 0; op < 4; ++op)
  {
    ExactBitmap self(12, 10), copy(12, 10), ref(12, 10);
    self.fillRandom(rng);
    copy.raw() = self.raw();
    ref.raw() = self.raw();
    auto run = [op](LICE_IBitmap* d, LICE_IBitmap* s) {
      if (op == 0) LICE_ScaledBlit(d, s, 0, 0, 12, 10, 0, 0, 6, 5, 1.0f, LICE_MODE_COPY);
      if (op == 1) LICE_ScaledBlit(d, s, 1, 2, -11, 8, 0, 0, 6, 5, 0.6f, LICE_MODE_ADD | LICE_FLAG_FILTER);
      if (op == 2) LICE_RotatedBlit(d, s, 0, 0, 12, 10, 0, 0, 12, 10, 3.1415927f, false, 1.0f, LICE_MODE_COPY, 0, 0);
      if (op == 3)
        LICE_RotatedBlit(d, s, 2, 1, 9, 9, 1, 0, 8, 8, 0.7f, true, 1.0f, LICE_MODE_COPY | LICE_FLAG_FILTER, 0.5f, 0);
    };
    run(&self, &self);
    run(&ref, &copy);
    EXPECT_EQ(self.raw(), ref.raw()) << op;
  }
}

TEST(ScaledBlit, NonFiniteOrZeroSizesDrawNothing)
{
  ExactBitmap src(4, 4), dest(4, 4);
  fillDest(src, 1);
  fillDest(dest, 2);
  LICE_ScaledBlit(&dest, &src, 0, 0, 0, 4, 0, 0, 4, 4, 1.0f, 0);
  LICE_ScaledBlit(&dest, &src, 0, 0, 4, 4, NAN, 0, 4, 4, 1.0f, 0);
  LICE_ScaledBlit(&dest, &src, 0, 0, 4, 4, 0, 0, INFINITY, 4, 1.0f, 0);
  LICE_ScaledBlit(&dest, &src, 0, 0, 3, 3, 0, 0, 4, 4, 0.0f, 0);
  LICE_RotatedBlit(&dest, &src, 0, 0, 4, 4, 0, 0, 4, 4, NAN, false, 1.0f, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dest.px(x, y), 2u);
}

TEST(RotatedBlit, ZeroAngleIsACopy)
{
  std::mt19937 rng(14);
  ExactBitmap src(8, 6), dest(8, 6);
  src.fillRandom(rng);
  LICE_RotatedBlit(&dest, &src, 0, 0, 8, 6, 0, 0, 8, 6, 0.0f, false, 1.0f, LICE_MODE_COPY);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dest.px(x, y), src.px(x, y));
}

// Pixel centres map onto pixel centres at angles 0 and pi, mirrored or not,
// filtered or not: every destination pixel is one source pixel.
TEST(RotatedBlit, HalfTurnsAndMirrorsMapWholePixels)
{
  std::mt19937 rng(16);
  const int w = 23, h = 17;
  ExactBitmap src(w, h), dest(w, h);
  src.fillRandom(rng);
  struct Case
  {
    float angle;
    int sx, sy; // box size signs
    bool turned;
  };
  const Case cases[] = {{0.0f, 1, 1, false},          {3.1415927f, 1, 1, true},  {-3.1415927f, 1, 1, true},
                        {0.0f, -1, 1, false},         {0.0f, 1, -1, false},      {3.1415927f, -1, -1, true},
                        {6.2831855f, 1, 1, false}};
  for (const Case& c : cases)
    for (int filter : {0, static_cast<int>(LICE_FLAG_FILTER)})
    {
      fillDest(dest, 0);
      LICE_RotatedBlit(&dest, &src, 0, 0, c.sx * w, c.sy * h, 0, 0, w, h, c.angle, false, 1.0f,
                       LICE_MODE_COPY | filter, 0, 0);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
          int u = c.sx < 0 ? w - 1 - x : x, v = c.sy < 0 ? h - 1 - y : y;
          if (c.turned)
          {
            u = w - 1 - u;
            v = h - 1 - v;
          }
          ASSERT_EQ(dest.px(x, y), src.px(u, v)) << c.angle << " " << c.sx << c.sy << " f" << filter << " at " << x
                                                  << "," << y;
        }
    }
}

TEST(RotatedBlit, EighthTurnLeavesPixelsOutsideTheSourceAlone)
{
  ExactBitmap src(8, 8), dest(8, 8);
  fillDest(src, LICE_RGBA(255, 255, 255, 255));
  fillDest(dest, 0);
  LICE_RotatedBlit(&dest, &src, 0, 0, 8, 8, 0, 0, 8, 8, static_cast<float>(M_PI / 4), false, 1.0f, LICE_MODE_COPY);
  EXPECT_EQ(dest.px(4, 4), src.px(0, 0));
  // the turned square's corners fall outside the box's corners
  EXPECT_EQ(dest.px(0, 0), 0u);
  EXPECT_EQ(dest.px(7, 7), 0u);
  EXPECT_EQ(dest.px(7, 0), 0u);
  EXPECT_EQ(dest.px(0, 7), 0u);
}

TEST(RotatedBlit, ClipToSourceRectKeepsNeighboursOut)
{
  ExactBitmap src(6, 6), dest(4, 4);
  fillDest(src, LICE_RGBA(9, 9, 9, 9));
  for (int y = 2; y < 4; ++y)
    for (int x = 2; x < 4; ++x) src.px(x, y) = LICE_RGBA(200, 0, 0, 255);
  fillDest(dest, 0);
  LICE_RotatedBlit(&dest, &src, 0, 0, 4, 4, 2, 2, 2, 2, 0.3f, true, 1.0f, LICE_MODE_COPY | LICE_FLAG_FILTER);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
    {
      LICE_pixel p = dest.px(x, y);
      EXPECT_TRUE(p == 0 || p == LICE_RGBA(200, 0, 0, 255)) << x << "," << y << std::hex << " " << p;
    }
}

// Thousands of random scaled and rotated blits between exactly-sized bitmaps:
// the address sanitizer reports any read outside the source or write
// outside the destination; padding canaries catch writes into row padding,
// and pixels outside the destination box must stay as they were.
TEST(ScaledBlit, RandomScaledAndRotatedBlitsStayInsideBothBitmaps)
{
  std::mt19937 rng(777);
  auto randF = [&](int size) -> float {
    switch (rng() % 8)
    {
    case 0: return -1e6f;
    case 1: return 3e9f;
    case 2: return static_cast<float>(size) + 0.5f;
    case 3: return -0.75f;
    default: return static_cast<float>(static_cast<int>(rng() % (size * 40 + 40)) - 20) / 10.0f;
    }
  };
  for (int iter = 0; iter < 3000; ++iter)
  {
    const int dw = 1 + static_cast<int>(rng() % 19), dh = 1 + static_cast<int>(rng() % 15);
    const int sw = 1 + static_cast<int>(rng() % 11), sh = 1 + static_cast<int>(rng() % 9);
    ExactBitmap dest(dw, dh, static_cast<int>(rng() % 2), rng() % 3 == 0);
    ExactBitmap src(sw, sh, 0, rng() % 3 == 0);
    dest.fillRandom(rng);
    src.fillRandom(rng);
    const std::vector<LICE_pixel> before = dest.raw();
    const int bx = RandCoord(rng, dw), by = RandCoord(rng, dh);
    int bw = RandExtent(rng, dw * 3), bh = RandExtent(rng, dh * 3);
    if (rng() % 4 == 0 && bw != INT_MIN) bw = -bw;
    const float alpha = RandAlpha(rng);
    const int mode = RandMode(rng, false);
    const float fx = randF(sw), fy = randF(sh), fw = rng() % 3 ? randF(sw) : static_cast<float>(bw),
                fh = rng() % 3 ? randF(sh) : static_cast<float>(bh);
    if (rng() % 2)
      LICE_ScaledBlit(&dest, &src, bx, by, bw, bh, fx, fy, fw, fh, alpha, mode);
    else
      LICE_RotatedBlit(&dest, &src, bx, by, bw, bh, fx, fy, fw, fh, static_cast<float>(rng() % 700) / 100.0f,
                       rng() % 2, alpha, mode, randF(4) - 2, randF(4) - 2);
    const int64_t x0 = bw < 0 ? bx : bx, x1 = static_cast<int64_t>(bx) + (bw < 0 ? -static_cast<int64_t>(bw) : bw);
    const int64_t y0 = by, y1 = static_cast<int64_t>(by) + (bh < 0 ? -static_cast<int64_t>(bh) : bh);
    const int span = dest.getRowSpan();
    for (int sy = 0; sy < dh; ++sy)
      for (int x = 0; x < span; ++x)
      {
        const int ly = dest.isFlipped() ? dh - 1 - sy : sy;
        const bool inBox = x < dw && x >= x0 && x < x1 && ly >= y0 && ly < y1;
        if (!inBox)
        {
          ASSERT_EQ(dest.raw()[sy * span + x], before[sy * span + x]) << "iteration " << iter;
        }
      }
  }
}

} // namespace
