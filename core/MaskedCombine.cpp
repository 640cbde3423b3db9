#include "core/MaskedCombine.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "core/RowThreads.h"

namespace corvel {
namespace {

// Every channel moves by the same 8-bit weight; the 16-bit form divides exactly.
inline std::uint32_t Blend8(std::uint32_t m, std::uint32_t d, std::uint32_t s) {
  const std::uint32_t t = (255 - m) * d + m * s + 128;
  return ((t >> 8) + t) >> 8;
}
inline std::uint32_t Blend16(std::uint32_t m, std::uint32_t d, std::uint32_t s) {
  return ((255 - m) * d + m * s + 127) / 255;
}

template <class Channel>
void CombineRow(Channel* dst, const Channel* src, const BYTE* mask, int width, int channels, bool hard) {
  for (int x = 0; x < width; ++x, dst += channels, src += channels) {
    const std::uint32_t m = mask[x];
    if (m == 0) continue;
    if (hard) {
      std::memcpy(dst, src, sizeof(Channel) * channels);
      continue;
    }
    for (int c = 0; c < channels; ++c) {
      Channel value;
      std::memcpy(&value, &dst[c], sizeof value);
      Channel other;
      std::memcpy(&other, &src[c], sizeof other);
      value = static_cast<Channel>(sizeof(Channel) == 1 ? Blend8(m, value, other) : Blend16(m, value, other));
      std::memcpy(&dst[c], &value, sizeof value);
    }
  }
}

}  // namespace

CoreResult MaskedCombine(CRowIteratorBands& first, CRowIteratorBands& second, CRowIteratorBands& destination,
                         CRowIteratorBands& mask, const void*, bool hard, const POINT* offset) {
  if (!CRowIteratorBands::IsValid(&first) || !CRowIteratorBands::IsValid(&second) ||
      !CRowIteratorBands::IsValid(&mask) || mask.GetFormat() != keFormatGrey ||
      first.GetFormat() != second.GetFormat())
    return keErrorBadArgument;
  const POINT at = offset ? *offset : POINT{0, 0};
  const int width = mask.Width();
  const int height = mask.Height();
  auto inside = [&](const CRowIteratorBands& image) {
    return at.x >= 0 && at.y >= 0 && std::int64_t{at.x} + width <= image.Width() &&
           std::int64_t{at.y} + height <= image.Height();
  };
  if (!inside(first) || !inside(second)) return keErrorBadArgument;

  // Combined into the first image itself, its pixels are already in place.
  CoreResult result;
  if (&destination != &first)
    result = CRowIteratorBands::IsValid(&destination) ? CRowIteratorBands::CopyPixels(destination, first)
                                                      : destination.CreateCopy(first);
  if (!result.Ok()) return result;

  const CPixelFormat format(destination.GetFormat());
  switch (format.GetValue()) {
    case keFormatGrey:
    case keFormatGreyA:
    case keFormatBGR:
    case keFormatBGRA:
    case keFormatGrey_u16:
    case keFormatGreyA_u16:
    case keFormatBGR_u16:
    case keFormatBGRA_u16:
      break;
    default:
      return result;
  }
  const int channels = format.GetChannelCount();
  std::atomic<int> failure{keErrorNone};
  auto combineRows = [&](int firstRow, int endRow, int) {
    for (int i = firstRow; i < endRow; ++i) {
      BYTE* dst = nullptr;
      BYTE* src = nullptr;
      BYTE* weights = nullptr;
      CoreResult lock = destination.LockRowSpan(at.y + i, at.x, width, &dst);
      if (lock.Ok()) lock = second.LockRowSpan(at.y + i, at.x, width, &src);
      if (lock.Ok()) lock = mask.LockRowSpan(i, 0, width, &weights);
      if (lock.Ok()) {
        if (format.Is16Bit())
          CombineRow(reinterpret_cast<std::uint16_t*>(dst), reinterpret_cast<const std::uint16_t*>(src),
                     weights, width, channels, hard);
        else
          CombineRow(dst, src, weights, width, channels, hard);
      }
      if (weights) mask.ReleaseRow(i);
      if (src) second.ReleaseRow(at.y + i);
      if (dst) destination.ReleaseRow(at.y + i);
      if (!lock.Ok()) {
        int none = keErrorNone;
        failure.compare_exchange_strong(none, lock.GetCode());
        return;
      }
    }
  };
  // Rows that lock in place may be combined by several threads at once.
  if (destination.LocksRowsInPlace() && second.LocksRowsInPlace() && mask.LocksRowsInPlace() &&
      &second != &destination)
    RowThreads::Run(height, combineRows);
  else
    combineRows(0, height, 0);
  return failure.load();
}

}  // namespace corvel
