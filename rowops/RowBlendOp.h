// Composition of a source row onto a destination row by a blend mode (RowBlendOp), and of one
// constant colour onto a row (RowBlendSolidOp). The kernels come from the tables of the modes.
#pragma once
#include <cstdint>

#include "rowops/RowOperation.h"

namespace corvel {

using RowBlendMode = std::int32_t;  // 0 normal .. 9

// The kernel table of a mode, or null when the mode has none.
const RowOpKernelRecord* GetRowBlendKernelTable(RowBlendMode mode, int flag);
const RowOpKernelRecord* GetBlendSolidKernelTable();

class RowBlendOp : public RowOperation {
 public:
  explicit RowBlendOp(RowBlendMode mode) : RowOperation(keRoRowBlend), mode_(mode) {}
  std::unique_ptr<RowOperation> Clone() const override { return std::make_unique<RowBlendOp>(mode_); }
  RowOpKernel ChooseKernel(keFormat dst, keFormat src, int variantMode, int flag) const override {
    return FindRowOpKernel(GetRowBlendKernelTable(mode_, flag), dst, src, variantMode);
  }
  RowBlendMode Mode() const { return mode_; }

 private:
  RowBlendMode mode_;
};

// The process-wide normal blend through which the canvas paints compose.
RowBlendOp& DefaultRowBlendOp();

// The colour holds red in bits 0..7, green 8..15, blue 16..23, alpha 24..31.
class RowBlendSolidOp : public TableRowOperation<RowBlendSolidOp> {
 public:
  explicit RowBlendSolidOp(std::uint32_t color = 0)
      : TableRowOperation(keRoRowBlendSolid), color_(color) {}
  static const RowOpKernelRecord* KernelTable() { return GetBlendSolidKernelTable(); }
  std::uint32_t Color() const { return color_; }
  void SetColor(std::uint32_t color) { color_ = color; }

 private:
  std::uint32_t color_;
};

}  // namespace corvel
