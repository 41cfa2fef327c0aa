#include "lead_bench_kernels.h"

#include "ValveStageKernel.h"

#define LEAD_KERNEL_NAME LeadKernelPair
#include "lead_bench_kernels.inc"
