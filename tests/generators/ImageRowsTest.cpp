#include "generators/detail/ImageRows.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/RowIteratorBands.h"

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

}  // namespace
}  // namespace corvel
