#include "rowops/CoreTables.h"

#include <cmath>
#include <cstring>
#include <new>

namespace corvel {
namespace {

std::uint8_t* gRandom = nullptr;
std::uint8_t* gSqrt = nullptr;
std::uint32_t* gReciprocal = nullptr;
std::uint8_t* gDivideBy255 = nullptr;
bool gBuiltHere = false;

std::uint8_t* MakeRandomTable() {
  auto* table = new (std::nothrow) std::uint8_t[kRandomTableSide * kRandomTableSide];
  if (table == nullptr) return nullptr;
  RuntimeRandom random(1);
  for (int i = 0; i < kRandomTableSide * kRandomTableSide; ++i) {
    table[i] = static_cast<std::uint8_t>(random.Next() % 254);
  }
  return table;
}

std::uint8_t* MakeSqrtTable() {
  auto* table = new (std::nothrow) std::uint8_t[256];
  if (table == nullptr) return nullptr;
  for (int i = 0; i < 256; ++i) {
    table[i] = static_cast<std::uint8_t>(std::sqrt(i / 255.0) * 255.0);
  }
  return table;
}

std::uint32_t* MakeReciprocalTable() {
  auto* table = new (std::nothrow) std::uint32_t[256 * 256];
  if (table == nullptr) return nullptr;
  for (std::uint32_t a = 0; a < 256; ++a) {
    table[a * 256] = 0;
    for (std::uint32_t b = 1; b < 256; ++b) table[a * 256 + b] = (a * 65536 + b / 2) / b;
  }
  return table;
}

std::uint8_t* MakeDivideBy255Table() {
  auto* table = new (std::nothrow) std::uint8_t[kDivideBy255TableSize];
  if (table == nullptr) return nullptr;
  for (int i = 0; i < kDivideBy255TableSize; ++i) table[i] = static_cast<std::uint8_t>((i + 128) / 255);
  return table;
}

void DeleteTables() {
  delete[] gRandom;
  delete[] gSqrt;
  delete[] gReciprocal;
  delete[] gDivideBy255;
  gRandom = gSqrt = gDivideBy255 = nullptr;
  gReciprocal = nullptr;
}

}  // namespace

bool InitCoreTables(CoreTableProvider provider) {
  if (gBuiltHere) DeleteTables();
  if (provider != nullptr) {
    gRandom = static_cast<std::uint8_t*>(provider(3));
    gSqrt = static_cast<std::uint8_t*>(provider(2));
    gReciprocal = static_cast<std::uint32_t*>(provider(1));
    gDivideBy255 = static_cast<std::uint8_t*>(provider(0));
    gBuiltHere = false;
  } else {
    gRandom = MakeRandomTable();
    gSqrt = MakeSqrtTable();
    gReciprocal = MakeReciprocalTable();
    gDivideBy255 = MakeDivideBy255Table();
    gBuiltHere = true;
  }
  BuildDivideTable();
  return gRandom != nullptr && gSqrt != nullptr && gReciprocal != nullptr && gDivideBy255 != nullptr;
}

bool FreeCoreTables() {
  if (gBuiltHere) {
    DeleteTables();
    gBuiltHere = false;
  }
  return true;
}

const std::uint8_t* GetRandomTable() { return gRandom; }
const std::uint8_t* GetSqrtTable() { return gSqrt; }
const std::uint32_t* GetReciprocalTable() { return gReciprocal; }
const std::uint8_t* GetDivideBy255Table() { return gDivideBy255; }

const std::uint8_t* BuildDivideTable() {
  struct Table {
    std::uint8_t entries[256 * 256];
    Table() {
      std::memset(entries, 0, 256);
      for (int a = 1; a < 256; ++a) {
        for (int c = 0; c < 256; ++c) {
          int v = a == 255 ? c : c * 255 / a;
          entries[a * 256 + c] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
        }
      }
    }
  };
  static const Table table;
  return table.entries;
}

void InvertBytes(void* bytes, std::size_t count) {
  auto* p = static_cast<std::uint8_t*>(bytes);
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    std::uint32_t word;
    std::memcpy(&word, p + i, 4);
    word = ~word;
    std::memcpy(p + i, &word, 4);
  }
  for (; i < count; ++i) p[i] = static_cast<std::uint8_t>(~p[i]);
}

}  // namespace corvel
