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

// A stroke of a glyph drawn as an outline font: a segment between two pixel
// centres of the bitmap glyph, in glyph cells (column + 0.5, row + 0.5).
struct Stroke
{
  double x1, y1, x2, y2;
};

// The glyph's pixels joined into strokes: every set pixel to its set right
// and lower neighbours, and diagonally where no set pixel already turns the
// corner; a pixel with no set neighbour is a stroke of length zero. Drawn
// with a half width of half a cell, horizontal and vertical runs cover the
// same cells as the bitmap, and slants come out as straight lines instead of
// steps. Writes at most maxStrokes strokes and returns how many it wrote
// (none for a character the font lacks). [any thread]
int GlyphStrokes(char c, Stroke* out, int maxStrokes);

// Most strokes any glyph has (a 5 x 7 grid has fewer than this many joins).
constexpr int kMaxStrokes = 4 * kGlyphW * kGlyphH;

// Width in pixels of text drawn at the given scale. [any thread]
inline int TextWidth(const char* text, int scale)
{
  int n = 0;
  while (text[n]) ++n;
  return n ? (n * kAdvance - 1) * scale : 0;
}

}  // namespace panel_font

#endif
