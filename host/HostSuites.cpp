// The host's handle suite and scripting-descriptor suites.
#include <cstring>
#include <new>
#include <vector>

#include "host/FilterHost.h"

namespace wfhost {
namespace {

struct HandleBlock {
  std::vector<std::uint8_t> bytes;
  int locks = 0;
};

HandleBlock* Block(host::Handle handle) { return reinterpret_cast<HandleBlock*>(handle); }

// Memory that cannot be had is a null handle or an error to the module, which tells its user;
// an exception would unwind through its entry point.
host::Handle NewHandle(host::int32 size) {
  if (size < 0) return nullptr;
  try {
    return reinterpret_cast<host::Handle>(new HandleBlock{std::vector<std::uint8_t>(std::size_t(size)), 0});
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void DisposeHandle(host::Handle handle) { delete Block(handle); }
host::int32 GetHandleSize(host::Handle handle) {
  return handle ? static_cast<host::int32>(Block(handle)->bytes.size()) : 0;
}
host::OSErr SetHandleSize(host::Handle handle, host::int32 size) {
  if (!handle) return host::nilHandleErr;
  if (size < 0) return host::paramErr;
  try {
    Block(handle)->bytes.resize(std::size_t(size));
  } catch (const std::bad_alloc&) {
    return host::memFullErr;
  }
  return host::noErr;
}
void* LockHandle(host::Handle handle, bool) {
  if (!handle) return nullptr;
  ++Block(handle)->locks;
  return Block(handle)->bytes.data();
}
void UnlockHandle(host::Handle handle) {
  if (handle && Block(handle)->locks > 0) --Block(handle)->locks;
}
void RecoverSpace(host::int32) {}

struct ReadToken {
  Descriptor values;
  std::size_t next = 0;
  const DescriptorValue* current = nullptr;
};
struct WriteToken {
  Descriptor values;
};

ReadToken* Reader(host::PIReadDescriptor token) { return reinterpret_cast<ReadToken*>(token); }
WriteToken* Writer(host::PIWriteDescriptor token) { return reinterpret_cast<WriteToken*>(token); }

host::PIReadDescriptor OpenReader(host::PIDescriptorHandle descriptor, const host::DescriptorKey*) {
  if (!descriptor) return nullptr;
  return reinterpret_cast<host::PIReadDescriptor>(
      new ReadToken{ReadDescriptorHandle(descriptor), 0, nullptr});
}
host::OSErr CloseReader(host::PIReadDescriptor token) {
  delete Reader(token);
  return host::noErr;
}
bool GetKey(host::PIReadDescriptor token, host::DescriptorKey* key, host::DescriptorType* type,
            host::int32* flags) {
  ReadToken* reader = Reader(token);
  if (!reader || reader->next >= reader->values.size()) return false;
  reader->current = &reader->values[reader->next++];
  *key = reader->current->key;
  *type = reader->current->type;
  if (flags) *flags = 0;
  return true;
}
// The current value when it has the type asked for.
const DescriptorValue* Current(host::PIReadDescriptor token, host::DescriptorType type) {
  ReadToken* reader = Reader(token);
  return reader && reader->current && reader->current->type == type ? reader->current : nullptr;
}
host::OSErr GetInteger(host::PIReadDescriptor token, host::int32* value) {
  const DescriptorValue* v = Current(token, host::typeInteger);
  if (!v) return host::descriptorTypeErr;
  *value = v->integer;
  return host::noErr;
}
host::OSErr GetFloat(host::PIReadDescriptor token, double* value) {
  const DescriptorValue* v = Current(token, host::typeFloat);
  if (!v) return host::descriptorTypeErr;
  *value = v->real;
  return host::noErr;
}
host::OSErr GetBoolean(host::PIReadDescriptor token, bool* value) {
  const DescriptorValue* v = Current(token, host::typeBoolean);
  if (!v) return host::descriptorTypeErr;
  *value = v->flag;
  return host::noErr;
}
// The value types this host does not record.
template <typename... Args>
host::OSErr Unsupported(host::PIReadDescriptor, Args...) {
  return host::descriptorTypeErr;
}
template <typename... Args>
host::OSErr Refused(host::PIWriteDescriptor, host::DescriptorKey, Args...) {
  return host::descriptorTypeErr;
}

host::PIWriteDescriptor OpenWriter() { return reinterpret_cast<host::PIWriteDescriptor>(new WriteToken); }
host::OSErr CloseWriter(host::PIWriteDescriptor token, host::PIDescriptorHandle* descriptor) {
  WriteToken* writer = Writer(token);
  if (!writer) return host::nilHandleErr;
  if (descriptor) *descriptor = MakeDescriptor(writer->values);
  delete writer;
  return host::noErr;
}
host::OSErr PutInteger(host::PIWriteDescriptor token, host::DescriptorKey key, host::int32 value) {
  DescriptorValue v;
  v.key = key, v.type = host::typeInteger, v.integer = value;
  Writer(token)->values.push_back(v);
  return host::noErr;
}
host::OSErr PutFloat(host::PIWriteDescriptor token, host::DescriptorKey key, const double* value) {
  DescriptorValue v;
  v.key = key, v.type = host::typeFloat, v.real = *value;
  Writer(token)->values.push_back(v);
  return host::noErr;
}
host::OSErr PutBoolean(host::PIWriteDescriptor token, host::DescriptorKey key, bool value) {
  DescriptorValue v;
  v.key = key, v.type = host::typeBoolean, v.flag = value;
  Writer(token)->values.push_back(v);
  return host::noErr;
}

}  // namespace

host::HandleProcs* HostHandleProcs() {
  static host::HandleProcs procs{host::kCurrentHandleProcsVersion,
                                 host::kCurrentHandleProcsCount,
                                 NewHandle,
                                 DisposeHandle,
                                 GetHandleSize,
                                 SetHandleSize,
                                 LockHandle,
                                 UnlockHandle,
                                 RecoverSpace,
                                 DisposeHandle};
  return &procs;
}

host::ReadDescriptorProcs* HostReadProcs() {
  static host::ReadDescriptorProcs procs{
      host::kCurrentReadDescriptorProcsVersion,
      host::kCurrentReadDescriptorProcsCount,
      OpenReader,
      CloseReader,
      GetKey,
      GetInteger,
      GetFloat,
      Unsupported<host::DescriptorType*, double*>,
      GetBoolean,
      Unsupported<host::Handle*>,
      Unsupported<host::Handle*>,
      Unsupported<host::DescriptorType*>,
      Unsupported<host::DescriptorType*>,
      Unsupported<void*>,
      Unsupported<host::DescriptorType*, host::PIDescriptorHandle*>,
      Unsupported<std::uint32_t*>,
      Unsupported<unsigned char*>,
      Unsupported<host::int32, host::int32, host::int32*>,
      Unsupported<const double*, const double*, double*>,
      Unsupported<const double*, const double*, host::DescriptorType*, double*>};
  return &procs;
}

host::WriteDescriptorProcs* HostWriteProcs() {
  static host::WriteDescriptorProcs procs{host::kCurrentWriteDescriptorProcsVersion,
                                          host::kCurrentWriteDescriptorProcsCount,
                                          OpenWriter,
                                          CloseWriter,
                                          PutInteger,
                                          PutFloat,
                                          Refused<host::DescriptorType, const double*>,
                                          PutBoolean,
                                          Refused<host::Handle>,
                                          Refused<host::Handle>,
                                          Refused<host::DescriptorType, host::DescriptorType>,
                                          Refused<host::DescriptorType>,
                                          Refused<const void*>,
                                          Refused<host::DescriptorType, host::PIDescriptorHandle>,
                                          Refused<std::uint32_t>,
                                          Refused<const unsigned char*>,
                                          Refused<host::DescriptorType>,
                                          Refused<host::DescriptorType, host::PIDescriptorHandle>};
  return &procs;
}

host::PIDescriptorHandle MakeDescriptor(const Descriptor& values) {
  host::Handle handle = NewHandle(static_cast<host::int32>(values.size() * sizeof(DescriptorValue)));
  if (!values.empty())
    std::memcpy(Block(handle)->bytes.data(), values.data(), values.size() * sizeof(DescriptorValue));
  return handle;
}

Descriptor ReadDescriptorHandle(host::PIDescriptorHandle handle) {
  Descriptor values;
  if (!handle) return values;
  const std::vector<std::uint8_t>& bytes = Block(handle)->bytes;
  values.resize(bytes.size() / sizeof(DescriptorValue));
  if (!values.empty()) std::memcpy(values.data(), bytes.data(), values.size() * sizeof(DescriptorValue));
  return values;
}

}  // namespace wfhost
