// Cached-font text: UTF-8 text drawn and measured in 32-bit bitmaps with one
// platform font, either by the platform straight into a bitmap that has a
// drawing context (native rendering) or from 8-bit glyph masks rendered once
// and composited with the engine's combine functions (glyph-cache rendering).
//
// Fonts are used on the UI thread only. The two shared platform surfaces
// (glyph rendering and native scratch) are created on first use and live
// until the process exits.
#ifndef LICE_TEXT_H_
#define LICE_TEXT_H_

#include "heapbuf.h"
#include "lice_bitmap.h"

// Font flags (SetFromHFont).
enum
{
  LICE_FONT_FLAG_VERTICAL = 0x1,        // masks transposed, text advances downwards
  LICE_FONT_FLAG_VERTICAL_BOTTOMUP = 0x2, // with 0x1: turned the other way
  LICE_FONT_FLAG_PRECALCALL = 0x4,      // render ASCII at once, never anything else
  LICE_FONT_FLAG_FX_BLUR = 0x10,
  LICE_FONT_FLAG_FX_INVERT = 0x20,
  LICE_FONT_FLAG_FX_MONO = 0x40,        // coverage above 130 becomes 255, the rest 0
  LICE_FONT_FLAG_FX_SHADOW = 0x80,      // mono, then 128 right of, below and below-right of ink
  LICE_FONT_FLAG_FX_OUTLINE = 0x100,    // mono, then 128 beside ink in the four directions
  LICE_FONT_FLAG_OWNS_HFONT = 0x200,    // the platform font is deleted with the cached font
  LICE_FONT_FLAG_FORCE_NATIVE = 0x400   // prefer native rendering
};

// DrawText flags beyond the platform's DT_* values.
enum
{
  LICE_DT_USEFGALPHA = 0x40000000, // weight times the text colour's alpha byte / 255
  LICE_DT_NEEDALPHA = static_cast<int>(0x80000000u) // force glyph-cache rendering
};

class LICE_IFont
{
public:
  virtual ~LICE_IFont() {}
  // Takes font (null for none) with the font flags above; discards every
  // cached glyph. [main thread]
  virtual void SetFromHFont(HGDIOBJ font, int flags = 0) = 0;
  // Colours in pixel form (A | R << 8 | G << 16 | B << 24); each returns the
  // previous value. [main thread]
  virtual LICE_pixel SetTextColor(LICE_pixel colour) = 0;
  virtual LICE_pixel SetBkColor(LICE_pixel colour) = 0;
  virtual LICE_pixel SetEffectColor(LICE_pixel colour) = 0;
  // 0 transparent, 1 opaque background; returns the previous mode.
  // [main thread]
  virtual int SetBkMode(int mode) = 0;
  // Mode word and weight for compositing glyphs. [main thread]
  virtual void SetCombineMode(int mode, float alpha = 1.0f) = 0;
  // Draws str (byteCount bytes, -1 up to the NUL) into r, or measures it with
  // DT_CALCRECT (r's right and bottom become left + width and top + height).
  // Returns the text height (width for vertical text), 0 when nothing can be
  // drawn. [main thread]
  virtual int DrawText(LICE_IBitmap* bm, const char* str, int byteCount, RECT* r, unsigned int flags) = 0;
  virtual LICE_pixel GetTextColor() = 0;
  virtual HGDIOBJ GetHFont() = 0;
  // The platform font's text height in pixels (0 without a font).
  virtual int GetLineHeight() = 0;
};

class LICE_CachedFont : public LICE_IFont
{
public:
  LICE_CachedFont();
  ~LICE_CachedFont() override;
  LICE_CachedFont(const LICE_CachedFont&) = delete;
  LICE_CachedFont& operator=(const LICE_CachedFont&) = delete;

  void SetFromHFont(HGDIOBJ font, int flags = 0) override;
  LICE_pixel SetTextColor(LICE_pixel colour) override;
  LICE_pixel SetBkColor(LICE_pixel colour) override;
  LICE_pixel SetEffectColor(LICE_pixel colour) override;
  int SetBkMode(int mode) override;
  void SetCombineMode(int mode, float alpha = 1.0f) override;
  int DrawText(LICE_IBitmap* bm, const char* str, int byteCount, RECT* r, unsigned int flags) override;
  LICE_pixel GetTextColor() override { return m_fg; }
  HGDIOBJ GetHFont() override { return m_font; }
  int GetLineHeight() override { return m_line_height; }

  // Extra pixels between lines of glyph-cache text (0 by default).
  // [main thread]
  void SetLineSpacing(int pixels) { m_lsadj = pixels; }

  // One rendered character.
  struct glyphEnt
  {
    int base_offset;      // mask offset in the coverage buffer + 1; 0 not yet rendered, -1 nothing to draw
    int width, height;    // mask size in pixels
    int advance;          // pen movement in pixels
    unsigned short charid; // character code
  };

private:
  glyphEnt* findGlyph(unsigned short c);
  bool renderGlyph(unsigned short c);
  const glyphEnt* glyphFor(unsigned short c);
  // Walks the characters of str (byteCount bytes, -1 up to the NUL): a
  // carriage return is ignored; a newline calls newLine(), or is a space on
  // single-line text; codes above 0xFFFF and characters without a glyph
  // are skipped; every other character calls glyph(const glyphEnt&). True
  // when a line break or a glyph was met.
  template <class NewLine, class Glyph>
  bool forEachGlyph(const char* str, int byteCount, bool singleLine, NewLine&& newLine, Glyph&& glyph);
  bool drawNative(LICE_IBitmap* bm, const char* str, int byteCount, RECT* r, unsigned int flags, int* result);
  void drawGlyph(LICE_IBitmap* bm, const glyphEnt& g, int x, int y, const RECT& clip, int weight);
  void measure(const char* str, int byteCount, bool singleLine, int* w, int* h);

  LICE_pixel m_fg;      // text colour
  LICE_pixel m_bg;      // background colour (opaque mode)
  LICE_pixel m_effectcol; // shadow and outline colour
  int m_bgmode;         // 0 transparent, 1 opaque
  int m_comb;           // combine mode word
  float m_alpha;        // combine weight
  int m_flags;          // font flags
  int m_line_height;    // pixels
  int m_lsadj;          // extra pixels between lines
  HGDIOBJ m_font;       // platform font, or null
  glyphEnt m_lowchars[128];           // ASCII, indexed by code
  WDL_TypedBuf<glyphEnt> m_extracharlist; // other codes, sorted by code
  WDL_TypedBuf<unsigned char> m_cachestore; // glyph masks
};

#endif
