#include "rowops/ImageOperation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/ProgressMeter.h"
#include "core/Rounding.h"
#include "core/RowIteratorBands.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Rect.h"
#include "rowops/ChannelOps.h"
#include "rowops/HeapBuffer.h"
#include "rowops/ImageBufferOps.h"
#include "rowops/RowBlendOp.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowMaskOp.h"
#include "rowops/RowOpContext.h"
#include "rowops/TransformOperation.h"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace corvel {

bool ImageOperation::MapArea(RectD* out, const RectD& in) const {
  if (out) *out = in;
  return true;
}

double ImageOperation::EstimateTime(int width, int height) const {
  const double mhz = ProcessorMHz();
  if (mhz <= 0) return 0;
  return double(width) * height * cyclesPerPixel_ / (mhz * 1e6);
}

CoreResult ImageOperation::Run(CRowIteratorBands& image, CRowIteratorBands* source) {
  OperationRequest request;
  const RECT bounds{0, 0, image.Width(), image.Height()};
  request.rects[0] = request.rects[1] = request.rects[2] = bounds;
  request.destination = &image;
  request.source = source;
  const int code = Execute(request);
  return code == 0 ? CoreResult() : CoreResult(code);
}

CoreResult ImageOperation::ExecuteResult(OperationRequest& request) {
  const int code = request.mask ? ExecuteMasked(request) : Execute(request);
  return code == 0 ? CoreResult() : CoreResult(code);
}

namespace {

// The format of the masked run's copy of the prior pixels: the destination's with alpha.
keFormat WithAlpha(keFormat format) {
  const CPixelFormat f(format);
  if (f.IsIndexed()) return keFormatIndex8A;
  return f.GetAlphaForm();
}

// A row operation bound for one pair of formats, with the palettes of the images involved.
struct BoundOp {
  BoundOp(const RowOperation& op, keFormat dst, keFormat src, const CRowIteratorBands* dstImage,
          const CRowIteratorBands* srcImage)
      : executor(op, dst, src) {
    if (dstImage) {
      executor.Args().dst.paletteSize = dstImage->GetPaletteSize();
      executor.Args().dst.palette = reinterpret_cast<const std::uint8_t*>(dstImage->GetPalette());
    }
    if (srcImage) {
      executor.Args().src.paletteSize = srcImage->GetPaletteSize();
      executor.Args().src.palette = reinterpret_cast<const std::uint8_t*>(srcImage->GetPalette());
    }
  }
  RowOpExecutor executor;
};

}  // namespace

int ImageOperation::ExecuteMasked(OperationRequest& request) {
  const RECT area = request.workArea;
  const int width = area.right - area.left, height = area.bottom - area.top;
  CRowIteratorBands* destination = request.destination;
  CRowIteratorBands* mask = request.mask;
  if (width < 1 || height < 1 || !destination || !CRowIteratorBands::IsValid(mask)) return keErrorBadArgument;
  CRowIteratorBands* prior = request.source ? request.source : destination;
  if (!CRowIteratorBands::IsValid(prior)) return keErrorBadArgument;
  // Every rectangle is checked before anything is written.
  if (area.left < 0 || area.top < 0 || area.right > prior->Width() || area.bottom > prior->Height() ||
      mask->Width() < width || mask->Height() < height)
    return keErrorBadArgument;

  CRowIteratorBands saved;
  const keFormat savedFormat = WithAlpha(prior->GetFormat());
  int code = saved.Create(width, height, savedFormat, nullptr, prior->GetPalette(), prior->GetPaletteSize())
                 .GetCode();
  if (code != 0) return code;
  if (!CopyImageRect(saved, RECT{0, 0, width, height}, *prior, area)) return keErrorBadArgument;

  code = Execute(request);
  if (code != 0) return code;
  if (!CRowIteratorBands::IsValid(destination) || area.right > destination->Width() ||
      area.bottom > destination->Height())
    return keErrorBadArgument;

  const keFormat resultFormat = destination->GetFormat();
  const keFormat alphaFormat = CPixelFormat(savedFormat).Is16Bit() ? keFormatGrey_u16 : keFormatGrey;
  BoundOp copyIn(RowCopyOp(), savedFormat, resultFormat, &saved, destination);
  BoundOp applyMask(RowMaskOp(), savedFormat, mask->GetFormat(), &saved, mask);
  BoundOp getAlpha(ChannelGetOp(3), alphaFormat, savedFormat, nullptr, &saved);
  BoundOp blend(RowBlendOp(0), savedFormat, savedFormat, &saved, &saved);
  BoundOp setAlpha(ChannelSetOp(3), savedFormat, alphaFormat, &saved, nullptr);
  BoundOp copyOut(RowCopyOp(), resultFormat, savedFormat, destination, &saved);
  if (!copyIn.executor.IsBound() || !applyMask.executor.IsBound() || !blend.executor.IsBound() ||
      !copyOut.executor.IsBound() ||
      (request.keepAlpha && (!getAlpha.executor.IsBound() || !setAlpha.executor.IsBound())))
    return keErrorBadArgument;

  HeapBuffer row, alpha;
  if (row.Allocate((std::size_t(CPixelFormat(savedFormat).GetBitsPerPixel()) * width + 7) / 8) != 0 ||
      alpha.Allocate(2 * std::size_t(width)) != 0)
    return keErrorNoMemory;
  for (int i = 0; i < height; ++i) {
    BYTE *result = nullptr, *coverage = nullptr, *before = nullptr;
    const int y = area.top + i;
    code = destination->LockRowSpan(y, area.left, width, &result).GetCode();
    if (code != 0) return code;
    code = mask->LockRowSpan(i, 0, width, &coverage).GetCode();
    if (code == 0) code = saved.LockRow(i, &before).GetCode();
    if (code == 0) {
      copyIn.executor.Run(width, row.Data(), result);
      applyMask.executor.Run(width, row.Data(), coverage);
      if (request.keepAlpha) getAlpha.executor.Run(width, alpha.Data(), before);
      blend.executor.Run(width, before, row.Data());
      if (request.keepAlpha) setAlpha.executor.Run(width, before, alpha.Data());
      copyOut.executor.Run(width, result, before);
      saved.ReleaseRow(i);
    }
    if (coverage) mask->ReleaseRow(i);
    destination->ReleaseRow(y);
    if (code != 0) return code;
  }
  return 0;
}

int BindOperation(OperationBinding& binding, const OperationRequest& request, int operandCount,
                  keFormat first, keFormat second, keFormat common, bool unify) {
  binding = OperationBinding{};
  binding.request = request;
  CRowIteratorBands* destination = request.destination;
  if (!destination) return keErrorBadArgument;
  if (!CRowIteratorBands::IsValid(destination)) {
    if (!CRowIteratorBands::IsValid(request.source)) return keErrorBadArgument;
    const int code = destination->CreateValidated(*request.source, keAccessReadWrite).GetCode();
    if (code != 0) return code;
  }
  if (operandCount == -1 || operandCount == 0) return 0;
  if (operandCount >= 3 || operandCount < -1) return keErrorBadArgument;
  if (!request.source || (operandCount >= 2 && !request.secondSource)) return keErrorMissingOperand;

  CRowIteratorBands* sources[2] = {request.source, request.secondSource};
  keFormat working[2] = {keFormatNone, keFormatNone};
  for (int i = 0; i < operandCount; ++i) {
    binding.savedFormat[i] = sources[i]->GetFormat();
    binding.savedAccessMode[i] = sources[i]->GetAccessMode();
    const keFormat wanted = i == 0 ? first : second;
    working[i] = wanted != keFormatNone ? wanted : binding.savedFormat[i];
  }
  if (operandCount == 2 && unify && working[0] != working[1]) {
    if (working[0] == common || working[1] == common) {
      working[0] = working[1] = common;
    } else {
      working[1] = working[0];
    }
  }
  binding.boundSources = operandCount;
  for (int i = 0; i < operandCount; ++i) {
    if (working[i] == binding.savedFormat[i]) continue;
    const int code = sources[i]->SetViewFormat(working[i], keAccessRead).GetCode();
    if (code != 0) return UnbindOperation(binding, code);
  }
  return 0;
}

int UnbindOperation(OperationBinding& binding, int code) {
  CRowIteratorBands* sources[2] = {binding.request.source, binding.request.secondSource};
  for (int i = 0; i < binding.boundSources; ++i) {
    if (!sources[i] || sources[i]->GetFormat() == binding.savedFormat[i]) continue;
    sources[i]->SetViewFormat(binding.savedFormat[i], binding.savedAccessMode[i]).GetCode();
  }
  binding.boundSources = 0;
  return code;
}

namespace {

// Spins until the performance counter has moved on by ticks; false when it does not move (a
// stopped test clock).
bool WaitTicks(std::int64_t ticks, std::int64_t* now) {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  const std::int64_t start = counter.QuadPart;
  for (long spins = 0; spins < 100000000; ++spins) {
    QueryPerformanceCounter(&counter);
    if (counter.QuadPart - start >= ticks) {
      *now = counter.QuadPart;
      return true;
    }
  }
  return false;
}

float MeasureProcessorMHz() {
#if defined(__x86_64__) || defined(__i386__)
  LARGE_INTEGER frequency;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return 0;
  // Windows of a millisecond; the first wait starts on a tick edge.
  const std::int64_t edge = std::max<std::int64_t>(1, frequency.QuadPart / 20000);
  const std::int64_t window = std::max<std::int64_t>(1, frequency.QuadPart / 1000);
  std::int64_t last[3] = {0, 0, 0};
  for (int attempt = 0; attempt < 20; ++attempt) {
    std::int64_t begin = 0, end = 0;
    if (!WaitTicks(edge, &begin)) return 0;
    const std::uint64_t cycles0 = __rdtsc();
    if (!WaitTicks(window, &end)) return 0;
    const std::uint64_t cycles = __rdtsc() - cycles0;
    const std::int64_t micros = std::max<std::int64_t>(
        1, ((end - begin) * 1000000 + frequency.QuadPart / 2) / frequency.QuadPart);
    last[0] = last[1];
    last[1] = last[2];
    last[2] = static_cast<std::int64_t>((cycles + micros / 2) / micros);
    if (attempt >= 2) {
      const std::int64_t sum = last[0] + last[1] + last[2];
      if (std::llabs(3 * last[0] - sum) <= 3 && std::llabs(3 * last[1] - sum) <= 3 &&
          std::llabs(3 * last[2] - sum) <= 3)
        break;
    }
  }
  const std::int64_t sum = last[0] + last[1] + last[2];
  return static_cast<float>((sum + 1) / 3);
#else
  return 0;
#endif
}

}  // namespace

float ProcessorMHz() {
  static const float mhz = MeasureProcessorMHz();
  return mhz;
}

int ScaleOperation::Execute(OperationRequest& request) {
  OperationBinding binding;
  int code = BindOperation(binding, request, OperandCount(), keFormatNone, keFormatNone, keFormatNone, false);
  if (code != 0) return code;
  CRowIteratorBands& destination = *request.destination;
  CRowIteratorBands& source = *request.source;
  const double scale = request.scale * factor_;
  if (destination.GetFormat() != source.GetFormat()) {
    code = ChangeImageFormat(destination, source.GetFormat()).GetCode();
    if (code != 0) return UnbindOperation(binding, code);
  }
  const RECT& clipRect = request.rects[2];
  const RECT* clip = IsRectEmpty(&clipRect) ? nullptr : &clipRect;
  if (std::fabs(scale - 1) < 1e-8) {
    FillRepeated(destination, source, clip);
    return UnbindOperation(binding, 0);
  }
  int width = RoundToInt(source.Width() * scale);
  if (width < 2) width = 1;
  int height = RoundToInt(source.Height() * scale);
  if (height <= 1) height = 1;
  CRowIteratorBands scaled;
  code = scaled.CreateCopyOfRect(width, height, destination, keAccessReadWrite).GetCode();
  if (code == 0) {
    const RECT area{0, 0, width, height};
    TransformOperation transform(method_, &area, nullptr, 0);
    transform.SetProgressMeter(GetProgressMeter());
    code = transform.Run(scaled, &source).GetCode();
  }
  if (code == 0) FillRepeated(destination, scaled, clip);
  return UnbindOperation(binding, code);
}

}  // namespace corvel
