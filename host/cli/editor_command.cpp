#include "editor_command.h"

#include <AudioUnit/AUCocoaUIView.h>
#include <CoreFoundation/CoreFoundation.h>

#include <cstdio>
#include <cstdint>

#include "IGraphics.h"
#include "IPlugAU.h"
#include "plist.h"
#include "plugin_session.h"
#include "render_job.h"
#include "safe_output.h"
#include "swell-wnd.h"

namespace cinderpath_cli {
namespace {

constexpr double kPumpWaitSeconds = 0.1;  // longest wait for the window system or a timer

// The unit's view, asked for as a host asks: the class the unit names is
// found by name and made, and gives the view. 0 with a message on failure.
unsigned long AskForView(AudioUnit unit, std::string* error) {
  AudioUnitCocoaViewInfo info = {};
  UInt32 size = sizeof(info);
  const OSStatus status =
    AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info, &size);
  if (status != noErr) {
    *error = "the plug-in offers no editor view (" + StatusText(status) + ")";
    return 0;
  }
  const std::string className = CFStringToUtf8(info.mCocoaAUViewClass[0]);
  if (info.mCocoaAUViewBundleLocation) CFRelease(info.mCocoaAUViewBundleLocation);
  if (info.mCocoaAUViewClass[0]) CFRelease(info.mCocoaAUViewClass[0]);
  CompatClassMaker make = CompatLookUpClass(className.c_str());
  CompatObject* object = make ? make() : nullptr;
  if (!object || !object->conformsToProtocol(kAUCocoaUIBaseProtocolName)) {
    if (object) object->release();
    *error = "the plug-in's bundle has no view factory class '" + className + "'";
    return 0;
  }
  AUCocoaUIBase* factory = static_cast<AUCocoaUIBase*>(object);
  void* view = factory->uiViewForAudioUnit(unit, NSSize{0.0, 0.0});
  factory->release();
  if (!view) *error = "the plug-in gave no editor view: no X display could be reached (is DISPLAY set?)";
  return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(view));
}

bool OnFrameEvent(void* ctx, const SWELL_Event* e) {
  if (e->type == kSwellClose) *static_cast<bool*>(ctx) = true;
  return false;
}

// The name of the unit's present preset, or "" when it gives none.
std::string PresentPresetName(AudioUnit unit) {
  AUPreset preset = {0, nullptr};
  UInt32 size = sizeof(preset);
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &preset, &size) != noErr ||
      !preset.presetName)
    return std::string();
  const std::string name = CFStringToUtf8(preset.presetName);
  CFRelease(preset.presetName);
  return name;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "cinderpath: %s\n", message.c_str());
  return 1;
}

}  // namespace

bool EditorWindow::Open(AudioUnit unit, const std::string& title, std::string* error) {
  Close();
  mClosedByUser = false;
  mView = AskForView(unit, error);
  if (!mView) return false;
  int w = 0, h = 0;
  SWELL_ViewCallbacks callbacks = {&mClosedByUser, nullptr, OnFrameEvent};
  if (!SWELL_GetWindowSize(mView, &w, &h) || !(mFrame = SWELL_CreateView(w, h, &callbacks)) ||
      !SWELL_AddViewToParent(mFrame, 0, title.c_str()) || !SWELL_EmbedWindow(mFrame, mView)) {
    *error = "no window could be opened for the editor";
    Close();
    return false;
  }
  return true;
}

void EditorWindow::Close() {
  if (mFrame) {
    // The view goes with its window; the plug-in's editor detaches when it
    // reads the news on the next pump.
    SWELL_RemoveView(mFrame);
    mFrame = nullptr;
    SWELL_RunLoopPump(0.0);
  }
  mView = 0;
}

unsigned long EditorWindow::FrameWindow() const { return SWELL_GetViewWindow(mFrame); }

int RunEditor(const EditorOptions& options) {
  std::string error;
  OutputRules stateRules;
  stateRules.what = "state file";
  for (const std::string* in : {&options.stateIn, &options.settingsIn})
    if (!in->empty()) stateRules.protectedPaths.push_back(*in);
  OutputRules settingsRules = stateRules;
  settingsRules.what = "settings file";
  if (!options.stateOut.empty() && !CheckOutputTarget(options.stateOut, stateRules, nullptr, &error))
    return Fail(error);
  if (!options.settingsOut.empty() && !CheckOutputTarget(options.settingsOut, settingsRules, nullptr, &error))
    return Fail(error);

  PluginSession session;
  const std::string path = options.component.empty() ? DefaultComponentPath() : options.component;
  if (!session.Open(path, &error)) return Fail(error);
  RenderOptions settings;
  settings.sets = options.sets;
  settings.preset = options.preset;
  settings.stateIn = options.stateIn;
  settings.settingsIn = options.settingsIn;
  if (!ApplySettingsOptions(session, settings, &error)) return Fail(error);

  // The title names the present preset, where a host shows it.
  std::string title = session.ComponentName();
  const std::string preset = PresentPresetName(session.Unit());
  if (!preset.empty()) title += " - " + preset;
  // --scale is chosen before the view opens; without it the view takes the
  // environment's or the screen's scale as it opens.
  if (options.scale > 0.0) {
    AudioUnit unit = session.Unit();
    IPlugBase* plug =
      unit ? static_cast<IPlugBase*>(reinterpret_cast<IPlugAU*>(GetComponentInstanceStorage(unit))) : nullptr;
    IGraphics* gui = plug ? plug->GetGUI() : nullptr;
    if (!gui || !gui->SetScale(options.scale)) return Fail("the plug-in's editor cannot draw at that scale");
  }
  EditorWindow window;
  if (!window.Open(session.Unit(), title, &error)) return Fail(error);
  while (window.IsOpen()) SWELL_RunLoopPump(kPumpWaitSeconds);
  window.Close();

  if (!options.stateOut.empty()) {
    if (!SaveStateFile(session, options.stateOut, stateRules, &error)) return Fail(error);
    std::printf("state saved to %s\n", options.stateOut.c_str());
  }
  if (!options.settingsOut.empty()) {
    if (!SaveSettingsFile(session, options.settingsOut, stateRules, &error)) return Fail(error);
    std::printf("settings saved to %s\n", options.settingsOut.c_str());
  }
  return 0;
}

}  // namespace cinderpath_cli
