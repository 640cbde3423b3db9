// Per-pixel helpers shared by the conversion, channel, fill and mask kernels.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/PixelFormat.h"

namespace corvel {

// round(a x b / 255) for bytes, exact: t = a b + 128, (t + (t >> 8)) >> 8.
constexpr std::uint32_t MulDiv255(std::uint32_t a, std::uint32_t b) { return Div255Exact(a * b); }
// round(a x b / 65535) for 16-bit values.
constexpr std::uint32_t MulDiv65535(std::uint32_t a, std::uint32_t b) {
  std::uint64_t t = std::uint64_t{a} * b + 32768;
  return static_cast<std::uint32_t>((t + (t >> 16)) >> 16);
}

// One colour channel against its alpha, for 8-bit (max 255) or 16-bit (max 65535) channels.
// Alpha 0 gives 0 and full alpha keeps the value; premultiplying rounds c x a / max, and
// un-premultiplying gives max for c >= a, else c x max / a truncated.
constexpr std::uint32_t PremultiplyChannel(std::uint32_t c, std::uint32_t a, std::uint32_t max) {
  return a == 0 ? 0 : a >= max ? c : max == 255 ? MulDiv255(c, a) : MulDiv65535(c, a);
}
constexpr std::uint32_t UnpremultiplyChannel(std::uint32_t c, std::uint32_t a, std::uint32_t max) {
  return a == 0 ? 0 : a >= max ? c : c >= a ? max : c * max / a;
}

// Rows of 16-bit formats are read and written through these, so no alignment is assumed.
inline std::uint16_t Load16(const void* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void Store16(void* p, std::uint32_t v) {
  std::uint16_t w = static_cast<std::uint16_t>(v);
  std::memcpy(p, &w, 2);
}

// One BGRA pixel to another (the same address is allowed), by the channel rules above; alpha 0
// clears the whole pixel.
void PremultiplyPixel(std::uint8_t* dst, const std::uint8_t* src);
void UnpremultiplyPixel(std::uint8_t* dst, const std::uint8_t* src);
void PremultiplyPixel16(void* dst, const void* src);
void UnpremultiplyPixel16(void* dst, const void* src);
void PremultiplyRowInPlace(int count, std::uint8_t* row);
void UnpremultiplyRowInPlace(int count, std::uint8_t* row);
// Grey becomes 0 where alpha is 0.
void UnpremultiplyGreyARowInPlace(int count, std::uint8_t* row);

// One channel between interleaved rows; steps in bytes (8) or 16-bit words (16).
void CopyStrided8(std::uint8_t* dst, int dstStep, const std::uint8_t* src, int srcStep, int count);
void CopyStrided16(void* dst, int dstStep, const void* src, int srcStep, int count);

// Each byte times 257.
void Expand8To16(void* dst, const std::uint8_t* src, int count);

struct SpanSplit {
  int head;
  int body;
  int tail;
};
// Head up to the next multiple of alignment (at most the length), whole blocks, then the rest.
constexpr SpanSplit SplitSpanForAlignment(std::uintptr_t position, int length, int alignment, int block) {
  int misalignment = static_cast<int>(position % static_cast<std::uintptr_t>(alignment));
  int head = misalignment > 0 ? alignment - misalignment : 0;
  if (head > length) head = length;
  int body = (length - head) / block * block;
  return {head, body, length - head - body};
}

// Scales a row of count pixels by an opacity byte.
using OpacityScaler = void (*)(std::uint8_t* row, int count, std::uint32_t opacity);
// BGRA: the alpha byte of each pixel; BGRxA: all four bytes; null for other formats.
OpacityScaler GetOpacityScaler(keFormat format);

}  // namespace corvel
