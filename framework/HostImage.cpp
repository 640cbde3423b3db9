#include "framework/HostImage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/ConvertImageForHost.h"
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

// Core byte c of a pixel holds host sample kOrder[c] (colour is B, G, R in the core).
int HostSampleOf(int coreByte, int samples) { return samples >= 3 && coreByte < 3 ? 2 - coreByte : coreByte; }

void HostRowToCore(BYTE* core, const BYTE* hostRow, int width, const HostLayout& layout, int planes) {
  const int hostPixel = planes * layout.sampleBytes;
  for (int x = 0; x < width; ++x) {
    const BYTE* pixel = hostRow + std::size_t(x) * hostPixel;
    for (int c = 0; c < layout.samples; ++c) {
      const int s = HostSampleOf(c, layout.samples);
      if (layout.sampleBytes == 1) {
        core[c] = pixel[s];
      } else {
        std::uint16_t value;
        std::memcpy(&value, pixel + 2 * s, 2);
        core[c] = From16(value);
      }
    }
    core += layout.samples;
  }
}

void CoreRowToHost(BYTE* hostRow, const BYTE* core, int width, const HostLayout& layout, int planes) {
  const int hostPixel = planes * layout.sampleBytes;
  for (int x = 0; x < width; ++x) {
    BYTE* pixel = hostRow + std::size_t(x) * hostPixel;
    for (int c = 0; c < layout.samples; ++c) {
      const int s = HostSampleOf(c, layout.samples);
      if (layout.sampleBytes == 1) {
        pixel[s] = core[c];
      } else {
        const std::uint16_t value = To16(core[c]);
        std::memcpy(pixel + 2 * s, &value, 2);
      }
    }
    core += layout.samples;
  }
}

BYTE* HostPixel(void* data, std::int32_t rowBytes, int x, int y, int pixelBytes) {
  return static_cast<BYTE*>(data) + std::int64_t{y} * rowBytes + std::int64_t{x} * pixelBytes;
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
  if (presented != keFormatGrey && image.SetViewFormat(keFormatGrey, keAccessRead).GetCode() != keErrorNone)
    return RECT{0, 0, 0, 0};
  int left = image.Width(), top = image.Height(), right = -1, bottom = -1;
  for (int y = 0; y < image.Height(); ++y) {
    const BYTE* row = image.LockRowPointer(y, 0, -1);
    int first = 0, last = image.Width() - 1;
    while (first <= last && row[first] == 0) ++first;
    while (last >= first && row[last] == 0) --last;
    image.ReleaseRow(y);
    if (first > last) continue;
    left = std::min(left, first);
    right = std::max(right, last);
    top = std::min(top, y);
    bottom = y;
  }
  if (presented != keFormatGrey) image.SetViewFormat(presented, mode);
  if (right < 0) return RECT{0, 0, 0, 0};
  return RECT{left, top, right + 1, bottom + 1};
}

bool HostImage::ReadHostImage() {
  if (!record_) return false;
  host::FilterRecord& record = *record_;
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
    if (mask_.CreateGrey(width, height).GetCode() != keErrorNone) return false;
    for (int y = 0; y < height; ++y) {
      std::memcpy(mask_.LockRowPointer(y, 0, -1), HostPixel(record.maskData, record.maskRowBytes, 0, y, 1),
                  std::size_t(width));
      mask_.UnlockRow(y);
    }
    maskFlag_ = true;
    if (cropMode_ == 2) filterRect_ = MaskBounds(mask_);
    width = filterRect_.right - filterRect_.left;
    height = filterRect_.bottom - filterRect_.top;
    // A selection that covers nothing leaves nothing to work on.
    if (width <= 0 || height <= 0) {
      mask_.Destroy();
      return false;
    }
  }

  const int hostPixel = record.planes * layout.sampleBytes;
  BYTE* first = HostPixel(record.inData, record.inRowBytes, filterRect_.left, filterRect_.top, hostPixel);
  if (record.imageMode == host::kModeGrayScale && record.planes == 2) {
    if (source_.CreateView(width, height, first, record.inRowBytes, keFormatGreyA).GetCode() != keErrorNone)
      return false;
  } else {
    if (source_.Create(width, height, layout.format).GetCode() != keErrorNone) return false;
    for (int y = 0; y < height; ++y) {
      HostRowToCore(source_.LockRowPointer(y, 0, -1), first + std::int64_t{y} * record.inRowBytes, width,
                    layout, record.planes);
      source_.UnlockRow(y);
    }
  }

  if (maskFlag_) {
    CRowIteratorBands box;
    if (box.CreateGrey(width, height).GetCode() != keErrorNone) return false;
    const RECT all{0, 0, width, height};
    if (box.CopyRectFrom(all, mask_, filterRect_).GetCode() != keErrorNone) return false;
    mask_.TakeFrom(box);
  }
  if (record.isFloating) {
    const keFormat withAlpha = layout.format == keFormatGrey || layout.format == keFormatGreyA ? keFormatGreyA
                                                                                               : keFormatBGRA;
    CRowIteratorBands converted;
    if (ConvertImageForHost(nullptr, source_, converted, withAlpha, nullptr, GetDivideBy255Table(), true,
                            nullptr)
            .GetCode() == keErrorNone)
      source_.TakeFrom(converted);
    mask_.Destroy();
  }
  return true;
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

  // The working image in the host's layout: a converted copy when a render changed its format.
  CRowIteratorBands rows;
  if (rows.Assign(source_).GetCode() != keErrorNone) return false;
  if (rows.GetFormat() != layout.format && ChangeImageFormat(rows, layout.format).GetCode() != keErrorNone)
    return false;

  const int hostPixel = record.planes * layout.sampleBytes;
  for (int y = 0; y < height; ++y) {
    BYTE* to = HostPixel(record.outData, record.outRowBytes, filterRect_.left, filterRect_.top + y,
                         hostPixel);
    CoreRowToHost(to, rows.LockRowPointer(y, 0, -1), width, layout, record.planes);
    rows.ReleaseRow(y);
  }
  return true;
}

}  // namespace framework
