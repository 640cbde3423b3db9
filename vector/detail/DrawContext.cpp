#include "vector/detail/DrawContext.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "core/RectHelpers.h"
#include "vector/detail/Coverage.h"
#include "vector/detail/StrokeStage.h"
#include "vector/detail/TextDrawer.h"
#include "vector/detail/TransformStage.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;

struct StageRelease {
  void operator()(PathStage* stage) const { PathStage::Release(stage); }
};
using StageHolder = std::unique_ptr<PathStage, StageRelease>;

RECT Intersection(const RECT& a, const RECT& b) {
  RECT out{0, 0, 0, 0};
  IntersectRectOpt(&out, &a, &b);
  return out;
}

}  // namespace

DrawContext::State::State(const State& other)
    : fillOpacity(other.fillOpacity),
      strokeOpacity(other.strokeOpacity),
      fillBlend(other.fillBlend ? other.fillBlend->Clone() : nullptr),
      strokeBlend(other.strokeBlend ? other.strokeBlend->Clone() : nullptr),
      clip(other.clip),
      visible(other.visible),
      zoom(other.zoom),
      maskOptions(other.maskOptions),
      user(other.user),
      current(other.current),
      inverseView(other.inverseView),
      deviceMatrix(other.deviceMatrix),
      useDeviceMatrix(other.useDeviceMatrix),
      fillPaint(other.fillPaint),
      strokePaint(other.strokePaint),
      pen(other.pen),
      settings(other.settings),
      font(other.font),
      textOrigin(other.textOrigin),
      textScale(other.textScale) {
  std::copy(other.maskPlacement, other.maskPlacement + 4, maskPlacement);
}

DrawContext::DrawContext(keFormat format) : format_(format) {
  state_.settings = GetDefaultRenderSettings();
  state_.fillPaint = RefPtr<Paint>::Adopt(CreateSolidPaint(0xFFFFFFFFu));
  state_.strokePaint = RefPtr<Paint>::Adopt(CreateSolidPaint(0xFFFFFFFFu));
}

DrawContext::~DrawContext() = default;

keFormat DrawContext::SetFormat(keFormat format) { return std::exchange(format_, format); }

RECT DrawContext::OffsetScaleRect(const RECT& rect) const {
  RECT out{rect.left - view_.left, rect.top - view_.top, rect.right - view_.left, rect.bottom - view_.top};
  if (std::fabs(state_.zoom - 1.0) >= kEpsilon) out = ScaleRectRound(out, state_.zoom);
  return out;
}

int DrawContext::SetView(int left, int top, int right, int bottom, double zoom) {
  state_.zoom = zoom;
  view_ = RECT{left, top, right, bottom};
  state_.visible = view_;
  device_ = OffsetScaleRect(view_);
  state_.clip = device_;
  return 0;
}

void DrawContext::SetClipRect(const RECT* rect) {
  state_.visible = rect != nullptr ? Intersection(view_, *rect) : view_;
  state_.clip = OffsetScaleRect(state_.visible);
}

void DrawContext::SetMatrix(const Matrix3& matrix) {
  state_.user = matrix;
  Matrix3 view = kIdentityMatrix3;
  Matrix3Translate(&view, -view_.left, -view_.top);
  Matrix3Scale(&view, state_.zoom, state_.zoom);
  Matrix3Multiply(&state_.current, &view, &matrix);
  state_.inverseView = kIdentityMatrix3;
  Matrix3Scale(&state_.inverseView, 1.0 / state_.zoom, 1.0 / state_.zoom);
  Matrix3Translate(&state_.inverseView, view_.left, view_.top);
}

void DrawContext::SetDeviceMatrix(const Matrix3& matrix) {
  Matrix3 view = kIdentityMatrix3;
  Matrix3Translate(&view, -view_.left, -view_.top);
  Matrix3Scale(&view, state_.zoom, state_.zoom);
  Matrix3Multiply(&state_.deviceMatrix, &view, &matrix);
  state_.useDeviceMatrix = true;
}

bool DrawContext::SetUseDeviceMatrix(bool use) { return std::exchange(state_.useDeviceMatrix, use); }

bool DrawContext::SaveState() {
  std::unique_ptr<State> copy(new (std::nothrow) State(state_));
  if (!copy) return false;
  try {
    saved_.push_back(std::move(copy));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool DrawContext::RestoreState() {
  if (saved_.empty()) return false;
  std::unique_ptr<State> top = std::move(saved_.back());
  saved_.pop_back();
  state_ = std::move(*top);
  return true;
}

bool DrawContext::RestoreAllStates() {
  if (!RestoreState()) return false;
  while (RestoreState()) {
  }
  return true;
}

bool DrawContext::SetFillOpacity(std::uint8_t opacity) {
  state_.fillOpacity = opacity;
  if (state_.fillPaint) state_.fillPaint->SetOpacity(opacity);
  return true;
}

bool DrawContext::SetStrokeOpacity(std::uint8_t opacity) {
  state_.strokeOpacity = opacity;
  if (state_.strokePaint) state_.strokePaint->SetOpacity(opacity);
  return true;
}

bool DrawContext::SetBlend(std::unique_ptr<RowOperation>& slot, const RowOperation* blend) {
  slot.reset();
  if (blend == nullptr) return true;
  slot = blend->Clone();
  return slot != nullptr;
}

bool DrawContext::SetFillBlend(const RowOperation* blend) { return SetBlend(state_.fillBlend, blend); }
bool DrawContext::SetStrokeBlend(const RowOperation* blend) { return SetBlend(state_.strokeBlend, blend); }

bool DrawContext::SetFillPaint(Paint* paint) {
  state_.fillPaint = RefPtr<Paint>(paint);
  if (paint != nullptr) paint->SetOpacity(state_.fillOpacity);
  return true;
}

bool DrawContext::SetStrokePaint(Paint* paint) {
  state_.strokePaint = RefPtr<Paint>(paint);
  if (paint != nullptr) paint->SetOpacity(state_.strokeOpacity);
  return true;
}

double DrawContext::SetLineWidth(double width, bool deviceWidth) {
  state_.pen.thinInAnyMatrix = deviceWidth;
  return std::exchange(state_.pen.width, width);
}

double DrawContext::SetMiterLimit(double limit) { return std::exchange(state_.pen.miterLimit, limit); }

std::int32_t DrawContext::SetLineJoin(std::int32_t join) { return std::exchange(state_.pen.join, join); }

std::int32_t DrawContext::SetCapKind(std::int32_t kind, int which) {
  if (which == -2) {
    for (PenCap& cap : state_.pen.caps) cap.kind = kind;
    return -1;
  }
  if (which < 0 || which > 3) return -1;
  return std::exchange(state_.pen.caps[which].kind, kind);
}

void DrawContext::SetCapFactors(double old[2], double length, double width, int which) {
  old[0] = old[1] = 0;
  if (which == -2) {
    for (PenCap& cap : state_.pen.caps) cap.length = length, cap.width = width;
    return;
  }
  if (which < 0 || which > 3) return;
  PenCap& cap = state_.pen.caps[which];
  old[0] = cap.length;
  old[1] = cap.width;
  cap.length = length;
  cap.width = width;
}

int DrawContext::SetMask(CRowIteratorBands* image, const double placement[4], const SamplerOptions* options) {
  mask_.Destroy();
  if (image == nullptr) return 0;
  if (!mask_.ShareFrom(*image).Ok()) return keErrorBadArgument;
  const double whole[4] = {0, 0, double(image->Width()), double(image->Height())};
  std::copy(placement != nullptr ? placement : whole, (placement != nullptr ? placement : whole) + 4,
            state_.maskPlacement);
  state_.maskOptions = options != nullptr ? *options : SamplerOptions{keInterpolationBilinear, 2, 0, false};
  return 0;
}

GlyphFont* DrawContext::SetFont(GlyphFont* font) {
  state_.font = RefPtr<GlyphFont>(font);
  return font;
}

void DrawContext::SetTextOrigin(double x, double y) { state_.textOrigin = PathPoint{x, y}; }

bool DrawContext::DrawText(TextIterator& text, const PathMeasure* path, bool bent) {
  TextRun run;
  run.font = state_.font.Get();
  run.start = state_.textOrigin;
  run.path = path;
  run.bent = bent;
  run.advanceScale = state_.textScale;
  TextDrawer drawer(this, run);
  const bool drawn = drawer.DrawText(text);
  state_.textOrigin = drawer.Position();
  return drawn;
}

std::int32_t DrawContext::SetAntialiasLevel(std::int32_t level) {
  return std::exchange(state_.settings.antiAliasLevel,
                       state_.settings.renderMode == 1 ? 4 : std::clamp(level, 1, 8));
}

std::int32_t DrawContext::SetRenderMode(std::int32_t mode) {
  const std::int32_t old = std::exchange(state_.settings.renderMode, mode);
  if (mode == 1) SetAntialiasLevel(state_.settings.antiAliasLevel);
  return old;
}

double DrawContext::SetFlatness(double flatness) { return std::exchange(state_.settings.flatness, flatness); }

std::int32_t DrawContext::SetFillRule(std::int32_t rule) {
  return std::exchange(state_.settings.fillRule, rule);
}

std::int32_t DrawContext::GetSettingsPair(bool* flag) const {
  if (flag != nullptr) *flag = state_.settings.limitFlag;
  return state_.settings.limit;
}

void DrawContext::SetSettingsPair(bool flag, std::int32_t value) {
  state_.settings.limitFlag = flag;
  state_.settings.limit = value;
}

bool DrawContext::DrawCallWindow(DrawCallWindowRecord& record) {
  if (record.flags & keWindowSetEnabled) window_.enabled = record.enabled;
  if (record.flags & keWindowSetCounter) window_.counter = record.counter - 1;
  if (record.flags & keWindowSetRange) {
    window_.first = record.first;
    window_.last = record.last;
  }
  if (record.flags & keWindowGetEnabled) record.enabled = window_.enabled;
  if (record.flags & keWindowGetCounter) record.counter = window_.counter + 1;
  if (record.flags & keWindowGetRange) {
    record.first = window_.first;
    record.last = window_.last;
  }
  return true;
}

bool DrawContext::CountDrawCall() {
  // Wraps instead of overflowing on a context that draws for ever.
  window_.counter = static_cast<std::int32_t>(static_cast<std::uint32_t>(window_.counter) + 1u);
  return !window_.enabled || (window_.counter >= window_.first && window_.counter <= window_.last);
}

PaintAttachRecord DrawContext::AttachRecord(bool stroke) {
  PaintAttachRecord record(GetTargetImage());
  record.matrix = state_.useDeviceMatrix ? state_.deviceMatrix : state_.current;
  record.bounds = device_;
  record.clip = state_.clip;
  record.view = view_;
  std::copy(state_.maskPlacement, state_.maskPlacement + 4, record.maskPlacement);
  record.maskOptions = state_.maskOptions;
  record.mask = CRowIteratorBands::IsValid(&mask_) ? &mask_ : nullptr;
  record.blend = stroke ? state_.strokeBlend.get() : state_.fillBlend.get();
  return record;
}

bool DrawContext::FillPath(PathStage* stage, const Matrix3* matrix) {
  if (!state_.fillPaint || stage == nullptr) return true;
  // The canvas never answers 1 to the surface query, so hidden figures are always left out.
  StageHolder fill(CreateFigureFilterShared(*stage, true));
  Matrix3 full = state_.current;
  if (matrix != nullptr) Matrix3Multiply(&full, &state_.current, matrix);
  const int mode = IsThinStroke(state_.pen, state_.settings, &full) ? 2 : 0;
  return Render(*fill, mode, state_.fillPaint.Get(), state_.settings.fillRule, matrix);
}

bool DrawContext::StrokePath(PathStage* stage, const Matrix3* matrix) {
  if (!state_.strokePaint || !(std::fabs(state_.pen.width) >= kEpsilon) || stage == nullptr) return true;
  if (state_.pen.thinInAnyMatrix) return StrokeInDevicePixels(*stage, matrix);
  const int kind = IsThinStroke(state_.pen, state_.settings, &state_.current) ? keStrokeThin
                                                                              : keStrokeOutline;
  StageHolder stroke(CreateStrokeOrFill(*stage, kind, state_.pen, Matrix3UnlessIdentity(&state_.current),
                                        state_.settings.flatness, state_.settings.antiAliasLevel, false));
  if (!stroke) return false;
  return Render(*stroke, kind, state_.strokePaint.Get(), keFillNonZero, matrix);
}

bool DrawContext::StrokeInDevicePixels(PathStage& stage, const Matrix3* matrix) {
  Matrix3 full = state_.current;
  if (matrix != nullptr) Matrix3Multiply(&full, &state_.current, matrix);
  StageHolder mapped(CreateTransformStage(stage, &full, false));
  if (!mapped) return false;
  const RECT view = view_, visible = state_.visible;
  const double zoom = state_.zoom;
  const Matrix3 user = state_.user;
  // The device as the view for the call: the pen's width is then in device pixels.
  const RECT clip = state_.clip;
  DrawContext::SetView(0, 0, device_.right - device_.left, device_.bottom - device_.top, 1.0);
  SetClipRect(&clip);
  SetMatrix(kIdentityMatrix3);
  const int kind = IsThinStroke(state_.pen, state_.settings, nullptr) ? keStrokeThin : keStrokeOutline;
  StageHolder stroke(CreateStrokeOrFill(*mapped, kind, state_.pen, nullptr, state_.settings.flatness,
                                        state_.settings.antiAliasLevel, false));
  const bool drawn = stroke && Render(*stroke, kind, state_.strokePaint.Get(), keFillNonZero, nullptr);
  DrawContext::SetView(view.left, view.top, view.right, view.bottom, zoom);
  SetClipRect(&visible);
  SetMatrix(user);
  return drawn;
}

RegionBase* DrawContext::PathToRegion(PathStage& stage, bool antiAlias, const Matrix3* matrix, bool clip) {
  Matrix3 full = state_.current;
  if (matrix != nullptr) Matrix3Multiply(&full, &state_.current, matrix);
  RegionBase* region = CreatePathCoverage(stage, 0, &state_.settings, clip ? &state_.clip : nullptr,
                                          Matrix3UnlessIdentity(&full), nullptr, false);
  if (region == nullptr) return nullptr;
  region->Offset(view_.left, view_.top);
  if (antiAlias) {
    if (RegionBase* spans = region->ToSpanRegion(state_.settings.renderMode)) {
      region->Release();
      region = spans;
    }
  }
  return region;
}

RegionBase* DrawContext::StrokeToRegion(PathStage& stage, bool antiAlias, const Matrix3* matrix, bool clip) {
  if (!(std::fabs(state_.pen.width) >= kEpsilon)) return nullptr;
  StageHolder stroke(CreateStrokeOrFill(stage, keStrokeOutline, state_.pen,
                                        Matrix3UnlessIdentity(&state_.current), state_.settings.flatness,
                                        state_.settings.antiAliasLevel, false));
  if (!stroke) return nullptr;
  return PathToRegion(*stroke, antiAlias, matrix, clip);
}

bool DrawContext::DrawGlyphOutline(PathStage* stage, const Matrix3* matrix, double flatness) {
  if (stage == nullptr) return true;
  const std::int32_t rule = SetFillRule(keFillNonZero);
  const bool deviceWidth = state_.pen.thinInAnyMatrix;
  state_.pen.thinInAnyMatrix = true;
  const double oldFlatness = SetFlatness(flatness);
  const bool drawn = FillPath(stage, matrix) && StrokePath(stage, matrix);
  SetFlatness(oldFlatness);
  state_.pen.thinInAnyMatrix = deviceWidth;
  SetFillRule(rule);
  return drawn;
}

}  // namespace corvel
