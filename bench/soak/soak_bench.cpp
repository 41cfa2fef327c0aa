// Soak: a long stretch of audio (one hour by default; CINDERPATH_SOAK_SECONDS
// sets another length) rendered by one instance of the effect from its
// component bundle, through the Audio Unit entry, at 48 kHz stereo with the
// default oversampling factor, as a host with a busy automation lane does:
//  - before every block, one to three parameters (all but the factor and the
//    bypass) set to random values through the entry;
//  - block sizes random from 1 to the unit's maximum frames per slice;
//  - every second of audio, the state saved (ClassInfo) and restored;
//  - every ten seconds, a Reset.
// The input is a tone whose pitch and level wander, with noise and stretches
// of silence. Reported counters:
//   audio_s, wall_s, x_realtime   length rendered, time taken, their ratio
//   blocks, render_errors         render calls and those that failed
//   state_errors                  save/restore round trips that failed
//   nonfinite                     output samples that were NaN or infinite
//   peak                          largest output magnitude
//   render_allocs                 C++ allocations made inside render calls
//   rss_start_mb, rss_end_mb      resident memory after the first second
//                                 and at the end
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "IPlugBase.h"
#include "alloc_counter.h"
#include "cinderpath_host/ComponentBundle.h"

namespace
{
constexpr double kRate = 48000.0;
constexpr int kFactorParam = 19;  // oversampling factor: kept at its default
constexpr int kBypassParam = 6;   // kept off, so every block is processed

// The strings a parameter info hands to its receiver.
void ReleaseInfoStrings(const AudioUnitParameterInfo& info)
{
  if (!(info.flags & kAudioUnitParameterFlag_CFNameRelease)) return;
  if (info.cfNameString) CFRelease(info.cfNameString);
  if (info.unit == kAudioUnitParameterUnit_CustomUnit && info.unitName) CFRelease(info.unitName);
}

double SoakSeconds()
{
  const char* s = std::getenv("CINDERPATH_SOAK_SECONDS");
  const double v = s ? std::atof(s) : 0.0;
  return v > 0.0 ? v : 3600.0;
}

// Resident memory of this process in MiB.
double ResidentMiB()
{
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r"))
  {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return (double)resident * (double)sysconf(_SC_PAGESIZE) / (1024.0 * 1024.0);
}

// The input callback's signal, continuous across blocks: a tone gliding
// between 40 Hz and 2 kHz with a level wandering from silence to +6 dBFS,
// plus a little noise.
struct Source
{
  double phase = 0.0, freq = 110.0, level = 0.5;
  double freqTarget = 110.0, levelTarget = 0.5;
  long long sample = 0;
  std::mt19937 rng{2024};

  static OSStatus Callback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 frames,
                           AudioBufferList* list)
  {
    Source* self = (Source*)refCon;
    float* left = (float*)list->mBuffers[0].mData;
    float* right = list->mNumberBuffers > 1 ? (float*)list->mBuffers[1].mData : left;
    std::uniform_real_distribution<double> noise(-0.02, 0.02);
    for (UInt32 s = 0; s < frames; ++s, ++self->sample)
    {
      if (self->sample % 24000 == 0)
      {
        // New targets every half second; now and then a stretch of silence.
        std::uniform_real_distribution<double> u(0.0, 1.0);
        self->freqTarget = 40.0 * std::pow(50.0, u(self->rng));
        self->levelTarget = u(self->rng) < 0.1 ? 0.0 : 2.0 * u(self->rng);
      }
      self->freq += (self->freqTarget - self->freq) * 1e-4;
      self->level += (self->levelTarget - self->level) * 1e-4;
      self->phase += 2.0 * M_PI * self->freq / kRate;
      if (self->phase > 2.0 * M_PI) self->phase -= 2.0 * M_PI;
      const double x = self->level * std::sin(self->phase);
      left[s] = (float)(x + (self->level > 0.0 ? noise(self->rng) : 0.0));
      right[s] = (float)(0.7 * x);
    }
    return noErr;
  }
};

void BM_Soak(benchmark::State& state)
{
  std::string error;
  const cinderpath_host::LoadedBundle* bundle =
    cinderpath_host::LoadComponentBundle(std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component", &error);
  const cinderpath_host::BundleComponent* component = bundle ? bundle->Find(kAudioUnitType_Effect) : nullptr;
  cinderpath_host::UnitHandle handle;
  // Opening the unit constructs the plug-in with new inside the bundle: the
  // counter must see that, or its zero on the render path would mean nothing.
  effect_test::ArmAllocationCounter();
  const OSStatus opened = component ? handle.Open(component->component) : -1;
  const long openAllocs = effect_test::DisarmAllocationCounter();
  if (opened != noErr)
  {
    state.SkipWithError(("cannot open the effect: " + error).c_str());
    return;
  }
  if (openAllocs == 0)
  {
    state.SkipWithError("the allocation counter does not see the bundle's allocations");
    return;
  }
  AudioUnit unit = handle.Get();
  AudioStreamBasicDescription f = {};
  f.mSampleRate = kRate;
  f.mFormatID = kAudioFormatLinearPCM;
  f.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  f.mBytesPerPacket = f.mBytesPerFrame = 4;
  f.mFramesPerPacket = 1;
  f.mChannelsPerFrame = 2;
  f.mBitsPerChannel = 32;
  Source source;
  AURenderCallbackStruct cb = {Source::Callback, &source};
  UInt32 maxFrames = 0, size = sizeof(maxFrames);
  if (AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &f, sizeof(f)) ||
      AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &f, sizeof(f)) ||
      AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &cb, sizeof(cb)) ||
      AudioUnitGetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &maxFrames,
                           &size) ||
      !maxFrames || AudioUnitInitialize(unit))
  {
    state.SkipWithError("cannot set the effect up");
    return;
  }

  // Parameter ranges, read once as a host does.
  UInt32 listSize = 0;
  AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &listSize, nullptr);
  std::vector<AudioUnitParameterID> ids(listSize / sizeof(AudioUnitParameterID));
  AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids.data(), &listSize);
  struct Range
  {
    AudioUnitParameterID id;
    float lo, hi;
  };
  std::vector<Range> automated;
  for (AudioUnitParameterID id : ids)
  {
    if ((int)id == kFactorParam || (int)id == kBypassParam) continue;
    AudioUnitParameterInfo info = {};
    size = sizeof(info);
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, &info, &size))
      continue;
    ReleaseInfoStrings(info);
    automated.push_back({id, info.minValue, info.maxValue});
  }
  if (automated.empty())
  {
    state.SkipWithError("no parameters to automate");
    return;
  }

  std::vector<float> out[2] = {std::vector<float>(maxFrames), std::vector<float>(maxFrames)};
  std::vector<unsigned char> listStorage(sizeof(AudioBufferList) + 2 * sizeof(AudioBuffer));
  AudioBufferList* list = (AudioBufferList*)listStorage.data();
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> unit01(0.0f, 1.0f);

  const long long total = (long long)std::llround(SoakSeconds() * kRate);
  const long long second = (long long)kRate;
  long long done = 0, nextState = second, nextReset = 10 * second;
  long blocks = 0, renderErrors = 0, stateErrors = 0, renderAllocs = 0;
  long long nonFinite = 0;
  double peak = 0.0, rssStart = 0.0;
  const auto t0 = std::chrono::steady_clock::now();
  for (auto _ : state)
  {
    while (done < total)
    {
      const int nChanges = 1 + (int)(rng() % 3);
      for (int i = 0; i < nChanges; ++i)
      {
        const Range& p = automated[rng() % automated.size()];
        AudioUnitSetParameter(unit, p.id, kAudioUnitScope_Global, 0, p.lo + unit01(rng) * (p.hi - p.lo), 0);
      }
      const UInt32 frames = (UInt32)std::min<long long>(1 + rng() % maxFrames, total - done);
      list->mNumberBuffers = 2;
      for (int c = 0; c < 2; ++c)
      {
        list->mBuffers[c].mNumberChannels = 1;
        list->mBuffers[c].mDataByteSize = frames * 4;
        list->mBuffers[c].mData = out[c].data();
      }
      AudioTimeStamp ts = {};
      ts.mSampleTime = (double)done;
      ts.mFlags = kAudioTimeStampSampleTimeValid;
      AudioUnitRenderActionFlags flags = 0;
      effect_test::ArmAllocationCounter();
      const OSStatus r = AudioUnitRender(unit, &flags, &ts, 0, frames, list);
      renderAllocs += effect_test::DisarmAllocationCounter();
      if (r != noErr) ++renderErrors;
      for (int c = 0; c < 2; ++c)
        for (UInt32 s = 0; s < frames; ++s)
        {
          const double v = out[c][s];
          if (!std::isfinite(v)) ++nonFinite;
          else if (std::fabs(v) > peak) peak = std::fabs(v);
        }
      done += frames;
      ++blocks;

      if (done >= nextState)
      {
        nextState += second;
        CFPropertyListRef saved = nullptr;
        size = sizeof(saved);
        if (AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved, &size) ||
            !saved)
          ++stateErrors;
        else
        {
          if (AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved,
                                   sizeof(saved)))
            ++stateErrors;
          CFRelease(saved);
        }
        if (rssStart == 0.0) rssStart = ResidentMiB();
      }
      if (done >= nextReset)
      {
        nextReset += 10 * second;
        if (AudioUnitReset(unit, kAudioUnitScope_Global, 0)) ++renderErrors;
      }
    }
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double rssEnd = ResidentMiB();
  const double audio = (double)done / kRate;
  state.counters["audio_s"] = audio;
  state.counters["wall_s"] = wall;
  state.counters["x_realtime"] = audio / wall;
  state.counters["blocks"] = (double)blocks;
  state.counters["render_errors"] = (double)renderErrors;
  state.counters["state_errors"] = (double)stateErrors;
  state.counters["nonfinite"] = (double)nonFinite;
  state.counters["peak"] = peak;
  state.counters["render_allocs"] = (double)renderAllocs;
  state.counters["rss_start_mb"] = rssStart;
  state.counters["rss_end_mb"] = rssEnd;
  std::printf("soak: %.0f s of audio in %.1f s (%.1fx realtime), %ld blocks, %ld render errors, %ld state errors, "
              "%lld non-finite samples, peak %.3f, %ld allocations while rendering, resident %.1f MiB after 1 s, "
              "%.1f MiB at the end\n",
              audio, wall, audio / wall, blocks, renderErrors, stateErrors, nonFinite, peak, renderAllocs, rssStart,
              rssEnd);
  if (renderErrors || stateErrors || nonFinite || renderAllocs)
    state.SkipWithError("the soak found faults: see the counters");
}
BENCHMARK(BM_Soak)->Iterations(1)->Unit(benchmark::kSecond);
}  // namespace
