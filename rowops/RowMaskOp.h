// Scales a row's alpha (or, without alpha, its first channel) by a mask row's alpha (or first
// channel), optionally inverted and weakened by an opacity. One kernel serves every pair of 8-
// and 16-bit formats; packed and float rows are left alone.
#pragma once
#include <cstdint>

#include "rowops/RowOperation.h"

namespace corvel {

class RowMaskOp : public RowOperation {
 public:
  explicit RowMaskOp(std::uint32_t opacity = 255, bool invert = false)
      : RowOperation(keRoRowMask), opacity_(opacity), invert_(invert) {}
  std::unique_ptr<RowOperation> Clone() const override { return std::make_unique<RowMaskOp>(*this); }
  RowOpKernel ChooseKernel(keFormat dst, keFormat src, int variantMode, int flag) const override;

  std::uint32_t Opacity() const { return opacity_; }
  bool Invert() const { return invert_; }

 private:
  std::uint32_t opacity_;
  bool invert_;
};

}  // namespace corvel
