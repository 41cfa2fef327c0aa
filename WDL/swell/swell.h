// The memory drawing context behind platform-backed bitmaps and the GDI-style
// text functions that draw into it: fonts are created from GDI-style
// requests, selected into a context, coloured, measured and drawn.
//
// Contexts and graphics objects are process-wide records kept in two small
// pools guarded by one re-entrant lock, so creating and deleting them is safe
// from any thread. Drawing with one context is the business of one thread at
// a time (the UI thread). Every function ignores a null context and a
// context that has been released.
#ifndef SWELL_H_
#define SWELL_H_

#include "swell-types.h"

// Creates an off-screen drawing context over a zero-filled 32-bit buffer of
// w x h pixels (bytes A or padding, R, G, B; rows top-down, w * 4 bytes per
// row, start aligned to 64 bytes). reference may be null. Returns null when
// w or h is not positive or the memory cannot be obtained. [any thread]
HDC SWELL_CreateMemContext(HDC reference, int w, int h);

// Releases a context made by SWELL_CreateMemContext and frees its buffer;
// null and released contexts are ignored. [any thread]
void SWELL_DeleteGfxContext(HDC ctx);

// The first pixel of a memory context's buffer, or null for a null or
// released context. [any thread]
void* SWELL_GetCtxFrameBuffer(HDC ctx);

// Makes a font. height (or width when height is 0) is the size in pixels; its
// magnitude times 0.95 is the point size (9.5 outside 2..8192; one point is
// one pixel). orientation is in tenths of a degree and only stored. weight
// 700 and above emboldens, italic shears, underline underlines. quality 3
// draws monochrome, 4 and 0 anti-aliased. face is a family name in UTF-8;
// a face this machine lacks falls back to its monospace or sans font; a
// family given a file by SWELL_AddFontFile takes that file. The
// font lives until DeleteObject. [any thread]
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, char italic, char underline,
                 char strikeOut, char charSet, char outPrecision, char clipPrecision, char quality,
                 char pitchAndFamily, const char* face);

// Makes the scalable font file at path (first face of the file) the face of
// every font created from now on for family (compared without regard to
// ASCII case), whatever the machine's font configuration offers: a program
// that ships its font draws the same pixels on every machine. Fonts already
// made keep their face. A later call for the same family replaces the file.
// False, changing nothing, for an empty family or a file that is missing or
// not a scalable font. [any thread]
bool SWELL_AddFontFile(const char* family, const char* path);

// CreateFont with the fields of lf in the same order; null gives null.
// [any thread]
HFONT CreateFontIndirect(const LOGFONT* lf);

// Selects a pen, brush or font into ctx, or empties a slot with the
// placeholder 1, 2 or 3. Returns the slot's previous object, or the type's
// placeholder when the slot held none; null for anything that is not a live
// pen, brush, font or placeholder. [main thread]
HGDIOBJ SelectObject(HDC ctx, HGDIOBJ obj);

// Text colour, 0x00RRGGBB. [main thread]
void SetTextColor(HDC ctx, int colour);
// Background colour for opaque mode, 0x00RRGGBB. [main thread]
void SetBkColor(HDC ctx, int colour);
// Background mode: 1 (OPAQUE) fills behind the text, anything else does not.
// [main thread]
void SetBkMode(HDC ctx, int mode);

// Fills tm with the metrics of the selected font (the 10-pixel system font
// when none is selected). Writes defaults (16, 12, 4, 3, 10) and returns
// false for an unusable context; false for a null tm. [main thread]
bool GetTextMetrics(HDC ctx, TEXTMETRIC* tm);

// Draws UTF-8 text into r (DT_* flags), or measures it with DT_CALCRECT,
// setting r->right and r->bottom. length is a byte count, or negative for
// "up to the terminating NUL"; at most 4095 bytes are used. Text colour and
// coverage are blended into bytes 1..3 (R, G, B) of the context's pixels;
// byte 0 is left alone. Returns the text height in pixels, 0 for empty text,
// a null r or an unusable context. [main thread]
int SWELL_DrawText(HDC ctx, const char* text, int length, RECT* r, int flags);

// Deletes a pen, brush or font. Placeholders, released objects and stock
// objects are ignored. [any thread]
void DeleteObject(HGDIOBJ obj);

#endif
