#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "lice_plot.h"
#include "lice_vector.h"

namespace
{

int outcode(int64_t x, int64_t y, int64_t w, int64_t h)
{
  return (x < 0 ? 1 : 0) | (x >= w ? 2 : 0) | (y < 0 ? 4 : 0) | (y >= h ? 8 : 0);
}

// Outcode clipping to [0, w) x [0, h) in 64 bits; false when invisible.
// Each pass moves one end onto an edge line; a handful of passes always
// settles, the limit only guards against a point that keeps bouncing.
bool clipToBox(int64_t* x1, int64_t* y1, int64_t* x2, int64_t* y2, int64_t w, int64_t h)
{
  if (w <= 0 || h <= 0) return false;
  int c1 = outcode(*x1, *y1, w, h), c2 = outcode(*x2, *y2, w, h);
  for (int pass = 0; c1 | c2; ++pass)
  {
    if ((c1 & c2) || pass >= 8) return false;
    const int c = c1 ? c1 : c2;
    const double ax = static_cast<double>(*x1), ay = static_cast<double>(*y1);
    const double dx = static_cast<double>(*x2) - ax, dy = static_cast<double>(*y2) - ay;
    int64_t x, y;
    if (c & 8)
    {
      y = h - 1;
      x = *x1 + static_cast<int64_t>(dx * (static_cast<double>(h) - ay) / dy);
    }
    else if (c & 4)
    {
      y = 0;
      x = *x1 + static_cast<int64_t>(-ay * dx / dy);
    }
    else if (c & 2)
    {
      x = w - 1;
      y = *y1 + static_cast<int64_t>(dy * (static_cast<double>(w) - ax) / dx);
    }
    else
    {
      x = 0;
      y = *y1 + static_cast<int64_t>(dy * -ax / dx);
    }
    if (c == c1)
    {
      *x1 = x;
      *y1 = y;
      c1 = outcode(x, y, w, h);
    }
    else
    {
      *x2 = x;
      *y2 = y;
      c2 = outcode(x, y, w, h);
    }
  }
  return true;
}

// A run of pixels from (x, y) in steps of (sx, sy), n + 1 pixels, all inside.
template <class Plot>
void plotRun(const LICE_Surface& s, int x, int y, int sx, int sy, int n, int w, const Plot& plot)
{
  const ptrdiff_t step = sx + sy * s.rowStep();
  LICE_pixel* p = s.at(x, y);
  for (int i = 0; i <= n; ++i, p += step) plot(p, w);
}

// Exact diagonal with smoothing: three quarters on each point and one
// quarter on its two neighbours toward the next point.
template <class PlotMain, class PlotSide>
void diagonalSmooth(const LICE_Surface& s, int x, int y, int sx, int sy, int n, int wMain, int wSide,
                    const PlotMain& main, const PlotSide& side)
{
  for (int i = 0; i <= n; ++i, x += sx, y += sy)
  {
    main(s.at(x, y), wMain);
    if (i == n || !wSide) continue;
    side(s.at(x + sx, y), wSide);
    side(s.at(x, y + sy), wSide);
  }
}

// Any other slope: step along the major axis, minor coordinate in 16.16.
template <class Plot>
void slopedLine(const LICE_Surface& s, int x1, int y1, int x2, int y2, int w, bool aa, const Plot& plot)
{
  const int dx = x2 - x1, dy = y2 - y1;
  const bool xMajor = std::abs(dx) > std::abs(dy);
  const int n = xMajor ? std::abs(dx) : std::abs(dy);
  const int majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
  const int minorDelta = xMajor ? dy : dx;
  const int64_t slope = static_cast<int64_t>(std::abs(minorDelta)) * 65536 / n;
  const int minorDir = minorDelta > 0 ? 1 : -1;
  auto pixel = [&](int major, int minor) -> LICE_pixel* {
    return xMajor ? s.at(major, minor) : s.at(minor, major);
  };
  const int major1 = xMajor ? x1 : y1, minor1 = xMajor ? y1 : x1;
  const int major2 = xMajor ? x2 : y2, minor2 = xMajor ? y2 : x2;
  const int minorLimit = xMajor ? s.height : s.width;
  // The truncated slope may drift by a pixel on very long lines; keeping the
  // minor coordinate between the two (inside) ends keeps every pixel inside.
  const int minorLo = minor1 < minor2 ? minor1 : minor2, minorHi = minor1 < minor2 ? minor2 : minor1;
  auto clampMinor = [&](int64_t v) { return static_cast<int>(v < minorLo ? minorLo : v > minorHi ? minorHi : v); };

  if (!aa)
  {
    // rounded to the nearest pixel so that both ends land exactly
    int64_t m = (static_cast<int64_t>(minor1) << 16) + 0x8000;
    for (int i = 0; i <= n; ++i, m += minorDir * slope) plot(pixel(major1 + i * majorStep, clampMinor(m >> 16)), w);
    return;
  }

  // Smoothed: from both ends toward the middle, each step splitting the
  // weight between the two pixels around the ideal minor coordinate.
  plot(pixel(major1, minor1), w);
  plot(pixel(major2, minor2), w);
  for (int i = 1; i < n; ++i)
  {
    const bool fromStart = i <= n / 2;
    const int k = fromStart ? i : n - i;
    const int dir = fromStart ? minorDir : -minorDir;
    const int64_t m = (static_cast<int64_t>(fromStart ? minor1 : minor2) << 16) + dir * k * slope;
    const int base = clampMinor(m >> 16);
    const int frac = static_cast<int>(m & 0xFFFF);
    const int wNext = static_cast<int>(static_cast<int64_t>(w) * frac >> 16), wBase = w - wNext;
    const int major = major1 + i * majorStep;
    if (wBase) plot(pixel(major, base), wBase);
    if (wNext && base + 1 < minorLimit) plot(pixel(major, base + 1), wNext);
  }
}

} // namespace

bool LICE_ClipLine(int* x1, int* y1, int* x2, int* y2, int left, int top, int right, int bottom)
{
  int64_t a = static_cast<int64_t>(*x1) - left, b = static_cast<int64_t>(*y1) - top;
  int64_t c = static_cast<int64_t>(*x2) - left, d = static_cast<int64_t>(*y2) - top;
  if (!clipToBox(&a, &b, &c, &d, static_cast<int64_t>(right) - left, static_cast<int64_t>(bottom) - top)) return false;
  *x1 = static_cast<int>(a + left);
  *y1 = static_cast<int>(b + top);
  *x2 = static_cast<int>(c + left);
  *y2 = static_cast<int>(d + top);
  return true;
}

void LICE_Line(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, LICE_pixel colour, float alpha, int mode, bool aa)
{
  LICE_Surface s;
  if (!LICE_GetSurface(dest, &s)) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (!w) return;
  int64_t a = x1, b = y1, c = x2, d = y2;
  if (!clipToBox(&a, &b, &c, &d, s.width, s.height)) return;
  const int X1 = static_cast<int>(a), Y1 = static_cast<int>(b), X2 = static_cast<int>(c), Y2 = static_cast<int>(d);
  const int dx = X2 - X1, dy = Y2 - Y1;
  const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;

  if (!dy || !dx || !aa)
  {
    LICE_WithPlot(mode, w, true, colour, [&](const auto& plot) {
      if (!dy) plotRun(s, X1, Y1, sx, 0, std::abs(dx), w, plot);
      else if (!dx) plotRun(s, X1, Y1, 0, sy, std::abs(dy), w, plot);
      else if (std::abs(dx) == std::abs(dy)) plotRun(s, X1, Y1, sx, sy, std::abs(dx), w, plot);
      else slopedLine(s, X1, Y1, X2, Y2, w, false, plot);
    });
    return;
  }
  if (std::abs(dx) == std::abs(dy))
  {
    if ((mode & LICE_MODE_MASK) == LICE_MODE_COPY && w == 256)
    {
      diagonalSmooth(s, X1, Y1, sx, sy, std::abs(dx), 192, 64, LICE_ShortcutPlot<_LICE_CombinePixelsThreeQuarterMix2FAST>{colour},
                     LICE_ShortcutPlot<_LICE_CombinePixelsQuarterMix2FAST>{colour});
      return;
    }
    LICE_WithPlot(mode, w, false, colour, [&](const auto& plot) {
      diagonalSmooth(s, X1, Y1, sx, sy, std::abs(dx), w * 3 / 4, w / 4, plot, plot);
    });
    return;
  }
  LICE_WithPlot(mode, w, false, colour, [&](const auto& plot) { slopedLine(s, X1, Y1, X2, Y2, w, true, plot); });
}

void LICE_DrawRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel colour, float alpha, int mode)
{
  // far corners saturate to the int range; clipping takes care of the rest
  auto sat = [](int64_t v) { return static_cast<int>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); };
  const int x2 = sat(static_cast<int64_t>(x) + w), y2 = sat(static_cast<int64_t>(y) + h);
  LICE_Line(dest, x, y, x2, y, colour, alpha, mode, false);
  LICE_Line(dest, x2, y, x2, y2, colour, alpha, mode, false);
  LICE_Line(dest, x2, y2, x, y2, colour, alpha, mode, false);
  LICE_Line(dest, x, y2, x, y, colour, alpha, mode, false);
}
