#include "lice_scaled.h"

#include <cmath>
#include <vector>

#include "lice_blit.h"
#include "lice_surface.h"

namespace
{

// Source coordinates are kept in 16.16 fixed point in 64 bits. Inputs are
// limited to +-2^28 pixels so that no product can overflow.
constexpr double kCoordLimit = 268435456.0;

// 2^47 in 16.16 units: far beyond any source pixel.
constexpr double kRowStartLimit = 140737488355328.0;

inline bool usable(double v) { return std::isfinite(v) && std::fabs(v) <= kCoordLimit; }

// floor(v / 65536) for negative v as well
inline int64_t floor16(int64_t v) { return v >= 0 ? v >> 16 : -((-v + 65535) >> 16); }

// One axis of a scaled blit: for destination coordinates first .. first+n-1,
// the source index and the 16-bit fraction of the sample point.
struct Axis
{
  int first = 0;
  std::vector<int> index;
  std::vector<int> frac;
};

// Steps the source along one axis and keeps the destination coordinates whose
// sample lies inside [0, srcLimit). The kept coordinates are contiguous since
// the source coordinate is monotonic in the destination coordinate.
bool buildAxis(int64_t dst0, int64_t dlen, double s0, double slen, int destLimit, int srcLimit, Axis* a)
{
  const int64_t step = static_cast<int64_t>(slen / static_cast<double>(dlen) * 65536.0);
  const int64_t start = static_cast<int64_t>(std::floor(s0 * 65536.0));
  int64_t i0 = dst0 < 0 ? -dst0 : 0;
  int64_t i1 = destLimit - dst0 < dlen ? destLimit - dst0 : dlen;
  a->index.clear();
  a->frac.clear();
  for (int64_t i = i0; i < i1; ++i)
  {
    // a mirrored (backward) walk starts one step in, so that it samples the
    // points of the forward walk over [s, s + len) in reverse order
    int64_t e = start + (step < 0 ? i + 1 : i) * step;
    int64_t ix = floor16(e);
    if (ix < 0 || ix >= srcLimit)
    {
      if (!a->index.empty()) break;
      continue;
    }
    if (a->index.empty()) a->first = static_cast<int>(dst0 + i);
    a->index.push_back(static_cast<int>(ix));
    a->frac.push_back(static_cast<int>(e & 0xFFFF));
  }
  return !a->index.empty();
}

struct Sample
{
  int r, g, b, a;
};

inline Sample pixelSample(LICE_pixel p)
{
  return {static_cast<int>(LICE_GETR(p)), static_cast<int>(LICE_GETG(p)), static_cast<int>(LICE_GETB(p)),
          static_cast<int>(LICE_GETA(p))};
}

// Bilinear mix of four pixels with 16-bit fractions fx, fy.
inline Sample bilinear(LICE_pixel p00, LICE_pixel p01, LICE_pixel p10, LICE_pixel p11, int fx, int fy)
{
  const unsigned ifx = 65536 - fx, ify = 65536 - fy;
  Sample s;
  int* out[4] = {&s.a, &s.r, &s.g, &s.b};
  for (int c = 0; c < 4; ++c)
  {
    const unsigned sh = c * 8;
    unsigned top = (((p00 >> sh) & 0xFF) * ifx + ((p01 >> sh) & 0xFF) * fx) >> 16;
    unsigned bot = (((p10 >> sh) & 0xFF) * ifx + ((p11 >> sh) & 0xFF) * fx) >> 16;
    *out[c] = static_cast<int>((top * ify + bot * fy) >> 16);
  }
  return s;
}

enum class Sampler
{
  kNearest,
  kBilinear,
  kBlock
};

// What depends only on the row (its source rows and vertical fraction) is
// worked out once per row, not per pixel.
// Source rectangle in whole pixels, half-open, inside the source bitmap:
// filtered samples mix no pixel outside it.
struct Limits
{
  int x0, x1, y0, y1;
};

template <class C, Sampler K>
void scaledRows(const LICE_Surface& ds, const LICE_Surface& ss, const Axis& ax, const Axis& ay, const Limits& lim,
                int radius, int weight)
{
  const int nx = static_cast<int>(ax.index.size()), ny = static_cast<int>(ay.index.size());
  for (int j = 0; j < ny; ++j)
  {
    LICE_pixel_chan* d = reinterpret_cast<LICE_pixel_chan*>(ds.at(ax.first, ay.first + j));
    const int sy = ay.index[j], fy = ay.frac[j];
    const LICE_pixel* srow = ss.row(sy);
    // bilinear: the row below, the last row pairing with itself
    const LICE_pixel* srow1 = sy + 1 < lim.y1 ? ss.row(sy + 1) : srow;
    // block: the rows of the block that lie inside the source rectangle
    const int y0 = sy - radius < lim.y0 ? lim.y0 : sy - radius;
    const int y1 = sy + radius >= lim.y1 ? lim.y1 - 1 : sy + radius;
    for (int i = 0; i < nx; ++i, d += 4)
    {
      const int sx = ax.index[i];
      Sample s;
      if (K == Sampler::kNearest)
      {
        s = pixelSample(srow[sx]);
      }
      else if (K == Sampler::kBilinear)
      {
        const int sx1 = sx + 1 < lim.x1 ? sx + 1 : sx;
        s = bilinear(srow[sx], srow[sx1], srow1[sx], srow1[sx1], ax.frac[i], fy);
      }
      else
      {
        // plain average of the block's pixels that lie inside the source
        // rectangle
        const int x0 = sx - radius < lim.x0 ? lim.x0 : sx - radius;
        const int x1 = sx + radius >= lim.x1 ? lim.x1 - 1 : sx + radius;
        int sum[4] = {0, 0, 0, 0};
        for (int y = y0; y <= y1; ++y)
        {
          const LICE_pixel* r = ss.row(y);
          for (int x = x0; x <= x1; ++x)
            for (int c = 0; c < 4; ++c) sum[c] += (r[x] >> (c * 8)) & 0xFF;
        }
        const int n = (x1 - x0 + 1) * (y1 - y0 + 1);
        s = {sum[1] / n, sum[2] / n, sum[3] / n, sum[0] / n};
      }
      C::doPix(d, s.r, s.g, s.b, s.a, weight);
    }
  }
}

template <class C>
void scaledDispatch(Sampler k, const LICE_Surface& ds, const LICE_Surface& ss, const Axis& ax, const Axis& ay,
                    const Limits& lim, int radius, int weight)
{
  switch (k)
  {
  case Sampler::kNearest: scaledRows<C, Sampler::kNearest>(ds, ss, ax, ay, lim, radius, weight); break;
  case Sampler::kBilinear: scaledRows<C, Sampler::kBilinear>(ds, ss, ax, ay, lim, radius, weight); break;
  case Sampler::kBlock: scaledRows<C, Sampler::kBlock>(ds, ss, ax, ay, lim, radius, weight); break;
  }
}

// The source rectangle (start s, signed extent len) in whole pixels
// [*lo, *hi), limited to [0, size); false when nothing is left.
bool pixelRange(double s, double len, int size, int* lo, int* hi)
{
  const double a = std::floor(len < 0 ? s + len : s), b = std::ceil(len < 0 ? s : s + len);
  *lo = a > 0 ? static_cast<int>(a) : 0;
  *hi = b < size ? static_cast<int>(b) : size;
  return *lo < *hi;
}

// What both blits work out before their loops: the two bitmaps' memory, the
// integer weight, and the source rectangle and box size with mirroring
// (negative box sizes) folded into the source.
struct Job
{
  LICE_Surface ds, ss;
  int weight;
  double sx, sy, sw, sh;
  int64_t dw, dh;
  // A bitmap drawn onto itself is read from a copy taken first, so that no
  // source pixel is read after it was written.
  std::vector<LICE_pixel> aside;
};

bool prepare(LICE_IBitmap* dest, LICE_IBitmap* src, int dstw, int dsth, float srcx, float srcy, float srcw,
             float srch, float alpha, Job* j)
{
  if (!LICE_GetSurface(dest, &j->ds) || !LICE_GetSurface(src, &j->ss)) return false;
  j->weight = LICE_WeightFromAlpha(alpha);
  j->sx = srcx;
  j->sy = srcy;
  j->sw = srcw;
  j->sh = srch;
  j->dw = dstw;
  j->dh = dsth;
  if (j->dw < 0)
  {
    j->dw = -j->dw;
    j->sx += j->sw;
    j->sw = -j->sw;
  }
  if (j->dh < 0)
  {
    j->dh = -j->dh;
    j->sy += j->sh;
    j->sh = -j->sh;
  }
  if (j->weight <= 0) return false;
  if (j->ds.bits == j->ss.bits) j->ss = LICE_CopySurface(j->ss, &j->aside);
  return true;
}

} // namespace

void LICE_ScaledBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth, float srcx,
                     float srcy, float srcw, float srch, float alpha, int mode)
{
  if (!dest || !src || !dstw || !dsth || alpha == 0.0f) return;
  if (!usable(srcx) || !usable(srcy) || !usable(srcw) || !usable(srch)) return;
  const bool filter = (mode & LICE_FLAG_FILTER) != 0;

  if (dstw > 0 && dsth > 0 && std::fabs(srcw - dstw) < 0.001 && std::fabs(srch - dsth) < 0.001)
  {
    const bool whole = std::fabs(srcx - std::round(srcx)) <= 0.03 && std::fabs(srcy - std::round(srcy)) <= 0.03;
    if (!filter || whole)
    {
      LICE_Blit(dest, src, dstx, dsty, static_cast<int>(srcx + 0.5), static_cast<int>(srcy + 0.5), dstw, dsth, alpha,
                mode);
      return;
    }
  }

  Job job;
  if (!prepare(dest, src, dstw, dsth, srcx, srcy, srcw, srch, alpha, &job)) return;
  const LICE_Surface &ds = job.ds, &ss = job.ss;
  const int weight = job.weight;
  const double sx = job.sx, sy = job.sy, sw = job.sw, sh = job.sh;
  const int64_t dw = job.dw, dh = job.dh;

  Axis ax, ay;
  if (!buildAxis(dstx, dw, sx, sw, ds.width, ss.width, &ax)) return;
  if (!buildAxis(dsty, dh, sy, sh, ds.height, ss.height, &ay)) return;
  Limits lim;
  if (!pixelRange(sx, sw, ss.width, &lim.x0, &lim.x1) || !pixelRange(sy, sh, ss.height, &lim.y0, &lim.y1)) return;

  const int cmode = mode & LICE_MODE_MASK;
  if (cmode == LICE_MODE_COPY && !(mode & (LICE_FLAG_FILTER_MASK | LICE_FLAG_SOURCE_ALPHA)) &&
      (weight == 256 || alpha == 0.5f))
  {
    const int nx = static_cast<int>(ax.index.size());
    for (size_t j = 0; j < ay.index.size(); ++j)
    {
      LICE_pixel* d = ds.at(ax.first, ay.first + static_cast<int>(j));
      const LICE_pixel* s = ss.row(ay.index[j]);
      if (weight == 256)
        for (int i = 0; i < nx; ++i) d[i] = s[ax.index[i]];
      else
        for (int i = 0; i < nx; ++i) _LICE_CombinePixelsHalfMix2FAST::doPixWord(d + i, s[ax.index[i]]);
    }
    return;
  }

  Sampler k = Sampler::kNearest;
  int radius = 0;
  const double stepx = std::fabs(sw / static_cast<double>(dw)), stepy = std::fabs(sh / static_cast<double>(dh));
  if (filter && stepx >= 1.7 && stepy >= 1.7)
  {
    k = Sampler::kBlock;
    radius = (stepx > stepy ? stepx : stepy) >= 3.0 ? 2 : 1;
  }
  else if (filter)
  {
    k = Sampler::kBilinear;
  }
  LICE_SelectCombine(mode, weight, true, [&](auto tag) {
    scaledDispatch<typename decltype(tag)::type>(k, ds, ss, ax, ay, lim, radius, weight);
  });
}

namespace
{

struct RotParams
{
  int i0, i1, j0, j1;      // clipped box in destination coordinates
  int boxx, boxy;          // box origin
  double cx, cy;           // source point of the box centre
  double ax, bx, ay, by;   // d(sx)/di, d(sx)/dj, d(sy)/di, d(sy)/dj
  double halfw, halfh;     // box half sizes
  int lx0, lx1, ly0, ly1;  // source limits, half-open
};

// Each destination pixel is mapped at its centre (i + 0.5, j + 0.5) to a
// source point; the source pixel containing that point is the sample, so
// angles 0 and pi map whole pixels onto whole pixels. Filtering mixes the
// four source pixels whose centres surround the point, limited to the
// source limits.
template <class C, bool FILTER>
void rotatedRows(const LICE_Surface& ds, const LICE_Surface& ss, const RotParams& p, int weight)
{
  const int64_t ax = std::llround(p.ax * 65536.0), ay = std::llround(p.ay * 65536.0);
  for (int y = p.j0; y < p.j1; ++y)
  {
    const double di = (static_cast<double>(p.i0) - p.boxx) + 0.5 - p.halfw;
    const double dj = (static_cast<double>(y) - p.boxy) + 0.5 - p.halfh;
    const double fx = std::round((p.cx + di * p.ax + dj * p.bx) * 65536.0);
    const double fy = std::round((p.cy + di * p.ay + dj * p.by) * 65536.0);
    // Along a row the source point moves by at most the source size, so a
    // row starting this far away never meets the source (and stepping it
    // could overflow).
    if (!(std::fabs(fx) < kRowStartLimit) || !(std::fabs(fy) < kRowStartLimit)) continue;
    int64_t sx = static_cast<int64_t>(fx), sy = static_cast<int64_t>(fy);
    LICE_pixel_chan* d = reinterpret_cast<LICE_pixel_chan*>(ds.at(p.i0, y));
    for (int x = p.i0; x < p.i1; ++x, d += 4, sx += ax, sy += ay)
    {
      const int64_t ix = floor16(sx), iy = floor16(sy);
      if (ix < p.lx0 || ix >= p.lx1 || iy < p.ly0 || iy >= p.ly1) continue;
      Sample s;
      if (FILTER)
      {
        // pixel centres lie at whole + 0.5: the left/upper neighbour is the
        // pixel containing the point half a pixel up and left
        const int64_t ux = sx - 32768, uy = sy - 32768;
        const int64_t bx = floor16(ux), by = floor16(uy);
        const int x0 = static_cast<int>(bx < p.lx0 ? p.lx0 : bx), x1 = static_cast<int>(bx + 1 < p.lx1 ? bx + 1 : bx);
        const int y0 = static_cast<int>(by < p.ly0 ? p.ly0 : by), y1 = static_cast<int>(by + 1 < p.ly1 ? by + 1 : by);
        const LICE_pixel* r0 = ss.row(y0);
        const LICE_pixel* r1 = ss.row(y1);
        s = bilinear(r0[x0], r0[x1], r1[x0], r1[x1], static_cast<int>(ux & 0xFFFF), static_cast<int>(uy & 0xFFFF));
      }
      else
      {
        s = pixelSample(ss.row(static_cast<int>(iy))[ix]);
      }
      C::doPix(d, s.r, s.g, s.b, s.a, weight);
    }
  }
}

} // namespace

void LICE_RotatedBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth, float srcx,
                      float srcy, float srcw, float srch, float angle, bool clipToSourceRect, float alpha, int mode,
                      float rotCentreX, float rotCentreY)
{
  if (!dest || !src || !dstw || !dsth) return;
  if (!usable(srcx) || !usable(srcy) || !usable(srcw) || !usable(srch) || !usable(rotCentreX) ||
      !usable(rotCentreY) || !std::isfinite(angle))
    return;
  Job job;
  if (!prepare(dest, src, dstw, dsth, srcx, srcy, srcw, srch, alpha, &job)) return;
  const LICE_Surface &ds = job.ds, &ss = job.ss;
  const int weight = job.weight;
  const double sx = job.sx, sy = job.sy, sw = job.sw, sh = job.sh;
  const int64_t dw = job.dw, dh = job.dh;

  RotParams p;
  int64_t i0 = dstx, i1 = static_cast<int64_t>(dstx) + dw, j0 = dsty, j1 = static_cast<int64_t>(dsty) + dh;
  if (!LICE_ClipSpan(&i0, &i1, ds.width) || !LICE_ClipSpan(&j0, &j1, ds.height)) return;
  p.i0 = static_cast<int>(i0);
  p.i1 = static_cast<int>(i1);
  p.j0 = static_cast<int>(j0);
  p.j1 = static_cast<int>(j1);
  p.boxx = dstx;
  p.boxy = dsty;
  p.halfw = static_cast<double>(dw) / 2.0;
  p.halfh = static_cast<double>(dh) / 2.0;
  // Angles are floats: pi itself is not one, and its cosine and sine come
  // out a few 1e-8 away from -1 and 0. Within 1e-6 of a quarter turn the
  // exact values are taken, so that half and quarter turns move whole pixels.
  double c = std::cos(static_cast<double>(angle)), s = std::sin(static_cast<double>(angle));
  if (std::fabs(c) < 1e-6)
  {
    c = 0.0;
    s = s < 0 ? -1.0 : 1.0;
  }
  else if (std::fabs(s) < 1e-6)
  {
    s = 0.0;
    c = c < 0 ? -1.0 : 1.0;
  }
  const double xs = sw / static_cast<double>(dw), ys = sh / static_cast<double>(dh);
  p.cx = sx + sw / 2.0 + rotCentreX;
  p.cy = sy + sh / 2.0 + rotCentreY;
  p.ax = xs * c;
  p.bx = xs * s;
  p.ay = -ys * s;
  p.by = ys * c;

  p.lx0 = 0;
  p.lx1 = ss.width;
  p.ly0 = 0;
  p.ly1 = ss.height;
  if (clipToSourceRect && (!pixelRange(sx, sw, ss.width, &p.lx0, &p.lx1) || !pixelRange(sy, sh, ss.height, &p.ly0, &p.ly1)))
    return;

  const bool filter = (mode & LICE_FLAG_FILTER) != 0;
  LICE_SelectCombine(mode, weight, true, [&](auto tag) {
    using C = typename decltype(tag)::type;
    if (filter) rotatedRows<C, true>(ds, ss, p, weight);
    else rotatedRows<C, false>(ds, ss, p, weight);
  });
}
