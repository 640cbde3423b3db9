// Path stages between the reader and the stroker or filler: FlattenStage turns curves and arcs
// into lines (flatness measured through the matrix, output left in path space); DashStage cuts
// a flattened path into the dashes of a pen.
#pragma once
#include "core/Matrix3.h"
#include "vector/PathTypes.h"
#include "vector/RefCounted.h"
#include "vector/RenderSettings.h"
#include "vector/detail/SegmentBuffer.h"

namespace corvel {

class FlattenStage : public RefCounted, public PathStage {
 public:
  using RefCounted::AddRef;
  using RefCounted::Release;
  // Without adopt the stage takes its own reference to the upstream.
  FlattenStage(PathStage& upstream, double tolerance, const Matrix3* matrix, bool adopt);
  ~FlattenStage() override;

  bool Rewind() override;
  bool Next(const PathSegmentRecord** records, int* count) override;
  const FigureInfo* GetFigureInfo() const override { return upstream_->GetFigureInfo(); }
  RefCounted* GetRefCounted() override { return this; }
  bool Ready() const { return buffer_.Reserved(); }

 private:
  bool Flatten(const PathSegmentRecord& record);

  PathStage* upstream_;
  PathPoint current_;
  PathPoint figureStart_;
  double tolerance_;
  const PathSegmentRecord* group_ = nullptr;
  int left_ = 0;
  SegmentBuffer buffer_;
  Matrix3 matrix_;
  const Matrix3* matrixInUse_ = nullptr;
};

// Null when memory runs out (an adopted upstream is then released).
FlattenStage* CreateFlattenStage(PathStage& upstream, double tolerance, const Matrix3* matrix, bool adopt);

class DashStage : public RefCounted, public PathStage {
 public:
  using RefCounted::AddRef;
  using RefCounted::Release;
  // The pen's pattern must be one that DashPatternIsValid accepts.
  DashStage(PathStage& upstream, const PenStyle& pen, bool adopt);
  ~DashStage() override;

  bool Rewind() override;
  bool Next(const PathSegmentRecord** records, int* count) override;
  const FigureInfo* GetFigureInfo() const override { return upstream_->GetFigureInfo(); }
  RefCounted* GetRefCounted() override { return this; }

 private:
  void ResetPhase();
  void StepEntry();
  void HandOutLine(const PathPoint& end, const PathSegmentRecord** records, int* count);

  PathStage* upstream_;
  const PenStyle pen_;
  bool penDown_ = true;
  bool movePending_ = false;
  int entry_ = 0;
  double left_ = 0;
  const PathSegmentRecord* group_ = nullptr;
  int index_ = 0;
  int groupCount_ = 0;
  int figure_ = 0;
  int previousFigure_ = -1;
  long long pieces_ = 0;
  PathPoint figureStart_;
  PathPoint current_;
  PathSegmentRecord out_;
};

// Lengths finite and not negative, with a positive, finite sum: anything else would never
// advance along the path.
bool DashPatternIsValid(const PenStyle& pen);
// Null when memory runs out or the pen's pattern is not valid (an adopted upstream is then
// released).
DashStage* CreateDashStage(PathStage& upstream, const PenStyle& pen, bool adopt);

}  // namespace corvel
