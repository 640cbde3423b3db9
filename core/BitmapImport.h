// Pictures from the platform into core images: device-dependent bitmaps (rendered into a packed
// device-independent bitmap first) and packed device-independent bitmaps in memory; the row
// accessor; indexed images with grey palettes made grey.
#pragma once
#include "core/CoreResult.h"
#include "core/CorvelMemoryMgr.h"
#include "core/RowIteratorBands.h"
#include "platform/win32/Types.h"

namespace corvel {

// 101 for a null bitmap, 102 without memory, 801 when the platform cannot render the bitmap
// device-independent. Without a palette the display's is used.
CoreResult CreateFromBitmap(CRowIteratorBands& image, HBITMAP bitmap, HPALETTE palette);
// Locks the block (a packed bitmap), creates the image from it and releases the block.
CoreResult CreateFromMemoryBlock(CRowIteratorBands& image, MemoryBlockPtr& block, keFormat format);

// Keeps one whole row of an image locked until released; the pointer is null when the image
// has no pixels, the row lies outside it or the lock failed.
class CRowAccessor {
 public:
  CRowAccessor(CRowIteratorBands& image, int row);
  ~CRowAccessor() { Release(); }
  CRowAccessor(const CRowAccessor&) = delete;
  CRowAccessor& operator=(const CRowAccessor&) = delete;

  BYTE* Pointer() const { return pointer_; }
  void Release();

 private:
  BYTE* pointer_ = nullptr;
  int row_;
  CRowIteratorBands& image_;
};

// An indexed image (keFormatIndex8, keFormatIndex8A) whose palette is all grey becomes
// keFormatGrey (keFormatGreyA), each index replaced by its entry's grey; grey images answer
// true at once, anything else false. Indices beyond the palette keep their value.
bool MakeGreyFromGreyPalette(CRowIteratorBands& image);

}  // namespace corvel
