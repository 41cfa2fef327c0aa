// Vector primitives drawn straight into a bitmap: lines, rectangle outlines,
// circles, arcs, rounded rectangles, filled convex polygons and coverage
// masks.
//
// Each takes a colour (pixel form), a weight (float alpha, integer weight
// trunc(alpha * 256) limited to 0..256, nothing drawn at 0) and a mode word of
// which only the combine-function byte counts (modes without a combine
// function draw nothing). The colour's alpha byte is combined as the source
// alpha channel. Everything is clipped to the bitmap; on a flipped bitmap y
// counts from the bottom row. All are [main thread] (or any one thread that
// owns the bitmap).
#ifndef LICE_VECTOR_H_
#define LICE_VECTOR_H_

#include "lice_bitmap.h"
#include "lice_combine.h"

// Draws the segment from (x1, y1) to (x2, y2), both ends included. aa
// smooths lines that are neither horizontal nor vertical. [main thread]
void LICE_Line(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, LICE_pixel colour, float alpha, int mode, bool aa);

// Draws the outline (x, y)-(x + w, y)-(x + w, y + h)-(x, y + h)-(x, y) as four
// lines without smoothing. [main thread]
void LICE_DrawRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel colour, float alpha, int mode);

// Draws a circle outline of radius r pixels about (cx, cy). A radius that is
// not a positive finite number draws nothing. [main thread]
void LICE_Circle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel colour, float alpha, int mode, bool aa);

// Draws a filled circle; same rules as LICE_Circle. Each pixel is combined
// at most once. [main thread]
void LICE_FillCircle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel colour, float alpha, int mode,
                     bool aa);

// Draws the part of a circle outline from minAngle to maxAngle (radians,
// 0 straight up, growing clockwise; given the wrong way round they are
// swapped). A span of a full turn or more draws the whole circle. [main thread]
void LICE_Arc(LICE_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle, LICE_pixel colour,
              float alpha, int mode, bool aa);

// Draws a rectangle outline of w x h pixels at (x, y) with quarter-circle
// corners of cornerRadius pixels (limited to half the width and height);
// radii below 2 give the plain outline of LICE_DrawRect. [main thread]
void LICE_RoundRect(LICE_IBitmap* dest, float x, float y, float w, float h, int cornerRadius, LICE_pixel colour,
                    float alpha, int mode, bool aa);

// Fills the triangle with the three corners given. [main thread]
void LICE_FillTriangle(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3, LICE_pixel colour,
                       float alpha, int mode);

// Fills the convex polygon of n points (x[i], y[i]); fewer than 3 points draw
// nothing. Each row from the top to the bottom point is filled once between
// the polygon's outermost edges, both ends included. [main thread]
void LICE_FillConvexPolygon(LICE_IBitmap* dest, const int* x, const int* y, int n, LICE_pixel colour, float alpha,
                            int mode);

// Clips the segment to the rectangle [left, right) x [top, bottom), moving
// the end points; returns false, leaving them unchanged, when nothing of it
// is inside. [any thread]
bool LICE_ClipLine(int* x1, int* y1, int* x2, int* y2, int left, int top, int right, int bottom);

// Draws an 8-bit coverage mask of maskWidth x maskHeight bytes with its
// top-left corner at (x, y): each non-zero byte k combines the colour at
// weight w * k / 256. [main thread]
void LICE_DrawGlyph(LICE_IBitmap* dest, int x, int y, LICE_pixel colour, const unsigned char* mask, int maskWidth,
                    int maskHeight, float alpha, int mode);

// LICE_DrawGlyph with maskRowLength bytes between mask rows (at least
// maskWidth, otherwise nothing is drawn). [main thread]
void LICE_DrawGlyphEx(LICE_IBitmap* dest, int x, int y, LICE_pixel colour, const unsigned char* mask, int maskWidth,
                      int maskRowLength, int maskHeight, float alpha, int mode);

#endif
