// Values as a person types them: into an editor's value field or on a command
// line. A number is read in the parameter's own unit and may carry that unit
// or a related one ("-3 dB", "120 Hz", "1.2k" for a Hz parameter, "410Hz" for
// a kHz one, "8x" for a count); a switch also takes on/off, yes/no and
// true/false. Header-only so that hosts built without the framework's
// libraries read values exactly as the editor does. [any thread]
#ifndef _ITYPEDVALUE_
#define _ITYPEDVALUE_

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

namespace typed_value
{

inline std::string Trim(const std::string& s)
{
  const auto b = s.find_first_not_of(" \t\r\n");
  const auto e = s.find_last_not_of(" \t\r\n");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

inline std::string Lower(std::string s)
{
  for (char& c : s) c = (char)std::tolower((unsigned char)c);
  return s;
}

// The factor from a typed unit (lower case, trimmed) to a parameter's own
// unit ownUnit ("dB", "Hz", "kHz", or another label), or 0 when it does not
// fit. No unit always fits; "x" fits a count (a whole-number setting without
// value texts).
inline double UnitFactor(const std::string& ownUnit, bool isCount, const std::string& unit)
{
  if (unit.empty()) return 1.0;
  const std::string own = Lower(ownUnit);
  if (own == "db") return unit == "db" ? 1.0 : 0.0;
  if (own == "hz") return unit == "hz" ? 1.0 : (unit == "k" || unit == "khz") ? 1000.0 : 0.0;
  if (own == "khz") return (unit == "k" || unit == "khz") ? 1.0 : unit == "hz" ? 0.001 : 0.0;
  if (isCount) return unit == "x" ? 1.0 : 0.0;
  return 0.0;
}

enum EResult
{
  kNumber,     // *value holds the number in the parameter's own unit
  kBadUnit,    // a number followed by *unit, which does not fit
  kNotNumber,  // no number: a word, or nothing
};

// Reads text as a number with an optional unit. A text starting with a
// letter is no number ("inf" and "nan" included).
inline EResult ReadNumber(const std::string& rawText, const std::string& ownUnit, bool isCount, double* value,
                          std::string* unit)
{
  const std::string text = Trim(rawText);
  if (text.empty() || std::isalpha((unsigned char)text[0])) return kNotNumber;
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return kNotNumber;
  const std::string rest = Trim(end);
  const double factor = UnitFactor(ownUnit, isCount, Lower(rest));
  if (factor == 0.0)
  {
    if (unit) *unit = rest;
    return kBadUnit;
  }
  *value = number * factor;  // may be non-finite ("1e999"): callers check the range
  return kNumber;
}

// 1 for on/yes/true, 0 for off/no/false (any case), -1 for anything else.
inline int ReadSwitchWord(const std::string& text)
{
  const std::string word = Lower(Trim(text));
  if (word == "on" || word == "yes" || word == "true") return 1;
  if (word == "off" || word == "no" || word == "false") return 0;
  return -1;
}

}  // namespace typed_value

#endif
