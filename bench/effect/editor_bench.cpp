// The effect's own editor with its real images, opened as the snapshot
// command opens it (through the Audio Unit entry): a full redraw of the
// 780 x 200 panel (target: 2 ms or less) and the redraw after one knob moves
// (its dirty rectangle only), the knob set through the entry or straight
// from the plug-in. Copying the whole off-screen bitmap is the baseline
// measured in the same run. The full redraw and the one knob run at scale 1
// and 2 (argument: the scale in tenths): at 2 the full redraw should take at
// most 2.5 times the scale-1 time (the ratio is a counter) and 4 ms, one
// knob at most 150 us; the bytes of the images decoded at the scale are a
// counter too.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
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

cinderpath_cli::EditorSnapshot* OpenAt(double scale)
{
  auto* s = new cinderpath_cli::EditorSnapshot;
  std::string error;
  if (!s->Open(std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component", &error) ||
      (scale != 1.0 && !s->SetScale(scale, &error)) || !s->DrawAll(&error))
  {
    std::fprintf(stderr, "cannot open the effect's editor at scale %g: %s\n", scale, error.c_str());
    std::exit(1);
  }
  return s;
}

// One instance of the effect whose editor finds its images in the built
// bundle, kept for the run; one more per other scale asked for.
cinderpath_cli::EditorSnapshot& Snapshot(int scaleTenths = 10)
{
  static cinderpath_cli::EditorSnapshot* snapshot = OpenAt(1.0);
  static cinderpath_cli::EditorSnapshot* snapshot15 = nullptr;
  static cinderpath_cli::EditorSnapshot* snapshot2 = nullptr;
  static cinderpath_cli::EditorSnapshot* snapshot3 = nullptr;
  switch (scaleTenths)
  {
  case 15: return *(snapshot15 ? snapshot15 : (snapshot15 = OpenAt(1.5)));
  case 20: return *(snapshot2 ? snapshot2 : (snapshot2 = OpenAt(2.0)));
  case 30: return *(snapshot3 ? snapshot3 : (snapshot3 = OpenAt(3.0)));
  default: return *snapshot;
  }
}

// Seconds one full redraw of snapshot takes, the best of a few.
double FullRedrawSeconds(cinderpath_cli::EditorSnapshot& snapshot)
{
  std::string error;
  double best = 1e9;
  for (int i = 0; i < 20; ++i)
  {
    const auto start = std::chrono::steady_clock::now();
    snapshot.DrawAll(&error);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

IPlugBase& Plug() { return *Snapshot().Plug(); }

// What the snapshot draws: every control, into the whole off-screen bitmap,
// at the argument's scale (tenths). Counters: the bytes of the images drawn
// at the scale (each decoded once, on first use), and this scale's time over
// the scale-1 time measured now in the same process.
void BM_EditorFullRedraw(benchmark::State& state)
{
  cinderpath_cli::EditorSnapshot& snapshot = Snapshot((int)state.range(0));
  std::string error;
  for (auto _ : state) snapshot.DrawAll(&error);
  state.counters["image_bytes"] = (double)snapshot.Editor()->ImageBytes();
  state.counters["vs_scale1"] = FullRedrawSeconds(snapshot) / FullRedrawSeconds(Snapshot(10));
}
BENCHMARK(BM_EditorFullRedraw)->ArgName("scale_tenths")->Arg(10)->Arg(15)->Arg(20)->Arg(30)->Unit(benchmark::kMicrosecond);

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

// The Drive knob's control alone moves: the redraw of its dirty rectangle,
// at the argument's scale (tenths).
void BM_EditorOneKnob(benchmark::State& state)
{
  IGraphics* gui = Snapshot((int)state.range(0)).Editor();
  double v = 0.0;
  for (auto _ : state)
  {
    v = v < 0.99 ? v + 0.01 : 0.0;
    gui->SetParameterFromPlug(kDrive, v, true);
    IRECT dirty;
    if (gui->IsDirty(&dirty)) gui->Draw(&dirty);
  }
}
BENCHMARK(BM_EditorOneKnob)->ArgName("scale_tenths")->Arg(10)->Arg(20)->Unit(benchmark::kMicrosecond);

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
