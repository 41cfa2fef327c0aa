// The snapshot command: the editor of the effect opened through its Audio
// Unit entry, set through that entry, drawn off-screen and written as a PNG.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "IGraphicsBundle.h"
#include "editor_regions.h"
#include "snapshot.h"
#include "temp_dir.h"

namespace {

using cinderpath_cli::EditorSnapshot;
using cinderpath_cli::ParamDesc;
using cinderpath_cli::SnapshotOptions;

const std::string kBundle = std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component";

// A snapshot of the built bundle's effect, drawn after options.
void Take(EditorSnapshot& snap, const SnapshotOptions& options) {
  std::string error;
  ASSERT_TRUE(snap.Open(kBundle, &error)) << error;
  if (options.clip) {
    ASSERT_TRUE(snap.LightClip(&error)) << error;
  }
  ASSERT_TRUE(snap.Apply(options, &error)) << error;
  ASSERT_TRUE(snap.DrawAll(&error)) << error;
}

// The pictures the plug-in's own editor tests guard: the snapshot path must
// give the same pixels.
TEST(Snapshot, DefaultsAndSettingsMatchTheGoldenPanels) {
  {
    EditorSnapshot snap;
    Take(snap, SnapshotOptions());
    editor_regions::ExpectMatchesGolden(snap.Editor(), "cinderpath_defaults.png");
  }
  SnapshotOptions options;
  options.clip = true;
  const struct {
    int idx;
    const char* value;
  } sets[] = {{kDrive, "9.5"}, {kBoost, "12"}, {kBias, "7.25"}, {kVolume, "-6"}, {kCutoff, "4.5"},
              {kResonance, "0.6"}, {kLPOn, "on"}, {kPeakOn, "on"}, {kPeakGain, "6"}, {kOS, "8"},
              {kBypass, "1"}, {kPhase, "on"}};
  for (const auto& s : sets) options.sets.emplace_back(std::to_string(s.idx), s.value);
  EditorSnapshot snap;
  Take(snap, options);
  editor_regions::ExpectMatchesGolden(snap.Editor(), "cinderpath_settings.png");
}

// Each of the parameters, set through the Audio Unit entry to the end of
// its range away from its default, changes its own controls and no other
// pixel.
TEST(Snapshot, EachParameterSetThroughTheEntryReachesOnlyItsControls) {
  std::vector<ParamDesc> params;
  {
    EditorSnapshot probe;
    std::string error;
    ASSERT_TRUE(probe.Open(kBundle, &error)) << error;
    ASSERT_TRUE(probe.Session().ReadParameters(&params, &error)) << error;
  }
  ASSERT_EQ(static_cast<int>(params.size()), kNumParams);
  for (const ParamDesc& p : params) {
    EditorSnapshot snap;
    Take(snap, SnapshotOptions());
    IGraphics* gui = snap.Editor();
    const std::vector<LICE_pixel> before = editor_regions::Pixels(gui);
    const bool lowDefault = p.defaultValue - p.minValue < p.maxValue - p.defaultValue;
    std::string error;
    ASSERT_TRUE(snap.Session().SetParameter(p.id, lowDefault ? p.maxValue : p.minValue, &error)) << error;
    ASSERT_TRUE(snap.DrawAll(&error)) << error;
    editor_regions::ExpectOnlyItsControlsChange(gui, static_cast<int>(p.id), before, editor_regions::Pixels(gui));
  }
}

// A bundle whose image is missing, cut short or no PNG at all: the command
// names the file, fails and writes nothing (the bundle is a copy, loaded by
// a program of its own, as a bundle loads once per process).
TEST(Snapshot, ABundleImageMissingOrUnreadableIsAnErrorNamingIt) {
  const struct {
    const char* image;
    const char* damage;  // shell command run in the copy's Resources folder
  } cases[] = {
      {"KnobB.png", "rm KnobB.png"},
      {"KnobS.png", "head -c 60 KnobS.png >cut && mv cut KnobS.png"},
      {"Back.png", "echo 'not an image' >Back.png"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string copy = dir / "Cinderpath.component";
    const std::string prepare = "cp -R '" + kBundle + "' '" + copy + "' && cd '" + copy + "/Contents/Resources' && " +
                                c.damage;
    ASSERT_EQ(std::system(prepare.c_str()), 0) << prepare;
    const std::string run = "cd '" + dir.path + "' && '" CINDERPATH_PROGRAM "' snapshot --component '" + copy +
                            "' -o out.png >stdout 2>stderr";
    const int status = std::system(run.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << c.image;
    EXPECT_EQ(WEXITSTATUS(status), 1) << c.image;
    std::ifstream err(dir / "stderr");
    std::stringstream text;
    text << err.rdbuf();
    EXPECT_NE(text.str().find(c.image), std::string::npos) << c.image << ": " << text.str();
    EXPECT_FALSE(std::ifstream(dir / "out.png").good()) << c.image << ": a picture was written";
  }
}

// At scale 2 the snapshot is 1560 x 400 and drawn from the scale's own
// images and text, not the scale-1 picture with every pixel doubled; a
// missing scale-2 image is an error naming it.
TEST(Snapshot, AtScaleTwoTheEditorIsDrawnNotEnlarged) {
  std::string error;
  EditorSnapshot one;
  Take(one, SnapshotOptions());
  const std::vector<LICE_pixel> small = editor_regions::Pixels(one.Editor());
  EditorSnapshot two;
  ASSERT_TRUE(two.Open(kBundle, &error)) << error;
  ASSERT_TRUE(two.SetScale(2.0, &error)) << error;
  ASSERT_TRUE(two.DrawAll(&error)) << error;
  IGraphics* gui = two.Editor();
  ASSERT_EQ(gui->Width(), 1560);
  ASSERT_EQ(gui->Height(), 400);
  const std::vector<LICE_pixel> big = editor_regions::Pixels(gui);
  size_t differ = 0;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 1560; ++x) differ += big[(size_t)y * 1560 + x] != small[(size_t)(y / 2) * 780 + x / 2];
  // Smooth gradients and flat areas may repeat; edges, text and knob
  // markings must not.
  EXPECT_GT(differ, big.size() / 10) << differ << " of " << big.size() << " pixels differ from the doubled picture";

  TempDir dir;
  const std::string copy = dir / "Cinderpath.component";
  const std::string prepare = "cp -R '" + kBundle + "' '" + copy + "' && rm '" + copy + "/Contents/Resources/KnobS@2x.png'";
  ASSERT_EQ(std::system(prepare.c_str()), 0) << prepare;
  const std::string run = "cd '" + dir.path + "' && '" CINDERPATH_PROGRAM "' snapshot --scale 2 --component '" + copy +
                          "' -o out.png >stdout 2>stderr";
  const int status = std::system(run.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::ifstream err(dir / "stderr");
  std::stringstream text;
  text << err.rdbuf();
  EXPECT_NE(text.str().find("KnobS@2x.png"), std::string::npos) << text.str();
  EXPECT_FALSE(std::ifstream(dir / "out.png").good()) << "a picture was written";
}

// Both bundles carry the editor's font with its licence, and the font loads
// from each of them.
TEST(Snapshot, BothBundlesShipTheEditorFontAndItsLicence) {
  const std::string folders[] = {kBundle + "/Contents/Resources",
                                 std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.lv2/resources"};
  for (const std::string& folder : folders) {
    for (const char* file : {kEditorFontFile, kEditorFontLicenceFile})
      EXPECT_TRUE(std::ifstream(folder + "/" + file).good()) << folder << "/" << file;
    EXPECT_TRUE(LoadEditorFont(folder.c_str())) << folder;
  }
}

}  // namespace
