#include "lice_test_util.h"

#include <algorithm>
#include <climits>

namespace lice_test
{

void ExactBitmap::fillRandom(std::mt19937& rng)
{
  for (int y = 0; y < m_h; ++y)
    for (int x = 0; x < m_w; ++x) px(x, y) = RandColour(rng);
}

namespace
{
int clampByte(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
int chan(LICE_pixel p, int byteIndex) { return static_cast<int>((p >> (8 * byteIndex)) & 0xFF); }

// Independent hue/saturation/value model: hue in 384ths of a turn.
void toHsv(int r, int g, int b, int& h, int& s, int& v)
{
  int mx = std::max(r, std::max(g, b)), mn = std::min(r, std::min(g, b));
  v = mx;
  if (mx == mn)
  {
    h = s = 0;
    return;
  }
  int d = mx - mn;
  s = (d * 255 * (65536 / mx) + 32767) >> 16;
  if (s > 255) s = 255;
  if (mx == r) h = (g - b) * 64 / d;
  else if (mx == g) h = 128 + (b - r) * 64 / d;
  else h = 256 + (r - g) * 64 / d;
  if (h < 0) h += 384;
}
void fromHsv(int h, int s, int v, int& r, int& g, int& b)
{
  if (!s)
  {
    r = g = b = v;
    return;
  }
  int f = h % 64;
  int p = v * (255 - s) / 255, q = v * (16320 - s * f) / 16320, t = v * (16320 - s * (64 - f)) / 16320;
  int rgb[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
  r = rgb[h / 64][0];
  g = rgb[h / 64][1];
  b = rgb[h / 64][2];
}
} // namespace

LICE_pixel RefCombine(LICE_pixel dest, int r, int g, int b, int a, int w, int mode, bool sa)
{
  int d[4] = {chan(dest, 0), chan(dest, 1), chan(dest, 2), chan(dest, 3)}; // A R G B
  const int s[4] = {a, r, g, b};
  int ww = w;
  if (sa)
  {
    bool earlyExit = mode == LICE_MODE_COPY || mode == LICE_MODE_ADD || mode == LICE_MODE_MUL;
    if (earlyExit && a == 0) return dest;
    if (mode == LICE_MODE_COPY && w == 256)
    {
      if (a == 255) return LICE_RGBA(r, g, b, 255);
      for (int c = 1; c < 4; ++c) d[c] = s[c] + (d[c] - s[c]) * (255 - a) / 256;
      d[0] = std::min(255, d[0] + a);
      return LICE_RGBA(d[1], d[2], d[3], d[0]);
    }
    ww = w * (a + 1) / 256;
    if (mode == LICE_MODE_COPY)
    {
      for (int c = 1; c < 4; ++c) d[c] = s[c] + (d[c] - s[c]) * (256 - ww) / 256;
      d[0] = std::min(255, d[0] + ww);
      return LICE_RGBA(d[1], d[2], d[3], d[0]);
    }
  }
  switch (mode)
  {
  case LICE_MODE_COPY:
    for (int c = 0; c < 4; ++c) d[c] = s[c] + (d[c] - s[c]) * (256 - ww) / 256;
    break;
  case LICE_MODE_ADD:
    for (int c = 0; c < 4; ++c) d[c] = clampByte(d[c] + s[c] * ww / 256);
    break;
  case LICE_MODE_DODGE:
    for (int c = 0; c < 4; ++c)
    {
      int v = s[c] * ww / 256;
      d[c] = clampByte(v < 255 ? d[c] * 256 / (256 - v) : d[c] * 256);
    }
    break;
  case LICE_MODE_MUL:
    for (int c = 0; c < 4; ++c) d[c] = d[c] * (s[c] * ww + (256 - ww) * 256) / 65536;
    break;
  case LICE_MODE_OVERLAY:
    for (int c = 0; c < 4; ++c)
    {
      int k = (256 - ww) * 128;
      d[c] = clampByte(((32768 - s[c] * ww - k) * d[c] / 256 + s[c] * ww + k) * d[c] / 32768);
    }
    break;
  case LICE_MODE_HSVADJUST:
  {
    int h, sat, v;
    toHsv(d[1], d[2], d[3], h, sat, v);
    h = ((h + ww * (r + r / 2 - 192) / 256) % 384 + 384) % 384;
    sat = clampByte(sat + ww * (g - 128) / 128);
    v = clampByte(v + ww * (b - 128) / 128);
    fromHsv(h, sat, v, d[1], d[2], d[3]);
    d[0] = clampByte(a);
    break;
  }
  default:
    break;
  }
  return LICE_RGBA(d[1], d[2], d[3], d[0]);
}

LICE_pixel RefShortcut(LICE_pixel dest, LICE_pixel colour, int w)
{
  int out[4];
  for (int c = 0; c < 4; ++c)
  {
    int d = chan(dest, c), s = chan(colour, c);
    switch (w)
    {
    case 64: out[c] = s / 4 + d / 2 + d / 4; break;
    case 128: out[c] = s / 2 + d / 2; break;
    case 192: out[c] = s / 4 + s / 2 + d / 4; break;
    default: out[c] = s; break;
    }
  }
  return LICE_RGBA(out[1], out[2], out[3], out[0]);
}

int RefWeight(float alpha)
{
  if (!(alpha > 0)) return 0;
  if (alpha >= 1) return 256;
  return static_cast<int>(alpha * 256);
}

int RandCoord(std::mt19937& rng, int size)
{
  switch (rng() % 12)
  {
  case 0: return INT_MIN + static_cast<int>(rng() % 4);
  case 1: return INT_MAX - static_cast<int>(rng() % 4);
  case 2: return -static_cast<int>(rng() % 100000);
  case 3: return size + static_cast<int>(rng() % 3) - 1;
  case 4: return static_cast<int>(rng() % 3) - 1;
  default: return static_cast<int>(rng() % (size + 20)) - 10;
  }
}

int RandExtent(std::mt19937& rng, int size)
{
  switch (rng() % 10)
  {
  case 0: return INT_MAX - static_cast<int>(rng() % 4);
  case 1: return INT_MIN + static_cast<int>(rng() % 4);
  case 2: return 0;
  case 3: return -static_cast<int>(rng() % 20);
  case 4: return 1;
  default: return static_cast<int>(rng() % (size + 10));
  }
}

float RandAlpha(std::mt19937& rng)
{
  static const float kPicks[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 1.0f / 256, 255.0f / 256, -0.5f, 2.0f, 0.3f};
  if (rng() % 3) return kPicks[rng() % 10];
  return static_cast<float>(rng() % 1001) / 1000.0f;
}

LICE_pixel RandColour(std::mt19937& rng)
{
  LICE_pixel c = rng();
  switch (rng() % 4)
  {
  case 0: return c & 0xFFFFFF00u;          // alpha 0
  case 1: return c | 0xFFu;                // alpha 255
  default: return c;
  }
}

int RandMode(std::mt19937& rng, bool withChannelCopy)
{
  int mode = static_cast<int>(rng() % 6);
  if (rng() % 2) mode |= LICE_FLAG_SOURCE_ALPHA;
  if (rng() % 4 == 0) mode |= LICE_FLAG_FILTER;
  if (rng() % 20 == 0) mode = 6 + static_cast<int>(rng() % 0xE9); // no combine function
  if (withChannelCopy && rng() % 10 == 0) mode = 0xF0 | static_cast<int>(rng() % 16);
  return mode;
}

} // namespace lice_test
