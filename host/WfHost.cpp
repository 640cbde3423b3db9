// wf-host: runs a filter module from a plug-ins folder over an image file, as an image editor
// replays a recorded action without the filter's dialog, or with it, live or under a script.
#include <strings.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "host/FilterHost.h"
#include "host/ImageFiles.h"
#include "host/PluginInfo.h"
#include "host/ShapePlacement.h"
#include "platform/ui/DialogInput.h"
#include "platform/ui/Ui.h"
#include "platform/win32/ReplacementFile.h"
#include "resources/ParameterTable.h"

namespace {

using namespace wfhost;

const char kUsage[] =
    "usage: wf-host --plugins DIR --in IMAGE --out IMAGE [--selection MASK] [--set NAME=VALUE ...] [--raw]\n"
    "               [--time] [--dialog [SCRIPT]]\n"
    "       wf-host --plugins DIR --about [SCRIPT]\n"
    "Runs the Wendle Forge filter over IMAGE (grey, RGB, 16-bit grey or 48-bit RGB from a 16-bit PNG\n"
    "or TIFF) and writes the result in the format its extension names (BMP, JPEG, PNG, TIFF, GIF,\n"
    "TGA or PCX; 16 bits a sample in PNG and TIFF). MASK is a grey image of the same size:\n"
    "the filter works where it is not black. Parameters not set keep their defaults.\n"
    "--dialog runs the filter with its dialog, starting from these values: on the display that\n"
    "DISPLAY names, or headless under the event script file SCRIPT. OK writes what the dialog shows,\n"
    "Cancel writes nothing.\n"
    "--about shows the filter's about box, as an image editor's About menu does: on the display, or\n"
    "headless under SCRIPT (a click in the box closes it); with neither, its lines go to standard error.\n";

const char kScriptHelp[] =
    "Event script (--dialog SCRIPT): one step a line; a # that starts a word starts a comment.\n"
    "Controls are named by their ids (OK 1, Cancel 2, the view 3002, Apply 3006, tile size 3024,\n"
    "edge blending 3025, Save Tile 3028, Show Preview 3018, the group button 3033, Display list 3060).\n"
    "The about box (--about SCRIPT) has no buttons: its lines are 1014 (name), 1015 (vendor),\n"
    "1016 (authors) and 1017 (description), and a click on any of them closes it (click 1014).\n"
    "  click ID                     the middle of the control in the active window\n"
    "  click-in ID X Y              a point of the control, from its top left\n"
    "  double-click-in ID X Y       (in a number field it selects the whole number)\n"
    "  drag-in ID X Y X Y [X Y ...] the left button held along points of the control\n"
    "  key NAME [COUNT]             enter, escape, tab, space, backspace, delete, left, right, up,\n"
    "                               down, home, end, or a virtual-key number\n"
    "  type TEXT                    the characters after the one space\n"
    "  wait-enabled ID [MS]         until the control is enabled (OK: a render has finished)\n"
    "  answer ok|cancel|yes|no      the next message box\n"
    "  choose-file PATH             the next file dialog's answer; cancel-file cancels it (a file\n"
    "                               that exists is replaced after answer yes)\n"
    "  activate TITLE               the window whose title starts so becomes the active one\n"
    "  capture PATH                 the active window as it shows now, into a PNG\n"
    "Example: in the group popup, pick the group three after the current one (after the default\n"
    "PGG: P4), blend 30 %, tile 70 %, render, OK:\n"
    "  click 3033\n  key right 3\n  key enter\n  double-click-in 3025 10 8\n  type 30\n"
    "  double-click-in 3024 10 8\n  type 70\n  click 3006\n  wait-enabled 1\n  click 1\n";

const char kShapeHelp[] =
    "The shape: the area of the image the tile is made from, one cell of the group's lattice.\n"
    "Positions are fractions of the image (of the selection's box with --selection): 0,0 top left,\n"
    "1,1 bottom right.\n"
    "  Point3X/Y            the cell's first corner, where its two edges start\n"
    "  Point2X/Y            the end of the cell's first edge (its width and direction)\n"
    "  Point1X/Y            the end of the cell's second edge (its height and lean)\n"
    "  PointCenterX/Y       the cell's centre, which it turns about\n"
    "  Angle                the turn of the cell about its centre, in degrees\n"
    "  Spline1..3           how far the cell's edges bow, in lattice units (the editor: within 0.125)\n"
    "  BoundBoxLeft..Bottom the part of the image the tile may read: all of the (turned, bowed) cell\n"
    "  TileSize             the tile's size in percent of one period of the lattice\n"
    "  Feathering           how far, in percent, seams are blended\n"
    "Most groups need a particular cell: square for P4, P4M and P4G; rhombic (two equal edges) for\n"
    "CM and CMM; rectangular for PM, PG, PMM, PMG and PGG; hexagonal for P3, P3ML, P3LM, P6 and P6M;\n"
    "P1 and P2 take any parallelogram.\n"
    "By default wf-host places the group's own cell on the image as the shape editor places it when\n"
    "it opens; points given with --set are held to the group's cell as a drag of that corner is, the\n"
    "centre moves the cell, and the bounding box follows the cell unless it is given too.\n"
    "With --raw every value goes to the filter exactly as given (a recorded action replayed).\n"
    "Examples, one a lattice family:\n"
    "  rectangular  wf-host ... --set TilingMethod=PMM --set Angle=30\n"
    "  square       wf-host ... --set TilingMethod=P4M --set Point2X=0.7 --set Point2Y=0.4\n"
    "  rhombic      wf-host ... --set TilingMethod=CMM --set Point1X=0.3 --set Point1Y=0.7\n"
    "  hexagonal    wf-host ... --set TilingMethod=P6M --set PointCenterX=0.3 --set PointCenterY=0.6\n";

// One line on standard error, whatever the reason's text holds.
void Say(std::string message) {
  std::replace(message.begin(), message.end(), '\n', ' ');
  std::fprintf(stderr, "wf-host: %s\n", message.c_str());
}

int Fail(const std::string& message) {
  Say(message);
  return 1;
}

// The values a parameter takes here: TilingMethod's allow past the groups, which name none.
double Maximum(const resources::ParameterRow& row) {
  return row.id == resources::kTilingMethod ? resources::kGroupCount - 1 : row.maximum;
}

std::string GroupNames() {
  std::string names;
  for (const char* name : resources::kGroupNames) names += std::string(names.empty() ? "" : " ") + name;
  return names;
}

// The group's index of a name in any case, or -1.
int GroupIndex(const std::string& text) {
  for (int i = 0; i < resources::kGroupCount; ++i) {
    if (strcasecmp(text.c_str(), resources::kGroupNames[i]) == 0) return i;
  }
  return -1;
}

void PrintHelp(bool raw) {
  std::printf(
      "%s\nPlacement: %s\n\n%s\n%s\nParameters:\n", kUsage,
      raw ? "raw (--raw): every value as given" : "the group's shape, placed as the shape editor places it",
      kShapeHelp, kScriptHelp);
  for (const resources::ParameterRow& row : resources::kParameterTable) {
    if (row.kind == resources::ParameterKind::Boolean) {
      std::printf("  %-22s true or false (default %s)\n", row.name, row.defaultValue != 0 ? "true" : "false");
    } else {
      std::printf("  %-22s %g .. %g (default %g)\n", row.name, row.minimum, Maximum(row), row.defaultValue);
    }
  }
  std::printf("  TilingMethod also takes a group's name, in any case: %s\n", GroupNames().c_str());
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
  const bool method = row->id == resources::kTilingMethod;
  double number = method ? GroupIndex(text) : -1;
  bool parsed = number >= 0;
  if (!parsed) {
    char* end = nullptr;
    number = std::strtod(text.c_str(), &end);
    parsed = !text.empty() && end && *end == '\0' && std::isfinite(number);
    if (parsed && row->kind == resources::ParameterKind::Integer) parsed = number == std::floor(number);
  }
  if (!parsed && method)
    return name + " takes a group's number 0 .. " + std::to_string(resources::kGroupCount - 1) +
           " or its name (" + GroupNames() + "), not \"" + text + "\"";
  if (!parsed)
    return name + " takes a " + (row->kind == resources::ParameterKind::Integer ? "whole " : "") +
           "number, not \"" + text + "\"";
  if (number < row->minimum || number > Maximum(*row)) {
    char range[96];
    std::snprintf(range, sizeof range, " is out of range %g .. %g", row->minimum, Maximum(*row));
    return name + " " + text + range + (method ? " (the groups " + GroupNames() + ")" : "");
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

// What the user gave of the shape's values, which the placement keeps.
GivenValues Given(const std::vector<std::string>& assignments) {
  GivenValues given;
  for (const std::string& assignment : assignments) {
    const std::string name = assignment.substr(0, assignment.find('='));
    given.point1 = given.point1 || name.rfind("Point1", 0) == 0;
    given.point2 = given.point2 || name.rfind("Point2", 0) == 0;
    given.centre = given.centre || name.rfind("PointCenter", 0) == 0;
    given.boundingBox = given.boundingBox || name.rfind("BoundBox", 0) == 0;
  }
  return given;
}

// The box of the selected (not black) pixels, where the filter works and the shape's fractions
// are measured; empty when nothing is selected.
RECT SelectedBox(const std::vector<std::uint8_t>& selection, int width) {
  RECT box{width, 0, 0, 0};
  const int height = width > 0 ? static_cast<int>(selection.size() / std::size_t(width)) : 0;
  box.top = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (selection[std::size_t(y) * std::size_t(width) + std::size_t(x)] == 0) continue;
      box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                 std::max<LONG>(box.bottom, y + 1)};
    }
  }
  return box;
}

// The filter's name in a message: its menu entry without the dots that promise a dialog.
std::string FilterName(const PluginInfo& filter) {
  return filter.name.substr(0, filter.name.find_last_not_of('.') + 1);
}

// What the filter's answer tells; its code only where it tells nothing more. The filter has said
// why on standard error where it knew.
std::string Failure(host::OSErr result) {
  switch (result) {
    case host::userCanceledErr:
      return "refused the image";
    case host::memFullErr:
      return "ran out of memory";
    case host::filterFailedErr:
      return "failed";
    default:
      return "failed with the host error " + std::to_string(result);
  }
}

// The Wendle Forge filter among the plug-ins found, or null.
const PluginInfo* FindFilter(const std::vector<PluginInfo>& found) {
  const PluginInfo* filter = nullptr;
  for (const PluginInfo& info : found) {
    if (info.kind == "8BFM" && info.name.rfind("Wendle Forge", 0) == 0) filter = &info;
  }
  return filter;
}

// The module's window system reads its input from the script file; without one, from the display.
void HandScriptToModule(const std::string& script) {
  if (script.empty())
    unsetenv("WF_EVENT_SCRIPT");
  else
    setenv("WF_EVENT_SCRIPT", script.c_str(), 1);
}

int ShowAboutBox(const std::string& plugins, const std::string& script) {
  if (plugins.empty()) return Fail("--plugins is needed (wf-host --help)");
  const std::vector<PluginInfo> found = FindPlugins(plugins);
  const PluginInfo* filter = FindFilter(found);
  if (!filter) return Fail("no Wendle Forge filter module (.8bf) in " + plugins);
  FilterModule module;
  std::string error;
  if (!module.Load(filter->path, filter->entryPoint, &error)) return Fail(filter->path + ": " + error);
  HandScriptToModule(script);
  const host::OSErr result = ShowAbout(module);
  if (result != host::noErr) return Fail(FilterName(*filter) + "'s about box " + Failure(result));
  return 0;
}

void TellOnTheDisplay(const std::string& message) {
  platform::DialogInput display;
  MessageBox(nullptr, message.c_str(), "wf-host", MB_OK | MB_ICONSTOP);
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Why the placed cell has no area, in what the user can change: the editor keeps the cell clear
// of the edges, which leave a narrow image too little room for it.
std::string NoRoomForTheCell(const Descriptor& descriptor, int width, int height) {
  int method = 0;
  for (const resources::ParameterRow& row : resources::kParameterTable) {
    for (const DescriptorValue& v : descriptor) {
      if (row.id == resources::kTilingMethod && v.key == row.key) method = v.integer;
    }
  }
  const char* group = method >= 0 && method < resources::kGroupCount ? resources::kGroupNames[method] : "P1";
  return std::string("the ") + group + " cell has no room on " + std::to_string(width) + " x " +
         std::to_string(height) +
         " pixels, where the shape editor keeps it clear of the edges: use a larger image or another group, "
         "or give the cell's corners with --raw";
}

// The dialog runs on a display or under a script: without either, it would only wait.
bool DialogCanShow(const std::string& script) {
  const char* display = std::getenv("DISPLAY");
  return !script.empty() || (display && *display);
}

// What a run is doing, for the one line that tells where it ran out of memory.
struct RunState {
  std::string in, out;
  const char* doing = "starting";
};

int RanOutOfMemory(const RunState& state) {
  return Fail((state.in.empty() ? "" : state.in + ": ") + "ran out of memory " + state.doing +
              (state.out.empty() ? "" : "; " + state.out + " is not written"));
}

int Run(int argc, char** argv, RunState& state) {
  std::string &in = state.in, &out = state.out;
  std::string plugins, selectionPath;
  bool time = false, raw = false, help = false, dialog = false, about = false;
  std::string script;
  Descriptor descriptor = DefaultDescriptor();
  std::vector<std::string> assignments;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&](std::string* into) {
      if (i + 1 >= argc) return false;
      *into = argv[++i];
      return true;
    };
    std::string value;
    if (arg == "--help" || arg == "-h")
      help = true;
    else if (arg == "--raw")
      raw = true;
    else if (arg == "--time")
      time = true;
    else if (arg == "--dialog" || arg == "--about") {
      (arg == "--dialog" ? dialog : about) = true;
      if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) script = argv[++i];
    } else if (arg == "--plugins" && next(&plugins))
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
  if (help) {
    PrintHelp(raw);
    return 0;
  }
  if (about) return ShowAboutBox(plugins, script);
  if (plugins.empty() || in.empty() || out.empty())
    return Fail("--plugins, --in and --out are needed (wf-host --help)");
  if (dialog && !DialogCanShow(script))
    return Fail(
        "--dialog: DISPLAY is not set, so the dialog has no display to show on; give an event "
        "script file to run it without one (--dialog SCRIPT, wf-host --help)");
  for (const std::string& assignment : assignments) {
    const std::string error = SetValue(assignment, descriptor);
    if (!error.empty()) return Fail(error);
  }

  const OutputFormat* format = OutputFormatOf(out);
  if (!format)
    return Fail(out + ": the extension names no format written (bmp, jpg, png, tif, gif, tga or pcx)");
  // Before any work: the dialog's would be lost.
  std::string error;
  if (!CheckWritable(out, &error)) return Fail(out + ": " + error);

  const std::vector<PluginInfo> found = FindPlugins(plugins);
  const PluginInfo* filter = FindFilter(found);
  if (!filter) return Fail("no Wendle Forge filter module (.8bf) in " + plugins);

  state.doing = "loading the image";
  auto start = std::chrono::steady_clock::now();
  HostImageBuffer image;
  std::string shortFile;
  if (!LoadHostImage(in, &image, &error, &shortFile)) return Fail(in + ": " + error);
  if (!shortFile.empty()) Say(in + ": " + shortFile);
  const double loadSeconds = Since(start);
  std::vector<std::uint8_t> selection;
  state.doing = "loading the selection";
  shortFile.clear();
  if (!selectionPath.empty() &&
      !LoadSelection(selectionPath, image.width, image.height, &selection, &error, &shortFile))
    return Fail(selectionPath + ": " + error);
  if (!shortFile.empty()) Say(selectionPath + ": " + shortFile);

  state.doing = "placing the shape";
  if (!raw) {
    const RECT box = selectionPath.empty() ? RECT{0, 0, image.width, image.height}
                                           : SelectedBox(selection, image.width);
    const int width = box.right - box.left, height = box.bottom - box.top;
    // Nothing selected: the filter refuses the image itself.
    if (width > 0 && height > 0 && !ShapePlacement().Place(width, height, Given(assignments), descriptor))
      return Fail(in + ": ran out of memory placing the shape; " + out + " is not written");
    if (width > 0 && height > 0 && !PlacedCellHasArea(width, height, descriptor))
      return Fail(in + ": " + NoRoomForTheCell(descriptor, width, height) + "; " + out + " is not written");
  }

  state.doing = "running the filter";
  FilterModule module;
  if (!module.Load(filter->path, filter->entryPoint, &error)) return Fail(filter->path + ": " + error);
  FilterRun run;
  run.descriptor = descriptor;
  run.selection = selectionPath.empty() ? nullptr : &selection;
  if (dialog) {
    run.playInfo = host::plugInDialogDisplay;
    HandScriptToModule(script);
  }
  const host::OSErr result = RunFilter(module, image, run);
  if (dialog && result == host::userCanceledErr)
    return Fail(in + ": the dialog was cancelled; " + out + " is not written");
  if (result != host::noErr)
    return Fail(in + ": " + FilterName(*filter) + " " + Failure(result) + "; " + out + " is not written");

  state.doing = "writing the result";
  start = std::chrono::steady_clock::now();
  if (image.sampleBytes == 2 && !format->holdsSixteenBits)
    Say(out + ": " + format->name + " holds 8 bits a sample: the 16-bit result is written with 8");
  if (!SaveHostImage(out, image, &error)) {
    // The person who worked in the dialog is told where they look, not only on standard error.
    if (dialog && script.empty()) TellOnTheDisplay(out + ": " + error + "\nThe dialog's result is lost.");
    return Fail(out + ": " + error);
  }
  if (time) {
    std::printf("load %.3f s\n", loadSeconds);
    double filterSeconds = 0;
    for (const StepTime& step : run.times) filterSeconds += step.seconds;
    for (const StepTime& step : run.times) std::printf("%s %.3f s\n", step.step, step.seconds);
    std::printf("filter %.3f s\nsave %.3f s\n", filterSeconds, Since(start));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  platform::RemoveUnfinishedReplacementsOnSignals();  // an interrupted save leaves no temporary
  RunState state;
  try {
    return Run(argc, argv, state);
  } catch (const std::bad_alloc&) {
    return RanOutOfMemory(state);
  }
}
