// The platform editor on X11: the editor's view is an X window made by the
// window-system services (a child of the host's window), redrawn from the UI
// run loop's repeating timer, presented from the off-screen bitmap, with
// mouse, wheel and key events translated for the editor core, text entry
// fields, pop-up menus, dialogs, addresses, cursor hiding and images from
// the plug-in's bundle. Everything runs on the thread that pumps the UI run
// loop. [main thread]
#ifndef IPLUG_IGRAPHICSLINUX_H_
#define IPLUG_IGRAPHICSLINUX_H_

#include "IGraphics.h"
#include "swell-wnd.h"
#include "wdlstring.h"

class IGraphicsLinux : public IGraphics
{
public:
  // bundleID: identifier of the bundle holding the images (may be null).
  IGraphicsLinux(IPlugBase* plug, int w, int h, int fps = 0, const char* bundleID = nullptr);
  // Closes the view as CloseWindow does.
  ~IGraphicsLinux() override;

  bool DrawScreen(IRECT* r) override;
  void ForceEndUserEdit() override;
  void Resize(int w, int h) override;
  const char* GetGUIAPI() override { return "X11 gui"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* r) override;
  void CreateTextEntry(IControl* control, IText* text, IRECT* r, const char* initial, IParam* param) override;
  void HostPath(WDL_String* path) override;
  void PluginPath(WDL_String* path) override;
  void DesktopPath(WDL_String* path) override;
  void PromptForFile(WDL_String* file, EFileAction action, WDL_String* dir, char* extensions) override;
  bool PromptForColor(IColor* color, char* prompt) override { (void)color; (void)prompt; return false; }
  bool OpenURL(const char* url, const char* windowTitle, const char* confirmText, const char* errorText) override;
  // Makes the view, a child of parent (an X window id) when given, else an
  // unparented window for the host to place; returns it (a SWELL_View), or
  // null (and nothing made) when parent is no window. An open view is closed
  // first.
  void* OpenWindow(void* parent) override;
  using IGraphics::OpenWindow;
  // Stops the redraw timer and destroys the view (a view a host took into
  // its own window is left to the host); no X request for it follows.
  void CloseWindow() override;
  void* GetWindow() override { return mView; }
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  LICE_IBitmap* OSLoadBitmap(int ID, const char* name) override;

  void SetBundleIdentifier(const char* bundleID) { mBundleIdentifier.Set(bundleID ? bundleID : ""); }

private:
  static void OnTimer(void* self);
  static void OnDraw(void* self, const RECT* area);
  static bool OnEvent(void* self, const SWELL_Event* e);
  static void OnTextEntryDone(void* self, const char* text, bool committed);
  static bool FilterChar(void* self, int codepoint);
  bool HandleKey(const SWELL_Event& e);
  // Shows, updates or hides the readout for the control under the pointer;
  // run from the redraw timer.
  void UpdateReadout();
  void HideReadout();

  SWELL_View mView;    // open view or null
  int mTimer;          // run-loop timer id, 0 while none
  WDL_String mBundleIdentifier;
  int mPrevX, mPrevY;  // last mouse position, editor pixels
  IControl* mEdControl; // control of the open text entry
  IParam* mEdParam;     // its parameter, may be null
  const char* mEdChars; // characters the entry accepts (null: all)
  // The readout: the pointer is in the view / drags a control; the control
  // it rests on (-1 none) since when (run-loop seconds); whether the
  // readout shows, and at which view point (where it first showed, so it
  // stays put while the value changes).
  bool mPointerIn, mDragging;
  int mReadoutIdx;
  double mReadoutSince;
  bool mReadoutShown;
  int mReadoutX, mReadoutY;
};

#endif
