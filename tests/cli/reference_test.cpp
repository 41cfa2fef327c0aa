// The program's output equals the plug-in's own processing of the same input
// and settings, computed in this process without any host in between: the
// host path adds nothing but the float conversions and the latency shift.
// Lengths and block sizes around the program's hand-over between its reading,
// rendering and writing threads (empty, shorter than a block, a block and one
// frame, more than all its buffers hold) must not change a sample.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Cinderpath.h"
#include "temp_dir.h"
#include "test_audio.h"

namespace {

constexpr int kRate = 44100;
constexpr int kLatency = 4;

std::vector<float> Signal(int channels, long frames) {
  std::vector<float> s(static_cast<size_t>(frames) * channels);
  for (long n = 0; n < frames; ++n)
    for (int c = 0; c < channels; ++c)
      s[static_cast<size_t>(n) * channels + c] =
          static_cast<float>(0.7 * std::sin(0.031 * n * (c + 1)) + 0.2 * std::sin(0.37 * n));
  return s;
}

// Runs the plug-in directly: the same order of calls a host's set-up makes
// (rate, block size, reset, initialise), then the parameter values.
std::vector<float> ProcessDirectly(const std::vector<float>& in, int channels, int block,
                                   const std::vector<std::pair<int, double>>& settings) {
  const long inFrames = static_cast<long>(in.size()) / channels;
  IPlugInstanceInfo info;
  Cinderpath plug(info);
  plug.SetSampleRate(kRate);
  plug.SetBlockSize(block);
  plug.Reset();
  plug.OnParamReset();
  for (const auto& s : settings) {
    // Hosts hand parameter values over as 32-bit floats.
    plug.GetParam(s.first)->Set(static_cast<float>(s.second));
    plug.OnParamChange(s.first);
  }
  // Input converted through float, as the host hands it over, plus the
  // latency's worth of silence that the program renders at the end.
  const long total = inFrames + kLatency;
  // The plug-in always processes two channels; with a mono host the second
  // input reads silence and the second output is discarded, as the binding
  // arranges with its scratch buffers.
  std::vector<std::vector<double>> inD(2, std::vector<double>(total, 0.0));
  std::vector<std::vector<double>> outD(2, std::vector<double>(total, 0.0));
  for (long n = 0; n < inFrames; ++n)
    for (int c = 0; c < channels; ++c) inD[c][n] = in[static_cast<size_t>(n) * channels + c];
  for (long pos = 0; pos < total; pos += block) {
    const int frames = static_cast<int>(std::min<long>(block, total - pos));
    double* ins[2];
    double* outs[2];
    for (int c = 0; c < 2; ++c) {
      ins[c] = inD[c].data() + pos;
      outs[c] = outD[c].data() + pos;
    }
    plug.ProcessDoubleReplacing(ins, outs, frames);
  }
  std::vector<float> out(static_cast<size_t>(inFrames) * channels);
  for (long n = 0; n < inFrames; ++n)
    for (int c = 0; c < channels; ++c)
      out[static_cast<size_t>(n) * channels + c] = static_cast<float>(outD[c][n + kLatency]);
  return out;
}

}  // namespace

TEST(Reference, ProgramOutputEqualsDirectProcessing) {
  TempDir dir;
  const std::vector<std::pair<int, double>> settings = {
      {2, 9.5}, {9, 1}, {0, 7.5}, {1, 0.6}, {10, 1}, {11, 90}, {12, 1}, {14, -6}, {15, 1}, {17, 4}, {19, 2}};
  const struct {
    int channels;
    long frames;
    int block;
  } cases[] = {{1, 9000, 512}, {2, 9000, 512}, {2, 0, 512},   {2, 1, 512},
               {1, 513, 512},  {2, 70001, 512}, {2, 9000, 1000}, {1, 20000, 7}};
  for (const auto& c : cases) {
    const std::vector<float> in = Signal(c.channels, c.frames);
    WriteWav(dir / "in.wav", Audio{c.channels, kRate, in});
    std::string cmd = std::string("'") + CINDERPATH_PROGRAM + "' render '" + (dir / "in.wav") + "' -o '" +
                      (dir / "out.wav") + "' --quiet --block " + std::to_string(c.block);
    for (const auto& s : settings) cmd += " --set " + std::to_string(s.first) + "=" + std::to_string(s.second);
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const std::vector<float> program = ReadWav(dir / "out.wav").samples;
    const std::vector<float> direct = ProcessDirectly(in, c.channels, c.block, settings);
    ASSERT_EQ(program.size(), direct.size()) << c.frames << " frames";
    long mismatches = 0;
    for (size_t i = 0; i < direct.size(); ++i)
      if (program[i] != direct[i]) ++mismatches;
    EXPECT_EQ(mismatches, 0) << c.channels << " channel(s), " << c.frames << " frames, block " << c.block;
  }
}
