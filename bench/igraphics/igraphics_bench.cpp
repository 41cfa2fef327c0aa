// Editor redraw costs on an editor shaped like the effect's: 780 x 200, a
// background, 13 film-strip knobs of 91 frames, 9 switches, an indicator, 13
// texts and captions, a link area and a version text (39 controls). A full
// redraw draws every control; an idle frame finds nothing dirty. The copy of
// the whole off-screen bitmap is the baseline measured in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "IControl.h"
#include "IGraphicsHeadless.h"
#include "IPlugBase.h"
#include "lice.h"

namespace
{
constexpr int kW = 780, kH = 200;

class BenchPlug : public IPlugBase
{
public:
  BenchPlug()
      : IPlugBase(22, "1-1 2-2", 1, "Bench", "", "Bench", 0x10000, 0x42656e63, 0x42656e63, 0, false, false, false,
                  kAPIAU)
  {
    for (int i = 0; i < 22; ++i) GetParam(i)->InitDouble("P", 0.5, 0.0, 1.0, 0.01, "");
  }
};

// Images drawn in memory: opaque background, translucent-edged strips.
class BenchEditor : public IGraphicsHeadless
{
public:
  BenchEditor(IPlugBase* plug) : IGraphicsHeadless(plug, kW, kH) {}
  LICE_IBitmap* OSLoadBitmap(int ID, const char* name) override
  {
    (void)name;
    int w = kW, h = kH, n = 1;
    if (ID == 2) w = h = 40, n = 91;
    if (ID == 3) w = h = 60, n = 91;
    if (ID == 4) w = 30, h = 20, n = 2;
    LICE_MemBitmap* bm = new LICE_MemBitmap(w, h * n, 4);
    LICE_FillRect(bm, 0, 0, w, h * n, LICE_RGBA(90, 80, 70, 255), 1.0f, LICE_MODE_COPY);
    for (int k = 0; k < n; ++k)
      LICE_FillCircle(bm, w * 0.5f, h * 0.5f + (float)(k * h), w * 0.4f, LICE_RGBA(30, 30, 30, 200), 1.0f,
                      LICE_MODE_COPY, true);
    return bm;
  }
};

struct Editor
{
  BenchPlug plug;
  BenchEditor* gui = new BenchEditor(&plug);
  Editor()
  {
    gui->AttachBackground(1, "back.png");
    IBitmap small = gui->LoadIBitmap(2, "small.png", 91), big = gui->LoadIBitmap(3, "big.png", 91),
            sw = gui->LoadIBitmap(4, "switch.png", 2);
    for (int i = 0; i < 10; ++i) gui->AttachControl(new IKnobMultiControl(&plug, 40 + 50 * (i % 7), 45 + 70 * (i / 7), i, &small));
    for (int i = 0; i < 3; ++i) gui->AttachControl(new IKnobMultiControl(&plug, 265 + 90 * i, 80, 10 + i, &big));
    for (int i = 0; i < 9; ++i) gui->AttachControl(new ISwitchControl(&plug, 40 + 70 * i, 90, 13 + i, &sw));
    gui->AttachControl(new IBitmapControl(&plug, 415, 55, -1, &sw));
    IText style(14);
    for (int i = 0; i < 9; ++i) gui->AttachControl(new ICaptionControl(&plug, IRECT(40 + 60 * i, 20, 80 + 60 * i, 40), i, &style, false));
    for (int i = 0; i < 4; ++i) gui->AttachControl(new ITextControl(&plug, IRECT(370 + 50 * i, 160, 410 + 50 * i, 180), &style, "1.00 dB"));
    gui->AttachControl(new IURLControl(&plug, IRECT(330, 12, 450, 32), "https://example.invalid/"));
    gui->AttachControl(new ITextControl(&plug, IRECT(693, 18, 733, 38), &style, "v.1.22"));
    plug.AttachGraphics(gui);
  }
};

void BM_CopyWholeBitmap(benchmark::State& state)
{
  std::vector<unsigned int> a(kW * kH, 1u), b(kW * kH);
  for (auto _ : state)
  {
    std::memcpy(b.data(), a.data(), a.size() * sizeof(unsigned int));
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CopyWholeBitmap);

void BM_FullRedraw(benchmark::State& state)
{
  Editor e;
  for (auto _ : state)
  {
    e.gui->SetAllControlsDirty();
    IRECT r;
    e.gui->IsDirty(&r);
    e.gui->Draw(&r);
  }
  state.counters["controls"] = e.gui->NControls();
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

void BM_IdleFrame(benchmark::State& state)
{
  Editor e;
  IRECT all(0, 0, kW, kH);
  e.gui->Draw(&all);
  for (auto _ : state)
  {
    IRECT r;
    benchmark::DoNotOptimize(e.gui->IsDirty(&r));
  }
  state.SetItemsProcessed(state.iterations() * e.gui->NControls());  // items = controls polled
}
BENCHMARK(BM_IdleFrame);
}  // namespace
