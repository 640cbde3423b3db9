#include "app/TileSave.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>
#include <vector>

#include "app/TilingCommand.h"
#include "codecs/ImageFile.h"
#include "core/PixelFormat.h"

namespace app {

using corvel::CRowIteratorBands;

namespace {

// The file dialog's types, in the order of its filter.
const struct {
  const char* name;
  const char* pattern;
  int type;
} kDialogTypes[] = {{"JPEG", "*.jpg", keImageFormatJPG},
                    {"BMP", "*.bmp", keImageFormatBMP},
                    {"PNG", "*.png", keImageFormatPNG},
                    {"All Files", "*.*", keImageFormatUnknown}};

// "JPEG (*.jpg)|*.jpg|...||"
std::string DialogFilter() {
  std::string filter;
  for (const auto& entry : kDialogTypes)
    filter += std::string(entry.name) + " (" + entry.pattern + ")|" + entry.pattern + "|";
  return filter + "|";
}

int Tell(CWnd* owner, const std::string& text, UINT type, LPCSTR caption = nullptr) {
  if (owner) return owner->MessageBox(text.c_str(), caption, type);
  return ::MessageBox(nullptr, text.c_str(), caption ? caption : AfxGetAppName(), type);
}

// The image's rows as the library's object, top row first as the image holds them.
bool ToImageFile(CRowIteratorBands& image, CImageFile& file) {
  std::vector<BYTE*> rows(static_cast<std::size_t>(image.Height()));
  int locked = 0;
  for (; locked < image.Height(); ++locked) {
    if (image.LockRow(locked, &rows[static_cast<std::size_t>(locked)]).GetCode() != corvel::keErrorNone)
      break;
  }
  const bool made = locked == image.Height() &&
                    file.CreateFromMatrix(rows.data(), static_cast<unsigned long>(image.Width()),
                                          static_cast<unsigned long>(image.Height()),
                                          static_cast<unsigned long>(image.GetBitsPerPixel()),
                                          static_cast<unsigned long>(image.GetRowBytes()), false);
  for (int row = 0; row < locked; ++row) image.UnlockRow(row);
  return made;
}

}  // namespace

std::string GetExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  return path.substr(dot + 1);
}

int ExtensionToImageType(const std::string& extension) {
  static const struct {
    const char* extension;
    int type;
  } kTypes[] = {{"bmp", keImageFormatBMP},  {"jpg", keImageFormatJPG},   {"jpeg", keImageFormatJPG},
                {"gif", keImageFormatGIF},  {"png", keImageFormatPNG},   {"ico", keImageFormatICO},
                {"tiff", keImageFormatTIF}, {"tif", keImageFormatTIF},   {"tga", keImageFormatTGA},
                {"pcx", keImageFormatPCX},  {"wbmp", keImageFormatWBMP}, {"wmf", keImageFormatWMF},
                {"emf", keImageFormatWMF},  {"jp2", keImageFormatJP2},   {"j2k", keImageFormatJP2},
                {"jpc", keImageFormatJPC},  {"j2c", keImageFormatJPC},   {"pgx", keImageFormatPGX},
                {"ras", keImageFormatRAS},  {"pnm", keImageFormatPNM},   {"pgm", keImageFormatPNM},
                {"ppm", keImageFormatPNM}};
  for (const auto& entry : kTypes) {
    if (extension == entry.extension) return entry.type;
  }
  return keImageFormatUnknown;
}

bool SaveTile(CWnd* owner, TilingCommand& command) {
  // Saving makes a new file, so the name need not exist yet; one that does is replaced only after
  // a Yes: a picture chosen by mistake would be lost.
  TileSavePlace& last = command.GetTileSavePlace();
  CFileDialog dialog(FALSE, "JPEG", kDialogTypes[last.typeIndex - 1].pattern,
                     OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, DialogFilter().c_str(), owner);
  dialog.m_ofn.nFilterIndex = static_cast<DWORD>(last.typeIndex);
  if (!last.folder.empty()) dialog.m_ofn.lpstrInitialDir = last.folder.c_str();
  if (dialog.DoModal() != IDOK) return false;
  const std::string path = static_cast<LPCSTR>(dialog.GetPathName());
  std::string extension = GetExtension(path);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const int type = ExtensionToImageType(extension);
  if (type == keImageFormatUnknown) {
    Tell(owner, "Unknown file extension", MB_OK | MB_ICONSTOP);
    return false;
  }
  CRowIteratorBands image;
  CImageFile file;
  if (!command.GetPreviewImage(image) || !ToImageFile(image, file)) {
    Tell(owner, "The tile could not be made into an image file.", MB_OK | MB_ICONSTOP);
    return false;
  }
  const bool keepsNoAlpha = type == keImageFormatBMP || type == keImageFormatGIF || type == keImageFormatJPG;
  if (corvel::CPixelFormat(command.GetSourceFormat()).HasAlpha() && keepsNoAlpha) {
    if (Tell(owner,
             "Because of the limitations of the specified file format the saved \nfile will be limited to a "
             "merged image. Would you like to continue?",
             MB_YESNO, "Possible \xe0 loss of data") != IDYES) {
      return false;
    }
    if (image.GetFormat() == corvel::keFormatBGRA) {
      file.SetTransColor(RGBQUAD{255, 255, 255, 0});
      file.SetTransIndex(0);
      file.AlphaStrip();
    }
  }
  file.Flip();
  if (type == keImageFormatJPG) file.SetJpegQuality(99);
  if (!file.IsValid() || !file.Save(path.c_str(), static_cast<unsigned long>(type))) {
    Tell(owner, std::string("The tile could not be saved: ") + file.GetLastError(), MB_OK | MB_ICONSTOP);
    return false;
  }
  last.folder = std::filesystem::path(path).parent_path().string();
  last.typeIndex = std::size(kDialogTypes);
  for (std::size_t i = 0; i + 1 < std::size(kDialogTypes); ++i) {
    if (kDialogTypes[i].type == type) last.typeIndex = i + 1;
  }
  return true;
}

}  // namespace app
