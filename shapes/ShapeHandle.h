// The overlay the views know: mouse handlers, cursor, drawing and bounds of an interactive shape,
// and its sixteen points, three splines and angle. Geometry is in image pixels (doubles); mouse
// points come in client coordinates and are converted through the owner view.
#pragma once
#include "framework/ZoomScrollView.h"
#include "generators/Geometry.h"
#include "platform/classlib/ClassLib.h"

namespace shapes {

using corvel::Point2D;

constexpr int kShapePointCount = 16;
constexpr int kSplineCount = 3;

class ShapeHandle {
 public:
  explicit ShapeHandle(framework::ZoomScrollView* view) : view(view) {}
  virtual ~ShapeHandle() = default;
  ShapeHandle(const ShapeHandle&) = delete;
  ShapeHandle& operator=(const ShapeHandle&) = delete;

  // Within twice the hit tolerance on both axes, inclusive.
  virtual bool HitTest(Point2D handle, Point2D at) const;
  // Within the handle size on both axes, inclusive.
  virtual bool HitTestInt(POINT handle, POINT at) const;
  virtual int SetHandleSize(int size);
  virtual void FitIntoImage() {}
  virtual void OnLButtonDown(UINT, CPoint) {}
  virtual void OnLButtonUp(UINT, CPoint) {}
  virtual void OnRButtonDown(UINT, CPoint) {}
  virtual void OnRButtonUp(UINT, CPoint) {}
  virtual BOOL OnSetCursor(CWnd*, UINT, UINT) { return FALSE; }
  virtual void OnMouseMove(UINT, CPoint) {}
  virtual void Draw(CDC* dc) = 0;
  // Draws into the view's picture and keeps where, so that the next change repaints what the
  // picture holds, however the points got there.
  void Show(CDC* dc);
  virtual CRect GetBounds() = 0;
  virtual CRect GetInvalidRect() = 0;
  virtual void SetPoints(const Point2D newPoints[kShapePointCount]) = 0;
  Point2D* GetPoints() { return points; }
  virtual void SetSplines(const double newSplines[kSplineCount]) = 0;
  double* GetSplines() { return splines; }
  virtual void SetAngle(int degrees) { angle = degrees; }
  int GetAngle() const { return angle; }

  // Window pixels at every zoom; the tool view keeps the hit tolerance in step with its zoom.
  int GetHandleSize() const { return handleSize; }
  int GetBaseHandleSize() const { return baseHandleSize; }
  int GetHitTolerance() const { return hitTolerance; }
  void SetHitTolerance(int tolerance) { hitTolerance = tolerance; }
  framework::ZoomScrollView* GetView() const { return view; }

 protected:
  int handleSize = 4;
  int hitTolerance = 4;
  int baseHandleSize = 4;
  CRect bounds;
  CRect lastBounds;
  Point2D points[kShapePointCount];
  double splines[kSplineCount] = {0, 0, 0};
  int angle = 0;
  int imageWidth = 0;
  int imageHeight = 0;
  framework::ZoomScrollView* view;
};

}  // namespace shapes
