#include "framework/ParameterSet.h"

#include "platform/registry/Registry.h"

namespace framework {
namespace {

const char kVendorKey[] = "Software\\Veltramoor";
constexpr REGSAM kReadAccess = 0x20019;
constexpr REGSAM kReadWriteAccess = 0x2001F;

class KeyHolder {
 public:
  ~KeyHolder() {
    if (key) RegCloseKey(key);
  }
  HKEY key = nullptr;
};

}  // namespace

ParameterSet::ParameterSet(const ParameterSet& other) : name_(other.name_), names_(other.names_) {
  for (const auto& [id, parameter] : other.parameters_) parameters_[id] = parameter->Clone();
}

ParameterSet& ParameterSet::operator=(const ParameterSet& other) {
  if (this != &other) *this = ParameterSet(other);
  return *this;
}

void ParameterSet::AddParameter(int id, std::string name, std::unique_ptr<Parameter> parameter) {
  names_[id] = std::move(name);
  parameters_[id] = std::move(parameter);
}

Parameter* ParameterSet::GetParameter(int id) const {
  auto found = parameters_.find(id);
  return found == parameters_.end() ? nullptr : found->second.get();
}

Parameter* ParameterSet::FindParameterByName(const std::string& name) const {
  for (const auto& [id, recorded] : names_) {
    if (recorded == name) return GetParameter(id);
  }
  return nullptr;
}

int ParameterSet::SetParameterValue(int id, const Parameter& source) {
  Parameter* target = GetParameter(id);
  if (!target) return -1;
  source.CopyTo(*target);
  return 0;
}

void ParameterSet::ResetParameters(bool persistentOnly) {
  for (auto& [id, parameter] : parameters_) {
    if (!persistentOnly || parameter->IsPersistent()) parameter->Reset();
  }
}

int ParameterSet::WriteCommand(std::ostream& out) const {
  out << name_ << std::endl;
  for (const auto& [id, parameter] : parameters_) {
    if (parameter->IsPersistent()) parameter->WriteLine(out);
  }
  return 0;
}

int ParameterSet::LoadParametersFromRegistry() {
  KeyHolder vendor, set;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, kVendorKey, 0, kReadAccess, &vendor.key) != ERROR_SUCCESS)
    return kRegistryFailed;
  if (RegOpenKeyEx(vendor.key, name_.c_str(), 0, kReadAccess, &set.key) != ERROR_SUCCESS)
    return kRegistryFailed;
  int result = 0;
  for (auto& [id, parameter] : parameters_) {
    const int loaded = parameter->LoadFromRegistry(set.key);
    if (loaded == -2) parameter->Reset();
    if (loaded != 0) result = kRegistryFailed;
  }
  return result;
}

int ParameterSet::SaveParametersToRegistry() const {
  platform::RegistryBatch batch;  // one write of the file for the whole set
  KeyHolder vendor, set;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, kVendorKey, 0, nullptr, REG_OPTION_NON_VOLATILE, kReadWriteAccess,
                     nullptr, &vendor.key, nullptr) != ERROR_SUCCESS)
    return kRegistryFailed;
  if (RegCreateKeyEx(vendor.key, name_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kReadWriteAccess,
                     nullptr, &set.key, nullptr) != ERROR_SUCCESS)
    return kRegistryFailed;
  for (const auto& [id, parameter] : parameters_) {
    if (parameter->SaveToRegistry(set.key) != 0) return kRegistryFailed;
  }
  return batch.Finish() == ERROR_SUCCESS ? 0 : kRegistryFailed;
}

}  // namespace framework
