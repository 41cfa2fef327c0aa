// FreeType faces found through fontconfig, shared by the font and text files
// of this library. Not part of the public interface.
#ifndef SWELL_FT_H_
#define SWELL_FT_H_

#include <ft2build.h>
#include FT_FREETYPE_H

#include "mutex.h"
#include "swell-internal.h"

// A font file opened once and kept until the process exits. FreeType faces
// are not thread-safe: use one only while holding swell_TextLock().
struct SWELL_Face
{
  FT_Face ft;
  double capHeightUnits; // capital height in font units
};

// Serialises every use of FreeType and fontconfig. [any thread]
WDL_Mutex& swell_TextLock();

// Unrounded metrics of a font in pixels; y grows upwards (descender and
// underline position are negative below the baseline).
struct SWELL_FontMetrics
{
  double ascender;
  double descender;
  double capHeight;
  double lineHeight;         // distance between baselines
  double underlinePosition;  // centre of the underline
  double underlineThickness;
};

// Metrics of a font at its point size. [any thread, text lock held]
SWELL_FontMetrics swell_GetFontMetrics(const SWELL_FontAttributes& font);

// Makes font's size the active one of its face. [any thread, text lock held]
bool swell_ActivateFont(const SWELL_FontAttributes& font);

#endif
