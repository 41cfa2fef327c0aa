#include "safe_output.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace cinderpath_cli {
namespace {

// The process's file-creation mask. Linux reports it in /proc/self/status,
// which reads it without changing it; only where that fails is it read by
// setting and restoring it. Changing the mask while other render threads
// create files or folders would give them the wrong permissions.
mode_t ProcessUmask() {
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned value = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "Umask: %o", &value) == 1;
    std::fclose(f);
    if (found) return static_cast<mode_t>(value & 0777);
  }
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

constexpr const char* kTempMarker = ".cinderpath-partial-";
constexpr int kMaxLinkHops = 40;

// Temporary files open right now, for the interrupt handler: fixed storage so
// the handler touches no heap. A slot is claimed by the thread that creates
// the file (kFree -> kClaimed), filled, published (kInUse) and freed after
// the file is renamed or removed.
constexpr int kSlots = 64;
enum SlotState : int { kFree, kClaimed, kInUse };
std::atomic<int> s_slotState[kSlots];
char s_slotPath[kSlots][4096];

int ClaimSlot(const std::string& path) {
  if (path.size() >= sizeof(s_slotPath[0])) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (s_slotState[i].compare_exchange_strong(expected, kClaimed)) {
      std::memcpy(s_slotPath[i], path.c_str(), path.size() + 1);
      s_slotState[i].store(kInUse);
      return i;
    }
  }
  return -1;  // more files than slots: a later run removes what an interrupt leaves
}

void ReleaseSlot(int slot) {
  if (slot >= 0) s_slotState[slot].store(kFree);
}

void OnInterrupt(int sig) {
  for (int i = 0; i < kSlots; ++i)
    if (s_slotState[i].load() == kInUse) unlink(s_slotPath[i]);
  static const char kMessage[] = "\ncinderpath: interrupted; unfinished output files were removed\n";
  const ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof(kMessage) - 1);
  (void)ignored;
  signal(sig, SIG_DFL);
  raise(sig);
}

std::string Errno() { return std::strerror(errno); }

std::string DirName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links from path to the file they finally name (which may
// not exist yet). False with a message on a loop or an unreadable link.
bool FollowLinks(const std::string& path, std::string* resolved, std::string* error) {
  std::string p = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *resolved = p;
      return true;
    }
    std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 2);
    const ssize_t n = readlink(p.c_str(), buf.data(), buf.size() - 1);
    if (n < 0) {
      *error = "cannot read the link '" + p + "': " + Errno();
      return false;
    }
    const std::string link(buf.data(), static_cast<size_t>(n));
    p = (!link.empty() && link[0] == '/') ? link : DirName(p) + "/" + link;
  }
  *error = "'" + path + "' leads through too many symbolic links";
  return false;
}

// The identity of a protected path, if it exists.
bool IdentityOf(const std::string& path, struct stat* st) {
  if (path == "-") return fstat(STDIN_FILENO, st) == 0;
  return stat(path.c_str(), st) == 0;
}

// Removes temporary files in dir that a process no longer running left behind
// (its id is in the name). Only regular files of this user are touched.
void RemoveStaleTemporaries(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  const std::string marker = kTempMarker;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    const auto at = name.rfind(marker);
    if (at == std::string::npos || at == 0) continue;
    const char* digits = name.c_str() + at + marker.size();
    char* end = nullptr;
    const long pid = std::strtol(digits, &end, 10);
    if (end == digits || *end != '-' || std::strlen(end + 1) != 6 || pid <= 0 || pid == getpid()) continue;
    if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // still running, or not ours to judge
    const std::string full = dir + "/" + name;
    struct stat st;
    if (lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()) unlink(full.c_str());
  }
  closedir(d);
}

// What a checked target is.
enum class TargetKind { kNew, kRegular, kStream, kStdout };

bool Check(const std::string& path, const OutputRules& rules, std::string* resolved, TargetKind* kind,
           struct stat* existing, std::string* error) {
  const std::string quoted = "'" + path + "'";
  if (path.empty()) {
    *error = "no " + rules.what + " file named";
    return false;
  }
  if (path == "-") {
    if (isatty(STDOUT_FILENO)) {
      *error = "standard output is a terminal: redirect it (> file, | program) or name an " + rules.what + " file";
      return false;
    }
    struct stat out;
    for (const std::string& p : rules.protectedPaths) {
      struct stat in;
      if (p != "-" && fstat(STDOUT_FILENO, &out) == 0 && IdentityOf(p, &in) && in.st_dev == out.st_dev &&
          in.st_ino == out.st_ino && S_ISREG(out.st_mode)) {
        *error = "standard output is the input '" + p + "'; it is never overwritten";
        return false;
      }
    }
    *resolved = path;
    *kind = TargetKind::kStdout;
    return true;
  }
  if (path.back() == '/') {
    *error = "the " + rules.what + " " + quoted + " names a folder, not a file";
    return false;
  }
  if (!FollowLinks(path, resolved, error)) return false;
  struct stat st;
  if (stat(resolved->c_str(), &st) != 0) {
    if (errno != ENOENT) {
      *error = "cannot use " + quoted + " as the " + rules.what + ": " + Errno();
      return false;
    }
    struct stat dirSt;
    const std::string dir = DirName(*resolved);
    if (stat(dir.c_str(), &dirSt) != 0 || !S_ISDIR(dirSt.st_mode)) {
      *error = "cannot write " + quoted + ": the folder '" + dir + "' does not exist";
      return false;
    }
    *kind = TargetKind::kNew;
    return true;
  }
  for (const std::string& p : rules.protectedPaths) {
    struct stat in;
    if (IdentityOf(p, &in) && in.st_dev == st.st_dev && in.st_ino == st.st_ino) {
      *error = "the " + rules.what + " " + quoted + " is the input " + (p == "-" ? "(standard input)" : "'" + p + "'") +
               "; it is never overwritten, name another file";
      return false;
    }
  }
  if (S_ISDIR(st.st_mode)) {
    *error = "the " + rules.what + " " + quoted + " is a folder; name a file inside it";
    return false;
  }
  if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
    *kind = TargetKind::kStream;
    *existing = st;
    return true;
  }
  if (!S_ISREG(st.st_mode)) {
    *error = "the " + rules.what + " " + quoted + " is not a regular file, character device or pipe; not written";
    return false;
  }
  if (rules.noClobber) {
    *error = "the " + rules.what + " " + quoted + " exists; not replaced (--no-clobber)";
    return false;
  }
  // As root access() allows everything; a file without any write bit is
  // still one the user marked read-only.
  if (access(resolved->c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0) {
    *error = "the " + rules.what + " " + quoted + " is read-only; not replaced";
    return false;
  }
  *kind = TargetKind::kRegular;
  *existing = st;
  return true;
}

}  // namespace

bool CheckOutputTarget(const std::string& path, const OutputRules& rules, std::string* resolved, std::string* error) {
  std::string r;
  TargetKind kind;
  struct stat st;
  if (!Check(path, rules, &r, &kind, &st, error)) return false;
  if (resolved) *resolved = r;
  return true;
}

SafeOutput::~SafeOutput() { Abort(); }

bool SafeOutput::FlushSoFar(std::string* error) {
  if (mFd < 0 || mStream || fdatasync(mFd) == 0) return true;
  *error = "writing '" + mName + "' to the disk failed: " + Errno();
  return false;
}

bool SafeOutput::Open(const std::string& path, const OutputRules& rules, std::string* error) {
  Abort();
  TargetKind kind;
  struct stat st;
  if (!Check(path, rules, &mTarget, &kind, &st, error)) return false;
  mName = path;
  if (kind == TargetKind::kStdout) {
    mFd = STDOUT_FILENO;
    mStream = true;
    return true;
  }
  if (kind == TargetKind::kStream) {
    mFd = open(mTarget.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (mFd < 0) {
      *error = "cannot write '" + path + "': " + Errno();
      return false;
    }
    mStream = true;
    return true;
  }
  mReplacing = kind == TargetKind::kRegular;
  if (mReplacing) {
    mOldMode = st.st_mode & 07777;
    mOldUid = st.st_uid;
    mOldGid = st.st_gid;
  }
  const std::string dir = DirName(mTarget);
  RemoveStaleTemporaries(dir);
  std::string templ = dir + "/" + BaseName(mTarget) + kTempMarker + std::to_string(getpid()) + "-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  mFd = mkostemp(buf.data(), O_CLOEXEC);
  if (mFd < 0) {
    *error = "cannot create a file in '" + dir + "': " + Errno();
    return false;
  }
  mTempPath = buf.data();
  mSlot = ClaimSlot(mTempPath);
  return true;
}

bool SafeOutput::WriteAll(const void* data, size_t size, std::string* error) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(mFd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = "writing '" + mName + "' failed: " + Errno();
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool SafeOutput::Commit(std::string* error) {
  if (mFd < 0) {
    *error = "the " + mName + " is not open";
    return false;
  }
  if (mStream) {
    const int fd = mFd;
    mFd = -1;
    if (fd != STDOUT_FILENO && close(fd) != 0) {
      *error = "finishing '" + mName + "' failed: " + Errno();
      return false;
    }
    return true;
  }
  // mkstemp makes the file private; give it the replaced file's bits, or the
  // ones any new file gets.
  mode_t mode = mOldMode;
  if (!mReplacing) mode = 0666 & ~ProcessUmask();
  bool ok = fchmod(mFd, mode) == 0;
  if (ok && mReplacing && geteuid() == 0) ok = fchown(mFd, mOldUid, mOldGid) == 0;
  ok = ok && fsync(mFd) == 0;
  const int closeResult = close(mFd);
  mFd = -1;
  if (!ok || closeResult != 0) {
    *error = "finishing '" + mName + "' failed: " + Errno();
    Abort();
    return false;
  }
  if (rename(mTempPath.c_str(), mTarget.c_str()) != 0) {
    *error = "cannot move the finished file into place at '" + mTarget + "': " + Errno();
    Abort();
    return false;
  }
  ReleaseSlot(mSlot);
  mSlot = -1;
  mTempPath.clear();
  return true;
}

void SafeOutput::Abort() {
  if (mFd >= 0 && mFd != STDOUT_FILENO) close(mFd);
  mFd = -1;
  if (!mTempPath.empty()) unlink(mTempPath.c_str());
  mTempPath.clear();
  ReleaseSlot(mSlot);
  mSlot = -1;
  mStream = false;
  mReplacing = false;
}

bool WriteFileSafely(const std::string& path, const void* data, size_t size, const OutputRules& rules,
                     std::string* error) {
  SafeOutput out;
  return out.Open(path, rules, error) && out.WriteAll(data, size, error) && out.Commit(error);
}

void InstallInterruptCleanup() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof(sa));
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
}

}  // namespace cinderpath_cli
