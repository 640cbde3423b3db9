// The window system: an in-process, headless stand-in for the platform's windows, messages,
// timers and input, with an event script that drives it in tests. It knows nothing of where
// pixels end up: painting goes through platform/gdi, and a presenter for a real display could
// show top-level windows and feed real input through the input API without changing it.
// Uses platform/win32 (types, clock) and platform/gdi; used by the controls, the framework,
// the shape editor and the application.
#pragma once
#include "platform/ui/Controls.h"
#include "platform/ui/DialogBox.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Input.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Modal.h"
#include "platform/ui/Paint.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Script.h"
#include "platform/ui/Timers.h"
#include "platform/ui/Window.h"
