// Cached-font text: native and glyph-cache rendering agree, UTF-8 decoding
// stays inside its bytes, the draw flags, and the look of sample captions
// (written to the build folder and compared with a committed golden image).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "lice.h"
#include "lice_text.h"

namespace
{

HGDIOBJ sansFont(int height = -14)
{
  return CreateFont(height, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
}

// Sum of the red bytes: the text's total coverage when drawn white on black.
long long coverage(LICE_IBitmap& bm)
{
  long long sum = 0;
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x) sum += LICE_GETR(bm.getBits()[y * bm.getRowSpan() + x]);
  return sum;
}

uint32_t checksum(LICE_IBitmap& bm)
{
  uint32_t h = 2166136261u;
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x)
    {
      const LICE_pixel p = bm.getBits()[y * bm.getRowSpan() + x];
      for (unsigned v : {LICE_GETR(p), LICE_GETG(p), LICE_GETB(p)}) h = (h ^ v) * 16777619u;
    }
  return h;
}

int measuredWidth(LICE_CachedFont& f, const char* s, int n = -1, unsigned flags = DT_SINGLELINE)
{
  RECT r = {3, 4, 3, 4};
  f.DrawText(nullptr, s, n, &r, flags | DT_CALCRECT);
  return r.right - 3;
}

const char* const kCaptions[] = {"20.00", "4 x", "v.1.22", "Gain \xE2\x86\x92 3 dB \xC2\xB7 5 \xC2\xB5s \xC3\x9Cn\xC3\xAF"};

// The same captions through the platform and through the glyph cache give
// the same amount of ink (glyph positions may differ by a pixel).
TEST(CachedFont, NativeAndGlyphCacheGiveTheSameCoverage)
{
  LICE_CachedFont native, cached;
  native.SetFromHFont(sansFont(), LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FORCE_NATIVE);
  cached.SetFromHFont(sansFont(), LICE_FONT_FLAG_OWNS_HFONT);
  ASSERT_GT(native.GetLineHeight(), 10);
  EXPECT_EQ(native.GetLineHeight(), cached.GetLineHeight());
  LICE_SysBitmap a(240, 30 * 4), b(240, 30 * 4);
  for (LICE_CachedFont* f : {&native, &cached}) f->SetTextColor(LICE_RGBA(255, 255, 255, 255));
  for (int i = 0; i < 4; ++i)
  {
    RECT r = {4, 4 + 30 * i, 236, 30 + 30 * i};
    native.DrawText(&a, kCaptions[i], -1, &r, DT_SINGLELINE);
    cached.DrawText(&b, kCaptions[i], -1, &r, DT_SINGLELINE);
  }
  LICE_WritePNG((std::string(CINDERPATH_BINARY_DIR) + "/lice-captions-native.png").c_str(), &a, false);
  LICE_WritePNG((std::string(CINDERPATH_BINARY_DIR) + "/lice-captions-cached.png").c_str(), &b, false);
  const long long ca = coverage(a), cb = coverage(b);
  ASSERT_GT(ca, 0);
  EXPECT_NEAR(static_cast<double>(cb) / static_cast<double>(ca), 1.0, 0.03);
}

// Captions in the glyph cache's styles, compared with the committed image.
TEST(CachedFont, SampleCaptionsMatchTheGoldenImage)
{
  LICE_MemBitmap bm(200, 130);
  LICE_FillRect(&bm, 0, 0, 200, 130, LICE_RGBA(40, 40, 48, 255), 1.0f, LICE_MODE_COPY);
  LICE_CachedFont plain, mono, outline, vertical;
  plain.SetFromHFont(sansFont(), LICE_FONT_FLAG_OWNS_HFONT);
  mono.SetFromHFont(sansFont(-13), LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FX_MONO);
  outline.SetFromHFont(sansFont(-16), LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FX_OUTLINE);
  vertical.SetFromHFont(sansFont(-12), LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_VERTICAL);
  plain.SetTextColor(LICE_RGBA(255, 255, 255, 255));
  mono.SetTextColor(LICE_RGBA(255, 208, 64, 255));
  outline.SetTextColor(LICE_RGBA(255, 255, 255, 255));
  outline.SetEffectColor(LICE_RGBA(200, 40, 40, 255));
  vertical.SetTextColor(LICE_RGBA(128, 255, 128, 255));
  RECT r1 = {4, 4, 170, 26}, r2 = {4, 30, 170, 52}, r3 = {4, 56, 170, 78}, r4 = {4, 82, 170, 126},
       r5 = {176, 4, 196, 126};
  plain.DrawText(&bm, "20.00", -1, &r1, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  mono.DrawText(&bm, "4 x", -1, &r2, DT_RIGHT | DT_SINGLELINE);
  outline.DrawText(&bm, "v.1.22", -1, &r3, 0);
  plain.SetTextColor(LICE_RGBA(128, 255, 128, 128));
  plain.DrawText(&bm, kCaptions[3], -1, &r4, LICE_DT_USEFGALPHA);
  vertical.DrawText(&bm, "Drive", -1, &r5, 0);
  const std::string out = std::string(CINDERPATH_BINARY_DIR) + "/lice-captions-golden.png";
  ASSERT_TRUE(LICE_WritePNG(out.c_str(), &bm, false));
  const std::string golden = std::string(CINDERPATH_SOURCE_DIR) + "/tests/lice/golden/cached_captions.png";
  if (getenv("CINDERPATH_UPDATE_GOLDEN"))
  {
    ASSERT_TRUE(LICE_WritePNG(golden.c_str(), &bm, false));
  }
  LICE_MemBitmap expected;
  ASSERT_NE(LICE_LoadPNG(golden.c_str(), &expected), nullptr) << golden;
  EXPECT_EQ(checksum(bm), checksum(expected)) << "compare " << out << " with " << golden;
  EXPECT_EQ(checksum(bm), 2394675590u) << "golden checksum";
}

// Bytes are read as unsigned, never past an explicit count, and the
// decoding rules for stray, four-byte and newline characters hold.
TEST(CachedFont, Utf8DecodingStaysInsideItsBytes)
{
  LICE_CachedFont f;
  f.SetFromHFont(sansFont(), LICE_FONT_FLAG_OWNS_HFONT);
  // "x" then a lead byte whose continuation lies just past the count
  std::unique_ptr<char[]> two(new char[2]{'x', '\xC3'});
  EXPECT_EQ(measuredWidth(f, two.get(), 2), measuredWidth(f, "x\xC3"));
  EXPECT_NE(measuredWidth(f, "x\xC3\xA9"), measuredWidth(f, "x\xC3")); // whole, it is one character
  EXPECT_EQ(measuredWidth(f, "\xFF"), measuredWidth(f, "\xC3\xBF")); // a stray byte is its own code
  EXPECT_EQ(measuredWidth(f, "a\xF0\x9F\x98\x80" "b"), measuredWidth(f, "a b"));
  EXPECT_EQ(measuredWidth(f, "a\nb"), measuredWidth(f, "a b")); // single line: newline is a space
  EXPECT_EQ(measuredWidth(f, "abc", 0), 0);
  RECT r = {7, 9, 7, 9};
  EXPECT_EQ(f.DrawText(nullptr, "", -1, &r, DT_CALCRECT), 0);
  EXPECT_TRUE(r.left == 7 && r.right == 7 && r.top == 9 && r.bottom == 9);
  RECT two_lines = {0, 0, 0, 0}, one_line = {0, 0, 0, 0};
  f.DrawText(nullptr, "ab\ncd", -1, &two_lines, DT_CALCRECT);
  f.DrawText(nullptr, "cd", -1, &one_line, DT_CALCRECT);
  EXPECT_EQ(two_lines.bottom, f.GetLineHeight() + one_line.bottom);
  EXPECT_EQ(f.DrawText(nullptr, "ab", -1, &r, 0), 0); // drawing needs a bitmap
}

// A translucent text colour with the editor's flags goes through the glyph
// cache and scales the weight by the colour's alpha; a glyph larger than the
// shared surface is rendered whole.
TEST(CachedFont, TranslucentColourAndLargeGlyphs)
{
  LICE_CachedFont f;
  f.SetFromHFont(sansFont(), LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FORCE_NATIVE);
  LICE_SysBitmap full(80, 24), half(80, 24);
  RECT r = {2, 2, 78, 22};
  f.SetTextColor(LICE_RGBA(255, 255, 255, 255));
  f.DrawText(&full, "20.00", -1, &r, LICE_DT_USEFGALPHA);
  f.SetTextColor(LICE_RGBA(255, 255, 255, 128));
  f.DrawText(&half, "20.00", -1, &r, LICE_DT_USEFGALPHA);
  EXPECT_NEAR(static_cast<double>(coverage(half)) / static_cast<double>(coverage(full)), 0.5, 0.06);

  // a long arrow is far wider than the line is tall
  LICE_CachedFont big;
  big.SetFromHFont(sansFont(-300), LICE_FONT_FLAG_OWNS_HFONT);
  const char* arrow = "\xE2\x9F\xB6";
  const int w = measuredWidth(big, arrow);
  ASSERT_GT(w, big.GetLineHeight() + 40);
  LICE_MemBitmap bm(w + 10, 400);
  LICE_FillRect(&bm, 0, 0, w + 10, 400, 0, 1.0f, LICE_MODE_COPY);
  big.SetTextColor(LICE_RGBA(255, 255, 255, 255));
  RECT rb = {0, 0, w + 10, 400};
  EXPECT_GT(big.DrawText(&bm, arrow, -1, &rb, DT_SINGLELINE), 0);
  int inkRight = 0; // ink in the part beyond one line height
  for (int y = 0; y < 400; ++y)
    for (int x = big.GetLineHeight() + 20; x < w; ++x) inkRight += LICE_GETR(LICE_GetPixel(&bm, x, y)) > 128;
  EXPECT_GT(inkRight, 100);
}

} // namespace
