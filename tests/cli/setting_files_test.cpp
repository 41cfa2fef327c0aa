// Settings files: what is refused before it is read, and the reason a
// refused program or bank file is given.
#include "setting_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "temp_dir.h"

using namespace cinderpath_cli;

namespace {

constexpr OSType kID = 0x43647066;  // 'Cdpf'
constexpr int kParams = 3;

// A literal's bytes, NULs included.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

std::string Word(uint32_t v) {
  std::string b;
  for (int s = 24; s >= 0; s -= 8) b += static_cast<char>((v >> s) & 0xFF);
  return b;
}

// A parameter-form program record for kParams parameters: 56 + 12 bytes.
std::string Program(OSType id = kID, uint32_t nParams = kParams, const char* magic = "FxCk") {
  std::string b = "CcnK" + Word(0) + magic + Word(1) + Word(id) + Word(10202) + Word(nParams);
  b += std::string(28, '\0');
  for (uint32_t i = 0; i < nParams; ++i) b += Word(0x3F000000);  // 0.5f
  return b;
}

std::string Bank(uint32_t nPrograms, const std::string& records) {
  return "CcnK" + Word(0) + "FxBk" + Word(2) + Word(kID) + Word(10202) + Word(nPrograms) + Word(0) +
         std::string(124, '\0') + records;
}

std::string WriteFile(const TempDir& dir, const std::string& name, const std::string& bytes) {
  const std::string path = dir / name;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

}  // namespace

TEST(SettingFiles, RefusalsNameTheCause) {
  const std::string good = Program();
  const std::string bank = Bank(2, Program() + Program());
  const struct {
    bool bank;
    std::string bytes;
    const char* want;
  } rows[] = {
      {false, "", "it is empty"},
      {false, "hello, world", "it is not a program or bank file"},
      {false, "<?xml version=\"1.0\"?>\n<plist>", "looks like a state file: restore it with --state"},
      {false, Bytes("RIFF\x24\0\0\0WAVEfmt "), "looks like an audio file (WAV)"},
      {false, "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .", "looks like an LV2 preset or state"},
      {false, "CcnK" + Word(0) + "XXXX", "its kind 'XXXX' is neither"},
      {false, bank, "it is a bank file, not a program: load it with --bank"},
      {true, good, "it is a program file, not a bank: load it with --program"},
      {false, Program(0x41626364), "the file is for 'Abcd', this plug-in is 'Cdpf'"},
      {true, Bank(2, Program() + Program()).replace(16, 4, Word(0x41626364)), "the file is for 'Abcd'"},
      {false, Program(kID, 5), "holds 5 parameters; this plug-in has 3"},
      {false, good.substr(0, 40), "it is cut short at byte 40 (the header of a program file is 56 bytes)"},
      {false, good.substr(0, 60), "it is cut short at byte 60 (the program ends at byte 68 for 3 parameters)"},
      {true, bank.substr(0, 100), "cut short at byte 100 (the header of a bank file is 156 bytes)"},
      {true, bank.substr(0, 156 + 68 + 60), "cut short at byte 284 (program 2 of 2 ends at byte 292 for 3 parameters)"},
      {true, Bank(2, Program() + Program(kID, 4)), "program 2 of 2 holds 4 parameters"},
      {false, Program(kID, kParams, "FPCh").substr(0, 56) + Word(100) + "tffp", "its state chunk ends at byte 160"},
  };
  for (const auto& row : rows) {
    const std::string why = PluginFileRefusal(row.bank, row.bytes, kID, kParams);
    EXPECT_NE(why.find(row.want), std::string::npos) << "got: " << why << "\nwant: " << row.want;
  }
}

// Anything but a regular file within the cap is refused unread: a device that
// never ends, a folder, a file one byte too large.
TEST(SettingFiles, OnlyRegularFilesWithinTheCapAreRead) {
  const TempDir dir;
  const std::string small = WriteFile(dir, "small.fxp", std::string(10, 'x'));
  const std::string large = WriteFile(dir, "large.fxp", std::string(11, 'x'));
  const struct {
    std::string path;
    const char* want;
  } refused[] = {
      {"/dev/zero", "is not a regular file"},
      {dir.path, "is a folder"},
      {large, "is 11 bytes, more than the 10 bytes"},
      {dir / "missing.fxp", "cannot open program file"},
  };
  for (const auto& row : refused) {
    std::string bytes = "untouched", error;
    EXPECT_FALSE(ReadCappedFile(row.path, "program file", 10, &bytes, &error)) << row.path;
    EXPECT_NE(error.find(row.want), std::string::npos) << error;
    EXPECT_NE(error.find("'" + row.path + "'"), std::string::npos) << error;
  }
  std::string bytes, error;
  ASSERT_TRUE(ReadCappedFile(small, "program file", 10, &bytes, &error)) << error;
  EXPECT_EQ(bytes, std::string(10, 'x'));
  EXPECT_EQ(MaxSettingFileBytes(), 64L * 1024 * 1024);
}

TEST(SettingFiles, StateFileMismatchSaysWhichOptionReadsTheFile) {
  EXPECT_EQ(StateFileMismatch(Program()), "is a program file, not a state file: load it with --program");
  EXPECT_EQ(StateFileMismatch(Bank(0, "")), "is a bank file, not a state file: load it with --bank");
  EXPECT_NE(StateFileMismatch(Bytes("fLaC\0\0\0\x22")).find("an audio file (FLAC), not a state file"), std::string::npos);
  EXPECT_NE(StateFileMismatch("# preset\n@prefix pset: <x> .").find("an LV2 host loads it"), std::string::npos);
  EXPECT_EQ(StateFileMismatch("<?xml version=\"1.0\"?><plist><dict>"), "");
  EXPECT_EQ(StateFileMismatch("garbage"), "");
}
