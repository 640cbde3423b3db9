// The platform base: what the system's lower layers call of the platform it was designed for.
// Written for this system from what its code expects; only what it calls, but behaving.
#pragma once
#include "platform/win32/Clock.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Com.h"
#include "platform/win32/Error.h"
#include "platform/win32/File.h"
#include "platform/win32/Memory.h"
#include "platform/win32/Rect.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Sync.h"
#include "platform/win32/Types.h"
