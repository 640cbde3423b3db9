#include "vector/detail/ImageCanvas.h"

#include <gtest/gtest.h>

#include <vector>

#include "rowops/RowCopyOp.h"
#include "tests/core/ImageBytes.h"
#include "tests/vector/PathTestSupport.h"
#include "vector/detail/Coverage.h"
#include "vector/detail/PathReader.h"

namespace corvel {
namespace {

void ExpectRect(const RECT& rect, int left, int top, int right, int bottom) {
  EXPECT_EQ(rect.left, left);
  EXPECT_EQ(rect.top, top);
  EXPECT_EQ(rect.right, right);
  EXPECT_EQ(rect.bottom, bottom);
}

// Grey images: one byte a pixel.
int At(CRowIteratorBands& image, int x, int y) {
  return ImageBytes(image)[std::size_t(y) * image.GetRowBytes() + std::size_t(x)];
}

int CountSet(CRowIteratorBands& image) {
  int count = 0;
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) count += At(image, x, y) != 0;
  return count;
}

// Covered pixels, partly covered ones counting by their coverage.
double Area(CRowIteratorBands& image) {
  double sum = 0;
  for (std::uint8_t byte : ImageBytes(image)) sum += byte;
  return sum / 255;
}

struct GreyCanvas {
  GreyCanvas(int width, int height) : canvas(keFormatBGR) {
    const CColorRef black(0, 0, 0, 255);
    EXPECT_EQ(image.Create(width, height, keFormatGrey, &black).GetCode(), 0);
    EXPECT_EQ(canvas.AttachImage(image), 0);
  }
  CRowIteratorBands image;
  ImageCanvas canvas;
};

TEST(ImageCanvas, AttachTakesTheImagesRectanglesAndFormat) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(300, 200, keFormatBGRA).GetCode(), 0);
  ImageCanvas canvas(keFormatBGR);
  ASSERT_EQ(canvas.AttachImage(image), 0);
  ExpectRect(canvas.GetRect(false), 0, 0, 300, 200);
  ExpectRect(canvas.GetRect(true), 0, 0, 300, 200);
  ExpectRect(canvas.GetDeviceClip(), 0, 0, 300, 200);
  EXPECT_EQ(canvas.GetZoom(), 1.0);
  EXPECT_EQ(canvas.GetFormat(), keFormatBGRA);
  EXPECT_EQ(canvas.DetachImage(), 0);
  EXPECT_EQ(canvas.DetachImage(), keErrorBadArgument);
  CRowIteratorBands empty;
  EXPECT_EQ(canvas.AttachImage(empty), keErrorBadArgument);
}

TEST(ImageCanvas, ZoomedViewMapsRectanglesAndPoints) {
  ImageCanvas canvas(keFormatGrey);
  EXPECT_EQ(canvas.SetView(0, 0, 100, 100, 2.0), 0);
  ExpectRect(canvas.GetRect(false), 0, 0, 200, 200);
  ASSERT_NE(canvas.GetTargetImage(), nullptr);
  EXPECT_EQ(canvas.GetTargetImage()->Width(), 200);
  const RECT clip{10, 10, 20, 20};
  canvas.SetClipRect(&clip);
  ExpectRect(canvas.GetDeviceClip(), 20, 20, 40, 40);
  ExpectRect(canvas.GetClipRect(), 10, 10, 20, 20);

  // A view from (50, 30) at zoom 3: view point (60, 40) lands on device pixel (30, 30).
  canvas.SetView(50, 30, 150, 130, 3.0);
  canvas.SetMatrix(kIdentityMatrix3);
  double point[2] = {60, 40};
  Matrix3MapPoint(&canvas.CurrentTransform(), point);
  EXPECT_NEAR(point[0], 30, 1e-9);
  EXPECT_NEAR(point[1], 30, 1e-9);
  const RECT partly{40, 20, 60, 35};
  canvas.SetClipRect(&partly);
  ExpectRect(canvas.GetClipRect(), 50, 30, 60, 35);
  ExpectRect(canvas.GetDeviceClip(), 0, 0, 30, 15);
}

TEST(ImageCanvas, FillCoversTheClippedRectangleOnly) {
  GreyCanvas grey(20, 10);
  ASSERT_TRUE(grey.canvas.Fill(nullptr));
  EXPECT_EQ(CountSet(grey.image), 200);
  EXPECT_EQ(At(grey.image, 19, 9), 255);

  GreyCanvas partly(20, 10);
  const RECT rect{15, -5, 40, 4};
  ASSERT_TRUE(partly.canvas.Fill(&rect));
  EXPECT_EQ(CountSet(partly.image), 5 * 4);
  EXPECT_EQ(At(partly.image, 15, 0), 255);
  EXPECT_EQ(At(partly.image, 14, 0), 0);

  partly.canvas.SetFillPaint(nullptr);
  EXPECT_FALSE(partly.canvas.Fill(nullptr));
}

TEST(ImageCanvas, DrawCallWindowLetsOnlyItsCallsDraw) {
  GreyCanvas grey(4, 1);
  DrawCallWindowRecord window;
  window.flags = keWindowSetEnabled | keWindowSetRange;
  window.enabled = 1;
  window.first = 2;
  window.last = 3;
  ASSERT_TRUE(grey.canvas.DrawCallWindow(window));
  for (int x = 0; x < 4; ++x) {
    const RECT pixel{x, 0, x + 1, 1};
    EXPECT_TRUE(grey.canvas.Fill(&pixel));
  }
  EXPECT_EQ(At(grey.image, 0, 0), 0);
  EXPECT_EQ(At(grey.image, 1, 0), 255);
  EXPECT_EQ(At(grey.image, 2, 0), 255);
  EXPECT_EQ(At(grey.image, 3, 0), 0);
  DrawCallWindowRecord read;
  read.flags = keWindowGetCounter;
  grey.canvas.DrawCallWindow(read);
  EXPECT_EQ(read.counter, 5);
}

TEST(DrawContext, SettingsAreClampedAndCapsAddressed) {
  ImageCanvas canvas(keFormatGrey);
  canvas.SetAntialiasLevel(20);
  EXPECT_EQ(canvas.GetAntialiasLevel(), 8);
  canvas.SetAntialiasLevel(0);
  EXPECT_EQ(canvas.GetAntialiasLevel(), 1);
  canvas.SetRenderMode(1);
  EXPECT_EQ(canvas.GetAntialiasLevel(), 4);
  canvas.SetAntialiasLevel(7);
  EXPECT_EQ(canvas.GetAntialiasLevel(), 4);

  EXPECT_EQ(canvas.SetCapKind(2, -2), -1);
  for (const PenCap& cap : canvas.GetPen().caps) EXPECT_EQ(cap.kind, 2);
  EXPECT_EQ(canvas.SetCapKind(1, 5), -1);
  EXPECT_EQ(canvas.SetCapKind(1, 3), 2);
  EXPECT_EQ(canvas.GetPen().caps[3].kind, 1);
  double old[2] = {9, 9};
  canvas.SetCapFactors(old, 2, 3, 7);
  EXPECT_EQ(old[0], 0);
  EXPECT_EQ(canvas.GetPen().caps[0].length, 1.0);
}

TEST(DrawContext, RestoreAllStatesGoesBackToTheFirstSaved) {
  ImageCanvas canvas(keFormatGrey);
  EXPECT_FALSE(canvas.RestoreAllStates());
  canvas.SetLineWidth(2, false);
  ASSERT_TRUE(canvas.SaveState());
  canvas.SetLineWidth(3, false);
  RefPtr<Paint> red = RefPtr<Paint>::Adopt(CreateSolidPaint(0xFFFF0000u));
  canvas.SetFillPaint(red.Get());
  ASSERT_TRUE(canvas.SaveState());
  canvas.SetLineWidth(4, false);
  canvas.SetFillPaint(nullptr);
  EXPECT_TRUE(canvas.RestoreAllStates());
  EXPECT_EQ(canvas.GetPen().width, 2);
  EXPECT_NE(canvas.GetFillPaint(), red.Get());
  EXPECT_NE(canvas.GetFillPaint(), nullptr);
  EXPECT_EQ(red->Count(), 1);
}

TEST(ImageCanvas, StrokesAndFillsPathsThroughTheView) {
  GreyCanvas grey(40, 40);
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateRectPath(10, 10, 20, 20));
  StagePtr reader(CreatePathReader(*path));
  ASSERT_TRUE(grey.canvas.FillPath(reader.get(), nullptr));
  EXPECT_EQ(CountSet(grey.image), 100);
  EXPECT_EQ(Area(grey.image), 100);

  // Zero width strokes nothing; a device-width pen keeps its width under a zoom.
  GreyCanvas zoomed(40, 40);
  zoomed.canvas.SetView(0, 0, 20, 20, 2.0);
  zoomed.canvas.AttachImage(zoomed.image);
  zoomed.canvas.SetLineWidth(0, false);
  EXPECT_TRUE(zoomed.canvas.StrokePath(reader.get(), nullptr));
  EXPECT_EQ(CountSet(zoomed.image), 0);
  ImageCanvas& canvas = zoomed.canvas;
  canvas.SetView(0, 0, 20, 20, 2.0);
  canvas.SetMatrix(kIdentityMatrix3);
  ASSERT_EQ(canvas.GetTargetImage()->Width(), 40);
  RefPtr<VectorPath> line = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  line->MoveTo({2, 10}, nullptr);
  line->LineTo({18, 10}, nullptr);
  StagePtr lineReader(CreatePathReader(*line));
  canvas.SetLineWidth(2, true);
  ASSERT_TRUE(canvas.StrokePath(lineReader.get(), nullptr));
  EXPECT_NEAR(Area(*canvas.GetTargetImage()), 32 * 2, 0.5);
  canvas.SetLineWidth(2, false);
  ASSERT_TRUE(canvas.StrokePath(lineReader.get(), nullptr));
  EXPECT_NEAR(Area(*canvas.GetTargetImage()), 32 * 4, 1);  // over the thinner one
}

TEST(ImageCanvas, CoverageImagesNeedAPureTranslation) {
  GreyCanvas grey(10, 10);
  CRowIteratorBands coverage;
  const CColorRef half(128, 128, 128, 255);
  ASSERT_EQ(coverage.Create(3, 2, keFormatGrey, &half).GetCode(), 0);
  Matrix3 turn = kIdentityMatrix3;
  Matrix3Rotate(&turn, 0.5);
  grey.canvas.SetMatrix(turn);
  EXPECT_FALSE(grey.canvas.FillImageCoverage(coverage, nullptr));
  EXPECT_EQ(CountSet(grey.image), 0);
  Matrix3 move = kIdentityMatrix3;
  Matrix3Translate(&move, 8, 1);
  grey.canvas.SetMatrix(move);
  const POINT offset{0, 8};
  ASSERT_TRUE(grey.canvas.FillImageCoverage(coverage, &offset));
  EXPECT_EQ(CountSet(grey.image), 2);  // clipped to the image's last row and columns
  EXPECT_NEAR(At(grey.image, 9, 9), 128, 1);
}

TEST(ImageCanvas, ImagesArePutGotAndDrawn) {
  GreyCanvas grey(10, 10);
  CRowIteratorBands patch;
  const CColorRef white(255, 255, 255, 255);
  ASSERT_EQ(patch.Create(4, 4, keFormatBGR, &white).GetCode(), 0);
  const RECT place{8, 8, 12, 12};
  EXPECT_EQ(grey.canvas.PutImage(patch, &place), 0);
  EXPECT_EQ(CountSet(grey.image), 4);
  CRowIteratorBands back;
  const RECT corner{7, 7, 20, 20};
  ASSERT_EQ(grey.canvas.GetImage(back, &corner), 0);
  EXPECT_EQ(back.Width(), 3);
  EXPECT_EQ(At(back, 0, 0), 0);
  EXPECT_EQ(At(back, 2, 2), 255);

  GreyCanvas drawn(10, 10);
  EXPECT_EQ(drawn.canvas.DrawImage(patch, 1, 1, 5, 5, 1, 0, nullptr), 0);
  EXPECT_EQ(CountSet(drawn.image), 16);
  EXPECT_EQ(drawn.canvas.DrawImage(patch, 0, 0, 10, 2, 1, 0, nullptr), 0);
  EXPECT_EQ(CountSet(drawn.image), 16 + 20 - 4);
  CRowIteratorBands none;
  EXPECT_EQ(drawn.canvas.DrawImage(none, 0, 0, 10, 10, 1, 0, nullptr), 0);
  EXPECT_EQ(drawn.canvas.FillFromSource(), keErrorBadArgument);
}

std::vector<int> Row(CRowIteratorBands& image, int y) {
  std::vector<int> row;
  for (int x = 0; x < image.Width(); ++x) row.push_back(At(image, x, y));
  return row;
}

TEST(ImageCanvas, SampledAndTransformedRowOperations) {
  CRowIteratorBands source;
  ASSERT_EQ(source.Create(4, 1, keFormatGrey).GetCode(), 0);
  SetImageBytes(source, {10, 20, 30, 40});
  RowCopyOp copy;
  const SamplerOptions nearestWrapped{0, 0, 0, false};

  // Read past the source's right edge, which wraps.
  GreyCanvas wrapped(10, 1);
  const RECT all{0, 0, 10, 1}, from{2, 0, 12, 1}, narrower{2, 0, 11, 1};
  ASSERT_TRUE(wrapped.canvas.ApplyRowOperationSampled(copy, &all, source, &from, nearestWrapped));
  EXPECT_EQ(Row(wrapped.image, 0), (std::vector<int>{30, 40, 10, 20, 30, 40, 10, 20, 30, 40}));
  EXPECT_FALSE(wrapped.canvas.ApplyRowOperationSampled(copy, &all, source, &narrower, nearestWrapped));

  // A whole-pixel shift copies; a quarter turn samples (at the pixels' integer positions), the
  // edge filled.
  GreyCanvas shifted(10, 1);
  Matrix3 shift = kIdentityMatrix3;
  Matrix3Translate(&shift, 3, 0);
  ASSERT_TRUE(shifted.canvas.ApplyRowOperationTransformed(copy, nullptr, source, shift, nullptr));
  EXPECT_EQ(Row(shifted.image, 0), (std::vector<int>{0, 0, 0, 10, 20, 30, 40, 0, 0, 0}));
  GreyCanvas turned(6, 6);
  Matrix3 turn = kIdentityMatrix3;
  Matrix3Rotate(&turn, M_PI / 2);
  Matrix3Translate(&turn, 5, 0);
  const SamplerOptions nearestFilled{0, 2, 0, false};
  ASSERT_TRUE(turned.canvas.ApplyRowOperationTransformed(copy, nullptr, source, turn, &nearestFilled));
  for (int y = 0; y < 6; ++y)
    EXPECT_EQ(Row(turned.image, y), (std::vector<int>{0, 0, 0, 0, 0, y < 4 ? 10 * (y + 1) : 0}));
}

TEST(ImageCanvas, ImagesOnACheckerboardShowItWhereTransparent) {
  CRowIteratorBands image, target;
  ASSERT_EQ(image.Create(4, 4, keFormatBGRA).GetCode(), 0);
  std::vector<std::uint8_t> pixels(4 * 4 * 4, 0);
  for (int c = 0; c < 4; ++c) pixels[(1 * 4 + 1) * 4 + c] = c == 0 ? 200 : 255;  // one opaque pixel
  SetImageBytes(image, pixels);
  const CColorRef grey(9, 9, 9, 255);
  ASSERT_EQ(target.Create(8, 8, keFormatBGR, &grey).GetCode(), 0);
  ImageCanvas canvas(keFormatBGR);
  ASSERT_EQ(canvas.AttachImage(target), 0);
  const RECT place{2, 2, 6, 6};
  ASSERT_TRUE(canvas.DrawImageOnChecker(image, 2, 0x0000FF, 0xFFFFFF, &place));
  auto pixel = [&](int x, int y) {
    const std::vector<std::uint8_t> bytes = ImageBytes(target);
    const std::uint8_t* p = &bytes[std::size_t(y) * target.GetRowBytes() + std::size_t(x) * 3];
    return std::vector<int>{p[0], p[1], p[2]};
  };
  EXPECT_EQ(pixel(2, 2), (std::vector<int>{0, 0, 255}));
  EXPECT_EQ(pixel(4, 2), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(pixel(3, 3), (std::vector<int>{200, 255, 255}));
  EXPECT_EQ(pixel(1, 1), (std::vector<int>{9, 9, 9}));
  EXPECT_EQ(pixel(6, 6), (std::vector<int>{9, 9, 9}));
}

}  // namespace
}  // namespace corvel
