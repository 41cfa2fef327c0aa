// Transfers between bitmaps and into one bitmap: blits, copies, fills,
// clearing channel bits and single pixels.
//
// Every rectangle is clipped to both bitmaps; nothing is written outside a
// bitmap. Null bitmaps, empty rectangles, a zero weight and modes without a
// combine function draw nothing. A weight (float alpha) becomes the integer
// weight trunc(alpha * 256) limited to 0..256. All are [main thread] (or any
// one thread that owns the bitmaps).
#ifndef LICE_BLIT_H_
#define LICE_BLIT_H_

#include "lice_bitmap.h"
#include "lice_combine.h"

// Copies srcRect of src (all of src when null) to (dstx, dsty) in dest,
// combining by mode. Copy mode without flags at weight 1.0 copies rows; at
// exactly 0.5 each byte becomes dest/2 + src/2. A mode byte of 0xF0..0xFF
// copies source byte (mode & 3) into destination byte ((mode >> 2) & 3).
// dest and src may be the same bitmap, overlapping or not. [main thread]
void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, const RECT* srcRect, float alpha, int mode);

// LICE_Blit of the source rectangle (srcx, srcy, srcx + srcw, srcy + srch). [main thread]
void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw, int srch,
               float alpha, int mode);

// Resizes dest to src's size and copies all of src into it. [main thread]
void LICE_Copy(LICE_IBitmap* dest, LICE_IBitmap* src);

// Fills the rectangle (x, y, w, h) with colour. With LICE_FLAG_SOURCE_ALPHA
// the weight is scaled by the colour's alpha / 255. Copy mode at weights of
// 1/4, 1/2, 3/4 and 1 uses whole-word arithmetic; otherwise the mode's
// combine function gets the colour's R, G, B and the weight as source alpha. [main thread]
void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel colour, float alpha, int mode);

// Sets every pixel p of the rectangle to (p & keepMask) | setBits. [main thread]
void LICE_ClearRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel keepMask, LICE_pixel setBits);

// The pixel at (x, y), or 0 outside the bitmap or for null. [main thread]
LICE_pixel LICE_GetPixel(LICE_IBitmap* bm, int x, int y);

// Combines colour (all four bytes) into the pixel at (x, y) by the mode's
// combine function (the source-alpha flag is ignored); nothing outside. [main thread]
void LICE_PutPixel(LICE_IBitmap* bm, int x, int y, LICE_pixel colour, float alpha, int mode);

#endif
