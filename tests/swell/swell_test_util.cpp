#include "swell_test_util.h"

#include <cstring>

namespace swell_test
{

TextContext::TextContext(int w, int h, int fontHeight, int weight, char italic, char quality, const char* face)
  : m_dc(SWELL_CreateMemContext(nullptr, w, h)), m_font(nullptr), m_w(w), m_h(h)
{
  if (fontHeight) m_font = CreateFont(fontHeight, 0, 0, 0, weight, italic, 0, 0, 0, 0, 0, quality, 0, face);
  if (m_font) SelectObject(m_dc, m_font);
  SetTextColor(m_dc, 0xFFFFFF);
}

TextContext::~TextContext()
{
  SWELL_DeleteGfxContext(m_dc);
  DeleteObject(m_font);
}

unsigned char& TextContext::byte(int x, int y, int k) const
{
  return static_cast<unsigned char*>(SWELL_GetCtxFrameBuffer(m_dc))[(static_cast<size_t>(y) * m_w + x) * 4 + k];
}

void TextContext::fill(unsigned char v) const
{
  memset(SWELL_GetCtxFrameBuffer(m_dc), v, static_cast<size_t>(m_w) * m_h * 4);
}

long long TextContext::ink() const
{
  long long sum = 0;
  for (int y = 0; y < m_h; ++y)
    for (int x = 0; x < m_w; ++x) sum += byte(x, y, 1);
  return sum;
}

void TextContext::inkRows(int* first, int* last) const
{
  *first = *last = -1;
  for (int y = 0; y < m_h; ++y)
  {
    for (int x = 0; x < m_w; ++x)
    {
      if (byte(x, y, 1))
      {
        if (*first < 0) *first = y;
        *last = y;
        break;
      }
    }
  }
}

std::string TextContext::pixels() const
{
  return std::string(static_cast<const char*>(SWELL_GetCtxFrameBuffer(m_dc)), static_cast<size_t>(m_w) * m_h * 4);
}

} // namespace swell_test
