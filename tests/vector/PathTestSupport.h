// A sink that records the points it is sent, for the path and curve tests.
#pragma once
#include <vector>

#include "vector/PathSink.h"

namespace corvel {

class RecordingSink : public PathSink {
 public:
  bool MoveTo(const PathPoint& point, const Matrix3* matrix) override {
    moves.push_back(point);
    lines.push_back(point);
    return PathSink::MoveTo(point, matrix);
  }
  bool LineTo(const PathPoint& point, const Matrix3*) override {
    lines.push_back(point);
    current_ = point;
    return true;
  }
  std::vector<PathPoint> moves;
  std::vector<PathPoint> lines;  // every point, moves included
};

}  // namespace corvel

#include "vector/PathTypes.h"

namespace corvel {

// Every record a stage hands out from a rewind to its end.
inline std::vector<PathSegmentRecord> ReadStage(PathStage& stage) {
  std::vector<PathSegmentRecord> out;
  const PathSegmentRecord* records = nullptr;
  int count = 0;
  if (!stage.Rewind()) return out;
  while (stage.Next(&records, &count)) out.insert(out.end(), records, records + count);
  return out;
}

}  // namespace corvel

#include <memory>

namespace corvel {

struct StageRelease {
  void operator()(PathStage* stage) const { PathStage::Release(stage); }
};
using StagePtr = std::unique_ptr<PathStage, StageRelease>;

}  // namespace corvel
