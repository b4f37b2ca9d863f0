#include "screen.h"

#include "platform.h"

Point readCursor() {
  Point cursor{0, 0};
  getCursorPosition(&cursor);
  return cursor;
}

// A thread that is not per-monitor aware sees the cursor in scaled-down
// coordinates while the screen's device context reads physical pixels, so
// on a scaled display it would read a pixel nearer the top-left corner than
// the pointer. Per-monitor aware, the thread sees both in physical pixels.
// Windows 10 1703 added the second version of that awareness; 1607 has only
// the first, which serves as well for reading one pixel.
static DpiContext enterPhysicalPixels() {
  if (!canSwitchThreadDpiAwareness()) return nullptr;
  DpiContext previous = switchThreadDpiAwareness(DpiAwareness::PerMonitorV2);
  if (previous == nullptr)
    previous = switchThreadDpiAwareness(DpiAwareness::PerMonitor);
  return previous;
}

ScreenSample sampleScreen() {
  DpiContext previous = enterPhysicalPixels();
  ScreenContext context = getScreenContext();
  Point cursor{0, 0};
  getCursorPosition(&cursor);
  ColourRef colour = getPixel(context, cursor.x, cursor.y);
  releaseScreenContext(context);
  // A refused switch changed nothing, and null is no context to restore.
  if (previous != nullptr) restoreThreadDpiAwareness(previous);
  return {cursor, colour};
}
