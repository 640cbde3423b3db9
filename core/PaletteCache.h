// Nearest palette entries for colours written into indexed images. A registered palette answers
// from an inverse map over colours quantised to 5, 6 and 5 bits, filled on demand; any other
// palette is searched on each call. Up to four palettes are registered at a time.
#pragma once
#include <cstdint>

namespace corvel {

// The index of the entry nearest the colour; -1 when there is no palette. Palettes are 4-byte
// entries blue, green, red, spare.
int RgbToPaletteIndex(int red, int green, int blue, const std::uint8_t* palette, int count);

// Registrations are counted: the map lives until its last holder removes it. Every call may run
// on any thread.
void AddPaletteInverseMap(const std::uint8_t* palette, int count);
void RemovePaletteInverseMap(const std::uint8_t* palette);
// The slot holding the palette's map, or for a null palette the first free slot; -1 if none.
int FindPaletteSlot(const std::uint8_t* palette);

}  // namespace corvel
