// The tooltip on X11: one override-redirect window per process, placed
// beside a point of a view and kept on the screen, drawn once with the
// memory drawing context into a pixmap that the server repaints the window
// from. It never takes the focus or the pointer: the window manager does not
// see it, it asks for no events, and its input shape is empty, so clicks and
// motion fall through to the window under it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <string>
#include <vector>

#include "swell-x11.h"
#include "swell.h"

namespace
{

// Sizes at scale 1; a scaled tooltip multiplies each (rounded).
const int kPadPx = 6;          // inside the border, around the text
const int kLineGapPx = 2;      // between lines
const int kOffsetXPx = 14;     // right of the pointer
const int kOffsetYPx = 20;     // below the pointer (clear of the cursor image)
const int kBorderPx = 1;
const int kTitleFontPx = 13;
const int kLineFontPx = 12;
const int kMaxLineChars = 200; // longer lines are cut

// Colours, 0x00RRGGBB.
const int kBackground = 0xFFFBE0;
const int kBorder = 0x6E6A58;
const int kTitle = 0x000000;
const int kText = 0x3A3A3A;

struct Tooltip
{
  SWELL_View owner = nullptr;
  Window win = 0;
  Pixmap pixmap = 0;
  std::string text;
  int x = 0, y = 0; // the view's point it was shown for
  double scale = 1.0;
};

Tooltip& Shown()
{
  static Tooltip s_tip;
  return s_tip;
}

std::vector<std::string> Lines(const std::string& text)
{
  std::vector<std::string> lines;
  size_t at = 0;
  while (at <= text.size())
  {
    const size_t end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, std::min<size_t>(end - at, kMaxLineChars)));
    at = end + 1;
  }
  return lines;
}

HFONT FontOfLine(size_t i, double scale)
{
  return i == 0 ? swell_SansFont(swell_ScaledPx(kTitleFontPx, scale), FW_BOLD)
                : swell_SansFont(swell_ScaledPx(kLineFontPx, scale), FW_NORMAL);
}

void Destroy(Tooltip& t)
{
  Display* d = swell_X11Display();
  if (d && t.win)
  {
    XDestroyWindow(d, t.win);
    XFreePixmap(d, t.pixmap);
    XFlush(d);
  }
  t = Tooltip();
}

} // namespace

bool SWELL_ShowTooltip(SWELL_View view, int x, int y, const char* text, double scale)
{
  Display* d = swell_X11Display();
  if (!d || !view || !text || !*text) return false;
  if (!(scale >= 1.0 && scale <= 4.0)) scale = 1.0;
  Tooltip& t = Shown();
  if (t.win && t.owner == view && t.text == text && t.x == x && t.y == y && t.scale == scale) return true;
  Destroy(t);
  const int padPx = swell_ScaledPx(kPadPx, scale), gapPx = swell_ScaledPx(kLineGapPx, scale);
  const int borderPx = swell_ScaledPx(kBorderPx, scale);
  const int offsetXPx = swell_ScaledPx(kOffsetXPx, scale), offsetYPx = swell_ScaledPx(kOffsetYPx, scale);

  // Measure every line in its font.
  const std::vector<std::string> lines = Lines(text);
  HDC measure = SWELL_CreateMemContext(nullptr, 1, 1);
  if (!measure) return false;
  std::vector<int> heights;
  int textW = 0, textH = 0;
  for (size_t i = 0; i < lines.size(); ++i)
  {
    SelectObject(measure, FontOfLine(i, scale));
    RECT r = {0, 0, 0, 0};
    SWELL_DrawText(measure, lines[i].empty() ? " " : lines[i].c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    heights.push_back(r.bottom);
    textW = std::max(textW, static_cast<int>(r.right));
    textH += r.bottom + (i ? gapPx : 0);
  }
  SWELL_DeleteGfxContext(measure);
  const int w = textW + 2 * (padPx + borderPx), h = textH + 2 * (padPx + borderPx);

  // Draw it.
  HDC dc = SWELL_CreateMemContext(nullptr, w, h);
  if (!dc) return false;
  swell_FillRect(dc, w, 0, 0, w, h, kBorder);
  swell_FillRect(dc, w, borderPx, borderPx, w - borderPx, h - borderPx, kBackground);
  int top = borderPx + padPx;
  for (size_t i = 0; i < lines.size(); ++i)
  {
    SelectObject(dc, FontOfLine(i, scale));
    SetTextColor(dc, i == 0 ? kTitle : kText);
    RECT r = {borderPx + padPx, top, w - borderPx - padPx, top + heights[i]};
    SWELL_DrawText(dc, lines[i].c_str(), -1, &r, DT_SINGLELINE | DT_NOPREFIX);
    top += heights[i] + gapPx;
  }

  // Place it beside the point; where it would leave the screen, on the
  // pointer's other side, and never above or left of the screen's corner.
  int sx = 0, sy = 0;
  Window child;
  XTranslateCoordinates(d, SWELL_GetViewWindow(view), DefaultRootWindow(d), x, y, &sx, &sy, &child);
  const int screenW = DisplayWidth(d, DefaultScreen(d)), screenH = DisplayHeight(d, DefaultScreen(d));
  int left = sx + offsetXPx, up = sy + offsetYPx;
  if (left + w > screenW) left = sx - offsetXPx - w;
  if (up + h > screenH) up = sy - offsetYPx / 2 - h;
  left = std::max(0, std::min(left, screenW - w));
  up = std::max(0, std::min(up, screenH - h));

  XSetWindowAttributes a = {};
  a.override_redirect = True;
  a.save_under = True;
  t.win = XCreateWindow(d, DefaultRootWindow(d), left, up, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                        CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWSaveUnder, &a);
  t.pixmap = XCreatePixmap(d, t.win, static_cast<unsigned>(w), static_cast<unsigned>(h),
                           static_cast<unsigned>(DefaultDepth(d, DefaultScreen(d))));
  GC gc = XCreateGC(d, t.pixmap, 0, nullptr);
  swell_X11PutArgb(t.win, gc, SWELL_GetCtxFrameBuffer(dc), w, h, t.pixmap);
  XFreeGC(d, gc);
  SWELL_DeleteGfxContext(dc);
  XSetWindowBackgroundPixmap(d, t.win, t.pixmap);

  // No input: an empty input shape, and no focus from a window manager.
  XserverRegion none = XFixesCreateRegion(d, nullptr, 0);
  XFixesSetWindowShapeRegion(d, t.win, ShapeInput, 0, 0, none);
  XFixesDestroyRegion(d, none);
  XWMHints* hints = XAllocWMHints();
  if (hints)
  {
    hints->flags = InputHint;
    hints->input = False;
    XSetWMHints(d, t.win, hints);
    XFree(hints);
  }
  // Its text and kind, as a window manager (and a test) reads them.
  XStoreName(d, t.win, text);
  XChangeProperty(d, t.win, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False), 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(text), static_cast<int>(std::string(text).size()));
  Atom tooltipType = XInternAtom(d, "_NET_WM_WINDOW_TYPE_TOOLTIP", False);
  XChangeProperty(d, t.win, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&tooltipType), 1);
  XMapRaised(d, t.win);
  XFlush(d);
  t.owner = view;
  t.text = text;
  t.x = x;
  t.y = y;
  t.scale = scale;
  return true;
}

void SWELL_HideTooltip(SWELL_View view)
{
  Tooltip& t = Shown();
  if (t.win && (!view || t.owner == view)) Destroy(t);
}

void swell_X11ForgetTooltip(SWELL_View view)
{
  if (view) SWELL_HideTooltip(view);
}

int swell_ScaledPx(int px, double scale)
{
  return static_cast<int>(px * scale + 0.5);
}

HFONT swell_SansFont(int heightPx, int weight)
{
  struct Made
  {
    int heightPx, weight;
    HFONT font;
  };
  static auto* s_fonts = new std::vector<Made>;  // never destroyed: fonts live until exit
  for (const Made& m : *s_fonts)
    if (m.heightPx == heightPx && m.weight == weight) return m.font;
  HFONT font = CreateFont(-heightPx, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, "sans-serif");
  s_fonts->push_back(Made{heightPx, weight, font});
  return font;
}
