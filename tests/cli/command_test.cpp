// Drives the cinderpath program as a user does, in a subprocess, and checks
// its files, messages and exit codes.
#include <gtest/gtest.h>

#include "temp_dir.h"
#include <sndfile.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <csignal>
#include <algorithm>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "lice.h"
#include "CinderpathDescriptions.h"
#include "CinderpathPresets.h"
#include "plist.h"
#include "test_audio.h"

namespace {


std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct Result {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the program with the given arguments in folder cwd.
Result RunProgram(const std::vector<std::string>& args, const std::string& cwd) {
  std::string cmd = "cd " + Quote(cwd) + " && " + Quote(CINDERPATH_PROGRAM);
  for (const std::string& a : args) cmd += " " + Quote(a);
  const std::string outFile = cwd + "/.stdout", errFile = cwd + "/.stderr";
  cmd += " >" + Quote(outFile) + " 2>" + Quote(errFile);
  const int status = std::system(cmd.c_str());
  Result r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = Slurp(outFile);
  r.err = Slurp(errFile);
  std::remove(outFile.c_str());
  std::remove(errFile.c_str());
  return r;
}

// A short musical-ish test signal: two sines with a decaying envelope.
Audio MakeSignal(int channels, int rate, long frames) {
  Audio a;
  a.channels = channels;
  a.rate = rate;
  a.samples.resize(static_cast<size_t>(frames) * channels);
  for (long n = 0; n < frames; ++n)
    for (int c = 0; c < channels; ++c)
      a.samples[static_cast<size_t>(n) * channels + c] = static_cast<float>(
          0.4 * std::sin(2 * M_PI * (220.0 + 110.0 * c) * n / rate) * std::exp(-2.0 * n / rate) +
          0.1 * std::sin(2 * M_PI * 1375.0 * n / rate));
  return a;
}

// The parameter values stored in a saved state file (the "data" entry).
std::vector<double> StateValues(const std::string& path) {
  std::string error;
  CFPropertyListRef plist = cinderpath_cli::ReadPropertyListXml(Slurp(path), &error);
  std::vector<double> values;
  if (!plist) return values;
  CFStringRef key = CFStringCreateWithCString(nullptr, "data", kCFStringEncodingUTF8);
  CFDataRef data = static_cast<CFDataRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(plist), key));
  if (data) {
    values.resize(static_cast<size_t>(CFDataGetLength(data)) / sizeof(double));
    std::memcpy(values.data(), CFDataGetBytePtr(data), values.size() * sizeof(double));
  }
  CFRelease(key);
  CFRelease(plist);
  return values;
}

double MaxAbsDiff(const Audio& a, const Audio& b) {
  if (a.samples.size() != b.samples.size()) return INFINITY;
  double m = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) m = std::max(m, std::fabs(double(a.samples[i]) - b.samples[i]));
  return m;
}

}  // namespace

TEST(Command, RendersTheDemoWithoutInput) {
  TempDir dir;
  Result r = RunProgram({"render", "--quiet"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  Audio out = ReadWav(dir / "cinderpath-demo.wav");
  EXPECT_EQ(out.channels, 2);
  EXPECT_EQ(out.rate, 48000);
  EXPECT_GT(out.Frames(), 48000 * 3);
  double energy = 0;
  for (float v : out.samples) energy += double(v) * v;
  EXPECT_GT(energy, 1.0) << "the demo is not silent";
  EXPECT_EQ(dir.Entries().size(), 1u) << "nothing but the output is left behind";
}

TEST(Command, RendersStereoAndMonoFilesAlignedAndFullLength) {
  TempDir dir;
  for (int channels : {1, 2}) {
    const std::string in = dir / ("in" + std::to_string(channels) + ".wav");
    Audio signal = MakeSignal(channels, 44100, 10007);
    WriteWav(in, signal);
    Result r = RunProgram({"render", in}, dir.path);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("realtime factor"), std::string::npos) << r.out;
    Audio out = ReadWav(dir / ("in" + std::to_string(channels) + "-cinderpath.wav"));
    EXPECT_EQ(out.channels, channels);
    EXPECT_EQ(out.rate, 44100);
    EXPECT_EQ(out.Frames(), signal.Frames());
  }
}

TEST(Command, ImpulseComesOutAtTheSameSampleAtFactorOne) {
  TempDir dir;
  Audio impulse;
  impulse.channels = 2;
  impulse.rate = 48000;
  impulse.samples.assign(2 * 4000, 0.0f);
  const long at = 1234;
  impulse.samples[2 * at] = impulse.samples[2 * at + 1] = 0.5f;
  WriteWav(dir / "imp.wav", impulse);
  Result r = RunProgram({"render", "imp.wav", "-o", "out.wav", "--set", "OS=1", "--quiet", "--block", "100"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  Audio out = ReadWav(dir / "out.wav");
  ASSERT_EQ(out.Frames(), impulse.Frames());
  for (int c = 0; c < 2; ++c) {
    long peakAt = 0;
    for (long n = 0; n < out.Frames(); ++n)
      if (std::fabs(out.At(n, c)) > std::fabs(out.At(peakAt, c))) peakAt = n;
    EXPECT_EQ(peakAt, at) << "channel " << c;
    for (long n = 0; n < at; ++n) ASSERT_LT(std::fabs(out.At(n, c)), 1e-6) << "nothing before the impulse";
  }
}

TEST(Command, SetAcceptsNamesIndicesAndDisplayTexts) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 2000));
  Result r = RunProgram({"render", "in.wav", "-o", "o.wav", "--quiet", "--set", "HP Freq=120", "--set", "2=6", "--set",
                  "Mono=on", "--set", "Boost=12", "--set", "HP_Freq=7", "--set", "peak-GAIN=-3", "--save-state",
                  "s.plist"},
                 dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<double> v = StateValues(dir / "s.plist");
  ASSERT_EQ(v.size(), 22u);
  EXPECT_EQ(v[11], 120.0);
  EXPECT_EQ(v[2], 6.0);
  EXPECT_EQ(v[5], 1.0);
  EXPECT_EQ(v[8], 12.0);
  EXPECT_EQ(v[21], 7.0) << "exact names keep \"HP Freq\" and \"HP_Freq\" apart";
  EXPECT_EQ(v[14], -3.0) << "a loose name that fits one parameter";
  Audio out = ReadWav(dir / "o.wav");
  for (long n = 0; n < out.Frames(); ++n) ASSERT_EQ(out.At(n, 0), out.At(n, 1)) << "mono copies the left channel";
}

TEST(Command, BadSettingsAreClearErrorsAndWriteNothing) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 1000));
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--set", "Nope=1"}, "unknown parameter 'Nope'"},
      {{"--set", "Drive=99"}, "out of range [-12 .. 16]"},
      {{"--set", "Drive=loud"}, "cannot read 'loud'"},
      {{"--set", "Mono=maybe"}, "cannot read 'maybe'"},
      {{"--set", "22=1"}, "unknown parameter '22'"},
      {{"--preset", "99"}, "preset 99"},
      {{"--preset", "16"}, "preset must be 0 .. 15"},
      {{"--set", "Cutoff=30"}, "Cutoff must be 1 .. 20 kHz"},
      {{"--set", "hpfreq=3"}, "'HP Freq' (index 11, also 'in-hp-freq')"},
      {{"--set", "hpfreq=3"}, "'HP_Freq' (index 21, also 'out-hp-freq')"},
      {{"--set", "drve=3"}, "unknown parameter 'drve' (did you mean 'Drive'?)"},
      {{"--set", "Drive=3Hz"}, "'Hz' is no unit of Drive (its unit is dB)"},
      {{"--set", "HP Freq=2k"}, "HP Freq must be 1 .. 1000 Hz"},
      {{"--preset", "nothing"}, "no factory preset is named 'nothing'; the presets are:"},
      {{"--preset", "s"}, "could be 'Saturated lead' or 'Soft clipper'"},
      {{"--state", "missing.plist"}, "missing.plist"},
      {{"--block", "0"}, "--block"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"render", "in.wav", "-o", "o.wav"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Result r = RunProgram(args, dir.path);
    EXPECT_NE(r.exitCode, 0) << c.args[0] << " " << c.args[1];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.message << "\n" << r.err;
    EXPECT_EQ(dir.Entries().size(), 1u) << "only the input remains after " << c.args[1];
  }
}

TEST(Command, InputProblemsAreClearErrorsAndWriteNothing) {
  TempDir dir;
  WriteWav(dir / "three.wav", MakeSignal(3, 48000, 100));
  { std::ofstream(dir / "corrupt.wav") << "RIFFxxxxWAVEfmt garbage"; }
  Result r = RunProgram({"render", "three.wav"}, dir.path);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("3 channels"), std::string::npos) << r.err;
  r = RunProgram({"render", "corrupt.wav"}, dir.path);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("corrupt.wav"), std::string::npos) << r.err;
  r = RunProgram({"render", "absent.wav"}, dir.path);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("absent.wav"), std::string::npos) << r.err;
  EXPECT_EQ(dir.Entries().size(), 2u);
}

TEST(Command, StateRoundTripsAndPresetsRestoreDefaults) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 3000));
  Result r = RunProgram({"render", "in.wav", "-o", "a.wav", "--quiet", "--set", "Drive=10", "--set", "Peak On=on",
                  "--set", "Peak Gain=-7.5", "--save-state", "a.plist"},
                 dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = RunProgram({"render", "in.wav", "-o", "b.wav", "--quiet", "--state", "a.plist", "--save-state", "b.plist"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Slurp(dir / "a.plist"), Slurp(dir / "b.plist"));
  EXPECT_EQ(MaxAbsDiff(ReadWav(dir / "a.wav"), ReadWav(dir / "b.wav")), 0.0);

  // A factory preset holds the defaults: it undoes the restored state.
  r = RunProgram({"render", "in.wav", "-o", "c.wav", "--quiet", "--state", "a.plist", "--preset", "0", "--save-state",
           "c.plist"},
          dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<double> v = StateValues(dir / "c.plist");
  ASSERT_EQ(v.size(), 22u);
  EXPECT_EQ(v[2], 2.0);
  EXPECT_EQ(v[12], 0.0);

  { std::ofstream(dir / "bad.plist") << "<plist><dict><key>data</key><data>AAAA</data></dict></plist>"; }
  r = RunProgram({"render", "in.wav", "-o", "d.wav", "--state", "bad.plist"}, dir.path);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("bad.plist"), std::string::npos) << r.err;

  // Another plug-in's state: the same keys with another subtype.
  std::string foreign = Slurp(dir / "a.plist");
  const std::string subtype = "<key>subtype</key>";
  const size_t at = foreign.find(subtype);
  ASSERT_NE(at, std::string::npos);
  const size_t open = foreign.find("<integer>", at), close = foreign.find("</integer>", at);
  foreign.replace(open + 9, close - open - 9, "1");
  { std::ofstream(dir / "foreign.plist") << foreign; }
  r = RunProgram({"render", "in.wav", "-o", "e.wav", "--state", "foreign.plist"}, dir.path);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("this state file belongs to another plug-in"), std::string::npos) << r.err;
}

TEST(Command, ProgramAndBankFilesRoundTrip) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 3000));
  Result r = RunProgram({"render", "in.wav", "-o", "a.wav", "--quiet", "--set", "Drive=10", "--set", "Peak Gain=-7.5",
                         "--save-state", "a.plist", "--save-program", "a.fxp"},
                        dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The program goes into the current preset of the bank saved next; the bank
  // brings it back, and its other presets hold the factory bank.
  r = RunProgram({"render", "in.wav", "-o", "b.wav", "--quiet", "--program", "a.fxp", "--save-bank", "b.fxb"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = RunProgram({"render", "in.wav", "-o", "c.wav", "--quiet", "--bank", "b.fxb", "--save-state", "c.plist"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<double> a = StateValues(dir / "a.plist"), c = StateValues(dir / "c.plist");
  ASSERT_EQ(c.size(), a.size());
  for (size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(c[i], a[i], 1e-4 * (1.0 + std::fabs(a[i]))) << i;
  r = RunProgram({"render", "in.wav", "-o", "d.wav", "--quiet", "--bank", "b.fxb", "--preset", "1", "--save-state",
                  "d.plist"},
                 dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NEAR(StateValues(dir / "d.plist")[2], kCinderpathFactoryPresets[1].values[2], 1e-4);

  // A bank is no program; nothing is written for a refused file.
  r = RunProgram({"render", "in.wav", "-o", "e.wav", "--program", "b.fxb"}, dir.path);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("program file 'b.fxb' was refused: it is a bank file"), std::string::npos) << r.err;
  EXPECT_FALSE(std::ifstream(dir / "e.wav").good());
}

// A refused settings file is named with its cause, nothing is rendered, and
// files that are not regular files are never read (a device would not end).
TEST(Command, RefusedSettingFilesSayWhy) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 1000));
  ASSERT_EQ(RunProgram({"render", "in.wav", "-o", "a.wav", "--quiet", "--save-program", "a.fxp"}, dir.path).exitCode, 0);
  std::ifstream in(dir / "a.fxp", std::ios::binary);
  const std::string program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(program.size(), 100u);
  std::ofstream(dir / "cut.fxp", std::ios::binary) << program.substr(0, 100);
  std::string foreign = program;
  foreign.replace(16, 4, "Abcd");
  std::ofstream(dir / "foreign.fxp", std::ios::binary) << foreign;
  mkdir((dir / "folder").c_str(), 0755);
  const struct {
    std::vector<std::string> args;
    const char* want;
  } rows[] = {
      {{"--program", "/dev/zero"}, "program file '/dev/zero' is not a regular file"},
      {{"--bank", "folder"}, "bank file 'folder' is a folder"},
      {{"--program", "cut.fxp"}, "program file 'cut.fxp' was refused: it is cut short at byte 100"},
      {{"--program", "foreign.fxp"}, "the file is for 'Abcd', this plug-in is 'Cdpm'"},
      {{"--state", "a.fxp"}, "state file 'a.fxp' is a program file, not a state file: load it with --program"},
      {{"--state", "in.wav"}, "is an audio file (WAV), not a state file"},
      {{"--state", "folder"}, "state file 'folder' is a folder"},
  };
  for (const auto& row : rows) {
    std::vector<std::string> args = {"render", "in.wav", "-o", "out.wav", "--quiet"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const Result r = RunProgram(args, dir.path);
    EXPECT_NE(r.exitCode, 0) << row.want;
    EXPECT_NE(r.err.find(row.want), std::string::npos) << r.err;
    EXPECT_FALSE(std::ifstream(dir / "out.wav").good()) << row.want;
  }
}

TEST(Command, OfflineQualityRendersAtFactorSixteen) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 4000));
  ASSERT_EQ(RunProgram({"render", "in.wav", "-o", "q.wav", "--quiet", "--offline", "--set", "OS=1", "--set", "Quality=on",
                 "--set", "Drive=12"},
                dir.path)
                .exitCode,
            0);
  ASSERT_EQ(RunProgram({"render", "in.wav", "-o", "x16.wav", "--quiet", "--set", "OS=16", "--set", "Drive=12"}, dir.path)
                .exitCode,
            0);
  ASSERT_EQ(RunProgram({"render", "in.wav", "-o", "x1.wav", "--quiet", "--set", "OS=1", "--set", "Quality=on", "--set",
                 "Drive=12"},
                dir.path)
                .exitCode,
            0);
  const Audio q = ReadWav(dir / "q.wav");
  EXPECT_EQ(MaxAbsDiff(q, ReadWav(dir / "x16.wav")), 0.0);
  EXPECT_GT(MaxAbsDiff(q, ReadWav(dir / "x1.wav")), 1e-4) << "Quality only applies offline";
}

TEST(Command, InfoListsWhatAHostSees) {
  TempDir dir;
  Result r = RunProgram({"info"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* text : {"Cinderpath", "Marrowfield", "1.2.2", "'aufx'", "'Cdpm'", "'Mrwf'", "1 in/1 out",
                           "2 in/2 out", "parameters (22)", "HP_Freq", "LP_Freq", "factory presets (16)",
                           "    4  Crunch             Moderate drive that breaks up on peaks"}) {
    EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
  }
}

TEST(Command, MissingComponentIsAClearError) {
  TempDir dir;
  Result r = RunProgram({"info", "--component", dir / "Nothing.component"}, dir.path);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("Nothing.component"), std::string::npos) << r.err;
}

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// A process id that no longer runs.
long DeadPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  return child;
}

}  // namespace

// Every way an output could destroy a file is refused before any work, with a
// message, and leaves every file as it was.
TEST(Command, UnsafeTargetsAreRefusedAndChangeNothing) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 1000));
  mkdir((dir / "sub").c_str(), 0755);
  mkdir((dir / "folder").c_str(), 0755);
  symlink("in.wav", (dir / "link.wav").c_str());
  link((dir / "in.wav").c_str(), (dir / "hard.wav").c_str());
  { std::ofstream(dir / "ro.wav") << "read-only"; }
  chmod((dir / "ro.wav").c_str(), 0444);
  { std::ofstream(dir / "kept.wav") << "kept"; }
  { std::ofstream(dir / "kept.plist") << "kept"; }
  const std::string input = Slurp(dir / "in.wav");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"-o", "in.wav"}, "is the input 'in.wav'"},
      {{"-o", "sub/../in.wav"}, "is the input"},
      {{"-o", "link.wav"}, "is the input"},
      {{"-o", "hard.wav"}, "is the input"},
      {{"-o", "o.wav", "--save-state", "sub/../hard.wav"}, "is the input"},
      {{"-o", "folder"}, "is a folder"},
      {{"-o", "ro.wav"}, "'ro.wav' is read-only"},
      {{"-o", "o.wav", "--save-state", "ro.wav"}, "read-only"},
      {{"-n", "-o", "kept.wav"}, "--no-clobber"},
      {{"-o", "o.wav", "--no-clobber", "--save-state", "kept.plist"}, "--no-clobber"},
      {{"-o", "o.wav", "--save-state", "o.wav"}, "names the audio output"},
      {{"-o", "missing/o.wav"}, "does not exist"},
      {{"-o", "o.txt"}, ".wav, .aif"},
      {{"-o", "o.flac", "--format", "float"}, "FLAC cannot hold 32-bit float"},
      {{"-o", "o.ogg", "--format", "pcm16"}, "compressed"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"render", "in.wav"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Result r = RunProgram(args, dir.path);
    EXPECT_EQ(r.exitCode, 1) << c.args[1];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args[1] << ": " << r.err;
    EXPECT_EQ(Slurp(dir / "in.wav"), input) << c.args[1];
    EXPECT_EQ(Slurp(dir / "ro.wav"), "read-only");
    EXPECT_EQ(Slurp(dir / "kept.wav"), "kept");
    EXPECT_EQ(Slurp(dir / "kept.plist"), "kept");
    EXPECT_EQ(dir.Entries().size(), 8u) << "nothing written after " << c.args[1];
  }
  EXPECT_TRUE(S_ISLNK(ModeOf(dir / "link.wav")));
}

// Targets that are written: devices and pipes in place, symbolic links
// through to their file, replaced files with their permission bits.
TEST(Command, DevicesPipesLinksAndReplacedFilesAreWrittenAsExpected) {
  TempDir dir;
  const Audio signal = MakeSignal(2, 48000, 3000);
  WriteWav(dir / "in.wav", signal);
  ASSERT_EQ(RunProgram({"render", "in.wav", "-o", "/dev/null"}, dir.path).exitCode, 0);
  EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null")));

  { std::ofstream(dir / "target.wav") << "old"; }
  chmod((dir / "target.wav").c_str(), 0640);
  symlink("target.wav", (dir / "link.wav").c_str());
  Result r = RunProgram({"render", "in.wav", "-o", "link.wav", "--save-state", "link.wav.plist"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(S_ISLNK(ModeOf(dir / "link.wav"))) << "the link stays a link";
  EXPECT_EQ(ReadWav(dir / "target.wav").Frames(), signal.Frames()) << "the file it names is replaced";
  EXPECT_EQ(ModeOf(dir / "target.wav") & 07777, 0640u) << "permission bits are kept";

  // A pipe gets a stream (AU) while a reader drains it.
  ASSERT_EQ(mkfifo((dir / "pipe.au").c_str(), 0644), 0);
  std::system(("cat " + Quote(dir / "pipe.au") + " > " + Quote(dir / "drained.au") + " &").c_str());
  r = RunProgram({"render", "in.wav", "-o", "pipe.au", "--quiet"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(S_ISFIFO(ModeOf(dir / "pipe.au")));
  for (int i = 0; i < 100 && ReadWav(dir / "drained.au").Frames() < signal.Frames(); ++i) usleep(20000);
  EXPECT_EQ(MaxAbsDiff(ReadWav(dir / "drained.au"), ReadWav(dir / "target.wav")), 0.0);

  // "-o -": audio on standard output, the summary on standard error.
  r = RunProgram({"render", "in.wav", "-o", "-"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  { std::ofstream(dir / "stdout.au", std::ios::binary) << r.out; }
  EXPECT_EQ(MaxAbsDiff(ReadWav(dir / "stdout.au"), ReadWav(dir / "target.wav")), 0.0);
  EXPECT_NE(r.err.find("realtime factor"), std::string::npos) << r.err;
}

// A write that fails part-way (a full device, a file-size limit) is one clear
// message and a failed exit, however far the reading and rendering threads
// had gone, and leaves nothing under the output's name.
TEST(Command, WriteFailuresAreReportedAndLeaveNothing) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 96000));
  const struct {
    const char* shellPrefix;  // run before the program in the same shell
    const char* output;
    const char* message;
  } cases[] = {
      {"", "/dev/full", "No space left on device"},  // already the header
      // With the signal ignored, writing past the limit fails with an error.
      {"trap '' XFSZ; ulimit -f 256; ", "out.wav", "cinderpath: writing the output failed"},
  };
  for (const auto& c : cases) {
    const std::string cmd = "cd " + Quote(dir.path) + " && " + c.shellPrefix + Quote(CINDERPATH_PROGRAM) +
                            " render in.wav -o " + c.output + " 2>" + Quote(dir / "err.txt");
    const int status = std::system(("(" + cmd + ")").c_str());
    const std::string err = Slurp(dir / "err.txt");
    std::remove((dir / "err.txt").c_str());
    ASSERT_TRUE(WIFEXITED(status)) << c.output;
    EXPECT_EQ(WEXITSTATUS(status), 1) << c.output;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"in.wav"}) << c.output;
  }
}

// An interrupted render says so in one line and leaves no temporary file; a
// later render removes temporary files that a process no longer running left.
TEST(Command, InterruptedRendersLeaveNothingAndStaleTemporariesAreRemoved) {
  TempDir dir;
  WriteWav(dir / "long.wav", MakeSignal(2, 48000, 48000 * 60));
  const std::string errFile = dir / "err.txt";
  const std::string cmd = "cd " + Quote(dir.path) + " && exec " + Quote(CINDERPATH_PROGRAM) +
                          " render long.wav -o out.wav --set OS=16 --block 64 2>" + Quote(errFile);
  const pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  bool started = false;
  for (int i = 0; i < 500 && !started; ++i, usleep(10000))
    for (const std::string& name : dir.Entries()) started |= name.find("out.wav.cinderpath-partial-") == 0;
  ASSERT_TRUE(started) << "the render never created its temporary file";
  kill(child, SIGINT);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
  EXPECT_NE(Slurp(errFile).find("interrupted"), std::string::npos) << Slurp(errFile);
  std::remove(errFile.c_str());
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"long.wav"});

  // Left by a killed process (dead id), and by one still running (this test).
  const std::string stale = "short-cinderpath.wav.cinderpath-partial-" + std::to_string(DeadPid()) + "-abcdef";
  const std::string live = "short-cinderpath.wav.cinderpath-partial-" + std::to_string(getpid()) + "-abcdef";
  { std::ofstream(dir / stale) << "x"; }
  { std::ofstream(dir / live) << "x"; }
  WriteWav(dir / "short.wav", MakeSignal(1, 48000, 100));
  ASSERT_EQ(RunProgram({"render", "short.wav", "-q"}, dir.path).exitCode, 0);
  const std::vector<std::string> names = dir.Entries();
  EXPECT_EQ(std::count(names.begin(), names.end(), stale), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), live), 1);
}

// The summary describes the file written: integer outputs are counted after
// conversion (clipped samples equal the samples at the limits in the file),
// and non-finite input samples are reported.
TEST(Command, SummaryAndWarningsDescribeTheFileWritten) {
  TempDir dir;
  Audio loud = MakeSignal(2, 48000, 4000);
  loud.samples[100] = NAN;
  loud.samples[101] = INFINITY;
  WriteWav(dir / "in.wav", loud);
  Result r = RunProgram({"render", "in.wav", "-o", "o.wav", "--format", "pcm16", "--set", "Drive=16", "--set",
                         "Volume=18", "--set", "Bias=0"},
                        dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("after conversion to 16-bit"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("holds 2 non-finite sample(s)"), std::string::npos) << r.err;
  const Audio out = ReadWav(dir / "o.wav");
  long atLimit = 0;
  for (float v : out.samples) atLimit += v <= -1.0f || v >= 32767.0f / 32768.0f;
  ASSERT_GT(atLimit, 0);
  EXPECT_NE(r.err.find(std::to_string(atLimit) + " sample(s) clipped at full scale in the 16-bit"), std::string::npos)
      << atLimit << "\n" << r.err;

  // The extension picks the container; FLAC defaults to 24-bit integers.
  WriteWav(dir / "quiet.wav", MakeSignal(1, 44100, 3000));
  for (const char* name : {"q.flac", "q.aiff", "q.caf", "q.au"}) {
    r = RunProgram({"render", "quiet.wav", "-o", name, "-q"}, dir.path);
    ASSERT_EQ(r.exitCode, 0) << name << ": " << r.err;
    EXPECT_EQ(ReadWav(dir / name).Frames(), 3000) << name;
  }
  SF_INFO info{};
  SNDFILE* f = sf_open((dir / "q.flac").c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr);
  sf_close(f);
  EXPECT_EQ(info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);

  // A file cut short renders what it holds, with a warning naming both lengths.
  WriteWav(dir / "long.wav", MakeSignal(1, 44100, 44100));
  ASSERT_EQ(RunProgram({"render", "long.wav", "-o", "long.flac", "-q"}, dir.path).exitCode, 0);
  const std::string flac = Slurp(dir / "long.flac");
  { std::ofstream(dir / "cut.flac", std::ios::binary) << flac.substr(0, flac.size() / 2); }
  r = RunProgram({"render", "cut.flac", "-o", "cut.wav", "-q"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const long kept = ReadWav(dir / "cut.wav").Frames();
  EXPECT_GT(kept, 0);
  EXPECT_NE(r.err.find("ended after " + std::to_string(kept) + " frames; its header says 44100"), std::string::npos)
      << r.err;
}

// Several inputs render in parallel into a folder, each exactly as alone;
// one bad file fails alone and sets the exit status. Standard input of
// unknown length is read to its end.
TEST(Command, SeveralInputsAndStandardInput) {
  TempDir dir;
  mkdir((dir / "out").c_str(), 0755);
  WriteWav(dir / "a.wav", MakeSignal(2, 48000, 5000));
  WriteWav(dir / "b.wav", MakeSignal(1, 44100, 7000));
  { std::ofstream(dir / "bad.wav") << "not audio"; }
  Result r = RunProgram({"render", "a.wav", "bad.wav", "b.wav", "-o", "out/", "-j", "2", "--set", "Drive=9"}, dir.path);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("bad.wav"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("a.wav -> out/a-cinderpath.wav"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("total: 2 of 3 file(s) rendered"), std::string::npos) << r.out;
  for (const char* name : {"a", "b"}) {
    ASSERT_EQ(RunProgram({"render", std::string(name) + ".wav", "-o", "alone.wav", "-q", "--set", "Drive=9"}, dir.path)
                  .exitCode,
              0);
    EXPECT_EQ(MaxAbsDiff(ReadWav(dir / "out/" + name + "-cinderpath.wav"), ReadWav(dir / "alone.wav")), 0.0) << name;
  }
  r = RunProgram({"render", "a.wav", "b.wav", "-o", "alone.wav"}, dir.path);
  EXPECT_NE(r.err.find("must name an existing folder"), std::string::npos) << r.err;

  // A piped AU stream states no length.
  const std::string cmd = "cd " + Quote(dir.path) + " && " + Quote(CINDERPATH_PROGRAM) + " render a.wav -o - -q | " +
                          Quote(CINDERPATH_PROGRAM) + " render - -o piped.wav -q";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(ReadWav(dir / "piped.wav").Frames(), 5000);
}

TEST(Command, HelpVersionAndInfoExplainTheControls) {
  TempDir dir;
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> texts;
  } cases[] = {
      {{"help"}, {"cinderpath render", "help render"}},
      {{"help", "render"}, {"--no-clobber", "--jobs", "examples"}},
      {{"render", "--help"}, {"--format ENC"}},
      {{"render", "-h"}, {"-o, --output FILE"}},
      {{"help", "snapshot"}, {"--clip", "cinderpath-editor.png"}},
      {{"--version"}, {"cinderpath 1.2.2"}},
      {{"info"},
       {"acts only while \"HP On\" is on", "when the host renders offline", "always-on output high-pass"}},
  };
  for (const auto& c : cases) {
    Result r = RunProgram(c.args, dir.path);
    EXPECT_EQ(r.exitCode, 0) << c.args[0];
    for (const std::string& text : c.texts) EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
  }
  EXPECT_TRUE(dir.Entries().empty()) << "help writes no file";
}

// The snapshot command: its default file name, and a refused setting or file that
// leaves an earlier picture as it was and says why.
TEST(Command, SnapshotWritesThePictureOrNothing) {
  TempDir dir;
  const Result made = RunProgram({"snapshot"}, dir.path);
  ASSERT_EQ(made.exitCode, 0) << made.err;
  std::unique_ptr<LICE_IBitmap> png(LICE_LoadPNG((dir / "cinderpath-editor.png").c_str()));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->getWidth(), 780);
  EXPECT_EQ(png->getHeight(), 200);
  const std::string picture = Slurp(dir / "cinderpath-editor.png");

  std::ofstream(dir / "bad.state") << "not a state";
  const struct {
    std::vector<std::string> args;
    int exitCode;
    const char* says;
  } refusals[] = {
      {{"--set", "Drive=99"}, 1, "out of range"},
      {{"--set", "Nothing=1"}, 1, "unknown parameter"},
      {{"--preset", "16"}, 1, "does not exist"},
      {{"--preset", "nothing"}, 1, "no factory preset is named"},
      {{"--state", "bad.state"}, 1, "state file"},
      {{"--state", "missing.state"}, 1, "cannot open"},
      {{"-o", "bad.state", "--state", "bad.state"}, 1, "is the input"},
      {{"extra"}, 2, "no argument"},
      {{"--clip=yes"}, 2, "no option"},
      {{"--component", "bad.state"}, 1, "cannot load the plug-in bundle"},
  };
  for (const auto& r : refusals) {
    std::vector<std::string> args = {"snapshot"};
    args.insert(args.end(), r.args.begin(), r.args.end());
    const Result result = RunProgram(args, dir.path);
    EXPECT_EQ(result.exitCode, r.exitCode) << args[1];
    EXPECT_NE(result.err.find(r.says), std::string::npos) << args[1] << ": " << result.err;
    EXPECT_EQ(Slurp(dir / "cinderpath-editor.png"), picture) << args[1];
  }
}


// Every factory preset chosen by name (here its slug: case and separators
// loose) renders exactly as its values given one by one with --set: the bank
// the command lists is the bank the plug-in holds.
TEST(Command, PresetsByNameRenderAsTheirValuesGivenWithSet) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 3000));
  const CinderpathFactoryPreset& defaults = kCinderpathFactoryPresets[0];
  for (const CinderpathFactoryPreset& preset : kCinderpathFactoryPresets) {
    Result r = RunProgram({"render", "in.wav", "-o", "named.wav", "-q", "--preset", preset.slug}, dir.path);
    ASSERT_EQ(r.exitCode, 0) << preset.name << ": " << r.err;
    std::vector<std::string> args = {"render", "in.wav", "-o", "set.wav", "-q"};
    for (int i = 0; i < kCinderpathNumPresetValues; ++i) {
      if (preset.values[i] == defaults.values[i]) continue;
      char value[64];
      std::snprintf(value, sizeof(value), "%.17g", preset.values[i]);
      args.insert(args.end(), {"--set", std::string(kCinderpathParamDescriptions[i].name) + "=" + value});
    }
    r = RunProgram(args, dir.path);
    ASSERT_EQ(r.exitCode, 0) << preset.name << ": " << r.err;
    EXPECT_EQ(MaxAbsDiff(ReadWav(dir / "named.wav"), ReadWav(dir / "set.wav")), 0.0) << preset.name;
  }
}

// A settings file is readable NAME=VALUE lines; reading it back gives the same
// audio bit for bit and writes the same file; info shows a saved state the
// same way.
TEST(Command, SettingsFilesRoundTripBitForBit) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 3000));
  Result r = RunProgram({"render", "in.wav", "-o", "a.wav", "-q", "--preset", "lo-fi RADIO", "--set", "Drive=7.3",
                         "--set", "Peak Freq=1370Hz", "--save-settings", "a.txt", "--save-state", "a.plist"},
                        dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string text = Slurp(dir / "a.txt");
  for (const char* line : {"# Cinderpath 1.2.2 settings", "\nDrive=7.3\n", "\nPeak Freq=1.37\n", "\nMono=on\n",
                           "\nHP On=on\n", "\nHP Freq=400\n", "\nOS=1\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  r = RunProgram({"render", "in.wav", "-o", "b.wav", "-q", "--settings", "a.txt", "--save-settings", "b.txt"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "") << "a complete file sets every parameter";
  EXPECT_EQ(MaxAbsDiff(ReadWav(dir / "a.wav"), ReadWav(dir / "b.wav")), 0.0);
  EXPECT_EQ(Slurp(dir / "b.txt"), text);
  r = RunProgram({"info", "--state", "a.plist"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, text);
}

// A bad settings file is refused with its line, and nothing is written; one
// that leaves parameters out keeps their values and says which.
TEST(Command, BadSettingsFilesNameTheLineAndChangeNothing) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 1000));
  const struct {
    const char* file;
    const char* message;
  } cases[] = {
      {"Drive=3\nNope=1\n", "'s.txt' line 2: unknown parameter 'Nope'"},
      {"# comment\n\nDrive=99\n", "'s.txt' line 3: value 99 for 'Drive' is out of range"},
      {"Drive=3\nBias\n", "'s.txt' line 2: expected NAME=VALUE, got 'Bias'"},
      {"Drive=3\r\ndrive = 4\r\n", "'s.txt' line 2: 'Drive' is set a second time (first on line 1)"},
      {"Mono=perhaps\n", "'s.txt' line 1: cannot read 'perhaps'"},
      {"Drive=6 Hz\n", "'s.txt' line 1: cannot read '6 Hz'"},
  };
  for (const auto& c : cases) {
    { std::ofstream(dir / "s.txt") << c.file; }
    const Result r =
        RunProgram({"render", "in.wav", "-o", "o.wav", "--settings", "s.txt", "--save-state", "x.plist"}, dir.path);
    EXPECT_EQ(r.exitCode, 1) << c.file;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.message << "\n" << r.err;
    EXPECT_EQ(dir.Entries().size(), 2u) << "only the input and the settings file after " << c.file;
  }
  { std::ofstream(dir / "s.txt") << "Drive=9\n"; }
  const Result r = RunProgram({"render", "in.wav", "-o", "o.wav", "-q", "--preset", "crunch", "--settings", "s.txt",
                               "--save-state", "x.plist"},
                              dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("warning: settings file 's.txt' does not set Cutoff, Resonance, Bias"), std::string::npos)
      << r.err;
  const std::vector<double> v = StateValues(dir / "x.plist");
  ASSERT_EQ(v.size(), 22u);
  EXPECT_EQ(v[2], 9.0);
  EXPECT_EQ(v[11], 80.0) << "the preset's HP Freq stays";
}

// Values with units and words as people write them, and the aliases that
// tell the input filters from the output filters.
TEST(Command, ValuesAsPeopleWriteThem) {
  TempDir dir;
  const struct {
    const char* set;
    const char* line;
  } cases[] = {
      {"Drive=6dB", "Drive=6"},           {"Volume=-3 dB", "Volume=-3"},     {"in-hp-freq=120Hz", "HP Freq=120"},
      {"HP Freq=0.5k", "HP Freq=500"},    {"Peak Freq=5k", "Peak Freq=5"},   {"Shelf Freq=2.5 kHz", "Shelf Freq=2.5"},
      {"Peak Freq=410Hz", "Peak Freq=0.41"}, {"OS=8x", "OS=8"},              {"out-hp-freq=30", "HP_Freq=30"},
      {"out-lp-freq=12k", "LP_Freq=12"},  {"in-lp-freq=3k", "Cutoff=3"},     {"Mono=YES", "Mono=on"},
      {"Phase=true", "Phase=on"},         {"HP On=ON", "HP On=on"},          {"Bypass=No", "Bypass=off"},
  };
  for (const auto& c : cases) {
    const Result r = RunProgram({"render", "-o", "/dev/null", "-q", "--set", c.set, "--save-settings", "s.txt"}, dir.path);
    ASSERT_EQ(r.exitCode, 0) << c.set << ": " << r.err;
    EXPECT_NE(Slurp(dir / "s.txt").find(std::string("\n") + c.line + "\n"), std::string::npos) << c.set;
  }
}

// The command lines a user copies: those after "example"/"examples" in every
// help text, and those of the README's example block.
std::vector<std::string> DocumentedExamples(const std::string& readme, std::string* helpTexts) {
  std::vector<std::string> examples;
  TempDir dir;
  for (const char* topic : {"render", "info", "snapshot", "editor"}) {
    const std::string help = RunProgram({"help", topic}, dir.path).out;
    *helpTexts += help;
    bool inExamples = false;
    size_t start = 0;
    for (size_t end; (end = help.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = help.substr(start, end - start);
      if (line == "example" || line == "examples") inExamples = true;
      else if (line.empty()) inExamples = false;
      else if (inExamples) examples.push_back(line.substr(line.find_first_not_of(' ')));
    }
  }
  const size_t block = readme.find("\nExamples");
  for (size_t start = readme.find('\n', block + 1) + 1, end; block != std::string::npos && start < readme.size();
       start = end + 1) {
    end = readme.find('\n', start);
    const std::string line = readme.substr(start, end - start);
    if (line.compare(0, 4, "    ") == 0) examples.push_back(line.substr(4));
    else if (!line.empty()) break;
  }
  return examples;
}

// Every documented example runs as printed (on a take.wav and take.flac made
// here), and the README names every option the help texts print.
TEST(Command, DocumentedExamplesRunAsPrintedAndEveryOptionIsInTheReadme) {
  TempDir dir;
  WriteWav(dir / "take.wav", MakeSignal(2, 48000, 12000));
  ASSERT_EQ(RunProgram({"render", "take.wav", "-o", "take.flac", "-q"}, dir.path).exitCode, 0);
  const std::string readme = Slurp(CINDERPATH_README);
  const size_t sectionStart = readme.find("## The `cinderpath` command");
  ASSERT_NE(sectionStart, std::string::npos);
  const std::string section = readme.substr(sectionStart, readme.find("\n## ", sectionStart + 1) - sectionStart);
  std::string helpTexts;
  const std::vector<std::string> examples = DocumentedExamples(section, &helpTexts);
  ASSERT_GE(examples.size(), 12u);
  for (const std::string& example : examples) {
    ASSERT_EQ(example.compare(0, 11, "cinderpath "), 0) << example;
    if (example.compare(0, 18, "cinderpath editor ") == 0) continue;  // needs a display and a user
    { std::ofstream(dir / "example.sh") << "cinderpath() { " << Quote(CINDERPATH_PROGRAM) << " \"$@\"; }\n" << example << "\n"; }
    const std::string cmd = "cd " + Quote(dir.path) + " && sh example.sh >/dev/null 2>example.err";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << example << "\n" << Slurp(dir / "example.err");
  }
  for (size_t at = 0; (at = helpTexts.find("--", at)) != std::string::npos;) {
    size_t end = at + 2;
    while (end < helpTexts.size() && (std::islower(static_cast<unsigned char>(helpTexts[end])) || helpTexts[end] == '-'))
      ++end;
    const std::string option = helpTexts.substr(at, end - at);
    bool named = false;  // as a whole option name, not the start of a longer one
    for (size_t f = 0; option.size() > 2 && !named && (f = section.find(option, f)) != std::string::npos; ++f) {
      const char next = f + option.size() < section.size() ? section[f + option.size()] : ' ';
      named = !std::islower(static_cast<unsigned char>(next)) && next != '-';
    }
    EXPECT_TRUE(named || option.size() <= 2) << option << " is not in the README";
    at = end;
  }
}

// MP3 output where this libsndfile writes MP3: a real MPEG file comes out.
TEST(Command, WritesMp3WhereTheLibraryCan) {
  SF_INFO probe{};
  probe.channels = 2;
  probe.samplerate = 48000;
  probe.format = 0x230000 | 0x0082;  // MPEG container, layer III, by value: older headers lack the names
  if (!sf_format_check(&probe)) GTEST_SKIP() << "this libsndfile does not write MP3";
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 24000));
  const Result r = RunProgram({"render", "in.wav", "-o", "out.mp3", "-q"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  SF_INFO info{};
  SNDFILE* f = sf_open((dir / "out.mp3").c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, 0x230000);
  EXPECT_EQ(info.channels, 2);
  sf_close(f);
}

// The summary reads silence as -inf, warns about float samples above full
// scale, and names the inputs whose outputs would collide.
TEST(Command, SummaryReadsSilenceAsInfAndNamesOversAndCollisions) {
  TempDir dir;
  Audio silence = MakeSignal(2, 48000, 4800);
  std::fill(silence.samples.begin(), silence.samples.end(), 0.0f);
  WriteWav(dir / "silence.wav", silence);
  Result r = RunProgram({"render", "silence.wav", "-o", "s.wav"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const size_t row = r.out.find("\n      1 ");
  ASSERT_NE(row, std::string::npos) << r.out;
  const std::string line = r.out.substr(row + 1, r.out.find('\n', row + 1) - row - 1);
  EXPECT_EQ(line.find("-4"), std::string::npos) << line;
  EXPECT_NE(line.find("-inf"), std::string::npos) << line;

  WriteWav(dir / "loud.wav", MakeSignal(2, 48000, 4800));
  r = RunProgram({"render", "loud.wav", "-o", "l.wav", "--set", "Volume=18", "--set", "Drive=6"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("sample(s) above full scale in 'l.wav' (peak "), std::string::npos) << r.err;

  ASSERT_EQ(mkdir((dir / "a").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((dir / "b").c_str(), 0755), 0);
  WriteWav(dir / "a/take.wav", silence);
  WriteWav(dir / "b/take.wav", silence);
  r = RunProgram({"render", "a/take.wav", "b/take.wav", "-o", "out/"}, dir.path);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("inputs 'a/take.wav' and 'b/take.wav' would both be written to 'out/take-cinderpath.wav'"),
            std::string::npos)
      << r.err;
}

// The same input and settings give the same bytes, whatever the time.
TEST(Command, RendersAreByteForByteReproducible) {
  TempDir dir;
  WriteWav(dir / "in.wav", MakeSignal(2, 48000, 4800));
  const char* const extensions[] = {"wav", "aiff", "caf", "flac", "w64", "rf64"};
  for (const char* run : {"a.", "b."}) {
    for (const char* extension : extensions)
      ASSERT_EQ(RunProgram({"render", "in.wav", "-o", run + std::string(extension), "-q", "--preset", "crunch"},
                           dir.path)
                    .exitCode,
                0)
          << extension;
    sleep(1);  // a time stamp, if any, would differ
  }
  for (const char* extension : extensions)
    EXPECT_TRUE(Slurp(dir / (std::string("a.") + extension)) == Slurp(dir / (std::string("b.") + extension)))
        << extension;
}

// Without -o the output keeps the input's container and sample encoding;
// lossy inputs give a float WAV file.
TEST(Command, DefaultOutputFollowsTheInputsFormat) {
  TempDir dir;
  WriteWav(dir / "float.wav", MakeSignal(2, 48000, 4800));
  const struct {
    const char* input;
    const char* format;  // --format for making the input
    const char* output;
    int expected;  // SF_INFO format of the output
  } cases[] = {
      {"take.flac", "pcm16", "take-cinderpath.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
      {"take.wav", "pcm24", "take-cinderpath.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
      {"take.aiff", "pcm16", "take-cinderpath.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
      {"take.ogg", nullptr, "take-cinderpath.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
  };
  for (const auto& c : cases) {
    std::vector<std::string> make = {"render", "float.wav", "-o", c.input, "-q", "--set", "Bypass=on"};
    if (c.format) make.insert(make.end(), {"--format", c.format});
    ASSERT_EQ(RunProgram(make, dir.path).exitCode, 0) << c.input;
    const Result r = RunProgram({"render", c.input, "-q"}, dir.path);
    ASSERT_EQ(r.exitCode, 0) << c.input << ": " << r.err;
    SF_INFO info{};
    SNDFILE* f = sf_open((dir / c.output).c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr) << c.output;
    sf_close(f);
    EXPECT_EQ(info.format & (SF_FORMAT_TYPEMASK | SF_FORMAT_SUBMASK), c.expected) << c.output;
  }
}

// The README's GNU parallel example, run as printed on this machine alone:
// every file rendered, each output beside its input; the machines' version
// differs only in its list of machines.
TEST(Command, ParallelExampleRendersALibraryLocally) {
  if (std::system("command -v parallel >/dev/null 2>&1") != 0) GTEST_SKIP() << "GNU parallel is not installed";
  const std::string readme = Slurp(CINDERPATH_README);
  std::vector<std::string> lines;
  for (size_t at = 0; (at = readme.find("\n    parallel ", at)) != std::string::npos; ++at)
    lines.push_back(readme.substr(at + 5, readme.find('\n', at + 1) - at - 5));
  ASSERT_EQ(lines.size(), 2u);
  const std::string local = lines[1];
  ASSERT_NE(local.find("--sshlogin 2/: "), std::string::npos) << local;
  EXPECT_EQ(lines[0].substr(lines[0].find(" --transferfile")), local.substr(local.find(" --transferfile")));

  TempDir dir;
  ASSERT_EQ(mkdir((dir / "takes").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((dir / "bin").c_str(), 0755), 0);
  ASSERT_EQ(symlink(CINDERPATH_PROGRAM, (dir / "bin/cinderpath").c_str()), 0);
  for (const char* name : {"a", "b", "c"}) WriteWav(dir / "takes/" + name + ".wav", MakeSignal(2, 48000, 4800));
  const std::string cmd = "cd " + Quote(dir.path) + " && PATH=" + Quote(dir / "bin") + ":\"$PATH\" " + local +
                          " </dev/null >/dev/null 2>" + Quote(dir / "err");
  ASSERT_EQ(std::system(cmd.c_str()), 0) << Slurp(dir / "err");
  for (const char* name : {"a", "b", "c"}) {
    const Audio in = ReadWav(dir / "takes/" + name + ".wav");
    EXPECT_EQ(ReadWav(dir / "takes/" + name + "-cinderpath.wav").Frames(), in.Frames()) << name;
  }
}

// A snapshot follows the render's safe-output rules: it never replaces a file
// that is not a PNG image, -n refuses any existing file, and it names the file
// it wrote.
TEST(Command, SnapshotReplacesOnlyPictures) {
  TempDir dir;
  WriteWav(dir / "take.wav", MakeSignal(2, 48000, 100));
  const std::string audio = Slurp(dir / "take.wav");
  Result r = RunProgram({"snapshot", "-o", "take.wav"}, dir.path);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("'take.wav' exists and is not a PNG image"), std::string::npos) << r.err;
  EXPECT_EQ(Slurp(dir / "take.wav"), audio);

  r = RunProgram({"snapshot", "-o", "panel.png"}, dir.path);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("panel.png: the editor, 780 x 200 pixels"), std::string::npos) << r.out;
  r = RunProgram({"snapshot", "-o", "panel.png", "--preset", "fuzz"}, dir.path);
  EXPECT_EQ(r.exitCode, 0) << "a picture replaces a picture: " << r.err;
  const std::string picture = Slurp(dir / "panel.png");
  r = RunProgram({"snapshot", "-o", "panel.png", "-n", "--preset", "crunch"}, dir.path);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(r.err.empty());
  EXPECT_EQ(Slurp(dir / "panel.png"), picture);
}
