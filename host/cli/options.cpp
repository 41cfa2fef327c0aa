#include "options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "IGraphicsScale.h"

#ifndef CINDERPATH_VERSION_TEXT
#define CINDERPATH_VERSION_TEXT "unknown"
#endif

namespace cinderpath_cli {
namespace {

constexpr long kMaxJobs = 64;  // at most as many outputs at once as the interrupt cleanup tracks

}  // namespace

bool ParseInt(const std::string& text, long minValue, long maxValue, long* out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < minValue || v > maxValue) return false;
  *out = v;
  return true;
}

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

bool TakeSet(const std::vector<std::string>& args, size_t* i, std::vector<std::pair<std::string, std::string>>* sets,
             std::string* error) {
  std::string value;
  if (!TakeValue(args, i, "--set", &value, error)) return false;
  const auto eq = value.find('=');
  if (eq == std::string::npos || eq == 0) {
    *error = "--set needs NAME=VALUE, got '" + value + "'";
    return false;
  }
  sets->emplace_back(value.substr(0, eq), value.substr(eq + 1));
  return true;
}

bool TakePreset(const std::vector<std::string>& args, size_t* i, std::string* preset, std::string* error) {
  std::string value;
  long n = 0;
  if (!TakeValue(args, i, "--preset", &value, error)) return false;
  const bool numeric = !value.empty() && value.find_first_not_of("+-0123456789") == std::string::npos;
  if (value.find_first_not_of(" \t") == std::string::npos || (numeric && !ParseInt(value, 0, INT_MAX, &n))) {
    *error = "--preset needs a preset name or number (0 or more), got '" + value + "'";
    return false;
  }
  *preset = value;
  return true;
}

const char* UsageText() {
  return "usage:\n"
         "  cinderpath render [INPUT...] [-o OUTPUT] [options]   render files through the effect\n"
         "  cinderpath info [--component PATH]                   list parameters, presets, latency\n"
         "  cinderpath info --state|--program|--bank FILE        what a saved file holds\n"
         "  cinderpath snapshot [-o FILE.png] [options]          draw the editor into a PNG\n"
         "  cinderpath editor [settings options]                 the editor in a window (needs X)\n"
         "  cinderpath help [render|info|snapshot|editor]        this text, or a command's own\n"
         "  cinderpath --version                                 the program's version\n"
         "\n"
         "Run 'cinderpath help render' for every render option, with examples.\n";
}

const char* RenderHelpText() {
  return "usage: cinderpath render [INPUT...] [-o OUTPUT] [options]\n"
         "\n"
         "Runs each INPUT (any file libsndfile reads, mono or stereo; '-' reads standard\n"
         "input) through the effect and writes the result, time-aligned with the input\n"
         "and as long as it (the effect's latency is compensated). Without INPUT a\n"
         "built-in demo is rendered to cinderpath-demo.wav. Files are read and written\n"
         "in blocks, so any length fits in constant memory.\n"
         "\n"
         "output\n"
         "  -o, --output FILE     where to write (default: INPUT's name with -cinderpath\n"
         "                        before the extension, in INPUT's format and sample\n"
         "                        encoding; lossy inputs (.ogg .opus .mp3) give a 32-bit\n"
         "                        float WAV file). The extension\n"
         "                        chooses the format: .wav .aif .aiff .au .caf .flac .w64\n"
         "                        .rf64 .ogg .opus (and .mp3 where libsndfile writes it).\n"
         "                        '-' writes an AU stream to standard output (the summary\n"
         "                        then goes to standard error). With several inputs,\n"
         "                        OUTPUT is a folder that receives the default names\n"
         "                        (made when it ends with '/' and does not exist).\n"
         "  --format ENC          sample encoding: float (32-bit), pcm16 or pcm24; by\n"
         "                        default the input's for the default output name,\n"
         "                        otherwise float (FLAC: pcm24)\n"
         "  -n, --no-clobber      refuse to replace any existing file\n"
         "                        An existing file is otherwise replaced only when the\n"
         "                        new one is complete, and keeps its permissions. The\n"
         "                        input, folders and read-only files are never written;\n"
         "                        a device or pipe (-o /dev/null) is written in place.\n"
         "\n"
         "settings\n"
         "  --set NAME=VALUE      set a parameter by name or index; VALUE in the\n"
         "                        parameter's unit, with or without it (6dB, -3 dB,\n"
         "                        120Hz, 1.2k for Hz, 5k or 5 kHz for kHz, 8x for OS),\n"
         "                        or a word (on/off, yes/no, true/false, any case).\n"
         "                        Names match without regard to case, spaces, '-' and\n"
         "                        '_' when that is unambiguous; in-hp-freq, out-hp-freq,\n"
         "                        in-lp-freq and out-lp-freq tell the input filters\n"
         "                        from the output filters. 'cinderpath info' lists them.\n"
         "  --preset NAME|N       select a factory preset by name (case and spaces\n"
         "                        loose, a unique beginning will do) or number 0 .. 15;\n"
         "                        'cinderpath info' lists them\n"
         "  --settings FILE       read NAME=VALUE lines, one parameter a line, as --set\n"
         "                        reads them ('#' starts a comment); parameters the\n"
         "                        file leaves out keep their values\n"
         "  --save-settings FILE  save every parameter as NAME=VALUE lines, after all\n"
         "                        settings (readable and editable; --settings reads it)\n"
         "  --state FILE          restore a state saved with --save-state\n"
         "  --save-state FILE     save the state after all settings (written as safely\n"
         "                        as the audio output)\n"
         "  --bank FILE.fxb       load a bank file (every preset, then its current one)\n"
         "  --program FILE.fxp    load a program file into the current preset\n"
         "  --save-program FILE.fxp, --save-bank FILE.fxb\n"
         "                        save the program or bank after all settings\n"
         "                        Settings apply in this order: --state, --bank,\n"
         "                        --program, --preset, --settings, then each --set.\n"
         "  --offline             render as a host's offline bounce (\"Quality\" applies)\n"
         "\n"
         "running\n"
         "  -j, --jobs N          render N files at once (default: one per core)\n"
         "  --block FRAMES        frames per render call, 1 .. 65536 (default 512)\n"
         "  -q, --quiet           print nothing but errors and warnings\n"
         "  --component PATH      the Cinderpath.component bundle to load\n"
         "  -h, --help            this text\n"
         "\n"
         "The summary gives peak and RMS per channel of the input and of the file\n"
         "written (after conversion to integers for pcm16/pcm24), and warns about\n"
         "clipped and non-finite samples.\n"
         "\n"
         "examples\n"
         "  cinderpath render take.wav --set Drive=8dB --set \"HP On=on\" --set in-hp-freq=90Hz\n"
         "  cinderpath render take.flac -o take-warm.flac --format pcm24 --preset \"Warm tape\"\n"
         "  cinderpath render take.wav --preset crunch --save-settings crunch.txt\n"
         "  cinderpath render take.wav --settings crunch.txt --set Volume=-3 --save-state crunch.plist\n"
         "  cinderpath render *.wav -o rendered/ -j 2\n"
         "  cinderpath render take.wav -o /dev/null         # a dry run: summary only\n"
         "  cinderpath render - -o - < take.wav > take-cinderpath.au\n";
}

const char* InfoHelpText() {
  return "usage: cinderpath info [--component PATH]\n"
         "       cinderpath info --state FILE | --program FILE.fxp | --bank FILE.fxb\n"
         "\n"
         "Lists what a host sees of the effect: identity, channel configurations,\n"
         "latency, every parameter (index, name, unit, range, default, what it does)\n"
         "and the factory presets with what each is for.\n"
         "\n"
         "With a saved file, prints the settings it holds instead, as the NAME=VALUE\n"
         "lines of a settings file (for a bank, those of its current preset).\n"
         "\n"
         "examples\n"
         "  cinderpath info\n"
         "  cinderpath info --state crunch.plist > crunch-state.txt\n";
}

const char* EditorHelpText() {
  return "usage: cinderpath editor [--set NAME=VALUE]... [--preset NAME|N] [--state FILE]\n"
         "                         [--settings FILE] [--save-state FILE]\n"
         "                         [--save-settings FILE] [--scale S] [--component PATH]\n"
         "\n"
         "Shows the effect's editor in a window, asked for as an Audio Unit host asks\n"
         "for it, so settings can be tried by hand. The settings options are applied\n"
         "first, as render applies them; the window's title names the present preset.\n"
         "When the window is closed, --save-state and --save-settings write the\n"
         "settings it ended with (files render and editor read with --state and\n"
         "--settings). Needs an X display (DISPLAY).\n"
         "\n"
         "  --scale S   draw the editor at scale S: 1, 1.5, 2 or 3 (780 x 200 pixels\n"
         "              times S). Without it the scale comes from CINDERPATH_UI_SCALE,\n"
         "              else from the X server's Xft.dpi (96 per step of 1), else 1.\n";
}

const char* VersionText() { return "cinderpath " CINDERPATH_VERSION_TEXT "\n"; }

bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions* options, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    if (arg == "-o" || Matches(arg, "--output")) {
      if (!TakeValue(args, &i, arg == "-o" ? "-o" : "--output", &value, error)) return false;
      options->output = value;
    } else if (Matches(arg, "--set")) {
      if (!TakeSet(args, &i, &options->sets, error)) return false;
    } else if (Matches(arg, "--preset")) {
      if (!TakePreset(args, &i, &options->preset, error)) return false;
    } else if (Matches(arg, "--state")) {
      if (!TakeValue(args, &i, "--state", &options->stateIn, error)) return false;
    } else if (Matches(arg, "--save-state")) {
      if (!TakeValue(args, &i, "--save-state", &options->stateOut, error)) return false;
    } else if (Matches(arg, "--settings")) {
      if (!TakeValue(args, &i, "--settings", &options->settingsIn, error)) return false;
    } else if (Matches(arg, "--save-settings")) {
      if (!TakeValue(args, &i, "--save-settings", &options->settingsOut, error)) return false;
    } else if (Matches(arg, "--program")) {
      if (!TakeValue(args, &i, "--program", &options->programIn, error)) return false;
    } else if (Matches(arg, "--bank")) {
      if (!TakeValue(args, &i, "--bank", &options->bankIn, error)) return false;
    } else if (Matches(arg, "--save-program")) {
      if (!TakeValue(args, &i, "--save-program", &options->programOut, error)) return false;
    } else if (Matches(arg, "--save-bank")) {
      if (!TakeValue(args, &i, "--save-bank", &options->bankOut, error)) return false;
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
      if (value == "float" || value == "float32") options->format = SampleFormat::kFloat32;
      else if (value == "pcm16") options->format = SampleFormat::kPcm16;
      else if (value == "pcm24") options->format = SampleFormat::kPcm24;
      else {
        *error = "--format is float, pcm16 or pcm24, got '" + value + "'";
        return false;
      }
    } else if (arg == "--quiet" || arg == "-q") {
      options->quiet = true;
    } else if (arg == "-n" || arg == "--no-clobber") {
      options->noClobber = true;
    } else if (arg == "-h" || arg == "--help") {
      options->help = true;
    } else if (arg == "-j" || Matches(arg, "--jobs") || (arg.size() > 2 && arg.compare(0, 2, "-j") == 0)) {
      long n = 0;
      if (arg.size() > 2 && arg[1] == 'j') value = arg.substr(2);
      else if (!TakeValue(args, &i, arg == "-j" ? "-j" : "--jobs", &value, error)) return false;
      if (!ParseInt(value, 1, kMaxJobs, &n)) {
        *error = "--jobs needs a count from 1 to " + std::to_string(kMaxJobs) + ", got '" + value + "'";
        return false;
      }
      options->jobs = static_cast<int>(n);
    } else if (Matches(arg, "--component")) {
      if (!TakeValue(args, &i, "--component", &options->component, error)) return false;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      *error = "unknown option '" + arg + "'";
      return false;
    } else {
      options->inputs.push_back(arg);
    }
  }
  return true;
}

bool TakeScale(const std::vector<std::string>& args, size_t* i, double* scale, std::string* error) {
  std::string value;
  if (!TakeValue(args, i, "--scale", &value, error)) return false;
  char why[160];
  if (!ParseEditorScale(value.c_str(), scale, why, static_cast<int>(sizeof(why)))) {
    *error = std::string("--scale: ") + why;
    return false;
  }
  return true;
}

bool ParseEditorOptions(const std::vector<std::string>& args, EditorOptions* options, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
      options->help = true;
    } else if (Matches(arg, "--set")) {
      if (!TakeSet(args, &i, &options->sets, error)) return false;
    } else if (Matches(arg, "--preset")) {
      if (!TakePreset(args, &i, &options->preset, error)) return false;
    } else if (Matches(arg, "--state")) {
      if (!TakeValue(args, &i, "--state", &options->stateIn, error)) return false;
    } else if (Matches(arg, "--save-state")) {
      if (!TakeValue(args, &i, "--save-state", &options->stateOut, error)) return false;
    } else if (Matches(arg, "--settings")) {
      if (!TakeValue(args, &i, "--settings", &options->settingsIn, error)) return false;
    } else if (Matches(arg, "--save-settings")) {
      if (!TakeValue(args, &i, "--save-settings", &options->settingsOut, error)) return false;
    } else if (Matches(arg, "--component")) {
      if (!TakeValue(args, &i, "--component", &options->component, error)) return false;
    } else if (Matches(arg, "--scale")) {
      if (!TakeScale(args, &i, &options->scale, error)) return false;
    } else {
      *error = "editor takes no argument '" + arg + "'";
      return false;
    }
  }
  return true;
}

bool ParseInfoOptions(const std::vector<std::string>& args, InfoOptions* options, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-h" || args[i] == "--help") {
      options->help = true;
    } else if (Matches(args[i], "--component")) {
      if (!TakeValue(args, &i, "--component", &options->component, error)) return false;
    } else if (Matches(args[i], "--state")) {
      if (!TakeValue(args, &i, "--state", &options->stateIn, error)) return false;
    } else if (Matches(args[i], "--program")) {
      if (!TakeValue(args, &i, "--program", &options->programIn, error)) return false;
    } else if (Matches(args[i], "--bank")) {
      if (!TakeValue(args, &i, "--bank", &options->bankIn, error)) return false;
    } else {
      *error = "info takes no argument '" + args[i] + "'";
      return false;
    }
  }
  if (!options->stateIn.empty() + !options->programIn.empty() + !options->bankIn.empty() > 1) {
    *error = "info describes one file at a time: give one of --state, --program and --bank";
    return false;
  }
  return true;
}

}  // namespace cinderpath_cli
