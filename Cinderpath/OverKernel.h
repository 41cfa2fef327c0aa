#ifndef CINDERPATH_OVERKERNEL_H
#define CINDERPATH_OVERKERNEL_H

// Internal to the DSP library: the arithmetic of one oversampling filter step,
// written once over a window of locals for every group position.
//
// The filter's history is held in a window of locals instead of the ring:
// x[0] is the newest input x(n), x[i] is x(n-i); y[0] is the newest output.
// A written-out sequence of steps with compile-time indices lets the compiler
// keep the windows in registers; Load/Store move them to and from the ring.

#include <cstdint>

#include "Over.h"

#if defined(__GNUC__) || defined(__clang__)
#define CINDERPATH_INLINE inline __attribute__((always_inline))
#else
#define CINDERPATH_INLINE inline
#endif

namespace cinderpath_dsp {
namespace {

// Coefficients of one filter in the sample type (a[0] is a1, b[0] is b0).
template <typename T>
struct OverCoef
{
  T a[7];
  T b[4];
};

// History windows of one filter; index 0 is the newest entry.
template <typename T>
struct OverWin
{
  T x[8];
  T y[8];
};

// One filter step of group position J (0 = full step with input `in`, 1 ... 7
// = zero steps keeping the inputs older than the group's zeros, 8 = zero step
// with no input terms). Shifts `in` (zero for J > 0) into the input window,
// computes the output, shifts it into the output window and returns it.
template <int J, typename T>
CINDERPATH_INLINE T OverStep(const OverCoef<T>& c, OverWin<T>& w, T in)
{
  T* x = w.x;
  T* y = w.y;
  x[7] = x[6]; x[6] = x[5]; x[5] = x[4]; x[4] = x[3];
  x[3] = x[2]; x[2] = x[1]; x[1] = x[0]; x[0] = in;
  // Input part: pairs of symmetric taps, b0 pair first. Terms with the
  // group's zeros (x(n-i), i < J) are left out.
  T acc;
  if constexpr (J == 0)
    acc = c.b[0] * (x[0] + x[7]) + c.b[1] * (x[1] + x[6]) + c.b[2] * (x[2] + x[5]) + c.b[3] * (x[3] + x[4]);
  else if constexpr (J == 1)
    acc = c.b[0] * x[7] + c.b[1] * (x[1] + x[6]) + c.b[2] * (x[2] + x[5]) + c.b[3] * (x[3] + x[4]);
  else if constexpr (J == 2)
    acc = c.b[0] * x[7] + c.b[1] * x[6] + c.b[2] * (x[2] + x[5]) + c.b[3] * (x[3] + x[4]);
  else if constexpr (J == 3)
    acc = c.b[0] * x[7] + c.b[1] * x[6] + c.b[2] * x[5] + c.b[3] * (x[3] + x[4]);
  else if constexpr (J == 4)
    acc = c.b[0] * x[7] + c.b[1] * x[6] + c.b[2] * x[5] + c.b[3] * x[4];
  else if constexpr (J == 5)
    acc = c.b[0] * x[7] + c.b[1] * x[6] + c.b[2] * x[5];
  else if constexpr (J == 6)
    acc = c.b[0] * x[7] + c.b[1] * x[6];
  else if constexpr (J == 7)
    acc = c.b[0] * x[7];
  // Recursive part in full, a1·y(n-1) first, a7·y(n-7) last.
  if constexpr (J >= 8)
    acc = -(c.a[0] * y[0]);
  else
    acc = acc - c.a[0] * y[0];
  acc = acc - c.a[1] * y[1];
  acc = acc - c.a[2] * y[2];
  acc = acc - c.a[3] * y[3];
  acc = acc - c.a[4] * y[4];
  acc = acc - c.a[5] * y[5];
  acc = acc - c.a[6] * y[6];
  y[7] = y[6]; y[6] = y[5]; y[5] = y[4]; y[4] = y[3];
  y[3] = y[2]; y[2] = y[1]; y[1] = y[0]; y[0] = acc;
  return acc;
}

// Ring <-> window for one filter.
CINDERPATH_INLINE void LoadCoef(OverCoef<double>& c, const Over& f)
{
  for (int i = 0; i < 7; ++i) c.a[i] = f.mA[i];
  for (int i = 0; i < 4; ++i) c.b[i] = f.mB[i];
}

CINDERPATH_INLINE void LoadWin(OverWin<double>& w, const Over& f)
{
  for (uint32_t i = 0; i < 8; ++i)
  {
    w.x[i] = f.mX[(f.mPos - i) & 7u];
    w.y[i] = f.mY[(f.mPos - i) & 7u];
  }
}

// Writes the window back after `steps` steps (steps mod 8 moves the position).
CINDERPATH_INLINE void StoreWin(Over& f, const OverWin<double>& w, uint32_t steps)
{
  const uint32_t pos = (f.mPos + steps) & 7u;
  f.mPos = pos;
  for (uint32_t i = 0; i < 8; ++i)
  {
    f.mX[(pos - i) & 7u] = w.x[i];
    f.mY[(pos - i) & 7u] = w.y[i];
  }
}

}  // namespace
}  // namespace cinderpath_dsp

#endif
