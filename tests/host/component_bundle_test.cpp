// The bundle loader with fake component executables: a good bundle end to
// end, then manifests and executables that are missing, corrupt or wrong.
#include "cinderpath_host/ComponentBundle.h"

#include <MacOSCompat/MacOSCompat.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>

using namespace cinderpath_host;

namespace {

const std::string kFakeDir = std::string(CINDERPATH_BINARY_DIR) + "/tests/fake_components/";
const std::string kBundles = std::string(CINDERPATH_BINARY_DIR) + "/tests/host/bundles/";
constexpr AudioUnitPropertyID kFakeProperty_FoundOwnBundle = 64000;

constexpr OSType Code(const char (&text)[5]) {
  return (OSType)(unsigned char)text[0] << 24 | (OSType)(unsigned char)text[1] << 16 |
         (OSType)(unsigned char)text[2] << 8 | (OSType)(unsigned char)text[3];
}

void MakeDirs(const std::string& path) {
  for (size_t i = 1; i <= path.size(); i++)
    if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

void CopyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  ASSERT_TRUE(in.good()) << from;
  std::ofstream(to, std::ios::binary) << in.rdbuf();
}

std::string ComponentDict(const char* type, const char* sub, const char* entry,
                          const std::string& extra = "") {
  return std::string("<dict><key>type</key><string>") + type + "</string>" +
         "<key>subtype</key><string>" + sub + "</string>" +
         "<key>manufacturer</key><string>Exmp</string>" +
         "<key>entryPoint</key><string>" + entry + "</string>" + extra + "</dict>";
}

std::string Manifest(const std::string& identifier, const std::string& components,
                     const std::string& executable = "Fake") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
         "<key>CFBundleIdentifier</key><string>" + identifier + "</string>\n"
         "<key>CFBundleExecutable</key><string>" + executable + "</string>\n"
         "<key>AudioComponents</key><array>" + components + "</array>\n</dict>\n</plist>\n";
}

// Makes bundles/<name>.component with the manifest text (none when empty)
// and a copy of the executable (none when empty); returns its path.
std::string MakeBundle(const std::string& name, const std::string& manifest,
                       const std::string& executable = "compat_fake_unit.so",
                       const std::string& exeName = "Fake") {
  std::string root = kBundles + name + ".component";
  MakeDirs(root + "/Contents/Linux");
  MakeDirs(root + "/Contents/Resources");
  if (!manifest.empty()) WriteFile(root + "/Contents/Info.plist", manifest);
  if (!executable.empty()) CopyFile(kFakeDir + executable, root + "/Contents/Linux/" + exeName + ".so");
  return root;
}

std::string GoodManifest(const std::string& identifier, const char* sub) {
  return Manifest(identifier,
                  ComponentDict("aufx", sub, "FakeUnit_Entry",
                                "<key>name</key><string>Example: Fake</string>"
                                "<key>version</key><integer>65536</integer>") +
                      ComponentDict("auvw", sub, "FakeUnit_ViewEntry"));
}

TEST(ComponentBundle, LoadsRegistersAndOpensInstances) {
  std::string path = MakeBundle("Good", GoodManifest("com.example.fake", "Good"));
  std::string error;
  LoadStatus status = LoadStatus::kNotABundle;
  const LoadedBundle* bundle = LoadComponentBundle(path + "/", &error, &status);
  ASSERT_NE(nullptr, bundle) << error;
  EXPECT_EQ(LoadStatus::kOk, status) << error;
  EXPECT_EQ("com.example.fake", bundle->Identifier());
  EXPECT_EQ(path, bundle->Path());
  EXPECT_EQ(path + "/Contents/Linux/Fake.so", bundle->ExecutablePath());
  ASSERT_EQ(2u, bundle->Components().size());
  EXPECT_EQ(bundle, LoadComponentBundle(path, nullptr));  // once per process
  EXPECT_EQ(bundle->Bundle(), CFBundleGetBundleWithIdentifier(CFSTR("com.example.fake")));

  const BundleComponent* effect = bundle->Find(Code("aufx"), Code("Good"), Code("Exmp"));
  ASSERT_NE(nullptr, effect);
  EXPECT_EQ("Example: Fake", effect->name);
  EXPECT_EQ(65536u, effect->version);
  EXPECT_EQ("FakeUnit_Entry", effect->entryName);
  EXPECT_EQ(bundle->Find(Code("auvw")), &bundle->Components()[1]);
  EXPECT_EQ(nullptr, bundle->Find(Code("aumu")));
  ComponentDescription look = {Code("aufx"), Code("Good"), 0, 0, 0};
  EXPECT_EQ(effect->component, FindNextComponent(nullptr, &look));
  EXPECT_EQ(bundle->Bundle(), CompatGetComponentBundle(effect->component));

  UnitHandle unit;
  ASSERT_EQ(noErr, unit.Open(effect->component));
  ComponentDescription desc = {};
  EXPECT_EQ(noErr, GetComponentInfo((Component)unit.Get(), &desc, nullptr, nullptr, nullptr));
  EXPECT_EQ(Code("Good"), desc.componentSubType);
  EXPECT_EQ(0x10000, CallComponentVersion(unit.Get()));
  // The plug-in found its own bundle by identifier while it was being opened.
  UInt32 found = 0, size = sizeof found;
  EXPECT_EQ(noErr, AudioUnitGetProperty(unit.Get(), kFakeProperty_FoundOwnBundle,
                                        kAudioUnitScope_Global, 0, &found, &size));
  EXPECT_EQ(1u, found);
  EXPECT_EQ(noErr, AudioUnitInitialize(unit.Get()));
  EXPECT_EQ(badComponentSelector, AudioUnitReset(unit.Get(), kAudioUnitScope_Global, 0));

  // Two instances keep their own parameters.
  UnitHandle second;
  ASSERT_EQ(noErr, second.Open(effect->component));
  EXPECT_EQ(noErr, AudioUnitSetParameter(unit.Get(), 0, kAudioUnitScope_Global, 0, 2.0f, 0));
  AudioUnitParameterValue value = 0;
  EXPECT_EQ(noErr, AudioUnitGetParameter(second.Get(), 0, kAudioUnitScope_Global, 0, &value));
  EXPECT_EQ(1.0f, value);
  EXPECT_EQ(kAudioUnitErr_InvalidParameter,
            AudioUnitSetParameter(unit.Get(), 4, kAudioUnitScope_Global, 0, 2.0f, 0));

  // Render through the entry.
  float samples[4] = {};
  AudioBufferList list = {1, {{1, sizeof samples, samples}}};
  AudioTimeStamp ts = {};
  ts.mSampleTime = 10;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags flags = 0;
  EXPECT_EQ(noErr, AudioUnitRender(unit.Get(), &flags, &ts, 0, 4, &list));
  EXPECT_EQ(26.0f, samples[3]);  // (10 + 3) * gain 2

  EXPECT_EQ(2, CountComponentInstances(effect->component));
  UnitHandle moved(std::move(second));
  EXPECT_FALSE(second);
  EXPECT_TRUE(moved);
  EXPECT_EQ(noErr, moved.Close());
  EXPECT_EQ(noErr, moved.Close());  // nothing open: nothing to do
  AudioUnit raw = unit.Get();
  EXPECT_EQ(noErr, unit.Close());
  EXPECT_EQ(badComponentInstance, AudioUnitInitialize(raw));
  EXPECT_EQ(0, CountComponentInstances(effect->component));

  UnitHandle view;
  EXPECT_EQ(noErr, view.Open(bundle->Find(Code("auvw"))->component));
}

// Nothing of a refused bundle may stay registered or alive.
void ExpectNothingRegistered(const char* subtype, CFStringRef identifier) {
  OSType sub = (OSType)(unsigned char)subtype[0] << 24 | (OSType)(unsigned char)subtype[1] << 16 |
               (OSType)(unsigned char)subtype[2] << 8 | (OSType)(unsigned char)subtype[3];
  ComponentDescription look = {0, sub, 0, 0, 0};
  EXPECT_EQ(0, CountComponents(&look)) << subtype;
  EXPECT_EQ(nullptr, CFBundleGetBundleWithIdentifier(identifier)) << subtype;
}

TEST(ComponentBundle, ManifestFaultsAreReportedAndNothingIsRegistered) {
  const std::string good = ComponentDict("aufx", "Bad0", "FakeUnit_Entry");
  struct Case {
    const char* name;
    std::string manifest;
    LoadStatus status;
    const char* messagePart;
  } cases[] = {
      {"NoManifest", "", LoadStatus::kManifestMissing, "no manifest"},
      {"NotXml", "this is not a property list", LoadStatus::kManifestCorrupt, "line 1"},
      {"Truncated", GoodManifest("com.example.bad", "Bad0").substr(0, 150),
       LoadStatus::kManifestCorrupt, "cannot be read"},
      {"NotADict", "<plist><array/></plist>", LoadStatus::kManifestCorrupt, "not a dictionary"},
      {"NoIdentifier", Manifest("", good), LoadStatus::kManifestIncomplete, "CFBundleIdentifier"},
      {"ExeWithSlash", Manifest("com.example.bad", good, "../Fake"),
       LoadStatus::kManifestIncomplete, "CFBundleExecutable"},
      {"NoComponents", Manifest("com.example.bad", ""), LoadStatus::kManifestIncomplete,
       "AudioComponents"},
      {"ItemNotDict", Manifest("com.example.bad", "<string>x</string>"),
       LoadStatus::kManifestIncomplete, "item 0 is not a dictionary"},
      {"ShortType", Manifest("com.example.bad", ComponentDict("fx", "Bad0", "FakeUnit_Entry")),
       LoadStatus::kManifestIncomplete, "type"},
      {"BadEntryName", Manifest("com.example.bad", ComponentDict("aufx", "Bad0", "Fake Entry")),
       LoadStatus::kManifestIncomplete, "entryPoint"},
      {"BadVersion",
       Manifest("com.example.bad",
                ComponentDict("aufx", "Bad0", "FakeUnit_Entry",
                              "<key>version</key><integer>-1</integer>")),
       LoadStatus::kManifestIncomplete, "version"},
      // The second component is bad: the first must not stay registered.
      {"SecondBad", Manifest("com.example.bad", good + ComponentDict("aufx", "Bad0", "")),
       LoadStatus::kManifestIncomplete, "item 1"},
  };
  for (const Case& c : cases) {
    std::string path = MakeBundle(std::string("Manifest") + c.name, c.manifest);
    std::string error;
    LoadStatus status = LoadStatus::kOk;
    EXPECT_EQ(nullptr, LoadComponentBundle(path, &error, &status)) << c.name;
    EXPECT_EQ(c.status, status) << c.name << ": " << LoadStatusName(status);
    EXPECT_NE(std::string::npos, error.find(c.messagePart)) << c.name << ": " << error;
    ExpectNothingRegistered("Bad0", CFSTR("com.example.bad"));
  }
}

TEST(ComponentBundle, ExecutableFaultsAreReportedAndNothingIsRegistered) {
  const std::string manifest =
      Manifest("com.example.bad", ComponentDict("aufx", "Bad1", "FakeUnit_Entry") +
                                      ComponentDict("auvw", "Bad1", "FakeUnit_Missing"));
  std::string error;
  LoadStatus status = LoadStatus::kOk;

  std::string noExe = MakeBundle("NoExecutable", manifest, "");
  EXPECT_EQ(nullptr, LoadComponentBundle(noExe, &error, &status));
  EXPECT_EQ(LoadStatus::kExecutableMissing, status);
  EXPECT_NE(std::string::npos, error.find("Contents/Linux/Fake.so"));

  std::string junk = MakeBundle("JunkExecutable", manifest, "");
  WriteFile(junk + "/Contents/Linux/Fake.so", "not an ELF file");
  EXPECT_EQ(nullptr, LoadComponentBundle(junk, &error, &status));
  EXPECT_EQ(LoadStatus::kExecutableUnloadable, status);

  // A library that exports no entry at all.
  std::string noEntry = MakeBundle(
      "NoEntry", Manifest("com.example.bad", ComponentDict("aufx", "Bad1", "FakeUnit_Entry")),
      "compat_fake_noentry.so");
  EXPECT_EQ(nullptr, LoadComponentBundle(noEntry, &error, &status));
  EXPECT_EQ(LoadStatus::kEntryMissing, status);
  EXPECT_NE(std::string::npos, error.find("FakeUnit_Entry"));

  // The first entry exists, the second does not: neither is registered.
  std::string partly = MakeBundle("PartlyMissing", manifest);
  EXPECT_EQ(nullptr, LoadComponentBundle(partly, &error, &status));
  EXPECT_EQ(LoadStatus::kEntryMissing, status);
  EXPECT_NE(std::string::npos, error.find("FakeUnit_Missing"));
  ExpectNothingRegistered("Bad1", CFSTR("com.example.bad"));

  EXPECT_EQ(nullptr, LoadComponentBundle(kBundles + "Nowhere.component", &error, &status));
  EXPECT_EQ(LoadStatus::kNotABundle, status);
  EXPECT_EQ(nullptr, LoadComponentBundle(partly + "/Contents/Info.plist", &error, &status));
  EXPECT_EQ(LoadStatus::kNotABundle, status);
}

TEST(ComponentBundle, IdentifiersAreUniqueAmongLoadedBundles) {
  std::string first = MakeBundle("First", GoodManifest("com.example.twin", "Twn1"));
  std::string second = MakeBundle("Second", GoodManifest("com.example.twin", "Twn2"));
  ASSERT_NE(nullptr, LoadComponentBundle(first, nullptr));
  std::string error;
  LoadStatus status = LoadStatus::kOk;
  EXPECT_EQ(nullptr, LoadComponentBundle(second, &error, &status));
  EXPECT_EQ(LoadStatus::kIdentifierInUse, status);
  EXPECT_NE(std::string::npos, error.find(first));
  ComponentDescription look = {0, Code("Twn2"), 0, 0, 0};
  EXPECT_EQ(0, CountComponents(&look));
}

TEST(ComponentBundle, FindsBundlesInAFolder) {
  std::string folder = kBundles + "scan";
  MakeDirs(folder + "/b.component");
  MakeDirs(folder + "/a.component");
  MakeDirs(folder + "/c.bundle");
  WriteFile(folder + "/d.component", "a file, not a folder");
  std::vector<std::string> found = FindComponentBundles(folder);
  ASSERT_EQ(2u, found.size());
  EXPECT_EQ(folder + "/a.component", found[0]);
  EXPECT_EQ(folder + "/b.component", found[1]);
  EXPECT_TRUE(FindComponentBundles(folder + "/missing").empty());
}

TEST(ComponentBundle, FourCharacterCodes) {
  OSType code = 0;
  EXPECT_TRUE(StringToFourCharCode("Cdpm", &code));
  EXPECT_EQ(Code("Cdpm"), code);
  EXPECT_EQ("Cdpm", FourCharCodeToString(code));
  EXPECT_EQ("a\\x01bc", FourCharCodeToString(0x61016263));
  EXPECT_FALSE(StringToFourCharCode("abc", &code));
  EXPECT_FALSE(StringToFourCharCode("abcde", &code));
  EXPECT_FALSE(StringToFourCharCode(std::string("ab\ncd", 4), &code));
  EXPECT_STREQ("manifest corrupt", LoadStatusName(LoadStatus::kManifestCorrupt));
}

}  // namespace
