#include "rowops/BitRuns.h"

#include <cstring>

namespace corvel {
namespace {

bool RunFits(const std::uint8_t* row, int firstBit, int rowBytes, int count) {
  return row != nullptr && count > 0 && firstBit >= 0 &&
         (static_cast<long long>(firstBit) + count + 7) / 8 <= rowBytes;
}

template <bool Set>
void FillBitRun(std::uint8_t* row, int firstBit, int rowBytes, int count) {
  if (!RunFits(row, firstBit, rowBytes, count)) return;
  int bit = firstBit;
  int end = firstBit + count;
  for (; bit < end && (bit & 7) != 0; ++bit) {
    std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (bit & 7));
    row[bit >> 3] = Set ? (row[bit >> 3] | mask) : (row[bit >> 3] & ~mask);
  }
  int wholeBytes = (end - bit) >> 3;
  std::memset(row + (bit >> 3), Set ? 0xFF : 0x00, static_cast<std::size_t>(wholeBytes));
  bit += wholeBytes * 8;
  for (; bit < end; ++bit) {
    std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (bit & 7));
    row[bit >> 3] = Set ? (row[bit >> 3] | mask) : (row[bit >> 3] & ~mask);
  }
}

int GetBit(const std::uint8_t* row, int bit) { return (row[bit >> 3] >> (7 - (bit & 7))) & 1; }

void PutBit(std::uint8_t* row, int bit, int value) {
  std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (bit & 7));
  row[bit >> 3] = static_cast<std::uint8_t>(value ? (row[bit >> 3] | mask) : (row[bit >> 3] & ~mask));
}

}  // namespace

void ClearBitRun(std::uint8_t* row, int firstBit, int rowBytes, int count) {
  FillBitRun<false>(row, firstBit, rowBytes, count);
}

void SetBitRun(std::uint8_t* row, int firstBit, int rowBytes, int count) {
  FillBitRun<true>(row, firstBit, rowBytes, count);
}

void CopyBitRun(std::uint8_t* dst, int dstFirstBit, int dstBytes, const std::uint8_t* src, int srcFirstBit,
                int srcBytes, int count) {
  if (!RunFits(dst, dstFirstBit, dstBytes, count) || !RunFits(src, srcFirstBit, srcBytes, count)) {
    return;
  }
  if ((dstFirstBit & 7) == 0 && (srcFirstBit & 7) == 0) {
    std::memmove(dst + (dstFirstBit >> 3), src + (srcFirstBit >> 3), static_cast<std::size_t>(count >> 3));
    int done = count & ~7;
    for (int i = done; i < count; ++i) {
      PutBit(dst, dstFirstBit + i, GetBit(src, srcFirstBit + i));
    }
    return;
  }
  // Unaligned runs: each destination byte is assembled from the two source bytes it straddles.
  int i = 0;
  for (; i < count && ((dstFirstBit + i) & 7) != 0; ++i) {
    PutBit(dst, dstFirstBit + i, GetBit(src, srcFirstBit + i));
  }
  for (; i + 8 <= count; i += 8) {
    int s = srcFirstBit + i;
    unsigned pair = static_cast<unsigned>(src[s >> 3]) << 8;
    if ((s & 7) != 0) pair |= src[(s >> 3) + 1];
    dst[(dstFirstBit + i) >> 3] = static_cast<std::uint8_t>(pair >> (8 - (s & 7)));
  }
  for (; i < count; ++i) PutBit(dst, dstFirstBit + i, GetBit(src, srcFirstBit + i));
}

void FillNibbleRun(std::uint32_t value, std::uint8_t* row, bool oddStart, int byteCount, int count) {
  if (row == nullptr || count <= 0 || (static_cast<long long>(oddStart) + count + 1) / 2 > byteCount) {
    return;
  }
  const std::uint8_t nibble = static_cast<std::uint8_t>(value & 0x0F);
  std::uint8_t* p = row;
  if (oddStart) {
    *p = static_cast<std::uint8_t>((*p & 0xF0) | nibble);
    ++p;
    --count;
  }
  std::memset(p, nibble * 0x11, static_cast<std::size_t>(count / 2));
  p += count / 2;
  if (count & 1) *p = static_cast<std::uint8_t>((*p & 0x0F) | (nibble << 4));
}

}  // namespace corvel
