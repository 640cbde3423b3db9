// The hexagonal groups' tables of feathered blends, as the generators' README gives them: each
// group's rows in order, written out from the table, are found in the README.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "generators/groups/HexagonalBlendRows.h"

namespace corvel {
namespace {

const char* Phrase(BentWhen when) {
  static const char* const phrases[] = {"always", "k0 > 0", "k0 < 0", "k1 > 0", "k1 < 0"};
  return phrases[int(when)];
}

const char* Phrase(BentMix mix) {
  static const char* const phrases[] = {
      "planned",
      "blended in lanes, bent by the plan's offsets",
      "blended in lanes, bent by the bump before the carry",
      "the own sample",
  };
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
  for (const std::string& table : {TableOf("\"P3\" | edge", kP3Blends)})
    EXPECT_NE(readme.find(table), std::string::npos) << "the README should have the table:\n" << table;
}

}  // namespace
}  // namespace corvel
