// The X11 side of the window-system services, for the platform view and
// tests. Not part of the portable interface.
#ifndef SWELL_X11_H_
#define SWELL_X11_H_

#include <X11/Xlib.h>

#include "swell-wnd.h"

// The process's connection to the X server, opened on first use from
// $DISPLAY; null when no server can be reached. [UI thread]
Display* swell_X11Display();

// Whether new view images may use MIT-SHM (default true). [UI thread]
void swell_X11SetUseShm(bool use);

// Whether a view currently presents through shared memory. [UI thread]
bool swell_X11ViewUsesShm(SWELL_View view);

// X errors seen on the connection so far. [UI thread]
int swell_X11ErrorCount();

#endif
