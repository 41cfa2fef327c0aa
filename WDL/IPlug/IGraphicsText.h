// The editor's one seam to the text library: make a font, read its line
// height, set its colour, draw or measure a string, delete it. IGraphics
// draws and caches all its text through these calls only. [main thread]
#ifndef IPLUG_IGRAPHICSTEXT_H_
#define IPLUG_IGRAPHICSTEXT_H_

#include "lice_platform.h"

class LICE_IBitmap;
class LICE_IFont;

namespace igraphics_text
{
// Sets up the platform's text before the first font is made. A cache that
// keeps fonts until the process exits calls it before it is complete, so
// that the platform's own process-wide records outlive the cache.
void Prepare();

// Text-call flags.
enum
{
  kMeasureOnly = 0x1,
  kCentreHorizontally = 0x4,
  kAlignRight = 0x20,
  kNoClip = 0x100,
  kScaleByColourAlpha = 0x40000000
};

// A font of line height heightPx (width 0), escapement and orientation in
// tenths of a degree, weight 400 or 700, italic, quality 0 default, 3 not
// anti-aliased, 4 anti-aliased, face name; the font owns its platform font
// and renders natively. Null when the platform has no such font.
LICE_IFont* CreateFont(int heightPx, int escapementTenths, int weight, bool italic, int quality, const char* face);
// Line height in pixels of the platform font.
int GetLineHeight(LICE_IFont* font);
// Text colour in pixel form (bytes A, R, G, B).
void SetTextColor(LICE_IFont* font, unsigned int colour);
// Draws str (NUL-terminated) into dest inside r, or with kMeasureOnly sets
// r's right and bottom to its width and height past left and top.
int DrawText(LICE_IFont* font, LICE_IBitmap* dest, const char* str, RECT* r, unsigned int flags);
void DeleteFont(LICE_IFont* font);
}  // namespace igraphics_text

#endif
