// Format changes run in row bands across the pool: the same bytes for any count of threads, in
// place (premultiplying) and through a converted copy.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/RowIteratorBands.h"
#include "core/RowThreads.h"
#include "rowops/ImageBufferOps.h"

namespace corvel {
namespace {

std::vector<std::uint8_t> Bytes(CRowIteratorBands& image) {
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < image.Height(); ++y) {
    const BYTE* row = image.LockRowPointer(y, 0, -1);
    bytes.insert(bytes.end(), row, row + image.GetRowBytes());
    image.ReleaseRow(y);
  }
  return bytes;
}

TEST(FormatChange, SameBytesForAnyThreads) {
  for (const keFormat target : {keFormatBGR, keFormatGrey, keFormatBGRxA}) {
    std::vector<std::uint8_t> first;
    for (const int threads : {1, 8}) {
      const RowThreads::ScopedCount count(threads);
      CRowIteratorBands image;
      ASSERT_EQ(image.CreateBGRA(211, 389).GetCode(), 0);
      for (int y = 0; y < image.Height(); ++y) {
        BYTE* row = image.LockRowPointer(y, 0, -1);
        for (int i = 0; i < image.GetRowBytes(); ++i) row[i] = BYTE(i * 7 + y * 13 + (i * y) % 11);
        image.ReleaseRow(y);
      }
      ASSERT_EQ(ChangeImageFormat(image, target).GetCode(), 0);
      ASSERT_EQ(image.GetFormat(), target);
      if (first.empty()) first = Bytes(image);
      EXPECT_EQ(Bytes(image), first) << threads << " threads, format " << target;
    }
  }
}

}  // namespace
}  // namespace corvel
