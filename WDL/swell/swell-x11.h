// The X11 side of the window-system services, for the platform view and
// tests. Not part of the portable interface.
#ifndef SWELL_X11_H_
#define SWELL_X11_H_

#include <X11/Xlib.h>

#include "swell-wnd.h"
#include "swell.h"

// The process's connection to the X server, opened on first use from
// $DISPLAY; null when no server can be reached. [UI thread]
Display* swell_X11Display();

// Whether new view images may use MIT-SHM (default true). [UI thread]
void swell_X11SetUseShm(bool use);

// Whether a view currently presents through shared memory. [UI thread]
bool swell_X11ViewUsesShm(SWELL_View view);

// Whether the view's window was destroyed by its parent's owner (no request
// may name it any more). [UI thread]
bool swell_X11ViewDestroyed(SWELL_View view);

// Handles one event the way the run loop's pump does. [UI thread]
void swell_X11HandleEvent(XEvent& ev);

// Copies a w x h A,R,G,B buffer (row span w) to win at (0, 0), converting to
// the window's visual; with into, to that drawable (of win's depth) instead.
// [UI thread]
bool swell_X11PutArgb(Window win, GC gc, const void* pixels, int w, int h, Drawable into = 0);

// Handles an event of a text field's window; false when it is not one.
// [UI thread]
bool swell_EntryHandleEvent(XEvent& ev);

// Destroys the tooltip view shows, before the view goes. [UI thread]
void swell_X11ForgetTooltip(SWELL_View view);

// Fills the rectangle [l, r) x [t, b) of a memory context w pixels wide
// with 0x00RRGGBB colour, opaque. [UI thread]
void swell_FillRect(HDC dc, int w, int l, int t, int r, int b, int colour);

// X errors seen on the connection so far. [UI thread]
int swell_X11ErrorCount();

// A length in pixels at scale 1 (a tooltip's padding, a menu's row) at the
// given display scale, rounded. [UI thread]
int swell_ScaledPx(int px, double scale);

// A sans-serif font heightPx pixels tall of the given weight, made on first
// use and kept for the process, like the fonts of every other text the views
// draw; menus and tooltips at every scale share them. [UI thread]
HFONT swell_SansFont(int heightPx, int weight);

#endif
