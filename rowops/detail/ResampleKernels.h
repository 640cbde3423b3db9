// Pixel kernels of the bilinear and bicubic resamplers: one footprint (2 x 2 or 4 x 4 pixels at
// p, rows stride bytes apart) to one output pixel. Integer arithmetic only; the alpha formats
// weight colours by alpha.
#pragma once
#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "rowops/PixelHelpers.h"
#include "rowops/Resampler.h"

namespace corvel::detail {

template <typename T>
inline std::uint32_t Channel(const std::uint8_t* p, int index) {
  if constexpr (sizeof(T) == 1) {
    return p[index];
  } else {
    return Load16(p + 2 * index);
  }
}

template <typename T>
inline void PutChannel(std::uint8_t* p, int index, std::uint32_t value) {
  if constexpr (sizeof(T) == 1) {
    p[index] = static_cast<std::uint8_t>(value);
  } else {
    Store16(p + 2 * index, value);
  }
}

// The exact bilinear value truncated, in unsigned 32-bit arithmetic (differences wrap and come
// back, the result stays below 2^32 for 16-bit channels).
inline std::uint32_t Bilinear(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                              std::uint32_t fx, std::uint32_t fy) {
  std::uint32_t top = (b - a) * fx + a * 256;
  std::uint32_t bottom = (d - c) * fx + c * 256;
  return ((bottom - top) * fy + top * 256) >> 16;
}

// Kernels with a RunPair for two footprints at once say so.
template <class Kernel, class = void>
struct HasPairs : std::false_type {};
template <class Kernel>
struct HasPairs<Kernel, std::void_t<decltype(Kernel::kPairs)>> : std::bool_constant<Kernel::kPairs> {};

// Every channel alike: grey, colour, and the premultiplied formats.
template <typename T, int Channels>
struct BilinearPlain {
  static constexpr int kPixelBytes = Channels * int(sizeof(T));
  static void Run(std::uint8_t* out, const std::uint8_t* p, std::intptr_t stride, std::uint32_t fx,
                  std::uint32_t fy) {
    const std::uint8_t* q = p + stride;
    for (int i = 0; i < Channels; ++i) {
      PutChannel<T>(out, i,
                    Bilinear(Channel<T>(p, i), Channel<T>(p, i + Channels), Channel<T>(q, i),
                             Channel<T>(q, i + Channels), fx, fy));
    }
  }
};

// Colours then alpha, 8-bit, straight alpha.
template <int Colours>
struct BilinearAlpha8 {
  static constexpr int kPixelBytes = Colours + 1;
  static void Run(std::uint8_t* out, const std::uint8_t* p, std::intptr_t stride, std::uint32_t fx,
                  std::uint32_t fy) {
    constexpr int n = kPixelBytes;
    const std::uint8_t* q = p + stride;
    const std::uint32_t alpha = Bilinear(p[Colours], p[Colours + n], q[Colours], q[Colours + n], fx, fy);
    out[Colours] = static_cast<std::uint8_t>(alpha);
    if (alpha == 0) {
      for (int i = 0; i < Colours; ++i) out[i] = 0;
      return;
    }
    if (alpha == 255) {
      for (int i = 0; i < Colours; ++i)
        out[i] = static_cast<std::uint8_t>(Bilinear(p[i], p[i + n], q[i], q[i + n], fx, fy));
      return;
    }
    const std::int32_t sx = static_cast<std::int32_t>(fx), sy = static_cast<std::int32_t>(fy);
    for (int i = 0; i < Colours; ++i) {
      const std::int32_t qa = p[i] * p[Colours], qb = p[i + n] * p[Colours + n];
      const std::int32_t qc = q[i] * q[Colours], qd = q[i + n] * q[Colours + n];
      const std::int32_t top = (qb - qa) * sx + qa * 256;
      const std::int32_t bottom = ((qd - qc) * sx + qc * 256) >> 8;
      const std::int32_t value = ((bottom - (top >> 8)) * sy + (top & ~0xFF)) >> 8;
      out[i] = static_cast<std::uint8_t>(
          std::min<std::uint32_t>(static_cast<std::uint32_t>(value) / alpha, 255));
    }
  }
};

// Colours then alpha, 16-bit, straight alpha.
template <int Colours>
struct BilinearAlpha16 {
  static constexpr int kPixelBytes = 2 * (Colours + 1);
  static void Run(std::uint8_t* out, const std::uint8_t* p, std::intptr_t stride, std::uint32_t fx,
                  std::uint32_t fy) {
    constexpr int n = Colours + 1;
    const std::uint8_t* q = p + stride;
    using T = std::uint16_t;
    const std::uint32_t aa = Channel<T>(p, Colours), ab = Channel<T>(p, Colours + n);
    const std::uint32_t ac = Channel<T>(q, Colours), ad = Channel<T>(q, Colours + n);
    const std::uint32_t alpha = Bilinear(aa, ab, ac, ad, fx, fy);
    PutChannel<T>(out, Colours, alpha);
    for (int i = 0; i < Colours; ++i) {
      std::uint32_t value = 0;
      if (alpha == 65535) {
        value = Bilinear(Channel<T>(p, i), Channel<T>(p, i + n), Channel<T>(q, i), Channel<T>(q, i + n), fx,
                         fy);
      } else if (alpha != 0) {
        const std::int64_t qa = Channel<T>(p, i) * aa / 65535, qb = Channel<T>(p, i + n) * ab / 65535;
        const std::int64_t qc = Channel<T>(q, i) * ac / 65535, qd = Channel<T>(q, i + n) * ad / 65535;
        const std::int64_t top = (qb - qa) * fx + qa * 256;
        const std::int64_t blended = ((((qd - qc) * fx + qc * 256) - top) * fy + (top + 128) * 256) >> 16;
        value = static_cast<std::uint32_t>(std::min<std::int64_t>(blended * 65535 / alpha, 65535));
      }
      PutChannel<T>(out, i, value);
    }
  }
};

// One 4 x 4 channel sum: rows through wx, then down through wy, each shifted by 8.
template <typename T>
inline std::int32_t CubicSum(const std::uint8_t* p, std::intptr_t stride, int channel, int step,
                             const std::int32_t* wx, const std::int32_t* wy) {
  std::int32_t sum = 0;
  for (int k = 0; k < 4; ++k) {
    const std::uint8_t* row = p + k * stride;
    std::int32_t r = 0;
    for (int l = 0; l < 4; ++l) r += static_cast<std::int32_t>(Channel<T>(row, channel + l * step)) * wx[l];
    sum += (r >> 8) * wy[k];
  }
  return sum >> 8;
}

template <typename T, int Channels>
struct BicubicPlain {
  static constexpr int kPixelBytes = Channels * int(sizeof(T));
  static constexpr std::int32_t kLimit = sizeof(T) == 1 ? 255 : 65535;
  static void Run(std::uint8_t* out, const std::uint8_t* p, std::intptr_t stride, const std::int32_t* wx,
                  const std::int32_t* wy) {
    for (int i = 0; i < Channels; ++i)
      PutChannel<T>(
          out, i,
          static_cast<std::uint32_t>(std::clamp(CubicSum<T>(p, stride, i, Channels, wx, wy), 0, kLimit)));
  }
};

template <typename T, int Colours>
struct BicubicAlpha {
  static constexpr int kChannels = Colours + 1;
  static constexpr int kPixelBytes = kChannels * int(sizeof(T));
  static constexpr std::int64_t kLimit = sizeof(T) == 1 ? 255 : 65535;
  static void Run(std::uint8_t* out, const std::uint8_t* p, std::intptr_t stride, const std::int32_t* wx,
                  const std::int32_t* wy) {
    const std::int64_t raw = CubicSum<T>(p, stride, Colours, kChannels, wx, wy);
    const std::int64_t alpha = std::clamp<std::int64_t>(raw, 0, kLimit);
    PutChannel<T>(out, Colours, static_cast<std::uint32_t>(alpha));
    for (int i = 0; i < Colours; ++i) {
      std::int64_t value = 0;
      if (raw == kLimit) {
        value = std::clamp<std::int64_t>(CubicSum<T>(p, stride, i, kChannels, wx, wy), 0, kLimit);
      } else if (alpha != 0) {
        std::int64_t sum = 0;
        for (int k = 0; k < 4; ++k) {
          const std::uint8_t* row = p + k * stride;
          std::int64_t r = 0;
          for (int l = 0; l < 4; ++l) {
            r += std::int64_t{Channel<T>(row, i + l * kChannels)} * Channel<T>(row, Colours + l * kChannels) *
                 wx[l];
          }
          sum += ((r >> 8) + kLimit / 2) / kLimit * wy[k];
        }
        sum >>= 8;
        value = sum < 0 ? 0 : std::min(sum * kLimit / raw, kLimit);
      }
      PutChannel<T>(out, i, static_cast<std::uint32_t>(value));
    }
  }
};

}  // namespace corvel::detail
