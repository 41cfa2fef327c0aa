// Mouse and key dispatch: capture, drag deltas, double-click order, hit test
// with hidden and greyed controls, mouse-over and the key catcher.
#include <gtest/gtest.h>

#include "editor_test_plug.h"

using namespace editor_test;

namespace
{
struct DispatchRig
{
  EditorTestPlug plug;
  TestEditor* gui = new TestEditor(&plug, 100, 100);
  LoggingControl* bg = new LoggingControl(&plug, IRECT(0, 0, 100, 100), -1, "bg");
  LoggingControl* a = new LoggingControl(&plug, IRECT(10, 10, 30, 30), kGain, "a");
  LoggingControl* b = new LoggingControl(&plug, IRECT(20, 20, 40, 40), -1, "b");  // over a's corner
  IMouseMod mod = LeftButton();

  DispatchRig()
  {
    gui->AttachControl(bg);
    gui->AttachControl(a);
    gui->AttachControl(b);
    plug.AttachGraphics(gui);
    plug.mLog.clear();
  }
};

TEST(EditorDispatch, CaptureKeepsEventsOnThePressedControl)
{
  DispatchRig r;
  EXPECT_EQ(r.gui->GetMouseControlIdx(25, 25), 2);  // topmost first
  r.gui->OnMouseDown(12, 12, &r.mod);
  r.gui->OnMouseDrag(12, 12, &r.mod);  // unchanged position: nothing
  r.gui->OnMouseDrag(90, 5, &r.mod);   // left the control, still captured
  r.gui->OnMouseWheel(90, 5, &r.mod, 1);
  r.gui->OnMouseUp(90, 5, &r.mod);
  r.gui->OnMouseWheel(90, 5, &r.mod, 1);  // released: goes by position
  const std::vector<std::string> want = {"a down", "begin 0", "a drag 78,-7", "a wheel", "a up", "end 0",
                                         "bg wheel"};
  EXPECT_EQ(r.plug.mLog, want);
  r.gui->OnMouseDrag(50, 50, &r.mod);  // no capture: nothing
  EXPECT_EQ(r.plug.mLog.size(), want.size());
}

TEST(EditorDispatch, DoubleClickOrder)
{
  DispatchRig r;
  // The platform sends press, release, double click, release.
  r.gui->OnMouseDown(12, 12, &r.mod);
  r.gui->OnMouseUp(12, 12, &r.mod);
  EXPECT_FALSE(r.gui->OnMouseDblClick(12, 12, &r.mod));
  r.gui->OnMouseUp(12, 12, &r.mod);
  const std::vector<std::string> want = {"a down", "begin 0", "a up", "end 0", "a dbl", "a up", "end 0"};
  EXPECT_EQ(r.plug.mLog, want);

  // As a press: captured, no begin-of-gesture.
  r.plug.mLog.clear();
  r.a->SetDblAsSingleClick(true);
  EXPECT_TRUE(r.gui->OnMouseDblClick(12, 12, &r.mod));
  r.gui->OnMouseDrag(14, 12, &r.mod);
  const std::vector<std::string> want2 = {"a down", "a drag 2,0"};
  EXPECT_EQ(r.plug.mLog, want2);
}

TEST(EditorDispatch, HiddenAndGreyedControls)
{
  DispatchRig r;
  r.b->Hide(true);
  EXPECT_EQ(r.gui->GetMouseControlIdx(25, 25), 1);
  r.a->GrayOut(true);
  EXPECT_EQ(r.gui->GetMouseControlIdx(25, 25), 0);
  EXPECT_EQ(r.a->GetBlend()->mWeight, 0.25f);
  r.gui->HandleMouseOver(true);
  EXPECT_TRUE(r.gui->OnMouseOver(25, 25, &r.mod));
  r.a->SetMOWhenGrayed(true);
  EXPECT_EQ(r.gui->GetMouseControlIdx(25, 25, true), 1);
  EXPECT_EQ(r.gui->GetMouseControlIdx(25, 25, false), 0);
  EXPECT_TRUE(r.gui->OnMouseOver(25, 25, &r.mod));
  r.gui->OnMouseOver(200, 200, &r.mod);  // empty space changes nothing
  const std::vector<std::string> want = {"bg over", "a over", "bg out"};
  EXPECT_EQ(r.plug.mLog, want);
  r.a->GrayOut(false);
  EXPECT_EQ(r.a->GetBlend()->mWeight, 1.0f);
}

TEST(EditorDispatch, KeysOverTheBackgroundGoToTheKeyCatcher)
{
  DispatchRig r;
  EXPECT_FALSE(r.gui->OnKeyDown(80, 80, 65));  // background, no catcher
  LoggingControl* catcher = new LoggingControl(&r.plug, IRECT(), -1, "catcher");
  r.gui->AttachKeyCatcher(catcher);
  EXPECT_TRUE(r.gui->OnKeyDown(80, 80, 66));
  EXPECT_TRUE(r.gui->OnKeyDown(12, 12, 67));
  const std::vector<std::string> want = {"catcher key 66", "a key 67"};
  EXPECT_EQ(r.plug.mLog, want);
}
}  // namespace
