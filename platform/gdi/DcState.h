// Device-context attributes: colours and modes, mapping of logical to device coordinates,
// clipping, saved states and device capabilities.
#pragma once
#include "platform/gdi/Gdi.h"

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);

constexpr int R2_BLACK = 1;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_COPYPEN = 13;
constexpr int R2_WHITE = 16;
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
int SetPolyFillMode(HDC dc, int mode);  // ALTERNATE or WINDING (platform/gdi/Region.h)

constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* previous);

constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* previous);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* previous);
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* previous);
BOOL GetWindowOrgEx(HDC dc, POINT* origin);
BOOL GetViewportOrgEx(HDC dc, POINT* origin);
BOOL GetWindowExtEx(HDC dc, SIZE* extent);
BOOL GetViewportExtEx(HDC dc, SIZE* extent);
// The world transform maps a drawing call's coordinates before the window and viewport do:
// x' = x eM11 + y eM21 + eDx, y' = x eM12 + y eM22 + eDy. Points follow it whole; a shape drawn
// from a box fills the box around its turned corners, and text and bitmaps are not turned.
struct XFORM {
  float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
};
constexpr DWORD MWT_IDENTITY = 1;
constexpr DWORD MWT_LEFTMULTIPLY = 2;  // the given transform, then the current one
constexpr DWORD MWT_RIGHTMULTIPLY = 3;
// A transform that is not finite, is singular or reaches beyond what coordinates can hold is
// refused.
BOOL SetWorldTransform(HDC dc, const XFORM* transform);
BOOL ModifyWorldTransform(HDC dc, const XFORM* transform, DWORD mode);
BOOL GetWorldTransform(HDC dc, XFORM* transform);
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);

// Clipping. The clip region is kept in device coordinates; the calls taking logical
// coordinates convert them.
int SelectClipRgn(HDC dc, HRGN region);  // null removes the clip region
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int GetClipBox(HDC dc, RECT* box);    // logical coordinates
int GetClipRgn(HDC dc, HRGN region);  // 1 with a clip region copied, 0 without one
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT* rect);

int SaveDC(HDC dc);                 // answers the saved level
BOOL RestoreDC(HDC dc, int level);  // a negative level counts back from the last save

constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int TECHNOLOGY = 2;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int DT_RASDISPLAY = 1;
constexpr int RC_BITBLT = 1;
constexpr int RC_STRETCHBLT = 0x0800;
constexpr int RC_STRETCHDIB = 0x2000;
constexpr int RC_DI_BITMAP = 0x0080;
constexpr int RC_PALETTE = 0x0100;
// A 32-bit display at 96 dots per inch; the sizes are the screen's or the bitmap's.
int GetDeviceCaps(HDC dc, int index);
