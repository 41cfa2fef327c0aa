// One-line text fields on X11: a child window over a view's rectangle, drawn
// with the memory drawing context and the text functions, holding the
// keyboard focus until Return, Escape or focus loss ends it. A field opens
// with its whole text selected, so what is typed first replaces it.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "swell-internal.h"
#include "swell-text-layout.h"
#include "swell-x11.h"

namespace
{

const int kMarginPx = 2;

struct Entry
{
  SWELL_View view;
  Window win;
  GC gc;
  HDC dc;
  HFONT font;
  int w, h;                      // pixels
  std::vector<uint32_t> codes;   // the text
  int caret;                     // index into codes
  bool selected;                 // the whole text is selected
  int maxLength;                 // characters, 0 = no limit
  SWELL_TextEntryStyle style;
  SWELL_TextEntryFilter filter;
  SWELL_TextEntryProc done;
  void* ctx;
};

std::vector<Entry*>& Entries()
{
  static auto* s_entries = new std::vector<Entry*>;
  return *s_entries;
}

Entry* EntryOf(SWELL_View v)
{
  for (Entry* e : Entries())
    if (e->view == v) return e;
  return nullptr;
}

std::string Utf8(const std::vector<uint32_t>& codes, size_t n)
{
  std::string s;
  for (size_t i = 0; i < n && i < codes.size(); ++i)
  {
    const uint32_t c = codes[i];
    if (c < 0x80) s += static_cast<char>(c);
    else if (c < 0x800)
    {
      s += static_cast<char>(0xC0 | (c >> 6));
      s += static_cast<char>(0x80 | (c & 0x3F));
    }
    else if (c < 0x10000)
    {
      s += static_cast<char>(0xE0 | (c >> 12));
      s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (c & 0x3F));
    }
    else
    {
      s += static_cast<char>(0xF0 | (c >> 18));
      s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return s;
}

void Draw(Entry& e)
{
  unsigned char* px = static_cast<unsigned char*>(SWELL_GetCtxFrameBuffer(e.dc));
  const int bg = e.style.backgroundColour;
  const bool selected = e.selected && !e.codes.empty();
  for (int i = 0; i < e.w * e.h; ++i)
  {
    px[i * 4] = 0xFF;
    px[i * 4 + 1] = static_cast<unsigned char>(bg >> 16);
    px[i * 4 + 2] = static_cast<unsigned char>(bg >> 8);
    px[i * 4 + 3] = static_cast<unsigned char>(bg);
  }
  const std::string all = Utf8(e.codes, e.codes.size());
  const int boxW = e.w - 2 * kMarginPx;
  const double fullW = swell_TextWidth(e.dc, all.c_str());
  double x = kMarginPx;
  if (e.style.align & DT_RIGHT) x += boxW - fullW;
  else if (e.style.align & DT_CENTER) x += (boxW - fullW) / 2.0;
  if (selected)
  {
    // The selection: the text's own extent in the text colour, the text
    // over it in the background colour.
    const int tc = e.style.textColour;
    const int x0 = std::max(0, static_cast<int>(std::floor(x)));
    const int x1 = std::min(e.w, static_cast<int>(std::ceil(x + fullW)));
    for (int y = kMarginPx; y < e.h - kMarginPx; ++y)
      for (int px0 = x0; px0 < x1; ++px0)
      {
        unsigned char* p = px + (static_cast<size_t>(y) * e.w + px0) * 4;
        p[1] = static_cast<unsigned char>(tc >> 16);
        p[2] = static_cast<unsigned char>(tc >> 8);
        p[3] = static_cast<unsigned char>(tc);
      }
  }
  SetTextColor(e.dc, selected ? bg : e.style.textColour);
  RECT r = {static_cast<int>(std::floor(x)), 0, e.w, e.h};
  SWELL_DrawText(e.dc, all.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
  if (selected)
  {
    swell_X11PutArgb(e.win, e.gc, px, e.w, e.h);
    return;
  }
  const int caretX = static_cast<int>(std::floor(x + swell_TextWidth(e.dc, Utf8(e.codes, e.caret).c_str())));
  if (caretX >= 0 && caretX < e.w)
  {
    const int tc = e.style.textColour;
    for (int y = kMarginPx; y < e.h - kMarginPx; ++y)
    {
      unsigned char* p = px + (static_cast<size_t>(y) * e.w + caretX) * 4;
      p[1] = static_cast<unsigned char>(tc >> 16);
      p[2] = static_cast<unsigned char>(tc >> 8);
      p[3] = static_cast<unsigned char>(tc);
    }
  }
  swell_X11PutArgb(e.win, e.gc, px, e.w, e.h);
}

// The character a key types, 0 for none.
uint32_t Codepoint(KeySym sym)
{
  if (sym >= XK_KP_0 && sym <= XK_KP_9) return '0' + static_cast<uint32_t>(sym - XK_KP_0);
  switch (sym)
  {
  case XK_KP_Decimal: return '.';
  case XK_KP_Subtract: return '-';
  case XK_KP_Add: return '+';
  case XK_KP_Multiply: return '*';
  case XK_KP_Divide: return '/';
  case XK_KP_Space: return ' ';
  default: break;
  }
  if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) return static_cast<uint32_t>(sym);
  if ((sym & 0xFF000000u) == 0x01000000u) return static_cast<uint32_t>(sym & 0x00FFFFFFu);
  return 0;
}

void OnKey(Entry& e, XKeyEvent& k)
{
  char buf[16];
  KeySym sym = 0;
  XLookupString(&k, buf, sizeof(buf), &sym, nullptr);
  // With the whole text selected, a character or a deletion replaces it and
  // a caret key only ends the selection.
  const bool selected = e.selected;
  e.selected = false;
  if (selected && (sym == XK_BackSpace || sym == XK_Delete || sym == XK_KP_Delete))
  {
    e.codes.clear();
    e.caret = 0;
    Draw(e);
    return;
  }
  switch (sym)
  {
  case XK_Return:
  case XK_KP_Enter: SWELL_EndTextEntry(e.view, true); return;
  case XK_Escape: SWELL_EndTextEntry(e.view, false); return;
  case XK_BackSpace:
    if (e.caret > 0) e.codes.erase(e.codes.begin() + --e.caret);
    break;
  case XK_Delete:
  case XK_KP_Delete:
    if (e.caret < static_cast<int>(e.codes.size())) e.codes.erase(e.codes.begin() + e.caret);
    break;
  case XK_Left:
  case XK_KP_Left: e.caret = std::max(0, e.caret - 1); break;
  case XK_Right:
  case XK_KP_Right: e.caret = std::min(static_cast<int>(e.codes.size()), e.caret + 1); break;
  case XK_Home:
  case XK_KP_Home: e.caret = 0; break;
  case XK_End:
  case XK_KP_End: e.caret = static_cast<int>(e.codes.size()); break;
  default:
  {
    const uint32_t c = Codepoint(sym);
    if (!c || (k.state & ControlMask) || (e.filter && !e.filter(e.ctx, static_cast<int>(c))))
    {
      e.selected = selected; // a refused key leaves the selection as it was
      return;
    }
    if (selected)
    {
      e.codes.clear();
      e.caret = 0;
    }
    if (e.maxLength > 0 && static_cast<int>(e.codes.size()) >= e.maxLength) return;
    e.codes.insert(e.codes.begin() + e.caret++, c);
    break;
  }
  }
  Draw(e);
}

} // namespace

bool swell_EntryHandleEvent(XEvent& ev)
{
  for (Entry* e : Entries())
  {
    if (e->win != ev.xany.window) continue;
    switch (ev.type)
    {
    case Expose:
      if (ev.xexpose.count == 0) Draw(*e);
      break;
    case KeyPress: OnKey(*e, ev.xkey); break;
    case FocusOut:
      // Focus moved elsewhere (not a passing grab of a menu or the host).
      // NotifyPointer reaches the window under the pointer when the focus
      // moves away from the pointer root, also onto this very field.
      if (ev.xfocus.mode == NotifyNormal && ev.xfocus.detail != NotifyInferior && ev.xfocus.detail != NotifyPointer)
        SWELL_EndTextEntry(e->view, true);
      break;
    default: break;
    }
    return true;
  }
  return false;
}

bool SWELL_BeginTextEntry(SWELL_View view, const RECT* r, const char* text, int maxLength,
                          const SWELL_TextEntryStyle* style, SWELL_TextEntryFilter filter, SWELL_TextEntryProc done,
                          void* ctx)
{
  Display* d = swell_X11Display();
  if (!d || !view || !r) return false;
  const int w = r->right - r->left, h = r->bottom - r->top;
  if (w <= 0 || h <= 0 || w > 32767 || h > 32767) return false;
  if (EntryOf(view)) SWELL_EndTextEntry(view, true);
  Entry* e = new Entry();
  e->view = view;
  e->w = w;
  e->h = h;
  e->style = style ? *style : SWELL_TextEntryStyle{"sans-serif", 12, 0x000000, 0xFFFFFF, 0};
  e->maxLength = std::max(0, maxLength);
  e->filter = filter;
  e->done = done;
  e->ctx = ctx;
  if (text)
  {
    const int n = static_cast<int>(std::min<size_t>(strlen(text), kSwellTextMax));
    e->codes.resize(static_cast<size_t>(n));
    int count = 0;
    if (!swell_DecodeUtf8(reinterpret_cast<const unsigned char*>(text), n, e->codes.data(), &count))
    {
      for (int i = 0; i < n; ++i) e->codes[i] = static_cast<unsigned char>(text[i]);
      count = n;
    }
    e->codes.resize(static_cast<size_t>(count));
  }
  e->caret = static_cast<int>(e->codes.size());
  e->selected = true;
  e->dc = SWELL_CreateMemContext(nullptr, w, h);
  e->font = CreateFont(e->style.heightPx, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, e->style.face);
  if (!e->dc || !e->font)
  {
    SWELL_DeleteGfxContext(e->dc);
    DeleteObject(e->font);
    delete e;
    return false;
  }
  SelectObject(e->dc, e->font);
  XSetWindowAttributes a = {};
  a.event_mask = ExposureMask | KeyPressMask | FocusChangeMask | ButtonPressMask;
  e->win = XCreateWindow(d, SWELL_GetViewWindow(view), r->left, r->top, static_cast<unsigned>(w),
                         static_cast<unsigned>(h), 0, CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &a);
  e->gc = XCreateGC(d, e->win, 0, nullptr);
  Entries().push_back(e);
  XMapRaised(d, e->win);
  XSync(d, False);
  XSetInputFocus(d, e->win, RevertToParent, CurrentTime);
  Draw(*e);
  return true;
}

void SWELL_EndTextEntry(SWELL_View view, bool commit)
{
  Entry* e = EntryOf(view);
  if (!e) return;
  auto& list = Entries();
  list.erase(std::remove(list.begin(), list.end(), e), list.end());
  const std::string text = Utf8(e->codes, e->codes.size());
  Display* d = swell_X11Display();
  XFreeGC(d, e->gc);
  if (!swell_X11ViewDestroyed(view)) XDestroyWindow(d, e->win); // else gone with the view
  XSync(d, False);
  SWELL_DeleteGfxContext(e->dc);
  DeleteObject(e->font);
  SWELL_TextEntryProc done = e->done;
  void* ctx = e->ctx;
  delete e;
  if (done) done(ctx, commit ? text.c_str() : nullptr, commit);
}

bool SWELL_TextEntryOpen(SWELL_View view)
{
  return EntryOf(view) != nullptr;
}
