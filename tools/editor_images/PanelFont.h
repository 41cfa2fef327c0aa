// A 5 x 7 pixel font (capitals, digits, and the lower case the units need)
// for the legends printed on the panel.
// Printed legends are part of the images, so they must come out the same on
// every machine: a font file from the system would tie the committed images to
// whatever fonts are installed.
#ifndef CINDERPATH_TOOLS_PANEL_FONT_H_
#define CINDERPATH_TOOLS_PANEL_FONT_H_

namespace panel_font
{

constexpr int kGlyphW = 5;     // pixels
constexpr int kGlyphH = 7;     // pixels
constexpr int kAdvance = 6;    // pixels from one glyph to the next

// Seven rows of a glyph, bit 4 the leftmost column; null for a character the
// font lacks (drawn as a space). [any thread]
const unsigned char* Glyph(char c);

// Width in pixels of text drawn at the given scale. [any thread]
inline int TextWidth(const char* text, int scale)
{
  int n = 0;
  while (text[n]) ++n;
  return n ? (n * kAdvance - 1) * scale : 0;
}

}  // namespace panel_font

#endif
