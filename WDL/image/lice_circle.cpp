#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "lice_plot.h"
#include "lice_vector.h"

namespace
{

// Larger radii would take too long to step and have no use in a bitmap of
// at most 2^31 bytes.
constexpr double kMaxRadius = 16777216.0;
constexpr double kPi = 3.14159265358979323846;

// Half-open box of pixels a circle may touch.
struct Box
{
  int64_t x0, y0, x1, y1;
};

// Checks the circle's numbers and that it can reach the box at all. A
// radius of 0 is the centre pixel; negative radii draw nothing.
bool usableCircle(double cx, double cy, double r, const Box& box)
{
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r)) return false;
  if (!(r >= 0.0) || r > kMaxRadius) return false;
  return cx + r + 1 >= box.x0 && cx - r - 1 < box.x1 && cy + r + 1 >= box.y0 && cy - r - 1 < box.y1;
}

template <class Plot>
struct CirclePainter
{
  const LICE_Surface& s;
  Box box;
  const Plot& plot;

  void put(int64_t x, int64_t y, int w) const
  {
    if (w > 0 && x >= box.x0 && x < box.x1 && y >= box.y0 && y < box.y1)
      plot(s.at(static_cast<int>(x), static_cast<int>(y)), w);
  }
  void putAt(double x, double y, int w) const
  {
    put(static_cast<int64_t>(std::floor(x)), static_cast<int64_t>(std::floor(y)), w);
  }
  // Splits w between the two pixels around position pos along x (alongX) or
  // along y, by the distance from each.
  void putSplit(double pos, int64_t other, bool alongX, int w) const
  {
    const double f = std::floor(pos);
    const int wNext = static_cast<int>(w * (pos - f));
    const int64_t p = static_cast<int64_t>(f);
    if (alongX)
    {
      put(p, other, w - wNext);
      put(p + 1, other, wNext);
    }
    else
    {
      put(other, p, w - wNext);
      put(other, p + 1, wNext);
    }
  }
  void span(int64_t x0, int64_t x1, int64_t y, int w) const
  {
    if (y < box.y0 || y >= box.y1) return;
    if (x0 < box.x0) x0 = box.x0;
    if (x1 >= box.x1) x1 = box.x1 - 1;
    LICE_pixel* row = s.row(static_cast<int>(y));
    for (int64_t x = x0; x <= x1; ++x) plot(row + x, w);
  }

  // Midpoint circle; calls point(x, y) for each outline point.
  template <class Point>
  static void midpoint(double cx, double cy, double r, const Point& point)
  {
    point(cx, cy + r);
    point(cx, cy - r);
    point(cx + r, cy);
    point(cx - r, cy);
    double d = (5.0 - 4.0 * r) / 4.0, q = r;
    int k = 0;
    while (q > k)
    {
      ++k;
      const double oldq = q;
      const bool neg = d < 0;
      if (!neg) q -= 1.0;
      point(cx + k, cy + q);
      point(cx - k, cy + q);
      point(cx + k, cy - q);
      point(cx - k, cy - q);
      if (q != k)
      {
        point(cx + q, cy + k);
        point(cx - q, cy + k);
        point(cx + q, cy - k);
        point(cx - q, cy - k);
      }
      d += neg ? 2.0 * k + 1.0 : 2.0 * (k - (oldq - 1.0)) + 1.0;
    }
  }

  void outline(double cx, double cy, double r, int w) const
  {
    midpoint(cx, cy, r, [&](double x, double y) { putAt(x, y, w); });
  }

  // The midpoint outline's extreme columns per row, then each row filled
  // once between them.
  void fill(double cx, double cy, double r, int w) const
  {
    const int64_t rows = box.y1 - box.y0;
    std::vector<int64_t> lo(static_cast<size_t>(rows), INT64_MAX), hi(static_cast<size_t>(rows), INT64_MIN);
    midpoint(cx, cy, r, [&](double x, double y) {
      const int64_t px = static_cast<int64_t>(std::floor(x)), py = static_cast<int64_t>(std::floor(y));
      if (py < box.y0 || py >= box.y1) return;
      const size_t i = static_cast<size_t>(py - box.y0);
      if (px < lo[i]) lo[i] = px;
      if (px > hi[i]) hi[i] = px;
    });
    for (int64_t i = 0; i < rows; ++i)
      if (lo[i] <= hi[i]) span(lo[i], hi[i], box.y0 + i, w);
  }

  // Smoothed outline: along each row and each column near the circle, the
  // weight is split between the two pixels around the exact crossing.
  void outlineSmooth(double cx, double cy, double r, int w) const
  {
    for (int k = 0; k <= r; ++k)
    {
      const double m = std::sqrt(r * r - static_cast<double>(k) * k);
      if (!(k < m + 1)) break;
      for (int sgn = 1; sgn >= -1; sgn -= 2)
      {
        if (k == 0 && sgn < 0) break;
        const int64_t row = static_cast<int64_t>(std::floor(cy + sgn * k));
        const int64_t col = static_cast<int64_t>(std::floor(cx + sgn * k));
        putSplit(cx + m, row, true, w);
        putSplit(cx - m, row, true, w);
        putSplit(cy + m, col, false, w);
        putSplit(cy - m, col, false, w);
      }
    }
  }

  // Smoothed fill, the same on all four sides. For each offset k from the
  // centre, m = sqrt(r^2 - k^2) is where row cy +- k and column cx +- k
  // cross the circle: pixels up to floor(m) from the centre are inside at
  // full weight and the pixel beyond gets the fraction m - floor(m) of w, so
  // coverage only falls towards the rim. Rows own the pixels with
  // |dx| >= |dy|, columns those with |dy| > |dx|: each pixel is combined
  // once and the shape is symmetric under the eight reflections about the
  // centre pixel.
  void fillSmooth(double cx, double cy, double r, int w) const
  {
    const int64_t px = static_cast<int64_t>(std::floor(cx)), py = static_cast<int64_t>(std::floor(cy));
    // Only offsets whose rows or columns meet the box matter: at most four
    // runs of k, visited in order without repeats.
    const int64_t kMax = static_cast<int64_t>(std::floor(r));
    std::pair<int64_t, int64_t> runs[4] = {{box.y0 - py, box.y1 - 1 - py},
                                           {py - (box.y1 - 1), py - box.y0},
                                           {box.x0 - px, box.x1 - 1 - px},
                                           {px - (box.x1 - 1), px - box.x0}};
    std::sort(runs, runs + 4);
    int64_t next = 0; // first offset not visited yet
    for (const auto& run : runs)
    {
      const int64_t hi = run.second < kMax ? run.second : kMax;
      for (int64_t k = run.first > next ? run.first : next; k <= hi; ++k)
      {
        const double kd = static_cast<double>(k);
        const double m = std::sqrt(r * r - kd * kd);
        if (!(kd < m + 1)) return; // m only shrinks as k grows
        const int64_t inner = static_cast<int64_t>(std::floor(m));
        const int wOuter = static_cast<int>(w * (m - std::floor(m)));
        octantRow(px, py, k, inner, wOuter, w);
        octantColumn(px, py, k, inner, wOuter, w);
      }
      if (hi + 1 > next) next = hi + 1;
    }
  }

  // Rows py +- k: weight w for |dx| from k to inner, wOuter at inner + 1.
  void octantRow(int64_t px, int64_t py, int64_t k, int64_t inner, int wOuter, int w) const
  {
    for (int side = 0; side < (k ? 2 : 1); ++side)
    {
      const int64_t line = side ? -k : k;
      if (inner >= k)
      {
        // one span across the centre on the middle row
        if (!k) span(px - inner, px + inner, py, w);
        else
        {
          span(px + k, px + inner, py + line, w);
          span(px - inner, px - k, py + line, w);
        }
      }
      if (inner + 1 >= k)
      {
        put(px + inner + 1, py + line, wOuter);
        put(px - inner - 1, py + line, wOuter);
      }
    }
  }

  // Columns px +- k: weight w for |dy| from k + 1 to inner, wOuter at
  // inner + 1; only the rows inside the box are visited.
  void octantColumn(int64_t px, int64_t py, int64_t k, int64_t inner, int wOuter, int w) const
  {
    for (int side = 0; side < (k ? 2 : 1); ++side)
    {
      const int64_t line = side ? -k : k;
      if (px + line < box.x0 || px + line >= box.x1) continue;
      for (int64_t sgn : {1, -1})
      {
        int64_t lo = sgn > 0 ? box.y0 - py : py - (box.y1 - 1), hi = sgn > 0 ? box.y1 - 1 - py : py - box.y0;
        if (lo < k + 1) lo = k + 1;
        if (hi > inner + 1) hi = inner + 1;
        for (int64_t off = lo; off <= hi; ++off) put(px + line, py + sgn * off, off <= inner ? w : wOuter);
      }
    }
  }
};

Box bitmapBox(const LICE_Surface& s)
{
  return {0, 0, s.width, s.height};
}

// Draws an outline or fill limited to box (already inside the bitmap).
void drawCircle(const LICE_Surface& s, const Box& box, double cx, double cy, double r, LICE_pixel colour, int w,
                int mode, bool aa, bool filled)
{
  if (!usableCircle(cx, cy, r, box) || box.x0 >= box.x1 || box.y0 >= box.y1) return;
  LICE_WithPlot(mode, w, !aa, colour, [&](const auto& plot) {
    CirclePainter<std::decay_t<decltype(plot)>> p{s, box, plot};
    if (r == 0.0) p.putAt(cx, cy, w); // every method would reach the centre several times
    else if (filled && aa) p.fillSmooth(cx, cy, r, w);
    else if (filled) p.fill(cx, cy, r, w);
    else if (aa) p.outlineSmooth(cx, cy, r, w);
    else p.outline(cx, cy, r, w);
  });
}

// Stored rings for the small radii 1.5, 2, ..., 4: (2r + 1) pixels square,
// the centre at (r, r) in mask pixels; plain rings hold 255 within half a
// pixel of the radius, smooth ones fall off linearly over one pixel.
struct SmallCircleMasks
{
  std::vector<unsigned char> mask[6][2]; // [radius index][smooth]
  SmallCircleMasks()
  {
    for (int i = 0; i < 6; ++i)
    {
      const double r = 1.5 + 0.5 * i;
      const int n = static_cast<int>(2 * r + 1);
      for (int aa = 0; aa < 2; ++aa)
      {
        std::vector<unsigned char>& m = mask[i][aa];
        m.resize(static_cast<size_t>(n) * n);
        for (int y = 0; y < n; ++y)
          for (int x = 0; x < n; ++x)
          {
            const double off = std::fabs(std::hypot(x - r, y - r) - r);
            double cover = aa ? 1.0 - off : (off <= 0.5 ? 1.0 : 0.0);
            m[static_cast<size_t>(y) * n + x] = static_cast<unsigned char>(cover > 0 ? cover * 255.0 + 0.5 : 0);
          }
      }
    }
  }
};

const SmallCircleMasks& smallMasks()
{
  static const SmallCircleMasks masks;
  return masks;
}

} // namespace

void LICE_Circle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel colour, float alpha, int mode, bool aa)
{
  LICE_Surface s;
  if (!LICE_GetSurface(dest, &s)) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (!w || !usableCircle(cx, cy, r, bitmapBox(s))) return;
  const double twice = 2.0 * r;
  if (twice == std::floor(twice) && twice >= 3 && twice <= 8)
  {
    const int i = static_cast<int>(twice) - 3, n = static_cast<int>(twice) + 1;
    LICE_DrawGlyph(dest, static_cast<int>(cx - r), static_cast<int>(cy - r), colour,
                   smallMasks().mask[i][aa ? 1 : 0].data(), n, n, alpha, mode);
    return;
  }
  drawCircle(s, bitmapBox(s), cx, cy, r, colour, w, mode, aa, false);
}

void LICE_FillCircle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel colour, float alpha, int mode,
                     bool aa)
{
  LICE_Surface s;
  if (!LICE_GetSurface(dest, &s)) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (!w) return;
  drawCircle(s, bitmapBox(s), cx, cy, r, colour, w, mode, aa, true);
}

void LICE_Arc(LICE_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle, LICE_pixel colour,
              float alpha, int mode, bool aa)
{
  LICE_Surface s;
  if (!LICE_GetSurface(dest, &s)) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (!w || !std::isfinite(minAngle) || !std::isfinite(maxAngle) || !usableCircle(cx, cy, r, bitmapBox(s))) return;
  // reversed angles make an empty arc
  double a1 = minAngle, a2 = maxAngle;
  if (!(a2 > a1)) return;
  const double span = a2 - a1;
  if (span >= 2 * kPi)
  {
    LICE_Circle(dest, cx, cy, r, colour, alpha, mode, aa);
    return;
  }
  if (std::fabs(a1) > 2 * kPi)
  {
    a1 = std::fmod(a1, 2 * kPi);
    a2 = a1 + span;
  }

  // Pieces within one half-turn each: the circle clipped to the half it lies
  // in (right of the centre for 0..pi, left for pi..2pi) and to the rows
  // between the piece's ends.
  const int64_t colSplit = static_cast<int64_t>(std::ceil(static_cast<double>(cx)));
  for (double from = a1; from < a2;)
  {
    double to = (std::floor(from / kPi) + 1) * kPi;
    if (to > a2) to = a2;
    const bool rightHalf = std::sin((from + to) / 2) >= 0;
    const double ya = cy - r * std::cos(from), yb = cy - r * std::cos(to);
    const int64_t ra = static_cast<int64_t>(ya + 0.5), rb = static_cast<int64_t>(yb + 0.5);
    Box box = {rightHalf ? colSplit : 0, ra < rb ? ra : rb, rightHalf ? s.width : colSplit, (ra < rb ? rb : ra) + 1};
    if (box.x0 < 0) box.x0 = 0;
    if (box.x1 > s.width) box.x1 = s.width;
    if (box.y0 < 0) box.y0 = 0;
    if (box.y1 > s.height) box.y1 = s.height;
    drawCircle(s, box, cx, cy, r, colour, w, mode, aa, false);
    from = to;
  }
}

void LICE_RoundRect(LICE_IBitmap* dest, float x, float y, float w, float h, int cornerRadius, LICE_pixel colour,
                    float alpha, int mode, bool aa)
{
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h)) return;
  const double lim = 1073741824.0; // far beyond any bitmap, still inside int
  auto toInt = [lim](double v) { return static_cast<int>(v < -lim ? -lim : v > lim ? lim : v); };
  double r = -1;
  if (cornerRadius > 0) r = std::floor(std::fmin(cornerRadius, std::fmin(w / 2.0, h / 2.0)));
  if (r < 2)
  {
    LICE_DrawRect(dest, toInt(x), toInt(y), toInt(w), toInt(h), colour, alpha, mode);
    return;
  }
  const double x2 = static_cast<double>(x) + w, y2 = static_cast<double>(y) + h;
  LICE_Line(dest, toInt(x + r), toInt(y), toInt(x2 - r), toInt(y), colour, alpha, mode, aa);
  LICE_Line(dest, toInt(x + r - 1), toInt(y2), toInt(x2 - r), toInt(y2), colour, alpha, mode, aa);
  LICE_Line(dest, toInt(x2), toInt(y + r), toInt(x2), toInt(y2 - r), colour, alpha, mode, aa);
  LICE_Line(dest, toInt(x), toInt(y + r - 1), toInt(x), toInt(y2 - r), colour, alpha, mode, aa);
  const float fr = static_cast<float>(r);
  LICE_Arc(dest, static_cast<float>(x + r), static_cast<float>(y + r), fr, static_cast<float>(-kPi / 2), 0.0f, colour,
           alpha, mode, aa);
  LICE_Arc(dest, static_cast<float>(x2 - r), static_cast<float>(y + r), fr, 0.0f, static_cast<float>(kPi / 2), colour,
           alpha, mode, aa);
  LICE_Arc(dest, static_cast<float>(x2 - r), static_cast<float>(y2 - r), fr, static_cast<float>(kPi / 2),
           static_cast<float>(kPi), colour, alpha, mode, aa);
  LICE_Arc(dest, static_cast<float>(x + r), static_cast<float>(y2 - r), fr, static_cast<float>(kPi),
           static_cast<float>(3 * kPi / 2), colour, alpha, mode, aa);
}
