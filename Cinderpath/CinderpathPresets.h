// The factory bank: sixteen named settings that show what the effect does,
// each with a one-line description and a value for every parameter. The
// plug-in's preset slots, the LV2 bundle's presets and the command-line
// program all read this one table.
#pragma once

inline constexpr int kCinderpathNumFactoryPresets = 16;
inline constexpr int kCinderpathNumPresetValues = 22;  // one per parameter, in parameter index order

struct CinderpathFactoryPreset {
  const char* name;         // the name hosts list, e.g. "Clean boost"
  const char* slug;         // file- and URI-safe form of the name, e.g. "clean-boost"
  const char* description;  // one line, no trailing full stop
  // Real parameter values (the units of the parameter table: dB, kHz, Hz,
  // 0/1 for switches), indexed like the parameters.
  double values[kCinderpathNumPresetValues];
};

// Slot 0 holds the parameter table's defaults, so a new instance's settings
// and its present preset agree.
extern const CinderpathFactoryPreset kCinderpathFactoryPresets[kCinderpathNumFactoryPresets];

// The description of the factory preset named name (exactly), or null. [any thread]
const char* CinderpathFactoryPresetDescription(const char* name);
