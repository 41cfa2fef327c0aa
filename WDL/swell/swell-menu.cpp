// Pop-up menus on X11: override-redirect windows drawn with the memory
// drawing context and the text functions, run modally with the pointer and
// keyboard grabbed until an item is chosen or the menu is dismissed.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "swell-x11.h"
#include "swell.h"

namespace
{

// Sizes at scale 1; a scaled menu multiplies each (rounded).
const int kItemHeightPx = 20;
const int kSeparatorHeightPx = 7;
const int kCheckAreaPx = 20;   // left of the titles
const int kIndentPx = 12;      // per indentation level
const int kArrowAreaPx = 20;   // right of the titles
const int kBorderPx = 1;
const int kMinWidthPx = 80;
const int kFontPx = 13;

// Colours, 0x00RRGGBB.
const int kBackground = 0xF2F2F2;
const int kBorder = 0x808080;
const int kText = 0x000000;
const int kDisabledText = 0x9A9A9A;
const int kHighlight = 0x3874D8;
const int kHighlightText = 0xFFFFFF;

struct OpenMenu
{
  const SWELL_Menu* menu;
  Window win;
  GC gc;
  HDC dc;
  int x, y, w, h;          // screen position and size
  std::vector<int> top;    // top of each item, count + 1 entries
  int hover = -1;          // highlighted item
  int openSub = -1;        // item whose submenu is open
  double scale = 1.0;      // of every length and the font

  int Px(int px) const { return swell_ScaledPx(px, scale); }
};

HFONT MenuFont(double scale)
{
  return swell_SansFont(swell_ScaledPx(kFontPx, scale), FW_NORMAL);
}

bool Selectable(const SWELL_MenuItem& it)
{
  return !it.separator && it.enabled;
}

void Text(HDC dc, const char* text, int colour, RECT r, int flags)
{
  SetTextColor(dc, colour);
  SWELL_DrawText(dc, text, -1, &r, flags | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void Draw(OpenMenu& m)
{
  const int border = m.Px(kBorderPx), inset = m.Px(4), checkArea = m.Px(kCheckAreaPx);
  const int arrowArea = m.Px(kArrowAreaPx), rule = std::max(1, m.Px(1));
  swell_FillRect(m.dc, m.w, 0, 0, m.w, m.h, kBorder);
  swell_FillRect(m.dc, m.w, border, border, m.w - border, m.h - border, kBackground);
  for (int i = 0; i < m.menu->count; ++i)
  {
    const SWELL_MenuItem& it = m.menu->items[i];
    const int t = m.top[i], b = m.top[i + 1];
    if (it.separator)
    {
      swell_FillRect(m.dc, m.w, border + inset, (t + b) / 2, m.w - border - inset, (t + b) / 2 + rule, kBorder);
      continue;
    }
    const bool lit = i == m.hover && Selectable(it);
    if (lit) swell_FillRect(m.dc, m.w, border, t, m.w - border, b, kHighlight);
    const int colour = lit ? kHighlightText : it.enabled ? kText : kDisabledText;
    const int left = border + checkArea + std::max(0, it.indent) * m.Px(kIndentPx);
    if (it.checked) Text(m.dc, "\xe2\x9c\x93", colour, RECT{border + inset, t, border + checkArea, b}, 0);
    Text(m.dc, it.title ? it.title : "", colour, RECT{left, t, m.w - arrowArea, b}, 0);
    if (it.submenu) Text(m.dc, "\xe2\x96\xb8", colour, RECT{m.w - arrowArea, t, m.w - border - inset, b}, DT_RIGHT);
  }
  swell_X11PutArgb(m.win, m.gc, SWELL_GetCtxFrameBuffer(m.dc), m.w, m.h);
}

// Measures, places (kept on the screen) and maps a menu window.
bool Open(OpenMenu& m, const SWELL_Menu* menu, int x, int y, double scale)
{
  m.scale = scale;
  Display* d = swell_X11Display();
  m.menu = menu;
  m.top.assign(static_cast<size_t>(menu->count) + 1, 0);
  HDC measure = SWELL_CreateMemContext(nullptr, 1, 1);
  SelectObject(measure, MenuFont(m.scale));
  int textW = 0, h = m.Px(kBorderPx);
  for (int i = 0; i < menu->count; ++i)
  {
    const SWELL_MenuItem& it = menu->items[i];
    m.top[i] = h;
    h += m.Px(it.separator ? kSeparatorHeightPx : kItemHeightPx);
    if (it.separator || !it.title) continue;
    RECT r = {0, 0, 0, 0};
    SWELL_DrawText(measure, it.title, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    textW = std::max(textW, r.right + std::max(0, it.indent) * m.Px(kIndentPx));
  }
  m.top[menu->count] = h;
  SWELL_DeleteGfxContext(measure);
  m.w = std::max(m.Px(kMinWidthPx), textW + m.Px(kCheckAreaPx) + m.Px(kArrowAreaPx) + 2 * m.Px(kBorderPx));
  m.h = h + m.Px(kBorderPx);
  const int sw = DisplayWidth(d, DefaultScreen(d)), sh = DisplayHeight(d, DefaultScreen(d));
  m.x = std::max(0, std::min(x, sw - m.w));
  m.y = std::max(0, std::min(y, sh - m.h));
  m.dc = SWELL_CreateMemContext(nullptr, m.w, m.h);
  if (!m.dc) return false;
  SelectObject(m.dc, MenuFont(m.scale));
  XSetWindowAttributes a = {};
  a.override_redirect = True;
  a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
  m.win = XCreateWindow(d, DefaultRootWindow(d), m.x, m.y, static_cast<unsigned>(m.w), static_cast<unsigned>(m.h), 0,
                        CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &a);
  m.gc = XCreateGC(d, m.win, 0, nullptr);
  XMapRaised(d, m.win);
  return true;
}

void Close(OpenMenu& m)
{
  Display* d = swell_X11Display();
  XFreeGC(d, m.gc);
  XDestroyWindow(d, m.win);
  SWELL_DeleteGfxContext(m.dc);
}

// The item of m at screen point (x, y), -1 between items or outside.
int ItemAt(const OpenMenu& m, int x, int y)
{
  if (x < m.x || x >= m.x + m.w || y < m.y || y >= m.y + m.h) return -1;
  for (int i = 0; i < m.menu->count; ++i)
    if (y - m.y >= m.top[i] && y - m.y < m.top[i + 1]) return i;
  return -1;
}

bool Inside(const OpenMenu& m, int x, int y)
{
  return x >= m.x && x < m.x + m.w && y >= m.y && y < m.y + m.h;
}

bool IsInput(int type)
{
  return type == KeyPress || type == KeyRelease || type == ButtonPress || type == ButtonRelease ||
         type == MotionNotify || type == EnterNotify || type == LeaveNotify;
}

// Takes the pointer and the keyboard for the menu window, trying for a short
// while (a grab just ending elsewhere); false, holding neither, when another
// client keeps one of them.
bool GrabInput(Display* d, Window win)
{
  const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  for (int attempt = 0;; ++attempt)
  {
    const int pointer = XGrabPointer(d, win, True, mask, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    const int keyboard = XGrabKeyboard(d, win, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (pointer == GrabSuccess && keyboard == GrabSuccess) return true;
    if (pointer == GrabSuccess) XUngrabPointer(d, CurrentTime);
    if (keyboard == GrabSuccess) XUngrabKeyboard(d, CurrentTime);
    XSync(d, False);
    if (attempt == 10) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

} // namespace

void swell_FillRect(HDC dc, int w, int l, int t, int r, int b, int colour)
{
  unsigned char* px = static_cast<unsigned char*>(SWELL_GetCtxFrameBuffer(dc));
  for (int y = t; y < b; ++y)
  {
    for (int x = l; x < r; ++x)
    {
      unsigned char* p = px + (static_cast<size_t>(y) * w + x) * 4;
      p[0] = 0xFF;
      p[1] = static_cast<unsigned char>(colour >> 16);
      p[2] = static_cast<unsigned char>(colour >> 8);
      p[3] = static_cast<unsigned char>(colour);
    }
  }
}

int SWELL_TrackPopupMenu(SWELL_View view, const SWELL_Menu* menu, int x, int y, const SWELL_Menu** chosenMenu,
                         double scale)
{
  if (!(scale >= 1.0 && scale <= 4.0)) scale = 1.0;
  if (chosenMenu) *chosenMenu = nullptr;
  Display* d = swell_X11Display();
  if (!d || !view || !menu || !menu->items || menu->count <= 0) return -1;
  int sx = 0, sy = 0;
  Window child;
  XTranslateCoordinates(d, SWELL_GetViewWindow(view), DefaultRootWindow(d), x, y, &sx, &sy, &child);

  std::vector<OpenMenu> stack(1);
  if (!Open(stack[0], menu, sx, sy, scale)) return -1;
  XSync(d, False);
  // Without both grabs no input would reach the menu: it ends at once.
  if (!GrabInput(d, stack[0].win))
  {
    Close(stack[0]);
    XSync(d, False);
    return -1;
  }

  // Opens the submenu of stack[level]'s item, closing deeper menus.
  auto closeAbove = [&](size_t level) {
    while (stack.size() > level + 1)
    {
      Close(stack.back());
      stack.pop_back();
    }
    stack[level].openSub = -1;
  };
  auto setHover = [&](size_t level, int item) {
    OpenMenu& m = stack[level];
    if (m.hover == item) return;
    m.hover = item;
    Draw(m);
    if (m.openSub != item) closeAbove(level);
    const SWELL_MenuItem* it = item >= 0 ? &m.menu->items[item] : nullptr;
    if (it && it->submenu && it->enabled && it->submenu->count > 0 && stack[level].openSub != item)
    {
      OpenMenu sub;
      const int subX = m.x + m.w - m.Px(2), subY = m.y + m.top[item] - m.Px(kBorderPx);
      if (Open(sub, it->submenu, subX, subY, m.scale))
      {
        stack[level].openSub = item;
        stack.push_back(sub);
      }
    }
  };

  int result = -1;
  const SWELL_Menu* chosen = nullptr;
  bool done = false;
  // Window-system news for other windows (a destroyed view, a close
  // request), handed back to the queue once the menu ends.
  std::vector<XEvent> deferred;
  const Window viewWin = SWELL_GetViewWindow(view);
  while (!done)
  {
    XEvent ev;
    XNextEvent(d, &ev);
    switch (ev.type)
    {
    case Expose:
    {
      bool ours = false;
      for (OpenMenu& m : stack)
        if (m.win == ev.xexpose.window)
        {
          ours = true;
          if (ev.xexpose.count == 0) Draw(m);
        }
      if (!ours) swell_X11HandleEvent(ev); // other views keep their redraws
      break;
    }
    case MotionNotify:
      for (size_t level = stack.size(); level-- > 0;)
      {
        if (!Inside(stack[level], ev.xmotion.x_root, ev.xmotion.y_root)) continue;
        setHover(level, ItemAt(stack[level], ev.xmotion.x_root, ev.xmotion.y_root));
        break;
      }
      break;
    case ButtonPress:
    {
      bool inside = false;
      for (size_t level = stack.size(); level-- > 0;)
      {
        if (!Inside(stack[level], ev.xbutton.x_root, ev.xbutton.y_root)) continue;
        inside = true;
        const int item = ItemAt(stack[level], ev.xbutton.x_root, ev.xbutton.y_root);
        if (item >= 0 && Selectable(stack[level].menu->items[item]) && !stack[level].menu->items[item].submenu)
        {
          result = item;
          chosen = stack[level].menu;
          done = true;
        }
        else if (item >= 0)
        {
          setHover(level, item);
        }
        break;
      }
      if (!inside) done = true; // a click outside dismisses
      break;
    }
    case KeyPress:
    {
      const KeySym sym = XLookupKeysym(&ev.xkey, 0);
      OpenMenu& m = stack.back();
      if (sym == XK_Escape) done = true;
      else if (sym == XK_Up || sym == XK_Down)
      {
        const int step = sym == XK_Down ? 1 : -1;
        int i = m.hover;
        for (int n = 0; n < m.menu->count; ++n)
        {
          i = (i + step + m.menu->count) % m.menu->count;
          if (i < 0) i += m.menu->count;
          if (Selectable(m.menu->items[i])) break;
        }
        m.hover = i;
        Draw(m);
      }
      else if ((sym == XK_Return || sym == XK_KP_Enter) && m.hover >= 0 && Selectable(m.menu->items[m.hover]) &&
               !m.menu->items[m.hover].submenu)
      {
        result = m.hover;
        chosen = m.menu;
        done = true;
      }
      break;
    }
    default:
      // Input for other windows is dropped while the menu runs; the rest
      // waits for it to end. The view's window destroyed ends it.
      if (IsInput(ev.type)) break;
      deferred.push_back(ev);
      if (ev.type == DestroyNotify && ev.xdestroywindow.window == viewWin) done = true;
      break;
    }
  }
  XUngrabKeyboard(d, CurrentTime);
  XUngrabPointer(d, CurrentTime);
  closeAbove(0);
  Close(stack[0]);
  XSync(d, False);
  for (auto it = deferred.rbegin(); it != deferred.rend(); ++it) XPutBackEvent(d, &*it);
  if (chosenMenu) *chosenMenu = chosen;
  return result;
}
