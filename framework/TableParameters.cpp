#include "framework/TableParameters.h"

#include <memory>

#include "resources/ParameterTable.h"

namespace framework {

void DefineTableParameters(ParameterSet& parameters) {
  using resources::ParameterKind;
  for (const resources::ParameterRow& row : resources::kParameterTable) {
    std::unique_ptr<Parameter> parameter;
    if (row.kind == ParameterKind::Integer) {
      auto integer = std::make_unique<IntegerParameter>();
      integer->SetRange(static_cast<int>(row.minimum), static_cast<int>(row.maximum));
      integer->SetDefault(static_cast<int>(row.defaultValue));
      integer->SetInt(static_cast<int>(row.defaultValue));
      parameter = std::move(integer);
    } else if (row.kind == ParameterKind::Float) {
      auto real = std::make_unique<FloatParameter>();
      real->SetRange(static_cast<float>(row.minimum), static_cast<float>(row.maximum));
      real->SetDefault(static_cast<float>(row.defaultValue));
      real->SetFloat(static_cast<float>(row.defaultValue));
      parameter = std::move(real);
    } else {
      auto flag = std::make_unique<BooleanParameter>();
      flag->SetDefault(row.defaultValue != 0);
      flag->SetInt(row.defaultValue != 0);
      parameter = std::move(flag);
    }
    parameter->SetName(row.name);
    parameters.AddParameter(row.id, row.name, std::move(parameter));
  }
}

}  // namespace framework
