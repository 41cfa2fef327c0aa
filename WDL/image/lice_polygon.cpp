#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "lice_plot.h"
#include "lice_vector.h"

namespace
{

struct HullPoint
{
  int64_t x, y;
};

// z of (b - a) x (c - a): its sign tells on which side of a-b the point c
// lies (0 on the line). Coordinates are ints, so nothing overflows.
int64_t cross(const HullPoint& a, const HullPoint& b, const HullPoint& c)
{
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Convex hull of n >= 1 points in order around it, without collinear points
// (monotone chain over the points sorted by y, then x). All points equal
// give one point; all on one line give its two ends.
std::vector<HullPoint> convexHull(const int* x, const int* y, int n)
{
  std::vector<HullPoint> pts(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) pts[static_cast<size_t>(i)] = {x[i], y[i]};
  std::sort(pts.begin(), pts.end(),
            [](const HullPoint& a, const HullPoint& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  std::vector<HullPoint> hull(2 * pts.size());
  size_t k = 0;
  // one side going down, then the other coming back up
  for (size_t i = 0; i < pts.size(); ++i)
  {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  for (size_t i = pts.size() - 1, lower = k + 1; i-- > 0;)
  {
    while (k >= lower && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  // the last point repeats the first
  hull.resize(k - 1);
  return hull;
}

} // namespace

void LICE_FillConvexPolygon(LICE_IBitmap* dest, const int* x, const int* y, int n, LICE_pixel colour, float alpha,
                            int mode)
{
  LICE_Surface s;
  if (!LICE_GetSurface(dest, &s) || !x || !y || n < 3) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (!w) return;

  // The filled shape is the convex hull of the points, whatever their
  // order: points given out of order (or a non-convex outline) fill the same
  // pixels as the hull in order.
  std::vector<HullPoint> hull = convexHull(x, y, n);
  const int hn = static_cast<int>(hull.size());

  int64_t top = hull[0].y, bottom = hull[0].y;
  for (const HullPoint& p : hull)
  {
    if (p.y < top) top = p.y;
    if (p.y > bottom) bottom = p.y;
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
  for (int i = 0; i < hn; ++i)
  {
    const int j = i + 1 < hn ? i + 1 : 0;
    int64_t xa = hull[i].x, ya = hull[i].y, xb = hull[j].x, yb = hull[j].y;
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
