#include "rowops/Primitives.h"

#include "rowops/RowOperation.h"
#include "rowops/detail/PrimitivesPlain.h"
#include "rowops/detail/PrimitivesSse2.h"

namespace corvel {

const RowPrimitiveTable& GetRowPrimitiveTable() {
  static const RowPrimitiveTable simd = detail::MakeSignedSimdTable();
  return HasMmx() ? simd : detail::PlainPrimitives<std::int16_t>::kTable;
}

const FillPrimitiveTable& GetFillPrimitiveTable() {
  static const FillPrimitiveTable simd = detail::MakeUnsignedSimdTable();
  return HasMmx() ? simd : detail::PlainPrimitives<std::uint16_t>::kTable;
}

}  // namespace corvel
