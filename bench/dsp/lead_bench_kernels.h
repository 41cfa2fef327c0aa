#ifndef CINDERPATH_BENCH_LEAD_BENCH_KERNELS_H
#define CINDERPATH_BENCH_LEAD_BENCH_KERNELS_H

// The valve stage's two-channel block kernel with a chosen interpolator lead
// (0 = plain order, sub-sample by sub-sample), so that one benchmark run can
// compare the schedules side by side. All leads give the same bits.

class ValveStage;

// Two-channel block at `factor` (4 or 16) and interpolator lead 0 ... 4, in
// the baseline build; false for other arguments. [render thread]
bool LeadKernelPair(unsigned factor, unsigned lead, ValveStage& l, ValveStage& r, double* pl, double* pr, int n);

// The same compiled for AVX-512F/VL (only where dsp_bench has that build;
// the caller checks that the processor has it). [render thread]
bool LeadKernelPairWide(unsigned factor, unsigned lead, ValveStage& l, ValveStage& r, double* pl, double* pr, int n);

#endif
