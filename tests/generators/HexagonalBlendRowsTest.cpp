// The hexagonal groups' tables of feathered blends, as the generators' README gives them: each
// group's rows in order, written out from the table, are found in the README.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "generators/groups/HexagonalBlendRows.h"

namespace corvel {
namespace {

const char* Phrase(BentWhen when) {
  static const char* const phrases[] = {"always", "k0 > 0",  "k0 < 0", "k1 > 0",
                                        "k1 < 0", "k0 bent", "k1 bent"};
  static_assert(std::size(phrases) == std::size_t(BentWhen::kK1Bent) + 1);
  return phrases[int(when)];
}

const char* Phrase(BentMix mix) {
  static const char* const phrases[] = {
      "planned",
      "in doubles by the plan's fold",
      "blended in lanes, bent as the plan bends them",
      "blended in lanes, bent by the bump before the carry",
      "blended in lanes by the ramp of the band the turn lands in",
      "the turn's sample alone",
      "in doubles where the feathers are alike, else planned",
      "the own sample",
  };
  static_assert(std::size(phrases) == std::size_t(BentMix::kOwnSample) + 1);
  return phrases[int(mix)];
}

std::string Cells(const P3BlendRow& row) {
  static const char* const regions[] = {"strip inside", "carried past it, near the edges",
                                        "carried past it: band and copy beyond", "band about it", "the rest"};
  static const char* const edges[] = {"s = 0", "s = 1", "t = 0", "t = 1", "every edge"};
  static const char* const ends[] = {
      "a sliver, or as far as a carry may land a position where one lands past it (none where what the "
      "carries land blends)",
      "near it, near the edge crossed and right on it, and (the second carry) near that edge's far end",
      "between the bands across the other axis, the rest planned",
      "the whole edge",
      "the rhombus",
  };
  return std::string(regions[int(row.region)]) + " | " + edges[int(row.edge)] + " | " + Phrase(row.when) +
         " | " + ends[int(row.ends)] + " | " + Phrase(row.mixes);
}

const char* Phrase(KiteSide side) {
  static const char* const phrases[] = {
      "near it",
      "beyond it",
      "its band",
      "turned below hu, across the diagonal or below hv",
      "turned into the band across the other seam",
      "turned as near the seam crossed as d reaches past the band's inner edge",
      "the rest",
      "along u = 0",
      "along v = 0",
      "u > v",
      "u <= v",
  };
  static_assert(std::size(phrases) == std::size_t(KiteSide::kVAboveU) + 1);
  return phrases[int(side)];
}

const char* Phrase(KiteEnds ends) {
  static const char* const phrases[] = {
      "a third of a pixel",
      "a sliver",
      "a sliver short of the bands' ends and the diagonal, and past them",
      "a sliver from the band's ends and corners",
      "where the band across it meets it",
      "at lb moved in by d; where the feathers differ, the rest planned",
      "at e2 moved in by the second median's bump",
      "the plan's triangles on either side of lg",
      "what the rows above leave",
  };
  static_assert(std::size(phrases) == std::size_t(KiteEnds::kWhole) + 1);
  return phrases[int(ends)];
}

template <class Row>
std::string KiteCells(const char* region, const Row& row) {
  return std::string(region) + " | " + Phrase(row.side) + " | " + Phrase(row.when) + " | " +
         Phrase(row.ends) + " | " + Phrase(row.mixes);
}

std::string Cells(const P3LMBlendRow& row) {
  static const char* const regions[] = {
      "the seam to K",
      "the seam to M",
      "the bent seam's bulge",
      "the cell's edge v = 0 beyond la",
      "a mirror's band",
      "the corner at 0B's middle",
      "the corner at 0A's middle",
      "the band across K",
      "three copies about G",
      "inside lb",
      "the band across M",
  };
  return KiteCells(regions[int(row.region)], row);
}

std::string Cells(const P6BlendRow& row) {
  static const char* const regions[] = {
      "the first median",
      "the second median",
      "the axis u = 0",
      "the axis v = 0",
      "the bent axis's bulge",
      "the bent median's bulge",
      "the corner at the six-fold centre",
      "the corner at the second median's "
      "two-fold centre",
      "the corner at the first median's two-fold centre",
      "the three-fold centre",
      "inside e2",
      "short of the first median",
  };
  return KiteCells(regions[int(row.region)], row);
}

template <class Row, std::size_t kRows>
std::string TableOf(const char* first, const Row (&rows)[kRows]) {
  std::string table = std::string("| ") + first + " | when | ends | mixes |\n|---|---|---|---|---|\n";
  for (const Row& row : rows) table += "| " + Cells(row) + " |\n";
  return table;
}

std::string Readme() {
  std::ifstream readme(WF_GENERATORS_README);
  std::stringstream text;
  text << readme.rdbuf();
  return text.str();
}

TEST(HexagonalBlendRows, TheReadmesTablesAreTheRows) {
  const std::string readme = Readme();
  ASSERT_FALSE(readme.empty()) << WF_GENERATORS_README;
  for (const std::string& table :
       {TableOf("\"P3\" | edge", kP3Blends), TableOf("\"P3LM\" | side", kP3LMBentBlends),
        TableOf("\"P6\" | side", kP6BentBlends)})
    EXPECT_NE(readme.find(table), std::string::npos) << "the README should have the table:\n" << table;
}

}  // namespace
}  // namespace corvel
