#include "vector/CoreStartup.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvel {
namespace {

TEST(CoreStartup, StartsOnceAndShutsDownOnce) {
  EXPECT_EQ(CoreShutdown(), 0);  // not started: nothing to free
  ASSERT_EQ(CoreStartup(nullptr), 0);
  const std::uint8_t* divide = GetDivideBy255Table();
  ASSERT_NE(divide, nullptr);
  EXPECT_EQ(CoreStartup(nullptr), 0);
  EXPECT_EQ(GetDivideBy255Table(), divide);  // not rebuilt
  EXPECT_EQ(CoreShutdown(), 0);
  EXPECT_FALSE(IsCoreStarted());
  EXPECT_EQ(CoreStartup(nullptr), 0);
  EXPECT_TRUE(IsCoreStarted());
}

TEST(BlendBytesConstant, RoundsBy255) {
  struct Case {
    int source, destination, alpha, expected;
  };
  for (const Case& c : {Case{200, 10, 255, 200}, Case{255, 0, 255, 255}, Case{200, 10, 0, 10},
                        Case{255, 0, 128, 128}, Case{0, 255, 128, 127}, Case{100, 200, 51, 180}}) {
    std::uint8_t d = static_cast<std::uint8_t>(c.destination);
    const std::uint8_t s = static_cast<std::uint8_t>(c.source);
    BlendBytesConstant(&d, &s, 1, c.alpha);
    EXPECT_EQ(d, c.expected) << c.source << " over " << c.destination << " at " << c.alpha;
  }
  std::uint8_t untouched = 7;
  BlendBytesConstant(&untouched, &untouched, 0, 128);
  EXPECT_EQ(untouched, 7);
}

TEST(TextIterator, WalksDoubleByteAndWideStrings) {
  const char text[] = "\x82\xA0Z";
  TextIterator narrow(text, 932);
  EXPECT_EQ(narrow.Length(), 2);
  EXPECT_EQ(narrow.Next(), 0x82A0u);
  EXPECT_EQ(narrow.Next(), std::uint32_t('Z'));
  EXPECT_EQ(narrow.Next(), 0u);
  EXPECT_EQ(narrow.SetCodePage(1252), 932);
  EXPECT_EQ(TextIterator(text, 1252).Length(), 3);
  TextIterator empty(u"");
  EXPECT_EQ(empty.Length(), 0);
  EXPECT_EQ(empty.Next(), 0u);
  EXPECT_EQ(empty.Next(), 0u);
}

}  // namespace
}  // namespace corvel
