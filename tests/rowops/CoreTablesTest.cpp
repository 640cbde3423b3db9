#include "rowops/CoreTables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace corvel {
namespace {

class CoreTablesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InitCoreTables(nullptr)); }
  void TearDown() override { FreeCoreTables(); }
};

TEST_F(CoreTablesTest, RandomTableStartsWithTheRuntimeSequenceOfSeedOne) {
  // rand() after srand(1): 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358; each mod 254.
  const int expected[] = {41 % 254,    18467 % 254, 6334 % 254,  26500 % 254,
                          19169 % 254, 15724 % 254, 11478 % 254, 29358 % 254};
  const std::uint8_t* table = GetRandomTable();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(table[i], expected[i]) << "entry " << i;
  for (int i = 0; i < kRandomTableSide * kRandomTableSide; ++i) ASSERT_LE(table[i], 253);
}

TEST_F(CoreTablesTest, RandomTableIsTheSameOnEveryBuild) {
  std::vector<std::uint8_t> first(GetRandomTable(), GetRandomTable() + 16384);
  FreeCoreTables();
  ASSERT_TRUE(InitCoreTables(nullptr));
  EXPECT_EQ(0, std::memcmp(first.data(), GetRandomTable(), first.size()));
}

TEST_F(CoreTablesTest, SquareRootCurve) {
  const struct {
    int index, value;
  } cases[] = {{0, 0}, {1, 15}, {2, 22}, {64, 127}, {128, 180}, {254, 254}, {255, 255}};
  for (const auto& c : cases) EXPECT_EQ(GetSqrtTable()[c.index], c.value) << "entry " << c.index;
}

TEST_F(CoreTablesTest, Reciprocal) {
  const std::uint32_t* r = GetReciprocalTable();
  for (int b = 0; b < 256; ++b) EXPECT_EQ(r[b], 0u) << "[0][" << b << "]";
  for (int a = 0; a < 256; ++a) EXPECT_EQ(r[a * 256], 0u) << "column 0 of row " << a;
  for (int a = 1; a < 256; ++a) EXPECT_EQ(r[a * 256 + a], 65536u) << "[a][a] for a " << a;
  EXPECT_EQ(r[1 * 256 + 2], 32768u);
  EXPECT_EQ(r[1 * 256 + 255], 257u);
  EXPECT_EQ(r[200 * 256 + 3], (200u * 65536 + 1) / 3);
}

TEST_F(CoreTablesTest, DivideBy255) {
  // (i + 128) / 255: a half rounds up, so 127 gives 1 and 382 gives 2.
  const struct {
    int index, value;
  } cases[] = {{0, 0},      {126, 0}, {127, 1},       {381, 1},
               {382, 2},    {383, 2}, {64 * 255, 64}, {64 * 255 + 127, 65},
               {65025, 255}};
  for (const auto& c : cases) {
    EXPECT_EQ(GetDivideBy255Table()[c.index], c.value) << "entry " << c.index;
  }
}

TEST(UnpremultiplyTable, RowsAndSaturation) {
  const std::uint8_t* t = BuildDivideTable();
  EXPECT_EQ(t, BuildDivideTable());
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(t[c], 0) << "row 0";
    EXPECT_EQ(t[255 * 256 + c], c) << "row 255";
  }
  for (int a = 1; a < 255; ++a) {
    for (int c = a; c < 256; ++c) ASSERT_EQ(t[a * 256 + c], 255) << a << ", " << c;
  }
  EXPECT_EQ(t[128 * 256 + 100], 100 * 255 / 128);
}

TEST(CoreTablesProvider, ProvidedTablesAreUsedAndNotFreed) {
  static std::uint8_t random[16384], sqrtCurve[256], divide[65026];
  static std::uint32_t reciprocal[65536];
  static int asked[4], calls;
  calls = 0;
  auto provider = [](int table) -> void* {
    asked[calls++] = table;
    switch (table) {
      case 0:
        return divide;
      case 1:
        return reciprocal;
      case 2:
        return sqrtCurve;
      default:
        return random;
    }
  };
  ASSERT_TRUE(InitCoreTables(provider));
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(asked[0], 3);
  EXPECT_EQ(asked[1], 2);
  EXPECT_EQ(asked[2], 1);
  EXPECT_EQ(asked[3], 0);
  EXPECT_EQ(GetRandomTable(), random);
  EXPECT_EQ(GetDivideBy255Table(), divide);
  EXPECT_TRUE(FreeCoreTables());
  EXPECT_EQ(GetRandomTable(), random);

  EXPECT_FALSE(InitCoreTables([](int table) -> void* { return table == 1 ? nullptr : random; }));
}

TEST(InvertBytes, WordsThenSingleBytes) {
  std::uint8_t bytes[9] = {0x00, 0xFF, 0x0F, 0xA5, 0x01, 0x80, 0x7E, 0x55, 0x33};
  InvertBytes(bytes, 7);
  const std::uint8_t expected[9] = {0xFF, 0x00, 0xF0, 0x5A, 0xFE, 0x7F, 0x81, 0x55, 0x33};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(bytes[i], expected[i]) << "byte " << i;
}

}  // namespace
}  // namespace corvel
