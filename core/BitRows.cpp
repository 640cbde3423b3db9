#include "core/detail/BitRows.h"

#include <cstring>

namespace corvel {
namespace {

std::int64_t FloorDiv8(std::int64_t value) { return value >= 0 ? value / 8 : -((-value + 7) / 8); }

void Merge(std::uint8_t& byte, std::uint8_t value, std::uint8_t mask) {
  byte = static_cast<std::uint8_t>((byte & ~mask) | (value & mask));
}

// The mask of bits [from, to) of one byte, 0 being the top bit.
std::uint8_t BitMask(int from, int to) {
  return static_cast<std::uint8_t>((0xFF >> from) & (0xFF << (8 - to)));
}

}  // namespace

void FillBits(std::uint8_t* row, std::int64_t firstBit, std::int64_t bitCount, std::uint8_t pattern) {
  if (bitCount <= 0) return;
  const std::int64_t endBit = firstBit + bitCount;
  const std::int64_t firstByte = firstBit / 8, lastByte = (endBit - 1) / 8;
  const int head = static_cast<int>(firstBit % 8), tail = static_cast<int>((endBit - 1) % 8) + 1;
  if (firstByte == lastByte) {
    Merge(row[firstByte], pattern, BitMask(head, tail));
    return;
  }
  Merge(row[firstByte], pattern, BitMask(head, 8));
  std::memset(row + firstByte + 1, pattern, static_cast<std::size_t>(lastByte - firstByte - 1));
  Merge(row[lastByte], pattern, BitMask(0, tail));
}

void CopyBits(std::uint8_t* destination, std::int64_t destinationBit, const std::uint8_t* source,
              std::int64_t sourceBit, std::int64_t bitCount) {
  if (bitCount <= 0) return;
  const std::int64_t endBit = destinationBit + bitCount;
  const std::int64_t firstByte = destinationBit / 8, lastByte = (endBit - 1) / 8;
  const std::int64_t sourceFirst = sourceBit / 8, sourceLast = (sourceBit + bitCount - 1) / 8;
  // Source bytes outside the run read as 0; their bits never reach the destination.
  auto sourceByte = [&](std::int64_t i) -> unsigned {
    return i >= sourceFirst && i <= sourceLast ? source[i] : 0u;
  };
  const std::int64_t shift = sourceBit - destinationBit;
  for (std::int64_t k = firstByte; k <= lastByte; ++k) {
    const std::int64_t start = 8 * k + shift;  // source bit under this byte's top bit
    const std::int64_t i = FloorDiv8(start);
    const int offset = static_cast<int>(start - 8 * i);
    const auto value = static_cast<std::uint8_t>(((sourceByte(i) << 8) | sourceByte(i + 1)) >> (8 - offset));
    const int from = k == firstByte ? static_cast<int>(destinationBit % 8) : 0;
    const int to = k == lastByte ? static_cast<int>((endBit - 1) % 8) + 1 : 8;
    Merge(destination[k], value, BitMask(from, to));
  }
}

}  // namespace corvel
