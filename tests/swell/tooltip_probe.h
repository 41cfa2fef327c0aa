// Finds tooltip windows on the screen from a test's own connection: mapped
// override-redirect children of the root typed as tooltips, with their
// place, size and text. Works whichever copy of the window layer (a loaded
// bundle's or the test's) made them.
#ifndef TOOLTIP_PROBE_H_
#define TOOLTIP_PROBE_H_

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>
#include <vector>

struct TooltipWindow
{
  Window win;
  int x, y, w, h;
  std::string text;
};

inline std::vector<TooltipWindow> TooltipWindows(Display* d)
{
  std::vector<TooltipWindow> found;
  XSync(d, False);
  const Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE", False);
  const Atom tooltip = XInternAtom(d, "_NET_WM_WINDOW_TYPE_TOOLTIP", False);
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) return found;
  for (unsigned i = 0; i < n; ++i)
  {
    XWindowAttributes wa;
    if (!XGetWindowAttributes(d, children[i], &wa) || !wa.override_redirect || wa.map_state != IsViewable) continue;
    Atom got = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* value = nullptr;
    const bool isTip = XGetWindowProperty(d, children[i], type, 0, 1, False, XA_ATOM, &got, &format, &count, &after,
                                          &value) == Success &&
                       value && count == 1 && *reinterpret_cast<Atom*>(value) == tooltip;
    if (value) XFree(value);
    if (!isTip) continue;
    char* name = nullptr;
    XFetchName(d, children[i], &name);
    found.push_back({children[i], wa.x, wa.y, wa.width, wa.height, name ? name : ""});
    if (name) XFree(name);
  }
  if (children) XFree(children);
  return found;
}

#endif
