// X11 views under a private Xvfb server, driven with XTest. Every test skips
// with a message when no X server can be started.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "lice.h"
#include "swell-x11.h"
#include "xvfb_server.h"

extern char** environ;

namespace
{

// Records what a view reports.
struct Recorder
{
  std::vector<SWELL_Event> events;
  std::vector<RECT> draws;
  bool takeKeys = true;
  static void Draw(void* ctx, const RECT* r) { static_cast<Recorder*>(ctx)->draws.push_back(*r); }
  static bool Event(void* ctx, const SWELL_Event* e)
  {
    Recorder* rec = static_cast<Recorder*>(ctx);
    rec->events.push_back(*e);
    return e->type != kSwellKeyDown || rec->takeKeys;
  }
  SWELL_ViewCallbacks callbacks() { return SWELL_ViewCallbacks{this, Draw, Event}; }
  std::vector<SWELL_Event> of(SWELL_EventType t) const
  {
    std::vector<SWELL_Event> out;
    for (const auto& e : events)
      if (e.type == t) out.push_back(e);
    return out;
  }
};

// A mapped top-level view that has had its first draw.
SWELL_View ShownView(Recorder& rec, int w, int h)
{
  SWELL_ViewCallbacks cb = rec.callbacks();
  SWELL_View v = SWELL_CreateView(w, h, &cb);
  if (!v) return nullptr;
  SWELL_AddViewToParent(v, 0, "test");
  PumpUntil([&] { return !rec.draws.empty(); });
  return v;
}

// The view's top-left pixel on the screen.
void ScreenOrigin(SWELL_View v, int* x, int* y)
{
  Display* d = swell_X11Display();
  Window child;
  XTranslateCoordinates(d, SWELL_GetViewWindow(v), DefaultRootWindow(d), 0, 0, x, y, &child);
}

TEST(X11View, PresentsPixelsConvertedToTheVisual)
{
  REQUIRE_X();
  for (bool shm : {true, false})
  {
    swell_X11SetUseShm(shm);
    Recorder rec;
    SWELL_View v = ShownView(rec, 40, 20);
    ASSERT_NE(v, nullptr);
    const int span = 44;
    std::vector<unsigned char> px(span * 20 * 4);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < span; ++x)
      {
        unsigned char* p = &px[(y * span + x) * 4];
        p[0] = 0x77; // alpha is not shown
        p[1] = static_cast<unsigned char>(x * 6);
        p[2] = static_cast<unsigned char>(y * 12);
        p[3] = static_cast<unsigned char>(255 - x * 5);
      }
    ASSERT_TRUE(SWELL_PresentPixels(v, px.data(), span, 40, 20, nullptr));
    EXPECT_EQ(swell_X11ViewUsesShm(v), shm);
    // Only the area is sent: a changed pixel outside it stays as it was.
    px[(5 * span + 5) * 4 + 1] = 1;
    px[(15 * span + 30) * 4 + 1] = 2;
    RECT area = {25, 10, 40, 20};
    ASSERT_TRUE(SWELL_PresentPixels(v, px.data(), span, 40, 20, &area));
    Display* d = swell_X11Display();
    XImage* got = XGetImage(d, SWELL_GetViewWindow(v), 0, 0, 40, 20, AllPlanes, ZPixmap);
    ASSERT_NE(got, nullptr);
    int wrong = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x)
      {
        const unsigned long p = XGetPixel(got, x, y);
        unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        unsigned er = x * 6, eg = y * 12, eb = 255 - x * 5;
        if (x == 30 && y == 15) er = 2;
        wrong += r != er || g != eg || b != eb;
      }
    EXPECT_EQ(wrong, 0) << (shm ? "shared memory" : "XPutImage");
    XDestroyImage(got);
    SWELL_RemoveView(v);
  }
  swell_X11SetUseShm(true);
}

TEST(X11View, MouseButtonsWheelModifiersAndDoubleClicks)
{
  REQUIRE_X();
  Recorder rec;
  SWELL_View v = ShownView(rec, 100, 60);
  ASSERT_NE(v, nullptr);
  Display* t = XOpenDisplay(nullptr);
  ASSERT_NE(t, nullptr);
  int ox, oy;
  ScreenOrigin(v, &ox, &oy);
  auto click = [&](unsigned button) {
    XTestFakeButtonEvent(t, button, True, CurrentTime);
    XTestFakeButtonEvent(t, button, False, CurrentTime);
    XSync(t, False);
  };
  XTestFakeMotionEvent(t, -1, ox, oy, CurrentTime); // the top-left pixel
  click(1);
  click(1);
  click(3);
  click(3);
  click(4);
  click(5);
  click(2); // middle: ignored
  const KeyCode super = XKeysymToKeycode(t, XK_Super_L);
  XTestFakeKeyEvent(t, super, True, CurrentTime);
  click(1);
  XTestFakeKeyEvent(t, super, False, CurrentTime);
  XTestFakeButtonEvent(t, 1, True, CurrentTime);
  XTestFakeMotionEvent(t, -1, ox + 10, oy + 20, CurrentTime);
  XTestFakeButtonEvent(t, 1, False, CurrentTime);
  XSync(t, False);
  ASSERT_TRUE(PumpUntil([&] { return rec.of(kSwellMouseDown).size() >= 6; }));
  PumpUntil([&] { return rec.of(kSwellMouseDrag).size() >= 1; });
  const auto downs = rec.of(kSwellMouseDown);
  ASSERT_EQ(downs.size(), 6u);
  EXPECT_EQ(downs[0].x, 0);
  EXPECT_EQ(downs[0].y, 0);
  struct Expect
  {
    int button, clicks, modifiers;
  } expect[] = {{1, 1, 0}, {1, 2, 0}, {3, 1, 0}, {3, 1, 0}, {1, 1, kSwellModCommand}, {1, 2, 0}};
  // A right click is never a double click and breaks a left one.
  for (size_t i = 0; i < 6; ++i)
  {
    EXPECT_EQ(downs[i].button, expect[i].button) << i;
    EXPECT_EQ(downs[i].clickCount, expect[i].clicks) << i;
    EXPECT_EQ(downs[i].modifiers, expect[i].modifiers) << i;
  }
  const auto wheel = rec.of(kSwellMouseWheel);
  ASSERT_EQ(wheel.size(), 2u);
  EXPECT_EQ(wheel[0].wheelDelta, 1);
  EXPECT_EQ(wheel[1].wheelDelta, -1);
  const auto drags = rec.of(kSwellMouseDrag);
  ASSERT_FALSE(drags.empty());
  EXPECT_EQ(drags.back().x, 10);
  EXPECT_EQ(drags.back().y, 20);
  XCloseDisplay(t);
  SWELL_RemoveView(v);
}

TEST(X11View, KeysNotTakenGoToTheParentWindow)
{
  REQUIRE_X();
  Recorder outer, inner;
  SWELL_View parent = ShownView(outer, 120, 80);
  ASSERT_NE(parent, nullptr);
  inner.takeKeys = false;
  SWELL_ViewCallbacks cb = inner.callbacks();
  SWELL_View child = SWELL_CreateView(60, 40, &cb);
  ASSERT_TRUE(SWELL_AddViewToParent(child, SWELL_GetViewWindow(parent), nullptr));
  PumpUntil([&] { return !inner.draws.empty(); });
  Display* d = swell_X11Display();
  XSetInputFocus(d, SWELL_GetViewWindow(child), RevertToParent, CurrentTime);
  XSync(d, False);
  Display* t = XOpenDisplay(nullptr);
  ASSERT_NE(t, nullptr);
  const KeyCode a = XKeysymToKeycode(t, XK_a);
  XTestFakeKeyEvent(t, a, True, CurrentTime);
  XTestFakeKeyEvent(t, a, False, CurrentTime);
  XSync(t, False);
  ASSERT_TRUE(PumpUntil([&] { return !outer.of(kSwellKeyDown).empty(); }));
  ASSERT_EQ(inner.of(kSwellKeyDown).size(), 1u);
  EXPECT_EQ(inner.of(kSwellKeyDown)[0].keysym, static_cast<unsigned long>(XK_a));
  EXPECT_STREQ(outer.of(kSwellKeyDown)[0].text, "a");
  XCloseDisplay(t);
  SWELL_RemoveView(child);
  SWELL_RemoveView(parent);
}

TEST(X11View, InvalidationAndTimersDrawFromThePump)
{
  REQUIRE_X();
  Recorder rec;
  SWELL_View v = ShownView(rec, 50, 50);
  ASSERT_NE(v, nullptr);
  rec.draws.clear();
  struct Tick
  {
    SWELL_View v;
    int n = 0;
  } tick{v};
  const int id = SWELL_RunLoopAddTimer(0.04, [](void* c) {
    Tick* t = static_cast<Tick*>(c);
    ++t->n;
    RECT r = {5, 5, 10, 10};
    SWELL_InvalidateView(t->v, &r);
    RECT r2 = {20, 2, 60, 8}; // clipped to the view
    SWELL_InvalidateView(t->v, &r2);
  }, &tick);
  ASSERT_TRUE(PumpUntil([&] { return !rec.draws.empty(); }));
  SWELL_RunLoopRemoveTimer(id);
  EXPECT_EQ(rec.draws[0].left, 5);
  EXPECT_EQ(rec.draws[0].top, 2);
  EXPECT_EQ(rec.draws[0].right, 50);
  EXPECT_EQ(rec.draws[0].bottom, 10);
  SWELL_ResizeView(v, 70, 30);
  rec.draws.clear();
  ASSERT_TRUE(PumpUntil([&] { return !rec.draws.empty(); }));
  EXPECT_EQ(rec.draws[0].right, 70);
  EXPECT_EQ(rec.draws[0].bottom, 30);
  SWELL_RemoveView(v);
}

TEST(X11View, RepeatedOpenAndCloseMakesNoErrors)
{
  REQUIRE_X();
  const int errors = swell_X11ErrorCount();
  std::vector<unsigned char> px(32 * 32 * 4, 0x80);
  for (int i = 0; i < 100; ++i)
  {
    Recorder rec;
    SWELL_ViewCallbacks cb = rec.callbacks();
    SWELL_View v = SWELL_CreateView(32, 32, &cb);
    ASSERT_NE(v, nullptr);
    SWELL_AddViewToParent(v, 0, "cycle");
    SWELL_PresentPixels(v, px.data(), 32, 32, 32, nullptr);
    SWELL_RunLoopPump(0.0);
    SWELL_RemoveView(v);
  }
  SWELL_RunLoopPump(0.0);
  EXPECT_EQ(swell_X11ErrorCount(), errors);
  EXPECT_EQ(SWELL_CreateView(0, 10, nullptr), nullptr);
  EXPECT_FALSE(SWELL_PresentPixels(nullptr, px.data(), 32, 32, 32, nullptr));
  SWELL_RemoveView(nullptr);
}

// Without the desktop's helper programs the outside-world calls report
// failure instead of pretending.
TEST(OutsideWorld, MissingHelpersGiveErrorResults)
{
  const char* old = getenv("PATH");
  const std::string saved = old ? old : "";
  setenv("PATH", "/nonexistent", 1);
  char out[64] = "unchanged";
  EXPECT_FALSE(SWELL_OpenURL("https://example.org/"));
  EXPECT_FALSE(SWELL_OpenURL(""));
  EXPECT_FALSE(SWELL_OpenURL(nullptr));
  EXPECT_EQ(SWELL_MessageBox("text", "caption", kSwellMbOkCancel), kSwellIdError);
  EXPECT_FALSE(SWELL_FileDialog(false, "/tmp", "a.fxp", "fxp fxb", out, sizeof(out)));
  EXPECT_STREQ(out, "unchanged");
  EXPECT_FALSE(SWELL_GetBundleResourcePath("com.example.none", "Back", "png", out, sizeof(out)));
  setenv("PATH", saved.c_str(), 1);
}

// A stand-in dialog helper on PATH answers with a chosen exit status and
// output; the results map to buttons and paths.
TEST(OutsideWorld, DialogAnswersMapToResults)
{
  char dir[] = "/tmp/swell-fake-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string script = std::string(dir) + "/zenity";
  FILE* f = fopen(script.c_str(), "w");
  ASSERT_NE(f, nullptr);
  fputs("#!/bin/sh\nprintf '%s' \"$FAKE_SAY\"\nexit $FAKE_CODE\n", f);
  fclose(f);
  chmod(script.c_str(), 0755);
  const std::string saved = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", (std::string(dir) + ":" + saved).c_str(), 1);
  struct Case
  {
    int buttons;
    const char* code;
    const char* say;
    int result;
  } cases[] = {
    {kSwellMbOk, "0", "", kSwellIdOk},           {kSwellMbOkCancel, "0", "", kSwellIdOk},
    {kSwellMbOkCancel, "1", "", kSwellIdCancel}, {kSwellMbYesNo, "0", "", kSwellIdYes},
    {kSwellMbYesNo, "1", "", kSwellIdNo},        {kSwellMbYesNoCancel, "1", "Cancel\n", kSwellIdCancel},
    {kSwellMbYesNoCancel, "1", "", kSwellIdNo},  {kSwellMbOk, "5", "", kSwellIdError},
  };
  for (const Case& c : cases)
  {
    setenv("FAKE_CODE", c.code, 1);
    setenv("FAKE_SAY", c.say, 1);
    EXPECT_EQ(SWELL_MessageBox("t", "c", c.buttons), c.result) << c.buttons << "/" << c.code;
  }
  char out[32];
  setenv("FAKE_CODE", "0", 1);
  setenv("FAKE_SAY", "/home/u/a.fxp\n", 1);
  EXPECT_TRUE(SWELL_FileDialog(true, "/home/u", "a.fxp", "fxp", out, sizeof(out)));
  EXPECT_STREQ(out, "/home/u/a.fxp");
  EXPECT_FALSE(SWELL_FileDialog(true, "/home/u", "a.fxp", "fxp", out, 8)) << "a path longer than out";
  setenv("FAKE_CODE", "1", 1);
  EXPECT_FALSE(SWELL_FileDialog(false, nullptr, nullptr, nullptr, out, sizeof(out)));
  setenv("PATH", saved.c_str(), 1);
  unlink(script.c_str());
  rmdir(dir);
}

} // namespace

namespace
{

// Sends input from another connection after the menu has opened; the menu
// runs modally on the test's thread meanwhile.
struct Driver
{
  std::thread thread;
  template <class F>
  explicit Driver(F f)
    : thread([f] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        Display* t = XOpenDisplay(nullptr);
        if (!t) return;
        f(t);
        XSync(t, False);
        XCloseDisplay(t);
      })
  {
  }
  ~Driver() { thread.join(); }
};

void ClickAt(Display* t, int x, int y)
{
  XTestFakeMotionEvent(t, -1, x, y, CurrentTime);
  XSync(t, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  XTestFakeButtonEvent(t, 1, True, CurrentTime);
  XTestFakeButtonEvent(t, 1, False, CurrentTime);
  XSync(t, False);
}

// Writes the screen area of the open menu to the build folder for a person to
// look at.
void Snapshot(Display* t, int x, int y, int w, int h, const char* name)
{
  XImage* img = XGetImage(t, DefaultRootWindow(t), x, y, w, h, AllPlanes, ZPixmap);
  if (!img) return;
  LICE_MemBitmap bm(w, h, 4);
  for (int yy = 0; yy < h; ++yy)
    for (int xx = 0; xx < w; ++xx)
    {
      const unsigned long p = XGetPixel(img, xx, yy);
      bm.getBits()[yy * bm.getRowSpan() + xx] = LICE_RGBA((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF, 255);
    }
  XDestroyImage(img);
  LICE_WritePNG((std::string(CINDERPATH_BINARY_DIR) + "/" + name).c_str(), &bm, false);
}

// Moves the pointer to (x, y) on the screen, lets the menu there highlight
// its item, and returns the attributes of the window under the pointer.
XWindowAttributes HoverMenuAt(Display* t, int x, int y)
{
  XTestFakeMotionEvent(t, -1, x, y, CurrentTime);
  XSync(t, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  Window root, childWin;
  int rx, ry, wx, wy;
  unsigned m;
  XQueryPointer(t, DefaultRootWindow(t), &root, &childWin, &rx, &ry, &wx, &wy, &m);
  XWindowAttributes wa = {};
  XGetWindowAttributes(t, childWin, &wa);
  return wa;
}

TEST(X11Menu, ChoosesItemsAndSubmenuItemsAndIsDismissed)
{
  REQUIRE_X();
  Recorder rec;
  SWELL_View v = ShownView(rec, 200, 150);
  ASSERT_NE(v, nullptr);
  const SWELL_MenuItem subItems[] = {{"Low", false, false, true, 0, nullptr}, {"High", false, true, true, 0, nullptr}};
  const SWELL_Menu sub = {subItems, 2};
  const SWELL_MenuItem items[] = {
    {"1: One", false, true, true, 0, nullptr},
    {nullptr, true, false, true, 0, nullptr},
    {"2: Disabled", false, false, false, 0, nullptr},
    {"3: Indented", false, false, true, 1, nullptr},
    {"4: More", false, false, true, 0, &sub},
  };
  const SWELL_Menu menu = {items, 5};
  int ox, oy;
  ScreenOrigin(v, &ox, &oy);
  // Item tops: 1, 21, 28, 48, 68 (a border, 20-pixel items, a 7-pixel separator).
  const int mx = ox + 10, my = oy + 10;
  const SWELL_Menu* chosen = nullptr;
  {
    Driver d([&](Display* t) {
      XTestFakeMotionEvent(t, -1, mx + 30, my + 58, CurrentTime);
      XSync(t, False);
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      Snapshot(t, mx - 5, my - 5, 200, 110, "swell-menu.png");
      ClickAt(t, mx + 30, my + 58);
    });
    EXPECT_EQ(SWELL_TrackPopupMenu(v, &menu, 10, 10, &chosen), 3);
    EXPECT_EQ(chosen, &menu);
  }
  {
    Driver d([&](Display* t) {
      ClickAt(t, mx + 30, my + 38); // disabled: nothing happens
      XTestFakeKeyEvent(t, XKeysymToKeycode(t, XK_Escape), True, CurrentTime);
      XTestFakeKeyEvent(t, XKeysymToKeycode(t, XK_Escape), False, CurrentTime);
    });
    EXPECT_EQ(SWELL_TrackPopupMenu(v, &menu, 10, 10, &chosen), -1);
    EXPECT_EQ(chosen, nullptr);
  }
  {
    Driver d([&](Display* t) {
      // Opens the submenu to the right; the main menu's right edge locates it.
      const XWindowAttributes wa = HoverMenuAt(t, mx + 30, my + 78);
      ClickAt(t, wa.x + wa.width + 20, my + 67 + 1 + 20 + 10);
    });
    EXPECT_EQ(SWELL_TrackPopupMenu(v, &menu, 10, 10, &chosen), 1);
    EXPECT_EQ(chosen, &sub);
  }
  {
    Driver d([&](Display* t) { ClickAt(t, ox + 190, oy + 140); }); // outside
    EXPECT_EQ(SWELL_TrackPopupMenu(v, &menu, 10, 10, &chosen), -1);
  }
  EXPECT_EQ(SWELL_TrackPopupMenu(v, nullptr, 0, 0, &chosen), -1);
  SWELL_RemoveView(v);
}

// At scale 2 every row, margin and the text are twice the size: the item
// under the pointer at twice the scale-1 offset is the one chosen.
TEST(X11Menu, AtScaleTwoRowsAndTextAreTwiceTheSize)
{
  REQUIRE_X();
  Recorder rec;
  SWELL_View v = ShownView(rec, 200, 150);
  ASSERT_NE(v, nullptr);
  const SWELL_MenuItem items[] = {
    {"1: One", false, true, true, 0, nullptr},
    {nullptr, true, false, true, 0, nullptr},
    {"2: Two", false, false, true, 0, nullptr},
    {"3: Three", false, false, true, 0, nullptr},
  };
  const SWELL_Menu menu = {items, 4};
  int ox, oy;
  ScreenOrigin(v, &ox, &oy);
  // Item tops at scale 2: 2, 42, 56, 96; the menu ends at 138.
  const int mx = ox + 10, my = oy + 10;
  XWindowAttributes wa = {};
  const SWELL_Menu* chosen = nullptr;
  {
    Driver d([&](Display* t) {
      wa = HoverMenuAt(t, mx + 30, my + 116);
      Snapshot(t, mx - 5, my - 5, 300, 160, "swell-menu-scale2.png");
      ClickAt(t, mx + 30, my + 116);
    });
    EXPECT_EQ(SWELL_TrackPopupMenu(v, &menu, 10, 10, &chosen, 2.0), 3);
  }
  EXPECT_EQ(wa.height, 138);
  EXPECT_GE(wa.width, 160); // at least twice the narrowest menu
  SWELL_RemoveView(v);
}

TEST(X11Menu, AGrabAnotherClientHoldsEndsTheMenuAtOnce)
{
  REQUIRE_X();
  Recorder rec;
  SWELL_View v = ShownView(rec, 200, 150);
  ASSERT_NE(v, nullptr);
  const SWELL_MenuItem items[] = {{"One", false, false, true, 0, nullptr}};
  const SWELL_Menu menu = {items, 1};
  for (const bool pointer : {true, false})
  {
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const Window w = XCreateSimpleWindow(other, DefaultRootWindow(other), 300, 0, 20, 20, 0, 0, 0);
    XMapWindow(other, w);
    XSync(other, False);
    const int grabbed = pointer ? XGrabPointer(other, w, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None,
                                               None, CurrentTime)
                                : XGrabKeyboard(other, w, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    ASSERT_EQ(grabbed, GrabSuccess);
    XSync(other, False);
    // Should the menu wait for input regardless, the other client lets go
    // after 2 s, and Escape or a click far outside ends it.
    Driver d([&](Display* t) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1600));
      XCloseDisplay(other);
      XTestFakeKeyEvent(t, XKeysymToKeycode(t, XK_Escape), True, CurrentTime);
      XTestFakeKeyEvent(t, XKeysymToKeycode(t, XK_Escape), False, CurrentTime);
      ClickAt(t, DisplayWidth(t, DefaultScreen(t)) - 1, DisplayHeight(t, DefaultScreen(t)) - 1);
    });
    const SWELL_Menu* chosen = &menu;
    const double t0 = SWELL_RunLoopNow();
    EXPECT_EQ(SWELL_TrackPopupMenu(v, &menu, 10, 10, &chosen), -1) << (pointer ? "pointer" : "keyboard");
    EXPECT_LT(SWELL_RunLoopNow() - t0, 1.0) << (pointer ? "pointer" : "keyboard");
    EXPECT_EQ(chosen, nullptr);
  }
  SWELL_RemoveView(v);
}

TEST(X11Menu, AViewDestroyedDuringAMenuLearnsItAfterward)
{
  REQUIRE_X();
  Recorder rec, other;
  SWELL_View v = ShownView(rec, 200, 150);
  SWELL_View gone = ShownView(other, 50, 50);
  ASSERT_NE(v, nullptr);
  ASSERT_NE(gone, nullptr);
  const SWELL_MenuItem items[] = {{"One", false, false, true, 0, nullptr}};
  const SWELL_Menu menu = {items, 1};
  const Window goneWin = SWELL_GetViewWindow(gone);
  {
    Driver d([&](Display* t) {
      XDestroyWindow(t, goneWin);
      XSync(t, False);
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      XTestFakeKeyEvent(t, XKeysymToKeycode(t, XK_Escape), True, CurrentTime);
      XTestFakeKeyEvent(t, XKeysymToKeycode(t, XK_Escape), False, CurrentTime);
    });
    EXPECT_EQ(SWELL_TrackPopupMenu(v, &menu, 10, 10, nullptr), -1);
  }
  EXPECT_TRUE(PumpUntil([&] { return !other.of(kSwellClose).empty(); })) << "the destroyed view was told";
  EXPECT_TRUE(swell_X11ViewDestroyed(gone));
  SWELL_RemoveView(gone);
  SWELL_RemoveView(v);
}

} // namespace

namespace
{

struct EntryResult
{
  int calls = 0;
  bool committed = false;
  std::string text;
  static void Done(void* ctx, const char* text, bool committed)
  {
    EntryResult* r = static_cast<EntryResult*>(ctx);
    ++r->calls;
    r->committed = committed;
    r->text = text ? text : "(null)";
  }
  static bool Numeric(void*, int c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }
};

void Type(Display* t, const std::vector<KeySym>& keys)
{
  for (KeySym k : keys)
  {
    const KeyCode code = XKeysymToKeycode(t, k);
    XTestFakeKeyEvent(t, code, True, CurrentTime);
    XTestFakeKeyEvent(t, code, False, CurrentTime);
  }
  XSync(t, False);
}

TEST(X11TextEntry, FiltersLimitsCommitsAndCancels)
{
  REQUIRE_X();
  Recorder rec;
  SWELL_View v = ShownView(rec, 200, 100);
  ASSERT_NE(v, nullptr);
  Display* t = XOpenDisplay(nullptr);
  ASSERT_NE(t, nullptr);
  const SWELL_TextEntryStyle style = {"DejaVu Sans", 12, 0x000000, 0xFFFFFF, DT_CENTER};
  RECT r = {40, 20, 120, 40};
  // The pointer rests on the field, as after the click that opened it, and
  // the focus follows the pointer: giving the field the focus must not end it.
  int px, py;
  ScreenOrigin(v, &px, &py);
  XTestFakeMotionEvent(t, -1, px + 60, py + 30, CurrentTime);
  XSetInputFocus(swell_X11Display(), PointerRoot, RevertToPointerRoot, CurrentTime);
  XSync(t, False);
  struct Case
  {
    const char* initial;
    int maxLength;
    std::vector<KeySym> keys;
    bool committed;
    const char* text;
  } cases[] = {
    {"", 0, {XK_1, XK_2, XK_x, XK_period, XK_5, XK_Return}, true, "12.5"}, // a letter is refused
    // The field opens with its text selected: typing replaces it, a caret
    // key keeps it.
    {"20.00", 0, {XK_4, XK_Return}, true, "4"},
    {"20.00", 0, {XK_BackSpace, XK_x, XK_7, XK_Return}, true, "7"},
    {"20.00", 0, {XK_End, XK_BackSpace, XK_BackSpace, XK_5, XK_KP_Enter}, true, "20.5"},
    {"", 3, {XK_1, XK_2, XK_3, XK_4, XK_Return}, true, "123"},
    {"7", 0, {XK_Home, XK_minus, XK_Return}, true, "-7"},
    {"1", 0, {XK_9, XK_Escape}, false, "(null)"},
  };
  for (const Case& c : cases)
  {
    EntryResult res;
    ASSERT_TRUE(SWELL_BeginTextEntry(v, &r, c.initial, c.maxLength, &style, EntryResult::Numeric, EntryResult::Done, &res));
    EXPECT_TRUE(SWELL_TextEntryOpen(v));
    SWELL_RunLoopPump(0.0);
    Type(t, c.keys);
    ASSERT_TRUE(PumpUntil([&] { return res.calls > 0; })) << c.initial;
    EXPECT_EQ(res.calls, 1);
    EXPECT_EQ(res.committed, c.committed) << c.initial;
    EXPECT_EQ(res.text, c.text) << c.initial;
    EXPECT_FALSE(SWELL_TextEntryOpen(v));
  }
  // A click elsewhere in the view commits; the click still reaches the view.
  EntryResult res;
  ASSERT_TRUE(SWELL_BeginTextEntry(v, &r, "3.0", 0, &style, nullptr, EntryResult::Done, &res));
  SWELL_RunLoopPump(0.0);
  int ox, oy;
  ScreenOrigin(v, &ox, &oy);
  rec.events.clear();
  XTestFakeMotionEvent(t, -1, ox + 150, oy + 80, CurrentTime);
  XTestFakeButtonEvent(t, 1, True, CurrentTime);
  XTestFakeButtonEvent(t, 1, False, CurrentTime);
  XSync(t, False);
  ASSERT_TRUE(PumpUntil([&] { return res.calls > 0 && !rec.of(kSwellMouseDown).empty(); }));
  EXPECT_TRUE(res.committed);
  EXPECT_EQ(res.text, "3.0");
  // The wheel ends a field without applying its text.
  EntryResult wheel;
  ASSERT_TRUE(SWELL_BeginTextEntry(v, &r, "4.0", 0, &style, nullptr, EntryResult::Done, &wheel));
  SWELL_RunLoopPump(0.0);
  XTestFakeButtonEvent(t, 4, True, CurrentTime);
  XTestFakeButtonEvent(t, 4, False, CurrentTime);
  XSync(t, False);
  ASSERT_TRUE(PumpUntil([&] { return wheel.calls > 0; }));
  EXPECT_FALSE(wheel.committed);
  int cx = 0, cy = 0;
  EXPECT_TRUE(SWELL_GetCursorPos(&cx, &cy));
  EXPECT_EQ(cx, ox + 150);
  EXPECT_EQ(cy, oy + 80);
  // Removing the view cancels an open field.
  EntryResult last;
  ASSERT_TRUE(SWELL_BeginTextEntry(v, &r, "x", 0, nullptr, nullptr, EntryResult::Done, &last));
  XCloseDisplay(t);
  SWELL_RemoveView(v);
  EXPECT_EQ(last.calls, 1);
  EXPECT_FALSE(last.committed);
}

} // namespace
