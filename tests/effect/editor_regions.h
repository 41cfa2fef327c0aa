// The effect editor's pixels, the controls in which each parameter shows,
// and the comparison with committed PNGs; shared by the layout tests (the
// plug-in driven directly) and the snapshot tests (driven through the Audio
// Unit entry).
//
// The captions' and texts' pixels come from this machine's fonts (found by
// fontconfig): where fonts differ, or after an intended change of the images
// or layout, run the tests with CINDERPATH_UPDATE_GOLDEN=1 to rewrite the
// PNGs, look at them, and commit them.
#ifndef EFFECT_EDITOR_REGIONS_H
#define EFFECT_EDITOR_REGIONS_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Cinderpath.h"
#include "IControl.h"
#include "IGraphics.h"
#include "lice.h"

namespace editor_regions
{

// The editor's off-screen pixels, alpha ignored.
inline std::vector<LICE_pixel> Pixels(IGraphics* gui)
{
  LICE_IBitmap* bm = gui->GetDrawBitmap();
  std::vector<LICE_pixel> px;
  for (int y = 0; y < gui->Height(); ++y)
    for (int x = 0; x < gui->Width(); ++x) px.push_back(LICE_GetPixel(bm, x, y) | 0xFF);
  return px;
}

// Expects the pixels that differ between before and after to lie inside
// the controls that show parameter param (those linked to it and the value
// text it writes), and each of those controls to change.
inline void ExpectOnlyItsControlsChange(IGraphics* gui, int param, const std::vector<LICE_pixel>& before,
                                        const std::vector<LICE_pixel>& after)
{
  const int valueTextOf[][2] = {{kDrive, 30}, {kBoost, 30}, {kVolume, 31}, {kPeakGain, 32}, {kShelfGain, 33}};
  std::vector<int> linked;
  for (int i = 1; i < gui->NControls(); ++i)
    if (gui->GetControl(i)->ParamIdx() == param) linked.push_back(i);
  for (const auto& vt : valueTextOf)
    if (vt[0] == param) linked.push_back(vt[1]);
  ASSERT_FALSE(linked.empty()) << "parameter " << param;
  ASSERT_EQ(before.size(), after.size());
  const int w = gui->Width(), h = gui->Height();
  std::vector<int> changedIn(linked.size(), 0);
  int stray = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      if (before[y * w + x] == after[y * w + x]) continue;
      bool inside = false;
      for (size_t k = 0; k < linked.size(); ++k)
      {
        // A six-character value ("-18.00") is drawn centred a few pixels
        // wider than its 40-pixel text box.
        const int slack = linked[k] >= 24 ? 4 : 0;
        const IRECT* r = gui->GetControl(linked[k])->GetRECT();
        if (x >= r->L - slack && x < r->R + slack && y >= r->T && y < r->B)
        {
          ++changedIn[k];
          inside = true;
        }
      }
      stray += !inside;
    }
  EXPECT_EQ(stray, 0) << "pixels outside the controls of parameter " << param;
  for (size_t k = 0; k < linked.size(); ++k)
    EXPECT_GT(changedIn[k], 0) << "control " << linked[k] << " of parameter " << param;
}

// Expects the editor's drawn bitmap to equal tests/data/editor/<name>; the
// drawn picture is also written to the build folder for a look.
inline void ExpectMatchesGolden(IGraphics* gui, const char* name)
{
  LICE_IBitmap* got = gui->GetDrawBitmap();
  const std::string golden = std::string(CINDERPATH_TEST_DATA_DIR) + "/editor/" + name;
  const std::string actual = std::string(CINDERPATH_BINARY_DIR) + "/" + name;
  ASSERT_TRUE(LICE_WritePNG(actual.c_str(), got, true));
  if (std::getenv("CINDERPATH_UPDATE_GOLDEN"))
  {
    ASSERT_TRUE(LICE_WritePNG(golden.c_str(), got, true));
  }
  std::unique_ptr<LICE_IBitmap> want(LICE_LoadPNG(golden.c_str()));
  ASSERT_TRUE(want) << golden;
  ASSERT_EQ(want->getWidth(), got->getWidth());
  ASSERT_EQ(want->getHeight(), got->getHeight());
  int differing = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < got->getHeight(); ++y)
    for (int x = 0; x < got->getWidth(); ++x)
      if ((LICE_GetPixel(got, x, y) | 0xFF) != (LICE_GetPixel(want.get(), x, y) | 0xFF) && differing++ == 0)
      {
        firstX = x;
        firstY = y;
      }
  EXPECT_EQ(differing, 0) << "first difference at " << firstX << "," << firstY << "; see " << actual;
}

}  // namespace editor_regions

#endif
