#include "lice_png.h"

#include <png.h>

#include <atomic>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "lice_surface.h"

namespace
{

// libpng reports errors by calling this and never expects it to return: it
// jumps straight back to the decoder's recovery point, printing nothing.
void quietError(png_structp png, png_const_charp)
{
  longjmp(png_jmpbuf(png), 1);
}

void quietWarning(png_structp, png_const_charp) {}

struct MemReader
{
  const unsigned char* next; // next unread byte
  size_t left;               // bytes not yet read
};

void memRead(png_structp png, png_bytep out, png_size_t n)
{
  MemReader* r = static_cast<MemReader*>(png_get_io_ptr(png));
  if (!r || n > r->left) longjmp(png_jmpbuf(png), 1); // truncated input
  memcpy(out, r->next, n);
  r->next += n;
  r->left -= n;
}

// What libpng may allocate for one decode, beyond the bitmap's pixels: a
// hostile file (a chunk declaring 2 GiB, a compressed text bomb, thousands
// of ancillary chunks) costs at most this much. Row buffers, which grow
// with the image width, are granted on top once the header is read.
constexpr size_t kPngBudget = 8u << 20;
// Largest single ancillary chunk (text, colour profile, ...) kept, bytes;
// larger ones are skipped.
constexpr png_alloc_size_t kPngChunkMax = 2u << 20;
// Largest image side accepted, pixels; a bitmap holds at most 2^29 pixels.
constexpr png_uint_32 kPngSideMax = 1u << 20;
// Ancillary chunks kept at most.
constexpr png_uint_32 kPngChunkCount = 256;

// libpng's allocations for one decode, counted against a budget. Each block
// carries its size in front of it.
struct Budget
{
  size_t limit; // bytes
  size_t used;  // bytes live now
  size_t peak;  // most bytes live at once
};

constexpr size_t kHeader = alignof(std::max_align_t) > sizeof(size_t) ? alignof(std::max_align_t) : sizeof(size_t);

thread_local size_t t_lastPeak = 0;

png_voidp budgetAlloc(png_structp png, png_alloc_size_t n)
{
  Budget* b = static_cast<Budget*>(png_get_mem_ptr(png));
  const size_t avail = b->limit - b->used; // used never passes limit
  if (n > avail || avail - n < kHeader) return nullptr;
  unsigned char* p = static_cast<unsigned char*>(malloc(n + kHeader));
  if (!p) return nullptr;
  memcpy(p, &n, sizeof(size_t));
  b->used += n + kHeader;
  if (b->used > b->peak) b->peak = b->used;
  return p + kHeader;
}

void budgetFree(png_structp png, png_voidp ptr)
{
  if (!ptr) return;
  Budget* b = static_cast<Budget*>(png_get_mem_ptr(png));
  unsigned char* p = static_cast<unsigned char*>(ptr) - kHeader;
  size_t n;
  memcpy(&n, p, sizeof(size_t));
  b->used -= n + kHeader;
  free(p);
}

// Decodes from fp (when not null) or mem. Only plain locals live between
// setjmp and the calls that may jump back to it; the two that change after
// setjmp are volatile, and the budget, whose address libpng holds, lives in
// memory.
LICE_IBitmap* decode(FILE* fp, MemReader* mem, LICE_IBitmap* into)
{
  Budget budget = {kPngBudget, 0, 0};
  struct PeakNote
  {
    const Budget& b;
    ~PeakNote() { t_lastPeak = b.peak; }
  } note{budget};
  png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning, &budget,
                                             budgetAlloc, budgetFree);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info)
  {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  png_set_user_limits(png, kPngSideMax, kPngSideMax);
  png_set_chunk_malloc_max(png, kPngChunkMax);
  png_set_chunk_cache_max(png, kPngChunkCount);

  LICE_IBitmap* volatile created = nullptr;
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png)))
  {
    png_destroy_read_struct(&png, &info, nullptr);
    free(rows);
    delete created;
    return nullptr;
  }

  if (fp) png_init_io(png, fp);
  else png_set_read_fn(png, mem, memRead);
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  if (!width || !height || width > INT_MAX || height > INT_MAX) longjmp(png_jmpbuf(png), 1);
  // two row buffers of up to 8 bytes per pixel (16-bit RGBA) and their slack
  budget.limit += 4 * (8 * static_cast<size_t>(width) + 64);

  bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS))
  {
    png_set_tRNS_to_alpha(png);
    hasAlpha = true;
  }
  if (bitDepth == 16) png_set_strip_16(png);
  if (bitDepth < 8) png_set_packing(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (hasAlpha) png_set_swap_alpha(png);
  else png_set_filler(png, 255, PNG_FILLER_BEFORE);

  const int w = static_cast<int>(width), h = static_cast<int>(height);
  LICE_IBitmap* bm = into;
  if (into)
  {
    into->resize(w, h);
  }
  else
  {
    created = new (std::nothrow) LICE_MemBitmap(w, h, 4);
    bm = created;
  }
  // the bitmap, passed or made here, must really hold the whole image
  LICE_Surface s;
  if (!LICE_GetSurface(bm, &s) || s.width != w || s.height != h) longjmp(png_jmpbuf(png), 1);

  rows = static_cast<png_bytep*>(malloc(sizeof(png_bytep) * static_cast<size_t>(h)));
  if (!rows) longjmp(png_jmpbuf(png), 1);
  for (int y = 0; y < h; ++y) rows[y] = reinterpret_cast<png_bytep>(s.row(y));
  png_read_image(png, rows);

  png_destroy_read_struct(&png, &info, nullptr);
  free(rows);
  return bm;
}

} // namespace

size_t LICE_PNGDecodePeakBytes()
{
  return t_lastPeak;
}

LICE_IBitmap* LICE_LoadPNG(const char* path, LICE_IBitmap* into)
{
  if (!path) return nullptr;
  FILE* fp = fopen(path, "rb");
  if (!fp) return nullptr;
  unsigned char sig[8];
  LICE_IBitmap* bm = nullptr;
  if (fread(sig, 1, sizeof(sig), fp) == sizeof(sig) && !png_sig_cmp(sig, 0, sizeof(sig)) && !fseek(fp, 0, SEEK_SET))
    bm = decode(fp, nullptr, into);
  fclose(fp);
  return bm;
}

namespace
{

// A PNG file's image whose pixels are decoded on first use. The size is the
// header's until then; after a failed decode the pixels are cleared.
class DeferredPNG final : public LICE_IBitmap
{
public:
  DeferredPNG(const char* path, int w, int h) : mPath(path), mWidth(w), mHeight(h) {}

  LICE_pixel* getBits() override { return Pixels().getBits(); }
  int getWidth() override { return mWidth.load(std::memory_order_acquire); }
  int getHeight() override { return mHeight.load(std::memory_order_acquire); }
  int getRowSpan() override { return Pixels().getRowSpan(); }
  bool resize(int w, int h) override
  {
    const bool changed = Pixels().resize(w, h);
    Publish();
    return changed;
  }

private:
  LICE_MemBitmap& Pixels()
  {
    std::call_once(mDecoded, [this] {
      const int w = getWidth(), h = getHeight();
      // The file may have changed since its header was read: the header's size holds.
      if (!LICE_LoadPNG(mPath.c_str(), &mPixels) || mPixels.getWidth() != w || mPixels.getHeight() != h)
      {
        mPixels.resize(w, h);
        if (LICE_pixel* bits = mPixels.getBits())
          memset(bits, 0, sizeof(LICE_pixel) * static_cast<size_t>(mPixels.getRowSpan()) * static_cast<size_t>(h));
      }
      Publish();  // 0 x 0 when even that memory could not be had
    });
    return mPixels;
  }
  void Publish()
  {
    mWidth.store(mPixels.getWidth(), std::memory_order_release);
    mHeight.store(mPixels.getHeight(), std::memory_order_release);
  }

  const std::string mPath;
  std::atomic<int> mWidth, mHeight;  // pixels
  std::once_flag mDecoded;
  LICE_MemBitmap mPixels{0, 0, 4};
};

} // namespace

LICE_IBitmap* LICE_OpenPNG(const char* path)
{
  if (!path) return nullptr;
  FILE* fp = fopen(path, "rb");
  if (!fp) return nullptr;
  // Signature, then the first chunk, which must be the 13-byte header.
  unsigned char head[24];
  const bool read = fread(head, 1, sizeof(head), fp) == sizeof(head);
  fclose(fp);
  if (!read || png_sig_cmp(head, 0, 8) || png_get_uint_32(head + 8) != 13 || memcmp(head + 12, "IHDR", 4)) return nullptr;
  const png_uint_32 w = png_get_uint_32(head + 16), h = png_get_uint_32(head + 20);
  if (!w || !h || w > kPngSideMax || h > kPngSideMax) return nullptr;
  return new (std::nothrow) DeferredPNG(path, (int)w, (int)h);
}

LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, size_t bytes, LICE_IBitmap* into)
{
  if (!data || bytes < 8) return nullptr;
  MemReader r = {static_cast<const unsigned char*>(data), bytes};
  if (png_sig_cmp(const_cast<png_bytep>(r.next), 0, 8)) return nullptr;
  return decode(nullptr, &r, into);
}

namespace
{

bool encode(FILE* fp, const LICE_Surface& s, bool wantAlpha)
{
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info)
  {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png)))
  {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, fp);
  png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), 8,
               wantAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // rows are A, R, G, B in memory
  if (wantAlpha) png_set_swap_alpha(png);
  else png_set_filler(png, 0, PNG_FILLER_BEFORE);
  for (int y = 0; y < s.height; ++y) png_write_row(png, reinterpret_cast<png_const_bytep>(s.row(y)));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

} // namespace

bool LICE_WritePNG(const char* path, LICE_IBitmap* bm, bool wantAlpha)
{
  LICE_Surface s;
  if (!path || !LICE_GetSurface(bm, &s)) return false;
  FILE* fp = fopen(path, "wb");
  if (!fp) return false;
  bool ok = encode(fp, s, wantAlpha);
  if (fclose(fp) != 0) ok = false;
  return ok;
}
