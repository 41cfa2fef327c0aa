// The text seam over the platform's native text: a font is a platform font
// plus its line height, and text is drawn by the platform straight into the
// drawing context behind the editor's off-screen bitmap (measuring without
// one uses a small scratch context). Translucent text colours are drawn
// opaque here: scaling the weight by the colour's alpha needs the glyph
// cache of the cached-font text.
#include "IGraphicsText.h"

#include "lice_bitmap.h"
#include "swell.h"

namespace
{
// What a LICE_IFont handle of this seam points to.
struct EditorFont
{
  HFONT font;           // owned platform font
  int lineHeight;       // pixels
  unsigned int colour;  // pixel form (bytes A, R, G, B)
};

EditorFont* Of(LICE_IFont* font) { return reinterpret_cast<EditorFont*>(font); }

// A 1 x 1 context for metrics and for measuring without a bitmap; made on
// first use and kept for the process. [main thread]
HDC ScratchContext()
{
  static HDC s_scratch = SWELL_CreateMemContext(nullptr, 1, 1);
  return s_scratch;
}
}  // namespace

namespace igraphics_text
{
void Prepare()
{
  // A context and a font made and deleted once bring the platform's pools
  // and font records into being.
  if (HDC dc = ScratchContext())
  {
    HFONT hf = ::CreateFont(10, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Monaco");
    if (hf)
    {
      HGDIOBJ previous = SelectObject(dc, hf);
      TEXTMETRIC tm;
      GetTextMetrics(dc, &tm);
      SelectObject(dc, previous);
      DeleteObject(hf);
    }
  }
}

LICE_IFont* CreateFont(int heightPx, int escapementTenths, int weight, bool italic, int quality, const char* face)
{
  if (!face) return nullptr;
  HFONT hf = ::CreateFont(heightPx, 0, escapementTenths, escapementTenths, weight, italic ? 1 : 0, 0, 0, 0, 0, 0,
                          (char)quality, 0, face);
  if (!hf) return nullptr;
  int lineHeight = 0;
  if (HDC dc = ScratchContext())
  {
    HGDIOBJ previous = SelectObject(dc, hf);
    TEXTMETRIC tm;
    if (GetTextMetrics(dc, &tm)) lineHeight = tm.tmHeight;
    SelectObject(dc, previous);
  }
  return reinterpret_cast<LICE_IFont*>(new EditorFont{hf, lineHeight, 0});
}

int GetLineHeight(LICE_IFont* font) { return font ? Of(font)->lineHeight : 0; }

void SetTextColor(LICE_IFont* font, unsigned int colour)
{
  if (font) Of(font)->colour = colour;
}

int DrawText(LICE_IFont* font, LICE_IBitmap* dest, const char* str, RECT* r, unsigned int flags)
{
  if (!font || !str || !r) return 0;
  HDC dc = dest ? dest->getDC() : nullptr;
  if (!dc)
  {
    if (!(flags & kMeasureOnly)) return 0;  // drawing needs the bitmap's context
    dc = ScratchContext();
  }
  const EditorFont* f = Of(font);
  HGDIOBJ previous = SelectObject(dc, f->font);
  const unsigned int c = f->colour;
  ::SetTextColor(dc, (int)(((c >> 8) & 0xFF) << 16 | ((c >> 16) & 0xFF) << 8 | ((c >> 24) & 0xFF)));
  SetBkMode(dc, 0);
  const int result = SWELL_DrawText(dc, str, -1, r, (int)((flags & ~kScaleByColourAlpha) | DT_NOPREFIX));
  SelectObject(dc, previous);
  return result;
}

void DeleteFont(LICE_IFont* font)
{
  if (!font) return;
  DeleteObject(Of(font)->font);
  delete Of(font);
}
}  // namespace igraphics_text
