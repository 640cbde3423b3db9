// Shorthand for the kernel tables: a plain or an "MMX" (SIMD) record for a format pair, and the
// record that ends a table.
#pragma once
#include "rowops/RowOperation.h"

namespace corvel::detail {

constexpr RowOpKernelRecord Plain(keFormat dst, keFormat src, RowOpKernel kernel) {
  return {dst, src, keVariantPlain, kernel};
}
constexpr RowOpKernelRecord Mmx(keFormat dst, keFormat src, RowOpKernel kernel) {
  return {dst, src, keVariantMmx, kernel};
}
constexpr RowOpKernelRecord kEnd{keFormatNone, keFormatNone, 0, nullptr};

}  // namespace corvel::detail
