// Points and axis-aligned rectangles in single precision. The y axis grows upwards, as the
// image rows do; a rectangle is valid when left <= right and bottom <= top.
#pragma once

class CFloatPoint2 {
 public:
  CFloatPoint2() = default;
  CFloatPoint2(float x, float y) : x(x), y(y) {}

  float Distance(float x, float y) const;
  float Distance(CFloatPoint2 p) const { return Distance(p.x, p.y); }

  float x = 0;
  float y = 0;
};

class CFloatRect2 {
 public:
  CFloatRect2() = default;
  CFloatRect2(float left, float bottom, float right, float top)
      : botLeft(left, bottom), topRight(right, top) {}

  float Width() const { return topRight.x - botLeft.x; }
  float Height() const { return topRight.y - botLeft.y; }
  // Signed: negative for a rectangle with right < left.
  float Surface() const { return Height() * Width(); }
  CFloatPoint2 Center() const;
  // The common part, or the zero rectangle when there is none.
  CFloatRect2 CrossSection(const CFloatRect2& r) const;

  CFloatPoint2 botLeft;
  CFloatPoint2 topRight;
};
