// Gathers pixels through an index map: destination pixel i is source pixel indices[i], counted
// from the source row's first byte. The caller's index array outlives the operation and holds
// only indices inside the source row.
#pragma once
#include <cstdint>

#include "rowops/RowOperation.h"

namespace corvel {

class RowCopyIndexedOp : public TableRowOperation<RowCopyIndexedOp> {
 public:
  explicit RowCopyIndexedOp(const std::int32_t* indices = nullptr)
      : TableRowOperation(keRoRowCopyIndexed), indices_(indices) {}
  static const RowOpKernelRecord* KernelTable();

  const std::int32_t* Indices() const { return indices_; }

 private:
  const std::int32_t* indices_;
};

}  // namespace corvel
