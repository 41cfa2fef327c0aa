// Text preparation and box layout of SWELL_DrawText, kept apart from the
// rasteriser so that their arithmetic can be checked on its own. Not part of
// the public interface.
#ifndef SWELL_TEXT_LAYOUT_H_
#define SWELL_TEXT_LAYOUT_H_

#include <cstdint>

#include "swell-types.h"

// Strict UTF-8 decoding of n bytes (no overlong forms, surrogates or codes
// above U+10FFFF) into codes (room for n entries; may be null to only check)
// and *count (may be null). False when the bytes are not valid UTF-8.
bool swell_DecodeUtf8(const unsigned char* s, int n, uint32_t* codes, int* count);

// Bytes of text SWELL_DrawText works on at most.
enum
{
  kSwellTextMax = 4095
};

// Copies text into out (at least kSwellTextMax + 1 bytes) the way drawing
// sees it: up to the NUL or length bytes (length >= 0), at most kSwellTextMax;
// carriage returns dropped; without DT_NOPREFIX an "&" is dropped and the
// byte after it kept as is ("&&" gives "&", a trailing "&" gives nothing);
// with DT_SINGLELINE line feeds become spaces. Sets *multiLine when a line
// feed remains. Returns the bytes written (out is NUL-terminated).
int swell_PrepareText(const char* text, int length, int flags, char* out, bool* multiLine);

// The box text of w x h pixels is laid out in: x, y, width and height in
// pixels (fractions allowed), from r and the alignment flags.
struct SWELL_TextBox
{
  double x, y, width, height;
};
SWELL_TextBox swell_LayoutTextBox(const RECT& r, int flags, double w, double h);

#endif
