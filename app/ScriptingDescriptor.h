// The parameters' way through the host's scripting descriptor: read on prepare (with whether to
// show the dialog), written on finish. The block keeps the values between selectors and uses.
#pragma once
#include <cstdint>

#include "framework/HostSuites.h"
#include "framework/ParameterSet.h"
#include "resources/ParameterTable.h"

namespace app {

// One value per row of the parameter table: integers and the flag in integer, floats in real.
struct DescriptorBlock {
  std::int32_t integer[resources::kParameterCount] = {};
  float real[resources::kParameterCount] = {};
};

// The module's one block, zero when the module loads.
DescriptorBlock& GlobalDescriptorBlock();

// Reads the descriptor into the block; answers whether the dialog is to be shown (true without
// scripting). A value that cannot be read, or a float that is not a number, takes the key's
// default; an angle is brought into 0 .. 359.
bool ReadDescriptor(framework::ParameterBlock* block, DescriptorBlock* values);
// Writes the block as a new descriptor; the host's last answer.
host::OSErr WriteDescriptor(framework::ParameterBlock* block, const DescriptorBlock* values);

// The block into the parameters (clamped by them) when it holds a tile size, then true; and back.
bool CopyBlockToParameters(const DescriptorBlock& values, framework::ParameterSet& parameters);
void CopyParametersToBlock(const framework::ParameterSet& parameters, DescriptorBlock* values);

}  // namespace app
