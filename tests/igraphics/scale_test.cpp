// The editor's scale: where it comes from, which texts are scales, and an
// editor at scale 1.5 and 2: its size, its frames drawn at the scale's size,
// clicks and drags at the drawn places in device pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "IGraphicsScale.h"
#include "editor_test_plug.h"

using namespace editor_test;

namespace
{

TEST(EditorScale, SourcesInOrderEnvironmentHostScreenDefault)
{
  const struct
  {
    const char* env;  // null: unset
    double host;      // <= 0: the host gives none
    double dpi;       // <= 0: the screen gives none
    double want;
    bool warns;
  } cases[] = {
      {"2", 1.5, 96, 2.0, false},      // the user's variable beats the host and the screen
      {"1", 2.0, 192, 1.0, false},     // also when it asks for 1
      {nullptr, 1.5, 192, 1.5, false}, // the host beats the screen
      {"", 2.0, 96, 2.0, false},       // an empty variable is unset
      {nullptr, 0.0, 192, 2.0, false}, // the screen
      {nullptr, 0.0, 144, 1.5, false},
      {nullptr, 0.0, 288, 3.0, false},
      {nullptr, 0.0, 96, 1.0, false},
      {nullptr, 0.0, 120, 1.0, false}, // 1.25: ties go to the smaller scale
      {nullptr, 0.0, 170, 2.0, false}, // 1.77: nearest
      {nullptr, 0.0, 600, 3.0, false}, // beyond the largest
      {nullptr, 1.1, 0.0, 1.0, false}, // a host's factor is rounded too
      {nullptr, 2.4, 0.0, 2.0, false},
      {nullptr, 0.0, 0.0, 1.0, false}, // nothing known
      {"7", 0.0, 192, 2.0, true},      // an invalid variable is reported and skipped
      {"abc", 1.5, 0.0, 1.5, true},
      {"0", 0.0, 0.0, 1.0, true},
  };
  for (const auto& c : cases)
  {
    char warning[256] = "untouched";
    EXPECT_EQ(ChooseEditorScale(c.env, c.host, c.dpi, warning, (int)sizeof(warning)), c.want)
        << (c.env ? c.env : "(unset)") << " " << c.host << " " << c.dpi;
    EXPECT_EQ(*warning != 0, c.warns) << warning;
    if (c.warns)
    {
      EXPECT_NE(std::strstr(warning, kEditorScaleEnvVar), nullptr) << warning;
    }
  }
}

TEST(EditorScale, OnlyTheSupportedScalesAreRead)
{
  for (const char* good : {"1", "1.5", "2", "2.0", "3"})
  {
    double scale = 0.0;
    EXPECT_TRUE(ParseEditorScale(good, &scale)) << good;
    EXPECT_EQ(scale, std::stod(good));
  }
  for (const char* bad : {"0", "-1", "abc", "7", "", "2x", "2 x", "1.25", "nan", "inf", "-2", "1e400"})
  {
    double scale = 42.0;
    char why[160] = "";
    EXPECT_FALSE(ParseEditorScale(bad, &scale, why, (int)sizeof(why))) << bad;
    EXPECT_EQ(scale, 42.0) << bad;
    EXPECT_NE(std::strstr(why, "1, 1.5, 2 or 3"), nullptr) << bad << ": " << why;
  }
  EXPECT_FALSE(ParseEditorScale(nullptr, nullptr));
}

// An editor of 200 x 100 logical pixels with a knob of 91 frames at (10, 10)
// and a switch at (50, 10), both 8 x 10 at scale 1.
struct ScaledRig
{
  EditorTestPlug plug;
  TestEditor* gui = new TestEditor(&plug, 200, 100);
  IKnobMultiControl* knob;
  ISwitchControl* sw;
  IMouseMod mod = LeftButton();

  explicit ScaledRig(double scale)
  {
    gui->AttachPanelBackground(&COLOR_BLACK);
    IBitmap knobStrip = gui->LoadIBitmap(9091, "knob.png", 91);
    IBitmap switchStrip = gui->LoadIBitmap(9002, "switch.png", 2);
    knob = new IKnobMultiControl(&plug, 10, 10, kGain, &knobStrip);
    sw = new ISwitchControl(&plug, 50, 10, kSwitch, &switchStrip);
    gui->AttachControl(knob);
    gui->AttachControl(sw);
    plug.AttachGraphics(gui);
    EXPECT_TRUE(gui->SetScale(scale));
  }
  void DrawAll()
  {
    IRECT all(0, 0, gui->Width(), gui->Height());
    gui->SetAllControlsDirty();
    gui->Draw(&all);
  }
};

TEST(EditorScale, EditorSizeAndRefusedScales)
{
  const struct
  {
    double scale;
    int w, h;
  } cases[] = {{1.0, 200, 100}, {1.5, 300, 150}, {2.0, 400, 200}, {3.0, 600, 300}};
  for (const auto& c : cases)
  {
    ScaledRig r(c.scale);
    EXPECT_EQ(r.gui->Width(), c.w);
    EXPECT_EQ(r.gui->Height(), c.h);
    EXPECT_EQ(r.gui->LogicalWidth(), 200);
    ASSERT_NE(r.gui->GetDrawBitmap(), nullptr);
    EXPECT_EQ(r.gui->GetDrawBitmap()->getWidth(), c.w);
    EXPECT_EQ(r.gui->GetDrawBitmap()->getHeight(), c.h);
    EXPECT_TRUE(r.gui->ScaleChosen());
    for (double bad : {0.0, -1.0, 7.0, 1.25})
    {
      EXPECT_FALSE(r.gui->SetScale(bad)) << bad;
      EXPECT_EQ(r.gui->Scale(), c.scale);
      EXPECT_EQ(r.gui->Width(), c.w);
    }
  }
}

// At scale 2 the switch at logical (50, 10)-(58, 20) covers device pixels
// (100, 20)-(116, 40): a click there toggles it; a click at its scale-1
// place, now empty panel, does not.
TEST(EditorScale, ClicksAndDragsAtTheDrawnPlaces)
{
  ScaledRig r(2.0);
  r.DrawAll();
  // Each frame of the strip is filled with its own grey level: the switch
  // shows frame 1 (grey 1) over its whole scaled area, the panel around it.
  EXPECT_EQ(r.gui->GetPoint(100, 20).R, 1);
  EXPECT_EQ(r.gui->GetPoint(115, 20).R, 1);
  EXPECT_EQ(r.gui->GetPoint(116, 20).R, 0);
  EXPECT_EQ(r.gui->GetPoint(99, 20).R, 0);
  const struct
  {
    int x, y;
    bool toggles;
  } clicks[] = {{115, 39, true}, {100, 20, true}, {55, 15, false}, {116, 30, false}};
  for (const auto& c : clicks)
  {
    const bool before = r.plug.GetParam(kSwitch)->Bool();
    r.gui->OnMouseDown(c.x, c.y, &r.mod);
    r.gui->OnMouseUp(c.x, c.y, &r.mod);
    EXPECT_EQ(r.plug.GetParam(kSwitch)->Bool() != before, c.toggles) << c.x << "," << c.y;
  }
  // A drag over the knob's drawn height (20 device pixels, 10 logical) turns
  // it by a quarter at gearing 4, as 10 pixels do at scale 1.
  r.gui->OnMouseDown(24, 30, &r.mod);
  r.knob->SetValueFromUserInput(0.5);
  r.gui->OnMouseDrag(24, 20, &r.mod);
  r.gui->OnMouseDrag(24, 10, &r.mod);
  r.gui->OnMouseUp(24, 10, &r.mod);
  EXPECT_NEAR(r.knob->GetValue(), 0.75, 1e-12);
}

// Scale 1.5 rounds each frame's size on its own (8 x 10 -> 12 x 15): every
// frame of the strip sits at a multiple of the rounded frame height, so the
// drawn frame shows no row of its neighbour.
TEST(EditorScale, FramesKeepTheirRoundedSize)
{
  ScaledRig r(1.5);
  for (double v : {0.0, 0.5, 1.0})
  {
    r.knob->SetValueFromUserInput(v);
    r.DrawAll();
    const int frame = FrameOfValue(IBitmap(nullptr, 8, 910, 91), v);
    // The knob is at logical (10, 10): device (15, 15) to (27, 30).
    for (int y : {15, 29}) EXPECT_EQ(r.gui->GetPoint(26, y).R, frame) << v << " row " << y;
    EXPECT_EQ(r.gui->GetPoint(26, 30).R, 0) << v;
  }
  EXPECT_EQ(r.gui->ImageBytes(), (size_t)(12 * 15 * 91 + 12 * 15 * 2) * 4 + 0u);
}

// A bitmap made in memory (cropped from a strip) has no file for the scale:
// it is resampled, once per scale, and drawn at its scaled place and size.
TEST(EditorScale, BitmapsMadeInMemoryAreResampled)
{
  ScaledRig r(2.0);
  IBitmap strip = r.gui->LoadIBitmap(9091, "knob.png", 91);
  IRECT firstFrame(0, 0, 8, 10);
  IBitmap crop = r.gui->CropBitmap(&strip, &firstFrame);
  crop.N = 1;  // one frame of its own
  r.gui->AttachControl(new IBitmapControl(&r.plug, 100, 50, &crop));
  for (double scale : {2.0, 3.0})
  {
    ASSERT_TRUE(r.gui->SetScale(scale));
    r.DrawAll();
    const int l = (int)(100 * scale), t = (int)(50 * scale), w = (int)(8 * scale), h = (int)(10 * scale);
    EXPECT_EQ(r.gui->GetPoint(l + w - 1, t).R, 1) << scale;
    EXPECT_EQ(r.gui->GetPoint(l + w - 1, t + h - 1).R, 1) << scale;
    EXPECT_EQ(r.gui->GetPoint(l + w, t).R, 0) << scale;
    EXPECT_EQ(r.gui->GetPoint(l + w - 1, t + h).R, 0) << scale;
  }
}

}  // namespace
