// Icons, the system's icons and image lists.
#include "platform/ui/Icons.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Metrics.h"

namespace {

struct Icon {
  HBITMAP colour = nullptr;
  HBITMAP mask = nullptr;
  int width = 0;
  int height = 0;
};

std::mutex& IconMutex() {
  static std::mutex mutex;
  return mutex;
}
std::set<Icon*>& Icons() {
  static auto* icons = new std::set<Icon*>;
  return *icons;
}
platform::IconLoader& Loader() {
  static platform::IconLoader loader = nullptr;
  return loader;
}

Icon* FindIcon(HICON handle) {
  std::lock_guard<std::mutex> lock(IconMutex());
  auto* icon = reinterpret_cast<Icon*>(handle);
  return Icons().count(icon) ? icon : nullptr;
}

HBITMAP CopyBitmap(HBITMAP source, int width, int height) {
  HBITMAP copy = CreateCompatibleBitmap(nullptr, width, height);
  const platform::Surface* from = platform::GetBitmapSurface(source);
  const platform::Surface* to = platform::GetBitmapSurface(copy);
  if (!from || !to) return copy;
  for (int y = 0; y < std::min(height, from->height); ++y) {
    std::copy_n(from->Row(y), 4 * std::min(width, from->width), to->Row(y));
  }
  return copy;
}

HICON AddIcon(std::unique_ptr<Icon> icon) {
  std::lock_guard<std::mutex> lock(IconMutex());
  Icon* raw = icon.release();
  Icons().insert(raw);
  return reinterpret_cast<HICON>(raw);
}

// Makes the mask from the colour's alpha and clears what the mask lets through, so that
// AND then XOR shows the colour over the screen.
void MaskFromAlpha(const platform::Surface& colour, const platform::Surface& mask) {
  bool anyAlpha = false;
  for (int y = 0; y < colour.height && !anyAlpha; ++y) {
    for (int x = 0; x < colour.width && !anyAlpha; ++x) anyAlpha = colour.Row(y)[4 * x + 3] != 0;
  }
  for (int y = 0; y < colour.height; ++y) {
    for (int x = 0; x < colour.width; ++x) {
      BYTE* c = colour.Row(y) + 4 * x;
      BYTE* m = mask.Row(y) + 4 * x;
      bool through = anyAlpha && c[3] < 128;
      BYTE value = through ? 255 : 0;
      m[0] = m[1] = m[2] = value;
      m[3] = 255;
      if (through) c[0] = c[1] = c[2] = 0;
      c[3] = 255;
    }
  }
}

// The system icons: a framed window, a warning's triangle, or a disc; each but the window with
// its sign.
HICON DrawSystemIcon(ULONG_PTR id) {
  int size = GetSystemMetrics(SM_CXICON);
  HBITMAP colour = CreateCompatibleBitmap(nullptr, size, size);
  HBITMAP mask = CreateCompatibleBitmap(nullptr, size, size);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, mask);
  RECT all{0, 0, size, size};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SelectObject(dc, colour);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  auto paint = [&](HBITMAP target, COLORREF fill, COLORREF line) {
    SelectObject(dc, target);
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, line);
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
    if (id == 32512) {
      Rectangle(dc, 2, 4, size - 2, size - 4);
    } else if (id == 32515) {
      POINT corners[3] = {{size / 2, 1}, {size - 2, size - 3}, {1, size - 3}};
      Polygon(dc, corners, 3);
    } else {
      Ellipse(dc, 2, 2, size - 2, size - 2);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
  };
  paint(mask, RGB(0, 0, 0), RGB(0, 0, 0));
  COLORREF fill = id == 32513   ? RGB(255, 0, 0)
                  : id == 32515 ? RGB(255, 255, 0)
                  : id == 32512 ? RGB(255, 255, 255)
                                : RGB(0, 0, 255);
  paint(colour, fill, RGB(0, 0, 0));
  if (id == 32512) {
    RECT caption{3, 5, size - 3, 10};
    FillRect(dc, &caption, GetSysColorBrush(COLOR_ACTIVECAPTION));
  } else if (id == 32513) {
    HPEN pen = CreatePen(PS_SOLID, std::max(2, size / 9), RGB(255, 255, 255));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    const int near = size * 3 / 10, far = size - near;
    MoveToEx(dc, near, near, nullptr);
    LineTo(dc, far, far);
    MoveToEx(dc, far, near, nullptr);
    LineTo(dc, near, far);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  } else {
    HFONT font = CreateFont(-size * 5 / 8, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "MS Shell Dlg");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, id == 32515 ? RGB(0, 0, 0) : RGB(255, 255, 255));
    RECT sign{0, id == 32515 ? size / 6 : 0, size, size};
    DrawText(dc,
             id == 32514   ? "?"
             : id == 32515 ? "!"
                           : "i",
             1, &sign, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    DeleteObject(font);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  auto icon = std::make_unique<Icon>();
  icon->colour = colour;
  icon->mask = mask;
  icon->width = icon->height = size;
  return AddIcon(std::move(icon));
}

}  // namespace

HICON CreateIconIndirect(const ICONINFO* info) {
  if (!info || !info->hbmColor) return nullptr;
  BITMAP description{};
  if (!GetObject(info->hbmColor, sizeof description, &description)) return nullptr;
  auto icon = std::make_unique<Icon>();
  icon->width = description.bmWidth;
  icon->height = description.bmHeight;
  icon->colour = CopyBitmap(info->hbmColor, icon->width, icon->height);
  if (info->hbmMask) {
    icon->mask = CopyBitmap(info->hbmMask, icon->width, icon->height);
  } else {
    icon->mask = CreateCompatibleBitmap(nullptr, icon->width, icon->height);
    MaskFromAlpha(*platform::GetBitmapSurface(icon->colour), *platform::GetBitmapSurface(icon->mask));
  }
  return AddIcon(std::move(icon));
}

HICON CopyIcon(HICON handle) {
  ICONINFO info{};
  if (!GetIconInfo(handle, &info)) return nullptr;
  HICON copy = CreateIconIndirect(&info);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return copy;
}

BOOL DestroyIcon(HICON handle) {
  std::unique_ptr<Icon> icon;
  {
    std::lock_guard<std::mutex> lock(IconMutex());
    auto* raw = reinterpret_cast<Icon*>(handle);
    if (!Icons().erase(raw)) return FALSE;
    icon.reset(raw);
  }
  DeleteObject(icon->colour);
  DeleteObject(icon->mask);
  return TRUE;
}

BOOL GetIconInfo(HICON handle, ICONINFO* info) {
  Icon* icon = FindIcon(handle);
  if (!icon || !info) return FALSE;
  info->fIcon = TRUE;
  info->xHotspot = static_cast<DWORD>(icon->width / 2);
  info->yHotspot = static_cast<DWORD>(icon->height / 2);
  info->hbmColor = CopyBitmap(icon->colour, icon->width, icon->height);
  info->hbmMask = CopyBitmap(icon->mask, icon->width, icon->height);
  return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON handle, int width, int height, UINT, HBRUSH, UINT flags) {
  Icon* icon = FindIcon(handle);
  if (!icon) return FALSE;
  if (width <= 0) width = icon->width;
  if (height <= 0) height = icon->height;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, icon->mask);
  bool both = (flags & DI_NORMAL) == DI_NORMAL;
  if (flags & DI_MASK) {
    StretchBlt(dc, x, y, width, height, memory, 0, 0, icon->width, icon->height, both ? SRCAND : SRCCOPY);
  }
  if (flags & DI_IMAGE) {
    SelectObject(memory, icon->colour);
    StretchBlt(dc, x, y, width, height, memory, 0, 0, icon->width, icon->height, both ? SRCINVERT : SRCCOPY);
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  return TRUE;
}

void platform::SetIconLoader(IconLoader loader) { Loader() = loader; }

HICON LoadIcon(HINSTANCE instance, LPCSTR name) {
  auto id = reinterpret_cast<ULONG_PTR>(name);
  if (!instance) {
    if (id < 32512 || id > 32516) return nullptr;
    static std::mutex mutex;
    static std::map<ULONG_PTR, HICON> shared;
    std::lock_guard<std::mutex> lock(mutex);
    HICON& icon = shared[id];
    if (!icon) icon = DrawSystemIcon(id);
    return icon;
  }
  return Loader() ? Loader()(instance, name, 0, 0) : nullptr;
}

HANDLE LoadImage(HINSTANCE instance, LPCSTR name, UINT type, int width, int height, UINT flags) {
  if (type != IMAGE_ICON || (flags & LR_LOADFROMFILE)) return nullptr;
  if (width == 0) width = GetSystemMetrics(SM_CXICON);
  if (height == 0) height = GetSystemMetrics(SM_CYICON);
  if (instance && Loader()) return Loader()(instance, name, width, height);
  HICON shared = LoadIcon(instance, name);
  if (!shared) return nullptr;
  HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 1, 0);
  ImageList_AddIcon(list, shared);
  HICON sized = ImageList_GetIcon(list, 0, ILD_NORMAL);
  ImageList_Destroy(list);
  return sized;
}

struct IMAGELIST {
  int width;
  int height;
  std::vector<HICON> images;
};

HIMAGELIST ImageList_Create(int width, int height, UINT, int, int) {
  if (width <= 0 || height <= 0) return nullptr;
  return new IMAGELIST{width, height, {}};
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  if (!list) return FALSE;
  ImageList_Remove(list, -1);
  delete list;
  return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST list) { return list ? static_cast<int>(list->images.size()) : 0; }

BOOL ImageList_GetIconSize(HIMAGELIST list, int* width, int* height) {
  if (!list || !width || !height) return FALSE;
  *width = list->width;
  *height = list->height;
  return TRUE;
}

namespace {

// Cuts a strip into cells; `maskOf` fills each cell's mask.
template <class MaskOf>
int AddStrip(HIMAGELIST list, HBITMAP image, MaskOf maskOf) {
  BITMAP description{};
  if (!list || !image || !GetObject(image, sizeof description, &description)) return -1;
  int first = static_cast<int>(list->images.size());
  HDC source = CreateCompatibleDC(nullptr), cell = CreateCompatibleDC(nullptr);
  HGDIOBJ oldSource = SelectObject(source, image);
  for (int left = 0; left + list->width <= description.bmWidth; left += list->width) {
    ICONINFO info{TRUE, 0, 0, CreateCompatibleBitmap(nullptr, list->width, list->height),
                  CreateCompatibleBitmap(nullptr, list->width, list->height)};
    HGDIOBJ oldCell = SelectObject(cell, info.hbmColor);
    BitBlt(cell, 0, 0, list->width, list->height, source, left, 0, SRCCOPY);
    SelectObject(cell, oldCell);
    maskOf(left, *platform::GetBitmapSurface(info.hbmColor), *platform::GetBitmapSurface(info.hbmMask));
    list->images.push_back(CreateIconIndirect(&info));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  SelectObject(source, oldSource);
  DeleteDC(source);
  DeleteDC(cell);
  return first;
}

}  // namespace

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
  const platform::Surface* maskSurface = mask ? platform::GetBitmapSurface(mask) : nullptr;
  return AddStrip(
      list, image, [&](int left, const platform::Surface& colour, const platform::Surface& cellMask) {
        for (int y = 0; y < cellMask.height; ++y) {
          for (int x = 0; x < cellMask.width; ++x) {
            bool through = maskSurface && y < maskSurface->height && left + x < maskSurface->width &&
                           maskSurface->Row(y)[4 * (left + x)] != 0;
            BYTE* m = cellMask.Row(y) + 4 * x;
            m[0] = m[1] = m[2] = through ? 255 : 0;
            m[3] = 255;
            if (through) std::fill_n(colour.Row(y) + 4 * x, 3, 0);
          }
        }
      });
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColour) {
  return AddStrip(list, image, [&](int, const platform::Surface& colour, const platform::Surface& cellMask) {
    for (int y = 0; y < cellMask.height; ++y) {
      for (int x = 0; x < cellMask.width; ++x) {
        BYTE* c = colour.Row(y) + 4 * x;
        bool through = RGB(c[2], c[1], c[0]) == maskColour;
        BYTE* m = cellMask.Row(y) + 4 * x;
        m[0] = m[1] = m[2] = through ? 255 : 0;
        m[3] = 255;
        if (through) c[0] = c[1] = c[2] = 0;
      }
    }
  });
}

int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon) {
  if (!list || index < -1 || index >= static_cast<int>(list->images.size()) || !FindIcon(icon)) return -1;
  // Stretched to the list's size through a drawing of the icon on its own mask.
  ICONINFO info{TRUE, 0, 0, CreateCompatibleBitmap(nullptr, list->width, list->height),
                CreateCompatibleBitmap(nullptr, list->width, list->height)};
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, info.hbmMask);
  DrawIconEx(dc, 0, 0, icon, list->width, list->height, 0, nullptr, DI_MASK);
  SelectObject(dc, info.hbmColor);
  DrawIconEx(dc, 0, 0, icon, list->width, list->height, 0, nullptr, DI_IMAGE);
  SelectObject(dc, old);
  DeleteDC(dc);
  HICON sized = CreateIconIndirect(&info);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  if (index == -1) {
    list->images.push_back(sized);
    return static_cast<int>(list->images.size()) - 1;
  }
  DestroyIcon(list->images[static_cast<std::size_t>(index)]);
  list->images[static_cast<std::size_t>(index)] = sized;
  return index;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
  if (!list || index < -1 || index >= static_cast<int>(list->images.size())) return FALSE;
  if (index == -1) {
    for (HICON icon : list->images) DestroyIcon(icon);
    list->images.clear();
    return TRUE;
  }
  DestroyIcon(list->images[static_cast<std::size_t>(index)]);
  list->images.erase(list->images.begin() + index);
  return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT) {
  if (!list || index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
  return DrawIcon(dc, x, y, list->images[static_cast<std::size_t>(index)]);
}

HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT) {
  if (!list || index < 0 || index >= static_cast<int>(list->images.size())) return nullptr;
  return CopyIcon(list->images[static_cast<std::size_t>(index)]);
}
