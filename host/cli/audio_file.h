// Reading and writing audio files through libsndfile, and the output file's
// safe commit: samples go to a temporary file in the target folder that is
// renamed over the target only when complete.
#pragma once

#include <string>

#include "demo_signal.h"

namespace cinderpath_cli {

enum class SampleFormat { kFloat32, kPcm16, kPcm24 };

// Reads a whole file (any format libsndfile reads) into memory.
// Returns false with a one-line message in *error. [main thread]
bool ReadAudioFile(const std::string& path, AudioData* out, std::string* error);

// Default output name: the input's name with "-cinderpath" before the extension.
// A ".wav" input keeps its extension; any other input gets ".wav", because the
// default output is a WAV file. [any thread]
std::string DefaultOutputPath(const std::string& inputPath);

// An output file under construction. Open() creates a temporary file beside
// the target; Commit() renames it over the target; destruction (or Abort())
// without Commit() removes it, so a failed render leaves nothing behind and
// never replaces an existing file. [main thread]
class PendingAudioFile {
 public:
  PendingAudioFile() = default;
  ~PendingAudioFile();
  PendingAudioFile(const PendingAudioFile&) = delete;
  PendingAudioFile& operator=(const PendingAudioFile&) = delete;

  bool Open(const std::string& targetPath, int numChannels, double sampleRateHz,
            SampleFormat format, std::string* error);
  // Appends interleaved frames. Returns false on a write error.
  bool WriteInterleaved(const float* samples, long frames, std::string* error);
  bool Commit(std::string* error);
  void Abort();

  const std::string& TempPath() const { return mTempPath; }

 private:
  void* mFile = nullptr;  // SNDFILE*
  std::string mTargetPath;
  std::string mTempPath;
};

// Removes the temporary file of the output being written, if any. Safe to call
// from a signal handler (uses only unlink on a preformatted path). [any thread]
void RemovePendingOutputFromSignal();

}  // namespace cinderpath_cli
