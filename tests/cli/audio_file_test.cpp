// Output files appear only when complete; unreadable inputs are clear errors.
#include "audio_file.h"

#include <gtest/gtest.h>

#include "temp_dir.h"
#include <sndfile.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace cinderpath_cli;

namespace {


std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(OutputFile, AbortLeavesNothingAndKeepsAnExistingFile) {
  TempDir dir;
  const std::string target = dir.path + "/out.wav";
  { std::ofstream(target) << "precious"; }
  std::string error;
  {
    PendingAudioFile file;
    ASSERT_TRUE(file.Open(target, 2, 48000, SampleFormat::kFloat32, &error)) << error;
    const float frames[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    ASSERT_TRUE(file.WriteInterleaved(frames, 2, &error));
    EXPECT_EQ(static_cast<int>(dir.Entries().size()), 2);  // the target and the temporary file
  }  // destroyed without Commit
  EXPECT_EQ(Slurp(target), "precious");
  EXPECT_EQ(static_cast<int>(dir.Entries().size()), 1);
}

TEST(OutputFile, CommitReplacesTheTargetWithReadableAudio) {
  TempDir dir;
  const std::string target = dir.path + "/out.wav";
  std::string error;
  PendingAudioFile file;
  ASSERT_TRUE(file.Open(target, 1, 44100, SampleFormat::kPcm24, &error)) << error;
  const float frames[3] = {0.5f, -0.25f, 0.0f};
  ASSERT_TRUE(file.WriteInterleaved(frames, 3, &error));
  ASSERT_TRUE(file.Commit(&error)) << error;
  EXPECT_EQ(static_cast<int>(dir.Entries().size()), 1);
  AudioData back;
  ASSERT_TRUE(ReadAudioFile(target, &back, &error)) << error;
  ASSERT_EQ(back.NumChannels(), 1);
  ASSERT_EQ(back.NumFrames(), 3);
  EXPECT_EQ(back.sampleRateHz, 44100);
  EXPECT_NEAR(back.channels[0][1], -0.25f, 1e-6);
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0044, 0u) << "finished output keeps the usual permissions";
}

// Every umask call of this test program passes through here: rendering threads
// must never change the process's mask, even for a moment, while others
// create files and folders.
static int g_umaskCalls = 0;
extern "C" mode_t umask(mode_t mask) {
  ++g_umaskCalls;
  return static_cast<mode_t>(syscall(SYS_umask, mask));
}

TEST(OutputFile, ANewFileGetsTheUmasksBitsWithoutTheMaskBeingChanged) {
  TempDir dir;
  const mode_t saved = static_cast<mode_t>(syscall(SYS_umask, 027));
  g_umaskCalls = 0;
  std::string error;
  PendingAudioFile file;
  ASSERT_TRUE(file.Open(dir.path + "/new.wav", 1, 48000, SampleFormat::kFloat32, &error)) << error;
  const float frame = 0.5f;
  ASSERT_TRUE(file.WriteInterleaved(&frame, 1, &error));
  ASSERT_TRUE(file.Commit(&error)) << error;
  EXPECT_EQ(g_umaskCalls, 0);
  syscall(SYS_umask, saved);
  struct stat st;
  ASSERT_EQ(stat((dir.path + "/new.wav").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(OutputFile, UnwritableFolderIsAClearError) {
  PendingAudioFile file;
  std::string error;
  EXPECT_FALSE(file.Open("/nonexistent-folder/x.wav", 2, 48000, SampleFormat::kFloat32, &error));
  EXPECT_NE(error.find("/nonexistent-folder"), std::string::npos);
}

TEST(InputFile, MissingTruncatedAndForeignFilesAreRefused) {
  TempDir dir;
  std::string error;
  AudioData data;
  EXPECT_FALSE(ReadAudioFile(dir.path + "/missing.wav", &data, &error));
  EXPECT_FALSE(error.empty());
  const std::string junk = dir.path + "/junk.wav";
  { std::ofstream(junk) << "RIFF\x10\0\0\0WAVEjunkjunk"; }
  error.clear();
  EXPECT_FALSE(ReadAudioFile(junk, &data, &error));
  EXPECT_FALSE(error.empty());
}
