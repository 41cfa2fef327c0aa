// The effect's editor on screen: DrawScreen of the whole 780 x 200 panel and
// of one large knob's rectangle (70 x 70) into the open X11 view, through
// shared memory and through XPutImage, on a private Xvfb (skipped with a
// message when none starts). The server's share is counted (XSync).
#include <benchmark/benchmark.h>

#include <CoreFoundation/CoreFoundation.h>

#include <memory>
#include <string>

#include "Cinderpath.h"
#include "IGraphicsLinux.h"
#include "IPlugInstance.h"
#include "xvfb_server.h"

namespace
{

void DrawScreen(benchmark::State& state, bool shm, IRECT area)
{
  if (!XvfbServer::Get().ok() || !swell_X11Display())
  {
    state.SkipWithError(("no X server: " + XvfbServer::Get().why()).c_str());
    return;
  }
  static bool s_bundleOpen = [] {
    const std::string dir = std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component";
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault, (const UInt8*)dir.c_str(),
                                                           (CFIndex)dir.size(), true);
    CFBundleCreate(kCFAllocatorDefault, url);  // kept open for the run: the editor finds its images
    CFRelease(url);
    return true;
  }();
  (void)s_bundleOpen;
  swell_X11SetUseShm(shm);
  IPlugInstanceInfo info;
  info.mBundleIdentifier.Set("com.marrowfield.audiounit.Cinderpath");
  info.mViewClassName.Set("Cinderpath_View");
  Cinderpath::SetEditorOnScreen(true);
  std::unique_ptr<Cinderpath> plug(new Cinderpath(info));
  Cinderpath::SetEditorOnScreen(false);
  IGraphics* gui = plug->GetGUI();
  SWELL_View view = static_cast<SWELL_View>(gui->OpenWindow(nullptr));
  SWELL_AddViewToParent(view, 0, "bench");
  IRECT all(0, 0, gui->Width(), gui->Height());
  gui->Draw(&all);
  if (swell_X11ViewUsesShm(view) != shm) state.SkipWithError("shared memory not available");
  for (auto _ : state)
  {
    gui->DrawScreen(&area);
    XSync(swell_X11Display(), False);
  }
  gui->CloseWindow();
}

void BM_DrawScreenEditorShm(benchmark::State& s) { DrawScreen(s, true, IRECT(0, 0, 780, 200)); }
void BM_DrawScreenEditorPutImage(benchmark::State& s) { DrawScreen(s, false, IRECT(0, 0, 780, 200)); }
void BM_DrawScreenKnobShm(benchmark::State& s) { DrawScreen(s, true, IRECT(265, 80, 335, 150)); }
void BM_DrawScreenKnobPutImage(benchmark::State& s) { DrawScreen(s, false, IRECT(265, 80, 335, 150)); }
BENCHMARK(BM_DrawScreenEditorShm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawScreenEditorPutImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawScreenKnobShm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawScreenKnobPutImage)->Unit(benchmark::kMicrosecond);

} // namespace
