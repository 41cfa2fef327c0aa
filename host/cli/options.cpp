#include "options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace cinderpath_cli {
namespace {

bool ParseInt(const std::string& text, long minValue, long maxValue, long* out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < minValue || v > maxValue) return false;
  *out = v;
  return true;
}

// Takes the value of an option given as "--name VALUE" or "--name=VALUE".
bool TakeValue(const std::vector<std::string>& args, size_t* i, const std::string& name,
               std::string* value, std::string* error) {
  const std::string& arg = args[*i];
  if (arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0) {
    *value = arg.substr(name.size() + 1);
    return true;
  }
  if (*i + 1 >= args.size()) {
    *error = "option " + name + " needs a value";
    return false;
  }
  *value = args[++*i];
  return true;
}

bool Matches(const std::string& arg, const std::string& name) {
  return arg == name || arg.compare(0, name.size() + 1, name + "=") == 0;
}

}  // namespace

const char* UsageText() {
  return "usage:\n"
         "  cinderpath render [INPUT] [-o OUTPUT] [--set NAME=VALUE]... [--preset N]\n"
         "                    [--state FILE] [--save-state FILE] [--offline] [--block FRAMES]\n"
         "                    [--format float|pcm16|pcm24] [--quiet] [--component PATH]\n"
         "  cinderpath info [--component PATH]\n"
         "  cinderpath help\n"
         "\n"
         "render  runs INPUT (any file libsndfile reads, mono or stereo) through the effect\n"
         "        and writes OUTPUT (default: INPUT's name with -cinderpath before the\n"
         "        extension, 32-bit float WAV). Without INPUT a built-in demo is rendered\n"
         "        to cinderpath-demo.wav. The effect's latency is compensated: the output\n"
         "        is time-aligned with the input and as long as it.\n"
         "        --set takes a parameter's name as the host sees it or its index, and a\n"
         "        value in the parameter's units or one of its display texts (on, off, ...).\n"
         "info    lists what a host sees: identity, channel configurations, latency,\n"
         "        parameters and factory presets.\n";
}

bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions* options, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    if (arg == "-o" || Matches(arg, "--output")) {
      if (!TakeValue(args, &i, arg == "-o" ? "-o" : "--output", &value, error)) return false;
      options->output = value;
    } else if (Matches(arg, "--set")) {
      if (!TakeValue(args, &i, "--set", &value, error)) return false;
      const auto eq = value.find('=');
      if (eq == std::string::npos || eq == 0) {
        *error = "--set needs NAME=VALUE, got '" + value + "'";
        return false;
      }
      options->sets.emplace_back(value.substr(0, eq), value.substr(eq + 1));
    } else if (Matches(arg, "--preset")) {
      long n = 0;
      if (!TakeValue(args, &i, "--preset", &value, error)) return false;
      if (!ParseInt(value, 0, INT_MAX, &n)) {
        *error = "--preset needs a preset number (0 or more), got '" + value + "'";
        return false;
      }
      options->preset = static_cast<int>(n);
    } else if (Matches(arg, "--state")) {
      if (!TakeValue(args, &i, "--state", &options->stateIn, error)) return false;
    } else if (Matches(arg, "--save-state")) {
      if (!TakeValue(args, &i, "--save-state", &options->stateOut, error)) return false;
    } else if (arg == "--offline") {
      options->offline = true;
    } else if (Matches(arg, "--block")) {
      long n = 0;
      if (!TakeValue(args, &i, "--block", &value, error)) return false;
      if (!ParseInt(value, 1, 65536, &n)) {
        *error = "--block needs a frame count from 1 to 65536, got '" + value + "'";
        return false;
      }
      options->blockFrames = static_cast<int>(n);
    } else if (Matches(arg, "--format")) {
      if (!TakeValue(args, &i, "--format", &value, error)) return false;
      if (value == "float") options->format = SampleFormat::kFloat32;
      else if (value == "pcm16") options->format = SampleFormat::kPcm16;
      else if (value == "pcm24") options->format = SampleFormat::kPcm24;
      else {
        *error = "--format is float, pcm16 or pcm24, got '" + value + "'";
        return false;
      }
    } else if (arg == "--quiet" || arg == "-q") {
      options->quiet = true;
    } else if (Matches(arg, "--component")) {
      if (!TakeValue(args, &i, "--component", &options->component, error)) return false;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      *error = "unknown option '" + arg + "'";
      return false;
    } else if (options->input.empty()) {
      options->input = arg;
    } else {
      *error = "more than one input file given ('" + options->input + "' and '" + arg + "')";
      return false;
    }
  }
  return true;
}

bool ParseInfoOptions(const std::vector<std::string>& args, InfoOptions* options, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (Matches(args[i], "--component")) {
      if (!TakeValue(args, &i, "--component", &options->component, error)) return false;
    } else {
      *error = "info takes no argument '" + args[i] + "'";
      return false;
    }
  }
  return true;
}

}  // namespace cinderpath_cli
