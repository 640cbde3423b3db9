#include <gtest/gtest.h>

#include "generators/detail/KeptBetweenRenders.h"

namespace corvel::detail {
namespace {

struct Pair {
  double a, b;
};

// Keys put past the room they were made with hold every value put, bit for bit: a key grown from
// none equals one made with room for all, and a single value changed, a sign of nought included,
// or one value more, tells them apart.
TEST(InputKey, KeysGrownPastTheirRoomHoldEveryValue) {
  auto make = [](std::size_t room, int changed, double to, bool oneMore) {
    InputKey key(room);
    for (int i = 0; i < 500; ++i) {
      key.Put(i == changed ? to : 0.5 * i);
      key.PutAll(Pair{-double(i), i == changed + 1 ? to : 1.0 / (i + 1)});
    }
    if (oneMore) key.Put(1);
    return key;
  };
  const InputKey roomy = make(2000, -2, 0, false);
  EXPECT_TRUE(make(0, -2, 0, false) == roomy);
  EXPECT_TRUE(make(7, -2, 0, false) == roomy);
  EXPECT_FALSE(make(0, 0, -0.0, false) == roomy);
  EXPECT_FALSE(make(0, 0, 0.0, false) == make(0, 0, -0.0, false));
  EXPECT_FALSE(make(3, 299, 7, false) == roomy);
  EXPECT_FALSE(make(3, 499, 7, false) == roomy);
  EXPECT_FALSE(make(0, -2, 0, true) == roomy);
  EXPECT_TRUE(InputKey() == InputKey(5));
}

}  // namespace
}  // namespace corvel::detail
