// What the sample stage reads: a source read in place or through a copied window, and how each
// part of a turned row asks the cache for its rows below.
#include "generators/detail/RowSource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "generators/detail/TileGenerator.h"

namespace corvel::detail {
namespace {

// A lattice of 500 pixels turned 30 degrees on the source, over a source of 1400 x 1400 pixels
// laid in one block at a spreading pitch (read in place) or in bands (copied): its window is
// larger than a core's cache.
struct Fixture {
  explicit Fixture(bool spread) {
    EXPECT_TRUE(
        (spread ? source.CreateSpread(1400, 1400, keFormatBGRA) : source.CreateBGRA(1400, 1400)).Ok());
    EXPECT_EQ(rows.Lock(source), 0);
    g.basisA = {500, 0};
    g.basisB = {0, 500};
    g.basisC = {433, 250};
    g.basisD = {-250, 433};
    g.origin = {700, 50};
    g.PrepareLattice();
  }
  RowSources Open(const FoldProgram& program) {
    SourceWindow window(buffer);
    return OpenRowSources(window, rows, program, g, nullptr, {1, 1}, 500 * 500);
  }
  CRowIteratorBands source;
  ImageRows rows;
  TileGenerator g;
  std::vector<std::uint8_t> buffer;
};

TEST(OpenRowSources, ReadsASpreadSourceInPlaceAndCopiesABandedOne) {
  FoldProgram program;
  program.AddByU(0.5, true, kMirrorU);
  Fixture spread(true), banded(false);
  EXPECT_TRUE(spread.Open(program).inPlace);
  const RowSources copied = banded.Open(program);
  EXPECT_FALSE(copied.inPlace);
  ASSERT_NE(copied.shared.window, nullptr);
  EXPECT_NE(copied.shared.windowAhead, 0);  // a turned row asks for the rows below in time
}

// A mirror sends the parts of a row down both ways; a turn by a third keeps no part's rows to ask
// for; the unfolded map alone asks only for its own rows below.
TEST(OpenRowSources, EachPartOfATurnedRowAsksForItsOwnRowsBelow) {
  Fixture f(false);
  FoldProgram mirrored, turnedByAThird, unfolded;
  mirrored.AddByU(0.5, true, kMirrorU);
  turnedByAThird.AddBySide(HalfPlane{}, LatticeAffine{0, -1, 1, 1, -1, 0});
  const RowSources mirror = f.Open(mirrored), third = f.Open(turnedByAThird), plain = f.Open(unfolded);
  EXPECT_NE(mirror.program.aheadRows, 0);
  EXPECT_TRUE(mirror.program.aheadBothWays);
  EXPECT_EQ(mirror.shared.aheadRows, 0);
  EXPECT_EQ(third.program.aheadRows, 0);
  EXPECT_EQ(plain.program.aheadRows, 0);
  EXPECT_NE(plain.program.windowAhead, 0);
}

}  // namespace
}  // namespace corvel::detail
