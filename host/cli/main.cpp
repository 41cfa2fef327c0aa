// cinderpath: renders audio files through the Cinderpath effect, loading the
// component bundle and driving it only through its Audio Unit entry.
#include <cstdio>
#include <string>
#include <vector>

#include "options.h"
#include "render_job.h"

int main(int argc, char** argv) {
  using namespace cinderpath_cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    std::fputs(UsageText(), args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  std::string error;
  if (command == "render") {
    RenderOptions options;
    if (!ParseRenderOptions(args, &options, &error)) {
      std::fprintf(stderr, "cinderpath: %s\n(see 'cinderpath help')\n", error.c_str());
      return 2;
    }
    return RunRender(options);
  }
  if (command == "info") {
    InfoOptions options;
    if (!ParseInfoOptions(args, &options, &error)) {
      std::fprintf(stderr, "cinderpath: %s\n(see 'cinderpath help')\n", error.c_str());
      return 2;
    }
    return RunInfo(options);
  }
  std::fprintf(stderr, "cinderpath: unknown command '%s'\n(see 'cinderpath help')\n", command.c_str());
  return 2;
}
