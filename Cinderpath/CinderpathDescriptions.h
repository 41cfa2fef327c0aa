// Plain-words descriptions of Cinderpath and of each of its parameters, in
// parameter index order. Hosts' documentation texts (the LV2 description) and
// the command-line program's parameter list print them, so a user learns
// what each control does and which switch it depends on.
#pragma once

struct CinderpathParamDescription {
  const char* name;  // the parameter's name as hosts see it
  const char* text;  // one line, no trailing full stop
};

inline constexpr const char* kCinderpathDescription =
    "Valve preamplifier: switchable input high-pass, peaking filter, high shelf and resonant low-pass, "
    "an oversampled cubic soft clipper with an asymmetric bias curve, then always-on output high-pass and "
    "low-pass filters and the output level";

inline constexpr const char* kCinderpathLicense = "https://spdx.org/licenses/MIT";

inline constexpr CinderpathParamDescription kCinderpathParamDescriptions[] = {
    {"Cutoff", "Cutoff frequency of the resonant low-pass (acts only while \"LP On\" is on)"},
    {"Resonance", "Resonance of the resonant low-pass, 0 (none) to 1 (acts only while \"LP On\" is on)"},
    {"Drive", "Gain into the valve stage; more drive, more saturation (\"Boost\" adds to it)"},
    {"Bias", "Asymmetry of the valve stage's bias curve; lower values flatten the positive half-wave more and add even harmonics"},
    {"Volume", "Output level after the valve stage, with make-up gain for the bias"},
    {"Mono", "Sends the processed left channel to both outputs"},
    {"Bypass", "Passes the input through untouched"},
    {"Phase", "Inverts the polarity of both outputs"},
    {"Boost", "Extra drive in dB added to \"Drive\" (the editor's switch gives 0 or 12)"},
    {"LP On", "Switches the resonant low-pass (\"Cutoff\", \"Resonance\") into the input"},
    {"HP On", "Switches the input high-pass (\"HP Freq\") into the input"},
    {"HP Freq",
     "Corner of the switchable input high-pass (acts only while \"HP On\" is on; not the output filter \"HP_Freq\")"},
    {"Peak On", "Switches the peaking filter (\"Peak Freq\", \"Peak Gain\") into the input"},
    {"Peak Freq", "Centre frequency of the peaking filter (acts only while \"Peak On\" is on)"},
    {"Peak Gain", "Boost or cut of the peaking filter (acts only while \"Peak On\" is on)"},
    {"Shelf On", "Switches the high shelf (\"Shelf Freq\", \"Shelf Gain\") into the input"},
    {"Shelf Freq", "Corner frequency of the high shelf (acts only while \"Shelf On\" is on)"},
    {"Shelf Gain", "Boost or cut of the high shelf (acts only while \"Shelf On\" is on)"},
    {"LP_Freq", "Corner of the always-on output low-pass (not the switchable low-pass \"Cutoff\")"},
    {"OS", "Oversampling factor of the valve stage, 1 to 16; higher is cleaner and costs more"},
    {"Quality", "Raises oversampling to 16 when the host renders offline; no effect in real time"},
    {"HP_Freq", "Corner of the always-on output high-pass (not the switchable input filter \"HP Freq\")"},
};

// The description of the parameter named name, or null.
inline const char* CinderpathParamDescriptionFor(const char* name) {
  for (const CinderpathParamDescription& d : kCinderpathParamDescriptions) {
    const char* a = d.name;
    const char* b = name;
    while (*a && *a == *b) ++a, ++b;
    if (*a == *b) return d.text;
  }
  return nullptr;
}
