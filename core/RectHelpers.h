// Helpers on integer rectangles (RECT) and double rectangles (RectD), shared by the image
// operations, the transform, the canvas and the generators. Rectangles are left, top, right,
// bottom; fuzzy edges use the tolerance 1e-8.
#pragma once
#include <cstdint>

#include "platform/win32/Types.h"

namespace corvel {

class CRowIteratorBands;

constexpr double kRectTolerance = 1e-8;

struct RectD {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;

  double Width() const { return right - left; }
  double Height() const { return bottom - top; }
};

// A missing rectangle is unbounded: the other one is the answer (true; nothing is written when
// out or the other one is missing). Two rectangles that are disjoint or only touch give zeros
// and false.
bool IntersectRectOpt(RECT* out, const RECT* a, const RECT* b);
// Touching intervals do meet here: (0,0,10,10) and (10,0,20,10) give (10,0,10,10).
bool IntersectRectDOpt(RectD* out, const RectD* a, const RectD* b);
bool IntersectRectDOptInt(RectD* out, const RECT* a, const RectD* b);

RectD SetRectD(double left, double top, double right, double bottom);
RectD RectToRectD(const RECT& rect);
RectD AddRectD(const RectD& a, const RectD& b);
RectD OffsetRectD(const RectD& rect, double dx, double dy);
RectD InflateRectD(const RectD& rect, double dx, double dy);
// The smallest integer rectangle that holds the rectangle, edges within 1e-8 of an integer
// counting as on it. Edges beyond the 32-bit range saturate; NaN edges give 0.
RECT RectDToRect(const RectD& rect);

RECT ScaleRectRound(const RECT& rect, double factor);
RectD ScaleRectD(const RectD& rect, double factor);
RectD ScaleRectDXY(const RectD& rect, double fx, double fy);
RECT ScaleRectInt(const RECT& rect, int factor);
RECT MulDivRect(const RECT& rect, int numerator, int denominator);
// Edges at fractions f[0]..f[3] of the rectangle's width and height from its left and top.
RECT ScaleRectByFractions(const RECT& rect, const double fractions[4]);

// (left, top), (right, top), (right, bottom), (left, bottom) as x, y pairs; nothing when
// capacity (in points) is below 4.
void RectDToCorners(double (*points)[2], int capacity, const RectD& rect);
// 2 minus one for each axis whose extent is below 1e-8.
int RectDDimensions(const RectD& rect);
bool SameRectSize(const RECT& a, const RECT& b);
// The exponent of a power of two, else -1.
int Log2Exact(std::uint32_t n);

// (0, 0, width, height) of the image, cut by clip when one is given.
RECT GetImageBoundsClipped(const CRowIteratorBands& image, const RECT* clip);
// rect when it is given and not empty, else the image's bounds.
RECT ImageBoundsOr(const CRowIteratorBands& image, const RECT* rect);

}  // namespace corvel
