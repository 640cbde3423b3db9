#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/ProgressMeter.h"
#include "core/RowThreads.h"
#include "generators/detail/ImageRows.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/detail/SourceWindow.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/P3MLGenerator.h"
#include "tests/generators/TestLattices.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

using testing_lattices::SetLattice;

using testing_images::Bgra;
using testing_images::MakeGradient;
using testing_images::PixelAt;

TEST(TileGenerator, CellBoundsIsTheBoxOfTheParallelogram) {
  struct Case {
    POINT a, b;
    RECT bounds;
  } cases[] = {
      {{100, 0}, {30, 80}, {0, 0, 130, 80}},    {{-50, 0}, {0, -40}, {-50, -40, 0, 0}},
      {{100, 0}, {-30, 80}, {-30, 0, 100, 80}}, {{40, 10}, {-10, 30}, {-10, 0, 40, 40}},
      {{0, 0}, {0, 0}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    TileGenerator g;
    SetLattice(g, c.a, c.b);
    RECT r = g.CellBounds();
    EXPECT_EQ(r.left, c.bounds.left);
    EXPECT_EQ(r.top, c.bounds.top);
    EXPECT_EQ(r.right, c.bounds.right);
    EXPECT_EQ(r.bottom, c.bounds.bottom);
  }
}

// A period shrunk to exactly half a step rounds to the even step: a feather of 10 on 60 gives 58.
TEST(ShrinkLatticeXY, HalfwayPeriodsRoundToEven) {
  TileGenerator g;
  SetLattice(g, {80, 0}, {0, 60});
  const double factor = 1 - 10.0 / 400;
  ShrinkLatticeXY(g, factor, factor);
  EXPECT_EQ(g.basisA.x, 78);
  EXPECT_EQ(g.basisA.y, 0);
  EXPECT_EQ(g.basisB.x, 0);
  EXPECT_EQ(g.basisB.y, 58);
}

TEST(TileGenerator, LatticeConversionsAreInverse) {
  TileGenerator g;
  SetLattice(g, {40, 10}, {-10, 30});
  EXPECT_DOUBLE_EQ(g.detM, 1300);
  for (double u : {-1.5, 0.0, 0.25, 0.9}) {
    for (double v : {-0.5, 0.0, 0.5, 1.75}) {
      Point2D p = g.LatticeToPlane(u, v);
      EXPECT_NEAR(p.x, 40 * u - 10 * v, 1e-12);
      EXPECT_NEAR(p.y, 10 * u + 30 * v, 1e-12);
      Point2D back = g.PlaneToLattice(p.x, p.y);
      EXPECT_NEAR(back.x, u, 1e-12);
      EXPECT_NEAR(back.y, v, 1e-12);
    }
  }
}

TEST(TileGenerator, AZeroDeterminantLeavesPointsAsTheyAre) {
  TileGenerator g;
  SetLattice(g, {0, 0}, {0, 0});
  for (Point2D p : {g.PlaneToLattice(3, 4), g.LatticeToPlane(3, 4), g.LatticeToSource(3, 4)}) {
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.y, 4);
  }
  SetLattice(g, {10, 20}, {5, 10});  // parallel vectors
  EXPECT_EQ(g.detM, 0);
  EXPECT_EQ(g.PlaneToLattice(3, 4).x, 3);
}

TEST(TileGenerator, WrapToCellMovesByWholeLatticeVectors) {
  TileGenerator g;
  SetLattice(g, {100, 0}, {0, 50});
  Point2D p = g.WrapToCell(150, 10);
  EXPECT_NEAR(p.x, 50, 1e-9);
  EXPECT_NEAR(p.y, 10, 1e-9);
  p = g.WrapToCell(-1, -1);
  EXPECT_NEAR(p.x, 99, 1e-9);
  EXPECT_NEAR(p.y, 49, 1e-9);

  SetLattice(g, {40, 10}, {-10, 30});
  for (int y = -70; y < 90; y += 13) {
    for (int x = -70; x < 90; x += 11) {
      Point2D q = g.WrapToCell(x, y);
      Point2D uv = g.PlaneToLattice(q.x, q.y);
      EXPECT_GE(uv.x, -1e-12);
      EXPECT_LT(uv.x, 1 + 1e-12);
      EXPECT_GE(uv.y, -1e-12);
      EXPECT_LT(uv.y, 1 + 1e-12);
      Point2D shift = g.PlaneToLattice(x - q.x, y - q.y);
      EXPECT_NEAR(shift.x, std::round(shift.x), 1e-9) << x << "," << y;
      EXPECT_NEAR(shift.y, std::round(shift.y), 1e-9) << x << "," << y;
    }
  }
}

TEST(TakeSourceArea, CopiesTheAreaWithInclusiveEdgesAndPlacesTheAnchor) {
  CRowIteratorBands source;
  MakeGradient(source, 40, 40);
  TileGenerator g;
  ASSERT_EQ(g.TakeSourceArea(source, 15, 25, 0, RECT{10, 20, 19, 29}).GetCode(), keErrorNone);
  EXPECT_EQ(g.workImage.Width(), 10);
  EXPECT_EQ(g.workImage.Height(), 10);
  EXPECT_EQ(g.workImage.GetFormat(), keFormatBGRA);
  EXPECT_EQ(PixelAt(g.workImage, 0, 0), (Bgra{7, 20, 10, 255}));
  EXPECT_EQ(PixelAt(g.workImage, 9, 9), (Bgra{7, 29, 19, 255}));
  EXPECT_EQ(g.origin.x, 5);
  EXPECT_EQ(g.origin.y, 5);
}

// An area inside a BGRA source is shared rather than copied: it must still be the area of the
// source's own frame when the source is itself a part of a larger image, and stay readable after
// the source is gone.
TEST(TakeSourceArea, AnAreaInsideAPartOfAnImageIsTakenInThePartsFrame) {
  CRowIteratorBands image, part;
  MakeGradient(image, 40, 40);
  ASSERT_EQ(part.CreateSubView(image, 5, 6, 35, 36).GetCode(), keErrorNone);
  TileGenerator g;
  ASSERT_EQ(g.TakeSourceArea(part, 0, 0, 0, RECT{10, 20, 19, 29}).GetCode(), keErrorNone);
  part.Destroy();
  image.Destroy();
  ASSERT_EQ(g.workImage.Width(), 10);
  ASSERT_EQ(g.workImage.Height(), 10);
  EXPECT_EQ(PixelAt(g.workImage, 0, 0), (Bgra{7, 26, 15, 255}));
  EXPECT_EQ(PixelAt(g.workImage, 9, 9), (Bgra{7, 35, 24, 255}));
}

// A copy lies as the render's window does, rows at one pitch across bands, to be read in place.
TEST(TakeSourceArea, ACopiedAreaLiesAtOnePitchThatSpreadsItsRows) {
  CRowIteratorBands source;
  ASSERT_TRUE(source.CreateBGR(64, 300).Ok());
  TileGenerator g;
  ASSERT_EQ(g.TakeSourceArea(source, 0, 0, 0, RECT{3, 2, 52, 290}).GetCode(), keErrorNone);
  ImageRows rows;
  ASSERT_EQ(rows.Lock(g.workImage), 0);
  for (int y = 0; y + 1 < rows.Height(); ++y)
    ASSERT_EQ(rows.Row(y + 1) - rows.Row(y), SpreadPitch(50 * 4)) << y;
}

TEST(TakeSourceArea, OutsideTheSourceRepeatsTheNearestEdgePixel) {
  CRowIteratorBands source;
  MakeGradient(source, 8, 6);
  TileGenerator g;
  ASSERT_EQ(g.TakeSourceArea(source, 0, 0, 0, RECT{-3, -2, 10, 7}).GetCode(), keErrorNone);
  ASSERT_EQ(g.workImage.Width(), 14);
  ASSERT_EQ(g.workImage.Height(), 10);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 14; ++x) {
      const int sx = std::min(std::max(x - 3, 0), 7), sy = std::min(std::max(y - 2, 0), 5);
      EXPECT_EQ(PixelAt(g.workImage, x, y), (Bgra{7, sy, sx, 255})) << x << "," << y;
    }
  }
  // Wholly outside: every pixel is the nearest corner.
  ASSERT_EQ(g.TakeSourceArea(source, 0, 0, 0, RECT{20, -9, 22, -8}).GetCode(), keErrorNone);
  EXPECT_EQ(PixelAt(g.workImage, 0, 0), (Bgra{7, 0, 7, 255}));
  EXPECT_EQ(PixelAt(g.workImage, 2, 1), (Bgra{7, 0, 7, 255}));
}

TEST(TakeSourceArea, ConvertsOtherFormatsAndLeavesTheSourceViewAlone) {
  CRowIteratorBands source;
  ASSERT_EQ(source.CreateGrey(4, 4, nullptr).GetCode(), keErrorNone);
  for (int y = 0; y < 4; ++y) {
    BYTE* row = source.LockRowPointer(y, 0, -1);
    for (int x = 0; x < 4; ++x) row[x] = BYTE(10 * x + y);
    source.UnlockRow(y);
  }
  TileGenerator g;
  ASSERT_EQ(g.TakeSourceArea(source, 0, 0, 0, RECT{1, 1, 2, 2}).GetCode(), keErrorNone);
  EXPECT_EQ(PixelAt(g.workImage, 1, 0), (Bgra{21, 21, 21, 255}));
  EXPECT_EQ(source.GetFormat(), keFormatGrey);
}

// Converted areas are copied in row bands across the threads, each through a view of its own:
// over several bands and off every edge of a grey and of a BGR source, any thread count gives each
// pixel the nearest source pixel's colour.
TEST(TakeSourceArea, ConvertsAnAreaLeavingTheSourceInBandsOnAnyThreadCount) {
  constexpr int kWidth = 90, kHeight = 300;
  auto level = [](int x, int y) { return BYTE((3 * x + 5 * y) % 251); };
  for (keFormat format : {keFormatGrey, keFormatBGR}) {
    CRowIteratorBands source;
    ASSERT_EQ(source.Create(kWidth, kHeight, format).GetCode(), keErrorNone);
    const int bytes = format == keFormatGrey ? 1 : 3;
    for (int y = 0; y < kHeight; ++y) {
      BYTE* row = source.LockRowPointer(y, 0, -1);
      for (int x = 0; x < kWidth; ++x)
        for (int c = 0; c < bytes; ++c) row[bytes * x + c] = BYTE(level(x, y) + 40 * c);
      source.UnlockRow(y);
    }
    for (const RECT& area : {RECT{-7, -20, kWidth + 4, kHeight + 9}, RECT{30, 100, 60, 270},
                             RECT{kWidth + 2, -5, kWidth + 6, 140}}) {
      for (int threads : {1, 8}) {
        const RowThreads::ScopedCount count(threads);
        TileGenerator g;
        ASSERT_EQ(g.TakeSourceArea(source, 0, 0, 0, area).GetCode(), keErrorNone);
        ASSERT_EQ(g.workImage.Width(), area.right - area.left + 1);
        ASSERT_EQ(g.workImage.Height(), area.bottom - area.top + 1);
        for (int y = 0; y < g.workImage.Height(); ++y) {
          const BYTE* row = g.workImage.LockRowPointer(y, 0, -1);
          for (int x = 0; x < g.workImage.Width(); ++x) {
            const int sx = std::clamp(x + int(area.left), 0, kWidth - 1);
            const int sy = std::clamp(y + int(area.top), 0, kHeight - 1);
            const BYTE grey = level(sx, sy);
            const Bgra want = format == keFormatGrey ? Bgra{grey, grey, grey, 255}
                                                     : Bgra{grey, BYTE(grey + 40), BYTE(grey + 80), 255};
            const Bgra got{row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]};
            ASSERT_EQ(got, want) << format << " threads " << threads << " at " << x << "," << y;
          }
          g.workImage.UnlockRow(y);
        }
      }
    }
    EXPECT_EQ(source.GetFormat(), format);
  }
}

TEST(TakeSourceArea, RefusesAnEmptyAreaAndAnEmptySource) {
  CRowIteratorBands source, none;
  MakeGradient(source, 8, 8);
  TileGenerator g;
  EXPECT_EQ(g.TakeSourceArea(source, 0, 0, 0, RECT{5, 0, 4, 3}).GetCode(), keErrorBadArgument);
  EXPECT_EQ(g.TakeSourceArea(none, 0, 0, 0, RECT{0, 0, 3, 3}).GetCode(), keErrorNotCreated);
}

}  // namespace
}  // namespace corvel

namespace corvel {
namespace {

// "P3ML" reads a pixel around its area; at the source's own edge the worker's clamp stands in for
// it, so an area inside the source is shared, not copied.
TEST(TakeSourceArea, P3MLGrowsTheAreaByAPixelWithinTheSource) {
  CRowIteratorBands source;
  MakeGradient(source, 240, 240);
  struct Case {
    RECT area;
    int width;
    double originX;
  } cases[] = {{{10, 20, 110, 220}, 102, 1}, {{0, 0, 99, 99}, 100, 0}};
  for (const Case& c : cases) {
    P3MLGenerator g;
    ASSERT_EQ(g.TakeSourceArea(source, c.area.left, c.area.top, 0, c.area).GetCode(), keErrorNone);
    EXPECT_EQ(g.workImage.Width(), c.width);
    EXPECT_EQ(g.origin.x, c.originX);
    const int sourceRow = int(c.area.top + 1 - c.originX);
    EXPECT_EQ(g.workImage.LockRowPointer(1, 0, 1),
              source.LockRowPointer(sourceRow, int(c.area.left - c.originX), 1));
    g.workImage.UnlockRow(1);
    source.UnlockRow(sourceRow);
  }
}

}  // namespace
}  // namespace corvel
