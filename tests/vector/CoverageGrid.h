// A span filler that adds the coverage it receives into a grid, for the rasteriser tests.
#pragma once
#include <cstdint>
#include <vector>

#include "vector/SpanFiller.h"

namespace corvel {

class CoverageGrid : public SpanFiller {
 public:
  CoverageGrid(int width, int height)
      : width_(width), height_(height), cells_(std::size_t(width) * height, 0) {}
  void FillSpan(int x, int y, std::uint8_t coverage, int count) override {
    ++spans;
    for (int i = 0; i < count; ++i) {
      if (x + i >= 0 && x + i < width_ && y >= 0 && y < height_)
        cells_[std::size_t(y) * width_ + x + i] += coverage;
      else
        outside += coverage;
    }
  }
  int At(int x, int y) const { return cells_[std::size_t(y) * width_ + x]; }
  long Sum() const {
    long sum = 0;
    for (int c : cells_) sum += c;
    return sum;
  }
  int Max() const {
    int most = 0;
    for (int c : cells_) most = c > most ? c : most;
    return most;
  }
  bool operator==(const CoverageGrid& other) const { return cells_ == other.cells_; }

  int spans = 0;
  long outside = 0;

 private:
  int width_;
  int height_;
  std::vector<int> cells_;
};

}  // namespace corvel
