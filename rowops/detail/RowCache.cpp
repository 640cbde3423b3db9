#include "rowops/detail/RowCache.h"

#include <new>

#include "core/RowIteratorBands.h"
#include "rowops/RowCopyOp.h"

namespace corvel::detail {

bool RowCache::Allocate(CRowIteratorBands& image, int slots, bool writing) {
  Free();
  image_ = &image;
  writing_ = writing;
  convert_ = image.GetFormat() != working_;
  // Whole 32-bit words of the image's width in the working format.
  rowBytes_ = (std::size_t(CPixelFormat(working_).GetBitsPerPixel()) * image.Width() + 31) / 32 * 4;
  if (convert_) {
    const keFormat dst = writing ? image.GetFormat() : working_;
    const keFormat src = writing ? working_ : image.GetFormat();
    conversion_.reset(new (std::nothrow) RowOpExecutor(RowCopyOp(), dst, src));
    if (!conversion_ || !conversion_->IsBound()) {
      Free();
      return false;
    }
    RowOpRow& imageSide = writing ? conversion_->Args().dst : conversion_->Args().src;
    imageSide.paletteSize = image.GetPaletteSize();
    imageSide.palette = reinterpret_cast<const std::uint8_t*>(image.GetPalette());
  }
  slots_.resize(slots);
  for (Slot& slot : slots_) {
    if (!convert_) continue;
    slot.buffer.reset(new (std::nothrow) BYTE[rowBytes_ + 16]);
    if (!slot.buffer) {
      Free();
      return false;
    }
  }
  return true;
}

void RowCache::Retire(Slot& slot) {
  if (slot.locked) image_->ReleaseRow(slot.row);
  slot.locked = false;
  slot.row = -1;
  slot.pointer = nullptr;
  slot.state = kFree;
}

// A written row goes back into the image.
void RowCache::Store(Slot& slot) {
  if (convert_) {
    BYTE* target = nullptr;
    if (image_->LockRowSpan(slot.row, slot.x, slot.width, &target).GetCode() == 0) {
      conversion_->Run(slot.width, target, slot.buffer.get());
      image_->ReleaseRow(slot.row);
    }
  }
  Retire(slot);
}

BYTE* RowCache::GetRow(int row, int x, int width) {
  Slot* chosen = nullptr;
  for (Slot& slot : slots_) {
    if (slot.state != kFree && slot.row == row && slot.x == x && slot.width == width) {
      ++slot.state;
      return slot.pointer;
    }
  }
  for (Slot& slot : slots_)
    if (slot.state == kFree) {
      chosen = &slot;
      break;
    }
  if (!chosen)
    for (Slot& slot : slots_)
      if (slot.state == 0) {
        chosen = &slot;
        break;
      }
  if (!chosen) return nullptr;
  Retire(*chosen);
  BYTE* pointer = nullptr;
  if (image_->LockRowSpan(row, x, width, &pointer).GetCode() != 0 || !pointer) return nullptr;
  if (convert_) {
    if (!writing_) conversion_->Run(width, chosen->buffer.get(), pointer);
    image_->ReleaseRow(row);
    pointer = chosen->buffer.get();
  } else {
    chosen->locked = true;
  }
  chosen->row = row;
  chosen->x = x;
  chosen->width = width;
  chosen->pointer = pointer;
  chosen->state = 1;
  return pointer;
}

void RowCache::Release(int row) {
  for (Slot& slot : slots_) {
    if (slot.state <= 0 || slot.row != row) continue;
    if (--slot.state == 0 && writing_) Store(slot);
    return;
  }
}

void RowCache::Free() {
  for (Slot& slot : slots_) {
    if (slot.state > 0 && writing_) {
      Store(slot);
    } else if (slot.state != kFree) {
      Retire(slot);
    }
  }
  slots_.clear();
  conversion_.reset();
  image_ = nullptr;
}

}  // namespace corvel::detail
