#include "snapshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <cinderpath_host/ComponentBundle.h>

#include "IGraphics.h"
#include "IGraphicsBundle.h"
#include "IGraphicsScale.h"
#include "IPlugAU.h"
#include "builtin_effect.h"
#include "lice.h"
#include "render_job.h"
#include "safe_output.h"

#ifndef CINDERPATH_BUNDLE_ID
#error "The build defines CINDERPATH_BUNDLE_ID."
#endif

namespace cinderpath_cli {
namespace {

constexpr double kSampleRateHz = 44100.0;
constexpr UInt32 kBlockFrames = 512;
// Peak of the block that lights the clip light: 18 dB over full scale, so
// that at the default settings (the block is rendered before any other is
// applied) the output goes over full scale.
constexpr float kLoudPeak = 8.0f;

int Fail(const std::string& message) {
  std::fprintf(stderr, "cinderpath: %s\n", message.c_str());
  return 1;
}

// The PNG bytes of a bitmap, written through a private temporary file (the
// image engine writes PNGs to files only).
bool EncodePNG(LICE_IBitmap* bm, std::string* bytes, std::string* error) {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir && *dir ? dir : "/tmp") + "/cinderpath-snapshot-XXXXXX";
  const int fd = mkstemp(&path[0]);
  if (fd < 0) {
    *error = "cannot create a temporary file for the image: " + std::string(std::strerror(errno));
    return false;
  }
  close(fd);
  const bool written = LICE_WritePNG(path.c_str(), bm, false);
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  if (written && in) ss << in.rdbuf();
  in.close();
  unlink(path.c_str());
  *bytes = ss.str();
  if (!written || bytes->empty()) {
    *error = "the image could not be encoded as PNG";
    return false;
  }
  return true;
}

}  // namespace

const char* SnapshotHelpText() {
  return "usage: cinderpath snapshot [-o FILE.png] [--set NAME=VALUE]... [--state FILE]\n"
         "                           [--preset NAME|N] [--clip] [--scale S] [-n]\n"
         "\n"
         "Draws the effect's whole editor (780 x 200 pixels at scale 1) off-screen, as a\n"
         "host would show it after the settings below, and writes it as a PNG. Needs no\n"
         "display.\n"
         "\n"
         "  -o, --output FILE     where to write (default: cinderpath-editor.png); an\n"
         "                        existing file is replaced only when the new one is\n"
         "                        complete\n"
         "  --set NAME=VALUE      set a parameter by name or index, as for render\n"
         "  --preset NAME|N       select a factory preset by name or number (0 .. 15)\n"
         "  --state FILE          restore a state saved with 'render --save-state'\n"
         "                        (the state first, then the preset, then each --set)\n"
         "  --clip                show the clip light lit: a loud block is rendered\n"
         "                        before the settings are applied, so it lights\n"
         "                        whatever they are\n"
         "  --scale S             draw at scale S: 1, 1.5, 2 or 3 (2 gives 1560 x 400);\n"
         "                        without it CINDERPATH_UI_SCALE, else 1\n"
         "  -n, --no-clobber      refuse to replace an existing file (a file that is no\n"
         "                        PNG image is never replaced)\n"
         "  --component PATH      the Cinderpath.component bundle (its images)\n"
         "  -h, --help            this text\n"
         "\n"
         "example\n"
         "  cinderpath snapshot -o warm.png --set Drive=8 --set \"LP On=on\" --clip\n"
         "  cinderpath snapshot -o warm@2x.png --scale 2 --set Drive=8\n";
}

bool ParseSnapshotOptions(const std::vector<std::string>& args, SnapshotOptions* options, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o" || Matches(arg, "--output")) {
      if (!TakeValue(args, &i, arg == "-o" ? "-o" : "--output", &options->output, error)) return false;
      if (options->output.empty()) {
        *error = "-o needs a file name";
        return false;
      }
    } else if (Matches(arg, "--set")) {
      if (!TakeSet(args, &i, &options->sets, error)) return false;
    } else if (Matches(arg, "--preset")) {
      if (!TakePreset(args, &i, &options->preset, error)) return false;
    } else if (Matches(arg, "--state")) {
      if (!TakeValue(args, &i, "--state", &options->stateIn, error)) return false;
    } else if (Matches(arg, "--scale")) {
      if (!TakeScale(args, &i, &options->scale, error)) return false;
    } else if (arg == "--clip") {
      options->clip = true;
    } else if (arg == "-n" || arg == "--no-clobber") {
      options->noClobber = true;
    } else if (Matches(arg, "--component")) {
      if (!TakeValue(args, &i, "--component", &options->component, error)) return false;
    } else if (arg == "-h" || arg == "--help") {
      options->help = true;
    } else {
      *error = "snapshot takes no " + std::string(arg.empty() || arg[0] != '-' ? "argument" : "option") + " '" +
               arg + "'";
      return false;
    }
  }
  return true;
}

bool EditorSnapshot::Open(const std::string& bundlePath, std::string* error) {
  const std::string path = bundlePath.empty() ? DefaultComponentPath() : bundlePath;
  // The editor finds its images in the bundle registered under its own
  // identifier; another plug-in's bundle would leave it blank. (A bundle
  // loads once per process; the session finds it loaded.)
  std::string loadError;
  const cinderpath_host::LoadedBundle* bundle = cinderpath_host::LoadComponentBundle(path, &loadError);
  if (bundle && bundle->Identifier() != CINDERPATH_BUNDLE_ID) {
    *error = "the bundle '" + path + "' is not Cinderpath's: its identifier is " + bundle->Identifier() +
             ", not " CINDERPATH_BUNDLE_ID;
    return false;
  }
  if (!mSession.Open(path, error, &BuiltInEffectEntry)) return false;
  if (!Editor()) {
    mSession.Close();
    *error = "the plug-in has no editor";
    return false;
  }
  // The editor opened its images as it was built; one that is missing or
  // does not decode would leave its controls blank in the picture.
  WDL_String imageError;
  if (!CheckBundleImages(CINDERPATH_BUNDLE_ID, &imageError)) {
    mSession.Close();
    *error = imageError.Get();
    return false;
  }
  return mSession.Configure(2, kSampleRateHz, kBlockFrames, error) && mSession.Initialize(error);
}

bool EditorSnapshot::LightClip(std::string* error) {
  AudioData loud;
  loud.sampleRateHz = kSampleRateHz;
  loud.channels.assign(2, std::vector<float>(kBlockFrames));
  for (UInt32 i = 0; i < kBlockFrames; ++i)
    loud.channels[0][i] = loud.channels[1][i] = kLoudPeak * static_cast<float>(std::sin(i * 0.1));
  std::vector<float> left(kBlockFrames), right(kBlockFrames);
  float* const out[2] = {left.data(), right.data()};
  return mSession.Render(loud, 0, kBlockFrames, out, error);
}

bool EditorSnapshot::Apply(const SnapshotOptions& options, std::string* error) {
  RenderOptions settings;
  settings.sets = options.sets;
  settings.preset = options.preset;
  settings.stateIn = options.stateIn;
  return ApplySettingsOptions(mSession, settings, error);
}

IPlugBase* EditorSnapshot::Plug() const {
  // The instance storage is the object the entry registered when it opened.
  AudioUnit unit = mSession.Unit();
  return unit ? static_cast<IPlugBase*>(reinterpret_cast<IPlugAU*>(GetComponentInstanceStorage(unit))) : nullptr;
}

IGraphics* EditorSnapshot::Editor() const {
  IPlugBase* plug = Plug();
  return plug ? plug->GetGUI() : nullptr;
}

bool EditorSnapshot::SetScale(double scale, std::string* error) {
  IGraphics* gui = Editor();
  if (!gui || !gui->SetScale(scale)) {
    *error = gui ? "the editor cannot draw at that scale" : "the plug-in has no editor";
    return false;
  }
  // The scale's images were opened as the scale was set; one that is
  // missing would be drawn resampled, not as the bundle ships it.
  WDL_String imageError;
  if (!CheckBundleImages(CINDERPATH_BUNDLE_ID, &imageError)) {
    *error = imageError.Get();
    return false;
  }
  return true;
}

bool EditorSnapshot::DrawAll(std::string* error) {
  IGraphics* gui = Editor();
  if (!gui || !gui->GetDrawBitmap()) {
    *error = "the plug-in has no editor to draw";
    return false;
  }
  IRECT all(0, 0, gui->Width(), gui->Height());
  gui->SetAllControlsDirty();
  gui->Draw(&all);
  return true;
}

bool EditorSnapshot::WritePNG(const std::string& path, const std::vector<std::string>& protectedPaths,
                              std::string* error) {
  IGraphics* gui = Editor();
  std::string bytes;
  if (!gui || !EncodePNG(gui->GetDrawBitmap(), &bytes, error)) return false;
  OutputRules rules;
  rules.protectedPaths = protectedPaths;
  rules.what = "image";
  return WriteFileSafely(path, bytes.data(), bytes.size(), rules, error);
}

// Whether path names no file, or one that starts with the PNG signature
// (a device or pipe counts as absent: it is written in place).
static bool IsPngOrAbsent(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
  unsigned char head[8] = {};
  FILE* f = std::fopen(path.c_str(), "rb");
  const bool png = f && std::fread(head, 1, sizeof(head), f) == sizeof(head) &&
                   std::memcmp(head, "\x89PNG\r\n\x1a\n", sizeof(head)) == 0;
  if (f) std::fclose(f);
  return png;
}

int RunSnapshot(const SnapshotOptions& options) {
  std::string error;
  std::vector<std::string> inputs;
  if (!options.stateIn.empty()) inputs.push_back(options.stateIn);
  OutputRules rules;
  rules.protectedPaths = inputs;
  rules.what = "image";
  rules.noClobber = options.noClobber;
  // A target that cannot be written is refused before any work, and so is
  // an existing file that is no PNG image: a picture never replaces audio.
  if (!CheckOutputTarget(options.output, rules, nullptr, &error)) return Fail(error);
  if (options.output != "-" && !IsPngOrAbsent(options.output))
    return Fail("'" + options.output + "' exists and is not a PNG image; snapshot replaces only PNG files");

  // The command's --scale, else the user's environment variable, else 1
  // (no screen is asked: the picture is the same on every machine).
  double scale = options.scale;
  if (scale <= 0.0) {
    char warning[256];
    scale = ChooseEditorScale(std::getenv(kEditorScaleEnvVar), 0.0, 0.0, warning, static_cast<int>(sizeof(warning)));
    if (*warning) std::fprintf(stderr, "cinderpath: %s\n", warning);
  }
  EditorSnapshot snapshot;
  if (!snapshot.Open(options.component, &error)) return Fail(error);
  if (scale != 1.0 && !snapshot.SetScale(scale, &error)) return Fail(error);
  if (options.clip && !snapshot.LightClip(&error)) return Fail("lighting the clip light: " + error);
  if (!snapshot.Apply(options, &error) || !snapshot.DrawAll(&error) ||
      !snapshot.WritePNG(options.output, inputs, &error))
    return Fail(error);
  IGraphics* gui = snapshot.Editor();
  if (options.output != "-")
    std::printf("%s: the editor, %d x %d pixels\n", options.output.c_str(), gui->Width(), gui->Height());
  return 0;
}

}  // namespace cinderpath_cli
