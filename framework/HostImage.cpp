#include "framework/HostImage.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "core/ConvertImageForHost.h"
#include "core/RowThreads.h"
#include "rowops/CoreTables.h"
#include "rowops/ImageBufferOps.h"

namespace framework {

using namespace corvel;

namespace {

bool LayerTest(const host::FilterRecord& record, int planes) {
  return record.inLayerPlanes == planes && (record.inTransparencyMask == 1 || record.inLayerMasks >= 1);
}

BYTE From16(std::uint16_t value) {
  return value >= host::kMax16BitSample ? 255 : static_cast<BYTE>(value >> 7);
}

std::uint16_t To16(BYTE value) {
  const std::uint32_t x = std::uint32_t{value} << 15 | 128;
  return static_cast<std::uint16_t>(((x >> 8) + x) >> 8);
}

// Calls kernel(samples, bytes) with both as compile-time constants, so that the inner loops
// know their steps.
template <int Bytes, typename Kernel>
void WithSamples(int samples, Kernel kernel) {
  using std::integral_constant;
  switch (samples) {
    case 1:
      return kernel(integral_constant<int, 1>{}, integral_constant<int, Bytes>{});
    case 2:
      return kernel(integral_constant<int, 2>{}, integral_constant<int, Bytes>{});
    case 3:
      return kernel(integral_constant<int, 3>{}, integral_constant<int, Bytes>{});
    default:
      return kernel(integral_constant<int, 4>{}, integral_constant<int, Bytes>{});
  }
}

template <typename Kernel>
void WithLayout(const HostLayout& layout, Kernel kernel) {
  if (layout.sampleBytes == 1)
    WithSamples<1>(layout.samples, kernel);
  else
    WithSamples<2>(layout.samples, kernel);
}

// Core byte c of a pixel holds host sample HostSampleOf(c) (colour is B, G, R in the core).
constexpr int HostSampleOf(int coreByte, int samples) {
  return samples >= 3 && coreByte < 3 ? 2 - coreByte : coreByte;
}

void HostRowToCore(BYTE* core, const BYTE* hostRow, int width, const HostLayout& layout, int planes) {
  const int hostPixel = planes * layout.sampleBytes;
  WithLayout(layout, [&](auto samples, auto bytes) {
    constexpr int kSamples = decltype(samples)::value, kBytes = decltype(bytes)::value;
    const BYTE* pixel = hostRow;
    BYTE* to = core;
    for (int x = 0; x < width; ++x, to += kSamples, pixel += hostPixel) {
      for (int c = 0; c < kSamples; ++c) {
        const int s = HostSampleOf(c, kSamples);
        if constexpr (kBytes == 1) {
          to[c] = pixel[s];
        } else {
          std::uint16_t value;
          std::memcpy(&value, pixel + 2 * s, 2);
          to[c] = From16(value);
        }
      }
    }
  });
}

// Where the selection is 0 the host's own input samples go back, so that nothing outside it
// changes by a bit, whatever the scaling of 16-bit samples. A host may hand one buffer for input
// and output: those samples are then already in place.
void CoreRowToHost(BYTE* hostRow, const BYTE* core, const BYTE* hostInput, const BYTE* selection, int width,
                   const HostLayout& layout, int planes) {
  const int hostPixel = planes * layout.sampleBytes;
  const bool inPlace = hostInput == hostRow;
  WithLayout(layout, [&](auto samples, auto bytes) {
    constexpr int kSamples = decltype(samples)::value, kBytes = decltype(bytes)::value;
    const BYTE* from = core;
    for (int x = 0; x < width; ++x, from += kSamples) {
      BYTE* pixel = hostRow + std::size_t(x) * hostPixel;
      if (selection && selection[x] == 0) {
        if (inPlace) continue;
        const BYTE* input = hostInput + std::size_t(x) * hostPixel;
        for (int c = 0; c < kSamples; ++c) {
          const int s = HostSampleOf(c, kSamples) * kBytes;
          std::memcpy(pixel + s, input + s, kBytes);
        }
        continue;
      }
      for (int c = 0; c < kSamples; ++c) {
        const int s = HostSampleOf(c, kSamples);
        if constexpr (kBytes == 1) {
          pixel[s] = from[c];
        } else {
          const std::uint16_t value = To16(from[c]);
          std::memcpy(pixel + 2 * s, &value, 2);
        }
      }
    }
  });
}

BYTE* HostPixel(void* data, std::int32_t rowBytes, int x, int y, int pixelBytes) {
  return static_cast<BYTE*>(data) + std::int64_t{y} * rowBytes + std::int64_t{x} * pixelBytes;
}

// The host keeps colour as R, G, B (and A), the core as B, G, R (and A): one swap turns either
// into the other in place.
void SwapRedAndBlue(BYTE* first, std::int32_t rowBytes, int width, int height, int samples) {
  if (samples < 3) return;
  RowThreads::Run(height, [&](int firstRow, int lastRow, int) {
    for (int y = firstRow; y < lastRow; ++y) {
      BYTE* pixel = first + std::int64_t{y} * rowBytes;
      for (int x = 0; x < width; ++x, pixel += samples) std::swap(pixel[0], pixel[2]);
    }
  });
}

}  // namespace

HostLayout HostLayoutOf(const host::FilterRecord& record) {
  const int planes = record.planes;
  switch (record.imageMode) {
    case host::kModeGrayScale:
      if (planes == 1) return {keFormatGrey, 1, 1};
      if (planes == 2 || (planes > 2 && LayerTest(record, 1))) return {keFormatGreyA, 2, 1};
      break;
    case host::kModeGray16:
      if (planes == 1) return {keFormatGrey, 1, 2};
      if (planes >= 2 && LayerTest(record, 1)) return {keFormatGreyA, 2, 2};
      break;
    case host::kModeRGB:
    case host::kModeRGB48: {
      const int bytes = record.imageMode == host::kModeRGB ? 1 : 2;
      if (planes == 3) return {keFormatBGR, 3, bytes};
      if (planes > 3 && LayerTest(record, 3)) return {keFormatBGRA, 4, bytes};
      break;
    }
    default:
      break;
  }
  return {};
}

RECT MaskBounds(CRowIteratorBands& image) {
  if (!CRowIteratorBands::IsValid(&image)) return RECT{0, 0, 0, 0};
  const keFormat presented = image.GetFormat();
  const int mode = image.GetAccessMode();
  if (presented != keFormatGrey && !image.SetViewFormat(keFormatGrey, keAccessRead).Ok())
    return RECT{0, 0, 0, 0};
  // Each thread keeps its own box; they are merged afterwards.
  struct Box {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
  };
  std::vector<Box> boxes(std::size_t(RowThreads::Count()));
  auto scan = [&](int first, int last, int slot) {
    Box& box = boxes[std::size_t(slot)];
    for (int y = first; y < last; ++y) {
      const BYTE* row = image.LockRowPointer(y, 0, -1);
      int from = 0, to = image.Width() - 1;
      while (from <= to && row[from] == 0) ++from;
      while (to >= from && row[to] == 0) --to;
      image.ReleaseRow(y);
      if (from > to) continue;
      box = Box{std::min(box.left, from), std::min(box.top, y), std::max(box.right, to),
                std::max(box.bottom, y)};
    }
  };
  if (image.LocksRowsInPlace())
    RowThreads::Run(image.Height(), scan);
  else
    scan(0, image.Height(), 0);
  Box all;
  for (const Box& box : boxes)
    all = Box{std::min(all.left, box.left), std::min(all.top, box.top), std::max(all.right, box.right),
              std::max(all.bottom, box.bottom)};
  const int left = all.left, top = all.top, right = all.right, bottom = all.bottom;
  if (presented != keFormatGrey) image.SetViewFormat(presented, mode).ThrowIfFailed();
  if (right < 0) return RECT{0, 0, 0, 0};
  return RECT{left, top, right + 1, bottom + 1};
}

bool HostImage::ReadHostImage() {
  if (!record_) return false;
  host::FilterRecord& record = *record_;
  sourceInHostBuffer_ = nullptr;
  swappedInHostBuffer_ = false;
  source_.Destroy();
  mask_.Destroy();
  auxiliary_.Destroy();
  maskFlag_ = false;
  int width = record.inRect.right - record.inRect.left;
  int height = record.inRect.bottom - record.inRect.top;
  filterRect_ = RECT{0, 0, std::max(width, 0), std::max(height, 0)};
  const HostLayout layout = HostLayoutOf(record);
  if (layout.format == keFormatNone || !record.inData || width <= 0 || height <= 0) return false;

  if (record.maskData && record.haveMask && !record.isFloating) {
    // The bounds are found on the host's own buffer: only the box is copied.
    CRowIteratorBands selection;
    if (!selection
             .CreateView(width, height, static_cast<BYTE*>(record.maskData), record.maskRowBytes,
                         keFormatGrey)
             .Ok())
      return false;
    maskFlag_ = true;
    if (cropMode_ == 2) filterRect_ = MaskBounds(selection);
    width = filterRect_.right - filterRect_.left;
    height = filterRect_.bottom - filterRect_.top;
    // A selection that covers nothing leaves nothing to work on.
    if (width <= 0 || height <= 0) return false;
    // A view of the box in the host's buffer, which lasts as long as the call does.
    BYTE* firstMask = HostPixel(record.maskData, record.maskRowBytes, filterRect_.left, filterRect_.top, 1);
    if (!mask_.CreateView(width, height, firstMask, record.maskRowBytes, keFormatGrey).Ok()) return false;
  }

  const int hostPixel = record.planes * layout.sampleBytes;
  BYTE* first = HostPixel(record.inData, record.inRowBytes, filterRect_.left, filterRect_.top, hostPixel);
  const bool oneBuffer = record.outData && record.outRowBytes == record.inRowBytes &&
                         HostPixel(record.outData, record.outRowBytes, filterRect_.left, filterRect_.top,
                                   hostPixel) == first;
  // Two-plane grey stays the view over the input it was: its fill starts from a blank copy.
  if (oneBuffer && !maskFlag_ && !record.isFloating && layout.sampleBytes == 1 &&
      layout.samples == record.planes && layout.format != keFormatGreyA) {
    if (!source_.CreateView(width, height, first, record.inRowBytes, layout.format).Ok()) return false;
    swappedInHostBuffer_ = !channelsAlike_;
    if (swappedInHostBuffer_) SwapRedAndBlue(first, record.inRowBytes, width, height, layout.samples);
    sourceInHostBuffer_ = first;
    hostRowBytes_ = record.inRowBytes;
    hostSamples_ = layout.samples;
    return true;
  }
  if (record.imageMode == host::kModeGrayScale && record.planes == 2) {
    if (!source_.CreateView(width, height, first, record.inRowBytes, keFormatGreyA).Ok()) return false;
  } else {
    // Rows at a spreading pitch are what a render reads in place, without a window copy.
    if (!source_.CreateSpread(width, height, layout.format).Ok()) return false;
    RowThreads::Run(height, [&](int firstRow, int lastRow, int) {
      for (int y = firstRow; y < lastRow; ++y) {
        HostRowToCore(source_.LockRowPointer(y, 0, -1), first + std::int64_t{y} * record.inRowBytes, width,
                      layout, record.planes);
        source_.UnlockRow(y);
      }
    });
  }

  if (record.isFloating) {
    const keFormat withAlpha = layout.format == keFormatGrey || layout.format == keFormatGreyA ? keFormatGreyA
                                                                                               : keFormatBGRA;
    CRowIteratorBands converted;
    if (ConvertImageForHost(nullptr, source_, converted, withAlpha, nullptr, GetDivideBy255Table(), true,
                            nullptr)
            .Ok())
      source_.TakeFrom(converted);
    mask_.Destroy();
  }
  return true;
}

bool HostImage::SourceIsHostOutput() {
  BYTE* first = nullptr;
  return sourceInHostBuffer_ && CRowIteratorBands::IsValid(&source_) && source_.IsCallerMemory() &&
         source_.GetRowAddress(0, &first).Ok() && first == sourceInHostBuffer_;
}

void HostImage::GiveBackHostBuffer() {
  if (SourceIsHostOutput() && swappedInHostBuffer_)
    SwapRedAndBlue(sourceInHostBuffer_, hostRowBytes_, source_.Width(), source_.Height(), hostSamples_);
  sourceInHostBuffer_ = nullptr;
  swappedInHostBuffer_ = false;
}

bool HostImage::WriteHostImage() {
  if (!record_) return false;
  host::FilterRecord& record = *record_;
  const HostLayout layout = HostLayoutOf(record);
  if (layout.format == keFormatNone || !record.outData || !CRowIteratorBands::IsValid(&source_)) return false;
  int width = record.outRect.right - record.outRect.left;
  int height = record.outRect.bottom - record.outRect.top;
  if (maskFlag_) {
    width = filterRect_.right - filterRect_.left;
    height = filterRect_.bottom - filterRect_.top;
  }
  // Never read past the working image, whatever the rectangles claim.
  width = std::min(width, source_.Width());
  height = std::min(height, source_.Height());
  if (width <= 0 || height <= 0) return false;
  // The view's storage is the host's buffer in the host's layout, whatever a render presented.
  if (SourceIsHostOutput()) {
    GiveBackHostBuffer();
    return true;
  }

  // The working image in the host's layout: a converted copy when a render changed its format.
  CRowIteratorBands rows;
  if (!rows.Assign(source_).Ok()) return false;
  if (rows.GetFormat() != layout.format && !ChangeImageFormat(rows, layout.format).Ok()) return false;

  const int hostPixel = record.planes * layout.sampleBytes;
  const bool selected = maskFlag_ && record.inData && CRowIteratorBands::IsValid(&mask_) &&
                        mask_.Width() >= width && mask_.Height() >= height;
  auto writeRows = [&](int first, int last, int) {
    for (int y = first; y < last; ++y) {
      BYTE* to = HostPixel(record.outData, record.outRowBytes, filterRect_.left, filterRect_.top + y,
                           hostPixel);
      const BYTE* input = selected ? HostPixel(record.inData, record.inRowBytes, filterRect_.left,
                                               filterRect_.top + y, hostPixel)
                                   : nullptr;
      const BYTE* selection = selected ? mask_.LockRowPointer(y, 0, width) : nullptr;
      CoreRowToHost(to, rows.LockRowPointer(y, 0, -1), input, selection, width, layout, record.planes);
      rows.ReleaseRow(y);
      if (selected) mask_.ReleaseRow(y);
    }
  };
  if (rows.LocksRowsInPlace() && (!selected || mask_.LocksRowsInPlace()))
    RowThreads::Run(height, writeRows);
  else
    writeRows(0, height, 0);
  return true;
}

}  // namespace framework
