// The plan-in-doubles stage: a row's marked pixels planned, sampled and written over its fast
// samples, at once or with later rows'.
#include "generators/detail/PlannedPixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "generators/detail/ImageRows.h"
#include "tests/generators/TileTestImages.h"

namespace corvel::detail {
namespace {

TEST(MarkedPlaces, FindsTheMarksSetToOneAlone) {
  std::vector<std::uint8_t> marks(21, 0);
  for (int x : {0, 7, 8, 15, 20}) marks[std::size_t(x)] = 1;
  marks[3] = 2;
  marks[9] = 3;
  int places[21];
  ASSERT_EQ(MarkedPlaces(marks.data(), 21, places), 5);
  EXPECT_EQ(std::vector<int>(places, places + 5), (std::vector<int>{0, 7, 8, 15, 20}));
}

// Bytes that share a mark's low bit or lie beside a run of marks are no marks; every mark of a
// full run of eight is one.
TEST(MarkedPlaces, TellsMarksFromBytesLikeThem) {
  std::vector<std::uint8_t> marks(24, 0);
  for (int x = 8; x < 16; ++x) marks[std::size_t(x)] = 1;
  for (int x : {0, 2, 3, 17, 23}) marks[std::size_t(x)] = 1;
  marks[1] = 0x81;
  marks[4] = 0xFF;
  marks[16] = 0x11;
  marks[18] = 0x80;
  int places[24];
  ASSERT_EQ(MarkedPlaces(marks.data(), 24, places), 13);
  EXPECT_EQ(std::vector<int>(places, places + 13),
            (std::vector<int>{0, 2, 3, 8, 9, 10, 11, 12, 13, 14, 15, 17, 23}));
}

// A row of 12 pixels from the plane point (3, 5) on, over a gradient whose red is x and green y:
// each marked pixel's plan is its own plane point, so that it reads its own coordinates.
struct Fixture {
  Fixture() {
    testing_images::MakeGradient(source, 64, 64);
    EXPECT_EQ(rows.Lock(source), 0);
    EXPECT_TRUE(queue.Reserve(kWidth, {0, 0}, SampleBilinearBgra));
    out.assign(4 * kWidth, 99);
  }
  static constexpr int kWidth = 12;
  const POINT start{3, 5};
  CRowIteratorBands source;
  ImageRows rows;
  RowQueue queue;
  std::vector<std::uint8_t*> plannedOut = std::vector<std::uint8_t*>(kWidth);
  std::vector<std::int32_t> positions = std::vector<std::int32_t>(2 * kWidth),
                            scratch = std::vector<std::int32_t>(2 * kWidth);
  std::vector<std::uint8_t> out;
  int planned = 0;
  const TileWorkerRows::PlanPixels planPixels = [this](int y, const int* xs, int count, RowQueue& into) {
    planned += count;
    SamplePlan plan;
    for (int i = 0; i < count; ++i) {
      plan.Single({double(start.x + xs[i]), double(start.y + y)});
      into.Append(plan);
    }
  };
  // Seven pixels on and a row down from where the plan would read.
  const TileWorkerRows::PlanPositions planPositions = [](int x0, int y, const int* xs, const int* ys,
                                                         int count, std::int32_t* at) {
    for (int i = 0; i < count; ++i) {
      at[2 * i] = 256 * (x0 + xs[i] + 7);
      at[2 * i + 1] = 256 * ((ys ? ys[i] : y) + 1);
    }
  };
  const TileWorkerRows::PlanPositions none;
};

std::vector<std::uint8_t> Marked(std::initializer_list<int> places) {
  std::vector<std::uint8_t> marks(Fixture::kWidth, 0);
  for (int x : places) marks[std::size_t(x)] = 1;
  return marks;
}

TEST(PlannedPixels, PlansTheMarkedPixelsOfARowAndClearsTheirMarks) {
  Fixture f;
  PlannedPixels stage(f.planPixels, f.none, f.rows.Rows(), SampleBilinearBgra, f.start, Fixture::kWidth,
                      f.queue, f.plannedOut.data(), f.positions.data(), nullptr);
  std::vector<std::uint8_t> marks = Marked({2, 9});
  stage.Plan(1, f.out.data(), marks.data(), f.scratch.data());
  EXPECT_EQ(marks, Marked({}));
  EXPECT_EQ(f.planned, 2);
  for (int x = 0; x < Fixture::kWidth; ++x) {
    const bool isPlanned = x == 2 || x == 9;
    EXPECT_EQ(f.out[4 * x + 2], isPlanned ? 3 + x : 99) << x;  // red: the plane's x
    EXPECT_EQ(f.out[4 * x + 1], isPlanned ? 6 : 99) << x;      // green: its y
  }
}

TEST(PlannedPixels, PixelsPlannedLaterAreWrittenWhenFinished) {
  Fixture f;
  PlannedPixels stage(f.planPixels, f.none, f.rows.Rows(), SampleBilinearBgra, f.start, Fixture::kWidth,
                      f.queue, f.plannedOut.data(), f.positions.data(), nullptr);
  std::vector<std::uint8_t> first = Marked({0, 11}), second = Marked({4});
  std::vector<std::uint8_t> below(4 * Fixture::kWidth, 99);
  stage.Plan(0, f.out.data(), first.data(), f.scratch.data(), true);
  stage.Plan(1, below.data(), second.data(), f.scratch.data(), true);
  EXPECT_EQ(first, Marked({}));
  EXPECT_EQ(f.out[4 * 11 + 2], 99);
  stage.Finish(f.scratch.data());
  EXPECT_EQ(f.out[4 * 0 + 2], 3);
  EXPECT_EQ(f.out[4 * 11 + 2], 14);
  EXPECT_EQ(below[4 * 4 + 2], 7);
  EXPECT_EQ(below[4 * 4 + 1], 6);
  stage.Finish(f.scratch.data());  // nothing left
  EXPECT_EQ(f.planned, 3);
}

TEST(PlannedPixels, PlannedPositionsAreSampledOrPutInTheRowsPlace) {
  Fixture f;
  PlannedPixels stage(f.planPixels, f.planPositions, f.rows.Rows(), SampleBilinearBgra, f.start,
                      Fixture::kWidth, f.queue, f.plannedOut.data(), f.positions.data(), nullptr);
  std::vector<std::uint8_t> marks = Marked({5});
  stage.Plan(2, f.out.data(), marks.data(), f.scratch.data(), true);  // not queued: positions are had at once
  EXPECT_EQ(f.out[4 * 5 + 2], 3 + 5 + 7);
  EXPECT_EQ(f.out[4 * 5 + 1], 5 + 2 + 1);
  EXPECT_EQ(f.planned, 0);

  std::vector<std::int32_t> row(2 * Fixture::kWidth, -1);
  std::vector<int> places(Fixture::kWidth);
  marks = Marked({1, 10});
  stage.PlaceInRow(0, marks.data(), places.data(), row.data());
  EXPECT_EQ(marks, Marked({}));
  EXPECT_EQ(row[2], 256 * (3 + 1 + 7));
  EXPECT_EQ(row[21], 256 * (5 + 1));
  EXPECT_EQ(row[4], -1);
}

// With room for waiting places, rows planned later by positions wait, each pixel planned on its own
// row when finished; more pixels than fit a row's places finish the earlier ones first.
TEST(PlannedPixels, PlannedPositionsOfRowsThatWaitAreSampledWhenFinished) {
  Fixture f;
  std::vector<int> waiting(2 * Fixture::kWidth);
  PlannedPixels stage(f.planPixels, f.planPositions, f.rows.Rows(), SampleBilinearBgra, f.start,
                      Fixture::kWidth, f.queue, f.plannedOut.data(), f.positions.data(), waiting.data());
  std::vector<std::uint8_t> first = Marked({1, 3}), second = Marked({0});
  std::vector<std::uint8_t> below(4 * Fixture::kWidth, 99);
  stage.Plan(2, f.out.data(), first.data(), f.scratch.data(), true);
  stage.Plan(4, below.data(), second.data(), f.scratch.data(), true);
  EXPECT_EQ(first, Marked({}));
  EXPECT_EQ(f.out[4 * 1 + 2], 99);
  stage.Finish(f.scratch.data());
  EXPECT_EQ(f.out[4 * 1 + 2], 3 + 1 + 7);
  EXPECT_EQ(f.out[4 * 3 + 2], 3 + 3 + 7);
  EXPECT_EQ(f.out[4 * 3 + 1], 5 + 2 + 1);
  EXPECT_EQ(below[4 * 0 + 2], 3 + 0 + 7);
  EXPECT_EQ(below[4 * 0 + 1], 5 + 4 + 1);
  EXPECT_EQ(f.planned, 0);

  std::vector<std::vector<std::uint8_t>> rows(Fixture::kWidth + 1,
                                              std::vector<std::uint8_t>(4 * Fixture::kWidth, 99));
  for (int y = 0; y <= Fixture::kWidth; ++y) {
    std::vector<std::uint8_t> marks = Marked({y % Fixture::kWidth});
    stage.Plan(y, rows[std::size_t(y)].data(), marks.data(), f.scratch.data(), true);
  }
  EXPECT_EQ(rows[0][2], 3 + 0 + 7);  // finished to make room
  EXPECT_EQ(rows[Fixture::kWidth][2], 99);
  stage.Finish(f.scratch.data());
  for (int y = 0; y <= Fixture::kWidth; ++y) {
    const std::size_t x = std::size_t(y % Fixture::kWidth);
    EXPECT_EQ(rows[std::size_t(y)][4 * x + 2], 3 + x + 7) << y;
    EXPECT_EQ(rows[std::size_t(y)][4 * x + 1], 5 + y + 1) << y;
  }
}

}  // namespace
}  // namespace corvel::detail
