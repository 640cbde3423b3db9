// Compositing rows: RowBlendOp lays a source row over a destination row by one of ten modes
// (RowBlendMode), RowBlendSolidOp lays one colour over a row.
#pragma once
#include <cstdint>

#include "rowops/RowOperation.h"

namespace corvel {

using RowBlendMode = std::int32_t;
enum : RowBlendMode {
  keBlendNormal = 0,
  keBlendMultiply = 1,
  keBlendScreen = 2,
  keBlendDarken = 3,
  keBlendLighten = 4,
  keBlendSourceAtop = 5,
  keBlendSourceIn = 6,
  keBlendSourceOut = 7,
  keBlendNormal2 = 8,  // shares mode 0's table
  keBlendXor = 9,
};

// The kernel table of a mode, null outside 0..9. The flag is not read.
const RowOpKernelRecord* GetRowBlendKernelTable(RowBlendMode mode, int flag = 0);
const RowOpKernelRecord* GetBlendSolidKernelTable();

class RowBlendOp : public RowOperation {
 public:
  explicit RowBlendOp(RowBlendMode mode) : RowOperation(keRoRowBlend), mode_(mode) {}
  std::unique_ptr<RowOperation> Clone() const override { return std::make_unique<RowBlendOp>(*this); }
  RowOpKernel ChooseKernel(keFormat dst, keFormat src, int variantMode, int flag) const override;
  RowBlendMode Mode() const { return mode_; }

 private:
  RowBlendMode mode_;
};

// The process-wide normal blend through which the canvas paints compose.
RowBlendOp& DefaultRowBlendOp();

// A colour (red in bits 0..7, green 8..15, blue 16..23, alpha 24..31) over a row: alpha 0
// leaves the row, 255 fills it.
class RowBlendSolidOp : public TableRowOperation<RowBlendSolidOp> {
 public:
  explicit RowBlendSolidOp(std::uint32_t color = 0) : TableRowOperation(keRoRowBlendSolid), color_(color) {}
  static const RowOpKernelRecord* KernelTable() { return GetBlendSolidKernelTable(); }
  // The BGRA kernel reads the shared tables: without them the pair has no kernel.
  RowOpKernel ChooseKernel(keFormat dst, keFormat src, int variantMode, int flag) const override;
  std::uint32_t Color() const { return color_; }
  void SetColor(std::uint32_t color) { color_ = color; }

 private:
  std::uint32_t color_;
};

// Mode-0 kernels that the editor-compatible blend takes at opacity 255.
void BlendNormalBgrFromBgra(const RowOperation& op, const RowOpArgs& args);
void BlendNormalGreyFromGreyA(const RowOperation& op, const RowOpArgs& args);
// Each destination index moves to the palette entry nearest its colour composited with the
// source pixel.
void BlendNormalIndex8FromBgra(const RowOperation& op, const RowOpArgs& args);

}  // namespace corvel
