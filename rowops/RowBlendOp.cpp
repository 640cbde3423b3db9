#include "rowops/RowBlendOp.h"

namespace corvel {

RowBlendOp& DefaultRowBlendOp() {
  static RowBlendOp normal(0);
  return normal;
}

// A mode without kernels has no table: its bindings fail, and callers report their own failure.
const RowOpKernelRecord* GetRowBlendKernelTable(RowBlendMode, int) { return nullptr; }
const RowOpKernelRecord* GetBlendSolidKernelTable() { return nullptr; }

}  // namespace corvel
