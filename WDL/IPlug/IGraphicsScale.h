// The editor's drawing scale: which scales it draws at, how a scale written
// by a person is read, and the order in which the sources of a scale are
// asked. Layout stays in logical pixels (the scale-1 editor); a scale
// multiplies the bitmap, the window, the images and the text. [any thread]
#ifndef IPLUG_IGRAPHICSSCALE_H_
#define IPLUG_IGRAPHICSSCALE_H_

#include "IScaledImageName.h"  // kEditorScales, the scales drawn at

// The environment variable that forces the scale of every editor of the
// process, whatever the host asks.
extern const char kEditorScaleEnvVar[];  // "CINDERPATH_UI_SCALE"

// True when scale is one of kEditorScales.
bool IsEditorScale(double scale);

// Reads a scale a person wrote ("1", "1.5", "2", "2.0", "3"). False, with a
// one-line reason in error (may be null, at least 128 bytes), for anything
// else: no number, trailing text, zero, negative, or a number that is not a
// supported scale; *scale is then unchanged.
bool ParseEditorScale(const char* text, double* scale, char* error = nullptr, int errorSize = 0);

// The supported scale nearest to factor (a host's or a screen's, e.g. 1.25
// or 2.2); ties go to the smaller. 1 for a factor that is not a positive
// finite number.
double NearestEditorScale(double factor);

// The scale of a screen of dotsPerInch (96 per scale step of 1): 96 -> 1,
// 144 -> 1.5, 192 -> 2, 288 -> 3, the nearest supported scale between; 1
// for 0 or less.
double EditorScaleOfDpi(double dotsPerInch);

// Where an editor's scale comes from, first match wins: envValue (the
// environment variable's text; null or empty for unset), then hostFactor
// (the host's scale factor; <= 0 for none), then dotsPerInch (the X
// server's Xft.dpi; <= 0 for none), then 1. An invalid envValue is skipped,
// and its reason written to warning (when non-null, at least 128 bytes;
// emptied otherwise).
double ChooseEditorScale(const char* envValue, double hostFactor, double dotsPerInch, char* warning = nullptr,
                         int warningSize = 0);

// A logical coordinate at scale: floor(v * scale + 0.5), the rounding the
// image generator places panel features with.
inline int ScaleCoord(int v, double scale)
{
  const double d = (double)v * scale + 0.5;
  const int i = (int)d;
  return (d < 0.0 && (double)i != d) ? i - 1 : i;
}

#endif
