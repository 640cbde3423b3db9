#include "generators/detail/ImageRows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/RowIteratorBands.h"
#include "core/RowThreads.h"

namespace corvel {
namespace {

// A table kept from lock to lock gives the rows of the image locked now, exactly as a fresh lock
// does: the same image again, one in bands of the same size, and views of the first whose rows
// start elsewhere.
TEST(ImageRows, AKeptTableFollowsTheImageLockedNow) {
  CRowIteratorBands block, banded, shifted, lower;
  ASSERT_TRUE(block.CreateSpread(40, 300, keFormatBGRA).Ok());
  ASSERT_TRUE(banded.Create(40, 300, keFormatBGRA).Ok());
  ASSERT_TRUE(shifted.CreateSubView(block, 4, 0, 40, 300).Ok());
  ASSERT_TRUE(lower.CreateSubView(block, 0, 1, 36, 300).Ok());
  ASSERT_GT(banded.GetBandCount(), 1);
  ImageRows::RowTable kept;
  for (CRowIteratorBands* image : {&block, &banded, &block, &shifted, &lower, &block}) {
    ImageRows fresh, reused;
    ASSERT_EQ(fresh.Lock(*image), 0);
    ASSERT_EQ(reused.Lock(*image, keFormatBGRA, &kept), 0);
    const BgraRows expected = fresh.Rows(), got = reused.Rows();
    ASSERT_EQ(got.height, expected.height);
    ASSERT_EQ(got.width, expected.width);
    for (int y = 0; y < expected.height; ++y) {
      ASSERT_EQ(got.rows[y], expected.rows[y]) << "row " << y;
      ASSERT_EQ(got.strideBelow[y], expected.strideBelow[y]) << "row " << y;
    }
    // A stride leads to the row below; none past the last row, nor, in one block, between rows.
    ASSERT_EQ(expected.strideBelow[expected.height - 1], 0);
    for (int y = 0; y < expected.height; ++y) {
      ASSERT_EQ(expected.rows[y], image->LockRowPointer(y, 0, -1)) << "row " << y;
      image->UnlockRow(y);
    }
    for (int y = 0; y + 1 < expected.height; ++y) {
      if (image->GetBandCount() == 1) {
        ASSERT_NE(expected.strideBelow[y], 0) << "row " << y;
      }
      if (expected.strideBelow[y] != 0) {
        ASSERT_EQ(expected.rows[y] + expected.strideBelow[y], expected.rows[y + 1]) << "row " << y;
      }
    }
  }
}

// Rows written by several threads at once into a new image of several large pages: every row holds
// what was written, BGRA or grey (made grey from each thread's own row), in one block (rows crossing
// from one large page to the next) or in bands.
TEST(ImageRows, RowsWrittenByThreadsAtOnceHoldWhatWasWritten) {
  constexpr int kWidth = 3001, kHeight = 720, kThreads = 8;
  for (const keFormat format : {keFormatBGRA, keFormatGrey}) {
    for (const bool oneBlock : {true, false}) {
      CRowIteratorBands image;
      ASSERT_TRUE(
          (oneBlock ? image.CreateSpread(kWidth, kHeight, format) : image.Create(kWidth, kHeight, format))
              .Ok());
      ImageRows rows;
      ASSERT_EQ(rows.Lock(image, format), 0);
      std::vector<std::vector<std::uint8_t>> own(kThreads);
      for (std::vector<std::uint8_t>& row : own) ASSERT_TRUE(ReserveBgraRow(rows, row));
      const RowThreads::ScopedCount threads(kThreads);
      RowThreads::Run(kHeight, [&](int first, int last, int slot) {
        for (int y = first; y < last; ++y) {
          const OutputRow row(rows, own[std::size_t(slot)], y);
          std::memset(row.Bgra(), y % 251, 4 * std::size_t(kWidth));
        }
      });
      const std::size_t rowBytes = std::size_t(kWidth) * (format == keFormatGrey ? 1 : 4);
      for (int y = 0; y < kHeight; ++y) {
        const std::uint8_t* row = rows.Row(y);
        for (std::size_t i = 0; i < rowBytes; ++i)
          ASSERT_EQ(row[i], y % 251) << format << (oneBlock ? " in one block" : " in bands") << " row " << y;
      }
    }
  }
}

}  // namespace
}  // namespace corvel
