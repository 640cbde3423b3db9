// Fits a chain of cubic Bezier curves through sample points: least squares with fixed end
// tangents, Newton reparameterisation, split at the worst point while the fit stays too far off.
#pragma once
#include "vector/PathTypes.h"

namespace corvel {

class CubicReceiver {
 public:
  virtual ~CubicReceiver() = default;
  // The 4 points of each fitted cubic in order along the input; false stops the fitting.
  virtual bool AddCubic(const PathPoint* points, int count) = 0;
};

// tolerance is a squared distance. False when memory runs out, the receiver refuses a curve, or
// fewer than two distinct points (or points that are not numbers) remain.
bool FitBezierCurve(CubicReceiver& receiver, const PathPoint* points, int count, double tolerance);

}  // namespace corvel
