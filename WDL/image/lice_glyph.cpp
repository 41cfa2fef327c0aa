#include <cstdint>

#include "lice_plot.h"
#include "lice_vector.h"

void LICE_DrawGlyph(LICE_IBitmap* dest, int x, int y, LICE_pixel colour, const unsigned char* mask, int maskWidth,
                    int maskHeight, float alpha, int mode)
{
  LICE_DrawGlyphEx(dest, x, y, colour, mask, maskWidth, maskWidth, maskHeight, alpha, mode);
}

void LICE_DrawGlyphEx(LICE_IBitmap* dest, int x, int y, LICE_pixel colour, const unsigned char* mask, int maskWidth,
                      int maskRowLength, int maskHeight, float alpha, int mode)
{
  LICE_Surface s;
  if (!LICE_GetSurface(dest, &s) || !mask || maskWidth <= 0 || maskHeight <= 0 || maskRowLength < maskWidth) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (!w) return;
  // columns and rows left of or above the bitmap are skipped in the mask too
  int64_t x0 = x, x1 = static_cast<int64_t>(x) + maskWidth, y0 = y, y1 = static_cast<int64_t>(y) + maskHeight;
  if (!LICE_ClipSpan(&x0, &x1, s.width) || !LICE_ClipSpan(&y0, &y1, s.height)) return;
  const unsigned char* m = mask + (y0 - y) * static_cast<int64_t>(maskRowLength) + (x0 - x);
  LICE_WithPlot(mode, w, false, colour, [&](const auto& plot) {
    const unsigned char* mr = m;
    for (int64_t row = y0; row < y1; ++row, mr += maskRowLength)
    {
      LICE_pixel* p = s.at(static_cast<int>(x0), static_cast<int>(row));
      for (int64_t i = 0; i < x1 - x0; ++i)
        if (mr[i]) plot(p + i, w * mr[i] / 256);
    }
  });
}
