// Text of any bytes measured and drawn: through the drawing context
// (SWELL_DrawText) and through cached fonts (glyph-cache and native
// rendering, the glyph effects, vertical text), into small bitmaps.
//
// Input: byte 0 picks the draw flags, byte 1 the font and its flags, byte 2
// how the length is passed and where the box lies; the rest is the text.
// Measuring must give a box that starts where it was asked to and is not
// negative; drawing must stay inside the bitmap (the sanitizers watch).
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "lice.h"
#include "lice_text.h"
#include "swell.h"

namespace
{
void Check(bool ok, const char* message)
{
  if (ok) return;
  fprintf(stderr, "fuzz check failed: %s\n", message);
  abort();
}

// Fonts made once for the whole run: the faces the editor asks for, plain,
// bold italic, monochrome, and a face this machine lacks.
HFONT Font(int i)
{
  static HFONT s_fonts[4] = {
    CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, DEFAULT_QUALITY, 0, "DejaVu Sans"),
    CreateFont(-11, 0, 0, 0, FW_BOLD, 1, 1, 0, 0, 0, 0, ANTIALIASED_QUALITY, 0, "Monaco"),
    CreateFont(-9, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, NONANTIALIASED_QUALITY, 0, "DejaVu Sans Mono"),
    CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, DEFAULT_QUALITY, 0, "No Such Face"),
  };
  return s_fonts[i & 3];
}

// Cached fonts with the glyph-cache flag sets worth telling apart; the glyph
// caches fill up over the run as a long-lived editor's would.
LICE_CachedFont* CachedFont(int i)
{
  static const int kFlags[8] = {
    0,
    LICE_FONT_FLAG_FORCE_NATIVE,
    LICE_FONT_FLAG_FX_MONO,
    LICE_FONT_FLAG_FX_SHADOW,
    LICE_FONT_FLAG_FX_OUTLINE | LICE_FONT_FLAG_FX_INVERT,
    LICE_FONT_FLAG_VERTICAL,
    LICE_FONT_FLAG_VERTICAL | LICE_FONT_FLAG_VERTICAL_BOTTOMUP | LICE_FONT_FLAG_FX_BLUR,
    LICE_FONT_FLAG_PRECALCALL,
  };
  static LICE_CachedFont* s_fonts[8] = {};
  i &= 7;
  if (!s_fonts[i])
  {
    s_fonts[i] = new LICE_CachedFont;
    s_fonts[i]->SetFromHFont(Font(i), kFlags[i]);
    s_fonts[i]->SetTextColor(LICE_RGBA(255, 240, 200, 255));
    s_fonts[i]->SetBkColor(LICE_RGBA(10, 20, 30, 255));
    s_fonts[i]->SetEffectColor(LICE_RGBA(0, 0, 255, 255));
  }
  return s_fonts[i];
}

// Measures text with DT_CALCRECT from a box at (x, y): the box must keep its
// corner and get a size that is not negative.
void CheckMeasure(const RECT& measured, int x, int y, int height)
{
  Check(measured.left == x && measured.top == y, "measuring keeps the box's corner");
  Check(measured.right >= x && measured.bottom >= y, "a measured box is not negative");
  Check(height >= 0, "a text height is not negative");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 3 || size > 6000) return 0;
  const int drawFlags = data[0] | ((data[0] & 1) ? DT_NOCLIP : 0);
  const int fontPick = data[1];
  const int layout = data[2];
  // The text as a caller has it: NUL-terminated (length -1), or a byte count
  // over bytes that need not end in a NUL.
  std::vector<char> text(data + 3, data + size);
  const int byteCount = (int)text.size();
  text.push_back('\0');
  const int length = (layout & 1) ? -1 : byteCount;
  // Box placement: inside, partly outside or wholly outside the bitmap.
  const int x = (layout >> 1 & 7) * 9 - 20, y = (layout >> 4 & 7) * 7 - 14;
  const int w = 24 + (layout >> 7) * 60, h = 20;

  static LICE_SysBitmap* s_bitmap = new LICE_SysBitmap(64, 40);
  static LICE_MemBitmap* s_memBitmap = new LICE_MemBitmap(64, 40);

  // The drawing context.
  {
    HDC dc = s_bitmap->getDC();
    SelectObject(dc, Font(fontPick));
    SetTextColor(dc, 0xF0E0D0);
    SetBkColor(dc, 0x102030);
    SetBkMode(dc, (fontPick & 0x20) ? OPAQUE : TRANSPARENT);
    RECT m = {x, y, x, y};
    CheckMeasure(m, x, y, 0);
    const int height = SWELL_DrawText(dc, text.data(), length, &m, drawFlags | DT_CALCRECT);
    CheckMeasure(m, x, y, height);
    RECT r = {x, y, x + w, y + h};
    Check(SWELL_DrawText(dc, text.data(), length, &r, drawFlags & ~DT_CALCRECT) >= 0, "drawing gives a height");
  }

  // A cached font, into the bitmap with a context (native rendering allowed)
  // and into a plain memory bitmap.
  {
    LICE_CachedFont* font = CachedFont(fontPick >> 2);
    font->SetBkMode((fontPick & 0x20) ? 1 : 0);
    font->SetCombineMode((fontPick & 0x40) ? LICE_MODE_ADD : LICE_MODE_COPY, (fontPick & 0x80) ? 0.5f : 1.0f);
    RECT m = {x, y, x, y};
    const int height = font->DrawText(nullptr, text.data(), length, &m, (unsigned)drawFlags | DT_CALCRECT);
    CheckMeasure(m, x, y, height);
    RECT r = {x, y, x + w, y + h};
    font->DrawText(s_bitmap, text.data(), length, &r, (unsigned)drawFlags & ~DT_CALCRECT);
    r = {x, y, x + w, y + h};
    font->DrawText(s_memBitmap, text.data(), length, &r,
                   ((unsigned)drawFlags & ~DT_CALCRECT) | LICE_DT_NEEDALPHA | LICE_DT_USEFGALPHA);
  }
  return 0;
}
