#include "controls/ImageButton.h"

#include <cstring>

#include "codecs/ImageFile.h"
#include "codecs/ImageFileFormat.h"
#include "platform/gdi/Dib.h"
#include "rowops/ImageBufferOps.h"
#include "rowops/RowBlendWvkOp.h"

using corvel::CoreResult;
using corvel::CRowIteratorBands;

namespace {

constexpr std::int32_t kBlendNormal = 0;
constexpr std::int32_t kBlendLuminosity = 20;

// A 32-bit top-down section selected into a memory context compatible with `reference`.
struct OffscreenFace {
  OffscreenFace(HDC reference, int width, int height) {
    dc = ::CreateCompatibleDC(reference);
    bitmap = platform::CreateTopDownSection(width, height, &bits);
    if (dc && bitmap) old = ::SelectObject(dc, bitmap);
  }
  ~OffscreenFace() {
    if (old) ::SelectObject(dc, old);
    if (bitmap) ::DeleteObject(bitmap);
    if (dc) ::DeleteDC(dc);
  }
  OffscreenFace(const OffscreenFace&) = delete;
  OffscreenFace& operator=(const OffscreenFace&) = delete;
  bool Ok() const { return dc && bitmap && bits; }

  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  BYTE* bits = nullptr;
};

}  // namespace

ImageButton::ImageButton() { EnableThemes(true); }

CoreResult ImageButton::LoadImage(UINT resourceId) {
  image.Destroy();
  CImageFile picture;
  HRSRC found = FindResource(AfxGetResourceHandle(), MAKEINTRESOURCE(resourceId), "PNG");
  if (!found || !picture.LoadResource(found, keImageFormatPNG, AfxGetResourceHandle()))
    return CoreResult(corvel::keErrorFileOpenRead);
  const int width = static_cast<int>(picture.GetWidth()), height = static_cast<int>(picture.GetHeight());
  CoreResult made = image.CreateBGRA(width, height);
  if (made.GetCode() != 0) return made;
  // The picture file keeps its rows bottom-up.
  for (int y = 0; y < height; ++y) {
    BYTE* row = nullptr;
    if (image.LockRow(y, &row).GetCode() != 0 || !row) {
      image.Destroy();
      return CoreResult(corvel::keErrorNoMemory);
    }
    for (int x = 0; x < width; ++x) {
      const RGBQUAD colour = picture.GetPixelColor(x, height - 1 - y, true);
      BYTE* pixel = row + 4 * x;
      pixel[0] = colour.rgbBlue;
      pixel[1] = colour.rgbGreen;
      pixel[2] = colour.rgbRed;
      pixel[3] = picture.AlphaIsValid() ? colour.rgbReserved : 255;
    }
    image.UnlockRow(y);
  }
  return CoreResult();
}

void ImageButton::SizeToImage(bool flag) {
  sizeToImage = flag;
  if (!m_hWnd || !HasImage()) return;
  CRect place;
  GetWindowRect(&place);
  if (CWnd* parent = GetParent()) parent->ScreenToClient(&place);
  SetWindowPos(nullptr, place.left, place.top, image.Width() + marginX, image.Height() + marginY,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void ImageButton::DrawItem(DRAWITEMSTRUCT* item) {
  if (!HasImage()) {
    ThemedButton::DrawItem(item);
    return;
  }
  const CRect box(item->rcItem);
  const int width = box.Width(), height = box.Height();
  if (width <= 0 || height <= 0) return;
  OffscreenFace face(item->hDC, width, height);
  if (!face.Ok()) return;
  // The parent's background shows at the corners the face leaves.
  if (CWnd* parent = GetParent()) {
    CRect place;
    GetWindowRect(&place);
    parent->ScreenToClient(&place);
    POINT previous;
    ::SetViewportOrgEx(face.dc, -place.left, -place.top, &previous);
    parent->SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(face.dc));
    ::SetViewportOrgEx(face.dc, previous.x, previous.y, nullptr);
  }
  const bool disabled = (item->itemState & ODS_DISABLED) != 0;
  DrawFrame(CDC::FromHandle(face.dc), DrawState(*item), CRect(0, 0, width, height), false);

  const std::intptr_t stride = std::intptr_t{width} * 4;
  for (int i = 0; i < width * height; ++i) face.bits[4 * i + 3] = 255;
  CRowIteratorBands target;
  if (target.CreateView(width, height, face.bits, stride, corvel::keFormatBGRA).GetCode() == 0) {
    const int shift = pressedLook ? 1 : 0;
    RECT to{(width - image.Width()) / 2 + shift, (height - image.Height()) / 2 + shift, 0, 0};
    to.right = to.left + image.Width();
    to.bottom = to.top + image.Height();
    RECT from{0, 0, image.Width(), image.Height()};
    // Only what lies on the face is drawn.
    const RECT clip{0, 0, width, height};
    RECT visible;
    if (::IntersectRect(&visible, &to, &clip)) {
      ::OffsetRect(&from, visible.left - to.left, visible.top - to.top);
      from.right = from.left + (visible.right - visible.left);
      from.bottom = from.top + (visible.bottom - visible.top);
      corvel::RowBlendWvkOp blend(disabled ? kBlendLuminosity : kBlendNormal);
      blend.SetOpacity(disabled ? 100 : (pressedLook || hot) ? 255 : 200);
      corvel::CopyImageConverted(blend, target, image, &visible, &from, nullptr);
    }
  }
  // Over the picture: a picture that fills the face would hide it.
  if (item->itemState & ODS_FOCUS) {
    RECT focus{3, 3, width - 3, height - 3};
    ::DrawFocusRect(face.dc, &focus);
  }
  pressedLook = 0;
  ::BitBlt(item->hDC, box.left, box.top, width, height, face.dc, 0, 0, SRCCOPY);
}
