// A small in-memory LV2 host on lilv: loads the built Cinderpath.lv2 bundle
// and the system's LV2 plug-ins, and runs a plug-in over 60 seconds of a
// stereo 48 kHz signal in 256-frame blocks, as a host's audio thread would.
//
// BM_CinderpathVsSaturator runs Cinderpath at OS = 2 and Debian's Calf
// Saturator (which oversamples 2x) on the same signal in one run, in turns
// (three rounds of two passes each), and reports both best realtime factors
// (seconds of audio per second of processing) and their ratio.
// BM_CinderpathOS/<factor> reports Cinderpath alone at OS = 1 ... 16.
// Without calf-plugins installed, the comparison is skipped with a message.
//
// Times are the processing thread's CPU time (the plug-ins run on this one
// thread), so that other load on a shared machine does not count; the
// manual time Google Benchmark prints is the sum of all passes.

#include <benchmark/benchmark.h>

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lv2_urid_map.h"

namespace
{
constexpr double kRate = 48000.0;
constexpr int kSeconds = 60;
constexpr int kBlock = 256;
constexpr size_t kFrames = (size_t)(kRate * kSeconds);
const char kCinderpathURI[] = "https://cinderpath.example/lv2/cinderpath";
const char kSaturatorURI[] = "http://calf.sourceforge.net/plugins/Saturator";


// The world: the built bundle plus everything in the system's LV2 folder.
struct World
{
  World()
  {
    world = lilv_world_new();
    LilvNode* path = lilv_new_string(world, "/usr/lib/lv2");
    lilv_world_set_option(world, LILV_OPTION_LV2_PATH, path);
    lilv_node_free(path);
    lilv_world_load_all(world);
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, CINDERPATH_LV2_BUNDLE "/");
    lilv_world_load_bundle(world, bundle);
    lilv_node_free(bundle);
  }
  ~World() { lilv_world_free(world); }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  const LilvPlugin* Plugin(const char* uri)
  {
    LilvNode* n = lilv_new_uri(world, uri);
    const LilvPlugin* p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), n);
    lilv_node_free(n);
    return p;
  }

  LilvWorld* world;
  Lv2UridMap urids;
};

World& TheWorld()
{
  static World w;
  return w;
}

// 60 s of two detuned tones with a slow level swell, left and right apart.
const std::vector<float>& Signal(int ch)
{
  static const std::vector<std::vector<float>> s = [] {
    std::vector<std::vector<float>> out(2, std::vector<float>(kFrames));
    for (size_t i = 0; i < kFrames; ++i)
    {
      const double t = (double)i / kRate;
      const double level = 0.3 + 0.25 * std::sin(2.0 * M_PI * 0.2 * t);
      out[0][i] = (float)(level * (std::sin(2.0 * M_PI * 110.0 * t) + 0.5 * std::sin(2.0 * M_PI * 331.0 * t)));
      out[1][i] = (float)(level * (std::sin(2.0 * M_PI * 164.8 * t) + 0.5 * std::sin(2.0 * M_PI * 439.0 * t)));
    }
    return out;
  }();
  return s[(size_t)ch];
}

// CPU time of the calling thread, in seconds.
double ThreadSeconds()
{
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return (double)ts.tv_sec + 1e-9 * (double)ts.tv_nsec;
}

// One instance with every port connected: controls at their defaults (some
// set by symbol), audio to block buffers, atom ports to empty sequences.
class Instance
{
public:
  Instance(const LilvPlugin* p, const std::map<std::string, float>& sets)
  {
    World& w = TheWorld();
    mInst = lilv_plugin_instantiate(p, kRate, w.urids.features);
    if (!mInst) return;
    const uint32_t n = lilv_plugin_get_num_ports(p);
    mControls.assign(n, 0.0f);
    std::vector<float> mins(n), maxs(n);
    lilv_plugin_get_port_ranges_float(p, mins.data(), maxs.data(), mControls.data());
    LilvNode* audio = lilv_new_uri(w.world, LV2_CORE__AudioPort);
    LilvNode* input = lilv_new_uri(w.world, LV2_CORE__InputPort);
    LilvNode* atom = lilv_new_uri(w.world, LV2_ATOM__AtomPort);
    mAtoms.resize(n);
    for (uint32_t i = 0; i < n; ++i)
    {
      const LilvPort* port = lilv_plugin_get_port_by_index(p, i);
      const bool isInput = lilv_port_is_a(p, port, input);
      if (std::isnan(mControls[i])) mControls[i] = 0.0f;
      const char* symbol = lilv_node_as_string(lilv_port_get_symbol(p, port));
      auto it = sets.find(symbol);
      if (it != sets.end()) mControls[i] = it->second;
      if (lilv_port_is_a(p, port, audio))
      {
        (isInput ? mAudioIn : mAudioOut).push_back(std::vector<float>(kBlock));
        (isInput ? mAudioInPorts : mAudioOutPorts).push_back(i);
      }
      else if (lilv_port_is_a(p, port, atom))
      {
        mAtoms[i].resize(4096 / sizeof(uint64_t));
        mAtomPorts.push_back(i);
        mAtomIsInput.push_back(isInput);
        lilv_instance_connect_port(mInst, i, mAtoms[i].data());
      }
      else
        lilv_instance_connect_port(mInst, i, &mControls[i]);
    }
    for (size_t k = 0; k < mAudioIn.size(); ++k) lilv_instance_connect_port(mInst, mAudioInPorts[k], mAudioIn[k].data());
    for (size_t k = 0; k < mAudioOut.size(); ++k)
      lilv_instance_connect_port(mInst, mAudioOutPorts[k], mAudioOut[k].data());
    lilv_node_free(audio);
    lilv_node_free(input);
    lilv_node_free(atom);
    lilv_instance_activate(mInst);
  }

  ~Instance()
  {
    if (!mInst) return;
    lilv_instance_deactivate(mInst);
    lilv_instance_free(mInst);
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  bool Ok() const { return mInst && mAudioIn.size() == 2 && mAudioOut.size() == 2; }

  // Runs the whole signal; returns the thread CPU seconds and a checksum of
  // the output (kept so the work cannot be optimised away).
  double RunSignal(double* checksum)
  {
    World& w = TheWorld();
    const LV2_URID sequence = w.urids.Id(LV2_ATOM__Sequence);
    const LV2_URID chunk = w.urids.Id(LV2_ATOM__Chunk);
    double sum = 0.0;
    const double start = ThreadSeconds();
    for (size_t pos = 0; pos < kFrames; pos += kBlock)
    {
      const size_t n = std::min<size_t>(kBlock, kFrames - pos);
      for (int c = 0; c < 2; ++c) memcpy(mAudioIn[c].data(), Signal(c).data() + pos, n * sizeof(float));
      for (size_t k = 0; k < mAtomPorts.size(); ++k)
      {
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(mAtoms[mAtomPorts[k]].data());
        seq->atom.type = mAtomIsInput[k] ? sequence : chunk;
        seq->atom.size = mAtomIsInput[k] ? (uint32_t)sizeof(LV2_Atom_Sequence_Body)
                                         : (uint32_t)(4096 - sizeof(LV2_Atom));
        seq->body.unit = 0;
        seq->body.pad = 0;
      }
      lilv_instance_run(mInst, (uint32_t)n);
      sum += mAudioOut[0][0] + mAudioOut[1][n - 1];
    }
    const double end = ThreadSeconds();
    *checksum = sum;
    return end - start;
  }

private:
  LilvInstance* mInst = nullptr;
  std::vector<float> mControls;
  std::vector<std::vector<float>> mAudioIn, mAudioOut;
  std::vector<uint32_t> mAudioInPorts, mAudioOutPorts;
  std::vector<std::vector<uint64_t>> mAtoms;
  std::vector<uint32_t> mAtomPorts;
  std::vector<bool> mAtomIsInput;
};

// Runs uri over the signal `passes` times on one instance; returns the
// realtime factor of the fastest pass (the one least disturbed by other load
// on a shared machine), or 0 with the state skipped on failure. `seconds`
// gets the sum of all passes.
double RealtimeFactor(benchmark::State& state, const char* uri, const std::map<std::string, float>& sets,
                      double* seconds, int passes = 1)
{
  const LilvPlugin* p = TheWorld().Plugin(uri);
  if (!p)
  {
    state.SkipWithError((std::string(uri) + " is not installed").c_str());
    return 0.0;
  }
  Instance inst(p, sets);
  if (!inst.Ok())
  {
    state.SkipWithError((std::string(uri) + " could not be instantiated as a stereo effect").c_str());
    return 0.0;
  }
  double best = 0.0;
  *seconds = 0.0;
  for (int k = 0; k < passes; ++k)
  {
    double checksum = 0.0;
    const double s = inst.RunSignal(&checksum);
    benchmark::DoNotOptimize(checksum);
    *seconds += s;
    if (k == 0 || s < best) best = s;
  }
  return best > 0.0 ? kSeconds / best : 0.0;
}

// Both plug-ins in turn, three rounds of two passes each, so that a burst of
// other load hits both alike; each keeps its fastest pass.
void BM_CinderpathVsSaturator(benchmark::State& state)
{
  Signal(0);
  if (!TheWorld().Plugin(kSaturatorURI))
  {
    state.SkipWithError("Calf Saturator not found: install calf-plugins to compare");
    return;
  }
  double rtCinderpath = 0.0, rtSaturator = 0.0;
  for (auto _ : state)
  {
    double total = 0.0;
    for (int round = 0; round < 3; ++round)
    {
      double s1 = 0.0, s2 = 0.0;
      rtCinderpath = std::max(rtCinderpath, RealtimeFactor(state, kCinderpathURI, {{"os", 2.0f}}, &s1, 2));
      rtSaturator = std::max(rtSaturator, RealtimeFactor(state, kSaturatorURI, {}, &s2, 2));
      total += s1 + s2;
    }
    state.SetIterationTime(total);
  }
  state.counters["rt_cinderpath_os2"] = rtCinderpath;
  state.counters["rt_calf_saturator"] = rtSaturator;
  state.counters["ratio"] = rtSaturator > 0.0 ? rtCinderpath / rtSaturator : 0.0;
}
BENCHMARK(BM_CinderpathVsSaturator)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_CinderpathOS(benchmark::State& state)
{
  Signal(0);
  const float factor = (float)state.range(0);
  double rt = 0.0;
  for (auto _ : state)
  {
    double s = 0.0;
    rt = RealtimeFactor(state, kCinderpathURI, {{"os", factor}}, &s);
    state.SetIterationTime(s);
  }
  state.counters["realtime_factor"] = rt;
}
BENCHMARK(BM_CinderpathOS)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(16)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
}  // namespace
