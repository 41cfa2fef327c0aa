// The effect's editor as the plug-in builds it: control order, rectangles,
// parameters, the plug-in's kept indices, the mouse path of a switch, and the
// whole panel compared with committed PNGs (editor_regions.h says what to do
// when this machine's fonts differ).
#include <gtest/gtest.h>

#include <CoreFoundation/CoreFoundation.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include <string>

#include "IControl.h"
#include "IGraphicsHeadless.h"
#include "lice.h"
#include "editor_regions.h"
#include "effect_test_util.h"

namespace
{

// Registers the built component bundle so that the editor finds its images
// by the bundle identifier, as in a host.
void OpenBuiltBundle()
{
  static CFBundleRef bundle = [] {
    const std::string dir = std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component";
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault, (const UInt8*)dir.c_str(),
                                                           (CFIndex)dir.size(), true);
    CFBundleRef b = CFBundleCreate(kCFAllocatorDefault, url);
    CFRelease(url);
    return b;
  }();
  ASSERT_NE(bundle, nullptr);
}

class LayoutPlug : public effect_test::TestPlug
{
public:
  // What the host hears from the editor, in order.
  void BeginInformHostOfParamChange(int idx) override { mGestures.push_back("grab " + std::to_string(idx)); }
  void InformHostOfParamChange(int idx, double) override { mGestures.push_back("write " + std::to_string(idx)); }
  void EndInformHostOfParamChange(int idx) override { mGestures.push_back("release " + std::to_string(idx)); }
  std::vector<std::string> mGestures;
  using Cinderpath::mClipControl;
  using Cinderpath::mCutoffCaption;
  using Cinderpath::mDriveText;
  using Cinderpath::mFactorCaption;
  using Cinderpath::mPeakGainText;
  using Cinderpath::mShelfGainText;
  using Cinderpath::mVolumeText;
};

std::string TextOf(IControl* control)
{
  char buf[128] = {};
  static_cast<ITextControl*>(control)->GetTextForPlug(buf, sizeof(buf));
  return buf;
}

TEST(Layout, ControlsInOrderWithRectanglesAndParameters)
{
  OpenBuiltBundle();
  LayoutPlug p;
  IGraphics* gui = p.GetGUI();
  ASSERT_NE(gui, nullptr);
  EXPECT_EQ(gui->Width(), 780);
  EXPECT_EQ(gui->Height(), 200);
  ASSERT_EQ(gui->NControls(), 39);
  const struct
  {
    int L, T, R, B, param;
  } table[] = {
    {0, 0, 780, 200, -1},
    {40, 45, 80, 85, kHPFreq},       {90, 45, 130, 85, kPeakFreq},     {140, 45, 180, 85, kShelfFreq},
    {190, 45, 230, 85, kCutoff},     {90, 115, 130, 155, kPeakGain},   {140, 115, 180, 155, kShelfGain},
    {190, 115, 230, 155, kResonance}, {550, 115, 590, 155, kOutHPFreq}, {600, 115, 640, 155, kLPFreq},
    {650, 115, 690, 155, kOS},       {265, 80, 335, 150, kBias},       {355, 80, 425, 150, kDrive},
    {445, 80, 515, 150, kVolume},    {40, 90, 80, 110, kHPOn},         {90, 90, 130, 110, kPeakOn},
    {140, 90, 180, 110, kShelfOn},   {190, 90, 230, 110, kLPOn},       {325, 55, 365, 75, kBoost},
    {550, 50, 590, 70, kBypass},     {615, 50, 655, 70, kMono},        {680, 50, 720, 70, kPhase},
    {700, 90, 740, 110, kQuality},   {415, 55, 435, 75, -1},           {40, 20, 80, 40, kHPFreq},
    {90, 20, 130, 40, kPeakFreq},    {140, 20, 180, 40, kShelfFreq},   {190, 20, 230, 40, kCutoff},
    {190, 160, 230, 180, kResonance}, {280, 55, 320, 75, kBias},       {370, 55, 410, 75, -1},
    {460, 55, 500, 75, -1},          {90, 160, 130, 180, -1},          {140, 160, 180, 180, -1},
    {550, 90, 590, 110, kOutHPFreq}, {600, 90, 640, 110, kLPFreq},     {650, 90, 690, 110, kOS},
    {330, 12, 450, 32, -1},          {693, 18, 733, 38, -1},
  };
  static_assert(sizeof(table) / sizeof(table[0]) == 39, "one row per control");
  for (int i = 0; i < 39; ++i)
  {
    IControl* c = gui->GetControl(i);
    const IRECT* r = c->GetRECT();
    EXPECT_EQ(r->L, table[i].L) << "control " << i;
    EXPECT_EQ(r->T, table[i].T) << "control " << i;
    EXPECT_EQ(r->R, table[i].R) << "control " << i;
    EXPECT_EQ(r->B, table[i].B) << "control " << i;
    EXPECT_EQ(c->ParamIdx(), table[i].param) << "control " << i;
  }
  EXPECT_EQ(p.mClipControl, 23);
  EXPECT_EQ((int)p.mCutoffCaption, 27);
  EXPECT_EQ((int)p.mFactorCaption, 36);
  EXPECT_EQ(p.mDriveText, gui->GetControl(30));
  EXPECT_EQ(p.mVolumeText, gui->GetControl(31));
  EXPECT_EQ(p.mPeakGainText, gui->GetControl(32));
  EXPECT_EQ(p.mShelfGainText, gui->GetControl(33));
  EXPECT_STREQ(gui->GetControl(36)->GetText()->mFont, "Monaco");
  EXPECT_EQ(gui->GetControl(36)->GetText()->mSize, 14);
}

TEST(Layout, TextsShowValuesAndTheVersion)
{
  OpenBuiltBundle();
  LayoutPlug p;
  IGraphics* gui = p.GetGUI();
  ASSERT_NE(gui, nullptr);
  IRECT all(0, 0, 780, 200);
  gui->Draw(&all);
  EXPECT_EQ(TextOf(gui->GetControl(36)), "4 x");   // OS caption with its label
  EXPECT_EQ(TextOf(gui->GetControl(27)), "20.00");  // Cutoff caption without one
  EXPECT_EQ(TextOf(gui->GetControl(30)), "2.00");   // Drive
  EXPECT_EQ(TextOf(gui->GetControl(38)), "v.1.22");
  p.SetParam(kOS, 8);
  gui->Draw(&all);
  EXPECT_EQ(TextOf(gui->GetControl(36)), "8 x");
  p.SetParam(kOS, 1);
  gui->Draw(&all);
  EXPECT_EQ(TextOf(gui->GetControl(36)), "1 x");
}

TEST(Layout, BypassSwitchTogglesAndTheClipLightTakesNoInput)
{
  OpenBuiltBundle();
  LayoutPlug p;
  IGraphics* gui = p.GetGUI();
  ASSERT_NE(gui, nullptr);
  IMouseMod left(true);
  for (bool expected : {true, false})
  {
    gui->OnMouseDown(570, 60, &left);
    gui->OnMouseUp(570, 60, &left);
    EXPECT_EQ(p.GetParam(kBypass)->Bool(), expected);
  }
  // The clip light has no parameter: a click changes no parameter.
  double before[kNumParams];
  for (int i = 0; i < kNumParams; ++i) before[i] = p.GetParam(i)->Value();
  gui->OnMouseDown(425, 65, &left);
  gui->OnMouseUp(425, 65, &left);
  for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(p.GetParam(i)->Value(), before[i]) << i;
  // Nor do wheel notches or a double click: it shows what the plug-in set.
  IControl* clip = gui->GetControl(p.mClipControl);
  for (int i = 0; i < 50; ++i) gui->OnMouseWheel(425, 65, &left, 1);
  EXPECT_EQ(clip->GetValue(), 0.0);
  gui->SetControlFromPlug(p.mClipControl, 1.0);
  gui->OnMouseDblClick(425, 65, &left);
  gui->OnMouseUp(425, 65, &left);
  EXPECT_EQ(clip->GetValue(), 1.0);
}

// At scale 2 the Bypass switch is found where it is drawn (the pixels that
// change when Bypass turns on), and a click in the middle of them toggles it,
// while a click just beside them does not.
TEST(Layout, AtScaleTwoBypassTogglesAtItsDrawnPlace)
{
  OpenBuiltBundle();
  LayoutPlug p;
  IGraphics* gui = p.GetGUI();
  ASSERT_NE(gui, nullptr);
  ASSERT_TRUE(gui->SetScale(2.0));
  ASSERT_EQ(gui->Width(), 1560);
  ASSERT_EQ(gui->Height(), 400);
  auto drawAll = [&] {
    IRECT all(0, 0, gui->Width(), gui->Height());
    gui->SetAllControlsDirty();
    gui->Draw(&all);
    return editor_regions::Pixels(gui);
  };
  const std::vector<LICE_pixel> off = drawAll();
  gui->SetParameterFromPlug(kBypass, 1.0, true);
  const std::vector<LICE_pixel> on = drawAll();
  gui->SetParameterFromPlug(kBypass, 0.0, true);
  int l = gui->Width(), t = gui->Height(), r = -1, b = -1;
  for (int y = 0; y < gui->Height(); ++y)
    for (int x = 0; x < gui->Width(); ++x)
      if (off[(size_t)y * gui->Width() + x] != on[(size_t)y * gui->Width() + x])
      {
        l = std::min(l, x);
        t = std::min(t, y);
        r = std::max(r, x);
        b = std::max(b, y);
      }
  ASSERT_GE(r, l) << "Bypass draws nothing different when on";
  // The drawn switch is the scale-1 switch (550, 50)-(590, 70) doubled, give
  // or take the image's soft edge.
  EXPECT_NEAR(l, 1100, 6);
  EXPECT_NEAR(t, 100, 6);
  EXPECT_NEAR(r, 1179, 6);
  EXPECT_NEAR(b, 139, 6);
  IMouseMod left(true);
  const int cx = (l + r) / 2, cy = (t + b) / 2;
  for (bool expected : {true, false})
  {
    gui->OnMouseDown(cx, cy, &left);
    gui->OnMouseUp(cx, cy, &left);
    EXPECT_EQ(p.GetParam(kBypass)->Bool(), expected);
  }
  for (int x : {l - 8, r + 8})
  {
    gui->OnMouseDown(x, cy, &left);
    gui->OnMouseUp(x, cy, &left);
    EXPECT_FALSE(p.GetParam(kBypass)->Bool()) << x;
  }
}

// With one output the Mono switch is drawn faded and takes no clicks, wheel
// notches or double clicks; two outputs (or an unknown count) restore it.
TEST(Layout, MonoSwitchIsGreyedWithOneChannel)
{
  OpenBuiltBundle();
  LayoutPlug p;
  IGraphics* gui = p.GetGUI();
  ASSERT_NE(gui, nullptr);
  IControl* mono = gui->GetControl(20);
  ASSERT_EQ(mono->ParamIdx(), kMono);
  IMouseMod left(true);
  const struct
  {
    int nIn, nOut;
    bool grey;
  } layouts[] = {{1, 1, true}, {2, 2, false}, {1, 1, true}, {-1, -1, false}};
  for (const auto& layout : layouts)
  {
    p.OnChannelLayout(layout.nIn, layout.nOut);
    EXPECT_EQ(mono->IsGrayed(), layout.grey) << layout.nOut;
    EXPECT_EQ(gui->GetControl(21)->IsGrayed(), false);  // Phase stays live
    p.SetParam(kMono, 0);
    gui->SetParameterFromPlug(kMono, 0.0, true);
    gui->OnMouseDown(635, 60, &left);
    gui->OnMouseUp(635, 60, &left);
    EXPECT_EQ(p.GetParam(kMono)->Bool(), !layout.grey) << layout.nOut;
    if (!layout.grey) continue;
    gui->OnMouseWheel(635, 60, &left, 1);
    gui->OnMouseDblClick(635, 60, &left);
    gui->OnMouseUp(635, 60, &left);
    EXPECT_FALSE(p.GetParam(kMono)->Bool()) << "a greyed switch took input";
  }
  // The faded switch differs from the live one in its own rectangle only.
  p.OnChannelLayout(2, 2);
  IRECT all(0, 0, 780, 200);
  gui->Draw(&all);
  const std::vector<LICE_pixel> live = editor_regions::Pixels(gui);
  p.OnChannelLayout(1, 1);
  gui->Draw(&all);
  const std::vector<LICE_pixel> grey = editor_regions::Pixels(gui);
  ASSERT_EQ(live.size(), grey.size());
  int changed = 0, outside = 0;
  for (size_t i = 0; i < live.size(); ++i)
  {
    if (live[i] == grey[i]) continue;
    ++changed;
    const int x = (int)(i % 780), y = (int)(i / 780);
    if (x < 615 || x >= 655 || y < 50 || y >= 70) ++outside;
  }
  EXPECT_GT(changed, 0);
  EXPECT_EQ(outside, 0);
}

// A click on a caption or a value text opens the text entry over it; what a
// person types reaches the parameter as one gesture, anything unreadable or
// out of range (or no entry: Escape) changes nothing.
TEST(Layout, TypedValuesInCaptionsAndValueTexts)
{
  OpenBuiltBundle();
  const struct
  {
    int x, y;       // a point of the caption or value text
    int param;
    const char* typed;
    double want;    // real value after the entry; NAN: unchanged
  } table[] = {
    {60, 30, kHPFreq, "120", 120.0},        {60, 30, kHPFreq, "120 Hz", 120.0},
    {60, 30, kHPFreq, "0.2k", 200.0},       {60, 30, kHPFreq, "abc", NAN},
    {60, 30, kHPFreq, "120 dB", NAN},       {60, 30, kHPFreq, "5000", NAN},
    {60, 30, kHPFreq, "", NAN},             {60, 30, kHPFreq, nullptr, NAN},  // Escape: no entry
    {110, 30, kPeakFreq, "1.2k", 1.2},      {110, 30, kPeakFreq, "410Hz", 0.41},
    {670, 100, kOS, "8x", 8.0},             {670, 100, kOS, "nan", NAN},
    {390, 65, kDrive, "-3 dB", -3.0},       {480, 65, kVolume, "6", 6.0},
    {110, 170, kPeakGain, "-4.5dB", -4.5},  {160, 170, kShelfGain, "3", 3.0},
    {160, 170, kShelfGain, "99", NAN},      {480, 65, kVolume, "loud", NAN},
  };
  IMouseMod left(true);
  for (const auto& row : table)
  {
    LayoutPlug p;
    IGraphicsHeadless* gui = dynamic_cast<IGraphicsHeadless*>(p.GetGUI());
    ASSERT_NE(gui, nullptr);
    const double before = p.GetParam(row.param)->Value();
    if (row.typed) gui->QueueTextEntry(row.typed);
    p.mGestures.clear();
    gui->OnMouseDown(row.x, row.y, &left);
    gui->OnMouseUp(row.x, row.y, &left);
    const double want = std::isnan(row.want) ? before : row.want;
    EXPECT_NEAR(p.GetParam(row.param)->Value(), want, 1e-9) << row.param << " '" << (row.typed ? row.typed : "") << "'";
    // The press on a caption grabs its parameter and the release lets go;
    // a typed value is written in between, a refused one never.
    size_t writes = 0;
    for (const std::string& g : p.mGestures) writes += g.compare(0, 6, "write ") == 0;
    EXPECT_EQ(writes, std::isnan(row.want) ? 0u : 1u) << row.typed;
    if (!std::isnan(row.want)) {
      EXPECT_EQ(p.mGestures, (std::vector<std::string>{"grab " + std::to_string(row.param),
                                                       "write " + std::to_string(row.param),
                                                       "release " + std::to_string(row.param)}))
          << row.typed;
    }
  }
}

// Copies the editor's pixels after a full redraw.
std::vector<LICE_pixel> DrawAll(IGraphics* gui)
{
  IRECT all(0, 0, 780, 200);
  gui->Draw(&all);
  return editor_regions::Pixels(gui);
}

// Each parameter, moved away from its default through the plug-in, changes
// the controls linked to it (and its value text) and no other pixel.
TEST(Layout, EachParameterReachesOnlyItsControls)
{
  OpenBuiltBundle();
  for (int param = 0; param < kNumParams; ++param)
  {
    LayoutPlug p;
    IGraphics* gui = p.GetGUI();
    ASSERT_NE(gui, nullptr);
    const std::vector<LICE_pixel> before = DrawAll(gui);
    const double target = p.GetParam(param)->GetNormalized() < 0.5 ? 1.0 : 0.0;
    p.GetParam(param)->SetNormalized(target);
    p.OnParamChange(param);
    gui->SetParameterFromPlug(param, target, true);
    editor_regions::ExpectOnlyItsControlsChange(gui, param, before, DrawAll(gui));
  }
}

// Draws the whole editor and compares it with the golden PNG name.
void ExpectPanelMatches(IGraphics* gui, const char* name)
{
  IRECT all(0, 0, 780, 200);
  ASSERT_TRUE(gui->Draw(&all));
  editor_regions::ExpectMatchesGolden(gui, name);
}

TEST(Layout, PanelAtDefaultsMatchesGolden)
{
  OpenBuiltBundle();
  LayoutPlug p;
  ASSERT_NE(p.GetGUI(), nullptr);
  ExpectPanelMatches(p.GetGUI(), "cinderpath_defaults.png");
}

// Knobs at non-default frames, switches on, texts changed, the clip light lit.
TEST(Layout, PanelAtOtherSettingsMatchesGolden)
{
  OpenBuiltBundle();
  LayoutPlug p;
  IGraphics* gui = p.GetGUI();
  ASSERT_NE(gui, nullptr);
  const struct
  {
    int idx;
    double value;
  } sets[] = {{kDrive, 9.5}, {kBoost, 12}, {kBias, 7.25}, {kVolume, -6}, {kCutoff, 4.5},  {kResonance, 0.6},
              {kLPOn, 1},    {kPeakOn, 1}, {kPeakGain, 6}, {kOS, 8},     {kBypass, 1},    {kPhase, 1}};
  for (const auto& s : sets)
  {
    p.SetParam(s.idx, s.value);
    gui->SetParameterFromPlug(s.idx, p.GetParam(s.idx)->GetNormalized(), true);
  }
  gui->SetControlFromPlug(p.mClipControl, 1.0);
  ExpectPanelMatches(gui, "cinderpath_settings.png");
}

}  // namespace

// One wheel notch over a caption moves its parameter exactly as a notch over
// its knob does, from the same setting; the captions show the values.
TEST(Layout, WheelOverACaptionMovesItsParameterAsOverItsKnob)
{
  OpenBuiltBundle();
  const struct
  {
    int param;
    double start;   // real value before the notch
    int knobX, knobY, captionX, captionY;
  } table[] = {
    {kHPFreq, 17.9, 60, 65, 60, 30},   {kOS, 4.0, 670, 135, 670, 100}, {kBias, 5.1, 300, 115, 300, 65},
    {kOutHPFreq, 5.5, 570, 135, 570, 100}, {kCutoff, 10.0, 210, 65, 210, 30}, {kOS, 1.0, 670, 135, 670, 100},
  };
  IMouseMod none;
  for (const auto& row : table)
  {
    double after[2];
    for (int over = 0; over < 2; ++over)
    {
      LayoutPlug p;
      IGraphics* gui = p.GetGUI();
      ASSERT_NE(gui, nullptr);
      // As the Audio Unit binding sets it: the editor, then the plug-in.
      gui->SetParameterFromPlug(row.param, row.start, false);
      p.SetParam(row.param, row.start);
      if (over == 0)
        gui->OnMouseWheel(row.knobX, row.knobY, &none, 1);
      else
        gui->OnMouseWheel(row.captionX, row.captionY, &none, 1);
      after[over] = p.GetParam(row.param)->Value();
    }
    EXPECT_EQ(after[1], after[0]) << "parameter " << row.param << " from " << row.start;
  }

}

// The title link opens the manual page shipped in the bundle's resources,
// which lists every parameter with its unit and range.
TEST(Layout, TitleLinkOpensTheManualInTheBundle)
{
  OpenBuiltBundle();
  LayoutPlug p;
  IGraphicsHeadless* gui = dynamic_cast<IGraphicsHeadless*>(p.GetGUI());
  ASSERT_NE(gui, nullptr);
  IMouseMod left(true);
  gui->OnMouseDown(390, 20, &left);
  gui->OnMouseUp(390, 20, &left);
  ASSERT_EQ(gui->OpenedURLs().size(), 1u);
  const std::string url = gui->OpenedURLs()[0];
  ASSERT_EQ(url.compare(0, 8, "file:///"), 0) << url;
  std::string path;
  for (size_t i = 7; i < url.size(); ++i)
  {
    if (url[i] == '%' && i + 2 < url.size())
    {
      path += (char)std::strtol(url.substr(i + 1, 2).c_str(), nullptr, 16);
      i += 2;
    }
    else
      path += url[i];
  }
  const std::string expected = std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component/Contents/Resources/Cinderpath.html";
  EXPECT_EQ(path, expected);
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::string page;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof(buf), f)) > 0;) page.append(buf, n);
  std::fclose(f);
  for (int i = 0; i < kNumParams; ++i)
  {
    IParam* param = p.GetParam(i);
    const std::string row = std::string("<tr><td>") + param->GetNameForHost() + "</td><td>" +
                            param->GetLabelForHost() + "</td>";
    EXPECT_NE(page.find(row), std::string::npos) << row;
  }
}
