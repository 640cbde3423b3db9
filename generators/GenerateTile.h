// The one entry into the tile generators: a seamless tile of one of the 17 plane symmetry
// groups from a picked area of an image.
#pragma once
#include "core/CoreResult.h"
#include "core/RowIteratorBands.h"
#include "generators/TileRenderCache.h"
#include "platform/win32/Types.h"

namespace corvel {

class CProgressMeter;

// What the tile and its working images may hold together, in bytes: a tile size far beyond any
// screen or print is refused before its images are made rather than left to the system.
constexpr long long kTileMemoryBudget = 1LL << 30;
// What a tile past that budget is refused with: the user can choose a smaller tile size, while
// keErrorNoMemory is memory the system would not give.
constexpr std::int32_t keErrorTileOverBudget = 103;

// The tile shape as the user placed it, in source pixels.
struct TileShape {
  int method = 0;  // keTilingMethod
  POINT p0{0, 0}, p1{0, 0}, p2{0, 0};
  POINT centre{0, 0};  // of the rotation
  // Seam amplitudes; k0 and k1 negated here where the group's lattice flips its vectors.
  double seamK0 = 0, seamK1 = 0, seamK2 = 0;
  int angle = 0;          // whole degrees
  double feather = 0;     // percent; clamped to 0..100
  RECT area{0, 0, 0, 0};  // right and bottom inclusive
  int tileSize = 100;     // percent of one period the tile is used at; at least 1
};

// Fills destination with a tile of exactly one period of the group's lattice, at tileSize percent
// of the period's size (each side at least 1 pixel). Tiles and working images beyond
// kTileMemoryBudget are refused with keErrorTileOverBudget before they are made. The source must
// be presented as grey, grey with alpha, BGR or BGRA and is left as it is. Errors: 101 for
// another format, a method outside 0..16, a feather that is not a number, points more than 2^24
// pixels out or a degenerate lattice, 100 when the meter asked to stop (destination then a
// blank image of the tile's size), and what creating the images answered. Otherwise
// destination is untouched. The tile is grey for a source stored and presented as grey, else
// BGRA. The memory of an image in destination, the last render's tile, is rendered into where it
// has room for the render, else let go of before the render's memory is made (a failed render
// then leaves destination empty); memory it shares with another image is only let go of. Given a
// cache, the render takes what the caller's last render left there and leaves its own: the same
// bytes, sooner. Without one, renders share one that the row pool holds and ends with its threads.
CoreResult GenerateTile(CProgressMeter* meter, CRowIteratorBands& source, TileShape& shape,
                        CRowIteratorBands& destination, TileRenderCache* cache = nullptr);

}  // namespace corvel
