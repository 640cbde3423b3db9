// The segment record that every path stage hands out, the stage interface and the
// figure-information interface of the path behind a stage.
#pragma once
#include <cstdint>

namespace corvel {

class RefCounted;

struct PathPoint {
  double x = 0;
  double y = 0;
};

enum PathRecordKind : std::int32_t {
  keRecordMove = 0,
  keRecordLine = 1,
  keRecordQuadratic = 2,
  keRecordCubic = 3,
  keRecordArc = 4,
  keRecordClose = 5,
};

// A: control point, first control point, or the arc's radii. B: second control point, or for an
// arc the rotation in degrees (x) and the flags.
struct PathSegmentRecord {
  PathPoint a;
  PathPoint b;
  PathPoint end;
  std::int32_t kind = keRecordMove;
  std::int32_t figure = 0;
  std::int32_t largeArc = 0;
  std::int32_t sweep = 0;
};

class FigureInfo {
 public:
  virtual ~FigureInfo() = default;
  virtual int FigureCount() const = 0;
  virtual bool IsFigureClosed(int figure) const = 0;
  // Figures a figure filter leaves out; no path of this system hides any.
  virtual bool IsFigureHidden(int) const { return false; }
};

class PathStage {
 public:
  virtual ~PathStage() = default;
  virtual bool Rewind() = 0;
  // The next group of records, valid until the next call; false (null, 0) at the end.
  virtual bool Next(const PathSegmentRecord** records, int* count) = 0;
  virtual const FigureInfo* GetFigureInfo() const = 0;
  // Null for a stage that lives inside its owner.
  virtual RefCounted* GetRefCounted() = 0;

  static void AddRef(PathStage* stage);
  static void Release(PathStage* stage);

 protected:
  // Next's answer at the end.
  static bool EndOfStage(const PathSegmentRecord** records, int* count) {
    *records = nullptr;
    *count = 0;
    return false;
  }
};

}  // namespace corvel
