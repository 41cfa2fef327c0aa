// Built with AVX-512F/VL. Keep free of headers with out-of-line inline
// functions (the standard library's, for one): a weak copy built for the
// wider instruction set could be picked by the linker for the whole program.
#include "lead_bench_kernels.h"

#include "ValveStageKernel.h"

#define LEAD_KERNEL_NAME LeadKernelPairWide
#include "lead_bench_kernels.inc"
