// The tiling filter's passes that run in row bands across the pool, and the whole filter: the
// same bytes on any count of threads.
#include <gtest/gtest.h>

#include <vector>

#include "app/TilingCommand.h"
#include "core/MaskedCombine.h"
#include "core/RowThreads.h"
#include "tests/app/AppFixture.h"

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
        // Opaque, as rendered tiles are: the fill lays the tile over the output by its alpha.
        for (int x = 0; x < size.cx; ++x)
          row[4 * x] = BYTE(x), row[4 * x + 1] = BYTE(y), row[4 * x + 2] = 9, row[4 * x + 3] = 255;
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

// Band by band, the fill through a selection gives the bytes of a whole filled copy combined
// through the mask: bands of one row, of a height the tile's does not divide and taller than
// the image, over colour and grey, with partly selected pixels.
TEST(FillSelectionWithTile, BandsGiveTheBytesOfTheWholeFillCombined) {
  const int width = 61, height = 43;
  CRowIteratorBands tile, mask;
  ASSERT_EQ(tile.CreateBGRA(13, 9).GetCode(), 0);
  for (int y = 0; y < tile.Height(); ++y) {
    BYTE* row = tile.LockRowPointer(y, 0, -1);
    for (int x = 0; x < tile.Width(); ++x)
      row[4 * x] = BYTE(20 * x), row[4 * x + 1] = BYTE(25 * y), row[4 * x + 2] = 77, row[4 * x + 3] = 255;
    tile.ReleaseRow(y);
  }
  ASSERT_EQ(mask.CreateGrey(width, height).GetCode(), 0);
  for (int y = 0; y < height; ++y) {
    BYTE* row = mask.LockRowPointer(y, 0, -1);
    for (int x = 0; x < width; ++x) row[x] = x < 10 ? 0 : x > 40 ? 255 : BYTE(x * y * 7);
    mask.ReleaseRow(y);
  }
  auto picture = [&](keFormat format, CRowIteratorBands& image) {
    ASSERT_EQ(format == keFormatGrey ? image.CreateGrey(width, height).GetCode()
                                     : image.CreateBGR(width, height).GetCode(),
              0);
    for (int y = 0; y < height; ++y) {
      BYTE* row = image.LockRowPointer(y, 0, -1);
      for (int i = 0; i < image.Width() * image.GetBitsPerPixel() / 8; ++i) row[i] = BYTE(3 * i + 11 * y);
      image.ReleaseRow(y);
    }
  };
  auto bytes = [](CRowIteratorBands& image) {
    std::vector<BYTE> all;
    for (int y = 0; y < image.Height(); ++y) {
      const BYTE* row = image.LockRowPointer(y, 0, -1);
      all.insert(all.end(), row, row + image.Width() * image.GetBitsPerPixel() / 8);
      image.ReleaseRow(y);
    }
    return all;
  };
  for (const keFormat format : {keFormatBGR, keFormatGrey}) {
    CRowIteratorBands expected, filled;
    picture(format, expected);
    ASSERT_EQ(filled.CreateCopy(expected).GetCode(), 0);
    ASSERT_EQ(app::FillWithTile(filled, tile).GetCode(), 0);
    ASSERT_EQ(filled.SetViewFormat(format, keAccessReadWrite).GetCode(), 0);
    ASSERT_EQ(MaskedCombine(expected, filled, expected, mask, nullptr, false, nullptr).GetCode(), 0);
    for (const int bandRows : {1, 7, 100}) {
      for (const int threads : {1, 8}) {
        const RowThreads::ScopedCount count(threads);
        CRowIteratorBands image;
        picture(format, image);
        ASSERT_EQ(app::FillSelectionWithTile(image, mask, tile, bandRows).GetCode(), 0);
        EXPECT_EQ(bytes(image), bytes(expected))
            << "format " << format << ", bands of " << bandRows << ", " << threads << " threads";
      }
    }
  }
}

TEST_F(AppTest, TheWholeFilterGivesTheSameBytesOnOneAndEightThreads) {
  const int width = 150, height = 110;
  std::vector<std::uint8_t> ring(std::size_t(width) * height, 0);
  for (int y = 10; y < 100; ++y)
    for (int x = 12; x < 140; ++x) ring[std::size_t(y) * width + x] = x > 50 && x < 90 && y > 40 ? 0 : 200;
  for (const std::int16_t mode : {host::kModeRGB, host::kModeRGB48}) {
    for (const int group : {0, 16}) {
      std::vector<std::uint8_t> first;
      for (const int threads : {1, 8}) {
        const RowThreads::ScopedCount count(threads);
        app::TilingApp linked;
        ASSERT_TRUE(linked.InitInstance());
        LinkedApp() = &linked;
        wfhost::FilterModule module(LinkedEntry);
        wfhost::HostImageBuffer image = PatternImage(mode, width, height);
        wfhost::FilterRun run;
        run.descriptor = Recorded({{resources::kTilingMethod, group}, {resources::kFeathering, 20}});
        run.selection = &ring;
        ASSERT_EQ(RunFilter(module, image, run), host::noErr);
        LinkedApp() = nullptr;
        if (first.empty()) first = image.pixels;
        EXPECT_EQ(image.pixels, first)
            << "mode " << mode << ", group " << group << ", " << threads << " threads";
      }
    }
  }
}

// The dialog copies the tile for its thumbnail while render threads replace it.
TEST_F(AppTest, ThePreviewImageIsCopiedWhileRendersReplaceTheTile) {
  app::TilingCommand command;
  command.GetParameters().ResetParameters(false);
  CRowIteratorBands source;
  ASSERT_EQ(source.CreateBGR(120, 90).GetCode(), 0);
  command.SetSourceImage(source);
  for (int render = 0; render < 3; ++render) {
    ASSERT_EQ(command.StartRender().GetCode(), 0);
    do {
      CRowIteratorBands copy;
      ASSERT_TRUE(command.GetPreviewImage(copy));
      EXPECT_GT(copy.Width(), 0);
    } while (command.IsRendering());
  }
  command.StopRender();
}

}  // namespace
}  // namespace apptest
