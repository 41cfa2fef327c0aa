// Memory drawing contexts, graphics-object records and their pools, object
// selection and the context's colour state.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "mutex.h"
#include "swell-internal.h"

namespace
{

// One re-entrant lock guards both pools.
WDL_Mutex& PoolLock()
{
  static WDL_Mutex s_lock;
  return s_lock;
}

HDC__* s_contextPool[kSwellContextPoolMax];
int s_contextPoolCount = 0;
HGDIOBJ__* s_objectPool[kSwellObjectPoolMax];
int s_objectPoolCount = 0;

bool IsPlaceholder(HGDIOBJ obj)
{
  const uintptr_t v = reinterpret_cast<uintptr_t>(obj);
  return v >= 1 && v <= 3;
}

HDC__* NewContextRecord()
{
  {
    WDL_MutexLock lock(&PoolLock());
    if (s_contextPoolCount > 0)
    {
      HDC__* ctx = s_contextPool[--s_contextPoolCount];
      memset(ctx, 0, sizeof(*ctx));
      return ctx;
    }
  }
  return static_cast<HDC__*>(calloc(1, sizeof(HDC__)));
}

void ReleaseContextRecord(HDC__* ctx)
{
  memset(ctx, 0, sizeof(*ctx));
  ctx->released = true;
  {
    WDL_MutexLock lock(&PoolLock());
    if (s_contextPoolCount < kSwellContextPoolMax)
    {
      s_contextPool[s_contextPoolCount++] = ctx;
      return;
    }
  }
  free(ctx);
}

// The slot of ctx that holds objects of the given type, or null.
HGDIOBJ* SlotFor(HDC ctx, int type)
{
  switch (type)
  {
  case kSwellTypePen: return &ctx->curpen;
  case kSwellTypeBrush: return &ctx->curbrush;
  case kSwellTypeFont: return &ctx->curfont;
  default: return nullptr;
  }
}

// What a slot reports as its previous content: the object when it is still
// a live object of the slot's type, else the type's placeholder.
HGDIOBJ PreviousOf(HGDIOBJ held, int type)
{
  if (held && held->type == type) return held;
  return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(type));
}

// Small integers other than the placeholders are no objects either: they are
// refused rather than read.
bool IsSmallInteger(HGDIOBJ obj)
{
  return reinterpret_cast<uintptr_t>(obj) < 0x10000;
}

} // namespace

HDC SWELL_CreateMemContext(HDC reference, int w, int h)
{
  (void)reference;
  if (w <= 0 || h <= 0) return nullptr;
  const uint64_t bytes = static_cast<uint64_t>(w) * 4u * static_cast<uint64_t>(h);
  if (bytes > static_cast<uint64_t>(INT64_MAX) - 64) return nullptr;
  void* raw = calloc(1, static_cast<size_t>(bytes) + 63);
  if (!raw) return nullptr;
  HDC__* ctx = NewContextRecord();
  if (!ctx)
  {
    free(raw);
    return nullptr;
  }
  ctx->raw = raw;
  ctx->bits = reinterpret_cast<void*>((reinterpret_cast<uintptr_t>(raw) + 63) & ~static_cast<uintptr_t>(63));
  ctx->width = w;
  ctx->height = h;
  ctx->textColourObj = SWELL_Colour{0.0, 0.0, 0.0, 1.0};
  return ctx;
}

void SWELL_DeleteGfxContext(HDC ctx)
{
  if (!swell_ContextUsable(ctx)) return;
  free(ctx->raw);
  ReleaseContextRecord(ctx);
}

void* SWELL_GetCtxFrameBuffer(HDC ctx)
{
  return swell_ContextUsable(ctx) ? ctx->bits : nullptr;
}

HGDIOBJ swell_NewObject(int type)
{
  HGDIOBJ__* obj = nullptr;
  {
    WDL_MutexLock lock(&PoolLock());
    if (s_objectPoolCount > 0) obj = s_objectPool[--s_objectPoolCount];
  }
  if (!obj) obj = static_cast<HGDIOBJ__*>(calloc(1, sizeof(HGDIOBJ__)));
  if (!obj) return nullptr;
  memset(obj, 0, sizeof(*obj));
  obj->type = type;
  return obj;
}

void swell_ReleaseObject(HGDIOBJ obj)
{
  memset(obj, 0, sizeof(*obj));
  {
    WDL_MutexLock lock(&PoolLock());
    if (s_objectPoolCount < kSwellObjectPoolMax)
    {
      s_objectPool[s_objectPoolCount++] = obj;
      return;
    }
  }
  free(obj);
}

int swell_PooledContextCount()
{
  WDL_MutexLock lock(&PoolLock());
  return s_contextPoolCount;
}

int swell_PooledObjectCount()
{
  WDL_MutexLock lock(&PoolLock());
  return s_objectPoolCount;
}

HGDIOBJ SelectObject(HDC ctx, HGDIOBJ obj)
{
  if (!swell_ContextUsable(ctx) || !obj) return nullptr;
  if (IsPlaceholder(obj))
  {
    const int type = static_cast<int>(reinterpret_cast<uintptr_t>(obj));
    HGDIOBJ* slot = SlotFor(ctx, type);
    HGDIOBJ prev = PreviousOf(*slot, type);
    *slot = nullptr;
    return prev;
  }
  if (IsSmallInteger(obj)) return nullptr;
  HGDIOBJ* slot = SlotFor(ctx, obj->type);
  if (!slot) return nullptr;
  HGDIOBJ prev = PreviousOf(*slot, obj->type);
  if (*slot != obj) *slot = obj;
  return prev;
}

HGDIOBJ swell_ContextFont(HDC ctx)
{
  HGDIOBJ f = ctx->curfont;
  if (f && f->type == kSwellTypeFont) return f;
  return swell_SystemFont();
}

void SetTextColor(HDC ctx, int colour)
{
  if (!swell_ContextUsable(ctx)) return;
  ctx->textColour = colour;
  ctx->textColourObj = SWELL_Colour{((colour >> 16) & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                                    (colour & 0xFF) / 255.0, 1.0};
}

void SetBkColor(HDC ctx, int colour)
{
  if (!swell_ContextUsable(ctx)) return;
  ctx->bkColour = colour;
}

void SetBkMode(HDC ctx, int mode)
{
  if (!swell_ContextUsable(ctx)) return;
  ctx->bkMode = mode;
}

void DeleteObject(HGDIOBJ obj)
{
  if (IsSmallInteger(obj)) return;
  if (obj->type == kSwellTypeNone || obj->stock) return;
  if (--obj->refcount >= 0) return;
  if (obj->type == kSwellTypeFont) swell_FreeFontAttributes(&obj->font);
  swell_ReleaseObject(obj);
}
