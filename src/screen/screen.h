#pragma once

#include <stdint.h>

#include "colour.h"

// A cursor position in screen pixels, exactly as the platform reports it.
struct Point {
  int32_t x;
  int32_t y;
};

struct ScreenSample {
  Point cursor;
  ColourRef colour;
};

// The cursor position alone; takes no device context. Reads (0, 0) when the
// platform cannot report the cursor (for instance on a locked desktop).
Point readCursor();

// The cursor position and the colour of the pixel at exactly that position,
// read through a screen device context that is released before returning.
// Both are taken in physical pixels where the platform allows it, with the
// calling thread's DPI awareness put back as it was; so the position here
// may differ from readCursor's on a scaled display. An unreadable pixel
// comes back as the platform's invalid colour, all bits set, which reads as
// white.
ScreenSample sampleScreen();
