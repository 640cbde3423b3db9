// Saving the tile to an image file the user names; the format follows the file name's extension.
#pragma once
#include <string>

#include "core/RowIteratorBands.h"
#include "platform/classlib/ClassLib.h"

namespace app {

class TilingCommand;

// The text after the last "." of the file name (not of a folder above it); empty without one.
std::string GetExtension(const std::string& path);
// The image-file library's format for a lower-case extension; 0 when unknown.
int ExtensionToImageType(const std::string& extension);
// Writes a BGRA tile (or one of the core's other formats) as a file of the library's `type`, its
// transparency merged onto white where `onWhite`; false with the message that tells why.
bool WriteTileFile(corvel::CRowIteratorBands& tile, const std::string& path, int type, bool onWhite,
                   std::string* message);
// Asks for a file and writes the tile there (the source before any render); every failure is
// told in a message box owned by `owner`. True when a file was written.
bool SaveTile(CWnd* owner, TilingCommand& command);

}  // namespace app
