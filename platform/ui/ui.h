// The window system: an in-process, headless stand-in for the platform's windows, messages,
// timers and input, with an event script that drives it in tests. It knows nothing of where
// pixels end up: painting goes through platform/gdi, and a presenter for a real display could
// show top-level windows and feed real input through the input API without changing it.
// Uses platform/win32 (types, clock) and platform/gdi; used by the controls, the framework,
// the shape editor and the application.
#pragma once
#include "platform/ui/controls.h"
#include "platform/ui/dialogbox.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/icons.h"
#include "platform/ui/input.h"
#include "platform/ui/menu.h"
#include "platform/ui/messages.h"
#include "platform/ui/metrics.h"
#include "platform/ui/modal.h"
#include "platform/ui/paint.h"
#include "platform/ui/queue.h"
#include "platform/ui/script.h"
#include "platform/ui/timers.h"
#include "platform/ui/window.h"
