#include "core/ConvertImageForHost.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "core/RowThreads.h"

namespace corvel {
namespace {

// The source formats whose colour channels a target takes as they are.
bool SourceFits(keFormat target, keFormat source) {
  switch (target) {
    case keFormatIndex8A:
      return source == keFormatIndex8 || source == keFormatIndex8A || source == keFormatGrey ||
             source == keFormatGreyA;
    case keFormatGreyA:
      return source == keFormatGrey || source == keFormatGreyA;
    case keFormatBGRA:
      return source == keFormatBGR || source == keFormatBGRA;
    case keFormatGreyA_u16:
      return source == keFormatGrey_u16 || source == keFormatGreyA_u16;
    case keFormatBGRA_u16:
      return source == keFormatBGR_u16 || source == keFormatBGRA_u16;
    default:
      return false;
  }
}

struct AlphaRule {
  const std::uint8_t* divideTable;
  bool multiply;  // and the source has alpha
};

inline std::uint32_t MaskAlpha8(const AlphaRule& rule, std::uint32_t m, std::uint32_t sourceAlpha) {
  if (!rule.multiply) return m;
  const std::uint32_t t = sourceAlpha * m;
  if (rule.divideTable) return rule.divideTable[t];
  return ((t + 128) + ((t + 128) >> 8)) >> 8;
}
inline std::uint32_t MaskAlpha16(const AlphaRule& rule, std::uint32_t m, std::uint32_t sourceAlpha) {
  return rule.multiply ? (sourceAlpha * m + 127) / 255 : m * 257;
}

// One row of pixels: colour channels copied, alpha from the mask (null: the source's alpha,
// else opaque).
template <class Channel>
void ConvertRow(Channel* dst, const Channel* src, const BYTE* mask, int count, int colours, bool sourceAlpha,
                const AlphaRule& rule) {
  constexpr std::uint32_t kOpaque = sizeof(Channel) == 1 ? 255 : 65535;
  const int srcStep = colours + (sourceAlpha ? 1 : 0);
  for (int x = 0; x < count; ++x, dst += colours + 1, src += srcStep) {
    std::memcpy(dst, src, sizeof(Channel) * colours);
    Channel alphaIn = kOpaque;
    if (sourceAlpha) std::memcpy(&alphaIn, src + colours, sizeof alphaIn);
    std::uint32_t alpha = alphaIn;
    if (mask)
      alpha = sizeof(Channel) == 1 ? MaskAlpha8(rule, mask[x], alphaIn) : MaskAlpha16(rule, mask[x], alphaIn);
    const Channel out = static_cast<Channel>(alpha);
    std::memcpy(dst + colours, &out, sizeof out);
  }
}

}  // namespace

CoreResult ConvertImageForHost(CProgressMeter* meter, CRowIteratorBands& source,
                               CRowIteratorBands& destination, keFormat target, CRowIteratorBands* mask,
                               const std::uint8_t* divideTable, bool multiply, const POINT* offset) {
  CProgressMeter child(meter);
  if (!CRowIteratorBands::IsValid(&source) || !SourceFits(target, source.GetFormat()))
    return keErrorBadArgument;
  if (mask && CRowIteratorBands::IsValid(mask) && mask->GetBitsPerPixel() != 8) return keErrorBadArgument;
  const CPixelFormat sourceFormat(source.GetFormat());
  CoreResult result = destination.Create(source.Width(), source.Height(), target, nullptr,
                                         source.GetPalette(), source.GetPaletteSize());
  if (!result.Ok()) return result;
  const RECT& place = source.GetRect();
  destination.MoveRectTo(place.left, place.top);

  // The work area in the frame of the source's rectangle.
  RECT area = place;
  RECT maskRect{0, 0, 0, 0};
  if (mask && CRowIteratorBands::IsValid(mask)) {
    maskRect = mask->GetRect();
    const POINT by = offset ? *offset : POINT{0, 0};
    maskRect = RECT{maskRect.left + by.x, maskRect.top + by.y, maskRect.right + by.x, maskRect.bottom + by.y};
    area = RECT{std::max(place.left, maskRect.left), std::max(place.top, maskRect.top),
                std::min(place.right, maskRect.right), std::min(place.bottom, maskRect.bottom)};
  }
  const bool masked = area.left < area.right && area.top < area.bottom && mask &&
                      CRowIteratorBands::IsValid(mask);
  if (!masked) area = place;

  // Counted in stored channels: an index is one channel here, not the palette's three.
  const CPixelFormat targetFormat(target);
  const int colours = targetFormat.GetBitsPerPixel() / (targetFormat.Is16Bit() ? 16 : 8) - 1;
  const bool sourceAlpha = sourceFormat.HasAlpha();
  const AlphaRule rule{divideTable, multiply && sourceAlpha};
  const int width = area.right - area.left;
  child.SetUnitCount(area.bottom - area.top);
  std::atomic<int> failure{keErrorNone};
  auto convertRows = [&](int first, int last, int) {
    for (int y = area.top + first; y < area.top + last; ++y) {
      const int row = y - place.top;
      const int x = area.left - place.left;
      BYTE* src = nullptr;
      BYTE* dst = nullptr;
      BYTE* weights = nullptr;
      CoreResult lock = source.LockRowSpan(row, x, width, &src);
      if (lock.Ok()) lock = destination.LockRowSpan(row, x, width, &dst);
      if (lock.Ok() && masked)
        lock = mask->LockRowSpan(y - maskRect.top, area.left - maskRect.left, width, &weights);
      if (lock.Ok()) {
        if (sourceFormat.Is16Bit())
          ConvertRow(reinterpret_cast<std::uint16_t*>(dst), reinterpret_cast<const std::uint16_t*>(src),
                     weights, width, colours, sourceAlpha, rule);
        else
          ConvertRow(dst, src, weights, width, colours, sourceAlpha, rule);
      }
      if (weights) mask->ReleaseRow(y - maskRect.top);
      if (dst) destination.ReleaseRow(row);
      if (src) source.ReleaseRow(row);
      if (!lock.Ok()) {
        int none = keErrorNone;
        failure.compare_exchange_strong(none, lock.GetCode());
        return;
      }
    }
  };
  int done = 0;
  auto report = [&](int finished) { return child.Report(done += finished) != 0; };
  const int rows = area.bottom - area.top;
  bool stopped;
  // Rows that lock in place may be converted by several threads at once.
  if (source.LocksRowsInPlace() && destination.LocksRowsInPlace() && (!masked || mask->LocksRowsInPlace())) {
    stopped = RowThreads::Run(rows, convertRows, report);
  } else {
    stopped = false;
    for (int first = 0; first < rows && !stopped && failure.load() == keErrorNone; ++first) {
      stopped = child.Report(first) != 0;
      if (!stopped) convertRows(first, first + 1, 0);
    }
  }
  if (stopped) {
    destination.Destroy();
    return keErrorStopped;
  }
  return failure.load();
}

}  // namespace corvel
