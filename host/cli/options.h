// Command-line options of the cinderpath program.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "audio_file.h"

namespace cinderpath_cli {

struct RenderOptions {
  std::string input;                 // empty: the built-in demo
  std::string output;                // empty: derived from the input
  std::vector<std::pair<std::string, std::string>> sets;  // --set NAME=VALUE, in order
  int preset = -1;                   // --preset N; -1: none
  std::string stateIn;               // --state FILE
  std::string stateOut;              // --save-state FILE
  bool offline = false;
  int blockFrames = 512;
  SampleFormat format = SampleFormat::kFloat32;
  bool quiet = false;
  std::string component;             // --component PATH (bundle location)
};

struct InfoOptions {
  std::string component;
};

// Parses the arguments after "render". False with a message on bad options.
bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions* options, std::string* error);
bool ParseInfoOptions(const std::vector<std::string>& args, InfoOptions* options, std::string* error);

// Usage text printed by "help" and after option errors.
const char* UsageText();

}  // namespace cinderpath_cli
