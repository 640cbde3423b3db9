#include "generators/detail/ScratchVector.h"

#include <gtest/gtest.h>

#include <string>

namespace corvel::detail {
namespace {

// Growth leaves plain numbers unset, but what it is given a value for holds the value, what it keeps
// stays, and a class is still constructed.
TEST(ScratchVector, GrowthKeepsWhatWasThereAndSetsWhatItIsGiven) {
  ScratchVector<int> numbers(3, 7);
  numbers.resize(1000);
  numbers.resize(1005, 9);
  EXPECT_EQ(numbers[0], 7);
  EXPECT_EQ(numbers[2], 7);
  EXPECT_EQ(numbers[1004], 9);
  numbers.assign(4, 5);
  EXPECT_EQ(numbers, ScratchVector<int>({5, 5, 5, 5}));

  ScratchVector<std::string> names(1, "a");
  names.resize(3);
  names.emplace_back(2, 'b');
  EXPECT_EQ(names[0], "a");
  EXPECT_EQ(names[2], "");
  EXPECT_EQ(names[3], "bb");
}

}  // namespace
}  // namespace corvel::detail
