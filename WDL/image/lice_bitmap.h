// 32-bit bitmaps: the abstract bitmap, a heap bitmap and a bitmap whose memory
// belongs to a platform memory drawing context.
//
// A pixel is 4 bytes in memory in the order A, R, G, B; read as a 32-bit
// little-endian integer it is A | R << 8 | G << 16 | B << 24. Channels are not
// premultiplied by alpha. A bitmap is used by one thread at a time.
#ifndef LICE_BITMAP_H_
#define LICE_BITMAP_H_

#include <cstdint>

#include "lice_platform.h"

typedef unsigned int LICE_pixel;
typedef unsigned char LICE_pixel_chan;

// Byte offsets of the channels inside a pixel.
enum
{
  LICE_PIXEL_A = 0,
  LICE_PIXEL_R = 1,
  LICE_PIXEL_G = 2,
  LICE_PIXEL_B = 3
};

// Packs channels 0..255 into a pixel value. [any thread]
inline constexpr LICE_pixel LICE_RGBA(unsigned int r, unsigned int g, unsigned int b, unsigned int a)
{
  return (a & 0xFF) | (r & 0xFF) << 8 | (g & 0xFF) << 16 | (b & 0xFF) << 24;
}
// Channel getters of a pixel value, 0..255. [any thread]
inline constexpr unsigned int LICE_GETA(LICE_pixel p) { return p & 0xFF; }
inline constexpr unsigned int LICE_GETR(LICE_pixel p) { return (p >> 8) & 0xFF; }
inline constexpr unsigned int LICE_GETG(LICE_pixel p) { return (p >> 16) & 0xFF; }
inline constexpr unsigned int LICE_GETB(LICE_pixel p) { return (p >> 24) & 0xFF; }

// Largest pixel buffer a bitmap accepts, in bytes. Keeping every buffer below
// 2^31 bytes keeps every pixel offset inside an int.
constexpr int64_t LICE_MAX_BITMAP_BYTES = 0x7FFFFFFF;

// Bytes of spanPx x rows pixels, 0 when either is not positive, -1 when the
// size passes LICE_MAX_BITMAP_BYTES. [any thread]
inline int64_t LICE_BitmapBytes(int64_t spanPx, int64_t rows)
{
  if (spanPx <= 0 || rows <= 0) return 0;
  if (spanPx > LICE_MAX_BITMAP_BYTES / 4 / rows) return -1;
  return spanPx * rows * 4;
}

// Abstract 32-bit bitmap. Row 0 is the top row unless isFlipped(), in which
// case it is the bottom row. Operations in virtual-table order.
class LICE_IBitmap
{
public:
  virtual ~LICE_IBitmap() {}
  // First pixel of row 0, or null while the bitmap has no memory. [any thread]
  virtual LICE_pixel* getBits() = 0;
  // Width in pixels (0 while empty). [any thread]
  virtual int getWidth() = 0;
  // Height in pixels (0 while empty). [any thread]
  virtual int getHeight() = 0;
  // Distance between rows in pixels, at least the width. [any thread]
  virtual int getRowSpan() = 0;
  // True when rows are stored bottom-up. [any thread]
  virtual bool isFlipped() { return false; }
  // Changes the size; pixel contents are not kept. Returns true when the
  // size changed, false when it was already w x h or when memory could not be
  // obtained (the bitmap is then 0 x 0). [main thread]
  virtual bool resize(int w, int h) = 0;
  // Drawing context over the same memory, or null. [main thread]
  virtual HDC getDC() { return nullptr; }
  // Extension hook; returns 0 for every id it does not know. [any thread]
  virtual int Extended(int id, void* data)
  {
    (void)id;
    (void)data;
    return 0;
  }
};

// Bitmap in heap memory with 64-byte aligned pixels and rows padded to a
// power-of-two pixel alignment. Grows by a quarter more than needed so that
// repeated resizing does not reallocate each time. Non-copyable.
class LICE_MemBitmap : public LICE_IBitmap
{
public:
  // Makes a w x h bitmap (0 x 0 without memory when w or h is 0). lineAlign is
  // the row alignment in pixels; its lowest set bit counts, 0 and 1 mean
  // none, alignments above 17 are cut to a mask of 16. [main thread]
  explicit LICE_MemBitmap(int w = 0, int h = 0, unsigned int lineAlign = 4);
  ~LICE_MemBitmap() override;
  LICE_MemBitmap(const LICE_MemBitmap&) = delete;
  LICE_MemBitmap& operator=(const LICE_MemBitmap&) = delete;

  LICE_pixel* getBits() override;
  int getWidth() override { return m_width; }
  int getHeight() override { return m_height; }
  int getRowSpan() override;
  // Resizes; a non-positive w or h frees the memory and leaves 0 x 0. A size
  // above LICE_MAX_BITMAP_BYTES or an allocation failure leaves 0 x 0 and
  // returns false. [main thread]
  bool resize(int w, int h) override;

  // Bytes currently allocated for pixels (without the alignment slack).
  // [any thread]
  int64_t getAllocatedBytes() const { return m_allocsize; }

private:
  void* m_fb;            // raw allocation, 63 bytes larger than m_allocsize
  int m_width;           // pixels
  int m_height;          // pixels
  int64_t m_allocsize;   // bytes usable from the aligned start
  unsigned int m_linealign; // row alignment mask in pixels (0..16)
};

// Bitmap whose pixels live in a platform memory drawing context, so that the
// platform can draw text into it and present it. The row span is the width
// rounded up to a multiple of 4 at the last reallocation. Non-copyable.
class LICE_SysBitmap : public LICE_IBitmap
{
public:
  // Makes a w x h bitmap (without memory when either is 0). [main thread]
  explicit LICE_SysBitmap(int w = 0, int h = 0);
  ~LICE_SysBitmap() override;
  LICE_SysBitmap(const LICE_SysBitmap&) = delete;
  LICE_SysBitmap& operator=(const LICE_SysBitmap&) = delete;

  LICE_pixel* getBits() override { return m_bits; }
  int getWidth() override { return m_width; }
  int getHeight() override { return m_height; }
  int getRowSpan() override { return m_allocw; }
  // Resizes, reusing the context when it is already large enough; with w or
  // h 0 the size and the row span of w are kept without memory. A context
  // that cannot be created leaves 0 x 0 and returns false. [main thread]
  bool resize(int w, int h) override;
  HDC getDC() override { return m_dc; }

private:
  int m_width;        // pixels
  int m_height;       // pixels
  HDC m_dc;           // owned memory drawing context, or null
  LICE_pixel* m_bits; // the context's pixel buffer
  int m_allocw;       // row span of the context in pixels
  int m_alloch;       // rows of the context
};

#endif
