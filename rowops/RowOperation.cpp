#include "rowops/RowOperation.h"

#include "core/CpuFeatures.h"
#include "core/RowIteratorBands.h"
#include "rowops/RowOpContext.h"

namespace corvel {

const char* RowOperationTypeName(std::int32_t code) {
  static const char* const kNames[] = {"keRoNOP",
                                       "keRoChannelConstant",
                                       "keRoChannelLUT",
                                       "keRoChannelGet",
                                       "keRoChannelSet",
                                       "keRoChannelCopy",
                                       "keRoChannelMulEqual",
                                       "keRoChannelLinear",
                                       "keRoRowAdjustWvk",
                                       "keRoRowArithmetic",
                                       "keRoRowBlend",
                                       nullptr,
                                       "keRoRowBlendWvk",
                                       "keRoRowBlendSolid",
                                       "keRoRowCopy",
                                       "keRoRowCopyIndexed",
                                       "keRoRowCopyPalettedWithTransparencyIndex",
                                       "keRoRowDematte",
                                       "keRoRowErase",
                                       "keRoRowFill",
                                       "keRoRowHSLAdjust",
                                       "keRoRowHSLCopyChannel",
                                       "keRoRowRGBAdjust",
                                       "keRoRowInvert",
                                       "keRoRowMask",
                                       "keRoRowMaskOverSolid",
                                       "keRoRowMatte",
                                       "keRoRowMulEqual",
                                       "keRoRowNoise",
                                       "keRoRowReplaceColor",
                                       "keRoRowPlusEqual",
                                       "keRoRowTurbulence",
                                       nullptr,
                                       "keRoHighPass"};
  constexpr std::int32_t kCount = sizeof kNames / sizeof kNames[0];
  if (code < 0 || code >= kCount || kNames[code] == nullptr) return "Unknown";
  return kNames[code];
}

void RowOpRow::SetFromImage(const CRowIteratorBands& image, std::int32_t atX, std::int32_t atY) {
  format = image.GetFormat();
  paletteSize = image.GetPaletteSize();
  palette = reinterpret_cast<const std::uint8_t*>(image.GetPalette());
  x = atX;
  y = atY;
}

void EmptyFunction(const RowOperation&, const RowOpArgs&) {}

// The SIMD kernels are SSE2, which every x86-64 processor has; the record keeps the choice honest
// on a build for another processor, and lets tests force the plain kernels.
int ProbeMmx() { return ProbeCpuFeatures().sse2 ? 1 : 0; }

bool HasMmx() { return GetCpuFeatures().sse2; }

RowOpKernel FindRowOpKernel(const RowOpKernelRecord* table, keFormat dst, keFormat src, int variantMode) {
  if (table == nullptr) return EmptyFunction;
  RowOpKernel plain = nullptr, mmx = nullptr;
  for (const RowOpKernelRecord* record = table; record->kernel != nullptr; ++record) {
    if (record->dst != dst || record->src != src) continue;
    if (record->variant == keVariantPlain) plain = record->kernel;
    if (record->variant == keVariantMmx) mmx = record->kernel;
  }
  RowOpKernel chosen = nullptr;
  switch (variantMode) {
    case 0:
      chosen = plain;
      break;
    case 1:
      chosen = mmx;
      break;
    case 2:
      chosen = (mmx != nullptr && HasMmx()) ? mmx : plain;
      break;
    default:
      break;
  }
  return chosen != nullptr ? chosen : EmptyFunction;
}

RowOpKernel RowOperation::Bind(RowOpContext& context, const RowOpArgs& args, int variantMode, int flag) {
  RowOpKernel kernel = ChooseKernel(args.dst.format, args.src.format, variantMode, flag);
  if (kernel == nullptr) kernel = EmptyFunction;
  context.SetBinding(this, kernel);
  return kernel;
}

void RowOperation::Unbind(RowOpContext& context) {
  const RowOperation* bound = context.BoundOp();
  if (bound != nullptr && bound != this) delete bound;
  context.SetBinding(nullptr, nullptr);
}

}  // namespace corvel
