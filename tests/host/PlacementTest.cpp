// wf-host's placement of each group's shape, judged by what the filter got (the settings it keeps
// in the registry) and by what it made: on a non-square image, turned or not, a tile of the group
// that read no sample past its bounding box. --raw hands every value on as given.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <typeinfo>

#include "core/ProgressMeter.h"
#include "core/Rounding.h"
#include "generators/GenerateTile.h"
#include "generators/RectangularPeriod.h"
#include "host/ShapePlacement.h"
#include "resources/ParameterTable.h"
#include "shapes/P1Shape.h"
#include "tests/generators/TileSymmetry.h"
#include "tests/generators/TileTestImages.h"
#include "tests/host/WfHostFixture.h"

namespace {

using namespace wf_host_test;
using corvel::CRowIteratorBands;

constexpr int kWidth = 240, kHeight = 180;

// The generator tests' gradient (MakeGradient), which the host reads from a file.
corvel::testing_images::Bgra GradientAt(int x, int y) { return {7, y, x, 255}; }

// What the filter last ran with in the folder, by parameter name: integers and floats as the
// registry keeps them.
std::map<std::string, double> Settings(const std::string& folder) {
  std::map<std::string, double> values;
  std::istringstream lines(Contents(folder + "/registry"));
  for (std::string line; std::getline(lines, line);) {
    const std::size_t close = line.find("\"=4:");
    if (line.empty() || line[0] != '"' || close == std::string::npos || line.size() < close + 12) continue;
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
      bits = bits << 8 | std::stoul(line.substr(close + 4 + 2 * i, 2), nullptr, 16);
    const std::string name = line.substr(1, close - 1);
    const resources::ParameterRow* row = nullptr;
    for (const resources::ParameterRow& r : resources::kParameterTable)
      if (name == r.name) row = &r;
    if (!row) continue;
    float real = 0;
    std::memcpy(&real, &bits, sizeof real);
    values[name] = row->kind == resources::ParameterKind::Float ? real : double(std::int32_t(bits));
  }
  return values;
}

class Placement : public WfHost {
 protected:
  void SetUp() override {
    WfHost::SetUp();
    std::string rgb;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const corvel::testing_images::Bgra pixel = GradientAt(x, y);
        rgb += {char(pixel[2]), char(pixel[1]), char(pixel[0])};
      }
    std::ofstream(Path("gradient.rgb"), std::ios::binary) << rgb;
    ASSERT_TRUE(Convert("-size " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                        " -depth 8 rgb:" + Path("gradient.rgb") + " " + Path("gradient.png")));
  }
};

TEST_F(Placement, HelpSaysWhichPlacementIsInForce) {
  const std::string placed = Output(WF_HOST_PATH " --help"), raw = Output(WF_HOST_PATH " --raw --help");
  EXPECT_NE(placed.find("Placement: the group's shape"), std::string::npos) << placed;
  EXPECT_NE(raw.find("Placement: raw"), std::string::npos) << raw;
  for (const char* family : {"rectangular", "square", "rhombic", "hexagonal"})
    EXPECT_NE(placed.find(family), std::string::npos) << family;
}

TEST_F(Placement, RawHandsOnEveryValueAsGivenAndPlacementDerivesTheBox) {
  const std::map<std::string, std::string> given = {
      {"Point1X", "0.31"},       {"Point1Y", "0.77"},     {"Point2X", "0.83"},      {"Point2Y", "0.12"},
      {"Point3X", "0.05"},       {"Point3Y", "0.5"},      {"PointCenterX", "0.47"}, {"PointCenterY", "0.44"},
      {"Spline1", "0.9"},        {"BoundBoxLeft", "0.2"}, {"BoundBoxTop", "0.1"},   {"BoundBoxRight", "0.7"},
      {"BoundBoxBottom", "0.65"}};
  std::string sets = " --set TilingMethod=P2 --set Angle=30";
  for (const auto& [name, value] : given) sets += " --set " + name + "=" + value;
  ASSERT_EQ(Host("--raw --in gradient.png --out raw.png" + sets).exitCode, 0);
  std::map<std::string, double> got = Settings(folder_);
  for (const auto& [name, value] : given) EXPECT_EQ(got[name], std::stof(value)) << name;
  EXPECT_EQ(got["Angle"], 30);

  // Placed, the box the user gave stays.
  ASSERT_EQ(Host("--in gradient.png --out placed.png" + sets).exitCode, 0);
  got = Settings(folder_);
  EXPECT_EQ(got["BoundBoxLeft"], 0.2f);
  EXPECT_EQ(got["BoundBoxBottom"], 0.65f);
  // Without one the box follows the cell (GroupPlacement judges that it holds all the cell reads).
  ASSERT_EQ(Host("--in gradient.png --out placed.png --set TilingMethod=P2 --set Angle=30").exitCode, 0);
  got = Settings(folder_);
  EXPECT_NE(got["BoundBoxLeft"], 0.3f);
  EXPECT_NE(got["BoundBoxRight"], 0.6f);
}

// With a selection the filter works on the selection's box, and the shape's fractions are of it:
// the square group's cell is square in the box's pixels.
TEST_F(Placement, WithASelectionTheCellIsPlacedOnTheSelectionsBox) {
  constexpr int kBoxWidth = 140, kBoxHeight = 100;
  ASSERT_TRUE(Convert("-size " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                      " xc:black -fill white -draw 'rectangle 100,30 " + std::to_string(99 + kBoxWidth) +
                      "," + std::to_string(29 + kBoxHeight) + "' -depth 8 -type Grayscale " +
                      Path("mask.png")));
  ASSERT_EQ(Host("--in gradient.png --out out.png --selection mask.png --set TilingMethod=P4").exitCode, 0);
  std::map<std::string, double> got = Settings(folder_);
  auto edge = [&](const std::string& point) {
    return corvel::Point2D((got[point + "X"] - got["Point3X"]) * kBoxWidth,
                           (got[point + "Y"] - got["Point3Y"]) * kBoxHeight);
  };
  const corvel::Point2D a = edge("Point2"), b = edge("Point1");
  EXPECT_NEAR(std::hypot(a.x, a.y), std::hypot(b.x, b.y), 1);
  EXPECT_NEAR(a.x * b.x + a.y * b.y, 0, std::hypot(a.x, a.y));
}

// The shape the filter renders from its settings on an image of that size, as its render routine
// reads them.
corvel::TileShape ShapeOf(std::map<std::string, double>& got, int width = kWidth, int height = kHeight) {
  auto at = [&](const std::string& point) {
    return POINT{corvel::RoundToInt(got[point + "X"] * width), corvel::RoundToInt(got[point + "Y"] * height)};
  };
  corvel::TileShape shape;
  shape.method = int(got["TilingMethod"]);
  shape.angle = int(got["Angle"]);
  shape.seamK0 = got["Spline1"];
  shape.seamK1 = got["Spline2"];
  shape.seamK2 = got["Spline3"];
  shape.feather = got["Feathering"];
  shape.p1 = at("Point1");
  shape.p2 = at("Point2");
  shape.p0 = at("Point3");
  shape.centre = at("PointCenter");
  shape.area = RECT{0, 0, width - 1, height - 1};
  shape.tileSize = int(got["TileSize"]);
  return shape;
}

// The shape wf-host places for the group, to tell the group's own from the "P1" cell it edits
// until its own is built.
bool HasOwnShape(int method) {
  wfhost::Descriptor descriptor(1);
  for (const resources::ParameterRow& row : resources::kParameterTable)
    if (row.id == resources::kTilingMethod) descriptor[0].key = row.key;
  descriptor[0].integer = method;
  wfhost::ShapePlacement placement;
  const shapes::TargetShape* shape = placement.Place(kWidth, kHeight, {}, descriptor);
  return shape && (method == 0 || typeid(*shape) != typeid(shapes::P1Shape));
}

// The settings wf-host hands the filter for the group turned by angle on an image of that size,
// by parameter name as Settings reads them back: placed as the editor places the shape.
std::map<std::string, double> PlacedSettings(int method, int angle, int width, int height) {
  wfhost::Descriptor descriptor;
  for (const resources::ParameterRow& row : resources::kParameterTable) {
    wfhost::DescriptorValue value;
    value.key = row.key;
    value.integer = std::int32_t(row.defaultValue);
    if (row.id == resources::kTilingMethod) value.integer = method;
    if (row.id == resources::kAngle) value.integer = angle;
    value.real = row.defaultValue;
    descriptor.push_back(value);
  }
  std::map<std::string, double> values;
  wfhost::ShapePlacement placement;
  if (!placement.Place(width, height, {}, descriptor)) return values;
  for (const resources::ParameterRow& row : resources::kParameterTable)
    for (const wfhost::DescriptorValue& value : descriptor)
      if (value.key == row.key)
        values[row.name] = row.kind == resources::ParameterKind::Float ? double(float(value.real))
                                                                       : value.integer;
  return values;
}

// The last run's output, judged: its tile is the group's, and no sample was read past the box.
void ExpectTheGroupsTile(const std::string& folder, const std::string& what) {
  std::map<std::string, double> got = Settings(folder);
  corvel::TileShape shape = ShapeOf(got);
  CRowIteratorBands source, tile;
  corvel::testing_images::MakeGradient(source, kWidth, kHeight);
  // The whole image as the box: a sample the filter clamped at its box's edge differs here.
  ASSERT_EQ(corvel::GenerateTile(nullptr, source, shape, tile).GetCode(), corvel::keErrorNone) << what;
  const std::string samples = Samples(folder + "/out.png", 8);
  ASSERT_EQ(samples.size(), std::size_t(kWidth) * kHeight * 3) << what;
  // The output repeats the tile from its origin. Its tile is judged: as far as the output
  // shows it, the output's own samples, past that the render they matched.
  CRowIteratorBands shown;
  ASSERT_EQ(shown.CreateCopy(tile).GetCode(), corvel::keErrorNone) << what;
  int largest = 0;
  for (int y = 0; y < std::min(kHeight, tile.Height()); ++y) {
    BYTE* row = shown.LockRowPointer(y, 0, -1);
    for (int x = 0; x < std::min(kWidth, tile.Width()); ++x)
      for (int c = 0; c < 3; ++c) {
        const int sample = std::uint8_t(samples[(std::size_t(y) * kWidth + x) * 3 + c]);
        largest = std::max(largest, std::abs(sample - row[4 * x + 2 - c]));
        row[4 * x + 2 - c] = BYTE(sample);
      }
    shown.UnlockRow(y);
  }
  EXPECT_LE(largest, 1) << what << ": samples past the box";
  corvel::tile_symmetry::ExpectGroupSymmetries(shown, shape, shape.feather == 0, what);
}

class GroupPlacement : public Placement, public testing::WithParamInterface<int> {};

TEST_P(GroupPlacement, TheOutputIsTheGroupsTileReadWithinTheBox) {
  const int method = GetParam();
  const std::string group = resources::kGroupNames[method];
  const bool ownShape = HasOwnShape(method);
  for (int angle : {0, 30})
    for (int feather : {0, 10}) {
      const std::string what = group + " at " + std::to_string(angle) + " degrees feathered " +
                               std::to_string(feather);
      ASSERT_EQ(Host("--in gradient.png --out out.png --set TilingMethod=" + group +
                     " --set Angle=" + std::to_string(angle) + " --set Feathering=" + std::to_string(feather))
                    .exitCode,
                0)
          << what;
      ASSERT_EQ(Settings(folder_)["TilingMethod"], method) << what;
      // The "P1" cell's box need not hold another lattice's cell.
      if (ownShape) ExpectTheGroupsTile(folder_, what);
    }
  if (!ownShape)
    GTEST_SKIP() << group << " has no shape of its own yet: the factory gives it the \"P1\" cell";
}

// The help's examples, one a lattice family: given points are held to the group's cell, a given
// centre moves it.
TEST_F(Placement, GivenPointsAndCentreKeepTheGroupsCell) {
  for (const char* sets :
       {"--set TilingMethod=PMM --set Angle=30", "--set TilingMethod=P4M --set Point2X=0.7 --set Point2Y=0.4",
        "--set TilingMethod=CMM --set Point1X=0.3 --set Point1Y=0.7",
        "--set TilingMethod=P6M --set PointCenterX=0.3 --set PointCenterY=0.6"}) {
    ASSERT_EQ(Host(std::string("--in gradient.png --out out.png ") + sets).exitCode, 0) << sets;
    if (!HasOwnShape(int(Settings(folder_)["TilingMethod"]))) continue;
    ExpectTheGroupsTile(folder_, sets);
  }
  std::map<std::string, double> got = Settings(folder_);
  EXPECT_FLOAT_EQ(got["PointCenterX"], 0.3f);
  EXPECT_FLOAT_EQ(got["PointCenterY"], 0.6f);

  // The rhombic cell derives Point1 from its other corners; given, it is dragged towards there.
  auto missed = [](std::map<std::string, double> settings) {
    return std::hypot((settings["Point1X"] - 0.3) * kWidth, (settings["Point1Y"] - 0.7) * kHeight);
  };
  ASSERT_EQ(Host("--in gradient.png --out out.png --set TilingMethod=CMM").exitCode, 0);
  const double placed = missed(Settings(folder_));
  ASSERT_EQ(Host("--in gradient.png --out out.png --set TilingMethod=CMM --set Point1X=0.3 --set Point1Y=0.7")
                .exitCode,
            0);
  EXPECT_LT(missed(Settings(folder_)), placed - 5);
}

// Image sizes of cameras, screens and odd crops, on which the editor's cells, kept in fractions of
// the image, are rounded to pixels.
const POINT kImageSizes[] = {
    {1499, 1000}, {1366, 768},  {1024, 768}, {1280, 720}, {1920, 1080}, {1200, 900},  {1600, 900},
    {1440, 900},  {1680, 1050}, {800, 600},  {640, 480},  {320, 240},   {1023, 767},  {999, 666},
    {777, 777},   {513, 511},   {1001, 999}, {101, 67},   {1500, 1001}, {1367, 769},  {1025, 769},
    {1919, 1079}, {1111, 555},  {555, 1111}, {768, 1024}, {1000, 1499}, {733, 491},   {641, 479},
    {901, 601},   {1299, 866},  {1351, 901}, {999, 999},  {1003, 1001}, {211, 173},   {387, 291},
    {1597, 987},  {1213, 809},  {857, 643},  {1151, 767}, {1791, 1193}, {2047, 1365}, {15, 15}};
static_assert(std::size(kImageSizes) >= 40);

// The square groups' cells stay square, and the rhombic ones' edges equal, on every image size: the
// editor's square, kept in fractions of the image and rounded to pixels corner by corner, may come
// with edges a pixel apart, which broke the groups' turns and mirrors. Each placement renders at
// both feathers (the tile is one period of the lattice it was generated on) and once more scaled.
class SquareCells : public testing::TestWithParam<int> {};

TEST_P(SquareCells, AreSquareOnEveryImageSizeAngleAndFeather) {
  const int method = GetParam();
  for (const POINT size : kImageSizes) {
    CRowIteratorBands source;
    const corvel::CColorRef grey(90, 120, 150, 255);
    ASSERT_EQ(source.CreateBGRA(size.x, size.y, &grey).GetCode(), corvel::keErrorNone);
    for (const int angle : {0, 17, 30, 45}) {
      std::map<std::string, double> settings = PlacedSettings(method, angle, size.x, size.y);
      ASSERT_FALSE(settings.empty());
      corvel::TileShape shape = ShapeOf(settings, size.x, size.y);
      for (const int feather : {0, 20}) {
        shape.feather = feather;
        shape.tileSize = 100;
        const std::string what = std::string(resources::kGroupNames[method]) + " on " +
                                 std::to_string(size.x) + " x " + std::to_string(size.y) + " at " +
                                 std::to_string(angle) + " degrees feathered " + std::to_string(feather);
        CRowIteratorBands tile;
        corvel::TileShape rendered = shape;
        ASSERT_EQ(corvel::GenerateTile(nullptr, source, rendered, tile).GetCode(), corvel::keErrorNone)
            << what;
        const corvel::tile_symmetry::Lattice l = corvel::tile_symmetry::TileLatticeOf(shape, tile, what);
        if (method == corvel::keTilingCM || method == corvel::keTilingCMM)
          EXPECT_EQ(l.a.x * l.a.x + l.a.y * l.a.y, l.b.x * l.b.x + l.b.y * l.b.y) << what;
        else
          EXPECT_TRUE((l.b.x == -l.a.y && l.b.y == l.a.x) || (l.b.x == l.a.y && l.b.y == -l.a.x)) << what;
        if (method == corvel::keTilingCMM || angle != 17) continue;
        // Scaled to the tile size, the square period stays square.
        rendered = shape;
        rendered.tileSize = 37;
        ASSERT_EQ(corvel::GenerateTile(nullptr, source, rendered, tile).GetCode(), corvel::keErrorNone)
            << what;
        EXPECT_EQ(tile.Width(), tile.Height()) << what << " at 37 %";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(SquareAndRhombicGroups, SquareCells,
                         testing::Values(corvel::keTilingCM, corvel::keTilingCMM, corvel::keTilingP4,
                                         corvel::keTilingP4M, corvel::keTilingP4G),
                         [](const testing::TestParamInfo<int>& info) {
                           return std::string(resources::kGroupNames[info.param]);
                         });

// Whether the lattice is a hexagon to the pixel: the centred lattice of its period, 2S x 2L or
// 2L x 2S, whose long half L is the short half S times sqrt(3) rounded, or S is L over sqrt(3)
// rounded (the one side whole pixels give, the other as near the hexagon as they allow).
testing::AssertionResult IsHexagonalToThePixel(const corvel::tile_symmetry::Lattice& l) {
  const POINT period = corvel::RectangularPeriod(l.a, l.b);
  const long long area = std::llabs(std::int64_t{l.a.x} * l.b.y - std::int64_t{l.a.y} * l.b.x);
  testing::AssertionResult failed = testing::AssertionFailure()
                                    << "lattice (" << l.a.x << ", " << l.a.y << "), (" << l.b.x << ", "
                                    << l.b.y << ") of period " << period.x << " x " << period.y;
  // Of a period's index-2 lattices, only the centred one has neither half side in it.
  if (period.x % 2 != 0 || period.y % 2 != 0 || 2 * area != std::int64_t{period.x} * period.y)
    return failed << ": not the centred lattice of its period";
  const long long shorter = std::min(period.x, period.y) / 2, longer = std::max(period.x, period.y) / 2;
  const double sqrt3 = std::sqrt(3.0);
  if (longer != std::llround(sqrt3 * shorter) && shorter != std::llround(longer / sqrt3))
    return failed << ": off the hexagon";
  return testing::AssertionSuccess();
}

// The hexagonal groups' lattices stay hexagons to the pixel, and so the output keeps the group,
// on every image size, angle, feather and tile size: the lattice shrunk by the feather and the
// period scaled to the tile size were rounded to pixels side by side, up to 3.5 pixels off the
// hexagon on large tiles. Renders stopped before they finish give the tile's size at 100 % and at
// one other size a placement, as the render path sizes the tile, and a few run to the end.
class HexagonalCells : public testing::TestWithParam<int> {};

TEST_P(HexagonalCells, AreHexagonsToThePixelOnEveryImageSizeAngleFeatherAndTileSize) {
  const int method = GetParam();
  corvel::CProgressMeter stopAtOnce;
  stopAtOnce.SetContinueCallback([](corvel::CProgressMeter*) -> std::int32_t { return 1; });
  int placed = 0;
  for (const POINT size : kImageSizes) {
    CRowIteratorBands source;
    const corvel::CColorRef grey(90, 120, 150, 255);
    ASSERT_EQ(source.CreateBGRA(size.x, size.y, &grey).GetCode(), corvel::keErrorNone);
    for (const int angle : {0, 17, 45}) {
      std::map<std::string, double> settings = PlacedSettings(method, angle, size.x, size.y);
      ASSERT_FALSE(settings.empty());
      const corvel::TileShape shape = ShapeOf(settings, size.x, size.y);
      for (const int feather : {0, 10, 20, 40}) {
        const std::string what = std::string(resources::kGroupNames[method]) + " on " +
                                 std::to_string(size.x) + " x " + std::to_string(size.y) + " at " +
                                 std::to_string(angle) + " degrees feathered " + std::to_string(feather);
        auto tileAt = [&](int tileSize, corvel::CProgressMeter* meter) {
          corvel::TileShape rendered = shape;
          rendered.feather = feather;
          rendered.tileSize = tileSize;
          CRowIteratorBands tile;
          EXPECT_EQ(corvel::GenerateTile(meter, source, rendered, tile).GetCode(),
                    meter ? corvel::keErrorStopped : corvel::keErrorNone)
              << what << " at " << tileSize << " %";
          return POINT{tile.Width(), tile.Height()};
        };
        const POINT period = tileAt(100, &stopAtOnce);
        for (int tileSize = 20; tileSize <= 100; ++tileSize) {
          const POINT tile = corvel::ScaledTileSize(period, tileSize, true);
          const std::string at = what + " at " + std::to_string(tileSize) + " %";
          ASSERT_TRUE(IsHexagonalToThePixel(corvel::tile_symmetry::TileLatticeOf(shape, tile, at))) << at;
        }
        const int tileSize = 20 + placed * 29 % 81;
        const POINT tile = corvel::ScaledTileSize(period, tileSize, true),
                    stopped = tileAt(tileSize, &stopAtOnce);
        EXPECT_TRUE(stopped.x == tile.x && stopped.y == tile.y) << what << " at " << tileSize << " %";
        if (placed++ % 7 != 0) continue;
        const POINT finished = tileAt(tileSize, nullptr);
        EXPECT_TRUE(finished.x == tile.x && finished.y == tile.y)
            << what << " at " << tileSize << " %, finished";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(HexagonalGroups, HexagonalCells,
                         testing::Values(corvel::keTilingP3, corvel::keTilingP3ML, corvel::keTilingP3LM,
                                         corvel::keTilingP6, corvel::keTilingP6M),
                         [](const testing::TestParamInfo<int>& info) {
                           return std::string(resources::kGroupNames[info.param]);
                         });

INSTANTIATE_TEST_SUITE_P(EveryGroup, GroupPlacement, testing::Range(0, resources::kGroupCount),
                         [](const testing::TestParamInfo<int>& info) {
                           return std::string(resources::kGroupNames[info.param]);
                         });

}  // namespace
