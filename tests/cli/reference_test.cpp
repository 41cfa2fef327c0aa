// The program's output equals the plug-in's own processing of the same input
// and settings, computed in this process without any host in between: the
// host path adds nothing but the float conversions and the latency shift.
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
constexpr long kFrames = 9000;
constexpr int kLatency = 4;

std::vector<float> Signal(int channels) {
  std::vector<float> s(static_cast<size_t>(kFrames) * channels);
  for (long n = 0; n < kFrames; ++n)
    for (int c = 0; c < channels; ++c)
      s[static_cast<size_t>(n) * channels + c] =
          static_cast<float>(0.7 * std::sin(0.031 * n * (c + 1)) + 0.2 * std::sin(0.37 * n));
  return s;
}

// Runs the plug-in directly: the same order of calls a host's set-up makes
// (rate, block size, reset, initialise), then the parameter values.
std::vector<float> ProcessDirectly(const std::vector<float>& in, int channels,
                                   const std::vector<std::pair<int, double>>& settings) {
  IPlugInstanceInfo info;
  Cinderpath plug(info);
  plug.SetSampleRate(kRate);
  plug.SetBlockSize(512);
  plug.Reset();
  plug.OnParamReset();
  for (const auto& s : settings) {
    // Hosts hand parameter values over as 32-bit floats.
    plug.GetParam(s.first)->Set(static_cast<float>(s.second));
    plug.OnParamChange(s.first);
  }
  // Input converted through float, as the host hands it over, plus the
  // latency's worth of silence that the program renders at the end.
  const long total = kFrames + kLatency;
  // The plug-in always processes two channels; with a mono host the second
  // input reads silence and the second output is discarded, as the binding
  // arranges with its scratch buffers.
  std::vector<std::vector<double>> inD(2, std::vector<double>(total, 0.0));
  std::vector<std::vector<double>> outD(2, std::vector<double>(total, 0.0));
  for (long n = 0; n < kFrames; ++n)
    for (int c = 0; c < channels; ++c) inD[c][n] = in[static_cast<size_t>(n) * channels + c];
  for (long pos = 0; pos < total; pos += 512) {
    const int frames = static_cast<int>(std::min<long>(512, total - pos));
    double* ins[2];
    double* outs[2];
    for (int c = 0; c < 2; ++c) {
      ins[c] = inD[c].data() + pos;
      outs[c] = outD[c].data() + pos;
    }
    plug.ProcessDoubleReplacing(ins, outs, frames);
  }
  std::vector<float> out(static_cast<size_t>(kFrames) * channels);
  for (long n = 0; n < kFrames; ++n)
    for (int c = 0; c < channels; ++c)
      out[static_cast<size_t>(n) * channels + c] = static_cast<float>(outD[c][n + kLatency]);
  return out;
}

}  // namespace

TEST(Reference, ProgramOutputEqualsDirectProcessing) {
  TempDir dir;
  const std::vector<std::pair<int, double>> settings = {
      {2, 9.5}, {9, 1}, {0, 7.5}, {1, 0.6}, {10, 1}, {11, 90}, {12, 1}, {14, -6}, {15, 1}, {17, 4}, {19, 2}};
  for (int channels : {1, 2}) {
    const std::vector<float> in = Signal(channels);
    WriteWav(dir / "in.wav", Audio{channels, kRate, in});
    std::string cmd = std::string("'") + CINDERPATH_PROGRAM + "' render '" + (dir / "in.wav") + "' -o '" +
                      (dir / "out.wav") + "' --quiet --block 512";
    for (const auto& s : settings) cmd += " --set " + std::to_string(s.first) + "=" + std::to_string(s.second);
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const std::vector<float> program = ReadWav(dir / "out.wav").samples;
    const std::vector<float> direct = ProcessDirectly(in, channels, settings);
    ASSERT_EQ(program.size(), direct.size());
    long mismatches = 0;
    for (size_t i = 0; i < direct.size(); ++i)
      if (program[i] != direct[i]) ++mismatches;
    EXPECT_EQ(mismatches, 0) << channels << " channel(s)";
  }
}
