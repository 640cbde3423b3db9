// Compiled with AVX-512 enabled for this file alone; run only where the processor record allows.
// The bent programs' kernels in sixteen lanes, made apart from the straight ones for the reason
// AVX2's are (FoldPositionsBentAvx2.cpp), and the bent bands' marks.
// GCC 12 takes the intrinsics' own undefined starting values for uninitialised reads.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "generators/detail/Avx512Lanes.h"
#include "generators/detail/BentMarkLanes.h"
#include "generators/detail/FoldLanes.h"

namespace corvel::detail {

FoldPositionsKernel BentFoldKernelAvx512(const FoldKernelArgs& args) {
  return BentFoldKernel<Avx512Lanes>(args);
}

void MarkBentBandsAvx512(const BentBandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                         std::uint32_t dv, int count, std::uint8_t* marks) {
  MarkBentBandsWith<Avx512Lanes>(bands, starts, du, dv, count, marks);
}

}  // namespace corvel::detail
