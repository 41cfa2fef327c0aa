#include "audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace cinderpath_cli {
namespace {

std::string SndError(SNDFILE* file) { return sf_strerror(file); }

std::string LowerExtension(const std::string& path) {
  const auto dot = path.find_last_of('.');
  const auto slash = path.find_last_of('/');
  std::string ext;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// Containers an output can be written in, by extension. A compressed
// container names its codec; the others take the chosen sample encoding.
struct Container {
  const char* extension;
  int major;
  int codec;  // 0: the sample encoding decides
  const char* name;
};
constexpr Container kContainers[] = {
    {"wav", SF_FORMAT_WAV, 0, "WAV"},
    {"aif", SF_FORMAT_AIFF, 0, "AIFF"},
    {"aiff", SF_FORMAT_AIFF, 0, "AIFF"},
    {"aifc", SF_FORMAT_AIFF, 0, "AIFF"},
    {"au", SF_FORMAT_AU, 0, "AU"},
    {"snd", SF_FORMAT_AU, 0, "AU"},
    {"caf", SF_FORMAT_CAF, 0, "CAF"},
    {"flac", SF_FORMAT_FLAC, 0, "FLAC"},
    {"w64", SF_FORMAT_W64, 0, "W64"},
    {"rf64", SF_FORMAT_RF64, 0, "RF64"},
    {"ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS, "Ogg Vorbis"},
    {"oga", SF_FORMAT_OGG, SF_FORMAT_VORBIS, "Ogg Vorbis"},
    {"opus", SF_FORMAT_OGG, SF_FORMAT_OPUS, "Ogg Opus"},
#if CINDERPATH_SNDFILE_HAS_MPEG  // SF_FORMAT_MPEG is an enum constant, found at configure time
    {"mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III, "MP3"},
#endif
};

bool Writable(int format, int channels = 2) {
  SF_INFO info;
  std::memset(&info, 0, sizeof(info));
  info.channels = channels;
  info.samplerate = 48000;
  info.format = format;
  return sf_format_check(&info) != 0;
}

int EncodingOf(SampleFormat f) {
  switch (f) {
    case SampleFormat::kPcm16: return SF_FORMAT_PCM_16;
    case SampleFormat::kPcm24: return SF_FORMAT_PCM_24;
    default: return SF_FORMAT_FLOAT;
  }
}

const char* EncodingName(int sub) {
  switch (sub) {
    case SF_FORMAT_PCM_16: return "16-bit integer";
    case SF_FORMAT_PCM_24: return "24-bit integer";
    case SF_FORMAT_FLOAT: return "32-bit float";
    default: return "compressed";
  }
}

// Zeroes the time stamp of a RIFF-style file's PEAK chunk (RF64 writes one
// whatever it is told), so that the same render gives the same bytes. Leaves
// anything else alone: other containers, streams, files without the chunk.
void ClearPeakTime(int fd) {
  unsigned char header[512];
  const ssize_t n = pread(fd, header, sizeof(header), 0);
  if (n < 12 || (std::memcmp(header, "RIFF", 4) != 0 && std::memcmp(header, "RF64", 4) != 0) ||
      std::memcmp(header + 8, "WAVE", 4) != 0)
    return;
  for (ssize_t at = 12; at + 8 <= n;) {
    const uint32_t size = header[at + 4] | header[at + 5] << 8 | header[at + 6] << 16 | uint32_t(header[at + 7]) << 24;
    if (std::memcmp(header + at, "data", 4) == 0) return;
    if (std::memcmp(header + at, "PEAK", 4) == 0) {
      // id, size, version, then the time stamp (seconds since 1970)
      // (A failed write leaves the stamp: the file is still correct.)
      const unsigned char zero[4] = {0, 0, 0, 0};
      if (size >= 8) static_cast<void>(pwrite(fd, zero, sizeof(zero), at + 12) == sizeof(zero));
      return;
    }
    at += 8 + static_cast<ssize_t>(size) + (size & 1);
  }
}

}  // namespace

float QuantizeSample(float v, int bits, bool* clipped) {
  *clipped = false;
  if (bits <= 0) return v;
  const double scale = std::ldexp(1.0, bits - 1);  // steps per unit of full scale
  const double top = scale - 1.0, bottom = -scale;
  if (std::isnan(v)) return 0.0f;
  double steps = std::nearbyint(static_cast<double>(v) * scale);
  if (steps > top || steps < bottom) {
    *clipped = true;
    steps = steps > top ? top : bottom;
  }
  return static_cast<float>(steps / scale);
}

// ---- input ----

AudioInput::~AudioInput() {
  if (mFile) sf_close(static_cast<SNDFILE*>(mFile));
}

bool AudioInput::Open(const std::string& path, std::string* error) {
  SF_INFO info;
  std::memset(&info, 0, sizeof(info));
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    *error = "cannot read '" + path + "': " + SndError(nullptr);
    return false;
  }
  if (info.channels <= 0 || info.samplerate <= 0 || info.frames < 0) {
    sf_close(file);
    *error = "'" + path + "' has no usable audio (channels or sample rate missing)";
    return false;
  }
  mFile = file;
  mPath = path;
  mChannels = info.channels;
  mRateHz = info.samplerate;
  // A pipe's length is unknown: libsndfile reports the largest count it can.
  mHeaderFrames = info.frames >= SF_COUNT_MAX / 2 ? -1 : static_cast<long>(info.frames);
  switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_16: mEncoding = SampleFormat::kPcm16; break;
    case SF_FORMAT_PCM_24: mEncoding = SampleFormat::kPcm24; break;
    case SF_FORMAT_FLOAT: mEncoding = SampleFormat::kFloat32; break;
    default: mEncoding = SampleFormat::kDefault; break;
  }
  return true;
}

void AudioInput::OpenMemory(const AudioData* data) {
  mMemory = data;
  mMemoryPos = 0;
  mChannels = data->NumChannels();
  mRateHz = data->sampleRateHz;
  mHeaderFrames = data->NumFrames();
}

long AudioInput::Read(float* out, long frames, std::string* error) {
  if (mMemory) {
    const long n = std::min(frames, mMemory->NumFrames() - mMemoryPos);
    for (long i = 0; i < n; ++i)
      for (int c = 0; c < mChannels; ++c) out[i * mChannels + c] = mMemory->channels[c][mMemoryPos + i];
    mMemoryPos += n;
    return n;
  }
  SNDFILE* file = static_cast<SNDFILE*>(mFile);
  if (!file) {
    *error = "input is not open";
    return -1;
  }
  if (mEnded) return 0;
  const sf_count_t got = sf_readf_float(file, out, frames);
  if (got < frames && sf_error(file) != SF_ERR_NO_ERROR) {
    // A file cut short (or damaged further on) ends where decoding stops;
    // the caller compares the length with the header's and warns.
    mEndReason = SndError(file);
    mEnded = true;
  }
  return static_cast<long>(got);
}

bool ReadAudioFile(const std::string& path, AudioData* out, std::string* error) {
  AudioInput in;
  if (!in.Open(path, error)) return false;
  const int channels = in.NumChannels();
  constexpr long kBlock = 4096;
  std::vector<float> block(static_cast<size_t>(kBlock) * channels);
  AudioData data;
  data.sampleRateHz = in.SampleRate();
  data.channels.assign(channels, {});
  for (;;) {
    const long got = in.Read(block.data(), kBlock, error);
    if (got < 0) return false;
    if (got == 0) {
      if (in.EndReason().empty()) break;
      *error = "reading '" + path + "' failed: " + in.EndReason();
      return false;
    }
    for (int c = 0; c < channels; ++c)
      for (long n = 0; n < got; ++n) data.channels[c].push_back(block[static_cast<size_t>(n) * channels + c]);
  }
  *out = std::move(data);
  return true;
}

std::string DefaultOutputPath(const std::string& inputPath) {
  const auto slash = inputPath.find_last_of('/');
  const auto dot = inputPath.find_last_of('.');
  std::string stem = inputPath;
  std::string ext;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash) && dot != slash + 1) {
    stem = inputPath.substr(0, dot);
    ext = inputPath.substr(dot);
  }
  // Lossless containers this library writes keep their extension; lossy ones
  // (Ogg, Opus, MP3) and unknown ones give a WAV file, so that the processed
  // sound is not encoded with loss a second time.
  const std::string lower = LowerExtension(inputPath);
  bool keep = false;
  for (const Container& c : kContainers)
    if (lower == c.extension && c.codec == 0) keep = Writable(c.major | SF_FORMAT_PCM_24);
  return stem + "-cinderpath" + (keep ? ext : std::string(".wav"));
}

// ---- output ----

bool ChooseOutputFormat(const std::string& path, SampleFormat format, int* sfFormat, std::string* description,
                        std::string* error) {
  const Container* container = nullptr;
  if (path == "-") {
    container = &kContainers[4];  // AU: its header needs no length, so it can stream
  } else {
    const std::string ext = LowerExtension(path);
    if (ext.empty()) container = &kContainers[0];
    for (const Container& c : kContainers)
      if (!ext.empty() && ext == c.extension) container = &c;
    if (!container) {
      std::string list;
      for (const Container& c : kContainers)
        if (Writable(c.major | (c.codec ? c.codec : SF_FORMAT_PCM_16))) list += std::string(list.empty() ? "" : ", ") + "." + c.extension;
      *error = "cannot write '." + ext + "' files (output '" + path + "'); the output's extension chooses the format: " +
               list;
      return false;
    }
  }
  if (container->codec) {
    if (format != SampleFormat::kDefault) {
      *error = std::string(container->name) + " is compressed and has no sample encoding to choose; leave out --format";
      return false;
    }
    if (!Writable(container->major | container->codec)) {
      *error = std::string("this build of libsndfile cannot write ") + container->name + " ('" + path + "')";
      return false;
    }
    *sfFormat = container->major | container->codec;
    *description = container->name;
    return true;
  }
  int sub = EncodingOf(format);
  if (format == SampleFormat::kDefault && !Writable(container->major | sub)) sub = SF_FORMAT_PCM_24;
  if (!Writable(container->major | sub)) {
    *error = std::string(container->name) + " cannot hold " + EncodingName(sub) + " samples ('" + path +
             "'); choose --format " + (Writable(container->major | SF_FORMAT_PCM_24) ? "pcm16 or pcm24" : "float");
    return false;
  }
  *sfFormat = container->major | sub;
  *description = std::string(container->name) + ", " + EncodingName(sub);
  return true;
}

PendingAudioFile::~PendingAudioFile() { Abort(); }

bool PendingAudioFile::Open(const std::string& targetPath, int numChannels, double sampleRateHz, SampleFormat format,
                            std::string* error) {
  return Open(targetPath, numChannels, sampleRateHz, format, OutputRules(), error);
}

bool PendingAudioFile::Open(const std::string& targetPath, int numChannels, double sampleRateHz, SampleFormat format,
                            const OutputRules& rules, std::string* error) {
  Abort();
  SF_INFO info;
  std::memset(&info, 0, sizeof(info));
  info.channels = numChannels;
  info.samplerate = static_cast<int>(sampleRateHz + 0.5);
  std::string description;
  if (!ChooseOutputFormat(targetPath, format, &info.format, &description, error)) return false;
  if (!sf_format_check(&info)) {
    *error = description + " cannot hold " + std::to_string(numChannels) + " channel(s) at " +
             std::to_string(info.samplerate) + " Hz ('" + targetPath + "')";
    return false;
  }
  if (!mOutput.Open(targetPath, rules, error)) return false;
  struct stat st;
  const int major = info.format & SF_FORMAT_TYPEMASK;
  if (fstat(mOutput.Fd(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) && major != SF_FORMAT_AU &&
      major != SF_FORMAT_FLAC) {
    *error = "'" + targetPath + "' is a pipe and " + description +
             " cannot be streamed (its header needs the length); write .au or .flac to a pipe";
    mOutput.Abort();
    return false;
  }
  SNDFILE* file = sf_open_fd(mOutput.Fd(), SFM_WRITE, &info, SF_FALSE);
  if (!file) {
    *error = "cannot write '" + targetPath + "': " + SndError(nullptr);
    mOutput.Abort();
    return false;
  }
  const int sub = info.format & SF_FORMAT_SUBMASK;
  mIntegerBits = sub == SF_FORMAT_PCM_16 ? 16 : sub == SF_FORMAT_PCM_24 ? 24 : 0;
  // Float output stays unclipped and unscaled: the effect may exceed full scale.
  sf_command(file, SFC_SET_CLIPPING, nullptr, SF_FALSE);
  // No PEAK chunk: it carries the time of writing, and the same render must
  // give the same bytes. (The summary reports the peaks.)
  sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  mFile = file;
  mChannels = numChannels;
  mSamplesSinceFlush = 0;
  mFlushSamples = kFirstFlushSamples;
  return true;
}

bool PendingAudioFile::WriteInterleaved(const float* samples, long frames, std::string* error) {
  SNDFILE* file = static_cast<SNDFILE*>(mFile);
  if (!file) {
    *error = "output file is not open";
    return false;
  }
  sf_count_t written = 0;
  if (mIntegerBits) {
    // Integers are handed over left-justified in 32 bits, so the stored value
    // is exactly the quantized one.
    const size_t count = static_cast<size_t>(frames) * mChannels;
    if (mIntScratch.size() < count) mIntScratch.resize(count);
    const double scale = std::ldexp(1.0, 31);
    for (size_t i = 0; i < count; ++i) {
      bool clipped = false;
      mIntScratch[i] = static_cast<int>(static_cast<double>(QuantizeSample(samples[i], mIntegerBits, &clipped)) * scale);
    }
    written = sf_writef_int(file, mIntScratch.data(), frames);
  } else {
    written = sf_writef_float(file, samples, frames);
  }
  if (written != frames) {
    *error = "writing the output failed: " + SndError(file);
    return false;
  }
  // Flushing as the file grows spreads the disk's work over the render
  // instead of leaving it all to the flush before the file is moved into
  // place. (Starting writeback alone is not enough: the disk's own cache
  // still has to be emptied at the end.) A disk slow to flush (a spinning
  // one) is flushed less and less often, so that flushing never bounds the
  // rate at which the file is written.
  mSamplesSinceFlush += frames * mChannels;
  if (mSamplesSinceFlush >= mFlushSamples) {
    mSamplesSinceFlush = 0;
    const auto start = std::chrono::steady_clock::now();
    if (!mOutput.FlushSoFar(error)) return false;
    constexpr long kMostFlushSamples = 1L << 24;  // 64 MB of float samples
    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(25))
      mFlushSamples = std::min(2 * mFlushSamples, kMostFlushSamples);
  }
  return true;
}

bool PendingAudioFile::Commit(std::string* error) {
  SNDFILE* file = static_cast<SNDFILE*>(mFile);
  if (!file) {
    *error = "output file is not open";
    return false;
  }
  mFile = nullptr;
  const int closeResult = sf_close(file);
  if (closeResult != 0) {
    *error = "finishing the output failed: " + std::string(sf_error_number(closeResult));
    Abort();
    return false;
  }
  ClearPeakTime(mOutput.Fd());
  return mOutput.Commit(error);
}

void PendingAudioFile::Abort() {
  if (mFile) {
    sf_close(static_cast<SNDFILE*>(mFile));
    mFile = nullptr;
  }
  mOutput.Abort();
}

}  // namespace cinderpath_cli
