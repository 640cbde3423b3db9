#include "app/TileSave.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <vector>

#include "app/TilingCommand.h"
#include "codecs/ImageFile.h"
#include "codecs/ImageFileJPG.h"
#include "codecs/StdioStream.h"
#include "core/PixelFormat.h"
#include "core/RowThreads.h"
#include "platform/win32/ReplacementFile.h"

namespace app {

using corvel::CRowIteratorBands;

namespace {

constexpr unsigned char kJpegQuality = 99;

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

// The tile's rows: locked all at once, let go of when done with.
class LockedRows {
 public:
  explicit LockedRows(CRowIteratorBands& image)
      : image_(image), rows_(static_cast<std::size_t>(image.Height())) {
    for (; locked_ < image.Height(); ++locked_) {
      if (image.LockRow(locked_, &rows_[static_cast<std::size_t>(locked_)]).GetCode() != corvel::keErrorNone)
        break;
    }
  }
  LockedRows(const LockedRows&) = delete;
  LockedRows& operator=(const LockedRows&) = delete;
  ~LockedRows() {
    for (int row = 0; row < locked_; ++row) image_.UnlockRow(row);
  }
  bool Ok() const { return locked_ == image_.Height(); }
  BYTE* const* Rows() const { return rows_.data(); }

 private:
  CRowIteratorBands& image_;
  std::vector<BYTE*> rows_;
  int locked_ = 0;
};

// The image's rows as the library's object, top row first as the image holds them.
bool ToImageFile(CRowIteratorBands& image, CImageFile& file) {
  const LockedRows rows(image);
  return rows.Ok() &&
         file.CreateFromMatrix(const_cast<BYTE**>(rows.Rows()), static_cast<unsigned long>(image.Width()),
                               static_cast<unsigned long>(image.Height()),
                               static_cast<unsigned long>(image.GetBitsPerPixel()),
                               static_cast<unsigned long>(image.GetRowBytes()), true);
}

// A BGR copy of a BGRA tile with its colours merged onto white, in bands of rows on the row pool.
bool OnWhite(CRowIteratorBands& tile, CRowIteratorBands& merged) {
  if (!merged.CreateBGR(tile.Width(), tile.Height()).Ok()) return false;
  const LockedRows from(tile), to(merged);
  if (!from.Ok() || !to.Ok()) return false;
  corvel::RowThreads::Run(tile.Height(), [&](int first, int last, int) {
    for (int y = first; y < last; ++y) {
      const BYTE* in = from.Rows()[y];
      BYTE* out = to.Rows()[y];
      for (int x = 0; x < tile.Width(); ++x, in += 4, out += 3) {
        const unsigned alpha = in[3];
        for (int c = 0; c < 3; ++c) out[c] = static_cast<BYTE>((in[c] * alpha + 255 * (255 - alpha)) / 255);
      }
    }
  });
  return true;
}

// The order of the encoder's rows for the core's formats it takes as they lie; false for others.
bool JpegLayoutOf(corvel::keFormat format, CImageFileJPG::SourceRows* rows) {
  rows->grey = format == corvel::keFormatGrey;
  rows->order = format == corvel::keFormatBGR ? CImageFileJPG::ColourOrder::kBgr
                                              : CImageFileJPG::ColourOrder::kBgrx;
  return rows->grey || format == corvel::keFormatBGR || format == corvel::keFormatBGRA;
}

// A JPEG file is encoded from the tile's own rows straight into the file: a bitmap of the whole
// tile made and turned over first took longer than the encoding itself.
bool WriteJpeg(CRowIteratorBands& tile, const std::string& path, std::string* message) {
  const LockedRows locked(tile);
  if (!locked.Ok()) return *message = "The tile could not be made into an image file.", false;
  CImageFileJPG::SourceRows rows{nullptr, 0, static_cast<unsigned>(tile.Width()),
                                 static_cast<unsigned>(tile.Height()), false};
  JpegLayoutOf(tile.GetFormat(), &rows);
  rows.rowList = locked.Rows();
  platform::ReplacementFile file(path);
  if (!file.Stream())
    return *message = "The tile could not be saved: " + platform::WhyNotReplaceable(path), false;
  CImageFileJPG encoder;
  encoder.SetJpegQuality(kJpegQuality);
  CWritingOutStream stream(file.Stream());
  if (!encoder.EncodeFrom(rows, &stream))
    return *message = std::string("The tile could not be saved: ") + encoder.GetLastError(), false;
  errno = 0;
  if (!file.Commit())
    return *message = std::string("The tile could not be saved: ") +
                      (errno ? std::strerror(errno) : "the system gave no reason"),
           false;
  return true;
}

// The wait cursor while a file is written, then the cursor before it again.
class WaitCursor {
 public:
  WaitCursor() : previous_(::SetCursor(::LoadCursor(nullptr, IDC_WAIT))) {}
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  ~WaitCursor() { ::SetCursor(previous_); }

 private:
  HCURSOR previous_;
};

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

bool WriteTileFile(CRowIteratorBands& tile, const std::string& path, int type, bool onWhite,
                   std::string* message) {
  CImageFileJPG::SourceRows layout{};
  if (type == keImageFormatJPG && JpegLayoutOf(tile.GetFormat(), &layout)) {
    if (!onWhite || tile.GetFormat() != corvel::keFormatBGRA) return WriteJpeg(tile, path, message);
    CRowIteratorBands merged;
    if (!OnWhite(tile, merged)) return *message = "The tile could not be made into an image file.", false;
    return WriteJpeg(merged, path, message);
  }
  CImageFile file;
  if (!ToImageFile(tile, file)) return *message = "The tile could not be made into an image file.", false;
  if (onWhite) {
    file.SetTransColor(RGBQUAD{255, 255, 255, 0});
    file.SetTransIndex(0);
    file.AlphaStrip();
  }
  if (type == keImageFormatJPG) file.SetJpegQuality(kJpegQuality);
  if (!file.IsValid() || !file.Save(path.c_str(), static_cast<unsigned long>(type)))
    return *message = std::string("The tile could not be saved: ") + file.GetLastError(), false;
  return true;
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
  if (!command.GetPreviewImage(image)) {
    Tell(owner, "The tile could not be made into an image file.", MB_OK | MB_ICONSTOP);
    return false;
  }
  const bool keepsNoAlpha = type == keImageFormatBMP || type == keImageFormatGIF || type == keImageFormatJPG;
  const bool merged = corvel::CPixelFormat(command.GetSourceFormat()).HasAlpha() && keepsNoAlpha;
  if (merged &&
      Tell(owner,
           "Because of the limitations of the specified file format the saved \nfile will be limited to "
           "a merged image. Would you like to continue?",
           MB_YESNO, "Possible \xe0 loss of data") != IDYES) {
    return false;
  }
  std::string message;
  bool written = false;
  {
    const WaitCursor waiting;
    written = WriteTileFile(image, path, type, merged && image.GetFormat() == corvel::keFormatBGRA, &message);
  }
  if (!written) {
    Tell(owner, message, MB_OK | MB_ICONSTOP);
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
