#include "vector/detail/StrokeStage.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "vector/detail/CurveGeometry.h"
#include "vector/detail/FlattenStage.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;

}  // namespace

StrokeStage::StrokeStage(PathStage& upstream, const PenStyle& pen, int antiAliasLevel, bool owns)
    : upstream_(&upstream), pen_(pen) {
  if (!owns) PathStage::AddRef(upstream_);
  // Aliased strokes never get thinner than a pixel; anti-aliased ones lose a hair so that a
  // whole-pixel width does not spill into the next pixel.
  pen_.width = antiAliasLevel == 1 ? std::max(pen_.width, 1.0) : pen_.width * 0.999999;
  const FigureInfo* info = upstream.GetFigureInfo();
  const int figures = info != nullptr ? std::max(info->FigureCount(), 0) : 0;
  try {
    pieces_.assign(static_cast<std::size_t>(figures), 0);
    totals_.assign(static_cast<std::size_t>(figures), 0);
  } catch (const std::bad_alloc&) {
    return;
  }
  if (!outline_.Init() || !Rewind()) return;
  counting_ = true;
  const PathSegmentRecord* records = nullptr;
  int count = 0;
  while (Next(&records, &count)) {
  }
  counting_ = false;
  if (failed_) return;
  totals_ = pieces_;
  ready_ = Rewind();
}

StrokeStage::~StrokeStage() { PathStage::Release(upstream_); }

bool StrokeStage::Rewind() {
  outlineActive_ = false;
  count_ = 0;
  movePending_ = ended_ = failed_ = false;
  group_ = nullptr;
  left_ = 0;
  figure_ = -1;
  figureClosed_ = false;
  std::fill(pieces_.begin(), pieces_.end(), 0);
  return upstream_->Rewind();
}

bool StrokeStage::Next(const PathSegmentRecord** records, int* count) {
  for (;;) {
    if (outlineActive_) {
      if (outline_.Next(records, count)) return true;
      outlineActive_ = false;
    }
    if (!GatherPolyline()) return EndOfStage(records, count);
  }
}

bool StrokeStage::AddPoint(const PathPoint& point) {
  if (count_ > 0) {
    PathPoint& last = points_[static_cast<std::size_t>(count_ - 1)];
    if (std::fabs(point.x - last.x) < kEpsilon && std::fabs(point.y - last.y) < kEpsilon) return true;
    if (count_ >= 2 && IsStraightThrough(points_[static_cast<std::size_t>(count_ - 2)], last, point)) {
      last = point;
      return true;
    }
  }
  try {
    if (static_cast<std::size_t>(count_) == points_.size()) points_.emplace_back();
  } catch (const std::bad_alloc&) {
    return false;
  }
  points_[static_cast<std::size_t>(count_++)] = point;
  return true;
}

bool StrokeStage::GatherPolyline() {
  if (ended_) return false;
  if (movePending_) {
    count_ = 0;
    movePending_ = false;
    if (!AddPoint(movePoint_)) return Fail();
  }
  for (;;) {
    if (left_ <= 0) {
      if (!upstream_->Next(&group_, &left_)) {
        left_ = 0;
        ended_ = true;
        return count_ > 0 && Emit(false);
      }
      continue;
    }
    const PathSegmentRecord& record = *group_++;
    --left_;
    if (record.figure != figure_) {
      figure_ = record.figure;
      const FigureInfo* info = upstream_->GetFigureInfo();
      figureClosed_ = info != nullptr && info->IsFigureClosed(figure_);
    }
    switch (record.kind) {
      case keRecordMove:
        if (count_ >= 2) {
          movePoint_ = record.end;
          movePending_ = true;
          return Emit(false);
        }
        count_ = 0;
        if (!AddPoint(record.end)) return Fail();
        break;
      case keRecordLine:
        if (!AddPoint(record.end)) return Fail();
        break;
      case keRecordClose: {
        count_ = TrimClosedPolygon(points_.data(), count_);
        if (count_ >= 2) return Emit(count_ >= 3);
        count_ = 0;
        break;
      }
      default:
        return Fail();  // curves never arrive through a flattening stage
    }
  }
}

bool StrokeStage::Fail() {
  ended_ = failed_ = true;
  return false;
}

bool StrokeStage::Emit(bool closed) {
  // Figure indexes come from the records: one the path does not know is counted as a lone piece.
  const bool known = figure_ >= 0 && figure_ < static_cast<int>(pieces_.size());
  const int piece = known ? ++pieces_[static_cast<std::size_t>(figure_)] : 1;
  const int total = known ? totals_[static_cast<std::size_t>(figure_)] : 1;
  const int startCap = piece == 1 && !figureClosed_ ? 0 : 2;
  const int endCap = piece == total && !figureClosed_ ? 1 : 3;
  int count = count_;
  if (closed) {
    while (count > 1 && PointsEqual(points_[static_cast<std::size_t>(count - 1)], points_[0])) --count;
  }
  // The outline reads the points in place: nothing is gathered until it is drained.
  count_ = 0;
  if (!counting_) {
    outline_.Start(points_.data(), count, figure_, closed, pen_, pen_.width * 0.5, startCap, endCap);
    outlineActive_ = true;
  }
  return true;
}

FillStage::FillStage(PathStage& upstream, bool owns) : upstream_(&upstream), owns_(owns) {
  upstream.Rewind();
}

FillStage::~FillStage() {
  if (owns_) PathStage::Release(upstream_);
}

PathStage* CreateStrokeOrFill(PathStage& path, int kind, const PenStyle& pen, const Matrix3* matrix,
                              double flatness, int antiAliasLevel, bool takeOwnership) {
  const bool stroke = kind != keStrokeFill && kind != keStrokeThin;
  if (stroke &&
      (!std::isfinite(pen.width) || pen.width < 0 || (pen.DashCount() > 0 && !DashPatternIsValid(pen)))) {
    if (takeOwnership) PathStage::Release(&path);
    return nullptr;
  }
  FlattenStage* flat = CreateFlattenStage(path, flatness, matrix, takeOwnership);
  if (flat == nullptr) return nullptr;
  if (!stroke) {
    FillStage* fill = new (std::nothrow) FillStage(*flat, true);
    if (fill == nullptr) flat->Release();
    return fill;
  }
  PathStage* upstream = flat;
  if (pen.DashCount() > 0) {
    upstream = CreateDashStage(*flat, pen, true);
    if (upstream == nullptr) return nullptr;
  }
  StrokeStage* strokeStage = new (std::nothrow) StrokeStage(*upstream, pen, antiAliasLevel, true);
  if (strokeStage == nullptr) {
    PathStage::Release(upstream);
  } else if (!strokeStage->Ready()) {
    strokeStage->Release();
    strokeStage = nullptr;
  }
  return strokeStage;
}

bool IsThinStroke(const PenStyle& pen, const RenderSettings& settings, const Matrix3* matrix) {
  if (pen.Dashes() != nullptr || pen.DashCount() != 0 || !(pen.width <= 1.0)) return false;
  if (!Matrix3IsTranslation(matrix) && !pen.thinInAnyMatrix) return false;
  if (settings.antiAliasLevel != 1 || !settings.flag) return false;
  for (const PenCap& cap : pen.caps) {
    if (cap.kind < 0 || cap.kind > 2) return false;
  }
  return true;
}

}  // namespace corvel
