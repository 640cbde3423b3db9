// The source the rowops benchmarks read: a Size x Size BGRA image of gradients under a fine
// texture, so that neighbouring taps differ as a photo's do. Made once, on first use.
#pragma once
#include "core/RowIteratorBands.h"

namespace corvel {

template <int Size>
CRowIteratorBands& PhotoLikeImage() {
  static CRowIteratorBands image;
  if (image.Width() == 0) {
    image.Create(Size, Size, keFormatBGRA).GetCode();
    for (int y = 0; y < Size; ++y) {
      BYTE* row = image.LockRowPointer(y, 0, -1);
      for (int x = 0; x < Size; ++x) {
        row[4 * x] = static_cast<BYTE>(x * 256 / Size + (x * y) % 7);
        row[4 * x + 1] = static_cast<BYTE>(y * 256 / Size + (x ^ y) % 5);
        row[4 * x + 2] = static_cast<BYTE>((x + y) * 128 / Size);
        row[4 * x + 3] = 255;
      }
      image.ReleaseRow(y);
    }
  }
  return image;
}

}  // namespace corvel
