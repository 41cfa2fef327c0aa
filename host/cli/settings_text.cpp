#include "settings_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "CinderpathDescriptions.h"
#include "ITypedValue.h"

namespace cinderpath_cli {
namespace {

// Names that say which filter is meant where the parameter names alone
// differ only by a space and an underscore.
const struct {
  const char* alias;
  const char* name;
} kAliases[] = {
    {"in-hp-freq", "HP Freq"},
    {"out-hp-freq", "HP_Freq"},
    {"in-lp-freq", "Cutoff"},
    {"out-lp-freq", "LP_Freq"},
};

using typed_value::Lower;
using typed_value::Trim;

std::string AliasOf(const std::string& name) {
  for (const auto& a : kAliases)
    if (name == a.name) return a.alias;
  return std::string();
}

// Edit distance (insertions, deletions, substitutions) between a and b.
size_t Distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// "'A', 'B' or 'C'"
std::string QuotedList(const std::vector<std::string>& names) {
  std::string list;
  for (size_t i = 0; i < names.size(); ++i)
    list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + ("'" + names[i] + "'");
  return list;
}

std::string FormatRangeNumber(double v) {
  char text[64];
  std::snprintf(text, sizeof(text), "%g", v);
  return text;
}

// Whether p is a count or factor ("8x"): a whole-number setting without texts.
bool IsCount(const ParamDesc& p) {
  return p.unit == kAudioUnitParameterUnit_Indexed && p.valueStrings.empty();
}

std::string UnitWords(const ParamDesc& p) {
  if (p.unit == kAudioUnitParameterUnit_Boolean) return "";
  return p.unitName.empty() ? std::string() : " " + p.unitName;
}

}  // namespace

std::string LooseName(const std::string& name) {
  std::string folded;
  for (char c : name)
    if (c != ' ' && c != '_' && c != '-') folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

bool FindParam(const std::vector<ParamDesc>& params, const std::string& key, const ParamDesc** found,
               std::string* error) {
  for (const ParamDesc& p : params)
    if (p.name == key) return *found = &p, true;
  char* end = nullptr;
  const long index = std::strtol(key.c_str(), &end, 10);
  if (!key.empty() && *end == '\0') {
    for (const ParamDesc& p : params)
      if (static_cast<long>(p.id) == index) return *found = &p, true;
  }
  const std::string folded = LooseName(key);
  for (const auto& a : kAliases) {
    if (folded != LooseName(a.alias)) continue;
    for (const ParamDesc& p : params)
      if (p.name == a.name) return *found = &p, true;
  }
  std::vector<const ParamDesc*> loose;
  for (const ParamDesc& p : params)
    if (!folded.empty() && LooseName(p.name) == folded) loose.push_back(&p);
  if (loose.size() == 1) return *found = loose[0], true;
  if (loose.size() > 1) {
    *error = "parameter name '" + key + "' is ambiguous; it could be:";
    for (const ParamDesc* p : loose) {
      const std::string alias = AliasOf(p->name);
      const char* what = CinderpathParamDescriptionFor(p->name.c_str());
      *error += "\n  '" + p->name + "' (index " + std::to_string(p->id) +
                (alias.empty() ? "" : ", also '" + alias + "'") + ")" + (what ? std::string(": ") + what : "");
    }
    *error += "\ngive the exact name, the other name shown or the index";
    return false;
  }
  // The nearest names, by edit distance of the folded forms.
  size_t best = SIZE_MAX;
  std::vector<std::string> nearest;
  auto consider = [&](const std::string& candidate) {
    const size_t d = Distance(folded, LooseName(candidate));
    if (d < best) best = d, nearest.clear();
    if (d == best && std::find(nearest.begin(), nearest.end(), candidate) == nearest.end()) nearest.push_back(candidate);
  };
  for (const ParamDesc& p : params) consider(p.name);
  for (const auto& a : kAliases) consider(a.alias);
  *error = "unknown parameter '" + key + "'";
  if (!nearest.empty() && best <= std::max<size_t>(2, folded.size() / 3))
    *error += " (did you mean " + QuotedList(nearest) + "?)";
  *error += "; 'cinderpath info' lists the names";
  return false;
}

bool ResolveValue(PluginSession& session, const ParamDesc& p, const std::string& rawText, float* value,
                  std::string* error) {
  const std::string text = Trim(rawText);
  const std::string range = "[" + FormatRangeNumber(p.minValue) + " .. " + FormatRangeNumber(p.maxValue) + "]";
  double v = 0.0;
  std::string badUnit;
  const typed_value::EResult read = typed_value::ReadNumber(text, p.unitName, IsCount(p), &v, &badUnit);
  if (read == typed_value::kBadUnit) {
    *error = "cannot read '" + rawText + "' as a value for '" + p.name + "': '" + badUnit + "' is no unit of " +
             p.name + (p.unitName.empty() ? " (give a plain number)" : " (its unit is " + p.unitName + ")");
    return false;
  }
  if (read == typed_value::kNumber) {
    if (!std::isfinite(v) || v < p.minValue || v > p.maxValue) {
      *error = "value " + text + " for '" + p.name + "' is out of range " + range + ": " + p.name + " must be " +
               FormatRangeNumber(p.minValue) + " .. " + FormatRangeNumber(p.maxValue) + UnitWords(p);
      return false;
    }
    *value = static_cast<float>(v);
    return true;
  }
  // Words: the parameter's display texts in any case, and the usual words
  // for a switch.
  const std::string word = Lower(text);
  for (size_t i = 0; i < p.valueStrings.size(); ++i) {
    if (Lower(p.valueStrings[i]) == word) {
      *value = p.minValue + static_cast<float>(i);
      return true;
    }
  }
  if (p.unit == kAudioUnitParameterUnit_Boolean) {
    const int on = typed_value::ReadSwitchWord(word);
    if (on >= 0) return *value = on ? p.maxValue : p.minValue, true;
  }
  // Other texts are mapped by the plug-in itself, which knows the value each
  // text stands for. Parameters without texts would read any text as a number.
  float fromText = 0.0f;
  if (!p.valueStrings.empty() && session.ValueFromText(p.id, text, &fromText)) {
    *value = fromText;
    return true;
  }
  std::string accepted = "a number in " + range + UnitWords(p);
  if (!p.valueStrings.empty()) {
    accepted += " or one of:";
    for (const std::string& s : p.valueStrings) accepted += " " + s;
  }
  *error = "cannot read '" + rawText + "' as a value for '" + p.name + "' (expected " + accepted + ")";
  return false;
}

bool FindPreset(const std::vector<PresetDesc>& presets, const std::string& text, SInt32* number,
                std::string* error) {
  std::string list;
  char row[320];
  for (const PresetDesc& p : presets) {
    std::snprintf(row, sizeof(row), "\n  %3d  %s", static_cast<int>(p.number), p.name.c_str());
    list += row;
  }
  const std::string listText = presets.empty() ? std::string("; this plug-in has none") : "; the presets are:" + list;
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (!text.empty() && *end == '\0') {
    for (const PresetDesc& p : presets)
      if (p.number == n) return *number = p.number, true;
    *error = "factory preset " + text + " does not exist: " +
             (presets.empty() ? std::string("this plug-in has none")
                              : "preset must be 0 .. " + std::to_string(presets.size() - 1) + listText);
    return false;
  }
  const std::string folded = LooseName(text);
  std::vector<const PresetDesc*> starts;
  for (const PresetDesc& p : presets) {
    const std::string name = LooseName(p.name);
    if (name == folded) return *number = p.number, true;
    if (!folded.empty() && name.compare(0, folded.size(), folded) == 0) starts.push_back(&p);
  }
  if (starts.size() == 1) return *number = starts[0]->number, true;
  if (starts.size() > 1) {
    std::vector<std::string> names;
    for (const PresetDesc* p : starts) names.push_back(p->name);
    *error = "preset name '" + text + "' is ambiguous: it could be " + QuotedList(names) + listText;
    return false;
  }
  *error = "no factory preset is named '" + text + "'" + listText;
  return false;
}

bool ParseSettingsText(const std::string& text, std::vector<SettingsLine>* lines, std::string* error) {
  lines->clear();
  size_t start = 0;
  for (int number = 1; start <= text.size(); ++number) {
    size_t stop = text.find('\n', start);
    if (stop == std::string::npos) stop = text.size();
    const std::string line = Trim(text.substr(start, stop - start));
    start = stop + 1;
    if (line.empty() || line[0] == '#') continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos || Trim(line.substr(0, eq)).empty()) {
      *error = "line " + std::to_string(number) + ": expected NAME=VALUE, got '" + line + "'";
      return false;
    }
    lines->push_back({number, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))});
  }
  return true;
}

std::string ShortestNumber(float v) {
  char text[64];
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(text, sizeof(text), "%.*g", digits, static_cast<double>(v));
    // Plain decimals read best; exponents only where nothing shorter is exact.
    if (std::strtof(text, nullptr) == v && (std::string(text).find('e') == std::string::npos || digits == 9))
      return text;
  }
  std::snprintf(text, sizeof(text), "%.9g", static_cast<double>(v));
  return text;
}

bool FormatSettings(PluginSession& session, std::string* text, std::string* error) {
  std::vector<ParamDesc> params;
  if (!session.ReadParameters(&params, error)) return false;
  const UInt32 version = session.Version();
  char header[256];
  std::snprintf(header, sizeof(header),
                "# %s %u.%u.%u settings, one parameter a line as NAME=VALUE in the units\n"
                "# 'cinderpath render --set' reads; read back with --settings FILE.\n",
                session.ComponentName().c_str(), version >> 16, (version >> 8) & 0xFF, version & 0xFF);
  std::string out = header;
  for (const ParamDesc& p : params) {
    float v = 0.0f;
    if (!session.GetParameter(p.id, &v, error)) return false;
    const float index = v - p.minValue;
    const bool isText = !p.valueStrings.empty() && index >= 0.0f && index == std::floor(index) &&
                        index < static_cast<float>(p.valueStrings.size());
    out += p.name + "=" + (isText ? p.valueStrings[static_cast<size_t>(index)] : ShortestNumber(v)) + "\n";
  }
  *text = out;
  return true;
}

}  // namespace cinderpath_cli
