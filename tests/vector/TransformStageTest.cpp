#include "vector/detail/TransformStage.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/vector/PathTestSupport.h"
#include "vector/VectorPath.h"
#include "vector/detail/PathReader.h"

namespace corvel {
namespace {

// The arc starts where the quadratic ended, in source space, and comes out as device-space cubics.
TEST(TransformStage, ArcsBecomeCubicsFromThePreviousEnd) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  path->MoveTo({0, 0}, nullptr);
  path->CurveTo2({5, 5}, {10, 0}, nullptr);
  path->ArcTo({5, 5}, 0, 0, 1, {20, 0}, nullptr);
  Matrix3 matrix = kIdentityMatrix3;
  Matrix3Scale(&matrix, 2, 2);
  PathReader reader(*path);
  RefPtr<TransformStage> stage = RefPtr<TransformStage>::Adopt(CreateTransformStage(reader, &matrix, false));
  const std::vector<PathSegmentRecord> records = ReadStage(*stage);
  ASSERT_EQ(records.size(), 4u);  // move, quadratic, two quarter arcs
  EXPECT_EQ(records[1].kind, keRecordQuadratic);
  EXPECT_DOUBLE_EQ(records[1].a.x, 10);
  for (std::size_t i = 2; i < records.size(); ++i) EXPECT_EQ(records[i].kind, keRecordCubic);
  EXPECT_NEAR(records[2].end.x, 30, 1e-9);  // the top of the half circle about (15, 0), doubled
  EXPECT_NEAR(std::fabs(records[2].end.y), 10, 1e-9);
  EXPECT_NEAR(records[3].end.x, 40, 1e-9);
  EXPECT_NEAR(records[3].end.y, 0, 1e-9);
}

TEST(FigureFilter, PathsThatHideNothingPassAsThemselves) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateRectPath(0, 0, 4, 4));
  PathReader reader(*path);
  EXPECT_EQ(CreateFigureFilter(reader, true), &reader);
  EXPECT_EQ(CreateFigureFilterShared(reader, true), &reader);
  EXPECT_EQ(reader.Count(), 2);
  PathStage::Release(&reader);
}

}  // namespace
}  // namespace corvel
