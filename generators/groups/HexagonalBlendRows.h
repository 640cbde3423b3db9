// The hexagonal groups' feathered blends about bent seams, one table a group: each row a band or
// region the blends add, in the order they test them (the first that holds a pixel decides), with
// which band it is, on which side, where it ends and how its pixels mix. The groups' blends read
// their table; the generators' README writes its lists of pixels sent to doubles from these rows,
// and a test holds the one to the other.
#pragma once
#include <cstdint>

namespace corvel {

// Where a row is added: always, or only where an amplitude has the sign given (and, for "P3"'s
// carries, where what they carry blends in lanes at all).
enum class BentWhen : std::uint8_t { kAlways, kK0Positive, kK0Negative, kK1Positive, kK1Negative };

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
  }
  return false;
}

// How a row's pixels mix.
enum class BentMix : std::uint8_t {
  kPlanned,            // planned as the reference plans them
  kOffsets,            // blended in lanes, their sides and ramps bent by the plan's offsets
  kBumpBeforeTheTurn,  // blended in lanes, bent by the bump of the position before the carry or turn
  kOwnSample,          // the own sample alone
};

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

}  // namespace corvel
