// Fonts and text. Faces come from fontconfig and FreeType; DejaVu stands in for the
// platform's faces ("MS Shell Dlg", "Microsoft Sans Serif", "Arial", "Tahoma" and the like map
// to DejaVu Sans, "Courier New" to DejaVu Sans Mono, "Times New Roman" to DejaVu Serif).
// Advances are whole pixels, so extents are stable from call to call and run to run.
#pragma once
#include "platform/gdi/Gdi.h"

constexpr int LF_FACESIZE = 32;
struct LOGFONT {
  LONG lfHeight;      // negative: character height; positive: cell height; 0: a default size
  LONG lfWidth;       // average character width, 0 for the face's own
  LONG lfEscapement;  // tenths of a degree, counter-clockwise
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};

constexpr int FW_DONTCARE = 0;
constexpr int FW_THIN = 100;
constexpr int FW_LIGHT = 300;
constexpr int FW_NORMAL = 400;
constexpr int FW_MEDIUM = 500;
constexpr int FW_SEMIBOLD = 600;
constexpr int FW_BOLD = 700;
constexpr int FW_HEAVY = 900;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE EASTEUROPE_CHARSET = 238;
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE OUT_TT_PRECIS = 4;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DRAFT_QUALITY = 1;
constexpr BYTE PROOF_QUALITY = 2;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE CLEARTYPE_QUALITY = 5;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;

HFONT CreateFontIndirect(const LOGFONT* font);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);

struct TEXTMETRIC {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  CHAR tmFirstChar;
  CHAR tmLastChar;
  CHAR tmDefaultChar;
  CHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, SIZE* size);
// The extents of every beginning of the text in one pass: dx[i] is the width of its first i + 1
// characters; `fit` (when not null) gets how many characters fit within `maxExtent`.
BOOL GetTextExtentExPoint(HDC dc, LPCSTR text, int count, int maxExtent, int* fit, int* dx, SIZE* size);
BOOL GetCharWidth32(HDC dc, UINT first, UINT last, INT* widths);
int GetTextFace(HDC dc, int size, LPSTR face);

constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);

// Text is single-byte, in the Windows-1252 code page (CodePageByteOf and UnicodeOfCodePageByte).
BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count);
namespace platform {
// The work text has cost so far, for tests that hold it to what is new and what is shown: fonts
// realised for a measure or a drawing (one a call), glyphs loaded to be measured or drawn.
struct TextWork {
  unsigned long long fontsRealized = 0;
  unsigned long long glyphsLoaded = 0;
};
TextWork TextWorkSoFar();
}  // namespace platform
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
// `dx`, when given, holds the advance of each character.
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx);

constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;
// Lines break at "\n", "\r\n" and, with DT_WORDBREAK, between words; "&x" underlines x and
// "&&" is one "&" unless DT_NOPREFIX. Answers the text's height (from the rectangle's top;
// for DT_VCENTER and DT_BOTTOM the offset of the bottom), and with DT_CALCRECT only measures,
// widening or narrowing the rectangle's right and bottom.
int DrawText(HDC dc, LPCSTR text, int count, RECT* rect, UINT format);

// Glyph outlines, in the platform's forms: GGO_METRICS answers only the metrics;
// GGO_NATIVE gives the outline as quadratic splines and lines, GGO_BEZIER as cubic ones, in
// 16.16 fixed point, y up from the baseline.
constexpr UINT GGO_METRICS = 0;
constexpr UINT GGO_BITMAP = 1;
constexpr UINT GGO_NATIVE = 2;
constexpr UINT GGO_BEZIER = 3;
constexpr UINT GGO_GLYPH_INDEX = 0x0080;
constexpr UINT GGO_UNHINTED = 0x0100;
constexpr DWORD GDI_ERROR = 0xFFFFFFFF;
struct FIXED {
  WORD fract;
  SHORT value;
};
struct MAT2 {
  FIXED eM11;
  FIXED eM12;
  FIXED eM21;
  FIXED eM22;
};
struct POINTFX {
  FIXED x;
  FIXED y;
};
struct GLYPHMETRICS {
  UINT gmBlackBoxX;
  UINT gmBlackBoxY;
  POINT gmptGlyphOrigin;
  SHORT gmCellIncX;
  SHORT gmCellIncY;
};
constexpr DWORD TT_POLYGON_TYPE = 24;
constexpr WORD TT_PRIM_LINE = 1;
constexpr WORD TT_PRIM_QSPLINE = 2;
constexpr WORD TT_PRIM_CSPLINE = 3;
struct TTPOLYGONHEADER {
  DWORD cb;  // bytes of this contour, header included
  DWORD dwType;
  POINTFX pfxStart;
};
struct TTPOLYCURVE {
  WORD wType;
  WORD cpfx;
  POINTFX apfx[1];
};
// The matrix must be the identity (or null). With a null buffer or size 0, answers the bytes
// the outline needs.
DWORD GetGlyphOutline(HDC dc, UINT character, UINT format, GLYPHMETRICS* metrics, DWORD size, void* buffer,
                      const MAT2* matrix);
