// IGraphicsLinux: event translation, keys, text entry, menus and presenting,
// against a real X server.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

// The framework's headers come before Xlib's, whose macros (Bool, None)
// would otherwise rewrite them.
#include "IControl.h"
#include "IGraphicsLinux.h"
#include "IParam.h"
#include "IPopupMenu.h"
#include "lice.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "swell-x11.h"
#include "xvfb_server.h"

namespace
{

// A control over the whole editor (and beyond its top-left) that records
// what reaches it.
struct Call
{
  std::string what;
  int x, y;
  IMouseMod mod;
  int n;
};

class Recorder : public IControl
{
public:
  explicit Recorder(IRECT r) : IControl(nullptr, r) {}
  void OnMouseDown(int x, int y, IMouseMod* m) override { calls.push_back({"down", x, y, *m, 0}); }
  void OnMouseUp(int x, int y, IMouseMod* m) override { calls.push_back({"up", x, y, *m, 0}); }
  void OnMouseDblClick(int x, int y, IMouseMod* m) override { calls.push_back({"dbl", x, y, *m, 0}); }
  void OnMouseWheel(int x, int y, IMouseMod* m, int d) override { calls.push_back({"wheel", x, y, *m, d}); }
  void OnMouseDrag(int x, int y, int, int, IMouseMod* m) override { calls.push_back({"drag", x, y, *m, 0}); }
  bool OnKeyDown(int, int, int key) override
  {
    keys.push_back(key);
    return key != 16; // 'b' is not taken
  }
  void TextFromTextEntry(const char* t) override { text = t; }
  bool Draw(IGraphics*) override { return true; }
  std::vector<Call> calls;
  std::vector<int> keys;
  std::string text = "(none)";
};

// An editor of 100 x 60 with a recorder, shown in a top-level window.
struct Editor
{
  IGraphicsLinux g{nullptr, 100, 60, 25};
  Recorder* rec = new Recorder(IRECT(-10, -10, 110, 70));
  Display* t = XOpenDisplay(nullptr);
  int ox = 0, oy = 0;
  Editor()
  {
    IColor grey(255, 90, 100, 110);
    g.AttachPanelBackground(&grey);
    g.AttachControl(rec);
    g.PrepDraw();
    SWELL_View v = static_cast<SWELL_View>(g.OpenWindow(nullptr));
    if (!v) return;
    SWELL_AddViewToParent(v, 0, "editor");
    // Start from the server's default focus whatever an earlier test left.
    XSetInputFocus(swell_X11Display(), PointerRoot, RevertToPointerRoot, CurrentTime);
    SWELL_RunLoopPump(0.05);
    Window child;
    XTranslateCoordinates(swell_X11Display(), SWELL_GetViewWindow(v), DefaultRootWindow(swell_X11Display()), 0, 0,
                          &ox, &oy, &child);
  }
  ~Editor()
  {
    if (t) XCloseDisplay(t);
  }
  void Button(unsigned b)
  {
    XTestFakeButtonEvent(t, b, True, CurrentTime);
    XTestFakeButtonEvent(t, b, False, CurrentTime);
    XSync(t, False);
  }
  void Key(KeySym k)
  {
    XTestFakeKeyEvent(t, XKeysymToKeycode(t, k), True, CurrentTime);
    XTestFakeKeyEvent(t, XKeysymToKeycode(t, k), False, CurrentTime);
    XSync(t, False);
  }
};

TEST(IGraphicsLinux, MouseReachesTheEditorAtThePixelUnderThePointerWithModifiers)
{
  REQUIRE_X();
  Editor e;
  ASSERT_NE(e.g.GetWindow(), nullptr);
  EXPECT_STREQ(e.g.GetGUIAPI(), "X11 gui");
  XTestFakeMotionEvent(e.t, -1, e.ox, e.oy, CurrentTime); // the view's top-left pixel
  e.Button(1);
  e.Button(1);
  e.Button(3);
  e.Button(3);
  e.Button(4);
  e.Button(5);
  XTestFakeKeyEvent(e.t, XKeysymToKeycode(e.t, XK_Super_L), True, CurrentTime);
  XTestFakeMotionEvent(e.t, -1, e.ox + 40, e.oy + 30, CurrentTime);
  e.Button(1);
  XTestFakeKeyEvent(e.t, XKeysymToKeycode(e.t, XK_Super_L), False, CurrentTime);
  XSync(e.t, False);
  ASSERT_TRUE(PumpUntil([&] { return e.rec->calls.size() >= 11; }));
  struct Expect
  {
    const char* what;
    int x, y;
    bool left, right;
    int n;
  } expect[] = {
    {"down", 0, 0, true, false, 0}, {"up", 0, 0, true, false, 0},  {"dbl", 0, 0, true, false, 0},
    {"up", 0, 0, true, false, 0},   {"down", 0, 0, false, true, 0}, {"up", 0, 0, false, true, 0},
    {"down", 0, 0, false, true, 0}, {"up", 0, 0, false, true, 0},   // a right click is never double
    {"wheel", 0, 0, true, false, 1}, {"wheel", 0, 0, true, false, -1},
    {"down", 40, 30, true, true, 0},  // Command makes the left click a right one too
  };
  for (size_t i = 0; i < sizeof(expect) / sizeof(expect[0]); ++i)
  {
    const Call& c = e.rec->calls[i];
    EXPECT_EQ(c.what, expect[i].what) << i;
    EXPECT_EQ(c.x, expect[i].x) << i;
    EXPECT_EQ(c.y, expect[i].y) << i;
    EXPECT_EQ(c.mod.Left, expect[i].left) << i;
    EXPECT_EQ(c.mod.Right, expect[i].right) << i;
    EXPECT_EQ(c.n, expect[i].n) << i;
  }
}

TEST(IGraphicsLinux, KeysMapToEditorCodesAndTheRestGoToTheHost)
{
  REQUIRE_X();
  Editor e;
  XTestFakeMotionEvent(e.t, -1, e.ox + 10, e.oy + 10, CurrentTime);
  XSync(e.t, False);
  SWELL_View v = static_cast<SWELL_View>(e.g.GetWindow());
  XSetInputFocus(swell_X11Display(), SWELL_GetViewWindow(v), RevertToParent, CurrentTime);
  XSync(swell_X11Display(), False);
  for (KeySym k : {XK_a, XK_A, XK_space, XK_Up, XK_Down, XK_Left, XK_Right, XK_0, XK_9, XK_z, XK_slash})
    e.Key(k);
  ASSERT_TRUE(PumpUntil([&] { return e.rec->keys.size() >= 10; }));
  const std::vector<int> want = {15, 15, 0, 1, 2, 3, 4, 5, 14, 40}; // "/" is no editor key
  EXPECT_EQ(e.rec->keys, want);
}

TEST(IGraphicsLinux, TextEntryFiltersByParameterKindAndSetsTheValue)
{
  REQUIRE_X();
  Editor e;
  IParam p;
  p.InitDouble("Gain", 0.0, -10.0, 10.0, 0.01, "dB");
  IText style(14);
  IRECT r(10, 10, 60, 26);
  e.g.CreateTextEntry(e.rec, &style, &r, "", &p);
  ASSERT_TRUE(SWELL_TextEntryOpen(static_cast<SWELL_View>(e.g.GetWindow())));
  SWELL_RunLoopPump(0.02);
  // A value with its unit; punctuation other than signs and the point is refused.
  for (KeySym k : {XK_minus, XK_2, XK_slash, XK_period, XK_5, XK_space, XK_d, XK_B, XK_Return}) e.Key(k);
  ASSERT_TRUE(PumpUntil([&] { return !SWELL_TextEntryOpen(static_cast<SWELL_View>(e.g.GetWindow())); }));
  EXPECT_NEAR(e.rec->GetValue(), p.GetNormalized(-2.5), 1e-9);
  // Letters that make no value change nothing; without a parameter the
  // control receives the text.
  IParam i;
  i.InitInt("Steps", 0, 0, 100);
  e.g.CreateTextEntry(e.rec, &style, &r, "", &i);
  SWELL_RunLoopPump(0.02);
  for (KeySym k : {XK_a, XK_b, XK_c, XK_Return}) e.Key(k);
  ASSERT_TRUE(PumpUntil([&] { return !SWELL_TextEntryOpen(static_cast<SWELL_View>(e.g.GetWindow())); }));
  EXPECT_NEAR(e.rec->GetValue(), p.GetNormalized(-2.5), 1e-9);
  e.g.CreateTextEntry(e.rec, &style, &r, "", &i);
  SWELL_RunLoopPump(0.02);
  for (KeySym k : {XK_4, XK_comma, XK_2, XK_Return}) e.Key(k);
  ASSERT_TRUE(PumpUntil([&] { return !SWELL_TextEntryOpen(static_cast<SWELL_View>(e.g.GetWindow())); }));
  EXPECT_NEAR(e.rec->GetValue(), i.GetNormalized(42), 1e-9);
  // The field opens with its text selected: a caret key keeps the text.
  e.g.CreateTextEntry(e.rec, &style, &r, "ab", nullptr);
  SWELL_RunLoopPump(0.02);
  e.Key(XK_End);
  e.Key(XK_c);
  e.Key(XK_Return);
  ASSERT_TRUE(PumpUntil([&] { return e.rec->text != "(none)"; }));
  EXPECT_EQ(e.rec->text, "abc");
  e.g.CreateTextEntry(e.rec, &style, &r, "x", nullptr);
  e.g.ForceEndUserEdit(); // ends without applying
  EXPECT_EQ(e.rec->text, "abc");
}

TEST(IGraphicsLinux, MenusAreNumberedAndReturnTheChosenRecord)
{
  REQUIRE_X();
  Editor e;
  IPopupMenu menu, sub;
  menu.SetPrefix(2);
  for (const char* s : {"Low", "Mid", "High"}) menu.AddItem(s);
  menu.AddItem("More", &sub);
  sub.AddItem("Extra");
  IRECT r(10, 5, 50, 15); // the menu opens at (10, 20)
  std::thread driver([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    Display* t = XOpenDisplay(nullptr);
    // Items are 20 pixels high below a 1-pixel border: the third at 41..60.
    XTestFakeMotionEvent(t, -1, e.ox + 30, e.oy + 20 + 50, CurrentTime);
    XSync(t, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    XImage* img = XGetImage(t, DefaultRootWindow(t), e.ox + 5, e.oy + 15, 150, 90, AllPlanes, ZPixmap);
    if (img)
    {
      LICE_MemBitmap bm(150, 90, 4);
      for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 150; ++x)
        {
          const unsigned long px = XGetPixel(img, x, y);
          bm.getBits()[y * bm.getRowSpan() + x] = LICE_RGBA((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF, 255);
        }
      XDestroyImage(img);
      LICE_WritePNG((std::string(CINDERPATH_BINARY_DIR) + "/igraphics-linux-menu.png").c_str(), &bm, false);
    }
    XTestFakeButtonEvent(t, 1, True, CurrentTime);
    XTestFakeButtonEvent(t, 1, False, CurrentTime);
    XSync(t, False);
    XCloseDisplay(t);
  });
  IPopupMenu* chosen = e.g.CreateIPopupMenu(&menu, &r);
  driver.join();
  EXPECT_EQ(chosen, &menu);
  EXPECT_EQ(menu.GetChosenItemIdx(), 2);
}

TEST(IGraphicsLinux, ScreenShowsTheOffScreenBitmapAndReopeningClosesTheFirstView)
{
  REQUIRE_X();
  Editor e;
  IRECT all(0, 0, 100, 60);
  e.g.Draw(&all);
  XSync(swell_X11Display(), False);
  const Window first = SWELL_GetViewWindow(static_cast<SWELL_View>(e.g.GetWindow()));
  XImage* img = XGetImage(swell_X11Display(), first, 0, 0, 100, 60, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  LICE_SysBitmap* bm = e.g.GetDrawBitmap();
  int wrong = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x)
    {
      const unsigned char* p = reinterpret_cast<const unsigned char*>(bm->getBits() + y * bm->getRowSpan() + x);
      const unsigned long px = XGetPixel(img, x, y);
      wrong += ((px >> 16) & 0xFF) != p[1] || ((px >> 8) & 0xFF) != p[2] || (px & 0xFF) != p[3];
    }
  XDestroyImage(img);
  EXPECT_EQ(wrong, 0);
  // Each reopening destroys the view before (it is no host's): the server
  // holds as many top-level windows as before.
  auto topLevels = [&] {
    Window root, up, *kids = nullptr;
    unsigned n = 0;
    XSync(swell_X11Display(), False);
    XQueryTree(e.t, DefaultRootWindow(e.t), &root, &up, &kids, &n);
    if (kids) XFree(kids);
    return n;
  };
  const unsigned before = topLevels();
  const int errors = swell_X11ErrorCount();
  for (int i = 0; i < 100; ++i) ASSERT_NE(e.g.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(topLevels(), before);
  EXPECT_EQ(swell_X11ErrorCount(), errors);
  e.g.CloseWindow();
  EXPECT_EQ(e.g.GetWindow(), nullptr);
  EXPECT_FALSE(e.g.DrawScreen(&all));
  EXPECT_LT(SWELL_RunLoopSecondsUntilNext(SWELL_RunLoopNow()), 0.0) << "no redraw timer left running";
}

} // namespace
