// The receiver of path commands. Sinks that store no curves take the defaults, which flatten
// curves and arcs into LineTo commands within the flatness tolerance. Every command takes a
// matrix (null for none) that the sink applies on its own terms.
#pragma once
#include "core/Matrix3.h"
#include "vector/PathTypes.h"

namespace corvel {

class PathSink {
 public:
  PathSink() = default;
  virtual ~PathSink() = default;

  virtual bool LineTo(const PathPoint& point, const Matrix3* matrix) = 0;
  virtual bool MoveTo(const PathPoint& point, const Matrix3* matrix);
  virtual bool BeginPath() { return true; }
  virtual bool EndPath() { return true; }
  virtual bool Close(const Matrix3* matrix) { return LineTo(start_, matrix); }
  // The calling thread's tolerance (GetDefaultFlatness).
  virtual double GetFlatness() const;
  virtual bool CurveTo2(const PathPoint& control, const PathPoint& end, const Matrix3* matrix);
  virtual bool CurveTo3(const PathPoint& control1, const PathPoint& control2, const PathPoint& end,
                        const Matrix3* matrix);
  // An elliptical arc from the current point: rotation in degrees, flags as in the usual
  // end-point arc notation.
  virtual bool ArcTo(const PathPoint& radii, double rotation, int largeArc, int sweep, const PathPoint& end,
                     const Matrix3* matrix);

  const PathPoint& CurrentPoint() const { return current_; }
  const PathPoint& StartPoint() const { return start_; }

 protected:
  PathPoint start_;
  PathPoint current_;
};

}  // namespace corvel
