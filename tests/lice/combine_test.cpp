#include <gtest/gtest.h>

#include <random>

#include "lice.h"
#include "lice_test_util.h"

using namespace lice_test;

namespace
{

LICE_pixel apply(LICE_pixel dest, LICE_pixel src, int w, int mode)
{
  LICE_pixel d = dest;
  bool known = LICE_SelectCombine(mode, w, true, [&](auto tag) {
    decltype(tag)::type::doPix(reinterpret_cast<LICE_pixel_chan*>(&d), LICE_GETR(src), LICE_GETG(src),
                               LICE_GETB(src), LICE_GETA(src), w);
  });
  EXPECT_TRUE(known);
  return d;
}

TEST(Combine, EveryFunctionMatchesTheModelOnRandomPixels)
{
  std::mt19937 rng(1234);
  const int weights[] = {1, 63, 64, 127, 128, 129, 192, 255, 256};
  for (int mode = 0; mode <= LICE_MODE_HSVADJUST; ++mode)
    for (int sa = 0; sa < 2; ++sa)
      for (int i = 0; i < 4000; ++i)
      {
        LICE_pixel d = RandColour(rng), s = RandColour(rng);
        int w = i % 3 ? weights[rng() % 9] : 1 + static_cast<int>(rng() % 256);
        int m = mode | (sa ? LICE_FLAG_SOURCE_ALPHA : 0);
        ASSERT_EQ(apply(d, s, w, m), RefCombine(d, LICE_GETR(s), LICE_GETG(s), LICE_GETB(s), LICE_GETA(s), w, mode, sa))
            << "mode " << m << " w " << w << std::hex << " d " << d << " s " << s;
      }
}

TEST(Combine, ModesWithoutAFunctionSelectNothing)
{
  for (int mode : {6, 7, 0x42, 0xEF, 0xF0, 0xFF})
    EXPECT_FALSE(LICE_SelectCombine(mode, 256, true, [](auto) { FAIL(); }));
}

TEST(Combine, WeightFromAlphaTruncatesAndLimits)
{
  EXPECT_EQ(LICE_WeightFromAlpha(1.0f), 256);
  EXPECT_EQ(LICE_WeightFromAlpha(0.5f), 128);
  EXPECT_EQ(LICE_WeightFromAlpha(0.999f), 255);
  EXPECT_EQ(LICE_WeightFromAlpha(1.0f / 512), 0);
  EXPECT_EQ(LICE_WeightFromAlpha(3.0f), 256);
  EXPECT_EQ(LICE_WeightFromAlpha(-1.0f), 0);
  EXPECT_EQ(LICE_WeightFromAlpha(NAN), 0);
}

TEST(Combine, SourceAlphaCopyAtFullWeightKeepsOrReplaces)
{
  const LICE_pixel dest = LICE_RGBA(10, 20, 30, 40);
  const int m = LICE_MODE_COPY | LICE_FLAG_SOURCE_ALPHA;
  EXPECT_EQ(apply(dest, LICE_RGBA(200, 100, 50, 0), 256, m), dest);
  EXPECT_EQ(apply(dest, LICE_RGBA(200, 100, 50, 255), 256, m), LICE_RGBA(200, 100, 50, 255));
  // half-transparent: alpha adds up, colour moves halfway
  LICE_pixel half = apply(dest, LICE_RGBA(210, 20, 30, 128), 256, m);
  EXPECT_EQ(LICE_GETA(half), 168u);
  EXPECT_EQ(LICE_GETR(half), 210u + (10 - 210) * 127 / 256);
}

TEST(Combine, HsvAdjustWithNeutralSourceKeepsColourAndTakesSourceAlpha)
{
  const LICE_pixel colours[] = {LICE_RGBA(255, 0, 0, 9), LICE_RGBA(0, 255, 0, 9), LICE_RGBA(0, 0, 255, 9),
                                LICE_RGBA(90, 90, 90, 9), LICE_RGBA(255, 255, 0, 9)};
  for (LICE_pixel c : colours)
    EXPECT_EQ(apply(c, LICE_RGBA(128, 128, 128, 77), 256, LICE_MODE_HSVADJUST), (c & 0xFFFFFF00u) | 77u) << std::hex << c;
  // a full value boost turns grey to white
  EXPECT_EQ(apply(LICE_RGBA(90, 90, 90, 0), LICE_RGBA(128, 128, 255, 255), 256, LICE_MODE_HSVADJUST),
            LICE_RGBA(255, 255, 255, 255));
}

TEST(Combine, WholeWordShortcutsHalveEachByteTruncating)
{
  LICE_pixel d = 0x00000000u;
  _LICE_CombinePixelsHalfMix2FAST::doPixWord(&d, 0xFFFFFFFFu);
  EXPECT_EQ(d, 0x7F7F7F7Fu);
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i)
  {
    LICE_pixel dest = rng(), col = rng();
    for (int w : {64, 128, 192, 256})
    {
      LICE_pixel out = dest;
      ASSERT_TRUE(LICE_SelectShortcut(LICE_MODE_COPY, w, [&](auto tag) { decltype(tag)::type::doPixWord(&out, col); }));
      ASSERT_EQ(out, RefShortcut(dest, col, w));
    }
  }
  EXPECT_FALSE(LICE_SelectShortcut(LICE_MODE_ADD, 128, [](auto) {}));
  EXPECT_FALSE(LICE_SelectShortcut(LICE_MODE_COPY, 100, [](auto) {}));
}

} // namespace
