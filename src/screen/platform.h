#pragma once

#include <stdint.h>

#include "screen.h"

// The platform operations screen sampling is built on. The Win32 build
// binds them to USER32 and GDI32 in platform_win32.cpp; tests bind a fake.
// None of their results is checked: each failure has a defined outcome.

using ScreenContext = void*;
using DpiContext = void*;

// Looks up what the platform may lack; called once, when the library loads.
void bindPlatform();

// A device context for the whole screen (GetDC with no window).
ScreenContext getScreenContext();

// Overwrites *cursor with the cursor's screen position; leaves it as it was
// when the platform cannot report one (GetCursorPos).
void getCursorPosition(Point* cursor);

// The colour at (x, y), or 0xFFFFFFFF when it cannot be read (GetPixel).
ColourRef getPixel(ScreenContext context, int32_t x, int32_t y);

// Gives back a context from getScreenContext (ReleaseDC with no window).
void releaseScreenContext(ScreenContext context);

// Whether the calling thread's DPI awareness can be switched: false before
// Windows 10 1607, which lacks SetThreadDpiAwarenessContext.
bool canSwitchThreadDpiAwareness();

enum class DpiAwareness { PerMonitorV2, PerMonitor };

// Switches the calling thread, not the process, to the given awareness
// (SetThreadDpiAwarenessContext). Returns the context the thread had, or
// null when the platform refuses this awareness.
DpiContext switchThreadDpiAwareness(DpiAwareness awareness);

// Puts back a context that switchThreadDpiAwareness returned.
void restoreThreadDpiAwareness(DpiContext previous);
