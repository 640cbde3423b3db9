// The peer most benchmarks here are read against: memcpy of as many bytes as the measured step
// writes, so that the printed ratio is a share of the machine's copy bandwidth.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

inline void CopyWithMemcpy(benchmark::State& state, std::size_t bytes) {
  std::vector<std::uint8_t> destination(bytes, 1), source(bytes, 2);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
