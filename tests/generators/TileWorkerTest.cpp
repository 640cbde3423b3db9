#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/CpuFeatures.h"
#include "core/ProgressMeter.h"
#include "core/RowThreads.h"
#include "generators/detail/TileWorker.h"
#include "platform/win32/Clock.h"
#include "rowops/ImageSampler.h"
#include "tests/generators/TestLattices.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

using testing_lattices::SetLattice;

using testing_images::Bgra;
using testing_images::MakeGradient;
using testing_images::PixelAt;

// A generator over a gradient work image with a 4 x 2 cell, so that the worker's output is 5 x 3.
struct Fixture {
  Fixture() {
    MakeGradient(g.workImage, 64, 64);
    SetLattice(g, {4, 0}, {0, 2});
  }
  TileGenerator g;
};

TEST(SaturatedTrunc, TruncatesTowardZeroAndSaturatesFarValuesAndNaN) {
  const struct {
    double value;
    std::int32_t expected;
  } cases[] = {
      {0.0, 0},
      {2.9, 2},
      {-2.9, -2},
      {2147483646.5, 2147483646},
      {2147483647.0, INT32_MAX},
      {1e300, INT32_MAX},
      {HUGE_VAL, INT32_MAX},
      {-2147483647.5, -2147483647},
      {-2147483648.0, INT32_MIN},
      {-1e300, INT32_MIN},
      {-HUGE_VAL, INT32_MIN},
      {NAN, INT32_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(SaturatedTrunc(c.value), c.expected) << c.value;
  // The queue's 24.8 positions, two lanes at once, truncate and saturate alike.
  for (const auto& c : cases) {
    const double coordinate = (c.value - detail::kFixedPointSlack) / 256;
    std::int32_t fixed[2];
    detail::ToFixed({coordinate, -coordinate}, fixed);
    EXPECT_EQ(fixed[0], SaturatedTrunc(256 * coordinate + detail::kFixedPointSlack)) << c.value;
    EXPECT_EQ(fixed[1], SaturatedTrunc(256 * -coordinate + detail::kFixedPointSlack)) << c.value;
  }
}

TEST(RunTileWorker, MixesInDoublesAndTruncates) {
  Fixture f;
  // Red is x: 0.1 of pixel 40 and 0.9 of pixel 41 make 40.9, written as 40; weights above 1
  // stay at 255. Equal bytes under weights that sum to 1 stay themselves, though 0.04 and 0.96
  // of 255 add up to a hair below 255 in doubles.
  ASSERT_EQ(RunTileWorker(f.g, nullptr,
                          [](int x, int, SamplePlan& plan) {
                            plan.Clear();
                            if (x == 2) {
                              plan.Add({40, 1}, 0.04);
                              plan.Add({40, 1}, 1 - 0.04);
                              return;
                            }
                            plan.Add({40, 1}, 0.1);
                            plan.Add({41, 1}, x == 0 ? 0.9 : 9);
                          }),
            0);
  ASSERT_EQ(f.g.workImage.Width(), 5);
  ASSERT_EQ(f.g.workImage.Height(), 3);
  EXPECT_EQ(PixelAt(f.g.workImage, 0, 0), (Bgra{7, 1, 40, 255}));
  EXPECT_EQ(PixelAt(f.g.workImage, 1, 0), (Bgra{63, 9, 255, 255}));
  EXPECT_EQ(PixelAt(f.g.workImage, 2, 0), (Bgra{7, 1, 40, 255}));
}

// The queue's mix in AVX2 lanes gives the bytes of its mix two channels a register: random
// samples of one to six a pixel under weights of either sign, summing past 1, exactly 1 alone,
// zero or NaN.
TEST(RowQueue, MixesInAvx2AsTwoChannelsARegister) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  constexpr int kSize = 32, kWidth = 300;
  std::vector<std::uint8_t> bytes(4 * kSize * kSize);
  std::uint32_t noise = 3;
  auto next = [&noise] { return (noise = noise * 1664525u + 1013904223u) >> 8; };
  for (std::uint8_t& byte : bytes) byte = std::uint8_t(next());
  std::vector<std::uint8_t*> rows;
  for (int y = 0; y < kSize; ++y) rows.push_back(bytes.data() + 4 * kSize * y);
  const std::vector<std::intptr_t> strides(kSize, 4 * kSize);
  const BgraRows source{rows.data(), strides.data(), kSize, kSize};
  detail::RowQueue queues[2];
  for (int lanes = 0; lanes < 2; ++lanes)
    ASSERT_TRUE(queues[lanes].Reserve(kWidth, {}, SampleBilinearBgra, lanes == 1));
  for (int x = 0; x < kWidth; ++x) {
    SamplePlan plan;
    plan.Clear();
    const int count = 1 + int(next() % SamplePlan::kMaxSamples);
    for (int i = 0; i < count; ++i) {
      const double weights[] = {1, 0, -0.25, 0.5, 1.0 / 3, std::nan(""), double(next() % 1000) / 700};
      plan.Add({double(next() % 3000) / 100, double(next() % 3000) / 100}, weights[next() % 7]);
    }
    for (detail::RowQueue& queue : queues) queue.Append(plan);
  }
  std::vector<std::uint8_t> mixed[2] = {std::vector<std::uint8_t>(4 * kWidth),
                                        std::vector<std::uint8_t>(4 * kWidth)};
  for (int lanes = 0; lanes < 2; ++lanes) queues[lanes].Finish(source, mixed[lanes].data(), kWidth);
  EXPECT_EQ(mixed[0], mixed[1]);
}

TEST(RunTileWorker, FetchesAtTruncatedFixedPointPositionsOffsetByTheOrigin) {
  Fixture f;
  f.g.origin.Set(10, 20);
  CRowIteratorBands reference;
  MakeGradient(reference, 64, 64);
  ImageSampler sampler;
  ASSERT_EQ(sampler.Init(reference, keInterpolationBilinear, keEdgeClamp, 0, false), 4);
  const std::int32_t positions[] = {3200, 6143, -300, 99999};
  BYTE expected[8];
  sampler.SampleRow(expected, positions, 2);
  ASSERT_EQ(RunTileWorker(f.g, nullptr,
                          [](int x, int, SamplePlan& plan) {
                            plan.Single(x == 0 ? Point2D(2.5, 3.999) : Point2D(-11.1719, 370.6));
                          }),
            0);
  for (int x = 0; x < 2; ++x) {
    const Bgra pixel = PixelAt(f.g.workImage, x, 1);
    EXPECT_EQ(pixel, (Bgra{expected[4 * x], expected[4 * x + 1], expected[4 * x + 2], expected[4 * x + 3]}))
        << x;
  }
}

// Rows go out in runs of 16; a stop asked for after the first run starts no other.
TEST(RunTileWorker, AStopHandsOverTheRowsWrittenSoFar) {
  platform::VirtualClockScope clock;
  ElapsedSeconds();
  platform::AdvanceVirtualClock(std::chrono::seconds(1));
  const RowThreads::ScopedCount oneThread(1);
  Fixture f;
  f.g.basisB = f.g.basisD = {0, 40};
  f.g.PrepareLattice();
  CProgressMeter meter;
  meter.SetContinueCallback([](CProgressMeter*) -> std::int32_t { return 1; });
  EXPECT_EQ(RunTileWorker(f.g, &meter,
                          [](int, int, SamplePlan& plan) {
                            plan.Single({30, 30});
                          }),
            keErrorStopped);
  ASSERT_EQ(f.g.workImage.Height(), 41);
  EXPECT_EQ(PixelAt(f.g.workImage, 4, 15), (Bgra{7, 30, 30, 255}));
  EXPECT_EQ(PixelAt(f.g.workImage, 4, 16), (Bgra{0, 0, 0, 0}));
}

}  // namespace
}  // namespace corvel
