// The named collection of a command's parameters, kept in the user's registry under
// Software\Veltramoor\<set name>, one value per parameter.
#pragma once
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "framework/Parameter.h"

namespace framework {

constexpr int kRegistryFailed = -5;

class ParameterSet {
 public:
  ParameterSet() = default;
  // A copy owns clones of the parameters: a render reads one while the dialog changes the original.
  ParameterSet(const ParameterSet& other);
  ParameterSet& operator=(const ParameterSet& other);
  ParameterSet(ParameterSet&&) = default;
  ParameterSet& operator=(ParameterSet&&) = default;

  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& GetName() const { return name_; }

  // The set owns the parameter; ids are unique.
  void AddParameter(int id, std::string name, std::unique_ptr<Parameter> parameter);
  // Null for an id never added.
  Parameter* GetParameter(int id) const;
  // The parameter of the smallest id whose name is exactly this one, or null.
  Parameter* FindParameterByName(const std::string& name) const;
  // Copies the source's value (with range and default for numbers) into the parameter of the id.
  int SetParameterValue(int id, const Parameter& source);
  void ResetParameters(bool persistentOnly);
  // The preset form: the set's name, then one line per persistent parameter.
  int WriteCommand(std::ostream& out) const;

  // 0, or kRegistryFailed when the key cannot be opened or any value is missing or malformed.
  // Every parameter is tried: a missing value keeps the parameter's value, a malformed one
  // resets it to its default.
  int LoadParametersFromRegistry();
  int SaveParametersToRegistry() const;

  const std::map<int, std::unique_ptr<Parameter>>& Parameters() const { return parameters_; }

 private:
  std::string name_;
  std::map<int, std::unique_ptr<Parameter>> parameters_;
  std::map<int, std::string> names_;
};

}  // namespace framework
