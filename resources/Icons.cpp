// The module's icons: an icon resource holds a PNG picture with alpha, which the icon loader
// decodes and scales to the size asked (by averaging, so that 32 becomes a clean 16).
#include <png.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi/Dib.h"
#include "platform/ui/Icons.h"
#include "resources/detail/Tables.h"

namespace resources::detail {
namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<BYTE> rgba;
};

bool Decode(const BYTE* bytes, DWORD size, Picture& picture) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes, size)) return false;
  image.format = PNG_FORMAT_RGBA;
  if (image.width > 256 || image.height > 256) {
    png_image_free(&image);
    return false;
  }
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.rgba.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr) != 0;
}

// Premultiplied BGRA, as the platform's bitmaps hold it, averaged over each target pixel's area.
HBITMAP Scaled(const Picture& picture, int width, int height) {
  BYTE* out = nullptr;
  HBITMAP bitmap = platform::CreateTopDownSection(width, height, &out);
  if (!bitmap) return nullptr;
  for (int y = 0; y < height; ++y) {
    int top = y * picture.height / height, bottom = std::max(top + 1, (y + 1) * picture.height / height);
    for (int x = 0; x < width; ++x) {
      int left = x * picture.width / width, right = std::max(left + 1, (x + 1) * picture.width / width);
      unsigned sum[4] = {0, 0, 0, 0}, count = 0;
      for (int sy = top; sy < bottom; ++sy) {
        for (int sx = left; sx < right; ++sx, ++count) {
          const BYTE* p = &picture.rgba[4 * (static_cast<std::size_t>(sy) * picture.width + sx)];
          for (int c = 0; c < 3; ++c) sum[c] += p[c] * p[3] / 255;
          sum[3] += p[3];
        }
      }
      BYTE* q = out + 4 * (static_cast<std::size_t>(y) * width + x);
      q[0] = static_cast<BYTE>(sum[2] / count);
      q[1] = static_cast<BYTE>(sum[1] / count);
      q[2] = static_cast<BYTE>(sum[0] / count);
      q[3] = static_cast<BYTE>(sum[3] / count);
    }
  }
  return bitmap;
}

}  // namespace

HICON LoadModuleIcon(HINSTANCE instance, LPCSTR name, int width, int height) {
  HRSRC found = FindResource(instance, name, RT_GROUP_ICON);
  Picture picture;
  if (!found || !Decode(static_cast<const BYTE*>(LockResource(LoadResource(instance, found))),
                        SizeofResource(instance, found), picture)) {
    return nullptr;
  }
  HBITMAP colour = Scaled(picture, width > 0 ? width : picture.width, height > 0 ? height : picture.height);
  ICONINFO info{TRUE, 0, 0, nullptr, colour};
  HICON icon = colour ? CreateIconIndirect(&info) : nullptr;
  DeleteObject(colour);
  return icon;
}

}  // namespace resources::detail
