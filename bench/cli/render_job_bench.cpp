// The render job's own overhead: `cinderpath render` run in-process (its
// RunRender, reading and writing files in a scratch folder under TMPDIR,
// which may be a memory file system) against the bare effect on the same
// signal already in memory, at the factor of the argument, alternating in
// every iteration. Both use the settings of effect_bench's BM_EffectSignal
// (every input filter on, Drive 10 dB, Peak Gain 5 dB, Shelf Gain -3 dB,
// Cutoff 9 kHz) and blocks of 512 frames over 10 s of stereo 48 kHz 16-bit
// input, and count wall-clock time. After the run a table gives render job /
// bare effect per factor (the goal: at least 0.9 at factor 16); on a busy
// machine run it with --benchmark_repetitions. The process start of the
// program itself (libraries, the modal tables once per process) is not in
// the job; bench/cli/render_bench.sh times the whole command.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Cinderpath.h"
#include "render_job.h"

namespace {

constexpr int kRate = 48000;
constexpr int kSeconds = 10;
constexpr int kBlock = 512;

// The busy signal of make_input.py: detuned partials with a tremolo, as
// 16-bit samples, interleaved.
std::vector<short> BusySignal() {
  const double freqs[] = {110.0, 164.8, 220.0, 277.2, 329.6};
  std::vector<short> v(size_t(kRate) * kSeconds * 2);
  for (int n = 0; n < kRate * kSeconds; ++n) {
    const double t = double(n % kRate) / kRate, env = 0.6 + 0.4 * std::sin(2 * M_PI * 2.0 * t);
    double left = 0.0, right = 0.0;
    for (double f : freqs) {
      left += std::sin(2 * M_PI * f * t) + 0.3 * std::sin(4 * M_PI * f * t);
      right += std::sin(2 * M_PI * f * 1.003 * t);
    }
    v[2 * size_t(n)] = short(3000 * env * left);
    v[2 * size_t(n) + 1] = short(3000 * env * right);
  }
  return v;
}

// A scratch folder holding the input file, removed at exit.
struct Scratch {
  std::string dir, input, output;
  std::vector<short> samples = BusySignal();
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "render-job-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return;
    dir = pattern;
    input = dir + "/in.wav";
    output = dir + "/out.wav";
    SF_INFO info = {};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(input.c_str(), SFM_WRITE, &info);
    if (!f) {
      input.clear();
      return;
    }
    sf_writef_short(f, samples.data(), kRate * kSeconds);
    sf_close(f);
  }
  ~Scratch() {
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }
};

Scratch& TheScratch() {
  static Scratch s;
  return s;
}

const std::vector<std::pair<std::string, std::string>> kSettings = {
    {"LP On", "on"},    {"HP On", "on"},       {"Peak On", "on"},      {"Shelf On", "on"},
    {"Drive", "10"},    {"Peak Gain", "5"},    {"Shelf Gain", "-3"},   {"Cutoff", "9"}};

// Sets the parameter named `name` to `value` ("on" for 1) as the
// command's --set does, so that the effect runs the render job's settings.
bool SetByName(Cinderpath& p, const std::string& name, const std::string& value) {
  for (int i = 0; i < p.NParams(); ++i)
    if (name == p.GetParam(i)->GetNameForHost()) {
      p.GetParam(i)->Set(value == "on" ? 1.0 : std::atof(value.c_str()));
      p.OnParamChange(i);
      return true;
    }
  return false;
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// Every iteration runs the whole render job (open the bundle, apply the
// settings, read, render, write the output as 32-bit float WAV, quiet) and
// then the bare effect over the same signal, already deinterleaved into
// doubles; so a busy machine slows both alike. The iteration's time is the
// render job's. Counters: render_x and effect_x (seconds of audio per
// second), ratio = render_x / effect_x.
void BM_RenderJobAgainstEffect(benchmark::State& state) {
  Scratch& s = TheScratch();
  if (s.input.empty()) {
    state.SkipWithError("no scratch folder for the input");
    return;
  }
  setenv("CINDERPATH_COMPONENT", CINDERPATH_BINARY_DIR "/Cinderpath.component", 0);
  cinderpath_cli::RenderOptions options;
  options.inputs = {s.input};
  options.output = s.output;
  options.sets = kSettings;
  options.sets.push_back({"OS", std::to_string(state.range(0))});
  options.blockFrames = kBlock;
  options.quiet = true;

  const size_t frames = s.samples.size() / 2;
  std::vector<double> l(frames), r(frames), outL(kBlock), outR(kBlock);
  for (size_t n = 0; n < frames; ++n) {
    l[n] = s.samples[2 * n] / 32768.0;
    r[n] = s.samples[2 * n + 1] / 32768.0;
  }
  IPlugInstanceInfo info;
  info.mBundleIdentifier.Set("com.marrowfield.audiounit.Cinderpath");
  info.mViewClassName.Set("Cinderpath_View");
  Cinderpath plug(info);
  plug.SetSampleRate(kRate);
  for (const auto& [name, value] : options.sets)
    if (!SetByName(plug, name, value)) {
      state.SkipWithError(("no parameter " + name).c_str());
      return;
    }
  double* outputs[2] = {outL.data(), outR.data()};

  double renderSeconds = 0.0, effectSeconds = 0.0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (cinderpath_cli::RunRender(options) != 0) {
      state.SkipWithError("render failed");
      return;
    }
    const auto t1 = std::chrono::steady_clock::now();
    plug.Reset();
    for (size_t start = 0; start < frames; start += kBlock) {
      double* inputs[2] = {l.data() + start, r.data() + start};
      plug.ProcessDoubleReplacing(inputs, outputs, int(std::min<size_t>(kBlock, frames - start)));
      benchmark::DoNotOptimize(outL.data());
      benchmark::DoNotOptimize(outR.data());
    }
    const auto t2 = std::chrono::steady_clock::now();
    // Each render writes a new file, as a first render does (replacing one
    // costs the file system more).
    std::remove(s.output.c_str());
    state.SetIterationTime(Seconds(t0, t1));
    renderSeconds += Seconds(t0, t1);
    effectSeconds += Seconds(t1, t2);
  }
  const double audio = double(state.iterations()) * kSeconds;
  state.counters["render_x"] = audio / renderSeconds;
  state.counters["effect_x"] = audio / effectSeconds;
  state.counters["ratio"] = effectSeconds / renderSeconds;
}
BENCHMARK(BM_RenderJobAgainstEffect)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond)->UseManualTime();

// Prints as usual, then per factor the median ratio over the repetitions
// (or the one run).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      auto it = run.counters.find("ratio");
      if (it != run.counters.end()) mRatios[run.run_name.args].push_back(double(it->second));
    }
  }
  void PrintTable() {
    std::printf("\nfactor  render job / bare effect (median of %s)\n", "the repetitions");
    for (auto& [factor, ratios] : mRatios) {
      std::sort(ratios.begin(), ratios.end());
      std::printf("%6s  %.2f\n", factor.c_str(), ratios[ratios.size() / 2]);
    }
  }

 private:
  std::map<std::string, std::vector<double>> mRatios;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintTable();
  benchmark::Shutdown();
  return 0;
}
