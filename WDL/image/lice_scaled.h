// Scaled and rotated blits. Every sample is taken from inside the source
// bitmap, filtering included; destination pixels whose source point lies
// outside are left alone. Same clipping, weight and mode rules as LICE_Blit.
// [main thread] (or any one thread that owns the bitmaps).
#ifndef LICE_SCALED_H_
#define LICE_SCALED_H_

#include "lice_bitmap.h"
#include "lice_combine.h"

// Stretches the source rectangle (srcx, srcy, srcw, srch; fractional source
// pixels) onto the destination box (dstx, dsty, dstw, dsth). A negative
// destination width or height mirrors the source along that axis (the box
// then spans dstx .. dstx + |dstw|). LICE_FLAG_FILTER samples bilinearly,
// or averages a 3 x 3 (5 x 5 from 3x) block when shrinking by 1.7x or more.
// A same-size call becomes a LICE_Blit. [main thread]
void LICE_ScaledBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth, float srcx,
                     float srcy, float srcw, float srch, float alpha, int mode);

// Draws the source rectangle turned by angle (radians, positive turns
// clockwise on screen) about its centre shifted by (rotCentreX, rotCentreY)
// source pixels, scaled into the destination box. Source points outside the
// source bitmap (or, with clipToSourceRect, outside the source rectangle)
// leave their destination pixel alone. [main thread]
void LICE_RotatedBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth, float srcx,
                      float srcy, float srcw, float srch, float angle, bool clipToSourceRect, float alpha, int mode,
                      float rotCentreX = 0.0f, float rotCentreY = 0.0f);

#endif
