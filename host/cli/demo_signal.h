// Built-in demo input for the render command: a few seconds of plucked-string
// chords over a bass line, synthesised so the main job runs without any file.
#pragma once

#include <vector>

namespace cinderpath_cli {

// Deinterleaved audio held in memory: one vector of samples per channel.
struct AudioData {
  double sampleRateHz = 0.0;
  std::vector<std::vector<float>> channels;  // channels[c][frame], full scale = 1.0

  int NumChannels() const { return static_cast<int>(channels.size()); }
  long NumFrames() const { return channels.empty() ? 0 : static_cast<long>(channels[0].size()); }
};

// Synthesises the demo: stereo, 48 kHz, about six seconds, peak near -6 dBFS.
// Deterministic: the same call always gives the same samples. [any thread]
AudioData MakeDemoSignal();

}  // namespace cinderpath_cli
