// Glue between the framework and the host's suites: host handles (through the host's handle
// suite when it is usable, else emulated with global memory), the plug-in's private parameter
// block, and opening and closing scripting descriptors.
#pragma once
#include <cstdint>

#include "platform/host/PluginInterface.h"

namespace framework {

// The handle suite is used only when it is version 1 with at least 8 procedures and its new,
// dispose, get-size and set-size procedures are present.
bool IsHandleSuiteUsable(const host::HandleProcs* procs);

// Emulated handles: an 8-byte master block whose first word points to the data block and whose
// second word holds "OTOF". Null with the module's last error -108 when memory runs out.
host::Handle NewHostHandle(std::int32_t size);
// A null handle sets the last error -109.
void DisposeHostHandle(host::Handle handle);
// The last error word of the emulation: 0, -108 or -109.
std::int16_t HostHandleError();

host::Handle AllocateHandle(const host::HandleProcs* procs, std::int32_t size);
void FreeHandle(const host::HandleProcs* procs, host::Handle handle);
void* LockHandle(const host::HandleProcs* procs, host::Handle handle);

// The private block (two pointers) kept in the plug-in's data slot between calls.
struct ParameterBlock {
  std::int16_t* result;
  host::FilterRecord* record;
};
using ParameterBlockInit = void (*)(ParameterBlock* block);

// Reuses the slot's handle, or allocates one (calling init once); null when no block can be
// had. The result word is cleared.
ParameterBlock* GetParameterBlock(std::int16_t* result, host::FilterRecord* record,
                                  const host::HandleProcs* procs, std::int32_t size, std::intptr_t* data,
                                  ParameterBlockInit init);

bool HasDescriptorSuites(const host::PIDescriptorParameters* parameters);
bool IsDialogRequested(const host::PIDescriptorParameters* parameters);
host::OSErr CloseReadDescriptor(host::PIDescriptorParameters* parameters, const host::HandleProcs* procs,
                                host::PIReadDescriptor* reader);
host::OSErr CloseWriteDescriptor(host::PIDescriptorParameters* parameters, const host::HandleProcs* procs,
                                 host::PIWriteDescriptor* writer);

}  // namespace framework
