// The two jobs of the cinderpath program: rendering a file through the effect
// and describing the effect as a host sees it.
#pragma once

#include "options.h"
#include "plugin_session.h"
#include "safe_output.h"

namespace cinderpath_cli {

// Each returns the process exit code (0 on success) and prints one clear
// message on stderr for a failure. [main thread]
int RunRender(const RenderOptions& options);
int RunInfo(const InfoOptions& options);

// Applies the settings options (--state, --bank, --program, --preset, then
// the --settings file and each --set, as render applies them) to an open session. False with one
// clear message; a bad --set value is found before anything is applied.
// [main thread]
bool ApplySettingsOptions(PluginSession& session, const RenderOptions& options, std::string* error);

// Where the component bundle is looked for when --component is not given:
// $CINDERPATH_COMPONENT, then beside the program's build tree.
std::string DefaultComponentPath();

// Writes the session's state (the class-info property list, as XML) to path
// under rules. [main thread]
bool SaveStateFile(PluginSession& session, const std::string& path, const OutputRules& rules, std::string* error);
// Writes the session's settings (NAME=VALUE lines) to path under the state
// file's rules, named as a settings file. [main thread]
bool SaveSettingsFile(PluginSession& session, const std::string& path, const OutputRules& stateRules,
                      std::string* error);

}  // namespace cinderpath_cli
