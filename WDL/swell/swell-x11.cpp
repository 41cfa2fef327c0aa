// Views on X11: a view is an X window (a child of the host's window, or a
// top-level window), presented from a 32-bit A,R,G,B buffer with XPutImage or
// MIT-SHM, converting to the visual's layout. Events reach the view's
// callbacks from the UI run loop's pump, on the thread that pumps it.
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "swell-internal.h"
#include "swell-wnd.h"
#include "swell-x11.h"

struct SWELL_ViewRec
{
  Window win;
  Window parent;           // 0 while top-level or unparented
  Window placedIn;         // the parent this library put the window in (0: none)
  bool topLevel;
  bool released;           // its owner let it go while a host holds the window: kept until the host destroys it
  bool destroyed;          // the window is gone (its parent was destroyed): no more requests for it
  int w, h;                // pixels
  SWELL_ViewCallbacks cb;
  bool hasDirty;
  RECT dirty;              // union of areas waiting for a draw callback
  GC gc;
  XImage* image;           // view-sized image the pixels are converted into
  XShmSegmentInfo shm;
  bool shmAttached;
  // Click counting per button.
  int lastButton;
  Time lastTime;
  int lastX, lastY;
  int clicks;
};

namespace
{

Display* s_display = nullptr;
bool s_displayTried = false;
bool s_useShm = true;
int s_errors = 0;
// Xlib keeps one error handler per process. Ours is installed with the
// connection and, when the connection closes, replaced by the one it found,
// unless another was installed over ours meanwhile (that one may pass errors
// on to ours, so ours stays in place and keeps forwarding).
XErrorHandler s_previousHandler = nullptr;
bool s_handlerInstalled = false;
Atom s_wmDelete = 0;
std::vector<SWELL_View>& Views()
{
  static auto* s_views = new std::vector<SWELL_View>;
  return *s_views;
}

const Time kDoubleClickMs = 400;
const int kDoubleClickSlopPx = 4;

// Errors on our connection are counted (a failed SHM attach, a request for a
// window the host destroyed); others go to whoever handled them before, so a
// host's own handler keeps working.
int OnXError(Display* d, XErrorEvent* e)
{
  if (s_display && d == s_display)
  {
    ++s_errors;
    return 0;
  }
  return s_previousHandler ? s_previousHandler(d, e) : 0;
}

void InstallErrorHandler()
{
  if (s_handlerInstalled) return; // still in the chain from an earlier connection
  const XErrorHandler found = XSetErrorHandler(OnXError);
  if (found != OnXError) s_previousHandler = found; // never forward to ourselves
  s_handlerInstalled = true;
}

void RestoreErrorHandler()
{
  if (!s_handlerInstalled || !s_previousHandler) return;
  const XErrorHandler current = XSetErrorHandler(s_previousHandler);
  if (current == OnXError) s_handlerInstalled = false;
  else XSetErrorHandler(current); // someone else's is on top of ours: leave the chain as it is
}

void FreeImage(SWELL_View v);
void DeleteView(SWELL_View v, bool destroyWindow);

SWELL_View FindView(Window w)
{
  for (SWELL_View v : Views())
    if (v->win == w) return v;
  return nullptr;
}

void AddDirty(SWELL_View v, const RECT& r)
{
  RECT c = {std::max(0, r.left), std::max(0, r.top), std::min(v->w, r.right), std::min(v->h, r.bottom)};
  if (c.left >= c.right || c.top >= c.bottom) return;
  if (!v->hasDirty) v->dirty = c;
  else
  {
    v->dirty.left = std::min(v->dirty.left, c.left);
    v->dirty.top = std::min(v->dirty.top, c.top);
    v->dirty.right = std::max(v->dirty.right, c.right);
    v->dirty.bottom = std::max(v->dirty.bottom, c.bottom);
  }
  v->hasDirty = true;
}

int Modifiers(unsigned int state)
{
  int m = 0;
  if (state & ShiftMask) m |= kSwellModShift;
  if (state & ControlMask) m |= kSwellModControl;
  if (state & Mod1Mask) m |= kSwellModOption;
  if (state & Mod4Mask) m |= kSwellModCommand;
  return m;
}

bool Deliver(SWELL_View v, const SWELL_Event& e)
{
  return v->cb.event ? v->cb.event(v->cb.ctx, &e) : false;
}

void OnButton(SWELL_View v, const XButtonEvent& b, bool down)
{
  // A press elsewhere in the view takes the focus from an open text field,
  // which commits it; the wheel ends it without applying the text.
  if (down && SWELL_TextEntryOpen(v)) SWELL_EndTextEntry(v, b.button != 4 && b.button != 5);
  SWELL_Event e = {};
  e.x = b.x;
  e.y = b.y;
  e.modifiers = Modifiers(b.state);
  if (b.button == 4 || b.button == 5)
  {
    if (!down) return;
    e.type = kSwellMouseWheel;
    e.wheelDelta = b.button == 4 ? 1 : -1;
    Deliver(v, e);
    return;
  }
  if (b.button != 1 && b.button != 3) return;
  e.type = down ? kSwellMouseDown : kSwellMouseUp;
  e.button = static_cast<int>(b.button);
  if (down)
  {
    const bool again = b.button == 1 && v->lastButton == 1 && b.time - v->lastTime <= kDoubleClickMs &&
                       std::abs(b.x - v->lastX) <= kDoubleClickSlopPx && std::abs(b.y - v->lastY) <= kDoubleClickSlopPx;
    v->clicks = again ? v->clicks + 1 : 1;
    v->lastButton = static_cast<int>(b.button);
    v->lastTime = b.time;
    v->lastX = b.x;
    v->lastY = b.y;
  }
  e.clickCount = v->clicks > 2 ? 2 : v->clicks;
  if (down && v->clicks >= 2) v->clicks = 0; // a third click starts over
  Deliver(v, e);
}

void OnKey(SWELL_View v, XKeyEvent& k)
{
  SWELL_Event e = {};
  e.type = kSwellKeyDown;
  e.x = k.x;
  e.y = k.y;
  e.modifiers = Modifiers(k.state);
  KeySym sym = 0;
  const int n = XLookupString(&k, e.text, sizeof(e.text) - 1, &sym, nullptr);
  e.text[n > 0 ? n : 0] = 0;
  e.keysym = sym;
  if (Deliver(v, e)) return;
  // The callback may have removed the view.
  if (std::find(Views().begin(), Views().end(), v) == Views().end() || !v->parent) return;
  // A key the view does not take goes to the window it sits in.
  XEvent fwd;
  fwd.xkey = k;
  fwd.xkey.window = v->parent;
  XSendEvent(s_display, v->parent, False, KeyPressMask, &fwd);
}

} // namespace

void swell_X11HandleEvent(XEvent& ev)
{
  if (swell_EntryHandleEvent(ev)) return;
  SWELL_View v = FindView(ev.xany.window);
  if (!v) return;
  switch (ev.type)
  {
  case Expose:
    AddDirty(v, RECT{ev.xexpose.x, ev.xexpose.y, ev.xexpose.x + ev.xexpose.width, ev.xexpose.y + ev.xexpose.height});
    break;
  case ButtonPress:
  case ButtonRelease: OnButton(v, ev.xbutton, ev.type == ButtonPress); break;
  case MotionNotify:
  {
    if ((ev.xmotion.state & (Button1Mask | Button3Mask)) && SWELL_TextEntryOpen(v)) break; // no drags meanwhile
    SWELL_Event e = {};
    e.type = (ev.xmotion.state & (Button1Mask | Button3Mask)) ? kSwellMouseDrag : kSwellMouseOver;
    e.x = ev.xmotion.x;
    e.y = ev.xmotion.y;
    e.button = (ev.xmotion.state & Button1Mask) ? 1 : (ev.xmotion.state & Button3Mask) ? 3 : 0;
    e.modifiers = Modifiers(ev.xmotion.state);
    Deliver(v, e);
    break;
  }
  case KeyPress: OnKey(v, ev.xkey); break;
  case LeaveNotify:
  {
    // Into the view's own text field is no leaving.
    if (ev.xcrossing.detail == NotifyInferior) break;
    SWELL_Event e = {};
    e.type = kSwellMouseLeave;
    e.x = ev.xcrossing.x;
    e.y = ev.xcrossing.y;
    e.modifiers = Modifiers(ev.xcrossing.state);
    Deliver(v, e);
    break;
  }
  case FocusOut:
  {
    SWELL_Event e = {};
    e.type = kSwellFocusOut;
    Deliver(v, e);
    break;
  }
  case ReparentNotify:
    // A host put the view into its own window (or took it out): unhandled
    // keys go there.
    if (ev.xreparent.window == v->win)
      v->parent = ev.xreparent.parent == DefaultRootWindow(s_display) ? 0 : ev.xreparent.parent;
    break;
  case DestroyNotify:
    // The host destroyed the window the view sits in, and the view with it:
    // the view detaches from its owner, who removes it.
    if (ev.xdestroywindow.window == v->win && v->released)
    {
      DeleteView(v, false); // the host is done with the window its owner let go
    }
    else if (ev.xdestroywindow.window == v->win)
    {
      v->destroyed = true;
      v->hasDirty = false;
      SWELL_Event e = {};
      e.type = kSwellClose;
      Deliver(v, e);
    }
    break;
  case ClientMessage:
    if (static_cast<Atom>(ev.xclient.data.l[0]) == s_wmDelete)
    {
      SWELL_Event e = {};
      e.type = kSwellClose;
      Deliver(v, e);
    }
    break;
  default: break;
  }
}

namespace
{

int ConnectionFd()
{
  return s_display ? ConnectionNumber(s_display) : -1;
}

// Handles every queued event, then runs the draw callbacks of views with
// dirty areas. A callback may remove views, so each step looks the view up
// again.
void Dispatch()
{
  if (!s_display) return;
  // A handler may remove the last view, which closes the connection.
  while (s_display && XPending(s_display))
  {
    XEvent ev;
    XNextEvent(s_display, &ev);
    swell_X11HandleEvent(ev);
  }
  if (!s_display) return;
  std::vector<SWELL_View> views = Views();
  for (SWELL_View v : views)
  {
    if (std::find(Views().begin(), Views().end(), v) == Views().end() || !v->hasDirty) continue;
    const RECT area = v->dirty;
    v->hasDirty = false;
    if (v->cb.draw) v->cb.draw(v->cb.ctx, &area);
  }
  if (s_display) XFlush(s_display);
}

// Closes the connection once no view is left: the error handler found is put
// back, the run loop forgets the event source, and the server frees what the
// connection made. A later view opens a new connection.
void CloseDisplayIfUnused()
{
  if (!s_display || !Views().empty()) return;
  swell_RunLoopSetEventSource(nullptr, nullptr);
  XSync(s_display, False); // errors of our last requests still reach our handler
  RestoreErrorHandler();
  XCloseDisplay(s_display);
  s_display = nullptr;
  s_displayTried = false;
  s_wmDelete = 0;
}

// Forgets a view, destroying its window unless told not to.
void DeleteView(SWELL_View v, bool destroyWindow)
{
  swell_X11ForgetTooltip(v);
  auto& views = Views();
  views.erase(std::remove(views.begin(), views.end(), v), views.end());
  FreeImage(v);
  XFreeGC(s_display, v->gc);
  if (destroyWindow) XDestroyWindow(s_display, v->win);
  XSync(s_display, False);
  delete v;
  CloseDisplayIfUnused();
}

void FreeImage(SWELL_View v)
{
  if (!v->image) return;
  if (v->shmAttached)
  {
    XShmDetach(s_display, &v->shm);
    XSync(s_display, False);
    v->image->data = nullptr;
    XDestroyImage(v->image);
    shmdt(v->shm.shmaddr);
    v->shmAttached = false;
  }
  else
  {
    XDestroyImage(v->image); // frees the malloc'ed data too
  }
  v->image = nullptr;
}

XImage* MakeShmImage(SWELL_View v, Visual* visual, int depth)
{
  XImage* img = XShmCreateImage(s_display, visual, depth, ZPixmap, nullptr, &v->shm, v->w, v->h);
  if (!img) return nullptr;
  v->shm.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(img->bytes_per_line) * img->height, IPC_CREAT | 0600);
  if (v->shm.shmid < 0)
  {
    XDestroyImage(img);
    return nullptr;
  }
  v->shm.shmaddr = img->data = static_cast<char*>(shmat(v->shm.shmid, nullptr, 0));
  v->shm.readOnly = False;
  const int errorsBefore = s_errors;
  const bool attached = img->data != reinterpret_cast<char*>(-1) && XShmAttach(s_display, &v->shm);
  XSync(s_display, False);
  shmctl(v->shm.shmid, IPC_RMID, nullptr); // freed once both sides detach
  if (!attached || s_errors != errorsBefore)
  {
    if (img->data != reinterpret_cast<char*>(-1)) shmdt(img->data);
    img->data = nullptr;
    XDestroyImage(img);
    return nullptr;
  }
  v->shmAttached = true;
  return img;
}

// A view-sized image of the window's visual (shared memory when the server
// offers it on this connection).
bool EnsureImage(SWELL_View v)
{
  if (v->image && v->image->width == v->w && v->image->height == v->h) return true;
  FreeImage(v);
  XWindowAttributes wa;
  if (!XGetWindowAttributes(s_display, v->win, &wa)) return false;
  if (s_useShm && XShmQueryExtension(s_display)) v->image = MakeShmImage(v, wa.visual, wa.depth);
  if (!v->image)
  {
    XImage* img = XCreateImage(s_display, wa.visual, wa.depth, ZPixmap, 0, nullptr, v->w, v->h, 32, 0);
    if (!img) return false;
    img->data = static_cast<char*>(calloc(static_cast<size_t>(img->bytes_per_line), img->height));
    if (!img->data)
    {
      XDestroyImage(img);
      return false;
    }
    v->image = img;
  }
  return true;
}

// Lowest set bit and width of a colour mask.
void MaskShape(unsigned long mask, int* shift, int* bits)
{
  *shift = 0;
  *bits = 0;
  if (!mask) return;
  while (!(mask & 1))
  {
    mask >>= 1;
    ++*shift;
  }
  while (mask & 1)
  {
    mask >>= 1;
    ++*bits;
  }
}

unsigned long Channel(unsigned v, int shift, int bits)
{
  return bits >= 8 ? static_cast<unsigned long>(v) << (shift + bits - 8) : static_cast<unsigned long>(v >> (8 - bits)) << shift;
}

// Converts area r of an A,R,G,B buffer (rowSpan pixels per row) into the
// same area of img, in img's pixel layout.
void ConvertInto(XImage* img, const void* pixels, int rowSpan, const RECT& r)
{
  int rs, rb, gs, gb, bs, bb;
  MaskShape(img->red_mask, &rs, &rb);
  MaskShape(img->green_mask, &gs, &gb);
  MaskShape(img->blue_mask, &bs, &bb);
  const bool fast = img->bits_per_pixel == 32 && img->byte_order == LSBFirst && rb == 8 && gb == 8 && bb == 8;
  const unsigned char* src = static_cast<const unsigned char*>(pixels);
  for (int y = r.top; y < r.bottom; ++y)
  {
    const unsigned char* row = src + (static_cast<size_t>(y) * rowSpan) * 4;
    if (fast)
    {
      uint32_t* out = reinterpret_cast<uint32_t*>(img->data + static_cast<size_t>(y) * img->bytes_per_line);
      for (int x = r.left; x < r.right; ++x)
      {
        const unsigned char* p = row + x * 4;
        out[x] = static_cast<uint32_t>(p[1]) << rs | static_cast<uint32_t>(p[2]) << gs | static_cast<uint32_t>(p[3]) << bs;
      }
    }
    else
    {
      for (int x = r.left; x < r.right; ++x)
      {
        const unsigned char* p = row + x * 4;
        XPutPixel(img, x, y, Channel(p[1], rs, rb) | Channel(p[2], gs, gb) | Channel(p[3], bs, bb));
      }
    }
  }
}

} // namespace

Display* swell_X11Display()
{
  if (!s_display && !s_displayTried)
  {
    s_displayTried = true;
    s_display = XOpenDisplay(nullptr);
    if (s_display)
    {
      InstallErrorHandler();
      s_wmDelete = XInternAtom(s_display, "WM_DELETE_WINDOW", False);
      swell_RunLoopSetEventSource(ConnectionFd, Dispatch);
    }
  }
  return s_display;
}

void swell_X11SetUseShm(bool use)
{
  s_useShm = use;
}

bool swell_X11ViewDestroyed(SWELL_View view)
{
  return view && view->destroyed;
}

bool swell_X11ViewUsesShm(SWELL_View view)
{
  return view && view->shmAttached;
}

int swell_X11ErrorCount()
{
  return s_errors;
}

SWELL_View SWELL_CreateView(int w, int h, const SWELL_ViewCallbacks* cb)
{
  Display* d = swell_X11Display();
  if (!d || w <= 0 || h <= 0 || w > 32767 || h > 32767) return nullptr;
  SWELL_View v = new SWELL_ViewRec();
  v->w = w;
  v->h = h;
  if (cb) v->cb = *cb;
  XSetWindowAttributes a = {};
  a.background_pixel = BlackPixel(d, DefaultScreen(d));
  a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                 FocusChangeMask | StructureNotifyMask | LeaveWindowMask;
  v->win = XCreateWindow(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                         CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &a);
  v->gc = XCreateGC(d, v->win, 0, nullptr);
  // The window may be handed to another client (a host) at once: make it
  // exist on the server now.
  XSync(d, False);
  Views().push_back(v);
  return v;
}

bool SWELL_AddViewToParent(SWELL_View v, SWELL_WindowId parent, const char* title)
{
  if (!v || !s_display || v->destroyed) return false;
  const int errorsBefore = s_errors;
  if (parent)
  {
    // A parent that does not exist leaves the view unplaced and unmapped
    // (mapping it would show a stray top-level window).
    XReparentWindow(s_display, v->win, parent, 0, 0);
    XSync(s_display, False);
    if (s_errors != errorsBefore) return false;
    v->parent = v->placedIn = parent;
    v->topLevel = false;
  }
  else
  {
    const std::string name = title ? title : "";
    XStoreName(s_display, v->win, name.c_str());
    XChangeProperty(s_display, v->win, XInternAtom(s_display, "_NET_WM_NAME", False),
                    XInternAtom(s_display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()), static_cast<int>(name.size()));
    std::string windowClass = name.substr(0, name.find(' ')), instance = windowClass;
    for (char& c : instance) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    XClassHint* classHint = XAllocClassHint();
    if (classHint)
    {
      classHint->res_name = &instance[0];
      classHint->res_class = &windowClass[0];
      XSetClassHint(s_display, v->win, classHint);
      XFree(classHint);
    }
    XSetWMProtocols(s_display, v->win, &s_wmDelete, 1);
    XSizeHints* hints = XAllocSizeHints();
    if (hints)
    {
      hints->flags = PMinSize | PMaxSize;
      hints->min_width = hints->max_width = v->w;
      hints->min_height = hints->max_height = v->h;
      XSetWMNormalHints(s_display, v->win, hints);
      XFree(hints);
    }
    v->topLevel = true;
  }
  XMapWindow(s_display, v->win);
  XSync(s_display, False);
  return s_errors == errorsBefore;
}

bool SWELL_EmbedWindow(SWELL_View v, SWELL_WindowId child)
{
  if (!v || !s_display || v->destroyed || !child) return false;
  const int errorsBefore = s_errors;
  XReparentWindow(s_display, child, v->win, 0, 0);
  XMapWindow(s_display, child);
  XSync(s_display, False);
  return s_errors == errorsBefore;
}

bool SWELL_GetWindowSize(SWELL_WindowId window, int* w, int* h)
{
  if (!swell_X11Display() || !window || !w || !h) return false;
  const int errorsBefore = s_errors;
  Window root;
  int x, y;
  unsigned width = 0, height = 0, border, depth;
  const Status ok = XGetGeometry(s_display, window, &root, &x, &y, &width, &height, &border, &depth);
  XSync(s_display, False);
  if (!ok || s_errors != errorsBefore) return false;
  *w = static_cast<int>(width);
  *h = static_cast<int>(height);
  return true;
}

void SWELL_ResizeView(SWELL_View v, int w, int h)
{
  if (!v || !s_display || v->destroyed || w <= 0 || h <= 0 || w > 32767 || h > 32767) return;
  v->w = w;
  v->h = h;
  XResizeWindow(s_display, v->win, static_cast<unsigned>(w), static_cast<unsigned>(h));
  FreeImage(v);
  AddDirty(v, RECT{0, 0, w, h});
}

// Whether a host took the view's window into a window of its own (the view
// was handed over unplaced): the window is then the host's to destroy.
bool HeldByHost(SWELL_View v)
{
  if (v->destroyed || v->topLevel || v->placedIn) return false;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  const int errorsBefore = s_errors;
  const Status ok = XQueryTree(s_display, v->win, &root, &parent, &children, &n);
  if (children) XFree(children);
  return ok && s_errors == errorsBefore && parent && parent != root;
}

void SWELL_RemoveView(SWELL_View v)
{
  if (!v || !s_display || std::find(Views().begin(), Views().end(), v) == Views().end()) return;
  // The host may have destroyed the window it put the view in without our
  // having read the news yet: look for it before making any request for the
  // window or its text field.
  XSync(s_display, False);
  XEvent gone;
  if (XCheckTypedWindowEvent(s_display, v->win, DestroyNotify, &gone)) v->destroyed = true;
  SWELL_EndTextEntry(v, false);
  if (!v->released && HeldByHost(v))
  {
    // Destroying it would pull it from under the host: let it go instead,
    // and forget it when the host destroys it.
    swell_X11ForgetTooltip(v);
    v->released = true;
    v->cb = SWELL_ViewCallbacks{};
    v->hasDirty = false;
    FreeImage(v);
    return;
  }
  DeleteView(v, !v->destroyed);
}

SWELL_WindowId SWELL_GetViewWindow(SWELL_View v)
{
  return v ? v->win : 0;
}

void SWELL_InvalidateView(SWELL_View v, const RECT* area)
{
  if (!v) return;
  AddDirty(v, area ? *area : RECT{0, 0, v->w, v->h});
}

bool SWELL_PresentPixels(SWELL_View v, const void* pixels, int rowSpan, int w, int h, const RECT* area)
{
  if (!v || !s_display || v->destroyed || !pixels || rowSpan < w || w <= 0 || h <= 0) return false;
  RECT r = area ? *area : RECT{0, 0, w, h};
  r.left = std::max(r.left, 0);
  r.top = std::max(r.top, 0);
  r.right = std::min({r.right, w, v->w});
  r.bottom = std::min({r.bottom, h, v->h});
  if (r.left >= r.right || r.top >= r.bottom) return true;
  if (!EnsureImage(v)) return false;
  XImage* img = v->image;
  ConvertInto(img, pixels, rowSpan, r);
  const unsigned cw = static_cast<unsigned>(r.right - r.left), ch = static_cast<unsigned>(r.bottom - r.top);
  if (v->shmAttached)
    XShmPutImage(s_display, v->win, v->gc, img, r.left, r.top, r.left, r.top, cw, ch, False);
  else
    XPutImage(s_display, v->win, v->gc, img, r.left, r.top, r.left, r.top, cw, ch);
  // The shared image is rewritten on the next present: wait until the server
  // has read it.
  if (v->shmAttached) XSync(s_display, False);
  else XFlush(s_display);
  return true;
}

bool swell_X11PutArgb(Window win, GC gc, const void* pixels, int w, int h, Drawable into)
{
  if (!s_display || !pixels || w <= 0 || h <= 0) return false;
  XWindowAttributes wa;
  if (!XGetWindowAttributes(s_display, win, &wa)) return false;
  XImage* img = XCreateImage(s_display, wa.visual, wa.depth, ZPixmap, 0, nullptr, w, h, 32, 0);
  if (!img) return false;
  img->data = static_cast<char*>(calloc(static_cast<size_t>(img->bytes_per_line), img->height));
  if (!img->data)
  {
    XDestroyImage(img);
    return false;
  }
  ConvertInto(img, pixels, w, RECT{0, 0, w, h});
  XPutImage(s_display, into ? into : win, gc, img, 0, 0, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h));
  XDestroyImage(img);
  XFlush(s_display);
  return true;
}

bool SWELL_GetCursorPos(int* x, int* y)
{
  if (!swell_X11Display() || !x || !y) return false;
  Window root, child;
  int wx, wy;
  unsigned int mask;
  return XQueryPointer(s_display, DefaultRootWindow(s_display), &root, &child, x, y, &wx, &wy, &mask) == True;
}

void SWELL_HideCursor()
{
  if (!swell_X11Display()) return;
  XFixesHideCursor(s_display, DefaultRootWindow(s_display));
  XFlush(s_display);
}

void SWELL_ShowCursor()
{
  if (!swell_X11Display()) return;
  XFixesShowCursor(s_display, DefaultRootWindow(s_display));
  XFlush(s_display);
}

bool SWELL_MoveCursor(int x, int y)
{
  if (!swell_X11Display()) return false;
  XWarpPointer(s_display, None, DefaultRootWindow(s_display), 0, 0, 0, 0, x, y);
  XFlush(s_display);
  return true;
}

double SWELL_GetXftDpi()
{
  Display* d = swell_X11Display();
  const char* resources = d ? XResourceManagerString(d) : nullptr;
  if (!resources) return 0.0;
  XrmInitialize();
  XrmDatabase db = XrmGetStringDatabase(resources);
  if (!db) return 0.0;
  char* type = nullptr;
  XrmValue value = {};
  double dpi = 0.0;
  if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
  {
    char* end = nullptr;
    dpi = std::strtod(value.addr, &end);
    if (end == value.addr || !(dpi > 0.0)) dpi = 0.0;
  }
  XrmDestroyDatabase(db);
  return dpi;
}
