// Runs of bits inside rows of 1- and 4-bit pixels (the first pixel in a byte's top bits).
// Bit positions count from the top bit of the first byte; bytes outside the run keep their
// other bits.
#pragma once
#include <cstdint>

namespace corvel {

void FillBits(std::uint8_t* row, std::int64_t firstBit, std::int64_t bitCount, std::uint8_t pattern);
void CopyBits(std::uint8_t* destination, std::int64_t destinationBit, const std::uint8_t* source,
              std::int64_t sourceBit, std::int64_t bitCount);

}  // namespace corvel
