// The hexagonal groups' feathered blends where their seams bend, one table a group: each row a
// band or region the blends add, in the order they test them (the first that holds a pixel
// decides), with which band it is, on which side, where it ends and how its pixels mix. The
// groups' blends read their table; the generators' README writes its lists of pixels sent to
// doubles from these rows, and a test holds the one to the other.
#pragma once
#include <cstdint>

namespace corvel {

// Where a row is added: always, or only where an amplitude has the sign given or bends at all.
enum class BentWhen : std::uint8_t {
  kAlways,
  kK0Positive,
  kK0Negative,
  kK1Positive,
  kK1Negative,
  kK0Bent,
  kK1Bent
};

constexpr bool Holds(BentWhen when, double k0, double k1) {
  switch (when) {
    case BentWhen::kAlways:
      return true;
    case BentWhen::kK0Positive:
      return k0 > 0;
    case BentWhen::kK0Negative:
      return k0 < 0;
    case BentWhen::kK1Positive:
      return k1 > 0;
    case BentWhen::kK1Negative:
      return k1 < 0;
    case BentWhen::kK0Bent:
      return k0 != 0;
    case BentWhen::kK1Bent:
      return k1 != 0;
  }
  return false;
}

// How a row's pixels mix.
enum class BentMix : std::uint8_t {
  kPlanned,            // planned as the reference plans them
  kPlanFold,           // in doubles by the plan's own fold
  kOffsets,            // blended in lanes, their sides and ramps bent as the plan bends them
  kBumpBeforeTheTurn,  // blended in lanes, bent by the bump of the position before the carry or turn
  kTurnedRamp,         // blended in lanes by the ramp of the band the turn lands in
  kTurnsSample,        // the turn's sample alone
  kDoublesWhereAlike,  // in doubles as the plan weighs them where the feathers are alike, else planned
  kOwnSample,          // the own sample alone
};

// Whether a planned row's pixels mix in doubles by the plan's own fold where the group gives one.
constexpr bool ByPlanFold(BentMix mix) { return mix == BentMix::kPlanFold; }

// "P3"'s rhombus edges in its centre frame, s = 0, s = 1, t = 0 and t = 1; k0 bends those at
// anchor2 (s = 1 and t = 0), k1 those at anchor1. A carry across one edge of a pair lands past the
// other, turned about the pair's anchor as the band about the edge crossed blends its copy.
enum class RhombusEdge : std::uint8_t { kS0, kS1, kT0, kT1, kEach };

enum class P3Region : std::uint8_t {
  kInside,       // a strip inside the edge (kEach: inside each in turn)
  kCarriedNear,  // what a carry lands past the edge, near the edges it crossed and lands past
  kCarriedBand,  // what a carry lands past the edge: the band about it and the copy beyond it
  kBand,         // the band about the edge
  kOwn,          // the rest of the rhombus
};

enum class P3Ends : std::uint8_t {
  kSliverOrLanding,       // a sliver wide, or as far as a carry may land a position where one lands past it
  kNearTheEdges,          // near it, near the edge crossed and right on it, and near that edge's far end
  kBetweenTheOtherBands,  // between the bands across the other axis, the rest planned
  kWholeEdge,             // along the whole edge (its corners taken before)
  kEverywhere,            // the whole rhombus
};

struct P3BlendRow {
  P3Region region;
  RhombusEdge edge;
  BentWhen when;
  P3Ends ends;
  BentMix mixes;
};

// "P3", bent or not: the strips inside the edges that the turns' drift and the carries blur, what
// the carries land past the edges (the edges at anchor2 first; only where the bends leave what they
// carry short of the rhombus's middle), then the bands about the edges.
constexpr P3BlendRow kP3Blends[] = {
    {P3Region::kInside, RhombusEdge::kEach, BentWhen::kAlways, P3Ends::kSliverOrLanding, BentMix::kPlanned},
    {P3Region::kCarriedNear, RhombusEdge::kS1, BentWhen::kK0Positive, P3Ends::kNearTheEdges,
     BentMix::kPlanned},
    {P3Region::kCarriedNear, RhombusEdge::kT0, BentWhen::kK0Negative, P3Ends::kNearTheEdges,
     BentMix::kPlanned},
    {P3Region::kCarriedNear, RhombusEdge::kT1, BentWhen::kK1Positive, P3Ends::kNearTheEdges,
     BentMix::kPlanned},
    {P3Region::kCarriedNear, RhombusEdge::kS0, BentWhen::kK1Negative, P3Ends::kNearTheEdges,
     BentMix::kPlanned},
    {P3Region::kCarriedBand, RhombusEdge::kS1, BentWhen::kK0Positive, P3Ends::kBetweenTheOtherBands,
     BentMix::kBumpBeforeTheTurn},
    {P3Region::kCarriedBand, RhombusEdge::kT0, BentWhen::kK0Negative, P3Ends::kBetweenTheOtherBands,
     BentMix::kBumpBeforeTheTurn},
    {P3Region::kCarriedBand, RhombusEdge::kT1, BentWhen::kK1Positive, P3Ends::kBetweenTheOtherBands,
     BentMix::kBumpBeforeTheTurn},
    {P3Region::kCarriedBand, RhombusEdge::kS0, BentWhen::kK1Negative, P3Ends::kBetweenTheOtherBands,
     BentMix::kBumpBeforeTheTurn},
    {P3Region::kBand, RhombusEdge::kS0, BentWhen::kAlways, P3Ends::kBetweenTheOtherBands, BentMix::kOffsets},
    {P3Region::kBand, RhombusEdge::kS1, BentWhen::kAlways, P3Ends::kBetweenTheOtherBands, BentMix::kOffsets},
    {P3Region::kBand, RhombusEdge::kT0, BentWhen::kAlways, P3Ends::kWholeEdge, BentMix::kOffsets},
    {P3Region::kBand, RhombusEdge::kT1, BentWhen::kAlways, P3Ends::kWholeEdge, BentMix::kOffsets},
    {P3Region::kOwn, RhombusEdge::kEach, BentWhen::kAlways, P3Ends::kEverywhere, BentMix::kOwnSample},
};

// Where a kite's row ends.
enum class KiteEnds : std::uint8_t {
  kThirdOfAPixel,        // within a third of a pixel of the line
  kSliver,               // within a sliver of the line, some 1/300 pixel
  kPastTheBandsEnds,     // turned past a band's end or the diagonal, or within a sliver of them
  kBetweenTheBandsEnds,  // turned inside the band, a sliver from its ends and corners
  kCorner,               // where the band meets the one across it
  kLbMovedIn,            // at lb moved in by d, as the plan ends it
  kE2MovedIn,            // at e2 moved in by the second median's bump
  kAboutG,               // in the plan's triangles on either side of lg
  kWhole,                // wherever the rows before leave it
};

// "P3LM"'s regions on its kite, bent by d, the bump of k0 against its sign.
enum class P3LMRegion : std::uint8_t {
  kSeamToK,      // the seam from G to K
  kSeamToM,      // the seam from G to M
  kBulge,        // past the seam the bump moves into the kite (to K where d > 0, else to M)
  kCellEdgeV0,   // the cell's edge v = 0, beyond la
  kMirror,       // the bands about the mirrors u = 0 and v = 0
  kCornerAtB,    // the corner at the midpoint of 0B
  kCornerAtA,    // the corner at the midpoint of 0A
  kBandAcrossK,  // the band across the seam to K
  kThreeCopies,  // about G
  kInsideLb,     // the kite inside lb moved in by d
  kBandAcrossM,  // the band across the seam to M: the rest
};

// On which side of the region's line or in which part of it a kite's row lies.
enum class KiteSide : std::uint8_t {
  kNear,                      // within its ends' reach of the line, either side
  kBeyond,                    // beyond the line, and within its ends' reach of it on the near side
  kBand,                      // in the band about the line
  kTurnedOutOfTheBands,       // turned below hu, across the diagonal or below hv
  kTurnedIntoTheBand,         // turned into the band across the other seam
  kTurnedNearTheSeamCrossed,  // turned as near the seam crossed as d reaches past the band's inner edge
  kRest,                      // what the rows before leave of it
  kAlongU0,                   // along u = 0
  kAlongV0,                   // along v = 0
  kUAboveV,                   // where u > v
  kVAboveU,                   // where u <= v
};

struct P3LMBlendRow {
  P3LMRegion region;
  KiteSide side;
  BentWhen when;
  KiteEnds ends;
  BentMix mixes;
};

// "P3LM" bent and feathered, on the kite's position before the plan's turn across the bent seam.
constexpr P3LMBlendRow kP3LMBentBlends[] = {
    {P3LMRegion::kSeamToK, KiteSide::kNear, BentWhen::kAlways, KiteEnds::kThirdOfAPixel, BentMix::kPlanFold},
    {P3LMRegion::kSeamToM, KiteSide::kBeyond, BentWhen::kAlways, KiteEnds::kSliver, BentMix::kPlanned},
    {P3LMRegion::kBulge, KiteSide::kNear, BentWhen::kAlways, KiteEnds::kSliver, BentMix::kPlanFold},
    {P3LMRegion::kBulge, KiteSide::kTurnedOutOfTheBands, BentWhen::kAlways, KiteEnds::kPastTheBandsEnds,
     BentMix::kPlanned},
    {P3LMRegion::kBulge, KiteSide::kTurnedIntoTheBand, BentWhen::kAlways, KiteEnds::kBetweenTheBandsEnds,
     BentMix::kTurnedRamp},
    {P3LMRegion::kBulge, KiteSide::kTurnedNearTheSeamCrossed, BentWhen::kAlways,
     KiteEnds::kBetweenTheBandsEnds, BentMix::kTurnsSample},
    {P3LMRegion::kBulge, KiteSide::kRest, BentWhen::kAlways, KiteEnds::kWhole, BentMix::kPlanned},
    {P3LMRegion::kCellEdgeV0, KiteSide::kNear, BentWhen::kAlways, KiteEnds::kSliver, BentMix::kPlanned},
    {P3LMRegion::kMirror, KiteSide::kAlongU0, BentWhen::kAlways, KiteEnds::kWhole, BentMix::kOwnSample},
    {P3LMRegion::kCornerAtB, KiteSide::kAlongU0, BentWhen::kAlways, KiteEnds::kCorner,
     BentMix::kDoublesWhereAlike},
    {P3LMRegion::kCornerAtA, KiteSide::kUAboveV, BentWhen::kAlways, KiteEnds::kCorner,
     BentMix::kDoublesWhereAlike},
    {P3LMRegion::kBandAcrossK, KiteSide::kUAboveV, BentWhen::kAlways, KiteEnds::kLbMovedIn,
     BentMix::kOffsets},
    {P3LMRegion::kCornerAtA, KiteSide::kVAboveU, BentWhen::kAlways, KiteEnds::kCorner,
     BentMix::kDoublesWhereAlike},
    {P3LMRegion::kBandAcrossK, KiteSide::kVAboveU, BentWhen::kAlways, KiteEnds::kLbMovedIn,
     BentMix::kOffsets},
    {P3LMRegion::kThreeCopies, KiteSide::kRest, BentWhen::kAlways, KiteEnds::kAboutG,
     BentMix::kDoublesWhereAlike},
    {P3LMRegion::kMirror, KiteSide::kAlongV0, BentWhen::kAlways, KiteEnds::kWhole, BentMix::kOwnSample},
    {P3LMRegion::kInsideLb, KiteSide::kRest, BentWhen::kAlways, KiteEnds::kWhole, BentMix::kOwnSample},
    {P3LMRegion::kBandAcrossM, KiteSide::kRest, BentWhen::kAlways, KiteEnds::kWhole, BentMix::kOffsets},
};

// "P6"'s regions on its kite, the axes bent by o1, the medians each by its own bump.
enum class P6Region : std::uint8_t {
  kMedian1,          // the first median (e1's side of the kite)
  kMedian2,          // the second median
  kAxisU0,           // the axis u = 0
  kAxisV0,           // the axis v = 0
  kAxesBulge,        // past the bent axis: along v where o1 > 0, else along u
  kMedianBulge,      // past the bent median: the first where bend1 > 0, else the second
  kSixFoldCentre,    // the corner at the six-fold centre
  kTwoFoldCentre2,   // the corner at the second median's two-fold centre
  kTwoFoldCentre1,   // the corner at the first median's two-fold centre
  kThreeFoldCentre,  // the three-fold centre, past e2
  kInsideE2,         // the kite inside e2
  kInsideMedian1,    // the kite short of the first median
};

struct P6BlendRow {
  P6Region region;
  KiteSide side;
  BentWhen when;
  KiteEnds ends;
  BentMix mixes;
};

// "P6" bent and feathered, on the kite's position before the plan's turns across the bent seams.
constexpr P6BlendRow kP6BentBlends[] = {
    {P6Region::kMedian1, KiteSide::kBeyond, BentWhen::kAlways, KiteEnds::kSliver, BentMix::kPlanned},
    {P6Region::kMedian2, KiteSide::kBeyond, BentWhen::kAlways, KiteEnds::kSliver, BentMix::kPlanned},
    {P6Region::kAxisU0, KiteSide::kNear, BentWhen::kAlways, KiteEnds::kSliver, BentMix::kPlanned},
    {P6Region::kAxisV0, KiteSide::kNear, BentWhen::kAlways, KiteEnds::kSliver, BentMix::kPlanned},
    {P6Region::kAxesBulge, KiteSide::kTurnedIntoTheBand, BentWhen::kK0Bent, KiteEnds::kBetweenTheBandsEnds,
     BentMix::kTurnedRamp},
    {P6Region::kAxesBulge, KiteSide::kNear, BentWhen::kK0Bent, KiteEnds::kSliver, BentMix::kPlanned},
    {P6Region::kMedianBulge, KiteSide::kTurnedIntoTheBand, BentWhen::kK1Bent, KiteEnds::kBetweenTheBandsEnds,
     BentMix::kTurnedRamp},
    {P6Region::kMedianBulge, KiteSide::kNear, BentWhen::kK1Bent, KiteEnds::kSliver, BentMix::kPlanned},
    {P6Region::kSixFoldCentre, KiteSide::kBand, BentWhen::kAlways, KiteEnds::kCorner, BentMix::kPlanned},
    {P6Region::kAxisU0, KiteSide::kBand, BentWhen::kAlways, KiteEnds::kE2MovedIn, BentMix::kOffsets},
    {P6Region::kTwoFoldCentre2, KiteSide::kBand, BentWhen::kAlways, KiteEnds::kCorner, BentMix::kPlanned},
    {P6Region::kTwoFoldCentre1, KiteSide::kUAboveV, BentWhen::kAlways, KiteEnds::kCorner, BentMix::kPlanned},
    {P6Region::kMedian1, KiteSide::kUAboveV, BentWhen::kAlways, KiteEnds::kE2MovedIn, BentMix::kOffsets},
    {P6Region::kThreeFoldCentre, KiteSide::kUAboveV, BentWhen::kAlways, KiteEnds::kWhole, BentMix::kPlanned},
    {P6Region::kTwoFoldCentre1, KiteSide::kVAboveU, BentWhen::kAlways, KiteEnds::kCorner, BentMix::kPlanned},
    {P6Region::kMedian1, KiteSide::kVAboveU, BentWhen::kAlways, KiteEnds::kE2MovedIn, BentMix::kOffsets},
    {P6Region::kThreeFoldCentre, KiteSide::kVAboveU, BentWhen::kAlways, KiteEnds::kWhole, BentMix::kPlanned},
    {P6Region::kAxisV0, KiteSide::kBand, BentWhen::kAlways, KiteEnds::kWhole, BentMix::kOffsets},
    {P6Region::kInsideE2, KiteSide::kRest, BentWhen::kAlways, KiteEnds::kWhole, BentMix::kOwnSample},
    {P6Region::kInsideMedian1, KiteSide::kRest, BentWhen::kAlways, KiteEnds::kWhole, BentMix::kOwnSample},
    {P6Region::kMedian2, KiteSide::kBand, BentWhen::kAlways, KiteEnds::kWhole, BentMix::kOffsets},
};

}  // namespace corvel
