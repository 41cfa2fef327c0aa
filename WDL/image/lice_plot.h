// Internal to the image engine: choosing, once per call, how the vector
// primitives combine their colour into a pixel.
#ifndef LICE_PLOT_H_
#define LICE_PLOT_H_

#include "lice_combine.h"
#include "lice_surface.h"

// Combines a colour into a pixel at a given weight (1..256) with combine
// function C.
template <class C>
struct LICE_WeightedPlot
{
  int r, g, b, a;
  inline void operator()(LICE_pixel* p, int w) const
  {
    C::doPix(reinterpret_cast<LICE_pixel_chan*>(p), r, g, b, a, w);
  }
};

// Stores a colour with a whole-word shortcut S; the weight is fixed by S.
template <class S>
struct LICE_ShortcutPlot
{
  LICE_pixel colour;
  inline void operator()(LICE_pixel* p, int) const { S::doPixWord(p, colour); }
};

// Calls f(plot) once with the plot for this call: a whole-word shortcut
// when the weight w is fixed and copy mode allows one, otherwise the mode
// byte's combine function (chosen for weights below 256 when the weight
// varies from pixel to pixel). Returns false, calling nothing, for modes
// without a combine function.
template <class F>
bool LICE_WithPlot(int mode, int w, bool fixedWeight, LICE_pixel colour, F&& f)
{
  const int m = mode & LICE_MODE_MASK;
  if (m > LICE_MODE_HSVADJUST) return false;
  if (fixedWeight && LICE_SelectShortcut(m, w, [&](auto tag) {
        f(LICE_ShortcutPlot<typename decltype(tag)::type>{colour});
      }))
    return true;
  return LICE_SelectCombine(m, fixedWeight ? w : 255, false, [&](auto tag) {
    f(LICE_WeightedPlot<typename decltype(tag)::type>{static_cast<int>(LICE_GETR(colour)),
                                                       static_cast<int>(LICE_GETG(colour)),
                                                       static_cast<int>(LICE_GETB(colour)),
                                                       static_cast<int>(LICE_GETA(colour))});
  });
}

// Combines across the inclusive span x0..x1 of row y, clipped to the
// surface.
template <class Plot>
inline void LICE_PlotSpan(const LICE_Surface& s, int64_t x0, int64_t x1, int64_t y, int w, const Plot& plot)
{
  if (y < 0 || y >= s.height) return;
  if (x0 > x1)
  {
    int64_t t = x0;
    x0 = x1;
    x1 = t;
  }
  if (x0 < 0) x0 = 0;
  if (x1 >= s.width) x1 = s.width - 1;
  LICE_pixel* row = s.row(static_cast<int>(y));
  for (int64_t x = x0; x <= x1; ++x) plot(row + x, w);
}

#endif
