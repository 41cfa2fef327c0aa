// The UI run loop's timers and this library's window-system event source, on
// the process's run loop (kept by the platform stand-ins, so that a host and
// the plug-in bundles it loads pump one loop).
#include <MacOSCompat/UIRunLoop.h>

#include "swell-internal.h"
#include "swell-wnd.h"

namespace
{

int (*s_sourceFd)() = nullptr;
void (*s_sourceDispatch)() = nullptr;

int SourceFd(void*)
{
  return s_sourceFd ? s_sourceFd() : -1;
}

void SourceDispatch(void*)
{
  if (s_sourceDispatch) s_sourceDispatch();
}

// The registration of this library's event source, taken back when the
// library is unloaded so the loop never calls into code that is gone.
struct SourceRegistration
{
  int id = 0;
  ~SourceRegistration()
  {
    if (id) CompatRunLoopRemoveSource(id);
  }
};
SourceRegistration s_source;

} // namespace

double SWELL_RunLoopNow()
{
  return CompatRunLoopNow();
}

int SWELL_RunLoopAddTimer(double intervalSeconds, SWELL_TimerProc proc, void* ctx)
{
  return CompatRunLoopAddTimer(intervalSeconds, proc, ctx);
}

void SWELL_RunLoopRemoveTimer(int id)
{
  CompatRunLoopRemoveTimer(id);
}

double SWELL_RunLoopSecondsUntilNext(double nowSeconds)
{
  return CompatRunLoopSecondsUntilNext(nowSeconds);
}

int SWELL_RunLoopRunDue(double nowSeconds)
{
  return CompatRunLoopRunDue(nowSeconds);
}

void swell_RunLoopSetEventSource(int (*fd)(), void (*dispatch)())
{
  s_sourceFd = fd;
  s_sourceDispatch = dispatch;
  if (!s_source.id && fd && dispatch) s_source.id = CompatRunLoopAddSource(SourceFd, SourceDispatch, nullptr);
  if (s_source.id && (!fd || !dispatch))
  {
    CompatRunLoopRemoveSource(s_source.id);
    s_source.id = 0;
  }
}

int SWELL_RunLoopPump(double maxWaitSeconds)
{
  return CompatRunLoopPump(maxWaitSeconds);
}
