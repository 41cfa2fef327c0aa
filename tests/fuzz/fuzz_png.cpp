// PNG decoding from memory, then the decoded image drawn into a small bitmap
// with a plain and a scaled, filtered, source-alpha blit.
#include <stdint.h>

#include "lice_blit.h"
#include "lice_combine.h"
#include "lice_png.h"
#include "lice_scaled.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1 << 20)) return 0;
  LICE_IBitmap* image = LICE_LoadPNGFromMemory(data, size);
  if (!image) return 0;
  LICE_MemBitmap dest(48, 40);
  LICE_Blit(&dest, image, -3, 5, nullptr, 1.0f, LICE_MODE_COPY);
  LICE_ScaledBlit(&dest, image, 2, 1, 31, -17, 0.5f, 0.25f, (float)image->getWidth(), (float)image->getHeight(),
                  0.75f, LICE_MODE_COPY | LICE_FLAG_FILTER | LICE_FLAG_SOURCE_ALPHA);
  delete image;
  return 0;
}
