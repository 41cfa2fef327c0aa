// Mouse and key dispatch: capture, drag deltas, double-click order, hit test
// with hidden and greyed controls, mouse-over and the key catcher.
#include <gtest/gtest.h>

#include <climits>

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
  const std::vector<std::string> want = {"begin 0", "a down", "a drag 78,-7", "a wheel", "a up", "end 0",
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
  // Every end has its begin: the double click begins the gesture its
  // release ends.
  const std::vector<std::string> want = {"begin 0", "a down", "a up",  "end 0",
                                         "begin 0", "a dbl",  "a up", "end 0"};
  EXPECT_EQ(r.plug.mLog, want);

  // As a press: captured, and a gesture like a press's.
  r.plug.mLog.clear();
  r.a->SetDblAsSingleClick(true);
  EXPECT_TRUE(r.gui->OnMouseDblClick(12, 12, &r.mod));
  r.gui->OnMouseDrag(14, 12, &r.mod);
  const std::vector<std::string> want2 = {"begin 0", "a down", "a drag 2,0"};
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
// A control whose press sets its value at once, as a prompt menu does
// before the press handler returns.
class MenuLikeControl : public LoggingControl
{
public:
  using LoggingControl::LoggingControl;
  void OnMouseDown(int, int, IMouseMod*) override
  {
    Log("down");
    SetValueFromUserInput(GetValue() < 0.5 ? 0.75 : 0.25);
  }
};

TEST(EditorDispatch, GesturesBeginBeforeTheValueAndEndOnlyWhatBegan)
{
  DispatchRig r;
  MenuLikeControl* menu = new MenuLikeControl(&r.plug, IRECT(50, 50, 70, 70), kLevel, "menu");
  r.gui->AttachControl(menu);
  IMouseMod right(false, true);
  // The press shows a menu that sets the value; the menu's grab took the
  // release, so the editor sees a stray release later, over control a.
  r.gui->OnMouseDown(60, 60, &right);
  r.gui->OnMouseUp(60, 60, &right);
  r.gui->OnMouseUp(12, 12, &r.mod);  // no gesture open: ends nothing
  // A second press during a drag (right button while the left is held)
  // closes the open gesture before it begins another.
  r.gui->OnMouseDown(12, 12, &r.mod);
  r.gui->OnMouseDown(60, 60, &right);
  r.gui->OnMouseUp(60, 60, &right);
  const std::vector<std::string> want = {"begin 3",  "menu down", "set 3", "menu up", "end 3",
                                         "a up",     "begin 0",   "a down", "end 0",  "begin 3",
                                         "menu down", "set 3",    "menu up", "end 3"};
  EXPECT_EQ(r.plug.mLog, want);
  // A text entry that ends later brings its own gesture.
  r.plug.mLog.clear();
  char typed[] = "0.5";
  r.gui->SetFromStringAfterPrompt(menu, r.plug.GetParam(kLevel), typed);
  const std::vector<std::string> want2 = {"begin 3", "set 3", "end 3"};
  EXPECT_EQ(r.plug.mLog, want2);
}

// Positions at the ends of the int range give the nearest representable
// distance, never a wrapped one of the other sign.
TEST(EditorDispatch, DragDistancesDoNotOverflow)
{
  DispatchRig r;
  r.gui->OnMouseDown(12, 12, &r.mod);
  r.gui->OnMouseDrag(INT_MIN, INT_MIN + 20, &r.mod);
  r.gui->OnMouseDrag(INT_MAX, INT_MIN, &r.mod);
  const std::vector<std::string> want = {"begin 0", "a down", "a drag -2147483648,-2147483640",
                                         "a drag 2147483647,-20"};
  EXPECT_EQ(r.plug.mLog, want);
}

// Counts live instances, so a test can see when the editor deletes one.
class CountedControl : public LoggingControl
{
public:
  CountedControl(EditorTestPlug* plug, IRECT r, int paramIdx, const char* name, int* alive)
      : LoggingControl(plug, r, paramIdx, name), mAlive(alive)
  {
    ++*mAlive;
  }
  ~CountedControl() override { --*mAlive; }
  int* mAlive;
};

// A control whose press resizes the editor, then goes on using itself.
class ResizingControl : public CountedControl
{
public:
  ResizingControl(EditorTestPlug* plug, IRECT r, int* alive, int* aliveAfterResize)
      : CountedControl(plug, r, kGain, "r", alive), mAliveAfterResize(aliveAfterResize)
  {
  }
  void OnMouseDown(int, int, IMouseMod*) override
  {
    mPlug->GetGUI()->Resize(120, 80);
    *mAliveAfterResize = *mAlive;  // reads this control's own fields after the resize
    Log("down");
  }
  int* mAliveAfterResize;
};

TEST(EditorDispatch, ResizeFromAHandlerKeepsTheCallerUntilTheEventReturns)
{
  EditorTestPlug plug;
  int alive = 0, aliveAfterResize = -1;
  TestEditor* gui = new TestEditor(&plug, 100, 100);
  gui->AttachControl(new ResizingControl(&plug, IRECT(0, 0, 50, 50), &alive, &aliveAfterResize));
  gui->AttachControl(new CountedControl(&plug, IRECT(50, 0, 100, 50), -1, "other", &alive));
  plug.AttachGraphics(gui);
  IMouseMod left = LeftButton();
  gui->OnMouseDown(10, 10, &left);
  // Both controls lived on through the handler; both are gone once the
  // press returned, and the editor has its new size and no controls.
  EXPECT_EQ(aliveAfterResize, 2);
  EXPECT_EQ(alive, 0);
  EXPECT_EQ(gui->NControls(), 0);
  EXPECT_EQ(gui->Width(), 120);
  gui->OnMouseUp(10, 10, &left);  // the gesture the press began ends
  const std::vector<std::string> want = {"begin 0", "r down", "end 0"};
  EXPECT_EQ(plug.mLog, want);
}
}  // namespace
