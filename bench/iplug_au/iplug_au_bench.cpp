// Mutex hold times of the Audio Unit binding with the real plug-in.
//
// The render procedure takes the plug-in's mutex for each block, so the
// longest main-thread operation under that mutex is the longest the render
// thread can be kept waiting. Each benchmark below times one such operation
// per iteration, as a host makes it, and reports:
//   median_us, p99_us, max_us   the median, 99th percentile and longest
//                 single call (microseconds); on a loaded machine the maximum
//                 includes preemption while the mutex is held, which the
//                 render thread would also wait out
//   p99_blocks, max_blocks      the same in units of one 512-frame render
//                 block, whose median is measured once per run (block_us)
// The parameter benchmark walks all parameters, setting each to its minimum
// and maximum in turn, so every recomputation the plug-in does is included.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "IPlugBase.h"
#include "cinderpath_host/ComponentBundle.h"

namespace
{
constexpr UInt32 kBlock = 512;
using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

// Seeded noise handed to the unit by its input callback.
struct Noise
{
  Noise() : samples(2, std::vector<float>(kBlock))
  {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-0.8f, 0.8f);
    for (auto& channel : samples)
      for (float& s : channel) s = dist(rng);
  }
  static OSStatus Callback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 frames,
                           AudioBufferList* list)
  {
    Noise* self = (Noise*)refCon;
    for (UInt32 c = 0; c < list->mNumberBuffers && c < 2; ++c)
      std::copy(self->samples[c].begin(), self->samples[c].begin() + frames, (float*)list->mBuffers[c].mData);
    return noErr;
  }
  std::vector<std::vector<float>> samples;
};

// One initialised stereo instance of the bundle's effect at 48 kHz.
class Unit
{
public:
  Unit()
  {
    std::string error;
    const cinderpath_host::LoadedBundle* bundle =
      cinderpath_host::LoadComponentBundle(std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component", &error);
    const cinderpath_host::BundleComponent* component = bundle ? bundle->Find(kAudioUnitType_Effect) : nullptr;
    if (!component || mHandle.Open(component->component) != noErr)
    {
      fprintf(stderr, "cannot open the effect: %s\n", error.c_str());
      return;
    }
    AudioUnit unit = mHandle.Get();
    AudioStreamBasicDescription f = {};
    f.mSampleRate = 48000.0;
    f.mFormatID = kAudioFormatLinearPCM;
    f.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
    f.mBytesPerPacket = f.mBytesPerFrame = 4;
    f.mFramesPerPacket = 1;
    f.mChannelsPerFrame = 2;
    f.mBitsPerChannel = 32;
    AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &f, sizeof(f));
    AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &f, sizeof(f));
    const UInt32 maxFrames = kBlock;
    AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &maxFrames,
                         sizeof(maxFrames));
    AURenderCallbackStruct cb = {Noise::Callback, &mNoise};
    AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &cb, sizeof(cb));
    AudioUnitInitialize(unit);

    UInt32 size = sizeof(mRender);
    AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitRenderSelect,
                         &mRender, &size);
    size = sizeof(mSetParam);
    AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitSetParameterSelect,
                         &mSetParam, &size);
    mPlug = (IPlugBase*)GetComponentInstanceStorage(unit);
    mList = (AudioBufferList*)mListStorage.data();
  }

  bool Ok() const { return mPlug && mRender && mSetParam; }
  AudioUnit Get() const { return mHandle.Get(); }
  IPlugBase* Plug() const { return mPlug; }

  // Renders the next block through the fast-dispatch procedure. [render thread]
  OSStatus RenderBlock()
  {
    mList->mNumberBuffers = 2;
    for (UInt32 c = 0; c < 2; ++c)
    {
      mList->mBuffers[c].mNumberChannels = 1;
      mList->mBuffers[c].mDataByteSize = kBlock * 4;
      mList->mBuffers[c].mData = mOut[c].data();
    }
    AudioTimeStamp ts = {};
    ts.mSampleTime = mSampleTime;
    ts.mFlags = kAudioTimeStampSampleTimeValid;
    mSampleTime += kBlock;
    AudioUnitRenderActionFlags flags = 0;
    return mRender(mPlug, &flags, &ts, 0, kBlock, mList);
  }

  OSStatus SetParam(int idx, float value) { return mSetParam(mPlug, idx, kAudioUnitScope_Global, 0, value, 0); }

private:
  Noise mNoise;
  cinderpath_host::UnitHandle mHandle;
  IPlugBase* mPlug = nullptr;
  AudioUnitRenderProc mRender = nullptr;
  AudioUnitSetParameterProc mSetParam = nullptr;
  std::vector<unsigned char> mListStorage = std::vector<unsigned char>(sizeof(AudioBufferList) + 2 * sizeof(AudioBuffer));
  AudioBufferList* mList = nullptr;
  std::vector<float> mOut[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
  double mSampleTime = 0.0;
};

Unit& SharedUnit()
{
  static Unit s_unit;
  return s_unit;
}

// Median time of one render block, measured once per run: the unit of max_blocks.
double BlockMicroseconds()
{
  static double s_blockUs = [] {
    Unit& unit = SharedUnit();
    std::vector<double> times;
    for (int i = 0; i < 400; ++i)
    {
      const Clock::time_point t0 = Clock::now();
      unit.RenderBlock();
      times.push_back(Microseconds(Clock::now() - t0));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  }();
  return s_blockUs;
}

// Times each call of op and reports the distribution of single calls.
template <class Op>
void TimeEachCall(benchmark::State& state, Op op)
{
  Unit& unit = SharedUnit();
  if (!unit.Ok())
  {
    state.SkipWithError("effect bundle not available");
    return;
  }
  const double blockUs = BlockMicroseconds();
  std::vector<double> times;
  times.reserve((size_t)state.max_iterations);
  long i = 0;
  for (auto _ : state)
  {
    const Clock::time_point t0 = Clock::now();
    op(unit, i++);
    const double us = Microseconds(Clock::now() - t0);
    state.SetIterationTime(us * 1e-6);
    times.push_back(us);
  }
  std::sort(times.begin(), times.end());
  const double medianUs = times[times.size() / 2];
  const double p99Us = times[std::min(times.size() - 1, times.size() * 99 / 100)];
  const double maxUs = times.back();
  state.counters["median_us"] = medianUs;
  state.counters["p99_us"] = p99Us;
  state.counters["max_us"] = maxUs;
  state.counters["p99_blocks"] = p99Us / blockUs;
  state.counters["max_blocks"] = maxUs / blockUs;
  state.counters["block_us"] = blockUs;
}

void BM_RenderBlock(benchmark::State& state)
{
  TimeEachCall(state, [](Unit& unit, long) { unit.RenderBlock(); });
}
BENCHMARK(BM_RenderBlock)->UseManualTime()->Iterations(2000);

// Every parameter to its minimum, then its maximum, in turn.
void BM_SetParameter(benchmark::State& state)
{
  TimeEachCall(state, [](Unit& unit, long i) {
    const int n = unit.Plug()->NParams();
    const int idx = (int)(i / 2 % n);
    double lo = 0.0, hi = 1.0;
    unit.Plug()->GetParam(idx)->GetBounds(&lo, &hi);
    unit.SetParam(idx, (float)(i % 2 ? hi : lo));
  });
}
BENCHMARK(BM_SetParameter)->UseManualTime()->Iterations(22 * 2 * 50);

// Restores two saved states in turn through kAudioUnitProperty_ClassInfo.
void BM_RestoreState(benchmark::State& state)
{
  Unit& unit = SharedUnit();
  CFPropertyListRef saved[2] = {nullptr, nullptr};
  if (unit.Ok())
  {
    for (int k = 0; k < 2; ++k)
    {
      for (int p = 0; p < unit.Plug()->NParams(); ++p)
      {
        double lo = 0.0, hi = 1.0;
        unit.Plug()->GetParam(p)->GetBounds(&lo, &hi);
        unit.SetParam(p, (float)(k ? hi : lo));
      }
      UInt32 size = sizeof(saved[k]);
      AudioUnitGetProperty(unit.Get(), kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved[k], &size);
    }
  }
  TimeEachCall(state, [&saved](Unit& unit, long i) {
    CFPropertyListRef dict = saved[i % 2];
    AudioUnitSetProperty(unit.Get(), kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &dict, sizeof(dict));
  });
  for (CFPropertyListRef dict : saved)
    if (dict) CFRelease(dict);
}
BENCHMARK(BM_RestoreState)->UseManualTime()->Iterations(1000);

void BM_Reset(benchmark::State& state)
{
  TimeEachCall(state, [](Unit& unit, long) { AudioUnitReset(unit.Get(), kAudioUnitScope_Global, 0); });
}
BENCHMARK(BM_Reset)->UseManualTime()->Iterations(1000);
}  // namespace
