#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "rowops/TiledImage.h"
#include "tests/rowops/SamplingTestImages.h"

namespace corvel {
namespace {

using testing::MakeImage;

// Grey image whose pixel is 16 y + x, so a value names its position.
void MakePositionImage(CRowIteratorBands& image, int width, int height) {
  MakeImage(image, width, height, keFormatGrey, [](int x, int y, int) { return std::uint8_t(16 * y + x); });
}

std::uint8_t Position(int x, int y) { return std::uint8_t(16 * y + x); }

// One pixel read at (x, y) through the transfer.
std::uint8_t ReadOne(TiledImage& image, int x, int y, int mode, std::uint8_t fill = 0xEE) {
  std::uint8_t pixel = 0x11;
  PixelBlock block{keFormatGrey, 1, 1, &pixel, 0};
  TransferTiledRect(block, RECT{0, 0, 1, 1}, image, x, y, mode, &fill);
  return pixel;
}

TEST(TransferTiledRect, OnePixelBeyondEachBorderInEveryMode) {
  CRowIteratorBands image;
  MakePositionImage(image, 4, 4);
  TiledImageAdapter adapter(image);
  struct Case {
    int x, y;
    std::uint8_t wrap, clamp, mirror;
  };
  const Case cases[] = {
      {-1, 0, Position(3, 0), Position(0, 0), Position(0, 0)},
      {4, 0, Position(0, 0), Position(3, 0), Position(3, 0)},
      {-5, 0, Position(3, 0), Position(0, 0), Position(3, 0)},  // x mod 8 = 3
      {0, -1, Position(0, 3), Position(0, 0), Position(0, 0)},
      {2, 4, Position(2, 0), Position(2, 3), Position(2, 3)},
      {-1, -1, Position(3, 3), Position(0, 0), Position(0, 0)},
      {5, 6, Position(1, 2), Position(3, 3), Position(2, 1)},
      {-9, 9, Position(3, 1), Position(0, 3), Position(0, 1)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadOne(adapter, c.x, c.y, keEdgeWrap), c.wrap) << c.x << "," << c.y;
    EXPECT_EQ(ReadOne(adapter, c.x, c.y, keEdgeClamp), c.clamp) << c.x << "," << c.y;
    EXPECT_EQ(ReadOne(adapter, c.x, c.y, keEdgeFill), 0xEE) << c.x << "," << c.y;
    EXPECT_EQ(ReadOne(adapter, c.x, c.y, keEdgeMirror), c.mirror) << c.x << "," << c.y;
    EXPECT_EQ(ReadOne(adapter, c.x, c.y, 4), 0x11) << "modes above 3 leave the outside alone";
  }
}

// A long row through the image and far beyond it on both sides, each mode against its rule.
TEST(TransferTiledRect, SequencesAcrossManyPeriods) {
  CRowIteratorBands image;
  MakePositionImage(image, 3, 2);
  TiledImageAdapter adapter(image);
  const int start = -11, count = 30;
  for (int mode : {keEdgeWrap, keEdgeClamp, keEdgeMirror}) {
    std::vector<std::uint8_t> row(count, 0);
    PixelBlock block{keFormatGrey, count, 1, row.data(), 0};
    TransferTiledRect(block, RECT{0, 0, count, 1}, adapter, start, 1, mode, nullptr);
    for (int i = 0; i < count; ++i) {
      const int x = start + i;
      int expected;
      if (mode == keEdgeWrap) {
        expected = ((x % 3) + 3) % 3;
      } else if (mode == keEdgeClamp) {
        expected = std::clamp(x, 0, 2);
      } else {
        int r = ((x % 6) + 6) % 6;
        expected = r < 3 ? r : 5 - r;
      }
      EXPECT_EQ(row[i], Position(expected, 1)) << "mode " << mode << " x " << x;
    }
  }
}

TEST(TransferTiledRect, BlockWiderAndTallerThanTheImage) {
  CRowIteratorBands image;
  MakePositionImage(image, 2, 3);
  TiledImageAdapter adapter(image);
  const int w = 9, h = 10, sx = -4, sy = -5;
  for (int mode : {keEdgeWrap, keEdgeClamp, keEdgeMirror}) {
    std::vector<std::uint8_t> pixels(w * h, 0);
    PixelBlock block{keFormatGrey, w, h, pixels.data(), w};
    TransferTiledRect(block, RECT{0, 0, w, h}, adapter, sx, sy, mode, nullptr);
    auto fold = [mode](int v, int n) {
      if (mode == keEdgeWrap) return ((v % n) + n) % n;
      if (mode == keEdgeClamp) return std::clamp(v, 0, n - 1);
      int r = ((v % (2 * n)) + 2 * n) % (2 * n);
      return r < n ? r : 2 * n - 1 - r;
    };
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(pixels[y * w + x], Position(fold(sx + x, 2), fold(sy + y, 3)))
            << mode << " " << x << "," << y;
  }
}

TEST(TransferTiledRect, DestinationOutsideItsBlockCopiesNothing) {
  CRowIteratorBands image;
  MakePositionImage(image, 4, 4);
  TiledImageAdapter adapter(image);
  std::array<std::uint8_t, 4> pixels{9, 9, 9, 9};
  PixelBlock block{keFormatGrey, 2, 2, pixels.data(), 2};
  for (RECT r : {RECT{1, 0, 3, 1}, RECT{-1, 0, 1, 1}, RECT{0, 1, 1, 3}, RECT{1, 1, 1, 2}}) {
    TransferTiledRect(block, r, adapter, 0, 0, keEdgeWrap, nullptr);
    EXPECT_EQ(pixels, (std::array<std::uint8_t, 4>{9, 9, 9, 9}));
  }
}

// Counts the tile locks of an adapter.
class CountingImage : public TiledImage {
 public:
  explicit CountingImage(CRowIteratorBands& image) : adapter_(image) {}
  int GetWidth() const override { return adapter_.GetWidth(); }
  int GetHeight() const override { return adapter_.GetHeight(); }
  keFormat GetFormat() const override { return adapter_.GetFormat(); }
  CoreResult LockTile(Tile tile, PixelBlock* block) override {
    ++locks[tile.row];
    return adapter_.LockTile(tile, block);
  }
  CoreResult UnlockTile(Tile tile) override {
    ++unlocks[tile.row];
    return adapter_.UnlockTile(tile);
  }
  int GetPaletteSize() const override { return adapter_.GetPaletteSize(); }
  const RGBQUAD* GetPalette() const override { return adapter_.GetPalette(); }
  CoreResult GetTileAt(POINT p, Tile* t) const override { return adapter_.GetTileAt(p, t); }
  CoreResult GetTileRange(const RECT& r, RECT* range) const override {
    return adapter_.GetTileRange(r, range);
  }
  CoreResult GetTileRect(Tile t, RECT* r) const override { return adapter_.GetTileRect(t, r); }

  int locks[4] = {};
  int unlocks[4] = {};

 private:
  TiledImageAdapter adapter_;
};

TEST(TransferTiledRect, LocksEachBandItTouchesOnce) {
  CRowIteratorBands image;
  MakeImage(image, 5, 300, keFormatGrey, [](int x, int y, int) { return std::uint8_t(x + y); });
  struct Case {
    int top, rows;
    std::array<int, 3> locks;
  };
  const Case cases[] = {
      {10, 50, {1, 0, 0}}, {100, 60, {1, 1, 0}}, {120, 150, {1, 1, 1}}, {200, 100, {0, 1, 1}}};
  for (const Case& c : cases) {
    CountingImage counting(image);
    std::vector<std::uint8_t> pixels(5 * c.rows);
    PixelBlock block{keFormatGrey, 5, c.rows, pixels.data(), 5};
    TransferTiledRect(block, RECT{0, 0, 5, c.rows}, counting, 0, c.top, keEdgeClamp, nullptr);
    for (int band = 0; band < 3; ++band) {
      EXPECT_EQ(counting.locks[band], c.locks[band]) << c.top << " band " << band;
      EXPECT_EQ(counting.unlocks[band], c.locks[band]) << c.top << " band " << band;
    }
    for (int y = 0; y < c.rows; ++y)
      ASSERT_EQ(pixels[y * 5 + 4], std::uint8_t(4 + std::min(c.top + y, 299))) << y;
  }
}

TEST(TiledImageAdapter, TilesAreBands) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(7, 300, keFormatBGRA).GetCode(), 0);
  auto adapter = CreateTiledImageAdapter(image);
  ASSERT_TRUE(adapter);
  EXPECT_EQ(adapter->GetWidth(), 7);
  EXPECT_EQ(adapter->GetHeight(), 300);
  EXPECT_EQ(adapter->GetFormat(), keFormatBGRA);
  EXPECT_EQ(adapter->TileColumns(), 1);
  EXPECT_EQ(adapter->TileRows(), 3);
  Tile tile;
  EXPECT_EQ(adapter->GetTileAt(POINT{0, 130}, &tile).GetCode(), 0);
  EXPECT_EQ(tile.column, 0);
  EXPECT_EQ(tile.row, 1);
  EXPECT_EQ(adapter->GetTileAt(POINT{7, 0}, &tile).GetCode(), keErrorBadArgument);
  RECT rect;
  EXPECT_EQ(adapter->GetTileRect(Tile{0, 2}, &rect).GetCode(), 0);
  EXPECT_EQ(rect.top, 256);
  EXPECT_EQ(rect.bottom, 300);
}

TEST(TiledImageAdapter, GreyImagesPresentTheGreyRamp) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(2, 2, keFormatGrey).GetCode(), 0);
  TiledImageAdapter adapter(image);
  ASSERT_EQ(adapter.GetPaletteSize(), 256);
  EXPECT_EQ(adapter.GetPalette()[200].rgbRed, 200);
  CRowIteratorBands colour;
  ASSERT_EQ(colour.Create(2, 2, keFormatBGR).GetCode(), 0);
  EXPECT_EQ(TiledImageAdapter(colour).GetPaletteSize(), 0);
}

// A view's bands hold the stored layout, not the presented one: reading them as presented pixels
// would run past the rows.
TEST(TiledImageAdapter, RefusesBandsOfAView) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(4, 4, keFormatBGR).GetCode(), 0);
  ASSERT_EQ(image.SetViewFormat(keFormatBGRA, keAccessRead).GetCode(), 0);
  TiledImageAdapter adapter(image);
  PixelBlock block;
  EXPECT_EQ(adapter.LockTile(Tile{0, 0}, &block).GetCode(), keErrorFormatNotSupported);
  EXPECT_EQ(block.bits, nullptr);
  std::array<std::uint8_t, 4> pixel{1, 2, 3, 4}, fill{9, 9, 9, 9};
  PixelBlock one{keFormatBGRA, 1, 1, pixel.data(), 0};
  TransferTiledRect(one, RECT{0, 0, 1, 1}, adapter, 0, 0, keEdgeClamp, fill.data());
  EXPECT_EQ(pixel, fill);
}

TEST(BlockHelpers, FillCopyReadAndFlip) {
  std::array<std::uint8_t, 16> pixels{};
  PixelBlock block{keFormatGreyA, 4, 2, pixels.data(), 8};
  const std::uint8_t pixel[2] = {7, 8};
  FillRectWithPixel(block, RECT{1, 0, 3, 2}, pixel);
  EXPECT_EQ(pixels, (std::array<std::uint8_t, 16>{0, 0, 7, 8, 7, 8, 0, 0, 0, 0, 7, 8, 7, 8, 0, 0}));
  FillRectWithPixel(block, RECT{3, 0, 5, 1}, pixel);  // sticks out: nothing
  EXPECT_EQ(pixels[6], 0);

  std::uint8_t out[2] = {1, 1};
  ReadBlockPixel(block, 2, 1, out);
  EXPECT_EQ(out[0], 7);
  out[0] = 1;
  ReadBlockPixel(block, 4, 0, out);
  EXPECT_EQ(out[0], 1);

  // Rows 0..1, columns numbered 0..3 in the first byte.
  for (int i = 0; i < 8; ++i) pixels[2 * i] = std::uint8_t(i);
  FlipBlockRect(block, RECT{0, 0, 4, 2}, -1, 1);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(pixels[2 * i], (i / 4) * 4 + 3 - i % 4);
  FlipBlockRect(block, RECT{0, 0, 4, 2}, -1, -1);  // a half turn
  for (int i = 0; i < 8; ++i) EXPECT_EQ(pixels[2 * i], (1 - i / 4) * 4 + i % 4);
  FlipBlockRect(block, RECT{1, 0, 2, 2}, 1, -1);
  EXPECT_EQ(pixels[2], 1);
  EXPECT_EQ(pixels[10], 5);
  FlipBlockRect(block, RECT{0, 0, 4, 2}, 1, 1);
  EXPECT_EQ(pixels[2], 1);

  std::array<std::uint8_t, 16> copy{};
  PixelBlock target{keFormatGreyA, 4, 2, copy.data(), 8};
  CopyBlockRect(target, 3, 1, block, RECT{0, 0, 2, 1});  // would pass the right edge
  EXPECT_EQ(copy, (std::array<std::uint8_t, 16>{}));
  CopyBlockRect(target, 2, 1, block, RECT{0, 0, 2, 1});
  EXPECT_EQ(copy[12], pixels[0]);
  EXPECT_EQ(copy[14], pixels[2]);
}

TEST(BlockHelpers, HalfTurnOfOddSizedRect) {
  std::array<std::uint8_t, 9> pixels{1, 2, 3, 4, 5, 6, 7, 8, 9};
  PixelBlock block{keFormatGrey, 3, 3, pixels.data(), 3};
  FlipBlockRect(block, RECT{0, 0, 3, 3}, -1, -1);
  EXPECT_EQ(pixels, (std::array<std::uint8_t, 9>{9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

}  // namespace
}  // namespace corvel
