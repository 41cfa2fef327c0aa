// Records, handles and constants of the drawing-context layer: the rectangle,
// the context and graphics-object handles, the font description and text
// metrics records, and the flag values of the text functions in swell.h.
#ifndef SWELL_TYPES_H_
#define SWELL_TYPES_H_

#ifndef LICE_PLATFORM_RECT_DEFINED
#define LICE_PLATFORM_RECT_DEFINED
// Rectangle in pixels: left and top inclusive, right and bottom exclusive.
struct RECT
{
  int left, top, right, bottom;
};
#endif

// Handle of a memory drawing context (opaque).
struct HDC__;
typedef HDC__* HDC;

// Handle of a graphics object: pen, brush, font or bitmap (opaque). The small
// integers 1, 2 and 3 are placeholders that stand for "no pen", "no brush"
// and "no font" in SelectObject.
struct HGDIOBJ__;
typedef HGDIOBJ__* HGDIOBJ;
typedef HGDIOBJ HFONT;

#define SWELL_PEN_NONE (reinterpret_cast<HGDIOBJ>(1))
#define SWELL_BRUSH_NONE (reinterpret_cast<HGDIOBJ>(2))
#define SWELL_FONT_NONE (reinterpret_cast<HGDIOBJ>(3))

// A font request in the order CreateFont takes its arguments.
struct LOGFONT
{
  int lfHeight;          // pixels; negative = character height, 0 = use lfWidth
  int lfWidth;           // pixels, used only when lfHeight is 0
  int lfEscapement;      // tenths of a degree (not used)
  int lfOrientation;     // tenths of a degree (stored, not applied)
  int lfWeight;          // 400 normal, 700 and above bold
  char lfItalic;         // non-zero: oblique
  char lfUnderline;      // non-zero: single underline
  char lfStrikeOut;      // not used
  char lfCharSet;        // not used
  char lfOutPrecision;   // not used
  char lfClipPrecision;  // not used
  char lfQuality;        // 0 default, 3 monochrome, 4 anti-aliased
  char lfPitchAndFamily; // not used
  char lfFaceName[32];   // family name, UTF-8, NUL-terminated
};

// Metrics of the font selected into a context, whole pixels.
struct TEXTMETRIC
{
  int tmHeight;          // ascent + descent
  int tmAscent;          // baseline to top of the tallest glyphs
  int tmDescent;         // baseline to bottom of the lowest glyphs
  int tmInternalLeading; // ascent above the capital height
  int tmAveCharWidth;    // rough average character width
};

// SWELL_DrawText flags.
#define DT_CALCRECT 0x1     // measure only: sets r->right and r->bottom
#define DT_VCENTER 0x2      // centre the text vertically in r
#define DT_CENTER 0x4       // centre each line horizontally
#define DT_END_ELLIPSIS 0x8 // cut lines too long for r with an ellipsis
#define DT_BOTTOM 0x10      // align the text to r's bottom
#define DT_RIGHT 0x20       // align each line to r's right
#define DT_SINGLELINE 0x40  // line feeds are drawn as spaces
#define DT_NOPREFIX 0x80    // "&" is drawn, not taken as a prefix mark
#define DT_NOCLIP 0x100     // draw outside r (still inside the bitmap)

// Background modes.
#define TRANSPARENT 0
#define OPAQUE 1

// Font weights and qualities.
#define FW_NORMAL 400
#define FW_BOLD 700
#define DEFAULT_QUALITY 0
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4

#endif
