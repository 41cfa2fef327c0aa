// Dialogs, addresses and bundle resources through the desktop's helper
// programs (zenity for dialogs, xdg-open for addresses, started detached)
// and the bundle registry.
#include <CoreFoundation/CoreFoundation.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "swell-wnd.h"

extern char** environ;

namespace
{

// Runs a program found on PATH and waits for it; its standard output is
// collected into *out when out is not null. Returns its exit status, or -1
// when it could not be started or did not exit normally.
int Run(const std::vector<std::string>& args, std::string* out)
{
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int pipeFd[2] = {-1, -1};
  if (out && pipe(pipeFd) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out)
  {
    posix_spawn_file_actions_adddup2(&actions, pipeFd[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFd[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFd[1]);
  }
  pid_t pid = -1;
  const int err = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (out) close(pipeFd[1]);
  if (err != 0)
  {
    if (out) close(pipeFd[0]);
    return -1;
  }
  if (out)
  {
    char buf[4096];
    for (;;)
    {
      const ssize_t n = read(pipeFd[0], buf, sizeof(buf));
      if (n > 0) out->append(buf, static_cast<size_t>(n));
      else if (n < 0 && errno == EINTR) continue;
      else break;
    }
    close(pipeFd[0]);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
  {
    if (errno != EINTR) return -1;
  }
  if (!WIFEXITED(status)) return -1;
  const int code = WEXITSTATUS(status);
  return code == 127 ? -1 : code; // 127: the shell's "command not found"
}

bool CopyOut(const std::string& s, char* out, int outSize)
{
  if (!out || outSize <= 0 || s.size() + 1 > static_cast<size_t>(outSize)) return false;
  memcpy(out, s.c_str(), s.size() + 1);
  return true;
}

} // namespace

int SWELL_MessageBox(const char* text, const char* caption, int buttons)
{
  std::vector<std::string> args = {"zenity", buttons == kSwellMbOk ? "--info" : "--question", "--no-markup",
                                   std::string("--text=") + (text ? text : ""),
                                   std::string("--title=") + (caption ? caption : "")};
  if (buttons == kSwellMbOkCancel)
  {
    args.push_back("--ok-label=OK");
    args.push_back("--cancel-label=Cancel");
  }
  else if (buttons == kSwellMbYesNo || buttons == kSwellMbYesNoCancel)
  {
    args.push_back("--ok-label=Yes");
    args.push_back("--cancel-label=No");
    if (buttons == kSwellMbYesNoCancel) args.push_back("--extra-button=Cancel");
  }
  // An extra button exits like the cancel button but names itself on the
  // standard output.
  std::string said;
  const int code = Run(args, &said);
  if (code < 0 || code > 1) return kSwellIdError;
  switch (buttons)
  {
  case kSwellMbOk: return kSwellIdOk;
  case kSwellMbYesNo: return code == 0 ? kSwellIdYes : kSwellIdNo;
  case kSwellMbYesNoCancel:
    if (code == 0) return kSwellIdYes;
    return said.compare(0, 6, "Cancel") == 0 ? kSwellIdCancel : kSwellIdNo;
  default: return code == 0 ? kSwellIdOk : kSwellIdCancel;
  }
}

bool SWELL_FileDialog(bool save, const char* dir, const char* name, const char* extensions, char* out, int outSize)
{
  std::vector<std::string> args = {"zenity", "--file-selection"};
  if (save)
  {
    args.push_back("--save");
    args.push_back("--confirm-overwrite");
  }
  std::string start = dir && dir[0] ? std::string(dir) + "/" : std::string();
  if (name) start += name;
  if (!start.empty()) args.push_back("--filename=" + start);
  if (extensions && extensions[0])
  {
    std::string filter = "--file-filter=";
    for (const char* p = extensions; *p;)
    {
      while (*p == ' ') ++p;
      const char* e = p;
      while (*e && *e != ' ') ++e;
      if (e > p) filter += "*." + std::string(p, e) + " ";
      p = e;
    }
    args.push_back(filter);
  }
  std::string chosen;
  if (Run(args, &chosen) != 0) return false;
  while (!chosen.empty() && (chosen.back() == '\n' || chosen.back() == '\r')) chosen.pop_back();
  return !chosen.empty() && CopyOut(chosen, out, outSize);
}

bool SWELL_OpenURL(const char* url)
{
  // An address starting with '-' would reach the handler as an option.
  if (!url || !url[0] || url[0] == '-') return false;
  // A shell in a new session starts the handler in the background and
  // exits at once: the caller (often a host's UI thread) waits only for the
  // shell, the handler and the browser it starts are nobody's children
  // here, and they hold none of the caller's descriptors or signal state.
  static const char kScript[] =
      "command -v xdg-open >/dev/null 2>&1 || exit 127\n"
      "xdg-open \"$1\" &\n"
      "exit 0\n";
  char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(kScript),
                  const_cast<char*>("sh"), const_cast<char*>(url), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  if (posix_spawnattr_init(&attr) != 0)
  {
    posix_spawn_file_actions_destroy(&actions);
    return false;
  }
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int err = posix_spawn(&pid, "/bin/sh", &actions, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (err != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
  {
    if (errno == EINTR) continue;
    // ECHILD: the host reaps children itself (SIGCHLD ignored); the shell
    // was started, which is all there is to report.
    return errno == ECHILD;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool SWELL_GetBundleResourcePath(const char* bundleId, const char* name, const char* type, char* out, int outSize)
{
  if (!bundleId || !name || !out || outSize <= 0) return false;
  CFStringRef id = CFStringCreateWithCString(nullptr, bundleId, kCFStringEncodingUTF8);
  CFStringRef res = CFStringCreateWithCString(nullptr, name, kCFStringEncodingUTF8);
  CFStringRef ext = type ? CFStringCreateWithCString(nullptr, type, kCFStringEncodingUTF8) : nullptr;
  bool ok = false;
  CFBundleRef bundle = id ? CFBundleGetBundleWithIdentifier(id) : nullptr;
  if (bundle && res)
  {
    CFURLRef url = CFBundleCopyResourceURL(bundle, res, ext, nullptr);
    if (url)
    {
      ok = CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(out), outSize);
      CFRelease(url);
    }
  }
  if (ext) CFRelease(ext);
  if (res) CFRelease(res);
  if (id) CFRelease(id);
  return ok;
}
