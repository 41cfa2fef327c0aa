// Opening an address: the handler is started in a session of its own and
// the call returns while it still runs; only the start is reported.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <sstream>
#include <string>

#include "swell-wnd.h"

namespace
{

std::string ReadFile(const std::string& path)
{
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Session id of the calling process (field 6 of /proc/self/stat).
std::string OwnSession()
{
  std::string stat = ReadFile("/proc/self/stat");
  const size_t close = stat.rfind(')');
  std::istringstream fields(stat.substr(close + 2));
  std::string f;
  for (int i = 0; i < 4; ++i) fields >> f;  // state, ppid, pgrp, session
  return f;
}

TEST(OutsideWorld, OpenURLStartsTheHandlerDetachedAndReturns)
{
  char dir[] = "/tmp/swell-url-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string folder = dir;
  // A stand-in handler that writes its address and session, then stays
  // until the test lets it go, as a browser started in the foreground would.
  const std::string script = folder + "/xdg-open";
  FILE* f = fopen(script.c_str(), "w");
  ASSERT_NE(f, nullptr);
  fprintf(f,
          "#!/bin/sh\n"
          "cut -d' ' -f6 /proc/$$/stat > '%s/session.tmp'\n"
          "printf '%%s' \"$1\" > '%s/url.tmp'\n"
          "mv '%s/session.tmp' '%s/session'; mv '%s/url.tmp' '%s/url'\n"
          "while [ ! -e '%s/go' ]; do sleep 0.05; done\n"
          ": > '%s/done'\n",
          dir, dir, dir, dir, dir, dir, dir, dir);
  fclose(f);
  chmod(script.c_str(), 0755);
  const std::string saved = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", (folder + ":" + saved).c_str(), 1);

  const char* url = "file:///opt/some%20where/manual.html";
  auto opened = std::async(std::launch::async, [url] { return SWELL_OpenURL(url); });
  const bool returned = opened.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  // Let the handler go whatever happened, so that nothing waits for ever.
  fclose(fopen((folder + "/go").c_str(), "w"));
  EXPECT_TRUE(returned) << "the call waited for the handler";
  EXPECT_TRUE(opened.get());
  for (int i = 0; i < 400 && access((folder + "/url").c_str(), F_OK) != 0; ++i) usleep(25000);
  EXPECT_EQ(ReadFile(folder + "/url"), url);
  std::string session = ReadFile(folder + "/session");
  while (!session.empty() && session.back() == '\n') session.pop_back();
  EXPECT_FALSE(session.empty());
  EXPECT_NE(session, OwnSession()) << "the handler runs in the caller's session";

  // No handler on PATH, or an address that would read as an option: false.
  setenv("PATH", "/nonexistent", 1);
  EXPECT_FALSE(SWELL_OpenURL("https://example.org/"));
  setenv("PATH", (folder + ":" + saved).c_str(), 1);
  EXPECT_FALSE(SWELL_OpenURL("--version"));
  setenv("PATH", saved.c_str(), 1);
  for (int i = 0; i < 400 && access((folder + "/done").c_str(), F_OK) != 0; ++i) usleep(25000);
  for (const char* name : {"/xdg-open", "/url", "/session", "/go", "/done"}) unlink((folder + name).c_str());
  rmdir(dir);
}

}  // namespace
