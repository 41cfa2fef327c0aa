// Dialogs, addresses and bundle resources through the desktop's helper
// programs (zenity for dialogs, xdg-open for addresses) and the bundle
// registry.
#include <CoreFoundation/CoreFoundation.h>
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
  if (!url || !url[0]) return false;
  return Run({"xdg-open", url}, nullptr) == 0;
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
