#include "vector/detail/TextDrawer.h"

#include <cmath>
#include <new>
#include <vector>

#include "vector/detail/BezierFit.h"
#include "vector/detail/CurveGeometry.h"
#include "vector/detail/PathReader.h"

namespace corvel {
namespace {

constexpr double kGlyphFlatness = 0.05;
constexpr double kFitError = 0.01;
constexpr int kWarpSamples = 20;
constexpr int kWarpCapacity = 100;

struct StageRelease {
  void operator()(PathStage* stage) const { PathStage::Release(stage); }
};
using StageHolder = std::unique_ptr<PathStage, StageRelease>;

PathPoint Lerp(const PathPoint& a, const PathPoint& b, double t) {
  return PathPoint{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

PathPoint MapPoint(const Matrix3& matrix, const PathPoint& point) {
  double xy[2] = {point.x, point.y};
  Matrix3MapPoint(&matrix, xy);
  return PathPoint{xy[0], xy[1]};
}

// Fitted curves written into the stage's buffer.
class BufferReceiver : public CubicReceiver {
 public:
  explicit BufferReceiver(SegmentBuffer& buffer) : buffer_(buffer) {}
  bool AddCubic(const PathPoint* points, int count) override {
    return count == 4 && buffer_.CurveTo3(points[1], points[2], points[3], nullptr);
  }

 private:
  SegmentBuffer& buffer_;
};

}  // namespace

int CharsetToCodePage(int charset) {
  switch (charset) {
    case 128:
      return 932;
    case 129:
      return 949;
    case 130:
      return 1361;
    case 134:
      return 936;
    case 136:
      return 950;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 204:
      return 1251;
    case 186:
      return 1257;
    case 255:
      return 1;
    default:
      return 0;
  }
}

TextDrawer::TextDrawer(GlyphTarget* target, const TextRun& run)
    : target_(target), run_(run), pen_(run.start) {
  if (run_.font != nullptr) run_.font->AddRef();
}

TextDrawer::~TextDrawer() { SafeRelease(run_.font); }

bool TextDrawer::DrawText(TextIterator& text) {
  if (target_ == nullptr) return false;
  if (run_.font == nullptr) return true;
  const bool setCodePage = text.CodePage() == 0;
  const int previous = setCodePage ? text.SetCodePage(CharsetToCodePage(run_.font->CharSet())) : 0;
  bool drawn = true;
  if (run_.path != nullptr) {
    drawn = DrawAlongPath(text);
  } else {
    text.Rewind();
    for (std::uint32_t character = text.Next(); character != 0 && drawn; character = text.Next())
      drawn = DrawGlyph(character, true, nullptr);
  }
  if (setCodePage) text.SetCodePage(previous);
  return drawn;
}

bool TextDrawer::DrawGlyph(std::uint32_t character, bool relative, const Matrix3* matrix) {
  GlyphMetrics metrics;
  if (run_.font == nullptr || !run_.font->SelectGlyph(character, &metrics)) return false;
  Matrix3 transform = kIdentityMatrix3;
  if (relative || matrix == nullptr)
    Matrix3Translate(&transform, pen_.x, pen_.y);
  else
    transform = *matrix;
  bool drawn = true;
  RefPtr<VectorPath> outline = RefPtr<VectorPath>::Adopt(run_.font->GlyphOutline());
  if (outline) {
    StageHolder reader(CreatePathReader(*outline));
    drawn = reader && target_->DrawGlyphOutline(reader.get(), &transform, kGlyphFlatness);
  }
  pen_.x += metrics.advanceX * run_.advanceScale;
  pen_.y += metrics.advanceY * run_.advanceScale;
  return drawn;
}

bool TextDrawer::DrawAlongPath(TextIterator& text) {
  std::vector<double> advances;
  if (!run_.font->LayoutAdvances(text, &advances)) return false;
  double penX = pen_.x;
  const double penY = pen_.y;
  text.Rewind();
  bool drawn = true;
  for (std::size_t i = 0; drawn; ++i) {
    const std::uint32_t character = text.Next();
    if (character == 0 || i >= advances.size()) break;
    GlyphMetrics metrics;
    if (!run_.font->SelectGlyph(character, &metrics)) return false;
    RefPtr<VectorPath> outline = RefPtr<VectorPath>::Adopt(run_.font->GlyphOutline());
    if (!outline) return false;
    const double half = run_.advanceScale * metrics.advanceX * 0.5;
    PathPoint point, normal;
    if (!run_.bent) {
      // Centred on the middle of its laid-out cell, so that a narrow glyph after a wide one is
      // not covered by the next; glyph x runs along the path, glyph y along its normal.
      if (run_.path->Seek(penX + advances[i] * 0.5, &point, &normal)) {
        const PathPoint along{normal.y, -normal.x};
        const Matrix3 place{along.x, normal.x, point.x - along.x * half + normal.x * penY,
                            along.y, normal.y, point.y - along.y * half + normal.y * penY,
                            0,       0,        1};
        pen_ = PathPoint{0, 0};
        drawn = DrawGlyph(character, false, &place);
      }
    } else {
      Matrix3 place = kIdentityMatrix3;
      Matrix3Translate(&place, -half + advances[i] * 0.5 + penX, penY);
      StageHolder reader(CreatePathReader(*outline));
      StageHolder warp(reader ? CreatePathWarpStage(*reader, *run_.path, &place) : nullptr);
      drawn = warp && target_->DrawGlyphOutline(warp.get(), nullptr, kGlyphFlatness);
    }
    penX += advances[i];
  }
  pen_ = PathPoint{penX, penY};
  return drawn;
}

PathWarpStage::PathWarpStage(PathStage& upstream, const PathMeasure& path, const Matrix3* matrix)
    : upstream_(&upstream), path_(path) {
  PathStage::AddRef(upstream_);
  if (matrix != nullptr) matrix_ = *matrix;
  buffer_.Reserve(kWarpCapacity);
}

PathWarpStage::~PathWarpStage() { PathStage::Release(upstream_); }

bool PathWarpStage::Rewind() {
  group_ = nullptr;
  left_ = 0;
  buffer_.Reserve(kWarpCapacity);
  return upstream_->Rewind();
}

PathPoint PathWarpStage::Warp(const PathPoint& point) const {
  const PathPoint mapped = MapPoint(matrix_, point);
  PathPoint on, normal;
  if (!path_.Seek(mapped.x, &on, &normal)) return mapped;
  return PathPoint{on.x + normal.x * mapped.y, on.y + normal.y * mapped.y};
}

bool PathWarpStage::WarpCubic(const PathPoint (&cubic)[4]) {
  PathPoint samples[kWarpSamples];
  for (int i = 0; i < kWarpSamples; ++i) {
    const double t = double(i) / (kWarpSamples - 1);
    const PathPoint ab = Lerp(cubic[0], cubic[1], t), bc = Lerp(cubic[1], cubic[2], t),
                    cd = Lerp(cubic[2], cubic[3], t);
    samples[i] = Warp(Lerp(Lerp(ab, bc, t), Lerp(bc, cd, t), t));
  }
  BufferReceiver receiver(buffer_);
  // A curve that folds onto one point fits to nothing: it is left out.
  if (!FitBezierCurve(receiver, samples, kWarpSamples, kFitError))
    return buffer_.LineTo(samples[kWarpSamples - 1], nullptr);
  return true;
}

bool PathWarpStage::Take(const PathSegmentRecord& record) {
  const FigureInfo* info = upstream_->GetFigureInfo();
  buffer_.SetFigure(record.figure, info != nullptr ? info->FigureCount() : 0,
                    info != nullptr && info->IsFigureClosed(record.figure));
  const PathPoint start = current_;
  switch (record.kind) {
    case keRecordMove:
      current_ = figureStart_ = record.end;
      return buffer_.MoveTo(Warp(record.end), nullptr);
    case keRecordClose:
      current_ = figureStart_;
      return buffer_.Close(nullptr);
    case keRecordLine:
      current_ = record.end;
      return WarpCubic(
          {start, Lerp(start, record.end, 1.0 / 3), Lerp(start, record.end, 2.0 / 3), record.end});
    case keRecordQuadratic:
      current_ = record.end;
      return WarpCubic(
          {start, Lerp(start, record.a, 2.0 / 3), Lerp(record.end, record.a, 2.0 / 3), record.end});
    case keRecordCubic:
      current_ = record.end;
      return WarpCubic({start, record.a, record.b, record.end});
    case keRecordArc: {
      current_ = record.end;
      double startAngle = 0, sweep = 0;
      Matrix3 unitToPath = kIdentityMatrix3;
      PathPoint points[16];
      int pieces = 0;
      if (std::fabs(record.a.x * record.a.y) >= 1e-8 &&
          EndpointArcToCentre(&startAngle, &sweep, &unitToPath, start, record.end, record.a, record.b.x,
                              record.largeArc, record.sweep))
        pieces = ArcToBeziers(points, startAngle, sweep, &unitToPath);
      if (pieces == 0)
        return WarpCubic(
            {start, Lerp(start, record.end, 1.0 / 3), Lerp(start, record.end, 2.0 / 3), record.end});
      for (int i = 0; i < pieces; ++i) {
        if (!WarpCubic({points[4 * i], points[4 * i + 1], points[4 * i + 2], points[4 * i + 3]}))
          return false;
      }
      return true;
    }
    default:
      return true;
  }
}

bool PathWarpStage::Next(const PathSegmentRecord** records, int* count) {
  while (buffer_.Size() == 0) {
    if (left_ == 0 && !upstream_->Next(&group_, &left_)) return EndOfStage(records, count);
    if (left_ == 0) continue;
    --left_;
    if (!Take(*group_++)) return EndOfStage(records, count);
  }
  return buffer_.Next(records, count);
}

PathWarpStage* CreatePathWarpStage(PathStage& glyph, const PathMeasure& path, const Matrix3* matrix) {
  PathWarpStage* stage = new (std::nothrow) PathWarpStage(glyph, path, matrix);
  if (stage != nullptr && !stage->Ready()) {
    stage->Release();
    return nullptr;
  }
  return stage;
}

}  // namespace corvel
