// Reading and writing audio files through libsndfile. Inputs are read in
// blocks, so memory does not grow with the file's length; outputs go through
// SafeOutput (temporary file renamed over the target only when complete,
// devices and pipes written in place) and take their container from the
// target's extension.
#pragma once

#include <string>
#include <vector>

#include "demo_signal.h"
#include "safe_output.h"

namespace cinderpath_cli {

// Sample encoding of the output. kDefault: 32-bit float where the container
// holds it, else 24-bit integer, else the container's own codec.
enum class SampleFormat { kDefault, kFloat32, kPcm16, kPcm24 };

// An input read block by block: a file (any format libsndfile reads, "-" for
// standard input) or audio already in memory (the demo). [one thread at a time]
class AudioInput {
 public:
  AudioInput() = default;
  ~AudioInput();
  AudioInput(const AudioInput&) = delete;
  AudioInput& operator=(const AudioInput&) = delete;

  bool Open(const std::string& path, std::string* error);
  // Reads from data, which must outlive the reads.
  void OpenMemory(const AudioData* data);

  int NumChannels() const { return mChannels; }
  double SampleRate() const { return mRateHz; }
  // Frame count the file's header states; -1 when unknown (a pipe). Some
  // formats (MP3 and others) only estimate it: reading goes on to the end.
  long HeaderFrames() const { return mHeaderFrames; }
  // Reads up to frames interleaved frames into out. Returns the frames read,
  // 0 at the end, -1 with a message when the input is not open. A decoding
  // error ends the input where it stopped; EndReason() then says why.
  long Read(float* out, long frames, std::string* error);
  const std::string& EndReason() const { return mEndReason; }
  // The file's sample encoding where an output can take it (16- or 24-bit
  // integers, 32-bit float); kDefault for others, for memory and for lossy
  // codecs.
  SampleFormat Encoding() const { return mEncoding; }

 private:
  void* mFile = nullptr;  // SNDFILE*
  const AudioData* mMemory = nullptr;
  long mMemoryPos = 0;
  std::string mPath;
  int mChannels = 0;
  double mRateHz = 0.0;
  long mHeaderFrames = -1;
  SampleFormat mEncoding = SampleFormat::kDefault;
  bool mEnded = false;
  std::string mEndReason;  // decoder's message when decoding stopped early
};

// Reads a whole file (any format libsndfile reads) into memory, to its end.
// Returns false with a one-line message in *error. [any thread]
bool ReadAudioFile(const std::string& path, AudioData* out, std::string* error);

// Default output name: the input's name with "-cinderpath" before the
// extension. Inputs in a lossless container this library writes (WAV, AIFF,
// AU, CAF, FLAC, W64, RF64) keep their extension; lossy (Ogg, Opus, MP3) and
// other inputs get ".wav". [any thread]
std::string DefaultOutputPath(const std::string& inputPath);

// Chooses the libsndfile format (container | encoding) for an output path from
// its extension ("-": an AU stream; no extension: WAV). False with a message
// listing the extensions that can be written, or saying why the container
// cannot take the encoding. *description names the choice for messages.
bool ChooseOutputFormat(const std::string& path, SampleFormat format, int* sfFormat, std::string* description,
                        std::string* error);

// An output file under construction. Open() checks the target and creates a
// temporary file beside it (or opens a device, pipe or standard output);
// Commit() renames it over the target; destruction (or Abort()) without
// Commit() removes it, so a failed render leaves nothing behind and never
// replaces an existing file. [one thread at a time]
class PendingAudioFile {
 public:
  PendingAudioFile() = default;
  ~PendingAudioFile();
  PendingAudioFile(const PendingAudioFile&) = delete;
  PendingAudioFile& operator=(const PendingAudioFile&) = delete;

  bool Open(const std::string& targetPath, int numChannels, double sampleRateHz, SampleFormat format,
            std::string* error);
  bool Open(const std::string& targetPath, int numChannels, double sampleRateHz, SampleFormat format,
            const OutputRules& rules, std::string* error);
  // Bits of the integer encoding being written, 0 for float or compressed output.
  int IntegerBits() const { return mIntegerBits; }
  // Appends interleaved frames; integer encodings are rounded and limited to
  // full scale exactly as QuantizeSample does. Returns false on a write error.
  // Every two megabytes or so (more on a disk slow to flush) it flushes what
  // it wrote to the disk, so that Commit() does not wait for the whole file.
  bool WriteInterleaved(const float* samples, long frames, std::string* error);
  bool Commit(std::string* error);
  void Abort();

  // The file the samples reach (symbolic links followed), or "-".
  const std::string& Target() const { return mOutput.Target(); }

 private:
  void* mFile = nullptr;  // SNDFILE*
  int mChannels = 0;
  int mIntegerBits = 0;
  std::vector<int> mIntScratch;
  static constexpr long kFirstFlushSamples = 1L << 19;  // 2 MB of float samples
  long mSamplesSinceFlush = 0;                 // samples written since the last flush
  long mFlushSamples = kFirstFlushSamples;     // samples between flushes
  SafeOutput mOutput;
};

// The value an integer encoding of `bits` bits stores for v, as a float in
// full-scale units: rounded to the nearest step and limited to the range
// (non-finite values: NaN becomes 0, infinities the limits). *clipped tells
// whether v lay outside the range. bits 0: v unchanged. [any thread]
float QuantizeSample(float v, int bits, bool* clipped);

}  // namespace cinderpath_cli
