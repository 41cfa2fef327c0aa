// A private Xvfb server for tests of windows: started on first use on a
// display it picks itself, stopped when the test process exits. Tests skip
// with why() when ok() is false. Also the run-loop pump the tests wait with.
#ifndef XVFB_SERVER_H_
#define XVFB_SERVER_H_

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "swell-wnd.h"
#include "swell-x11.h"

// Skips the test, with the reason, when no X server could be started or the
// window system cannot be reached.
#define REQUIRE_X()                                                                                 \
  do                                                                                                \
  {                                                                                                 \
    if (!XvfbServer::Get().ok() || !swell_X11Display())                                             \
      GTEST_SKIP() << "no X server: " << XvfbServer::Get().why();                                   \
  } while (0)

extern char** environ;

// Pumps the UI run loop until pred holds or about two seconds pass; returns
// pred's last answer.
template <class Pred>
bool PumpUntil(Pred pred)
{
  for (int i = 0; i < 200; ++i)
  {
    if (pred()) return true;
    SWELL_RunLoopPump(0.01);
  }
  return pred();
}

class XvfbServer
{
public:
  static XvfbServer& Get()
  {
    static XvfbServer s;
    return s;
  }
  bool ok() const { return m_ok; }
  const std::string& why() const { return m_why; }
  ~XvfbServer()
  {
    if (m_pid > 0)
    {
      kill(m_pid, SIGTERM);
      waitpid(m_pid, nullptr, 0);
    }
  }

private:
  // Xvfb picks a free display itself and writes its number to fd 3, so
  // parallel test processes never share or collide on a display. It must not
  // reset when its first client leaves: the view's connection follows.
  XvfbServer()
  {
    int fds[2];
    if (pipe(fds) != 0)
    {
      m_why = "no pipe for Xvfb";
      return;
    }
    std::vector<std::string> args = {"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&fa, fds[0]); // before the dup: fds[0] may itself be 3
    posix_spawn_file_actions_adddup2(&fa, fds[1], 3);
    const int err = posix_spawnp(&m_pid, "Xvfb", &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(fds[1]);
    if (err != 0)
    {
      close(fds[0]);
      m_pid = -1;
      m_why = "Xvfb could not be started (not installed?)";
      return;
    }
    std::string number;
    pollfd p = {fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0)
    {
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (number.empty())
    {
      m_why = "Xvfb reported no display";
      return;
    }
    const std::string display = ":" + number;
    setenv("DISPLAY", display.c_str(), 1);
    Display* probe = XOpenDisplay(display.c_str());
    if (!probe)
    {
      m_why = "Xvfb did not accept connections on " + display;
      return;
    }
    XCloseDisplay(probe);
    m_ok = true;
  }
  pid_t m_pid = -1;
  bool m_ok = false;
  std::string m_why;
};


#endif
