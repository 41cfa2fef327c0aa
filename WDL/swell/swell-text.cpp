// SWELL_DrawText: measures and draws UTF-8 text with FreeType into a memory
// drawing context.
//
// Positions are in pixels with y pointing down. Each line's baseline sits at
// the box top plus the font's ascent; glyph origins are snapped to whole
// pixels while the pen advances by unrounded advances (with kerning), so
// glyph shapes do not depend on where a glyph lands. Coverage is blended into
// the R, G and B bytes only.
#include <ft2build.h>
#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_SIZES_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "swell-ft.h"
#include "swell-text-layout.h"

namespace
{

const uint32_t kEllipsis = 0x2026;

// Where and how glyphs are drawn.
struct Target
{
  unsigned char* bits; // context pixels, 4 bytes each
  int rowBytes;
  int clipL, clipT, clipR, clipB; // inside the bitmap
  unsigned char r, g, b;          // text colour
  bool mono;
};

// Text that is not UTF-8 is taken byte for byte, bytes above 0x7F as their
// Latin-1 characters.
void DecodeBytes(const unsigned char* s, int n, uint32_t* codes, int* count)
{
  for (int i = 0; i < n; ++i) codes[i] = s[i];
  *count = n;
}

// Advance of one glyph in pixels, unhinted.
double Advance(FT_Face ft, FT_UInt gi)
{
  FT_Fixed adv = 0;
  if (FT_Get_Advance(ft, gi, FT_LOAD_NO_HINTING, &adv) != 0) return 0.0;
  return adv / 65536.0;
}

double Kerning(FT_Face ft, FT_UInt prev, FT_UInt gi)
{
  if (!prev || !FT_HAS_KERNING(ft)) return 0.0;
  FT_Vector k = {0, 0};
  if (FT_Get_Kerning(ft, prev, gi, FT_KERNING_UNFITTED, &k) != 0) return 0.0;
  return k.x / 64.0;
}

// Pen movement for code after the glyph *prev (0 at the start of a line):
// kerning plus advance, in pixels; *prev becomes code's glyph.
double Step(FT_Face ft, FT_UInt* prev, uint32_t code)
{
  const FT_UInt gi = FT_Get_Char_Index(ft, code);
  const double step = Kerning(ft, *prev, gi) + Advance(ft, gi);
  *prev = gi;
  return step;
}

double LineWidth(FT_Face ft, const uint32_t* codes, int n)
{
  double w = 0.0;
  FT_UInt prev = 0;
  for (int i = 0; i < n; ++i) w += Step(ft, &prev, codes[i]);
  return w;
}

void Blend(unsigned char* px, const Target& t, unsigned k)
{
  if (k >= 255)
  {
    px[1] = t.r;
    px[2] = t.g;
    px[3] = t.b;
    return;
  }
  px[1] = static_cast<unsigned char>((t.r * k + px[1] * (255 - k) + 127) / 255);
  px[2] = static_cast<unsigned char>((t.g * k + px[2] * (255 - k) + 127) / 255);
  px[3] = static_cast<unsigned char>((t.b * k + px[3] * (255 - k) + 127) / 255);
}

// Fills [l, r) x [t, b) (pixels, rounded to the nearest edges) with a colour,
// clipped to the target's clip rectangle.
void FillRect(const Target& t, double l, double top, double r, double b, unsigned char cr, unsigned char cg,
              unsigned char cb)
{
  const double L = std::fmax(std::floor(l + 0.5), t.clipL), T = std::fmax(std::floor(top + 0.5), t.clipT);
  const double R = std::fmin(std::floor(r + 0.5), t.clipR), B = std::fmin(std::floor(b + 0.5), t.clipB);
  for (int y = static_cast<int>(T); y < B; ++y)
  {
    unsigned char* row = t.bits + static_cast<size_t>(y) * t.rowBytes;
    for (int x = static_cast<int>(L); x < R; ++x)
    {
      row[x * 4 + 1] = cr;
      row[x * 4 + 2] = cg;
      row[x * 4 + 3] = cb;
    }
  }
}

// Renders one glyph with its origin at pixel (ox, oy) and blends it in.
void DrawGlyph(FT_Face ft, FT_UInt gi, const SWELL_FontAttributes& font, int ox, int oy, const Target& t)
{
  FT_Matrix shear = {0x10000, static_cast<FT_Fixed>(std::lround(font.obliqueness * 65536.0)), 0, 0x10000};
  FT_Set_Transform(ft, font.obliqueness != 0.0 ? &shear : nullptr, nullptr);
  const FT_Int32 load = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | (t.mono ? FT_LOAD_TARGET_MONO : 0);
  const FT_Error err = FT_Load_Glyph(ft, gi, load);
  FT_Set_Transform(ft, nullptr, nullptr);
  if (err != 0) return;
  FT_GlyphSlot slot = ft->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return;
  if (font.strokeWidth < 0.0)
  {
    // The stroke width is a percentage of the point size; the outline grows
    // by that much in total, half on each side of every edge.
    const double px = -font.strokeWidth / 100.0 * font.pointSize;
    FT_Outline_Embolden(&slot->outline, static_cast<FT_Pos>(std::lround(px * 64.0)));
  }
  if (FT_Render_Glyph(slot, t.mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return;
  const FT_Bitmap& bm = slot->bitmap;
  const int x0 = ox + slot->bitmap_left;
  const int y0 = oy - slot->bitmap_top;
  const int rows = static_cast<int>(bm.rows), cols = static_cast<int>(bm.width);
  const int ys = std::max(0, t.clipT - y0), ye = std::min(rows, t.clipB - y0);
  const int xs = std::max(0, t.clipL - x0), xe = std::min(cols, t.clipR - x0);
  for (int y = ys; y < ye; ++y)
  {
    const unsigned char* src = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    unsigned char* row = t.bits + static_cast<size_t>(y0 + y) * t.rowBytes;
    for (int x = xs; x < xe; ++x)
    {
      unsigned k;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) k = (src[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      else k = src[x];
      if (k) Blend(row + static_cast<size_t>(x0 + x) * 4, t, k);
    }
  }
}

// Draws one line with its pen starting at x and its baseline at oy.
void DrawLine(FT_Face ft, const SWELL_FontAttributes& font, const uint32_t* codes, int n, double x, int oy,
              const Target& t)
{
  FT_UInt prev = 0;
  for (int i = 0; i < n; ++i)
  {
    const FT_UInt gi = FT_Get_Char_Index(ft, codes[i]);
    x += Kerning(ft, prev, gi);
    DrawGlyph(ft, gi, font, static_cast<int>(std::floor(x + 0.5)), oy, t);
    x += Advance(ft, gi);
    prev = gi;
  }
}

// Cuts a line too wide for maxWidth to the longest head that fits with an
// ellipsis after it; writes the result to out and returns its length.
int Ellipsize(FT_Face ft, const uint32_t* codes, int n, double maxWidth, uint32_t* out)
{
  uint32_t tail[3] = {kEllipsis, 0, 0};
  int tailLen = 1;
  if (!FT_Get_Char_Index(ft, kEllipsis))
  {
    tail[0] = tail[1] = tail[2] = '.';
    tailLen = 3;
  }
  const double tailWidth = LineWidth(ft, tail, tailLen);
  // The longest head that fits, found in one pass: the head widths are summed
  // as LineWidth sums them, but kerning can make them shrink, so every head
  // is tried, not just the first that does not fit.
  int keep = 0;
  double w = 0.0;
  FT_UInt prev = 0;
  for (int i = 0; i < n; ++i)
  {
    w += Step(ft, &prev, codes[i]);
    if (!(w + tailWidth > maxWidth)) keep = i + 1;
  }
  memcpy(out, codes, sizeof(uint32_t) * keep);
  memcpy(out + keep, tail, sizeof(uint32_t) * tailLen);
  return keep + tailLen;
}

// A rectangle edge, limited to the int range (measuring near INT_MAX).
int EdgeToInt(double v)
{
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}

} // namespace

double swell_TextWidth(HDC ctx, const char* text)
{
  if (!swell_ContextUsable(ctx) || !text) return 0.0;
  const int n = static_cast<int>(std::min<size_t>(strlen(text), kSwellTextMax));
  uint32_t codes[kSwellTextMax + 1];
  int count = 0;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  if (!swell_DecodeUtf8(bytes, n, codes, &count)) DecodeBytes(bytes, n, codes, &count);
  HGDIOBJ fontObj = swell_ContextFont(ctx);
  if (!fontObj || !fontObj->font.face) return 0.0;
  WDL_MutexLock lock(&swell_TextLock());
  if (!swell_ActivateFont(fontObj->font)) return 0.0;
  return LineWidth(fontObj->font.face->ft, codes, count);
}

int SWELL_DrawText(HDC ctx, const char* text, int length, RECT* r, int flags)
{
  if (!swell_ContextUsable(ctx) || !r) return 0;
  char buf[kSwellTextMax + 1];
  bool multiLine = false;
  const int nBytes = swell_PrepareText(text, length, flags, buf, &multiLine);
  if (nBytes <= 0) return 0;

  uint32_t codes[kSwellTextMax + 1];
  int nCodes = 0;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(buf);
  if (!swell_DecodeUtf8(bytes, nBytes, codes, &nCodes)) DecodeBytes(bytes, nBytes, codes, &nCodes);
  if (nCodes <= 0) return 0;

  HGDIOBJ fontObj = swell_ContextFont(ctx);
  if (!fontObj || !fontObj->font.face) return 0;
  const SWELL_FontAttributes& font = fontObj->font;

  WDL_MutexLock lock(&swell_TextLock());
  if (!swell_ActivateFont(font)) return 0;
  const FT_Face ft = font.face->ft;
  const SWELL_FontMetrics fm = swell_GetFontMetrics(font);

  // Lines are split at line feeds; a final empty line is not counted.
  int lineStart[kSwellTextMax + 2];
  int nLines = 0;
  lineStart[nLines++] = 0;
  for (int i = 0; i < nCodes; ++i)
  {
    if (codes[i] == '\n' && multiLine) lineStart[nLines++] = i + 1;
  }
  lineStart[nLines] = nCodes + 1;
  if (nLines > 1 && lineStart[nLines - 1] == nCodes) --nLines;
  auto lineLen = [&](int i) { return lineStart[i + 1] - 1 - lineStart[i]; };

  double w = 0.0;
  for (int i = 0; i < nLines; ++i) w = std::fmax(w, LineWidth(ft, codes + lineStart[i], lineLen(i)));
  const double h = fm.lineHeight * nLines;
  const int H = static_cast<int>(std::ceil(h));
  TEXTMETRIC tm;
  GetTextMetrics(ctx, &tm);

  if (flags & DT_CALCRECT)
  {
    r->right = EdgeToInt(r->left + std::ceil(w) * 1.02);
    r->bottom = EdgeToInt(r->top + H * 1.02);
    return H;
  }

  const SWELL_TextBox box = swell_LayoutTextBox(*r, flags, w, h);
  Target t;
  t.bits = static_cast<unsigned char*>(ctx->bits);
  t.rowBytes = ctx->width * 4;
  t.clipL = 0;
  t.clipT = 0;
  t.clipR = ctx->width;
  t.clipB = ctx->height;
  if (!(flags & DT_NOCLIP))
  {
    t.clipL = std::max(t.clipL, r->left);
    t.clipT = std::max(t.clipT, r->top);
    t.clipR = std::min(t.clipR, r->right);
    t.clipB = std::min(t.clipB, r->bottom);
  }
  t.r = static_cast<unsigned char>(ctx->textColour >> 16);
  t.g = static_cast<unsigned char>(ctx->textColour >> 8);
  t.b = static_cast<unsigned char>(ctx->textColour);
  t.mono = fontObj->quality == NONANTIALIASED_QUALITY;
  if (t.clipL >= t.clipR || t.clipT >= t.clipB) return H;

  uint32_t cut[kSwellTextMax + 4];
  double baseline = box.y + tm.tmAscent;
  for (int i = 0; i < nLines; ++i, baseline += fm.lineHeight)
  {
    const uint32_t* line = codes + lineStart[i];
    int n = lineLen(i);
    double lw = LineWidth(ft, line, n);
    if ((flags & DT_END_ELLIPSIS) && lw > box.width)
    {
      n = Ellipsize(ft, line, n, box.width, cut);
      line = cut;
      lw = LineWidth(ft, line, n);
    }
    double x = box.x;
    if (flags & DT_RIGHT) x += box.width - lw;
    else if (flags & DT_CENTER) x += (box.width - lw) / 2.0;
    const double oyd = std::floor(baseline + 0.5);
    if (oyd < -1e6 || oyd > 1e6 || x < -1e6 || x > 1e6) continue; // far off any bitmap
    const int oy = static_cast<int>(oyd);
    if (ctx->bkMode == OPAQUE)
    {
      FillRect(t, x, oy - fm.ascender, x + lw, oy - fm.ascender + fm.lineHeight,
               static_cast<unsigned char>(ctx->bkColour >> 16), static_cast<unsigned char>(ctx->bkColour >> 8),
               static_cast<unsigned char>(ctx->bkColour));
    }
    DrawLine(ft, font, line, n, x, oy, t);
    if (font.underline)
    {
      const double thick = std::fmax(1.0, std::floor(fm.underlineThickness + 0.5));
      const double top = std::floor(oy - fm.underlinePosition - thick / 2.0 + 0.5);
      FillRect(t, x, top, x + lw, top + thick, t.r, t.g, t.b);
    }
  }
  return H;
}
