#include "lice_combine.h"

namespace
{
struct InvTab
{
  int v[256];
  constexpr InvTab() : v()
  {
    for (int i = 1; i < 256; ++i) v[i] = 65536 / i;
  }
};
constexpr InvTab kInvTab;
} // namespace

const int LICE_RGB2HSV_invtab[256] = {
#define R4(i) kInvTab.v[i], kInvTab.v[i + 1], kInvTab.v[i + 2], kInvTab.v[i + 3]
#define R16(i) R4(i), R4(i + 4), R4(i + 8), R4(i + 12)
#define R64(i) R16(i), R16(i + 16), R16(i + 32), R16(i + 48)
  R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R16
#undef R4
};

void LICE_RGB2HSV(int r, int g, int b, int* h, int* s, int* v)
{
  int mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
  int mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
  int delta = mx - mn;
  *v = mx;
  if (!delta)
  {
    *h = 0;
    *s = 0;
    return;
  }
  // rounded so that a fully saturated colour keeps saturation 255
  int sat = (delta * 255 * LICE_RGB2HSV_invtab[mx] + 32767) >> 16;
  *s = sat > 255 ? 255 : sat;
  // 64 hue steps per sector
  int hue;
  if (mx == r) hue = (g - b) * 64 / delta;
  else if (mx == g) hue = 128 + (b - r) * 64 / delta;
  else hue = 256 + (r - g) * 64 / delta;
  if (hue < 0) hue += 384;
  if (hue >= 384) hue -= 384;
  *h = hue;
}

void LICE_HSV2RGB(int h, int s, int v, int* r, int* g, int* b)
{
  if (s <= 0)
  {
    *r = *g = *b = v;
    return;
  }
  const int sector = h / 64; // 0..5
  const int f = h % 64;
  const int p = v * (255 - s) / 255;
  const int q = v * (255 * 64 - s * f) / (255 * 64);
  const int t = v * (255 * 64 - s * (64 - f)) / (255 * 64);
  switch (sector)
  {
  case 0: *r = v; *g = t; *b = p; break;
  case 1: *r = q; *g = v; *b = p; break;
  case 2: *r = p; *g = v; *b = t; break;
  case 3: *r = p; *g = q; *b = v; break;
  case 4: *r = t; *g = p; *b = v; break;
  default: *r = v; *g = p; *b = q; break;
  }
}
