#include "audio_file.h"

#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace cinderpath_cli {
namespace {

// Path of the temporary output currently open, for the interrupt handler.
// A fixed buffer so the handler reads it without touching the heap.
char s_pendingTempPath[4096] = {0};

void RememberPending(const std::string& path) {
  if (path.size() < sizeof(s_pendingTempPath)) {
    std::memcpy(s_pendingTempPath, path.c_str(), path.size() + 1);
  }
}

void ForgetPending() { s_pendingTempPath[0] = '\0'; }

std::string SndError(SNDFILE* file) { return sf_strerror(file); }

int MajorFormatFor(const std::string& path) {
  const auto dot = path.find_last_of('.');
  const auto slash = path.find_last_of('/');
  std::string ext;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "aif" || ext == "aiff") return SF_FORMAT_AIFF;
  if (ext == "flac") return SF_FORMAT_FLAC;
  if (ext == "caf") return SF_FORMAT_CAF;
  return SF_FORMAT_WAV;
}

}  // namespace

void RemovePendingOutputFromSignal() {
  if (s_pendingTempPath[0] != '\0') unlink(s_pendingTempPath);
}

bool ReadAudioFile(const std::string& path, AudioData* out, std::string* error) {
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
  const long frames = static_cast<long>(info.frames);
  std::vector<float> interleaved(static_cast<size_t>(frames) * info.channels);
  const sf_count_t got = sf_readf_float(file, interleaved.data(), frames);
  sf_close(file);
  if (got != frames) {
    *error = "'" + path + "' ended early: read " + std::to_string(got) + " of " + std::to_string(frames) + " frames";
    return false;
  }
  out->sampleRateHz = info.samplerate;
  out->channels.assign(info.channels, std::vector<float>(frames));
  for (long n = 0; n < frames; ++n)
    for (int c = 0; c < info.channels; ++c) out->channels[c][n] = interleaved[static_cast<size_t>(n) * info.channels + c];
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
  std::string lower = ext;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower != ".wav") ext = ".wav";
  return stem + "-cinderpath" + ext;
}

PendingAudioFile::~PendingAudioFile() { Abort(); }

bool PendingAudioFile::Open(const std::string& targetPath, int numChannels, double sampleRateHz,
                            SampleFormat format, std::string* error) {
  Abort();
  mTargetPath = targetPath;
  const auto slash = targetPath.find_last_of('/');
  const std::string dir = slash == std::string::npos ? std::string(".") : targetPath.substr(0, slash);
  const std::string base = slash == std::string::npos ? targetPath : targetPath.substr(slash + 1);
  if (base.empty()) {
    *error = "output path '" + targetPath + "' names a folder, not a file";
    return false;
  }
  std::string templ = dir + "/." + base + ".partial-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  const int fd = mkstemp(buf.data());
  if (fd < 0) {
    *error = "cannot create a file in '" + dir + "': " + std::strerror(errno);
    return false;
  }
  mTempPath = buf.data();
  RememberPending(mTempPath);
  // mkstemp creates the file private to the user; give the finished output the
  // permissions any newly created file gets.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);

  SF_INFO info;
  std::memset(&info, 0, sizeof(info));
  info.channels = numChannels;
  info.samplerate = static_cast<int>(sampleRateHz + 0.5);
  const int major = MajorFormatFor(targetPath);
  int sub = SF_FORMAT_FLOAT;
  if (format == SampleFormat::kPcm16) sub = SF_FORMAT_PCM_16;
  if (format == SampleFormat::kPcm24) sub = SF_FORMAT_PCM_24;
  if (major == SF_FORMAT_FLAC && sub == SF_FORMAT_FLOAT) sub = SF_FORMAT_PCM_24;
  info.format = major | sub;
  if (!sf_format_check(&info)) {
    close(fd);
    Abort();
    *error = "the output format is not available for '" + targetPath + "'";
    return false;
  }
  SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
  if (!file) {
    *error = "cannot write '" + targetPath + "': " + SndError(nullptr);
    Abort();
    return false;
  }
  // Keep float output unclipped and unscaled: the effect may exceed full scale.
  sf_command(file, SFC_SET_CLIPPING, nullptr, SF_FALSE);
  mFile = file;
  return true;
}

bool PendingAudioFile::WriteInterleaved(const float* samples, long frames, std::string* error) {
  SNDFILE* file = static_cast<SNDFILE*>(mFile);
  if (!file) {
    *error = "output file is not open";
    return false;
  }
  if (sf_writef_float(file, samples, frames) != frames) {
    *error = "writing the output failed: " + SndError(file);
    return false;
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
  if (std::rename(mTempPath.c_str(), mTargetPath.c_str()) != 0) {
    *error = "cannot move the output into place at '" + mTargetPath + "': " + std::strerror(errno);
    Abort();
    return false;
  }
  ForgetPending();
  mTempPath.clear();
  return true;
}

void PendingAudioFile::Abort() {
  if (mFile) {
    sf_close(static_cast<SNDFILE*>(mFile));
    mFile = nullptr;
  }
  if (!mTempPath.empty()) {
    unlink(mTempPath.c_str());
    mTempPath.clear();
  }
  ForgetPending();
}

}  // namespace cinderpath_cli
