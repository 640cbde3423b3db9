// Plain reads and writes of the header and the info record.
#include <cmath>

#include "codecs/ImageFile.h"
#include "core/Rounding.h"

unsigned long CImageFile::GetWidth() const { return static_cast<unsigned long>(header_.biWidth); }
unsigned long CImageFile::GetHeight() const { return static_cast<unsigned long>(header_.biHeight); }
unsigned short CImageFile::GetBpp() const { return header_.biBitCount; }
unsigned long CImageFile::GetNumColors() const { return header_.biClrUsed; }
unsigned long CImageFile::GetEffWidth() const { return info_.effectiveWidth; }
unsigned long CImageFile::GetType() const { return info_.type; }
bool CImageFile::IsValid() const { return dib_ != nullptr; }
void* CImageFile::GetDIB() const { return dib_; }
bool CImageFile::IsIndexed() const { return header_.biClrUsed != 0; }

unsigned char CImageFile::GetColorType() {
  if (alpha_) return 4;
  return header_.biBitCount > 8 ? 2 : 1;
}

long CImageFile::GetTransIndex() const { return info_.transparentIndex; }
void CImageFile::SetTransIndex(long index) { info_.transparentIndex = static_cast<std::int32_t>(index); }
bool CImageFile::IsTransparent() const { return info_.transparentIndex >= 0; }

RGBQUAD CImageFile::GetTransColor() {
  if (header_.biBitCount < 24 && info_.transparentIndex != -1) {
    return GetPaletteColor(static_cast<BYTE>(info_.transparentIndex));
  }
  return info_.backgroundColor;
}

void CImageFile::SetTransColor(RGBQUAD color) {
  color.rgbReserved = 0;
  info_.backgroundColor = color;
}

long CImageFile::GetXDPI() const { return info_.xDpi; }
long CImageFile::GetYDPI() const { return info_.yDpi; }

namespace {
// A resolution from a file may be anything: past the range it saturates.
LONG PixelsPerMetre(long dpi) { return corvel::SaturatedTrunc(std::floor(dpi * 39.37007874015748 + 0.5)); }
}  // namespace

void CImageFile::SetXDPI(long dpi) {
  if (dpi <= 0) dpi = 96;
  info_.xDpi = corvel::SaturatedTrunc(static_cast<double>(dpi));
  header_.biXPelsPerMeter = PixelsPerMetre(dpi);
}

void CImageFile::SetYDPI(long dpi) {
  if (dpi <= 0) dpi = 96;
  info_.yDpi = corvel::SaturatedTrunc(static_cast<double>(dpi));
  header_.biYPelsPerMeter = PixelsPerMetre(dpi);
}

unsigned long CImageFile::GetFlags() const { return info_.flags; }

void CImageFile::SetFlags(unsigned long flags, bool lockreserved) {
  info_.flags = static_cast<std::uint32_t>(lockreserved ? flags & 0xFFFF : flags);
}

unsigned long CImageFile::GetFrameDelay() const { return info_.frameDelay; }
void CImageFile::SetFrameDelay(unsigned long delay) { info_.frameDelay = static_cast<std::uint32_t>(delay); }

void CImageFile::GetOffset(long* x, long* y) const {
  if (x) *x = info_.xOffset;
  if (y) *y = info_.yOffset;
}

void CImageFile::SetOffset(long x, long y) {
  info_.xOffset = static_cast<std::int32_t>(x);
  info_.yOffset = static_cast<std::int32_t>(y);
}

unsigned char CImageFile::GetJpegQuality() const { return info_.jpegQuality; }
void CImageFile::SetJpegQuality(unsigned char quality) { info_.jpegQuality = quality; }
unsigned char CImageFile::GetJpegScale() const { return info_.jpegScale; }
void CImageFile::SetJpegScale(unsigned char scale) { info_.jpegScale = scale; }
long CImageFile::GetProgress() const { return info_.progress; }
void CImageFile::SetProgress(long progress) { info_.progress = static_cast<std::int32_t>(progress); }
long CImageFile::GetEscape() const { return info_.escape; }
void CImageFile::SetEscape(long escape) { info_.escape = static_cast<std::int32_t>(escape); }
bool CImageFile::IsEnabled() const { return info_.enabled; }
void CImageFile::Enable(bool enable) { info_.enabled = enable; }
long CImageFile::GetNumFrames() const { return info_.numberOfFrames; }
long CImageFile::GetFrame() const { return info_.frame; }
void CImageFile::SetFrame(long frame) { info_.frame = static_cast<std::int32_t>(frame); }
const char* CImageFile::GetLastError() const { return info_.lastError; }
const char* CImageFile::GetShortFileFill() const { return info_.shortFileFill; }
const char* CImageFile::GetVersion() { return "CImageFile 5.99c"; }
float CImageFile::GetVersionNumber() { return 5.99003f; }

unsigned long CImageFile::GetCodecOption(unsigned long format) const {
  if (format == keImageFormatUnknown) format = info_.type;
  return format < keImageFormatCount ? info_.codecOptions[format] : 0;
}

bool CImageFile::SetCodecOption(unsigned long option, unsigned long format) {
  if (format == keImageFormatUnknown) format = info_.type;
  if (format >= keImageFormatCount) return false;
  info_.codecOptions[format] = static_cast<std::uint32_t>(option);
  return true;
}
