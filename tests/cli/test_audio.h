// Sound files for the command tests: interleaved float samples written and
// read with libsndfile, independently of the program under test.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>

#include <string>
#include <vector>

struct Audio {
  int channels = 0;
  int rate = 0;
  std::vector<float> samples;  // interleaved
  long Frames() const { return channels ? static_cast<long>(samples.size()) / channels : 0; }
  float At(long frame, int ch) const { return samples[static_cast<size_t>(frame) * channels + ch]; }
};

inline void WriteWav(const std::string& path, const Audio& a) {
  SF_INFO info{};
  info.channels = a.channels;
  info.samplerate = a.rate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr);
  sf_writef_float(f, a.samples.data(), a.Frames());
  sf_close(f);
}

inline Audio ReadWav(const std::string& path) {
  SF_INFO info{};
  Audio a;
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return a;
  a.channels = info.channels;
  a.rate = info.samplerate;
  a.samples.resize(static_cast<size_t>(info.frames) * info.channels);
  sf_readf_float(f, a.samples.data(), info.frames);
  sf_close(f);
  return a;
}

