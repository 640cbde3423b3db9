#include "vector/detail/TransformStage.h"

#include <cmath>
#include <new>

#include "vector/detail/CurveGeometry.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;

}  // namespace

TransformStage::TransformStage(PathStage& upstream, const Matrix3* matrix, bool owns)
    : upstream_(&upstream), matrix_(matrix != nullptr ? *matrix : kIdentityMatrix3) {
  if (!owns) PathStage::AddRef(upstream_);
  Rewind();
}

TransformStage::~TransformStage() { PathStage::Release(upstream_); }

TransformStage* CreateTransformStage(PathStage& upstream, const Matrix3* matrix, bool owns) {
  TransformStage* stage = new (std::nothrow) TransformStage(upstream, matrix, owns);
  if (stage == nullptr && owns) PathStage::Release(&upstream);
  return stage;
}

bool TransformStage::Rewind() {
  current_ = figureStart_ = PathPoint();
  cubicCount_ = cubicNext_ = 0;
  group_ = nullptr;
  left_ = 0;
  return upstream_->Rewind();
}

PathPoint TransformStage::Map(const PathPoint& point) const {
  double xy[2] = {point.x, point.y};
  Matrix3MapPoint(&matrix_, xy);
  return {xy[0], xy[1]};
}

bool TransformStage::Next(const PathSegmentRecord** records, int* count) {
  for (;;) {
    if (cubicNext_ < cubicCount_) {
      *records = &cubics_[cubicNext_++];
      *count = 1;
      if (cubicNext_ == cubicCount_) cubicCount_ = cubicNext_ = 0;
      return true;
    }
    if (left_ <= 0 && (!upstream_->Next(&group_, &left_) || left_ <= 0)) {
      left_ = 0;
      return EndOfStage(records, count);
    }
    record_ = *group_++;
    --left_;
    const PathPoint end = record_.end;
    switch (record_.kind) {
      case keRecordMove:
        figureStart_ = end;
        record_.end = Map(end);
        break;
      case keRecordLine:
        record_.end = Map(end);
        break;
      case keRecordQuadratic:
        record_.a = Map(record_.a);
        record_.end = Map(end);
        break;
      case keRecordCubic:
        record_.a = Map(record_.a);
        record_.b = Map(record_.b);
        record_.end = Map(end);
        break;
      case keRecordArc: {
        double startAngle = 0, sweep = 0;
        Matrix3 unitToPath;
        PathPoint points[16];
        int pieces = 0;
        if (std::fabs(record_.a.x * record_.a.y) >= kEpsilon &&
            EndpointArcToCentre(&startAngle, &sweep, &unitToPath, current_, end, record_.a, record_.b.x,
                                record_.largeArc, record_.sweep)) {
          pieces = ArcToBeziers(points, startAngle, sweep, &unitToPath);
        }
        current_ = end;
        if (pieces == 0) {
          record_ = PathSegmentRecord{{}, {}, Map(end), keRecordLine, record_.figure, 0, 0};
          break;
        }
        for (int i = 0; i < pieces; ++i) {
          cubics_[i] = PathSegmentRecord{Map(points[4 * i + 1]),
                                         Map(points[4 * i + 2]),
                                         Map(points[4 * i + 3]),
                                         keRecordCubic,
                                         record_.figure,
                                         0,
                                         0};
        }
        cubicCount_ = pieces;
        continue;
      }
      case keRecordClose:
        current_ = figureStart_;
        *records = &record_;
        *count = 1;
        return true;
      default:
        break;
    }
    current_ = end;
    *records = &record_;
    *count = 1;
    return true;
  }
}

FigureFilterStage::FigureFilterStage(PathStage& upstream) : upstream_(&upstream) { Rewind(); }

FigureFilterStage::~FigureFilterStage() { PathStage::Release(upstream_); }

bool FigureFilterStage::Rewind() {
  group_ = nullptr;
  left_ = 0;
  figure_ = -1;
  hidden_ = false;
  return upstream_->Rewind();
}

bool FigureFilterStage::Next(const PathSegmentRecord** records, int* count) {
  const FigureInfo* info = upstream_->GetFigureInfo();
  for (;;) {
    if (left_ <= 0 && (!upstream_->Next(&group_, &left_) || left_ <= 0)) {
      left_ = 0;
      return EndOfStage(records, count);
    }
    const PathSegmentRecord* record = group_++;
    --left_;
    if (record->figure != figure_) {
      figure_ = record->figure;
      hidden_ = info != nullptr && info->IsFigureHidden(figure_);
    }
    if (!hidden_) {
      *records = record;
      *count = 1;
      return true;
    }
  }
}

PathStage* CreateFigureFilter(PathStage& stage, bool enable) {
  const FigureInfo* info = enable ? stage.GetFigureInfo() : nullptr;
  if (info == nullptr) return &stage;
  bool hides = false;
  for (int i = 0; i < info->FigureCount() && !hides; ++i) hides = info->IsFigureHidden(i);
  if (!hides) return &stage;
  FigureFilterStage* filter = new (std::nothrow) FigureFilterStage(stage);
  return filter != nullptr ? static_cast<PathStage*>(filter) : &stage;
}

PathStage* CreateFigureFilterShared(PathStage& stage, bool enable) {
  PathStage::AddRef(&stage);
  return CreateFigureFilter(stage, enable);
}

}  // namespace corvel
