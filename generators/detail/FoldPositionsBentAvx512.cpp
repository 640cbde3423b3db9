// Compiled with AVX-512 enabled for this file alone; run only where the processor record allows.
// The bent programs' kernels in sixteen lanes, made apart from the straight ones for the reason
// AVX2's are (FoldPositionsBentAvx2.cpp).
// GCC 12 takes the intrinsics' own undefined starting values for uninitialised reads.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "generators/detail/Avx512Lanes.h"
#include "generators/detail/FoldLanes.h"

namespace corvel::detail {

FoldPositionsKernel BentFoldKernelAvx512(const FoldKernelArgs& args) {
  return BentFoldKernel<Avx512Lanes>(args);
}

}  // namespace corvel::detail
