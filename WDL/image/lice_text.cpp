#include "lice_text.h"

#include <cstring>
#include <utility>

#include "lice_blit.h"
#include "lice_plot.h"
#include "lice_surface.h"

namespace
{

constexpr int kFxFlags = LICE_FONT_FLAG_FX_MONO | LICE_FONT_FLAG_FX_SHADOW | LICE_FONT_FLAG_FX_OUTLINE;
// Font flags that only glyph-cache rendering can honour.
constexpr int kGlyphOnlyFlags = LICE_FONT_FLAG_VERTICAL | LICE_FONT_FLAG_VERTICAL_BOTTOMUP |
                                LICE_FONT_FLAG_PRECALCALL | LICE_FONT_FLAG_FX_BLUR | LICE_FONT_FLAG_FX_INVERT |
                                kFxFlags;
constexpr unsigned int kDrawOnlyFlags = LICE_DT_USEFGALPHA | static_cast<unsigned int>(LICE_DT_NEEDALPHA);

// The platform colour (0x00RRGGBB) of a pixel-form colour.
int platformColour(LICE_pixel c)
{
  return static_cast<int>(LICE_GETR(c) << 16 | LICE_GETG(c) << 8 | LICE_GETB(c));
}

// Sets up a surface's context for glyph rendering: white text on an opaque
// black background.
void prepareGlyphContext(HDC dc)
{
  SetTextColor(dc, 0xFFFFFF);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, 0);
}

// The shared glyph-rendering surface grown to at least w x h (its context
// set up again whenever it is made anew); null when the platform cannot
// provide it. Lives until the process exits. [main thread]
LICE_SysBitmap* glyphSurface(int w, int h)
{
  static LICE_SysBitmap* const s_surface = new LICE_SysBitmap();
  const int cw = s_surface->getWidth(), ch = s_surface->getHeight();
  if (w > cw || h > ch)
  {
    s_surface->resize(w > cw ? w : cw, h > ch ? h : ch);
    if (s_surface->getDC()) prepareGlyphContext(s_surface->getDC());
  }
  return s_surface->getDC() ? s_surface : nullptr;
}

// The shared scratch surface for native text into bitmaps without a
// context. Lives until the process exits. [main thread]
LICE_SysBitmap* scratchSurface()
{
  static LICE_SysBitmap* const s_surface = new LICE_SysBitmap();
  return s_surface;
}

// Decodes the character at s; n bytes are left (negative: up to the NUL).
// Returns the bytes it takes (at least 1) and the code in *code: two- and
// three-byte forms decode, a four-byte form is a space, any other byte
// stands for itself. Never reads past n bytes or past a NUL.
int decodeChar(const unsigned char* s, int n, unsigned int* code)
{
  auto cont = [&](int i) { return (n < 0 || i < n) && (s[i] & 0xC0) == 0x80; };
  const unsigned int c = s[0];
  if (c >= 0xC2 && c <= 0xDF && cont(1))
  {
    *code = (c & 0x1F) << 6 | (s[1] & 0x3F);
    return 2;
  }
  if (c >= 0xE0 && c <= 0xEF && cont(1) && cont(2))
  {
    *code = (c & 0x0F) << 12 | (s[1] & 0x3Fu) << 6 | (s[2] & 0x3F);
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4 && cont(1) && cont(2) && cont(3))
  {
    *code = ' ';
    return 4;
  }
  *code = c;
  return 1;
}

// Walks str (n bytes, negative: up to the NUL), calling f(code) for each
// character.
template <class F>
void forEachChar(const char* str, int n, F&& f)
{
  const unsigned char* s = reinterpret_cast<const unsigned char*>(str);
  while (n != 0 && *s)
  {
    unsigned int code;
    const int len = decodeChar(s, n, &code);
    s += len;
    if (n > 0) n = n > len ? n - len : 0;
    f(code);
  }
}

// UTF-8 form of a code below 0x10000; returns its length (1 to 3).
int encodeChar(unsigned int c, char* out)
{
  if (c < 0x80)
  {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800)
  {
    out[0] = static_cast<char>(0xC0 | c >> 6);
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | c >> 12);
  out[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
  out[2] = static_cast<char>(0x80 | (c & 0x3F));
  return 3;
}

// 1-2-1 blur of a w x h mask, across then down.
void blurMask(unsigned char* m, int w, int h)
{
  for (int pass = 0; pass < 2; ++pass)
  {
    const int n = pass ? h : w, lines = pass ? w : h, step = pass ? w : 1, lineStep = pass ? 1 : w;
    for (int l = 0; l < lines; ++l)
    {
      unsigned char* p = m + l * lineStep;
      int prev = 0;
      for (int i = 0; i < n; ++i)
      {
        const int cur = p[i * step], next = i + 1 < n ? p[(i + 1) * step] : 0;
        p[i * step] = static_cast<unsigned char>((prev + 2 * cur + next) / 4);
        prev = cur;
      }
    }
  }
}

// Thresholds a mask to 0 / 255 and, for shadow or outline fonts, marks the
// empty pixels beside the ink with 128.
void monoMask(unsigned char* m, int w, int h, int flags)
{
  for (int i = 0; i < w * h; ++i) m[i] = m[i] > 130 ? 255 : 0;
  if (!(flags & (LICE_FONT_FLAG_FX_SHADOW | LICE_FONT_FLAG_FX_OUTLINE))) return;
  auto ink = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && m[y * w + x] == 255; };
  const bool shadow = (flags & LICE_FONT_FLAG_FX_SHADOW) != 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      if (m[y * w + x]) continue;
      const bool mark = shadow ? ink(x - 1, y) || ink(x, y - 1) || ink(x - 1, y - 1)
                               : ink(x - 1, y) || ink(x + 1, y) || ink(x, y - 1) || ink(x, y + 1);
      if (mark) m[y * w + x] = 128;
    }
}

} // namespace

LICE_CachedFont::LICE_CachedFont()
  : m_fg(0), m_bg(~0u), m_effectcol(~0u), m_bgmode(0), m_comb(0), m_alpha(1.0f), m_flags(0), m_line_height(0),
    m_lsadj(0), m_font(nullptr), m_extracharlist(4096), m_cachestore(65536)
{
  memset(m_lowchars, 0, sizeof(m_lowchars));
}

LICE_CachedFont::~LICE_CachedFont()
{
  if ((m_flags & LICE_FONT_FLAG_OWNS_HFONT) && m_font) DeleteObject(m_font);
}

void LICE_CachedFont::SetFromHFont(HGDIOBJ font, int flags)
{
  if ((m_flags & LICE_FONT_FLAG_OWNS_HFONT) && m_font && m_font != font) DeleteObject(m_font);
  m_flags = flags;
  m_font = font;
  m_line_height = 0;
  if (font)
  {
    if (LICE_SysBitmap* surface = glyphSurface(256, 256))
    {
      HDC dc = surface->getDC();
      HGDIOBJ old = SelectObject(dc, font);
      TEXTMETRIC tm;
      if (GetTextMetrics(dc, &tm)) m_line_height = tm.tmHeight;
      SelectObject(dc, old);
    }
  }
  memset(m_lowchars, 0, sizeof(m_lowchars));
  m_extracharlist.Resize(0);
  m_cachestore.Resize(0);
  if (font && (flags & LICE_FONT_FLAG_PRECALCALL))
    for (unsigned short c = 0; c < 128; ++c) renderGlyph(c);
}

LICE_pixel LICE_CachedFont::SetTextColor(LICE_pixel colour)
{
  return std::exchange(m_fg, colour);
}

LICE_pixel LICE_CachedFont::SetBkColor(LICE_pixel colour)
{
  return std::exchange(m_bg, colour);
}

LICE_pixel LICE_CachedFont::SetEffectColor(LICE_pixel colour)
{
  return std::exchange(m_effectcol, colour);
}

int LICE_CachedFont::SetBkMode(int mode)
{
  return std::exchange(m_bgmode, mode);
}

void LICE_CachedFont::SetCombineMode(int mode, float alpha)
{
  m_comb = mode;
  m_alpha = alpha;
}

LICE_CachedFont::glyphEnt* LICE_CachedFont::findGlyph(unsigned short c)
{
  if (c < 128) return &m_lowchars[c];
  glyphEnt* list = m_extracharlist.Get();
  int lo = 0, hi = m_extracharlist.GetSize();
  while (lo < hi)
  {
    const int mid = (lo + hi) / 2;
    if (list[mid].charid == c) return &list[mid];
    if (list[mid].charid < c) lo = mid + 1;
    else hi = mid;
  }
  if (m_flags & LICE_FONT_FLAG_PRECALCALL) return nullptr;
  // a new record, kept in code order
  const int n = m_extracharlist.GetSize();
  list = m_extracharlist.Resize(n + 1, false);
  if (m_extracharlist.GetSize() != n + 1) return nullptr;
  memmove(list + lo + 1, list + lo, sizeof(glyphEnt) * static_cast<size_t>(n - lo));
  list[lo] = glyphEnt{0, 0, 0, 0, c};
  return &list[lo];
}

bool LICE_CachedFont::renderGlyph(unsigned short c)
{
  glyphEnt* g = findGlyph(c);
  if (!g) return false;
  g->charid = c;
  g->base_offset = -1; // until it is rendered whole
  const int lh = m_line_height > 1 ? m_line_height : 1;
  LICE_SysBitmap* surface = m_font ? glyphSurface(lh, lh) : nullptr;
  if (!surface) return false;

  char text[4];
  const int len = encodeChar(c, text);
  HGDIOBJ old = SelectObject(surface->getDC(), m_font);
  RECT r = {0, 0, 0, 0};
  SWELL_DrawText(surface->getDC(), text, len, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(surface->getDC(), old);
  const int advance = r.right, h = r.bottom;
  const int w = advance + (c >= 'A' && c <= 'Z' ? 2 : 0);
  if (advance <= 0 || h <= 0) return false;

  // a glyph larger than the surface grows it first
  surface = glyphSurface(w, h);
  if (!surface) return false;
  HDC dc = surface->getDC();
  LICE_FillRect(surface, 0, 0, w, h, 0, 1.0f, LICE_MODE_COPY);
  old = SelectObject(dc, m_font);
  RECT dr = {0, 0, w, h};
  SWELL_DrawText(dc, text, len, &dr, DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);

  const int offset = m_cachestore.GetSize();
  unsigned char* store = m_cachestore.Resize(offset + w * h, false);
  if (m_cachestore.GetSize() != offset + w * h) return false;
  unsigned char* m = store + offset;
  const LICE_pixel* bits = surface->getBits();
  const int span = surface->getRowSpan();
  const bool vertical = (m_flags & LICE_FONT_FLAG_VERTICAL) != 0;
  // vertical masks are built in a second buffer and transposed into place
  WDL_TypedBuf<unsigned char> upright;
  unsigned char* u = m;
  if (vertical)
  {
    u = upright.Resize(w * h);
    if (upright.GetSize() != w * h)
    {
      m_cachestore.Resize(offset, false);
      return false;
    }
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) u[y * w + x] = static_cast<unsigned char>(LICE_GETR(bits[y * span + x]));
  if (m_flags & LICE_FONT_FLAG_FX_BLUR) blurMask(u, w, h);
  if (m_flags & LICE_FONT_FLAG_FX_INVERT)
    for (int i = 0; i < w * h; ++i) u[i] = static_cast<unsigned char>(255 - u[i]);
  int mw = w, mh = h;
  if (vertical)
  {
    // turned a quarter clockwise (top of the glyph to the right), or
    // anticlockwise with the bottom-up flag
    const bool up = (m_flags & LICE_FONT_FLAG_VERTICAL_BOTTOMUP) != 0;
    mw = h;
    mh = w;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
      {
        const int tx = up ? y : h - 1 - y, ty = up ? w - 1 - x : x;
        m[ty * mw + tx] = u[y * w + x];
      }
  }
  if (m_flags & kFxFlags) monoMask(m, mw, mh, m_flags);
  g->base_offset = offset + 1;
  g->width = mw;
  g->height = mh;
  g->advance = advance;
  return true;
}

const LICE_CachedFont::glyphEnt* LICE_CachedFont::glyphFor(unsigned short c)
{
  glyphEnt* g = findGlyph(c);
  if (!g) return nullptr;
  if (!g->base_offset && !renderGlyph(c)) return nullptr;
  g = findGlyph(c);
  return g && g->base_offset > 0 ? g : nullptr;
}

template <class NewLine, class Glyph>
bool LICE_CachedFont::forEachGlyph(const char* str, int byteCount, bool singleLine, NewLine&& newLine, Glyph&& glyph)
{
  bool any = false;
  forEachChar(str, byteCount, [&](unsigned int code) {
    if (code == '\r') return;
    if (code == '\n')
    {
      if (!singleLine)
      {
        any = true;
        newLine();
        return;
      }
      code = ' ';
    }
    if (code > 0xFFFF) return;
    const glyphEnt* g = glyphFor(static_cast<unsigned short>(code));
    if (!g) return;
    any = true;
    glyph(*g);
  });
  return any;
}

void LICE_CachedFont::measure(const char* str, int byteCount, bool singleLine, int* along, int* across)
{
  const bool vertical = (m_flags & LICE_FONT_FLAG_VERTICAL) != 0;
  int pos = 0, widest = 0, lineStart = 0, tallest = 0;
  const bool any = forEachGlyph(
    str, byteCount, singleLine,
    [&] {
      if (pos > widest) widest = pos;
      pos = 0;
      lineStart += m_line_height + m_lsadj;
      tallest = 0;
    },
    [&](const glyphEnt& g) {
      pos += g.advance;
      const int extent = vertical ? g.width : g.height;
      if (extent > tallest) tallest = extent;
    });
  if (pos > widest) widest = pos;
  *along = widest;
  *across = any ? lineStart + tallest : 0;
}

void LICE_CachedFont::drawGlyph(LICE_IBitmap* bm, const glyphEnt& g, int x, int y, const RECT& clip, int weight)
{
  int64_t x0 = x, y0 = y, x1 = static_cast<int64_t>(x) + g.width, y1 = static_cast<int64_t>(y) + g.height;
  if (x0 < clip.left) x0 = clip.left;
  if (y0 < clip.top) y0 = clip.top;
  if (x1 > clip.right) x1 = clip.right;
  if (y1 > clip.bottom) y1 = clip.bottom;
  if (x0 >= x1 || y0 >= y1) return;
  LICE_Surface s;
  if (!LICE_GetSurface(bm, &s)) return;
  const int cw = static_cast<int>(x1 - x0), ch = static_cast<int>(y1 - y0);
  if (m_bgmode == OPAQUE)
    LICE_FillRect(bm, static_cast<int>(x0), static_cast<int>(y0), cw, ch, m_bg, m_alpha,
                  m_comb & ~LICE_FLAG_SOURCE_ALPHA);

  const unsigned char* mask = m_cachestore.Get() + (g.base_offset - 1) + (y0 - y) * g.width + (x0 - x);
  const bool copyFull = weight == 256 && (m_comb & LICE_MODE_MASK) == LICE_MODE_COPY;
  // each row of the clipped cell: f(pixel, coverage)
  auto cells = [&](auto&& f) {
    for (int j = 0; j < ch; ++j)
    {
      LICE_pixel* p = s.at(static_cast<int>(x0), static_cast<int>(y0) + j);
      const unsigned char* mr = mask + j * g.width;
      for (int i = 0; i < cw; ++i)
        if (mr[i]) f(p + i, mr[i]);
    }
  };
  if (m_flags & kFxFlags)
  {
    // ink (255) in the text colour; shadow and outline marks (128) in the
    // effect colour
    for (int pass = 0; pass < 2; ++pass)
    {
      const unsigned char want = pass ? 128 : 255;
      const LICE_pixel colour = pass ? m_effectcol : m_fg;
      if (copyFull)
        cells([&](LICE_pixel* p, int k) {
          if (k == want) *p = colour;
        });
      else
        LICE_WithPlot(m_comb, weight, false, colour, [&](const auto& plot) {
          cells([&](LICE_pixel* p, int k) {
            if (k == want) plot(p, weight);
          });
        });
    }
    return;
  }
  const int r = static_cast<int>(LICE_GETR(m_fg)), gr = static_cast<int>(LICE_GETG(m_fg)),
            b = static_cast<int>(LICE_GETB(m_fg));
  if (copyFull)
  {
    // anti-aliased edges blend into the background; alpha moves toward 255
    cells([&](LICE_pixel* p, int k) {
      _LICE_CombinePixelsCopySourceAlphaIgnoreAlphaParmNoClamp::doPix(reinterpret_cast<LICE_pixel_chan*>(p), r, gr,
                                                                      b, k, 256);
    });
    return;
  }
  LICE_WithPlot(m_comb, weight, false, m_fg, [&](const auto& plot) {
    cells([&](LICE_pixel* p, int k) {
      const int kw = weight * k / 256;
      if (kw) plot(p, kw);
    });
  });
}

bool LICE_CachedFont::drawNative(LICE_IBitmap* bm, const char* str, int byteCount, RECT* r, unsigned int flags,
                                 int* result)
{
  const int dtFlags = static_cast<int>(flags | DT_NOPREFIX);
  HDC dc = bm ? bm->getDC() : nullptr;
  if (flags & DT_CALCRECT)
  {
    // measuring needs any context with the font in it
    if (!dc)
    {
      LICE_SysBitmap* surface = glyphSurface(1, 1);
      dc = surface ? surface->getDC() : nullptr;
    }
    if (!dc) return false;
    HGDIOBJ old = SelectObject(dc, m_font);
    *result = SWELL_DrawText(dc, str, byteCount, r, dtFlags);
    SelectObject(dc, old);
    return true;
  }
  if (dc)
  {
    HGDIOBJ old = SelectObject(dc, m_font);
    ::SetTextColor(dc, platformColour(m_fg));
    ::SetBkMode(dc, m_bgmode);
    if (m_bgmode == OPAQUE) ::SetBkColor(dc, platformColour(m_bg));
    *result = SWELL_DrawText(dc, str, byteCount, r, dtFlags);
    SelectObject(dc, old);
    return true;
  }

  // A bitmap without a context: the target area is copied into the scratch
  // surface, drawn there and copied back with the combine mode and weight.
  LICE_Surface s;
  if (!LICE_GetSurface(bm, &s)) return false;
  int64_t l = 0, t = 0, rr = s.width, bb = s.height;
  if (!(flags & DT_NOCLIP))
  {
    if (r->left > l) l = r->left;
    if (r->top > t) t = r->top;
    if (r->right < rr) rr = r->right;
    if (r->bottom < bb) bb = r->bottom;
  }
  *result = 0;
  if (l >= rr || t >= bb) return true;
  const int aw = static_cast<int>(rr - l), ah = static_cast<int>(bb - t);
  LICE_SysBitmap* scratch = scratchSurface();
  if (scratch->getWidth() < aw || scratch->getHeight() < ah)
    scratch->resize(scratch->getWidth() > aw ? scratch->getWidth() : aw,
                    scratch->getHeight() > ah ? scratch->getHeight() : ah);
  HDC sdc = scratch->getDC();
  if (!sdc) return true;
  LICE_Blit(scratch, bm, 0, 0, static_cast<int>(l), static_cast<int>(t), aw, ah, 1.0f, LICE_MODE_COPY);
  RECT shifted = {static_cast<int>(r->left - l), static_cast<int>(r->top - t), static_cast<int>(r->right - l),
                  static_cast<int>(r->bottom - t)};
  HGDIOBJ old = SelectObject(sdc, m_font);
  ::SetTextColor(sdc, platformColour(m_fg));
  ::SetBkMode(sdc, m_bgmode);
  if (m_bgmode == OPAQUE) ::SetBkColor(sdc, platformColour(m_bg));
  *result = SWELL_DrawText(sdc, str, byteCount, &shifted, dtFlags);
  SelectObject(sdc, old);
  LICE_Blit(bm, scratch, static_cast<int>(l), static_cast<int>(t), 0, 0, aw, ah, m_alpha, m_comb);
  return true;
}

int LICE_CachedFont::DrawText(LICE_IBitmap* bm, const char* str, int byteCount, RECT* r, unsigned int flags)
{
  if (!str || !r) return 0;
  if (!bm && !(flags & DT_CALCRECT)) return 0;
  const bool native = (m_flags & LICE_FONT_FLAG_FORCE_NATIVE) && m_font && !(flags & kDrawOnlyFlags) &&
                      !(m_flags & kGlyphOnlyFlags) && (!m_lsadj || (flags & DT_SINGLELINE));
  if (native)
  {
    int result = 0;
    if (drawNative(bm, str, byteCount, r, flags, &result)) return result;
    return 0;
  }
  flags &= ~static_cast<unsigned int>(LICE_DT_NEEDALPHA);
  const bool vertical = (m_flags & LICE_FONT_FLAG_VERTICAL) != 0;
  const bool singleLine = (flags & DT_SINGLELINE) != 0;

  if (flags & DT_CALCRECT)
  {
    int along, across;
    measure(str, byteCount, singleLine, &along, &across);
    r->right = r->left + (vertical ? across : along);
    r->bottom = r->top + (vertical ? along : across);
    return across;
  }

  float alpha = m_alpha;
  if (flags & LICE_DT_USEFGALPHA) alpha *= LICE_GETA(m_fg) / 255.0f;
  const int weight = LICE_WeightFromAlpha(alpha);
  if (!weight) return 0;

  int x = r->left, y = r->top;
  if (flags & (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM))
  {
    int along, across;
    measure(str, byteCount, singleLine, &along, &across);
    const int tw = vertical ? across : along, th = vertical ? along : across;
    if (flags & DT_CENTER) x = r->left + (r->right - r->left - tw) / 2;
    else if (flags & DT_RIGHT) x = r->right - tw;
    if (flags & DT_VCENTER) y = r->top + (r->bottom - r->top - th) / 2;
    else if (flags & DT_BOTTOM) y = r->bottom - th;
  }

  RECT clip = {0, 0, bm->getWidth(), bm->getHeight()};
  if (!(flags & DT_NOCLIP))
  {
    if (r->left > clip.left) clip.left = r->left;
    if (r->top > clip.top) clip.top = r->top;
    if (r->right < clip.right) clip.right = r->right;
    if (r->bottom < clip.bottom) clip.bottom = r->bottom;
  }
  if (clip.left >= clip.right || clip.top >= clip.bottom || x >= clip.right || y >= clip.bottom) return 0;

  const int lineStep = m_line_height + m_lsadj;
  int px = x, py = y, lineStart = 0, tallest = 0;
  const bool any = forEachGlyph(
    str, byteCount, singleLine,
    [&] {
      lineStart += lineStep;
      tallest = 0;
      if (vertical)
      {
        py = y;
        px = x + lineStart;
      }
      else
      {
        px = x;
        py = y + lineStart;
      }
    },
    [&](const glyphEnt& g) {
      drawGlyph(bm, g, px, py, clip, weight);
      if (vertical) py += g.advance;
      else px += g.advance;
      const int extent = vertical ? g.width : g.height;
      if (extent > tallest) tallest = extent;
    });
  return any ? lineStart + tallest : 0;
}
