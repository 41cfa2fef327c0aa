// The process's UI run loop: repeating timers and event sources, one set per
// process, in this shared library so that a plug-in bundle and its host share
// it.
#include <MacOSCompat/UIRunLoop.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cmath>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Timer {
  int id;
  double interval;  // seconds
  double due;       // loop seconds of the next firing
  CompatTimerProc proc;
  void* ctx;
};

struct Source {
  int id;
  CompatSourceFd fd;
  CompatSourceDispatch dispatch;
  void* ctx;
};

struct RunLoop {
  std::mutex lock;
  std::vector<Timer> timers;
  std::vector<Source> sources;
  int nextTimerId = 1;
  int nextSourceId = 1;
  int wakeFd = -1;  // eventfd written when a timer is added: a waiting pump recomputes its wait
  // Timers whose procs run now, with the thread running each. A remover on
  // another thread waits for the proc to return, so that once removal
  // returns the proc never runs again (its context may be freed).
  std::vector<std::pair<int, std::thread::id>> firing;
  std::condition_variable fired;
};

RunLoop& Loop() {
  // Never destroyed: timers may be removed by static destructors of loaded
  // libraries after this library's own would have run.
  static RunLoop* s_loop = [] {
    RunLoop* l = new RunLoop;
    l->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return l;
  }();
  return *s_loop;
}

std::vector<Source> SourcesNow(RunLoop& l) {
  std::lock_guard<std::mutex> g(l.lock);
  return std::vector<Source>(l.sources.begin(), l.sources.end());
}

bool SourceAlive(RunLoop& l, int id) {
  std::lock_guard<std::mutex> g(l.lock);
  for (const Source& s : l.sources)
    if (s.id == id) return true;
  return false;
}

// Lets every source take what is pending. A source removed by an earlier
// one's handler is skipped.
void DispatchSources(RunLoop& l) {
  const std::vector<Source> sources = SourcesNow(l);
  for (const Source& s : sources)
    if (SourceAlive(l, s.id)) s.dispatch(s.ctx);
}

// Waits until a source is readable, a timer was added or seconds pass;
// true when a source became readable.
bool Wait(RunLoop& l, double seconds) {
  const std::vector<Source> sources = SourcesNow(l);
  std::vector<pollfd> fds;
  if (l.wakeFd >= 0) fds.push_back(pollfd{l.wakeFd, POLLIN, 0});
  for (const Source& s : sources) {
    const int fd = s.fd(s.ctx);
    if (fd >= 0) fds.push_back(pollfd{fd, POLLIN, 0});
  }
  const int ms = static_cast<int>(std::ceil(std::min(seconds, 1e6) * 1000.0));
  if (fds.empty()) {  // no eventfd: sleep in short steps
    usleep(static_cast<useconds_t>(std::min(ms, 10) * 1000));
    return false;
  }
  if (poll(fds.data(), fds.size(), ms) <= 0) return false;
  bool sourceReady = false;
  for (size_t i = 0; i < fds.size(); ++i) {
    if (!fds[i].revents) continue;
    if (fds[i].fd == l.wakeFd) {
      uint64_t count;
      while (read(l.wakeFd, &count, sizeof(count)) > 0) {
      }
    } else {
      sourceReady = true;
    }
  }
  return sourceReady;
}

}  // namespace

extern "C" {

double CompatRunLoopNow(void) {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int CompatRunLoopAddTimer(double intervalSeconds, CompatTimerProc proc, void* ctx) {
  if (!proc || !(intervalSeconds > 0.0) || intervalSeconds > 1e9) return 0;
  RunLoop& l = Loop();
  int id;
  {
    std::lock_guard<std::mutex> g(l.lock);
    id = l.nextTimerId++;
    if (l.nextTimerId <= 0) l.nextTimerId = 1;
    l.timers.push_back(Timer{id, intervalSeconds, CompatRunLoopNow() + intervalSeconds, proc, ctx});
  }
  if (l.wakeFd >= 0) {
    const uint64_t one = 1;
    if (write(l.wakeFd, &one, sizeof(one)) < 0) {
      // Full counter: a wake is pending anyway.
    }
  }
  return id;
}

void CompatRunLoopRemoveTimer(int id) {
  RunLoop& l = Loop();
  std::unique_lock<std::mutex> g(l.lock);
  l.timers.erase(std::remove_if(l.timers.begin(), l.timers.end(), [id](const Timer& t) { return t.id == id; }),
                 l.timers.end());
  // A proc removing its own timer (or one removed from inside another proc
  // of the same thread) does not wait for itself.
  const std::thread::id self = std::this_thread::get_id();
  l.fired.wait(g, [&] {
    for (const auto& f : l.firing)
      if (f.first == id && f.second != self) return false;
    return true;
  });
}

double CompatRunLoopSecondsUntilNext(double nowSeconds) {
  RunLoop& l = Loop();
  std::lock_guard<std::mutex> g(l.lock);
  if (l.timers.empty()) return -1.0;
  double due = l.timers.front().due;
  for (const Timer& t : l.timers) due = std::min(due, t.due);
  return std::max(0.0, due - nowSeconds);
}

int CompatRunLoopRunDue(double nowSeconds) {
  RunLoop& l = Loop();
  // Take the due timers' ids in order of due time and reschedule each just
  // before calling it without the lock, so that a proc may add or remove
  // timers (itself included); a timer removed meanwhile is skipped.
  std::vector<std::pair<double, int>> due;
  {
    std::lock_guard<std::mutex> g(l.lock);
    for (const Timer& t : l.timers)
      if (t.due <= nowSeconds) due.emplace_back(t.due, t.id);
  }
  std::sort(due.begin(), due.end());
  int fired = 0;
  for (const auto& d : due) {
    CompatTimerProc proc = nullptr;
    void* ctx = nullptr;
    {
      std::lock_guard<std::mutex> g(l.lock);
      for (Timer& t : l.timers) {
        if (t.id != d.second || t.due > nowSeconds) continue;
        t.due += t.interval;
        if (t.due <= nowSeconds) t.due = nowSeconds + t.interval;
        proc = t.proc;
        ctx = t.ctx;
        l.firing.emplace_back(t.id, std::this_thread::get_id());
        break;
      }
    }
    if (!proc) continue;
    proc(ctx);
    {
      std::lock_guard<std::mutex> g(l.lock);
      const auto self = std::make_pair(d.second, std::this_thread::get_id());
      l.firing.erase(std::find(l.firing.begin(), l.firing.end(), self));
    }
    l.fired.notify_all();
    ++fired;
  }
  return fired;
}

int CompatRunLoopAddSource(CompatSourceFd fd, CompatSourceDispatch dispatch, void* ctx) {
  if (!fd || !dispatch) return 0;
  RunLoop& l = Loop();
  std::lock_guard<std::mutex> g(l.lock);
  const int id = l.nextSourceId++;
  if (l.nextSourceId <= 0) l.nextSourceId = 1;
  l.sources.push_back(Source{id, fd, dispatch, ctx});
  return id;
}

void CompatRunLoopRemoveSource(int id) {
  RunLoop& l = Loop();
  std::lock_guard<std::mutex> g(l.lock);
  l.sources.erase(std::remove_if(l.sources.begin(), l.sources.end(), [id](const Source& s) { return s.id == id; }),
                  l.sources.end());
}

int CompatRunLoopPump(double maxWaitSeconds) {
  RunLoop& l = Loop();
  DispatchSources(l);
  if (maxWaitSeconds > 0.0) {
    const double deadline = CompatRunLoopNow() + std::min(maxWaitSeconds, 1e6);
    for (;;) {
      // Recomputed after every wake: a timer added meanwhile may be due sooner.
      const double now = CompatRunLoopNow();
      double until = deadline - now;
      const double next = CompatRunLoopSecondsUntilNext(now);
      if (next >= 0.0) until = std::min(until, next);
      if (until <= 0.0) break;
      // A readable source ends the wait; a wake for an added timer goes
      // round again.
      if (Wait(l, until)) {
        DispatchSources(l);
        break;
      }
    }
  }
  const int fired = CompatRunLoopRunDue(CompatRunLoopNow());
  DispatchSources(l);
  return fired;
}

}  // extern "C"
