// wf-host: runs a filter module from a plug-ins folder over an image file, as an image editor
// replays a recorded action without the filter's dialog.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/FilterHost.h"
#include "host/ImageFiles.h"
#include "host/PluginInfo.h"
#include "platform/win32/ReplacementFile.h"
#include "resources/ParameterTable.h"

namespace {

using namespace wfhost;

const char kUsage[] =
    "usage: wf-host --plugins DIR --in IMAGE --out IMAGE [--selection MASK] [--set NAME=VALUE ...] [--time]\n"
    "Runs the Wendle Forge filter over IMAGE (grey, RGB, 16-bit grey or 48-bit RGB from a 16-bit PNG)\n"
    "and writes the result in the format its extension names (BMP, JPEG, PNG, TIFF, GIF, TGA or PCX;\n"
    "16 bits a sample in PNG and TIFF). MASK is a grey image of the same size:\n"
    "the filter works where it is not black. Parameters not set keep their defaults.\n";

// One line on standard error, whatever the reason's text holds.
void Say(std::string message) {
  std::replace(message.begin(), message.end(), '\n', ' ');
  std::fprintf(stderr, "wf-host: %s\n", message.c_str());
}

int Fail(const std::string& message) {
  Say(message);
  return 1;
}

void PrintHelp() {
  std::printf("%s\nParameters:\n", kUsage);
  for (const resources::ParameterRow& row : resources::kParameterTable) {
    if (row.kind == resources::ParameterKind::Boolean) {
      std::printf("  %-22s true or false (default %s)\n", row.name, row.defaultValue != 0 ? "true" : "false");
    } else {
      std::printf("  %-22s %g .. %g (default %g)\n", row.name, row.minimum, row.maximum, row.defaultValue);
    }
  }
  std::printf("  TilingMethod also takes a group's name:");
  for (const char* name : resources::kGroupNames) std::printf(" %s", name);
  std::printf("\n");
}

const resources::ParameterRow* FindRow(const std::string& name) {
  for (const resources::ParameterRow& row : resources::kParameterTable) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

// One --set NAME=VALUE into the descriptor's value; an empty answer, else the error.
std::string SetValue(const std::string& assignment, Descriptor& descriptor) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string::npos) return "--set needs NAME=VALUE, not \"" + assignment + "\"";
  const std::string name = assignment.substr(0, equals), text = assignment.substr(equals + 1);
  const resources::ParameterRow* row = FindRow(name);
  if (!row) return "unknown parameter \"" + name + "\" (wf-host --help lists them)";
  DescriptorValue* value = nullptr;
  for (DescriptorValue& v : descriptor) {
    if (v.key == row->key) value = &v;
  }
  if (row->kind == resources::ParameterKind::Boolean) {
    if (text != "true" && text != "false") return name + " takes true or false, not \"" + text + "\"";
    value->flag = text == "true";
    return "";
  }
  double number = 0;
  bool parsed = false;
  if (row->id == resources::kTilingMethod) {
    for (int i = 0; i < resources::kGroupCount; ++i) {
      if (text == resources::kGroupNames[i]) number = i, parsed = true;
    }
  }
  if (!parsed) {
    char* end = nullptr;
    number = std::strtod(text.c_str(), &end);
    parsed = !text.empty() && end && *end == '\0' && std::isfinite(number);
    if (parsed && row->kind == resources::ParameterKind::Integer) parsed = number == std::floor(number);
  }
  if (!parsed)
    return name + " takes a " + (row->kind == resources::ParameterKind::Integer ? "whole " : "") +
           "number, not \"" + text + "\"";
  if (number < row->minimum || number > row->maximum) {
    char range[96];
    std::snprintf(range, sizeof range, " is out of range %g .. %g", row->minimum, row->maximum);
    return name + " " + text + range;
  }
  if (row->kind == resources::ParameterKind::Integer)
    value->integer = static_cast<std::int32_t>(number);
  else
    value->real = number;
  return "";
}

Descriptor DefaultDescriptor() {
  Descriptor descriptor;
  for (int row : resources::kDescriptorReadOrder) {
    const resources::ParameterRow& p = resources::kParameterTable[row];
    DescriptorValue v;
    v.key = p.key;
    v.type = resources::DescriptorTypeOf(p.kind);
    v.integer = static_cast<std::int32_t>(p.defaultValue);
    v.real = p.defaultValue;
    v.flag = p.defaultValue != 0;
    descriptor.push_back(v);
  }
  return descriptor;
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  platform::RemoveUnfinishedReplacementsOnSignals();  // an interrupted save leaves no temporary
  std::string plugins, in, out, selectionPath;
  bool time = false;
  Descriptor descriptor = DefaultDescriptor();
  std::vector<std::string> assignments;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&](std::string* into) {
      if (i + 1 >= argc) return false;
      *into = argv[++i];
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      PrintHelp();
      return 0;
    }
    std::string value;
    if (arg == "--time")
      time = true;
    else if (arg == "--plugins" && next(&plugins))
      continue;
    else if (arg == "--in" && next(&in))
      continue;
    else if (arg == "--out" && next(&out))
      continue;
    else if (arg == "--selection" && next(&selectionPath))
      continue;
    else if (arg == "--set" && next(&value))
      assignments.push_back(value);
    else
      return Fail("unknown or incomplete option \"" + arg + "\" (wf-host --help)");
  }
  if (plugins.empty() || in.empty() || out.empty())
    return Fail("--plugins, --in and --out are needed (wf-host --help)");
  for (const std::string& assignment : assignments) {
    const std::string error = SetValue(assignment, descriptor);
    if (!error.empty()) return Fail(error);
  }

  const OutputFormat* format = OutputFormatOf(out);
  if (!format)
    return Fail(out + ": the extension names no format written (bmp, jpg, png, tif, gif, tga or pcx)");

  const std::vector<PluginInfo> found = FindPlugins(plugins);
  const PluginInfo* filter = nullptr;
  for (const PluginInfo& info : found) {
    if (info.kind == "8BFM" && info.name.rfind("Wendle Forge", 0) == 0) filter = &info;
  }
  if (!filter) return Fail("no Wendle Forge filter module (.8bf) in " + plugins);

  auto start = std::chrono::steady_clock::now();
  HostImageBuffer image;
  std::string error;
  if (!LoadHostImage(in, &image, &error)) return Fail(in + ": " + error);
  const double loadSeconds = Since(start);
  std::vector<std::uint8_t> selection;
  if (!selectionPath.empty() && !LoadSelection(selectionPath, image.width, image.height, &selection, &error))
    return Fail(selectionPath + ": " + error);

  FilterModule module;
  if (!module.Load(filter->path, filter->entryPoint, &error)) return Fail(filter->path + ": " + error);
  FilterRun run;
  run.descriptor = descriptor;
  run.selection = selectionPath.empty() ? nullptr : &selection;
  const host::OSErr result = RunFilter(module, image, run);
  if (result == host::userCanceledErr)
    return Fail(in + ": " + filter->name + " refused the image (it was cancelled)");
  if (result != host::noErr)
    return Fail(in + ": " + filter->name + " failed with the host error " + std::to_string(result));

  start = std::chrono::steady_clock::now();
  if (image.sampleBytes == 2 && !format->holdsSixteenBits)
    Say(out + ": " + format->name + " holds 8 bits a sample: the 16-bit result is written with 8");
  if (!SaveHostImage(out, image, &error)) return Fail(out + ": " + error);
  if (time) {
    std::printf("load %.3f s\n", loadSeconds);
    double filterSeconds = 0;
    for (const StepTime& step : run.times) filterSeconds += step.seconds;
    for (const StepTime& step : run.times) std::printf("%s %.3f s\n", step.step, step.seconds);
    std::printf("filter %.3f s\nsave %.3f s\n", filterSeconds, Since(start));
  }
  return 0;
}
