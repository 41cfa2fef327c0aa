// Records behind the drawing-context and graphics-object handles, shared by
// the files of this library (and its tests). Not part of the public interface.
#ifndef SWELL_INTERNAL_H_
#define SWELL_INTERNAL_H_

#include "swell.h"

struct SWELL_Face;    // a font file opened with FreeType (process lifetime)
struct FT_SizeRec_;   // FreeType's per-size record

// Pool limits of released records.
enum
{
  kSwellContextPoolMax = 100,
  kSwellObjectPoolMax = 200
};

// Graphics-object types.
enum
{
  kSwellTypeNone = 0, // cleared record waiting in the pool
  kSwellTypePen = 1,
  kSwellTypeBrush = 2,
  kSwellTypeFont = 3,
  kSwellTypeBitmap = 4
};

// How a font draws: the face at a size with its style attributes.
struct SWELL_FontAttributes
{
  SWELL_Face* face;     // shared face, never freed
  FT_SizeRec_* size;    // this font's size on face (owned)
  double pointSize;     // em size in pixels
  double obliqueness;   // horizontal shear per pixel of height (0 = upright)
  bool underline;       // single underline
  double strokeWidth;   // percent of the point size; negative thickens, 0 = none
};

struct HGDIOBJ__
{
  int type;      // kSwellType*
  int refcount;  // 0 when created; freed when a delete takes it below 0
  bool stock;    // process-wide object, never deleted
  SWELL_FontAttributes font; // fonts only
  int quality;   // fonts: 0 default, 3 monochrome, 4 anti-aliased
  int rotation;  // fonts: degrees (stored, not applied)
};

// Text colour as an opaque colour with components 0..1.
struct SWELL_Colour
{
  double r, g, b, a;
};

struct HDC__
{
  void* raw;           // allocation: width * 4 * height + 63 bytes, zero-filled
  void* bits;          // first 64-byte aligned address in raw
  int width;           // pixels per row (row length = width * 4 bytes)
  int height;          // rows, top-down
  HGDIOBJ curpen;      // selected objects; null = none
  HGDIOBJ curbrush;
  HGDIOBJ curfont;
  int textColour;      // 0x00RRGGBB
  SWELL_Colour textColourObj;
  int bkColour;        // 0x00RRGGBB
  int bkMode;          // 1 opaque, anything else transparent
  bool released;       // waiting in the pool: every call ignores it
};

// True for a context that may be used. [any thread]
inline bool swell_ContextUsable(HDC ctx)
{
  return ctx && !ctx->released;
}

// Takes a cleared record from the object pool, or a new zeroed one (null when
// memory runs out). [any thread]
HGDIOBJ swell_NewObject(int type);

// Clears a record and returns it to the pool, or frees it when the pool is
// full. [any thread]
void swell_ReleaseObject(HGDIOBJ obj);

// Releases a font's FreeType size. [any thread]
void swell_FreeFontAttributes(SWELL_FontAttributes* attrs);

// The process-wide 10-pixel system font (made on first use). [any thread]
HGDIOBJ swell_SystemFont();

// The live font selected into ctx, or the system font. [main thread]
HGDIOBJ swell_ContextFont(HDC ctx);

// Unscaled advance width in pixels of one line of UTF-8 text in ctx's font
// (at most 4095 bytes). [main thread]
double swell_TextWidth(HDC ctx, const char* text);

// The window system as an event source of the UI run loop: fd is the
// connection to wait on (negative: none), dispatch handles whatever arrived
// and runs pending redraws. Set when the connection opens, taken back (nulls)
// when it closes. [UI thread]
void swell_RunLoopSetEventSource(int (*fd)(), void (*dispatch)());

// Records waiting in the two pools (for tests of the limits). [any thread]
int swell_PooledContextCount();
int swell_PooledObjectCount();

#endif
