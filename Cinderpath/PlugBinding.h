// The host binding the plug-in class is built on, and the arguments it is
// constructed with. This is the only place that names the binding: building
// Cinderpath for another host format means changing this header alone.
#ifndef CINDERPATH_PLUGBINDING_H
#define CINDERPATH_PLUGBINDING_H

#if defined(CINDERPATH_LV2_UI)
#include "IPlugLV2UI.h"

// Base class of Cinderpath in the LV2 UI module: a parameter mirror that
// builds the editor and never processes audio.
using CinderpathBinding = IPlugLV2Mirror;
#define CINDERPATH_HAS_EDITOR 1
#elif defined(CINDERPATH_LV2)
#include "IPlugLV2.h"

// Base class of Cinderpath in the LV2 module: the LV2 binding over IPlugBase.
using CinderpathBinding = IPlugLV2;
// The processing module builds no editor: the UI module shows it.
#define CINDERPATH_HAS_EDITOR 0
#else
#include "IPlugAU.h"

// Base class of Cinderpath: the Audio Unit binding over IPlugBase.
using CinderpathBinding = IPlugAU;
// The plug-in builds its editor (CinderpathEditor.cpp) in its constructor.
#define CINDERPATH_HAS_EDITOR 1
#endif

// Packs a four-character code, first character in the top byte. [any thread]
constexpr int CinderpathFourCC(const char (&code)[5])
{
  return (int)(((unsigned)(unsigned char)code[0] << 24) | ((unsigned)(unsigned char)code[1] << 16) |
               ((unsigned)(unsigned char)code[2] << 8) | (unsigned)(unsigned char)code[3]);
}

// Identity and capabilities handed to the binding, in its argument order:
// instance information, parameter count, channel configurations ("1-1 2-2":
// mono in/out, stereo in/out), preset count, effect, product and manufacturer
// names, vendor version 1.2.2 (0x10202), unique ID 'Cdpm', manufacturer ID
// 'Mrwf', latency 4 samples, no MIDI, no state chunks, not an instrument, no
// side-chain channels.
#define CINDERPATH_BINDING_ARGS(instanceInfo, nParams, nPresets)                      \
  (instanceInfo), (nParams), "1-1 2-2", (nPresets), "Cinderpath", "", "Marrowfield", \
      0x10202, CinderpathFourCC("Cdpm"), CinderpathFourCC("Mrwf"), 4, false, false, false, 0

#endif
