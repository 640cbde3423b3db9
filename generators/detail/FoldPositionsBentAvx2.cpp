// Compiled with AVX2 enabled for this file alone; run only where the processor record allows. The bent
// programs' kernels are made apart from the straight ones: in one file, the compiler's limit on a
// file's growth by inlining left parts of both out of line, and the straight kernels' code moved
// with every bent kernel added.
#include "generators/detail/Avx2Lanes.h"
#include "generators/detail/FoldLanes.h"

namespace corvel::detail {

FoldPositionsKernel BentFoldKernelAvx2(const FoldKernelArgs& args) { return BentFoldKernel<Avx2Lanes>(args); }

}  // namespace corvel::detail
