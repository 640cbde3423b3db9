// Icons and image lists. An icon is a colour bitmap and a monochrome-style mask (white where
// the screen shows through), both 32-bit here; drawing ANDs the mask, then XORs the colour.
#pragma once
#include "platform/ui/Input.h"

struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;  // icons: half the width
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
};

// The bitmaps are copied. A colour bitmap with an alpha channel (and a null mask) gets its
// mask from the alpha: pixels below half opacity show the screen through.
HICON CreateIconIndirect(const ICONINFO* info);
HICON CopyIcon(HICON icon);
BOOL DestroyIcon(HICON icon);
// Copies of the icon's bitmaps, which the caller deletes; FALSE for what is not an icon.
BOOL GetIconInfo(HICON icon, ICONINFO* info);

constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
// Width and height 0 draw the icon at its own size.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flicker,
                UINT flags);

inline const LPCSTR IDI_APPLICATION = MAKEINTRESOURCE(32512);
inline const LPCSTR IDI_ERROR = MAKEINTRESOURCE(32513);
inline const LPCSTR IDI_HAND = IDI_ERROR;
inline const LPCSTR IDI_QUESTION = MAKEINTRESOURCE(32514);
inline const LPCSTR IDI_WARNING = MAKEINTRESOURCE(32515);
inline const LPCSTR IDI_EXCLAMATION = IDI_WARNING;
inline const LPCSTR IDI_INFORMATION = MAKEINTRESOURCE(32516);
inline const LPCSTR IDI_ASTERISK = IDI_INFORMATION;
// The system's icons (a null module): drawn once, shared, never destroyed. Icons of a module
// come from the icon loader installed with SetIconLoader; null without one or for a missing id.
HICON LoadIcon(HINSTANCE instance, LPCSTR name);

constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_DEFAULTSIZE = 0x0040;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;
constexpr UINT LR_SHARED = 0x8000;
// Icons as LoadIcon finds them, stretched to width x height (0: the system icon size).
HANDLE LoadImage(HINSTANCE instance, LPCSTR name, UINT type, int width, int height, UINT flags);

namespace platform {
// Where a module's icons come from (the module's resources); answers null for a missing one.
using IconLoader = HICON (*)(HINSTANCE instance, LPCSTR name, int width, int height);
void SetIconLoader(IconLoader loader);
}  // namespace platform

struct IMAGELIST;
using HIMAGELIST = IMAGELIST*;
constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR32 = 0x0020;
constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;
constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;

HIMAGELIST ImageList_Create(int width, int height, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* width, int* height);
// A strip of images as wide as a multiple of the image width; answers the first new index.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// Pixels of `maskColour` become transparent.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColour);
// index -1 adds; answers the index, -1 on failure.
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
inline int ImageList_AddIcon(HIMAGELIST list, HICON icon) { return ImageList_ReplaceIcon(list, -1, icon); }
BOOL ImageList_Remove(HIMAGELIST list, int index);  // -1: all
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// A new icon of image `index`, which the caller destroys.
HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags);
