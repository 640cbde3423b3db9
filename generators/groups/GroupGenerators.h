// The generator of each tiling method, in the order of keTilingMethod.
#pragma once
#include <memory>

#include "generators/detail/TileGenerator.h"

namespace corvel::detail {

// The generator of a tiling method, or none for a method outside 0..16.
std::unique_ptr<TileGenerator> CreateTileGenerator(int method);

}  // namespace corvel::detail
