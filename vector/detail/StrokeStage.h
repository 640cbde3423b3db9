// The stages that turn a path into what the coverage rasteriser fills: StrokeStage cuts a
// flattened path into polylines and hands on the outline of the pen around each; FillStage
// passes a path through. CreateStrokeOrFill builds the whole chain.
#pragma once
#include <memory>
#include <vector>

#include "core/Matrix3.h"
#include "vector/PathTypes.h"
#include "vector/RefCounted.h"
#include "vector/RenderSettings.h"
#include "vector/detail/OutlineStage.h"

namespace corvel {

enum StrokeKind : int { keStrokeOutline = 1, keStrokeFill = 2, keStrokeThin = 3 };

class StrokeStage : public RefCounted, public PathStage {
 public:
  using RefCounted::AddRef;
  using RefCounted::Release;
  // Without owns the stage takes its own reference to the upstream, which must hand out only
  // moves, lines and closes.
  StrokeStage(PathStage& upstream, const PenStyle& pen, int antiAliasLevel, bool owns);
  ~StrokeStage() override;
  // False when memory ran out while building.
  bool Ready() const { return ready_; }

  bool Rewind() override;
  bool Next(const PathSegmentRecord** records, int* count) override;
  const FigureInfo* GetFigureInfo() const override { return upstream_->GetFigureInfo(); }
  RefCounted* GetRefCounted() override { return this; }

 private:
  // True when an outline was started; false at the end of the path or on failure.
  bool GatherPolyline();
  bool AddPoint(const PathPoint& point);
  bool Emit(bool closed);
  bool Fail();

  PathStage* upstream_;
  PenStyle pen_;
  OutlineStage outline_;
  bool outlineActive_ = false;
  // Storage that only grows; count_ points of it are the polyline being gathered.
  std::vector<PathPoint> points_;
  int count_ = 0;
  PathPoint movePoint_;
  bool movePending_ = false;
  bool ended_ = false;
  const PathSegmentRecord* group_ = nullptr;
  int left_ = 0;
  int figure_ = -1;
  bool figureClosed_ = false;
  // Polylines met so far in each figure of the path, and after construction their totals.
  std::vector<int> pieces_;
  std::vector<int> totals_;
  bool counting_ = false;
  bool failed_ = false;
  bool ready_ = false;
};

class FillStage : public RefCounted, public PathStage {
 public:
  using RefCounted::AddRef;
  using RefCounted::Release;
  FillStage(PathStage& upstream, bool owns);
  ~FillStage() override;

  bool Rewind() override { return upstream_->Rewind(); }
  bool Next(const PathSegmentRecord** records, int* count) override {
    return upstream_->Next(records, count);
  }
  const FigureInfo* GetFigureInfo() const override { return upstream_->GetFigureInfo(); }
  RefCounted* GetRefCounted() override { return this; }

 private:
  PathStage* upstream_;
  bool owns_;
};

// The chain that turns path into a closed outline for the non-zero rule: flattened (measured
// through matrix), and for a stroke kind dashed when the pen has dashes, then stroked. Kinds 2
// and 3 hand on the flattened path itself. Null when memory runs out, the pen's width is not a
// finite number at least 0 or its dash pattern cannot advance; with takeOwnership the caller's
// reference to path is handed over in every case.
PathStage* CreateStrokeOrFill(PathStage& path, int kind, const PenStyle& pen, const Matrix3* matrix,
                              double flatness, int antiAliasLevel, bool takeOwnership);

// A stroke thin enough for the rasteriser's outline mode: no dashes, width at most 1, a
// translation (or the pen's any-matrix flag), aliased drawing with the first flag set, and plain
// caps.
bool IsThinStroke(const PenStyle& pen, const RenderSettings& settings, const Matrix3* matrix);

}  // namespace corvel
