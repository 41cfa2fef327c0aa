// The valve stage's block path built for AVX2: two sub-samples of both
// channels in one 256-bit vector (ValveStageBlock.h). No FMA: the same
// operations as the baseline build, the same bits. The build system only
// adds this file where the compiler takes -mavx2; ValveStage.cpp only calls
// it where the processor has AVX2. Nothing but the entry point may be
// defined here with external linkage (check with nm).
#include "ValveStageBlock.h"

namespace cinderpath_dsp {

void BlockGroupsAvx2(ValveStage& left, ValveStage& right, const OverModal& t, double* l, double* r, int nFrames)
{
  BlockGroups<Quad>(left, right, t, l, r, nFrames);
}

}  // namespace cinderpath_dsp
