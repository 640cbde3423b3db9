#include "vector/detail/FlattenStage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/vector/PathTestSupport.h"
#include "vector/RenderSettings.h"
#include "vector/VectorPath.h"
#include "vector/detail/PathReader.h"

namespace corvel {
namespace {

struct Expected {
  int kind;
  double x, y;
};

void ExpectRecords(const std::vector<PathSegmentRecord>& got, const std::vector<Expected>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].kind, want[i].kind) << i;
    EXPECT_NEAR(got[i].end.x, want[i].x, 1e-9) << i;
    EXPECT_NEAR(got[i].end.y, want[i].y, 1e-9) << i;
  }
}

RefPtr<VectorPath> Line(PathPoint from, PathPoint to) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  path->MoveTo(from, nullptr);
  path->LineTo(to, nullptr);
  return path;
}

std::vector<PathSegmentRecord> Dashed(const VectorPath& path, std::vector<double> dashes, double offset) {
  PenStyle pen;
  pen.SetDash(dashes.data(), static_cast<int>(dashes.size()), offset);
  PathReader reader(path);
  RefPtr<DashStage> stage = RefPtr<DashStage>::Adopt(CreateDashStage(reader, pen, false));
  return stage ? ReadStage(*stage) : std::vector<PathSegmentRecord>();
}

TEST(FlattenStage, LinesMovesAndClosesPassRecordForRecord) {
  RefPtr<VectorPath> path = Line({1, 2}, {5, 2});
  path->LineTo({5, 9}, nullptr);
  path->Close(nullptr);
  PathReader reader(*path);
  const std::vector<PathSegmentRecord> plain = ReadStage(reader);
  RefPtr<FlattenStage> stage = RefPtr<FlattenStage>::Adopt(CreateFlattenStage(reader, 0.05, nullptr, false));
  ASSERT_TRUE(stage);
  const std::vector<PathSegmentRecord> flat = ReadStage(*stage);
  ASSERT_EQ(flat.size(), plain.size());
  for (std::size_t i = 0; i < flat.size(); ++i) {
    EXPECT_EQ(flat[i].kind, plain[i].kind);
    EXPECT_EQ(flat[i].end.x, plain[i].end.x);
    EXPECT_EQ(flat[i].end.y, plain[i].end.y);
  }
}

// Curves become lines that end where the curve ends; the matrix only decides how finely.
TEST(FlattenStage, CurvesBecomeLinesFinerUnderAMagnifyingMatrix) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  path->MoveTo({0, 0}, nullptr);
  path->CurveTo3({0, 40}, {40, 40}, {40, 0}, nullptr);
  path->ArcTo({10, 10}, 0, 0, 1, {60, 0}, nullptr);
  Matrix3 zoom = kIdentityMatrix3;
  Matrix3Scale(&zoom, 8, 8);
  std::size_t counts[2];
  for (int i = 0; i < 2; ++i) {
    PathReader reader(*path);
    RefPtr<FlattenStage> stage = RefPtr<FlattenStage>::Adopt(
        CreateFlattenStage(reader, 0.05, i == 0 ? nullptr : &zoom, false));
    const std::vector<PathSegmentRecord> flat = ReadStage(*stage);
    for (std::size_t k = 1; k < flat.size(); ++k) ASSERT_EQ(flat[k].kind, keRecordLine);
    EXPECT_NEAR(flat.back().end.x, 60, 1e-9);
    EXPECT_LT(flat.back().end.y, 1e-9);
    counts[i] = flat.size();
  }
  EXPECT_GT(counts[0], 8u);
  EXPECT_GT(counts[1], counts[0]);
}

// (10, 5): offsets 12 and -3 both start 12 units in, pen up with 3 left; each figure restarts.
TEST(DashStage, OffsetStartsEveryFigureInsideThePattern) {
  for (double offset : {12.0, -3.0}) {
    RefPtr<VectorPath> path = Line({0, 0}, {40, 0});
    path->MoveTo({0, 10}, nullptr);
    path->LineTo({20, 10}, nullptr);
    ExpectRecords(Dashed(*path, {10, 5}, offset), {{keRecordMove, 0, 0},
                                                   {keRecordMove, 3, 0},
                                                   {keRecordLine, 13, 0},
                                                   {keRecordMove, 18, 0},
                                                   {keRecordLine, 28, 0},
                                                   {keRecordMove, 33, 0},
                                                   {keRecordLine, 40, 0},
                                                   {keRecordMove, 0, 10},
                                                   {keRecordMove, 3, 10},
                                                   {keRecordLine, 13, 10},
                                                   {keRecordMove, 18, 10},
                                                   {keRecordLine, 20, 10}});
  }
}

TEST(DashStage, ClosingEdgeIsDashedAndNoCloseLeaves) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>(CreateRectPath(0, 0, 15, 15));
  path->Release();
  const std::vector<PathSegmentRecord> dashed = Dashed(*path, {10, 5}, 0);
  double drawn = 0;
  PathPoint at;
  for (const PathSegmentRecord& record : dashed) {
    ASSERT_NE(record.kind, keRecordClose);
    if (record.kind == keRecordLine) drawn += std::hypot(record.end.x - at.x, record.end.y - at.y);
    at = record.end;
  }
  EXPECT_NEAR(drawn, 40, 1e-9);  // perimeter 60: the fourth dash lies on the closing edge
}

// Patterns that could never advance are refused rather than looped over.
TEST(DashStage, PatternsThatCannotAdvanceAreRefused) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const std::vector<std::vector<double>> bad = {{0, 0}, {-1, 5}, {nan, 5}, {inf, 1}, {1e-12}};
  RefPtr<VectorPath> path = Line({0, 0}, {40, 0});
  PathReader reader(*path);
  for (const std::vector<double>& dashes : bad) {
    PenStyle pen;
    pen.SetDash(dashes.data(), static_cast<int>(dashes.size()), 0);
    EXPECT_EQ(CreateDashStage(reader, pen, false), nullptr);
  }
  PenStyle pen;
  EXPECT_EQ(CreateDashStage(reader, pen, false), nullptr);
  EXPECT_NE(Dashed(*path, {0, 5}, 0).size(), 0u);
  EXPECT_EQ(reader.Count(), 1);
}

}  // namespace
}  // namespace corvel
