// Metafiles: enhanced metafiles from their bytes, placeable Windows metafiles by way of
// SetWinMetaFileBits, and playing them into a rectangle of a device context. The players read
// the records that ordinary files carry (object creation and selection, lines, polylines,
// polygons, rectangles, ellipses, arcs, text, stretched bitmaps, mapping modes, window and
// viewport origins and extents, world transforms, paths filled and stroked, clipping, saved
// states) and skip the others; every byte is checked before it is used, and a malformed record
// ends the playback.
#pragma once
#include "platform/gdi/Dib.h"
#include "platform/gdi/Gdi.h"

WF_DECLARE_HANDLE(HENHMETAFILE);
WF_DECLARE_HANDLE(HMETAFILE);

struct METAFILEPICT {
  LONG mm;    // mapping mode of the picture
  LONG xExt;  // for MM_ISOTROPIC and MM_ANISOTROPIC: the suggested size in 0.01 mm
  LONG yExt;
  HMETAFILE hMF;
};

struct ENHMETAHEADER {
  DWORD iType;
  DWORD nSize;
  RECT rclBounds;  // device pixels, inclusive
  RECT rclFrame;   // 0.01 mm, inclusive
  DWORD dSignature;
  DWORD nVersion;
  DWORD nBytes;
  DWORD nRecords;
  WORD nHandles;
  WORD sReserved;
  DWORD nDescription;
  DWORD offDescription;
  DWORD nPalEntries;
  SIZE szlDevice;       // the reference device in pixels
  SIZE szlMillimeters;  // and in millimetres
  DWORD cbPixelFormat;
  DWORD offPixelFormat;
  DWORD bOpenGL;
  SIZE szlMicrometers;
};
static_assert(sizeof(ENHMETAHEADER) == 108, "the enhanced metafile header is 108 bytes");

constexpr DWORD ENHMETA_SIGNATURE = 0x464D4520;

// A copy of an enhanced metafile's bytes; null when they do not start with a valid header.
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* bits);
// A Windows metafile (its 18-byte header and records, without the placeable header) as an
// enhanced metafile; `picture` gives its mapping mode and extents. Null when the bytes are not
// a Windows metafile.
HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* bits, HDC reference, const METAFILEPICT* picture);
// Copies the header (at most `size` bytes) and answers the bytes copied; with a null header,
// the header's size.
UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header);
// The palette of the metafile's last record; with null entries, their count.
UINT GetEnhMetaFilePaletteEntries(HENHMETAFILE metafile, UINT count, PALETTEENTRY* entries);
// Plays the picture stretched into `rect` (logical coordinates of the device context), whose
// attributes are as they were afterwards.
BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);
