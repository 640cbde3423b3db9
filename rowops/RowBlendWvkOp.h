// The editor-compatible blend (keRoRowBlendWvk): a source row over a destination row in one of
// the modes of rowops/BlendModes.h, at an opacity, optionally weighed by blend-range tables and
// keeping the destination's alpha. Binding picks a specialised kernel, a generic loop, a
// special-mode kernel or a kernel of the simpler blend by mode and pair.
#pragma once
#include <cstdint>

#include "rowops/BlendModes.h"
#include "rowops/RowOperation.h"

namespace corvel {

class RowBlendWvkOp : public RowOperation {
 public:
  explicit RowBlendWvkOp(std::int32_t mode) : RowOperation(keRoRowBlendWvk), mode_(mode) {}

  // Null when memory runs out.
  std::unique_ptr<RowOperation> Clone() const override;
  RowOpKernel Bind(RowOpContext& context, const RowOpArgs& args, int variantMode, int flag) override;
  void Unbind(RowOpContext& context) override;
  RowOpKernel ChooseKernel(keFormat dst, keFormat src, int variantMode, int flag) const override;

  std::int32_t Mode() const { return mode_; }
  std::uint32_t Opacity() const { return opacity_; }
  void SetOpacity(std::uint32_t opacity) { opacity_ = opacity > 255 ? 255 : opacity; }
  const BlendRangeTables* Tables() const { return tables_; }
  // The tables are not owned; count 0 or null means none.
  void SetTables(const BlendRangeTables* tables) { tables_ = tables; }
  bool HasTables() const { return tables_ && tables_->count >= 1; }
  bool KeepDestinationAlpha() const { return keepDestinationAlpha_ != 0; }
  void SetKeepDestinationAlpha(bool keep) { keepDestinationAlpha_ = keep ? 1 : 0; }
  std::int16_t DissolveStep() const { return dissolveStep_; }
  std::int32_t DissolveX() const { return dissolveX_; }
  std::int32_t DissolveY() const { return dissolveY_; }
  void SetDissolve(std::int16_t step, std::int32_t x, std::int32_t y) {
    dissolveStep_ = step;
    dissolveX_ = x;
    dissolveY_ = y;
  }
  std::int32_t SpecialFlag() const { return specialFlag_; }
  void SetSpecialFlag(std::int32_t flag) { specialFlag_ = flag; }
  const BlendChannelFunction& ChannelFunction() const { return channelFunction_; }

 private:
  std::int32_t mode_;
  std::uint32_t opacity_ = 255;
  const BlendRangeTables* tables_ = nullptr;
  std::uint8_t keepDestinationAlpha_ = 0;
  std::int16_t dissolveStep_ = 1;
  std::int32_t dissolveX_ = 0;
  std::int32_t dissolveY_ = 0;
  std::int32_t specialFlag_ = 0;
  BlendChannelFunction channelFunction_;
};

// The operation behind the base a kernel receives: kernels are bound to one operation's kind.
inline const RowBlendWvkOp& WvkOf(const RowOperation& op) { return static_cast<const RowBlendWvkOp&>(op); }

// The mode-0 kernel for the operation's pair and opacity.
RowOpKernel ChooseNormalBlendKernel(const RowBlendWvkOp& op, const RowOpArgs& args);

// Special modes: kernels for colour pairs (BGR/BGRA both sides) and grey pairs (Grey/GreyA);
// null for any other pair. The mask modes take the curve kernels for a non-zero flag.
RowOpKernel ChooseBehindKernel(keFormat dst, keFormat src);
RowOpKernel ChooseAddKernel(keFormat dst, keFormat src);
RowOpKernel ChooseSubtractKernel(keFormat dst, keFormat src);
RowOpKernel ChooseLightenMaskKernel(keFormat dst, keFormat src, std::int32_t specialFlag);
RowOpKernel ChooseDarkenMaskKernel(keFormat dst, keFormat src, std::int32_t specialFlag);
// The 256-entry tone curve of a mask mode (253 or 254) for a non-zero special flag.
const std::uint8_t* GetMaskCurve(std::int32_t mode, std::int32_t specialFlag);

}  // namespace corvel
