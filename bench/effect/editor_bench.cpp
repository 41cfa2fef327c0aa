// The effect's own editor with its real images, opened as the snapshot
// command opens it (through the Audio Unit entry): a full redraw of the
// 780 x 200 panel (target: 2 ms or less) and the redraw after one knob moves
// (its dirty rectangle only), the knob set through the entry or straight
// from the plug-in. Copying the whole off-screen bitmap is the baseline
// measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Cinderpath.h"
#include "IGraphics.h"
#include "lice.h"
#include "snapshot.h"

namespace
{

// One instance of the effect whose editor finds its images in the built
// bundle, kept for the run.
cinderpath_cli::EditorSnapshot& Snapshot()
{
  static cinderpath_cli::EditorSnapshot* snapshot = [] {
    auto* s = new cinderpath_cli::EditorSnapshot;
    std::string error;
    if (!s->Open(std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component", &error) || !s->DrawAll(&error))
    {
      std::fprintf(stderr, "cannot open the effect's editor: %s\n", error.c_str());
      std::exit(1);
    }
    return s;
  }();
  return *snapshot;
}

IPlugBase& Plug() { return *Snapshot().Plug(); }

// What the snapshot draws: every control, into the whole off-screen bitmap.
void BM_EditorFullRedraw(benchmark::State& state)
{
  cinderpath_cli::EditorSnapshot& snapshot = Snapshot();
  std::string error;
  for (auto _ : state) snapshot.DrawAll(&error);
}
BENCHMARK(BM_EditorFullRedraw)->Unit(benchmark::kMicrosecond);

// The Drive knob moves, set by the host through the entry: the plug-in
// takes the value, and the editor redraws what its dirty rectangle covers.
void BM_EditorOneKnobThroughEntry(benchmark::State& state)
{
  cinderpath_cli::PluginSession& session = Snapshot().Session();
  IGraphics* gui = Plug().GetGUI();
  float v = 0.0f;
  std::string error;
  for (auto _ : state)
  {
    v = v < 9.5f ? v + 0.1f : 0.0f;
    session.SetParameter(kDrive, v, &error);
    IRECT dirty;
    if (gui->IsDirty(&dirty)) gui->Draw(&dirty);
  }
}
BENCHMARK(BM_EditorOneKnobThroughEntry)->Unit(benchmark::kMicrosecond);

// The Drive knob's control alone moves: the redraw of its dirty rectangle.
void BM_EditorOneKnob(benchmark::State& state)
{
  IPlugBase& plug = Plug();
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
