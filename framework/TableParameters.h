// The filter's 25 parameters, defined from the published table with their ranges and defaults.
#pragma once
#include "framework/ParameterSet.h"

namespace framework {

void DefineTableParameters(ParameterSet& parameters);

}  // namespace framework
