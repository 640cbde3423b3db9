// The drawer's pictures, icons and resource strings. They come only from the module's own
// resources: markup never names files, other modules or raw handles.
#include <algorithm>

#include "codecs/ImageFile.h"
#include "controls/HtmlDrawer.h"
#include "controls/detail/HtmlPictures.h"
#include "controls/detail/HtmlTags.h"
#include "platform/classlib/CWinApp.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Metrics.h"
#include "platform/win32/Rect.h"
#include "platform/win32/Resource.h"

namespace {

// Pictures larger than this on a side are not drawn.
constexpr int kMaxImageSide = 8192;

// Cell `index` of a strip of cells, as a bitmap of its own.
HBITMAP CutCell(HBITMAP strip, int index, int cellWidth, int cellHeight) {
  const SIZE size = DrawEffects::BitmapSize(strip);
  if (cellWidth < 1 || cellHeight < 1) return nullptr;
  const int columns = size.cx / cellWidth, rows = size.cy / cellHeight;
  if (index < 0 || static_cast<long long>(index) >= static_cast<long long>(columns) * rows) return nullptr;
  HBITMAP cell = CreateCompatibleBitmap(nullptr, cellWidth, cellHeight);
  HDC from = CreateCompatibleDC(nullptr), to = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFrom = SelectObject(from, strip), oldTo = SelectObject(to, cell);
  BitBlt(to, 0, 0, cellWidth, cellHeight, from, index % columns * cellWidth, index / columns * cellHeight,
         SRCCOPY);
  SelectObject(from, oldFrom);
  SelectObject(to, oldTo);
  DeleteDC(from);
  DeleteDC(to);
  return cell;
}

}  // namespace

HBITMAP LoadPicture(UINT id, COLORREF key, bool& keyed) {
  keyed = false;
  HINSTANCE module = AfxGetResourceHandle();
  HRSRC found = FindResource(module, MAKEINTRESOURCE(id), "PNG");
  CImageFile picture;
  if (!found || !picture.LoadResource(found, keImageFormatPNG, module)) return nullptr;
  const int width = static_cast<int>(picture.GetWidth()), height = static_cast<int>(picture.GetHeight());
  if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide) return nullptr;
  BYTE* pixel = nullptr;
  HBITMAP bitmap = platform::CreateTopDownSection(width, height, &pixel);
  if (!bitmap) return nullptr;
  const bool alpha = picture.AlphaIsValid();
  // The picture file keeps its rows bottom-up.
  for (int row = 0; row < height; ++row)
    for (int column = 0; column < width; ++column, pixel += 4) {
      RGBQUAD colour = picture.GetPixelColor(column, height - 1 - row, true);
      if (alpha && colour.rgbReserved < 128) {
        colour = RGBQUAD{GetBValue(key), GetGValue(key), GetRValue(key), 255};
        keyed = true;
      }
      pixel[0] = colour.rgbBlue;
      pixel[1] = colour.rgbGreen;
      pixel[2] = colour.rgbRed;
      pixel[3] = 255;
    }
  return bitmap;
}

struct HtmlDrawer::ImageAttributes {
  int index = 0;
  int idres = 0;
  bool foreignSource = false;  // "file", "iddll", "srcdll" or "handle": refused
  int cellWidth = GetSystemMetrics(SM_CXICON), cellHeight = GetSystemMetrics(SM_CYICON);
  int width = 100, height = 100;
  int style = 0, hotStyle = 0;
  bool hasMask = false;
  bool widthIsPercent = true, heightIsPercent = true;
  COLORREF maskColor = 0xFF00FF;
};

void HtmlDrawer::Image(std::string_view kind, std::string_view rest) {
  ImageAttributes image;
  const LengthUnits units = Units();
  const auto imageStyle = [this](std::string_view letters) {
    int bits = 0;
    for (const char letter : letters) {
      if (letter == 'g') bits |= kImageGrey;
      if (letter == 'd') bits |= kImageDarken;
      if (letter == 'l') bits |= kImageLighten;
      if (letter == 's' && (shadowDx != 0 || shadowDy != 0))
        bits |= softShadows ? kImageSoftShadow : kImageHardShadow;
    }
    return bits;
  };
  TagAttributes attributes(rest);
  TagAttribute attribute;
  while (attributes.Next(attribute)) {
    const std::string_view name = attribute.name, value = attribute.value;
    if (name == "index") image.index = ParseLength(value, 0, false, units);
    if (name == "idres") image.idres = ParseLength(value, 0, false, units);
    if (name == "file" || name == "iddll" || name == "srcdll" || name == "handle") image.foreignSource = true;
    if (name == "cx") image.cellWidth = ParseLength(value, image.cellWidth, false, units);
    if (name == "cy") image.cellHeight = ParseLength(value, image.cellHeight, false, units);
    if (name == "mask") {
      image.maskColor = sheet.ParseColor(value, image.maskColor);
      image.hasMask = true;
    }
    if (name == "style") image.style = image.hotStyle = imageStyle(value);
    if (name == "hotstyle") image.hotStyle = imageStyle(value);
    if (name == "width" || name == "height") {
      const bool percent = !value.empty() && value.back() == '%';
      (name == "width" ? image.width : image.height) = ParseLength(value, 100, false, units);
      (name == "width" ? image.widthIsPercent : image.heightIsPercent) = percent;
    }
  }
  // Only the module's own resources are drawn; the drawer has no image list of its own.
  if (image.idres == 0) return;

  HBITMAP bitmap = nullptr;
  HICON icon = nullptr;
  bool keyed = false;
  SIZE size{0, 0};
  if (kind == "icon") {
    icon = static_cast<HICON>(LoadImage(AfxGetResourceHandle(),
                                        MAKEINTRESOURCE(static_cast<WORD>(image.idres)), IMAGE_ICON,
                                        image.cellWidth, image.cellHeight, 0));
    size = DrawEffects::IconSize(icon);
  } else {
    bitmap = LoadPicture(static_cast<UINT>(image.idres), image.maskColor, keyed);
    if (bitmap && kind == "ilst") {
      HBITMAP cell = CutCell(bitmap, image.index, image.cellWidth, image.cellHeight);
      DeleteObject(bitmap);
      bitmap = cell;
    }
    size = DrawEffects::BitmapSize(bitmap);
  }
  const int width = image.widthIsPercent ? MulDiv(size.cx, image.width, 100) : image.width;
  const int height = image.heightIsPercent ? MulDiv(size.cy, image.height, 100) : image.height;
  if (!image.foreignSource && size.cx > 0 && width >= 1 && height >= 1 && width <= kMaxImageSide &&
      height <= kMaxImageSide) {
    const bool hot = style.linkKind != 0 && linkNumber == hoveredLink;
    const bool shadowSpace = ((image.style | image.hotStyle) & kImageShadows) != 0;
    const int placedWidth = width + (shadowSpace ? shadowDx : 0),
              placedHeight = height + (shadowSpace ? shadowDy : 0);
    LineRecord& line = Line();
    if (measuring) {
      line.above = std::max(line.above, placedHeight);
    } else {
      const int top = TextTop(placedHeight, placedHeight);
      AddLinkArea(x, top, placedWidth, placedHeight);
      const int drawStyle = hot ? image.hotStyle : image.style;
      if (icon)
        DrawEffects::DrawIcon(dc, x, top, width, height, icon, drawStyle, shadowSpace, shadowDx, shadowDy,
                              blurX, blurY, shadowColor);
      else
        DrawEffects::DrawBitmap(dc, x, top, width, height, bitmap, image.hasMask || keyed, image.maskColor,
                                drawStyle, shadowSpace, shadowDx, shadowDy, blurX, blurY, shadowColor);
    }
    x += placedWidth;
  }
  if (bitmap) DeleteObject(bitmap);
  if (icon) DestroyIcon(icon);
}

void HtmlDrawer::ResourceString(std::string_view rest) {
  int id = 0;
  TagAttributes attributes(rest);
  TagAttribute attribute;
  while (attributes.Next(attribute))
    if (attribute.name == "idres" || attribute.name == "iddll")
      id = ParseLength(attribute.value, 0, false, Units());
  char text[1024] = {};
  if (id <= 0 || LoadString(AfxGetResourceHandle(), static_cast<UINT>(id), text, sizeof text) <= 0) return;
  PlaceText(text, false);
}
