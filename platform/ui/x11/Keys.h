// X key symbols as the platform's virtual keys.
#pragma once

namespace platform::x11 {

// The virtual key of an unshifted key symbol; 0 for keys the platform has no code for.
int VirtualKeyOf(unsigned long keysym);
// Whether TranslateMessage makes the character of this key itself (so the presenter must not).
bool TranslatedByPlatform(int virtualKey, bool shift);
// The Unicode character a key symbol types; 0 for a symbol that types none.
unsigned long UnicodeOfKeysym(unsigned long keysym);

}  // namespace platform::x11
