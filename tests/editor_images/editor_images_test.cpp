// The committed editor images are exactly what the generator draws, and
// their sizes fit the editor's layout.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Canvas.h"
#include "EditorImages.h"
#include "IPlug/IScaledImageName.h"
#include "PanelFont.h"
#include "lice.h"

namespace
{

const std::string kCommitted = std::string(CINDERPATH_SOURCE_DIR) + "/Cinderpath/resources/img/";

// A fresh empty directory under the test's temporary folder.
std::string MakeTempDir()
{
  std::string tmpl = ::testing::TempDir() + "editor_images_XXXXXX";
  return mkdtemp(&tmpl[0]) ? tmpl : std::string();
}

std::string ReadAll(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Draws every image at the scale into a fresh directory and compares the
// files byte for byte with the committed ones.
void ExpectRegeneratingReproducesCommitted(double scale)
{
  const std::string dir = MakeTempDir();
  ASSERT_FALSE(dir.empty());
  std::string error;
  ASSERT_TRUE(WriteEditorImages(dir, scale, &error)) << error;
  for (const std::string& base : EditorImageFiles())
  {
    const std::string f = EditorImageFileName(base, scale);
    const std::string fresh = ReadAll(dir + "/" + f);
    EXPECT_FALSE(fresh.empty()) << f;
    EXPECT_TRUE(fresh == ReadAll(kCommitted + f))
        << f << " differs from the generator's output: run make_editor_images Cinderpath/resources/img and commit";
    std::remove((dir + "/" + f).c_str());
  }
  rmdir(dir.c_str());
}

TEST(EditorImages, RegeneratingReproducesTheCommittedFiles) { ExpectRegeneratingReproducesCommitted(1.0); }

TEST(EditorImages, UnwritableDirectoryIsReported)
{
  std::string error;
  EXPECT_FALSE(WriteEditorImages("/nonexistent-dir/for-images", &error));
  EXPECT_NE(error.find("Back.png"), std::string::npos);
}

// Frame sizes the layout's positions were worked out for: 40 x 40 small
// knobs on a 50-pixel pitch, 70 x 70 large knobs under their captions,
// 40 x 20 switches, a 20 x 20 clip light, a 780 x 200 panel.
TEST(EditorImages, SizesAndFrameCounts)
{
  const struct
  {
    const char* file;
    int w, frameH, frames;
  } cases[] = {
    {"Back.png", 780, 200, 1},   {"KnobS.png", 40, 40, 91},   {"KnobB.png", 70, 70, 91},
    {"HPonp.png", 40, 20, 2},    {"PKonp.png", 40, 20, 2},    {"SHonp.png", 40, 20, 2},
    {"Fonp.png", 40, 20, 2},     {"Boostp.png", 40, 20, 2},   {"Bypassp.png", 40, 20, 2},
    {"Monop.png", 40, 20, 2},    {"Phasep.png", 40, 20, 2},   {"HQonp.png", 40, 20, 2},
    {"Overp.png", 20, 20, 2},
  };
  for (const auto& c : cases)
  {
    std::unique_ptr<LICE_IBitmap> bm(LICE_LoadPNG((kCommitted + c.file).c_str()));
    ASSERT_TRUE(bm) << c.file;
    EXPECT_EQ(bm->getWidth(), c.w) << c.file;
    EXPECT_EQ(bm->getHeight(), c.frameH * c.frames) << c.file;
    if (c.frames == 2)
    {
      // The two states must differ visibly.
      int differing = 0;
      for (int y = 0; y < c.frameH; ++y)
        for (int x = 0; x < c.w; ++x)
          differing += LICE_GetPixel(bm.get(), x, y) != LICE_GetPixel(bm.get(), x, y + c.frameH);
      EXPECT_GT(differing, c.w * c.frameH / 4) << c.file;
    }
  }
}

// ---------------------------------------------------------------- scaled images

int ScaledPx(int px, double s) { return static_cast<int>(std::floor(px * s + 0.5)); }

std::unique_ptr<LICE_IBitmap> LoadCommitted(const std::string& file, double scale)
{
  return std::unique_ptr<LICE_IBitmap>(LICE_LoadPNG((kCommitted + EditorImageFileName(file, scale)).c_str()));
}

int FrameCount(const std::string& file)
{
  if (file == "Back.png") return 1;
  return file.compare(0, 4, "Knob") == 0 ? 91 : 2;
}

TEST(EditorImages, ScaledNamesTakeTheScaleBeforeTheExtension)
{
  const struct
  {
    const char* base;
    double scale;
    const char* want;
  } cases[] = {
    {"resources/img/KnobS.png", 2.0, "resources/img/KnobS@2x.png"},
    {"resources/img/KnobS.png", 1.0, "resources/img/KnobS.png"},
    {"resources/img/KnobS.png", 1.5, "resources/img/KnobS@1.5x.png"},
    {"Back.png", 3.0, "Back@3x.png"},
    {"Back.png", 1.25, "Back@1.25x.png"},
    {"Back.png", 1.999, "Back@2x.png"},      // written rounded to hundredths
    {"Back.png", 1.001, "Back.png"},         // rounds to 1
    {"img.d/Back", 2.0, "img.d/Back@2x"},    // a dot in a folder is no extension
    {"Back.png", 0.0, "Back.png"},           // no such scale: the base name
    {"Back.png", -2.0, "Back.png"},
    {"Back.png", std::nan(""), "Back.png"},
    {"Back.png", HUGE_VAL, "Back.png"},
  };
  for (const auto& c : cases) EXPECT_EQ(ScaledImageName(c.base, c.scale), c.want) << c.base << " at " << c.scale;
  EXPECT_EQ(EditorImageFileName("Overp.png", 1.5), "Overp@1.5x.png");
  EXPECT_EQ(EditorImageScales(), (std::vector<double>{1.0, 1.5, 2.0, 3.0}));
}

// Every committed scaled image exists, each length of the scale-1 image
// scaled and rounded to the nearest pixel, with the same number of frames.
TEST(EditorImages, ScaledImagesHaveTheScaledSizes)
{
  for (const std::string& f : EditorImageFiles())
  {
    std::unique_ptr<LICE_IBitmap> one = LoadCommitted(f, 1.0);
    ASSERT_TRUE(one) << f;
    const int frames = FrameCount(f);
    const int frameH = one->getHeight() / frames;
    for (double s : EditorImageScales())
    {
      std::unique_ptr<LICE_IBitmap> bm = LoadCommitted(f, s);
      ASSERT_TRUE(bm) << EditorImageFileName(f, s) << " is missing";
      EXPECT_EQ(bm->getWidth(), ScaledPx(one->getWidth(), s)) << EditorImageFileName(f, s);
      EXPECT_EQ(bm->getHeight(), ScaledPx(frameH, s) * frames) << EditorImageFileName(f, s);
    }
  }
  // Worked through once by hand.
  std::unique_ptr<LICE_IBitmap> back = LoadCommitted("Back.png", 1.5), knob = LoadCommitted("KnobB.png", 1.5);
  ASSERT_TRUE(back && knob);
  EXPECT_EQ(back->getWidth(), 1170);
  EXPECT_EQ(back->getHeight(), 300);
  EXPECT_EQ(knob->getWidth(), 105);
  EXPECT_EQ(knob->getHeight(), 105 * 91);
}

class ScaledImages : public ::testing::TestWithParam<double>
{
};

TEST_P(ScaledImages, RegeneratingReproducesTheCommittedFiles) { ExpectRegeneratingReproducesCommitted(GetParam()); }

INSTANTIATE_TEST_SUITE_P(EditorImages, ScaledImages, ::testing::Values(1.5, 2.0, 3.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                           return info.param == 1.5 ? std::string("x1_5") : "x" + std::to_string(int(info.param));
                         });

// 2 x 2 blocks of a 2x image holding an edge (channels apart by more than
// the panel's grain) inside [x0, x1) x [y0, y1); a pixel-doubled image has
// none.
int BlocksWithEdges(LICE_IBitmap* bm, int x0, int y0, int x1, int y1)
{
  int n = 0;
  for (int y = y0 & ~1; y + 1 < y1; y += 2)
    for (int x = x0 & ~1; x + 1 < x1; x += 2)
    {
      const LICE_pixel p[4] = {LICE_GetPixel(bm, x, y), LICE_GetPixel(bm, x + 1, y), LICE_GetPixel(bm, x, y + 1),
                               LICE_GetPixel(bm, x + 1, y + 1)};
      int spread = 0;
      for (int i = 1; i < 4; ++i)
        for (unsigned (*ch)(LICE_pixel) : {+[](LICE_pixel q) { return LICE_GETR(q); },
                                            +[](LICE_pixel q) { return LICE_GETA(q); }})
          spread = std::max(spread, std::abs(int(ch(p[i])) - int(ch(p[0]))));
      n += spread > 40;
    }
  return n;
}

// The 2x images are drawn at their size: lettering, knob edges and the
// switch caps have edges inside 2 x 2 blocks.
TEST(EditorImages, TwiceSizeIsDrawnNotPixelDoubled)
{
  std::unique_ptr<LICE_IBitmap> back = LoadCommitted("Back.png", 2.0);
  std::unique_ptr<LICE_IBitmap> knob = LoadCommitted("KnobS.png", 2.0);
  std::unique_ptr<LICE_IBitmap> button = LoadCommitted("Bypassp.png", 2.0);
  ASSERT_TRUE(back && knob && button);
  EXPECT_GT(BlocksWithEdges(back.get(), 2 * 3, 2 * 60, 2 * 28, 2 * 71), 10) << "FREQ legend";
  EXPECT_GT(BlocksWithEdges(back.get(), 2 * 320, 2 * 13, 2 * 460, 2 * 31), 40) << "name plate";
  EXPECT_GT(BlocksWithEdges(knob.get(), 0, 0, 80, 80), 40) << "knob frame 0";
  EXPECT_GT(BlocksWithEdges(button.get(), 0, 0, 80, 40), 20) << "switch";
}

// What the panel prints sits at the scale-1 position times the scale,
// rounded: the value boxes the editor places there fall inside their light
// windows, and the legends start on their scaled corners.
TEST(EditorImages, PrintedPositionsFollowTheScaledLayout)
{
  const struct
  {
    int l, t, r, b;
  } boxes[] = {{40, 20, 80, 40}, {90, 160, 130, 180}, {280, 55, 320, 75}, {650, 90, 690, 110}, {693, 18, 733, 38}};
  const struct
  {
    const char* text;
    int x, y;  // top left corner at scale 1
  } legends[] = {{"FREQ", 3, 62}, {"GAIN", 3, 132}, {"MARROWFIELD", 764 - panel_font::TextWidth("MARROWFIELD", 1), 180}};
  for (double s : EditorImageScales())
  {
    std::unique_ptr<LICE_IBitmap> back = LoadCommitted("Back.png", s);
    ASSERT_TRUE(back);
    auto red = [&](int x, int y) { return int(LICE_GETR(LICE_GetPixel(back.get(), x, y))); };
    for (const auto& b : boxes)
    {
      const int l = ScaledPx(b.l, s), t = ScaledPx(b.t, s), r = ScaledPx(b.r, s), bottom = ScaledPx(b.b, s);
      int darkInside = 0;
      for (int y = t; y < bottom; ++y)
        for (int x = l; x < r; ++x) darkInside += red(x, y) < 190;
      EXPECT_EQ(darkInside, 0) << "box at " << b.l << "," << b.t << " scale " << s;
      // The window ends 3 layout pixels out, its dark rim one more.
      const int midY = (t + bottom) / 2;
      EXPECT_LT(red(static_cast<int>(std::floor(l - 4 * s)) - 1, midY), 100) << "left of " << b.l << " scale " << s;
      EXPECT_LT(red(static_cast<int>(std::ceil(r + 4 * s)), midY), 100) << "right of " << b.r << " scale " << s;
    }
    for (const auto& g : legends)
    {
      const int w = panel_font::TextWidth(g.text, 1);
      int left = 1 << 30, top = 1 << 30;
      for (int y = ScaledPx(g.y - 2, s); y < ScaledPx(g.y + panel_font::kGlyphH + 2, s); ++y)
        for (int x = ScaledPx(g.x - 2, s); x < ScaledPx(g.x + w + 2, s); ++x)
          if (red(x, y) > 150) left = std::min(left, x), top = std::min(top, y);
      EXPECT_EQ(left, ScaledPx(g.x, s)) << g.text << " scale " << s;
      EXPECT_EQ(top, ScaledPx(g.y, s)) << g.text << " scale " << s;
    }
  }
}

TEST(EditorImages, UnusableScaleIsRefusedAndWritesNothing)
{
  const std::string dir = MakeTempDir();
  ASSERT_FALSE(dir.empty());
  for (double s : {0.0, -1.0, 100.0, std::nan("")})
  {
    std::string error;
    EXPECT_FALSE(WriteEditorImages(dir, s, &error)) << s;
    EXPECT_NE(error.find("scale"), std::string::npos) << s;
  }
  EXPECT_EQ(rmdir(dir.c_str()), 0) << "the refused runs left files behind";
}

}  // namespace

// Every character of the printed units has a glyph of its own (a missing one
// would print as a space), and the lower case differs from the capitals.
TEST(EditorImages, UnitLetteringHasItsGlyphs)
{
  for (const char* unit : {"Hz", "kHz", "dB"})
    for (const char* c = unit; *c; ++c) EXPECT_NE(panel_font::Glyph(*c), nullptr) << unit << ": '" << *c << "'";
  for (char lower : {'d', 'k', 'z'})
  {
    const unsigned char* a = panel_font::Glyph(lower);
    const unsigned char* b = panel_font::Glyph((char)(lower - 'a' + 'A'));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(std::string(a, a + panel_font::kGlyphH), std::string(b, b + panel_font::kGlyphH)) << lower;
  }
}

// Drawn as strokes of half a cell's width, each glyph covers the centres of
// exactly the pixels its bitmap sets: the outline font at larger scales
// prints the same letters as the bitmaps at scale 1.
TEST(EditorImages, GlyphStrokesCoverTheBitmapPixels)
{
  for (const char* c = "ABCDEFGHIJKLMNOPQRSTUVWXYZdkz0123456789.-+/"; *c; ++c)
  {
    const unsigned char* rows = panel_font::Glyph(*c);
    ASSERT_NE(rows, nullptr) << *c;
    panel_font::Stroke strokes[panel_font::kMaxStrokes];
    const int n = panel_font::GlyphStrokes(*c, strokes, panel_font::kMaxStrokes);
    ASSERT_GT(n, 0) << *c;
    ASSERT_LT(n, panel_font::kMaxStrokes) << *c;
    for (int row = 0; row < panel_font::kGlyphH; ++row)
      for (int col = 0; col < panel_font::kGlyphW; ++col)
      {
        bool covered = false;
        for (int k = 0; k < n; ++k)
          covered = covered || SegmentCoverage(col + 0.5, row + 0.5, strokes[k].x1, strokes[k].y1, strokes[k].x2,
                                               strokes[k].y2, 0.5) > 0.0;
        EXPECT_EQ(covered, (rows[row] & (0x10 >> col)) != 0) << "'" << *c << "' row " << row << " col " << col;
      }
  }
  panel_font::Stroke one[1];
  EXPECT_EQ(panel_font::GlyphStrokes('#', one, 1), 0) << "a character the font lacks has no strokes";
  EXPECT_EQ(panel_font::GlyphStrokes('E', one, 1), 1) << "no more strokes than asked for";
}
