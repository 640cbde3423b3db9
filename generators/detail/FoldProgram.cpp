#include "generators/detail/FoldProgram.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

#include "generators/detail/KeptBetweenRenders.h"
#include "generators/detail/TileGenerator.h"

namespace corvel::detail {

namespace {

// Beyond any image; keeps the conversion of a far box defined.
constexpr double kFar = 1 << 30;

}  // namespace

RECT ReachedSource(const FoldProgram& program, const TileGenerator& generator) {
  double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
  const double fromU = program.reachFromU, fromV = program.reachFromV;
  for (const Point2D& corner : {Point2D(fromU, fromV), Point2D(program.reachU, fromV),
                                Point2D(fromU, program.reachV), Point2D(program.reachU, program.reachV)}) {
    const Point2D shifted = corner + program.sourceShift;
    const Point2D p = generator.LatticeToSource(shifted.x, shifted.y) + generator.origin;
    left = std::min(left, p.x);
    top = std::min(top, p.y);
    right = std::max(right, p.x);
    bottom = std::max(bottom, p.y);
  }
  auto clamp = [](double t) { return LONG(std::clamp(t, -kFar, kFar)); };
  return {clamp(std::floor(left) - 2), clamp(std::floor(top) - 2), clamp(std::ceil(right) + 3),
          clamp(std::ceil(bottom) + 3)};
}

namespace {

LatticeAffine Then(const LatticeAffine& first, const LatticeAffine& second) {
  const LatticeAffine& m = second;
  return {m.uu * first.uu + m.uv * first.vu,        m.uu * first.uv + m.uv * first.vv,
          m.uu * first.u1 + m.uv * first.v1 + m.u1, m.vu * first.uu + m.vv * first.vu,
          m.vu * first.uv + m.vv * first.vv,        m.vu * first.u1 + m.vv * first.v1 + m.v1};
}

// The hexagon's step nearest to map: whole coefficients, offsets in sixths (the turn centres lie
// on thirds, the half turns' on halves); false when map lies too far from one to tell. The offsets
// are those that agree with map at the cell's middle: at its corner (0, 0), where they are read,
// a lattice off the hexagon moves them by as much as its coefficients err, and a mirror across
// A B on one some 4 % off lay further from a sixth than can be told.
bool NearestHexagonal(const LatticeAffine& map, LatticeAffine& whole) {
  auto round = [](double t, double unit, double& to) {
    to = std::round(t / unit) * unit;
    return std::abs(t - to) < unit / 4;
  };
  if (!(round(map.uu, 1, whole.uu) && round(map.uv, 1, whole.uv) && round(map.vu, 1, whole.vu) &&
        round(map.vv, 1, whole.vv)))
    return false;
  const double u1 = map.u1 + (map.uu - whole.uu + map.uv - whole.uv) / 2,
               v1 = map.v1 + (map.vu - whole.vu + map.vv - whole.vv) / 2;
  return round(u1, 1.0 / 6, whole.u1) && round(v1, 1.0 / 6, whole.v1);
}

// Where side(map(p)) < 0.
HalfPlane Through(const HalfPlane& side, const LatticeAffine& map) {
  return {side.nu * map.uu + side.nv * map.vu, side.nu * map.uv + side.nv * map.vv,
          side.nu * map.u1 + side.nv * map.v1 + side.n1};
}

// A convex polygon: each clip adds at most a corner, so the cell clipped by every step's two
// sides and by two bands' two has room.
struct Polygon {
  static constexpr int kRoom = 4 + 2 * FoldProgram::kMaxSteps + 4;
  // Corners past count are left unset and not copied: a render makes polygons by the hundred.
  Polygon() {}
  Polygon(const Polygon& other) : count(other.count) { std::copy_n(other.corners, count, corners); }
  Polygon& operator=(const Polygon& other) {
    count = other.count;
    std::copy_n(other.corners, count, corners);
    return *this;
  }
  union {
    Point2D corners[kRoom];
  };
  int count = 0;
};

// The part of a convex polygon where side(p) <= 0, its edge kept.
Polygon Clip(const Polygon& polygon, const HalfPlane& side) {
  const int n = polygon.count;
  double f[Polygon::kRoom];
  bool inside = true, outside = true;
  for (int i = 0; i < n; ++i) {
    const Point2D& a = polygon.corners[i];
    f[i] = side.nu * a.x + side.nv * a.y + side.n1;
    inside = inside && f[i] <= 0;
    outside = outside && f[i] > 0;
  }
  if (inside) return polygon;
  Polygon kept;
  if (outside) return kept;
  for (int i = 0; i < n; ++i) {
    const int j = i + 1 < n ? i + 1 : 0;
    const Point2D &a = polygon.corners[i], &b = polygon.corners[j];
    const double fa = f[i], fb = f[j];
    if (fa <= 0) kept.corners[kept.count++] = a;
    if ((fa < 0 && fb > 0) || (fa > 0 && fb < 0)) kept.corners[kept.count++] = a + (b - a) * (fa / (fa - fb));
  }
  return kept;
}

HalfPlane Opposite(const HalfPlane& side) { return {-side.nu, -side.nv, -side.n1}; }

bool IsWholePlane(const HalfPlane& side) { return side.nu == 0 && side.nv == 0 && side.n1 < 0; }

// A chain of steps a position may take: the convex part of the cell that takes it, the map the
// program's steps make of it and the one the hexagon's would.
struct Chain {
  // The maps are left unset until a chain is found, as a polygon's corners are: a render makes
  // room for the chains of the most steps a program may have, and finds a few.
  Chain() {}
  Chain(const Polygon& part, const LatticeAffine& actual, const LatticeAffine& hexagonal)
      : part(part), actual(actual), hexagonal(hexagonal) {}
  Polygon part;
  union {
    LatticeAffine actual;
  };
  union {
    LatticeAffine hexagonal;
  };

  // How far the program's steps take p from where the hexagon's would.
  Point2D DriftAt(const Point2D& p) const {
    return {(actual.uu - hexagonal.uu) * p.x + (actual.uv - hexagonal.uv) * p.y + actual.u1 - hexagonal.u1,
            (actual.vu - hexagonal.vu) * p.x + (actual.vv - hexagonal.vv) * p.y + actual.v1 - hexagonal.v1};
  }
};

// Across any of the lines a u + b v of a hexagonal lattice, a, b each -1 .. 2.
double AcrossAnyLine(const Point2D& drift) {
  return std::max(std::abs(2 * drift.x) + std::abs(drift.y), std::abs(drift.x) + std::abs(2 * drift.y));
}

// Every chain of steps with a part of the cell, into chains (room for one a step taken or not
// each); false where the steps are not near a hexagon's.
bool HexagonalChains(const FoldProgram& program, Chain* chains, int& count) {
  count = 0;
  const int steps = program.reachSteps < 0 ? program.stepCount : program.reachSteps;
  LatticeAffine ideal[FoldProgram::kMaxSteps];
  for (int i = 0; i < steps; ++i)
    if (!NearestHexagonal(program.steps[i].map, ideal[i])) return false;
  // Every chain is affine on its convex part of the cell, so its drift is largest at a corner of
  // that part. A step not taken bounds the part only where its region is a half-plane. Depth
  // first, each chain's part made from its prefix's, so that a part found empty ends every chain
  // through it.
  const double low = -program.wrapBias, high = 1 - program.wrapBias;
  Polygon cell;
  cell.count = 4;
  cell.corners[0] = {low, low};
  cell.corners[1] = {high, low};
  cell.corners[2] = {high, high};
  cell.corners[3] = {low, high};
  auto explore = [&](auto& self, int i, const Polygon& part, const LatticeAffine& actual,
                     const LatticeAffine& hexagonal) -> void {
    if (part.count == 0) return;
    if (i == steps) {
      chains[count++] = Chain(part, actual, hexagonal);
      return;
    }
    const FoldStep& step = program.steps[i];
    const LatticeAffine tested = step.fromStart ? LatticeAffine{} : actual;
    const HalfPlane side = Through(step.above ? Opposite(step.side) : step.side, tested);
    const Polygon beside = Clip(part, side);
    self(self, i + 1, IsWholePlane(step.also) ? beside : Clip(beside, Through(step.also, tested)),
         Then(actual, step.map), Then(hexagonal, ideal[i]));
    self(self, i + 1, IsWholePlane(step.also) ? Clip(part, Opposite(side)) : part, actual, hexagonal);
  };
  explore(explore, 0, cell, LatticeAffine{}, LatticeAffine{});
  return true;
}

constexpr int kMostChains = 1 << FoldProgram::kMaxSteps;

// Calls take(piece) for each piece of the polygon within [k every + from, k every + to] in
// t = a u + b v, k whole.
template <class Take>
void ForEachBandPiece(const Polygon& polygon, double a, double b, double from, double to, double every,
                      Take&& take) {
  double lowest = 1e300, highest = -1e300;
  for (int i = 0; i < polygon.count; ++i) {
    const double t = a * polygon.corners[i].x + b * polygon.corners[i].y;
    lowest = std::min(lowest, t);
    highest = std::max(highest, t);
  }
  for (double k = std::ceil((lowest - to) / every); k * every + from <= highest; ++k) {
    if (lowest >= k * every + from && highest <= k * every + to) {
      take(polygon);
      continue;
    }
    const Polygon piece = Clip(Clip(polygon, {a, b, -(k * every + to)}), {-a, -b, k * every + from});
    if (piece.count > 0) take(piece);
  }
}

// How far the chains may take the seams about a band's lines t = a u + b v from them: at a
// point p near one, the seam there is the line l through the chain's hexagonal map H with
// l H = (a, b), l = (a, b) H^-1, and it strays by l across the drift at p. Only the chains' parts
// within reach of the band (and of its part, where limited) count. A chain the hexagon's steps
// would flatten strays by as much as across any line.
double BandDrift(const Chain* chains, int count, double a, double b, const FoldProgram::Band& band,
                 double alongA, double alongB, const FoldProgram::Band& along, double reach) {
  struct Across {
    const Chain* chain;
    bool flat;
    double lu, lv;
    double operator()(const Point2D& p) const {
      const Point2D d = chain->DriftAt(p);
      return flat ? AcrossAnyLine(d) : std::abs(lu * d.x + lv * d.y);
    }
    double Most(const Polygon& piece) const {
      double largest = 0;
      for (int i = 0; i < piece.count; ++i) largest = std::max(largest, (*this)(piece.corners[i]));
      return largest;
    }
  };
  Across across[kMostChains];
  double whole[kMostChains];
  int order[kMostChains];
  for (int c = 0; c < count; ++c) {
    const LatticeAffine& h = chains[c].hexagonal;
    const double det = h.uu * h.vv - h.uv * h.vu;
    const bool flat = std::abs(det) < 0.5;
    across[c] = {&chains[c], flat, flat ? 0 : (a * h.vv - b * h.vu) / det,
                 flat ? 0 : (b * h.uu - a * h.uv) / det};
    whole[c] = across[c].Most(chains[c].part);
    order[c] = c;
  }
  // Taken from the chain whose whole part strays furthest: once a whole part strays no further
  // than found, neither do the rest.
  std::sort(order, order + count, [&](int i, int j) { return whole[i] > whole[j]; });
  double drift = 0;
  for (int k = 0; k < count && whole[order[k]] > drift; ++k) {
    const Across& chain = across[order[k]];
    auto measure = [&](const Polygon& piece) { drift = std::max(drift, chain.Most(piece)); };
    ForEachBandPiece(chain.chain->part, a, b, band.from - reach, band.to + reach, band.every,
                     [&](const Polygon& piece) {
                       if (!along.planned || !(along.every > 0))
                         measure(piece);
                       else if (chain.Most(piece) > drift)
                         ForEachBandPiece(piece, alongA, alongB, along.from - reach, along.to + reach,
                                          along.every, measure);
                     });
  }
  return drift;
}

// The largest drift of the chains across any line.
double LargestDrift(const Chain* chains, int count) {
  double drift = 0;
  for (int c = 0; c < count; ++c)
    for (int i = 0; i < chains[c].part.count; ++i)
      drift = std::max(drift, AcrossAnyLine(chains[c].DriftAt(chains[c].part.corners[i])));
  return drift;
}

}  // namespace

double HexagonalDrift(const FoldProgram& program) {
  Chain chains[kMostChains];
  int count = 0;
  return HexagonalChains(program, chains, count) ? LargestDrift(chains, count) : -1;
}

namespace {

// Each band's reach: the program's less the whole cell's drift plus that of the band's lines.
void ReachOwnSeamsOf(FoldProgram& program, const Chain* chains, int count) {
  const double whole = LargestDrift(chains, count);
  auto reachOwn = [&](double a, double b, FoldProgram::Band& band, double alongA = 0, double alongB = 0,
                      const FoldProgram::Band& along = {}) {
    if (band.planned && band.every > 0)
      band.ownReach = program.seamReach - whole +
                      BandDrift(chains, count, a, b, band, alongA, alongB, along, program.seamReach);
  };
  reachOwn(1, 0, program.bandU);
  reachOwn(0, 1, program.bandV);
  reachOwn(1, 1, program.bandSum);
  for (FoldProgram::SkewBand& skew : program.skewBands)
    reachOwn(skew.a, skew.b, skew.band, skew.alongA, skew.alongB, skew.along);
}

}  // namespace

namespace {

// Calls take(band) for each of the program's bands about lines: u, v, u + v and the skew ones.
template <class Program, class Take>
void ForEachBand(Program& program, Take&& take) {
  take(program.bandU);
  take(program.bandV);
  take(program.bandSum);
  for (auto& skew : program.skewBands) take(skew.band);
}

// What a reach is worked out from, bit for bit: the steps, the wrap, the bands, the reach so far
// and near.
InputKey ReachKey(const FoldProgram& program, double near) {
  InputKey key(7 + 14 * FoldProgram::kMaxSteps + 5 * 3 + 14 * FoldProgram::kMaxSkewBands);
  auto putBand = [&key](const FoldProgram::Band& band) {
    for (const double t : {double(band.planned), band.from, band.to, band.every, band.ownReach}) key.Put(t);
  };
  key.Put(double(program.reach));
  key.Put(program.seamReach);
  key.Put(program.slackPixels);
  key.Put(program.stepCount);
  key.Put(program.reachSteps);
  key.Put(program.wrapBias);
  for (int i = 0; i < program.stepCount; ++i) {
    const FoldStep& step = program.steps[i];
    for (const HalfPlane& side : {step.side, step.also})
      for (const double t : {side.nu, side.nv, side.n1}) key.Put(t);
    key.Put(step.above);
    key.Put(step.fromStart);
    const LatticeAffine& m = step.map;
    for (const double t : {m.uu, m.uv, m.u1, m.vu, m.vv, m.v1}) key.Put(t);
  }
  ForEachBand(program, putBand);
  for (const FoldProgram::SkewBand& skew : program.skewBands) {
    for (const double t : {skew.a, skew.b, skew.alongA, skew.alongB}) key.Put(t);
    putBand(skew.along);
  }
  key.Put(near);
  return key;
}

}  // namespace

// What working out the reach sets in a program.
class ReachFound {
 public:
  explicit ReachFound(const FoldProgram& program)
      : seamReach_(program.seamReach), slackPixels_(program.slackPixels) {
    int i = 0;
    ForEachBand(program, [&](const FoldProgram::Band& band) { ownReach_[i++] = band.ownReach; });
  }
  void SetIn(FoldProgram& program) const {
    program.seamReach = seamReach_;
    program.slackPixels = slackPixels_;
    int i = 0;
    ForEachBand(program, [&](FoldProgram::Band& band) { band.ownReach = ownReach_[i++]; });
  }

 private:
  double seamReach_ = 0, slackPixels_ = 0;
  double ownReach_[3 + FoldProgram::kMaxSkewBands] = {};
};

namespace {

// A render of the same shape moved or turned, or at another size, folds by the same program:
// the last reach worked out each way is taken again rather than worked out over every chain of
// steps by work().
template <class Work>
void ReachOnce(FoldProgram& program, KeptByKey<ReachFound>& kept, double near, Work&& work) {
  InputKey key = ReachKey(program, near);
  if (const std::shared_ptr<const ReachFound> found = kept.Find(key)) {
    found->SetIn(program);
    return;
  }
  work();
  kept.Keep(std::move(key), std::make_shared<const ReachFound>(program));
}

}  // namespace

void WorkOutReach(FoldProgram& program, KeptBetweenRenders& kept) {
  Chain chains[kMostChains];
  int count = 0;
  if (program.reach == FoldProgram::Reach::kTurnedSeams) {
    const double near = program.reachNear;
    ReachOnce(program, kept.turnedReach, near, [&] {
      const bool hexagonal = HexagonalChains(program, chains, count);
      program.seamReach = near + (hexagonal ? LargestDrift(chains, count) : 0);
      program.slackPixels = hexagonal ? 0.25 : 1;
      if (hexagonal) ReachOwnSeamsOf(program, chains, count);
    });
  } else if (program.reach == FoldProgram::Reach::kOwnSeams) {
    ReachOnce(program, kept.ownReach, 0, [&] {
      if (HexagonalChains(program, chains, count)) ReachOwnSeamsOf(program, chains, count);
    });
  }
}

}  // namespace corvel::detail
