// The tiling filter's passes that run in row bands across the pool.
#include <gtest/gtest.h>

#include "app/TilingCommand.h"
#include "core/RowThreads.h"

namespace apptest {
namespace {

using namespace corvel;

// The fill goes out in bands of rows: every pixel is the tile's at its place modulo the tile, on
// any count of threads, for tiles shorter and taller than a band and a tile of another format.
TEST(FillWithTile, EveryPixelFromTheTileOnAnyThreads) {
  for (const SIZE size : {SIZE{7, 5}, SIZE{45, 37}}) {
    for (const int threads : {1, 8}) {
      const RowThreads::ScopedCount count(threads);
      CRowIteratorBands tile, output;
      ASSERT_EQ(tile.CreateBGRA(size.cx, size.cy).GetCode(), 0);
      for (int y = 0; y < size.cy; ++y) {
        BYTE* row = tile.LockRowPointer(y, 0, -1);
        for (int x = 0; x < size.cx; ++x) row[4 * x] = BYTE(x), row[4 * x + 1] = BYTE(y), row[4 * x + 2] = 9;
        tile.ReleaseRow(y);
      }
      ASSERT_EQ(output.CreateBGR(301, 203).GetCode(), 0);
      ASSERT_EQ(app::FillWithTile(output, tile).GetCode(), 0);
      for (int y = 0; y < output.Height(); ++y) {
        const BYTE* row = output.LockRowPointer(y, 0, -1);
        for (int x = 0; x < output.Width(); ++x)
          ASSERT_TRUE(row[3 * x] == x % size.cx && row[3 * x + 1] == y % size.cy && row[3 * x + 2] == 9)
              << size.cx << " x " << size.cy << ", " << threads << " threads, at " << x << ", " << y;
        output.ReleaseRow(y);
      }
    }
  }
}

}  // namespace
}  // namespace apptest
