// Row operations (namespace corvel): every per-pixel job of the core is a small operation object,
// bound once to a destination and a source format, after which a kernel (a plain function)
// processes one row per call. Kernels come from per-operation tables of records keyed by
// (destination, source, variant). Uses the image core; the generators, the vector renderer and
// the framework build on it.
#pragma once
#include <cstdint>
#include <memory>

#include "core/PixelFormat.h"

namespace corvel {

class CRowIteratorBands;
class RowOpContext;
class RowOperation;

enum RowOperationType : std::int32_t {
  keRoNOP = 0,
  keRoChannelConstant = 1,
  keRoChannelLUT = 2,
  keRoChannelGet = 3,
  keRoChannelSet = 4,
  keRoChannelCopy = 5,
  keRoChannelMulEqual = 6,
  keRoChannelLinear = 7,
  keRoRowAdjustWvk = 8,
  keRoRowArithmetic = 9,
  keRoRowBlend = 10,
  keRoRowBlendWvk = 12,
  keRoRowBlendSolid = 13,
  keRoRowCopy = 14,
  keRoRowCopyIndexed = 15,
  keRoRowCopyPalettedWithTransparencyIndex = 16,
  keRoRowDematte = 17,
  keRoRowErase = 18,
  keRoRowFill = 19,
  keRoRowHSLAdjust = 20,
  keRoRowHSLCopyChannel = 21,
  keRoRowRGBAdjust = 22,
  keRoRowInvert = 23,
  keRoRowMask = 24,
  keRoRowMaskOverSolid = 25,
  keRoRowMatte = 26,
  keRoRowMulEqual = 27,
  keRoRowNoise = 28,
  keRoRowReplaceColor = 29,
  keRoRowPlusEqual = 30,
  keRoRowTurbulence = 31,
  keRoHighPass = 33,
};

// The enumerator's name, or "Unknown".
const char* RowOperationTypeName(std::int32_t code);

// One row of an argument block. Packed 1- and 4-bit rows start at pixel x mod 8 (x mod 2) of
// their first byte.
struct RowOpRow {
  keFormat format = keFormatNone;
  std::int32_t count = 0;                 // pixels
  void* row = nullptr;                    // first byte of the row
  std::int32_t paletteSize = 0;           // entries
  const std::uint8_t* palette = nullptr;  // 4-byte entries: blue, green, red, spare
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t reserved[2] = {0, 0};

  // Format and palette as the image presents them (the grey ramp for the 8-bit grey formats),
  // and the position.
  void SetFromImage(const CRowIteratorBands& image, std::int32_t x, std::int32_t y);
};

struct RowOpArgs {
  RowOpRow dst;
  RowOpRow src;

  void SetDestination(const CRowIteratorBands& image, std::int32_t x, std::int32_t y) {
    dst.SetFromImage(image, x, y);
  }
  void SetSource(const CRowIteratorBands& image, std::int32_t x, std::int32_t y) {
    src.SetFromImage(image, x, y);
  }
};

// Processes dst.count pixels; callers set the source count equal.
using RowOpKernel = void (*)(const RowOperation& op, const RowOpArgs& args);

// The one kernel that does nothing.
void EmptyFunction(const RowOperation& op, const RowOpArgs& args);

enum RowOpVariant : std::int32_t { keVariantPlain = 0, keVariantMmx = 1 };

// Tables are runs of records ended by one whose kernel is null.
struct RowOpKernelRecord {
  keFormat dst;
  keFormat src;  // keFormatNone for operations without a source
  std::int32_t variant;
  RowOpKernel kernel;
};

// Variant modes: 0 the plain kernel, 1 the "MMX" kernel, 2 the "MMX" kernel when the table has
// one and the processor can run it, else the plain one. A miss gives EmptyFunction.
RowOpKernel FindRowOpKernel(const RowOpKernelRecord* table, keFormat dst, keFormat src, int variantMode);

// Whether the SIMD kernels may run, by the process-wide processor record (core/CpuFeatures.h);
// tests force either answer through CpuFeaturesOverride. ProbeMmx asks the processor itself.
bool HasMmx();
int ProbeMmx();

class RowOperation {
 public:
  explicit RowOperation(RowOperationType code) : code_(code) {}
  virtual ~RowOperation() = default;

  virtual std::unique_ptr<RowOperation> Clone() const = 0;
  // Stores this operation as the context's bound op and the chosen kernel (EmptyFunction when
  // none); answers the kernel.
  virtual RowOpKernel Bind(RowOpContext& context, const RowOpArgs& args, int variantMode, int flag);
  // Deletes a bound op the operation stored in place of itself; clears bound op and kernel.
  virtual void Unbind(RowOpContext& context);
  // The kernel for the pair, or null.
  virtual RowOpKernel ChooseKernel(keFormat dst, keFormat src, int variantMode, int flag) const = 0;

  RowOperationType Code() const { return code_; }

 protected:
  RowOperation(const RowOperation&) = default;
  RowOperation& operator=(const RowOperation&) = default;

 private:
  RowOperationType code_;
};

// An operation whose kernel comes from one fixed table.
template <class Derived>
class TableRowOperation : public RowOperation {
 public:
  using RowOperation::RowOperation;
  std::unique_ptr<RowOperation> Clone() const override {
    return std::make_unique<Derived>(static_cast<const Derived&>(*this));
  }
  RowOpKernel ChooseKernel(keFormat dst, keFormat src, int variantMode, int) const override {
    return FindRowOpKernel(Derived::KernelTable(), dst, src, variantMode);
  }
};

}  // namespace corvel
