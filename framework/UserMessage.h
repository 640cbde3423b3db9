// Message boxes of the filter: the window system's message boxes, answered by the event script,
// the user of a display or, with neither (a module run by a command-line host), written to
// standard error as one line, "caption: text", and answered as a cancel.
#pragma once
#include "platform/win32/Types.h"

namespace framework {

int ShowUserMessage(LPCSTR text, LPCSTR caption, UINT type);

}  // namespace framework
