// The exchange with the platform's graphics: global memory, bitmaps and icons.
#include <cstring>

#include "codecs/ImageFile.h"
#include "codecs/ImageFileBMP.h"
#include "codecs/MemoryStream.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Paint.h"
#include "platform/win32/Memory.h"

namespace {

// A locked global block, unlocked on every path.
class LockedBlock {
 public:
  explicit LockedBlock(HGLOBAL handle) : handle_(handle), bytes_(static_cast<BYTE*>(GlobalLock(handle))) {}
  ~LockedBlock() {
    if (bytes_) GlobalUnlock(handle_);
  }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;
  BYTE* bytes() const { return bytes_; }

 private:
  HGLOBAL handle_;
  BYTE* bytes_;
};

}  // namespace

HANDLE CImageFile::CopyToHandle() {
  if (!dib_) return nullptr;
  HGLOBAL handle = GlobalAlloc(GHND, static_cast<SIZE_T>(GetSize()));
  if (!handle) return nullptr;
  {
    LockedBlock block(handle);
    if (!block.bytes()) {
      GlobalFree(handle);
      return nullptr;
    }
    std::memcpy(block.bytes(), dib_, static_cast<std::size_t>(GetSize()));
    // The header as it stands now, whatever the block's copy says.
    std::memcpy(block.bytes(), &header_, sizeof(header_));
  }
  return handle;
}

bool CImageFile::CreateFromHANDLE(HANDLE handle) {
  if (!Destroy()) return false;
  const SIZE_T size = GlobalSize(handle);
  if (size == 0) return false;
  LockedBlock block(handle);
  if (!block.bytes()) return false;
  // The block is read as a bitmap file without its file header, so no read passes its end.
  CMemoryStream stream(block.bytes(), static_cast<unsigned long>(size));
  CImageFileBMP format;
  format.CopyInfo(*this);
  if (!format.Decode(&stream)) return Fail(format.GetLastError());
  if (!Transfer(format)) return false;
  info_.type = keImageFormatUnknown;
  if (header_.biXPelsPerMeter == 0) SetXDPI(96);
  if (header_.biYPelsPerMeter == 0) SetYDPI(96);
  return true;
}

HBITMAP CImageFile::MakeBitmap(HDC hdc) {
  if (!dib_) return nullptr;
  std::memcpy(dib_, &header_, sizeof(header_));
  const auto* info = static_cast<const BITMAPINFO*>(dib_);
  if (hdc) return CreateDIBitmap(hdc, &header_, CBM_INIT, GetBits(), info, DIB_RGB_COLORS);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) std::memcpy(bits, GetBits(), header_.biSizeImage);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

bool CImageFile::CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette) {
  if (!Destroy() || !bitmap) return false;
  BITMAP description{};
  if (!GetObject(bitmap, sizeof description, &description) || description.bmWidth <= 0 ||
      description.bmHeight <= 0)
    return false;
  if (!Create(static_cast<unsigned long>(description.bmWidth),
              static_cast<unsigned long>(description.bmHeight), description.bmBitsPixel,
              keImageFormatUnknown))
    return false;
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  HPALETTE previous = nullptr;
  if (palette) {
    previous = SelectPalette(screen, palette, FALSE);
    RealizePalette(screen);
  }
  const int rows = GetDIBits(screen, bitmap, 0, header_.biHeight, GetBits(), static_cast<BITMAPINFO*>(dib_),
                             DIB_RGB_COLORS);
  if (previous) SelectPalette(screen, previous, FALSE);
  ReleaseDC(nullptr, screen);
  if (rows == 0) return Fail("GetDIBits failed");
  InvalidateNearestCache();
  return true;
}

bool CImageFile::CreateFromHICON(HICON icon) {
  if (!Destroy() || !icon) return false;
  ICONINFO parts{};
  if (!GetIconInfo(icon, &parts)) return false;
  bool made = CreateFromHBITMAP(parts.hbmColor);
  if (made && parts.hbmMask) {
    // The mask is white where the screen shows through: turned into an alpha plane.
    CImageFile mask;
    if (mask.CreateFromHBITMAP(parts.hbmMask) && mask.GrayScale() && mask.Negative()) AlphaSet(mask);
  }
  if (parts.hbmColor) DeleteObject(parts.hbmColor);
  if (parts.hbmMask) DeleteObject(parts.hbmMask);
  return made;
}
