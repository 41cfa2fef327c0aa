// Internal to the image engine: a bitmap's memory as seen by the drawing
// loops, with rows addressed from the bottom for flipped bitmaps.
#ifndef LICE_SURFACE_H_
#define LICE_SURFACE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "lice_bitmap.h"

struct LICE_Surface
{
  LICE_pixel* bits;  // first pixel of stored row 0
  int width;         // pixels
  int height;        // pixels
  ptrdiff_t span;    // pixels between stored rows
  bool flipped;      // logical row 0 is the last stored row

  // Logical row y, 0 <= y < height. [any thread]
  LICE_pixel* row(int y) const { return bits + (flipped ? static_cast<ptrdiff_t>(height - 1 - y) : y) * span; }
  // Pointer step from logical row y to y + 1. [any thread]
  ptrdiff_t rowStep() const { return flipped ? -span : span; }
  // The pixel at (x, y), both inside the bitmap. [any thread]
  LICE_pixel* at(int x, int y) const { return row(y) + x; }
};

// Fills s from bm; false (drawing nothing) for a null bitmap, one without
// memory, an empty one or one whose row span is below its width.
inline bool LICE_GetSurface(LICE_IBitmap* bm, LICE_Surface* s)
{
  if (!bm) return false;
  s->bits = bm->getBits();
  s->width = bm->getWidth();
  s->height = bm->getHeight();
  s->span = bm->getRowSpan();
  s->flipped = bm->isFlipped();
  return s->bits && s->width > 0 && s->height > 0 && s->span >= s->width;
}

// Copies s's pixels into *buf (resized to fit) and returns a surface over the
// copy with the same logical rows, for an operation that reads a bitmap while
// it writes it. [main thread: allocates]
inline LICE_Surface LICE_CopySurface(const LICE_Surface& s, std::vector<LICE_pixel>* buf)
{
  const size_t w = static_cast<size_t>(s.width);
  buf->resize(w * static_cast<size_t>(s.height));
  for (int y = 0; y < s.height; ++y) memcpy(buf->data() + w * static_cast<size_t>(y), s.row(y), w * sizeof(LICE_pixel));
  return {buf->data(), s.width, s.height, static_cast<ptrdiff_t>(w), false};
}

// A half-open span [lo, hi) in 64 bits clipped to [0, limit); false when
// nothing is left.
inline bool LICE_ClipSpan(int64_t* lo, int64_t* hi, int64_t limit)
{
  if (*lo < 0) *lo = 0;
  if (*hi > limit) *hi = limit;
  return *lo < *hi;
}

#endif
