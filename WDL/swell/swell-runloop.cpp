// The process-wide UI run loop and its repeating timers.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <poll.h>
#include <vector>

#include "swell-internal.h"
#include "swell-wnd.h"

namespace
{

struct Timer
{
  int id;
  double interval; // seconds
  double due;      // run-loop seconds of the next firing
  SWELL_TimerProc proc;
  void* ctx;
};

struct RunLoop
{
  std::mutex lock;
  std::condition_variable changed; // a timer was added (a waiting pump recomputes its wait)
  std::vector<Timer> timers;
  int nextId = 1;
};

int (*s_sourceFd)() = nullptr;
void (*s_sourceDispatch)() = nullptr;

RunLoop& Loop()
{
  static RunLoop s_loop;
  return s_loop;
}

} // namespace

double SWELL_RunLoopNow()
{
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int SWELL_RunLoopAddTimer(double intervalSeconds, SWELL_TimerProc proc, void* ctx)
{
  if (!proc || !(intervalSeconds > 0.0) || intervalSeconds > 1e9) return 0;
  RunLoop& l = Loop();
  std::lock_guard<std::mutex> g(l.lock);
  const int id = l.nextId++;
  if (l.nextId <= 0) l.nextId = 1;
  l.timers.push_back(Timer{id, intervalSeconds, SWELL_RunLoopNow() + intervalSeconds, proc, ctx});
  l.changed.notify_all();
  return id;
}

void SWELL_RunLoopRemoveTimer(int id)
{
  RunLoop& l = Loop();
  std::lock_guard<std::mutex> g(l.lock);
  l.timers.erase(std::remove_if(l.timers.begin(), l.timers.end(), [id](const Timer& t) { return t.id == id; }),
                 l.timers.end());
}

double SWELL_RunLoopSecondsUntilNext(double nowSeconds)
{
  RunLoop& l = Loop();
  std::lock_guard<std::mutex> g(l.lock);
  if (l.timers.empty()) return -1.0;
  double due = l.timers.front().due;
  for (const Timer& t : l.timers) due = std::min(due, t.due);
  return std::max(0.0, due - nowSeconds);
}

int SWELL_RunLoopRunDue(double nowSeconds)
{
  RunLoop& l = Loop();
  // Take the due timers' ids in order of due time and reschedule them first,
  // then call each without the lock so that a proc may add or remove timers
  // (itself included); a timer removed meanwhile is skipped.
  std::vector<std::pair<double, int>> due;
  {
    std::lock_guard<std::mutex> g(l.lock);
    for (const Timer& t : l.timers)
      if (t.due <= nowSeconds) due.emplace_back(t.due, t.id);
  }
  std::sort(due.begin(), due.end());
  int fired = 0;
  for (const auto& d : due)
  {
    SWELL_TimerProc proc = nullptr;
    void* ctx = nullptr;
    {
      std::lock_guard<std::mutex> g(l.lock);
      for (Timer& t : l.timers)
      {
        if (t.id != d.second || t.due > nowSeconds) continue;
        t.due += t.interval;
        if (t.due <= nowSeconds) t.due = nowSeconds + t.interval;
        proc = t.proc;
        ctx = t.ctx;
        break;
      }
    }
    if (!proc) continue;
    proc(ctx);
    ++fired;
  }
  return fired;
}

void swell_RunLoopSetEventSource(int (*fd)(), void (*dispatch)())
{
  s_sourceFd = fd;
  s_sourceDispatch = dispatch;
}

// Pumps with the window system: waits on its connection (or the next timer),
// handles its events, fires due timers, then lets it redraw what they
// invalidated.
static int PumpWithSource(double maxWaitSeconds)
{
  s_sourceDispatch();
  const int fd = s_sourceFd();
  if (maxWaitSeconds > 0.0 && fd >= 0)
  {
    double wait = std::min(maxWaitSeconds, 1e6);
    const double next = SWELL_RunLoopSecondsUntilNext(SWELL_RunLoopNow());
    if (next >= 0.0) wait = std::min(wait, next);
    pollfd p = {fd, POLLIN, 0};
    poll(&p, 1, static_cast<int>(std::ceil(wait * 1000.0)));
    s_sourceDispatch();
  }
  const int fired = SWELL_RunLoopRunDue(SWELL_RunLoopNow());
  s_sourceDispatch();
  return fired;
}

int SWELL_RunLoopPump(double maxWaitSeconds)
{
  if (s_sourceDispatch && s_sourceFd && s_sourceFd() >= 0) return PumpWithSource(maxWaitSeconds);
  RunLoop& l = Loop();
  if (maxWaitSeconds > 0.0)
  {
    const double deadline = SWELL_RunLoopNow() + std::min(maxWaitSeconds, 1e6);
    std::unique_lock<std::mutex> g(l.lock);
    for (;;)
    {
      // Recomputed after every wake: a timer added meanwhile may be due sooner.
      const double now = SWELL_RunLoopNow();
      double until = deadline;
      for (const Timer& t : l.timers) until = std::min(until, t.due);
      if (until <= now) break;
      l.changed.wait_for(g, std::chrono::duration<double>(until - now));
    }
  }
  return SWELL_RunLoopRunDue(SWELL_RunLoopNow());
}
