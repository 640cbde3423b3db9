#include "generators/groups/GroupGenerators.h"

#include "generators/TileLattice.h"
#include "generators/groups/CMGenerator.h"
#include "generators/groups/CMMGenerator.h"
#include "generators/groups/P1Generator.h"
#include "generators/groups/P2Generator.h"
#include "generators/groups/P3Generator.h"
#include "generators/groups/P3LMGenerator.h"
#include "generators/groups/P3MLGenerator.h"
#include "generators/groups/P4GGenerator.h"
#include "generators/groups/P4Generator.h"
#include "generators/groups/P4MGenerator.h"
#include "generators/groups/P6Generator.h"
#include "generators/groups/P6MGenerator.h"
#include "generators/groups/PGGGenerator.h"
#include "generators/groups/PGGenerator.h"
#include "generators/groups/PMGGenerator.h"
#include "generators/groups/PMGenerator.h"
#include "generators/groups/PMMGenerator.h"

namespace corvel::detail {

namespace {

template <class Generator>
std::unique_ptr<TileGenerator> Make() {
  return std::make_unique<Generator>();
}

using Maker = std::unique_ptr<TileGenerator> (*)();
constexpr Maker kMakers[] = {
    Make<P1Generator>,  Make<P2Generator>,  Make<PMGenerator>, Make<PGGenerator>,   Make<PMMGenerator>,
    Make<PMGGenerator>, Make<PGGGenerator>, Make<CMGenerator>, Make<CMMGenerator>,  Make<P4Generator>,
    Make<P4MGenerator>, Make<P4GGenerator>, Make<P3Generator>, Make<P3MLGenerator>, Make<P3LMGenerator>,
    Make<P6Generator>,  Make<P6MGenerator>,
};
static_assert(sizeof kMakers / sizeof kMakers[0] == keTilingMethodCount);

}  // namespace

std::unique_ptr<TileGenerator> CreateTileGenerator(int method) {
  return method >= 0 && method < keTilingMethodCount ? kMakers[method]() : nullptr;
}

}  // namespace corvel::detail
