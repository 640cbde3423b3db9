#include "vector/PaintSource.h"

#include "core/RowIteratorBands.h"

namespace corvel {

bool PaintSource::Prepare(const PaintAttachRecord& record) {
  if (record.target == nullptr) return false;
  return rowBuffer_.Allocate(static_cast<std::size_t>(record.target->Width()) * 4) == 0;
}

bool PaintSource::Unprepare() {
  rowBuffer_.Free();
  return true;
}

void PaintSource::FillImage(CRowIteratorBands& image, const RECT* rect, int x, int y) {
  const RECT area = rect != nullptr ? *rect : RECT{0, 0, image.Width(), image.Height()};
  const int width = area.right - area.left;
  if (width <= 0) return;
  for (int row = area.top; row < area.bottom; ++row) {
    BYTE* pointer = nullptr;
    CoreResult lock = image.LockRowSpan(row, area.left, width, &pointer);
    if (!lock.Ok()) return;
    RowOpRow request;
    request.SetFromImage(image, x, y + (row - area.top));
    request.count = width;
    request.row = pointer;
    GenerateSpan(request);
    image.ReleaseRow(row);
  }
}

}  // namespace corvel
