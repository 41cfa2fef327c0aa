// Editor core: the process-wide bitmap and font caches, bitmap loading and
// the drawing primitives, each mapped onto one image-engine call.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "IGraphics.h"
#include "IGraphicsScale.h"
#include "IScaledImageName.h"
#include "lice.h"
#include "swell.h"

namespace
{
// Decoded images, shared by every editor of the process and deleted at exit.
class BitmapStorage
{
public:
  BitmapStorage() : mEntries(4096) {}
  ~BitmapStorage()
  {
    for (int i = mEntries.GetSize() - 1; i >= 0; --i)
    {
      delete mEntries.Get(i)->mBitmap;
      mEntries.Delete(i, true);
    }
  }
  BitmapStorage(const BitmapStorage&) = delete;
  BitmapStorage& operator=(const BitmapStorage&) = delete;

  // First bitmap cached under ID for scale, or null. Caller holds mMutex.
  LICE_IBitmap* Find(int ID, double scale = 1.0)
  {
    const int n = mEntries.GetSize();
    for (int i = 0; i < n; ++i)
      if (mEntries.Get(i)->mID == ID && mEntries.Get(i)->mScale == scale) return mEntries.Get(i)->mBitmap;
    return nullptr;
  }
  // Takes ownership of bitmap. Caller holds mMutex.
  void Add(LICE_IBitmap* bitmap, int ID, double scale = 1.0)
  {
    if (!bitmap) return;
    if (!mEntries.Add(new Entry{ID, scale, bitmap}))
    {
      // Without room in the list the bitmap stays with the caller's handle
      // and is never freed; better than freeing an image still drawn.
      return;
    }
  }
  // Removes and deletes the first entry holding bitmap. Caller holds mMutex.
  void Remove(LICE_IBitmap* bitmap)
  {
    const int n = mEntries.GetSize();
    for (int i = 0; i < n; ++i)
    {
      if (mEntries.Get(i)->mBitmap == bitmap)
      {
        delete bitmap;
        mEntries.Delete(i, true);
        return;
      }
    }
  }

  WDL_Mutex mMutex;

private:
  struct Entry
  {
    int mID;
    double mScale;          // the display scale the image was drawn for
    LICE_IBitmap* mBitmap;  // owned
  };
  WDL_PtrList<Entry> mEntries;
};

// Flags of the editor's cached fonts: they own their platform font and let
// the platform draw straight into the off-screen bitmap's drawing context.
constexpr int kEditorFontFlags = LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FORCE_NATIVE;

// Fonts, one per (size, orientation, style, face), shared by every editor.
class FontStorage
{
public:
  // A cached font made and deleted once brings the platform's text records
  // (locks, pools, the glyph surface) into being before this cache is
  // complete, so that they are torn down after the fonts deleted at exit.
  FontStorage() : mEntries(4096)
  {
    LICE_CachedFont warmUp;
    warmUp.SetFromHFont(CreateFont(10, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Monaco"), kEditorFontFlags);
  }
  ~FontStorage()
  {
    for (int i = mEntries.GetSize() - 1; i >= 0; --i)
    {
      delete mEntries.Get(i)->mCachedFont;
      mEntries.Delete(i, true);
    }
  }
  FontStorage(const FontStorage&) = delete;
  FontStorage& operator=(const FontStorage&) = delete;

  // Caller holds mMutex.
  LICE_CachedFont* Find(const IText* text)
  {
    const int n = mEntries.GetSize();
    for (int i = 0; i < n; ++i)
    {
      const Entry* e = mEntries.Get(i);
      if (e->mSize == text->mSize && e->mOrientation == text->mOrientation && e->mStyle == text->mStyle &&
          !std::strncmp(e->mFace, text->mFont, sizeof(e->mFace)))
        return e->mCachedFont;
    }
    return nullptr;
  }
  // Takes ownership of font; false (font not taken) when the list cannot grow.
  bool Add(LICE_CachedFont* font, const IText* text)
  {
    Entry* e = new Entry;
    e->mSize = text->mSize;
    e->mOrientation = text->mOrientation;
    e->mStyle = text->mStyle;
    std::memcpy(e->mFace, text->mFont, sizeof(e->mFace));
    e->mFace[sizeof(e->mFace) - 1] = 0;
    e->mCachedFont = font;
    if (mEntries.Add(e)) return true;
    delete e;
    return false;
  }

  WDL_Mutex mMutex;

private:
  struct Entry
  {
    int mSize, mOrientation, mStyle;
    char mFace[32];
    LICE_CachedFont* mCachedFont;  // owned
  };
  WDL_PtrList<Entry> mEntries;
};

BitmapStorage& BitmapCache()
{
  static BitmapStorage s_bitmapCache;
  return s_bitmapCache;
}

FontStorage& FontCache()
{
  static FontStorage s_fontCache;
  return s_fontCache;
}

RECT ToRECT(const IRECT& r) { return RECT{r.L, r.T, r.R, r.B}; }

// A copy of src's frames, each resampled (filtered) to its size at scale on
// its own so that neighbouring frames never bleed into each other; null
// when src has no pixels.
LICE_IBitmap* ResampleFrames(LICE_IBitmap* src, int nFrames, bool horizontal, double scale)
{
  if (!src || nFrames < 1) return nullptr;
  const int w = src->getWidth(), h = src->getHeight();
  const int fw = horizontal ? w / nFrames : w, fh = horizontal ? h : h / nFrames;
  const int sw = ScaleCoord(fw, scale), sh = ScaleCoord(fh, scale);
  if (fw <= 0 || fh <= 0 || sw <= 0 || sh <= 0) return nullptr;
  LICE_MemBitmap* dest = new LICE_MemBitmap(horizontal ? sw * nFrames : sw, horizontal ? sh : sh * nFrames, 4);
  for (int i = 0; i < nFrames; ++i)
  {
    const int dx = horizontal ? i * sw : 0, dy = horizontal ? 0 : i * sh;
    const int sx = horizontal ? i * fw : 0, sy = horizontal ? 0 : i * fh;
    LICE_ScaledBlit(dest, src, dx, dy, sw, sh, (float)sx, (float)sy, (float)fw, (float)fh, 1.0f,
                    LICE_MODE_COPY | LICE_FLAG_FILTER);
  }
  return dest;
}
}  // namespace

// One image an editor draws: the scale-1 bitmap its controls hold and the
// one drawn for the editor's scale.
struct IGraphicsScaledImage
{
  int mID;                // -1 for bitmaps made by CropBitmap / ScaleBitmap
  std::string mName;      // the scale-1 file; "" when made in memory
  IBitmap mSource;        // scale 1, as LoadIBitmap returned it
  IBitmap mScaled;        // at mScale (mData null until opened)
  double mScale;          // scale of mScaled; 0 before it is opened
  LICE_IBitmap* mOwned;   // a resampled image of a bitmap made in memory; owned
};

// ---------------------------------------------------------------------------
// Bitmaps

IBitmap IGraphics::LoadIBitmap(int ID, const char* name, int nStates, bool framesAreHorizontal)
{
  if (nStates <= 0) nStates = 1;
  LICE_IBitmap* bitmap = nullptr;
  {
    BitmapStorage& cache = BitmapCache();
    WDL_MutexLock lock(&cache.mMutex);
    bitmap = cache.Find(ID);
    if (!bitmap)
    {
      bitmap = OSLoadBitmap(ID, name);
      // A missing image is not cached, so that no later lookup mistakes the
      // failure for an image; the handle has no image and draws nothing.
      if (!bitmap) return IBitmap(nullptr, 0, 0, nStates, framesAreHorizontal);
      cache.Add(bitmap, ID);
    }
  }
  IBitmap out(bitmap, bitmap->getWidth(), bitmap->getHeight(), nStates, framesAreHorizontal);
  // The editor remembers what it draws so that it can open each image's
  // file for a scale (now, or when the scale changes).
  for (int i = 0; i < mImages.GetSize(); ++i)
    if (mImages.Get(i)->mSource.mData == bitmap && mImages.Get(i)->mSource.N == nStates) return out;
  IGraphicsScaledImage* entry = new IGraphicsScaledImage{ID, name ? name : "", out, IBitmap(), 0.0, nullptr};
  if (!mImages.Add(entry))
  {
    delete entry;
    return out;
  }
  if (mScale != 1.0) OpenScaledImage(entry);
  return out;
}

void IGraphics::ForgetImages()
{
  for (int i = mImages.GetSize() - 1; i >= 0; --i)
  {
    delete mImages.Get(i)->mOwned;
    mImages.Delete(i, true);
  }
}

void IGraphics::OpenScaledImage(IGraphicsScaledImage* entry)
{
  if (entry->mScale == mScale) return;
  const IBitmap& src = entry->mSource;
  entry->mScale = mScale;
  entry->mScaled = IBitmap(nullptr, 0, 0, src.N, src.mHorizontalFrames);
  if (mScale == 1.0 || !src.mData)
  {
    entry->mScaled = src;
    return;
  }
  // The generator's contract: every frame's width and height at scale s is
  // round(d * s), the number of frames unchanged.
  const int frameW = ScaleCoord(src.FrameWidth(), mScale), frameH = ScaleCoord(src.FrameHeight(), mScale);
  const int wantW = src.mHorizontalFrames ? frameW * src.N : frameW;
  const int wantH = src.mHorizontalFrames ? frameH : frameH * src.N;
  BitmapStorage& cache = BitmapCache();
  WDL_MutexLock lock(&cache.mMutex);
  LICE_IBitmap* bitmap = entry->mID >= 0 ? cache.Find(entry->mID, mScale) : nullptr;
  if (!bitmap && entry->mID >= 0 && !entry->mName.empty())
  {
    bitmap = OSLoadBitmap(entry->mID, ScaledImageName(entry->mName, mScale).c_str());
    if (bitmap && (bitmap->getWidth() != wantW || bitmap->getHeight() != wantH))
    {
      delete bitmap;  // drawn for another layout: resampled below instead
      bitmap = nullptr;
    }
    if (bitmap) cache.Add(bitmap, entry->mID, mScale);
  }
  if (!bitmap)
  {
    // No file for this scale: the scale-1 image resampled, cached under the
    // image's ID for every editor of the process; one made in memory (no
    // ID) belongs to this editor alone, which resamples it once per scale.
    bitmap = ResampleFrames(src.mData, src.N, src.mHorizontalFrames, mScale);
    if (!bitmap) return;
    if (entry->mID >= 0)
    {
      cache.Add(bitmap, entry->mID, mScale);
    }
    else
    {
      delete entry->mOwned;
      entry->mOwned = bitmap;
    }
  }
  entry->mScaled = IBitmap(bitmap, bitmap->getWidth(), bitmap->getHeight(), src.N, src.mHorizontalFrames);
}

IBitmap IGraphics::ScaledBitmap(const IBitmap& bitmap)
{
  if (mScale == 1.0 || !bitmap.mData) return bitmap;
  for (int i = 0; i < mImages.GetSize(); ++i)
  {
    IGraphicsScaledImage* entry = mImages.Get(i);
    if (entry->mSource.mData != bitmap.mData || entry->mSource.N != bitmap.N) continue;
    if (entry->mScale != mScale) OpenScaledImage(entry);
    return entry->mScaled;
  }
  // A bitmap made in memory (cropped, scaled) or shared from another
  // editor: resampled once and remembered.
  IGraphicsScaledImage* entry = new IGraphicsScaledImage{-1, "", bitmap, IBitmap(), 0.0, nullptr};
  if (!mImages.Add(entry))
  {
    delete entry;
    return IBitmap(nullptr, 0, 0, bitmap.N, bitmap.mHorizontalFrames);
  }
  OpenScaledImage(entry);
  return entry->mScaled;
}

size_t IGraphics::ImageBytes() const
{
  size_t bytes = 0;
  for (int i = 0; i < mImages.GetSize(); ++i)
  {
    const IGraphicsScaledImage* entry = mImages.Get(i);
    const IBitmap& b = entry->mScale == mScale ? entry->mScaled : entry->mSource;
    bool counted = false;
    for (int j = 0; j < i && !counted; ++j)
    {
      const IGraphicsScaledImage* other = mImages.Get(j);
      counted = (other->mScale == mScale ? other->mScaled : other->mSource).mData == b.mData;
    }
    if (!counted && b.mData) bytes += (size_t)b.W * (size_t)b.H * 4;
  }
  return bytes;
}

IBitmap IGraphics::CropBitmap(IBitmap* src, IRECT* r)
{
  const int w = r->W(), h = r->H();
  if (!src->mData || w <= 0 || h <= 0) return IBitmap(nullptr, 0, 0, src->N, false);
  LICE_MemBitmap* dest = new LICE_MemBitmap(w, h, 4);
  LICE_Blit(dest, src->mData, 0, 0, r->L, r->T, w, h, 1.0f, LICE_MODE_COPY);
  IBitmap out(dest, w, h, src->N, false);
  RetainBitmap(&out);
  return out;
}

IBitmap IGraphics::ScaleBitmap(IBitmap* src, int destW, int destH)
{
  if (!src->mData || destW <= 0 || destH <= 0) return IBitmap(nullptr, 0, 0, src->N, false);
  LICE_MemBitmap* dest = new LICE_MemBitmap(destW, destH, 4);
  LICE_ScaledBlit(dest, src->mData, 0, 0, destW, destH, 0.0f, 0.0f, (float)src->W, (float)src->H, 1.0f,
                  LICE_MODE_COPY | LICE_FLAG_FILTER);
  IBitmap out(dest, destW, destH, src->N, false);
  RetainBitmap(&out);
  return out;
}

void IGraphics::RetainBitmap(IBitmap* bitmap)
{
  if (!bitmap || !bitmap->mData) return;
  BitmapStorage& cache = BitmapCache();
  WDL_MutexLock lock(&cache.mMutex);
  cache.Add(bitmap->mData, -1);
}

void IGraphics::ReleaseBitmap(IBitmap* bitmap)
{
  if (!bitmap || !bitmap->mData) return;
  BitmapStorage& cache = BitmapCache();
  WDL_MutexLock lock(&cache.mMutex);
  cache.Remove(bitmap->mData);
}

// ---------------------------------------------------------------------------
// Bitmap drawing

bool IGraphics::BlitClipped(LICE_IBitmap* src, IRECT* dest, int srcX, int srcY, const IChannelBlend* blend)
{
  if (!src || !dest) return true;
  const IRECT clip = dest->Intersect(mDrawRECT);
  if (clip.Empty()) return true;
  LICE_Blit(mDrawBitmap, src, clip.L, clip.T, srcX + clip.L - dest->L, srcY + clip.T - dest->T, clip.W(), clip.H(),
            LiceWeight(blend), LiceBlendMode(blend));
  return true;
}

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY, const IChannelBlend* blend)
{
  if (!bitmap || !dest || mScale == 1.0) return BlitClipped(bitmap ? bitmap->mData : nullptr, dest, srcX, srcY, blend);
  const IBitmap scaled = ScaledBitmap(*bitmap);
  IRECT d = PlacedRECT(*dest);
  return BlitClipped(scaled.mData, &d, S(srcX), S(srcY), blend);
}

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int frame, const IChannelBlend* blend)
{
  if (!bitmap || !dest) return true;
  // Frame offsets come from the strip drawn at the scale: its frames have
  // their own rounded size, not the scale-1 offset times the scale.
  const IBitmap scaled = ScaledBitmap(*bitmap);
  const int offset = scaled.FrameOffset(frame);
  const int srcX = scaled.mHorizontalFrames ? offset : 0;
  const int srcY = scaled.mHorizontalFrames ? 0 : offset;
  IRECT d = PlacedRECT(*dest);
  return BlitClipped(scaled.mData, &d, srcX, srcY, blend);
}

bool IGraphics::DrawRotatedBitmap(IBitmap* bitmap, int destCtrX, int destCtrY, double angle, int yOffsetZeroDeg,
                                  const IChannelBlend* blend)
{
  if (!bitmap || !bitmap->mData) return true;
  const IBitmap scaled = ScaledBitmap(*bitmap);
  if (!scaled.mData) return true;
  const int W = scaled.W, H = scaled.H;
  destCtrX = S(destCtrX);
  destCtrY = S(destCtrY);
  LICE_RotatedBlit(mDrawBitmap, scaled.mData, destCtrX - W / 2, destCtrY - H / 2, W, H, 0.0f, 0.0f, (float)W,
                   (float)H, (float)angle, false, LiceWeight(blend), LiceBlendMode(blend) | LICE_FLAG_FILTER, 0.0f,
                   SF((float)yOffsetZeroDeg));
  return true;
}

bool IGraphics::DrawRotatedMask(IBitmap* base, IBitmap* mask, IBitmap* top, int x, int y, double angleDegrees,
                                const IChannelBlend* blend)
{
  if (!base || !base->mData || !mask || !top) return true;
  const IBitmap sBase = ScaledBitmap(*base), sMask = ScaledBitmap(*mask), sTop = ScaledBitmap(*top);
  if (!sBase.mData) return true;
  base = const_cast<IBitmap*>(&sBase);
  mask = const_cast<IBitmap*>(&sMask);
  top = const_cast<IBitmap*>(&sTop);
  x = S(x);
  y = S(y);
  const int w = base->W, h = base->H;
  if (!mTmpBitmap) mTmpBitmap = new LICE_MemBitmap(0, 0, 4);
  LICE_Copy(mTmpBitmap, base->mData);
  LICE_ClearRect(mTmpBitmap, 0, 0, w, h, 0xFFFFFF00u, 0);
  const float angle = (float)(angleDegrees * 3.14159265358979323846 / 180.0);
  const float centreX = (w & 1) ? -0.5f : 0.0f;
  LICE_RotatedBlit(mTmpBitmap, mask->mData, 0, 0, w, h, 0.0f, 0.0f, (float)w, (float)h, angle, true, 1.0f,
                   LICE_MODE_ADD | LICE_FLAG_FILTER | LICE_FLAG_SOURCE_ALPHA, centreX, 0.0f);
  LICE_RotatedBlit(mTmpBitmap, top->mData, 0, 0, w, h, 0.0f, 0.0f, (float)w, (float)h, angle, true, 1.0f,
                   LICE_MODE_COPY | LICE_FLAG_FILTER | LICE_FLAG_SOURCE_ALPHA, centreX, 0.0f);
  IRECT dest(x, y, x + w, y + h);
  return BlitClipped(mTmpBitmap, &dest, 0, 0, blend);
}

// ---------------------------------------------------------------------------
// Points, lines and shapes

bool IGraphics::DrawPoint(const IColor* color, float x, float y, const IChannelBlend* blend, bool)
{
  LICE_PutPixel(mDrawBitmap, (int)(SF(x) + 0.5f), (int)(SF(y) + 0.5f), IColorToPixel(*color), LiceWeight(blend),
                LiceBlendMode(blend));
  return true;
}

bool IGraphics::ForcePixel(const IColor* color, int x, int y)
{
  LICE_pixel* px = mDrawBitmap ? mDrawBitmap->getBits() : nullptr;
  if (!px) return true;
  px[(size_t)y * (size_t)mDrawBitmap->getRowSpan() + (size_t)x] = IColorToPixel(*color);
  return true;
}

IColor IGraphics::GetPoint(int x, int y) { return IColorFromPixel(LICE_GetPixel(mDrawBitmap, x, y)); }

unsigned int* IGraphics::GetBits() { return mDrawBitmap ? mDrawBitmap->getBits() : nullptr; }

bool IGraphics::DrawLine(const IColor* color, float x1, float y1, float x2, float y2, const IChannelBlend* blend,
                         bool antiAlias)
{
  LICE_Line(mDrawBitmap, (int)SF(x1), (int)SF(y1), (int)SF(x2), (int)SF(y2), IColorToPixel(*color),
            LiceWeight(blend), LiceLineMode(blend), antiAlias);
  return true;
}

bool IGraphics::DrawRadialLine(const IColor* color, float cx, float cy, float angle, float rMin, float rMax,
                               const IChannelBlend* blend, bool antiAlias)
{
  const float s = std::sin(angle), c = std::cos(angle);
  return DrawLine(color, cx + rMin * s, cy - rMin * c, cx + rMax * s, cy - rMax * c, blend, antiAlias);
}

bool IGraphics::DrawHorizontalLine(const IColor* color, int yi, int xLo, int xHi)
{
  LICE_Line(mDrawBitmap, S(xLo), S(yi), S(xHi), S(yi), IColorToPixel(*color), 1.0f, LICE_MODE_COPY, false);
  return true;
}

bool IGraphics::DrawHorizontalLine(const IColor* color, IRECT* r, float v)
{
  v = std::min(std::max(v, 0.0f), 1.0f);
  const int y = r->B - (int)((float)(r->B - r->T) * v);
  return DrawHorizontalLine(color, y, r->L, r->R);
}

bool IGraphics::DrawVerticalLine(const IColor* color, int xi, int yLo, int yHi)
{
  LICE_Line(mDrawBitmap, S(xi), S(yLo), S(xi), S(yHi), IColorToPixel(*color), 1.0f, LICE_MODE_COPY, false);
  return true;
}

bool IGraphics::DrawVerticalLine(const IColor* color, IRECT* r, float v)
{
  v = std::min(std::max(v, 0.0f), 1.0f);
  const int x = r->L + (int)((float)(r->R - r->L) * v);
  return DrawVerticalLine(color, x, r->T, r->B);
}

bool IGraphics::DrawRect(const IColor* color, IRECT* r)
{
  const LICE_pixel p = IColorToPixel(*color);
  const int l = S(r->L), t = S(r->T), rr = S(r->R), b = S(r->B);
  LICE_Line(mDrawBitmap, l, t, rr, t, p, 1.0f, LICE_MODE_COPY, false);
  LICE_Line(mDrawBitmap, l, b, rr, b, p, 1.0f, LICE_MODE_COPY, false);
  LICE_Line(mDrawBitmap, l, t, l, b, p, 1.0f, LICE_MODE_COPY, false);
  LICE_Line(mDrawBitmap, rr, t, rr, b, p, 1.0f, LICE_MODE_COPY, false);
  return true;
}

bool IGraphics::FillIRect(const IColor* color, IRECT* r, const IChannelBlend* blend)
{
  const IRECT d = PlacedRECT(*r);
  LICE_FillRect(mDrawBitmap, d.L, d.T, d.W(), d.H(), IColorToPixel(*color), LiceWeight(blend), LiceBlendMode(blend));
  return true;
}

bool IGraphics::FillIConvexPolygon(const IColor* color, int* x, int* y, int npoints, const IChannelBlend* blend)
{
  if (mScale == 1.0 || npoints <= 0 || !x || !y)
  {
    LICE_FillConvexPolygon(mDrawBitmap, x, y, npoints, IColorToPixel(*color), LiceWeight(blend), LiceBlendMode(blend));
    return true;
  }
  WDL_TypedBuf<int> xs, ys;
  int* px = xs.Resize(npoints, false);
  int* py = ys.Resize(npoints, false);
  if (!px || !py) return false;
  for (int i = 0; i < npoints; ++i)
  {
    px[i] = S(x[i]);
    py[i] = S(y[i]);
  }
  LICE_FillConvexPolygon(mDrawBitmap, px, py, npoints, IColorToPixel(*color), LiceWeight(blend), LiceBlendMode(blend));
  return true;
}

bool IGraphics::FillTriangle(const IColor* color, int x1, int y1, int x2, int y2, int x3, int y3,
                             const IChannelBlend* blend)
{
  LICE_FillTriangle(mDrawBitmap, S(x1), S(y1), S(x2), S(y2), S(x3), S(y3), IColorToPixel(*color), LiceWeight(blend),
                    LiceBlendMode(blend));
  return true;
}

bool IGraphics::FillCircle(const IColor* color, int cx, int cy, float r, const IChannelBlend* blend, bool antiAlias)
{
  LICE_FillCircle(mDrawBitmap, SF((float)cx), SF((float)cy), SF(r), IColorToPixel(*color), LiceWeight(blend),
                  LiceBlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::DrawCircle(const IColor* color, float cx, float cy, float r, const IChannelBlend* blend,
                           bool antiAlias)
{
  LICE_Circle(mDrawBitmap, SF(cx), SF(cy), SF(r), IColorToPixel(*color), LiceWeight(blend), LiceBlendMode(blend),
              antiAlias);
  return true;
}

bool IGraphics::DrawArc(const IColor* color, float cx, float cy, float r, float minAngle, float maxAngle,
                        const IChannelBlend* blend, bool antiAlias)
{
  LICE_Arc(mDrawBitmap, SF(cx), SF(cy), SF(r), minAngle, maxAngle, IColorToPixel(*color), LiceWeight(blend),
           LiceBlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::RoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend, int cornerRadius,
                          bool antiAlias)
{
  const IRECT d = PlacedRECT(*r);
  LICE_RoundRect(mDrawBitmap, (float)d.L, (float)d.T, (float)d.W(), (float)d.H(), S(cornerRadius),
                 IColorToPixel(*color), LiceWeight(blend), LiceBlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::FillRoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend, int cr, bool antiAlias)
{
  const LICE_pixel p = IColorToPixel(*color);
  const float weight = LiceWeight(blend);
  const int mode = LiceBlendMode(blend);
  IRECT placed = PlacedRECT(*r);
  r = &placed;
  cr = S(cr);
  const int w = r->W(), h = r->H();
  LICE_FillRect(mDrawBitmap, r->L + cr, r->T, w - 2 * cr, h, p, weight, mode);
  LICE_FillRect(mDrawBitmap, r->L, r->T + cr, cr, h - 2 * cr, p, weight, mode);
  LICE_FillRect(mDrawBitmap, r->R - cr, r->T + cr, cr, h - 2 * cr, p, weight, mode);
  LICE_FillCircle(mDrawBitmap, (float)(r->L + cr), (float)(r->T + cr), (float)cr, p, weight, mode, antiAlias);
  LICE_FillCircle(mDrawBitmap, (float)(r->R - cr - 1), (float)(r->B - cr - 1), (float)cr, p, weight, mode, antiAlias);
  LICE_FillCircle(mDrawBitmap, (float)(r->R - cr - 1), (float)(r->T + cr), (float)cr, p, weight, mode, antiAlias);
  LICE_FillCircle(mDrawBitmap, (float)(r->L + cr), (float)(r->B - cr - 1), (float)cr, p, weight, mode, antiAlias);
  return true;
}

// ---------------------------------------------------------------------------
// Text

bool IGraphics::MeasureIText(IText* text, char* str, IRECT* r) { return DrawIText(text, str, r, true); }

bool IGraphics::DrawIText(IText* text, char* str, IRECT* r, bool measure)
{
  if (!str || !*str) return true;
  LICE_IFont* font = nullptr;
  if (mScale == 1.0)
  {
    font = text->mCached ? text->mCached : CacheFont(text);
  }
  else
  {
    // The style's font at the scaled size, from the same cache (the
    // style's own cached font stays its scale-1 one).
    IText scaled = *text;
    scaled.mSize = std::max(S(text->mSize), 2);
    scaled.mCached = nullptr;
    font = CacheFont(&scaled);
  }
  if (!font) return false;

  font->SetTextColor(IColorToPixel(text->mColor));
  unsigned int flags = DT_NOCLIP;
  if (text->mColor.A != 255) flags |= LICE_DT_USEFGALPHA;
  if (text->mAlign == IText::kAlignCenter)
    flags |= DT_CENTER;
  else if (text->mAlign != IText::kAlignNear)
    flags |= DT_RIGHT;

  if (!measure)
  {
    RECT box = ToRECT(mScale == 1.0 ? *r : IRECT(S(r->L), S(r->T), S(r->R), S(r->B)));
    font->DrawText(mDrawBitmap, str, -1, &box, flags);
    return true;
  }
  RECT box = {0, 0, 0, 0};
  font->DrawText(mDrawBitmap, str, -1, &box, flags | DT_CALCRECT);
  // Measured in device pixels, reported in logical ones (rounded up).
  const int w = (int)std::ceil((box.right - box.left) / mScale), h = (int)std::ceil((box.bottom - box.top) / mScale);
  if (text->mAlign == IText::kAlignCenter)
  {
    r->L = (int)((double)(r->L + r->R) * 0.5) - w / 2;
    r->R = r->L + w;
  }
  else if (text->mAlign == IText::kAlignFar)
  {
    r->L = r->R - w;
  }
  else
  {
    r->R = r->L + w;
  }
  r->B = r->T + h;
  return true;
}

LICE_CachedFont* IGraphics::CacheFont(IText* text)
{
  FontStorage& cache = FontCache();
  WDL_MutexLock lock(&cache.mMutex);
  LICE_CachedFont* font = cache.Find(text);
  if (!font)
  {
    const int weight = text->mStyle == IText::kStyleBold ? 700 : 400;
    const char italic = text->mStyle == IText::kStyleItalic ? 1 : 0;
    const char quality = text->mQuality == IText::kQualityDefault ? 0
                         : (text->mQuality == IText::kQualityAntiAliased ||
                            text->mQuality == IText::kQualityClearType)
                             ? 4
                             : 3;
    const int angle = 10 * text->mOrientation;  // tenths of a degree
    font = new LICE_CachedFont;
    // The size is the wanted line height: a font whose line height differs
    // is made once more at the corrected size (the cached font deletes the
    // platform font it replaces).
    int h = text->mSize;
    for (int attempt = 0; attempt < 2; ++attempt)
    {
      const int hh = std::max(h, 2);
      HFONT hf = CreateFont(hh, 0, angle, angle, weight, italic, 0, 0, 0, 0, 0, quality, 0, text->mFont);
      if (!hf)
      {
        delete font;
        return nullptr;
      }
      font->SetFromHFont(hf, kEditorFontFlags);
      const int lineHeight = font->GetLineHeight();
      // A font without line height cannot be corrected; it is kept as made.
      if (attempt == 1 || lineHeight == hh || lineHeight <= 0) break;
      h = (int)((double)hh * (double)hh / (double)lineHeight + 0.5);
    }
    if (!cache.Add(font, text))
    {
      delete font;
      return nullptr;
    }
  }
  text->mCached = font;
  return font;
}
