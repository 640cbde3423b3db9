// The groups that plan their blended regions just as they describe them: the render mixes a pixel
// of a band's middle or a corner in doubles from the description, which must give the plan's own
// samples and weights.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/CMGenerator.h"
#include "generators/groups/CMPlan.h"
#include "generators/groups/P3Plan.h"
#include "generators/groups/P3Rhombus.h"
#include "generators/groups/P3Seams.h"
#include "generators/groups/P4GGenerator.h"
#include "generators/groups/P4GPlan.h"
#include "generators/groups/P4Generator.h"
#include "generators/groups/P4Plan.h"
#include "generators/groups/P6Kite.h"
#include "generators/groups/P6Seams.h"
#include "generators/groups/PGGGenerator.h"
#include "generators/groups/PGGPlan.h"
#include "generators/groups/PGGenerator.h"
#include "generators/groups/PGPlan.h"
#include "generators/groups/PMGGenerator.h"
#include "generators/groups/PMGPlan.h"
#include "generators/groups/QuarterSeams.h"
#include "generators/groups/QuarterTurn.h"
#include "tests/generators/TestLattices.h"

namespace corvel {
namespace {

using testing_lattices::SetLattice;

// A leaning lattice of odd sizes, the source's alike, feathered by f1 and f2.
void Prepare(TileGenerator& generator, double f1, double f2) {
  SetLattice(generator, {61, 7}, {-5, 43});
  generator.feather1 = f1;
  generator.feather2 = f2;
}

// Feathered and unbent, every pixel in a region of the description, away from the regions' edges
// and the fold's lines, mixes the samples the plan gives, in its order and with its weights.
template <class Seams, class Plan>
void ExpectBlendsMixAsThePlan(TileGenerator& generator,
                              void (*describeFold)(const Seams&, detail::FoldProgram&),
                              void (*describeBlends)(const Seams&, detail::SeamBlends&),
                              Point2D (*fold)(Point2D), std::initializer_list<double> lines, double f2) {
  Prepare(generator, 0.2, f2);
  const Seams seams(generator);
  detail::FoldProgram program;
  describeFold(seams, program);
  detail::SeamBlends blends;
  describeBlends(seams, blends);
  const detail::SeamBlendsInDoubles inDoubles(blends, program, generator);
  const Plan planOf(generator, seams);
  auto nearLine = [&](double t, double half) {
    for (const double line : lines)
      for (const double at : {line, line + half, line - half})
        if (std::abs(t - at) < 1e-6) return true;
    return false;
  };
  int compared = 0, blended = 0;
  for (int y = -30; y < 90; ++y) {
    for (int x = -30; x < 90; ++x) {
      const Point2D folded = fold(CellPosition(generator, x, y));
      if (nearLine(folded.x, seams.hu) || nearLine(folded.y, seams.hv)) continue;
      SamplePlan mixed, planned;
      if (!inDoubles.Plan(Point2D(x, y), mixed)) continue;
      planOf(x, y, planned);
      SCOPED_TRACE(::testing::Message() << "pixel " << x << ", " << y);
      ASSERT_EQ(mixed.count, planned.count);
      for (int i = 0; i < mixed.count; ++i) {
        EXPECT_NEAR(mixed.points[i].x, planned.points[i].x, 1e-9) << i;
        EXPECT_NEAR(mixed.points[i].y, planned.points[i].y, 1e-9) << i;
        EXPECT_NEAR(mixed.weights[i], planned.weights[i], 1e-12) << i;
      }
      ++compared;
      blended += mixed.count > 1;
    }
  }
  EXPECT_GT(blended, compared / 4);
}

TEST(GroupBlends, MixThePixelsInDoublesAsThePlan) {
  PGGenerator pg;
  ExpectBlendsMixAsThePlan<PGSeams, PGPlan>(pg, DescribePGFold, DescribePGBlends, PGGenerator::Fold,
                                            {0, 0.5, 1}, 0.3);
  PGGGenerator pgg;
  ExpectBlendsMixAsThePlan<PGGSeams, PGGPlan>(pgg, DescribePGGFold, DescribePGGBlends, PGGGenerator::Fold,
                                              {0, 0.5}, 0.3);
  // "PMG"'s strip is a quarter cell high: its half-turn seam's band narrower.
  PMGGenerator pmg;
  ExpectBlendsMixAsThePlan<PMGSeams, PMGPlan>(pmg, DescribePMGFold, DescribePMGBlends, PMGGenerator::Fold,
                                              {0, 0.25, 1}, 0.1);
  // "P4" and "P4G" share the quarter's seams; "P4G" mirrors it further across its diagonal.
  P4Generator p4;
  ExpectBlendsMixAsThePlan<QuarterSeams, P4Plan>(
      p4, [](const QuarterSeams& s, detail::FoldProgram& program) { DescribeQuarterFold(s, false, program); },
      DescribeQuarterBlends, QuarterTurn::OntoQuarter, {0, 0.5}, 0.3);
  P4GGenerator p4g;
  ExpectBlendsMixAsThePlan<QuarterSeams, P4GPlan>(
      p4g, [](const QuarterSeams& s, detail::FoldProgram& program) { DescribeQuarterFold(s, true, program); },
      DescribeQuarterBlends, QuarterTurn::OntoQuarterMirrored, {0, 0.5}, 0.3);
  // "CM"'s triangle, its corner at (1, 0) weighed by areas too.
  CMGenerator cm;
  ExpectBlendsMixAsThePlan<CMSeams, CMPlan>(cm, DescribeCMFold, DescribeCMBlends, CMGenerator::Fold, {0, 1},
                                            0.2);
}

// The first region of the blends that holds a point of their frame, its sides bent; -1 where none
// does, or where the point lies within `clear` of a side.
int RegionHolding(const detail::SeamBlends& blends, const Point2D& at, double clear) {
  for (int r = 0; r < blends.regionCount; ++r) {
    const detail::BlendRegion& region = blends.regions[r];
    bool inside = true;
    for (int i = 0; i < region.sideCount; ++i) {
      const detail::HalfPlane& side = region.sides[i];
      const double sum = side.nu * at.x + side.nv * at.y + side.n1 + blends.BentBy(region.sideBends[i], at);
      if (std::abs(sum) < clear) return -1;
      inside = inside && sum < 0;
    }
    if (inside) return r;
  }
  return -1;
}

// Bent "P3" carries a position past a bent edge onto the copy turned about its anchor, where the
// plan bends the edges by the bump of the position before the carry: the carried pixels away from
// a corner lie in a band or the copy past it, mixed in lanes as the plan mixes them, bent either
// way and at feathers a little narrower and wider than the bends.
TEST(GroupBlends, BentP3MixesWhatItsCarriesCarryAsThePlan) {
  for (const double feather : {0.05, 0.2})
    for (const double k0 : {-0.1, 0.1})
      for (const double k1 : {-0.1, 0.0, 0.1}) {
        SCOPED_TRACE(::testing::Message() << "feather " << feather << " bent " << k0 << ", " << k1);
        TileGenerator g;
        SetLattice(g, {203, -47}, {-61, 199});
        g.feather1 = g.feather2 = feather;
        g.seamK0 = k0;
        g.seamK1 = k1;
        ShrinkHexagonalLattice(g, 1 - 2 * feather);
        const P3Rhombus rhombus(g);
        const P3Seams seams(g);
        detail::FoldProgram program;
        DescribeP3Fold(g, rhombus, seams, program, k1 == 0);
        AddP3BentSteps(g, seams, program);
        detail::SeamBlends blends;
        DescribeP3Blends(g, seams, program, blends);
        ASSERT_FALSE(blends.overran);
        const P3Plan planOf(g, rhombus, seams);
        int carried = 0, mixed = 0;
        for (int y = 0; y < 220; ++y) {
          for (int x = 0; x < 220; ++x) {
            const Point2D q = rhombus.Fold(g.WrapToCell(x, y));
            const Point2D st = seams.frame.PlaneToLattice(q.x, q.y);
            const Point2D own = seams.source(Clamp01(st.x), Clamp01(st.y));
            SamplePlan plan;
            planOf(x, y, plan);
            // A band's first sample and a single one are the own sample, where carried the carried.
            if (plan.count > 2 ||
                std::abs(plan.points[0].x - own.x) + std::abs(plan.points[0].y - own.y) < 1e-6)
              continue;
            ++carried;
            const Point2D at = seams.ToFrame(plan.points[0]);
            const int r = RegionHolding(blends, at, 1e-6);
            if (r < 0 || !(blends.regions[r].kind == detail::BlendKind::kBand ||
                           blends.regions[r].kind == detail::BlendKind::kOwn))
              continue;
            ++mixed;
            SCOPED_TRACE(::testing::Message() << "pixel " << x << ", " << y << " region " << r);
            const detail::BlendRegion& region = blends.regions[r];
            if (region.kind == detail::BlendKind::kOwn) {
              EXPECT_EQ(plan.count, 1);
              continue;
            }
            ASSERT_EQ(plan.count, 2);
            const detail::LatticeAffine& p = region.partner;
            const detail::LatticeLinear& w = region.weight;
            EXPECT_NEAR(p.uu * at.x + p.uv * at.y + p.u1, plan.points[1].x, 1e-9);
            EXPECT_NEAR(p.vu * at.x + p.vv * at.y + p.v1, plan.points[1].y, 1e-9);
            EXPECT_NEAR(Clamp01(w.wu * at.x + w.wv * at.y + w.w1 + blends.BentBy(region.weightBends, at)),
                        plan.weights[0], 1e-9);
          }
        }
        EXPECT_GT(mixed, carried / 2) << carried;
      }
}

// Bent "P6" describes the most regions of any group, bent both ways within the editor's eighth:
// its description fits the blends' room, so that it is made rather than left to the plan.
TEST(GroupBlends, BentP6FitsTheRoom) {
  for (const double k0 : {-0.125, 0.125})
    for (const double k1 : {-0.125, 0.125}) {
      TileGenerator g;
      SetLattice(g, {64, 0}, {32, 55});
      g.feather1 = g.feather2 = 0.2;
      g.seamK0 = k0;
      g.seamK1 = k1;
      ShrinkLatticeXY(g, 1 - 2 * g.feather1, 1 - 2 * g.feather2);
      const P6Kite kite(g, g.feather1 / 2, g.feather2 / 2);
      const P6Seams seams(g, kite);
      detail::FoldProgram program;
      DescribeP6BentFeatheredFold(kite, seams, program);
      detail::SeamBlends blends;
      DescribeP6BentBlends(kite, seams, blends);
      detail::SeamBlendArgs args;
      EXPECT_FALSE(blends.overran) << k0 << ", " << k1;
      EXPECT_TRUE(detail::MakeSeamBlendArgs(blends, program, g, args)) << k0 << ", " << k1;
    }
}

}  // namespace
}  // namespace corvel
