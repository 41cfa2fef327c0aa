// Speed of the whole stereo effect: ProcessDoubleReplacing at 48 kHz with
// every filter on, per oversampling factor. The "realtime" counter is seconds
// of audio processed per second of one core. Baselines measured in the same
// run: the mono effect (one channel, so half the work of stereo done one
// channel at a time), silence (must be no slower than signal), the block
// without its floating-point control switch (the switch's cost), and the two
// valve stages one after the other against side by side.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "Cinderpath.h"
#include "ValveStageDispatch.h"

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
// The same with the valve stages' baseline instruction-set build, as on a
// processor without the wider vector extensions.
void BM_EffectSignalBaselineISA(benchmark::State& state)
{
  const bool wide = cinderpath_dsp::WidePathEnabled();
  cinderpath_dsp::SetWidePathEnabled(false);
  BM_Effect(state, false);
  cinderpath_dsp::SetWidePathEnabled(wide);
}
BENCHMARK(BM_EffectSignal)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(16);
BENCHMARK(BM_EffectSignalNoFPSwitch)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(16);
BENCHMARK(BM_EffectSignalBaselineISA)->Arg(16);
BENCHMARK(BM_EffectMono)->Arg(1)->Arg(16);
BENCHMARK(BM_EffectSilence)->Arg(16);

// Two valve stages at the factor of the argument over blocks of 48 kHz
// frames, both channels side by side (paired) or one after the other.
void BM_StagePair(benchmark::State& state, bool paired)
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
    if (paired)
    {
      ValveStage::ProcessPair(left, right, l.data(), r.data(), kBlock);
    }
    else
    {
      left.Process(l.data(), kBlock);
      right.Process(r.data(), kBlock);
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
BENCHMARK(BM_StagesPaired)->Arg(16);

}  // namespace
