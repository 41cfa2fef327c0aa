// The file name of an editor image drawn for a display scale: the scale-1
// file "resources/img/KnobS.png" drawn at scale 2 is "resources/img/KnobS@2x.png",
// at 1.5 "resources/img/KnobS@1.5x.png". The image generator writes these
// names and the editor loads them, so the rule lives here alone.
// Header-only and free of dependencies so both sides can include it; the
// list of scales drawn for lives here for the same reason.
#ifndef CINDERPATH_ISCALEDIMAGENAME_H_
#define CINDERPATH_ISCALEDIMAGENAME_H_

#include <cmath>
#include <string>

// The scales the editor draws at and the generator draws images for,
// ascending, 1 first.
inline constexpr double kEditorScales[] = {1.0, 1.5, 2.0, 3.0};
inline constexpr int kNEditorScales = (int)(sizeof(kEditorScales) / sizeof(kEditorScales[0]));

// Name of baseFile's image at the given scale. The scale is written with at
// most two decimals and no trailing zeros, always with a '.' whatever the
// locale; "@<scale>x" goes before the extension of the last path component
// (or at the end when it has none). A scale that rounds to 1, or one that is
// not a positive finite number, gives baseFile unchanged. [any thread]
inline std::string ScaledImageName(const std::string& baseFile, double scale)
{
  if (!std::isfinite(scale) || scale <= 0.0 || scale > 1000.0) return baseFile;
  const long hundredths = std::lround(scale * 100.0);
  if (hundredths == 100 || hundredths <= 0) return baseFile;

  std::string tag = "@" + std::to_string(hundredths / 100);
  const long frac = hundredths % 100;
  if (frac != 0)
  {
    tag += '.';
    tag += static_cast<char>('0' + frac / 10);
    if (frac % 10 != 0) tag += static_cast<char>('0' + frac % 10);
  }
  tag += 'x';

  const size_t slash = baseFile.find_last_of("/\\");
  const size_t dot = baseFile.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  if (!hasExtension) return baseFile + tag;
  return baseFile.substr(0, dot) + tag + baseFile.substr(dot);
}

#endif
