// The feather bands of a fold program as data, so that their pixels mix in lanes instead of
// being planned one by one in doubles: regions of the folded position where a pixel is its own
// sample alone, or its own sample blended with one partner across a seam. Within a band the
// partner is an affine image of the pixel's own source point and the weight an affine ramp, so
// both follow from the position the fold already gave. Corners, where several copies meet, and
// pixels on a seam's middle mix in doubles from the same description, or are left to the plan.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "core/CpuFeatures.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/FoldRow.h"
#include "generators/detail/ScratchVector.h"
#include "generators/detail/SourceWindow.h"
#include "generators/detail/TileWorker.h"
#include "rowops/RowSampler.h"

namespace corvel::detail {

template <class Value>
class KeptByKey;

// The half-planes u < at, u > at, v < at and v > at.
inline HalfPlane UBelow(double at) { return {1, 0, -at}; }
inline HalfPlane UAbove(double at) { return {-1, 0, at}; }
inline HalfPlane VBelow(double at) { return {0, 1, -at}; }
inline HalfPlane VAbove(double at) { return {0, -1, at}; }

// t = u wu + v wv + w1.
struct LatticeLinear {
  double wu = 0, wv = 0, w1 = 0;
};

// An affine function of lattice coordinates as data.
template <class Function>
LatticeLinear LinearOf(Function&& function) {
  const double zero = function(0.0, 0.0);
  return {function(1.0, 0.0) - zero, function(0.0, 1.0) - zero, zero};
}

// A feather's ramp across a line: a half on it, rising (sign 1) or falling with the distance to
// it, by a whole across width.
template <class Distance>
LatticeLinear RampAcross(double sign, Distance&& distance, double width) {
  return LinearOf([&](double u, double v) { return 0.5 + sign * distance(u, v) / width; });
}

// A sample of a region that mixes copies: its source point an affine map of the region's
// coordinates (relative to the source lattice's origin, as the plan places it) or the pixel's
// own sample, weighing the product of two ramps, each clamped to [0, 1].
struct BlendCopy {
  bool own = false;
  LatticeAffine map;
  LatticeLinear weight, weight2{0, 0, 1};

  static BlendCopy Own(const LatticeLinear& weight, const LatticeLinear& weight2 = {0, 0, 1}) {
    return {true, {}, weight, weight2};
  }
  static BlendCopy Mapped(const LatticeAffine& map, const LatticeLinear& weight,
                          const LatticeLinear& weight2 = {0, 0, 1}) {
    return {false, map, weight, weight2};
  }
};

// k0 + k1 b1 + k2 b2 + k3 b3 of a point's barycentric coordinates in the triangle p1, p2, p3,
// taken with their signs, so that the weight is affine past the triangle's edges too.
LatticeLinear BarycentricWeight(const Point2D& p1, const Point2D& p2, const Point2D& p3, double k1, double k2,
                                double k3, double k0 = 0);

// Where three copies meet, the own sample summed after its partners or before them, as the
// group's plan sums them.
enum class OwnSummed { kLast, kFirst };

// What a region holds, stated once by the SeamBlends::Add functions; the data each kind reads is
// named beside the region's fields.
enum class BlendKind : std::uint8_t {
  kOwn,             // the own sample alone
  kBand,            // the own sample blended with one partner across a seam
  kCorner,          // where two bands cross: the own sample and three partners
  kThreeCopies,     // where three copies meet: the own sample and two partners
  kCopies,          // copies given one by one, each with its weights
  kInDoubles,       // over regions of copies that the lanes pass by: their pixels to doubles
  kPlanned,         // planned, as the plan in doubles turns on which side of a line a pixel falls
  kPlannedInLanes,  // planned only for want of the plan's own fold, where none is given
};

// Where the fast road decides a pixel a region holds: the rule of DoublesRule.h for the feather's
// regions, written once. kLanes: its own sample, or blended with its partner, in the kernels'
// lanes (those near a seam's middle in doubles); kDoubles: mixed in doubles from the regions;
// kPlanned: planned as the reference plans it; kPassedBy: the lanes skip the region, and a later
// one over it sends its pixels to doubles, so that the lanes test fewer regions.
enum class BlendRoad : std::uint8_t { kLanes, kDoubles, kPlanned, kPassedBy };
constexpr BlendRoad RoadOf(BlendKind kind, bool planFoldGiven) {
  switch (kind) {
    case BlendKind::kOwn:
    case BlendKind::kBand:
      return BlendRoad::kLanes;
    case BlendKind::kCorner:
    case BlendKind::kThreeCopies:
    case BlendKind::kInDoubles:
      return BlendRoad::kDoubles;
    case BlendKind::kCopies:
      return BlendRoad::kPassedBy;
    case BlendKind::kPlanned:
      return BlendRoad::kPlanned;
    case BlendKind::kPlannedInLanes:
      return planFoldGiven ? BlendRoad::kDoubles : BlendRoad::kPlanned;
  }
  return BlendRoad::kPlanned;
}

// Whether a region of the kind gives the samples of the pixels it holds in doubles
// (SeamBlendsInDoubles): those the others hold there are planned.
constexpr bool GivesSamples(BlendKind kind) {
  return kind != BlendKind::kInDoubles && kind != BlendKind::kPlanned && kind != BlendKind::kPlannedInLanes;
}

// The most bumps that bend a feather's seams (SeamBlends::bends).
constexpr int kMaxBlendBends = 4;

// How a side's sum or a weight is bent: each of the blends' bumps of the position times its factor
// added.
struct BlendBends {
  double times[kMaxBlendBends] = {};

  bool Any() const { return *this != BlendBends{}; }
  bool operator==(const BlendBends& other) const {
    for (int b = 0; b < kMaxBlendBends; ++b)
      if (times[b] != other.times[b]) return false;
    return true;
  }
  bool operator!=(const BlendBends& other) const { return !(*this == other); }
  BlendBends operator-() const { return *this * -1; }
  BlendBends operator*(double factor) const {
    BlendBends scaled;
    for (int b = 0; b < kMaxBlendBends; ++b) scaled.times[b] = factor * times[b];
    return scaled;
  }
};

struct BlendRegion {
  static constexpr int kMaxSides = 4;
  static constexpr int kMaxCopies = 6;
  // Inside every side, on the folded position (u, v) before the program's source shift.
  HalfPlane sides[kMaxSides];
  int sideCount = 0;
  BlendKind kind = BlendKind::kOwn;
  // A band: the partner's source point (relative to the source lattice's origin, as the plan in
  // doubles places it) and the own sample's weight, clamped to [0, 1]. Pixels near the line where
  // the weight is one half mix in doubles (DoublesRule.h), or are planned where the group's plan
  // is not its regions': their images across the seam, on its middle too, must match. Where they
  // are their own partners, as on a mirror, they mix exactly in lanes.
  LatticeAffine partner;
  LatticeLinear weight;
  // A corner: the own sample weighs w w2, partnerBoth (1 - w) (1 - w2), partner (1 - w) w2 and
  // partner2 (1 - w2) w, each weight clamped first, as the plan weighs a corner. Three copies:
  // partner weighs w, partner2 w2 and the own sample 1 - w - w2, summed in the order ownSummed
  // says, each clamped and all cut to a sum of 1, as the plan weighs three copies.
  LatticeAffine partner2, partnerBoth;
  LatticeLinear weight2;
  OwnSummed ownSummed = OwnSummed::kLast;
  // Copies: the pixel mixes them alone, summed in order and cut to a sum of 1, as the plans of
  // the groups whose corners meet several bands weigh them.
  int copyCount = 0;
  BlendCopy copies[kMaxCopies];
  // Where seams are bent: what bends each side's sum and the weights.
  BlendBends sideBends[kMaxSides], weightBends, weight2Bends;
};

// Tested in order; the first region a position lies in decides. A band pixel in none is planned,
// and so is one in a region added as planned: where the plan in doubles turns on which side of
// a line a pixel right on it falls, which only doubles can tell.
struct SeamBlends {
  static constexpr int kMaxRegions = 22;
  int regionCount = 0;
  BlendRegion regions[kMaxRegions];
  // From the folded position to the coordinates the regions are stated in, where a group plans
  // in a frame of its own.
  LatticeAffine frame;
  // Whether the group plans the pixels of its blended regions and corners just as they state
  // them, in doubles (to the last bit, or as turns of a nearly hexagonal lattice round): its pixels
  // near a seam's middle and in corners then mix from the regions in doubles (SeamBlendsInDoubles)
  // rather than by the group's plan.
  bool plansAsRegions = false;
  // Where given, the plan's own fold of a cell position, clamped as the plan clamps it: the pixels
  // mixed in doubles fold by it, a pixel right on a fold line onto the copy the plan shows, so that
  // they need not be planned there.
  std::function<Point2D(Point2D)> planFold;
  // The same of four cell positions at once in AVX2 lanes, bit for bit, where given.
  std::function<void(double* u, double* v)> planFoldLanes;
  // The lines a u + b v = k, k whole, where the fold takes a position to one copy or another: a
  // pixel right on one may go to different copies in the plan in doubles and in the lanes, which
  // on a lattice a little off the hexagon lie some way apart. Such band pixels are planned, or
  // mixed in doubles where planFold is given.
  static constexpr int kMaxFoldLines = 6;
  int foldLineCount = 0;
  Point2D foldLines[kMaxFoldLines];

  // The bumps of the position in the regions' frame by which bent seams bend the sides and
  // weights, as the plan bends them.
  int bendCount = 0;
  SideBend bends[kMaxBlendBends];

  // Whether the description ran past the room above: nothing was written past it, and it is not
  // made (its pixels are planned).
  bool overran = false;

  void AddFoldLines(double a, double b) {
    if (foldLineCount == kMaxFoldLines)
      overran = true;
    else
      foldLines[foldLineCount++] = {a, b};
  }
  // The bumps bent by, each times its factor, at the position `at` in the regions' frame.
  double BentBy(const BlendBends& by, const Point2D& at) const {
    double sum = 0;
    for (int b = 0; b < bendCount; ++b)
      if (by.times[b] != 0) sum += by.times[b] * bends[b].At(at.x, at.y);
    return sum;
  }
  // The last region added bent: its side `side` (in the order given), and its weights.
  void BendSide(int side, const BlendBends& by) { Last().sideBends[side] = by; }
  void BendWeights(const BlendBends& by, const BlendBends& by2 = {}) {
    Last().weightBends = by;
    Last().weight2Bends = by2;
  }
  void AddOwn(std::initializer_list<HalfPlane> sides) { Add(sides, BlendKind::kOwn); }
  // Planned; where inLanesOnly, only for want of the plan's own fold (planFold), by which the
  // pixels mix in doubles where it is given.
  void AddPlanned(std::initializer_list<HalfPlane> sides, bool inLanesOnly = false) {
    Add(sides, inLanesOnly ? BlendKind::kPlannedInLanes : BlendKind::kPlanned);
  }
  // Planned within reach of the line.
  void AddPlannedNear(const Line2D& line, double reach, bool inLanesOnly = false) {
    AddPlanned(
        {HalfPlane{line.n.x, line.n.y, -line.c - reach}, HalfPlane{-line.n.x, -line.n.y, line.c - reach}},
        inLanesOnly);
  }
  // Planned on the far side of a line that misses the origin, and within reach of it on the
  // near side.
  void AddPlannedBeyond(const Line2D& line, double reach, bool inLanesOnly = false) {
    AddPlanned({HalfPlane{-line.n.x, -line.n.y, line.c - reach}}, inLanesOnly);
  }
  void AddBlend(std::initializer_list<HalfPlane> sides, const LatticeAffine& partner,
                const LatticeLinear& weight) {
    BlendRegion& region = Add(sides, BlendKind::kBand);
    region.partner = partner;
    region.weight = weight;
  }
  void AddCorner(std::initializer_list<HalfPlane> sides, const LatticeAffine& partner,
                 const LatticeLinear& weight, const LatticeAffine& partner2, const LatticeLinear& weight2,
                 const LatticeAffine& partnerBoth) {
    AddMeeting(sides, BlendKind::kCorner, partner, weight, partner2, weight2, partnerBoth);
  }
  // The pixels of the regions of copies before it, which the lanes pass by, sent to doubles.
  void AddInDoubles(std::initializer_list<HalfPlane> sides) { Add(sides, BlendKind::kInDoubles); }
  void AddCopies(std::initializer_list<HalfPlane> sides, std::initializer_list<BlendCopy> copies) {
    BlendRegion& region = Add(sides, BlendKind::kCopies);
    if (copies.size() > std::size_t(BlendRegion::kMaxCopies))
      overran = true;
    else
      for (const BlendCopy& copy : copies) region.copies[region.copyCount++] = copy;
  }
  void AddThreeCopies(std::initializer_list<HalfPlane> sides, const LatticeAffine& partner,
                      const LatticeLinear& weight, const LatticeAffine& partner2,
                      const LatticeLinear& weight2, OwnSummed own = OwnSummed::kLast) {
    AddMeeting(sides, BlendKind::kThreeCopies, partner, weight, partner2, weight2, partner);
    Last().ownSummed = own;
  }

 private:
  // The region added, or past the room a spare one.
  BlendRegion& Add(std::initializer_list<HalfPlane> sides, BlendKind kind);
  BlendRegion& Last() { return overran ? spare_ : regions[regionCount - 1]; }
  void AddMeeting(std::initializer_list<HalfPlane> sides, BlendKind kind, const LatticeAffine& partner,
                  const LatticeLinear& weight, const LatticeAffine& partner2, const LatticeLinear& weight2,
                  const LatticeAffine& partnerBoth);

  BlendRegion spare_;
};

// The regions in the kernels' form, on a pixel's own 24.8 source position (X, Y). Each distinct
// side is one test, a X + b Y + c < 0, and sets its bit; a region holds the pixels whose bits
// under `care` equal `want` (a side and its opposite share a test). The partner lies at
// X' = p0 X + p1 Y + p2, Y' = p3 X + p4 Y + p5; the weight is q0 X + q1 Y + q2.
struct SeamBlendArgs {
  static constexpr int kMaxTests = 30;
  int testCount = 0;
  float tests[kMaxTests][3] = {};
  // Bent seams: the bumps on the position, t = t[0] X + t[1] Y + t[2] (and t2 the same) as
  // SideBend takes them, and each test's sum and blended weight plus each bump times its factor
  // (a test's by one bump at most).
  struct Bend {
    float t[3], t2[3], amount;
    bool clamped, sShape, twoBumps, smaller;
  };
  int bendCount = 0;
  Bend bends[kMaxBlendBends] = {};
  float testBends[kMaxTests][kMaxBlendBends] = {};
  // Worked out once from the above for the kernels: the bump each test is bent by (0 where none),
  // and bit t set where test t is bent, or every test's where a bump's amount is not a finite
  // number (a straight test's nought times it then counts).
  int testBendOf[kMaxTests] = {};
  std::int32_t bentTests = 0;
  int regionCount = 0;
  struct Region {
    std::int32_t care, want;
    float partner[6];
    float weight[3], weightBends[kMaxBlendBends];
    // A blended pixel is not mixed in lanes within middle of a weight of 0, 1/2 or 1; within
    // middleExact where the positions before truncation are given.
    float middle, middleExact;
    std::int32_t blended, planned, inDoubles;  // all ones or 0
  } regions[SeamBlends::kMaxRegions] = {};
  // How many regions at the front are planned or mixed in doubles, none blended: a pass over them
  // finds which holds a pixel first.
  int plannedFirst = 0;
  // Where those are all of one kind, none need be found first: a lane is in one where a bit of
  // leadingFlip ^ bits under leadingSingles is set (the regions of one side each), or where it is
  // in one of the leadingMulti regions.
  bool leadingAlike = false;
  std::int32_t leadingSingles = 0, leadingFlip = 0;
  int leadingMultiCount = 0;
  int leadingMulti[SeamBlends::kMaxRegions] = {};
  // Where the tests are few and the regions' kinds fit one group of lanes: each set of the tests'
  // bits as the slot of its region (or of none), and each slot's region one lane a slot, so that
  // the AVX2 kernel looks a lane's region up rather than testing the regions in turn. Where the
  // leading planned regions' tests make them too many, the table holds the regions after those,
  // whose tests take the lowest bits, and the planned ones are tested in turn.
  static constexpr int kTableTests = 6, kSlots = 8;
  int slotCount = 0;   // 0 where there is no table
  int tableFirst = 0;  // the first region the table holds
  std::uint8_t slotOf[1 << kTableTests] = {};
  struct Slots {
    float partner[6][kSlots], weight[3][kSlots], weightBends[kMaxBlendBends][kSlots], middle[kSlots],
        middleExact[kSlots];
    std::int32_t blended[kSlots], byPlan[kSlots], inDoubles[kSlots];  // all ones or 0
  } slots = {};
  // The blends' fold lines as t = c0 x + c1 y + c2 of the plane point, whole on the lines.
  int foldLineCount = 0;
  double foldLines[SeamBlends::kMaxFoldLines][3] = {};
  // 1 / det of the lattice: how far apart the lines' values at whole pixels lie.
  double foldLineSpacing = 0;
  // Which fold lines are the cell's edges, u or v whole; and whether the pixels right on those
  // are left to whole numbers (CellEdgePixels), which plan only those the fast positions wrap to
  // the other side than the plan, rather than every one.
  bool cellEdge[SeamBlends::kMaxFoldLines] = {};
  bool cellEdgesByWholeNumbers = false;

  bool CellEdgesAmongFoldLines() const {
    for (int i = 0; i < foldLineCount; ++i)
      if (cellEdge[i]) return true;
    return false;
  }
};

// Pixels x to x + count - 1 of a row; the kernel finds the part [first, last) of them from the
// first to the last that takes some of its partner (first == last where none does).
struct BlendRun {
  int x = 0, count = 0;
  int first = 0, last = 0;
};
// The most lanes a blend kernel takes at once.
constexpr int kMostBlendLanes = 16;
// Where the kernel leaves its decisions of a row's runs (planned holds 0 between them, as marks do,
// and keeps it): planned[x] 1 where no region holds the pixel or a planned one does, 2 where a
// corner holds it or a blended region near its seam's middle, else 0; the partner's 24.8 position
// and the own sample's weight, or the own position and 1 where the pixel takes no partner, one run
// after another from partners and weights on. Where another run follows, a short run's lanes past
// its end may be stored after it (the next run's take their place): with several runs, partners
// and weights need room for kMostBlendLanes pixels past them. How many are planned, and the
// places of those flagged 2 in order.
struct BlendDecisions {
  std::uint8_t* planned = nullptr;
  std::int32_t* partners = nullptr;
  float* weights = nullptr;
  int* nearMiddles = nullptr;  // room for every pixel of the runs
  // Whether the room past the runs is there with one run too: the last run's lanes past its end
  // are then stored whole, as masked stores cost the short runs most.
  bool roomPast = false;
  int plannedCount = 0, nearMiddleCount = 0;
};
// The runs of a row's own positions (pairs; exactX and exactY, where given: the same before
// truncation, which the regions and weights are taken on) decided.
using SeamBlendKernel = void (*)(const SeamBlendArgs& args, const std::int32_t* positions,
                                 const float* exactX, const float* exactY, BlendRun* runs, int runCount,
                                 BlendDecisions& decisions);
void SeamBlendSse2(const SeamBlendArgs& args, const std::int32_t* positions, const float* exactX,
                   const float* exactY, BlendRun* runs, int runCount, BlendDecisions& decisions);
void SeamBlendAvx2(const SeamBlendArgs& args, const std::int32_t* positions, const float* exactX,
                   const float* exactY, BlendRun* runs, int runCount, BlendDecisions& decisions);
void SeamBlendAvx512(const SeamBlendArgs& args, const std::int32_t* positions, const float* exactX,
                     const float* exactY, BlendRun* runs, int runCount, BlendDecisions& decisions);
// The widest the processor record allows.
SeamBlendKernel ChooseSeamBlendKernel(const CpuFeatures& cpu);

// Own samples (in out) mixed with their partners' by the own weights as the plan in doubles mixes
// them, w own + (1 - w) partner taken as partner + w (own - partner) in floats, this slack added
// and truncated: a weight of 1 keeps the own sample exactly.
constexpr float kMixRoundingSlack = 1e-4f;
// The same of the first of count pixels, eight at a time; how many it mixed.
int MixRunAvx2(std::uint8_t* out, const std::uint8_t* partners, const float* weights, int count);

// The blends on the program's and the generator's positions; false where the source lattice is
// degenerate and a position says nothing of (u, v), or where the sides are too many.
bool MakeSeamBlendArgs(const SeamBlends& blends, const FoldProgram& program, const TileGenerator& generator,
                       SeamBlendArgs& args);

// reached grown to hold the source pixels that the blends' partners read, so that the window
// over the source serves them too; the parallelogram each partner reads is added to reaches.
RECT WithPartners(RECT reached, const SeamBlends& blends, const FoldProgram& program,
                  const TileGenerator& generator, std::vector<SourceReach>& reaches);

// Where the pixels mixed in doubles take their samples: the regions' frame, the source lattice
// the own sample is read through (where not the plane's), the program's source shift, the
// origin the queue adds, and the bumps that bend the weights (SeamBlends::bends).
struct MixPlace {
  LatticeAffine frame;
  LatticeMatrix toSource;
  bool throughSource = false;
  Point2D shift, origin;
  const SideBend* bends = nullptr;
  int bendCount = 0;
};

// The blended regions in doubles, for the pixels near a seam's middle: the program's fold and
// the regions' partners and weights as the plan in doubles takes them, so that such a pixel mixes
// as the plan mixes it and as its image across the seam mixes.
class SeamBlendsInDoubles {
 public:
  struct Tables;
  SeamBlendsInDoubles(const SeamBlends& blends, const FoldProgram& program, const TileGenerator& generator);
  // With the tables TablesOf(blends) gives.
  SeamBlendsInDoubles(const SeamBlends& blends, const FoldProgram& program, const TileGenerator& generator,
                      const Tables& tables);
  // The samples of the pixel at the plane point; false where no region that gives them (blended,
  // a corner, copies, or the own sample alone) holds it.
  bool Plan(const Point2D& plane, SamplePlan& plan) const;
  // The same in two steps, for count pixels (x[i], y[i]) at once: their folded positions (u, v)
  // and regions (-1 for none), in AVX2 lanes where the processor record allows, bit for bit as
  // one by one; then each pixel's samples.
  void Locate(const double* x, const double* y, int count, double* u, double* v, int* regions) const;
  bool PlanAt(double u, double v, int region, SamplePlan& plan) const;
  // PlanAt's samples queued, the same.
  bool QueueAt(double u, double v, int region, RowQueue& queue) const;
  // Whether QueueInLanes takes the region's pixels: one that gives samples, where the processor
  // record allows AVX2.
  bool QueuesInLanes(int region) const { return region >= 0 && inLanes_[region]; }
  // count pixels of such a region at (u, v) queued as QueueAt queues them one by one, bit for bit,
  // in AVX2 lanes: one by one they cost more than their sampling.
  void QueueInLanes(int region, const double* u, const double* v, int count, RowQueue& queue) const;
  bool FoldsAsPlan() const { return bool(blends_.planFold); }

  // The regions' sides as distinct tests, each setting its bit where side < 0; a region holds the
  // points whose bits under care[r] equal want[r] (a side and its opposite share a test, so a
  // point right on it lies on the opposite's side).
  struct Tests {
    int count = 0;
    static constexpr int kMaxTests = 64;  // a bit each
    HalfPlane tests[kMaxTests];
    BlendBends testBends[kMaxTests];
    std::uint64_t care[SeamBlends::kMaxRegions] = {}, want[SeamBlends::kMaxRegions] = {};
    // Where the tests are few, the region (or -1) of each set of their bits.
    static constexpr int kTableTests = 6;
    std::int32_t regionOf[1 << kTableTests] = {};  // gathered in lanes
  };
  // The bands' and corners' maps and weights, kept together for the pixels queued one by one.
  struct Mix {
    BlendKind kind = BlendKind::kPlanned;
    LatticeAffine partner, partner2, partnerBoth;
    LatticeLinear weight, weight2;
    BlendBends weightBends, weight2Bends;
  };
  struct Tables {
    Tests tests;
    Mix mixes[SeamBlends::kMaxRegions];
  };
  static Tables TablesOf(const SeamBlends& blends);
  // The same into tables as their constructor leaves them, where they stay: some 10 KB not copied.
  static void FillTables(const SeamBlends& blends, Tables& tables);

 private:
  // The weight at `at` in the regions' frame, bent where given.
  double BentWeight(const LatticeLinear& w, const BlendBends& by, const Point2D& at) const {
    const double straight = w.wu * at.x + w.wv * at.y + w.w1;
    return by.Any() ? straight + blends_.BentBy(by, at) : straight;
  }

  const SeamBlends& blends_;
  const FoldProgram& program_;
  const TileGenerator& generator_;
  bool avx2_;  // the render's processor record allows AVX2
  Tests tests_;
  Mix mixes_[SeamBlends::kMaxRegions];
  bool inLanes_[SeamBlends::kMaxRegions] = {};
  MixPlace place_;
};

// How many samples QueueAt queues for a pixel of a region that gives them.
inline int QueuedSamples(const BlendRegion& region) {
  switch (region.kind) {
    case BlendKind::kBand:
      return 2;
    case BlendKind::kCorner:
      return 4;
    case BlendKind::kThreeCopies:
      return 3;
    case BlendKind::kCopies:
      return region.copyCount;
    default:
      return 1;
  }
}

// Of count pixels of a region that gives samples at folded positions (u, v), the samples QueueAt
// queues, in AVX2 lanes bit for bit: each pixel's 24.8 positions (with
// place.origin added) and weights in turn, as RowQueue::AppendRooms lays them.
void QueueMixesAvx2(const BlendRegion& region, const MixPlace& place, const double* u, const double* v,
                    int count, std::int32_t* positions, double* weights);

// What a render's blends work out before its rows: MakeSeamBlendArgs's answer and arguments, the
// tables in doubles where the group plans as its regions, and the source the partners read
// (WithPartners from nothing reached).
struct BlendSetup {
  bool made = false;
  SeamBlendArgs args;
  SeamBlendsInDoubles::Tables tables;
  RECT reached{};
  std::vector<SourceReach> reaches;
};
// The set-up, taken from kept where the last render's inputs were the same, bit for bit, and left
// there.
std::shared_ptr<const BlendSetup> SetUpBlends(const SeamBlends& blends, const FoldProgram& program,
                                              const TileGenerator& generator, KeptByKey<BlendSetup>& kept);

// SeamBlendsInDoubles::Locate four pixels at a time; positions past count repeat the last.
void LocateInDoublesAvx2(const SeamBlends& blends, const SeamBlendsInDoubles::Tests& tests,
                         const FoldProgram& program, const TileGenerator& generator, const double* x,
                         const double* y, int count, double* u, double* v, int* regions);

// Where a row of band pixels lies: its first pixel's plane point and the step along it.
struct SeamBlendRowPlace {
  Point2D start;
  double step = 1;
  int row = 0;  // in the output
};

// One thread's room for a row's band pixels.
class SeamBlendRow {
 public:
  // false when the memory cannot be had. Samples and mixes in AVX2 where cpu allows.
  bool Reserve(int width, const Point2D& origin, const CpuFeatures& cpu);
  // Of the marked pixels of a row whose own samples out already holds, those in a region are
  // finished (blended with their partners, read from source; near a seam's middle by `middles`
  // where given) and unmarked; the rest stay marked, and are counted. exact, where given, holds
  // the positions before truncation as FoldRow gives them: width x, then width y.
  // The pixels near a seam's middle are only queued, for FinishMiddles, which out must outlive
  // and which must leave room for the row first: most rows have two or so, and a row's own
  // locating, sampling and mixing of them costs some 300 cycles of latency.
  int Blend(SeamBlendKernel kernel, const SeamBlendArgs& args, const SeamBlendsInDoubles* middles,
            const SeamBlendRowPlace& place, const BgraRows& source, const std::int32_t* positions,
            const float* exact, int width, std::uint8_t* marks, std::uint8_t* out);
  // The last row's queued pixels that marks (1) now leave to the plan are not written.
  void LeaveMarked(const std::uint8_t* marks);
  // Whether another row's pixels can be queued.
  bool RoomForARow() const { return queued_ <= width_; }
  // Pixel x of output row `row`, whose BGRA pixels lie at out, planned.
  using PlanPixel = std::function<void(int row, int x, std::uint8_t* out)>;
  // The queued pixels of every row blended since, mixed in doubles by middles from source and
  // written, or planned where middles holds them in no blended region or corner.
  void FinishMiddles(const SeamBlendsInDoubles* middles, const BgraRows& source, const PlanPixel& plan);

 private:
  // Each run of marks decided by the kernel: the parts that take some of their partners set down
  // to be mixed, the pixels near a seam's middle queued, the rest counted. How many are planned.
  int DecideRuns(SeamBlendKernel kernel, const SeamBlendArgs& args, const SeamBlendsInDoubles* middles,
                 const SeamBlendRowPlace& place, const std::int32_t* positions, const float* exact, int width,
                 std::uint8_t* marks, std::uint8_t* out, int& mixedCount, int& mixedRuns);
  // The runs' partners sampled and mixed in; blends of samples not both opaque marked to be planned,
  // and counted.
  int MixRuns(const BgraRows& source, int mixedCount, int mixedRuns, std::uint8_t* marks, std::uint8_t* out);
  // The band pixels right on a fold line mixed in doubles by the plan's fold, or else marked to be
  // planned, and counted.
  int TakeFoldLines(const SeamBlendsInDoubles* middles, const SeamBlendRowPlace& place, std::uint8_t* marks,
                    std::uint8_t* out);
  // The queued pixels FinishMiddles left to middles' lanes, those it left in a region (inRegion
  // of each), queued region by region after the kept ones, and their outputs laid after those in
  // keptOut_. How many are kept in all.
  int QueueInLanes(const SeamBlendsInDoubles* middles, const int* inRegion, int kept);
  // Pixel x of the row at place, whose output lies at out, queued to be mixed in doubles; inline,
  // as the blends queue a row's middles one by one.
  void Queue(const SeamBlendRowPlace& place, int x, std::uint8_t* out) {
    const std::size_t k = std::size_t(queued_++);
    middleX_[k] = place.start.x + x * place.step;
    middleY_[k] = place.start.y;
    middlePlaces_[k] = x;
    middleRows_[k] = place.row;
    middleOut_[k] = out + 4 * std::size_t(x);
  }
  // The parts of a row's runs mixed with their partners: from x, count pixels whose partners and
  // weights lie from at on.
  struct MixedRun {
    int x, at, count;
  };
  ScratchVector<std::int32_t> partners_;
  ScratchVector<float> weights_;
  ScratchVector<std::uint8_t> samples_;
  ScratchVector<MixedRun> mixedRuns_;
  ScratchVector<BlendRun> runs_;
  ScratchVector<int> nearMiddles_;
  RowQueue middles_;
  // The queued pixels: their rows and places in them, where they go, their plane points; those
  // of the last row from lastRowQueued_ on, in lastRow_.
  int width_ = 0, queued_ = 0, lastRowQueued_ = 0;
  ScratchVector<int> middleRows_, middlePlaces_;
  ScratchVector<std::uint8_t*> middleOut_, keptOut_;
  std::uint8_t* lastRow_ = nullptr;
  std::uint8_t unwritten_[4] = {};
  ScratchVector<double> middleX_, middleY_, middleU_, middleV_;
  std::vector<int> middleRegions_;
  std::vector<int> onFoldLines_;
  bool avx2_ = false;
  BgraSampler sample_ = nullptr;
};

}  // namespace corvel::detail
