// Runs of pixels in the packed 1- and 4-bit formats. Bit 0 of a 1-bit row is the most
// significant bit of its first byte; nibble 0 of a 4-bit row is the high nibble.
#pragma once
#include <cstdint>

namespace corvel {

// Clear or set count bits from firstBit; nothing when the row is null, the count is not positive
// or the run does not fit in rowBytes.
void ClearBitRun(std::uint8_t* row, int firstBit, int rowBytes, int count);
void SetBitRun(std::uint8_t* row, int firstBit, int rowBytes, int count);

// Copies count bits; destination bits outside the run keep their values. Nothing when a run
// does not fit its row.
void CopyBitRun(std::uint8_t* dst, int dstFirstBit, int dstBytes, const std::uint8_t* src, int srcFirstBit,
                int srcBytes, int count);

// Writes the low nibble of value into count nibbles, from the low nibble of the first byte when
// oddStart is set. Nothing when the run does not fit in byteCount.
void FillNibbleRun(std::uint32_t value, std::uint8_t* row, bool oddStart, int byteCount, int count);

}  // namespace corvel
