#include "rowops/TransformOperation.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "core/ProgressMeter.h"
#include "core/RowIteratorBands.h"
#include "platform/win32/Rect.h"
#include "rowops/ImageBufferOps.h"
#include "rowops/RowCopyIndexedOp.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"
#include "rowops/detail/TransformFrame.h"

namespace corvel {

namespace {

constexpr std::array<std::array<FourTapWeights, 32>, 32> MakeFourTapTable() {
  std::array<std::array<FourTapWeights, 32>, 32> table{};
  for (int a = 0; a < 32; ++a)
    for (int b = 0; b < 32; ++b) {
      const int w0 = (32 - a) * (32 - b) / 4, w1 = b * (32 - a) / 4, w2 = a * (32 - b) / 4;
      table[a][b] = {std::uint16_t(w0), std::uint16_t(w1), std::uint16_t(w2),
                     std::uint16_t(256 - w0 - w1 - w2)};
    }
  return table;
}

constexpr double Cubic(int k, double t) {
  switch (k) {
    case 0:
      return -t + 2 * t * t - t * t * t;
    case 1:
      return 1 - 2 * t * t + t * t * t;
    case 2:
      return t + t * t - t * t * t;
    default:
      return -t * t + t * t * t;
  }
}

constexpr std::array<std::array<CubicConvolutionWeights, 32>, 32> MakeCubicConvolutionTable() {
  std::array<std::array<CubicConvolutionWeights, 32>, 32> table{};
  for (int a = 0; a < 32; ++a)
    for (int b = 0; b < 32; ++b) {
      const double u = a / 32.0, v = b / 32.0;
      int sum = 0;
      for (int k = 0; k < 4; ++k)
        for (int l = 0; l < 4; ++l) {
          const int w = static_cast<int>(Cubic(k, u) * Cubic(l, v) * 16384);
          table[a][b][k * 4 + l] = static_cast<std::int16_t>(w);
          sum += w;
        }
      table[a][b][5] = static_cast<std::int16_t>(table[a][b][5] + 16384 - sum);
    }
  return table;
}

constexpr auto kFourTapTable = MakeFourTapTable();
constexpr auto kCubicConvolutionTable = MakeCubicConvolutionTable();

}  // namespace

const FourTapWeights& FourTapTable(int rowPhase, int columnPhase) {
  return kFourTapTable[rowPhase & 31][columnPhase & 31];
}

const CubicConvolutionWeights& CubicConvolutionTable(int rowPhase, int columnPhase) {
  return kCubicConvolutionTable[rowPhase & 31][columnPhase & 31];
}

TransformOperation::TransformOperation(std::int32_t method, const RECT* destination, const RectD* source,
                                       std::int32_t sampleCount)
    : ImageOperation(keOperationTransform), method_(method), sampleCount_(sampleCount) {
  if (destination) destination_ = *destination;
  if (source) source_ = *source;
}

void TransformOperation::Rectangles(const CRowIteratorBands& destination, const CRowIteratorBands& source,
                                    RECT* dstRect, RectD* srcRect) const {
  *srcRect = RectDDimensions(source_) == 2 ? source_
                                           : RectD{0, 0, double(source.Width()), double(source.Height())};
  *dstRect = IsRectEmpty(&destination_) ? RECT{0, 0, destination.Width(), destination.Height()}
                                        : destination_;
}

int TransformOperation::ChooseWorker(const CRowIteratorBands& destination,
                                     const CRowIteratorBands& source) const {
  RECT dstRect;
  RectD srcRect;
  Rectangles(destination, source, &dstRect, &srcRect);
  const bool reducing = dstRect.right - dstRect.left < srcRect.Width() ||
                        (!(dstRect.right - dstRect.left < srcRect.Width()) &&
                         dstRect.bottom - dstRect.top < srcRect.Height());
  int worker = method_;
  switch (method_) {
    case keTransformNearest:
      worker = reducing ? keWorkerReduce : keWorkerNearest;
      break;
    case keTransformBilinear:
      worker = reducing ? keWorkerReduce : keWorkerFourTap;
      break;
    case keTransformCubic:
      worker = reducing ? keWorkerReduce : keWorkerCubic;
      break;
    default:
      break;
  }
  if (CPixelFormat(destination.GetFormat()).IsIndexed() || CPixelFormat(source.GetFormat()).IsIndexed())
    worker = keWorkerNearest;
  return worker >= keWorkerNearest && worker <= keWorkerReduce ? worker : -1;
}

int TransformOperation::Execute(OperationRequest& request) {
  CRowIteratorBands* destination = request.destination;
  CRowIteratorBands* source = request.source;
  if (!CRowIteratorBands::IsValid(destination) || !CRowIteratorBands::IsValid(source))
    return keErrorBadArgument;
  RECT dstRect;
  RectD srcRect;
  Rectangles(*destination, *source, &dstRect, &srcRect);
  if (dstRect.right <= dstRect.left || dstRect.bottom <= dstRect.top) return keErrorBadArgument;
  const double fx = srcRect.Width() / (dstRect.right - dstRect.left);
  const double fy = srcRect.Height() / (dstRect.bottom - dstRect.top);
  CProgressMeter* meter = GetProgressMeter();
  switch (ChooseWorker(*destination, *source)) {
    case keWorkerNearest:
      return ResampleNearest(*destination, *source, dstRect, srcRect, meter);
    case keWorkerFourTap:
      return ResampleFourTap(*destination, *source, dstRect, srcRect, meter);
    case keWorkerCubic:
      return ResampleCubicConvolution(*destination, *source, dstRect, srcRect, meter);
    case keWorkerReduce:
      if (sampleCount_ > 0 && fx >= 2.0 && fy >= 2.0)
        return ResampleReduceSampled(*destination, *source, dstRect, srcRect, sampleCount_, meter);
      return ResampleReduce(*destination, *source, dstRect, srcRect, meter);
    default:
      return 0;
  }
}

int ResampleNearest(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT& dstRect, const RectD& srcRect,
                    CProgressMeter* meter) {
  const keFormat dstFormat = dst.GetFormat(), srcFormat = src.GetFormat();
  const bool convert = dstFormat != srcFormat;
  if (convert && CPixelFormat(dstFormat).IsIndexed()) return keErrorBadArgument;
  const RECT source = RectDToRect(srcRect);
  if (!detail::Finite(srcRect) || !detail::Inside(dstRect, dst) || !detail::Inside(source, src))
    return keErrorBadArgument;
  const int width = dstRect.right - dstRect.left, height = dstRect.bottom - dstRect.top;
  if (SameRectSize(source, dstRect)) return CopyImageRect(dst, dstRect, src, source) ? 0 : keErrorBadArgument;

  std::vector<std::int32_t> columns;
  std::vector<BYTE> gathered;
  try {
    columns.resize(width);
    if (convert)
      gathered.resize((std::size_t(CPixelFormat(srcFormat).GetBitsPerPixel()) * width + 7) / 8 + 8);
  } catch (const std::bad_alloc&) {
    return keErrorNoMemory;
  }
  // Columns of the whole source row; clamped so a rounding never leaves the rectangle.
  const double xStep = srcRect.Width() / width, yStep = srcRect.Height() / height;
  for (int i = 0; i < width; ++i)
    columns[i] = std::clamp(static_cast<std::int32_t>(i * xStep + srcRect.left + 1e-8),
                            std::int32_t(source.left), std::int32_t(source.right - 1));
  RowCopyIndexedOp gather(columns.data());
  RowOpExecutor gatherRow(gather, srcFormat, srcFormat);
  RowOpExecutor convertRow(RowCopyOp(), dstFormat, srcFormat);
  RowOpExecutor copyDown(RowCopyOp(), dstFormat, dstFormat);
  if (!gatherRow.IsBound() || (convert && !convertRow.IsBound()) || !copyDown.IsBound())
    return keErrorBadArgument;
  for (RowOpExecutor* e : {&gatherRow, &convertRow}) {
    e->Args().src.paletteSize = src.GetPaletteSize();
    e->Args().src.palette = reinterpret_cast<const std::uint8_t*>(src.GetPalette());
  }
  gatherRow.Args().dst.paletteSize = src.GetPaletteSize();
  gatherRow.Args().dst.palette = reinterpret_cast<const std::uint8_t*>(src.GetPalette());
  for (RowOpExecutor* e : {&convertRow, &copyDown}) {
    e->Args().dst.paletteSize = dst.GetPaletteSize();
    e->Args().dst.palette = reinterpret_cast<const std::uint8_t*>(dst.GetPalette());
  }
  copyDown.Args().src.paletteSize = dst.GetPaletteSize();
  copyDown.Args().src.palette = reinterpret_cast<const std::uint8_t*>(dst.GetPalette());

  detail::RowProgress progress(meter, height);
  int previous = -1;
  for (int j = 0; j < height; ++j) {
    if (progress.Stop(j)) return keErrorStopped;
    const int row = std::clamp(static_cast<int>(j * yStep + srcRect.top + 1e-8), int(source.top),
                               int(source.bottom - 1));
    const int y = dstRect.top + j;
    BYTE* target = nullptr;
    int targetBit = 0;
    int code = dst.LockRowSpan(y, dstRect.left, width, &target, &targetBit).GetCode();
    if (code != 0) return code;
    if (row == previous) {
      BYTE* above = nullptr;
      int aboveBit = 0;
      code = dst.LockRowSpan(y - 1, dstRect.left, width, &above, &aboveBit).GetCode();
      if (code == 0) {
        copyDown.Args().dst.x = targetBit;
        copyDown.Args().src.x = aboveBit;
        copyDown.Run(width, target, above);
        dst.ReleaseRow(y - 1);
      }
    } else {
      BYTE* line = nullptr;
      code = src.LockRowSpan(row, 0, -1, &line).GetCode();
      if (code == 0) {
        gatherRow.Args().dst.x = convert ? 0 : targetBit;
        gatherRow.Run(width, convert ? gathered.data() : target, line);
        if (convert) {
          convertRow.Args().dst.x = targetBit;
          convertRow.Run(width, target, gathered.data());
        }
        src.ReleaseRow(row);
      }
    }
    dst.ReleaseRow(y);
    if (code != 0) return code;
    previous = row;
  }
  return 0;
}

}  // namespace corvel
