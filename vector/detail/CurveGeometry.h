// Curve geometry under the path code: Bezier splitting and elevation, end-point arcs as cubic
// pieces, flattening within a tolerance, flatness tests and small helpers on points.
#pragma once
#include <cstdint>

#include "core/Matrix3.h"
#include "vector/PathTypes.h"

namespace corvel {

class PathSink;

// The flatness tolerance is a squared distance in target units, 0.05 unless set. Each thread
// has its own, so that a thread changing it cannot bend another thread's curves mid-drawing.
double GetDefaultFlatness();
// Answers the previous value.
double SetDefaultFlatness(double value);

// Control points within the squared distance t of the chord (of the start point when the curve
// ends where it starts). The mapped forms map the points first (null: as given).
bool QuadIsFlat(const PathPoint p[3], double t);
bool CubicIsFlat(const PathPoint p[4], double t);
bool QuadIsFlatMapped(const PathPoint p[3], const Matrix3* matrix, double t);
bool CubicIsFlatMapped(const PathPoint p[4], const Matrix3* matrix, double t);

// De Casteljau halves sharing the middle point.
void SplitQuadratic(PathPoint out[5], const PathPoint in[3]);
void SplitCubic(PathPoint out[7], const PathPoint in[4]);
void LineToCubic(PathPoint out[4], const PathPoint& start, const PathPoint& end);
void QuadraticToCubic(PathPoint out[4], const PathPoint in[3]);
// count points of the cubic at t = 0, step, 2 step, ...; a step near 0 means 1 / (count - 1).
void SampleCubic(PathPoint* out, int count, const PathPoint cubic[4], double step);

// LineTo commands to the sink (the matrix only decides where to stop, and travels with each
// LineTo); false at the first failing LineTo. At most 10 halvings.
bool FlattenQuadratic(PathSink& sink, const PathPoint& start, const PathPoint& control, const PathPoint& end,
                      const Matrix3* matrix, double tolerance, int depth);
bool FlattenCubic(PathSink& sink, const PathPoint& start, const PathPoint& control1,
                  const PathPoint& control2, const PathPoint& end, const Matrix3* matrix, double tolerance,
                  int depth);
bool FlattenArc(PathSink& sink, double startAngle, double sweep, const Matrix3& unitToPath,
                const Matrix3* matrix, double tolerance, int depth);

// Cubic pieces of the unit-circle arc, 4 points each (at most 4 pieces for a sweep up to a
// full turn), mapped through the matrix when given; answers the piece count.
int ArcToBeziers(PathPoint* out, double startAngle, double sweep, const Matrix3* matrix);
// The unit-circle form of an end-point arc; false when there is none (coincident end points)
// or the mapping cannot be inverted.
bool EndpointArcToCentre(double* startAngle, double* sweep, Matrix3* unitToPath, const PathPoint& start,
                         const PathPoint& end, const PathPoint& radii, double rotationDegrees, int largeArc,
                         int sweepFlag);
bool UnitCircleCentre(PathPoint* centre, const PathPoint& p1, const PathPoint& p2, int largeArc, int sweep);

inline PathPoint Add(const PathPoint& a, const PathPoint& b) { return {a.x + b.x, a.y + b.y}; }
inline PathPoint Sub(const PathPoint& a, const PathPoint& b) { return {a.x - b.x, a.y - b.y}; }
inline PathPoint Mul(const PathPoint& a, double f) { return {a.x * f, a.y * f}; }
bool ScaleToLength(PathPoint* out, double length, const PathPoint& vector);
bool SegmentDirection(PathPoint* out, double length, const PathPoint& p0, const PathPoint& p1);
bool SegmentNormal(PathPoint* out, double length, const PathPoint& p0, const PathPoint& p1);
bool PointsEqual(const PathPoint& a, const PathPoint& b);
bool VectorAngle(double* angle, const PathPoint& vector);
// b lies on the straight line between a and c (or coincides with one of them).
bool IsStraightThrough(const PathPoint& a, const PathPoint& b, const PathPoint& c);
void ScalePoints(PathPoint* points, int count, double factor);
bool PointsBounds(double out[4], const PathPoint* points, int count);
// Drops repeated closing points and points in the middle of the closing edge; answers the new
// count.
int TrimClosedPolygon(PathPoint* points, int count);

}  // namespace corvel
