#ifndef CINDERPATH_TESTS_DSP_TEST_UTIL_H
#define CINDERPATH_TESTS_DSP_TEST_UTIL_H

#include "Over.h"
#include "ValveStage.h"

#include <cstring>

// Bitwise comparisons field by field (padding bytes are not compared).
inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline bool SameOver(const Over& a, const Over& b)
{
  return std::memcmp(a.mA, b.mA, sizeof a.mA) == 0 && std::memcmp(a.mB, b.mB, sizeof a.mB) == 0 &&
         std::memcmp(a.mX, b.mX, sizeof a.mX) == 0 && std::memcmp(a.mY, b.mY, sizeof a.mY) == 0 &&
         a.mPos == b.mPos;
}

inline bool SameStage(const ValveStage& a, const ValveStage& b)
{
  return a.mFactor == b.mFactor && SameBits(a.mCurve, b.mCurve) && SameBits(a.mGain, b.mGain) &&
         std::memcmp(a.mHistory, b.mHistory, sizeof a.mHistory) == 0 &&
         a.mHistoryPos == b.mHistoryPos && SameOver(a.mDown, b.mDown) && SameOver(a.mUp, b.mUp);
}

#endif
