#include "Canvas.h"

#include "lice.h"

bool WriteCanvasPng(const Canvas& canvas, const std::string& path)
{
  LICE_MemBitmap bm(canvas.Width(), canvas.Height());
  LICE_pixel* bits = bm.getBits();
  if (!bits) return false;
  const int span = bm.getRowSpan();
  for (int j = 0; j < canvas.Height(); ++j)
    for (int i = 0; i < canvas.Width(); ++i)
    {
      unsigned char c[4];
      canvas.Get8(i, j, c);
      bits[j * span + i] = LICE_RGBA(c[0], c[1], c[2], c[3]);
    }
  return LICE_WritePNG(path.c_str(), &bm, true);
}
