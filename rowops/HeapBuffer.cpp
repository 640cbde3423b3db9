#include "rowops/HeapBuffer.h"

#include <new>

#include "core/CoreResult.h"

namespace corvel {

std::int32_t HeapBuffer::Allocate(std::size_t n) {
  Free();
  if (n == 0) return 0;
  data_ = new (std::nothrow) std::uint8_t[n];
  if (data_ == nullptr) return keErrorNoMemory;
  size_ = n;
  return 0;
}

void HeapBuffer::Free() {
  delete[] data_;
  data_ = nullptr;
  size_ = 0;
}

}  // namespace corvel
