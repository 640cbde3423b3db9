// Key symbols to virtual keys (the platform's US layout codes) and to the characters they type.
#include "platform/ui/x11/Keys.h"

// The typographic symbols are outside the groups keysym.h asks for.
#define XK_PUBLISHING
#define XK_TECHNICAL
#include <X11/keysym.h>

#include "platform/ui/Input.h"

namespace platform::x11 {

namespace {

struct KeyPair {
  unsigned long keysym;
  int virtualKey;
};

constexpr KeyPair kKeys[] = {
    {XK_BackSpace, VK_BACK},
    {XK_Tab, VK_TAB},
    {XK_ISO_Left_Tab, VK_TAB},
    {XK_Return, VK_RETURN},
    {XK_KP_Enter, VK_RETURN},
    {XK_Escape, VK_ESCAPE},
    {XK_space, VK_SPACE},
    {XK_Shift_L, VK_SHIFT},
    {XK_Shift_R, VK_SHIFT},
    {XK_Control_L, VK_CONTROL},
    {XK_Control_R, VK_CONTROL},
    {XK_Alt_L, VK_MENU},
    {XK_Alt_R, VK_MENU},
    {XK_Prior, VK_PRIOR},
    {XK_Next, VK_NEXT},
    {XK_End, VK_END},
    {XK_Home, VK_HOME},
    {XK_Left, VK_LEFT},
    {XK_Up, VK_UP},
    {XK_Right, VK_RIGHT},
    {XK_Down, VK_DOWN},
    {XK_Insert, VK_INSERT},
    {XK_Delete, VK_DELETE},
    {XK_KP_Add, VK_ADD},
    {XK_KP_Subtract, VK_SUBTRACT},
    {XK_KP_Decimal, 0x6E},
    {XK_KP_Multiply, 0x6A},
    {XK_KP_Divide, 0x6F},
    {XK_semicolon, 0xBA},
    {XK_equal, 0xBB},
    {XK_comma, 0xBC},
    {XK_minus, 0xBD},
    {XK_period, 0xBE},
    {XK_slash, 0xBF},
    {XK_grave, 0xC0},
    {XK_bracketleft, 0xDB},
    {XK_backslash, 0xDC},
    {XK_bracketright, 0xDD},
    {XK_apostrophe, 0xDE},
};

struct TypedPair {
  unsigned long keysym;
  unsigned long unicode;
};

// The symbols outside Latin-1 whose characters the text code page holds.
constexpr TypedPair kTyped[] = {
    {XK_OE, 0x0152},
    {XK_oe, 0x0153},
    {XK_Scaron, 0x0160},
    {XK_scaron, 0x0161},
    {XK_Ydiaeresis, 0x0178},
    {XK_Zcaron, 0x017D},
    {XK_zcaron, 0x017E},
    {XK_function, 0x0192},
    {XK_endash, 0x2013},
    {XK_emdash, 0x2014},
    {XK_leftsinglequotemark, 0x2018},
    {XK_rightsinglequotemark, 0x2019},
    {XK_singlelowquotemark, 0x201A},
    {XK_leftdoublequotemark, 0x201C},
    {XK_rightdoublequotemark, 0x201D},
    {XK_doublelowquotemark, 0x201E},
    {XK_dagger, 0x2020},
    {XK_doubledagger, 0x2021},
    {XK_enfilledcircbullet, 0x2022},
    {XK_ellipsis, 0x2026},
    {XK_permille, 0x2030},
    {XK_EuroSign, 0x20AC},
    {XK_trademark, 0x2122},
};

}  // namespace

unsigned long UnicodeOfKeysym(unsigned long keysym) {
  if ((keysym >= 0x20 && keysym < 0x7F) || (keysym >= 0xA0 && keysym <= 0xFF)) return keysym;
  // Symbols made from a character carry it in their low bits.
  if (keysym >= 0x01000100 && keysym <= 0x0110FFFF) return keysym & 0x00FFFFFF;
  for (const TypedPair& pair : kTyped) {
    if (pair.keysym == keysym) return pair.unicode;
  }
  return 0;
}

int VirtualKeyOf(unsigned long keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return static_cast<int>('A' + (keysym - XK_a));
  if (keysym >= XK_A && keysym <= XK_Z) return static_cast<int>('A' + (keysym - XK_A));
  if (keysym >= XK_0 && keysym <= XK_9) return static_cast<int>('0' + (keysym - XK_0));
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return static_cast<int>(0x60 + (keysym - XK_KP_0));
  if (keysym >= XK_F1 && keysym <= XK_F12) return static_cast<int>(VK_F1 + (keysym - XK_F1));
  for (const KeyPair& pair : kKeys) {
    if (pair.keysym == keysym) return pair.virtualKey;
  }
  return 0;
}

bool TranslatedByPlatform(int virtualKey, bool shift) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') return true;
  if (virtualKey >= '0' && virtualKey <= '9') return !shift;
  return virtualKey == VK_SPACE || virtualKey == VK_RETURN || virtualKey == VK_BACK || virtualKey == VK_TAB ||
         virtualKey == VK_ESCAPE;
}

}  // namespace platform::x11
