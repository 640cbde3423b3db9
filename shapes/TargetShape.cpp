#include "shapes/TargetShape.h"

#include <algorithm>
#include <cmath>

#include "core/Rounding.h"
#include "resources/ParameterTable.h"
#include "resources/ResourceIds.h"
#include "shapes/UiContext.h"

namespace shapes {

namespace {

constexpr double kPi = 3.1415927410125732;  // pi in single precision, as the turns use it
constexpr double kShortestEdge = 4.5;

HCURSOR ModuleCursor(int id) {
  return ::LoadCursor(AfxGetResourceHandle(), MAKEINTRESOURCE(static_cast<WORD>(id)));
}

double Length(Point2D v) { return std::hypot(v.x, v.y); }

bool IsFinite(Point2D p) { return std::isfinite(p.x) && std::isfinite(p.y); }

void SetFloat(framework::ParameterSet& parameters, int id, double value) {
  if (framework::Parameter* parameter = parameters.GetParameter(id))
    parameter->SetFloat(static_cast<float>(value));
}

}  // namespace

TargetShape::TargetShape(framework::ZoomScrollView* view)
    : ShapeHandle(view),
      cornerCursor(ModuleCursor(resources::kCornerCursor)),
      moveCursor(ModuleCursor(resources::kMoveCursor)),
      controlCursor(ModuleCursor(resources::kControlPointCursor)),
      rotateCursor(ModuleCursor(resources::kRotateCursor)) {}

BOOL TargetShape::OnSetCursor(CWnd*, UINT, UINT) {
  const std::pair<bool, HCURSOR> choices[] = {{overCorner, cornerCursor},
                                              {overCentre, moveCursor},
                                              {overControl, controlCursor},
                                              {overRotation, rotateCursor}};
  for (const auto& [over, cursor] : choices) {
    if (over) {
      ::SetCursor(cursor);
      return TRUE;
    }
  }
  return FALSE;
}

CRect TargetShape::GetBounds() {
  const int x0 = corvel::RoundToInt(points[0].x), y0 = corvel::RoundToInt(points[0].y);
  CRect box(x0, y0, x0, y0);
  for (int i = 1; i <= 11; ++i) {
    const Point2D& p = points[i];
    if (box.left > p.x) box.left = static_cast<int>(p.x);
    if (box.right < p.x) box.right = static_cast<int>(p.x);
    if (box.top > p.y) box.top = static_cast<int>(p.y);
    if (box.bottom < p.y) box.bottom = static_cast<int>(p.y);
  }
  return box;
}

CRect TargetShape::GetInvalidRect() {
  bounds = GetBounds();
  CRect both;
  both.UnionRect(&bounds, &lastBounds);
  lastBounds = bounds;
  CRect client = view->ImageToClientRect(both);
  client.InflateRect(handleSize + 8, handleSize + 8);
  return client;
}

void TargetShape::InvalidateView() {
  const CRect rect = GetInvalidRect();
  if (view->GetSafeHwnd()) view->InvalidateRect(&rect, TRUE);
}

void TargetShape::EndMove() {
  if (IsUsable())
    InvalidateView();
  else
    RestoreState();
}

void TargetShape::EndCornerMove() {
  ComputeCentre();
  ComputeEdgesFromPoints();
  ApplyRotatedFrame();
  PlaceSplineHandles();
  EndMove();
}

Point2D TargetShape::CentreOfFourCorners() {
  points[4] = Point2D((points[12].x + points[13].x + points[14].x + points[15].x) / 4.0,
                      (points[12].y + points[13].y + points[14].y + points[15].y) / 4.0);
  return points[4];
}

Point2D TargetShape::CentreOfThreeCorners() {
  points[4] = Point2D((points[12].x + points[13].x + points[15].x) / 3.0,
                      (points[12].y + points[13].y + points[15].y) / 3.0);
  return points[4];
}

double TargetShape::HeldSpline(double value) {
  if (value >= kSplineLimit) return kSplineLimit;
  if (value <= -kSplineLimit) return -kSplineLimit;
  return value;
}

void TargetShape::SetPoints(const Point2D newPoints[kShapePointCount]) {
  std::copy(newPoints, newPoints + kShapePointCount, points);
  ConstrainCorners();
  ComputeCentre();
  lastBounds = GetBounds();
}

void TargetShape::SetSplines(const double newSplines[kSplineCount]) {
  std::copy(newSplines, newSplines + kSplineCount, splines);
}

void TargetShape::SetAngle(int degrees) {
  angle = degrees;
  const Point2D c = ComputeCentre();
  for (int i = 0; i < 4; ++i) {
    points[i] = points[12 + i];
    if (angle != 0) corvel::RotatePointDegrees(angle, c.x, c.y, points[i]);
  }
  ComputeEdgesFromPoints();
  PlaceSplineHandles();
  PlaceRotationHandle();
}

void TargetShape::ApplyRotatedFrame() {
  ComputeEdgesFromPoints();
  for (int i = 0; i < 4; ++i) points[12 + i] = points[i];
  const Point2D c = ComputeCentre();
  if (angle != 0)
    for (int i = 12; i < 16; ++i) corvel::RotatePointDegrees(-angle, c.x, c.y, points[i]);
  ConstrainCorners();
  // From the turned-back corners: from the turned ones a quarter turn put it on the centre.
  PlaceRotationHandle();
}

bool TargetShape::IsUsable() {
  CRect box = GetBounds();
  box.InflateRect(handleSize, handleSize);
  const CRect image = view->GetImageRect();
  return box.left >= image.left && box.top >= image.top && box.right <= image.right &&
         box.bottom <= image.bottom && Length(edgeA) > kShortestEdge && Length(edgeB) > kShortestEdge;
}

void TargetShape::ComputeEdgesFromPoints() {
  edgeA = points[1] - points[0];
  edgeB = points[3] - points[0];
}

void TargetShape::ComputeEdgesFromCorners() {
  edgeA = points[13] - points[12];
  edgeB = points[15] - points[12];
}

void TargetShape::SaveState() {
  std::copy(points, points + kShapePointCount, savedPoints);
  std::copy(splines, splines + kSplineCount, savedSplines);
  savedAngle = angle;
}

void TargetShape::RestoreState() {
  std::copy(savedPoints, savedPoints + kShapePointCount, points);
  std::copy(savedSplines, savedSplines + kSplineCount, splines);
  angle = savedAngle;
  ComputeEdgesFromPoints();
}

bool TargetShape::IsDragging() const {
  return grabCorner || grabCorner2 || grabCentre || grabControl1 || grabControl2 || grabControl3 ||
         grabRotation;
}

void TargetShape::RememberDragStart() {
  std::copy(points, points + kShapePointCount, dragStartPoints);
  std::copy(splines, splines + kSplineCount, dragStartSplines);
  dragStartAngle = angle;
}

void TargetShape::CancelDrag() {
  leftDown = rightDown = false;
  grabCorner = grabCorner2 = grabCentre = grabControl1 = grabControl2 = grabControl3 = grabRotation = false;
  std::copy(dragStartPoints, dragStartPoints + kShapePointCount, points);
  std::copy(dragStartSplines, dragStartSplines + kSplineCount, splines);
  angle = dragStartAngle;
  ComputeEdgesFromPoints();
  // Wherever the drag took it.
  if (view->GetSafeHwnd()) view->Invalidate(TRUE);
}

void TargetShape::PlaceRotationHandle() {
  ComputeEdgesFromCorners();
  points[11] = points[4] + Point2D(std::trunc(edgeA.x / 3), 0);
  ComputeEdgesFromPoints();
  corvel::RotatePointDegrees(angle, points[4].x, points[4].y, points[11]);
}

void TargetShape::RotateTowards(Point2D at) {
  const Point2D d = at - points[4];
  const int degrees = static_cast<int>(std::lround(std::atan2(d.y, d.x) * 180 / kPi));
  angle = -degrees;
  if (angle < 0) angle += 360;
  PlaceRotationHandle();
  ComputeEdgesFromCorners();
  // A cell whose edge A runs leftwards is turned the other half way; the angle stays in 0..359.
  if (edgeA.x < 0) {
    angle -= 180;
    if (angle < 0) angle += 360;
  }
  ComputeEdgesFromPoints();
  SetAngle(angle);
}

void TargetShape::RememberCornerOffsets() {
  scalePivot = points[4];
  scaleOffsets[0] = points[0] - scalePivot;
  scaleOffsets[1] = points[3] - scalePivot;
  scaleOffsets[2] = points[1] - scalePivot;
  scaleOffsets[3] = points[2] - scalePivot;
}

void TargetShape::BeginScale(Point2D at) {
  dragLine = std::make_unique<corvel::Line2D>(at, points[4]);
  scaleStartDistance = Length(at - points[4]);
}

void TargetShape::ScaleTowards(Point2D at) {
  if (!dragLine || scaleStartDistance <= 0) return;
  const double s = Length(dragLine->Project(at) - scalePivot) / scaleStartDistance;
  points[0] = scalePivot + scaleOffsets[0] * s;
  points[1] = scalePivot + scaleOffsets[2] * s;
  points[3] = scalePivot + scaleOffsets[1] * s;
  points[2] = scalePivot + scaleOffsets[3] * s;
}

bool TargetShape::ResetOnShift(UINT flags) {
  if (!(flags & MK_SHIFT)) return false;
  angle = 0;
  std::fill(splines, splines + kSplineCount, 0.0);
  OnReset();
  SetAngle(0);
  FitIntoImage();
  PlaceSplineHandles();
  return true;
}

bool TargetShape::AllPointsInside() {
  CRect safe = view->GetImageRect();
  safe.DeflateRect(2 * handleSize + 1, 2 * handleSize + 1);
  offendingPoint = nullptr;
  for (int i = 0; i <= 10; ++i) {
    const Point2D& p = points[i];
    // Written so that a coordinate that is not a number offends too.
    if (!(p.x >= safe.left && p.x <= safe.right && p.y <= safe.bottom && p.y >= safe.top)) {
      offendingPoint = &points[i];
      return false;
    }
  }
  return true;
}

bool TargetShape::FitStep() {
  ComputeEdgesFromPoints();
  PlaceSplineHandles();
  ComputeCentre();
  AllPointsInside();
  const CRect box = GetBounds();
  Point2D c = points[4];
  double factor = 1;
  if (!offendingPoint) {
    if (box.Width() >= 4 && box.Height() >= 4) return AllPointsInside();
    factor = 5.0 / (std::min(box.Width(), box.Height()) + 1);
    const double lengthA = Length(edgeA);
    if (lengthA < 5) factor = std::max(factor, 6 / (lengthA + 1));
  } else {
    CRect safe = view->GetImageRect();
    safe.DeflateRect(2 * handleSize + 1, 2 * handleSize + 1);
    const POINT whole{static_cast<LONG>(c.x), static_cast<LONG>(c.y)};
    if (!(whole.x >= safe.left && whole.x <= safe.right && whole.y >= safe.top && whole.y <= safe.bottom)) {
      const Point2D middle((safe.left + safe.right) / 2.0, (safe.top + safe.bottom) / 2.0);
      const Point2D d = middle - c;
      for (int i = 0; i < 4; ++i) points[i] += d;
      ComputeEdgesFromPoints();
      ComputeCentre();
      PlaceSplineHandles();
      ApplyRotatedFrame();
      c = middle;
    }
    const double dx = std::fabs(offendingPoint->x - c.x), dy = std::fabs(offendingPoint->y - c.y);
    const double ox = box.left < safe.left     ? safe.left - box.left
                      : box.right > safe.right ? box.right - safe.right
                                               : 0;
    const double oy = box.top < safe.top         ? safe.top - box.top
                      : box.bottom > safe.bottom ? box.bottom - safe.bottom
                                                 : 0;
    // An offending point level with the centre on the overhang's axis gives no factor; halve.
    if (ox != 0)
      factor = dx > 0 ? (dx - ox - 1) / dx : 0.5;
    else if (oy != 0)
      factor = dy > 0 ? (dy - oy - 1) / dy : 0.5;
    if (factor < 0) factor = 0.5;
  }
  for (int i = 0; i < 4; ++i) points[i] = c + (points[i] - c) * factor;
  ComputeEdgesFromPoints();
  ComputeCentre();
  PlaceSplineHandles();
  ApplyRotatedFrame();
  return AllPointsInside();
}

void TargetShape::PlaceDefault() {
  const double width = view->GetImageRect().Width(), height = view->GetImageRect().Height();
  points[13] = Point2D(0.6 * width, 0.4 * height);
  points[15] = Point2D(0.4 * width, 0.6 * height);
  points[12] = Point2D(0.4 * width, 0.4 * height);
  std::fill(splines, splines + kSplineCount, 0.0);
  // The derived corner first, so that the centre is not taken from a stale one.
  ConstrainCorners();
  SetAngle(0);
  ComputeEdgesFromPoints();
  ComputeCentre();
  PlaceSplineHandles();
  ApplyRotatedFrame();
}

void TargetShape::FitIntoImage() {
  int failures = 0;
  while (!FitStep() && failures < kMaxFitFailures) ++failures;
  // A flat cell or one not a number fits nowhere: the default placement replaces it.
  ComputeEdgesFromCorners();
  const bool flat = std::fabs(edgeA.x * edgeB.y - edgeA.y * edgeB.x) < corvel::kGeometryTolerance;
  bool finite = std::isfinite(splines[0]) && std::isfinite(splines[1]) && std::isfinite(splines[2]);
  for (const Point2D& p : points) finite = finite && IsFinite(p);
  if (failures >= kMaxFitFailures || flat || !finite) PlaceDefault();
  ApplyRotatedFrame();
  WriteParameters(false);
}

void TargetShape::WriteParameters(bool clearPreset) {
  UiContext* context = GetUiContext();
  if (clearPreset && context->panel && context->panel->HasWindow()) context->panel->ClearPresetSelection();
  const CRect image = view->GetImageRect();
  imageWidth = image.Width();
  imageHeight = image.Height();
  if (!context->command || imageWidth <= 0 || imageHeight <= 0) return;
  framework::ParameterSet& parameters = context->command->GetParameters();
  const double w = imageWidth, h = imageHeight;
  SetFloat(parameters, resources::kPoint2X, points[13].x / w);
  SetFloat(parameters, resources::kPoint2Y, points[13].y / h);
  SetFloat(parameters, resources::kPoint1X, points[15].x / w);
  SetFloat(parameters, resources::kPoint1Y, points[15].y / h);
  SetFloat(parameters, resources::kPoint3X, points[12].x / w);
  SetFloat(parameters, resources::kPoint3Y, points[12].y / h);
  SetFloat(parameters, resources::kPointCenterX, points[4].x / w);
  SetFloat(parameters, resources::kPointCenterY, points[4].y / h);
  CRect box = GetBounds();
  box.right += 1;
  box.bottom += 1;
  SetFloat(parameters, resources::kBoundBoxLeft, box.left / w);
  SetFloat(parameters, resources::kBoundBoxTop, box.top / h);
  SetFloat(parameters, resources::kBoundBoxBottom, box.bottom / h);
  SetFloat(parameters, resources::kBoundBoxRight, box.right / w);
  if (framework::Parameter* parameter = parameters.GetParameter(resources::kAngle)) parameter->SetInt(angle);
  SetFloat(parameters, resources::kSpline1, splines[0]);
  SetFloat(parameters, resources::kSpline2, splines[1]);
  SetFloat(parameters, resources::kSpline3, splines[2]);
}

Point2D TargetShape::LatticeToImage(Point2D u, Point2D v, Point2D p) {
  if (u.x * v.y - v.x * u.y == 0) {
    RoundPoint(p);
    return p;
  }
  return u * p.x + v * p.y;
}

Point2D TargetShape::ImageToLattice(Point2D u, Point2D v, Point2D p) {
  const double det = u.x * v.y - v.x * u.y;
  if (det == 0) return p;
  return {(p.x * v.y - p.y * v.x) / det, (p.y * u.x - p.x * u.y) / det};
}

bool TargetShape::CrossLines(Point2D from, Point2D direction, Point2D lineFrom, Point2D lineTo,
                             Point2D& crossing) {
  // Parametric, so that an upright line is as good as any; a slope would be infinite there.
  const Point2D along = lineTo - lineFrom;
  const double cross = direction.x * along.y - direction.y * along.x;
  if (std::fabs(cross) <= 1e-12 * std::hypot(direction.x, direction.y) * std::hypot(along.x, along.y))
    return false;
  const Point2D gap = lineFrom - from;
  crossing = from + direction * ((gap.x * along.y - gap.y * along.x) / cross);
  return true;
}

void TargetShape::RoundPoint(Point2D& p) {
  auto round = [](double x) { return x > 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5); };
  p.x = round(p.x);
  p.y = round(p.y);
}

}  // namespace shapes
