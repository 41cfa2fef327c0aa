// Native text drawing: the editor's captions and value texts (15 texts, about
// 100 characters, the editor's 14-pixel monospace request) drawn and measured
// in a 780 x 200 context, against copying that context's pixels once.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "swell.h"

namespace
{

const char* const kTexts[] = {"20.00", "1.00", "5.00", "0.50", "8.00", "12.0", "-3.00", "0.71", "4 x",
                              "100.0", "1.20", "2.50", "-6.0", "On", "v.1.22"};

struct Editor
{
  HDC dc = SWELL_CreateMemContext(nullptr, 780, 200);
  HFONT font = CreateFont(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Monaco");
  Editor()
  {
    SelectObject(dc, font);
    SetTextColor(dc, 0);
  }
  ~Editor()
  {
    SWELL_DeleteGfxContext(dc);
    DeleteObject(font);
  }
};

void BM_DrawCaptions(benchmark::State& state)
{
  Editor e;
  for (auto _ : state)
  {
    int i = 0;
    for (const char* t : kTexts)
    {
      RECT r = {40 + 48 * i, 20 + (i % 3) * 60, 80 + 48 * i, 40 + (i % 3) * 60};
      benchmark::DoNotOptimize(SWELL_DrawText(e.dc, t, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX));
      ++i;
    }
  }
}
BENCHMARK(BM_DrawCaptions)->Unit(benchmark::kMicrosecond);

void BM_MeasureCaptions(benchmark::State& state)
{
  Editor e;
  for (auto _ : state)
  {
    for (const char* t : kTexts)
    {
      RECT r = {0, 0, 0, 0};
      benchmark::DoNotOptimize(SWELL_DrawText(e.dc, t, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX));
    }
  }
}
BENCHMARK(BM_MeasureCaptions)->Unit(benchmark::kMicrosecond);

// Baseline: one copy of the whole 780 x 200 context.
void BM_CopyEditorPixels(benchmark::State& state)
{
  Editor e;
  std::vector<unsigned char> out(780 * 200 * 4);
  for (auto _ : state)
  {
    memcpy(out.data(), SWELL_GetCtxFrameBuffer(e.dc), out.size());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CopyEditorPixels)->Unit(benchmark::kMicrosecond);

} // namespace
