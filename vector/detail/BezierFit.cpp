#include "vector/detail/BezierFit.h"

#include <cmath>
#include <new>
#include <vector>

#include "vector/detail/CurveGeometry.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;
constexpr double kMaxControl = 30.0;

double Dot(const PathPoint& a, const PathPoint& b) { return a.x * b.x + a.y * b.y; }
double Distance(const PathPoint& a, const PathPoint& b) { return std::hypot(a.x - b.x, a.y - b.y); }

PathPoint Unit(const PathPoint& v) {
  const double length = std::hypot(v.x, v.y);
  return length < kEpsilon ? v : Mul(v, 1 / length);
}

PathPoint Scaled(const PathPoint& v, double length) {
  const double have = std::hypot(v.x, v.y);
  return have < kEpsilon ? v : Mul(v, length / have);
}

PathPoint Evaluate(int degree, const PathPoint* control, double t) {
  PathPoint p[4];
  for (int i = 0; i <= degree; ++i) p[i] = control[i];
  for (int level = 1; level <= degree; ++level) {
    for (int i = 0; i <= degree - level; ++i) p[i] = Add(Mul(p[i], 1 - t), Mul(p[i + 1], t));
  }
  return p[0];
}

class Fitter {
 public:
  Fitter(CubicReceiver& receiver, const std::vector<PathPoint>& p, double tolerance)
      : receiver_(receiver), p_(p), tolerance_(tolerance) {}

  bool Fit(int first, int last, const PathPoint& t1, const PathPoint& t2) {
    PathPoint c[4];
    if (last - first == 1) {
      const double d = Distance(p_[first], p_[last]) / 3;
      c[0] = p_[first];
      c[1] = Add(p_[first], Scaled(t1, d));
      c[2] = Add(p_[last], Scaled(t2, d));
      c[3] = p_[last];
      return receiver_.AddCubic(c, 4);
    }
    std::vector<double> u(static_cast<std::size_t>(last - first + 1));
    u[0] = 0;
    for (int i = first + 1; i <= last; ++i) u[i - first] = u[i - first - 1] + Distance(p_[i], p_[i - 1]);
    for (double& value : u) value /= u.back();
    LeastSquares(c, first, last, u, t1, t2);
    int split = 0;
    double error = MaxError(&split, first, last, c, u);
    if (error < tolerance_) return receiver_.AddCubic(c, 4);
    if (error < tolerance_ * tolerance_) {
      for (int round = 0; round < 4; ++round) {
        for (int i = first; i <= last; ++i) u[i - first] = NewtonStep(c, p_[i], u[i - first]);
        LeastSquares(c, first, last, u, t1, t2);
        error = MaxError(&split, first, last, c, u);
        if (error < tolerance_) return receiver_.AddCubic(c, 4);
      }
    }
    const PathPoint centre = Unit(
        Mul(Add(Sub(p_[split - 1], p_[split]), Sub(p_[split], p_[split + 1])), 0.5));
    return Fit(first, split, t1, centre) && Fit(split, last, Mul(centre, -1), t2);
  }

 private:
  void LeastSquares(PathPoint c[4], int first, int last, const std::vector<double>& u, const PathPoint& t1,
                    const PathPoint& t2) const {
    double c00 = 0, c01 = 0, c11 = 0, x0 = 0, x1 = 0;
    const PathPoint& a = p_[first];
    const PathPoint& b = p_[last];
    for (int i = first; i <= last; ++i) {
      const double t = u[i - first], s = 1 - t;
      const double b0 = s * s * s, b1 = 3 * t * s * s, b2 = 3 * t * t * s, b3 = t * t * t;
      const PathPoint a1 = Mul(t1, b1), a2 = Mul(t2, b2);
      c00 += Dot(a1, a1);
      c01 += Dot(a1, a2);
      c11 += Dot(a2, a2);
      const PathPoint r = Sub(p_[i], Add(Mul(a, b0 + b1), Mul(b, b2 + b3)));
      x0 += Dot(a1, r);
      x1 += Dot(a2, r);
    }
    double det = c00 * c11 - c01 * c01;
    if (det == 0) det = c00 * c11 * 1e-11;
    double a1 = (x0 * c11 - x1 * c01) / det, a2 = (c00 * x1 - c01 * x0) / det;
    // Also taken when the system has no answer (a determinant of 0 stays 0).
    if (!(a1 >= 1e-6) || !(a2 >= 1e-6)) {
      a1 = a2 = Distance(a, b) / 3;
    } else {
      a1 = std::fmin(a1, kMaxControl);
      a2 = std::fmin(a2, kMaxControl);
    }
    c[0] = a;
    c[1] = Add(a, Scaled(t1, a1));
    c[2] = Add(b, Scaled(t2, a2));
    c[3] = b;
  }

  double MaxError(int* split, int first, int last, const PathPoint c[4], const std::vector<double>& u) const {
    double worst = 0;
    *split = (first + last) / 2;
    for (int i = first + 1; i < last; ++i) {
      const PathPoint q = Evaluate(3, c, u[i - first]);
      const double error = Dot(Sub(q, p_[i]), Sub(q, p_[i]));
      if (error >= worst) {
        worst = error;
        *split = i;
      }
    }
    return worst;
  }

  static double NewtonStep(const PathPoint c[4], const PathPoint& p, double u) {
    const PathPoint d1[3] = {Mul(Sub(c[1], c[0]), 3), Mul(Sub(c[2], c[1]), 3), Mul(Sub(c[3], c[2]), 3)};
    const PathPoint d2[2] = {Mul(Sub(d1[1], d1[0]), 2), Mul(Sub(d1[2], d1[1]), 2)};
    const PathPoint q = Sub(Evaluate(3, c, u), p), q1 = Evaluate(2, d1, u), q2 = Evaluate(1, d2, u);
    const double denominator = Dot(q1, q1) + Dot(q, q2);
    return denominator == 0 || !std::isfinite(denominator) ? u : u - Dot(q, q1) / denominator;
  }

  CubicReceiver& receiver_;
  const std::vector<PathPoint>& p_;
  double tolerance_;
};

}  // namespace

bool FitBezierCurve(CubicReceiver& receiver, const PathPoint* points, int count, double tolerance) {
  std::vector<PathPoint> kept;
  try {
    kept.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
    for (int i = 0; i < count; ++i) {
      if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y)) return false;
      if (!kept.empty() && std::fabs(points[i].x - kept.back().x) < kEpsilon &&
          std::fabs(points[i].y - kept.back().y) < kEpsilon)
        continue;
      kept.push_back(points[i]);
    }
    const int n = static_cast<int>(kept.size());
    if (n < 2) return false;
    Fitter fitter(receiver, kept, tolerance);
    return fitter.Fit(0, n - 1, Unit(Sub(kept[1], kept[0])), Unit(Sub(kept[n - 2], kept[n - 1])));
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace corvel
