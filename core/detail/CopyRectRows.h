// Row addressing shared by the plain and SIMD rectangle copies.
#pragma once
#include <cstddef>
#include <cstdint>

namespace corvel::detail {

// Row pointers are computed from the first row, never stepped past the last one.
inline std::uint8_t* RowOf(std::uint8_t* first, std::intptr_t stride, std::size_t row) {
  return first + static_cast<std::intptr_t>(row) * stride;
}
inline const std::uint8_t* RowOf(const std::uint8_t* first, std::intptr_t stride, std::size_t row) {
  return first + static_cast<std::intptr_t>(row) * stride;
}

}  // namespace corvel::detail
