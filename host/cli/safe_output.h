// Writing a file the user named without ever losing data. Every command that
// writes a file (audio output, saved state, program and bank files) goes
// through these rules:
// - a file that is one of the protected inputs (same device and inode, however
//   it is named: "..", symbolic links, hard links, standard input) is refused;
// - a folder or a block device is refused; a character device or FIFO is
//   written in place as a stream (so "/dev/null" stays a device);
// - a symbolic link is written through: the file it names is replaced and the
//   link stays;
// - an existing regular file is replaced atomically (temporary file beside it,
//   then rename) and keeps its permission bits; one the user could not write
//   (no write permission, or no write bit at all) is refused, and so is any
//   existing regular file when no-clobber is asked for;
// - "-" names standard output, refused while it is a terminal.
// Temporary files are named "<target>.cinderpath-partial-<pid>-XXXXXX"; a later
// write into the same folder removes the ones a process that no longer runs left.
// [main thread, or one worker thread per output]
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace cinderpath_cli {

struct OutputRules {
  bool noClobber = false;                   // refuse any existing regular file
  std::vector<std::string> protectedPaths;  // never written; "-" stands for standard input
  std::string what = "output";              // how messages name the target
};

// Checks a target against the rules without creating anything, so a command
// can refuse before any work. *resolved (optional) receives the file the bytes
// would reach: symbolic links followed, "-" kept. False with a message.
bool CheckOutputTarget(const std::string& path, const OutputRules& rules, std::string* resolved, std::string* error);

// One output being written: open, write through Fd(), then Commit() or Abort().
// Destruction without Commit() aborts: the temporary file is removed and an
// existing target is left as it was.
class SafeOutput {
 public:
  SafeOutput() = default;
  ~SafeOutput();
  SafeOutput(const SafeOutput&) = delete;
  SafeOutput& operator=(const SafeOutput&) = delete;

  bool Open(const std::string& path, const OutputRules& rules, std::string* error);
  int Fd() const { return mFd; }
  // True when the bytes go straight to a device, FIFO or standard output.
  bool IsStream() const { return mStream; }
  // The file the bytes reach (symbolic links followed), or "-".
  const std::string& Target() const { return mTarget; }
  // Writes all of data to Fd(). False with a message.
  bool WriteAll(const void* data, size_t size, std::string* error);
  // Flushes the bytes written so far to the disk (a stream: nothing to do),
  // so that Commit()'s flush has little left to wait for. False with a
  // message when the disk refuses them.
  bool FlushSoFar(std::string* error);
  // Flushes and closes; a temporary file takes the target's permission bits
  // (or the usual ones for a new file) and is renamed over the target.
  bool Commit(std::string* error);
  void Abort();

 private:
  int mFd = -1;
  bool mStream = false;
  bool mReplacing = false;  // an existing regular file is being replaced
  unsigned mOldMode = 0;
  unsigned mOldUid = 0, mOldGid = 0;
  int mSlot = -1;  // interrupt-cleanup slot of the temporary file
  std::string mName;
  std::string mTarget;
  std::string mTempPath;
};

// Writes a whole file under the rules (temporary file + rename). False with a message.
bool WriteFileSafely(const std::string& path, const void* data, size_t size, const OutputRules& rules,
                     std::string* error);

// SIGINT, SIGTERM and SIGHUP remove every temporary file still open, print one
// line saying the command was interrupted, and end the process with the signal.
void InstallInterruptCleanup();

}  // namespace cinderpath_cli
