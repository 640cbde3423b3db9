// Stages in front of stroking and filling: TransformStage maps every point through a matrix and
// turns arcs into cubic curves, so that a stroke can be built in device space; FigureFilterStage
// leaves out the figures the path hides.
#pragma once
#include "core/Matrix3.h"
#include "vector/PathTypes.h"
#include "vector/RefCounted.h"

namespace corvel {

class TransformStage : public RefCounted, public PathStage {
 public:
  using RefCounted::AddRef;
  using RefCounted::Release;
  // A null matrix maps nothing. Without owns the stage takes its own reference to the upstream.
  TransformStage(PathStage& upstream, const Matrix3* matrix, bool owns);
  ~TransformStage() override;

  bool Rewind() override;
  bool Next(const PathSegmentRecord** records, int* count) override;
  const FigureInfo* GetFigureInfo() const override { return upstream_->GetFigureInfo(); }
  RefCounted* GetRefCounted() override { return this; }

 private:
  PathPoint Map(const PathPoint& point) const;

  PathStage* upstream_;
  Matrix3 matrix_;
  PathSegmentRecord record_;
  PathSegmentRecord cubics_[4];
  int cubicCount_ = 0;
  int cubicNext_ = 0;
  const PathSegmentRecord* group_ = nullptr;
  int left_ = 0;
  PathPoint current_;
  PathPoint figureStart_;
};

TransformStage* CreateTransformStage(PathStage& upstream, const Matrix3* matrix, bool owns);

class FigureFilterStage : public RefCounted, public PathStage {
 public:
  using RefCounted::AddRef;
  using RefCounted::Release;
  // Takes over the caller's reference to the upstream.
  explicit FigureFilterStage(PathStage& upstream);
  ~FigureFilterStage() override;

  bool Rewind() override;
  bool Next(const PathSegmentRecord** records, int* count) override;
  const FigureInfo* GetFigureInfo() const override { return upstream_->GetFigureInfo(); }
  RefCounted* GetRefCounted() override { return this; }

 private:
  PathStage* upstream_;
  const PathSegmentRecord* group_ = nullptr;
  int left_ = 0;
  int figure_ = -1;
  bool hidden_ = false;
};

// The stage itself unless enable is set and the path hides a figure; then a filter that takes
// over the caller's reference (the stage itself when the filter cannot be allocated).
PathStage* CreateFigureFilter(PathStage& stage, bool enable);
// The same, but the caller keeps its own reference in every case.
PathStage* CreateFigureFilterShared(PathStage& stage, bool enable);

}  // namespace corvel
