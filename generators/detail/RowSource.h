// What the sample stage of a fold program's run reads: the window over the part of the source
// that the program and the blends' partners read (SourceWindow), and how its reads ask the cache
// early for the rows some way below.
#pragma once
#include <cstdint>

#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/ImageRows.h"
#include "generators/detail/SourceWindow.h"
#include "rowops/RowSampler.h"

namespace corvel::detail {

struct BlendSetup;

struct RowSources {
  // For the blends' partners, the pixels mixed in doubles and the pixels planned.
  BgraRows shared;
  // For the program's own samples of a row: where its steps turn parts of the row by halves or
  // quarters or mirror them, each part asks for its own rows below.
  BgraRows program;
  // Every position reads the source's own rows: a window copied holds only what the program reads.
  bool inPlace = false;
};

// The window over what the program (and blends, where given) read of rows, for a render of pixels
// pixels a pixelStep apart.
RowSources OpenRowSources(SourceWindow& window, const ImageRows& rows, const FoldProgram& program,
                          const TileGenerator& generator, const BlendSetup* blends, const Point2D& pixelStep,
                          long long pixels);

}  // namespace corvel::detail
