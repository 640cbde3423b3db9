// What the filter publishes, kept once: its 25 parameters (id, name, kind, range, default,
// scripting key and the terminology's name and description) and the names of its 17 groups.
// The command creates its parameters from it, the scripting descriptor and the terminology
// resource follow it, the tile groups take their names from it, and the stand-in host checks
// the values it replays by it.
#pragma once
#include <cstdint>

#include "platform/host/PluginInterface.h"

namespace resources {

enum class ParameterKind { Integer, Float, Boolean };

struct ParameterRow {
  int id;
  const char* name;
  ParameterKind kind;
  double minimum, maximum, defaultValue;
  host::DescriptorKey key;
  const char* scriptingName;
  const char* scriptingDescription = nullptr;  // the scripting name when null
};

constexpr host::DescriptorType DescriptorTypeOf(ParameterKind kind) {
  return kind == ParameterKind::Integer ? host::typeInteger
         : kind == ParameterKind::Float ? host::typeFloat
                                        : host::typeBoolean;
}

// Ids of the parameters the render routine and the tile window read.
enum ParameterId : int {
  kFeathering = 0,
  kAngle = 1,
  kTileSize = 2,
  kTilingMethod = 3,
  kSpline1 = 4,
  kSpline2 = 5,
  kSpline3 = 6,
  kPoint1X = 7,
  kPoint1Y = 8,
  kPoint2X = 9,
  kPoint2Y = 10,
  kPoint3X = 11,
  kPoint3Y = 12,
  kPointCenterX = 13,
  kPointCenterY = 14,
  kBoundBoxLeft = 15,
  kBoundBoxRight = 16,
  kBoundBoxBottom = 17,
  kBoundBoxTop = 18,
  kShowOriginal = 19,
  kPreviewPlacmentTop = 20,
  kPreviewPlacmentLeft = 21,
  kPreviewPlacmentBottom = 22,
  kPreviewPlacmentRight = 23,
  kZoomValue = 24,
};

constexpr int kParameterCount = 25;
using K = ParameterKind;
using host::FourCC;

// In the order the command creates them.
inline constexpr ParameterRow kParameterTable[kParameterCount] = {
    {0, "Feathering", K::Integer, 0, 100, 10, FourCC("kFth"), "Feathering"},
    {2, "TileSize", K::Integer, 10, 2500, 100, FourCC("kTiS"), "Tile size"},
    {1, "Angle", K::Integer, 0, 359, 0, FourCC("kAgl"), "Angle", "Angle of annotation"},
    {3, "TilingMethod", K::Integer, 0, 21, 6, FourCC("kTiT"), "Tile type", "Symmetry rules"},
    {7, "Point1X", K::Float, 0, 1, 0.4, FourCC("kP1X"), "Point 1 X"},
    {8, "Point1Y", K::Float, 0, 1, 0.6, FourCC("kP1Y"), "Point 1 Y"},
    {9, "Point2X", K::Float, 0, 1, 0.6, FourCC("kP2X"), "Point 2 X"},
    {10, "Point2Y", K::Float, 0, 1, 0.4, FourCC("kP2Y"), "Point 2 Y"},
    {11, "Point3X", K::Float, 0, 1, 0.4, FourCC("kP3X"), "Point 3 X"},
    {12, "Point3Y", K::Float, 0, 1, 0.4, FourCC("kP3Y"), "Point 3 Y"},
    {13, "PointCenterX", K::Float, 0, 1, 0.5, FourCC("kPCX"), "Point Center X"},
    {14, "PointCenterY", K::Float, 0, 1, 0.5, FourCC("kPCY"), "Point Center Y"},
    {4, "Spline1", K::Float, -1, 1, 0, FourCC("kSV1"), "Spline 1"},
    {5, "Spline2", K::Float, -1, 1, 0, FourCC("kSV2"), "Spline 2"},
    {6, "Spline3", K::Float, -1, 1, 0, FourCC("kSV3"), "Spline 3"},
    {15, "BoundBoxLeft", K::Float, 0, 1, 0.3, FourCC("kBBL"), "Bound Box Left"},
    {16, "BoundBoxRight", K::Float, 0, 1, 0.6, FourCC("kBBR"), "Bound Box Right"},
    {18, "BoundBoxTop", K::Float, 0, 1, 0.3, FourCC("kBBT"), "Bound Box Top"},
    {17, "BoundBoxBottom", K::Float, 0, 1, 0.6, FourCC("kBBB"), "Bound Box Bottom"},
    {20, "PreviewPlacmentTop", K::Float, -100000, 100000, 100, FourCC("kPPT"), "Preview Placement Top"},
    {21, "PreviewPlacmentLeft", K::Float, -100000, 100000, 100, FourCC("kPPL"), "Preview Placement Left"},
    {22, "PreviewPlacmentBottom", K::Float, -100000, 100000, 300, FourCC("kPPB"), "Preview Placement Bottom"},
    {23, "PreviewPlacmentRight", K::Float, -100000, 100000, 400, FourCC("kPPR"), "Preview Placement Right"},
    {24, "ZoomValue", K::Float, -100000, 100000, 1, FourCC("kPrZ"), "Preview Zoom"},
    {19, "ShowOriginal", K::Boolean, 0, 1, 0, FourCC("kPrO"), "Preview Original"},
};

// The table's row of a parameter id; -1 for an id it does not hold.
constexpr int RowOfId(int id) {
  for (int row = 0; row < kParameterCount; ++row) {
    if (kParameterTable[row].id == id) return row;
  }
  return -1;
}

// The scripting keys in the order the descriptor reader is given them and the terminology lists
// them (rows of the table).
inline constexpr int kDescriptorReadOrder[kParameterCount] = {
    0, 2, 1, 3, 12, 13, 14, 4, 5, 6, 7, 8, 9, 10, 11, 15, 16, 17, 18, 24, 19, 20, 21, 22, 23};
// The writer's order: the same, with the placement's bottom before its left.
inline constexpr int kDescriptorWriteOrder[kParameterCount] = {
    0, 2, 1, 3, 12, 13, 14, 4, 5, 6, 7, 8, 9, 10, 11, 15, 16, 17, 18, 24, 19, 21, 20, 22, 23};

// The groups by tiling method, as the user sees them; 17 .. 21 name none and render as method 0.
constexpr int kGroupCount = 17;
inline constexpr const char* kGroupNames[kGroupCount] = {"P1",  "P2",   "PM",   "PG", "PMM", "PMG",
                                                         "PGG", "CM",   "CMM",  "P4", "P4M", "P4G",
                                                         "P3",  "P3ML", "P3LM", "P6", "P6M"};

}  // namespace resources
