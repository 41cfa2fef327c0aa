// The value model and the controls: knob gearing and clamping, switch
// cycling, double-click defaults, dirty and redraw rules, strict drawing,
// text controls and prompts through the responder.
#include <gtest/gtest.h>

#include <algorithm>

#include "IParam.h"
#include "editor_test_plug.h"

using namespace editor_test;

namespace
{
struct ControlRig
{
  EditorTestPlug plug;
  TestEditor* gui = new TestEditor(&plug, 200, 100);
  IBitmap knobStrip, switch2, switch3;
  IKnobMultiControl* knob;
  ISwitchControl* sw;
  ISwitchControl* sw3;
  IMouseMod mod = LeftButton();

  ControlRig()
  {
    gui->AttachPanelBackground(&COLOR_GRAY);
    knobStrip = gui->LoadIBitmap(9091, "knob", 91);
    switch2 = gui->LoadIBitmap(9002, "switch", 2);
    switch3 = gui->LoadIBitmap(9003, "three", 3);
    knob = new IKnobMultiControl(&plug, 10, 10, kGain, &knobStrip);
    sw = new ISwitchControl(&plug, 50, 10, kSwitch, &switch2);
    sw3 = new ISwitchControl(&plug, 70, 10, -1, &switch3);
    gui->AttachControl(knob);
    gui->AttachControl(sw);
    gui->AttachControl(sw3);
    plug.AttachGraphics(gui);
  }
  // Draws every dirty control as the platform's timer would.
  void Frame()
  {
    IRECT r;
    if (gui->IsDirty(&r)) gui->Draw(&r);
  }
};

TEST(EditorControls, KnobDragGearingDirectionAndClamp)
{
  ControlRig r;
  const int h = r.knob->GetRECT()->H();  // 10
  struct Case
  {
    double start;
    int dY;
    bool fine;
    double want;
  } cases[] = {
      {0.95, -h / 2, false, 1.0},             // up half a height at gearing 4 clamps at 1
      {0.5, -h, false, 0.75},                 // a full height is a quarter
      {0.5, h, false, 0.25},                  // dragging down lowers
      {0.5, -h, true, 0.525},                 // Ctrl: ten times finer
      {0.1, 4 * h, false, 0.0},
  };
  for (const Case& c : cases)
  {
    r.gui->OnMouseDown(12, 12, &r.mod);
    r.knob->SetValueFromUserInput(c.start);
    IMouseMod m(true, false, false, c.fine);
    r.gui->OnMouseDrag(12, 12 + c.dY, &m);
    r.gui->OnMouseUp(12, 12 + c.dY, &m);
    EXPECT_NEAR(r.knob->GetValue(), c.want, 1e-12) << c.start << " " << c.dY;
    EXPECT_NEAR(r.plug.GetParam(kGain)->GetNormalized(), c.want, 1e-3);
  }
  EXPECT_EQ(r.plug.mLastInformed, 0.0);
}

TEST(EditorControls, SwitchCyclesThroughItsFrames)
{
  ControlRig r;
  std::vector<double> two, three;
  for (int i = 0; i < 3; ++i)
  {
    r.gui->OnMouseDown(52, 12, &r.mod);
    r.gui->OnMouseUp(52, 12, &r.mod);
    two.push_back(r.sw->GetValue());
    r.gui->OnMouseDown(72, 12, &r.mod);
    r.gui->OnMouseUp(72, 12, &r.mod);
    three.push_back(r.sw3->GetValue());
  }
  EXPECT_EQ(two, (std::vector<double>{1.0, 0.0, 1.0}));
  EXPECT_EQ(three, (std::vector<double>{0.5, 1.0, 0.0}));
  EXPECT_TRUE(r.plug.GetParam(kSwitch)->Bool());
  // Each press of a double click toggles too.
  r.gui->OnMouseDblClick(52, 12, &r.mod);
  EXPECT_EQ(r.sw->GetValue(), 0.0);
}

TEST(EditorControls, DoubleClickReturnsToTheValueAtAttachment)
{
  ControlRig r;
  EXPECT_NEAR(r.knob->GetDefaultValue(), 0.3, 1e-12);
  r.knob->SetValueFromUserInput(0.8);
  r.gui->OnMouseDblClick(12, 12, &r.mod);
  EXPECT_NEAR(r.knob->GetValue(), 0.3, 1e-12);
  EXPECT_NEAR(r.plug.GetParam(kGain)->Value(), 0.3, 1e-12);
  // A control that never had a value from the plug-in has no default.
  EXPECT_LT(r.sw3->GetDefaultValue(), 0.0);
  r.sw3->IControl::OnMouseDblClick(0, 0, &r.mod);
  EXPECT_EQ(r.sw3->GetValue(), 0.0);
}

TEST(EditorControls, DirtyAndRedrawRules)
{
  ControlRig r;
  EXPECT_TRUE(r.knob->IsDirty());  // starts dirty
  r.Frame();
  EXPECT_FALSE(r.knob->IsDirty());

  r.gui->SetParameterFromPlug(kGain, 0.3, true);  // the value already shown
  EXPECT_FALSE(r.knob->IsDirty());
  r.gui->SetParameterFromPlug(kGain, 0.0, false);  // real value 0 -> normalised 0
  EXPECT_EQ(r.knob->GetValue(), 0.0);
  EXPECT_EQ(r.knob->FramesToDraw(), 2);  // a value change draws in two frames
  r.Frame();
  EXPECT_TRUE(r.knob->IsDirty());
  r.Frame();
  EXPECT_FALSE(r.knob->IsDirty());

  r.knob->SetDirty(false);  // a plain SetDirty draws once
  r.Frame();
  EXPECT_FALSE(r.knob->IsDirty());

  // Out-of-range control indices are ignored.
  r.gui->SetControlFromPlug(-1, 1.0);
  r.gui->SetControlFromPlug(99, 1.0);

  // The clamp range applies at the next SetDirty.
  r.gui->ClampControl(kGain, 0.2, 0.6, true);
  r.gui->SetParameterFromPlug(kGain, 0.9, true);
  EXPECT_EQ(r.knob->GetValue(), 0.6);
}

TEST(EditorControls, StrictDrawCleansOnlyWhatItCovered)
{
  ControlRig r;
  r.Frame();
  r.knob->SetDirty(false);
  r.sw->SetDirty(false);
  IRECT knobOnly = *r.knob->GetRECT();
  r.gui->Draw(&knobOnly);  // a repaint of the knob alone
  EXPECT_FALSE(r.knob->IsDirty());
  EXPECT_TRUE(r.sw->IsDirty());  // not lost: drawn by the next frame
  r.Frame();
  EXPECT_FALSE(r.sw->IsDirty());

  // A value stored while a frame is drawn still gets its frames.
  r.gui->SetControlFromPlug(1, 0.9);
  r.knob->SetClean();
  EXPECT_TRUE(r.knob->IsDirty());

  // With no controls nothing is presented.
  EditorTestPlug other;
  TestEditor empty(&other, 10, 10);
  const int before = empty.ScreenPresents();
  IRECT all(0, 0, 10, 10);
  EXPECT_TRUE(empty.Draw(&all));
  EXPECT_EQ(empty.ScreenPresents(), before);
}

TEST(EditorControls, GreyedControlDrawsAtAQuarterWeight)
{
  ControlRig r;
  r.Frame();
  const int x = r.sw->GetRECT()->L + 6, y = r.sw->GetRECT()->T + 1;
  const IColor lit = r.gui->GetPoint(x, y);  // frame 1: grey level 1 over the panel
  r.gui->GrayOutControl(kSwitch, true);
  r.Frame();
  const IColor greyed = r.gui->GetPoint(x, y);
  // 127 (panel) + (1 - 127) * 0.25, as the image engine rounds it.
  EXPECT_EQ(lit.R, 1);
  EXPECT_NEAR(greyed.R, 127 - 126 / 4, 1);
}

TEST(EditorControls, TextControlsAndCaptions)
{
  ControlRig r;
  IText style;
  ITextControl* text = new ITextControl(&r.plug, IRECT(0, 60, 50, 80), &style, "2.0 dB");
  ICaptionControl* caption = new ICaptionControl(&r.plug, IRECT(60, 60, 110, 80), kLevel, &style, true);
  r.gui->AttachControl(text);
  r.gui->AttachControl(caption);
  r.Frame();
  text->SetTextFromPlug("2.0 dB");  // same text: stays clean
  EXPECT_FALSE(text->IsDirty());
  text->SetTextFromPlug("3.0 dB");
  EXPECT_EQ(text->FramesToDraw(), 1);
  char out[16];
  text->GetTextForPlug(out, (int)sizeof(out));
  EXPECT_STREQ(out, "3.0 dB");
  text->GetTextForPlug(out, 3);
  EXPECT_STREQ(out, "3.");

  // A caption prompts only when prompts are enabled; a typed entry sets the
  // parameter through the text-entry path.
  r.gui->QueueTextEntry("-6");
  r.gui->OnMouseDown(70, 70, &r.mod);
  EXPECT_EQ(r.plug.GetParam(kLevel)->Value(), 0.0);
  caption->DisablePrompt(false);
  r.gui->OnMouseDown(70, 70, &r.mod);
  EXPECT_EQ(r.gui->LastTextEntryInitial(), "0.0");
  EXPECT_NEAR(r.plug.GetParam(kLevel)->Value(), -6.0, 1e-9);
  // Entries that are not numbers change nothing.
  r.gui->QueueTextEntry("nan");
  r.gui->OnMouseDown(70, 70, &r.mod);
  EXPECT_NEAR(r.plug.GetParam(kLevel)->Value(), -6.0, 1e-9);
}

TEST(EditorControls, EnumeratedParameterPromptsWithAMenu)
{
  ControlRig r;
  IText style;
  ICaptionControl* mode = new ICaptionControl(&r.plug, IRECT(0, 60, 50, 80), kMode, &style, false);
  mode->DisablePrompt(false);
  r.gui->AttachControl(mode);
  r.gui->QueueMenuChoice(2);
  r.gui->OnMouseDown(5, 65, &r.mod);
  EXPECT_EQ(r.gui->LastMenuLines(), (std::vector<std::string>{"Soft [x]", "Warm", "Hot"}));
  EXPECT_EQ(r.plug.GetParam(kMode)->Int(), 2);
  r.gui->OnMouseDown(5, 65, &r.mod);  // dismissed: nothing changes
  EXPECT_EQ(r.gui->LastMenuLines()[2], "Hot [x]");
  EXPECT_EQ(r.plug.GetParam(kMode)->Int(), 2);
}

TEST(EditorControls, MissingImagesDrawNothing)
{
  ControlRig r;
  IBitmap missing = r.gui->LoadIBitmap(12345, "nowhere.png", 0);
  EXPECT_EQ(missing.mData, nullptr);
  EXPECT_EQ(missing.W, 0);
  EXPECT_EQ(missing.N, 1);  // a frame count <= 0 counts as one
  r.gui->AttachControl(new IBitmapControl(&r.plug, 0, 0, &missing));
  r.gui->SetAllControlsDirty();
  r.Frame();
  // The same ID asked again is tried again (a failure is not cached), and
  // the name of a second load of a cached ID is not used.
  const int loads = r.gui->mLoads;
  r.gui->LoadIBitmap(12345, "nowhere.png");
  EXPECT_EQ(r.gui->mLoads, loads + 1);
  IBitmap again = r.gui->LoadIBitmap(9091, "other name", 91);
  EXPECT_EQ(again.mData, r.knobStrip.mData);
  EXPECT_EQ(r.gui->mLoads, loads + 1);
}

TEST(EditorControls, FontCacheKeys)
{
  ControlRig r;
  IText a(12), b(12), c(13);
  b.mQuality = IText::kQualityAntiAliased;
  b.mColor = COLOR_RED;
  b.mAlign = IText::kAlignFar;
  LICE_IFont* fa = r.gui->CacheFont(&a);
  ASSERT_NE(fa, nullptr);
  EXPECT_EQ(r.gui->CacheFont(&b), fa);
  EXPECT_EQ(b.mCached, fa);
  EXPECT_NE(r.gui->CacheFont(&c), fa);
  c.mCached = nullptr;
  c.mSize = 12;
  c.mStyle = IText::kStyleBold;
  EXPECT_NE(r.gui->CacheFont(&c), fa);

  // Measuring keeps the anchor of the alignment and takes the text's size.
  char str[] = "0.425";
  IRECT centred(0, 10, 100, 30), right(0, 10, 100, 30), empty(1, 2, 3, 4);
  ASSERT_TRUE(r.gui->MeasureIText(&a, str, &centred));
  const int w = centred.W();
  EXPECT_GT(w, 0);
  EXPECT_EQ(centred.L, 50 - w / 2);
  EXPECT_GT(centred.H(), 0);
  a.mAlign = IText::kAlignFar;
  ASSERT_TRUE(r.gui->MeasureIText(&a, str, &right));
  EXPECT_EQ(right, IRECT(100 - w, 10, 100, centred.B));
  char none[] = "";
  EXPECT_TRUE(r.gui->MeasureIText(&a, none, &empty));  // nothing to measure: unchanged
  EXPECT_EQ(empty, IRECT(1, 2, 3, 4));
}

// Text is drawn by the style's cached font (with the platform font it owns);
// a translucent colour blends with what lies beneath instead of covering it.
TEST(EditorControls, TextColourAlphaBlends)
{
  ControlRig r;
  LICE_IBitmap* bm = r.gui->GetDrawBitmap();
  auto darkest = [&](unsigned char alpha) {
    LICE_FillRect(bm, 0, 0, 100, 40, LICE_RGBA(255, 255, 255, 255), 1.0f, LICE_MODE_COPY);
    IText text(14, &COLOR_BLACK);
    text.mColor.A = alpha;
    char str[] = "MMM";
    IRECT box(0, 0, 100, 40);
    EXPECT_TRUE(r.gui->DrawIText(&text, str, &box));
    EXPECT_NE(text.mCached, nullptr);
    int least = 255;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 100; ++x) least = std::min(least, (int)LICE_GETR(LICE_GetPixel(bm, x, y)));
    return least;
  };
  EXPECT_LT(darkest(255), 40);
  const int half = darkest(128);
  EXPECT_GT(half, 100);
  EXPECT_LT(half, 160);
  EXPECT_EQ(darkest(0), 255);
}
// A text set by the plug-in while a frame is being drawn (after the frame
// copied the old text, before it cleaned the control) reaches a later frame.
TEST(EditorControls, TextChangedDuringAFrameIsDrawnLater)
{
  ControlRig r;
  IText style;
  ITextControl* text = new ITextControl(&r.plug, IRECT(0, 60, 50, 80), &style, "1.0 dB");
  r.gui->AttachControl(text);
  r.Frame();
  text->SetTextFromPlug("2.0 dB");
  IRECT area;
  ASSERT_TRUE(r.gui->IsDirty(&area));
  text->Draw(r.gui);                 // the frame copies "2.0 dB" ...
  text->SetTextFromPlug("3.0 dB");  // ... the host changes it meanwhile ...
  text->SetClean();                  // ... and the frame ends
  EXPECT_TRUE(text->IsDirty());
  r.Frame();
  EXPECT_FALSE(text->IsDirty());  // drawn once more, then clean
  // A hidden text control, cleaned without being drawn, does not stay dirty.
  text->Hide(true);
  text->SetTextFromPlug("4.0 dB");
  r.Frame();
  r.Frame();
  EXPECT_FALSE(text->IsDirty());
}
}  // namespace
