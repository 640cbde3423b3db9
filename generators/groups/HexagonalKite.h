// The kite (0, 0), (0.5, 0), G = (1/3, 1/3), (0, 0.5) of a nearly hexagonal cell, whose two edges
// from G are seams glued by the three-fold turns about G: what "P3LM"'s and "P6"'s kites share
// once each has folded a position onto it (the plan's clamps onto its edges, its carry across the
// second one, the maps between the cell and the source, and the lanes' record of these), and what
// their generators share.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/HexagonalPlans.h"

namespace corvel {

class HexagonalKite {
 public:
  // On the generator's prepared lattice, which must outlive it, the source read su and sv into
  // its cell; toK and toM, the edges from G to (0.5, 0) and to (0, 0.5) as the group writes them,
  // must outlive it too.
  HexagonalKite(const TileGenerator& generator, double su, double sv, const Line2D& toK, const Line2D& toM)
      : generator_(generator),
        anchor_(generator.LatticeToPlane(1.0 / 3, 1.0 / 3)),
        su_(su),
        sv_(sv),
        source_(generator, su, sv),
        threeFold_(source_(1.0 / 3, 1.0 / 3)),
        toK_(toK),
        toM_(toM) {}

  // A folded position clamped onto the kite's edges, as the plan takes it.
  Point2D Clamped(const Point2D& folded) const;
  // A position on or past the edge to (0, 0.5), within the tolerance, carried across it: turned by
  // -120 degrees about G on the source.
  Point2D Carried(const Point2D& uv) const;
  // The cell position read at a point of the source.
  Point2D ToCell(const Point2D& sourcePoint) const;
  // The source point a carried position uv shows, own being its own: a pixel right on the hard
  // seam to (0, 0.5), within near, shows the side every copy of it shows, that seam turned about
  // G onto the one to (0.5, 0).
  Point2D HardSeamSide(const Point2D& uv, const Point2D& own, double near) const {
    return OnSecondMedian(uv, near) ? own.RotateMinus120(threeFold_) : own;
  }
  // What the lanes' clamps and carry read; the hard seams' sides are taken within near.
  detail::KiteLanes Lanes(double near) const;

  const FeatherSource& Source() const { return source_; }
  // G on the source.
  const Point2D& ThreeFold() const { return threeFold_; }

 protected:
  // A cell position turned about G by 120 degrees, plus or minus, in doubles and as a program's
  // map.
  Point2D TurnedAboutG(const Point2D& uv, bool plus) const;
  detail::LatticeAffine TurnAboutG(bool plus) const;

  const TileGenerator& generator_;
  Point2D anchor_;  // G on the plane

 private:
  double su_, sv_;
  FeatherSource source_;
  Point2D threeFold_;
  const Line2D &toK_, &toM_;
};

// The generators whose cell folds onto the kite, on a lattice whose A and B lie 60 degrees apart.
class KiteGenerator : public TileGenerator {
 public:
  // Past -(A + B) when A points left; else the box of the cell starts at the lattice origin.
  void ComputeOrigin() override;
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }
};

}  // namespace corvel
