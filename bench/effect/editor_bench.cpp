// The effect's own editor with its real images: a full redraw of the 780 x 200
// panel (target: 2 ms or less) and the redraw after one knob moves (its dirty
// rectangle only). Copying the whole off-screen bitmap is the baseline
// measured in the same run.
#include <benchmark/benchmark.h>

#include <CoreFoundation/CoreFoundation.h>

#include <cstring>
#include <string>
#include <vector>

#include "Cinderpath.h"
#include "IGraphicsHeadless.h"
#include "IPlugInstance.h"
#include "lice.h"

namespace
{

// One plug-in whose editor finds its images in the built bundle.
Cinderpath& Plug()
{
  static Cinderpath* plug = [] {
    const std::string dir = std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component";
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault, (const UInt8*)dir.c_str(),
                                                           (CFIndex)dir.size(), true);
    CFBundleCreate(kCFAllocatorDefault, url);  // kept open for the run
    CFRelease(url);
    IPlugInstanceInfo info;
    info.mBundleIdentifier.Set("com.marrowfield.audiounit.Cinderpath");
    info.mViewClassName.Set("Cinderpath_View");
    return new Cinderpath(info);
  }();
  return *plug;
}

void BM_EditorFullRedraw(benchmark::State& state)
{
  IGraphics* gui = Plug().GetGUI();
  IRECT all(0, 0, gui->Width(), gui->Height());
  for (auto _ : state)
  {
    gui->SetAllControlsDirty();
    gui->Draw(&all);
  }
}
BENCHMARK(BM_EditorFullRedraw)->Unit(benchmark::kMicrosecond);

// The Drive knob moves: the editor redraws what its dirty rectangle covers.
void BM_EditorOneKnob(benchmark::State& state)
{
  Cinderpath& plug = Plug();
  IGraphics* gui = plug.GetGUI();
  double v = 0.0;
  for (auto _ : state)
  {
    v = v < 0.99 ? v + 0.01 : 0.0;
    gui->SetParameterFromPlug(kDrive, v, true);
    IRECT dirty;
    if (gui->IsDirty(&dirty)) gui->Draw(&dirty);
  }
}
BENCHMARK(BM_EditorOneKnob)->Unit(benchmark::kMicrosecond);

void BM_EditorBitmapCopyBaseline(benchmark::State& state)
{
  LICE_IBitmap* bm = Plug().GetGUI()->GetDrawBitmap();
  std::vector<LICE_pixel> copy((size_t)bm->getRowSpan() * bm->getHeight());
  for (auto _ : state)
  {
    std::memcpy(copy.data(), bm->getBits(), copy.size() * sizeof(LICE_pixel));
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_EditorBitmapCopyBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace
