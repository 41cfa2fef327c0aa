#include "IGraphicsScale.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

const char kEditorScaleEnvVar[] = "CINDERPATH_UI_SCALE";

namespace
{
void Say(char* out, int size, const char* what, const char* text)
{
  if (out && size > 0) std::snprintf(out, (size_t)size, what, text);
}
}  // namespace

bool IsEditorScale(double scale)
{
  for (int i = 0; i < kNEditorScales; ++i)
    if (scale == kEditorScales[i]) return true;
  return false;
}

bool ParseEditorScale(const char* text, double* scale, char* error, int errorSize)
{
  if (!text || !*text)
  {
    Say(error, errorSize, "%sno scale given (1, 1.5, 2 or 3)", "");
    return false;
  }
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end || !std::isfinite(v))
  {
    Say(error, errorSize, "'%.64s' is not a scale (1, 1.5, 2 or 3)", text);
    return false;
  }
  if (!IsEditorScale(v))
  {
    Say(error, errorSize, "the editor draws at scale 1, 1.5, 2 or 3, not %.64s", text);
    return false;
  }
  if (scale) *scale = v;
  return true;
}

double NearestEditorScale(double factor)
{
  if (!std::isfinite(factor) || factor <= 0.0) return 1.0;
  double best = kEditorScales[0];
  for (int i = 1; i < kNEditorScales; ++i)
    if (std::fabs(kEditorScales[i] - factor) < std::fabs(best - factor)) best = kEditorScales[i];
  return best;
}

double EditorScaleOfDpi(double dotsPerInch)
{
  return dotsPerInch > 0.0 ? NearestEditorScale(dotsPerInch / 96.0) : 1.0;
}

double ChooseEditorScale(const char* envValue, double hostFactor, double dotsPerInch, char* warning,
                         int warningSize)
{
  if (warning && warningSize > 0) *warning = 0;
  if (envValue && *envValue)
  {
    double forced = 1.0;
    char why[160];
    if (ParseEditorScale(envValue, &forced, why, (int)sizeof(why))) return forced;
    if (warning && warningSize > 0) std::snprintf(warning, (size_t)warningSize, "%s ignored: %s", kEditorScaleEnvVar, why);
  }
  if (hostFactor > 0.0 && std::isfinite(hostFactor)) return NearestEditorScale(hostFactor);
  if (dotsPerInch > 0.0 && std::isfinite(dotsPerInch)) return EditorScaleOfDpi(dotsPerInch);
  return 1.0;
}
