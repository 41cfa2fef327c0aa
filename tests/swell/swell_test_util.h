// Helpers of the drawing-context tests: a context with a font that frees
// both, and pixel inspection.
#ifndef SWELL_TEST_UTIL_H_
#define SWELL_TEST_UTIL_H_

#include <cstdint>
#include <string>

#include "swell-internal.h"

namespace swell_test
{

// A w x h memory context with a DejaVu Sans font of the given height selected
// (no font when height is 0), white text; deleted with the object.
class TextContext
{
public:
  TextContext(int w, int h, int fontHeight, int weight = FW_NORMAL, char italic = 0, char quality = 0,
              const char* face = "DejaVu Sans");
  ~TextContext();
  TextContext(const TextContext&) = delete;
  TextContext& operator=(const TextContext&) = delete;

  HDC dc() const { return m_dc; }
  HFONT font() const { return m_font; }
  int width() const { return m_w; }
  int height() const { return m_h; }
  // Byte k (0 A, 1 R, 2 G, 3 B) of pixel (x, y).
  unsigned char& byte(int x, int y, int k) const;
  // Sets every byte of every pixel to v.
  void fill(unsigned char v) const;
  // Sum of the red bytes.
  long long ink() const;
  // Rows [first, last] that have any red; {-1, -1} when none.
  void inkRows(int* first, int* last) const;
  // The pixels as one string (for whole-image comparisons).
  std::string pixels() const;

private:
  HDC m_dc;
  HFONT m_font;
  int m_w, m_h;
};

} // namespace swell_test

#endif
