// Tile generators: plane geometry, the generator base and lattices, the
// driver GenerateTile, and one generator per symmetry group. Uses the row operations and the
// image core; the shape editor and the filter use the geometry and the driver.
//
// Plane geometry in doubles, shared with the shape editor. Fuzzy tests use the absolute
// tolerance 1e-8. Rotations by a positive angle turn (1, 0) towards (0, -1).
#pragma once
#include <cstdint>

#include "core/Rounding.h"
#include "platform/win32/Types.h"

namespace corvel {

constexpr double kGeometryTolerance = 1e-8;
constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kSqrt3 = 1.7320508075688772;

// Inline: the folds ask per pixel.
inline bool IsZero(double x) { return x < kGeometryTolerance && x > -kGeometryTolerance; }
inline bool IsEqual(double a, double b) { return IsZero(a - b); }
// 0 when a and b differ by less than the tolerance, else -1 when a < b and 1 otherwise (also
// when either is NaN).
inline int CompareWithTolerance(double a, double b) {
  const double d = a - b;
  if (d < kGeometryTolerance && d > -kGeometryTolerance) return 0;
  return a < b ? -1 : 1;
}

// cos and sin of a turn, for the folds of the three-, four- and six-fold groups.
struct TurnConstants {
  double cosine, sine;
};
extern const TurnConstants kTurnPlus60, kTurnMinus60, kTurnPlus120, kTurnMinus120;

struct Point2D {
  double x = 0;
  double y = 0;

  Point2D() = default;
  Point2D(double px, double py) : x(px), y(py) {}
  explicit Point2D(const POINT& p) : x(p.x), y(p.y) {}

  Point2D& Set(double px, double py) {
    x = px;
    y = py;
    return *this;
  }
  Point2D& operator+=(const Point2D& p) {
    x += p.x;
    y += p.y;
    return *this;
  }
  void Offset(const Point2D& p) { *this += p; }
  Point2D operator+(const Point2D& p) const { return {x + p.x, y + p.y}; }
  Point2D Add(const Point2D& p) const { return *this + p; }
  Point2D operator-(const Point2D& p) const { return {x - p.x, y - p.y}; }
  Point2D operator*(double s) const { return {x * s, y * s}; }
  Point2D operator/(double s) const {
    double r = 1.0 / s;
    return {x * r, y * r};
  }
  // Different when either coordinate differs by the tolerance or more (or is NaN).
  bool operator!=(const Point2D& p) const;

  Point2D Rotated(double radians, double cx, double cy) const;
  Point2D Reflect(const class Line2D& line) const;
  // 2c - p, the half turn about c.
  Point2D HalfTurn(Point2D c) const { return (*this - c) * -1.0 + c; }
  // The quarter turns about c; B undoes A. About (0.5, 0.5), A takes (u, v) to (v, 1 - u).
  Point2D QuarterTurnA(Point2D c) const { return {(y - c.y) + c.x, -(x - c.x) + c.y}; }
  Point2D QuarterTurnB(Point2D c) const { return {-(y - c.y) + c.x, (x - c.x) + c.y}; }
  // Turns by +-60 and +-120 degrees about c, as Rotated turns: +120 takes (1, 0) about the
  // origin to about (-0.5, -0.866).
  Point2D RotatePlus60(Point2D c) const { return Turned(kTurnPlus60, c); }
  Point2D RotateMinus60(Point2D c) const { return Turned(kTurnMinus60, c); }
  Point2D RotatePlus120(Point2D c) const { return Turned(kTurnPlus120, c); }
  Point2D RotateMinus120(Point2D c) const { return Turned(kTurnMinus120, c); }

 private:
  Point2D Turned(const TurnConstants& t, Point2D c) const {
    const double dx = x - c.x, dy = y - c.y;
    return {(dx * t.cosine + dy * t.sine) + c.x, (-dx * t.sine + dy * t.cosine) + c.y};
  }
};

// Turns p in place about (cx, cy); the degree is pi rounded to single precision over 180.
Point2D& RotatePointDegrees(int degrees, double cx, double cy, Point2D& p);
// Turns an integer point in place about (cx, cy), rounding each coordinate half to even.
void RotateIntPointDegrees(int degrees, int cx, int cy, POINT& p);

// The line n.x x + n.y y = c with a unit normal and c >= 0, or the default line y = 0.
class Line2D {
 public:
  Line2D() = default;
  Line2D(const Line2D&) = default;
  Line2D& operator=(const Line2D&) = default;
  Line2D(const Point2D& p1, const Point2D& p2);
  virtual ~Line2D() = default;

  bool IsParallel(const Line2D& other) const;
  // The common point; false (q at the largest double) for parallel lines.
  bool Intersect(const Line2D& other, Point2D& q) const;
  // The foot of the perpendicular from p.
  Point2D Project(const Point2D& p) const;
  // The line's y at x; a vertical line has none and answers x itself.
  double YAt(double x) const { return IsZero(n.y) ? x : (c - x * n.x) / n.y; }
  // The line's x at y; a horizontal line answers y itself.
  double XAt(double y) const { return IsZero(n.x) ? y : (c - y * n.y) / n.x; }

  Point2D n{0, 1};
  double c = 0;
};

// Unsigned area of the triangle p0 p1 p2.
double TriangleArea(double x0, double y0, double x1, double y1, double x2, double y2);
// Weights of q against p0, p1, p2 from unsigned areas; 0.33, 0.33, 0.34 for a flat triangle.
bool BarycentricCoords(const Point2D& p0, const Point2D& p1, const Point2D& p2, const Point2D& q, double& s,
                       double& t, double& w);

}  // namespace corvel
