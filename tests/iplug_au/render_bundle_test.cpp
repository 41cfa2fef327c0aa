// A host's view of the real component bundle: render audio through the Audio
// Unit interface and compare with the plug-in's own processing call on the
// same input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "cinderpath_host/ComponentBundle.h"
#include "IPlugBase.h"
#include "props_rig.h"

namespace
{
constexpr UInt32 kBlock = 512;
constexpr int kBlocks = 6;
constexpr double kRate = 48000.0;

const cinderpath_host::BundleComponent* CinderpathComponent()
{
  std::string error;
  const cinderpath_host::LoadedBundle* bundle =
    cinderpath_host::LoadComponentBundle(std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component", &error);
  EXPECT_NE(bundle, nullptr) << error;
  if (!bundle) return nullptr;
  return bundle->Find(kAudioUnitType_Effect);
}

// Seeded noise within +-0.9, one run per channel and block.
struct Signal
{
  explicit Signal(int nChannels) : samples(nChannels, std::vector<float>(kBlock * kBlocks))
  {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> dist(-0.9f, 0.9f);
    for (auto& channel : samples)
      for (float& s : channel) s = dist(rng);
  }
  std::vector<std::vector<float>> samples;
  int block = 0;  // the block the host's callback hands out next

  static OSStatus Callback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 frames,
                           AudioBufferList* list)
  {
    Signal* self = (Signal*)refCon;
    for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
    {
      const float* src = self->samples[c].data() + self->block * kBlock;
      float* dst = (float*)list->mBuffers[c].mData;
      for (UInt32 s = 0; s < frames; ++s) dst[s] = src[s];
    }
    return noErr;
  }
};

// Sets a unit up as a host does before processing: formats, maximum frames,
// sample rate, input callback, then Initialize.
void SetUpUnit(AudioUnit unit, UInt32 nChannels, Signal* pSignal)
{
  const AudioStreamBasicDescription f = FloatFormat(kRate, nChannels);
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &f, sizeof(f)),
            noErr);
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &f, sizeof(f)),
            noErr);
  const UInt32 maxFrames = kBlock;
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                                 &maxFrames, sizeof(maxFrames)),
            noErr);
  const Float64 rate = kRate;
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, sizeof(rate)),
            noErr);
  AURenderCallbackStruct cb = {Signal::Callback, pSignal};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &cb,
                                 sizeof(cb)),
            noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
}

class BundleRenderTest : public ::testing::TestWithParam<UInt32>
{
protected:
  void SetUp() override
  {
    const cinderpath_host::BundleComponent* component = CinderpathComponent();
    ASSERT_NE(component, nullptr);
    ASSERT_EQ(hosted.Open(component->component), noErr);
    ASSERT_EQ(reference.Open(component->component), noErr);
  }

  // Renders every block through the unit (calling beforeBlock(b), if given,
  // before block b); returns the output per channel.
  std::vector<std::vector<float>> RenderAll(AudioUnit unit, Signal* pSignal, UInt32 nChannels,
                                            const std::function<void(int)>& beforeBlock = nullptr)
  {
    std::vector<std::vector<float>> out(nChannels, std::vector<float>(kBlock * kBlocks, 0.0f));
    std::vector<unsigned char> storage(sizeof(AudioBufferList) + nChannels * sizeof(AudioBuffer));
    AudioBufferList* list = (AudioBufferList*)storage.data();
    for (int b = 0; b < kBlocks; ++b)
    {
      if (beforeBlock) beforeBlock(b);
      pSignal->block = b;
      list->mNumberBuffers = nChannels;
      for (UInt32 c = 0; c < nChannels; ++c)
      {
        list->mBuffers[c].mNumberChannels = 1;
        list->mBuffers[c].mDataByteSize = kBlock * 4;
        list->mBuffers[c].mData = out[c].data() + b * kBlock;
      }
      AudioTimeStamp ts = {};
      ts.mSampleTime = (double)b * kBlock;
      ts.mFlags = kAudioTimeStampSampleTimeValid;
      AudioUnitRenderActionFlags flags = 0;
      EXPECT_EQ(AudioUnitRender(unit, &flags, &ts, 0, kBlock, list), noErr);
    }
    return out;
  }

  cinderpath_host::UnitHandle hosted;
  cinderpath_host::UnitHandle reference;
};

TEST_P(BundleRenderTest, OutputEqualsTheProcessingCallOnTheSameInput)
{
  const UInt32 nChannels = GetParam();
  Signal signal(2);
  SetUpUnit(hosted.Get(), nChannels, &signal);
  SetUpUnit(reference.Get(), nChannels, &signal);
  const std::vector<std::vector<float>> rendered = RenderAll(hosted.Get(), &signal, nChannels);

  // The reference instance went through the same set-up; its processing call
  // gets the same samples as doubles, with the channels the host does not
  // use connected as the render path leaves them.
  IPlugBase* plug = (IPlugBase*)GetComponentInstanceStorage(reference.Get());
  ASSERT_NE(plug, nullptr);
  ASSERT_EQ(plug->NInChannels(), 2);
  ASSERT_EQ(plug->NOutChannels(), 2);
  // The effect must actually change the signal for the comparison to mean
  // anything.
  double largestChange = 0.0;
  for (UInt32 c = 0; c < nChannels; ++c)
    for (size_t s = 0; s < rendered[c].size(); ++s)
      largestChange = std::max(largestChange, std::fabs((double)rendered[c][s] - signal.samples[c][s]));
  EXPECT_GT(largestChange, 0.01);

  std::vector<std::vector<double>> in(2, std::vector<double>(kBlock, 0.0)), out(2, std::vector<double>(kBlock));
  double* inPtrs[2] = {in[0].data(), in[1].data()};
  double* outPtrs[2] = {out[0].data(), out[1].data()};
  for (int b = 0; b < kBlocks; ++b)
  {
    for (UInt32 c = 0; c < nChannels; ++c)
      for (UInt32 s = 0; s < kBlock; ++s) in[c][s] = (double)signal.samples[c][b * kBlock + s];
    plug->ProcessDoubleReplacing(inPtrs, outPtrs, (int)kBlock);
    for (UInt32 c = 0; c < nChannels; ++c)
      for (UInt32 s = 0; s < kBlock; ++s)
        ASSERT_EQ(rendered[c][b * kBlock + s], (float)out[c][s]) << "channel " << c << " frame " << b * kBlock + s;
  }
}

// The host's bypass delays by the reported latency, so a bypassed track stays
// in time with the processed one, and switching it between blocks neither
// repeats nor skips input.
TEST_P(BundleRenderTest, BypassedOutputIsTheInputDelayedByTheLatency)
{
  const UInt32 nChannels = GetParam();
  Signal signal(2);
  SetUpUnit(hosted.Get(), nChannels, &signal);
  const int bypassed[kBlocks] = {1, 1, 0, 1, 0, 1};
  const std::vector<std::vector<float>> rendered =
    RenderAll(hosted.Get(), &signal, nChannels, [&](int b) {
      const UInt32 on = bypassed[b];
      ASSERT_EQ(AudioUnitSetProperty(hosted.Get(), kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &on,
                                     sizeof(on)),
                noErr);
    });
  for (UInt32 c = 0; c < nChannels; ++c)
    for (int b = 0; b < kBlocks; ++b)
      for (UInt32 s = 0; bypassed[b] && s < kBlock; ++s)
      {
        const int i = b * (int)kBlock + (int)s;
        ASSERT_EQ(rendered[c][i], i >= 4 ? signal.samples[c][i - 4] : 0.0f) << "channel " << c << " frame " << i;
      }
}

// Once the host takes the input away the effect hears silence: its output
// dies away instead of repeating the last block it was given.
TEST_P(BundleRenderTest, RemovedInputDecaysToSilence)
{
  const UInt32 nChannels = GetParam();
  Signal signal(2);
  SetUpUnit(hosted.Get(), nChannels, &signal);
  RenderAll(hosted.Get(), &signal, nChannels);
  AURenderCallbackStruct none = {nullptr, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(hosted.Get(), kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &none,
                                 sizeof(none)),
            noErr);

  // Two seconds without input; the last block must be silent.
  std::vector<std::vector<float>> out(nChannels, std::vector<float>(kBlock));
  std::vector<unsigned char> storage(sizeof(AudioBufferList) + nChannels * sizeof(AudioBuffer));
  AudioBufferList* list = (AudioBufferList*)storage.data();
  const int nSilentBlocks = (int)(2.0 * kRate / kBlock);
  for (int b = 0; b < nSilentBlocks; ++b)
  {
    list->mNumberBuffers = nChannels;
    for (UInt32 c = 0; c < nChannels; ++c)
      list->mBuffers[c] = {1, kBlock * 4, out[c].data()};
    AudioTimeStamp ts = {};
    ts.mSampleTime = (double)(kBlocks + b) * kBlock;
    ts.mFlags = kAudioTimeStampSampleTimeValid;
    AudioUnitRenderActionFlags flags = 0;
    ASSERT_EQ(AudioUnitRender(hosted.Get(), &flags, &ts, 0, kBlock, list), noErr);
  }
  for (UInt32 c = 0; c < nChannels; ++c)
    for (float s : out[c]) ASSERT_LT(std::fabs(s), 1e-6f) << "channel " << c;
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, BundleRenderTest, ::testing::Values(1u, 2u),
                         [](const ::testing::TestParamInfo<UInt32>& info) {
                           return info.param == 1 ? std::string("Mono") : std::string("Stereo");
                         });
}  // namespace
