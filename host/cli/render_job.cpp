#include "render_job.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits.h>
#include <sstream>

#include "audio_file.h"
#include "demo_signal.h"
#include "plist.h"
#include "plugin_session.h"

#ifndef CINDERPATH_COMPONENT_RELATIVE
#define CINDERPATH_COMPONENT_RELATIVE "../Cinderpath.component"
#endif

namespace cinderpath_cli {
namespace {

constexpr double kProgressMinSeconds = 5.0;  // shorter inputs render without a bar

int Fail(const std::string& message) {
  std::fprintf(stderr, "cinderpath: %s\n", message.c_str());
  return 1;
}

void OnInterrupt(int sig) {
  RemovePendingOutputFromSignal();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
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

std::string FormatNumber(double v) {
  char text[64];
  std::snprintf(text, sizeof(text), "%g", v);
  return text;
}

// Finds the parameter a --set names: its exact name as the host sees it, or its index.
const ParamDesc* FindParam(const std::vector<ParamDesc>& params, const std::string& key) {
  for (const ParamDesc& p : params)
    if (p.name == key) return &p;
  char* end = nullptr;
  const long index = std::strtol(key.c_str(), &end, 10);
  if (!key.empty() && *end == '\0') {
    for (const ParamDesc& p : params)
      if (static_cast<long>(p.id) == index) return &p;
  }
  return nullptr;
}

// Turns the text of a --set into a value in the parameter's units: a number,
// or one of the parameter's display texts.
bool ResolveValue(PluginSession& session, const ParamDesc& p, const std::string& rawText, float* value,
                  std::string* error) {
  const std::string text = Trim(rawText);
  const std::string range = "[" + FormatNumber(p.minValue) + " .. " + FormatNumber(p.maxValue) + "]";
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (!text.empty() && end && *end == '\0') {
    if (!std::isfinite(number) || number < p.minValue || number > p.maxValue) {
      *error = "value " + text + " for '" + p.name + "' is out of range " + range;
      return false;
    }
    *value = static_cast<float>(number);
    return true;
  }
  // Display texts are mapped by the plug-in itself, which knows the value each
  // text stands for. Parameters without texts would read any text as a number.
  float fromText = 0.0f;
  if (!p.valueStrings.empty() && session.ValueFromText(p.id, text, &fromText)) {
    *value = fromText;
    return true;
  }
  std::string accepted = "a number in " + range;
  if (!p.valueStrings.empty()) {
    accepted += " or one of:";
    for (const std::string& s : p.valueStrings) accepted += " " + s;
  }
  *error = "cannot read '" + rawText + "' as a value for '" + p.name + "' (expected " + accepted + ")";
  return false;
}

bool ReadTextFile(const std::string& path, std::string* text, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open state file '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  *text = ss.str();
  return true;
}

// Writes a text file atomically: temporary file in the same folder, then rename.
bool WriteTextFileAtomically(const std::string& path, const std::string& text, std::string* error) {
  const std::string temp = path + ".partial";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out || !(out << text) || !out.flush()) {
      *error = "cannot write '" + path + "': " + std::strerror(errno);
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    *error = "cannot write '" + path + "': " + std::strerror(errno);
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

struct ChannelStats {
  double peak = 0.0;
  double sumSquares = 0.0;
  long overs = 0;  // samples whose magnitude exceeds full scale
  long count = 0;

  void Add(float v) {
    const double a = std::fabs(static_cast<double>(v));
    peak = std::max(peak, a);
    sumSquares += a * a;
    if (a > 1.0) ++overs;
    ++count;
  }
  static std::string Db(double linear) {
    if (linear <= 0.0) return "  -inf";
    char text[32];
    std::snprintf(text, sizeof(text), "%6.1f", 20.0 * std::log10(linear));
    return text;
  }
  std::string PeakDb() const { return Db(peak); }
  std::string RmsDb() const { return Db(count ? std::sqrt(sumSquares / count) : 0.0); }
};

class ProgressBar {
 public:
  ProgressBar(bool enabled, long total) : mEnabled(enabled), mTotal(total) {}
  void Update(long done) {
    if (!mEnabled || mTotal <= 0) return;
    const int percent = static_cast<int>(100.0 * done / mTotal);
    if (percent == mLastPercent) return;
    mLastPercent = percent;
    const int width = 40;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
                 width - filled, "", percent);
    std::fflush(stderr);
  }
  void Finish() {
    if (mEnabled && mLastPercent >= 0) std::fputs("\n", stderr);
  }

 private:
  bool mEnabled;
  long mTotal;
  int mLastPercent = -1;
};

bool OpenSession(const std::string& componentOption, PluginSession* session, std::string* error) {
  const std::string path = componentOption.empty() ? DefaultComponentPath() : componentOption;
  return session->Open(path, error);
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
    return dir + "/" CINDERPATH_COMPONENT_RELATIVE;
  }
  return "Cinderpath.component";
}

int RunRender(const RenderOptions& options) {
  std::string error;

  // Input: a file or the built-in demo.
  AudioData input;
  if (options.input.empty()) {
    input = MakeDemoSignal();
  } else if (!ReadAudioFile(options.input, &input, &error)) {
    return Fail(error);
  }
  const std::string outputPath = !options.output.empty() ? options.output
                                 : options.input.empty() ? std::string("cinderpath-demo.wav")
                                                         : DefaultOutputPath(options.input);
  const int channels = input.NumChannels();

  PluginSession session;
  if (!OpenSession(options.component, &session, &error)) return Fail(error);

  std::vector<AUChannelInfo> configs;
  if (!session.ChannelConfigurations(&configs, &error)) return Fail(error);
  bool legal = false;
  std::string acceptedCounts;
  for (const AUChannelInfo& c : configs) {
    if (c.inChannels == channels && c.outChannels == channels) legal = true;
    if (c.inChannels == c.outChannels) acceptedCounts += (acceptedCounts.empty() ? "" : " or ") + std::to_string(c.inChannels);
  }
  if (!legal) {
    return Fail("'" + (options.input.empty() ? std::string("demo") : options.input) + "' has " +
                std::to_string(channels) + " channels; " + session.ComponentName() + " accepts " +
                acceptedCounts + " channel(s)");
  }

  if (!session.Configure(channels, input.sampleRateHz, static_cast<UInt32>(options.blockFrames), &error)) return Fail(error);
  if (options.offline && !session.SetOffline(true, &error)) return Fail(error);
  if (!session.Initialize(&error)) return Fail(error);

  if (!options.stateIn.empty()) {
    std::string xml;
    if (!ReadTextFile(options.stateIn, &xml, &error)) return Fail(error);
    CFPropertyListRef state = ReadPropertyListXml(xml, &error);
    if (!state) return Fail("state file '" + options.stateIn + "' is not readable: " + error);
    const bool restored = session.RestoreState(state, &error);
    CFRelease(state);
    if (!restored) return Fail("state file '" + options.stateIn + "' was refused: " + error);
  }
  if (options.preset >= 0 && !session.SelectPreset(options.preset, &error)) return Fail(error);

  if (!options.sets.empty()) {
    std::vector<ParamDesc> params;
    if (!session.ReadParameters(&params, &error)) return Fail(error);
    // Resolve every --set before changing anything, so one bad value changes nothing.
    std::vector<std::pair<AudioUnitParameterID, float>> values;
    for (const auto& set : options.sets) {
      const ParamDesc* p = FindParam(params, set.first);
      if (!p) return Fail("unknown parameter '" + set.first + "' (see 'cinderpath info' for the names)");
      float value = 0.0f;
      if (!ResolveValue(session, *p, set.second, &value, &error)) return Fail(error);
      values.emplace_back(p->id, value);
    }
    for (const auto& v : values)
      if (!session.SetParameter(v.first, v.second, &error)) return Fail(error);
  }

  if (!options.stateOut.empty()) {
    CFPropertyListRef state = session.CopyState(&error);
    if (!state) return Fail(error);
    std::string xml;
    const bool written = WritePropertyListXml(state, &xml, &error) &&
                         WriteTextFileAtomically(options.stateOut, xml, &error);
    CFRelease(state);
    if (!written) return Fail(error);
  }

  double latencySeconds = 0.0;
  if (!session.LatencySeconds(&latencySeconds, &error)) return Fail(error);
  const long latencyFrames = std::max(0L, std::lround(latencySeconds * input.sampleRateHz));

  PendingAudioFile output;
  if (!output.Open(outputPath, channels, input.sampleRateHz, options.format, &error)) return Fail(error);
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  std::signal(SIGHUP, OnInterrupt);

  const long inputFrames = input.NumFrames();
  const long totalFrames = inputFrames + latencyFrames;  // flush the latency with silence
  const int block = options.blockFrames;
  std::vector<std::vector<float>> rendered(channels, std::vector<float>(block));
  std::vector<float*> outPtrs(channels);
  for (int c = 0; c < channels; ++c) outPtrs[c] = rendered[c].data();
  std::vector<float> interleaved(static_cast<size_t>(block) * channels);
  std::vector<ChannelStats> inStats(channels), outStats(channels);
  for (int c = 0; c < channels; ++c)
    for (float v : input.channels[c]) inStats[c].Add(v);

  const bool showProgress = !options.quiet && isatty(STDERR_FILENO) &&
                            inputFrames > kProgressMinSeconds * input.sampleRateHz;
  ProgressBar progress(showProgress, totalFrames);
  double renderSeconds = 0.0;
  for (long pos = 0; pos < totalFrames; pos += block) {
    const UInt32 frames = static_cast<UInt32>(std::min<long>(block, totalFrames - pos));
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = session.Render(input, pos, frames, outPtrs.data(), &error);
    renderSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!ok) {
      progress.Finish();
      return Fail(error);
    }
    // Drop the first latencyFrames output frames: they precede the input's start.
    const long skip = std::max(0L, std::min<long>(frames, latencyFrames - pos));
    const long keep = frames - skip;
    for (long n = 0; n < keep; ++n)
      for (int c = 0; c < channels; ++c) {
        const float v = rendered[c][skip + n];
        interleaved[static_cast<size_t>(n) * channels + c] = v;
        outStats[c].Add(v);
      }
    if (keep > 0 && !output.WriteInterleaved(interleaved.data(), keep, &error)) {
      progress.Finish();
      return Fail(error);
    }
    progress.Update(pos + frames);
  }
  progress.Finish();
  if (!output.Commit(&error)) return Fail(error);
  session.Close();

  if (!options.quiet) {
    const double audioSeconds = inputFrames / input.sampleRateHz;
    std::printf("%s -> %s\n", options.input.empty() ? "(demo)" : options.input.c_str(), outputPath.c_str());
    std::printf("%ld frames, %d channel(s), %.0f Hz, %.2f s\n", inputFrames, channels, input.sampleRateHz,
                audioSeconds);
    std::printf("channel   in peak  in RMS  out peak  out RMS   overs   (dBFS)\n");
    for (int c = 0; c < channels; ++c)
      std::printf("%7d   %s  %s    %s   %s  %6ld\n", c + 1, inStats[c].PeakDb().c_str(), inStats[c].RmsDb().c_str(),
                  outStats[c].PeakDb().c_str(), outStats[c].RmsDb().c_str(), outStats[c].overs);
    if (renderSeconds > 0.0) std::printf("realtime factor: %.1fx\n", audioSeconds / renderSeconds);
  }
  return 0;
}

int RunInfo(const InfoOptions& options) {
  std::string error;
  PluginSession session;
  if (!OpenSession(options.component, &session, &error)) return Fail(error);

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
    std::string unit = p.unitName;
    if (p.unit == kAudioUnitParameterUnit_Boolean) unit = "bool";
    else if (p.unit == kAudioUnitParameterUnit_Indexed) unit = "index";
    std::printf("%5u  %-12s %-6s %10g %10g %10g %10g  %s", static_cast<unsigned>(p.id), p.name.c_str(), unit.c_str(),
                p.minValue, p.maxValue, p.defaultValue, value, text.c_str());
    if (!p.valueStrings.empty()) {
      std::printf("  {");
      for (size_t i = 0; i < p.valueStrings.size(); ++i) std::printf("%s%s", i ? ", " : "", p.valueStrings[i].c_str());
      std::printf("}");
    }
    std::printf("\n");
  }

  std::vector<PresetDesc> presets;
  if (!session.ReadFactoryPresets(&presets, &error)) return Fail(error);
  std::printf("\nfactory presets (%zu):", presets.size());
  for (const PresetDesc& p : presets) std::printf(" %d:\"%s\"", static_cast<int>(p.number), p.name.c_str());
  std::printf("\n");
  return 0;
}

}  // namespace cinderpath_cli
