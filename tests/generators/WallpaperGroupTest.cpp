// The tiles of the groups "PM" to "P3LM" through GenerateTile, judged by what a tile must be:
// one period of its lattice, invariant under the group's mirrors, glides and turns, and seamless
// across its edges and seams once feathered.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "core/ProgressMeter.h"
#include "generators/GenerateTile.h"
#include "generators/RectangularPeriod.h"
#include "generators/TileLattice.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

using testing_images::Bgra;
using testing_images::MakeGradient;
using testing_images::MakeWaves;
using testing_images::PixelAt;

// A shape from the anchor (120, 120) of a 240 x 240 gradient (red = x, green = y), P1 at b from
// it and P2 at (width, 0).
TileShape Shape(int method, int width, POINT b, double feather = 0, double k0 = 0, double k1 = 0) {
  TileShape shape;
  shape.method = method;
  shape.p0 = {120, 120};
  shape.p1 = {120 + b.x, 120 + b.y};
  shape.p2 = {120 + width, 120};
  shape.centre = shape.p0;
  shape.seamK0 = k0;
  shape.seamK1 = k1;
  shape.feather = feather;
  shape.area = {0, 0, 239, 239};
  return shape;
}

CoreResult Generate(TileShape shape, CRowIteratorBands& tile, CProgressMeter* meter = nullptr) {
  CRowIteratorBands source;
  MakeGradient(source, 240, 240);
  return GenerateTile(meter, source, shape, tile);
}

// A symmetry of the plane, in tile pixels.
using PlaneMap = std::function<Point2D(const Point2D&)>;

// The lattice the tile was generated on, to state symmetries in lattice coordinates.
struct Lattice {
  POINT a, b;
  Point2D ToPlane(double u, double v) const { return {u * a.x + v * b.x, u * a.y + v * b.y}; }
  Point2D ToLattice(const Point2D& p) const {
    const double det = double(a.x) * b.y - double(b.x) * a.y;
    return {(p.x * b.y - p.y * b.x) / det, (p.y * a.x - p.x * a.y) / det};
  }
  // (u, v) -> (m11 u + m12 v + t1, m21 u + m22 v + t2).
  PlaneMap Affine(double m11, double m12, double m21, double m22, double t1, double t2) const {
    const Lattice l = *this;
    return [=](const Point2D& p) {
      const Point2D uv = l.ToLattice(p);
      return l.ToPlane(m11 * uv.x + m12 * uv.y + t1, m21 * uv.x + m22 * uv.y + t2);
    };
  }
};

// The nearest copy of p to c: turns and mirrors of a lattice whose integer vectors are only
// nearly hexagonal are exact nowhere, and least wrong near their centre.
Point2D NearestCopy(const Lattice& l, const Point2D& p, const Point2D& c) {
  const Point2D uv = l.ToLattice(p - c);
  const Point2D whole = l.ToPlane(std::round(uv.x), std::round(uv.y));
  return p - whole;
}

PlaneMap Turn120About(const Lattice& l, Point2D c) {
  return [l, c](const Point2D& point) {
    const Point2D p = NearestCopy(l, point, c);
    const double cosine = -0.5, sine = std::sqrt(3.0) / 2, dx = p.x - c.x, dy = p.y - c.y;
    return Point2D(c.x + dx * cosine - dy * sine, c.y + dx * sine + dy * cosine);
  };
}

// The mirror across the line through the lattice points A and B.
PlaneMap MirrorThroughAB(const Lattice& l) {
  const Point2D p1 = l.ToPlane(1, 0), p2 = l.ToPlane(0, 1), middle = l.ToPlane(0.5, 0.5);
  return [=](const Point2D& point) {
    const Point2D p = NearestCopy(l, point, middle);
    const double dx = p2.x - p1.x, dy = p2.y - p1.y, t = ((p.x - p1.x) * dx + (p.y - p1.y) * dy) / (dx * dx + dy * dy);
    const Point2D foot(p1.x + t * dx, p1.y + t * dy);
    return Point2D(2 * foot.x - p.x, 2 * foot.y - p.y);
  };
}

// The tile's pixels read once, looked up modulo its size.
struct TileView {
  explicit TileView(CRowIteratorBands& image) : w(image.Width()), h(image.Height()) {
    pixels.reserve(std::size_t(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) pixels.push_back(PixelAt(image, x, y));
  }
  const Bgra& At(long long x, long long y) const {
    return pixels[std::size_t(((y % h) + h) % h) * w + std::size_t(((x % w) + w) % w)];
  }
  int w, h;
  std::vector<Bgra> pixels;

  // The largest change of red or green to a neighbour.
  int LocalStep(int x, int y) const {
    const Bgra here = At(x, y);
    int step = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const Bgra there = At(x + dx, y + dy);
        step = std::max({step, std::abs(there[1] - here[1]), std::abs(there[2] - here[2])});
      }
    return step;
  }
};

// The tile shows the periodic plane picture shifted by `shift`. A symmetry g keeps the picture,
// so pixel p must match the picture at g(p): its red and green lie within `tolerance` of the
// range of the (up to four) pixels around that point. The gradient runs one level a pixel, so a
// point between pixels lies within their range; rounding of the 24.8 sample positions and of
// the integer lattice adds at most a level. Pixels at a hard seam, where neighbours jump by more
// than a smooth picture allows, are left out of unfeathered tiles; they must stay few. A pixel right on a hard seam
// shows one side of it and its image may show the other, so unfeathered tiles allow the jump
// the pixel's own neighbourhood shows beyond the gradient's step.
// `slack` is how far, in pixels, the symmetry may miss for the integer lattice; it allows that
// distance times the local slope of the picture.
void ExpectSymmetry(CRowIteratorBands& tile, Point2D shift, const PlaneMap& g, int tolerance, double slack,
                    bool hardSeams, const std::string& what) {
  // Feathered tiles have no hard seam left to skip.
  const int kSmooth = hardSeams ? 6 : 255;
  const TileView view(tile);
  int checked = 0, skipped = 0, failures = 0;
  for (int y = 0; y < view.h; ++y) {
    for (int x = 0; x < view.w; ++x) {
      const int localStep = view.LocalStep(x, y);
      if (localStep > kSmooth) {
        ++skipped;
        continue;
      }
      const Point2D q = g(Point2D(x + shift.x, y + shift.y)) - shift;
      const long long fx = (long long)std::floor(q.x + 1e-6), fy = (long long)std::floor(q.y + 1e-6);
      const bool betweenX = q.x - fx > 1e-6, betweenY = q.y - fy > 1e-6;
      int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
      for (int i = 0; i <= int(betweenX); ++i)
        for (int j = 0; j <= int(betweenY); ++j) {
          const Bgra there = view.At(fx + i, fy + j);
          for (int c = 1; c < 3; ++c) {
            low[c] = std::min(low[c], there[c]);
            high[c] = std::max(high[c], there[c]);
          }
        }
      if (high[1] - low[1] > kSmooth || high[2] - low[2] > kSmooth) {
        ++skipped;
        continue;
      }
      ++checked;
      const Bgra here = view.At(x, y);
      const int slope = std::max({localStep, high[1] - low[1], high[2] - low[2]});
      const int allowed = tolerance + (hardSeams ? std::max(0, localStep - 1) : 0) + int(std::ceil(slack * slope));
      bool ok = true;
      for (int c = 1; c < 3; ++c) ok = ok && here[c] >= low[c] - allowed && here[c] <= high[c] + allowed;
      if (!ok && ++failures <= 3)
        ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") red " << here[2] << " green " << here[1]
                      << " against red " << low[2] << ".." << high[2] << " green " << low[1] << ".." << high[1]
                      << " at (" << q.x << ", " << q.y << ")";
    }
  }
  EXPECT_EQ(failures, 0) << what;
  EXPECT_LT(skipped, (checked + skipped) / 4) << what << ": too few pixels judged";
}

// The largest step between neighbours inside the tile, and across its right and bottom edges
// to the next repetition.
struct Steps {
  int inside = 0;
  int acrossEdges = 0;
};

Steps NeighbourSteps(CRowIteratorBands& tile) {
  Steps steps;
  const TileView view(tile);
  for (int y = 0; y < view.h; ++y) {
    for (int x = 0; x < view.w; ++x) {
      const Bgra here = view.At(x, y), right = view.At(x + 1, y), below = view.At(x, y + 1);
      int& r = x + 1 == view.w ? steps.acrossEdges : steps.inside;
      int& b = y + 1 == view.h ? steps.acrossEdges : steps.inside;
      for (int c = 0; c < 4; ++c) {
        r = std::max(r, std::abs(here[c] - right[c]));
        b = std::max(b, std::abs(here[c] - below[c]));
      }
    }
  }
  return steps;
}

// One group's case: the shape, the lattice the tile must repeat (shrunk by the feather), the
// shift of the picture in the tile and the group's symmetries on that lattice.
struct GroupCase {
  const char* name;
  TileShape shape;
  Lattice lattice;
  Point2D shift;
  std::vector<PlaneMap> symmetries;
  double slack = 0;
};

// The rectangular shapes are picked so that the shrunk lattices have even sides (48 shrinks to
// 42, 36 or 24): the group's mirrors, glides and turn centres then map pixels onto pixels, and
// the hexagonal ones so that their rectangular periods stay small. The hexagonal lattices are hexagonal only up to the rounding of their integer
// vectors, which moves the turns by up to half a pixel near their centre.
std::vector<GroupCase> Cases(double feather, double k0, double k1) {
  std::vector<GroupCase> cases;
  const double f = feather / 400;
  auto add = [&](const char* name, TileShape shape, Lattice l, std::vector<PlaneMap> (*symmetries)(const Lattice&),
                 Point2D shift = {0, 0}, double slack = 0) {
    cases.push_back({name, shape, l, shift, symmetries(l), slack});
  };
  auto scaled = [](int n, double factor) { return LONG(RoundToInt(n * factor)); };

  add("PM", Shape(keTilingPM, 48, {0, 24}, feather, k0, k1), {{scaled(48, 1 - f), 0}, {0, scaled(48, 1 - f)}},
      [](const Lattice& l) { return std::vector<PlaneMap>{l.Affine(1, 0, 0, -1, 0, 0)}; });
  add("PG", Shape(keTilingPG, 24, {0, 48}, feather, k0, k1),
      {{scaled(48, 1 - 2 * f), 0}, {0, scaled(48, 1 - f)}},
      [](const Lattice& l) { return std::vector<PlaneMap>{l.Affine(1, 0, 0, -1, 0.5, 0)}; });
  add("PMM", Shape(keTilingPMM, 24, {0, 24}, feather, k0, k1), {{48, 0}, {0, 48}}, [](const Lattice& l) {
    return std::vector<PlaneMap>{l.Affine(-1, 0, 0, 1, 0, 0), l.Affine(1, 0, 0, -1, 0, 0)};
  });
  add("PMG", Shape(keTilingPMG, 48, {0, 12}, feather, k0, k1), {{scaled(48, 1 - f), 0}, {0, scaled(48, 1 - f)}},
      [](const Lattice& l) {
        return std::vector<PlaneMap>{l.Affine(-1, 0, 0, -1, 1, 1), l.Affine(1, 0, 0, -1, 0, 0.5)};
      });
  add("PGG", Shape(keTilingPGG, 24, {0, 24}, feather, k0, k1),
      {{scaled(48, 1 - f), 0}, {0, scaled(48, 1 - f)}}, [](const Lattice& l) {  // half fractions, doubled
        return std::vector<PlaneMap>{l.Affine(-1, 0, 0, -1, 0, 0), l.Affine(1, 0, 0, -1, 0.5, 0.5)};
      });
  add("CM", Shape(keTilingCM, -48, {0, 48}, feather, k0, k1), {{scaled(48, 1 - f), 0}, {0, scaled(48, 1 - f)}},
      [](const Lattice& l) { return std::vector<PlaneMap>{l.Affine(0, 1, 1, 0, 0, 0)}; });
  add("CMM", Shape(keTilingCMM, -48, {0, 48}, feather, k0, k1),
      {{scaled(48, 1 - f), scaled(48, 1 - f)}, {scaled(48, 1 - f), -scaled(48, 1 - f)}}, [](const Lattice& l) {
        return std::vector<PlaneMap>{l.Affine(0, 1, 1, 0, 0, 0), l.Affine(0, -1, -1, 0, 1, 1),
                                     l.Affine(-1, 0, 0, -1, 1, 0)};
      });
  add("P4", Shape(keTilingP4, 24, {0, 24}, feather, k0, k1),
      {{scaled(48, 1 - 2 * f), 0}, {0, scaled(48, 1 - 2 * f)}}, [](const Lattice& l) {
        return std::vector<PlaneMap>{l.Affine(0, 1, -1, 0, 0, 1), l.Affine(-1, 0, 0, -1, 1, 1)};
      });
  // The hexagonal groups repeat their cell into the tile, one pixel on and past their origin.
  const Lattice p3{{scaled(90, 1 - 2 * f), scaled(-52, 1 - 2 * f)}, {0, scaled(104, 1 - 2 * f)}};
  add("P3", Shape(keTilingP3, 45, {0, 52}, feather, k0, k1), p3,
      [](const Lattice& l) {
        return std::vector<PlaneMap>{Turn120About(l, {0, 0}), Turn120About(l, l.ToPlane(1.0 / 3, 2.0 / 3))};
      },
      {1, -double(p3.a.y)}, 0.5);
  add("P3ML", Shape(keTilingP3ML, 45, {0, 52}, feather, k0, k1), {{90, -52}, {0, 104}},
      [](const Lattice& l) {
        return std::vector<PlaneMap>{Turn120About(l, {0, 0}), Turn120About(l, l.ToPlane(2.0 / 3, 1.0 / 3)),
                                     MirrorThroughAB(l)};
      },
      {1, 52}, 0.5);
  add("P3LM", Shape(keTilingP3LM, 52, {0, 45}, feather, k0, k1),
      {{scaled(104, 1 - 2 * f), 0}, {scaled(52, 1 - 2 * f), scaled(90, 1 - 2 * f)}},
      [](const Lattice& l) {
        return std::vector<PlaneMap>{Turn120About(l, l.ToPlane(1.0 / 3, 1.0 / 3)), MirrorThroughAB(l)};
      },
      {1, 0}, 0.5);
  return cases;
}

TEST(WallpaperGroups, TilesAreOnePeriodAndKeepTheGroupsSymmetries) {
  struct Setting {
    double feather, k0, k1;
  } settings[] = {{0, 0, 0}, {0, 0.2, -0.15}, {50, 0, 0}, {50, 0.2, -0.15}, {100, -0.1, 0.2}};
  for (const Setting& setting : settings) {
    for (const GroupCase& c : Cases(setting.feather, setting.k0, setting.k1)) {
      const std::string what = std::string(c.name) + " feather " + std::to_string(int(setting.feather)) + " k0 " +
                               std::to_string(setting.k0);
      CRowIteratorBands tile;
      ASSERT_EQ(Generate(c.shape, tile).GetCode(), keErrorNone) << what;
      const POINT period = RectangularPeriod(c.lattice.a, c.lattice.b);
      ASSERT_EQ(tile.Width(), period.x) << what;
      ASSERT_EQ(tile.Height(), period.y) << what;
      // Repeats along the lattice: each lattice vector is a symmetry too.
      const bool hard = setting.feather == 0;
      ExpectSymmetry(tile, c.shift, c.lattice.Affine(1, 0, 0, 1, 1, 0), 1, 0, hard, what + " along A");
      ExpectSymmetry(tile, c.shift, c.lattice.Affine(1, 0, 0, 1, 0, 1), 1, 0, hard, what + " along B");
      for (std::size_t i = 0; i < c.symmetries.size(); ++i)
        ExpectSymmetry(tile, c.shift, c.symmetries[i], 1, c.slack, hard, what + " symmetry " + std::to_string(i));
      if (setting.feather > 0) {
        const Steps steps = NeighbourSteps(tile);
        EXPECT_LE(steps.acrossEdges, steps.inside) << what;
      }
    }
  }
}

// Smooth waves a cell long: inside a copy neighbours differ by a few levels, across a hard
// seam by up to the waves' full height. Feathered, every seam and every corner where seams meet
// must join without a jump, the corners being where the copies' weights are easiest to get wrong.
TEST(WallpaperGroups, FeatheredSeamsAndCornersHaveNoJumps) {
  CRowIteratorBands source;
  MakeWaves(source, 480, 480);
  // A jump of up to 200 levels ramps over the band of a feather of 100: 25 to 37 pixels for
  // most groups, which with the waves' own slope of about 5 gives steps up to 12; PGG's bands
  // are half as wide, PMG's across its half-turn seam a quarter, P3's and P3LM's narrow towards
  // the six-copy corners and the centroid.
  struct Case {
    const char* name;
    int method, width;
    POINT b;
    int largestStep;
  } cases[] = {
      {"PM", keTilingPM, 200, {0, 100}, 12},   {"PG", keTilingPG, 100, {0, 200}, 13},
      {"PMG", keTilingPMG, 200, {0, 50}, 24},  {"PGG", keTilingPGG, 100, {0, 100}, 16},
      {"CM", keTilingCM, -200, {0, 200}, 14},  {"CMM", keTilingCMM, -200, {0, 200}, 12},
      {"P4", keTilingP4, 100, {0, 100}, 12},   {"P3", keTilingP3, 90, {0, 104}, 22},
      {"P3LM", keTilingP3LM, 104, {0, 90}, 26},
  };
  for (const Case& c : cases) {
    for (double k0 : {0.0, 0.2}) {
      const std::string what = std::string(c.name) + " k0 " + std::to_string(k0);
      int largest[2] = {0, 0};
      for (int soft = 0; soft < 2; ++soft) {
        TileShape shape = Shape(c.method, c.width, c.b, soft ? 100 : 0, k0, -k0);
        shape.p0 = {240, 240};
        shape.p1 = {240 + c.b.x, 240 + c.b.y};
        shape.p2 = {240 + c.width, 240};
        shape.centre = shape.p0;
        shape.area = {0, 0, 479, 479};
        CRowIteratorBands tile;
        ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
        const Steps steps = NeighbourSteps(tile);
        largest[soft] = std::max(steps.inside, steps.acrossEdges);
      }
      EXPECT_GE(largest[0], 100) << what;
      EXPECT_LE(largest[1], c.largestStep) << what;
    }
  }
}

}  // namespace
}  // namespace corvel
