// A group's fold written as data for the fast render: the wrap of the cell position and up to
// eight steps, each an affine map of lattice coordinates taken on one side of a line (or inside the
// corner of two), with the bands about its seams whose pixels leave the fast road. The fold stage
// runs it (FoldRow.h), the mark stage marks its bands (BandMarks.h).
#pragma once
#include <cstdint>
#include <utility>

#include "core/CpuFeatures.h"
#include "generators/Geometry.h"
#include "generators/detail/TileGenerator.h"

namespace corvel::detail {

struct SeamBlends;
struct KeptBetweenRenders;

// (u, v) -> (uu u + uv v + u1, vu u + vv v + v1).
struct LatticeAffine {
  double uu = 1, uv = 0, u1 = 0, vu = 0, vv = 1, v1 = 0;
};

// The points where nu u + nv v + n1 < 0.
struct HalfPlane {
  double nu = 0, nv = 0, n1 = -1;  // the whole plane

  bool operator==(const HalfPlane& other) const { return nu == other.nu && nv == other.nv && n1 == other.n1; }
  HalfPlane operator-() const { return {-nu, -nv, -n1}; }
};

// A seam bent by a bump: amount times the bump's shape of t added to a side's sum, t an affine
// function of the position as the steps before the program's first bent step left it (or, where
// readHere, before this step; clamped to [0, 1] where asked), so that the seam's ends stay where the straight
// seam's lie; where twoBumps, the larger of the shapes of t and of a second such function t2 (the smaller,
// where smaller).
struct SideBend {
  // t (1 - t); or (1 - 2 t) min(t, 1 - t), up over the first half and down over the second, the
  // S-shaped seam that a half turn about its middle maps onto itself.
  enum Shape { kBump, kS };
  double amount = 0;
  double tu = 0, tv = 0, t1 = 0;
  bool clamped = false;
  Shape shape = kBump;
  bool twoBumps = false;
  double t2u = 0, t2v = 0, t21 = 0;
  bool smaller = false;
  // The bump read on the position as this step finds it, as a turn across an earlier bent seam
  // left it, rather than on the position before the first bent step.
  bool readHere = false;

  double At(double u, double v) const {
    const double first = ShapeOf(tu * u + tv * v + t1);
    if (!twoBumps) return amount * first;
    const double second = ShapeOf(t2u * u + t2v * v + t21);
    return amount * ((first > second) != smaller ? first : second);
  }
  double ShapeOf(double t) const {
    if (clamped) t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return shape == kBump ? t * (1 - t) : (1 - 2 * t) * (t < 1 - t ? t : 1 - t);
  }
};

struct FoldStep {
  // Taken where the position lies in `side` (or, when `above`, does not) and in `also`; tested on
  // the position before any step moved it where `fromStart`. The side's sum bent where given.
  HalfPlane side;
  bool above = false;
  HalfPlane also;
  bool fromStart = false;
  LatticeAffine map;
  SideBend bend;
  // Where marksNear, the pixels whose bent sum lies in [plannedFrom, plannedTo), or within
  // kBentMargin of it, are planned: the fold marks them.
  bool marksNear = false;
  double plannedFrom = 0, plannedTo = 0;
};

// Where v < line.YAt(u), or, with `above`, where v > line.YAt(u).
inline HalfPlane Beside(const Line2D& line, bool above = false) {
  const double offset = line.YAt(0), slope = line.YAt(1) - offset;
  return above ? HalfPlane{slope, -1, offset} : HalfPlane{-slope, 1, -offset};
}

struct FoldProgram {
  static constexpr int kMaxSteps = 8;
  // Cell positions run over [-wrapBias, 1 - wrapBias) each way.
  double wrapBias = 0;
  // The steps leave positions in [reachFromU, reachU] x [reachFromV, reachV], up to the bias: what
  // the render reads.
  double reachFromU = 0, reachFromV = 0, reachU = 1, reachV = 1;
  // Pixels whose lattice coordinate lies in a band about a whole number, or near, are planned in
  // doubles as the reference plans them: the feather's bands and the hard seams.
  struct Band {
    bool planned = false;
    double from = 0, to = 0;  // [k every + from, k every + to) for every whole k
    double every = 1;
    // Where not negative, how far this band's own seams reach, in place of seamReach.
    double ownReach = -1;
  } bandU, bandV, bandSum;  // about u, v and u + v
  // Bands about other sums a u + b v; where `along` is planned, only their parts where
  // alongA u + alongB v lies in one of its bands: seams that cover only parts of their lines.
  struct SkewBand {
    double a = 0, b = 0;
    Band band;
    double alongA = 0, alongB = 0;
    Band along;
  };
  static constexpr int kMaxSkewBands = 3;
  SkewBand skewBands[kMaxSkewBands];
  // Bands about bent seams: where a u + b v plus the bend lies within [k + from, k + to) for some
  // whole k, or within kBandMargin of it (and a hair more, for the floats they are marked in).
  struct BentBand {
    double a = 0, b = 0;
    SideBend bend;
    double from = 0, to = 0;
  };
  static constexpr int kMaxBentBands = 2;
  int bentBandCount = 0;
  BentBand bentBands[kMaxBentBands];
  // How far (in each band's own units) the plan in doubles takes a pixel on the far side of a
  // seam onto its near side: every band reaches that much further.
  double seamReach = 0;
  // And pixels this far along the row past a band: where the plan folds by a lattice rounded to
  // whole pixels, its seams lie up to a fraction of a pixel from the program's.
  double slackPixels = 0.5;
  // Hard seams only: a pixel right on a band's middle line takes the side the plan gives it from
  // the steps themselves (the last of them take a seam's copies onto the one the plan shows,
  // within kOnSeam of the seam), so that only pixels near a line, not on it, are planned.
  bool stepsDecideSeams = false;
  // Hard seams whose plan takes a pixel within some distance of a seam to one side by a test in
  // doubles, on a lattice that puts whole pixels right at that distance: a pixel and its copy a
  // lattice vector away may fall either side of the test, and no row is copied from another.
  bool copiesMayFallApart = false;
  // And, without blends, the pixels right on the cell's edges that the fast positions and the
  // plan's doubles wrap to different sides are planned: the wrap, not a step, takes them to one
  // side, and the copies on the two sides may differ (a mirror's or glide's, or a turn's on a
  // lattice off the hexagon).
  bool planCellEdges = false;
  // And rows copied from ones made higher plan only those the plan wraps apart from the pixel
  // copied, which shows the plan's side of the edge (planned where the fast positions wrap it to
  // the other): within a level of the plan as any made pixel, not its bytes.
  bool copiesKeepCellEdges = false;
  // A map of the lattice onto itself, (u, v) -> ((keepsU ? u : -u) + shiftU, -v), under which the
  // fold takes a cell position to the same point and its bands and blends are alike: the half turn
  // about the origin, or a glide along u. A feathered tile of one period is then its own image, and where the
  // map takes whole pixels' rows onto rows, half of them are copies of the others (RowTurn). Where the plan
  // folds the pixels right on the cell's edges and on the lines where u + v is whole apart from their images
  // (its turns are the hexagon's, the lattice a little off it), the turned ones there are planned.
  struct RowsImage {
    bool any = false;
    bool keepsU = false;
    double shiftU = 0;
    bool planEdgesTurned = false;
  } rowsImage;
  // Added to the folded position before the map to the source.
  Point2D sourceShift;
  // The map the folded position is read through before the shift: the kernels make it part of
  // their map to the source rather than a step.
  LatticeAffine readThrough;
  // Where given, the band pixels it describes blend in lanes rather than by the plan in doubles.
  const SeamBlends* blends = nullptr;
  int stepCount = 0;
  FoldStep steps[kMaxSteps];
  // Whether the program ran past the room of its steps or bent bands: nothing was written past
  // them, and it does not render (the plan in doubles does).
  bool overran = false;

  // Taken where v lies below the line (v < line.YAt(u)), or, when `above`, where not.
  void AddByLine(const Line2D& line, bool above, const LatticeAffine& map) {
    AddStep({Beside(line), above, HalfPlane{}, false, map, SideBend{}, false, 0, 0});
  }
  // Taken where u < at, or, when `above`, where not.
  void AddByU(double at, bool above, const LatticeAffine& map) {
    AddStep({HalfPlane{1, 0, -at}, above, HalfPlane{}, false, map, SideBend{}, false, 0, 0});
  }
  // For a group whose plan folds by the same lattice: the pixels right on its hard seams are left
  // to the steps, the last of which (added after the fold) take each such pixel onto the copy
  // the plan shows; no slack along the row.
  void LeaveSeamsToSteps() {
    slackPixels = 0;
    stepsDecideSeams = true;
  }
  // Taken inside the half-plane.
  void AddBySide(const HalfPlane& side, const LatticeAffine& map) {
    AddStep({side, false, HalfPlane{}, false, map, SideBend{}, false, 0, 0});
  }
  // Taken inside `also` and inside `side` (or, when `above`, outside it), as the position was
  // before any step: the regions of a fold that turns each region on its own.
  void AddInCorner(const HalfPlane& side, bool above, const HalfPlane& also, const LatticeAffine& map,
                   bool fromStart = true) {
    AddStep({side, above, also, fromStart, map, SideBend{}, false, 0, 0});
  }
  // How the bands' reach is worked out over the chains of steps before the rows (WorkOutReach),
  // where the group asks for it.
  enum class Reach { kAsSet, kTurnedSeams, kOwnSeams };
  Reach reach = Reach::kAsSet;
  double reachNear = 0;
  // Where not negative, the reach is worked out over the first this many steps alone: the later
  // ones mark the pixels near their own seams, on the position as the plan has it.
  int reachSteps = -1;
  // Bands reaching near past the seams, the plan's rule for a pixel on one, and as far again as
  // the program's turns, of a lattice a little off the hexagon, move the plan's seams from the
  // bands (where that cannot be told, a pixel along the row); each band only as far as its own
  // seams move.
  void ReachTurnedSeams(double near) {
    reach = Reach::kTurnedSeams;
    reachNear = near;
  }
  // Each band reaching only as far as the turns move its own seams, where they are told apart from
  // the hexagon's: seamReach less the whole cell's drift plus that of the band's lines, over the
  // parts of the cell within seamReach of the band and of its limits.
  void ReachOwnSeams() { reach = Reach::kOwnSeams; }
  // Taken where the bent side holds (or, when `above`, where not).
  void AddBent(const HalfPlane& side, bool above, const SideBend& bend, const LatticeAffine& map) {
    AddStep({side, above, HalfPlane{}, false, map, bend, false, 0, 0});
  }
  // The same, the pixels whose bent sum lies in [plannedFrom, plannedTo), or near it, marked.
  void AddBentMarked(const HalfPlane& side, bool above, const SideBend& bend, const LatticeAffine& map,
                     double plannedFrom, double plannedTo) {
    AddStep({side, above, HalfPlane{}, false, map, bend, true, plannedFrom, plannedTo});
  }
  void AddBentBand(const BentBand& band) {
    if (bentBandCount == kMaxBentBands)
      overran = true;
    else
      bentBands[bentBandCount++] = band;
  }
  void AddStep(const FoldStep& step) {
    if (stepCount == kMaxSteps)
      overran = true;
    else
      steps[stepCount++] = step;
  }
  bool MarksInFold() const {
    for (int i = 0; i < stepCount; ++i)
      if (steps[i].marksNear) return true;
    return false;
  }
  bool HasBands() const {
    bool any = bandU.planned || bandV.planned || bandSum.planned || bentBandCount > 0 || MarksInFold();
    for (const SkewBand& skew : skewBands) any = any || skew.band.planned;
    return any;
  }
  // Whether a step tests a corner or the unmoved position: the kernels then take the longer way.
  bool HasCorners() const {
    for (int i = 0; i < stepCount; ++i)
      if (steps[i].fromStart || steps[i].also.n1 != -1 || steps[i].also.nu != 0 || steps[i].also.nv != 0)
        return true;
    return false;
  }
};

// An affine map(u, v) of lattice coordinates as data.
template <class Map>
LatticeAffine AffineOf(Map&& map) {
  const Point2D zero = map(0.0, 0.0), alongU = map(1.0, 0.0) - zero, alongV = map(0.0, 1.0) - zero;
  return {alongU.x, alongV.x, zero.x, alongU.y, alongV.y, zero.y};
}

// A map of the plane as a map of lattice coordinates.
template <class PlaneMap>
LatticeAffine InLattice(const TileGenerator& generator, PlaneMap&& planeMap) {
  return AffineOf([&](double u, double v) {
    const Point2D q = planeMap(generator.LatticeToPlane(u, v));
    return generator.PlaneToLattice(q.x, q.y);
  });
}

// Where side(point) < 0 for an affine function of the plane, in lattice coordinates.
template <class PlaneSide>
HalfPlane InLatticeSide(const TileGenerator& generator, PlaneSide&& side) {
  auto at = [&](double u, double v) { return side(generator.LatticeToPlane(u, v)); };
  const double zero = at(0, 0);
  return {at(1, 0) - zero, at(0, 1) - zero, zero};
}

// The mirror u -> 1 - u, v -> 1 - v and the swap of u and v.
constexpr LatticeAffine kMirrorU{-1, 0, 1, 0, 1, 0};
constexpr LatticeAffine kMirrorV{1, 0, 0, 0, -1, 1};
constexpr LatticeAffine kSwap{0, 1, 0, 1, 0, 0};

// How far, along any of the lines a u + b v of a hexagonal lattice (a, b each -1 .. 2), the
// program's steps may take a cell position from where the hexagon's own steps (whole turns and
// mirrors) would: what a lattice a little off the hexagon moves its seams by. Negative where the
// steps are not near a hexagon's.
double HexagonalDrift(const FoldProgram& program);

// The reach the program asks for worked out, once its steps and bands are set; taken from kept
// where the last render worked it out from the same program, and left there.
void WorkOutReach(FoldProgram& program, KeptBetweenRenders& kept);

// The box of source pixels (right and bottom exclusive) that the program's reach maps to, with
// the bilinear footprint and a pixel more of margin.
RECT ReachedSource(const FoldProgram& program, const TileGenerator& generator);

}  // namespace corvel::detail
