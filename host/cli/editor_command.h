// `cinderpath editor`: the plug-in's editor on screen, asked for as a host
// asks for it, for trying settings by hand.
#pragma once

#include <AudioUnit/AudioUnit.h>

#include <string>
#include <vector>

#include "options.h"

struct SWELL_ViewRec;

namespace cinderpath_cli {

// A unit's editor view in a top-level window of this program. The view is
// asked for exactly as a host asks: kAudioUnitProperty_CocoaUI names the
// factory class, the class is found by that name, and its
// uiViewForAudioUnit gives the view (a window of the plug-in's own), which
// goes into the top-level window. Everything runs on the thread that pumps
// the UI run loop. [main thread]
class EditorWindow {
 public:
  EditorWindow() = default;
  ~EditorWindow() { Close(); }
  EditorWindow(const EditorWindow&) = delete;
  EditorWindow& operator=(const EditorWindow&) = delete;

  // Opens the window titled title with unit's view in it; false with a
  // message when the unit has no view to give or no window can be opened.
  // An open window is closed first.
  bool Open(AudioUnit unit, const std::string& title, std::string* error);
  // Whether the window is still open (the user has not closed it).
  bool IsOpen() const { return mFrame != nullptr && !mClosedByUser; }
  // Destroys the window and the view in it, as a host removes a view; the
  // plug-in's editor learns it when the run loop is next pumped.
  void Close();

  // Native windows: the top-level one and the plug-in's view inside it (0
  // when closed).
  unsigned long FrameWindow() const;
  unsigned long ViewWindow() const { return mView; }

 private:
  struct SWELL_ViewRec* mFrame = nullptr;
  unsigned long mView = 0;
  bool mClosedByUser = false;
};

// Opens the plug-in through its Audio Unit entry, applies the settings,
// shows the editor until its window is closed, then saves the state if
// asked. Returns the exit code; one clear message on stderr for a failure.
int RunEditor(const EditorOptions& options);

}  // namespace cinderpath_cli
