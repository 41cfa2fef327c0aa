// Shared helpers of the image-engine tests: an exactly-sized bitmap (so the
// address sanitizer sees any access past it), canaries in row padding, and an
// independent per-pixel model of the combine formulas.
#ifndef LICE_TEST_UTIL_H_
#define LICE_TEST_UTIL_H_

#include <cstdint>
#include <random>
#include <vector>

#include "lice.h"

namespace lice_test
{

constexpr LICE_pixel kCanary = 0xA5C3E1F7u;

// Bitmap whose pixel array is exactly span * height pixels, optionally
// stored bottom-up, with padding columns filled with kCanary.
class ExactBitmap : public LICE_IBitmap
{
public:
  ExactBitmap(int w, int h, int pad = 0, bool flipped = false) : m_pad(pad), m_flipped(flipped) { resize(w, h); }
  LICE_pixel* getBits() override { return m_px.empty() ? nullptr : m_px.data(); }
  int getWidth() override { return m_w; }
  int getHeight() override { return m_h; }
  int getRowSpan() override { return m_w + m_pad; }
  bool isFlipped() override { return m_flipped; }
  bool resize(int w, int h) override
  {
    if (w == m_w && h == m_h && !m_px.empty()) return false;
    m_w = w;
    m_h = h;
    m_px.assign(static_cast<size_t>(w + m_pad) * h, kCanary);
    m_px.shrink_to_fit();
    return true;
  }
  // Logical pixel (x, y), row 0 at the top whatever the storage order.
  LICE_pixel& px(int x, int y) { return m_px[static_cast<size_t>(m_flipped ? m_h - 1 - y : y) * (m_w + m_pad) + x]; }
  // Every stored value, padding included.
  std::vector<LICE_pixel>& raw() { return m_px; }
  void fillRandom(std::mt19937& rng);

private:
  int m_w = 0, m_h = 0, m_pad;
  bool m_flipped;
  std::vector<LICE_pixel> m_px;
};

// Combines source channels into a destination pixel value as the combine
// table says; mode is the mode byte (0..5), sa the source-alpha flag, w the
// integer weight 1..256.
LICE_pixel RefCombine(LICE_pixel dest, int r, int g, int b, int a, int w, int mode, bool sa);

// The whole-word shortcuts, per byte: quarter, half, three quarters, full.
LICE_pixel RefShortcut(LICE_pixel dest, LICE_pixel colour, int w);

// trunc(alpha * 256) limited to 0..256.
int RefWeight(float alpha);

// Random values biased towards the edges where special cases break.
int RandCoord(std::mt19937& rng, int size);
int RandExtent(std::mt19937& rng, int size);
float RandAlpha(std::mt19937& rng);
LICE_pixel RandColour(std::mt19937& rng);
int RandMode(std::mt19937& rng, bool withChannelCopy);

} // namespace lice_test

#endif
