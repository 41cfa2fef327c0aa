#include "lice_bitmap.h"

#include <climits>
#include <cstdlib>

LICE_MemBitmap::LICE_MemBitmap(int w, int h, unsigned int lineAlign)
  : m_fb(nullptr), m_width(0), m_height(0), m_allocsize(0), m_linealign(0)
{
  // lowest set bit minus one: 4 gives 3, 0 and 1 give 0
  unsigned int mask = lineAlign ? (lineAlign & (~lineAlign + 1)) - 1 : 0;
  m_linealign = mask > 16 ? 16 : mask;
  if (w || h) resize(w, h);
}

LICE_MemBitmap::~LICE_MemBitmap()
{
  free(m_fb);
}

LICE_pixel* LICE_MemBitmap::getBits()
{
  if (!m_fb) return nullptr;
  uintptr_t p = reinterpret_cast<uintptr_t>(m_fb);
  return reinterpret_cast<LICE_pixel*>((p + 63) & ~static_cast<uintptr_t>(63));
}

int LICE_MemBitmap::getRowSpan()
{
  return static_cast<int>((static_cast<int64_t>(m_width) + m_linealign) & ~static_cast<int64_t>(m_linealign));
}

bool LICE_MemBitmap::resize(int w, int h)
{
  if (w == m_width && h == m_height) return false;

  // Sizes are worked out in 64 bits: a byte size above the limit is refused
  // rather than wrapped into a small allocation.
  int64_t span = w > 0 ? (static_cast<int64_t>(w) + m_linealign) & ~static_cast<int64_t>(m_linealign) : 0;
  int64_t size = LICE_BitmapBytes(span, h);
  if (size <= 0)
  {
    // an empty size frees the memory; one above the limit (-1) does too and fails
    free(m_fb);
    m_fb = nullptr;
    m_allocsize = 0;
    m_width = m_height = 0;
    return size == 0;
  }

  if (!m_fb)
  {
    m_fb = malloc(static_cast<size_t>(size) + 63);
    m_allocsize = m_fb ? size : 0;
  }
  else if (m_allocsize < size)
  {
    // pixels are not kept, so a fresh block is as good as a reallocation
    free(m_fb);
    int64_t grown = (size / 4) * 5;
    m_fb = malloc(static_cast<size_t>(grown) + 63);
    m_allocsize = grown;
    if (!m_fb)
    {
      m_fb = malloc(static_cast<size_t>(size) + 63);
      m_allocsize = size;
    }
    if (!m_fb) m_allocsize = 0;
  }

  if (!m_fb)
  {
    m_width = m_height = 0;
    return false;
  }
  m_width = w;
  m_height = h;
  return true;
}

LICE_SysBitmap::LICE_SysBitmap(int w, int h)
  : m_width(0), m_height(0), m_dc(nullptr), m_bits(nullptr), m_allocw(0), m_alloch(0)
{
  resize(w, h);
}

LICE_SysBitmap::~LICE_SysBitmap()
{
  SWELL_DeleteGfxContext(m_dc);
}

bool LICE_SysBitmap::resize(int w, int h)
{
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  if (w == m_width && h == m_height) return false;
  if (w && h && m_allocw >= w && m_alloch >= h && m_dc)
  {
    m_width = w;
    m_height = h;
    return true;
  }

  SWELL_DeleteGfxContext(m_dc);
  m_dc = nullptr;
  m_bits = nullptr;
  m_allocw = m_alloch = 0;
  m_width = m_height = 0;

  // The row span follows the width even when there is no memory (w x 0);
  // a size whose span or bytes cannot be represented fails, every time, and
  // leaves 0 x 0.
  const int64_t span = (static_cast<int64_t>(w) + 3) & ~static_cast<int64_t>(3);
  if (span > INT_MAX || (h && LICE_BitmapBytes(span, h) < 0)) return false;
  if (w && h)
  {
    m_dc = SWELL_CreateMemContext(nullptr, static_cast<int>(span), h);
    m_bits = m_dc ? static_cast<LICE_pixel*>(SWELL_GetCtxFrameBuffer(m_dc)) : nullptr;
    if (!m_bits)
    {
      SWELL_DeleteGfxContext(m_dc);
      m_dc = nullptr;
      return false;
    }
  }
  m_allocw = static_cast<int>(span);
  m_alloch = h;
  m_width = w;
  m_height = h;
  return true;
}
