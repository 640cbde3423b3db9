// Compile-time descriptions of the channel formats, for the templated row kernels.
#pragma once
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "rowops/PixelHelpers.h"

namespace corvel::detail {

template <typename T, int Channels, bool Grey, bool Alpha, bool Premultiplied>
struct ChannelFormat {
  using Channel = T;
  static constexpr int kChannels = Channels;
  static constexpr int kBytes = Channels * static_cast<int>(sizeof(T));
  static constexpr bool kGrey = Grey;
  static constexpr bool kAlpha = Alpha;
  static constexpr bool kPremultiplied = Premultiplied;
  static constexpr bool kWide = sizeof(T) == 2;
  static constexpr std::uint32_t kMax = kWide ? 65535 : 255;

  static std::uint32_t Get(const std::uint8_t* pixel, int channel) {
    if constexpr (kWide)
      return Load16(pixel + 2 * channel);
    else
      return pixel[channel];
  }
  static void Put(std::uint8_t* pixel, int channel, std::uint32_t value) {
    if constexpr (kWide)
      Store16(pixel + 2 * channel, value);
    else
      pixel[channel] = static_cast<std::uint8_t>(value);
  }
};

using Grey8 = ChannelFormat<std::uint8_t, 1, true, false, false>;
using GreyA8 = ChannelFormat<std::uint8_t, 2, true, true, false>;
using BGR8 = ChannelFormat<std::uint8_t, 3, false, false, false>;
using BGRA8 = ChannelFormat<std::uint8_t, 4, false, true, false>;
using BGRxA8 = ChannelFormat<std::uint8_t, 4, false, true, true>;
using Grey16 = ChannelFormat<std::uint16_t, 1, true, false, false>;
using GreyA16 = ChannelFormat<std::uint16_t, 2, true, true, false>;
using BGR16 = ChannelFormat<std::uint16_t, 3, false, false, false>;
using BGRA16 = ChannelFormat<std::uint16_t, 4, false, true, false>;
using BGRxA16 = ChannelFormat<std::uint16_t, 4, false, true, true>;

// 8-bit values widen by x 257 and narrow to their high byte.
template <class From, class To>
constexpr std::uint32_t ChangeDepth(std::uint32_t v) {
  if constexpr (From::kWide == To::kWide)
    return v;
  else if constexpr (To::kWide)
    return v * 257;
  else
    return v >> 8;
}

constexpr std::uint32_t GreyOf(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (77 * r + 151 * g + 28 * b) >> 8;
}

}  // namespace corvel::detail
