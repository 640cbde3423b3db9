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
