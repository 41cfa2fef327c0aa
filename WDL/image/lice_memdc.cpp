// Stand-in memory drawing context: a zero-filled 64-byte aligned pixel buffer
// and nothing else. The drawing-context layer replaces this file with its own
// context (text state, presentation) behind the same three calls.
#include <cstdint>
#include <cstdlib>

#include "lice_bitmap.h"

struct HDC__
{
  void* raw;     // allocation, 63 bytes larger than the pixels
  void* bits;    // first 64-byte aligned address in raw
  int width;     // pixels per row
  int height;    // rows
};

HDC SWELL_CreateMemContext(HDC reference, int w, int h)
{
  (void)reference;
  if (w <= 0 || h <= 0) return nullptr;
  int64_t bytes = LICE_BitmapBytes(w, h);
  if (bytes <= 0) return nullptr;
  void* raw = calloc(1, static_cast<size_t>(bytes) + 63);
  if (!raw) return nullptr;
  HDC ctx = static_cast<HDC>(calloc(1, sizeof(HDC__)));
  if (!ctx)
  {
    free(raw);
    return nullptr;
  }
  ctx->raw = raw;
  ctx->bits = reinterpret_cast<void*>((reinterpret_cast<uintptr_t>(raw) + 63) & ~static_cast<uintptr_t>(63));
  ctx->width = w;
  ctx->height = h;
  return ctx;
}

void SWELL_DeleteGfxContext(HDC ctx)
{
  if (!ctx) return;
  free(ctx->raw);
  free(ctx);
}

void* SWELL_GetCtxFrameBuffer(HDC ctx)
{
  return ctx ? ctx->bits : nullptr;
}
