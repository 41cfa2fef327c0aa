// One instance of the effect, loaded from its component bundle, driven by
// four threads at once for a few seconds, as a host and its editor do:
//  - render: the fast-dispatch render procedure, block after block;
//  - host: parameters set through the entry, the saved state (ClassInfo)
//    read and restored, factory presets chosen, the unit reset;
//  - reader: parameter values, infos, value strings and display texts,
//    latency and tail, the present preset;
//  - UI: the plug-in's editor redrawn wherever it is dirty.
// ThreadSanitizer (the tsan configuration) reports any data race; every
// build checks that each call succeeded and the output stayed finite.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#include "IGraphics.h"
#include "IPlugBase.h"
#include "cinderpath_host/ComponentBundle.h"

// The leak checker of the sanitizer build scans every thread's dynamic
// thread-local storage at exit. After this program's threads have used the
// bundle and the window layer has closed its X connection, one of those
// entries names a module already unloaded, and the scan itself crashes (a
// fault of the checker, not a leak). Thread-local storage is therefore left
// out of this program's leak roots; leaks are still reported.
extern "C" const char* __lsan_default_options() { return "use_tls=0"; }

namespace
{
constexpr UInt32 kMaxFrames = 512;
constexpr double kRate = 48000.0;

// The strings a parameter info hands to its receiver.
void ReleaseInfoStrings(const AudioUnitParameterInfo& info)
{
  if (!(info.flags & kAudioUnitParameterFlag_CFNameRelease)) return;
  if (info.cfNameString) CFRelease(info.cfNameString);
  if (info.unit == kAudioUnitParameterUnit_CustomUnit && info.unitName) CFRelease(info.unitName);
}

// Seconds the threads run together; CINDERPATH_STRESS_SECONDS overrides.
double StressSeconds()
{
  const char* s = std::getenv("CINDERPATH_STRESS_SECONDS");
  const double v = s ? std::atof(s) : 0.0;
  return v > 0.0 ? v : 4.0;
}

AudioStreamBasicDescription StereoFloat()
{
  AudioStreamBasicDescription f = {};
  f.mSampleRate = kRate;
  f.mFormatID = kAudioFormatLinearPCM;
  f.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  f.mBytesPerPacket = 4;
  f.mFramesPerPacket = 1;
  f.mBytesPerFrame = 4;
  f.mChannelsPerFrame = 2;
  f.mBitsPerChannel = 32;
  return f;
}

// The host's input: a loud 110 Hz tone with some noise, ready before the
// render thread starts.
struct Source
{
  Source()
  {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-0.1f, 0.1f);
    for (UInt32 i = 0; i < kMaxFrames; ++i) tone[i] = 0.8f * (float)std::sin(2.0 * M_PI * 110.0 * i / kRate) + noise(rng);
  }
  float tone[kMaxFrames];

  static OSStatus Callback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 frames,
                           AudioBufferList* list)
  {
    const Source* self = (const Source*)refCon;
    for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
    {
      float* dst = (float*)list->mBuffers[c].mData;
      for (UInt32 s = 0; s < frames; ++s) dst[s] = self->tone[s] * (c ? -1.0f : 1.0f);
    }
    return noErr;
  }
};

class BindingsStress : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string error;
    const cinderpath_host::LoadedBundle* bundle =
      cinderpath_host::LoadComponentBundle(std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component", &error);
    ASSERT_NE(bundle, nullptr) << error;
    const cinderpath_host::BundleComponent* component = bundle->Find(kAudioUnitType_Effect);
    ASSERT_NE(component, nullptr);
    ASSERT_EQ(OpenAComponent(component->component, &unit), noErr);
    plug = (IPlugBase*)GetComponentInstanceStorage(unit);
    ASSERT_NE(plug, nullptr);
    ASSERT_NE(plug->GetGUI(), nullptr);

    const AudioStreamBasicDescription f = StereoFloat();
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &f, sizeof(f)),
              noErr);
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &f, sizeof(f)),
              noErr);
    const UInt32 maxFrames = kMaxFrames;
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                                   &maxFrames, sizeof(maxFrames)),
              noErr);
    AURenderCallbackStruct cb = {Source::Callback, &source};
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &cb,
                                   sizeof(cb)),
              noErr);
    ASSERT_EQ(AudioUnitInitialize(unit), noErr);
    UInt32 size = sizeof(render);
    ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                                   kAudioUnitRenderSelect, &render, &size),
              noErr);
    ASSERT_NE(render, nullptr);
  }

  void TearDown() override
  {
    if (unit) CloseComponent(unit);
  }

  AudioUnit unit = nullptr;
  IPlugBase* plug = nullptr;
  AudioUnitRenderProc render = nullptr;
  Source source;
};

TEST_F(BindingsStress, RenderHostReaderAndEditorThreadsTogether)
{
  const int nParams = plug->NParams();
  ASSERT_GT(nParams, 0);
  std::atomic<bool> stop(false);
  std::atomic<long> renderFailures(0), nonFinite(0), hostFailures(0), readFailures(0);
  long blocks = 0, hostRounds = 0, reads = 0, redraws = 0;

  std::thread renderThread([&] {
    std::vector<float> left(kMaxFrames), right(kMaxFrames);
    alignas(AudioBufferList) unsigned char storage[sizeof(AudioBufferList) + sizeof(AudioBuffer)];
    AudioBufferList* list = (AudioBufferList*)storage;
    void* instance = GetComponentInstanceStorage(unit);
    for (; !stop.load(); ++blocks)
    {
      const UInt32 frames = 32 + (UInt32)(blocks * 37 % (kMaxFrames - 31));
      list->mNumberBuffers = 2;
      float* out[2] = {left.data(), right.data()};
      for (int c = 0; c < 2; ++c)
      {
        list->mBuffers[c].mNumberChannels = 1;
        list->mBuffers[c].mDataByteSize = frames * 4;
        list->mBuffers[c].mData = out[c];
      }
      AudioTimeStamp ts = {};
      ts.mSampleTime = (double)blocks * kMaxFrames;
      ts.mFlags = kAudioTimeStampSampleTimeValid;
      AudioUnitRenderActionFlags flags = 0;
      if (render(instance, &flags, &ts, 0, frames, list) != noErr) ++renderFailures;
      for (UInt32 s = 0; s < frames; ++s)
        if (!std::isfinite(left[s]) || !std::isfinite(right[s])) ++nonFinite;
    }
  });

  std::thread hostThread([&] {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit01(0.0f, 1.0f);
    for (; !stop.load(); ++hostRounds)
    {
      const AudioUnitParameterID id = (AudioUnitParameterID)(rng() % (unsigned)nParams);
      AudioUnitParameterInfo info = {};
      UInt32 size = sizeof(info);
      if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, &info, &size))
        ++hostFailures;
      ReleaseInfoStrings(info);
      const float value = info.minValue + unit01(rng) * (info.maxValue - info.minValue);
      if (AudioUnitSetParameter(unit, id, kAudioUnitScope_Global, 0, value, 0) != noErr) ++hostFailures;
      if (hostRounds % 16 == 0)
      {
        // Save and restore the whole state, as a host does with a project.
        CFPropertyListRef state = nullptr;
        size = sizeof(state);
        if (AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, &size) ||
            !state)
          ++hostFailures;
        else
        {
          if (AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state,
                                   sizeof(state)) != noErr)
            ++hostFailures;
          CFRelease(state);
        }
      }
      if (hostRounds % 256 == 0 && AudioUnitReset(unit, kAudioUnitScope_Global, 0) != noErr) ++hostFailures;
      if (hostRounds % 64 == 0)
      {
        AUPreset preset = {(SInt32)(rng() % 3), nullptr};
        if (AudioUnitSetProperty(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &preset,
                                 sizeof(preset)) != noErr)
          ++hostFailures;
      }
    }
  });

  std::thread readerThread([&] {
    for (; !stop.load(); ++reads)
    {
      const AudioUnitParameterID id = (AudioUnitParameterID)(reads % nParams);
      AudioUnitParameterValue value = 0.0f;
      if (AudioUnitGetParameter(unit, id, kAudioUnitScope_Global, 0, &value) != noErr || !std::isfinite(value))
        ++readFailures;
      AudioUnitParameterInfo info = {};
      UInt32 size = sizeof(info);
      if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, &info, &size))
        ++readFailures;
      ReleaseInfoStrings(info);
      if (info.flags & kAudioUnitParameterFlag_ValuesHaveStrings)
      {
        CFArrayRef strings = nullptr;
        size = sizeof(strings);
        if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, id, &strings,
                                 &size) == noErr && strings)
          CFRelease(strings);
      }
      AudioUnitParameterStringFromValue text = {id, nullptr, nullptr};
      size = sizeof(text);
      if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0, &text,
                               &size) == noErr && text.outString)
        CFRelease(text.outString);
      Float64 seconds = 0.0;
      size = sizeof(seconds);
      if (AudioUnitGetProperty(unit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, &seconds, &size) ||
          AudioUnitGetProperty(unit, kAudioUnitProperty_TailTime, kAudioUnitScope_Global, 0, &seconds, &size))
        ++readFailures;
      AUPreset preset = {};
      size = sizeof(preset);
      if (AudioUnitGetProperty(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &preset, &size))
        ++readFailures;
      else if (preset.presetName)
        CFRelease(preset.presetName);
    }
  });

  // The UI thread: this one.
  IGraphics* gui = plug->GetGUI();
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(StressSeconds());
  while (std::chrono::steady_clock::now() < end)
  {
    IRECT r;
    if (gui->IsDirty(&r))
    {
      gui->Draw(&r);
      ++redraws;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  stop.store(true);
  renderThread.join();
  hostThread.join();
  readerThread.join();

  EXPECT_EQ(renderFailures.load(), 0);
  EXPECT_EQ(nonFinite.load(), 0);
  EXPECT_EQ(hostFailures.load(), 0);
  EXPECT_EQ(readFailures.load(), 0);
  // Every thread made progress.
  EXPECT_GT(blocks, 0);
  EXPECT_GT(hostRounds, 0);
  EXPECT_GT(reads, 0);
  EXPECT_GT(redraws, 0);
  printf("%.1f s: %ld blocks, %ld host rounds, %ld reads, %ld redraws\n", StressSeconds(), blocks, hostRounds, reads,
         redraws);
}
}  // namespace
