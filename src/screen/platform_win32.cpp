#include <windows.h>

#include "platform.h"

static_assert(sizeof(COLORREF) == sizeof(ColourRef), "COLORREF is 32 bits");

ScreenContext getScreenContext() { return GetDC(nullptr); }

void getCursorPosition(Point* cursor) {
  // Seeded with the caller's value so that a failed call leaves it unchanged.
  POINT point{cursor->x, cursor->y};
  GetCursorPos(&point);
  *cursor = {point.x, point.y};
}

ColourRef getPixel(ScreenContext context, std::int32_t x, std::int32_t y) {
  return GetPixel(static_cast<HDC>(context), x, y);
}

void releaseScreenContext(ScreenContext context) {
  ReleaseDC(nullptr, static_cast<HDC>(context));
}
