#include "codecs/FloatGeometry.h"

#include <algorithm>
#include <cmath>

float CFloatPoint2::Distance(float x2, float y2) const {
  const double dx = static_cast<double>(x) - x2;
  const double dy = static_cast<double>(y) - y2;
  return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

CFloatPoint2 CFloatRect2::Center() const {
  return CFloatPoint2((botLeft.x + topRight.x) * 0.5f, (botLeft.y + topRight.y) * 0.5f);
}

CFloatRect2 CFloatRect2::CrossSection(const CFloatRect2& r) const {
  CFloatRect2 common(std::max(botLeft.x, r.botLeft.x), std::max(botLeft.y, r.botLeft.y),
                     std::min(topRight.x, r.topRight.x), std::min(topRight.y, r.topRight.y));
  if (common.botLeft.x <= common.topRight.x && common.botLeft.y <= common.topRight.y) return common;
  return CFloatRect2();
}
