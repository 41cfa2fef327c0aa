// Cost of the signal processing core per host sample, with the realtime
// factor at 48 kHz (seconds of audio per second of CPU, one core).
//
// Counters: per_sample = CPU time per host sample (per stereo sample for the
// pair and stereo benchmarks); x_realtime_48k = realtime factor at 48 kHz.
// Baselines in the same run: memcpy of the block, and two single-channel
// stages against the two-channel entry point.
#include "Filters.h"
#include "ValveStage.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int kBlock = 512;

std::vector<double> Guitarish()
{
  std::vector<double> v(kBlock);
  for (int i = 0; i < kBlock; ++i)
    v[i] = 0.4 * std::sin(0.031 * i) + 0.2 * std::sin(0.27 * i + 0.5) + 0.05 * std::sin(1.9 * i);
  return v;
}

void SetCounters(benchmark::State& state, int samplesPerIteration)
{
  const double n = double(samplesPerIteration) * double(state.iterations());
  state.counters["per_sample"] =
      benchmark::Counter(n, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["x_realtime_48k"] = benchmark::Counter(n / 48000.0, benchmark::Counter::kIsRate);
}

ValveStage Stage(unsigned factor)
{
  ValveStage s;
  s.Configure(factor, 9.5, std::pow(10.0, 6.0 / 20.0));
  return s;
}

void BM_Memcpy(benchmark::State& state)
{
  const std::vector<double> in = Guitarish();
  std::vector<double> out(kBlock);
  for (auto _ : state)
  {
    std::memcpy(out.data(), in.data(), sizeof(double) * kBlock);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  SetCounters(state, kBlock);
}
BENCHMARK(BM_Memcpy);

// One stage, one call of Run per sample (how the channel loop calls it).
void BM_ValveStage(benchmark::State& state)
{
  ValveStage s = Stage(unsigned(state.range(0)));
  const std::vector<double> in = Guitarish();
  for (auto _ : state)
  {
    double acc = 0.0;
    for (int i = 0; i < kBlock; ++i) acc += s.Run(in[i]);
    benchmark::DoNotOptimize(acc);
  }
  SetCounters(state, kBlock);
}
BENCHMARK(BM_ValveStage)->DenseRange(1, 16);

// One stage, one block per call.
void BM_ValveStageBlock(benchmark::State& state)
{
  ValveStage s = Stage(unsigned(state.range(0)));
  const std::vector<double> in = Guitarish();
  std::vector<double> buf(kBlock);
  for (auto _ : state)
  {
    std::memcpy(buf.data(), in.data(), sizeof(double) * kBlock);
    s.Process(buf.data(), kBlock);
    benchmark::DoNotOptimize(buf.data());
  }
  SetCounters(state, kBlock);
}
BENCHMARK(BM_ValveStageBlock)->DenseRange(1, 16);

// Stereo baseline: two stages, one Run each per sample.
void BM_ValveStageTwoChannels(benchmark::State& state)
{
  ValveStage l = Stage(unsigned(state.range(0))), r = Stage(unsigned(state.range(0)));
  const std::vector<double> in = Guitarish();
  for (auto _ : state)
  {
    double acc = 0.0;
    for (int i = 0; i < kBlock; ++i) acc += l.Run(in[i]) + r.Run(-in[i]);
    benchmark::DoNotOptimize(acc);
  }
  SetCounters(state, kBlock);
}
BENCHMARK(BM_ValveStageTwoChannels)->Arg(2)->Arg(4)->Arg(8)->Arg(16);

// Stereo, the direct form sample by sample (RunPair calls Run on each).
void BM_ValveStagePair(benchmark::State& state)
{
  ValveStage l = Stage(unsigned(state.range(0))), r = Stage(unsigned(state.range(0)));
  const std::vector<double> in = Guitarish();
  for (auto _ : state)
  {
    double acc = 0.0;
    for (int i = 0; i < kBlock; ++i)
    {
      double a = in[i], b = -in[i];
      ValveStage::RunPair(l, r, a, b);
      acc += a + b;
    }
    benchmark::DoNotOptimize(acc);
  }
  SetCounters(state, kBlock);
}
BENCHMARK(BM_ValveStagePair)->DenseRange(1, 16);

// Stereo, both channels in one vector, one block per call.
void BM_ValveStagePairBlock(benchmark::State& state)
{
  ValveStage l = Stage(unsigned(state.range(0))), r = Stage(unsigned(state.range(0)));
  const std::vector<double> in = Guitarish();
  std::vector<double> bl(kBlock), br(kBlock);
  for (auto _ : state)
  {
    std::memcpy(bl.data(), in.data(), sizeof(double) * kBlock);
    std::memcpy(br.data(), in.data(), sizeof(double) * kBlock);
    ValveStage::ProcessPair(l, r, bl.data(), br.data(), kBlock);
    benchmark::DoNotOptimize(bl.data());
    benchmark::DoNotOptimize(br.data());
  }
  SetCounters(state, kBlock);
}
BENCHMARK(BM_ValveStagePairBlock)->DenseRange(1, 16);

// The six filters of one channel with typical settings at 48 kHz.
struct ChannelFilters
{
  OnePoleHP inHp, outHp;
  Biquad peak, shelf;
  LowPass4 lp;
  OnePoleLP outLp;
  ChannelFilters()
  {
    inHp.Set(16.0, 48000.0);
    peak.SetPeak(410.0, 6.0, 48000.0);
    shelf.SetShelf(5500.0, -4.0, 48000.0);
    lp.SetSampleRate(48000.0);
    lp.Set(8000.0, 0.1);
    outHp.Set(5.0, 48000.0);
    outLp.Set(24000.0, 48000.0);
  }
};

template <typename F>
void RunFilter(benchmark::State& state, F& f)
{
  const std::vector<double> in = Guitarish();
  for (auto _ : state)
  {
    double acc = 0.0;
    for (int i = 0; i < kBlock; ++i) acc += f.Run(in[i]);
    benchmark::DoNotOptimize(acc);
  }
  SetCounters(state, kBlock);
}

void BM_InputHighPass(benchmark::State& state) { ChannelFilters c; RunFilter(state, c.inHp); }
BENCHMARK(BM_InputHighPass);
void BM_Peak(benchmark::State& state) { ChannelFilters c; RunFilter(state, c.peak); }
BENCHMARK(BM_Peak);
void BM_Shelf(benchmark::State& state) { ChannelFilters c; RunFilter(state, c.shelf); }
BENCHMARK(BM_Shelf);
void BM_LowPass4(benchmark::State& state) { ChannelFilters c; RunFilter(state, c.lp); }
BENCHMARK(BM_LowPass4);
void BM_OutputHighPass(benchmark::State& state) { ChannelFilters c; RunFilter(state, c.outHp); }
BENCHMARK(BM_OutputHighPass);
void BM_OutputLowPass(benchmark::State& state) { ChannelFilters c; RunFilter(state, c.outLp); }
BENCHMARK(BM_OutputLowPass);

// All six filters of one channel in chain order (the stage left out).
void BM_FilterChain(benchmark::State& state)
{
  ChannelFilters c;
  const std::vector<double> in = Guitarish();
  for (auto _ : state)
  {
    double acc = 0.0;
    for (int i = 0; i < kBlock; ++i)
      acc += c.outLp.Run(c.outHp.Run(c.lp.Run(c.shelf.Run(c.peak.Run(c.inHp.Run(in[i]))))));
    benchmark::DoNotOptimize(acc);
  }
  SetCounters(state, kBlock);
}
BENCHMARK(BM_FilterChain);

// One stereo sample through the whole chain at a factor: both channels'
// input filters, the stage pair per sample, output filters and level, as
// the effect runs it sample by sample.
void BM_StereoChainPerSample(benchmark::State& state)
{
  ChannelFilters cl, cr;
  ValveStage l = Stage(unsigned(state.range(0))), r = Stage(unsigned(state.range(0)));
  const std::vector<double> in = Guitarish();
  for (auto _ : state)
  {
    double acc = 0.0;
    for (int i = 0; i < kBlock; ++i)
    {
      double a = cl.lp.Run(cl.shelf.Run(cl.peak.Run(cl.inHp.Run(in[i]))));
      double b = cr.lp.Run(cr.shelf.Run(cr.peak.Run(cr.inHp.Run(-in[i]))));
      ValveStage::RunPair(l, r, a, b);
      acc += cl.outLp.Run(cl.outHp.Run(a) * 0.9) + cr.outLp.Run(cr.outHp.Run(b) * 0.9);
    }
    benchmark::DoNotOptimize(acc);
  }
  SetCounters(state, kBlock);
}
BENCHMARK(BM_StereoChainPerSample)->Arg(4)->Arg(16);

// The same chain run filter by filter over the block, with the stage pair
// over the whole block: identical results per channel, fewer loads of the
// stage state.
void BM_StereoChainBlockwise(benchmark::State& state)
{
  ChannelFilters cl, cr;
  ValveStage l = Stage(unsigned(state.range(0))), r = Stage(unsigned(state.range(0)));
  const std::vector<double> in = Guitarish();
  std::vector<double> bl(kBlock), br(kBlock);
  for (auto _ : state)
  {
    for (int i = 0; i < kBlock; ++i)
    {
      bl[i] = cl.lp.Run(cl.shelf.Run(cl.peak.Run(cl.inHp.Run(in[i]))));
      br[i] = cr.lp.Run(cr.shelf.Run(cr.peak.Run(cr.inHp.Run(-in[i]))));
    }
    ValveStage::ProcessPair(l, r, bl.data(), br.data(), kBlock);
    double acc = 0.0;
    for (int i = 0; i < kBlock; ++i)
      acc += cl.outLp.Run(cl.outHp.Run(bl[i]) * 0.9) + cr.outLp.Run(cr.outHp.Run(br[i]) * 0.9);
    benchmark::DoNotOptimize(acc);
  }
  SetCounters(state, kBlock);
}
BENCHMARK(BM_StereoChainBlockwise)->Arg(4)->Arg(16);

// A factor change on a stereo pair as the plug-in makes it between blocks:
// every iteration switches both stages between the factors of the two
// arguments and runs one frame. The change maps each filter's modal state
// to the new factor's in long double, the bulk of the time; per_change is
// the cost of one change of the pair with its one frame.
void BM_FactorChange(benchmark::State& state)
{
  const unsigned a = unsigned(state.range(0)), b = unsigned(state.range(1));
  ValveStage l = Stage(a), r = Stage(a);
  std::vector<double> bl(kBlock, 0.3), br(kBlock, -0.2);
  ValveStage::ProcessPair(l, r, bl.data(), br.data(), kBlock);
  bool toB = true;
  for (auto _ : state)
  {
    const unsigned f = toB ? b : a;
    l.Configure(f, 9.5, 2.0);
    r.Configure(f, 9.5, 2.0);
    ValveStage::ProcessPair(l, r, bl.data(), br.data(), 1);
    benchmark::DoNotOptimize(bl.data());
    toB = !toB;
  }
  state.counters["per_change"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FactorChange)->Args({2, 16})->Args({4, 8})->Args({16, 32});

}  // namespace
