#include "CinderpathPresets.h"

#include <cstring>

// Values are chosen so that each lands on a float exactly (whole numbers,
// halves, quarters, eighths): a host that sets them one by one through a
// single-precision parameter call reaches the very same settings. Volume
// levels each preset to within 3 dB of "Default" on a mixed programme,
// except where a preset is meant to be louder.
//
// Columns: Cutoff kHz, Resonance, Drive dB, Bias, Volume dB, Mono, Bypass,
// Phase, Boost dB, LP On, HP On, HP Freq Hz, Peak On, Peak Freq kHz,
// Peak Gain dB, Shelf On, Shelf Freq kHz, Shelf Gain dB, LP_Freq kHz, OS,
// Quality, HP_Freq Hz.
const CinderpathFactoryPreset kCinderpathFactoryPresets[kCinderpathNumFactoryPresets] = {
    {"Default", "default", "The plain settings: mild drive, every switchable filter out",
     {20, 0, 2, 5, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0.41, 0, 0, 5.5, 0, 24, 4, 0, 5}},
    {"Clean boost", "clean-boost", "Level boost with barely any saturation, rumble filtered out",
     {20, 0, -6, 1, 14.5, 0, 0, 0, 0, 0, 1, 40, 0, 0.41, 0, 0, 5.5, 0, 24, 4, 0, 5}},
    {"Warm bus glue", "warm-bus-glue", "Light even-harmonic saturation that thickens a mix bus",
     {20, 0, 0, 6.5, 1.75, 0, 0, 0, 0, 0, 0, 16, 0, 0.41, 0, 0, 5.5, 0, 20, 4, 0, 20}},
    {"Edge of break-up", "edge-of-break-up", "Clean when played softly, grit on the loud notes",
     {20, 0, 6, 5, -5, 0, 0, 0, 0, 0, 1, 60, 1, 1, 2, 0, 5.5, 0, 24, 4, 0, 5}},
    {"Crunch", "crunch", "Moderate drive that breaks up on peaks, for rhythm parts",
     {20, 0, 8, 5, -5.75, 0, 0, 0, 0, 0, 1, 80, 0, 0.41, 0, 0, 5.5, 0, 24, 8, 0, 5}},
    {"British lead", "british-lead", "High gain with a pushed upper midrange and a tamed top",
     {20, 0, 12, 4, -11, 0, 0, 0, 0, 0, 1, 100, 1, 1.5, 4, 1, 6, -3, 12, 8, 0, 5}},
    {"Saturated lead", "saturated-lead", "Full drive and boost, mid peak and low-pass for a singing lead",
     {7, 0.25, 14, 6.5, -18, 0, 0, 0, 12, 1, 1, 120, 1, 1, 4, 0, 5.5, 0, 24, 16, 0, 5}},
    {"Fuzz", "fuzz", "Everything into the clipper, strongly asymmetric, with a resonant top",
     {6, 0.5, 16, 9, -18, 0, 0, 0, 12, 1, 1, 150, 0, 0.41, 0, 0, 5.5, 0, 24, 16, 0, 5}},
    {"Bass DI", "bass-di", "Warm drive for bass that keeps the lows and scoops the boxy mids",
     {20, 0, 4, 3, 2.5, 0, 0, 0, 0, 0, 0, 16, 1, 0.5, -3, 1, 3, -4, 8, 4, 0, 20}},
    {"Vocal warmth", "vocal-warmth", "Gentle warmth for voice: low rumble out, harsh presence softened",
     {20, 0, 1, 7, 2, 0, 0, 0, 0, 0, 1, 80, 1, 3, -2, 1, 8, 1.5, 24, 4, 0, 5}},
    {"Warm tape", "warm-tape", "Gentle even-harmonic warmth with softened highs",
     {20, 0, 4, 7.5, -1.25, 0, 0, 0, 0, 0, 0, 16, 0, 0.41, 0, 1, 6, -4.5, 15, 4, 0, 25}},
    {"Lo-fi radio", "lo-fi-radio", "Narrow band, mono and distorted, like a small transistor radio",
     {3.5, 0.5, 10, 8, -13, 1, 0, 0, 0, 1, 1, 400, 1, 1.5, 6, 0, 5.5, 0, 24, 1, 0, 5}},
    {"Bright lift", "bright-lift", "Clean air on top with a touch of drive, for dull recordings",
     {20, 0, 0, 3, 1.5, 0, 0, 0, 0, 0, 1, 30, 0, 0.41, 0, 1, 5, 4, 24, 4, 0, 5}},
    {"Dark cabinet", "dark-cabinet", "Driven and dark, as through a closed speaker cabinet",
     {4, 0.25, 9, 5, -5.5, 0, 0, 0, 0, 1, 1, 60, 1, 0.125, 3, 1, 3, -6, 6, 8, 0, 5}},
    {"Drum smash", "drum-smash", "Hard-driven drums: flattened transients, more room and snap",
     {20, 0, 12, 2, -9.25, 0, 0, 0, 0, 0, 1, 40, 1, 0.25, 3, 1, 8, 2, 24, 4, 0, 5}},
    {"Soft clipper", "soft-clipper", "Symmetric soft clipping that rounds off peaks, oversampled 16 times",
     {20, 0, 6, 0, -0.75, 0, 0, 0, 0, 0, 0, 16, 0, 0.41, 0, 0, 5.5, 0, 24, 16, 1, 5}},
};

const char* CinderpathFactoryPresetDescription(const char* name)
{
  if (!name) return nullptr;
  for (const CinderpathFactoryPreset& p : kCinderpathFactoryPresets)
    if (std::strcmp(p.name, name) == 0) return p.description;
  return nullptr;
}
