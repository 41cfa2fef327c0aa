// The effect's chain around its valve stages: input sanitising and offset,
// the switched input filters, the output filters and level, the clip watch
// and the phase switch, for the plug-in's chunk loops. Render thread only;
// nothing allocates.
#ifndef CINDERPATH_EFFECTCHAIN_H
#define CINDERPATH_EFFECTCHAIN_H

#include <climits>

#include "Filters.h"
#include "StereoFilters.h"

// The input offset, the clip indicator and the phase switch, held in locals
// for a block and written back after it.
struct ChainFrame
{
  double offset;       // ±1e-20, sign alternates every sample
  int clipCount;       // samples since the last over
  int clip;            // indicator, 0 or 1
  int holdSamples;     // the hold (0.75·fs) in whole samples: a count is
                       // past the hold when it is greater (HoldSamples)
  bool phase;          // invert both outputs
  // Told of every change of the indicator, at the sample it happens.
  // Never allocates or waits. [render thread]
  void (*showClip)(void* context, int clip);
  void* context;
};

// The input filter switches of a block.
struct InputSwitches
{
  bool hp, peak, shelf, lowPass;
};

// The filters of both channels ([0] left, [1] right; not owned), their
// switches and the block's level.
struct ChainFilters
{
  OnePoleHP* inHP[2];
  Biquad* peak[2];
  Biquad* shelf[2];
  LowPass4* lowPass[2];
  OnePoleHP* outHP[2];
  OnePoleLP* outLP[2];
  InputSwitches on;
  double volume;  // linear output gain
  double comp;    // make-up gain of the block's curve
};

namespace cinderpath_stereo
{

// A non-finite host sample becomes 0 so that it cannot poison the filters.
inline double SanitizeSample(double x)
{
  return __builtin_isfinite(x) ? x : 0.0;
}

// The offset for the current sample; flips its sign for the next.
inline double NextOffset(ChainFrame& st)
{
  const double m = st.offset;
  st.offset = -m;
  return m;
}

// The hold time `seconds` at `fs` as ChainFrame::holdSamples: the largest
// whole count that does not exceed it (INT_MAX where it is beyond the int
// range or not a number: the indicator then never goes out).
inline int HoldSamples(double fs, double seconds)
{
  const double h = __builtin_floor(fs * seconds);
  if (!(h < double(INT_MAX))) return INT_MAX;
  return h < -1.0 ? -1 : int(h);
}

// Frame k of the host's two channels as the filters take it: sanitised, and
// less the offset of the frame. Both samples are sanitised at once: x - x
// is 0 exactly where x is finite, and the lanes where it is not are masked
// to +0 (as SanitizeSample does one at a time).
inline Lanes ReadFrame(const double* inL, const double* inR, int k, ChainFrame& st)
{
  typedef long long Mask __attribute__((vector_size(16)));
  const Lanes x{inL[k], inR[k]};
  const Mask finite = (x - x) == Lanes{0.0, 0.0};
  return (Lanes)((Mask)x & finite) - Both(NextOffset(st));
}

// Phase inversion, then the frame's two output samples.
inline void WriteFrame(const ChainFrame& st, double l, double r, double* outL, double* outR)
{
  if (st.phase)
  {
    l = -l;
    r = -r;
  }
  *outL = l;
  *outR = r;
}

// The clip watch over n frames just written by WriteFrame (their magnitudes
// are those before the phase inversion). A frame is over when either sample
// is past full scale; the indicator lights at an over and goes out when the
// count of frames since the last over passes the hold. The count stops just
// above the hold, so it never overflows. The editor is told of every change
// of the indicator, in order (the value alone: it redraws on its own
// thread). Run as a pass of its own, with its state in registers and
// selects rather than branches: in the output loop, a branch on whether a
// loud signal is over full scale was mispredicted often enough to cost as
// much as a filter.
inline void WatchClip(ChainFrame& st, const double* outL, const double* outR, int n)
{
  const int hold = st.holdSamples;
  int count = st.clipCount, clip = st.clip;
  // Most chunks of a quiet signal have no frame over full scale, and a loud
  // one seldom starts with one. Up to the first over the count only runs on
  // towards the hold and the indicator can only go out, so that stretch is
  // taken in one step; the frames from the first over on, one at a time.
  int first = 0;
  while (first < n && !(__builtin_fabs(outL[first]) > 1.0) && !(__builtin_fabs(outR[first]) > 1.0)) ++first;
  if (first > 0 && count <= hold)
  {
    long long next = (long long)count + first;
    if (next > (long long)hold + 1) next = (long long)hold + 1;
    count = next > INT_MAX ? INT_MAX : int(next);
  }
  if (first > 0 && clip == 1 && count > hold)
  {
    clip = 0;
    st.showClip(st.context, clip);
  }
  for (int i = first; i < n; ++i)
  {
    const double al = __builtin_fabs(outL[i]), ar = __builtin_fabs(outR[i]);
    const bool over = (al < ar ? ar : al) > 1.0;
    count += int(count <= hold) & int(count < INT_MAX);
    const int next = over ? 1 : (count > hold ? 0 : clip);
    count = over ? 0 : count;
    if (next != clip)
    {
      clip = next;
      st.showClip(st.context, clip);
    }
  }
  st.clipCount = count;
  st.clip = clip;
}

// The filters of both channels, one channel per vector lane, copied into
// locals for a block so that their state can stay in registers.
struct ChannelPairFilters
{
  OnePoleHPPair inHP;
  BiquadPair peak;
  BiquadPair shelf;
  LowPass4Pair lowPass;
  OnePoleHPPair outHP;
  OnePoleLPPair outLP;

  explicit ChannelPairFilters(const ChainFilters& c)
      : inHP(*c.inHP[0], *c.inHP[1]), peak(*c.peak[0], *c.peak[1]), shelf(*c.shelf[0], *c.shelf[1]),
        lowPass(*c.lowPass[0], *c.lowPass[1]), outHP(*c.outHP[0], *c.outHP[1]), outLP(*c.outLP[0], *c.outLP[1])
  {
  }

  // Writes the filters' state back after the block.
  void Store(const ChainFilters& c) const
  {
    inHP.Store(*c.inHP[0], *c.inHP[1]);
    peak.Store(*c.peak[0], *c.peak[1]);
    shelf.Store(*c.shelf[0], *c.shelf[1]);
    lowPass.Store(*c.lowPass[0], *c.lowPass[1]);
    outHP.Store(*c.outHP[0], *c.outHP[1]);
    outLP.Store(*c.outLP[0], *c.outLP[1]);
  }
};

// The switched input filters in chain order over a chunk of n samples, for
// one channel (F: the filter objects, T = double) or both (F =
// ChannelPairFilters, T = Lanes), run skewed: pass i of the chunk's n + 3
// passes gives the high-pass sample i, the peak sample i - 1, the shelf
// i - 2 and the low-pass i - 3, so the four recursions of a pass do not wait
// for each other and run side by side. Every filter still sees its own
// samples in order with the same arithmetic, so the results are those of
// running the chain sample by sample. in(i) gives input sample i (called
// once each, in order), out(i, x) takes the filtered sample; `buf` holds n
// samples between the filters.
template <class S, class F, class T, class In, class Out>
inline void InputFiltersPass(const S& on, F& f, int i, int n, T* buf, In& in, Out& out)
{
  if (i < n)
  {
    const T x = in(i);
    buf[i] = on.hp ? f.inHP.Run(x) : x;
  }
  if (i >= 1 && i <= n && on.peak) buf[i - 1] = f.peak.Run(buf[i - 1]);
  if (i >= 2 && i <= n + 1 && on.shelf) buf[i - 2] = f.shelf.Run(buf[i - 2]);
  if (i >= 3) out(i - 3, on.lowPass ? f.lowPass.Run(buf[i - 3]) : buf[i - 3]);
}

template <class S, class F, class T, class In, class Out>
inline void RunInputFilters(const S& on, F& f, int n, T* buf, In in, Out out)
{
  for (int i = 0; i < n + 3; ++i) InputFiltersPass(on, f, i, n, buf, in, out);
}

// The switches of a block as constants (S above), so that the loop of a
// block is compiled without the filters that are off and without a test
// per filter and pass.
template <bool HP, bool PEAK, bool SHELF, bool LOWPASS>
struct FixedSwitches
{
  static constexpr bool hp = HP, peak = PEAK, shelf = SHELF, lowPass = LOWPASS;
};

// Calls fn(FixedSwitches<...>{}) for the switches `on`.
template <int M = 0, class Fn>
inline void WithFixedSwitches(const InputSwitches& on, Fn&& fn)
{
  if constexpr (M < 16)
  {
    if ((on.hp ? 1 : 0) + (on.peak ? 2 : 0) + (on.shelf ? 4 : 0) + (on.lowPass ? 8 : 0) == M)
      fn(FixedSwitches<(M & 1) != 0, (M & 2) != 0, (M & 4) != 0, (M & 8) != 0>{});
    else
      WithFixedSwitches<M + 1>(on, fn);
  }
}

// Output high-pass, level (volume, then make-up gain), output low-pass over
// a chunk of n samples in n + 1 passes, skewed as above: pass i gives the
// high-pass sample i and the low-pass sample i - 1. in(i) gives the stage's
// output for sample i, out(i, y) takes the result (in order).
template <class F, class T, class In, class Out>
inline void OutputFiltersPass(F& f, int i, int n, double volume, double comp, T* buf, In& in, Out& out)
{
  if (i < n) buf[i] = f.outHP.Run(in(i));
  if (i >= 1) out(i - 1, f.outLP.Run(buf[i - 1] * volume * comp));
}

template <class F, class T, class In, class Out>
inline void RunOutputFilters(F& f, int n, double volume, double comp, T* buf, In in, Out out)
{
  for (int i = 0; i < n + 1; ++i) OutputFiltersPass(f, i, n, volume, comp, buf, in, out);
}

}  // namespace cinderpath_stereo

#endif
