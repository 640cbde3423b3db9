// Where a group picture puts its cell and the copies of its motif. Coordinates are the picture's
// pixels with pixel (x, y) covering [x, x + 1) x [y, y + 1).
#pragma once
#include <cstdint>
#include <vector>

#include "resources/tools/Symmetry.h"

namespace wf_tools {

constexpr int kPictureSize = 85;
constexpr int kLabelHeight = 15;
constexpr std::uint32_t kMotifColour = 0xFFE07B20;

struct PictureLayout {
  Vec origin;  // the cell's corner (0, 0)
  Vec a, b;    // the cell's edges
  // One copy of the motif per operation, in the group's order: the motif carried by that
  // operation, moved back into the cell.
  std::vector<std::vector<Vec>> motifs;
  Vec At(Vec fractional) const { return origin + fractional.x * a + fractional.y * b; }
};

PictureLayout LayOut(const Group& group);

}  // namespace wf_tools
