// Speed of the whole stereo effect: ProcessDoubleReplacing at 48 kHz with
// every filter on, per oversampling factor. The "realtime" counter is seconds
// of audio processed per second of one core. Baselines measured in the same
// run: the mono effect (one channel, so half the work of stereo done one
// channel at a time), silence (must be no slower than signal), the block
// without its floating-point control switch (the switch's cost), and the two
// valve stages one after the other against side by side.
//
// The latency floor of the filters' direct form, measured beside them: run
// as recursions, every sub-sample passes through two filters (interpolator
// and decimator) whose outputs each hang on a chain of one multiply and
// seven subtractions from the previous output, and no direct-form stage can
// be faster than those chains. BM_Bound runs only the two recursions, both
// channels in one 128-bit vector, inputs off the critical path, in the
// filters' own order (a1·y(n-1) first, a7·y(n-7) last). The stage's block
// path runs the filters in modal form instead, which that chain does not
// bound. After the run a table gives the two
// stages and the whole effect (and, at factor 1, the filters around the
// stage) as fractions of the bound, best of the repetitions.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Cinderpath.h"
#include "Over.h"
#include "EffectChain.h"

namespace
{

constexpr double kSampleRate = 48000.0;
constexpr int kBlock = 512;

// Instance information as MakePlug fills it.
void FillInfo(IPlugInstanceInfo& info)
{
  info.mBundleIdentifier.Set("com.marrowfield.audiounit.Cinderpath");
  info.mViewClassName.Set("Cinderpath_View");
}

// The effect with access to the block without its floating-point control
// switch (flush-to-zero on, caller's state restored).
class BenchPlug : public Cinderpath
{
public:
  using Cinderpath::Cinderpath;
  void ProcessWithoutSwitch(double** inputs, double** outputs, int nFrames)
  {
    ProcessBlockInCallerFPState(inputs, outputs, nFrames);
  }
};

void SetParam(Cinderpath& p, int idx, double value)
{
  p.GetParam(idx)->Set(value);
  p.OnParamChange(idx);
}

// Processes blocks of a test signal (or silence) through the whole effect at
// the factor given by the benchmark's argument, both channels (or, with mono,
// the left chain alone: the one-channel baseline).
void BM_Effect(benchmark::State& state, bool silence, bool mono = false, bool fpSwitch = true)
{
  IPlugInstanceInfo info;
  FillInfo(info);
  BenchPlug plug(info);
  plug.SetSampleRate(kSampleRate);
  plug.Reset();
  SetParam(plug, kOS, (double)state.range(0));
  SetParam(plug, kHPOn, 1);
  SetParam(plug, kPeakOn, 1);
  SetParam(plug, kPeakGain, 5);
  SetParam(plug, kShelfOn, 1);
  SetParam(plug, kShelfGain, -3);
  SetParam(plug, kLPOn, 1);
  SetParam(plug, kCutoff, 9);
  SetParam(plug, kDrive, 10);
  SetParam(plug, kMono, mono ? 1 : 0);

  std::vector<double> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
  for (int i = 0; i < kBlock; ++i)
  {
    inL[i] = silence ? 0.0 : 0.6 * std::sin(i * 0.0411) + 0.2 * std::sin(i * 0.31);
    inR[i] = silence ? 0.0 : 0.6 * std::sin(i * 0.0377 + 1.0) + 0.2 * std::sin(i * 0.27);
  }
  double* inputs[2] = {inL.data(), inR.data()};
  double* outputs[2] = {outL.data(), outR.data()};
  // Settle into steady state (and, for silence, into the quiet tail).
  for (int k = 0; k < 200; ++k) plug.ProcessDoubleReplacing(inputs, outputs, kBlock);

  for (auto _ : state)
  {
    if (fpSwitch)
      plug.ProcessDoubleReplacing(inputs, outputs, kBlock);
    else
      plug.ProcessWithoutSwitch(inputs, outputs, kBlock);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
  }
  state.counters["realtime"] =
      benchmark::Counter((double)state.iterations() * kBlock / kSampleRate, benchmark::Counter::kIsRate);
}

void BM_EffectSignal(benchmark::State& state)
{
  BM_Effect(state, false);
}
// The same blocks without the floating-point control switch, as before it
// existed: the pair shows what the switch costs per block.
void BM_EffectSignalNoFPSwitch(benchmark::State& state)
{
  BM_Effect(state, false, false, false);
}
void BM_EffectSilence(benchmark::State& state)
{
  BM_Effect(state, true);
}
void BM_EffectMono(benchmark::State& state)
{
  BM_Effect(state, false, true);
}
// The same with the valve stages' baseline build (128-bit vectors), as on a
// processor without AVX2; the same bits.
void BM_EffectSignalBaselineBuild(benchmark::State& state)
{
  ValveStage::UseWideBuild(false);
  BM_Effect(state, false);
  ValveStage::UseWideBuild(true);
}
BENCHMARK(BM_EffectSignal)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(16);
BENCHMARK(BM_EffectSignalBaselineBuild)->Arg(2)->Arg(4)->Arg(8)->Arg(16);
BENCHMARK(BM_EffectSignalNoFPSwitch)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(16);
BENCHMARK(BM_EffectMono)->Arg(1)->Arg(16);
BENCHMARK(BM_EffectSilence)->Arg(16);

// Two valve stages at the factor of the argument over blocks of 48 kHz
// frames, both channels side by side (paired) or one after the other, in
// calls of `callFrames` frames.
void BM_StagePair(benchmark::State& state, bool paired, int callFrames = kBlock)
{
  ValveStage left, right;
  const unsigned factor = (unsigned)state.range(0);
  left.Configure(factor, 9.5, 3.0);
  right.Configure(factor, 9.5, 3.0);
  std::vector<double> in(kBlock), l(kBlock), r(kBlock);
  for (int i = 0; i < kBlock; ++i) in[i] = 0.7 * std::sin(i * 0.0411);
  for (auto _ : state)
  {
    for (int i = 0; i < kBlock; ++i)
    {
      l[i] = in[i];
      r[i] = -in[i];
    }
    for (int start = 0; start < kBlock; start += callFrames)
    {
      const int n = std::min(callFrames, kBlock - start);
      if (paired)
      {
        ValveStage::ProcessPair(left, right, l.data() + start, r.data() + start, n);
      }
      else
      {
        left.Process(l.data() + start, n);
        right.Process(r.data() + start, n);
      }
    }
    benchmark::DoNotOptimize(l.data());
    benchmark::DoNotOptimize(r.data());
  }
  state.counters["realtime"] =
      benchmark::Counter((double)state.iterations() * kBlock / kSampleRate, benchmark::Counter::kIsRate);
}

void BM_StagesPaired(benchmark::State& state)
{
  BM_StagePair(state, true);
}
void BM_StagesOneAtATime(benchmark::State& state)
{
  BM_StagePair(state, false);
}
BENCHMARK(BM_StagesOneAtATime)->Arg(16);
BENCHMARK(BM_StagesPaired)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(16);
// The pair as the effect calls it, 128 frames at a time: against
// BM_StagesPaired, the cost a call has on top of its frames.
void BM_StageCallsOf128(benchmark::State& state)
{
  BM_StagePair(state, true, 128);
}
BENCHMARK(BM_StageCallsOf128)->Arg(2)->Arg(4)->Arg(16);

typedef double Pair __attribute__((vector_size(16)));

// One recursion step: in - a1·y1 - ... - a7·y7, shifted into the window.
inline __attribute__((always_inline)) Pair Recurse(const Pair* a, Pair* y, Pair in)
{
  Pair acc = in - a[0] * y[0];
  for (int i = 1; i < 7; ++i) acc = acc - a[i] * y[i];
  for (int i = 7; i > 0; --i) y[i] = y[i - 1];
  y[0] = acc;
  return acc;
}

// N sub-samples of the two recursions per host sample, fully unrolled.
template <int N>
void BoundLoop(const Pair* a, Pair* yu, Pair* yd, const Pair* in, Pair* out, int nFrames)
{
  for (int i = 0; i < nFrames; ++i)
  {
    Pair kept = Pair{0.0, 0.0};
#pragma GCC unroll 32
    for (int j = 0; j < N; ++j)
    {
      Recurse(a, yu, in[i]);
      const Pair d = Recurse(a, yd, in[i]);
      if (j == 0) kept = d;
    }
    out[i] = kept;
  }
}

void BM_Bound(benchmark::State& state)
{
  const int factor = (int)state.range(0);
  Over coeffs;
  coeffs.Set((unsigned)factor);
  Pair a[7], yu[8] = {}, yd[8] = {};
  for (int i = 0; i < 7; ++i) a[i] = Pair{coeffs.mA[i], coeffs.mA[i]};
  std::vector<Pair> in(kBlock), out(kBlock);
  for (int i = 0; i < kBlock; ++i) in[i] = Pair{1e-3 * std::sin(i * 0.05), 1e-3 * std::cos(i * 0.07)};
  for (auto _ : state)
  {
    switch (factor)
    {
      case 1: BoundLoop<1>(a, yu, yd, in.data(), out.data(), kBlock); break;
      case 2: BoundLoop<2>(a, yu, yd, in.data(), out.data(), kBlock); break;
      case 4: BoundLoop<4>(a, yu, yd, in.data(), out.data(), kBlock); break;
      case 8: BoundLoop<8>(a, yu, yd, in.data(), out.data(), kBlock); break;
      default: BoundLoop<16>(a, yu, yd, in.data(), out.data(), kBlock); break;
    }
    // Both recursions' states stay live: without this the compiler drops the
    // interpolator's recursion, whose outputs nothing reads, and the loop
    // measures one chain where the stage runs two.
    benchmark::DoNotOptimize(yu);
    benchmark::DoNotOptimize(yd);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["realtime"] =
      benchmark::Counter((double)state.iterations() * kBlock / kSampleRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Bound)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(16);

// The filters around the stage (the four input filters, output high-pass,
// level, output low-pass), both channels side by side in the skewed loops of
// the effect's chunk path (each filter a pass behind the one before it).
void BM_FiltersAroundStage(benchmark::State& state)
{
  using namespace cinderpath_stereo;
  OnePoleHP hp, outHp;
  Biquad peak, shelf;
  LowPass4 lp;
  OnePoleLP outLp;
  hp.Set(120.0, kSampleRate);
  peak.SetPeak(410.0, 5.0, kSampleRate);
  shelf.SetShelf(5500.0, -3.0, kSampleRate);
  lp.SetSampleRate(kSampleRate);
  lp.Set(9000.0, 0.0);
  outHp.Set(5.0, kSampleRate);
  outLp.Set(24000.0, kSampleRate);
  const ChainFilters c{{&hp, &hp}, {&peak, &peak}, {&shelf, &shelf}, {&lp, &lp}, {&outHp, &outHp},
                       {&outLp, &outLp}, {true, true, true, true}, 1.1, 1.03};
  ChannelPairFilters f(c);
  std::vector<Lanes> x(kBlock), buf(kBlock);
  for (int i = 0; i < kBlock; ++i) x[i] = Lanes{0.6 * std::sin(i * 0.0411), 0.6 * std::sin(i * 0.0377 + 1.0)};
  for (auto _ : state)
  {
    RunInputFilters(
        c.on, f, kBlock, buf.data(), [&](int i) { return x[i]; }, [&](int i, Lanes v) { x[i] = v; });
    RunOutputFilters(
        f, kBlock, c.volume, c.comp, buf.data(), [&](int i) { return x[i]; }, [&](int i, Lanes v) { x[i] = v; });
    benchmark::DoNotOptimize(x.data());
  }
  state.counters["realtime"] =
      benchmark::Counter((double)state.iterations() * kBlock / kSampleRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FiltersAroundStage);

// Prints as usual and keeps the best realtime factor of every benchmark,
// then the table of fractions of the bound.
class BoundTableReporter : public benchmark::ConsoleReporter
{
public:
  void ReportRuns(const std::vector<Run>& runs) override
  {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
    {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      auto it = run.counters.find("realtime");
      if (it == run.counters.end()) continue;
      double& best = mBest[run.benchmark_name()];
      best = std::max(best, (double)it->second);
    }
  }

  void PrintTable() const
  {
    std::printf("\nrealtime x (fraction of the bound)\nfactor   bound   stages         effect\n");
    for (int f : {1, 2, 4, 8, 16})
    {
      const std::string a = "/" + std::to_string(f);
      const double bound = Get("BM_Bound" + a);
      if (bound <= 0.0) continue;
      const double stages = Get("BM_StagesPaired" + a), effect = Get("BM_EffectSignal" + a);
      std::printf("%6d  %6.0f  %6.0f (%4.2f)  %6.0f (%4.2f)\n", f, bound, stages, stages / bound, effect,
                  effect / bound);
    }
    std::printf("\nwhole effect, AVX2 build against the baseline build\n");
    for (int f : {2, 4, 8, 16})
    {
      const std::string a = "/" + std::to_string(f);
      const double wide = Get("BM_EffectSignal" + a), base = Get("BM_EffectSignalBaselineBuild" + a);
      if (wide > 0.0 && base > 0.0)
        std::printf("%6d  %6.0f  %6.0f  %4.2f\n", f, wide, base, wide / base);
    }
    const double filters = Get("BM_FiltersAroundStage"), bound1 = Get("BM_Bound/1");
    if (filters > 0.0 && bound1 > 0.0)
      std::printf("filters around the stage: %.0f x (%.2f of the factor-1 bound)\n", filters, filters / bound1);
  }

private:
  double Get(const std::string& name) const
  {
    auto it = mBest.find(name);
    return it == mBest.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> mBest;
};

}  // namespace

int main(int argc, char** argv)
{
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  BoundTableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintTable();
  benchmark::Shutdown();
  return 0;
}
