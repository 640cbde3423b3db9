// Fills a row with one colour (red in bits 0..7, green 8..15, blue 16..23, alpha 24..31).
// Indexed rows take the operation's palette index, or when it is -1 the destination palette's
// entry nearest the colour.
#pragma once
#include <cstdint>

#include "rowops/RowOperation.h"

namespace corvel {

class RowFillOp : public TableRowOperation<RowFillOp> {
 public:
  explicit RowFillOp(std::uint32_t color = 0, std::int32_t paletteIndex = -1)
      : TableRowOperation(keRoRowFill), color_(color), paletteIndex_(paletteIndex) {}
  static const RowOpKernelRecord* KernelTable();
  // The copy forgets the palette index: it belongs to the palette of one binding.
  std::unique_ptr<RowOperation> Clone() const override { return std::make_unique<RowFillOp>(color_, -1); }

  std::uint32_t Color() const { return color_; }
  void SetColor(std::uint32_t color) { color_ = color; }
  std::int32_t PaletteIndex() const { return paletteIndex_; }
  void SetPaletteIndex(std::int32_t index) { paletteIndex_ = index; }

 private:
  std::uint32_t color_;
  std::int32_t paletteIndex_;
};

}  // namespace corvel
