// cinderpath snapshot: the effect's editor drawn off-screen and written as a
// PNG, with no display and no window. The effect is the one built into this
// program, opened through its Audio Unit entry exactly as the render command
// opens the bundle's; the bundle supplies the editor's images.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "plugin_session.h"

class IGraphics;
class IPlugBase;

namespace cinderpath_cli {

struct SnapshotOptions {
  std::string output = "cinderpath-editor.png";  // -o FILE.png
  std::vector<std::pair<std::string, std::string>> sets;  // --set NAME=VALUE, in order
  std::string stateIn;                           // --state FILE
  std::string preset;                            // --preset NAME or N; empty: none
  bool clip = false;                             // --clip: the clip light lit
  bool noClobber = false;                        // -n: refuse an existing file
  bool help = false;
  std::string component;                         // --component PATH (bundle location)
  double scale = 0.0;                            // --scale S; 0: CINDERPATH_UI_SCALE, else 1
};

// Parses the arguments after "snapshot". False with a message on bad options.
bool ParseSnapshotOptions(const std::vector<std::string>& args, SnapshotOptions* options, std::string* error);
const char* SnapshotHelpText();
// Returns the exit code: 0 written, 1 failed (nothing written), with one
// clear message on stderr. [main thread]
int RunSnapshot(const SnapshotOptions& options);

// One instance of the built-in effect, opened through its Audio Unit entry,
// with its editor. Tests and benchmarks drive the snapshot through it.
// [main thread]
class EditorSnapshot {
 public:
  // Opens an instance with the bundle at bundlePath (empty: the default
  // location), sets its formats (stereo, 44.1 kHz) and initialises it.
  // False, naming the file, when an image the editor uses is missing from
  // the bundle or does not decode.
  bool Open(const std::string& bundlePath, std::string* error);
  // Renders one loud block, so that the clip light is lit (and stays lit
  // until audio is rendered again; settings do not put it out).
  bool LightClip(std::string* error);
  // --state, --preset and the --set values, through the Audio Unit entry.
  bool Apply(const SnapshotOptions& options, std::string* error);
  // Makes the editor draw at scale (1, 1.5, 2 or 3) and checks that the
  // bundle has every image drawn for it. False with a message.
  bool SetScale(double scale, std::string* error);
  // Draws every control into the editor's off-screen bitmap.
  bool DrawAll(std::string* error);
  // Writes the off-screen bitmap (opaque RGB) under the file rules of the
  // program's other outputs. False with a message.
  bool WritePNG(const std::string& path, const std::vector<std::string>& protectedPaths, std::string* error);

  PluginSession& Session() { return mSession; }
  // The plug-in object behind the instance, and its editor; null before Open.
  IPlugBase* Plug() const;
  IGraphics* Editor() const;

 private:
  PluginSession mSession;
};

}  // namespace cinderpath_cli
