#include "framework/HostSuites.h"

#include <algorithm>

#include "platform/win32/Memory.h"

namespace framework {
namespace {

constexpr std::uint32_t kEmulationTag = 0x4F544F46;  // "OTOF"

struct MasterBlock {
  HGLOBAL data;
  std::uint32_t tag;
};

thread_local std::int16_t lastHandleError = 0;

HGLOBAL ToGlobal(host::Handle handle) { return reinterpret_cast<HGLOBAL>(handle); }

}  // namespace

bool IsHandleSuiteUsable(const host::HandleProcs* procs) {
  return procs && procs->handleProcsVersion == 1 && procs->numHandleProcs >= 8 && procs->newProc &&
         procs->disposeProc && procs->getSizeProc && procs->setSizeProc;
}

host::Handle NewHostHandle(std::int32_t size) {
  lastHandleError = 0;
  HGLOBAL master = GlobalAlloc(GHND, sizeof(MasterBlock));
  HGLOBAL data = master && size >= 0 ? GlobalAlloc(GHND, static_cast<SIZE_T>(size)) : nullptr;
  if (!master || !data) {
    if (master) GlobalFree(master);
    lastHandleError = host::memFullErr;
    return nullptr;
  }
  auto* block = static_cast<MasterBlock*>(GlobalLock(master));
  GlobalLock(data);
  block->data = data;
  block->tag = kEmulationTag;
  return reinterpret_cast<host::Handle>(master);
}

void DisposeHostHandle(host::Handle handle) {
  lastHandleError = 0;
  if (!handle) {
    lastHandleError = host::nilHandleErr;
    return;
  }
  auto* block = static_cast<MasterBlock*>(GlobalLock(ToGlobal(handle)));
  if (block) {
    if (block->data) {
      GlobalUnlock(block->data);
      GlobalFree(block->data);
    }
    GlobalUnlock(ToGlobal(handle));
  }
  GlobalUnlock(ToGlobal(handle));
  GlobalFree(ToGlobal(handle));
}

std::int16_t HostHandleError() { return lastHandleError; }

host::Handle AllocateHandle(const host::HandleProcs* procs, std::int32_t size) {
  return IsHandleSuiteUsable(procs) ? procs->newProc(size) : NewHostHandle(size);
}

void FreeHandle(const host::HandleProcs* procs, host::Handle handle) {
  if (IsHandleSuiteUsable(procs))
    procs->disposeProc(handle);
  else
    DisposeHostHandle(handle);
}

void* LockHandle(const host::HandleProcs* procs, host::Handle handle) {
  if (IsHandleSuiteUsable(procs)) return procs->lockProc ? procs->lockProc(handle, true) : nullptr;
  // An emulated handle's master block points to the data.
  auto* block = static_cast<MasterBlock*>(GlobalLock(ToGlobal(handle)));
  if (!block) return nullptr;
  GlobalUnlock(ToGlobal(handle));
  return block->tag == kEmulationTag ? GlobalLock(block->data) : nullptr;
}

ParameterBlock* GetParameterBlock(std::int16_t* result, host::FilterRecord* record,
                                  const host::HandleProcs* procs, std::int32_t size, std::intptr_t* data,
                                  ParameterBlockInit init) {
  if (!data) return nullptr;
  auto fill = [&](void* memory) {
    auto* block = static_cast<ParameterBlock*>(memory);
    block->result = result;
    block->record = record;
    if (result) *result = 0;
    return block;
  };
  if (*data != 0) {
    void* memory = LockHandle(procs, reinterpret_cast<host::Handle>(*data));
    return memory ? fill(memory) : nullptr;
  }
  // The block holds two pointers, whatever size the caller counted them at.
  host::Handle handle = AllocateHandle(procs, std::max<std::int32_t>(size, sizeof(ParameterBlock)));
  if (!handle) return nullptr;
  void* memory = LockHandle(procs, handle);
  if (!memory) {
    FreeHandle(procs, handle);
    return nullptr;
  }
  ParameterBlock* block = fill(memory);
  if (init) init(block);
  *data = reinterpret_cast<std::intptr_t>(handle);
  return block;
}

bool HasDescriptorSuites(const host::PIDescriptorParameters* parameters) {
  if (!parameters || parameters->descriptorParametersVersion != 0) return false;
  const host::ReadDescriptorProcs* read = parameters->readDescriptorProcs;
  const host::WriteDescriptorProcs* write = parameters->writeDescriptorProcs;
  if (!read || !write) return false;
  if (read->readDescriptorProcsVersion != 0 || read->numReadDescriptorProcs < 18) return false;
  if (write->writeDescriptorProcsVersion != 0 || write->numWriteDescriptorProcs < 16) return false;
  // Every read procedure must be there; the framework calls several of them blindly.
  const bool allRead = read->openReadDescriptorProc && read->closeReadDescriptorProc && read->getKeyProc &&
                       read->getIntegerProc && read->getFloatProc && read->getUnitFloatProc &&
                       read->getBooleanProc && read->getTextProc && read->getAliasProc &&
                       read->getEnumeratedProc && read->getClassProc && read->getSimpleReferenceProc &&
                       read->getObjectProc && read->getCountProc && read->getStringProc &&
                       read->getPinnedIntegerProc && read->getPinnedFloatProc && read->getPinnedUnitFloatProc;
  if (!allRead) return false;
  // The writer is opened, filled and closed without further checks.
  return write->openWriteDescriptorProc && write->closeWriteDescriptorProc && write->putIntegerProc &&
         write->putFloatProc && write->putBooleanProc;
}

bool IsDialogRequested(const host::PIDescriptorParameters* parameters) {
  return parameters && parameters->playInfo == host::plugInDialogDisplay;
}

host::OSErr CloseReadDescriptor(host::PIDescriptorParameters* parameters, const host::HandleProcs* procs,
                                host::PIReadDescriptor* reader) {
  const host::OSErr error = parameters->readDescriptorProcs->closeReadDescriptorProc(*reader);
  if (parameters->descriptor) {
    const bool suite = procs && procs->handleProcsVersion >= 1 && procs->numHandleProcs >= 8 &&
                       procs->newProc && procs->disposeProc && procs->getSizeProc;
    if (suite)
      procs->disposeProc(parameters->descriptor);
    else
      DisposeHostHandle(parameters->descriptor);
  }
  parameters->descriptor = nullptr;
  *reader = nullptr;
  return error;
}

host::OSErr CloseWriteDescriptor(host::PIDescriptorParameters* parameters, const host::HandleProcs* procs,
                                 host::PIWriteDescriptor* writer) {
  if (parameters->descriptor) FreeHandle(procs, parameters->descriptor);
  host::PIDescriptorHandle created = nullptr;
  parameters->writeDescriptorProcs->closeWriteDescriptorProc(*writer, &created);
  parameters->descriptor = created;
  parameters->recordInfo = 0;
  *writer = nullptr;
  return 0;
}

}  // namespace framework
