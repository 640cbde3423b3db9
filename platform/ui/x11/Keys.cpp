// Key symbols to virtual keys (the platform's US layout codes).
#include "platform/ui/x11/Keys.h"

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

}  // namespace

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
