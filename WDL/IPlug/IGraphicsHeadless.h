// The platform editor without a window: every platform operation is
// implemented off-screen. Presenting reports success and shows nothing;
// menus, text entry, file and colour prompts and message boxes are answered
// by a scriptable responder; images load from the plug-in's bundle by the
// same lookup the window editor uses (or from a resource folder set for
// tools and tests). Tests, tools and the snapshot command draw with it.
// [main thread]
#ifndef IPLUG_IGRAPHICSHEADLESS_H_
#define IPLUG_IGRAPHICSHEADLESS_H_

#include <deque>
#include <string>
#include <vector>

#include "IGraphics.h"
#include "wdlstring.h"

class IGraphicsHeadless : public IGraphics
{
public:
  // bundleID: identifier of the bundle holding the images (may be null).
  IGraphicsHeadless(IPlugBase* plug, int w, int h, int fps = 0, const char* bundleID = nullptr);
  ~IGraphicsHeadless() override;

  // ---- Scripting the responder. Each queued answer is used once, in order. ----

  // The next menu shown chooses item index (-1 dismisses it). When the
  // chosen item opens a submenu, the next queued choice is made in it.
  void QueueMenuChoice(int index) { mMenuChoices.push_back(index); }
  // The next text entry ends with text (cut to the control's entry length).
  void QueueTextEntry(const char* text) { mTextEntries.push_back(text ? text : ""); }
  // The next file prompt gives path ("" cancels).
  void QueueFileChoice(const char* path) { mFileChoices.push_back(path ? path : ""); }
  // The next message box returns result.
  void QueueMessageBoxResult(int result) { mMessageBoxResults.push_back(result); }
  // Result of OpenURL (true unless set).
  void SetOpenURLResult(bool ok) { mOpenURLResult = ok; }
  // Images are read from folder/<name's last component> when set; else
  // from the bundle.
  void SetResourceFolder(const char* folder) { mResourceFolder.Set(folder ? folder : ""); }
  void SetBundleIdentifier(const char* bundleID) { mBundleIdentifier.Set(bundleID ? bundleID : ""); }

  // ---- What the responder saw. ----

  // One line per item of the last menu shown ("" for separators): the
  // numbering, the text, then " [x]" when checked and " [-]" when disabled.
  const std::vector<std::string>& LastMenuLines() const { return mLastMenuLines; }
  const std::string& LastTextEntryInitial() const { return mLastTextEntryInitial; }
  const std::vector<std::string>& OpenedURLs() const { return mOpenedURLs; }
  int ScreenPresents() const { return mScreenPresents; }
  IRECT LastPresentedRECT() const { return mLastPresented; }

  // ---- Platform operations. ----

  bool DrawScreen(IRECT* r) override;
  void ForceEndUserEdit() override {}
  const char* GetGUIAPI() override { return "headless"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* r) override;
  void CreateTextEntry(IControl* control, IText* text, IRECT* r, const char* initial, IParam* param) override;
  void HostPath(WDL_String* path) override;
  void PluginPath(WDL_String* path) override;
  void DesktopPath(WDL_String* path) override;
  void PromptForFile(WDL_String* file, EFileAction action, WDL_String* dir, char* extensions) override;
  bool PromptForColor(IColor* color, char* prompt) override;
  bool OpenURL(const char* url, const char* windowTitle, const char* confirmText, const char* errorText) override;
  void* OpenWindow(void* parent) override;
  using IGraphics::OpenWindow;
  void CloseWindow() override { mWindowOpen = false; }
  void* GetWindow() override { return mWindowOpen ? (void*)this : nullptr; }
  LICE_IBitmap* OSLoadBitmap(int ID, const char* name) override;

  // Writes the off-screen bitmap as a PNG; false on failure.
  bool WritePNG(const char* path);

private:
  IPopupMenu* ChooseIn(IPopupMenu* menu, int depth);

  WDL_String mBundleIdentifier, mResourceFolder;
  std::deque<int> mMenuChoices;
  std::deque<std::string> mTextEntries, mFileChoices;
  std::deque<int> mMessageBoxResults;
  bool mOpenURLResult;
  bool mWindowOpen;
  std::vector<std::string> mLastMenuLines;
  std::string mLastTextEntryInitial;
  std::vector<std::string> mOpenedURLs;
  int mScreenPresents;
  IRECT mLastPresented;
};

#endif
