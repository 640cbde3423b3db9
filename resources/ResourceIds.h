// The numbers of the module's resources, by what they are.
#pragma once

namespace resources {

// PNG pictures: the 17 group pictures (3044 + tiling method, 85 x 85) and the preset buttons.
constexpr int kGroupPictureFirst = 3044;
constexpr int kGroupPictureCount = 17;
constexpr int kDeletePresetPicture = 103;
constexpr int kSavePresetPicture = 104;

// The picture of the plug-in dialog's tool bar buttons (a bitmap), and the module's icon.
constexpr int kToolBarPicture = 128;
constexpr int kModuleIcon = 128;

// Cursors of the shape editor and the tool view.
constexpr int kRotateCursor = 3007;
constexpr int kZoomCursor = 3009;
constexpr int kPanCursor = 3011;
constexpr int kMoveCursor = 3026;
constexpr int kControlPointCursor = 3029;
constexpr int kCornerCursor = 3067;

// Strings.
constexpr int kProductNameString = 57346;
constexpr int kFileExistsString = 1011;

// The host's property list ("PiPL") and scripting terminology ("AETE").
constexpr int kPluginInfo = 16000;

}  // namespace resources
