// A small editor (a knob strip, a switch, a caption over a panel) drawn off
// screen after a sequence of mouse events, compared with a committed PNG.
// The caption is drawn with the editor's own font file, as a bundle ships
// it, so the pixels are the same whatever fonts the machine has (the test
// also runs under font configurations offering other fonts and none). After
// an intended change of the drawing, run the test with
// CINDERPATH_UPDATE_GOLDEN=1 to rewrite the PNG, look at it, and commit it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "IGraphicsBundle.h"
#include "editor_test_plug.h"

using namespace editor_test;

namespace
{
const char* kGoldenPath = CINDERPATH_TEST_DATA_DIR "/editor/golden_editor.png";

// A 31-frame knob strip of 32 x 32 cells: a cap with a pointer sweeping
// 270 degrees.
LICE_MemBitmap* MakeKnobStrip()
{
  const int n = 31, s = 32;
  LICE_MemBitmap* bm = new LICE_MemBitmap(s, s * n, 4);
  LICE_FillRect(bm, 0, 0, s, s * n, 0, 1.0f, LICE_MODE_COPY);
  for (int k = 0; k < n; ++k)
  {
    const float cx = 15.5f, cy = 15.5f + (float)(k * s);
    LICE_FillCircle(bm, cx, cy, 14.0f, LICE_RGBA(60, 60, 66, 255), 1.0f, LICE_MODE_COPY, true);
    LICE_Circle(bm, cx, cy, 14.0f, LICE_RGBA(20, 20, 24, 255), 1.0f, LICE_MODE_COPY, true);
    const double a = (-135.0 + 270.0 * k / (n - 1)) * 3.14159265358979323846 / 180.0;
    LICE_Line(bm, (int)cx, (int)cy, (int)(cx + 11.0 * std::sin(a)), (int)(cy - 11.0 * std::cos(a)),
              LICE_RGBA(240, 200, 80, 255), 1.0f, LICE_MODE_COPY, true);
  }
  return bm;
}

// A two-frame switch, 20 x 12: dark off, lit on.
LICE_MemBitmap* MakeSwitchStrip()
{
  LICE_MemBitmap* bm = new LICE_MemBitmap(20, 24, 4);
  LICE_FillRect(bm, 0, 0, 20, 12, LICE_RGBA(70, 20, 20, 255), 1.0f, LICE_MODE_COPY);
  LICE_FillRect(bm, 0, 12, 20, 12, LICE_RGBA(250, 60, 40, 255), 1.0f, LICE_MODE_COPY);
  LICE_FillRect(bm, 2, 14, 16, 2, LICE_RGBA(255, 220, 200, 255), 1.0f, LICE_MODE_COPY);
  return bm;
}

class GoldenEditor : public TestEditor
{
public:
  using TestEditor::TestEditor;
  LICE_IBitmap* OSLoadBitmap(int ID, const char* name) override
  {
    if (ID == 7001) return MakeKnobStrip();
    if (ID == 7002) return MakeSwitchStrip();
    return TestEditor::OSLoadBitmap(ID, name);
  }
};

bool SamePixels(LICE_IBitmap* a, LICE_IBitmap* b, std::string* where)
{
  if (a->getWidth() != b->getWidth() || a->getHeight() != b->getHeight())
  {
    *where = "size";
    return false;
  }
  for (int y = 0; y < a->getHeight(); ++y)
    for (int x = 0; x < a->getWidth(); ++x)
      if (LICE_GetPixel(a, x, y) != LICE_GetPixel(b, x, y))
      {
        *where = std::to_string(x) + "," + std::to_string(y);
        return false;
      }
  return true;
}

TEST(EditorGolden, SmallEditorAfterMouseSequence)
{
  ASSERT_TRUE(LoadEditorFont(CINDERPATH_FONT_DIR)) << CINDERPATH_FONT_DIR;
  EditorTestPlug plug;
  GoldenEditor* gui = new GoldenEditor(&plug, 120, 60);
  const IColor panel(255, 180, 170, 150);
  gui->AttachPanelBackground(&panel);
  IBitmap knob = gui->LoadIBitmap(7001, "knob.png", 31);
  IBitmap sw = gui->LoadIBitmap(7002, "switch.png", 2);
  gui->AttachControl(new IKnobMultiControl(&plug, 10, 10, kGain, &knob));
  gui->AttachControl(new ISwitchControl(&plug, 60, 20, kSwitch, &sw));
  IText style(12);
  gui->AttachControl(new ICaptionControl(&plug, IRECT(4, 44, 48, 58), kGain, &style, false));
  plug.AttachGraphics(gui);

  IMouseMod left = LeftButton();
  gui->OnMouseDown(26, 26, &left);  // the knob, from 0.3
  for (int y = 24; y >= 10; y -= 2) gui->OnMouseDrag(26, y, &left);
  gui->OnMouseUp(26, 10, &left);
  gui->OnMouseDown(65, 25, &left);  // the switch, on
  gui->OnMouseUp(65, 25, &left);
  IRECT dirty;
  ASSERT_TRUE(gui->IsDirty(&dirty));
  ASSERT_TRUE(gui->Draw(&dirty));
  EXPECT_NEAR(plug.GetParam(kGain)->Value(), 0.3 + 16.0 / 32.0 / 4.0, 1e-3);
  EXPECT_TRUE(plug.GetParam(kSwitch)->Bool());

  const std::string out = std::string(CINDERPATH_BINARY_DIR) + "/editor_golden_actual.png";
  ASSERT_TRUE(gui->WritePNG(out.c_str()));
  if (std::getenv("CINDERPATH_UPDATE_GOLDEN"))
  {
    ASSERT_TRUE(gui->WritePNG(kGoldenPath));
  }
  LICE_IBitmap* golden = LICE_LoadPNG(kGoldenPath);
  ASSERT_NE(golden, nullptr) << kGoldenPath;
  std::string where;
  EXPECT_TRUE(SamePixels(gui->GetDrawBitmap(), golden, &where)) << "first difference at " << where << "; see " << out;
  delete golden;
}
}  // namespace
