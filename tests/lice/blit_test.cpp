#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>

#include "lice.h"
#include "lice_test_util.h"

using namespace lice_test;

namespace
{

// Per-pixel model of LICE_Blit: destination pixel (x, y) takes source pixel
// (x - dstx + l, y - dsty + t) when that lies in the source rectangle and in
// the source bitmap.
void refBlit(ExactBitmap& dest, std::vector<LICE_pixel> srcSnap, int sw, int sh, int dstx, int dsty, int64_t l,
             int64_t t, int64_t r, int64_t b, float alpha, int mode)
{
  if (alpha == 0.0f) return;
  const int cmode = mode & 0xFF;
  const int w = RefWeight(alpha);
  for (int y = 0; y < dest.getHeight(); ++y)
    for (int x = 0; x < dest.getWidth(); ++x)
    {
      int64_t sx = static_cast<int64_t>(x) - dstx + l, sy = static_cast<int64_t>(y) - dsty + t;
      if (sx < l || sx >= r || sy < t || sy >= b || sx < 0 || sy < 0 || sx >= sw || sy >= sh) continue;
      LICE_pixel s = srcSnap[static_cast<size_t>(sy) * sw + sx];
      LICE_pixel& d = dest.px(x, y);
      if (cmode >= 0xF0)
      {
        int sb = mode & 3, db = (mode >> 2) & 3;
        d = (d & ~(0xFFu << (8 * db))) | (((s >> (8 * sb)) & 0xFF) << (8 * db));
        continue;
      }
      if (!w || cmode > LICE_MODE_HSVADJUST) continue;
      const bool plain = cmode == LICE_MODE_COPY && !(mode & 0x1FF00);
      if (plain && w == 256) d = s;
      else if (plain && alpha == 0.5f) d = RefShortcut(d, s, 128);
      else
        d = RefCombine(d, LICE_GETR(s), LICE_GETG(s), LICE_GETB(s), LICE_GETA(s), w, cmode,
                       (mode & LICE_FLAG_SOURCE_ALPHA) != 0);
    }
}

std::vector<LICE_pixel> snapshot(ExactBitmap& bm)
{
  std::vector<LICE_pixel> v;
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x) v.push_back(bm.px(x, y));
  return v;
}

TEST(Blit, NegativeSourceEdgeMovesTheDestination)
{
  ExactBitmap src(4, 2), dest(20, 4);
  std::mt19937 rng(3);
  src.fillRandom(rng);
  for (auto& p : dest.raw()) p = 0;
  RECT r = {-5, 0, 4, 2};
  LICE_Blit(&dest, &src, 2, 1, &r, 1.0f, LICE_MODE_COPY);
  for (int x = 0; x < 20; ++x)
  {
    EXPECT_EQ(dest.px(x, 1), x >= 7 && x < 11 ? src.px(x - 7, 0) : 0u) << x;
    EXPECT_EQ(dest.px(x, 0), 0u);
  }
}

TEST(Blit, NegativeDestinationSkipsSourceRowsAndColumns)
{
  ExactBitmap src(6, 6), dest(5, 5);
  std::mt19937 rng(4);
  src.fillRandom(rng);
  LICE_Blit(&dest, &src, -3, -3, nullptr, 1.0f, LICE_MODE_COPY);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dest.px(x, y), src.px(x + 3, y + 3));
  EXPECT_EQ(dest.px(3, 0), kCanary);
}

TEST(Blit, HalfWeightCopyHalvesEveryByte)
{
  ExactBitmap src(1, 1), dest(1, 1);
  src.px(0, 0) = 0xFFFFFFFFu;
  dest.px(0, 0) = 0;
  LICE_Blit(&dest, &src, 0, 0, nullptr, 0.5f, LICE_MODE_COPY);
  EXPECT_EQ(dest.px(0, 0), 0x7F7F7F7Fu);
}

TEST(Blit, ChannelCopyMovesOneByte)
{
  ExactBitmap src(1, 1), dest(1, 1);
  src.px(0, 0) = LICE_RGBA(1, 2, 3, 4);
  dest.px(0, 0) = LICE_RGBA(10, 20, 30, 40);
  LICE_Blit(&dest, &src, 0, 0, nullptr, 0.0001f, LICE_MODE_CHANNELCOPY | (LICE_PIXEL_B << 2) | LICE_PIXEL_R);
  EXPECT_EQ(dest.px(0, 0), LICE_RGBA(10, 20, 1, 40));
}

TEST(Blit, OverlappingSelfBlitReadsTheOriginalPixels)
{
  ExactBitmap bm(16, 16);
  std::mt19937 rng(5);
  bm.fillRandom(rng);
  ExactBitmap copy(16, 16);
  copy.raw() = bm.raw();
  LICE_Blit(&bm, &bm, 3, 2, 0, 0, 12, 12, 1.0f, LICE_MODE_COPY);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(bm.px(x + 3, y + 2), copy.px(x, y));
}

TEST(Blit, CopyResizesAndCopiesTheWholeSource)
{
  ExactBitmap src(7, 3, 0, true);
  std::mt19937 rng(6);
  src.fillRandom(rng);
  LICE_MemBitmap dest(1, 1, 4);
  LICE_Copy(&dest, &src);
  ASSERT_EQ(dest.getWidth(), 7);
  ASSERT_EQ(dest.getHeight(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(LICE_GetPixel(&dest, x, y), src.px(x, y));
  LICE_Copy(nullptr, &src);
  LICE_Copy(&dest, nullptr);
}

TEST(Blit, NullsAndEmptyBitmapsDrawNothing)
{
  ExactBitmap bm(4, 4);
  LICE_MemBitmap empty;
  LICE_Blit(&bm, nullptr, 0, 0, nullptr, 1.0f, 0);
  LICE_Blit(nullptr, &bm, 0, 0, nullptr, 1.0f, 0);
  LICE_Blit(&bm, &empty, 0, 0, nullptr, 1.0f, 0);
  LICE_Blit(&empty, &bm, 0, 0, nullptr, 1.0f, 0);
  for (auto p : bm.raw()) EXPECT_EQ(p, kCanary);
}

TEST(Blit, RandomBlitsMatchThePerPixelModel)
{
  std::mt19937 rng(20261207);
  for (int iter = 0; iter < 4000; ++iter)
  {
    const int dw = 1 + static_cast<int>(rng() % 23), dh = 1 + static_cast<int>(rng() % 17);
    const int sw = 1 + static_cast<int>(rng() % 19), sh = 1 + static_cast<int>(rng() % 13);
    ExactBitmap dest(dw, dh, static_cast<int>(rng() % 3), rng() % 3 == 0);
    ExactBitmap srcOwn(sw, sh, static_cast<int>(rng() % 3), rng() % 3 == 0);
    dest.fillRandom(rng);
    srcOwn.fillRandom(rng);
    const bool self = rng() % 8 == 0;
    ExactBitmap& src = self ? dest : srcOwn;
    const std::vector<LICE_pixel> srcSnap = snapshot(src);
    const int dstx = RandCoord(rng, dw), dsty = RandCoord(rng, dh);
    const float alpha = RandAlpha(rng);
    const int mode = RandMode(rng, true);
    ExactBitmap expect(dw, dh, 0, false);
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x) expect.px(x, y) = dest.px(x, y);

    if (rng() % 2)
    {
      RECT r = {RandCoord(rng, src.getWidth()), RandCoord(rng, src.getHeight()), RandCoord(rng, src.getWidth()),
                RandCoord(rng, src.getHeight())};
      const bool whole = rng() % 5 == 0;
      LICE_Blit(&dest, &src, dstx, dsty, whole ? nullptr : &r, alpha, mode);
      if (whole) r = {0, 0, src.getWidth(), src.getHeight()};
      refBlit(expect, srcSnap, src.getWidth(), src.getHeight(), dstx, dsty, r.left, r.top, r.right, r.bottom, alpha,
              mode);
    }
    else
    {
      const int sx = RandCoord(rng, src.getWidth()), sy = RandCoord(rng, src.getHeight());
      const int w = RandExtent(rng, src.getWidth()), h = RandExtent(rng, src.getHeight());
      LICE_Blit(&dest, &src, dstx, dsty, sx, sy, w, h, alpha, mode);
      refBlit(expect, srcSnap, src.getWidth(), src.getHeight(), dstx, dsty, sx, sy, static_cast<int64_t>(sx) + w,
              static_cast<int64_t>(sy) + h, alpha, mode);
    }
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x)
        ASSERT_EQ(dest.px(x, y), expect.px(x, y)) << "iteration " << iter << " at " << x << "," << y << " mode " << mode
                                                  << " alpha " << alpha;
    for (int y = 0; y < dh; ++y)
      for (int x = dw; x < dest.getRowSpan(); ++x) ASSERT_EQ(dest.raw()[y * dest.getRowSpan() + x], kCanary);
  }
}

// Per-pixel model of LICE_FillRect.
LICE_pixel refFill(LICE_pixel d, LICE_pixel colour, float alpha, int mode)
{
  if (mode & LICE_FLAG_SOURCE_ALPHA) alpha *= LICE_GETA(colour) / 255.0f;
  const int w = RefWeight(alpha);
  const int cmode = mode & 0xFF;
  if (!w || cmode > LICE_MODE_HSVADJUST) return d;
  if (cmode == LICE_MODE_COPY && (w == 64 || w == 128 || w == 192 || w == 256)) return RefShortcut(d, colour, w);
  return RefCombine(d, LICE_GETR(colour), LICE_GETG(colour), LICE_GETB(colour), w, w, cmode, false);
}

// At full weight a fill's alpha source is 256: a multiply leaves alpha alone
// and an HSV adjustment sets it to 255.
TEST(FillRect, FullWeightNonCopyFillsUseTheWholeWeight)
{
  struct Case
  {
    int mode;
    LICE_pixel dest, colour, want;
  };
  const Case cases[] = {
      {LICE_MODE_MUL, LICE_RGBA(100, 50, 200, 200), LICE_RGBA(255, 128, 0, 0), LICE_RGBA(99, 25, 0, 200)},
      {LICE_MODE_ADD, LICE_RGBA(10, 20, 30, 40), LICE_RGBA(1, 2, 3, 0), LICE_RGBA(11, 22, 33, 255)},
      {LICE_MODE_HSVADJUST, LICE_RGBA(50, 50, 50, 40), LICE_RGBA(128, 128, 128, 0), LICE_RGBA(50, 50, 50, 255)},
  };
  for (const Case& c : cases)
  {
    ExactBitmap bm(2, 2);
    for (LICE_pixel& p : bm.raw()) p = c.dest;
    LICE_FillRect(&bm, 0, 0, 2, 2, c.colour, 1.0f, c.mode);
    for (LICE_pixel p : bm.raw()) EXPECT_EQ(p, c.want) << c.mode;
  }
}

TEST(FillRect, OpaqueColourWithSourceAlphaIsWrittenExactly)
{
  ExactBitmap bm(3, 3);
  LICE_FillRect(&bm, 0, 0, 3, 3, LICE_RGBA(1, 2, 3, 255), 1.0f, LICE_MODE_COPY | LICE_FLAG_SOURCE_ALPHA);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(bm.px(x, y), LICE_RGBA(1, 2, 3, 255));
}

TEST(FillRect, TranslucentCopyMovesAlphaTowardTheWeight)
{
  ExactBitmap bm(1, 1);
  bm.px(0, 0) = LICE_RGBA(0, 0, 0, 0);
  LICE_FillRect(&bm, 0, 0, 1, 1, LICE_RGBA(200, 200, 200, 0), 0.3f, LICE_MODE_COPY);
  const int w = static_cast<int>(0.3f * 256);
  EXPECT_EQ(LICE_GETA(bm.px(0, 0)), static_cast<unsigned>(w + (0 - w) * (256 - w) / 256));
}

TEST(FillRect, RandomFillsClearsAndPixelsMatchThePerPixelModel)
{
  std::mt19937 rng(99);
  for (int iter = 0; iter < 4000; ++iter)
  {
    const int bw = 1 + static_cast<int>(rng() % 21), bh = 1 + static_cast<int>(rng() % 15);
    ExactBitmap bm(bw, bh, static_cast<int>(rng() % 3), rng() % 2 == 0);
    bm.fillRandom(rng);
    ExactBitmap expect(bw, bh);
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x) expect.px(x, y) = bm.px(x, y);
    const int x0 = RandCoord(rng, bw), y0 = RandCoord(rng, bh), w = RandExtent(rng, bw), h = RandExtent(rng, bh);
    const LICE_pixel colour = RandColour(rng);
    const float alpha = RandAlpha(rng);
    const int mode = RandMode(rng, false);
    const int op = static_cast<int>(rng() % 3);
    const LICE_pixel keep = rng(), set = rng();
    if (op == 0) LICE_FillRect(&bm, x0, y0, w, h, colour, alpha, mode);
    else if (op == 1) LICE_ClearRect(&bm, x0, y0, w, h, keep, set);
    else LICE_PutPixel(&bm, x0, y0, colour, alpha, mode);

    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x)
      {
        LICE_pixel& e = expect.px(x, y);
        if (op == 2)
        {
          if (x != x0 || y != y0) continue;
          const int wt = RefWeight(alpha), cm = mode & 0xFF;
          if (!wt || cm > LICE_MODE_HSVADJUST) continue;
          if (cm == 0 && (wt == 64 || wt == 128 || wt == 192 || wt == 256)) e = RefShortcut(e, colour, wt);
          else e = RefCombine(e, LICE_GETR(colour), LICE_GETG(colour), LICE_GETB(colour), LICE_GETA(colour), wt, cm, false);
          continue;
        }
        const bool inside = x >= x0 && y >= y0 && static_cast<int64_t>(x) < static_cast<int64_t>(x0) + w &&
                            static_cast<int64_t>(y) < static_cast<int64_t>(y0) + h;
        if (!inside) continue;
        e = op == 0 ? refFill(e, colour, alpha, mode) : (e & keep) | set;
      }
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x)
        ASSERT_EQ(bm.px(x, y), expect.px(x, y)) << "iteration " << iter << " op " << op << " at " << x << "," << y;
    for (int y = 0; y < bh; ++y)
      for (int x = bw; x < bm.getRowSpan(); ++x) ASSERT_EQ(bm.raw()[y * bm.getRowSpan() + x], kCanary);
  }
}

TEST(GetPixel, OutsideOrNullGivesZero)
{
  ExactBitmap bm(2, 2, 0, true);
  bm.px(1, 0) = 0x12345678u;
  EXPECT_EQ(LICE_GetPixel(&bm, 1, 0), 0x12345678u);
  const int outside[][2] = {{-1, 0}, {0, -1}, {2, 0}, {0, 2}, {INT_MIN, INT_MAX}};
  for (auto& xy : outside) EXPECT_EQ(LICE_GetPixel(&bm, xy[0], xy[1]), 0u);
  EXPECT_EQ(LICE_GetPixel(nullptr, 0, 0), 0u);
}

} // namespace
