// The system palette of a palette-based display.
#pragma once
#include "platform/gdi/Dib.h"

// The display here is a true-colour one (GetDeviceCaps(SIZEPALETTE) is 0): there is no system
// palette, so no entry is copied and 0 is answered.
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);
