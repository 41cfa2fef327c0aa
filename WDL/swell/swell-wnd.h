// Window-system services of the platform layer: the UI thread's run loop
// with repeating timers, and the view, presentation, event, text-entry, menu,
// dialog, URL, resource and cursor services the editor's platform view uses.
//
// One process-wide UI run loop: whoever hosts a view pumps it (a stand-alone
// program's event loop, a plug-in host's idle callback), and every timer and
// view callback runs on the thread that pumps it.
#ifndef SWELL_WND_H_
#define SWELL_WND_H_

#include "swell-types.h"

// ---------------------------------------------------------------- run loop

// Called when a timer fires, with the context given when it was added.
typedef void (*SWELL_TimerProc)(void* ctx);

// Adds a repeating timer that fires every intervalSeconds (> 0) while the run
// loop is pumped, first one interval from now. Returns its id (> 0), or 0
// for a bad interval or a null proc. A pump waiting on the window system
// notices a timer added from another thread when it next wakes. [any thread]
int SWELL_RunLoopAddTimer(double intervalSeconds, SWELL_TimerProc proc, void* ctx);

// Stops a timer; it never fires after this returns on the pumping thread
// (also when called from a timer proc). Unknown ids are ignored. [any thread]
void SWELL_RunLoopRemoveTimer(int id);

// Seconds on the run loop's clock (monotonic). [any thread]
double SWELL_RunLoopNow();

// Fires every timer due at nowSeconds, each once, in the order they became
// due. A late timer fires once and is rescheduled one interval after its due
// time, or one interval after now when it has fallen a whole interval behind
// (missed ticks are dropped, not caught up). Timers added by a proc fire no
// earlier than their first interval. Returns how many fired. [UI thread]
int SWELL_RunLoopRunDue(double nowSeconds);

// Seconds from nowSeconds until the next timer is due (0 when one is
// overdue), or a negative value when there are no timers. [any thread]
double SWELL_RunLoopSecondsUntilNext(double nowSeconds);

// Pumps once: waits until the next timer is due or maxWaitSeconds have passed
// (whichever comes first; no wait for 0), then fires what is due. Returns how
// many fired. [UI thread]
int SWELL_RunLoopPump(double maxWaitSeconds);

// ---------------------------------------------------------------- views
// Implemented by the X11 platform view.

// A view: a child window of a host window with a 32-bit pixel surface.
struct SWELL_ViewRec;
typedef SWELL_ViewRec* SWELL_View;

// Native window id of the window system (an X11 Window); 0 is none.
typedef unsigned long SWELL_WindowId;

// Modifier bits of events.
enum
{
  kSwellModShift = 1,
  kSwellModControl = 2,
  kSwellModOption = 4,  // Alt (Mod1)
  kSwellModCommand = 8  // Super (Mod4)
};

enum SWELL_EventType
{
  kSwellMouseDown,
  kSwellMouseUp,
  kSwellMouseDrag,  // motion with a button held
  kSwellMouseOver,  // motion without a button
  kSwellMouseWheel,
  kSwellKeyDown,
  kSwellFocusOut,
  kSwellClose,      // the user closed a top-level view's window
  kSwellMouseLeave  // the pointer left the view (not into a window of its own)
};

// An input event in view coordinates (pixels, y down).
struct SWELL_Event
{
  SWELL_EventType type;
  int x, y;
  int button;       // 1 left, 3 right (mouse events)
  int clickCount;   // 1, 2 for a double click
  int modifiers;    // kSwellMod* bits
  int wheelDelta;   // +1 up, -1 down
  unsigned long keysym;
  char text[8];     // UTF-8 of a key, NUL-terminated
};

// What a view calls back, on the UI thread.
struct SWELL_ViewCallbacks
{
  void* ctx;
  // Repaint area (clipped to the view) by presenting pixels.
  void (*draw)(void* ctx, const RECT* area);
  // An input event; false when not taken (keys then go to the parent).
  bool (*event)(void* ctx, const SWELL_Event* ev);
};

// Makes a w x h view, not yet shown; null when no window system is
// reachable. cb is copied. [UI thread]
SWELL_View SWELL_CreateView(int w, int h, const SWELL_ViewCallbacks* cb);
// Puts the view into parent (0: a top-level window titled title, in UTF-8
// too, whose window class is the title's first word: lower case as the
// instance name, as written as the class, so window managers and task bars
// name it) and shows it; false, with nothing shown, when parent is no
// window. [UI thread]
bool SWELL_AddViewToParent(SWELL_View view, SWELL_WindowId parent, const char* title);
// Puts a window of another client (a view a plug-in handed over) into the
// view at its top-left corner and shows it; false when the window system
// refuses (no such window). [UI thread]
bool SWELL_EmbedWindow(SWELL_View view, SWELL_WindowId child);
// Size in pixels of any window of the display; false when there is none.
// [UI thread]
bool SWELL_GetWindowSize(SWELL_WindowId window, int* w, int* h);
// Resizes the view. [UI thread]
void SWELL_ResizeView(SWELL_View view, int w, int h);
// Removes the view from its parent and destroys it; null is ignored. No
// request reaches the window system for it afterwards. A view handed over
// unplaced that a host took into a window of its own is not destroyed (the
// host may still use it): it goes quiet and is forgotten when the host
// destroys it. Removing the last view closes the connection to the window
// system and puts back the error handler it found. [UI thread]
void SWELL_RemoveView(SWELL_View view);
// The view's native window, 0 for null. [UI thread]
SWELL_WindowId SWELL_GetViewWindow(SWELL_View view);
// Asks for a draw callback covering area (the whole view for null). [UI thread]
void SWELL_InvalidateView(SWELL_View view, const RECT* area);
// Copies area of a 32-bit buffer (bytes A, R, G, B; rowSpan pixels per row)
// to the view at the same position, converting to the screen's layout.
// [UI thread]
bool SWELL_PresentPixels(SWELL_View view, const void* pixels, int rowSpan, int w, int h, const RECT* area);

// Look of a text field.
struct SWELL_TextEntryStyle
{
  const char* face;     // font family (UTF-8)
  int heightPx;         // font height as CreateFont takes it
  int textColour;       // 0x00RRGGBB
  int backgroundColour; // 0x00RRGGBB
  int align;            // 0 left, DT_CENTER or DT_RIGHT
};

// Receives the field's text when editing ends: committed true with the text
// on Return or focus loss (a click elsewhere in the view), false with null on
// Escape or the wheel. The field is gone when this is called. [UI thread]
typedef void (*SWELL_TextEntryProc)(void* ctx, const char* text, bool committed);

// Decides whether a typed character (a Unicode code point) is accepted.
typedef bool (*SWELL_TextEntryFilter)(void* ctx, int codepoint);

// Opens a one-line text field over r of the view, holding text and taking
// the keyboard, accepting at most maxLength characters (0: no limit) that
// pass filter (null: all). A view has one field at most: an open one is
// committed first. While it is open, drags in the view are not reported.
// style may be null (sans, 12 pixels, black on white). [UI thread]
bool SWELL_BeginTextEntry(SWELL_View view, const RECT* r, const char* text, int maxLength,
                          const SWELL_TextEntryStyle* style, SWELL_TextEntryFilter filter, SWELL_TextEntryProc done,
                          void* ctx);

// Ends the view's open field, committing or cancelling; nothing when none is
// open. [UI thread]
void SWELL_EndTextEntry(SWELL_View view, bool commit);

// Whether the view has an open field. [UI thread]
bool SWELL_TextEntryOpen(SWELL_View view);

// One pop-up menu item.
struct SWELL_MenuItem
{
  const char* title;
  bool separator, checked, enabled;
  int indent;                       // levels
  const struct SWELL_Menu* submenu; // or null
};
struct SWELL_Menu
{
  const SWELL_MenuItem* items;
  int count;
};
// Runs menu modally at (x, y) of the view. Returns the chosen item's index
// and sets *chosenMenu to the (sub)menu holding it; -1 when dismissed, when
// another client holds the pointer or the keyboard, or when the view's
// window is destroyed meanwhile. Window-system news for views that arrives
// meanwhile is handled after the menu ends. Its rows, margins and text are
// drawn at the display scale (1 ... 4; anything else draws at 1). [UI thread]
int SWELL_TrackPopupMenu(SWELL_View view, const SWELL_Menu* menu, int x, int y, const SWELL_Menu** chosenMenu,
                         double scale = 1.0);

// ---------------------------------------------------------------- outside world

// Button sets and results of SWELL_MessageBox.
enum
{
  kSwellMbOk = 0,
  kSwellMbOkCancel = 1,
  kSwellMbYesNoCancel = 3,
  kSwellMbYesNo = 4,
  kSwellIdOk = 1,
  kSwellIdCancel = 2,
  kSwellIdYes = 6,
  kSwellIdNo = 7,
  kSwellIdError = -1 // no dialog could be shown
};
// Shows a modal message with the given buttons (kSwellMb*); returns the
// button pressed (kSwellId*; closing the dialog counts as the last button),
// or kSwellIdError when no dialog could be shown. [UI thread]
int SWELL_MessageBox(const char* text, const char* caption, int buttons);

// Runs an open (save false) or save dialog starting in folder dir with file
// name and extension filter (space-separated, may be null); writes the
// chosen path to out. False when cancelled or no dialog could be shown.
// [UI thread]
bool SWELL_FileDialog(bool save, const char* dir, const char* name, const char* extensions, char* out, int outSize);

// Opens an address with the desktop's handler (xdg-open) in a session of its
// own and returns at once, without waiting for the handler or the browser
// it starts; true when the handler was found and started, false for no
// address, an address starting with '-', or no handler. [UI thread]
bool SWELL_OpenURL(const char* url);

// Path of a resource name.type in the Contents/Resources folder of the
// registered bundle with bundleId; false when there is none. [any thread]
bool SWELL_GetBundleResourcePath(const char* bundleId, const char* name, const char* type, char* out, int outSize);

// Reads, hides, shows and moves the pointer; positions are screen pixels
// from the top left. [UI thread]
bool SWELL_GetCursorPos(int* x, int* y);
void SWELL_HideCursor();
void SWELL_ShowCursor();
bool SWELL_MoveCursor(int x, int y);

// Shows text (lines split at '\n') in a small tooltip window below and to
// the right of the view's point (x, y) (view pixels), moved to stay inside
// the screen. One tooltip exists per process: showing replaces the one shown
// before, and showing the same text at the same point again does nothing.
// The window is override-redirect, takes no focus and lets every pointer
// event through to what lies under it. False (nothing shown) without a view
// or text. [UI thread]
// At scale (1, 1.5, 2, 3) its fonts, padding and offsets are scale times
// their size at 1.
bool SWELL_ShowTooltip(SWELL_View view, int x, int y, const char* text, double scale = 1.0);
// Hides the tooltip if view shows it (any view's for null). [UI thread]
void SWELL_HideTooltip(SWELL_View view);

// The X server's Xft.dpi resource (the screen's text resolution a desktop
// sets: 96 ordinary, 192 for a screen at twice the density); 0 when there is
// no display or the resource is unset or no number. Opens the display
// connection when none is open. [UI thread]
double SWELL_GetXftDpi();

#endif
