// The tooltip window: placed beside the point and on the screen, carrying
// its text, letting clicks through to the view under it, and gone when
// hidden or when its view goes.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <vector>

#include "swell-x11.h"
#include "tooltip_probe.h"
#include "xvfb_server.h"

namespace
{

struct Events
{
  std::vector<SWELL_Event> got;
  static void Draw(void*, const RECT*) {}
  static bool Event(void* ctx, const SWELL_Event* e)
  {
    static_cast<Events*>(ctx)->got.push_back(*e);
    return true;
  }
  int count(SWELL_EventType t) const
  {
    int n = 0;
    for (const SWELL_Event& e : got) n += e.type == t;
    return n;
  }
};

TEST(X11Tooltip, BesideThePointOnTheScreenWithItsText)
{
  REQUIRE_X();
  Display* d = swell_X11Display();
  Display* t = XOpenDisplay(nullptr);
  ASSERT_NE(t, nullptr);
  const int sw = DisplayWidth(d, DefaultScreen(d)), sh = DisplayHeight(d, DefaultScreen(d));
  Events rec;
  SWELL_ViewCallbacks cb = {&rec, Events::Draw, Events::Event};
  SWELL_View v = SWELL_CreateView(200, 100, &cb);
  ASSERT_NE(v, nullptr);
  ASSERT_TRUE(SWELL_AddViewToParent(v, 0, "tooltip test"));
  const char* text = "Bias: 5.00\nAsymmetry of the valve stage's bias curve, a long line to make it wide";
  // Where the view lies, and the point of the view the tooltip is shown for.
  struct Case
  {
    const char* what;
    int viewX, viewY, px, py;
  } cases[] = {
      {"top left: below right of the point", 0, 0, 20, 20},
      {"right edge: left of the point", sw - 200, 0, 190, 20},
      {"bottom edge: above the point", 0, sh - 100, 20, 95},
      {"bottom right corner", sw - 200, sh - 100, 199, 99},
  };
  for (const Case& c : cases)
  {
    XMoveWindow(d, SWELL_GetViewWindow(v), c.viewX, c.viewY);
    XSync(d, False);
    ASSERT_TRUE(SWELL_ShowTooltip(v, c.px, c.py, text)) << c.what;
    const std::vector<TooltipWindow> tips = TooltipWindows(t);
    ASSERT_EQ(tips.size(), 1u) << c.what;
    const TooltipWindow& tip = tips[0];
    EXPECT_EQ(tip.text, text) << c.what;
    EXPECT_GT(tip.w, 200) << c.what << ": two lines, the long one sets the width";
    EXPECT_GT(tip.h, 20) << c.what;
    EXPECT_GE(tip.x, 0) << c.what;
    EXPECT_GE(tip.y, 0) << c.what;
    EXPECT_LE(tip.x + tip.w, sw) << c.what;
    EXPECT_LE(tip.y + tip.h, sh) << c.what;
    const int ptX = c.viewX + c.px, ptY = c.viewY + c.py;
    EXPECT_FALSE(ptX >= tip.x && ptX < tip.x + tip.w && ptY >= tip.y && ptY < tip.y + tip.h)
        << c.what << ": the tooltip covers the point";
  }
  // Showing again replaces it; hiding another view's tooltip does nothing.
  ASSERT_TRUE(SWELL_ShowTooltip(v, 10, 10, "other"));
  SWELL_HideTooltip(reinterpret_cast<SWELL_View>(&rec));
  ASSERT_EQ(TooltipWindows(t).size(), 1u);
  EXPECT_EQ(TooltipWindows(t)[0].text, "other");
  SWELL_HideTooltip(v);
  EXPECT_TRUE(TooltipWindows(t).empty());
  EXPECT_FALSE(SWELL_ShowTooltip(v, 0, 0, ""));
  EXPECT_FALSE(SWELL_ShowTooltip(nullptr, 0, 0, "x"));
  EXPECT_TRUE(TooltipWindows(t).empty());
  XCloseDisplay(t);
  SWELL_RemoveView(v);
}

TEST(X11Tooltip, ClicksGoThroughToTheViewAndItGoesWithItsView)
{
  REQUIRE_X();
  Display* d = swell_X11Display();
  Display* t = XOpenDisplay(nullptr);
  ASSERT_NE(t, nullptr);
  Events rec;
  SWELL_ViewCallbacks cb = {&rec, Events::Draw, Events::Event};
  SWELL_View v = SWELL_CreateView(400, 300, &cb);
  ASSERT_NE(v, nullptr);
  ASSERT_TRUE(SWELL_AddViewToParent(v, 0, "tooltip test"));
  XMoveWindow(d, SWELL_GetViewWindow(v), 0, 0);
  XSync(d, False);
  const int errorsBefore = swell_X11ErrorCount();
  ASSERT_TRUE(SWELL_ShowTooltip(v, 10, 10, "Drive: 2.0"));
  const std::vector<TooltipWindow> tips = TooltipWindows(t);
  ASSERT_EQ(tips.size(), 1u);
  // A click in the middle of the tooltip lands on the view beneath it.
  XTestFakeMotionEvent(t, -1, tips[0].x + tips[0].w / 2, tips[0].y + tips[0].h / 2, CurrentTime);
  XTestFakeButtonEvent(t, 1, True, CurrentTime);
  XTestFakeButtonEvent(t, 1, False, CurrentTime);
  XSync(t, False);
  ASSERT_TRUE(PumpUntil([&] { return rec.count(kSwellMouseUp) == 1; }));
  EXPECT_EQ(rec.count(kSwellMouseDown), 1);
  // The pointer leaving the view is reported.
  XTestFakeMotionEvent(t, -1, 600, 500, CurrentTime);
  XSync(t, False);
  EXPECT_TRUE(PumpUntil([&] { return rec.count(kSwellMouseLeave) == 1; }));
  SWELL_RemoveView(v);
  EXPECT_TRUE(TooltipWindows(t).empty()) << "the tooltip outlived its view";
  EXPECT_EQ(swell_X11ErrorCount(), errorsBefore);
  XCloseDisplay(t);
}

} // namespace
