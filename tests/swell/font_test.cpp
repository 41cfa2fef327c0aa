// Font creation: sizes, bold stroke, quality, face fall-backs and metrics,
// with numbers from the DejaVu faces the setup script installs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "swell-ft.h"
#include "swell_test_util.h"

namespace
{

using swell_test::TextContext;

HFONT Font(int height, int width = 0, int weight = FW_NORMAL, char quality = 0, const char* face = "DejaVu Sans",
           int orientation = 0)
{
  return CreateFont(height, width, 0, orientation, weight, 0, 0, 0, 0, 0, 0, quality, 0, face);
}

TEST(CreateFont, PointSizeAndBoldStroke)
{
  struct Case
  {
    int height, width, weight;
    double pointSize, stroke;
  } cases[] = {
    {-14, 0, 400, 13.3, 0.0},
    {0, 0, 400, 9.5, 0.0},          // no size at all
    {0, -20, 400, 19.0, 0.0},       // width stands in for a zero height
    {1, 0, 400, 9.5, 0.0},          // below 2
    {9000, 0, 400, 9.5, 0.0},       // above 8192
    {-13, 0, 700, 12.35, -6.7925},  // below 15 points: 0.55 of the point size
    {-15, 0, 700, 14.25, -7.8375},
    {16, 0, 700, 15.2, -8.25},      // 15 points and above: fixed
    {-21, 0, 900, 19.95, -8.25},
    {-21, 0, 699, 19.95, 0.0},
  };
  for (const Case& c : cases)
  {
    HFONT f = Font(c.height, c.width, c.weight);
    ASSERT_NE(f, nullptr);
    EXPECT_DOUBLE_EQ(f->font.pointSize, c.pointSize) << c.height << "/" << c.width;
    EXPECT_NEAR(f->font.strokeWidth, c.stroke, 1e-9) << c.height;
    DeleteObject(f);
  }
}

TEST(CreateFont, QualityRotationAndStyle)
{
  const char qualities[][2] = {{0, 0}, {3, 3}, {4, 4}, {1, 0}, {5, 0}, {-1, 0}};
  for (const auto& q : qualities)
  {
    HFONT f = Font(-12, 0, 400, q[0]);
    EXPECT_EQ(f->quality, q[1]) << int(q[0]);
    DeleteObject(f);
  }
  HFONT f = Font(-12, 0, 400, 0, "DejaVu Sans", 900);
  EXPECT_EQ(f->rotation, 90);
  DeleteObject(f);
  HFONT s = CreateFont(-12, 0, 0, 0, 400, 1, 1, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
  EXPECT_DOUBLE_EQ(s->font.obliqueness, 0.33);
  EXPECT_TRUE(s->font.underline);
  DeleteObject(s);
}

// Width of text measured with DT_CALCRECT (unscaled below 50 pixels).
int Width(HDC dc, const char* text)
{
  RECT r = {0, 0, 0, 0};
  SWELL_DrawText(dc, text, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  return r.right;
}

// A monospace face the machine lacks falls back to the monospace font; any
// other unknown face, and no face, to the proportional sans font.
TEST(CreateFont, MissingFacesFallBack)
{
  struct Case
  {
    const char* face;
    bool mono;
  } cases[] = {{"Monaco", true}, {"courier new", true}, {"DejaVu Sans Mono", true},
               {"No Such Face", false}, {"", false}, {nullptr, false}, {"\xff\xfe", false}};
  for (const Case& c : cases)
  {
    TextContext t(8, 8, -20, FW_NORMAL, 0, 0, c.face);
    ASSERT_NE(t.font(), nullptr) << (c.face ? c.face : "(null)");
    const bool mono = Width(t.dc(), "iiii") == Width(t.dc(), "WWWW");
    EXPECT_EQ(mono, c.mono) << (c.face ? c.face : "(null)");
  }
}

TEST(GetTextMetrics, FollowTheFaceWithTheRoundingRules)
{
  // DejaVu Sans at 13.3 pixels: ascender 12.345, descender -3.137, capital
  // height 9.696.
  TextContext t(8, 8, -14);
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(t.dc(), &tm));
  EXPECT_EQ(tm.tmAscent, 12);
  EXPECT_EQ(tm.tmDescent, 3);
  EXPECT_EQ(tm.tmHeight, 15);
  EXPECT_EQ(tm.tmInternalLeading, 3);
  EXPECT_EQ(tm.tmAveCharWidth, 8); // trunc(ceil(15.48) * 0.55)

  // No font selected: the 10-pixel system font.
  TextContext none(8, 8, 0);
  ASSERT_TRUE(GetTextMetrics(none.dc(), &tm));
  EXPECT_EQ(tm.tmAscent, 9);
  EXPECT_EQ(tm.tmDescent, 2);
  EXPECT_FALSE(GetTextMetrics(none.dc(), nullptr));
}

TEST(CreateFontIndirect, MatchesCreateFontAndStopsAtTheFaceField)
{
  LOGFONT lf;
  memset(&lf, 0, sizeof(lf));
  lf.lfHeight = -14;
  lf.lfWeight = 700;
  lf.lfQuality = 3;
  strcpy(lf.lfFaceName, "DejaVu Sans Mono");
  HFONT f = CreateFontIndirect(&lf);
  ASSERT_NE(f, nullptr);
  EXPECT_DOUBLE_EQ(f->font.pointSize, 13.3);
  EXPECT_NEAR(f->font.strokeWidth, -7.315, 1e-9);
  EXPECT_EQ(f->quality, 3);
  DeleteObject(f);
  memset(lf.lfFaceName, 'A', sizeof(lf.lfFaceName)); // no terminating NUL
  f = CreateFontIndirect(&lf);
  EXPECT_NE(f, nullptr);
  DeleteObject(f);
  EXPECT_EQ(CreateFontIndirect(nullptr), nullptr);
}

} // namespace

// A font file added for a family is that family's face from then on, ahead
// of the machine's font configuration and whatever case the request uses;
// files that are no font change nothing.
TEST(AddFontFile, TheAddedFileWinsAndBadFilesChangeNothing)
{
  const std::string dir = CINDERPATH_FONT_DIR;
  const std::string serif = dir + "/DejaVuSerif.ttf";
  const std::string mono = dir + "/DejaVuSansMono.ttf";
  struct Refusal
  {
    const char* family;
    std::string path;
  } refusals[] = {{"Added Face", dir + "/no-such-font.ttf"},
                  {"Added Face", std::string(CINDERPATH_SOURCE_DIR) + "/tests/swell/golden/captions.png"},
                  {"Added Face", ""}, {"", serif}, {nullptr, serif}, {"Added Face", dir}};
  for (const Refusal& r : refusals)
    EXPECT_FALSE(SWELL_AddFontFile(r.family, r.path.c_str())) << (r.family ? r.family : "(null)") << " " << r.path;
  {
    // Still the fall-back for an unknown face: the proportional sans font.
    TextContext t(8, 8, -20, FW_NORMAL, 0, 0, "Added Face");
    EXPECT_NE(Width(t.dc(), "iiii"), Width(t.dc(), "WWWW"));
  }

  ASSERT_TRUE(SWELL_AddFontFile("Added Face", mono.c_str()));
  ASSERT_TRUE(SWELL_AddFontFile("DejaVu Sans", serif.c_str()));
  const struct
  {
    const char* face;
    const char* family;
  } cases[] = {{"Added Face", "DejaVu Sans Mono"}, {"ADDED face", "DejaVu Sans Mono"},
               {"DejaVu Sans", "DejaVu Serif"}, {"DejaVu Serif", "DejaVu Serif"}};
  for (const auto& c : cases)
  {
    HFONT f = Font(-14, 0, FW_NORMAL, 0, c.face);
    ASSERT_NE(f, nullptr) << c.face;
    EXPECT_STREQ(f->font.face->ft->family_name, c.family) << c.face;
    DeleteObject(f);
  }
  // A later file for the family replaces the earlier one.
  ASSERT_TRUE(SWELL_AddFontFile("Added Face", serif.c_str()));
  HFONT f = Font(-14, 0, FW_NORMAL, 0, "Added Face");
  ASSERT_NE(f, nullptr);
  EXPECT_STREQ(f->font.face->ft->family_name, "DejaVu Serif");
  DeleteObject(f);
  // The other tests of this program expect DejaVu Sans from its own file.
  EXPECT_TRUE(SWELL_AddFontFile("DejaVu Sans", (dir + "/DejaVuSans.ttf").c_str()));
}
