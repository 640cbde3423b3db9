// The platform base: what the system's lower layers call of the platform it was designed for.
// Written for this system from what its code expects; only what it calls, but behaving.
#pragma once
#include "platform/win32/clock.h"
#include "platform/win32/com.h"
#include "platform/win32/error.h"
#include "platform/win32/file.h"
#include "platform/win32/memory.h"
#include "platform/win32/rect.h"
#include "platform/win32/resource.h"
#include "platform/win32/sync.h"
#include "platform/win32/types.h"
