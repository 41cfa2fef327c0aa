#include "swell-text-layout.h"

bool swell_DecodeUtf8(const unsigned char* s, int n, uint32_t* codes, int* count)
{
  int k = 0;
  for (int i = 0; i < n;)
  {
    const unsigned c = s[i];
    int len;
    uint32_t cp, min;
    if (c < 0x80) { len = 1; cp = c; min = 0; }
    else if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; min = 0x80; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; min = 0x800; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; min = 0x10000; }
    else return false;
    if (i + len > n) return false;
    for (int j = 1; j < len; ++j)
    {
      const unsigned cc = s[i + j];
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (codes) codes[k] = cp;
    ++k;
    i += len;
  }
  if (count) *count = k;
  return true;
}

int swell_PrepareText(const char* text, int length, int flags, char* out, bool* multiLine)
{
  int n = 0;
  bool lf = false;
  const bool prefixes = !(flags & DT_NOPREFIX);
  const bool single = (flags & DT_SINGLELINE) != 0;
  // Never look past length bytes or the NUL, whichever comes first.
  auto at = [&](int i) -> char { return (length >= 0 && i >= length) ? '\0' : text[i]; };
  if (text)
  {
    for (int i = 0; n < kSwellTextMax; ++i)
    {
      char c = at(i);
      if (!c) break;
      if (c == '\r') continue;
      if (c == '&' && prefixes)
      {
        c = at(++i);
        if (!c) break;
      }
      if (c == '\n')
      {
        if (single) c = ' ';
        else lf = true;
      }
      out[n++] = c;
    }
  }
  out[n] = 0;
  if (multiLine) *multiLine = lf;
  return n;
}

SWELL_TextBox swell_LayoutTextBox(const RECT& r, int flags, double w, double h)
{
  SWELL_TextBox b = {static_cast<double>(r.left), static_cast<double>(r.top), static_cast<double>(r.right) - r.left,
                     static_cast<double>(r.bottom) - r.top};
  if (flags & DT_BOTTOM)
  {
    b.y += b.height - h;
    b.height = h;
  }
  else if (flags & DT_VCENTER)
  {
    double slack = b.height - h;
    if (slack > 2e9) slack = 2e9; // keep the truncation inside int for absurd rectangles
    if (slack < -2e9) slack = -2e9;
    const int k = static_cast<int>(slack) / 2;
    b.y += k;
    b.height -= 2.0 * k;
  }
  else
  {
    b.height = h;
  }
  if (flags & DT_NOCLIP)
  {
    if (w > b.width)
    {
      const double excess = w - b.width;
      b.width = w;
      if (flags & DT_RIGHT) b.x -= excess;
      else if (flags & DT_CENTER) b.x -= excess / 2.0;
    }
    if (h > b.height)
    {
      const double excess = h - b.height;
      b.height = h;
      if (flags & DT_BOTTOM) b.y -= excess;
      else if (flags & DT_VCENTER) b.y -= excess / 2.0;
    }
  }
  return b;
}
