// The mode word and the per-pixel combine functions.
//
// Each combine function is a class with one static operation
// doPix(dest, r, g, b, a, w) that combines source channels r, g, b, a (0..255;
// a fill passes its weight, up to 256, as a) into the destination pixel with
// integer weight w (1..256). Transfer
// operations are templates over these classes; LICE_SelectCombine picks the
// class once per call. All functions here are [any thread].
#ifndef LICE_COMBINE_H_
#define LICE_COMBINE_H_

#include <cmath>

#include "lice_bitmap.h"

// Mode word: combine function in bits 0..7, filter in bits 8..15, source
// alpha in bit 16.
enum
{
  LICE_MODE_MASK = 0xFF,
  LICE_MODE_COPY = 0,
  LICE_MODE_ADD = 1,
  LICE_MODE_DODGE = 2,
  LICE_MODE_MUL = 3,
  LICE_MODE_OVERLAY = 4,
  LICE_MODE_HSVADJUST = 5,
  LICE_MODE_CHANNELCOPY = 0xF0, // 0xF0..0xFF, blits only: byte (mode & 3) to byte ((mode >> 2) & 3)
  LICE_FLAG_FILTER_MASK = 0xFF00,
  LICE_FLAG_FILTER = 0x100,
  LICE_FLAG_SOURCE_ALPHA = 0x10000
};

// Integer weight 0..256 of a float weight: trunc(alpha * 256), with values at
// or above 1 giving 256 and zero, negative or non-finite values giving 0. [any thread]
inline int LICE_WeightFromAlpha(float alpha)
{
  if (!(alpha > 0.0f)) return 0;
  if (alpha >= 1.0f) return 256;
  return static_cast<int>(alpha * 256.0f);
}

// v limited to 0..255. [any thread]
inline int LICE_Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// Source-alpha weight: w * (sa + 1) / 256. [any thread]
inline int LICE_SourceAlphaWeight(int w, int sa) { return w * (sa + 1) / 256; }

// Sets each of the four channels of d to op(destination channel, source
// channel).
template <class Op>
inline void LICE_ForEachChannel(LICE_pixel_chan* d, int r, int g, int b, int a, Op op)
{
  d[LICE_PIXEL_R] = static_cast<LICE_pixel_chan>(op(d[LICE_PIXEL_R], r));
  d[LICE_PIXEL_G] = static_cast<LICE_pixel_chan>(op(d[LICE_PIXEL_G], g));
  d[LICE_PIXEL_B] = static_cast<LICE_pixel_chan>(op(d[LICE_PIXEL_B], b));
  d[LICE_PIXEL_A] = static_cast<LICE_pixel_chan>(op(d[LICE_PIXEL_A], a));
}

// The source-alpha form of a combine function: weight w * (sa + 1) / 256,
// and with skipClear a source alpha of 0 leaves the pixel unchanged.
template <class Base, bool skipClear>
struct LICE_SourceAlphaVariant
{
  static inline void doPix(LICE_pixel_chan* d, int r, int g, int b, int a, int w)
  {
    if (skipClear && a == 0) return;
    Base::doPix(d, r, g, b, a, LICE_SourceAlphaWeight(w, a));
  }
};

struct _LICE_CombinePixelsClobberNoClamp
{
  static inline void doPix(LICE_pixel_chan* d, int r, int g, int b, int a, int)
  {
    d[LICE_PIXEL_R] = static_cast<LICE_pixel_chan>(r);
    d[LICE_PIXEL_G] = static_cast<LICE_pixel_chan>(g);
    d[LICE_PIXEL_B] = static_cast<LICE_pixel_chan>(b);
    d[LICE_PIXEL_A] = static_cast<LICE_pixel_chan>(a);
  }
};

struct _LICE_CombinePixelsCopyNoClamp
{
  static inline LICE_pixel_chan mix(int d, int s, int iw) { return static_cast<LICE_pixel_chan>(s + (d - s) * iw / 256); }
  // The source-alpha copies: R, G, B mixed with inverse weight iw, alpha
  // raised by addAlpha and limited to 255.
  static inline void mixOver(LICE_pixel_chan* d, int r, int g, int b, int iw, int addAlpha)
  {
    d[LICE_PIXEL_R] = mix(d[LICE_PIXEL_R], r, iw);
    d[LICE_PIXEL_G] = mix(d[LICE_PIXEL_G], g, iw);
    d[LICE_PIXEL_B] = mix(d[LICE_PIXEL_B], b, iw);
    const int da = d[LICE_PIXEL_A] + addAlpha;
    d[LICE_PIXEL_A] = static_cast<LICE_pixel_chan>(da > 255 ? 255 : da);
  }
  static inline void doPix(LICE_pixel_chan* d, int r, int g, int b, int a, int w)
  {
    const int iw = 256 - w;
    LICE_ForEachChannel(d, r, g, b, a, [iw](int dc, int sc) { return mix(dc, sc, iw); });
  }
};

struct _LICE_CombinePixelsCopySourceAlphaIgnoreAlphaParmNoClamp
{
  static inline void doPix(LICE_pixel_chan* d, int r, int g, int b, int a, int)
  {
    if (a == 0) return;
    if (a == 255)
    {
      _LICE_CombinePixelsClobberNoClamp::doPix(d, r, g, b, 255, 256);
      return;
    }
    _LICE_CombinePixelsCopyNoClamp::mixOver(d, r, g, b, 255 - a, a);
  }
};

struct _LICE_CombinePixelsCopySourceAlphaNoClamp
{
  static inline void doPix(LICE_pixel_chan* d, int r, int g, int b, int a, int w)
  {
    if (a == 0) return;
    const int w2 = LICE_SourceAlphaWeight(w, a);
    _LICE_CombinePixelsCopyNoClamp::mixOver(d, r, g, b, 256 - w2, w2);
  }
};

struct _LICE_CombinePixelsAdd
{
  static inline LICE_pixel_chan add(int d, int s, int w) { return static_cast<LICE_pixel_chan>(LICE_Clamp255(d + s * w / 256)); }
  static inline void doPix(LICE_pixel_chan* d, int r, int g, int b, int a, int w)
  {
    LICE_ForEachChannel(d, r, g, b, a, [w](int dc, int sc) { return add(dc, sc, w); });
  }
};

struct _LICE_CombinePixelsAddSourceAlpha : LICE_SourceAlphaVariant<_LICE_CombinePixelsAdd, true>
{
};

struct _LICE_CombinePixelsColorDodge
{
  static inline LICE_pixel_chan dodge(int d, int s, int w)
  {
    const int v = s * w / 256;
    return static_cast<LICE_pixel_chan>(LICE_Clamp255(v < 255 ? d * 256 / (256 - v) : d * 256));
  }
  static inline void doPix(LICE_pixel_chan* d, int r, int g, int b, int a, int w)
  {
    LICE_ForEachChannel(d, r, g, b, a, [w](int dc, int sc) { return dodge(dc, sc, w); });
  }
};

struct _LICE_CombinePixelsColorDodgeSourceAlpha : LICE_SourceAlphaVariant<_LICE_CombinePixelsColorDodge, false>
{
};

struct _LICE_CombinePixelsMulNoClamp
{
  static inline LICE_pixel_chan mul(int d, int s, int w)
  {
    return static_cast<LICE_pixel_chan>(d * (s * w + (256 - w) * 256) / 65536);
  }
  static inline void doPix(LICE_pixel_chan* d, int r, int g, int b, int a, int w)
  {
    LICE_ForEachChannel(d, r, g, b, a, [w](int dc, int sc) { return mul(dc, sc, w); });
  }
};

struct _LICE_CombinePixelsMulSourceAlphaNoClamp : LICE_SourceAlphaVariant<_LICE_CombinePixelsMulNoClamp, true>
{
};

struct _LICE_CombinePixelsOverlay
{
  static inline LICE_pixel_chan overlay(int d, int s, int w)
  {
    const int sw = s * w;
    const int k = (256 - w) * 128;
    return static_cast<LICE_pixel_chan>(LICE_Clamp255(((32768 - sw - k) * d / 256 + sw + k) * d / 32768));
  }
  static inline void doPix(LICE_pixel_chan* d, int r, int g, int b, int a, int w)
  {
    LICE_ForEachChannel(d, r, g, b, a, [w](int dc, int sc) { return overlay(dc, sc, w); });
  }
};

struct _LICE_CombinePixelsOverlaySourceAlpha : LICE_SourceAlphaVariant<_LICE_CombinePixelsOverlay, false>
{
};

// Reciprocals for the hue/saturation/value conversion: entry i is
// 65536 / i (entry 0 is 0).
extern const int LICE_RGB2HSV_invtab[256];

// Hue 0..383 (six sectors of 64), saturation and value 0..255. [any thread]
void LICE_RGB2HSV(int r, int g, int b, int* h, int* s, int* v);
void LICE_HSV2RGB(int h, int s, int v, int* r, int* g, int* b);

struct _LICE_CombinePixelsHSVAdjust
{
  static inline void doPix(LICE_pixel_chan* d, int r, int g, int b, int a, int w)
  {
    int h, s, v;
    LICE_RGB2HSV(d[LICE_PIXEL_R], d[LICE_PIXEL_G], d[LICE_PIXEL_B], &h, &s, &v);
    h += w * (r + r / 2 - 192) / 256;
    h %= 384;
    if (h < 0) h += 384;
    s = LICE_Clamp255(s + w * (g - 128) / 128);
    v = LICE_Clamp255(v + w * (b - 128) / 128);
    int rr, gg, bb;
    LICE_HSV2RGB(h, s, v, &rr, &gg, &bb);
    d[LICE_PIXEL_R] = static_cast<LICE_pixel_chan>(rr);
    d[LICE_PIXEL_G] = static_cast<LICE_pixel_chan>(gg);
    d[LICE_PIXEL_B] = static_cast<LICE_pixel_chan>(bb);
    // a fill passes its weight (up to 256) as the alpha byte
    d[LICE_PIXEL_A] = static_cast<LICE_pixel_chan>(LICE_Clamp255(a));
  }
};

struct _LICE_CombinePixelsHSVAdjustSourceAlpha : LICE_SourceAlphaVariant<_LICE_CombinePixelsHSVAdjust, false>
{
};

// Whole-word shortcuts for copy-mode weights of 1/4, 1/2, 3/4 and 1; each
// byte is halved with (x >> 1) & 0x7F7F7F7F and quartered with
// (x >> 2) & 0x3F3F3F3F, truncating. [any thread]
inline LICE_pixel LICE_Half(LICE_pixel x) { return (x >> 1) & 0x7F7F7F7Fu; }
inline LICE_pixel LICE_Quarter(LICE_pixel x) { return (x >> 2) & 0x3F3F3F3Fu; }

struct _LICE_CombinePixelsQuarterMix2FAST
{
  static inline void doPixWord(LICE_pixel* d, LICE_pixel c) { *d = LICE_Quarter(c) + LICE_Half(*d) + LICE_Quarter(*d); }
};
struct _LICE_CombinePixelsHalfMix2FAST
{
  static inline void doPixWord(LICE_pixel* d, LICE_pixel c) { *d = LICE_Half(c) + LICE_Half(*d); }
};
struct _LICE_CombinePixelsThreeQuarterMix2FAST
{
  static inline void doPixWord(LICE_pixel* d, LICE_pixel c) { *d = LICE_Quarter(c) + LICE_Half(c) + LICE_Quarter(*d); }
};
struct _LICE_CombinePixelsClobberFAST
{
  static inline void doPixWord(LICE_pixel* d, LICE_pixel c) { *d = c; }
};

template <class C>
struct LICE_CombineTag
{
  using type = C;
};

// Calls f(LICE_CombineTag<Plain>{}), or with sa f(LICE_CombineTag<WithSourceAlpha>{});
// returns true.
template <class Plain, class WithSourceAlpha, class F>
inline bool LICE_CallCombine(bool sa, F& f)
{
  if (sa) f(LICE_CombineTag<WithSourceAlpha>{});
  else f(LICE_CombineTag<Plain>{});
  return true;
}

// Calls f(LICE_CombineTag<C>{}) with the combine class C that the mode byte,
// the source-alpha flag (only when allowSourceAlpha) and whether w is 256
// select. Returns false, calling nothing, for modes without a combine
// function (6..0xFF).
template <class F>
bool LICE_SelectCombine(int mode, int w, bool allowSourceAlpha, F&& f)
{
  const bool sa = allowSourceAlpha && (mode & LICE_FLAG_SOURCE_ALPHA);
  switch (mode & LICE_MODE_MASK)
  {
  case LICE_MODE_COPY:
    if (w < 256) return LICE_CallCombine<_LICE_CombinePixelsCopyNoClamp, _LICE_CombinePixelsCopySourceAlphaNoClamp>(sa, f);
    return LICE_CallCombine<_LICE_CombinePixelsClobberNoClamp,
                            _LICE_CombinePixelsCopySourceAlphaIgnoreAlphaParmNoClamp>(sa, f);
  case LICE_MODE_ADD: return LICE_CallCombine<_LICE_CombinePixelsAdd, _LICE_CombinePixelsAddSourceAlpha>(sa, f);
  case LICE_MODE_DODGE:
    return LICE_CallCombine<_LICE_CombinePixelsColorDodge, _LICE_CombinePixelsColorDodgeSourceAlpha>(sa, f);
  case LICE_MODE_MUL:
    return LICE_CallCombine<_LICE_CombinePixelsMulNoClamp, _LICE_CombinePixelsMulSourceAlphaNoClamp>(sa, f);
  case LICE_MODE_OVERLAY:
    return LICE_CallCombine<_LICE_CombinePixelsOverlay, _LICE_CombinePixelsOverlaySourceAlpha>(sa, f);
  case LICE_MODE_HSVADJUST:
    return LICE_CallCombine<_LICE_CombinePixelsHSVAdjust, _LICE_CombinePixelsHSVAdjustSourceAlpha>(sa, f);
  default: return false;
  }
}

// Calls f(LICE_CombineTag<S>{}) with the whole-word shortcut for copy mode at
// w = 64, 128, 192 or 256 and returns true; returns false otherwise.
template <class F>
bool LICE_SelectShortcut(int mode, int w, F&& f)
{
  if ((mode & LICE_MODE_MASK) != LICE_MODE_COPY) return false;
  switch (w)
  {
  case 64: f(LICE_CombineTag<_LICE_CombinePixelsQuarterMix2FAST>{}); return true;
  case 128: f(LICE_CombineTag<_LICE_CombinePixelsHalfMix2FAST>{}); return true;
  case 192: f(LICE_CombineTag<_LICE_CombinePixelsThreeQuarterMix2FAST>{}); return true;
  case 256: f(LICE_CombineTag<_LICE_CombinePixelsClobberFAST>{}); return true;
  default: return false;
  }
}

#endif
