// Process-wide tables that spare the row kernels their divisions: random bytes, a square-root
// curve, a 16.16 reciprocal table, divide-by-255 and an un-premultiply table. The first four are
// built by InitCoreTables at core start-up and freed by FreeCoreTables at shut-down; between
// the two every thread reads them without locking.
#pragma once
#include <cstddef>
#include <cstdint>

namespace corvel {

constexpr int kRandomTableSide = 128;         // 128 rows of 128 bytes, values 0..253
constexpr int kDivideBy255TableSize = 65026;  // entries 0 .. 255 x 255

// Asked for table 3 (random), 2 (square root), 1 (reciprocal), 0 (divide by 255).
using CoreTableProvider = void* (*)(int table);

// Builds the tables here, or takes them from the provider (which keeps ownership). Answers true
// when all four are present.
bool InitCoreTables(CoreTableProvider provider);
// Frees the tables built here; provided ones are left alone.
bool FreeCoreTables();

const std::uint8_t* GetRandomTable();
// Entry i = trunc(sqrt(i / 255) x 255).
const std::uint8_t* GetSqrtTable();
// Entry [a][b] (a x 256 + b) = (a x 65536 + b / 2) / b; column 0 holds 0.
const std::uint32_t* GetReciprocalTable();
// Entry i = (i + 128) / 255, so entry x y = round(x y / 255) for bytes.
const std::uint8_t* GetDivideBy255Table();

// The un-premultiply table, entry [a][c] (a x 256 + c): 0 for a = 0, c for a = 255, otherwise
// min(255, c x 255 / a) truncated. Built on the first call (thread-safe), kept for the process.
const std::uint8_t* BuildDivideTable();

// The C runtime's generator (seeded with 1 unless reseeded), reproduced so the random table is
// the same on every platform: state = state x 214013 + 2531011, value = (state >> 16) & 0x7FFF.
class RuntimeRandom {
 public:
  explicit RuntimeRandom(std::uint32_t seed = 1) : state_(seed) {}
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }

 private:
  std::uint32_t state_;
};

// Bitwise NOT of every byte.
void InvertBytes(void* bytes, std::size_t count);

}  // namespace corvel
