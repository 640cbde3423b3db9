// The event script as a text file, for a host that drives a dialog from outside the program:
// one step a line, read into a script before the dialog runs.
//
//   click ID                     the middle of the control with this id in the active window
//   click-in ID X Y              a point of that control's client area
//   double-click-in ID X Y
//   drag-in ID X Y X Y [X Y ...] the left button held along points of the control's client area
//   key NAME [COUNT]             enter, escape, tab, space, backspace, delete, left, right, up,
//                                down, home, end, or a virtual-key number
//   type TEXT                    the characters after the one space
//   wait-enabled ID [MS]         until that control is enabled (60000 ms at most by default)
//   answer ok|cancel|yes|no      the next message box
//   choose-file PATH             the next file dialog's answer
//   cancel-file                  the next file dialog cancelled
//   activate TITLE               the shown top-level window whose title starts so becomes active
//   capture PATH                 the active window, as it shows now, into a PNG file
//
// A # that starts a word starts a comment, after a step or on a line of its own; blank lines are
// skipped.
#pragma once
#include <string>

#include "platform/ui/Script.h"

namespace platform {

// Adds the file's steps to the script; a file that cannot be read or a line that is not a step
// throws ScriptFailure naming the file and the line.
void ReadScriptFile(const std::string& path, EventScript& script);

}  // namespace platform
