#include "vector/CanvasRef.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/RowThreads.h"
#include "tests/core/ImageBytes.h"
#include "vector/Paint.h"

namespace corvel {
namespace {

// An opaque BGRA tile of random colours.
void MakeTile(CRowIteratorBands& tile, int width, int height) {
  ASSERT_EQ(tile.Create(width, height, keFormatBGRA).GetCode(), 0);
  std::mt19937 random(7);
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < width * height; ++i) {
    const std::uint32_t value = random();
    bytes.insert(bytes.end(),
                 {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16), 255});
  }
  SetImageBytes(tile, bytes);
}

// The output's BGR bytes as the tile repeated, shifted so that output (0, 0) shows tile (dx, dy).
std::vector<std::uint8_t> Repeated(CRowIteratorBands& tile, const CRowIteratorBands& output, int dx, int dy) {
  const std::vector<std::uint8_t> bgra = ImageBytes(tile);
  std::vector<std::uint8_t> expected(std::size_t(output.GetRowBytes()) * output.Height(), 0);
  for (int y = 0; y < output.Height(); ++y) {
    for (int x = 0; x < output.Width(); ++x) {
      const int tx = (x + dx) % tile.Width(), ty = (y + dy) % tile.Height();
      for (int c = 0; c < 3; ++c)
        expected[std::size_t(y) * output.GetRowBytes() + std::size_t(x) * 3 + c] =
            bgra[std::size_t(ty) * tile.GetRowBytes() + std::size_t(tx) * 4 + c];
    }
  }
  return expected;
}

TEST(CanvasRef, FillAllRepeatsTheTileFromTheOrigin) {
  CRowIteratorBands tile;
  MakeTile(tile, 37, 23);
  for (int threads : {1, 3}) {
    RowThreads::ScopedCount count(threads);
    CRowIteratorBands output;
    ASSERT_EQ(output.Create(300, 200, keFormatBGR).GetCode(), 0);
    CanvasRef canvas;
    ASSERT_EQ(canvas.AttachImage(output), 0);
    PaintRef paint;
    ASSERT_TRUE(paint.SetImage(tile, false, nullptr, 1, 0, 0));
    ASSERT_TRUE(canvas.SetFillPaint(paint));
    ASSERT_TRUE(canvas.SetOpacity(255));
    ASSERT_TRUE(canvas.FillAll());
    EXPECT_EQ(canvas.DetachImage(), 0);
    EXPECT_EQ(ImageBytes(output), Repeated(tile, output, 0, 0)) << threads;
  }
}

// A whole-pixel shift takes the repeating road too; a half-pixel one is sampled between pixels.
TEST(CanvasRef, ShiftedPatternsKeepTheirPhase) {
  CRowIteratorBands tile;
  MakeTile(tile, 37, 23);
  CRowIteratorBands output;
  ASSERT_EQ(output.Create(120, 70, keFormatBGR).GetCode(), 0);
  CanvasRef canvas;
  ASSERT_EQ(canvas.AttachImage(output), 0);
  Matrix3 shift = kIdentityMatrix3;
  Matrix3Translate(&shift, -5, 40);
  PaintRef paint;
  ASSERT_TRUE(paint.SetImage(tile, false, &shift, 1, 0, 0));
  canvas.SetFillPaint(paint);
  const RECT part{3, 4, 110, 60};
  ASSERT_TRUE(canvas.Fill(&part));
  const std::vector<std::uint8_t> expected = Repeated(tile, output, 5, 23 - 40 % 23),
                                  bytes = ImageBytes(output);
  for (int y : {4, 30, 59})
    for (int x : {3, 50, 109})
      for (int c = 0; c < 3; ++c) {
        const std::size_t i = std::size_t(y) * output.GetRowBytes() + std::size_t(x) * 3 + c;
        EXPECT_EQ(bytes[i], expected[i]) << x << "," << y;
      }
  EXPECT_EQ(bytes[std::size_t(3) * output.GetRowBytes()], 0);  // above the rectangle

  Matrix3 half = kIdentityMatrix3;
  Matrix3Translate(&half, 0.5, 0);
  ASSERT_TRUE(paint.SetImage(tile, false, &half, 1, 0, 0));
  canvas.SetFillPaint(paint);
  ASSERT_TRUE(canvas.FillAll());
  EXPECT_NE(ImageBytes(output), Repeated(tile, output, 0, 0));
}

struct Pixel {
  int b, g, r;
};

Pixel At(CRowIteratorBands& image, int x, int y) {
  const std::vector<std::uint8_t> bytes = ImageBytes(image);
  const std::uint8_t* p = &bytes[std::size_t(y) * image.GetRowBytes() + std::size_t(x) * 3];
  return Pixel{p[0], p[1], p[2]};
}

TEST(CanvasRef, RoundRectIsFilledThenOutlined) {
  CRowIteratorBands image;
  const CColorRef black(0, 0, 0, 255);
  ASSERT_EQ(image.Create(100, 50, keFormatBGR, &black).GetCode(), 0);
  CanvasRef canvas;
  ASSERT_EQ(canvas.AttachImage(image), 0);
  PaintRef white;
  ASSERT_TRUE(white.SetColor(0xFFFFFFFFu));
  canvas.SetFillPaint(white);
  ASSERT_TRUE(canvas.SetStrokeColor(0x00FF0000u));  // alpha 0, still opaque red
  canvas.SetLineWidth(1.0, false);
  ASSERT_TRUE(canvas.DrawRoundRect(2, 2, 98, 48, 3, 3));

  // The pen straddles each edge: half on the black outside, half on the white inside (the
  // rasteriser's truncation takes an eighth of a pixel off the right-hand side of vertical strokes).
  for (const POINT& outside : {POINT{50, 1}, POINT{50, 48}, POINT{1, 25}, POINT{98, 25}}) {
    const Pixel p = At(image, outside.x, outside.y);
    EXPECT_NEAR(p.r, 112, 18) << outside.x << "," << outside.y;
    EXPECT_EQ(p.g, 0);
  }
  for (const POINT& inside : {POINT{50, 2}, POINT{50, 47}, POINT{2, 25}, POINT{97, 25}}) {
    const Pixel p = At(image, inside.x, inside.y);
    EXPECT_EQ(p.r, 255) << inside.x << "," << inside.y;
    EXPECT_NEAR(p.g, 144, 18);
  }
  const Pixel centre = At(image, 50, 25), far = At(image, 0, 0), corner = At(image, 2, 2);
  EXPECT_EQ(centre.g, 255);
  EXPECT_EQ(far.r, 0);
  // The rounded corner leaves the rectangle's corner pixel mostly outside the shape.
  EXPECT_LT(corner.r + corner.g, 255 + 64);
  EXPECT_EQ(At(image, 1, 1).g, 0);
}

TEST(PaintRef, EachSetReplacesThePaintHeld) {
  PaintRef paint;
  ASSERT_TRUE(paint.SetColor(0x80112233u));
  Paint* first = paint.Get();
  first->AddRef();
  ASSERT_TRUE(paint.SetColor(0xFF000000u));
  EXPECT_NE(paint.Get(), first);
  EXPECT_EQ(first->Count(), 1);  // only the test's own reference is left
  first->Release();

  // A colour's alpha is kept: half-transparent white over black is grey.
  CRowIteratorBands image;
  const CColorRef black(0, 0, 0, 255);
  ASSERT_EQ(image.Create(2, 2, keFormatBGR, &black).GetCode(), 0);
  CanvasRef canvas;
  canvas.AttachImage(image);
  ASSERT_TRUE(paint.SetColor(0x80FFFFFFu));
  canvas.SetFillPaint(paint);
  ASSERT_TRUE(canvas.FillAll());
  EXPECT_NEAR(At(image, 1, 1).g, 128, 1);
  CRowIteratorBands none;
  EXPECT_FALSE(paint.SetImage(none, false, nullptr, 1, 0, 0));
  EXPECT_EQ(paint.Get(), nullptr);
}

// Hostile geometry draws nothing or what the clip lets through: never a crash or a hang.
TEST(CanvasRef, HostileGeometryIsRefusedOrDrawnAsNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const double huge = 1073741824.0;
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(64, 64, keFormatBGR).GetCode(), 0);
  CanvasRef canvas;
  ASSERT_EQ(canvas.AttachImage(image), 0);
  canvas.SetStrokeColor(0xFF0000u);
  const std::vector<std::vector<double>> boxes = {{nan, 0, 10, 10},       {0, 0, inf, 10},
                                                  {-inf, -inf, inf, inf}, {0, 0, huge, 5},
                                                  {-huge, 0, huge, 5},    {5, 5, 5, 5}};
  for (double width : {0.0, 1.0, nan, inf, -2.0, huge}) {
    canvas.SetLineWidth(width, false);
    for (const std::vector<double>& box : boxes) {
      canvas.DrawRoundRect(box[0], box[1], box[2], box[3], 3, 3);
      canvas.DrawRoundRect(box[0], box[1], box[2], box[3], nan, inf);
      RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
      path->MoveTo({box[0], box[1]}, nullptr);
      path->LineTo({box[2], box[3]}, nullptr);
      path->CurveTo3({box[1], box[0]}, {box[3], box[2]}, {box[0], box[3]}, nullptr);
      EXPECT_TRUE(canvas.StrokePath(path) || !std::isfinite(width) || width < 0);
      CRowIteratorBands tile;
      ASSERT_EQ(tile.Create(3, 3, keFormatBGR).GetCode(), 0);
      canvas.DrawImage(tile, box[0], box[1], box[2], box[3], 1, 0, nullptr);
    }
  }
  RefPtr<VectorPath> empty = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  EXPECT_TRUE(canvas.StrokePath(empty));
  EXPECT_FALSE(canvas.StrokePath(RefPtr<VectorPath>()));
}

}  // namespace
}  // namespace corvel
