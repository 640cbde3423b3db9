// The one entry into the tile generators: a seamless tile of one of the 17 plane symmetry
// groups from a picked area of an image.
#pragma once
#include <memory>

#include "core/CoreResult.h"
#include "core/RowIteratorBands.h"
#include "generators/TileRenderCache.h"
#include "generators/detail/TileGenerator.h"
#include "platform/win32/Types.h"

namespace corvel {

class CProgressMeter;

// The tile shape as the user placed it, in source pixels.
struct TileShape {
  int method = 0;  // keTilingMethod
  POINT p0{0, 0}, p1{0, 0}, p2{0, 0};
  POINT centre{0, 0};  // of the rotation
  // Seam amplitudes; "P1" negates k0 and k1 here when it flips its lattice.
  double seamK0 = 0, seamK1 = 0, seamK2 = 0;
  int angle = 0;          // whole degrees
  double feather = 0;     // percent; clamped to 0..100
  RECT area{0, 0, 0, 0};  // right and bottom inclusive
  int tileSize = 100;     // percent of one period the tile is used at; at least 1
};

// Fills destination with a tile of exactly one period of the group's lattice, at tileSize percent
// of the period's size (each side at least 1 pixel). Tiles and working images beyond
// kTileMemoryBudget are refused with 102 before they are made. The source must
// be presented as grey, grey with alpha, BGR or BGRA and is left as it is. Errors: 101 for
// another format, a method outside 0..16, a feather that is not a number, points more than 2^24
// pixels out or a degenerate lattice, 100 when the meter asked to stop (destination then a
// blank image of the tile's size), and what creating the images answered. Otherwise
// destination is untouched. The tile is grey for a source stored and presented as grey, else
// BGRA. A destination that holds an image of the tile's size and format already, the last
// render's tile, is rendered into rather than made anew: it must not share its pixels with an
// image the caller still reads. Given a cache, the render takes what the caller's last render left
// there and leaves its own: the same bytes, sooner.
CoreResult GenerateTile(CProgressMeter* meter, CRowIteratorBands& source, TileShape& shape,
                        CRowIteratorBands& destination, TileRenderCache* cache = nullptr);

// The generator of a tiling method, or none for a method outside 0..16.
std::unique_ptr<TileGenerator> CreateTileGenerator(int method);

// The lattice a generated cell repeats along.
struct LatticeRecord {
  POINT basisA{0, 0}, basisB{0, 0};
  TileGenerator* generator = nullptr;  // not owned
};

// A tile of size W x H filled by repeating the generator's cell along its lattice.
class GeneratedTile {
 public:
  GeneratedTile(int width, int height, const LatticeRecord& lattice)
      : size_{width, height}, lattice_(lattice) {}

  // In the generator's tile format.
  CoreResult Create() { return image.Create(size_.x, size_.y, lattice_.generator->render.tileFormat); }
  // Fills the image row by row from the generator's workImage: 0, or 100 when stopped.
  int RepeatTile(CProgressMeter* meter);

  CRowIteratorBands image;

 private:
  POINT size_;
  LatticeRecord lattice_;
};

// The remainders of start + k step (k = 1, 2, ...) modulo det, with the sign of det, one per
// call and without a division. An exact multiple of det of the other sign than det gives det,
// one whole period, rather than 0. det must not be 0.
class LatticeStepper {
 public:
  LatticeStepper(long long start, long long step, long long det);

  long long Next() {
    value_ += step_;
    remainder_ += stepRemainder_;
    if (det_ > 0 ? remainder_ >= det_ : remainder_ <= det_) remainder_ -= det_;
    if (remainder_ == 0 && value_ != 0 && (value_ < 0) != (det_ < 0)) return det_;
    return remainder_;
  }

 private:
  static long long FloorRemainder(long long a, long long det);

  long long value_, step_, det_, stepRemainder_, remainder_;
};

}  // namespace corvel
