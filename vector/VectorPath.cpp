#include "vector/VectorPath.h"

#include <cmath>
#include <new>

#include "vector/detail/CurveGeometry.h"
#include "vector/detail/PathReader.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;

}  // namespace

VectorPath* CreateVectorPath() { return new (std::nothrow) VectorPath(); }

const PathFigure* VectorPath::GetFigure(int index) const {
  return index >= 0 && index < FigureCount() ? &figures_[static_cast<std::size_t>(index)] : nullptr;
}

const PathFigure* GetFigure(const VectorPath* path, int index) {
  return path != nullptr ? path->GetFigure(index) : nullptr;
}

bool FigureIsClosed(const PathFigure& figure) {
  if (figure.closed) return true;
  if (figure.segments.empty()) return false;
  return PointsEqual(figure.segments.front().start, figure.segments.back().end);
}

bool VectorPath::MoveTo(const PathPoint& point, const Matrix3*) {
  if (!hasCurrent_ || !figures_.back().segments.empty()) {
    try {
      figures_.emplace_back();
    } catch (const std::bad_alloc&) {
      return false;
    }
    figures_.back().index = FigureCount() - 1;
    hasCurrent_ = true;
  }
  start_ = point;
  current_ = point;
  return true;
}

bool VectorPath::Append(PathSegment segment) {
  const bool newFigure = !hasCurrent_;
  try {
    if (newFigure) {
      figures_.emplace_back();
      figures_.back().index = FigureCount() - 1;
    }
    segment.start = current_;
    figures_.back().segments.push_back(segment);
  } catch (const std::bad_alloc&) {
    if (newFigure && !figures_.empty() && figures_.back().segments.empty()) figures_.pop_back();
    return false;
  }
  hasCurrent_ = true;
  current_ = segment.end;
  return true;
}

bool VectorPath::LineTo(const PathPoint& point, const Matrix3*) {
  PathSegment segment;
  segment.end = point;
  return Append(segment);
}

bool VectorPath::CurveTo2(const PathPoint& control, const PathPoint& end, const Matrix3*) {
  PathSegment segment;
  segment.kind = keSegmentQuadratic;
  segment.a = control;
  segment.end = end;
  return Append(segment);
}

bool VectorPath::CurveTo3(const PathPoint& control1, const PathPoint& control2, const PathPoint& end,
                          const Matrix3*) {
  PathSegment segment;
  segment.kind = keSegmentCubic;
  segment.a = control1;
  segment.b = control2;
  segment.end = end;
  return Append(segment);
}

bool VectorPath::ArcTo(const PathPoint& radii, double rotation, int largeArc, int sweep, const PathPoint& end,
                       const Matrix3*) {
  PathSegment segment;
  segment.kind = keSegmentArc;
  segment.a = radii;
  segment.rotation = rotation;
  segment.sweep = sweep != 0;
  segment.largeArc = largeArc != 0;
  segment.end = end;
  return Append(segment);
}

bool VectorPath::Close(const Matrix3* matrix) {
  if (!hasCurrent_) return false;
  if (std::fabs(current_.x - start_.x) >= kEpsilon || std::fabs(current_.y - start_.y) >= kEpsilon) {
    if (!LineTo(start_, matrix)) return false;
  }
  figures_.back().closed = true;
  current_ = start_;
  return true;
}

bool PolygonPath::LineTo(const PathPoint& point, const Matrix3* matrix) {
  current_ = point;
  double xy[2] = {point.x, point.y};
  Matrix3MapPoint(matrix, xy);
  if (!started_) {
    bounds_[0] = bounds_[2] = xy[0];
    bounds_[1] = bounds_[3] = xy[1];
    started_ = true;
  } else {
    if (xy[0] < bounds_[0]) bounds_[0] = xy[0];
    if (xy[1] < bounds_[1]) bounds_[1] = xy[1];
    if (xy[0] > bounds_[2]) bounds_[2] = xy[0];
    if (xy[1] > bounds_[3]) bounds_[3] = xy[1];
  }
  return true;
}

bool SendPathToSink(PathSink& sink, PathStage& stage, const Matrix3* matrix, bool closeFigures) {
  if (!stage.Rewind()) return false;
  if (!sink.BeginPath()) return false;
  PathPoint start;
  bool closed = true;
  const PathSegmentRecord* records = nullptr;
  int count = 0;
  while (stage.Next(&records, &count)) {
    for (int i = 0; i < count; ++i) {
      const PathSegmentRecord& r = records[i];
      bool ok = true;
      switch (r.kind) {
        case keRecordMove:
          if (closeFigures && !closed && !sink.LineTo(start, matrix)) return false;
          start = r.end;
          ok = sink.MoveTo(start, matrix);
          break;
        case keRecordLine:
          ok = sink.LineTo(r.end, matrix);
          closed = false;
          break;
        case keRecordQuadratic:
          ok = sink.CurveTo2(r.a, r.end, matrix);
          closed = false;
          break;
        case keRecordCubic:
          ok = sink.CurveTo3(r.a, r.b, r.end, matrix);
          closed = false;
          break;
        case keRecordArc:
          ok = sink.ArcTo(r.a, r.b.x, r.largeArc, r.sweep, r.end, matrix);
          closed = false;
          break;
        case keRecordClose:
          ok = sink.LineTo(start, matrix);
          closed = true;
          break;
        default:
          break;
      }
      if (!ok) return false;
    }
  }
  if (closeFigures && !closed) return sink.LineTo(start, matrix);
  return sink.EndPath();
}

bool PathBounds(double out[4], PathStage& stage, const Matrix3* matrix, bool closeFigures) {
  PolygonPath bounds;
  const bool sent = SendPathToSink(bounds, stage, matrix, closeFigures);
  for (int i = 0; i < 4; ++i) out[i] = bounds.Bounds()[i];
  return sent && out[2] - out[0] > kEpsilon && out[3] - out[1] > kEpsilon;
}

VectorPath* CreateRectPath(double left, double top, double right, double bottom) {
  VectorPath* path = CreateVectorPath();
  if (path == nullptr) return nullptr;
  const bool built = path->BeginPath() && path->MoveTo({left, top}, nullptr) &&
                     path->LineTo({right, top}, nullptr) && path->LineTo({right, bottom}, nullptr) &&
                     path->LineTo({left, bottom}, nullptr) && path->Close(nullptr) && path->EndPath();
  if (!built) {
    path->Release();
    return nullptr;
  }
  return path;
}

VectorPath* CreateRoundRectPath(double left, double top, double right, double bottom, double rx, double ry) {
  if (!(rx >= 0 && ry >= 0 && left <= right && top <= bottom)) return nullptr;
  if (std::fabs(right - left) < kEpsilon || std::fabs(bottom - top) < kEpsilon) return CreateVectorPath();
  if (rx < kEpsilon && ry < kEpsilon) return CreateRectPath(left, top, right, bottom);
  VectorPath* path = CreateVectorPath();
  if (path == nullptr) return nullptr;
  const double halfW = (right - left) * 0.5, halfH = (bottom - top) * 0.5;
  rx = std::fmin(rx, halfW);
  ry = std::fmin(ry, halfH);
  const bool arcs = rx > 0 && ry > 0;
  const PathPoint radii{rx, ry};
  VectorPath& p = *path;
  auto corner = [&](PathPoint end) {
    return arcs ? p.ArcTo(radii, 0.0, 0, 1, end, nullptr) : p.LineTo(end, nullptr);
  };
  bool ok = p.BeginPath() && p.MoveTo({left + rx, top}, nullptr);
  if (ok && rx < halfW) ok = p.LineTo({right - rx, top}, nullptr);
  if (ok && arcs) ok = p.ArcTo(radii, 0.0, 0, 1, {right, top + ry}, nullptr);
  if (ok && ry < halfH) ok = p.LineTo({right, bottom - ry}, nullptr);
  if (ok) ok = corner({right - rx, bottom});
  if (ok && rx < halfW) ok = p.LineTo({left + rx, bottom}, nullptr);
  if (ok) ok = corner({left, bottom - ry});
  if (ok && ry < halfH) ok = p.LineTo({left, top + ry}, nullptr);
  if (ok && arcs) ok = p.ArcTo(radii, 0.0, 0, 1, {left + rx, top}, nullptr);
  if (!(ok && p.Close(nullptr) && p.EndPath())) {
    path->Release();
    return nullptr;
  }
  return path;
}

void PathStage::AddRef(PathStage* stage) {
  if (stage != nullptr && stage->GetRefCounted() != nullptr) stage->GetRefCounted()->AddRef();
}

void PathStage::Release(PathStage* stage) {
  if (stage != nullptr && stage->GetRefCounted() != nullptr) stage->GetRefCounted()->Release();
}

PathReader::PathReader(const VectorPath& path) : path_(path) {
  const PathSegmentRecord* records = nullptr;
  int count = 0;
  Rewind();
  empty_ = !Next(&records, &count);
  Rewind();
}

PathReader* CreatePathReader(const VectorPath& path) { return new (std::nothrow) PathReader(path); }

bool PathReader::IsFigureClosed(int figure) const {
  const PathFigure* f = path_.GetFigure(figure);
  return f != nullptr && f->closed;
}

bool PathReader::Rewind() {
  figure_ = 0;
  segment_ = 0;
  const PathFigure* first = path_.GetFigure(0);
  atStart_ = first != nullptr && !first->segments.empty();
  closePending_ = false;
  return true;
}

bool PathReader::Next(const PathSegmentRecord** records, int* count) {
  record_ = PathSegmentRecord();
  record_.figure = figure_;
  *records = &record_;
  *count = 1;
  if (closePending_) {
    closePending_ = false;
    record_.kind = keRecordClose;
    return true;
  }
  const PathFigure* figure = path_.GetFigure(figure_);
  const bool current = figure != nullptr && segment_ < static_cast<int>(figure->segments.size());
  if (!current) {
    if (figure_ >= 0 && figure_ + 1 < path_.FigureCount()) {
      ++figure_;
      segment_ = 0;
      figure = path_.GetFigure(figure_);
    } else {
      figure_ = -1;
      figure = nullptr;
    }
    record_.figure = figure_;
    if (figure == nullptr || figure->segments.empty()) {
      *records = nullptr;
      *count = 0;
      return false;
    }
    atStart_ = true;
  }
  const PathSegment& segment = figure->segments[static_cast<std::size_t>(segment_)];
  if (atStart_) {
    atStart_ = false;
    record_.kind = keRecordMove;
    record_.end = segment.start;
    return true;
  }
  if (segment_ + 1 == static_cast<int>(figure->segments.size()) && figure->closed) closePending_ = true;
  record_.end = segment.end;
  switch (segment.kind) {
    case keSegmentQuadratic:
      record_.kind = keRecordQuadratic;
      record_.a = segment.a;
      break;
    case keSegmentCubic:
      record_.kind = keRecordCubic;
      record_.a = segment.a;
      record_.b = segment.b;
      break;
    case keSegmentArc:
      record_.kind = keRecordArc;
      record_.a = segment.a;
      record_.b.x = segment.rotation;
      record_.largeArc = segment.largeArc;
      record_.sweep = segment.sweep;
      break;
    default:
      record_.kind = keRecordLine;
      break;
  }
  ++segment_;
  return true;
}

}  // namespace corvel
