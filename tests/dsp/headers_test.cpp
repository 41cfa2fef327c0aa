// Each public header of the DSP library compiles on its own; the includes are
// in the order that would hide a missing include if any header relied on one.
#include "Filters.h"
#include "ValveStage.h"
#include "Over.h"
#include "OverCoeffs.h"

#include <gtest/gtest.h>

TEST(DspHeaders, ClassesAreUsableValueTypes)
{
  ValveStage s;
  Over o;
  OnePoleHP hp;
  Biquad bq;
  LowPass4 lp;
  OnePoleLP olp;
  EXPECT_EQ(s.mFactor, 2u);
  EXPECT_EQ(o.mPos, 0u);
  EXPECT_EQ(hp.Run(0.0) + bq.Run(0.0) + lp.Run(0.0), 0.0);
  EXPECT_EQ(olp.Run(0.0), 0.0);
}
