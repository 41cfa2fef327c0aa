// Command-line parsing of the render and info commands.
#include "options.h"
#include "snapshot.h"

#include <gtest/gtest.h>

using namespace cinderpath_cli;

TEST(RenderOptions, ParsesEveryOption) {
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(ParseRenderOptions({"in.wav", "-o", "out.wav", "--set", "HP Freq=120", "--set=Drive=6", "--preset",
                                  "3", "--state", "a.plist", "--save-state=b.plist", "--settings", "c.txt", "--save-settings=d.txt",
                                  "--offline", "--block", "256",
                                  "--format", "pcm24", "--quiet"},
                                 &o, &error))
      << error;
  ASSERT_EQ(o.inputs.size(), 1u);
  EXPECT_EQ(o.inputs[0], "in.wav");
  EXPECT_EQ(o.output, "out.wav");
  ASSERT_EQ(o.sets.size(), 2u);
  EXPECT_EQ(o.sets[0].first, "HP Freq");
  EXPECT_EQ(o.sets[0].second, "120");
  EXPECT_EQ(o.sets[1].first, "Drive");
  EXPECT_EQ(o.sets[1].second, "6");
  EXPECT_EQ(o.preset, "3");
  EXPECT_EQ(o.settingsIn, "c.txt");
  EXPECT_EQ(o.settingsOut, "d.txt");
  EXPECT_EQ(o.stateIn, "a.plist");
  EXPECT_EQ(o.stateOut, "b.plist");
  EXPECT_TRUE(o.offline);
  EXPECT_EQ(o.blockFrames, 256);
  EXPECT_EQ(o.format, SampleFormat::kPcm24);
  EXPECT_TRUE(o.quiet);
}

TEST(RenderOptions, RefusesBadOptionsWithAMessage) {
  const std::vector<std::vector<std::string>> bad = {
      {"--set"},           {"--set", "Drive"},     {"--set", "=3"},       {"--preset", "-1"},
      {"--preset", " "},   {"--block", "0"},       {"--block", "1e9"},    {"--format", "mp3"},
      {"--bogus"},         {"-j", "0"},            {"-o"},
  };
  for (const auto& args : bad) {
    RenderOptions o;
    std::string error;
    EXPECT_FALSE(ParseRenderOptions(args, &o, &error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(RenderOptions, DefaultOutputNameKeepsTheFolderAndAddsTheSuffix) {
  EXPECT_EQ(DefaultOutputPath("song.wav"), "song-cinderpath.wav");
  EXPECT_EQ(DefaultOutputPath("dir.x/take"), "dir.x/take-cinderpath.wav");
  EXPECT_EQ(DefaultOutputPath("a/b/guitar.flac"), "a/b/guitar-cinderpath.flac");
  EXPECT_EQ(DefaultOutputPath("take.AIFF"), "take-cinderpath.AIFF");
  EXPECT_EQ(DefaultOutputPath("take.ogg"), "take-cinderpath.wav");
  EXPECT_EQ(DefaultOutputPath("take.mp3"), "take-cinderpath.wav");
  EXPECT_EQ(DefaultOutputPath(".hidden"), ".hidden-cinderpath.wav");
}

// --scale of the editor and snapshot commands: the editor's scales only.
TEST(ScaleOption, EditorAndSnapshotTakeOnlyTheEditorsScales) {
  const struct {
    const char* value;
    double want;  // 0: refused
  } cases[] = {{"1", 1.0}, {"1.5", 1.5}, {"2", 2.0}, {"3", 3.0},  {"0", 0.0},
               {"-1", 0.0}, {"abc", 0.0}, {"7", 0.0}, {"2.5", 0.0}, {"", 0.0}};
  for (const auto& c : cases) {
    EditorOptions editor;
    SnapshotOptions snapshot;
    std::string editorError, snapshotError;
    const bool editorOk = ParseEditorOptions({"--scale", c.value}, &editor, &editorError);
    const bool snapshotOk = ParseSnapshotOptions({std::string("--scale=") + c.value}, &snapshot, &snapshotError);
    EXPECT_EQ(editorOk, c.want > 0.0) << c.value;
    EXPECT_EQ(snapshotOk, c.want > 0.0) << c.value;
    EXPECT_EQ(editor.scale, c.want) << c.value;
    EXPECT_EQ(snapshot.scale, c.want) << c.value;
    if (c.want == 0.0) {
      EXPECT_NE(editorError.find("--scale"), std::string::npos) << editorError;
      EXPECT_NE(snapshotError.find("1, 1.5, 2 or 3"), std::string::npos) << snapshotError;
    }
  }
  EditorOptions missing;
  std::string error;
  EXPECT_FALSE(ParseEditorOptions({"--scale"}, &missing, &error));
}
