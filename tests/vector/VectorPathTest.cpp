#include "vector/VectorPath.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/vector/PathTestSupport.h"
#include "vector/detail/PathReader.h"

namespace corvel {
namespace {

// The record kinds of a full pass, one letter each: M L Q C A Z; figure indices after a colon.
std::string Walk(PathStage& stage) {
  std::string kinds;
  const PathSegmentRecord* records;
  int count;
  stage.Rewind();
  while (stage.Next(&records, &count)) {
    for (int i = 0; i < count; ++i)
      kinds += std::string("MLQCAZ").substr(records[i].kind, 1) + std::to_string(records[i].figure);
  }
  return kinds;
}

TEST(PathReader, WalksFiguresAsMovesSegmentsAndCloses) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  {
    PathReader empty(*path);
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(Walk(empty), "");
  }
  path->MoveTo({0, 0}, nullptr);
  path->MoveTo({1, 1}, nullptr);  // replaces the first point
  path->LineTo({5, 1}, nullptr);
  path->LineTo({5, 5}, nullptr);
  path->Close(nullptr);
  path->MoveTo({9, 9}, nullptr);
  path->CurveTo3({10, 10}, {11, 9}, {12, 12}, nullptr);
  path->MoveTo({20, 20}, nullptr);  // a figure without segments ends the output
  EXPECT_EQ(path->FigureCount(), 3);
  EXPECT_EQ(path->GetFigure(0)->segments.size(), 3u);  // the closing line
  EXPECT_EQ(path->GetFigure(0)->segments[0].start.x, 1);

  PathReader reader(*path);
  EXPECT_FALSE(reader.IsEmpty());
  EXPECT_EQ(Walk(reader), "M0L0L0L0Z0M1C1");
  EXPECT_EQ(Walk(reader), "M0L0L0L0Z0M1C1");
  EXPECT_TRUE(reader.IsFigureClosed(0));
  EXPECT_FALSE(reader.IsFigureClosed(1));
}

TEST(VectorPath, LineToWithoutMoveStartsAtTheOriginAndCloseAtTheStartAddsNothing) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  EXPECT_FALSE(path->Close(nullptr));
  path->LineTo({4, 0}, nullptr);
  path->LineTo({0, 0}, nullptr);
  EXPECT_TRUE(path->Close(nullptr));
  EXPECT_EQ(path->GetFigure(0)->segments.size(), 2u);
  EXPECT_TRUE(FigureIsClosed(*path->GetFigure(0)));
  EXPECT_EQ(GetFigure(path.Get(), 1), nullptr);
}

TEST(SendPathToSink, ClosesOpenFiguresOnlyWhenAsked) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  path->MoveTo({0, 0}, nullptr);
  path->LineTo({4, 0}, nullptr);
  path->MoveTo({10, 0}, nullptr);
  path->LineTo({14, 4}, nullptr);
  PathReader reader(*path);
  for (bool close : {false, true}) {
    RecordingSink sink;
    ASSERT_TRUE(SendPathToSink(sink, reader, nullptr, close));
    EXPECT_EQ(sink.lines.size(), close ? 6u : 4u);
    EXPECT_EQ(sink.lines.back().x, close ? 10 : 14);
  }
}

TEST(CreateRoundRectPath, CornersFollowTheRadii) {
  struct Case {
    double rx, ry;
    const char* kinds;
  };
  for (const Case& c : {Case{0, 0, "M0L0L0L0L0Z0"}, Case{0, 5, "M0L0L0L0L0L0L0L0Z0"},
                        Case{3, 3, "M0L0A0L0A0L0A0L0A0Z0"}, Case{50, 3, "M0A0L0A0A0L0A0Z0"}}) {
    RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateRoundRectPath(2, 2, 98, 48, c.rx, c.ry));
    ASSERT_TRUE(path) << c.rx;
    PathReader reader(*path);
    EXPECT_EQ(Walk(reader), c.kinds) << c.rx << " " << c.ry;
  }
  EXPECT_EQ(CreateRoundRectPath(2, 2, 1, 48, 3, 3), nullptr);
  EXPECT_EQ(CreateRoundRectPath(2, 2, 98, 48, -1, 3), nullptr);
  RefPtr<VectorPath> flat = RefPtr<VectorPath>::Adopt(CreateRoundRectPath(2, 2, 98, 2, 3, 3));
  EXPECT_EQ(flat->FigureCount(), 0);
}

}  // namespace
}  // namespace corvel
