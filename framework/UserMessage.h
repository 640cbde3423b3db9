// Message boxes of the filter. On a thread with an event script (tests, scripted runs) they are
// the window system's message boxes, answered and recorded by the script; a module run by a
// command-line host has neither a display nor a script, so the box goes to standard error as
// one line, "caption: text", and is answered with OK.
#pragma once
#include "platform/win32/Types.h"

namespace framework {

int ShowUserMessage(LPCSTR text, LPCSTR caption, UINT type);

}  // namespace framework
