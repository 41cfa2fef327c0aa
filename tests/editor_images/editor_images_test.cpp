// The committed editor images are exactly what the generator draws, and
// their sizes fit the editor's layout.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "EditorImages.h"
#include "PanelFont.h"
#include "lice.h"

namespace
{

const std::string kCommitted = std::string(CINDERPATH_SOURCE_DIR) + "/Cinderpath/resources/img/";

std::string ReadAll(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(EditorImages, RegeneratingReproducesTheCommittedFiles)
{
  char tmpl[] = "/tmp/editor_images_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  std::string error;
  ASSERT_TRUE(WriteEditorImages(dir, &error)) << error;
  for (const std::string& f : EditorImageFiles())
  {
    const std::string fresh = ReadAll(dir + "/" + f);
    EXPECT_FALSE(fresh.empty()) << f;
    EXPECT_TRUE(fresh == ReadAll(kCommitted + f))
        << f << " differs from the generator's output: run make_editor_images Cinderpath/resources/img and commit";
    std::remove((dir + "/" + f).c_str());
  }
  rmdir(dir.c_str());
}

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
