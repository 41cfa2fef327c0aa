// The UI run loop's repeating timers.
#include <gtest/gtest.h>

#include <vector>

#include "swell-wnd.h"

namespace
{

struct Counter
{
  int fired = 0;
  int removeId = 0; // removed from inside the proc when set
};

void Count(void* ctx)
{
  Counter* c = static_cast<Counter*>(ctx);
  ++c->fired;
  if (c->removeId) SWELL_RunLoopRemoveTimer(c->removeId);
}

TEST(RunLoop, TimersRepeatAndDropMissedTicks)
{
  Counter c;
  const double t0 = SWELL_RunLoopNow();
  const int id = SWELL_RunLoopAddTimer(0.04, Count, &c);
  const double t1 = SWELL_RunLoopNow();
  ASSERT_GT(id, 0);
  EXPECT_EQ(SWELL_RunLoopRunDue(t0 + 0.039), 0);
  EXPECT_EQ(SWELL_RunLoopRunDue(t1 + 0.04), 1);
  EXPECT_EQ(SWELL_RunLoopRunDue(t1 + 0.04), 0) << "fires once per due time";
  EXPECT_EQ(SWELL_RunLoopRunDue(t0 + 0.079), 0);
  EXPECT_EQ(SWELL_RunLoopRunDue(t1 + 0.5), 1) << "late: one tick, not eleven";
  EXPECT_EQ(SWELL_RunLoopRunDue(t1 + 0.539), 0);
  EXPECT_EQ(SWELL_RunLoopRunDue(t1 + 0.54), 1);
  EXPECT_NEAR(SWELL_RunLoopSecondsUntilNext(t1 + 0.54), 0.04, 1e-9);
  SWELL_RunLoopRemoveTimer(id);
  EXPECT_EQ(SWELL_RunLoopRunDue(t1 + 10.0), 0);
  EXPECT_EQ(c.fired, 3);
  EXPECT_LT(SWELL_RunLoopSecondsUntilNext(t1), 0.0);
  SWELL_RunLoopRemoveTimer(id);   // stale id: ignored
  SWELL_RunLoopRemoveTimer(-5);
}

TEST(RunLoop, ProcsMayRemoveTimersAndBadArgumentsAreRefused)
{
  Counter self, other;
  const int a = SWELL_RunLoopAddTimer(0.01, Count, &self);
  const int b = SWELL_RunLoopAddTimer(0.02, Count, &other);
  self.removeId = b; // the first to fire removes the second before its turn
  const double later = SWELL_RunLoopNow() + 1.0;
  EXPECT_EQ(SWELL_RunLoopRunDue(later), 1);
  EXPECT_EQ(other.fired, 0);
  self.removeId = a; // and now itself
  EXPECT_EQ(SWELL_RunLoopRunDue(later + 1.0), 1);
  EXPECT_EQ(SWELL_RunLoopRunDue(later + 2.0), 0);
  EXPECT_EQ(self.fired, 2);
  for (double bad : {0.0, -1.0, 1e300})
    EXPECT_EQ(SWELL_RunLoopAddTimer(bad, Count, &self), 0) << bad;
  EXPECT_EQ(SWELL_RunLoopAddTimer(0.1, nullptr, nullptr), 0);
}

TEST(RunLoop, PumpWaitsForTheNextTimer)
{
  Counter c;
  const int id = SWELL_RunLoopAddTimer(0.01, Count, &c);
  EXPECT_EQ(SWELL_RunLoopPump(0.0), 0);
  EXPECT_EQ(SWELL_RunLoopPump(30.0), 1); // returns at the timer, not after 30 s
  SWELL_RunLoopRemoveTimer(id);
  EXPECT_EQ(SWELL_RunLoopPump(0.005), 0);
}

} // namespace
