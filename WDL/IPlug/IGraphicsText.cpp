// The text seam without a text library: fonts exist (so the font cache and
// its keys work), their line height is the height asked for, and they draw
// nothing and measure as zero width. Replaced by the cached-font text once
// that library is part of the build.
#include "IGraphicsText.h"

class LICE_IFont
{
public:
  explicit LICE_IFont(int lineHeight) : mLineHeight(lineHeight), mColour(0) {}
  int mLineHeight;        // pixels
  unsigned int mColour;   // pixel form
};

namespace igraphics_text
{
LICE_IFont* CreateFont(int heightPx, int, int, bool, int, const char* face)
{
  if (heightPx <= 0 || !face) return nullptr;
  return new LICE_IFont(heightPx);
}

int GetLineHeight(LICE_IFont* font) { return font ? font->mLineHeight : 0; }

void SetTextColor(LICE_IFont* font, unsigned int colour)
{
  if (font) font->mColour = colour;
}

int DrawText(LICE_IFont* font, LICE_IBitmap*, const char*, RECT* r, unsigned int flags)
{
  if (!font || !r) return 0;
  if (flags & kMeasureOnly)
  {
    r->right = r->left;
    r->bottom = r->top + font->mLineHeight;
  }
  return font->mLineHeight;
}

void DeleteFont(LICE_IFont* font) { delete font; }
}  // namespace igraphics_text
