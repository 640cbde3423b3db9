// Each group's record of roads against its renders: every bend limit rendered just within and just
// past, the road the render took the one the record names and its bytes within a level of the
// plan in doubles; and the generators' README's table of roads as the records give it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/CpuFeatures.h"
#include "generators/GenerateTile.h"
#include "generators/TileGroups.h"
#include "generators/TileLattice.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/GroupGenerators.h"
#include "generators/groups/GroupRoads.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

using Road = detail::RenderedTile::Road;

// A cell of about 64 to 96 pixels a side, each group's own shape.
TileShape ShapeOf(int method, double feather, const double (&k)[3]) {
  static const POINT picks[keTilingMethodCount][2] = {
      {{0, 96}, {96, 0}},  {{0, 96}, {96, 0}},  {{0, 64}, {96, 0}},  {{0, 96}, {64, 0}},  {{0, 64}, {64, 0}},
      {{0, 32}, {96, 0}},  {{0, 64}, {64, 0}},  {{0, 96}, {-96, 0}}, {{0, 64}, {-64, 0}}, {{0, 64}, {64, 0}},
      {{0, 64}, {-64, 0}}, {{0, 64}, {64, 0}},  {{48, 82}, {95, 0}}, {{48, 82}, {95, 0}}, {{48, 82}, {95, 0}},
      {{48, 82}, {95, 0}}, {{0, 111}, {64, 0}},
  };
  TileShape shape;
  shape.method = method;
  shape.p0 = shape.centre = {150 + (picks[method][1].x < 0 ? 96 : 0), 120};
  shape.p1 = {shape.p0.x + picks[method][0].x, shape.p0.y + picks[method][0].y};
  shape.p2 = {shape.p0.x + picks[method][1].x, shape.p0.y + picks[method][1].y};
  shape.seamK0 = k[0];
  shape.seamK1 = k[1];
  shape.seamK2 = k[2];
  shape.feather = feather;
  shape.area = {0, 0, 399, 399};
  return shape;
}

// What the group's generator renders for the shape, set up as the driver sets it up (upright).
detail::RenderedTile Rendered(CRowIteratorBands& source, const TileShape& shape) {
  const TileLattice lattice = BuildTileLattice(shape.method, shape.p0, shape.p1, shape.p2, shape.centre);
  const std::unique_ptr<TileGenerator> g = detail::CreateTileGenerator(shape.method);
  g->SetSeamCurves(lattice.negateK0 ? -shape.seamK0 : shape.seamK0,
                   lattice.negateK1 ? -shape.seamK1 : shape.seamK1, shape.seamK2);
  g->basisA = g->basisC = lattice.basisA;
  g->basisB = g->basisD = lattice.basisB;
  g->PrepareLattice();
  POINT anchor = lattice.anchor;
  if (lattice.anchorBelowD) anchor = {anchor.x - g->basisD.x, anchor.y - g->basisD.y};
  EXPECT_TRUE(g->TakeSourceArea(source, anchor.x, anchor.y, shape.feather, shape.area).Ok());
  g->SetFeather(shape.feather);
  g->render.cpu = ProbeCpuFeatures();
  g->render.cellIsTile = !lattice.repeats;
  if (lattice.repeats) g->render.periodLimit = {source.Width(), source.Height()};
  EXPECT_EQ(g->Generate(nullptr), 0);
  return g->rendered;
}

Road RoadTaken(CRowIteratorBands& source, const TileShape& shape) { return Rendered(source, shape).road; }

// The road the record names for a group bent by k, its other amplitudes nought.
Road NamedRoad(const GroupRoads& roads, bool feathered, const double (&k)[3]) {
  if (!ProgramBends(roads, feathered, k[0], k[1], k[2])) return Road::kPlanned;
  const bool blends = feathered && roads.fold != BentFold::kNoSeams &&
                      roads.bandsInLanes.Holds(k[0], k[1], k[2]);
  return blends ? Road::kBlended : Road::kFolded;
}

const char* NameOf(Road road) {
  return road == Road::kPlanned ? "planned" : road == Road::kFolded ? "folded" : "blended";
}

// The shape rendered on the fast road and by the plan alone, within a level of each other.
void ExpectFastWithinALevelOfThePlan(CRowIteratorBands& source, const TileShape& shape,
                                     const std::string& what) {
  CRowIteratorBands fast, reference;
  TileShape asked = shape;
  ASSERT_TRUE(GenerateTile(nullptr, source, asked, fast).Ok()) << what;
  {
    const CpuFeaturesOverride planOnly(CpuFeatures{});
    asked = shape;
    ASSERT_TRUE(GenerateTile(nullptr, source, asked, reference).Ok()) << what;
  }
  ASSERT_EQ(fast.Width(), reference.Width()) << what;
  ASSERT_EQ(fast.Height(), reference.Height()) << what;
  EXPECT_LE(testing_images::DifferenceOf(fast, reference).largest, 1) << what;
}

// The amplitudes about each of a limit's finite bounds: each bound of one amplitude just within
// and just past it, the others a little bent, and the bound on one of two with both just past it
// and one just within. Signs alternate, as a bend either way takes the same road.
void AddSweep(const BendLimit& limit, int amplitudes, std::vector<std::vector<double>>& sweep) {
  constexpr double kStep = 0.004, kLittle = 0.05;
  const double mosts[3] = {limit.k0Most, limit.k1Most, limit.k2Most};
  for (int i = 0; i < amplitudes; ++i) {
    if (mosts[i] <= kLittle || mosts[i] >= kAnyBend) continue;
    for (const double at : {mosts[i] - kStep, mosts[i] + kStep}) {
      std::vector<double> k(3, 0.0);
      for (int j = 0; j < amplitudes; ++j) k[j] = j % 2 == 0 ? kLittle : -kLittle;
      k[i] = i % 2 == 0 ? at : -at;
      sweep.push_back(k);
      k[i] = -k[i];
      sweep.push_back(k);
    }
  }
  if (amplitudes >= 2 && limit.oneOf < kAnyBend) {
    const double within = limit.oneOf - kStep, past = limit.oneOf + kStep;
    sweep.push_back({past, -past, 0});
    sweep.push_back({-past, past, 0});
    sweep.push_back({past, -within, 0});
    sweep.push_back({-within, past, 0});
  }
}

TEST(GroupRoads, EveryBendLimitTakesTheNamedRoadEitherSideWithinALevelOfThePlan) {
  if (!ProbeCpuFeatures().sse2) GTEST_SKIP() << "no SSE2: every pixel is planned";
  CRowIteratorBands source;
  testing_images::MakeWaves(source, 400, 400);
  for (int method = 0; method < keTilingMethodCount; ++method) {
    const GroupRoads& roads = kGroupRoads[method];
    for (const double feather : {0.0, 20.0}) {
      std::vector<std::vector<double>> sweep;
      AddSweep(feather != 0 ? roads.feathered : roads.unfeathered, roads.amplitudes, sweep);
      if (feather != 0) AddSweep(roads.bandsInLanes, roads.amplitudes, sweep);
      // Bent far, and each amplitude bent alone.
      for (int i = 0; i < roads.amplitudes; ++i) {
        std::vector<double> k(3, 0.0);
        k[i] = 0.1;
        sweep.push_back(k);
        for (int j = 0; j < roads.amplitudes; ++j) k[j] = j % 2 == 0 ? 0.6 : -0.6;
        sweep.push_back(k);
      }
      for (const std::vector<double>& bend : sweep) {
        const double k[3] = {bend[0], bend[1], bend[2]};
        const TileShape shape = ShapeOf(method, feather, k);
        char what[160];
        std::snprintf(what, sizeof what, "%s feather %g bent %g, %g, %g", FindTileGroup(method)->name,
                      feather, k[0], k[1], k[2]);
        EXPECT_STREQ(NameOf(RoadTaken(source, shape)), NameOf(NamedRoad(roads, feather != 0, k))) << what;
        ExpectFastWithinALevelOfThePlan(source, shape, what);
      }
    }
  }
}

// The road each bend must take, written out rather than read from the records: each kind of limit
// just within and past, and the limits on one of two seams with one past them and one within.
TEST(GroupRoads, BendsTakeTheRoadsTheirLimitsGive) {
  if (!ProbeCpuFeatures().sse2) GTEST_SKIP() << "no SSE2: every pixel is planned";
  CRowIteratorBands source;
  testing_images::MakeWaves(source, 400, 400);
  struct Case {
    int method;
    double feather;
    double k[3];
    Road road;
  };
  constexpr Road kPlanned = Road::kPlanned, kFolded = Road::kFolded, kBlended = Road::kBlended;
  const Case cases[] = {
      // "PG": bands in lanes within 0.4 each, not both past 0.3.
      {keTilingPG, 20, {0.35, -0.1, 0}, kBlended},
      {keTilingPG, 20, {-0.1, 0.35, 0}, kBlended},
      {keTilingPG, 20, {0.35, -0.35, 0}, kFolded},
      {keTilingPG, 20, {0.1, 0.45, 0}, kFolded},
      {keTilingPG, 20, {0.55, 0.1, 0}, kPlanned},
      {keTilingPG, 0, {0.35, -0.35, 0}, kFolded},
      // "PMG": feathered, the program within 0.25 each, not both past 0.2.
      {keTilingPMG, 20, {0.22, -0.1, 0}, kBlended},
      {keTilingPMG, 20, {-0.1, 0.22, 0}, kBlended},
      {keTilingPMG, 20, {-0.22, 0.22, 0}, kPlanned},
      {keTilingPMG, 0, {-0.22, 0.22, 0}, kFolded},
      {keTilingPMG, 0, {0.1, 0.27, 0}, kPlanned},
      // "PGG": bands in lanes while not both past 0.2.
      {keTilingPGG, 20, {0.1, -0.22, 0}, kBlended},
      {keTilingPGG, 20, {0.22, 0.22, 0}, kFolded},
      {keTilingPGG, 20, {0.27, 0.1, 0}, kPlanned},
      // "P2": any bend renders; bands in lanes within 0.15, the third seam's too.
      {keTilingP2, 20, {0.1, -0.1, 0.1}, kBlended},
      {keTilingP2, 20, {0.1, -0.1, 0.2}, kFolded},
      {keTilingP2, 0, {0.6, -0.6, 0.6}, kFolded},
      // "P4": only with both seams bent.
      {keTilingP4, 0, {0.1, 0, 0}, kPlanned},
      {keTilingP4, 20, {0.1, 0.1, 0}, kBlended},
      {keTilingP4, 0, {0.2, -0.35, 0}, kPlanned},
      // "P6": unfeathered, k1 by any amount.
      {keTilingP6, 0, {0.1, -0.6, 0}, kFolded},
      {keTilingP6, 0, {0.35, 0.1, 0}, kPlanned},
      {keTilingP6, 20, {0.1, -0.1, 0}, kBlended},
      {keTilingP6, 20, {0.1, -0.2, 0}, kFolded},
      {keTilingP6, 20, {0.1, -0.35, 0}, kPlanned},
      // "P3LM", "CMM", "P1".
      {keTilingP3LM, 0, {0.6, 0, 0}, kFolded},
      {keTilingP3LM, 20, {-0.25, 0, 0}, kFolded},
      {keTilingP3LM, 20, {0.35, 0, 0}, kPlanned},
      {keTilingCMM, 20, {0.6, 0, 0}, kBlended},
      {keTilingP1, 20, {0.45, -0.45, 0}, kBlended},
      {keTilingP1, 0, {0.1, 0.5, 0}, kPlanned},
  };
  for (const Case& c : cases) {
    const TileShape shape = ShapeOf(c.method, c.feather, c.k);
    char what[160];
    std::snprintf(what, sizeof what, "%s feather %g bent %g, %g, %g", FindTileGroup(c.method)->name,
                  c.feather, c.k[0], c.k[1], c.k[2]);
    EXPECT_STREQ(NameOf(RoadTaken(source, shape)), NameOf(c.road)) << what;
    ExpectFastWithinALevelOfThePlan(source, shape, what);
  }
}

// A feathered tile of one period that its group's half turn or glide takes onto itself makes only
// part of its rows and turns the rest, within a level of the plan: straight and bent, on the
// hexagon and off it (the plan's turns then the hexagon's, which take the pixels right on the cell's
// edges and diagonals apart from their images), picked upright and turned. Unfeathered, every row
// repeated is copied, none turned.
TEST(GroupRoads, FeatheredHexagonalTilesTurnRowsWithinALevelOfThePlan) {
  if (!ProbeCpuFeatures().sse2) GTEST_SKIP() << "no SSE2: every pixel is planned";
  CRowIteratorBands source;
  testing_images::MakeWaves(source, 400, 400);
  const POINT picks[][2] = {
      {{48, 82}, {95, 0}}, {{29, 53}, {58, 0}}, {{37, 61}, {77, 1}}, {{29, 53}, {61, 1}}};
  const int method = keTilingP6;
  for (const POINT(&pick)[2] : picks) {
    for (const double feather : {0.0, 5.0, 20.0}) {
      for (const double bend : {0.0, 0.1}) {
        for (const int angle : {0, 30}) {
          const double k[3] = {bend, -bend, 0};
          TileShape shape = ShapeOf(method, feather, k);
          shape.p1 = {shape.p0.x + pick[0].x, shape.p0.y + pick[0].y};
          shape.p2 = {shape.p0.x + pick[1].x, shape.p0.y + pick[1].y};
          shape.angle = angle;
          char what[160];
          std::snprintf(what, sizeof what, "%s %ld,%ld %ld,%ld feather %g bent %g angle %d",
                        FindTileGroup(method)->name, long(pick[0].x), long(pick[0].y), long(pick[1].x),
                        long(pick[1].y), feather, bend, angle);
          // The record's render is upright.
          if (angle == 0) {
            EXPECT_EQ(Rendered(source, shape).rowsTurned, feather != 0) << what;
          }
          ExpectFastWithinALevelOfThePlan(source, shape, what);
        }
      }
    }
  }
}

// Every sign of each seam's bend, the seams bent alone and together, at the editor's 0.1, a little
// and as far as the program follows, and straight: a fault that leaves a program to the kernel for
// any kinds changes no byte.
TEST(GroupRoads, EveryProgramRunsOnAKernelMadeForItsKinds) {
  if (!ProbeCpuFeatures().sse2) GTEST_SKIP() << "no SSE2: every pixel is planned";
  CRowIteratorBands source;
  testing_images::MakeWaves(source, 400, 400);
  for (int method = 0; method < keTilingMethodCount; ++method) {
    const GroupRoads& roads = kGroupRoads[method];
    for (const double feather : {0.0, 20.0}) {
      const BendLimit& limit = feather != 0 ? roads.feathered : roads.unfeathered;
      const double mosts[3] = {limit.k0Most, limit.k1Most, limit.k2Most};
      std::vector<std::vector<double>> bends{{0, 0, 0}};
      for (int bent = 1; bent < 1 << roads.amplitudes; ++bent) {
        for (int signs = 0; signs < 1 << roads.amplitudes; ++signs) {
          if ((signs & ~bent) != 0) continue;
          for (const double amount : {0.1, 0.03, 0.6}) {
            std::vector<double> k(3, 0.0);
            for (int i = 0; i < roads.amplitudes; ++i)
              if (bent >> i & 1)
                k[i] = (signs >> i & 1 ? -1 : 1) * std::min({amount, mosts[i] - 0.01, limit.oneOf - 0.01});
            bends.push_back(k);
          }
        }
      }
      for (const std::vector<double>& bend : bends) {
        const double k[3] = {bend[0], bend[1], bend[2]};
        const detail::RenderedTile rendered = Rendered(source, ShapeOf(method, feather, k));
        if (rendered.road == Road::kPlanned) continue;
        EXPECT_FALSE(rendered.foldKernelForAnyKinds) << FindTileGroup(method)->name << " feather " << feather
                                                     << " bent " << k[0] << ", " << k[1] << ", " << k[2];
      }
    }
  }
}

std::string Number(double t) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", t);
  return text;
}

// A limit as the README's table gives it: of the group's amplitudes.
std::string Described(const BendLimit& limit, int amplitudes) {
  const double mosts[3] = {limit.k0Most, limit.k1Most, limit.k2Most};
  bool same = true, none = true, eachAny = true;
  for (int i = 0; i < amplitudes; ++i) {
    same = same && mosts[i] == mosts[0];
    none = none && mosts[i] == 0;
    eachAny = eachAny && mosts[i] >= kAnyBend;
  }
  if (none) return "never";
  if (eachAny && limit.oneOf >= kAnyBend) return "any";
  std::string text;
  if (same && !eachAny) {
    text = Number(mosts[0]);
  } else if (!eachAny) {
    for (int i = 0; i < amplitudes; ++i)
      text += (i ? ", k" : "k") + std::to_string(i) + " " + (mosts[i] < kAnyBend ? Number(mosts[i]) : "any");
  }
  if (limit.oneOf < kAnyBend)
    text += (text.empty() ? "" : ", ") + std::string("not both past ") + Number(limit.oneOf);
  return text;
}

std::string TableOfRoads() {
  static const char* const folds[] = {
      "none: always the program",
      "the wrap bends",
      "steps carry across the bent seams",
      "steps carry across the rhombus's bent edges",
      "steps; feathered, the kite's fold, its bands widened",
  };
  std::string table =
      "| group | bends | bent program | renders bent, unfeathered | feathered | bent bands in lanes |\n"
      "|---|---|---|---|---|---|\n";
  for (int method = 0; method < keTilingMethodCount; ++method) {
    const GroupRoads& r = kGroupRoads[method];
    std::string bends = r.amplitudes == 0 ? "none" : "k0";
    for (int i = 1; i < r.amplitudes; ++i) bends += ", k" + std::to_string(i);
    const bool bendable = r.amplitudes != 0;
    const std::string both = r.bothBent ? ", both bent" : "";
    table += std::string("| \"") + FindTileGroup(method)->name + "\" | " + bends + " | " +
             folds[int(r.fold)] + " | " + (bendable ? Described(r.unfeathered, r.amplitudes) + both : "") +
             " | " + (bendable ? Described(r.feathered, r.amplitudes) + both : "") + " | " +
             (bendable ? Described(r.bandsInLanes, r.amplitudes) : "") + " |\n";
  }
  return table;
}

TEST(GroupRoads, TheReadmesTableIsTheRecords) {
  std::ifstream readme(WF_GENERATORS_README);
  ASSERT_TRUE(readme) << WF_GENERATORS_README;
  std::stringstream text;
  text << readme.rdbuf();
  const std::string table = TableOfRoads();
  EXPECT_NE(text.str().find(table), std::string::npos) << "the README's table of roads should read:\n"
                                                       << table;
}

}  // namespace
}  // namespace corvel
