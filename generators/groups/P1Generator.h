// The tile generator of the group "P1", translations alone. Two seam curves cross the cell,
// one along each lattice direction; past the two cell edges at the lattice origin a feather
// band blends each pixel with its copy one cell on.
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

namespace detail {
struct SeamBlends;
}

class P1Generator : public TileGenerator {
 public:
  // No fold: a point maps to itself, up to rounding.
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  // Past a negative B.x, so that the tile starts where the cell does.
  void ComputeOrigin() override;
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }

 private:
  void ShrinkLattice();
  // The feather's bands and where they cross, for the unbent wrap.
  void DescribeBlends(detail::SeamBlends& blends) const;
  // The same for the wrap bent by bendU and bendV, on the positions its program gives, a cell on
  // by `shift` from the own sample.
  void DescribeBentBlends(double bendU, double bendV, Point2D shift, detail::SeamBlends& blends) const;
};

}  // namespace corvel
