#include "render_job.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits.h>
#include <mutex>
#include <sstream>
#include <thread>

#include "CinderpathDescriptions.h"
#include "CinderpathPresets.h"
#include "audio_file.h"
#include "demo_signal.h"
#include "plist.h"
#include "plugin_session.h"
#include "render_stream.h"
#include "safe_output.h"
#include "setting_files.h"
#include "settings_text.h"

#ifndef CINDERPATH_COMPONENT_RELATIVE
#define CINDERPATH_COMPONENT_RELATIVE "../Cinderpath.component"
#endif

namespace cinderpath_cli {
namespace {

constexpr double kProgressMinSeconds = 5.0;  // shorter inputs render without progress

int Fail(const std::string& message) {
  std::fprintf(stderr, "cinderpath: %s\n", message.c_str());
  return 1;
}

std::string FourCC(UInt32 code) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((code >> shift) & 0xFF);
    s += (c >= 32 && c < 127) ? c : '?';
  }
  return s;
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  const auto e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A parameter's unit as a user reads it: its label, or the kind of value.
std::string UnitText(const ParamDesc& p) {
  if (p.unit == kAudioUnitParameterUnit_Boolean) return "bool";
  if (p.unit == kAudioUnitParameterUnit_Indexed) return "index";
  return p.unitName;
}

// Reads a settings file whole: regular files within the loaders' cap only.
bool ReadTextFile(const std::string& path, std::string* text, std::string* error, const char* what = "state file") {
  return ReadCappedFile(path, what, MaxSettingFileBytes(), text, error);
}

// Why a state the plug-in refused does not fit: another plug-in's, or damaged.
std::string StateRefusal(CFPropertyListRef state, const ComponentDescription& desc, OSStatus status) {
  const std::string code = " (" + StatusText(status) + ")";
  if (CFGetTypeID(state) != CFDictionaryGetTypeID()) return "it holds no plug-in state" + code;
  const CFDictionaryRef dict = static_cast<CFDictionaryRef>(state);
  const struct {
    const char* key;
    OSType expected;
  } ids[] = {{"type", desc.componentType}, {"subtype", desc.componentSubType}, {"manufacturer", desc.componentManufacturer}};
  for (const auto& id : ids) {
    CFStringRef key = CFStringCreateWithCString(nullptr, id.key, kCFStringEncodingUTF8);
    const void* value = CFDictionaryGetValue(dict, key);
    CFRelease(key);
    SInt32 number = 0;
    if (value && CFGetTypeID(value) == CFNumberGetTypeID() &&
        CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberSInt32Type, &number) &&
        static_cast<OSType>(number) != id.expected) {
      return "this state file belongs to another plug-in ('" + FourCC(static_cast<UInt32>(number)) + "' " + id.key +
             ", this one is '" + FourCC(id.expected) + "')" + code;
    }
  }
  return "the state data is damaged or incomplete" + code;
}

// Progress of the files being rendered, on one terminal line: a bar for a
// single file, "name NN%" for each when several render at once. Lines printed
// through Print() appear above it. [any thread; one lock]
class ProgressBoard {
 public:
  ProgressBoard(bool enabled, int slots) : mEnabled(enabled), mSlots(slots) {}
  void Update(int slot, const std::string& name, long done, long total) {
    if (!mEnabled || total <= 0) return;
    const int percent = static_cast<int>(std::min(100.0, 100.0 * done / total));
    std::lock_guard<std::mutex> lock(mMutex);
    Slot& s = mSlots[static_cast<size_t>(slot)];
    if (s.percent == percent && s.name == name) return;
    s.name = name;
    s.percent = percent;
    DrawLocked();
  }
  void Clear(int slot) {
    if (!mEnabled) return;
    std::lock_guard<std::mutex> lock(mMutex);
    mSlots[static_cast<size_t>(slot)].percent = -1;
    DrawLocked();
  }
  // Prints text (whole lines) to out, keeping the progress line below it.
  void Print(FILE* out, const std::string& text) {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mShown) std::fputs("\r\033[K", stderr);
    std::fputs(text.c_str(), out);
    std::fflush(out);
    mShown = false;
    DrawLocked();
  }
  void Finish() {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mShown) std::fputs("\r\033[K", stderr);
    mShown = false;
  }

 private:
  struct Slot {
    std::string name;
    int percent = -1;
  };
  void DrawLocked() {
    if (!mEnabled) return;
    std::string line;
    int active = 0;
    for (const Slot& s : mSlots)
      if (s.percent >= 0) ++active;
    for (const Slot& s : mSlots) {
      if (s.percent < 0) continue;
      if (mSlots.size() == 1) {
        const int width = 40, filled = s.percent * width / 100;
        line += "[" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(width - filled), ' ') +
                "] " + std::to_string(s.percent) + "%  " + s.name;
      } else {
        line += (line.empty() ? "" : "   ") + s.name + " " + std::to_string(s.percent) + "%";
      }
    }
    if (active == 0 && !mShown) return;
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    mShown = active > 0;
  }

  bool mEnabled;
  std::mutex mMutex;
  std::vector<Slot> mSlots;
  bool mShown = false;
};

// One file to render and where it goes.
struct FileJob {
  std::string input;   // "" for the demo
  std::string output;
  std::string label;   // how messages name the input
  bool derived = false;  // the output's name comes from the input's: its encoding follows the input's too
};

// What a finished (or failed) job reports.
struct FileResult {
  bool ok = false;
  double audioSeconds = 0.0;
};

// Everything the settings options resolve to, applied to every instance.
struct Settings {
  CFPropertyListRef state = nullptr;  // --state, owned
  std::string bank, program;          // bytes of the --bank and --program files
  SInt32 preset = -1;                 // the factory preset --preset names; -1: none
  // The --settings file's values, then each --set, in the order applied.
  std::vector<std::pair<AudioUnitParameterID, float>> values;
  ~Settings() {
    if (state) CFRelease(state);
  }
};

OutputRules SettingsFileRules(const OutputRules& stateRules) {
  OutputRules rules = stateRules;
  rules.what = "settings file";
  return rules;
}

bool OpenSession(const std::string& componentOption, PluginSession* session, std::string* error) {
  const std::string path = componentOption.empty() ? DefaultComponentPath() : componentOption;
  return session->Open(path, error);
}

// Rules for writing a program or bank file: those of the state file, named
// for what is written.
OutputRules PluginFileRules(const OutputRules& stateRules, bool bank) {
  OutputRules rules = stateRules;
  rules.what = bank ? "bank file" : "program file";
  return rules;
}

// Applies --state, --bank, --program, --preset, then the resolved --settings
// and --set values to an open session.
bool ApplySettings(PluginSession& session, const RenderOptions& options, const Settings& settings,
                   std::string* error) {
  if (settings.state) {
    const OSStatus status = session.RestoreStateStatus(settings.state);
    if (status != noErr) {
      *error = "state file '" + options.stateIn + "' was refused: " +
               StateRefusal(settings.state, session.Description(), status);
      return false;
    }
  }
  // A bank first (every preset and its current one), then a program into the
  // current preset.
  for (const bool bank : {true, false}) {
    const std::string& path = bank ? options.bankIn : options.programIn;
    if (!path.empty() && !session.LoadPluginFile(bank, bank ? settings.bank : settings.program, error)) {
      *error = std::string(bank ? "bank" : "program") + " file '" + path + "' was refused: " + *error;
      return false;
    }
  }
  if (settings.preset >= 0 && !session.SelectPreset(settings.preset, error)) return false;
  for (const auto& v : settings.values)
    if (!session.SetParameter(v.first, v.second, error)) return false;
  return true;
}

// Reads a settings file's NAME=VALUE lines and resolves each against the
// parameters, appending the values to values. Every line is checked before
// any value is kept: a bad line is an error naming it. Parameters the file
// does not set keep their values, with a warning naming them.
bool LoadSettingsFile(const std::vector<ParamDesc>& params, PluginSession& session, const std::string& path,
                      std::vector<std::pair<AudioUnitParameterID, float>>* values, std::string* error) {
  std::string text;
  std::vector<SettingsLine> lines;
  if (!ReadTextFile(path, &text, error, "settings file")) return false;
  const std::string where = "settings file '" + path + "' ";
  if (!ParseSettingsText(text, &lines, error)) return *error = where + *error, false;
  std::vector<int> lineOf(params.size(), 0);
  std::vector<std::pair<AudioUnitParameterID, float>> read;
  for (const SettingsLine& line : lines) {
    const ParamDesc* p = nullptr;
    float value = 0.0f;
    const std::string at = where + "line " + std::to_string(line.line) + ": ";
    if (!FindParam(params, line.name, &p, error) || !ResolveValue(session, *p, line.value, &value, error))
      return *error = at + *error, false;
    int& first = lineOf[static_cast<size_t>(p - params.data())];
    if (first != 0) {
      *error = at + "'" + p->name + "' is set a second time (first on line " + std::to_string(first) + ")";
      return false;
    }
    first = line.line;
    read.emplace_back(p->id, value);
  }
  std::string missing;
  for (size_t i = 0; i < params.size(); ++i)
    if (lineOf[i] == 0) missing += (missing.empty() ? "" : ", ") + params[i].name;
  if (!missing.empty())
    std::fprintf(stderr, "cinderpath: warning: %sdoes not set %s; kept as they were\n", where.c_str(), missing.c_str());
  values->insert(values->end(), read.begin(), read.end());
  return true;
}

// Reads the files the settings options name (--state, --bank, --program,
// --settings), finds the --preset and resolves each --set against the
// session's parameters.
bool LoadSettings(PluginSession& session, const RenderOptions& options, Settings* settings, std::string* error) {
  if (!options.stateIn.empty()) {
    std::string xml;
    if (!ReadTextFile(options.stateIn, &xml, error)) return false;
    settings->state = ReadPropertyListXml(xml, error);
    if (!settings->state) {
      const std::string other = StateFileMismatch(xml);
      *error = "state file '" + options.stateIn + "' " + (other.empty() ? "is not readable: " + *error : other);
      return false;
    }
  }
  if (!options.bankIn.empty() && !ReadTextFile(options.bankIn, &settings->bank, error, "bank file")) return false;
  if (!options.programIn.empty() && !ReadTextFile(options.programIn, &settings->program, error, "program file"))
    return false;
  if (!options.preset.empty()) {
    std::vector<PresetDesc> presets;
    if (!session.ReadFactoryPresets(&presets, error) || !FindPreset(presets, options.preset, &settings->preset, error))
      return false;
  }
  if (options.sets.empty() && options.settingsIn.empty()) return true;
  std::vector<ParamDesc> params;
  if (!session.ReadParameters(&params, error)) return false;
  if (!options.settingsIn.empty() && !LoadSettingsFile(params, session, options.settingsIn, &settings->values, error))
    return false;
  for (const auto& set : options.sets) {
    const ParamDesc* p = nullptr;
    if (!FindParam(params, set.first, &p, error)) return false;
    float value = 0.0f;
    if (!ResolveValue(session, *p, set.second, &value, error)) return false;
    settings->values.emplace_back(p->id, value);
  }
  return true;
}

// Opens one instance to check every setting before any file is touched:
// reads --state, resolves each --set (one bad value changes nothing), and
// writes --save-state, --save-settings, --save-program and --save-bank.
bool PrepareSettings(const RenderOptions& options, const OutputRules& stateRules, Settings* settings,
                     std::string* error) {
  PluginSession session;
  if (!OpenSession(options.component, &session, error)) return false;
  if (!LoadSettings(session, options, settings, error) || !ApplySettings(session, options, *settings, error))
    return false;
  if (!options.stateOut.empty() && !SaveStateFile(session, options.stateOut, stateRules, error)) return false;
  if (!options.settingsOut.empty() && !SaveSettingsFile(session, options.settingsOut, stateRules, error)) return false;
  for (const bool bank : {true, false}) {
    const std::string& path = bank ? options.bankOut : options.programOut;
    std::string bytes;
    if (!path.empty() && (!session.CopyPluginFile(bank, &bytes, error) ||
                          !WriteFileSafely(path, bytes.data(), bytes.size(), PluginFileRules(stateRules, bank), error)))
      return false;
  }
  return true;
}

// Renders one file. Set-up and close of instances are serialised by
// setupMutex; rendering runs in parallel. Messages go through the board.
FileResult RenderFile(const FileJob& job, const AudioData* demo, const RenderOptions& options,
                      const Settings& settings, const OutputRules& rules, bool several, FILE* summaryOut, std::mutex& setupMutex,
                      ProgressBoard& board, int slot) {
  FileResult result;
  auto fail = [&](const std::string& message) {
    board.Clear(slot);
    board.Print(stderr, "cinderpath: " + message + "\n");
    return result;
  };
  std::string error;
  AudioInput input;
  if (job.input.empty()) input.OpenMemory(demo);
  else if (!input.Open(job.input, &error)) return fail(error);
  const int channels = input.NumChannels();
  const double rate = input.SampleRate();

  PluginSession session;
  // Instances open and close one at a time, whichever way this job ends.
  struct Closer {
    PluginSession& session;
    std::mutex& mutex;
    ~Closer() {
      std::lock_guard<std::mutex> lock(mutex);
      session.Close();
    }
  } closer{session, setupMutex};
  {
    std::lock_guard<std::mutex> lock(setupMutex);
    if (!OpenSession(options.component, &session, &error)) return fail(error);
    std::vector<AUChannelInfo> configs;
    if (!session.ChannelConfigurations(&configs, &error)) return fail(error);
    bool legal = false;
    std::string acceptedCounts;
    for (const AUChannelInfo& c : configs) {
      if (c.inChannels == channels && c.outChannels == channels) legal = true;
      if (c.inChannels == c.outChannels)
        acceptedCounts += (acceptedCounts.empty() ? "" : " or ") + std::to_string(c.inChannels);
    }
    if (!legal) {
      return fail("'" + job.label + "' has " + std::to_string(channels) + " channels; " + session.ComponentName() +
                  " accepts " + acceptedCounts + " channel(s)");
    }
    if (!session.Configure(channels, rate, static_cast<UInt32>(options.blockFrames), &error) ||
        (options.offline && !session.SetOffline(true, &error)) || !session.Initialize(&error) ||
        !ApplySettings(session, options, settings, &error)) {
      return fail(error);
    }
  }
  double latencySeconds = 0.0;
  if (!session.LatencySeconds(&latencySeconds, &error)) return fail(error);
  const long latencyFrames = std::max(0L, std::lround(latencySeconds * rate));

  PendingAudioFile output;
  const SampleFormat format = options.format == SampleFormat::kDefault && job.derived ? input.Encoding() : options.format;
  if (!output.Open(job.output, channels, rate, format, rules, &error)) return fail(error);
  const int bits = output.IntegerBits();

  const long headerFrames = input.HeaderFrames();
  const bool showProgress = headerFrames > kProgressMinSeconds * rate;
  const std::string shortName = BaseName(job.label);
  const StreamResult stream = StreamThroughEffect(
      input, session, output, options.blockFrames, latencyFrames, [&](long renderedFrames) {
        if (showProgress) board.Update(slot, shortName, renderedFrames, headerFrames + latencyFrames);
      });
  if (!stream.ok) return fail(stream.error);
  const long inputFrames = stream.inputFrames;
  const std::vector<ChannelStats>& inStats = stream.inStats;
  const std::vector<ChannelStats>& outStats = stream.outStats;
  const long nonFiniteIn = stream.nonFiniteIn, nonFiniteOut = stream.nonFiniteOut, clipped = stream.clipped;
  const double renderSeconds = stream.renderSeconds;
  board.Clear(slot);
  if (!output.Commit(&error)) return fail(error);

  std::string warnings;
  if ((headerFrames >= 0 && inputFrames < headerFrames) || !input.EndReason().empty())
    warnings += "cinderpath: warning: '" + job.label + "' ended after " + std::to_string(inputFrames) +
                " frames; its header says " + (headerFrames >= 0 ? std::to_string(headerFrames) : "nothing") +
                (input.EndReason().empty() ? "" : " (" + input.EndReason() + ")") + "\n";
  if (nonFiniteIn > 0)
    warnings += "cinderpath: warning: '" + job.label + "' holds " + std::to_string(nonFiniteIn) +
                " non-finite sample(s) (NaN or infinity)\n";
  if (nonFiniteOut > 0)
    warnings += "cinderpath: warning: the effect produced " + std::to_string(nonFiniteOut) +
                " non-finite sample(s) for '" + job.output + "'" +
                (bits ? " (written as 0 or full scale)" : "") + "\n";
  long floatOvers = 0;
  double floatPeak = 0.0;
  for (const ChannelStats& st : outStats) floatOvers += st.overs, floatPeak = std::max(floatPeak, st.peak);
  if (bits == 0 && floatOvers > 0)
    warnings += "cinderpath: warning: " + std::to_string(floatOvers) + " sample(s) above full scale in '" + job.output +
                "' (peak " + Trim(ChannelStats::Db(floatPeak)) +
                " dBFS); kept in the float file, they clip when played or converted to integers (lower \"Volume\")\n";
  if (clipped > 0)
    warnings += "cinderpath: warning: " + std::to_string(clipped) + " sample(s) clipped at full scale in the " +
                std::to_string(bits) + "-bit '" + job.output + "' (lower \"Volume\" or write float)\n";
  if (!warnings.empty()) board.Print(stderr, warnings);

  result.ok = true;
  result.audioSeconds = inputFrames / rate;
  if (options.quiet) return result;
  char line[512];
  std::string summary;
  if (several) {
    double peak = 0.0;
    long overs = 0;
    for (const ChannelStats& s : outStats) peak = std::max(peak, s.peak), overs += s.overs;
    std::snprintf(line, sizeof(line), "%s -> %s: %.2f s, %d ch, out peak %s dBFS, %ld over full scale\n",
                  job.label.c_str(), job.output.c_str(), result.audioSeconds, channels,
                  Trim(ChannelStats::Db(peak)).c_str(), overs);
    summary = line;
  } else {
    std::snprintf(line, sizeof(line), "%s -> %s\n", job.label.c_str(), job.output.c_str());
    summary += line;
    std::snprintf(line, sizeof(line), "%ld frames, %d channel(s), %.0f Hz, %.2f s\n", inputFrames, channels, rate,
                  result.audioSeconds);
    summary += line;
    summary += "channel   in peak  in RMS  out peak  out RMS   overs   (dBFS)\n";
    for (int c = 0; c < channels; ++c) {
      std::snprintf(line, sizeof(line), "%7d   %s  %s    %s   %s  %6ld\n", c + 1, inStats[c].PeakDb().c_str(),
                    inStats[c].RmsDb().c_str(), outStats[c].PeakDb().c_str(), outStats[c].RmsDb().c_str(),
                    outStats[c].overs);
      summary += line;
    }
    if (bits) {
      std::snprintf(line, sizeof(line), "(output figures after conversion to %d-bit integers)\n", bits);
      summary += line;
    }
    if (renderSeconds > 0.0) {
      std::snprintf(line, sizeof(line), "realtime factor: %.1fx\n", result.audioSeconds / renderSeconds);
      summary += line;
    }
  }
  board.Print(summaryOut, summary);
  return result;
}

// The output of input when several inputs go to folder dir ("" beside the input).
std::string OutputInFolder(const std::string& input, const std::string& dir) {
  const std::string name = DefaultOutputPath(input);
  if (dir.empty()) return name;
  return dir + (dir.back() == '/' ? "" : "/") + BaseName(name);
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string DefaultComponentPath() {
  if (const char* env = std::getenv("CINDERPATH_COMPONENT")) {
    if (*env) return env;
  }
  char exe[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
  if (n > 0) {
    exe[n] = '\0';
    std::string dir(exe);
    dir = dir.substr(0, dir.find_last_of('/'));
    // In the build tree, or installed: bin/cinderpath and lib/cinderpath/.
    const std::string built = dir + "/" CINDERPATH_COMPONENT_RELATIVE;
    const std::string installed = dir + "/../lib/cinderpath/Cinderpath.component";
    return IsFolder(built) || !IsFolder(installed) ? built : installed;
  }
  return "Cinderpath.component";
}

bool ApplySettingsOptions(PluginSession& session, const RenderOptions& options, std::string* error) {
  Settings settings;
  return LoadSettings(session, options, &settings, error) && ApplySettings(session, options, settings, error);
}

int RunRender(const RenderOptions& options) {
  std::string error;
  InstallInterruptCleanup();

  // The files to render and their outputs.
  std::vector<FileJob> jobs;
  const bool several = options.inputs.size() > 1;
  const bool toFolder = !options.output.empty() && (several || options.output.back() == '/');
  // A folder named with a trailing '/' is made (one level) when missing, and
  // removed again (while still empty) when the settings or targets are refused.
  struct MadeFolder {
    std::string path;
    bool keep = false;
    ~MadeFolder() {
      if (!path.empty() && !keep) rmdir(path.c_str());
    }
  } madeFolder;
  if (toFolder && !IsFolder(options.output) && options.output.back() == '/') {
    if (mkdir(options.output.c_str(), 0777) != 0)
      return Fail("cannot make the folder '" + options.output + "': " + std::strerror(errno));
    madeFolder.path = options.output;
  }
  if (toFolder && !IsFolder(options.output)) {
    return Fail("-o '" + options.output + "' must name an existing folder" +
                (several ? " when several inputs are given" : ""));
  }
  if (options.inputs.empty()) {
    jobs.push_back({"", options.output.empty() ? "cinderpath-demo.wav" : options.output, "(demo)"});
    if (toFolder) jobs.back().output = OutputInFolder("cinderpath-demo.wav", options.output);
  }
  for (const std::string& in : options.inputs) {
    const std::string out = toFolder ? OutputInFolder(in == "-" ? "stdin" : in, options.output)
                            : !options.output.empty() ? options.output
                                                      : DefaultOutputPath(in == "-" ? "stdin" : in);
    jobs.push_back({in, out, in == "-" ? "(standard input)" : in, toFolder || options.output.empty()});
  }

  // Refuse unsafe targets before any work.
  OutputRules rules;
  rules.noClobber = options.noClobber;
  rules.protectedPaths = options.inputs;
  for (const std::string* in : {&options.stateIn, &options.bankIn, &options.programIn, &options.settingsIn})
    if (!in->empty()) rules.protectedPaths.push_back(*in);
  OutputRules stateRules = rules;
  stateRules.what = "state file";
  stateRules.protectedPaths = options.inputs;
  std::vector<std::string> targets;
  for (const FileJob& job : jobs) {
    std::string resolved;
    if (!CheckOutputTarget(job.output, rules, &resolved, &error)) return Fail(error);
    const auto same = std::find(targets.begin(), targets.end(), resolved);
    if (resolved != "-" && same != targets.end())
      return Fail("inputs '" + jobs[static_cast<size_t>(same - targets.begin())].label + "' and '" + job.label +
                  "' would both be written to '" + job.output + "'; use -o with a folder or rename one");
    targets.push_back(resolved);
  }
  const struct {
    const std::string& path;
    const char* option;
    OutputRules rules;
  } saved[] = {{options.stateOut, "--save-state", stateRules},
               {options.settingsOut, "--save-settings", SettingsFileRules(stateRules)},
               {options.bankOut, "--save-bank", PluginFileRules(stateRules, true)},
               {options.programOut, "--save-program", PluginFileRules(stateRules, false)}};
  for (const auto& out : saved) {
    if (out.path.empty()) continue;
    std::string resolved;
    if (!CheckOutputTarget(out.path, out.rules, &resolved, &error)) return Fail(error);
    if (std::find(targets.begin(), targets.end(), resolved) != targets.end())
      return Fail(std::string(out.option) + " '" + out.path + "' names the audio output; name another file");
  }

  Settings settings;
  if (!PrepareSettings(options, stateRules, &settings, &error)) return Fail(error);
  madeFolder.keep = true;

  // Several files render in parallel, one instance each; the summary goes to
  // standard error when the audio goes to standard output.
  const bool toStdout = std::any_of(jobs.begin(), jobs.end(), [](const FileJob& j) { return j.output == "-"; });
  FILE* summaryOut = toStdout ? stderr : stdout;
  const AudioData demo = options.inputs.empty() ? MakeDemoSignal() : AudioData();
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int workers = static_cast<int>(std::min<size_t>(jobs.size(), options.jobs > 0 ? options.jobs : cores));
  ProgressBoard board(!options.quiet && isatty(STDERR_FILENO), workers);
  std::mutex setupMutex;
  std::atomic<size_t> next{0};
  std::vector<FileResult> results(jobs.size());
  const auto start = std::chrono::steady_clock::now();
  auto work = [&](int slot) {
    for (size_t i; (i = next++) < jobs.size();)
      results[i] = RenderFile(jobs[i], &demo, options, settings, rules, several, summaryOut, setupMutex, board, slot);
  };
  std::vector<std::thread> threads;
  for (int w = 1; w < workers; ++w) threads.emplace_back(work, w);
  work(0);
  for (std::thread& t : threads) t.join();
  board.Finish();

  const size_t failed = static_cast<size_t>(std::count_if(results.begin(), results.end(), [](const FileResult& r) { return !r.ok; }));
  if (several && !options.quiet) {
    double audio = 0.0;
    for (const FileResult& r : results) audio += r.audioSeconds;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(summaryOut, "total: %zu of %zu file(s) rendered, %.2f s of audio in %.2f s with %d job(s)%s\n",
                 jobs.size() - failed, jobs.size(), audio, wall, workers, failed ? "; some failed" : "");
  }
  if (several && failed) std::fprintf(stderr, "cinderpath: %zu of %zu file(s) failed\n", failed, jobs.size());
  return failed ? 1 : 0;
}

int RunInfo(const InfoOptions& options) {
  std::string error;
  PluginSession session;
  if (!OpenSession(options.component, &session, &error)) return Fail(error);
  if (!options.stateIn.empty() || !options.programIn.empty() || !options.bankIn.empty()) {
    // What a saved file holds, as the lines of a settings file.
    RenderOptions file;
    file.stateIn = options.stateIn;
    file.programIn = options.programIn;
    file.bankIn = options.bankIn;
    std::string text;
    if (!ApplySettingsOptions(session, file, &error) || !FormatSettings(session, &text, &error)) return Fail(error);
    std::fputs(text.c_str(), stdout);
    return 0;
  }
  const ComponentDescription desc = session.Description();
  const UInt32 version = session.Version();
  std::printf("name:          %s\n", session.ComponentName().c_str());
  std::printf("manufacturer:  %s\n", session.ManufacturerName().c_str());
  std::printf("version:       %u.%u.%u (0x%08X)\n", version >> 16, (version >> 8) & 0xFF, version & 0xFF, version);
  std::printf("component:     type '%s', subtype '%s', manufacturer '%s'\n", FourCC(desc.componentType).c_str(),
              FourCC(desc.componentSubType).c_str(), FourCC(desc.componentManufacturer).c_str());

  std::vector<AUChannelInfo> configs;
  if (!session.ChannelConfigurations(&configs, &error)) return Fail(error);
  std::printf("channels:     ");
  for (const AUChannelInfo& c : configs) std::printf(" %d in/%d out", c.inChannels, c.outChannels);
  std::printf("\n");

  double latency = 0.0, tail = 0.0;
  if (!session.LatencySeconds(&latency, &error) || !session.TailSeconds(&tail, &error)) return Fail(error);
  std::printf("latency:       %.6f s (%ld samples at %.0f Hz)\n", latency, std::lround(latency * session.SampleRate()),
              session.SampleRate());
  std::printf("tail time:     %.6f s\n", tail);

  std::vector<ParamDesc> params;
  if (!session.ReadParameters(&params, &error)) return Fail(error);
  std::printf("\nparameters (%zu):\n", params.size());
  std::printf("%5s  %-12s %-6s %10s %10s %10s %10s  %s\n", "index", "name", "unit", "min", "max", "default",
              "value", "text");
  for (const ParamDesc& p : params) {
    float value = 0.0f;
    std::string text;
    if (!session.GetParameter(p.id, &value, &error) || !session.ValueText(p.id, value, &text, &error))
      return Fail(error);
    std::printf("%5u  %-12s %-6s %10g %10g %10g %10g  %s", static_cast<unsigned>(p.id), p.name.c_str(),
                UnitText(p).c_str(), p.minValue, p.maxValue, p.defaultValue, value, text.c_str());
    if (!p.valueStrings.empty()) {
      std::printf("  {");
      for (size_t i = 0; i < p.valueStrings.size(); ++i) std::printf("%s%s", i ? ", " : "", p.valueStrings[i].c_str());
      std::printf("}");
    }
    std::printf("\n");
    if (const char* description = CinderpathParamDescriptionFor(p.name.c_str()))
      std::printf("%5s  %s\n", "", description);
  }

  std::vector<PresetDesc> presets;
  if (!session.ReadFactoryPresets(&presets, &error)) return Fail(error);
  std::printf("\nfactory presets (%zu), for --preset NAME or --preset N:\n", presets.size());
  for (const PresetDesc& p : presets) {
    const char* description = CinderpathFactoryPresetDescription(p.name.c_str());
    std::printf("%5d  %-18s %s\n", static_cast<int>(p.number), p.name.c_str(), description ? description : "");
  }
  return 0;
}

bool SaveSettingsFile(PluginSession& session, const std::string& path, const OutputRules& stateRules,
                      std::string* error) {
  std::string text;
  return FormatSettings(session, &text, error) &&
         WriteFileSafely(path, text.data(), text.size(), SettingsFileRules(stateRules), error);
}

bool SaveStateFile(PluginSession& session, const std::string& path, const OutputRules& rules, std::string* error) {
  CFPropertyListRef state = session.CopyState(error);
  if (!state) return false;
  std::string xml;
  const bool written =
    WritePropertyListXml(state, &xml, error) && WriteFileSafely(path, xml.data(), xml.size(), rules, error);
  CFRelease(state);
  return written;
}

}  // namespace cinderpath_cli
