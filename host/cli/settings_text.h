// Parameters, values and presets as people write them on the command line and
// in settings files: loose names and aliases, values with units and words,
// presets by name or number, and the NAME=VALUE settings file.
#pragma once

#include <string>
#include <vector>

#include "plugin_session.h"

namespace cinderpath_cli {

// A name folded for loose matching: lower case, without spaces, '-' and '_'.
std::string LooseName(const std::string& name);

// Finds the parameter key names: its exact name as the host sees it, its
// index, an alias that tells the input filters from the output filters
// (in-hp-freq, out-hp-freq, in-lp-freq, out-lp-freq), or a loose match (case,
// spaces, '-' and '_' ignored) when only one parameter matches. False with a
// message otherwise: an ambiguous name lists the candidates with what they
// do, an unknown one suggests the nearest names.
bool FindParam(const std::vector<ParamDesc>& params, const std::string& key, const ParamDesc** found,
               std::string* error);

// Reads text as a value of parameter p in its own units: a number with an
// optional unit that fits the parameter ("6dB", "-3 dB", "120Hz", "1.2k" for
// a Hz parameter, "5k" or "5 kHz" or "410Hz" for a kHz one, "8x" for a
// factor), or a word for a switch (on/off, yes/no, true/false, any case) or
// one of the parameter's display texts. The value must lie in the range.
bool ResolveValue(PluginSession& session, const ParamDesc& p, const std::string& text, float* value,
                  std::string* error);

// Finds a factory preset by number or by name (case, spaces, '-' and '_'
// ignored; a unique beginning of a name will do). Unknown and ambiguous names
// are refused with the list of presets.
bool FindPreset(const std::vector<PresetDesc>& presets, const std::string& text, SInt32* number,
                std::string* error);

// One NAME=VALUE line of a settings file.
struct SettingsLine {
  int line = 0;  // 1-based line number in the file
  std::string name, value;
};

// Splits a settings file into its NAME=VALUE lines; blank lines and lines
// starting with '#' are skipped. False with the first malformed line's number.
bool ParseSettingsText(const std::string& text, std::vector<SettingsLine>* lines, std::string* error);

// The shortest decimal text that reads back as exactly v.
std::string ShortestNumber(float v);

// The session's current settings as a settings file: a comment header naming
// the plug-in and its version, then one NAME=VALUE line per parameter in the
// units and words ResolveValue reads.
bool FormatSettings(PluginSession& session, std::string* text, std::string* error);

}  // namespace cinderpath_cli
