#include "screen.h"

#include "platform.h"

Point readCursor() {
  Point cursor{0, 0};
  getCursorPosition(&cursor);
  return cursor;
}

ScreenSample sampleScreen() {
  ScreenContext context = getScreenContext();
  Point cursor{0, 0};
  getCursorPosition(&cursor);
  ColourRef colour = getPixel(context, cursor.x, cursor.y);
  releaseScreenContext(context);
  return {cursor, colour};
}
