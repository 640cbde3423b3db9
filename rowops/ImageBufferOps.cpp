#include "rowops/ImageBufferOps.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <optional>

#include "core/ProgressMeter.h"
#include "core/RowIteratorBands.h"
#include "core/RowThreads.h"
#include "rowops/BitRuns.h"
#include "rowops/PixelHelpers.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"

namespace corvel {
namespace {

RECT WholeImage(const CRowIteratorBands& image) { return {0, 0, image.Width(), image.Height()}; }

bool Inside(const RECT& r, const CRowIteratorBands& image) {
  return r.left >= 0 && r.top >= 0 && r.left <= r.right && r.top <= r.bottom && r.right <= image.Width() &&
         r.bottom <= image.Height();
}

// Locks a span and hands the packed kernels the first pixel's place in its byte as x.
bool LockSpan(CRowIteratorBands& image, int row, int x, int width, RowOpRow& half) {
  BYTE* pointer = nullptr;
  int pixelInByte = 0;
  CoreResult result = image.LockRowSpan(row, x, width, &pointer, &pixelInByte);
  if (!result.Ok()) return false;
  half.row = pointer;
  half.count = width;
  half.x = pixelInByte;
  half.y = row;
  return true;
}

bool CopyRows(RowOperation& op, CRowIteratorBands& dst, CRowIteratorBands& src, const RECT* dstRect,
              const RECT* srcRect, CProgressMeter* meter) {
  RowOpArgs args;
  args.SetDestination(dst, 0, 0);
  args.SetSource(src, 0, 0);
  RowOpContext context;
  if (!context.Bind(op, args, 2, 1)) return false;
  const RECT d = dstRect ? *dstRect : WholeImage(dst);
  const RECT s = srcRect ? *srcRect : WholeImage(src);
  const int width = d.right - d.left, height = d.bottom - d.top;
  // Checked up front, so that a copy never stops half-way on a row outside its image.
  if (width != s.right - s.left || height != s.bottom - s.top || !Inside(d, dst) || !Inside(s, src)) {
    return false;
  }
  if (width == 0) return true;

  // Without a meter nobody could ask to stop, so nothing is reported.
  std::optional<CProgressMeter> child;
  if (meter != nullptr) {
    child.emplace(meter);
    child->SetUnitCount(height);
  }
  for (int i = 0; i < height; ++i) {
    if (child && child->Report(i) != 0) return false;
    const bool dstLocked = LockSpan(dst, d.top + i, d.left, width, args.dst);
    const bool srcLocked = dstLocked && LockSpan(src, s.top + i, s.left, width, args.src);
    if (srcLocked) context.Execute(args);
    if (srcLocked) src.ReleaseRow(s.top + i);
    if (dstLocked) dst.ReleaseRow(d.top + i);
    if (!srcLocked) return false;
  }
  return true;
}

}  // namespace

bool CopyImageConverted(RowOperation& op, CRowIteratorBands& dst, CRowIteratorBands& src, const RECT* dstRect,
                        const RECT* srcRect, CProgressMeter* meter) {
  return CopyRows(op, dst, src, dstRect, srcRect, meter);
}

bool CopyImageRect(CRowIteratorBands& dst, const RECT& dstRect, CRowIteratorBands& src, const RECT& srcRect) {
  RowCopyOp copy;
  return CopyRows(copy, dst, src, &dstRect, &srcRect, nullptr);
}

bool CopyImage(CRowIteratorBands& dst, CRowIteratorBands& src) {
  const RECT whole = WholeImage(dst);
  return CopyImageRect(dst, whole, src, whole);
}

namespace {

int PixelAt(const BYTE* row, int bitsPerPixel, int pixel) {
  const int bit = pixel * bitsPerPixel;
  return (row[bit / 8] >> (8 - bitsPerPixel - bit % 8)) & ((1 << bitsPerPixel) - 1);
}

void SetPixelAt(BYTE* row, int bitsPerPixel, int pixel, int value) {
  const int bit = pixel * bitsPerPixel;
  const int shift = 8 - bitsPerPixel - bit % 8;
  const int mask = ((1 << bitsPerPixel) - 1) << shift;
  row[bit / 8] = static_cast<BYTE>((row[bit / 8] & ~mask) | ((value << shift) & mask));
}

}  // namespace

void FillRepeated(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT* clip) {
  const int bits = dst.GetBitsPerPixel();
  const int sourceWidth = src.Width(), sourceHeight = src.Height();
  if (sourceWidth <= 0 || sourceHeight <= 0 || bits == 0 || bits != src.GetBitsPerPixel()) return;
  RECT area = WholeImage(dst);
  if (clip != nullptr) {
    area.left = std::max(area.left, clip->left);
    area.top = std::max(area.top, clip->top);
    area.right = std::min(area.right, clip->right);
    area.bottom = std::min(area.bottom, clip->bottom);
  }
  if (area.left >= area.right || area.top >= area.bottom) return;

  // Packed rows repeat pixel by pixel: a pattern row need not fill whole bytes, and the area's
  // edges need not fall on bytes.
  const bool packed = bits < 8;
  const int patternBytes = bits / 8 * sourceWidth;
  const int firstByte = packed ? 0 : bits / 8 * area.left;
  const int endByte = packed ? 0 : bits / 8 * area.right;
  const int rows = std::min(sourceHeight, static_cast<int>(area.bottom - area.top));
  for (int r = 0; r < rows; ++r) {
    const int y = area.top + r;
    BYTE *from = nullptr, *to = nullptr;
    int fromPhase = 0, toPhase = 0;
    CoreResult sourceLock = src.LockRowSpan(y % sourceHeight, 0, -1, &from, &fromPhase);
    if (!sourceLock.Ok()) return;
    CoreResult destinationLock = dst.LockRowSpan(y, 0, -1, &to, &toPhase);
    if (!destinationLock.Ok()) {
      src.ReleaseRow(y % sourceHeight);
      return;
    }
    if (packed) {
      for (int x = area.left; x < area.right; ++x) {
        SetPixelAt(to, bits, toPhase + x, PixelAt(from, bits, fromPhase + x % sourceWidth));
      }
    } else {
      // A first piece from the pattern's phase, then whole pattern rows, then the rest.
      int b = firstByte;
      int phase = b % patternBytes;
      int piece = std::min(patternBytes - phase, endByte - b);
      std::memcpy(to + b, from + phase, static_cast<std::size_t>(piece));
      for (b += piece; b + patternBytes <= endByte; b += patternBytes) {
        std::memcpy(to + b, from, static_cast<std::size_t>(patternBytes));
      }
      std::memcpy(to + b, from, static_cast<std::size_t>(endByte - b));
    }
    for (int below = y + sourceHeight; below < area.bottom; below += sourceHeight) {
      BYTE* copy = nullptr;
      int copyPhase = 0;
      CoreResult lock = dst.LockRowSpan(below, 0, -1, &copy, &copyPhase);
      if (!lock.Ok()) break;
      if (packed) {
        const int count = (area.right - area.left) * bits;
        CopyBitRun(copy, (copyPhase + area.left) * bits, (copyPhase * bits + dst.Width() * bits + 7) / 8, to,
                   (toPhase + area.left) * bits, (toPhase * bits + dst.Width() * bits + 7) / 8, count);
      } else {
        std::memcpy(copy + firstByte, to + firstByte, static_cast<std::size_t>(endByte - firstByte));
      }
      dst.ReleaseRow(below);
    }
    dst.ReleaseRow(y);
    src.ReleaseRow(y % sourceHeight);
  }
}

CoreResult ChangeImageFormat(CRowIteratorBands& image, keFormat format) {
  const keFormat current = image.GetFormat();
  if (format == current) return keErrorNone;
  const bool premultiply = current == keFormatBGRA && format == keFormatBGRxA;
  const bool unpremultiply = current == keFormatBGRxA && format == keFormatBGRA;
  // Relabelling in place is only sound where the image stores what it presents.
  const bool inPlace = (premultiply || unpremultiply) && image.GetStorageFormat() == current &&
                       image.GetChannelView() == keRoleNone;
  // Rows that lock in place are converted in bands across the row pool.
  const auto inBands = [](CRowIteratorBands& a, CRowIteratorBands& b, int rows, auto&& work) {
    std::atomic<int> failure{keErrorNone};
    auto band = [&](int first, int last, int) {
      const int code = work(first, last);
      int none = keErrorNone;
      if (code != keErrorNone) failure.compare_exchange_strong(none, code);
    };
    if (a.LocksRowsInPlace() && b.LocksRowsInPlace())
      RowThreads::Run(rows, band);
    else
      band(0, rows, 0);
    return failure.load();
  };
  if (inPlace) {
    const int failure = inBands(image, image, image.Height(), [&](int first, int last) {
      for (int y = first; y < last; ++y) {
        BYTE* row = nullptr;
        CoreResult lock = image.LockRow(y, &row);
        if (!lock.Ok()) return lock.GetCode();
        if (premultiply)
          PremultiplyRowInPlace(image.Width(), row);
        else
          UnpremultiplyRowInPlace(image.Width(), row);
        image.ReleaseRow(y);
      }
      return std::int32_t{keErrorNone};
    });
    if (failure != keErrorNone) return failure;
    image.ChangeFormat(format);
    return keErrorNone;
  }
  if (!premultiply && !unpremultiply &&
      CPixelFormat(format).GetBitsPerPixel() == CPixelFormat(current).GetBitsPerPixel()) {
    return keErrorBadArgument;
  }
  CRowIteratorBands converted;
  CoreResult created = converted.Create(image.Width(), image.Height(), format);
  if (!created.Ok()) return created;
  const int failure = inBands(converted, image, image.Height(), [&](int first, int last) {
    RowCopyOp copy;
    const RECT band{0, first, image.Width(), last};
    return CopyImageConverted(copy, converted, image, &band, &band, nullptr)
               ? std::int32_t{keErrorNone}
               : std::int32_t{keErrorBadArgument};
  });
  if (failure != keErrorNone) return failure;
  image.TakeFrom(converted);
  return keErrorNone;
}

}  // namespace corvel
