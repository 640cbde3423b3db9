#include "core/RectHelpers.h"

#include <algorithm>
#include <cmath>

#include "core/Rounding.h"
#include "core/RowIteratorBands.h"
#include "platform/win32/Rect.h"

namespace corvel {

bool IntersectRectOpt(RECT* out, const RECT* a, const RECT* b) {
  if (!a || !b) {
    const RECT* given = a ? a : b;
    if (out && given) *out = *given;
    return true;
  }
  if (!out) return false;
  return IntersectRect(out, a, b) != FALSE;
}

bool IntersectRectDOpt(RectD* out, const RectD* a, const RectD* b) {
  if (!a || !b) {
    const RectD* given = a ? a : b;
    if (out && given) *out = *given;
    return true;
  }
  if (!out) return false;
  bool horizontal = b->left <= a->right && b->right >= a->left;
  bool vertical = b->top <= a->bottom && b->bottom >= a->top;
  if (!horizontal || !vertical) {
    *out = RectD{};
    return false;
  }
  *out = RectD{std::fmax(a->left, b->left), std::fmax(a->top, b->top), std::fmin(a->right, b->right),
               std::fmin(a->bottom, b->bottom)};
  return true;
}

bool IntersectRectDOptInt(RectD* out, const RECT* a, const RectD* b) {
  if (!a) return IntersectRectDOpt(out, nullptr, b);
  RectD converted = RectToRectD(*a);
  return IntersectRectDOpt(out, &converted, b);
}

RectD SetRectD(double left, double top, double right, double bottom) { return {left, top, right, bottom}; }

RectD RectToRectD(const RECT& rect) {
  return {static_cast<double>(rect.left), static_cast<double>(rect.top), static_cast<double>(rect.right),
          static_cast<double>(rect.bottom)};
}

RectD AddRectD(const RectD& a, const RectD& b) {
  return {a.left + b.left, a.top + b.top, a.right + b.right, a.bottom + b.bottom};
}

RectD OffsetRectD(const RectD& rect, double dx, double dy) {
  return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

RectD InflateRectD(const RectD& rect, double dx, double dy) {
  return {rect.left - dx, rect.top - dy, rect.right + dx, rect.bottom + dy};
}

namespace {

// An integral double as a 32-bit edge: beyond the range saturates, NaN gives 0.
LONG ToEdge(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<LONG>(std::clamp(value, -2147483648.0, 2147483647.0));
}

}  // namespace

RECT RectDToRect(const RectD& rect) {
  return {ToEdge(std::floor(rect.left + kRectTolerance)), ToEdge(std::floor(rect.top + kRectTolerance)),
          ToEdge(std::ceil(rect.right - kRectTolerance)), ToEdge(std::ceil(rect.bottom - kRectTolerance))};
}

RECT ScaleRectRound(const RECT& rect, double factor) {
  return {RoundToInt(rect.left * factor), RoundToInt(rect.top * factor), RoundToInt(rect.right * factor),
          RoundToInt(rect.bottom * factor)};
}

RectD ScaleRectD(const RectD& rect, double factor) { return ScaleRectDXY(rect, factor, factor); }

RectD ScaleRectDXY(const RectD& rect, double fx, double fy) {
  return {rect.left * fx, rect.top * fy, rect.right * fx, rect.bottom * fy};
}

RECT ScaleRectInt(const RECT& rect, int factor) {
  // Products beyond 32 bits wrap instead of overflowing.
  auto scale = [factor](LONG edge) { return static_cast<LONG>(std::int64_t{edge} * factor); };
  return {scale(rect.left), scale(rect.top), scale(rect.right), scale(rect.bottom)};
}

RECT MulDivRect(const RECT& rect, int numerator, int denominator) {
  return {MulDiv(rect.left, numerator, denominator), MulDiv(rect.top, numerator, denominator),
          MulDiv(rect.right, numerator, denominator), MulDiv(rect.bottom, numerator, denominator)};
}

RECT ScaleRectByFractions(const RECT& rect, const double fractions[4]) {
  double width = rect.right - rect.left;
  double height = rect.bottom - rect.top;
  return {rect.left + RoundToInt(width * fractions[0]), rect.top + RoundToInt(height * fractions[1]),
          rect.left + RoundToInt(width * fractions[2]), rect.top + RoundToInt(height * fractions[3])};
}

void RectDToCorners(double (*points)[2], int capacity, const RectD& rect) {
  if (!points || capacity < 4) return;
  const double corners[4][2] = {
      {rect.left, rect.top}, {rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left, rect.bottom}};
  for (int i = 0; i < 4; ++i) {
    points[i][0] = corners[i][0];
    points[i][1] = corners[i][1];
  }
}

int RectDDimensions(const RectD& rect) {
  int dimensions = 2;
  if (std::fabs(rect.Width()) < kRectTolerance) --dimensions;
  if (std::fabs(rect.Height()) < kRectTolerance) --dimensions;
  return dimensions;
}

bool SameRectSize(const RECT& a, const RECT& b) {
  return a.right - a.left == b.right - b.left && a.bottom - a.top == b.bottom - b.top;
}

int Log2Exact(std::uint32_t n) {
  if (n == 0 || (n & (n - 1)) != 0) return -1;
  int exponent = 0;
  while (n > 1) {
    n >>= 1;
    ++exponent;
  }
  return exponent;
}

RECT GetImageBoundsClipped(const CRowIteratorBands& image, const RECT* clip) {
  RECT bounds{0, 0, image.Width(), image.Height()};
  if (clip) IntersectRect(&bounds, &bounds, clip);
  return bounds;
}

RECT ImageBoundsOr(const CRowIteratorBands& image, const RECT* rect) {
  if (rect && !IsRectEmpty(rect)) return *rect;
  return RECT{0, 0, image.Width(), image.Height()};
}

}  // namespace corvel
