#include <cmath>
#include <cstdint>
#include <vector>

#include "lice_plot.h"
#include "lice_vector.h"

void LICE_FillConvexPolygon(LICE_IBitmap* dest, const int* x, const int* y, int n, LICE_pixel colour, float alpha,
                            int mode)
{
  LICE_Surface s;
  if (!LICE_GetSurface(dest, &s) || !x || !y || n < 3) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (!w) return;

  int64_t top = y[0], bottom = y[0];
  for (int i = 1; i < n; ++i)
  {
    if (y[i] < top) top = y[i];
    if (y[i] > bottom) bottom = y[i];
  }
  ++bottom; // half-open
  if (!LICE_ClipSpan(&top, &bottom, s.height)) return;

  // Each edge marks, on every row it crosses, its x (interpolated linearly
  // and truncated); a convex polygon covers each row between the leftmost
  // and the rightmost mark. Only the rows inside the bitmap are kept.
  const size_t rows = static_cast<size_t>(bottom - top);
  std::vector<int64_t> lo(rows, INT64_MAX), hi(rows, INT64_MIN);
  auto mark = [&](int64_t row, int64_t px) {
    const size_t i = static_cast<size_t>(row - top);
    if (px < lo[i]) lo[i] = px;
    if (px > hi[i]) hi[i] = px;
  };
  for (int i = 0; i < n; ++i)
  {
    const int j = i + 1 < n ? i + 1 : 0;
    int64_t xa = x[i], ya = y[i], xb = x[j], yb = y[j];
    if (ya > yb)
    {
      std::swap(xa, xb);
      std::swap(ya, yb);
    }
    int64_t r0 = ya < top ? top : ya, r1 = yb >= bottom ? bottom - 1 : yb;
    if (ya == yb)
    {
      if (ya >= top && ya < bottom)
      {
        mark(ya, xa);
        mark(ya, xb);
      }
      continue;
    }
    const double slope = static_cast<double>(xb - xa) / static_cast<double>(yb - ya);
    for (int64_t row = r0; row <= r1; ++row)
      mark(row, xa + static_cast<int64_t>(slope * static_cast<double>(row - ya)));
  }

  LICE_WithPlot(mode, w, true, colour, [&](const auto& plot) {
    for (size_t i = 0; i < rows; ++i)
      if (lo[i] <= hi[i]) LICE_PlotSpan(s, lo[i], hi[i], top + static_cast<int64_t>(i), w, plot);
  });
}

void LICE_FillTriangle(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3, LICE_pixel colour,
                       float alpha, int mode)
{
  const int xs[3] = {x1, x2, x3}, ys[3] = {y1, y2, y3};
  LICE_FillConvexPolygon(dest, xs, ys, 3, colour, alpha, mode);
}
