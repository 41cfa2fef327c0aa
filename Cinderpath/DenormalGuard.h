// Floating-point control for the duration of one processing block: subnormal
// results are flushed to zero and subnormal operands read as zero, rounding
// is to nearest. In silence the effect's recursive filters decay towards
// zero; on the way their states would pass through subnormal numbers, which
// cost some processors a hundred times the time of normal ones. The caller's
// control state (rounding, exception masks, flush flags) is restored when the
// guard goes out of scope, so a host's own settings are never changed.
#ifndef CINDERPATH_DENORMALGUARD_H
#define CINDERPATH_DENORMALGUARD_H

#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <xmmintrin.h>
#define CINDERPATH_DENORMAL_MXCSR 1
#elif defined(__aarch64__)
#define CINDERPATH_DENORMAL_FPCR 1
#endif

// Non-copyable scoped switch; costs two control-register writes per block.
// [render thread; any thread that runs the DSP]
class DenormalGuard
{
public:
  DenormalGuard() : mSaved(Read()) { Write(Flushing(mSaved)); }
  ~DenormalGuard() { Write(mSaved); }

  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

  // The control word `word` with flush-to-zero and denormals-are-zero set
  // and rounding to nearest; other bits (exception masks and flags) kept.
  static uint64_t Flushing(uint64_t word)
  {
#if defined(CINDERPATH_DENORMAL_MXCSR)
    // MXCSR: FTZ bit 15, DAZ bit 6, rounding control bits 13-14 (00 = nearest).
    return (word & ~uint64_t(0x6000)) | uint64_t(0x8040);
#elif defined(CINDERPATH_DENORMAL_FPCR)
    // FPCR: FZ bit 24 (flushes inputs and results), RMode bits 22-23.
    return (word & ~(uint64_t(3) << 22)) | (uint64_t(1) << 24);
#else
    return word;
#endif
  }

  // The calling thread's control word (0 where there is none to switch).
  static uint64_t Read()
  {
#if defined(CINDERPATH_DENORMAL_MXCSR)
    return _mm_getcsr();
#elif defined(CINDERPATH_DENORMAL_FPCR)
    uint64_t v;
    __asm__ __volatile__("mrs %0, fpcr" : "=r"(v));
    return v;
#else
    return 0;
#endif
  }

  // Sets the calling thread's control word.
  static void Write(uint64_t word)
  {
#if defined(CINDERPATH_DENORMAL_MXCSR)
    _mm_setcsr((unsigned)word);
#elif defined(CINDERPATH_DENORMAL_FPCR)
    __asm__ __volatile__("msr fpcr, %0" : : "r"(word));
#else
    (void)word;
#endif
  }

private:
  uint64_t mSaved;  // the caller's control word
};

#endif
