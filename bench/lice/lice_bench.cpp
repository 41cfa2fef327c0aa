// Speed of the image engine's hot paths, the ones the editor uses on every
// redraw: the full-weight copy blit (against memcpy of the same bytes in the
// same run), the source-alpha blit, rectangle fills and drawing a 91-frame
// film strip.
#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>
#include <random>

#include "lice.h"
#include "lice_text.h"

namespace
{

constexpr int kW = 780, kH = 200;

void fillRandom(LICE_IBitmap& bm, unsigned seed)
{
  std::mt19937 rng(seed);
  LICE_pixel* p = bm.getBits();
  for (int i = 0; i < bm.getRowSpan() * bm.getHeight(); ++i) p[i] = rng();
}

// This thread's CPU time in seconds: steadier than wall time on a loaded
// machine.
double threadSeconds()
{
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Seconds per memcpy of n bytes, timed over reps copies.
double memcpySeconds(void* dst, const void* src, size_t n, int64_t reps)
{
  const double t0 = threadSeconds();
  for (int64_t i = 0; i < reps; ++i)
  {
    memcpy(dst, src, n);
    benchmark::ClobberMemory();
  }
  return (threadSeconds() - t0) / static_cast<double>(reps);
}

// Full-weight copy blit of a 780 x 200 bitmap; the counter vs_memcpy is the
// blit's CPU time over memcpy's for the same bytes, measured right after.
void BM_CopyBlit780x200(benchmark::State& state)
{
  LICE_MemBitmap src(kW, kH, 4), dst(kW, kH, 4);
  fillRandom(src, 1);
  int64_t n = 0;
  const double t0 = threadSeconds();
  for (auto _ : state)
  {
    LICE_Blit(&dst, &src, 0, 0, nullptr, 1.0f, LICE_MODE_COPY);
    benchmark::ClobberMemory();
    ++n;
  }
  const double blit = (threadSeconds() - t0) / static_cast<double>(n);
  const size_t bytes = static_cast<size_t>(src.getRowSpan()) * kH * 4;
  const double copy = memcpySeconds(dst.getBits(), src.getBits(), bytes, n);
  state.counters["vs_memcpy"] = blit / copy;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_CopyBlit780x200);

// memcpy of the same 780 x 200 x 4 bytes, for reference.
void BM_Memcpy780x200(benchmark::State& state)
{
  LICE_MemBitmap src(kW, kH, 4), dst(kW, kH, 4);
  fillRandom(src, 1);
  const size_t bytes = static_cast<size_t>(src.getRowSpan()) * kH * 4;
  for (auto _ : state)
  {
    memcpy(dst.getBits(), src.getBits(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_Memcpy780x200);

// Source-alpha copy blit of a 780 x 200 bitmap with mixed alpha (clear,
// opaque and in between).
void BM_SourceAlphaBlit780x200(benchmark::State& state)
{
  LICE_MemBitmap src(kW, kH, 4), dst(kW, kH, 4);
  fillRandom(src, 2);
  fillRandom(dst, 3);
  LICE_pixel* p = src.getBits();
  for (int i = 0; i < src.getRowSpan() * kH; ++i)
    if (i % 3 == 0) p[i] &= 0xFFFFFF00u;
    else if (i % 3 == 1) p[i] |= 0xFFu;
  for (auto _ : state)
  {
    LICE_Blit(&dst, &src, 0, 0, nullptr, static_cast<float>(state.range(0)) / 256.0f,
              LICE_MODE_COPY | LICE_FLAG_SOURCE_ALPHA);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kW * kH);
}
BENCHMARK(BM_SourceAlphaBlit780x200)->Arg(256)->Arg(192);

// Fill of a 780 x 200 rectangle at the given integer weight (256 and 128 take
// the whole-word shortcuts, 77 the general combine).
void BM_FillRect780x200(benchmark::State& state)
{
  LICE_MemBitmap dst(kW, kH, 4);
  fillRandom(dst, 4);
  const float alpha = static_cast<float>(state.range(0)) / 256.0f;
  for (auto _ : state)
  {
    LICE_FillRect(&dst, 0, 0, kW, kH, LICE_RGBA(40, 80, 120, 255), alpha, LICE_MODE_COPY);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kW * kH);
}
BENCHMARK(BM_FillRect780x200)->Arg(256)->Arg(128)->Arg(77);

// Draws every frame of a 91-frame 48 x 48 film strip (stacked vertically)
// with source alpha onto a background, as a knob sweep does.
void BM_FilmStrip91Frames(benchmark::State& state)
{
  constexpr int kFrame = 48, kFrames = 91;
  LICE_MemBitmap strip(kFrame, kFrame * kFrames, 4), dst(kW, kH, 4);
  fillRandom(strip, 5);
  fillRandom(dst, 6);
  for (auto _ : state)
  {
    for (int f = 0; f < kFrames; ++f)
    {
      RECT r = {0, f * kFrame, kFrame, (f + 1) * kFrame};
      LICE_Blit(&dst, &strip, 100, 50, &r, 1.0f, LICE_MODE_COPY | LICE_FLAG_SOURCE_ALPHA);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFrames);
}
BENCHMARK(BM_FilmStrip91Frames);

// The editor's 15 captions and value texts (about 100 characters) through
// the glyph cache into a platform bitmap, in microseconds: warm (every glyph
// cached) and cold (the font's glyphs discarded before each pass).
const char* const kTexts[15] = {"Drive", "9.00", "Bias", "2.50", "Volume", "-6.0 dB", "HP", "120 Hz", "Peak",
                                "1.20 kHz", "Shelf", "8.0 kHz", "LP", "12.0 kHz", "4 x"};

void drawTexts(LICE_CachedFont& font, LICE_IBitmap& bm)
{
  for (int i = 0; i < 15; ++i)
  {
    RECT r = {(i % 5) * 150, (i / 5) * 60, (i % 5) * 150 + 140, (i / 5) * 60 + 20};
    font.DrawText(&bm, kTexts[i], -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

void BM_CachedFontTexts(benchmark::State& state)
{
  const bool cold = state.range(0) != 0;
  LICE_SysBitmap bm(kW, kH);
  LICE_CachedFont font;
  HGDIOBJ hf = CreateFont(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
  font.SetFromHFont(hf, LICE_FONT_FLAG_OWNS_HFONT);
  font.SetTextColor(LICE_RGBA(255, 255, 255, 255));
  drawTexts(font, bm);
  for (auto _ : state)
  {
    if (cold)
    {
      state.PauseTiming();
      font.SetFromHFont(hf, LICE_FONT_FLAG_OWNS_HFONT);
      state.ResumeTiming();
    }
    drawTexts(font, bm);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CachedFontTexts)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
