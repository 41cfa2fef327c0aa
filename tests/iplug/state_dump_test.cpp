// Developer dumps of the current preset as source text, written into a fresh
// temporary folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "state_test_plug.h"

namespace {

namespace fs = std::filesystem;

class StateDump : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string tmpl = (fs::temp_directory_path() / "state_dump_XXXXXX").string();
    ASSERT_NE(mkdtemp(&tmpl[0]), nullptr);
    dir = tmpl;
  }
  void TearDown() override
  {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string Path(const char* name) const { return (dir / name).string(); }
  static std::string Read(const std::string& path)
  {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  fs::path dir;
};

// A plug-in whose current preset holds exactly the given bytes.
void HoldChunk(StateTestPlug* plug, const char* bytes, int n)
{
  ByteChunk c;
  c.PutBytes(bytes, n);
  plug->MakePresetFromChunk("raw", &c);
}

TEST_F(StateDump, BlobTextForShortChunks)
{
  StateTestPlug three(1, 1), four(1, 1);
  HoldChunk(&three, "\x01\x02\x03", 3);
  HoldChunk(&four, "\x01\x02\x03\x04", 4);
  three.DumpPresetBlob(Path("three.txt").c_str());
  four.DumpPresetBlob(Path("four.txt").c_str());
  EXPECT_EQ(Read(Path("three.txt")), "MakePresetFromBlob(\"name\", \"AQID\", 3);\n");
  EXPECT_EQ(Read(Path("four.txt")), "MakePresetFromBlob(\"name\", \"AQIDBA==\", 4);\n");
}

TEST_F(StateDump, LongBlobIsWrittenWholeAndReadsBack)
{
  // 200 parameters: a 1600-byte state, 2136 characters of text.
  const int n = 200;
  StateTestPlug from(n, 1), to(n, 1);
  for (int i = 0; i < n; ++i)
  {
    from.GetParam(i)->InitDouble("P", i * 0.37 - 20.0, -100.0, 100.0, 0.01);
    to.GetParam(i)->InitDouble("P", 0.0, -100.0, 100.0, 0.01);
  }
  from.MakeDefaultPreset("state", 1);
  from.DumpPresetBlob(Path("long.txt").c_str());
  const std::string text = Read(Path("long.txt"));

  const std::string head = "MakePresetFromBlob(\"name\", \"";
  ASSERT_EQ(text.compare(0, head.size(), head), 0);
  const size_t end = text.find('"', head.size());
  ASSERT_NE(end, std::string::npos);
  const std::string blob = text.substr(head.size(), end - head.size());
  EXPECT_EQ(blob.size(), 2136u);
  EXPECT_EQ(text.substr(end), "\", 1600);\n");

  to.MakePresetFromBlob("back", blob.c_str(), 1600);
  ASSERT_TRUE(to.RestorePreset(0));
  EXPECT_EQ(to.Values(), from.Values());
}

TEST_F(StateDump, SourceTextNamesEachParameterByType)
{
  StateTestPlug plug(4, 1);
  plug.GetParam(0)->InitBool("On", true);
  plug.GetParam(1)->InitInt("Count", 7, 0, 10);
  plug.GetParam(2)->InitEnum("Mode", 2, 3);
  plug.GetParam(3)->InitDouble("Level", -0.25, -1.0, 1.0, 0.01);
  const char* names[] = {"kOn", "kCount", "kMode", "kLevel"};
  plug.DumpPresetSrcCode(Path("src.txt").c_str(), names);
  EXPECT_EQ(Read(Path("src.txt")),
            "  MakePresetFromNamedParams(\"name\", 4,\n"
            "    kOn, true,\n"
            "    kCount, 7,\n"
            "    kMode, 2,\n"
            "    kLevel, -0.250000);\n");

  // Without names the indices stand in; a bool below 0.5 is false.
  plug.GetParam(0)->Set(0.0);
  plug.DumpPresetSrcCode(Path("idx.txt").c_str(), nullptr);
  EXPECT_EQ(Read(Path("idx.txt")),
            "  MakePresetFromNamedParams(\"name\", 4,\n"
            "    0, false,\n"
            "    1, 7,\n"
            "    2, 2,\n"
            "    3, -0.250000);\n");
}

TEST_F(StateDump, NothingIsWrittenWhenTheFileOrSlotIsMissing)
{
  StateTestPlug plug(1, 1);
  HoldChunk(&plug, "\x01\x02\x03", 3);
  const char* names[] = {"kA"};
  const std::string noFolder = Path("missing/out.txt");
  plug.DumpPresetBlob(noFolder.c_str());
  plug.DumpPresetSrcCode(noFolder.c_str(), names);
  plug.DumpPresetBlob(dir.string().c_str());  // a folder, not a file
  plug.DumpPresetBlob(nullptr);
  plug.DumpPresetSrcCode(nullptr, names);
  EXPECT_FALSE(fs::exists(noFolder));

  // No current slot: no file is created.
  StateTestPlug none(1, 0);
  none.DumpPresetBlob(Path("none.txt").c_str());
  EXPECT_FALSE(fs::exists(Path("none.txt")));
  EXPECT_TRUE(fs::is_empty(dir));
}

}  // namespace
