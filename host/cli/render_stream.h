// Streams one input through an open plug-in instance into an output file,
// with the file's decoding and encoding overlapped with the processing.
#pragma once

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "audio_file.h"
#include "plugin_session.h"

namespace cinderpath_cli {

// Level figures of one channel, gathered sample by sample. [one thread at a time]
struct ChannelStats {
  double peak = 0.0;        // largest magnitude, full-scale units
  double sumSquares = 0.0;
  long overs = 0;           // samples whose magnitude exceeds full scale
  long count = 0;           // finite samples seen

  // Counts v unless it is NaN or infinite (those would poison peak and RMS).
  // Inline and without a branch: it runs for every sample read and written,
  // in loops that keep the figures in registers. A NaN or infinite v adds 0
  // to each sum, which leaves its bits alone, and nothing to count.
  void Add(float v) {
    const double m = std::fabs(static_cast<double>(v));
    const bool finite = m <= std::numeric_limits<double>::max();  // false for NaN
    const double a = finite ? m : 0.0;
    peak = a > peak ? a : peak;
    sumSquares += a * a;
    overs += a > 1.0;
    count += finite;
  }
  // A linear level in dBFS, six characters wide ("  -inf" for silence).
  static std::string Db(double linear);
  std::string PeakDb() const { return Db(peak); }
  std::string RmsDb() const;
};

// What one stream did. The figures describe the frames written, after the
// conversion to the output's integer encoding where there is one.
struct StreamResult {
  bool ok = false;
  std::string error;              // one clear message when !ok
  long inputFrames = 0;           // frames read from the input
  double renderSeconds = 0.0;     // wall-clock time inside the plug-in's render calls
  std::vector<ChannelStats> inStats, outStats;
  long nonFiniteIn = 0;           // NaN or infinite input samples
  long nonFiniteOut = 0;          // NaN or infinite samples the effect produced
  long clipped = 0;               // samples limited to full scale by the integer encoding
};

// Renders all of input through session (configured and initialised for the
// input's channels, rate and blockFrames) into output, block by block exactly
// as a single-threaded loop of read, render and write would: rendered frame r
// becomes output frame r - latencyFrames, and latencyFrames of silence after
// the input's end flush its last samples out. progress(renderedFrames) is
// called after each chunk is written. A failure stops all three stages; the
// caller aborts output. [the calling thread renders; it starts and joins a
// reader and a writer thread]
StreamResult StreamThroughEffect(AudioInput& input, PluginSession& session, PendingAudioFile& output,
                                 int blockFrames, long latencyFrames, const std::function<void(long)>& progress);

}  // namespace cinderpath_cli
