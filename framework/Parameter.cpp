#include "framework/Parameter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace framework {
namespace {

// A 32-bit value of the parameter's name: 0, -1 when missing, -2 when it is not a 4-byte number.
int ReadDword(HKEY key, const std::string& name, DWORD* value) {
  DWORD type = 0;
  BYTE data[64] = {};
  DWORD size = sizeof data;
  const LSTATUS status = RegQueryValueEx(key, name.c_str(), nullptr, &type, data, &size);
  if (status == ERROR_FILE_NOT_FOUND) return -1;
  if (status != ERROR_SUCCESS || type != REG_DWORD || size != 4) return -2;
  std::memcpy(value, data, 4);
  return 0;
}

// A value already stored as it would be written is left alone: saving an unchanged set then
// does not rewrite (and sync) the registry's file.
int WriteDword(HKEY key, const std::string& name, DWORD type, DWORD value) {
  BYTE data[4];
  std::memcpy(data, &value, 4);
  DWORD storedType = 0;
  BYTE stored[8] = {};
  DWORD size = sizeof stored;
  if (RegQueryValueEx(key, name.c_str(), nullptr, &storedType, stored, &size) == ERROR_SUCCESS &&
      storedType == type && size == 4 && std::memcmp(stored, data, 4) == 0)
    return 0;
  return RegSetValueEx(key, name.c_str(), 0, type, data, 4) == ERROR_SUCCESS ? 0 : -1;
}

}  // namespace

void Parameter::WriteLine(std::ostream& out) const {
  out << '\t' << name_ << " : ";
  WriteValue(out);
  out << std::endl;
}

int Parameter::ParseText(const std::string&) { return -1; }
int Parameter::LoadFromRegistry(HKEY) { return 0; }
int Parameter::SaveToRegistry(HKEY) const { return 0; }

std::unique_ptr<Parameter> Parameter::Clone() const {
  auto copy = std::unique_ptr<Parameter>(new Parameter());
  copy->name_ = name_;
  return copy;
}

int BooleanParameter::ParseText(const std::string& text) {
  if (text == "False")
    value_ = false;
  else if (text == "True")
    value_ = true;
  return 0;
}

int BooleanParameter::LoadFromRegistry(HKEY key) {
  DWORD value = 0;
  const int read = ReadDword(key, name_, &value);
  if (read == 0) value_ = value == 1;
  return read;
}

int BooleanParameter::SaveToRegistry(HKEY key) const {
  return WriteDword(key, name_, registryType_, value_ ? 1 : 0);
}

Parameter& BooleanParameter::CopyTo(Parameter& target) const {
  if (auto* same = dynamic_cast<BooleanParameter*>(&target)) same->value_ = value_;
  return target;
}

bool BooleanParameter::Equals(const Parameter& other) const {
  const auto* same = dynamic_cast<const BooleanParameter*>(&other);
  return same && same->value_ == value_;
}

int IntegerParameter::Clamp(int value) const {
  if (maximum_ < std::max(value, minimum_)) return maximum_;
  return value >= minimum_ ? value : minimum_;
}

int IntegerParameter::ParseText(const std::string& text) {
  value_ = static_cast<std::int32_t>(std::strtol(text.c_str(), nullptr, 10));
  return 0;
}

int IntegerParameter::LoadFromRegistry(HKEY key) {
  DWORD value = 0;
  const int read = ReadDword(key, name_, &value);
  if (read == 0) value_ = static_cast<std::int32_t>(value);
  return read;
}

int IntegerParameter::SaveToRegistry(HKEY key) const {
  return WriteDword(key, name_, registryType_, static_cast<DWORD>(value_));
}

Parameter& IntegerParameter::CopyTo(Parameter& target) const {
  if (auto* same = dynamic_cast<IntegerParameter*>(&target)) {
    same->value_ = value_;
    same->minimum_ = minimum_;
    same->maximum_ = maximum_;
    same->default_ = default_;
  }
  return target;
}

bool IntegerParameter::Equals(const Parameter& other) const {
  const auto* same = dynamic_cast<const IntegerParameter*>(&other);
  return same && same->value_ == value_;
}

float FloatParameter::Clamp(float value) const {
  if (std::isnan(value)) return minimum_;
  if (maximum_ < std::max(value, minimum_)) return maximum_;
  return value >= minimum_ ? value : minimum_;
}

int FloatParameter::ParseText(const std::string& text) {
  const double number = std::strtod(text.c_str(), nullptr);
  if (!(number >= minimum_ && number <= maximum_)) return -1;
  value_ = static_cast<float>(number);
  return 0;
}

int FloatParameter::LoadFromRegistry(HKEY key) {
  DWORD bits = 0;
  const int read = ReadDword(key, name_, &bits);
  if (read != 0) return read;
  float value;
  std::memcpy(&value, &bits, 4);
  if (!std::isfinite(value)) return -2;
  value_ = value;
  return 0;
}

int FloatParameter::SaveToRegistry(HKEY key) const {
  DWORD bits;
  std::memcpy(&bits, &value_, 4);
  return WriteDword(key, name_, registryType_, bits);
}

Parameter& FloatParameter::CopyTo(Parameter& target) const {
  if (auto* same = dynamic_cast<FloatParameter*>(&target)) {
    same->value_ = value_;
    same->minimum_ = minimum_;
    same->maximum_ = maximum_;
    same->default_ = default_;
  }
  return target;
}

}  // namespace framework
