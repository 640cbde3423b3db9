#include "app/ScriptingDescriptor.h"

#include <cmath>

namespace app {

using namespace resources;

namespace {

constexpr int kTileSizeRow = RowOfId(kTileSize);
constexpr int kAngleRow = RowOfId(kAngle);

int RowOfKey(host::DescriptorKey key) {
  for (int row = 0; row < kParameterCount; ++row) {
    if (kParameterTable[row].key == key) return row;
  }
  return -1;
}

}  // namespace

DescriptorBlock& GlobalDescriptorBlock() {
  static DescriptorBlock block;
  return block;
}

bool ReadDescriptor(framework::ParameterBlock* block, DescriptorBlock* values) {
  host::PIDescriptorParameters* parameters = block->record->descriptorParameters;
  if (!framework::HasDescriptorSuites(parameters)) return true;
  const host::ReadDescriptorProcs& procs = *parameters->readDescriptorProcs;
  host::DescriptorKey keys[kParameterCount + 1] = {};
  for (int i = 0; i < kParameterCount; ++i) keys[i] = kParameterTable[kDescriptorReadOrder[i]].key;
  host::PIReadDescriptor reader = procs.openReadDescriptorProc(parameters->descriptor, keys);
  if (reader) {
    host::DescriptorKey key = 0;
    host::DescriptorType type = 0;
    host::int32 flags = 0;
    while (procs.getKeyProc(reader, &key, &type, &flags)) {
      const int row = RowOfKey(key);
      if (row < 0) continue;
      const ParameterRow& p = kParameterTable[row];
      if (p.kind == ParameterKind::Integer) {
        host::int32 value = static_cast<host::int32>(p.defaultValue);
        procs.getIntegerProc(reader, &value);
        // An angle is a turn: -90 is 270, not 0.
        if (row == kAngleRow) value = static_cast<host::int32>((value % 360 + 360) % 360);
        values->integer[row] = value;
      } else if (p.kind == ParameterKind::Float) {
        double value = p.defaultValue;
        if (procs.getFloatProc(reader, &value) != host::noErr || !std::isfinite(value))
          value = p.defaultValue;
        values->real[row] = static_cast<float>(value);
      } else {
        bool value = p.defaultValue != 0;
        procs.getBooleanProc(reader, &value);
        values->integer[row] = value ? 1 : 0;
      }
    }
    framework::CloseReadDescriptor(parameters, block->record->handleProcs, &reader);
  }
  return framework::IsDialogRequested(parameters);
}

host::OSErr WriteDescriptor(framework::ParameterBlock* block, const DescriptorBlock* values) {
  host::PIDescriptorParameters* parameters = block->record->descriptorParameters;
  if (!framework::HasDescriptorSuites(parameters)) return host::noErr;
  const host::WriteDescriptorProcs& procs = *parameters->writeDescriptorProcs;
  host::PIWriteDescriptor writer = procs.openWriteDescriptorProc();
  if (!writer) return host::noErr;
  for (int row : kDescriptorWriteOrder) {
    const ParameterRow& p = kParameterTable[row];
    if (p.kind == ParameterKind::Integer) {
      procs.putIntegerProc(writer, p.key, values->integer[row]);
    } else if (p.kind == ParameterKind::Float) {
      const double value = values->real[row];
      procs.putFloatProc(writer, p.key, &value);
    } else {
      procs.putBooleanProc(writer, p.key, values->integer[row] != 0);
    }
  }
  return framework::CloseWriteDescriptor(parameters, block->record->handleProcs, &writer);
}

bool CopyBlockToParameters(const DescriptorBlock& values, framework::ParameterSet& parameters) {
  if (values.integer[kTileSizeRow] <= 0) return false;
  for (int row = 0; row < kParameterCount; ++row) {
    const ParameterRow& p = kParameterTable[row];
    framework::Parameter* parameter = parameters.FindParameterByName(p.name);
    if (!parameter) continue;
    if (p.kind == ParameterKind::Float)
      parameter->SetFloat(values.real[row]);
    else if (p.kind == ParameterKind::Integer)
      parameter->SetInt(values.integer[row]);
    else
      parameter->SetBool(values.integer[row] != 0);
  }
  return true;
}

void CopyParametersToBlock(const framework::ParameterSet& parameters, DescriptorBlock* values) {
  for (int row = 0; row < kParameterCount; ++row) {
    const ParameterRow& p = kParameterTable[row];
    const framework::Parameter* parameter = parameters.FindParameterByName(p.name);
    if (!parameter) continue;
    if (p.kind == ParameterKind::Float) {
      parameter->GetFloat(&values->real[row]);
    } else if (p.kind == ParameterKind::Integer) {
      parameter->GetInt(&values->integer[row]);
    } else {
      bool flag = false;
      parameter->GetBool(&flag);
      values->integer[row] = flag ? 1 : 0;
    }
  }
}

}  // namespace app
