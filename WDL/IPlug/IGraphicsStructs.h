// Small value records shared by the whole editor framework: rectangles,
// colours, blends, text styles, film-strip bitmap handles and mouse
// modifiers. All are plain values, copied freely. [any thread]
#ifndef IPLUG_IGRAPHICSSTRUCTS_H_
#define IPLUG_IGRAPHICSSTRUCTS_H_

#include <algorithm>
#include <cstring>

class LICE_IBitmap;
class LICE_IFont;

// Integer rectangle in editor pixels: L and T inclusive, R and B exclusive,
// y growing downwards. The all-zero rectangle is empty and meets nothing; no
// other rectangle counts as empty, even when R <= L.
struct IRECT
{
  int L, T, R, B;

  IRECT() : L(0), T(0), R(0), B(0) {}
  IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  void Clear() { L = T = R = B = 0; }
  int W() const { return R - L; }
  int H() const { return B - T; }
  float MW() const { return 0.5f * (float)(L + R); }
  float MH() const { return 0.5f * (float)(T + B); }

  bool operator==(const IRECT& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  bool operator!=(const IRECT& o) const { return !(*this == o); }

  // Both non-empty and overlapping; touching at this->R == o.L counts, at
  // this->L == o.R does not.
  bool Intersects(const IRECT& o) const
  {
    return !Empty() && !o.Empty() && L < o.R && R >= o.L && T < o.B && B >= o.T;
  }
  bool Contains(int x, int y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }
  // Smallest rectangle holding both; an empty side takes the other.
  IRECT Union(const IRECT& o) const
  {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return IRECT(std::min(L, o.L), std::min(T, o.T), std::max(R, o.R), std::max(B, o.B));
  }
  // The overlap when the two intersect, else the empty rectangle.
  IRECT Intersect(const IRECT& o) const
  {
    if (!Intersects(o)) return IRECT();
    return IRECT(std::max(L, o.L), std::max(T, o.T), std::min(R, o.R), std::min(B, o.B));
  }
};

// Colour with channels 0..255, not premultiplied.
struct IColor
{
  int A, R, G, B;
  IColor(int a = 255, int r = 0, int g = 0, int b = 0) : A(a), R(r), G(g), B(b) {}
  bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
  bool operator!=(const IColor& o) const { return !(*this == o); }
};

// The image engine's pixel of a colour: bytes A, R, G, B in memory.
inline unsigned int IColorToPixel(const IColor& c)
{
  return (unsigned int)(c.A & 0xFF) | (unsigned int)(c.R & 0xFF) << 8 | (unsigned int)(c.G & 0xFF) << 16 |
         (unsigned int)(c.B & 0xFF) << 24;
}
// The colour of an image-engine pixel.
inline IColor IColorFromPixel(unsigned int p)
{
  return IColor((int)(p & 0xFF), (int)((p >> 8) & 0xFF), (int)((p >> 16) & 0xFF), (int)((p >> 24) & 0xFF));
}

const IColor COLOR_TRANSPARENT(0, 0, 0, 0);
const IColor COLOR_BLACK(255, 0, 0, 0);
const IColor COLOR_GRAY(255, 127, 127, 127);
const IColor COLOR_WHITE(255, 255, 255, 255);
const IColor COLOR_RED(255, 255, 0, 0);
const IColor COLOR_GREEN(255, 0, 255, 0);
const IColor COLOR_BLUE(255, 0, 0, 255);
const IColor COLOR_YELLOW(255, 255, 255, 0);
const IColor COLOR_ORANGE(255, 255, 127, 0);
const IColor DEFAULT_TEXT_COLOR = COLOR_BLACK;
const IColor DEFAULT_TEXT_ENTRY_BGCOLOR = COLOR_WHITE;
const IColor DEFAULT_TEXT_ENTRY_FGCOLOR = COLOR_BLACK;

// How a drawing is combined with the bitmap beneath: method and weight 0..1.
struct IChannelBlend
{
  enum EBlendMethod
  {
    kBlendDefault = 0,  // copy with source alpha
    kBlendClobber = 1,  // plain copy
    kBlendAdd = 2,
    kBlendDodge = 3
  };
  int mMethod;
  float mWeight;
  IChannelBlend(int method = kBlendDefault, float weight = 1.0f) : mMethod(method), mWeight(weight) {}
};

// Image-engine mode word of a blend for bitmaps, fills, circles and points;
// a null blend or an unknown method acts as kBlendDefault.
int LiceBlendMode(const IChannelBlend* blend);
// Mode word of a blend for lines (no source-alpha flag).
int LiceLineMode(const IChannelBlend* blend);
// Weight of a blend (1.0 for null).
inline float LiceWeight(const IChannelBlend* blend) { return blend ? blend->mWeight : 1.0f; }

// Text style, copied by value into every control that draws text.
struct IText
{
  enum EStyle { kStyleNormal = 0, kStyleBold = 1, kStyleItalic = 2 };
  enum EAlign { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };
  enum EQuality { kQualityDefault = 0, kQualityNonAntiAliased = 1, kQualityAntiAliased = 2, kQualityClearType = 3 };

  char mFont[32];             // face name, NUL-terminated
  int mSize;                  // wanted line height in pixels
  IColor mColor;              // text colour
  IColor mTextEntryBGColor;   // background of the platform entry field
  IColor mTextEntryFGColor;   // text colour of the platform entry field
  int mStyle;                 // EStyle
  int mAlign;                 // EAlign
  int mOrientation;           // degrees
  int mQuality;               // EQuality
  LICE_IFont* mCached;        // resolved font; owned by the font cache

  IText(int size = 10, const IColor* color = nullptr, const char* font = nullptr, int style = kStyleNormal,
        int align = kAlignCenter, int orientation = 0, int quality = kQualityDefault,
        const IColor* textEntryBGColor = nullptr, const IColor* textEntryFGColor = nullptr)
      : mSize(size), mColor(color ? *color : DEFAULT_TEXT_COLOR),
        mTextEntryBGColor(textEntryBGColor ? *textEntryBGColor : DEFAULT_TEXT_ENTRY_BGCOLOR),
        mTextEntryFGColor(textEntryFGColor ? *textEntryFGColor : DEFAULT_TEXT_ENTRY_FGCOLOR), mStyle(style),
        mAlign(align), mOrientation(orientation), mQuality(quality), mCached(nullptr)
  {
    std::memset(mFont, 0, sizeof(mFont));
    std::strncpy(mFont, font ? font : "Monaco", sizeof(mFont) - 1);
  }
};

// Handle of a film strip: N frames of equal size stacked top to bottom (or
// side by side with mHorizontalFrames). W and H are the whole image's size.
// The image belongs to the process-wide bitmap cache.
struct IBitmap
{
  LICE_IBitmap* mData;
  int W, H, N;
  bool mHorizontalFrames;

  IBitmap(LICE_IBitmap* data = nullptr, int w = 0, int h = 0, int n = 1, bool horizontal = false)
      : mData(data), W(w), H(h), N(n), mHorizontalFrames(horizontal)
  {
  }
  // Width and height of one frame in pixels.
  int FrameWidth() const { return (mHorizontalFrames && N > 0) ? W / N : W; }
  int FrameHeight() const { return (!mHorizontalFrames && N > 0) ? H / N : H; }
  // Source offset of frame i (1-based) along the strip, rounded to the
  // nearest pixel.
  int FrameOffset(int i) const
  {
    if (N < 2 || i <= 1) return 0;
    const double extent = mHorizontalFrames ? (double)W : (double)H;
    return (int)((double)(i - 1) * extent / (double)N + 0.5);
  }
};

// Mouse modifiers, filled by the platform view.
struct IMouseMod
{
  bool Left;   // left button
  bool Right;  // right button, or left button with the command key
  bool Shift, Ctrl, Alt;
  IMouseMod(bool l = false, bool r = false, bool s = false, bool c = false, bool a = false)
      : Left(l), Right(r), Shift(s), Ctrl(c), Alt(a)
  {
  }
};

// File prompts: open or save.
enum EFileAction
{
  kFileOpen = 0,
  kFileSave = 1
};

// Knob and fader drag direction.
enum EDirection
{
  kDirVertical = 0,
  kDirHorizontal = 1
};

#endif
