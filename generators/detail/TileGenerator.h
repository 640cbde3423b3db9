// The base of the seventeen tile generators. A generator holds the picked source area, one
// lattice twice (A, B on the output, C, D on the source), three seam amplitudes and three
// feather fractions. Lattice coordinates: the plane point u A + v B; the cell is 0 <= u, v < 1,
// and the same (u, v) on the source is u C + v D.
#pragma once
#include <cmath>
#include <cstdint>

#include "core/CoreResult.h"
#include "core/RowIteratorBands.h"
#include "generators/GenerateTile.h"
#include "generators/Geometry.h"
#include "generators/detail/DoublesRule.h"
#include "generators/detail/RenderRecord.h"
#include "platform/win32/Types.h"

namespace corvel {

class CProgressMeter;
namespace detail {
struct FoldProgram;
}  // namespace detail

// floor without a library call on processors without a rounding instruction.
inline double FloorOf(double t) {
  if (!(t > -1e15 && t < 1e15)) return std::floor(t);
  const double truncated = static_cast<double>(static_cast<long long>(t));
  return truncated > t ? truncated - 1 : truncated;
}

// A 2 x 2 matrix of doubles, row by row; columns are the two lattice vectors.
struct LatticeMatrix {
  double m00 = 0, m01 = 0, m10 = 0, m11 = 0;

  Point2D Apply(double a, double b) const { return {a * m00 + b * m01, a * m10 + b * m11}; }
};

// A side of a lattice's period as the tile has it: past 32000 pixels, a safeguard against absurd
// tiles cuts it to limit.
inline int CutTileSide(int period, int limit) {
  return period > 32000 ? (period < limit ? period : limit) : period;
}

// Whether images of these many BGRA pixels together stay within the budget.
inline bool WithinTileBudget(long long pixels) { return pixels >= 0 && pixels <= kTileMemoryBudget / 4; }

class TileGenerator {
 public:
  TileGenerator() = default;
  virtual ~TileGenerator();
  TileGenerator(const TileGenerator&) = delete;
  TileGenerator& operator=(const TileGenerator&) = delete;

  // Called at the end of PrepareLattice; generators with anchor points place them here.
  virtual void SetAnchor() {}
  // Copies the picked area (right and bottom inclusive) into workImage as BGRA, in row bands
  // across the threads, and puts origin at the anchor. Parts of the area outside the source
  // repeat the nearest edge pixel. An area wholly inside a BGRA source is shared, not copied: the
  // source must stay as it is until the generator has generated.
  virtual CoreResult TakeSourceArea(CRowIteratorBands& source, int anchorX, int anchorY,
                                    double featherPercent, const RECT& area);
  // Drops workImage, and with it a copied area's pixels.
  void ReleaseWorkImage();
  // The group's fold of a point of the cell; the base's folds nothing and adds origin.
  virtual Point2D MapPoint(const Point2D& p) const;
  // Renders the tile into workImage: 0, 100 when the meter asked to stop, or the core code of
  // a failed set-up. The base's worker samples each pixel once at its fold (MapPoint).
  virtual int Generate(CProgressMeter* meter);
  // The fold as a program for the fast render, where the group's plain worker has one; called
  // once the lattice is prepared.
  virtual bool DescribeFold(detail::FoldProgram& /*program*/) const { return false; }
  // Sets origin to where the tile starts in workImage once Generate is done.
  virtual void ComputeOrigin() {}
  // All three fractions from a percentage.
  virtual void SetFeather(double percentage);

  void SetSeamCurves(double k0, double k1, double k2);
  // Matrices, determinants and inverses from the four basis vectors, then SetAnchor.
  void PrepareLattice();

  // With a determinant of exactly 0 each returns its input unchanged.
  Point2D LatticeToPlane(double u, double v) const { return detM == 0 ? Point2D(u, v) : matM.Apply(u, v); }
  Point2D PlaneToLattice(double x, double y) const { return detM == 0 ? Point2D(x, y) : invM.Apply(x, y); }
  // The matrix PlaneToLattice applies: the identity, whose sums give the point's own bits, where it
  // takes points unchanged.
  LatticeMatrix PlaneToLatticeMatrix() const { return detM == 0 ? LatticeMatrix{1, 0, 0, 1} : invM; }
  Point2D LatticeToSource(double u, double v) const { return detN == 0 ? Point2D(u, v) : matN.Apply(u, v); }
  // The point of the base cell equivalent to pixel (x, y).
  Point2D WrapToCell(int x, int y) const {
    const Point2D uv = PlaneToLattice(x, y);
    return LatticeToPlane(uv.x - FloorOf(uv.x), uv.y - FloorOf(uv.y));
  }
  // The bounding box of the cell A, B.
  RECT CellBounds() const;

  CRowIteratorBands workImage;
  Point2D origin;
  double seamK0 = 0, seamK1 = 0, seamK2 = 0;
  double feather0 = 0, feather1 = 0, feather2 = 0;
  POINT basisA{0, 0}, basisB{0, 0};
  POINT basisC{0, 0}, basisD{0, 0};
  LatticeMatrix matM, matN, invM, invN;
  double detM = 0, detN = 0;
  // What the driver asked of the render, and what the render made.
  detail::RenderRecord render;
  detail::RenderedTile rendered;

 protected:
  // The origin of the groups whose tile starts where the cell's box does: past a negative A.x
  // and a negative B.y.
  void ComputeOriginFromLattice();
  // Both directional fractions from the percentage; feather0 keeps its value.
  void SetFeatherUV(double percentage);
  // All three fractions equal.
  void SetFeatherUniform(double percentage);
  // A point of the cell folded in lattice coordinates and taken back to the plane, without
  // origin: the MapPoint of a group that folds by `fold`.
  template <typename Fold>
  Point2D FoldInPlane(const Point2D& p, Fold fold) const {
    const Point2D uv = fold(PlaneToLattice(p.x, p.y));
    return LatticeToPlane(uv.x, uv.y);
  }
};

}  // namespace corvel
