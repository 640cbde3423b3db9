// What one render of a tile was asked and may use, set by the driver once before the group
// generates and read by every stage below it, rather than looked up at each level: the processor
// record every kernel is chosen from, what the render may keep between renders, the tile's size
// and format and where it may be rendered into.
#pragma once
#include "core/CpuFeatures.h"
#include "core/PixelFormat.h"
#include "platform/win32/Types.h"

namespace corvel {

class CRowIteratorBands;

namespace detail {

struct KeptBetweenRenders;

struct RenderRecord {
  // Read once a render: a record without SSE2 renders every pixel by the plan in doubles, the
  // reference.
  CpuFeatures cpu = GetCpuFeatures();
  // Held by the driver's caller; where none is given, the render keeps nothing.
  KeptBetweenRenders* kept = nullptr;
  // The share of its own size the tile is used at: the fold programs render the tile at that size;
  // the driver scales what the plans in doubles render.
  int tilePercent = 100;
  // Grey for a grey source, whose tile would otherwise weigh four times its grey pixels; else
  // BGRA. A cell that is repeated into the tile stays BGRA.
  keFormat tileFormat = keFormatBGRA;
  // An image whose memory the render writes into where it has room (CreateSpreadIn), else lets go
  // of first: renders of one size or a smaller then write over the same pages rather than fault in
  // new ones.
  CRowIteratorBands* reusableOutput = nullptr;
  // For the groups that repeat their cell: the worker renders the tile itself, one period of the
  // lattice cut to this limit, where that is not much larger than the cell's box.
  POINT periodLimit{0, 0};
  // For the groups whose cell is the tile: the far edge of the cell's box, which lies one period
  // on, is left out.
  bool cellIsTile = false;
  // The lattice is hexagonal: its period scales to the tile size as a hexagon's.
  bool hexagonal = false;
};

// What the render made, for the driver to finish the tile from.
struct RenderedTile {
  bool period = false;  // one period of the lattice, not the cell's box
  int percent = 100;    // of the tile's own size
  // Every pixel planned, or the group's fold program rendered, its feathered bands blended in lanes
  // or not: the road each group's record names.
  enum class Road { kPlanned, kFolded, kBlended } road = Road::kPlanned;
  // The fold program ran on the kernel for steps of any kinds, not one made for its own: the same
  // bytes, more slowly.
  bool foldKernelForAnyKinds = false;
  // Rows that the tile's own half turn or glide takes onto others were turned from those made.
  bool rowsTurned = false;
};

}  // namespace detail
}  // namespace corvel
