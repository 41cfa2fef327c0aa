// Command-line options of the cinderpath program.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "audio_file.h"

namespace cinderpath_cli {

struct RenderOptions {
  std::vector<std::string> inputs;   // empty: the built-in demo; "-": standard input
  std::string output;                // empty: derived from the input; a folder with several inputs
  std::vector<std::pair<std::string, std::string>> sets;  // --set NAME=VALUE, in order
  std::string preset;                // --preset NAME or N; empty: none
  std::string settingsIn;            // --settings FILE (NAME=VALUE lines)
  std::string settingsOut;           // --save-settings FILE
  std::string stateIn;               // --state FILE
  std::string stateOut;              // --save-state FILE
  std::string programIn;             // --program FILE.fxp
  std::string bankIn;                // --bank FILE.fxb
  std::string programOut;            // --save-program FILE.fxp
  std::string bankOut;               // --save-bank FILE.fxb
  bool offline = false;
  int blockFrames = 512;
  SampleFormat format = SampleFormat::kDefault;
  bool quiet = false;
  bool noClobber = false;            // -n: refuse existing outputs
  int jobs = 0;                      // -j N: files rendered at once; 0: one per core
  bool help = false;                 // -h/--help: print the render help and do nothing else
  std::string component;             // --component PATH (bundle location)
};

struct EditorOptions {
  std::vector<std::pair<std::string, std::string>> sets;  // --set NAME=VALUE, in order
  std::string preset;                                     // --preset NAME or N
  std::string settingsIn;                                 // --settings FILE
  std::string settingsOut;                                // --save-settings FILE
  std::string stateIn;                                    // --state FILE
  std::string stateOut;                                   // --save-state FILE
  std::string component;                                  // --component PATH
  double scale = 0.0;                                     // --scale S; 0: the screen's or the environment's
  bool help = false;
};

struct InfoOptions {
  std::string component;
  // A saved file to describe instead of the plug-in (at most one).
  std::string stateIn, programIn, bankIn;
  bool help = false;
};

// Parses the arguments after "render". False with a message on bad options.
bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions* options, std::string* error);
bool ParseInfoOptions(const std::vector<std::string>& args, InfoOptions* options, std::string* error);
bool ParseEditorOptions(const std::vector<std::string>& args, EditorOptions* options, std::string* error);

// Pieces of every command's option parsing. ParseInt: a whole decimal number
// within minValue .. maxValue. TakeValue: the value of an option given as
// "NAME VALUE" or "NAME=VALUE" (false with a message when it is missing).
// Matches: arg is the option name, alone or with "=VALUE".
bool ParseInt(const std::string& text, long minValue, long maxValue, long* out);
bool TakeValue(const std::vector<std::string>& args, size_t* i, const std::string& name, std::string* value,
               std::string* error);
bool Matches(const std::string& arg, const std::string& name);
// The value of --set (NAME=VALUE, appended to sets) and of --preset (a
// name, or a number 0 or more; names are resolved against the plug-in's
// presets later). False with a message.
bool TakeSet(const std::vector<std::string>& args, size_t* i, std::vector<std::pair<std::string, std::string>>* sets,
             std::string* error);
bool TakePreset(const std::vector<std::string>& args, size_t* i, std::string* preset, std::string* error);
// The value of --scale: one of the editor's scales (1, 1.5, 2, 3); anything
// else is refused with a message naming them.
bool TakeScale(const std::vector<std::string>& args, size_t* i, double* scale, std::string* error);

// Help texts: the overview ("cinderpath help") and each command's own.
const char* UsageText();
const char* RenderHelpText();
const char* InfoHelpText();
const char* EditorHelpText();
// "cinderpath VERSION" for --version.
const char* VersionText();

}  // namespace cinderpath_cli
