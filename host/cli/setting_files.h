// The files the settings options read (--state, --program, --bank): read
// only when they are regular files within a size cap, and, when one is
// refused, a plain-words reason naming what is wrong with it.
#pragma once

#include <MacTypes.h>

#include <string>

namespace cinderpath_cli {

// Largest state, program or bank file read, in bytes: the plug-in's own cap
// for program and bank files (a state file holds less than a bank).
long MaxSettingFileBytes();

// Reads the whole file at path into bytes. Anything that is not a regular
// file (a folder, a device, a pipe) and any file over maxBytes is refused
// before a byte is read, with an error naming the path as what ("state
// file", "program file"). [main thread]
bool ReadCappedFile(const std::string& path, const char* what, long maxBytes, std::string* bytes,
                    std::string* error);

// What the first bytes of a file say it is, as "a program file", "a bank
// file", "a state file", "an audio file (WAV)", "an LV2 preset or state
// (Turtle text)" and the like; "" when they say nothing known. [any thread]
std::string DescribeFileKind(const std::string& bytes);

// Which option reads a file of the kind DescribeFileKind found, as advice
// ("load it with --program"); "" when none does. [any thread]
std::string OptionForFileKind(const std::string& bytes);

// For a file given as a state file that looks like another kind, what it
// is and which option reads it ("is a program file, not a state file: load
// it with --program"); "" otherwise. [any thread]
std::string StateFileMismatch(const std::string& bytes);

// Why a plug-in with this unique ID and parameter count refuses a program
// (bank false) or bank file's bytes: not such a file at all (and what it
// looks like), the other kind, another plug-in's (both IDs named), another
// parameter count, or cut short at byte N. Falls back to a generic reason.
// [any thread]
std::string PluginFileRefusal(bool bank, const std::string& bytes, OSType pluginID, int nParams);

}  // namespace cinderpath_cli
