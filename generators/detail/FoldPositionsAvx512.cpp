// Compiled with AVX-512 enabled for this file alone; run only where the processor record allows.
// The straight programs' kernels in sixteen lanes, at about half the instructions a pixel of
// AVX2's; the bent programs' are built apart, as AVX2's are.
// GCC 12 takes the intrinsics' own undefined starting values for uninitialised reads.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "generators/detail/Avx512Lanes.h"
#include "generators/detail/FoldLanes.h"

namespace corvel::detail {

FoldPositionsKernel FoldKernelAvx512(const FoldKernelArgs& args) {
  return AnyStepBent(args) ? BentFoldKernelAvx512(args) : StraightFoldKernel<Avx512Lanes>(args);
}

}  // namespace corvel::detail
