// Each group's roads in one record: how far its seams may bend for its fold program to render them
// and for its feathered bands to blend in lanes rather than be planned, and how the program follows
// a bent seam. Each Generate reads its group's record; the generators' README writes its table of
// roads from these records, and a test renders every limit just below and just above.
#pragma once
#include "generators/TileLattice.h"

namespace corvel {

// Beyond every amplitude the editor or a script can give.
constexpr double kAnyBend = 1e300;

// The amplitudes a road takes: each within its own most, and one of the first two at least within
// oneOf (bent further both ways, at narrow feathers, the lanes came out tens of levels off the plan
// about the two seams' bulges).
struct BendLimit {
  double k0Most = kAnyBend, k1Most = kAnyBend, k2Most = kAnyBend;
  double oneOf = kAnyBend;

  constexpr bool Holds(double k0, double k1 = 0, double k2 = 0) const {
    const double a0 = k0 < 0 ? -k0 : k0, a1 = k1 < 0 ? -k1 : k1, a2 = k2 < 0 ? -k2 : k2;
    return a0 <= k0Most && a1 <= k1Most && a2 <= k2Most && (a0 <= oneOf || a1 <= oneOf);
  }
};

constexpr BendLimit kAnyAmplitude{};
constexpr BendLimit Each(double most) { return {most, most, most}; }

// How the group's fold program follows bent seams.
enum class BentFold {
  kNoSeams,      // no feather nor bend: the program always renders
  kBentWrap,     // the wrap into the cell bends
  kSteps,        // its last steps carry a position across each bent seam and mark the pixels near it
  kRhombus,      // past the rhombus's fold, a step carries a position across each bent pair of edges
  kKiteWidened,  // as kSteps unfeathered; feathered, the kite's fold alone, its bands widened by the bends
};

struct GroupRoads {
  // How many of the amplitudes k0, k1, k2 bend its seams.
  int amplitudes;
  BentFold fold;
  // Bent within these, the program renders; else every pixel is planned.
  BendLimit unfeathered, feathered;
  // Feathered and bent within this (and the program's), the bands blend in lanes, their sides and
  // ramps bent; else they are planned.
  BendLimit bandsInLanes;
  // The program renders bent seams only where both are bent.
  bool bothBent = false;
};

// Bent further than the program follows, the plans' regions past one bent seam reach across
// another or a cell's width, which the steps do not follow; the editor's handles bend by an
// eighth at most. By method.
constexpr GroupRoads kGroupRoads[keTilingMethodCount] = {
    // "P1": the wrap bends by under half a cell (3 k sqrt 2 / 4), which one step wraps.
    {2, BentFold::kBentWrap, Each(0.47), Each(0.47), Each(0.47)},
    // "P2": the plan tests a position it turned across a seam against the other seams' bands by the
    // offsets of the position before the turn. Bent by less than a sixth (the feathers alike, as
    // "P2" sets them), an offset grows more slowly than the distance from the corner its seam starts
    // at, so that no turn takes a position across another seam, and where an offset before a turn
    // differs from the one after it, the position lies further from that seam's band than either:
    // the bands follow the offsets of the final position.
    {3, BentFold::kSteps, kAnyAmplitude, kAnyAmplitude, Each(0.15)},
    {1, BentFold::kSteps, Each(0.5), Each(0.5), Each(0.5)},                              // "PM"
    {2, BentFold::kSteps, Each(0.5), Each(0.5), {0.4, 0.4, 0.4, 0.3}},                   // "PG"
    {0, BentFold::kNoSeams, kAnyAmplitude, kAnyAmplitude, kAnyAmplitude},                // "PMM"
    {2, BentFold::kSteps, Each(0.25), {0.25, 0.25, 0.25, 0.2}, kAnyAmplitude},           // "PMG"
    {2, BentFold::kSteps, Each(0.25), Each(0.25), {kAnyBend, kAnyBend, kAnyBend, 0.2}},  // "PGG"
    {1, BentFold::kSteps, Each(0.25), Each(0.25), Each(0.25)},                           // "CM"
    {1, BentFold::kSteps, kAnyAmplitude, kAnyAmplitude, kAnyAmplitude},                  // "CMM"
    {2, BentFold::kSteps, Each(0.3), Each(0.3), Each(0.3), true},                        // "P4"
    {0, BentFold::kNoSeams, kAnyAmplitude, kAnyAmplitude, kAnyAmplitude},                // "P4M"
    {1, BentFold::kSteps, Each(0.3), Each(0.3), Each(0.3)},                              // "P4G"
    // "P3": the plan clamps onto the rhombus before it bends its edges.
    {2, BentFold::kRhombus, kAnyAmplitude, kAnyAmplitude, kAnyAmplitude},
    {0, BentFold::kNoSeams, kAnyAmplitude, kAnyAmplitude, kAnyAmplitude},  // "P3ML"
    // "P3LM": unfeathered, its one bent seam turns no position across another.
    {1, BentFold::kKiteWidened, Each(1), Each(0.3), Each(0.2)},
    // "P6": unfeathered, its medians bent by any amount.
    {2, BentFold::kKiteWidened, {0.3, kAnyBend, kAnyBend}, Each(0.3), Each(0.125)},
    {0, BentFold::kNoSeams, kAnyAmplitude, kAnyAmplitude, kAnyAmplitude},  // "P6M"
};

// Whether the group's program renders its seams bent so, feathered or not.
constexpr bool ProgramBends(const GroupRoads& roads, bool feathered, double k0, double k1 = 0,
                            double k2 = 0) {
  return (feathered ? roads.feathered : roads.unfeathered).Holds(k0, k1, k2) &&
         (!roads.bothBent || (k0 != 0 && k1 != 0));
}

}  // namespace corvel
