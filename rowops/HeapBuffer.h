// An owned heap byte buffer for row users (paint sources, samplers).
#pragma once
#include <cstddef>
#include <cstdint>

namespace corvel {

class HeapBuffer {
 public:
  HeapBuffer() = default;
  ~HeapBuffer() { Free(); }
  HeapBuffer(const HeapBuffer&) = delete;
  HeapBuffer& operator=(const HeapBuffer&) = delete;

  // Replaces the buffer with n bytes (none for 0); 0, or 102 when the allocation fails.
  std::int32_t Allocate(std::size_t n);
  // Keeps the buffer when it holds n bytes already.
  std::int32_t Reserve(std::size_t n) { return n <= size_ ? 0 : Allocate(n); }
  void Free();

  std::size_t Size() const { return size_; }
  std::uint8_t* Data() const { return data_; }

 private:
  std::size_t size_ = 0;
  std::uint8_t* data_ = nullptr;
};

}  // namespace corvel
