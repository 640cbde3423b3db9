// Two threads drawing into two images at once, as the render thread and the user-interface
// thread do: paths, the rasteriser with its shared row block, the kernel cache, the palette
// cache and the paints. Built once more with the thread sanitizer.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "core/RowThreads.h"
#include "tests/core/ImageBytes.h"
#include "vector/CanvasRef.h"
#include "vector/CoreStartup.h"
#include "vector/Paint.h"
#include "vector/detail/AntiAlias.h"
#include "vector/detail/CurveGeometry.h"
#include "vector/detail/PathReader.h"

namespace corvel {
namespace {

struct Job {
  keFormat format;
  int quality;
  int fillRule;
  double flatness;
};

RefPtr<VectorPath> Star(double cx, double cy, int points) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  for (int i = 0; i < 2 * points; ++i) {
    const double angle = i * 3.14159265358979 / points, r = i % 2 ? 30 : 70;
    const PathPoint p{cx + r * std::cos(angle), cy + r * std::sin(angle)};
    if (i == 0)
      path->MoveTo(p, nullptr);
    else
      path->LineTo(p, nullptr);
  }
  path->Close(nullptr);
  path->MoveTo({cx - 20, cy}, nullptr);
  path->ArcTo({20, 20}, 0, 0, 1, {cx + 20, cy}, nullptr);
  path->CurveTo3({cx + 10, cy + 40}, {cx - 10, cy - 40}, {cx - 20, cy}, nullptr);
  path->Close(nullptr);
  return path;
}

// Draws the job's picture: a checkerboard, a star through an image pattern, a solid ring.
std::vector<std::uint8_t> Draw(const Job& job) {
  SetDefaultFlatness(job.flatness);
  CRowIteratorBands image, tile;
  EXPECT_EQ(image.Create(160, 160, job.format).GetCode(), 0);
  EXPECT_EQ(tile.Create(37, 23, keFormatBGRA).GetCode(), 0);
  std::vector<std::uint8_t> pattern(std::size_t(tile.GetRowBytes()) * 23);
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = std::uint8_t(i % 4 == 3 ? 255 : i * 13);
  SetImageBytes(tile, pattern);

  PaintAttachRecord record(&image);
  RenderSettings settings;
  settings.fillRule = job.fillRule;
  settings.antiAliasLevel = job.quality == keQualityConeTable ? 4 : 8;
  RefPtr<Paint> checker = RefPtr<Paint>::Adopt(CreateCheckerPaint(8, 0x00C0C0C0, 0x00FFFFFF));
  RefPtr<Paint> pattern_paint = RefPtr<Paint>::Adopt(CreateImagePaint(tile, false, nullptr, nullptr));
  RefPtr<Paint> solid = RefPtr<Paint>::Adopt(CreateSolidPaint(0x80FF2010));
  EXPECT_TRUE(checker->Attach(record));
  checker->FillRect(0, 0, 160, 160, 255);
  checker->Detach();
  RefPtr<VectorPath> star = Star(80, 80, 7);
  PathReader reader(*star);
  for (Paint* paint : {pattern_paint.Get(), solid.Get()}) {
    EXPECT_TRUE(paint->Attach(record));
    RefPtr<RegionBase> region = RefPtr<RegionBase>::Adopt(
        CreatePathCoverage(reader, 0, &settings, nullptr, nullptr, nullptr, true));
    EXPECT_TRUE(region);
    if (region) region->Draw(*paint, job.quality);
    paint->Detach();
  }
  return ImageBytes(image);
}

TEST(DrawingThreads, TwoThreadsDrawTheSameAsOne) {
  ASSERT_EQ(CoreStartup(nullptr), 0);
  const Job jobs[2] = {{keFormatBGRA, keQualityGaussKernel, keFillNonZero, 0.01},
                       {keFormatGrey, keQualityConeKernel, keFillEvenOdd, 2.0}};
  std::vector<std::uint8_t> alone[2] = {Draw(jobs[0]), Draw(jobs[1])};
  for (int round = 0; round < 3; ++round) {
    std::vector<std::uint8_t> together[2];
    std::thread first([&] {
      for (int i = 0; i < 4; ++i) together[0] = Draw(jobs[0]);
    });
    std::thread second([&] {
      for (int i = 0; i < 4; ++i) together[1] = Draw(jobs[1]);
    });
    first.join();
    second.join();
    EXPECT_TRUE(together[0] == alone[0]);
    EXPECT_TRUE(together[1] == alone[1]);
  }
  EXPECT_EQ(CoreShutdown(), 0);
}

// The pattern fill's bands on the row pool, converting the tile's rows on each thread.
TEST(FillAll, SameBytesOnOneAndFourThreads) {
  CRowIteratorBands tile;
  ASSERT_EQ(tile.Create(37, 23, keFormatBGRA).GetCode(), 0);
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 37 * 23; ++i)
    bytes.insert(bytes.end(), {std::uint8_t(i), std::uint8_t(i / 37), 7, 255});
  SetImageBytes(tile, bytes);
  std::vector<std::uint8_t> filled[2];
  for (int threads : {1, 4}) {
    const RowThreads::ScopedCount count(threads);
    CRowIteratorBands output;
    ASSERT_EQ(output.Create(300, 200, keFormatBGR).GetCode(), 0);
    CanvasRef canvas;
    PaintRef paint;
    ASSERT_EQ(canvas.AttachImage(output), 0);
    ASSERT_TRUE(paint.SetImage(tile, false, nullptr, 1, 0, 0));
    canvas.SetFillPaint(paint);
    ASSERT_TRUE(canvas.FillAll());
    filled[threads == 4] = ImageBytes(output);
  }
  EXPECT_EQ(filled[0], filled[1]);
}

}  // namespace
}  // namespace corvel
