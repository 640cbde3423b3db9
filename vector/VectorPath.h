// Stored paths: figures of line, quadratic, cubic and arc segments in the caller's coordinates,
// built through the PathSink commands and read back through a PathReader. PolygonPath only
// measures what it is sent; SendPathToSink plays any stage's output into any sink.
#pragma once
#include <cstdint>
#include <vector>

#include "vector/PathSink.h"
#include "vector/RefCounted.h"

namespace corvel {

enum PathSegmentKind : std::int32_t {
  keSegmentLine = 0,
  keSegmentQuadratic = 1,
  keSegmentCubic = 2,
  keSegmentArc = 3,
};

// A: control point, first control point or the arc's radii; B: second control point. Fields a
// kind does not use are zero.
struct PathSegment {
  PathPoint a;
  PathPoint b;
  double rotation = 0;  // arcs, degrees
  std::int32_t sweep = 0;
  std::int32_t largeArc = 0;
  PathPoint start;
  PathPoint end;
  std::int32_t kind = keSegmentLine;
};

struct PathFigure {
  std::vector<PathSegment> segments;
  std::int32_t index = 0;
  bool closed = false;
};

class VectorPath : public RefCounted, public PathSink {
 public:
  // Points are stored as given: the matrices are ignored. Commands answer false only when
  // memory runs out, leaving the path as it was.
  bool MoveTo(const PathPoint& point, const Matrix3* matrix) override;
  bool LineTo(const PathPoint& point, const Matrix3* matrix) override;
  bool CurveTo2(const PathPoint& control, const PathPoint& end, const Matrix3* matrix) override;
  bool CurveTo3(const PathPoint& control1, const PathPoint& control2, const PathPoint& end,
                const Matrix3* matrix) override;
  bool ArcTo(const PathPoint& radii, double rotation, int largeArc, int sweep, const PathPoint& end,
             const Matrix3* matrix) override;
  // False without a current figure; adds the closing line unless the figure already ends at its
  // start.
  bool Close(const Matrix3* matrix) override;

  int FigureCount() const { return static_cast<int>(figures_.size()); }
  // Null outside 0 .. count - 1.
  const PathFigure* GetFigure(int index) const;

 private:
  bool Append(PathSegment segment);

  std::vector<PathFigure> figures_;
  bool hasCurrent_ = false;
};

VectorPath* CreateVectorPath();
const PathFigure* GetFigure(const VectorPath* path, int index);
// The closed flag, or for an unflagged figure with segments whether it ends at its start.
bool FigureIsClosed(const PathFigure& figure);

// Measures what it is sent: the bounds of the points mapped through each command's matrix.
class PolygonPath : public PathSink {
 public:
  bool LineTo(const PathPoint& point, const Matrix3* matrix) override;
  bool MoveTo(const PathPoint& point, const Matrix3* matrix) override { return LineTo(point, matrix); }
  // left, top, right, bottom; all 0 until a point arrives.
  const double* Bounds() const { return bounds_; }
  bool Started() const { return started_; }

 private:
  double bounds_[4] = {0, 0, 0, 0};
  bool started_ = false;
};

// With closeFigures every open figure is closed by a line to its start before the next move and
// at the end. False when the stage cannot rewind or a sink command fails.
bool SendPathToSink(PathSink& sink, PathStage& stage, const Matrix3* matrix, bool closeFigures);
// The rectangle is always written; true only when sending succeeded and it is wider than 1e-8
// both ways.
bool PathBounds(double out[4], PathStage& stage, const Matrix3* matrix, bool closeFigures);

VectorPath* CreateRectPath(double left, double top, double right, double bottom);
// Null for negative radii or reversed corners; empty for a zero width or height; clockwise on
// screen, corners as quarter arcs when both radii are above 0.
VectorPath* CreateRoundRectPath(double left, double top, double right, double bottom, double rx, double ry);

}  // namespace corvel
