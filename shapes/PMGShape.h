// The shape of "PMG": a rectangle whose top side is an S-curve about its middle, bent by point 5,
// whose left and right sides bend alike by point 7, and whose bottom side stays straight. Its
// handles are pressed and dragged as those of "PG".
#pragma once
#include "shapes/PGShape.h"

namespace shapes {

class PMGShape : public PGShape {
 public:
  using PGShape::PGShape;

  void PlaceSplineHandles() override;

 protected:
  std::vector<detail::Side> Outline() const override;
};

}  // namespace shapes
