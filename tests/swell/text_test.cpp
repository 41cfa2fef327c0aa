// SWELL_DrawText: text preparation, box layout, measuring, placement,
// clipping and the look of sample captions (golden image).
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lice.h"
#include "swell-ft.h"
#include "swell-text-layout.h"
#include "swell_test_util.h"

namespace
{

using swell_test::TextContext;

TEST(PrepareText, PrefixesLineBreaksAndLimits)
{
  struct Case
  {
    const char* text;
    int length, flags;
    const char* out;
    bool multiLine;
  } cases[] = {
    {"&Level", -1, 0, "Level", false},
    {"A&&B", -1, 0, "A&B", false},
    {"A&&B", -1, DT_NOPREFIX, "A&&B", false},
    {"end&", -1, 0, "end", false},      // a trailing mark is dropped, nothing read past the end
    {"ab&cd", 3, 0, "ab", false},       // the mark is the last counted byte
    {"ab&cd", 4, 0, "abc", false},
    {"a\r\nb", -1, 0, "a\nb", true},
    {"a\r\nb", -1, DT_SINGLELINE, "a b", false},
    {"&\nx", -1, 0, "\nx", true},
    {"abc", 0, 0, "", false},
    {"ab\0cd", 5, 0, "ab", false},      // a NUL ends the text even within length
  };
  char out[kSwellTextMax + 1];
  for (const Case& c : cases)
  {
    bool ml = !c.multiLine;
    const int n = swell_PrepareText(c.text, c.length, c.flags, out, &ml);
    EXPECT_STREQ(out, c.out) << c.text;
    EXPECT_EQ(n, static_cast<int>(strlen(c.out)));
    EXPECT_EQ(ml, c.multiLine) << c.text;
  }
  std::string longText(5000, 'x');
  EXPECT_EQ(swell_PrepareText(longText.c_str(), -1, 0, out, nullptr), kSwellTextMax);
  EXPECT_EQ(swell_PrepareText(nullptr, -1, 0, out, nullptr), 0);
}

TEST(LayoutTextBox, AlignmentAndOverflow)
{
  struct Case
  {
    RECT r;
    int flags;
    double w, h;
    SWELL_TextBox box;
  } cases[] = {
    {{0, 0, 100, 20}, 0, 30, 15, {0, 0, 100, 15}},
    {{0, 0, 100, 20}, DT_VCENTER, 30, 15, {0, 2, 100, 16}}, // k = trunc(5) / 2
    {{0, 0, 100, 20}, DT_VCENTER, 30, 15.482, {0, 2, 100, 16}},
    {{0, 10, 100, 20}, DT_BOTTOM, 30, 15, {0, 5, 100, 15}}, // taller than r: rises above it
    {{0, 0, 100, 10}, DT_VCENTER, 30, 15, {0, -2, 100, 14}},
    {{0, 0, 100, 10}, DT_VCENTER | DT_NOCLIP, 30, 15, {0, -2.5, 100, 15}},
    {{10, 0, 30, 20}, DT_NOCLIP, 50, 15, {10, 0, 50, 15}},
    {{10, 0, 30, 20}, DT_NOCLIP | DT_RIGHT, 50, 15, {-20, 0, 50, 15}},
    {{10, 0, 30, 20}, DT_NOCLIP | DT_CENTER, 50, 15, {-5, 0, 50, 15}},
    {{10, 0, 30, 20}, DT_CENTER, 50, 15, {10, 0, 20, 15}},
    {{0, INT32_MIN, 10, INT32_MAX}, DT_VCENTER, 5, 15, {0, INT32_MIN + 1000000000.0, 10, 4294967295.0 - 2e9}},
  };
  for (const Case& c : cases)
  {
    const SWELL_TextBox b = swell_LayoutTextBox(c.r, c.flags, c.w, c.h);
    EXPECT_DOUBLE_EQ(b.x, c.box.x) << c.flags;
    EXPECT_DOUBLE_EQ(b.y, c.box.y) << c.flags;
    EXPECT_DOUBLE_EQ(b.width, c.box.width) << c.flags;
    EXPECT_DOUBLE_EQ(b.height, c.box.height) << c.flags;
  }
}

// Advance sum of text with FreeType's own glyph loading (unhinted, kerned).
double FreeTypeWidth(HFONT f, const char* text)
{
  WDL_MutexLock lock(&swell_TextLock());
  swell_ActivateFont(f->font);
  FT_Face ft = f->font.face->ft;
  double w = 0;
  FT_UInt prev = 0;
  for (const char* p = text; *p; ++p)
  {
    const FT_UInt gi = FT_Get_Char_Index(ft, static_cast<unsigned char>(*p));
    FT_Vector k = {0, 0};
    if (prev) FT_Get_Kerning(ft, prev, gi, FT_KERNING_UNFITTED, &k);
    FT_Load_Glyph(ft, gi, FT_LOAD_NO_HINTING);
    w += k.x / 64.0 + ft->glyph->linearHoriAdvance / 65536.0;
    prev = gi;
  }
  return w;
}

TEST(DrawText, MeasuringScalesBy102)
{
  // "Level On" in DejaVu Sans at 11.4 pixels is between 49 and 50 pixels wide
  // and one line is 13.27 pixels high.
  TextContext t(8, 8, -12);
  const double w = FreeTypeWidth(t.font(), "Level On");
  ASSERT_GT(w, 49.0);
  ASSERT_LE(w, 50.0);
  RECT r = {0, 0, 0, 0};
  EXPECT_EQ(SWELL_DrawText(t.dc(), "Level On", -1, &r, DT_CALCRECT), 14);
  EXPECT_EQ(r.right, 51);
  EXPECT_EQ(r.bottom, 14);
  RECT at = {-7, 3, 0, 0};
  SWELL_DrawText(t.dc(), "Level On", -1, &at, DT_CALCRECT);
  EXPECT_EQ(at.right, 44); // trunc(-7 + 51)
  RECT two = {0, 0, 0, 0};
  EXPECT_EQ(SWELL_DrawText(t.dc(), "Level\nOn", -1, &two, DT_CALCRECT), 27);
  EXPECT_EQ(two.bottom, 27); // trunc(27 * 1.02)
  RECT empty = {1, 2, 3, 4};
  EXPECT_EQ(SWELL_DrawText(t.dc(), "&", -1, &empty, DT_CALCRECT), 0);
  EXPECT_EQ(empty.right, 3);
  EXPECT_EQ(SWELL_DrawText(t.dc(), "x", -1, nullptr, DT_CALCRECT), 0);
  RECT edge = {INT32_MAX - 3, INT32_MAX - 3, 0, 0};
  SWELL_DrawText(t.dc(), "Level On", -1, &edge, DT_CALCRECT);
  EXPECT_EQ(edge.right, INT32_MAX);
}

TEST(DrawText, BaselineAtBoxTopPlusAscentAndVerticalCentre)
{
  // "H" sits on the baseline: its lowest ink row is baseline - 1, the
  // baseline being the box top plus the ascent (12 at 13.3 pixels).
  int first, last;
  TextContext plain(40, 20, -14);
  RECT r = {0, 0, 40, 20};
  EXPECT_EQ(SWELL_DrawText(plain.dc(), "H", -1, &r, 0), 16);
  plain.inkRows(&first, &last);
  EXPECT_EQ(last, 11);
  TextContext centred(40, 20, -14);
  SWELL_DrawText(centred.dc(), "H", -1, &r, DT_VCENTER); // box moves down by 2
  int cfirst, clast;
  centred.inkRows(&cfirst, &clast);
  EXPECT_EQ(clast, 13);
  EXPECT_EQ(cfirst, first + 2);
}

TEST(DrawText, PrefixMarksAreNotDrawn)
{
  struct Case
  {
    const char* text;
    int flags;
    const char* same;
  } cases[] = {{"&Level", 0, "Level"}, {"A&&B", 0, "A&B"}, {"A&&B", 0, "A&B"}, {"Gain&", 0, "Gain"}};
  for (const Case& c : cases)
  {
    TextContext a(80, 20, -14), b(80, 20, -14);
    RECT r = {0, 0, 80, 20};
    SWELL_DrawText(a.dc(), c.text, -1, &r, c.flags);
    SWELL_DrawText(b.dc(), c.same, -1, &r, DT_NOPREFIX);
    EXPECT_EQ(a.pixels(), b.pixels()) << c.text;
  }
}

// A line cut with an ellipsis keeps the longest head that fits, whatever
// follows it: a tail of thousands of characters (cut in one pass over the
// line) draws the same as a short one.
TEST(DrawText, EllipsisKeepsTheSameHeadWhateverFollows)
{
  const std::string head = "AVAWAY To Ta ";
  for (const std::string& tail : {std::string("xyz"), std::string(4000, 'W')})
  {
    TextContext a(70, 20, -14), b(70, 20, -14);
    RECT r = {0, 0, 70, 20};
    SWELL_DrawText(a.dc(), (head + "xyz").c_str(), -1, &r, DT_END_ELLIPSIS | DT_SINGLELINE);
    SWELL_DrawText(b.dc(), (head + tail).c_str(), -1, &r, DT_END_ELLIPSIS | DT_SINGLELINE);
    EXPECT_EQ(a.pixels(), b.pixels()) << tail.size();
    EXPECT_GT(b.ink(), 0);
  }
}

TEST(DrawText, ClipsToTheRectangleAndBitmapAndLeavesAlpha)
{
  TextContext t(60, 30, -20);
  t.fill(0x5A);
  SetTextColor(t.dc(), 0xFF0000);
  RECT r = {10, 5, 30, 20};
  SWELL_DrawText(t.dc(), "WWWW", -1, &r, 0);
  long long inside = 0;
  for (int y = 0; y < 30; ++y)
  {
    for (int x = 0; x < 60; ++x)
    {
      ASSERT_EQ(t.byte(x, y, 0), 0x5A) << "alpha byte changed";
      const bool in = x >= 10 && x < 30 && y >= 5 && y < 20;
      if (!in) ASSERT_EQ(t.byte(x, y, 1), 0x5A) << x << "," << y;
      else inside += t.byte(x, y, 1) != 0x5A;
    }
  }
  EXPECT_GT(inside, 0);
  // Without clipping the text runs past r, but never off the bitmap.
  RECT edge = {-15, -8, 5, 5};
  SWELL_DrawText(t.dc(), "WWWWWWWWWW", -1, &edge, DT_NOCLIP);
  EXPECT_NE(t.byte(20, 3, 1), 0x5A);
  RECT far = {-100000, 2000000000, -99990, 2000000010};
  EXPECT_GT(SWELL_DrawText(t.dc(), "far away", -1, &far, DT_NOCLIP | DT_BOTTOM | DT_RIGHT), 0);
  RECT huge = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_GT(SWELL_DrawText(t.dc(), "huge", -1, &huge, DT_VCENTER | DT_CENTER), 0);
}

TEST(DrawText, StylesChangeTheInk)
{
  RECT r = {0, 0, 80, 24};
  TextContext regular(80, 24, -16), bold(80, 24, -16, FW_BOLD), mono(80, 24, -16, FW_NORMAL, 0, 3);
  for (TextContext* c : {&regular, &bold, &mono}) SWELL_DrawText(c->dc(), "Bias", -1, &r, 0);
  EXPECT_GT(bold.ink(), regular.ink() * 5 / 4);
  bool partial = false;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 80; ++x) partial |= mono.byte(x, y, 1) != 0 && mono.byte(x, y, 1) != 255;
  EXPECT_FALSE(partial) << "monochrome quality draws whole pixels only";
  // Opaque mode fills behind the text with the background colour.
  TextContext opaque(80, 24, -16);
  SetBkMode(opaque.dc(), OPAQUE);
  SetBkColor(opaque.dc(), 0x0000FF);
  SWELL_DrawText(opaque.dc(), "Bias", -1, &r, 0);
  EXPECT_EQ(opaque.byte(0, 10, 3), 0xFF);
  EXPECT_EQ(opaque.byte(79, 10, 3), 0);
}

// FNV-1a over the R, G and B bytes.
uint32_t Checksum(LICE_IBitmap& bm)
{
  uint32_t h = 2166136261u;
  for (int y = 0; y < bm.getHeight(); ++y)
  {
    for (int x = 0; x < bm.getWidth(); ++x)
    {
      const unsigned char* p = reinterpret_cast<const unsigned char*>(bm.getBits() + y * bm.getRowSpan() + x);
      for (int k = 1; k < 4; ++k) h = (h ^ p[k]) * 16777619u;
    }
  }
  return h;
}

// Sample captions in the styles the editor uses, drawn into a platform-backed
// bitmap. The image is written to the build folder for a person to look at
// and compared with the committed golden image.
TEST(DrawText, SampleCaptionsMatchTheGoldenImage)
{
  // The faces come from their files, not from the machine's font
  // configuration, so that the picture is the same on every machine.
  const struct
  {
    const char* family;
    const char* file;
  } faces[] = {{"DejaVu Sans", "DejaVuSans.ttf"}, {"DejaVu Serif", "DejaVuSerif.ttf"}, {"Monaco", "DejaVuSansMono.ttf"}};
  for (const auto& f : faces)
    ASSERT_TRUE(SWELL_AddFontFile(f.family, (std::string(CINDERPATH_FONT_DIR) + "/" + f.file).c_str())) << f.file;
  LICE_SysBitmap bm(260, 220);
  HDC dc = bm.getDC();
  ASSERT_NE(dc, nullptr);
  LICE_FillRect(&bm, 0, 0, 260, 220, LICE_RGBA(40, 40, 48, 255), 1.0f, LICE_MODE_COPY);
  struct Caption
  {
    const char* text;
    int height, weight, flags;
    char italic, underline, quality;
    const char* face;
    int colour;
  } captions[] = {
    {"20.00", -14, 400, DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, 0, 0, "DejaVu Sans", 0xFFFFFF},
    {"4 x", -14, 700, DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, 0, 0, "DejaVu Sans", 0xFFD040},
    {"v.1.22", -12, 400, DT_RIGHT | DT_SINGLELINE, 1, 0, 0, "DejaVu Sans", 0xC0C0C0},
    {"Gain → 3 dB · 5 µs Ünïcødé", -13, 400, 0, 0, 0, 0,
     "DejaVu Sans", 0x80FF80},
    {"Level On", -12, 400, 0, 0, 1, 3, "DejaVu Sans", 0xFFFFFF},
    {"Monaco 12.5", -12, 400, DT_CENTER, 0, 0, 0, "Monaco", 0x40C0FF},
    {"A caption far too long for the box it is drawn in", -13, 400, DT_END_ELLIPSIS | DT_SINGLELINE, 0, 0, 0, "DejaVu Serif",
     0xFFFFFF},
    {"Two lines\nright & left", -12, 400, DT_RIGHT | DT_NOPREFIX, 0, 0, 4, "DejaVu Sans", 0xFF8080},
  };
  int y = 4;
  for (const Caption& c : captions)
  {
    HFONT f = CreateFont(c.height, 0, 0, 0, c.weight, c.italic, c.underline, 0, 0, 0, 0, c.quality, 0, c.face);
    ASSERT_NE(f, nullptr);
    HGDIOBJ old = SelectObject(dc, f);
    SetTextColor(dc, c.colour);
    const int boxHeight = strchr(c.text, '\n') ? 30 : 22;
    RECT r = {8, y, 252, y + boxHeight};
    LICE_DrawRect(&bm, r.left - 1, r.top - 1, r.right - r.left + 1, r.bottom - r.top + 1, LICE_RGBA(70, 70, 80, 255),
                  1.0f, LICE_MODE_COPY);
    EXPECT_GT(SWELL_DrawText(dc, c.text, -1, &r, c.flags), 0) << c.text;
    SelectObject(dc, old);
    DeleteObject(f);
    y += boxHeight + 4;
  }
  const std::string out = std::string(CINDERPATH_BINARY_DIR) + "/swell-captions.png";
  ASSERT_TRUE(LICE_WritePNG(out.c_str(), &bm, false));
  const std::string golden = std::string(CINDERPATH_SOURCE_DIR) + "/tests/swell/golden/captions.png";
  if (getenv("CINDERPATH_UPDATE_GOLDEN"))
  {
    ASSERT_TRUE(LICE_WritePNG(golden.c_str(), &bm, false));
  }
  LICE_MemBitmap expected;
  ASSERT_NE(LICE_LoadPNG(golden.c_str(), &expected), nullptr) << golden;
  ASSERT_EQ(expected.getWidth(), bm.getWidth());
  ASSERT_EQ(expected.getHeight(), bm.getHeight());
  int differing = 0;
  for (int yy = 0; yy < bm.getHeight(); ++yy)
    for (int x = 0; x < bm.getWidth(); ++x)
      differing += (bm.getBits()[yy * bm.getRowSpan() + x] & 0xFFFFFF00u) !=
                   (expected.getBits()[yy * expected.getRowSpan() + x] & 0xFFFFFF00u);
  EXPECT_EQ(differing, 0) << "compare " << out << " with " << golden;
  EXPECT_EQ(Checksum(bm), Checksum(expected));
  EXPECT_EQ(Checksum(bm), 281777948u) << "golden checksum";
}

} // namespace
