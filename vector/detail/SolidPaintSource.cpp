#include "vector/detail/SolidPaintSource.h"

#include "core/ColorUtils.h"
#include "core/PaletteCache.h"
#include "core/RowIteratorBands.h"

namespace corvel {

bool SolidPaintSource::Prepare(const PaintAttachRecord& record) {
  if (!PaintSource::Prepare(record)) return false;
  CRowIteratorBands& target = *record.target;
  std::uint32_t alpha = color_ >> 24;
  args_ = RowOpArgs();
  args_.SetDestination(target, 0, 0);
  if (CPixelFormat(target.GetFormat()).IsIndexed()) {
    alpha = 255;
    fill_.SetPaletteIndex(RgbToPaletteIndex(color_ & 0xFF, (color_ >> 8) & 0xFF, (color_ >> 16) & 0xFF,
                                            args_.dst.palette, args_.dst.paletteSize));
  }
  preparedColor_ = color_;
  if (alpha < 255) {
    blendSolid_.SetColor(color_);
    return context_.Bind(blendSolid_, args_, 2, 1);
  }
  fill_.SetColor(color_);
  return context_.Bind(fill_, args_, 2, 1);
}

bool SolidPaintSource::Unprepare() {
  if (context_.IsBound()) context_.Unbind();
  fill_.SetPaletteIndex(-1);
  return true;
}

void SolidPaintSource::GenerateSpan(RowOpRow& request) {
  if (request.count <= 0) return;
  if (request.row == nullptr) {
    if (static_cast<std::size_t>(request.count) * 4 > rowBuffer_.Size()) return;
    request.row = rowBuffer_.Data();
    if (request.format == keFormatNone) request.format = keFormatBGRA;
  }
  if (request.format == keFormatBGRA) {
    const std::uint32_t c = preparedColor_;
    const BYTE pixel[4] = {static_cast<BYTE>(c >> 16), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c),
                           static_cast<BYTE>(c >> 24)};
    FillWithElement(request.row, pixel, 4, static_cast<std::size_t>(request.count));
    return;
  }
  // The bound kernel was chosen for the target's format; any other row would be misread.
  if (request.format != args_.dst.format || !context_.IsBound()) return;
  RowOpArgs args;
  args.dst = request;
  context_.Execute(args);
}

}  // namespace corvel
