// One colour (red in bits 0..7, alpha in 24..31): filled where it is opaque, blended where not.
#pragma once
#include <cstdint>

#include "rowops/RowBlendOp.h"
#include "rowops/RowFillOp.h"
#include "rowops/RowOpContext.h"
#include "vector/PaintSource.h"

namespace corvel {

class SolidPaintSource : public PaintSource {
 public:
  explicit SolidPaintSource(std::uint32_t color) : color_(color), preparedColor_(color) {}

  // Binds the fill (opaque colours, and every colour on an indexed target, which takes the
  // palette entry nearest the colour) or the solid blend for the target's format; false when
  // the row buffer cannot be made or the operation cannot bind.
  bool Prepare(const PaintAttachRecord& record) override;
  bool Unprepare() override;
  bool IsOpaque() const override { return (color_ >> 24) == 255; }
  // BGRA spans take the colour as it is; spans of the prepared target's format go through the
  // bound operation; other formats are left alone.
  void GenerateSpan(RowOpRow& request) override;

 private:
  std::uint32_t color_;
  std::uint32_t preparedColor_;
  RowOpArgs args_;
  RowFillOp fill_{0, -1};
  RowBlendSolidOp blendSolid_{0};
  RowOpContext context_;
};

}  // namespace corvel
