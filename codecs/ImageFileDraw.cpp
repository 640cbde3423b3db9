// Drawing an image into a device context: plain, stretched, blended, masked and tiled.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "codecs/ImageFile.h"
#include "platform/gdi/DcState.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Region.h"

namespace {

// A 24-bit top-down DIB section on a memory device context: the work area of a draw.
class WorkBitmap {
 public:
  WorkBitmap(HDC reference, long width, long height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    dc_ = CreateCompatibleDC(reference);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<BYTE*>(bits);
    if (bitmap_) previous_ = SelectObject(dc_, bitmap_);
  }
  ~WorkBitmap() {
    if (previous_) SelectObject(dc_, previous_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  WorkBitmap(const WorkBitmap&) = delete;
  WorkBitmap& operator=(const WorkBitmap&) = delete;

  bool Valid() const { return bits_ && previous_; }
  HDC dc() const { return dc_; }
  // Blue, green, red of the pixel at column x of row y from the top.
  BYTE* At(long x, long y) const {
    const std::size_t stride = (static_cast<std::size_t>(width_) * 3 + 3) & ~std::size_t{3};
    return bits_ + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3;
  }

 private:
  long width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  BYTE* bits_ = nullptr;
};

}  // namespace

long CImageFile::Draw(HDC hdc, long x, long y, long cx, long cy, RECT* clip, bool smooth) {
  if (!dib_ || !hdc || cx == 0 || cy == 0 || !info_.enabled) return 0;
  const long width = static_cast<long>(GetWidth()), height = static_cast<long>(GetHeight());
  if (cx < 0) cx = width;
  if (cy < 0) cy = height;
  RECT before{};
  if (clip) {
    GetClipBox(hdc, &before);
    IntersectClipRect(hdc, clip->left, clip->top, clip->right, clip->bottom);
  }
  RECT box{};
  GetClipBox(hdc, &box);
  const RECT painted{static_cast<LONG>(std::max<long>(x, box.left)),
                     static_cast<LONG>(std::max<long>(y, box.top)),
                     static_cast<LONG>(std::min<long>(x + cx, box.right)),
                     static_cast<LONG>(std::min<long>(y + cy, box.bottom))};
  const bool natural = cx == width && cy == height;
  const bool blended = info_.transparentIndex >= 0 || alpha_ || info_.paletteAlphaEnabled;
  std::memcpy(dib_, &header_, sizeof(header_));
  const auto* info = static_cast<const BITMAPINFO*>(dib_);
  if (painted.left < painted.right && painted.top < painted.bottom) {
    if (natural && !blended) {
      SetDIBitsToDevice(hdc, static_cast<int>(x), static_cast<int>(y), static_cast<DWORD>(width),
                        static_cast<DWORD>(height), 0, 0, 0, static_cast<UINT>(height), GetBits(), info,
                        DIB_RGB_COLORS);
    } else {
      DrawArea(hdc, painted, x, y, cx, cy, smooth, blended);
    }
  }
  if (clip) {
    HRGN region = CreateRectRgnIndirect(&before);
    SelectClipRgn(hdc, region);
    DeleteObject(region);
  }
  return 1;
}

// The painted area through a work bitmap: sampled, and blended over the device's pixels when
// the image has transparency or alpha.
void CImageFile::DrawArea(HDC hdc, const RECT& painted, long x, long y, long cx, long cy, bool smooth,
                          bool blended) {
  const long areaWidth = painted.right - painted.left, areaHeight = painted.bottom - painted.top;
  WorkBitmap work(hdc, areaWidth, areaHeight);
  if (!work.Valid()) return;
  if (blended) BitBlt(work.dc(), 0, 0, areaWidth, areaHeight, hdc, painted.left, painted.top, SRCCOPY);
  const long width = static_cast<long>(GetWidth()), height = static_cast<long>(GetHeight());
  const bool natural = cx == width && cy == height;
  const float rx = static_cast<float>(width) / static_cast<float>(cx);
  const float ry = static_cast<float>(height) / static_cast<float>(cy);
  const RGBQUAD transparentColour = GetTransColor();
  const bool palette = GetPalette() != nullptr;
  for (long row = 0; row < areaHeight; ++row) {
    const long deviceY = painted.top + row;
    for (long column = 0; column < areaWidth; ++column) {
      const long deviceX = painted.left + column;
      long sx, sy;
      float fx = 0, fy = 0;
      if (natural) {
        sx = deviceX - x;
        sy = height - 1 - (deviceY - y);
      } else {
        fx = static_cast<float>(deviceX - x) * rx;
        fy = static_cast<float>(height) - static_cast<float>(deviceY + 1 - y) * ry;
        sx = std::clamp(static_cast<long>(std::floor(fx)), 0L, width - 1);
        sy = std::clamp(static_cast<long>(std::floor(fy)), 0L, height - 1);
      }
      RGBQUAD c = smooth && !natural
                      ? GetPixelColorInterpolated(fx - 0.5f, fy - 0.5f, InterpolationMethod::Bilinear,
                                                  OverflowMethod::Repeat)
                      : BlindGetPixelColor(sx, sy);
      BYTE* out = work.At(column, row);
      if (!blended) {
        out[0] = c.rgbBlue;
        out[1] = c.rgbGreen;
        out[2] = c.rgbRed;
        continue;
      }
      int a = ((info_.alphaMax + 1) * (alpha_ ? BlindAlphaGet(sx, sy) : 255)) >> 8;
      const RGBQUAD exact = palette ? BlindGetPixelColor(sx, sy) : c;
      if (palette && info_.paletteAlphaEnabled) a = ((exact.rgbReserved + 1) * a) >> 8;
      if (info_.transparentIndex >= 0) {
        const bool hidden = palette ? BlindGetPixelIndex(sx, sy) == info_.transparentIndex
                                    : exact.rgbRed == transparentColour.rgbRed &&
                                          exact.rgbGreen == transparentColour.rgbGreen &&
                                          exact.rgbBlue == transparentColour.rgbBlue;
        if (hidden) continue;
      }
      if (a == 0) continue;
      if (a == 255) {
        out[0] = c.rgbBlue;
        out[1] = c.rgbGreen;
        out[2] = c.rgbRed;
        continue;
      }
      out[0] = static_cast<BYTE>((out[0] * (255 - a) + c.rgbBlue * a) >> 8);
      out[1] = static_cast<BYTE>((out[1] * (255 - a) + c.rgbGreen * a) >> 8);
      out[2] = static_cast<BYTE>((out[2] * (255 - a) + c.rgbRed * a) >> 8);
    }
  }
  BitBlt(hdc, painted.left, painted.top, areaWidth, areaHeight, work.dc(), 0, 0, SRCCOPY);
}

long CImageFile::Draw(HDC hdc, const RECT& rect, RECT* clip, bool smooth) {
  return Draw(hdc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, clip, smooth);
}

long CImageFile::Draw2(HDC hdc, long x, long y, long cx, long cy) {
  if (!dib_ || !hdc || cx == 0 || cy == 0 || !info_.enabled) return 0;
  const long width = static_cast<long>(GetWidth()), height = static_cast<long>(GetHeight());
  if (cx < 0) cx = width;
  if (cy < 0) cy = height;
  std::memcpy(dib_, &header_, sizeof(header_));
  const auto* info = static_cast<const BITMAPINFO*>(dib_);
  const int ix = static_cast<int>(x), iy = static_cast<int>(y), icx = static_cast<int>(cx),
            icy = static_cast<int>(cy), iw = static_cast<int>(width), ih = static_cast<int>(height);
  if (info_.transparentIndex < 0) {
    const int mode = SetStretchBltMode(hdc, COLORONCOLOR);
    StretchDIBits(hdc, ix, iy, icx, icy, 0, 0, iw, ih, GetBits(), info, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(hdc, mode);
    return 1;
  }
  const RECT destination{ix, iy, ix + icx, iy + icy};
  if (!RectVisible(hdc, &destination)) return 1;
  // The picture on a bitmap of its own, and a monochrome mask set where the transparent colour
  // is; image XOR, mask AND, image XOR leaves the background where the mask is set.
  HDC imageDC = CreateCompatibleDC(hdc), maskDC = CreateCompatibleDC(hdc);
  HBITMAP image = CreateCompatibleBitmap(hdc, iw, ih), mask = CreateBitmap(iw, ih, 1, 1, nullptr);
  HGDIOBJ oldImage = SelectObject(imageDC, image), oldMask = SelectObject(maskDC, mask);
  StretchDIBits(imageDC, 0, 0, iw, ih, 0, 0, iw, ih, GetBits(), info, DIB_RGB_COLORS, SRCCOPY);
  SetBkColor(imageDC, RGBQUADtoRGB(GetTransColor()));
  BitBlt(maskDC, 0, 0, iw, ih, imageDC, 0, 0, SRCCOPY);
  const COLORREF background = SetBkColor(hdc, RGB(255, 255, 255)), text = SetTextColor(hdc, RGB(0, 0, 0));
  const int mode = SetStretchBltMode(hdc, COLORONCOLOR);
  StretchBlt(hdc, ix, iy, icx, icy, imageDC, 0, 0, iw, ih, SRCINVERT);
  StretchBlt(hdc, ix, iy, icx, icy, maskDC, 0, 0, iw, ih, SRCAND);
  StretchBlt(hdc, ix, iy, icx, icy, imageDC, 0, 0, iw, ih, SRCINVERT);
  SetStretchBltMode(hdc, mode);
  SetBkColor(hdc, background);
  SetTextColor(hdc, text);
  SelectObject(imageDC, oldImage);
  SelectObject(maskDC, oldMask);
  DeleteObject(image);
  DeleteObject(mask);
  DeleteDC(imageDC);
  DeleteDC(maskDC);
  return 1;
}

long CImageFile::Draw2(HDC hdc, const RECT& rect) {
  return Draw2(hdc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

long CImageFile::Stretch(HDC hdc, long x, long y, long cx, long cy, unsigned long rop) {
  if (!dib_ || !hdc) return 0;
  std::memcpy(dib_, &header_, sizeof(header_));
  const int mode = SetStretchBltMode(hdc, COLORONCOLOR);
  StretchDIBits(hdc, static_cast<int>(x), static_cast<int>(y), static_cast<int>(cx), static_cast<int>(cy), 0,
                0, static_cast<int>(GetWidth()), static_cast<int>(GetHeight()), GetBits(),
                static_cast<const BITMAPINFO*>(dib_), DIB_RGB_COLORS, rop);
  SetStretchBltMode(hdc, mode);
  return 1;
}

long CImageFile::Stretch(HDC hdc, const RECT& rect, unsigned long rop) {
  return Stretch(hdc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, rop);
}

long CImageFile::Tile(HDC hdc, RECT* rect) {
  if (!dib_ || !hdc || !rect) return 0;
  const long width = static_cast<long>(GetWidth()), height = static_cast<long>(GetHeight());
  for (long top = rect->top; top < rect->bottom; top += height) {
    for (long left = rect->left; left < rect->right; left += width) Draw(hdc, left, top, -1, -1, rect);
  }
  return 1;
}
