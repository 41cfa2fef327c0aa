// A floating-point canvas for drawing the editor's images: shapes given as
// coverage functions, sampled 4 x 4 per pixel and composited "over" in
// premultiplied RGBA. Everything is plain double arithmetic in a fixed order,
// so a run produces the same bytes every time on the same machine.
#ifndef CINDERPATH_TOOLS_CANVAS_H_
#define CINDERPATH_TOOLS_CANVAS_H_

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

struct Rgba
{
  double r, g, b, a;  // straight (not premultiplied), 0..1
};

inline Rgba Rgb8(int r, int g, int b, double a = 1.0) { return {r / 255.0, g / 255.0, b / 255.0, a}; }
inline Rgba Mix(const Rgba& p, const Rgba& q, double t)
{
  return {p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t, p.a + (q.a - p.a) * t};
}
inline double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

class Canvas
{
public:
  Canvas(int widthPx, int heightPx) : w_(widthPx), h_(heightPx), px_(static_cast<size_t>(widthPx) * heightPx * 4, 0.0) {}

  int Width() const { return w_; }
  int Height() const { return h_; }

  // Composites colour(x, y) weighted by coverage(x, y) (0..1) over the pixels
  // of the box [x0, x1) x [y0, y1), clipped to the canvas. Both functions take
  // canvas coordinates in pixels; pixel (i, j) spans [i, i + 1) x [j, j + 1).
  template <class Coverage, class Colour>
  void Paint(int x0, int y0, int x1, int y1, Coverage coverage, Colour colour)
  {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, w_);
    y1 = std::min(y1, h_);
    for (int j = y0; j < y1; ++j)
      for (int i = x0; i < x1; ++i)
      {
        double r = 0, g = 0, b = 0, a = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx)
          {
            const double x = i + (sx + 0.5) / 4.0;
            const double y = j + (sy + 0.5) / 4.0;
            const double c = coverage(x, y);
            if (c <= 0.0) continue;
            const Rgba col = colour(x, y);
            const double w = c * col.a;
            r += col.r * w;
            g += col.g * w;
            b += col.b * w;
            a += w;
          }
        if (a <= 0.0) continue;
        double* d = &px_[(static_cast<size_t>(j) * w_ + i) * 4];
        const double k = 1.0 - a / 16.0;
        d[0] = r / 16.0 + d[0] * k;
        d[1] = g / 16.0 + d[1] * k;
        d[2] = b / 16.0 + d[2] * k;
        d[3] = a / 16.0 + d[3] * k;
      }
  }

  // Pixel (i, j) as straight 8-bit channels r, g, b, a.
  void Get8(int i, int j, unsigned char out[4]) const
  {
    const double* d = &px_[(static_cast<size_t>(j) * w_ + i) * 4];
    const double a = Clamp01(d[3]);
    for (int c = 0; c < 3; ++c)
    {
      const double v = a > 0.0 ? Clamp01(d[c] / a) : 0.0;
      out[c] = static_cast<unsigned char>(std::floor(v * 255.0 + 0.5));
    }
    out[3] = static_cast<unsigned char>(std::floor(a * 255.0 + 0.5));
  }

private:
  int w_, h_;
  std::vector<double> px_;  // premultiplied r, g, b, a per pixel
};

// Coverage helpers, in canvas pixels.
inline double DiscCoverage(double x, double y, double cx, double cy, double radius)
{
  return std::hypot(x - cx, y - cy) <= radius ? 1.0 : 0.0;
}
// 1 inside a rectangle with rounded corners of the given radius.
inline double RoundRectCoverage(double x, double y, double l, double t, double r, double b, double radius)
{
  if (x < l || x >= r || y < t || y >= b) return 0.0;
  const double qx = std::max(std::max(l + radius - x, x - (r - radius)), 0.0);
  const double qy = std::max(std::max(t + radius - y, y - (b - radius)), 0.0);
  return std::hypot(qx, qy) <= radius ? 1.0 : 0.0;
}
// 1 within halfWidth of the segment (x1, y1)-(x2, y2), round caps.
inline double SegmentCoverage(double x, double y, double x1, double y1, double x2, double y2, double halfWidth)
{
  const double dx = x2 - x1, dy = y2 - y1;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0.0 ? ((x - x1) * dx + (y - y1) * dy) / len2 : 0.0;
  t = Clamp01(t);
  return std::hypot(x - (x1 + t * dx), y - (y1 + t * dy)) <= halfWidth ? 1.0 : 0.0;
}

// Writes the canvas to a PNG file (RGBA). Returns false on a write error.
bool WriteCanvasPng(const Canvas& canvas, const std::string& path);

#endif
