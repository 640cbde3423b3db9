#include "rowops/PixelHelpers.h"

namespace corvel {

void PremultiplyPixel(std::uint8_t* dst, const std::uint8_t* src) {
  const std::uint32_t a = src[3];
  for (int c = 0; c < 3; ++c) dst[c] = static_cast<std::uint8_t>(PremultiplyChannel(src[c], a, 255));
  dst[3] = static_cast<std::uint8_t>(a);
}

void UnpremultiplyPixel(std::uint8_t* dst, const std::uint8_t* src) {
  const std::uint32_t a = src[3];
  for (int c = 0; c < 3; ++c) dst[c] = static_cast<std::uint8_t>(UnpremultiplyChannel(src[c], a, 255));
  dst[3] = static_cast<std::uint8_t>(a);
}

void PremultiplyPixel16(void* dst, const void* src) {
  const auto* s = static_cast<const std::uint8_t*>(src);
  auto* d = static_cast<std::uint8_t*>(dst);
  const std::uint32_t a = Load16(s + 6);
  for (int c = 0; c < 3; ++c) Store16(d + 2 * c, PremultiplyChannel(Load16(s + 2 * c), a, 65535));
  Store16(d + 6, a);
}

void UnpremultiplyPixel16(void* dst, const void* src) {
  const auto* s = static_cast<const std::uint8_t*>(src);
  auto* d = static_cast<std::uint8_t*>(dst);
  const std::uint32_t a = Load16(s + 6);
  for (int c = 0; c < 3; ++c) Store16(d + 2 * c, UnpremultiplyChannel(Load16(s + 2 * c), a, 65535));
  Store16(d + 6, a);
}

void PremultiplyRowInPlace(int count, std::uint8_t* row) {
  for (int i = 0; i < count; ++i, row += 4) PremultiplyPixel(row, row);
}

void UnpremultiplyRowInPlace(int count, std::uint8_t* row) {
  for (int i = 0; i < count; ++i, row += 4) UnpremultiplyPixel(row, row);
}

void UnpremultiplyGreyARowInPlace(int count, std::uint8_t* row) {
  for (int i = 0; i < count; ++i, row += 2) {
    row[0] = static_cast<std::uint8_t>(UnpremultiplyChannel(row[0], row[1], 255));
  }
}

namespace {

template <int DstStep, int SrcStep>
void Strided8(std::uint8_t* dst, const std::uint8_t* src, int count) {
  for (int i = 0; i < count; ++i) dst[i * DstStep] = src[i * SrcStep];
}

void Strided8General(std::uint8_t* dst, int dstStep, const std::uint8_t* src, int srcStep, int count) {
  for (int i = 0; i < count; ++i) dst[i * dstStep] = src[i * srcStep];
}

template <int DstStep, int SrcStep>
void Strided16(std::uint8_t* dst, const std::uint8_t* src, int count) {
  for (int i = 0; i < count; ++i) std::memcpy(dst + 2 * i * DstStep, src + 2 * i * SrcStep, 2);
}

void Strided16General(std::uint8_t* dst, int dstStep, const std::uint8_t* src, int srcStep, int count) {
  for (int i = 0; i < count; ++i) std::memcpy(dst + 2 * i * dstStep, src + 2 * i * srcStep, 2);
}

// Dedicated loops for the step pairs the channel kernels use; the steps as compile-time
// constants let the compiler unroll and vectorise them.
template <template <int, int> class Loop, class Byte, class General>
void DispatchStrided(Byte* dst, int dstStep, const Byte* src, int srcStep, int count, General general) {
  switch (dstStep * 16 + srcStep) {
    case 1 * 16 + 1:
      Loop<1, 1>::Run(dst, src, count);
      return;
    case 1 * 16 + 2:
      Loop<1, 2>::Run(dst, src, count);
      return;
    case 1 * 16 + 3:
      Loop<1, 3>::Run(dst, src, count);
      return;
    case 1 * 16 + 4:
      Loop<1, 4>::Run(dst, src, count);
      return;
    case 2 * 16 + 1:
      Loop<2, 1>::Run(dst, src, count);
      return;
    case 3 * 16 + 1:
      Loop<3, 1>::Run(dst, src, count);
      return;
    case 3 * 16 + 3:
      Loop<3, 3>::Run(dst, src, count);
      return;
    case 3 * 16 + 4:
      Loop<3, 4>::Run(dst, src, count);
      return;
    case 4 * 16 + 1:
      Loop<4, 1>::Run(dst, src, count);
      return;
    case 4 * 16 + 3:
      Loop<4, 3>::Run(dst, src, count);
      return;
    case 4 * 16 + 4:
      Loop<4, 4>::Run(dst, src, count);
      return;
    default:
      general(dst, dstStep, src, srcStep, count);
      return;
  }
}

template <int D, int S>
struct Loop8 {
  static void Run(std::uint8_t* dst, const std::uint8_t* src, int count) {
    if constexpr (D == 1 && S == 1)
      std::memmove(dst, src, static_cast<std::size_t>(count));
    else
      Strided8<D, S>(dst, src, count);
  }
};

template <int D, int S>
struct Loop16 {
  static void Run(std::uint8_t* dst, const std::uint8_t* src, int count) {
    if constexpr (D == 1 && S == 1)
      std::memmove(dst, src, 2 * static_cast<std::size_t>(count));
    else
      Strided16<D, S>(dst, src, count);
  }
};

}  // namespace

void CopyStrided8(std::uint8_t* dst, int dstStep, const std::uint8_t* src, int srcStep, int count) {
  if (count <= 0) return;
  DispatchStrided<Loop8>(dst, dstStep, src, srcStep, count, Strided8General);
}

void CopyStrided16(void* dst, int dstStep, const void* src, int srcStep, int count) {
  if (count <= 0) return;
  DispatchStrided<Loop16>(static_cast<std::uint8_t*>(dst), dstStep, static_cast<const std::uint8_t*>(src),
                          srcStep, count, Strided16General);
}

void Expand8To16(void* dst, const std::uint8_t* src, int count) {
  auto* d = static_cast<std::uint8_t*>(dst);
  for (int i = 0; i < count; ++i) Store16(d + 2 * i, src[i] * 257u);
}

namespace {

void ScaleAlphaBytes(std::uint8_t* row, int count, std::uint32_t opacity) {
  for (int i = 0; i < count; ++i)
    row[4 * i + 3] = static_cast<std::uint8_t>(MulDiv255(row[4 * i + 3], opacity));
}

void ScaleAllBytes(std::uint8_t* row, int count, std::uint32_t opacity) {
  for (int i = 0; i < 4 * count; ++i) row[i] = static_cast<std::uint8_t>(MulDiv255(row[i], opacity));
}

}  // namespace

OpacityScaler GetOpacityScaler(keFormat format) {
  if (format == keFormatBGRA) return ScaleAlphaBytes;
  if (format == keFormatBGRxA) return ScaleAllBytes;
  return nullptr;
}

}  // namespace corvel
