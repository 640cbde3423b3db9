// The editor every group's shape derives from: the sixteen control points and their meaning,
// rotation about the centre, scaling by the right button, fitting into the image, snapshots for
// refused moves, and the write-back into the command's parameters as fractions of the image.
//
// Points 0..3 are the working corners (12..15 turned by the angle about the centre; edge A runs
// from 0 to 1, edge B from 0 to 3), 4 the centre, 5..10 the spline handles, 11 the rotation
// handle, 12..15 the unrotated lattice corners (12 the origin, 13 and 15 free, 14 derived).
#pragma once
#include <memory>

#include "shapes/ShapeHandle.h"

namespace shapes {

class TargetShape : public ShapeHandle {
 public:
  explicit TargetShape(framework::ZoomScrollView* view);

  void FitIntoImage() override;
  BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message) override;
  void Draw(CDC*) override {}
  CRect GetBounds() override;
  CRect GetInvalidRect() override;
  void SetPoints(const Point2D newPoints[kShapePointCount]) override;
  void SetSplines(const double newSplines[kSplineCount]) override;
  void SetAngle(int degrees) override;

  virtual void WriteParameters(bool clearPreset);
  virtual Point2D ComputeCentre() = 0;
  virtual bool IsUsable();
  virtual void ComputeEdgesFromPoints();
  virtual void ComputeEdgesFromCorners();
  virtual void PlaceSplineHandles() = 0;
  virtual bool CheckShape() { return true; }
  virtual void SaveState();
  virtual void RestoreState();
  virtual void PlaceRotationHandle();
  virtual void ConstrainCorners() = 0;
  virtual void ApplyRotatedFrame();
  virtual void RotateTowards(Point2D at);
  virtual void RotateTowards(CPoint at) { RotateTowards(Point2D(at)); }
  virtual void BeginScale(Point2D at);
  virtual void ScaleTowards(Point2D at);
  virtual void OnReset() {}

  // A shift-click: angle and splines 0, the group's reset, refitted. False without Shift.
  bool ResetOnShift(UINT flags);
  // A handle is held by the mouse.
  bool IsDragging() const;
  // Taken at a press, so that a drag can be called off.
  void RememberDragStart();
  // Ends the drag with the shape back where it began; the parameters are not written.
  void CancelDrag();
  void RememberCornerOffsets();
  bool AllPointsInside();
  bool FitStep();

  // c1 * u + c2 * v; p rounded when u and v are parallel.
  static Point2D LatticeToImage(Point2D u, Point2D v, Point2D p);
  // The coordinates of p in the basis u, v; p itself when they are parallel.
  static Point2D ImageToLattice(Point2D u, Point2D v, Point2D p);
  // Halves away from zero.
  static void RoundPoint(Point2D& p);
  // Where the line through `from` along `direction` meets the line through `lineFrom` and
  // `lineTo`; false when they are parallel or either is no line.
  static bool CrossLines(Point2D from, Point2D direction, Point2D lineFrom, Point2D lineTo,
                         Point2D& crossing);

  static constexpr int kMaxFitFailures = 1000;
  // How far a spline value bends its side, in lattice units; values at or past it stop on it.
  static constexpr double kSplineLimit = 0.125;
  static double HeldSpline(double value);

 protected:
  Point2D* OffendingPoint() const { return offendingPoint; }
  // Back to the parameters' default cell, angle 0 and straight edges.
  void PlaceDefault();
  void InvalidateView();
  // Keeps a step while the shape stays usable, else undoes it.
  void EndMove();
  // After the corners moved: the centre, edges, turned frame and spline handles follow them, and
  // the step ends as EndMove ends it.
  void EndCornerMove();
  Point2D MouseToImage(CPoint at) { return view->ClientToImage(Point2D(at)); }
  // The centre (point 4) at the mean of the corners: all four, or 12, 13 and 15 where corner 14
  // is not one of the outline's.
  Point2D CentreOfFourCorners();
  Point2D CentreOfThreeCorners();

  HCURSOR cornerCursor, moveCursor, controlCursor, rotateCursor;
  bool leftDown = false, rightDown = false;
  bool grabCorner = false, grabCorner2 = false, grabCentre = false;
  bool grabControl1 = false, grabControl2 = false, grabControl3 = false;
  bool grabRotation = false;
  bool overCorner = false, overCentre = false, overControl = false, overRotation = false;
  Point2D edgeA, edgeB;
  std::unique_ptr<corvel::Line2D> dragLine;
  double spare[4] = {0, 0, 0, 0};
  Point2D savedPoints[kShapePointCount];
  double savedSplines[kSplineCount] = {0, 0, 0};
  int savedAngle = 0;
  Point2D scaleOffsets[4];
  Point2D scalePivot;
  double scaleStartDistance = 0;
  // What a corner drag follows besides dragLine, recorded at the press.
  Point2D pressPoints[4];

 private:
  Point2D* offendingPoint = nullptr;
  Point2D dragStartPoints[kShapePointCount];
  double dragStartSplines[kSplineCount] = {0, 0, 0};
  int dragStartAngle = 0;
};

}  // namespace shapes
