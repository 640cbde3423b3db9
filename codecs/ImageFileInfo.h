// CImageFileInfo: the settings and state an image carries beside its pixels.
#pragma once
#include <cstdint>

#include "platform/win32/Types.h"

class CImageFile;

struct CImageFileInfo {
  std::uint32_t effectiveWidth;  // bytes per pixel row, padded to 4
  BYTE* bits;                    // first pixel row inside the DIB block, null without one
  CImageFile* ghost;             // when set, this image shows that image's buffers
  std::uint32_t type;            // format id (CImageFileFormat)
  char lastError[256];
  std::int32_t progress;
  std::int32_t escape;            // nonzero asks to stop; -1 asks a decoder for the size only
  std::int32_t transparentIndex;  // -1: none
  RGBQUAD backgroundColor;        // transparent or background colour without palette
  BYTE jpegQuality;
  BYTE jpegScale;
  std::int32_t frame;
  std::int32_t numberOfFrames;
  std::uint32_t frameDelay;
  std::int32_t xDpi;
  std::int32_t yDpi;
  RECT selectionBox;  // rows counted from the bottom: top is the highest row
  BYTE alphaMax;
  bool paletteAlphaEnabled;
  bool enabled;
  std::int32_t xOffset;
  std::int32_t yOffset;
  std::uint32_t codecOptions[16];  // one option word per format id
  RGBQUAD lastNearestColor;        // cache of the nearest-colour search
  BYTE lastNearestIndex;
  bool lastNearestValid;
  std::int32_t numberOfLayers;
  std::uint32_t flags;        // user flags; the high 16 bits are reserved
  const char* shortFileFill;  // a lasting text; null unless the last decode met the file's end early
};
