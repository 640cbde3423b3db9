// Checks of a finished tile for the generator tests: the symmetries of the plane it must keep,
// stated on the lattice it was generated on, and the steps between neighbouring pixels inside
// it and across its edges.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "core/RowIteratorBands.h"
#include "generators/GenerateTile.h"
#include "generators/Geometry.h"
#include "generators/RectangularPeriod.h"
#include "generators/TileLattice.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace tile_symmetry {

using testing_images::Bgra;
using testing_images::PixelAt;

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

// The lattice of the pick scaled to a tile of that size: where the feather shrinks a lattice it
// keeps its structure, so this lattice is whole and its period is the tile.
inline Lattice TileLatticeOf(const TileShape& shape, POINT size, const std::string& what) {
  const TileLattice picked = BuildTileLattice(shape.method, shape.p0, shape.p1, shape.p2, shape.centre);
  const POINT period = RectangularPeriod(picked.basisA, picked.basisB);
  const long long w = size.x, h = size.y;
  EXPECT_LE(w, period.x) << what;
  EXPECT_LE(h, period.y) << what;
  for (POINT v : {picked.basisA, picked.basisB}) {
    EXPECT_EQ(v.x * w % period.x, 0) << what;
    EXPECT_EQ(v.y * h % period.y, 0) << what;
  }
  auto scaled = [&](POINT v) { return POINT{LONG(v.x * w / period.x), LONG(v.y * h / period.y)}; };
  return {scaled(picked.basisA), scaled(picked.basisB)};
}

inline Lattice TileLatticeOf(const TileShape& shape, CRowIteratorBands& tile, const std::string& what) {
  return TileLatticeOf(shape, POINT{tile.Width(), tile.Height()}, what);
}

// Where the tile shows the plane's origin: the repeated groups show their cell one pixel on,
// past a rising A.
inline Point2D TileShift(const TileShape& shape, const Lattice& l) {
  const TileLattice picked = BuildTileLattice(shape.method, shape.p0, shape.p1, shape.p2, shape.centre);
  return Point2D(picked.repeats ? 1 : 0, -std::min(0.0, double(l.a.y)));
}

// The nearest copy of p to c: turns and mirrors of a lattice whose integer vectors are only
// nearly hexagonal are exact nowhere, and least wrong near their centre.
inline Point2D NearestCopy(const Lattice& l, const Point2D& p, const Point2D& c) {
  const Point2D uv = l.ToLattice(p - c);
  const Point2D whole = l.ToPlane(std::round(uv.x), std::round(uv.y));
  return p - whole;
}

// The turn by `degrees` about c, applied to the copy of a point nearest to c.
inline PlaneMap TurnAbout(const Lattice& l, Point2D c, double degrees) {
  const double radians = degrees * 3.141592653589793 / 180, cosine = std::cos(radians),
               sine = std::sin(radians);
  return [=](const Point2D& point) {
    const Point2D p = NearestCopy(l, point, c);
    const double dx = p.x - c.x, dy = p.y - c.y;
    return Point2D(c.x + dx * cosine - dy * sine, c.y + dx * sine + dy * cosine);
  };
}

inline PlaneMap Turn120About(const Lattice& l, Point2D c) { return TurnAbout(l, c, 120); }

// The mirror across the line through the plane points p1 and p2, applied to the copy of a point
// nearest to their middle.
inline PlaneMap MirrorThrough(const Lattice& l, Point2D p1, Point2D p2) {
  const Point2D middle = (p1 + p2) * 0.5;
  return [=](const Point2D& point) {
    const Point2D p = NearestCopy(l, point, middle);
    const double dx = p2.x - p1.x, dy = p2.y - p1.y,
                 t = ((p.x - p1.x) * dx + (p.y - p1.y) * dy) / (dx * dx + dy * dy);
    const Point2D foot(p1.x + t * dx, p1.y + t * dy);
    return Point2D(2 * foot.x - p.x, 2 * foot.y - p.y);
  };
}

// The mirror across the line through the lattice points A and B.
inline PlaneMap MirrorThroughAB(const Lattice& l) {
  return MirrorThrough(l, l.ToPlane(1, 0), l.ToPlane(0, 1));
}

// The turns, mirrors and glides of each group beyond its lattice's moves, on the lattice its
// tile was generated on.
inline std::vector<PlaneMap> GroupSymmetries(int method, const Lattice& l) {
  switch (method) {
    case keTilingP2:
      return {l.Affine(-1, 0, 0, -1, 0, 0)};
    case keTilingPM:
      return {l.Affine(1, 0, 0, -1, 0, 0)};
    case keTilingPG:
      return {l.Affine(1, 0, 0, -1, 0.5, 0)};
    case keTilingPMM:
      return {l.Affine(-1, 0, 0, 1, 0, 0), l.Affine(1, 0, 0, -1, 0, 0)};
    case keTilingPMG:
      return {l.Affine(-1, 0, 0, -1, 1, 1), l.Affine(1, 0, 0, -1, 0, 0.5)};
    case keTilingPGG:
      return {l.Affine(-1, 0, 0, -1, 0, 0), l.Affine(1, 0, 0, -1, 0.5, 0.5)};
    case keTilingCM:
      return {l.Affine(0, 1, 1, 0, 0, 0)};
    case keTilingCMM:
      return {l.Affine(0, 1, 1, 0, 0, 0), l.Affine(0, -1, -1, 0, 1, 1), l.Affine(-1, 0, 0, -1, 1, 0)};
    case keTilingP4:
      return {l.Affine(0, 1, -1, 0, 0, 1), l.Affine(-1, 0, 0, -1, 1, 1)};
    case keTilingP4M:
      return {TurnAbout(l, {0, 0}, 90), TurnAbout(l, l.ToPlane(0.5, 0.5), 90), l.Affine(-1, 0, 0, 1, 0, 0),
              l.Affine(0, 1, 1, 0, 0, 0)};
    case keTilingP4G:
      // The quarter turns, the mirror u + v = 0.5 and the glide along u across v = 0.25.
      return {TurnAbout(l, {0, 0}, 90), TurnAbout(l, l.ToPlane(0.5, 0.5), 90),
              l.Affine(0, -1, -1, 0, 0.5, 0.5), l.Affine(1, 0, 0, -1, 0.5, 0.5)};
    case keTilingP3:
      return {TurnAbout(l, {0, 0}, 120), TurnAbout(l, l.ToPlane(1.0 / 3, 2.0 / 3), 120)};
    case keTilingP3ML:
      return {TurnAbout(l, {0, 0}, 120), TurnAbout(l, l.ToPlane(2.0 / 3, 1.0 / 3), 120), MirrorThroughAB(l)};
    case keTilingP3LM:
      return {TurnAbout(l, l.ToPlane(1.0 / 3, 1.0 / 3), 120), MirrorThroughAB(l)};
    case keTilingP6:
      return {TurnAbout(l, {0, 0}, 60), TurnAbout(l, l.ToPlane(1.0 / 3, 1.0 / 3), 120),
              TurnAbout(l, l.ToPlane(0.5, 0), 180), TurnAbout(l, l.ToPlane(0.5, 0.5), 180)};
    case keTilingP6M:
      return {TurnAbout(l, {0, 0}, 60), TurnAbout(l, l.ToPlane(1.0 / 3, 2.0 / 3), 120),
              TurnAbout(l, l.ToPlane(0.5, 0), 180), MirrorThrough(l, {0, 0}, l.ToPlane(1, 1)),
              MirrorThrough(l, {0, 0}, l.ToPlane(0.5, 1))};
    default:
      return {};
  }
}

// The tile's pixels read once, looked up modulo its size.
struct TileView {
  explicit TileView(CRowIteratorBands& image) : w(image.Width()), h(image.Height()) {
    // A grey tile is read as the BGRA it stands for.
    CRowIteratorBands bgra;
    EXPECT_TRUE(bgra.ShareFrom(image).Ok());
    EXPECT_TRUE(bgra.SetViewFormat(keFormatBGRA, keAccessRead).Ok());
    pixels.reserve(std::size_t(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) pixels.push_back(PixelAt(bgra, x, y));
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
// than a smooth picture allows, are left out of unfeathered tiles; they must stay few. A pixel right on a
// hard seam shows one side of it and its image may show the other, so unfeathered tiles allow the jump the
// pixel's own neighbourhood shows beyond the gradient's step. `slack` is how far, in pixels, the symmetry may
// miss for the integer lattice; it allows that distance times the local slope of the picture.
inline void ExpectSymmetry(CRowIteratorBands& tile, Point2D shift, const PlaneMap& g, int tolerance,
                           double slack, bool hardSeams, const std::string& what) {
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
      const int allowed = tolerance + (hardSeams ? std::max(0, localStep - 1) : 0) +
                          int(std::ceil(slack * slope));
      bool ok = true;
      for (int c = 1; c < 3; ++c) ok = ok && here[c] >= low[c] - allowed && here[c] <= high[c] + allowed;
      if (!ok && ++failures <= 3)
        ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") red " << here[2] << " green " << here[1]
                      << " against red " << low[2] << ".." << high[2] << " green " << low[1] << ".."
                      << high[1] << " at (" << q.x << ", " << q.y << ")";
    }
  }
  EXPECT_EQ(failures, 0) << what;
  EXPECT_LT(skipped, (checked + skipped) / 4) << what << ": too few pixels judged";
}

// The tile generated from `shape` repeats along its lattice and keeps its group's symmetries.
inline void ExpectGroupSymmetries(CRowIteratorBands& tile, const TileShape& shape, bool hardSeams,
                                  const std::string& what) {
  const Lattice l = TileLatticeOf(shape, tile, what);
  const Point2D shift = TileShift(shape, l);
  // Integer lattices of the hexagonal groups are only nearly so.
  const int m = shape.method;
  const double slack = m >= keTilingP3 ? 0.5 : 0;
  ExpectSymmetry(tile, shift, l.Affine(1, 0, 0, 1, 1, 0), 1, 0, hardSeams, what + " along A");
  ExpectSymmetry(tile, shift, l.Affine(1, 0, 0, 1, 0, 1), 1, 0, hardSeams, what + " along B");
  const std::vector<PlaneMap> symmetries = GroupSymmetries(m, l);
  for (std::size_t i = 0; i < symmetries.size(); ++i)
    ExpectSymmetry(tile, shift, symmetries[i], 1, slack, hardSeams, what + " symmetry " + std::to_string(i));
}

// The largest step between neighbours inside the tile, and across its right and bottom edges
// to the next repetition.
struct Steps {
  int inside = 0;
  int acrossEdges = 0;
};

inline Steps NeighbourSteps(CRowIteratorBands& tile) {
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

}  // namespace tile_symmetry
}  // namespace corvel
