#pragma once

#include <cstdint>

#include "screen.h"

// The four platform operations screen sampling is built on. The Win32 build
// binds them to USER32 and GDI32 in platform_win32.cpp; tests bind a fake.
// None of their results is checked: each failure has a defined outcome.

using ScreenContext = void*;

// A device context for the whole screen (GetDC with no window).
ScreenContext getScreenContext();

// Overwrites *cursor with the cursor's screen position; leaves it as it was
// when the platform cannot report one (GetCursorPos).
void getCursorPosition(Point* cursor);

// The colour at (x, y), or 0xFFFFFFFF when it cannot be read (GetPixel).
ColourRef getPixel(ScreenContext context, std::int32_t x, std::int32_t y);

// Gives back a context from getScreenContext (ReleaseDC with no window).
void releaseScreenContext(ScreenContext context);
