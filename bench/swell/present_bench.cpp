// Presenting an editor-sized buffer (780 x 200) and a knob-sized area of it
// (48 x 48) to an X window, through shared memory and through XPutImage, on
// a private Xvfb (skipped with a message when none starts). Baseline: one
// copy of the same buffer.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "swell-x11.h"
#include "xvfb_server.h"

namespace
{

void Present(benchmark::State& state, bool shm, RECT area)
{
  if (!XvfbServer::Get().ok() || !swell_X11Display())
  {
    state.SkipWithError(("no X server: " + XvfbServer::Get().why()).c_str());
    return;
  }
  swell_X11SetUseShm(shm);
  SWELL_View v = SWELL_CreateView(780, 200, nullptr);
  SWELL_AddViewToParent(v, 0, "bench");
  std::vector<unsigned char> px(780 * 200 * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<unsigned char>(i * 7);
  SWELL_PresentPixels(v, px.data(), 780, 780, 200, nullptr);
  if (swell_X11ViewUsesShm(v) != shm) state.SkipWithError("shared memory not available");
  for (auto _ : state)
  {
    SWELL_PresentPixels(v, px.data(), 780, 780, 200, &area);
    XSync(swell_X11Display(), False); // count the server's work too
  }
  SWELL_RemoveView(v);
}

void BM_PresentEditorShm(benchmark::State& s) { Present(s, true, RECT{0, 0, 780, 200}); }
void BM_PresentEditorPutImage(benchmark::State& s) { Present(s, false, RECT{0, 0, 780, 200}); }
void BM_PresentKnobShm(benchmark::State& s) { Present(s, true, RECT{265, 80, 313, 128}); }
void BM_PresentKnobPutImage(benchmark::State& s) { Present(s, false, RECT{265, 80, 313, 128}); }
BENCHMARK(BM_PresentEditorShm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PresentEditorPutImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PresentKnobShm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PresentKnobPutImage)->Unit(benchmark::kMicrosecond);

void BM_CopyEditorBuffer(benchmark::State& state)
{
  std::vector<unsigned char> a(780 * 200 * 4, 1), b(a.size());
  for (auto _ : state)
  {
    memcpy(b.data(), a.data(), a.size());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CopyEditorBuffer)->Unit(benchmark::kMicrosecond);

} // namespace
