// Render path through the component entry and the fast-dispatch procedure:
// argument checks, input pulling, output binding, bypass, observers, locking.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "props_rig.h"

namespace
{
constexpr UInt32 kFrames = 64;

// The host side of an input callback: fills each buffer with a ramp
// (channel c, frame s -> (s + 1) / 100 + c), or misbehaves on request.
struct HostInput
{
  int calls = 0;
  UInt32 lastBus = 999;
  UInt32 lastFrames = 0;
  std::vector<void*> lastData;
  OSStatus result = noErr;
  enum EFault { kNone, kFewerBuffers, kNullData, kShortBuffer } fault = kNone;

  static float Sample(int channel, int frame) { return (float)((frame + 1) / 100.0 + channel); }

  static OSStatus Callback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32 bus,
                           UInt32 frames, AudioBufferList* list)
  {
    HostInput* self = (HostInput*)refCon;
    ++self->calls;
    self->lastBus = bus;
    self->lastFrames = frames;
    self->lastData.clear();
    for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
    {
      self->lastData.push_back(list->mBuffers[c].mData);
      float* p = (float*)list->mBuffers[c].mData;
      for (UInt32 s = 0; s < frames && p; ++s) p[s] = Sample((int)c, (int)s);
    }
    switch (self->fault)
    {
      case kFewerBuffers: list->mNumberBuffers -= 1; break;
      case kNullData: list->mBuffers[list->mNumberBuffers - 1].mData = nullptr; break;
      case kShortBuffer: list->mBuffers[0].mDataByteSize = frames * 4 - 4; break;
      case kNone: break;
    }
    return self->result;
  }
};

// Output buffers the host owns, or null pointers for the plug-in to fill in.
struct HostOutput
{
  explicit HostOutput(UInt32 nChannels, UInt32 frames = kFrames, bool withMemory = true)
    : samples(nChannels, std::vector<float>(frames, -99.0f)),
      storage(sizeof(AudioBufferList) + nChannels * sizeof(AudioBuffer), 0)
  {
    list()->mNumberBuffers = nChannels;
    for (UInt32 c = 0; c < nChannels; ++c)
    {
      list()->mBuffers[c].mNumberChannels = 1;
      list()->mBuffers[c].mDataByteSize = frames * 4;
      list()->mBuffers[c].mData = withMemory ? samples[c].data() : nullptr;
    }
  }
  AudioBufferList* list() { return (AudioBufferList*)storage.data(); }
  const float* channel(UInt32 c) { return (const float*)list()->mBuffers[c].mData; }

  std::vector<std::vector<float>> samples;
  std::vector<unsigned char> storage;
};

AudioTimeStamp SampleTime(double t)
{
  AudioTimeStamp ts = {};
  ts.mSampleTime = t;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  return ts;
}

// Every render observer call, in order.
struct ObserverLog
{
  std::vector<AudioUnitRenderActionFlags> flags;
  AudioUnit unitToEdit = nullptr;  // when set, the observer removes itself on its first call

  static OSStatus Callback(void* refCon, AudioUnitRenderActionFlags* ioFlags, const AudioTimeStamp*, UInt32, UInt32,
                           AudioBufferList*)
  {
    ObserverLog* self = (ObserverLog*)refCon;
    self->flags.push_back(*ioFlags);
    if (self->unitToEdit)
    {
      AudioUnit unit = self->unitToEdit;
      self->unitToEdit = nullptr;
      AudioUnitRemoveRenderNotify(unit, Callback, refCon);
    }
    return noErr;
  }
};

class RenderTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_NE(rig.unit, nullptr);
    Connect(&input);
    ASSERT_EQ(AudioUnitInitialize(rig.unit), noErr);
  }

  void Connect(HostInput* pInput)
  {
    AURenderCallbackStruct cb = {HostInput::Callback, pInput};
    ASSERT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &cb,
                                   sizeof(cb)),
              noErr);
  }

  void SetFormats(UInt32 nChannels, double rate = 44100.0)
  {
    AudioStreamBasicDescription f = FloatFormat(rate, nChannels);
    ASSERT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &f, sizeof(f)),
              noErr);
    ASSERT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &f, sizeof(f)),
              noErr);
  }

  OSStatus Render(double sampleTime, HostOutput& out, UInt32 frames = kFrames)
  {
    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp ts = SampleTime(sampleTime);
    return AudioUnitRender(rig.unit, &flags, &ts, 0, frames, out.list());
  }

  AudioUnitRenderProc FastRender()
  {
    AudioUnitRenderProc proc = nullptr;
    UInt32 size = sizeof(proc);
    EXPECT_EQ(AudioUnitGetProperty(rig.unit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                                   kAudioUnitRenderSelect, &proc, &size),
              noErr);
    return proc;
  }

  RigUnit rig;
  HostInput input;
};

TEST_F(RenderTest, StereoOutputIsInputScaledPerChannel)
{
  SetFormats(2);
  HostOutput out(2);
  ASSERT_EQ(Render(0, out), noErr);
  EXPECT_EQ(input.calls, 1);
  EXPECT_EQ(input.lastBus, 0u);
  EXPECT_EQ(input.lastFrames, kFrames);
  for (UInt32 s = 0; s < kFrames; ++s)
  {
    EXPECT_FLOAT_EQ(out.channel(0)[s], (float)((double)HostInput::Sample(0, (int)s) * 0.5));
    EXPECT_FLOAT_EQ(out.channel(1)[s], (float)((double)HostInput::Sample(1, (int)s) * 1.0));
  }
}

TEST_F(RenderTest, InputCallbackWritesIntoInputScratchChannelByChannel)
{
  SetFormats(2);
  HostOutput out(2);
  ASSERT_EQ(Render(0, out), noErr);
  ASSERT_EQ(input.lastData.size(), 2u);
  EXPECT_EQ(input.lastData[0], (void*)rig.plug->InputScratch());
  EXPECT_EQ(input.lastData[1], (void*)(rig.plug->InputScratch() + kFrames));
}

TEST_F(RenderTest, RenderOutsideInitializeTouchesNothing)
{
  ObserverLog log;
  ASSERT_EQ(AudioUnitAddRenderNotify(rig.unit, ObserverLog::Callback, &log), noErr);
  ASSERT_EQ(AudioUnitUninitialize(rig.unit), noErr);
  HostOutput out(2, kFrames, false);
  EXPECT_EQ(Render(0, out), kAudioUnitErr_Uninitialized);
  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp ts = SampleTime(0);
  EXPECT_EQ(FastRender()(rig.plug, &flags, &ts, 0, kFrames, out.list()), kAudioUnitErr_Uninitialized);
  EXPECT_TRUE(log.flags.empty());
  EXPECT_EQ(input.calls, 0);
  EXPECT_EQ(rig.plug->mProcessCalls, 0);
  EXPECT_EQ(out.list()->mBuffers[0].mData, nullptr);
}

// A refused format changes nothing: the unit keeps its stereo formats,
// initializes and renders as before, also at a sample time rendered before.
TEST_F(RenderTest, ARefusedFormatLeavesTheUnitRendering)
{
  SetFormats(2);
  HostOutput first(2);
  ASSERT_EQ(Render(0, first), noErr);
  ASSERT_EQ(AudioUnitUninitialize(rig.unit), noErr);
  for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output})
  {
    AudioStreamBasicDescription three = FloatFormat(44100.0, 3);
    EXPECT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_StreamFormat, scope, 0, &three, sizeof(three)),
              kAudioUnitErr_FormatNotSupported);
  }
  EXPECT_EQ(rig.plug->InputBus(0)->hostChannels, 2);
  EXPECT_EQ(rig.plug->OutputBus(0)->hostChannels, 2);
  ASSERT_EQ(AudioUnitInitialize(rig.unit), noErr);
  HostOutput out(2);
  ASSERT_EQ(Render(0, out), noErr);
  EXPECT_EQ(input.calls, 2);
  EXPECT_FLOAT_EQ(out.channel(0)[5], HostInput::Sample(0, 5) * 0.5f);
  EXPECT_FLOAT_EQ(out.channel(1)[5], HostInput::Sample(1, 5) * 1.0f);
}

// After a narrower format, an output channel the host no longer passes must
// not keep writing into the buffer it was last given.
TEST_F(RenderTest, NarrowerOutputFormatUnbindsTheChannelsLeftOver)
{
  SetFormats(2);
  HostOutput stereo(2);
  ASSERT_EQ(Render(0, stereo), noErr);
  ASSERT_EQ(AudioUnitUninitialize(rig.unit), noErr);
  SetFormats(1);
  ASSERT_EQ(AudioUnitInitialize(rig.unit), noErr);
  std::fill(stereo.samples[1].begin(), stereo.samples[1].end(), -99.0f);
  HostOutput mono(1);
  ASSERT_EQ(Render(kFrames, mono), noErr);
  EXPECT_FALSE(rig.plug->OutChannelConnected(1));
  EXPECT_FLOAT_EQ(mono.channel(0)[5], HostInput::Sample(0, 5) * 0.5f);
  for (float s : stereo.samples[1]) ASSERT_EQ(s, -99.0f);
}

TEST_F(RenderTest, TimeStampWithoutSampleTimeIsRefusedWithoutEffect)
{
  ObserverLog log;
  ASSERT_EQ(AudioUnitAddRenderNotify(rig.unit, ObserverLog::Callback, &log), noErr);
  HostOutput out(2);
  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp ts = SampleTime(0);
  ts.mFlags = kAudioTimeStampHostTimeValid;
  EXPECT_EQ(AudioUnitRender(rig.unit, &flags, &ts, 0, kFrames, out.list()), -10851);
  EXPECT_TRUE(log.flags.empty());
  EXPECT_EQ(input.calls, 0);
  EXPECT_EQ(rig.plug->mProcessCalls, 0);
  EXPECT_FLOAT_EQ(out.channel(0)[0], -99.0f);
}

TEST_F(RenderTest, FramesUpToTheMaximumRenderOneMoreIsRefused)
{
  const UInt32 maxFrames = 256;
  ASSERT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                                 &maxFrames, sizeof(maxFrames)),
            noErr);
  HostOutput atMax(2, maxFrames);
  EXPECT_EQ(Render(0, atMax, maxFrames), noErr);
  HostOutput aboveMax(2, maxFrames + 1);
  EXPECT_EQ(Render(1000, aboveMax, maxFrames + 1), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(rig.plug->mProcessCalls, 1);
}

TEST_F(RenderTest, OutputBusOutOfRangeIsRefused)
{
  HostOutput out(2);
  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp ts = SampleTime(0);
  EXPECT_EQ(AudioUnitRender(rig.unit, &flags, &ts, 1, kFrames, out.list()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(input.calls, 0);
}

TEST_F(RenderTest, SameSampleTimePullsInputOnce)
{
  HostOutput out(2);
  ASSERT_EQ(Render(512, out), noErr);
  ASSERT_EQ(Render(512, out), noErr);
  EXPECT_EQ(input.calls, 1);
  EXPECT_EQ(rig.plug->mProcessCalls, 2);
  ASSERT_EQ(Render(512 + kFrames, out), noErr);
  EXPECT_EQ(input.calls, 2);
}

TEST_F(RenderTest, NullOutputPointersGetScratchPointersBack)
{
  SetFormats(2);
  HostOutput out(2, kFrames, false);
  ASSERT_EQ(Render(0, out), noErr);
  const float* scratch = rig.plug->OutputScratch();
  EXPECT_EQ(out.channel(0), scratch);
  EXPECT_EQ(out.channel(1), scratch + kFrames);
  EXPECT_EQ(out.list()->mBuffers[1].mDataByteSize, kFrames * 4);
  EXPECT_FLOAT_EQ(out.channel(1)[3], HostInput::Sample(1, 3));
}

TEST_F(RenderTest, UnknownOutputCountBindsAsManyChannelsAsBuffers)
{
  ASSERT_EQ(rig.plug->OutputBus(0)->hostChannels, -1);
  HostOutput out(1);
  ASSERT_EQ(Render(0, out), noErr);
  EXPECT_TRUE(rig.plug->OutChannelConnected(0));
  EXPECT_FALSE(rig.plug->OutChannelConnected(1));
  EXPECT_TRUE(rig.plug->OutputBus(0)->connected);
  EXPECT_FLOAT_EQ(out.channel(0)[0], HostInput::Sample(0, 0) * 0.5f);
}

TEST_F(RenderTest, MoreOutputBuffersThanBusChannelsIsRefused)
{
  HostOutput out(3, kFrames, false);
  EXPECT_EQ(Render(0, out), kAudioUnitErr_FormatNotSupported);
  EXPECT_EQ(out.list()->mBuffers[2].mData, nullptr);
  EXPECT_EQ(rig.plug->mProcessCalls, 0);
  EXPECT_EQ(input.calls, 0);
}

TEST_F(RenderTest, OutputBufferSmallerThanTheBlockIsRefused)
{
  HostOutput out(2);
  out.list()->mBuffers[1].mDataByteSize = kFrames * 4 - 1;
  EXPECT_EQ(Render(0, out), kAudioUnitErr_TooManyFramesToProcess);
  EXPECT_EQ(rig.plug->mProcessCalls, 0);
}

// Delayed by the plug-in's latency, so it stays in time with processing.
TEST_F(RenderTest, BypassPassesInputThroughDelayedByTheLatency)
{
  SetFormats(2);
  const UInt32 on = 1;
  ASSERT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &on,
                                 sizeof(on)),
            noErr);
  HostOutput out(2);
  ASSERT_EQ(Render(0, out), noErr);
  EXPECT_EQ(rig.plug->mProcessCalls, 0);
  const int lat = rig.plug->GetLatency();
  ASSERT_GT(lat, 0);
  for (UInt32 c = 0; c < 2; ++c)
    for (UInt32 s = 0; s < kFrames; ++s)
      EXPECT_EQ(out.channel(c)[s], (int)s >= lat ? HostInput::Sample((int)c, (int)s - lat) : 0.0f);
}

TEST_F(RenderTest, ObserversBracketEachRenderAndAFailedPullSkipsPostRender)
{
  ObserverLog log;
  ASSERT_EQ(AudioUnitAddRenderNotify(rig.unit, ObserverLog::Callback, &log), noErr);
  HostOutput out(2);
  ASSERT_EQ(Render(0, out), noErr);
  ASSERT_EQ(log.flags.size(), 2u);
  EXPECT_EQ(log.flags[0], (AudioUnitRenderActionFlags)kAudioUnitRenderAction_PreRender);
  EXPECT_EQ(log.flags[1], (AudioUnitRenderActionFlags)kAudioUnitRenderAction_PostRender);

  // The source's own error comes back; no post-render call, no processing,
  // and the time stamp is not taken as pulled.
  input.result = -50;
  log.flags.clear();
  EXPECT_EQ(Render(kFrames, out), -50);
  EXPECT_EQ(log.flags.size(), 1u);
  EXPECT_EQ(rig.plug->mProcessCalls, 1);
  input.result = noErr;
  ASSERT_EQ(Render(kFrames, out), noErr);
  EXPECT_EQ(input.calls, 3);
}

TEST_F(RenderTest, ObserverRemovedDuringRenderIsNotCalledAgain)
{
  ObserverLog log;
  log.unitToEdit = rig.unit;
  ASSERT_EQ(AudioUnitAddRenderNotify(rig.unit, ObserverLog::Callback, &log), noErr);
  HostOutput out(2);
  ASSERT_EQ(Render(0, out), noErr);
  EXPECT_EQ(log.flags.size(), 1u);
  ASSERT_EQ(Render(kFrames, out), noErr);
  EXPECT_EQ(log.flags.size(), 1u);
}

// A source that reports success but hands back too little is no source.
TEST_F(RenderTest, ShortChangedInputCountsAsNoConnection)
{
  SetFormats(2);
  for (HostInput::EFault fault : {HostInput::kFewerBuffers, HostInput::kNullData, HostInput::kShortBuffer})
  {
    input.fault = fault;
    HostOutput out(2);
    EXPECT_EQ(Render(100.0 * (int)fault, out), kAudioUnitErr_NoConnection) << (int)fault;
    EXPECT_EQ(rig.plug->mProcessCalls, 0);
    EXPECT_FLOAT_EQ(out.channel(0)[0], -99.0f);
  }
}

TEST_F(RenderTest, InputBusWiderThanTheLocalListIsRefused)
{
  rig.plug->InputBus(0)->hostChannels = 129;
  HostOutput out(2);
  EXPECT_EQ(Render(0, out), kAudioUnitErr_FormatNotSupported);
  EXPECT_EQ(input.calls, 0);
  EXPECT_EQ(rig.plug->mProcessCalls, 0);
}

TEST_F(RenderTest, FastDispatchRenderWaitsForTheMutex)
{
  AudioUnitRenderProc proc = FastRender();
  ASSERT_NE(proc, nullptr);
  HostOutput out(2);
  std::atomic<bool> done(false);
  OSStatus result = -1;

  rig.plug->Mutex()->Enter();
  std::thread renderThread([&] {
    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp ts = SampleTime(0);
    result = proc(rig.plug, &flags, &ts, 0, kFrames, out.list());
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done.load());
  EXPECT_EQ(rig.plug->mProcessCalls, 0);
  rig.plug->Mutex()->Leave();
  renderThread.join();
  EXPECT_TRUE(done.load());
  EXPECT_EQ(result, noErr);
  EXPECT_EQ(rig.plug->mProcessCalls, 1);
}

TEST_F(RenderTest, UpstreamUnitFeedsThisOneThroughItsFastProcedure)
{
  RigUnit upstream;
  ASSERT_NE(upstream.unit, nullptr);
  AURenderCallbackStruct cb = {HostInput::Callback, &input};
  ASSERT_EQ(AudioUnitSetProperty(upstream.unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &cb,
                                 sizeof(cb)),
            noErr);
  ASSERT_EQ(AudioUnitInitialize(upstream.unit), noErr);
  AudioUnitConnection conn = {upstream.unit, 0, 0};
  ASSERT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, &conn,
                                 sizeof(conn)),
            noErr);
  EXPECT_EQ(rig.plug->Connection(0)->inputType, IPlugAU::DirectFastProc);
  EXPECT_EQ(rig.plug->Connection(0)->upstreamPlug, (void*)upstream.plug);
  EXPECT_EQ(rig.plug->InputBus(0)->hostChannels, 2);

  HostOutput out(2);
  ASSERT_EQ(Render(0, out), noErr);
  EXPECT_EQ(upstream.plug->mProcessCalls, 1);
  for (UInt32 s = 0; s < kFrames; s += 7)
  {
    EXPECT_FLOAT_EQ(out.channel(0)[s], HostInput::Sample(0, (int)s) * 0.25f);
    EXPECT_FLOAT_EQ(out.channel(1)[s], HostInput::Sample(1, (int)s) * 1.0f);
  }

  // A null source disconnects the bus.
  conn.sourceAudioUnit = nullptr;
  ASSERT_EQ(AudioUnitSetProperty(rig.unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, &conn,
                                 sizeof(conn)),
            noErr);
  EXPECT_EQ(rig.plug->Connection(0)->inputType, IPlugAU::NotConnected);
  EXPECT_FALSE(rig.plug->InputBus(0)->connected);
  EXPECT_FALSE(rig.plug->InChannelConnected(0));
}
}  // namespace
