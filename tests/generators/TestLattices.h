// Lattices for the generator tests.
#pragma once
#include "generators/detail/TileGenerator.h"
#include "platform/win32/Types.h"

namespace corvel {
namespace testing_lattices {

// The generator on the lattice spanned by a and b, the source's alike.
inline void SetLattice(TileGenerator& generator, POINT a, POINT b) {
  generator.basisA = generator.basisC = a;
  generator.basisB = generator.basisD = b;
  generator.PrepareLattice();
}

}  // namespace testing_lattices
}  // namespace corvel
