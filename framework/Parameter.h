// Plug-in host framework: the selector dispatch and the application base (PluginApp), the image
// exchange with the host (HostImage), named parameters kept in the registry and the scripting
// descriptor, and the command a render routine works for. Uses the platform's host interface,
// registry and windows, the core and the row operations; the filter's application builds on it.
//
// Parameters: named, typed values with a range and a default. Each kind answers the typed
// accessors that fit it and ignores the others, so callers ask any parameter for any type.
#pragma once
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "platform/registry/Registry.h"

namespace framework {

class Parameter {
 public:
  Parameter() = default;
  virtual ~Parameter() = default;
  Parameter(const Parameter&) = default;
  Parameter& operator=(const Parameter&) = delete;

  // One preset line: a tab, the name, " : ", the value text.
  virtual void WriteLine(std::ostream& out) const;
  // 0, or -1 when the kind refuses the text.
  virtual int ParseText(const std::string& text);
  // 0, or -1 when the value cannot be read (missing) or -2 when it is malformed.
  virtual int LoadFromRegistry(HKEY key);
  // 0, or -1 when the write fails.
  virtual int SaveToRegistry(HKEY key) const;

  virtual void SetBool(bool) {}
  virtual void SetFloat(float) {}
  virtual void SetInt(int) {}
  virtual void GetBool(bool*) const {}
  virtual void GetFloat(float*) const {}
  virtual void GetInt(int*) const {}
  virtual std::unique_ptr<Parameter> Clone() const;
  // Copies the value (and range and default) into a parameter of the same kind.
  virtual Parameter& CopyTo(Parameter& target) const { return target; }
  virtual Parameter& AssignBool(bool) { return *this; }
  virtual Parameter& AssignFloat(float) { return *this; }
  virtual Parameter& AssignInt(int) { return *this; }
  virtual bool Equals(const Parameter&) const { return false; }
  virtual void Reset() {}

  const std::string& GetName() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  std::int32_t GetFlags() const { return flags_; }
  void SetFlags(std::int32_t flags) { flags_ = flags; }
  bool IsPersistent() const { return flags_ != 0; }

 protected:
  explicit Parameter(const char* kind, DWORD registryType) : name_(kind), registryType_(registryType) {}
  virtual void WriteValue(std::ostream&) const {}

  std::string name_ = "generic param";
  std::int32_t flags_ = 3;
  DWORD registryType_ = 0;
};

class BooleanParameter final : public Parameter {
 public:
  BooleanParameter() : Parameter("Boolean Parameter", REG_DWORD) {}
  void SetDefault(bool value) { default_ = value; }

  int ParseText(const std::string& text) override;
  int LoadFromRegistry(HKEY key) override;
  int SaveToRegistry(HKEY key) const override;
  void SetBool(bool value) override { value_ = value; }
  void SetInt(int value) override { value_ = value != 0; }
  void GetBool(bool* value) const override { *value = value_; }
  void GetInt(int* value) const override { *value = value_ ? 1 : 0; }
  std::unique_ptr<Parameter> Clone() const override { return std::make_unique<BooleanParameter>(*this); }
  Parameter& CopyTo(Parameter& target) const override;
  Parameter& AssignBool(bool value) override {
    value_ = value;
    return *this;
  }
  Parameter& AssignInt(int value) override {
    value_ = value != 0;
    return *this;
  }
  bool Equals(const Parameter& other) const override;
  void Reset() override { value_ = default_; }

 private:
  void WriteValue(std::ostream& out) const override { out << (value_ ? "True" : "False"); }
  bool value_ = false;
  bool default_ = false;
};

class IntegerParameter final : public Parameter {
 public:
  IntegerParameter() : Parameter("integer param", REG_DWORD) {}
  void SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
  }
  void SetDefault(int value) { default_ = Clamp(value); }
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  int Default() const { return default_; }

  int ParseText(const std::string& text) override;
  int LoadFromRegistry(HKEY key) override;
  int SaveToRegistry(HKEY key) const override;
  void SetInt(int value) override { value_ = Clamp(value); }
  void GetInt(int* value) const override { *value = Clamp(value_); }
  std::unique_ptr<Parameter> Clone() const override { return std::make_unique<IntegerParameter>(*this); }
  Parameter& CopyTo(Parameter& target) const override;
  Parameter& AssignInt(int value) override {
    value_ = value;
    return *this;
  }
  bool Equals(const Parameter& other) const override;
  void Reset() override { value_ = default_; }

 private:
  int Clamp(int value) const;
  void WriteValue(std::ostream& out) const override { out << value_; }
  std::int32_t value_ = 0, minimum_ = 0, maximum_ = 0, default_ = 0;
};

class FloatParameter final : public Parameter {
 public:
  FloatParameter() : Parameter("Float Parameter", REG_DWORD) {}
  void SetRange(float minimum, float maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
  }
  void SetDefault(float value) { default_ = Clamp(value); }
  float Minimum() const { return minimum_; }
  float Maximum() const { return maximum_; }
  float Default() const { return default_; }

  int ParseText(const std::string& text) override;
  int LoadFromRegistry(HKEY key) override;
  int SaveToRegistry(HKEY key) const override;
  void SetFloat(float value) override { value_ = Clamp(value); }
  void GetFloat(float* value) const override { *value = Clamp(value_); }
  std::unique_ptr<Parameter> Clone() const override { return std::make_unique<FloatParameter>(*this); }
  Parameter& CopyTo(Parameter& target) const override;
  Parameter& AssignFloat(float value) override {
    value_ = value;
    return *this;
  }
  void Reset() override { value_ = default_; }

 private:
  // A value that is not a number becomes the minimum, never a NaN handed on.
  float Clamp(float value) const;
  void WriteValue(std::ostream& out) const override { out << value_; }
  float value_ = 0, maximum_ = 0, minimum_ = 0, default_ = 0;
};

}  // namespace framework
