// Format conversion of a row: direct kernels for the common pairs, every other pair of the
// integer formats in two stages. The same table supplies the conversion legs of every two-stage
// binding.
#pragma once
#include "rowops/RowOperation.h"

namespace corvel {

class RowCopyOp : public TableRowOperation<RowCopyOp> {
 public:
  RowCopyOp() : TableRowOperation(keRoRowCopy) {}
  static const RowOpKernelRecord* KernelTable();
};

// The conversion kernel for a pair by the variant-mode-2 rule (EmptyFunction when none).
RowOpKernel FindRowCopyKernel(keFormat dst, keFormat src);
// That conversion as a kernel of another operation: the blends copy a source without alpha.
void CopyKernel(const RowOperation&, const RowOpArgs& args);

}  // namespace corvel
