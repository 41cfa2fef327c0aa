#include "lice_blit.h"

#include <cstring>
#include <type_traits>
#include <vector>

#include "lice_plot.h"
#include "lice_surface.h"

namespace
{

template <class C>
void blitRows(LICE_pixel* d, ptrdiff_t dstep, const LICE_pixel* s, ptrdiff_t sstep, int w, int h, int weight)
{
  if constexpr (std::is_same_v<C, _LICE_CombinePixelsCopySourceAlphaIgnoreAlphaParmNoClamp>)
  {
    // The editor's film strips at full weight: mostly opaque or clear
    // pixels, taken as whole words; the rest mixed as the combine does.
    for (int y = 0; y < h; ++y, d += dstep, s += sstep)
      for (int x = 0; x < w; ++x)
      {
        const LICE_pixel p = s[x];
        const unsigned a = LICE_GETA(p);
        if (a == 255) d[x] = p;
        else if (a)
        {
          const LICE_pixel_chan* sp = reinterpret_cast<const LICE_pixel_chan*>(s + x);
          C::doPix(reinterpret_cast<LICE_pixel_chan*>(d + x), sp[LICE_PIXEL_R], sp[LICE_PIXEL_G], sp[LICE_PIXEL_B],
                   static_cast<int>(a), weight);
        }
      }
    return;
  }
  for (int y = 0; y < h; ++y, d += dstep, s += sstep)
  {
    LICE_pixel_chan* dp = reinterpret_cast<LICE_pixel_chan*>(d);
    const LICE_pixel_chan* sp = reinterpret_cast<const LICE_pixel_chan*>(s);
    for (int x = 0; x < w; ++x, dp += 4, sp += 4)
      C::doPix(dp, sp[LICE_PIXEL_R], sp[LICE_PIXEL_G], sp[LICE_PIXEL_B], sp[LICE_PIXEL_A], weight);
  }
}

template <class S>
void fillRowsWord(LICE_pixel* d, ptrdiff_t dstep, int w, int h, LICE_pixel colour)
{
  for (int y = 0; y < h; ++y, d += dstep)
    for (int x = 0; x < w; ++x) S::doPixWord(d + x, colour);
}

template <class C>
void fillRows(LICE_pixel* d, ptrdiff_t dstep, int w, int h, int r, int g, int b, int a, int weight)
{
  for (int y = 0; y < h; ++y, d += dstep)
  {
    LICE_pixel_chan* dp = reinterpret_cast<LICE_pixel_chan*>(d);
    for (int x = 0; x < w; ++x, dp += 4) C::doPix(dp, r, g, b, a, weight);
  }
}

// Clipped rectangle of a fill in one bitmap; false when empty.
bool clipRect(const LICE_Surface& s, int x, int y, int w, int h, int* cx, int* cy, int* cw, int* ch)
{
  int64_t x0 = x, x1 = static_cast<int64_t>(x) + w, y0 = y, y1 = static_cast<int64_t>(y) + h;
  if (!LICE_ClipSpan(&x0, &x1, s.width) || !LICE_ClipSpan(&y0, &y1, s.height)) return false;
  *cx = static_cast<int>(x0);
  *cy = static_cast<int>(y0);
  *cw = static_cast<int>(x1 - x0);
  *ch = static_cast<int>(y1 - y0);
  return true;
}

void blitCore(LICE_IBitmap* dest, LICE_IBitmap* src, int64_t dx, int64_t dy, int64_t l, int64_t t, int64_t r,
              int64_t b, float alpha, int mode)
{
  if (!dest || !src || alpha == 0.0f) return;
  LICE_Surface ds, ss;
  if (!LICE_GetSurface(dest, &ds) || !LICE_GetSurface(src, &ss)) return;

  // clip the source rectangle to the source, moving the destination along
  if (l < 0) { dx -= l; l = 0; }
  if (t < 0) { dy -= t; t = 0; }
  if (r > ss.width) r = ss.width;
  if (b > ss.height) b = ss.height;
  // then to the destination, moving the source along
  if (dx < 0) { l -= dx; dx = 0; }
  if (dy < 0) { t -= dy; dy = 0; }
  int64_t w = r - l, h = b - t;
  if (w > ds.width - dx) w = ds.width - dx;
  if (h > ds.height - dy) h = ds.height - dy;
  if (w <= 0 || h <= 0) return;

  const int cw = static_cast<int>(w), ch = static_cast<int>(h);
  LICE_pixel* dp = ds.at(static_cast<int>(dx), static_cast<int>(dy));
  const LICE_pixel* sp = ss.at(static_cast<int>(l), static_cast<int>(t));
  ptrdiff_t dstep = ds.rowStep(), sstep = ss.rowStep();

  // A bitmap blitted onto itself: take the source rows aside first so that
  // no source pixel is read after it was written.
  std::vector<LICE_pixel> aside;
  if (ds.bits == ss.bits)
  {
    aside.resize(static_cast<size_t>(cw) * ch);
    for (int y = 0; y < ch; ++y) memcpy(&aside[static_cast<size_t>(y) * cw], sp + y * sstep, static_cast<size_t>(cw) * 4);
    sp = aside.data();
    sstep = cw;
  }

  const int cmode = mode & LICE_MODE_MASK;
  if (cmode >= LICE_MODE_CHANNELCOPY)
  {
    const int sb = mode & 3, db = (mode >> 2) & 3;
    for (int y = 0; y < ch; ++y, dp += dstep, sp += sstep)
    {
      LICE_pixel_chan* d = reinterpret_cast<LICE_pixel_chan*>(dp);
      const LICE_pixel_chan* s = reinterpret_cast<const LICE_pixel_chan*>(sp);
      for (int x = 0; x < cw; ++x) d[x * 4 + db] = s[x * 4 + sb];
    }
    return;
  }

  const int weight = LICE_WeightFromAlpha(alpha);
  if (!weight) return;
  if (cmode == LICE_MODE_COPY && !(mode & (LICE_FLAG_FILTER_MASK | LICE_FLAG_SOURCE_ALPHA)))
  {
    if (weight == 256)
    {
      for (int y = 0; y < ch; ++y, dp += dstep, sp += sstep) memcpy(dp, sp, static_cast<size_t>(cw) * 4);
      return;
    }
    if (alpha == 0.5f)
    {
      for (int y = 0; y < ch; ++y, dp += dstep, sp += sstep)
        for (int x = 0; x < cw; ++x) _LICE_CombinePixelsHalfMix2FAST::doPixWord(dp + x, sp[x]);
      return;
    }
  }
  LICE_SelectCombine(mode, weight, true, [&](auto tag) {
    blitRows<typename decltype(tag)::type>(dp, dstep, sp, sstep, cw, ch, weight);
  });
}

} // namespace

void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, const RECT* srcRect, float alpha, int mode)
{
  if (!src) return;
  if (srcRect)
    blitCore(dest, src, dstx, dsty, srcRect->left, srcRect->top, srcRect->right, srcRect->bottom, alpha, mode);
  else
    blitCore(dest, src, dstx, dsty, 0, 0, src->getWidth(), src->getHeight(), alpha, mode);
}

void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw, int srch,
               float alpha, int mode)
{
  blitCore(dest, src, dstx, dsty, srcx, srcy, static_cast<int64_t>(srcx) + srcw, static_cast<int64_t>(srcy) + srch,
           alpha, mode);
}

void LICE_Copy(LICE_IBitmap* dest, LICE_IBitmap* src)
{
  if (!dest || !src || dest == src) return;
  dest->resize(src->getWidth(), src->getHeight());
  LICE_Blit(dest, src, 0, 0, nullptr, 1.0f, LICE_MODE_COPY);
}

void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel colour, float alpha, int mode)
{
  LICE_Surface s;
  if (!LICE_GetSurface(dest, &s)) return;
  if (mode & LICE_FLAG_SOURCE_ALPHA) alpha *= LICE_GETA(colour) / 255.0f;
  int cx, cy, cw, ch;
  if (!clipRect(s, x, y, w, h, &cx, &cy, &cw, &ch)) return;
  const int weight = LICE_WeightFromAlpha(alpha);
  if (!weight) return;

  LICE_pixel* d = s.at(cx, cy);
  const ptrdiff_t step = s.rowStep();
  if (LICE_SelectShortcut(mode, weight, [&](auto tag) {
        fillRowsWord<typename decltype(tag)::type>(d, step, cw, ch, colour);
      }))
    return;
  // the weight itself (up to 256) stands for the source alpha byte
  LICE_SelectCombine(mode, weight, false, [&](auto tag) {
    fillRows<typename decltype(tag)::type>(d, step, cw, ch, LICE_GETR(colour), LICE_GETG(colour), LICE_GETB(colour),
                                           weight, weight);
  });
}

void LICE_ClearRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel keepMask, LICE_pixel setBits)
{
  LICE_Surface s;
  if (!LICE_GetSurface(dest, &s)) return;
  int cx, cy, cw, ch;
  if (!clipRect(s, x, y, w, h, &cx, &cy, &cw, &ch)) return;
  LICE_pixel* d = s.at(cx, cy);
  for (int j = 0; j < ch; ++j, d += s.rowStep())
    for (int i = 0; i < cw; ++i) d[i] = (d[i] & keepMask) | setBits;
}

LICE_pixel LICE_GetPixel(LICE_IBitmap* bm, int x, int y)
{
  LICE_Surface s;
  if (!LICE_GetSurface(bm, &s) || x < 0 || y < 0 || x >= s.width || y >= s.height) return 0;
  return *s.at(x, y);
}

void LICE_PutPixel(LICE_IBitmap* bm, int x, int y, LICE_pixel colour, float alpha, int mode)
{
  LICE_Surface s;
  if (!LICE_GetSurface(bm, &s) || x < 0 || y < 0 || x >= s.width || y >= s.height) return;
  const int weight = LICE_WeightFromAlpha(alpha);
  if (!weight) return;
  LICE_pixel* p = s.at(x, y);
  LICE_WithPlot(mode, weight, true, colour, [&](const auto& plot) { plot(p, weight); });
}
