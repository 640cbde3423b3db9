// SSE2 forms of the hot primitives: the plain tables with those slots replaced; same values.
#pragma once
#include <cstdint>

#include "rowops/Primitives.h"

namespace corvel::detail {

PrimitiveTable<std::int16_t> MakeSignedSimdTable();
PrimitiveTable<std::uint16_t> MakeUnsignedSimdTable();

}  // namespace corvel::detail
