// cinderpath: renders audio files through the Cinderpath effect, loading the
// component bundle and driving it only through its Audio Unit entry.
#include <cstdio>
#include <string>
#include <vector>

#include "editor_command.h"
#include "options.h"
#include "render_job.h"
#include "snapshot.h"

int main(int argc, char** argv) {
  using namespace cinderpath_cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(UsageText(), stderr);
    return 2;
  }
  if (args[0] == "--version" || args[0] == "version") {
    std::fputs(VersionText(), stdout);
    return 0;
  }
  if (args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    const std::string topic = args.size() > 1 ? args[1] : std::string();
    if (topic.empty()) std::fputs(UsageText(), stdout);
    else if (topic == "render") std::fputs(RenderHelpText(), stdout);
    else if (topic == "info") std::fputs(InfoHelpText(), stdout);
    else if (topic == "snapshot") std::fputs(SnapshotHelpText(), stdout);
    else if (topic == "editor") std::fputs(EditorHelpText(), stdout);
    else {
      std::fprintf(stderr, "cinderpath: no help on '%s'; the commands are render, info, snapshot and editor\n",
                   topic.c_str());
      return 2;
    }
    return 0;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  std::string error;
  if (command == "render") {
    RenderOptions options;
    if (!ParseRenderOptions(args, &options, &error)) {
      std::fprintf(stderr, "cinderpath: %s\n(see 'cinderpath help render')\n", error.c_str());
      return 2;
    }
    if (options.help) {
      std::fputs(RenderHelpText(), stdout);
      return 0;
    }
    return RunRender(options);
  }
  if (command == "info") {
    InfoOptions options;
    if (!ParseInfoOptions(args, &options, &error)) {
      std::fprintf(stderr, "cinderpath: %s\n(see 'cinderpath help info')\n", error.c_str());
      return 2;
    }
    if (options.help) {
      std::fputs(InfoHelpText(), stdout);
      return 0;
    }
    return RunInfo(options);
  }
  if (command == "snapshot") {
    SnapshotOptions options;
    if (!ParseSnapshotOptions(args, &options, &error)) {
      std::fprintf(stderr, "cinderpath: %s\n(see 'cinderpath help snapshot')\n", error.c_str());
      return 2;
    }
    if (options.help) {
      std::fputs(SnapshotHelpText(), stdout);
      return 0;
    }
    return RunSnapshot(options);
  }
  if (command == "editor") {
    EditorOptions options;
    if (!ParseEditorOptions(args, &options, &error)) {
      std::fprintf(stderr, "cinderpath: %s\n(see 'cinderpath help editor')\n", error.c_str());
      return 2;
    }
    if (options.help) {
      std::fputs(EditorHelpText(), stdout);
      return 0;
    }
    return RunEditor(options);
  }
  std::fprintf(stderr, "cinderpath: unknown command '%s'\n(see 'cinderpath help')\n", command.c_str());
  return 2;
}
