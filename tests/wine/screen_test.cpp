// The value functions on a real screen: known colours painted in real
// windows, the real cursor moved over them, every text compared exactly.

#include "harness.h"

namespace {

POINT screenSize() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// In a fresh load, before anything else and before init.
void checkBeforeInit(const Plugin& plugin, Checks& checks) {
  const COLORREF colour = RGB(40, 50, 60);
  ColourWindow window({200, 200, 260, 260}, colour);
  checks.truth("cursor moves", moveCursor(230, 240));
  checkValues(plugin, checks, {230, 240}, colour);
}

void checkColours(const Plugin& plugin, Checks& checks) {
  const COLORREF colours[] = {
      RGB(0, 0, 0),    RGB(255, 255, 255), RGB(255, 128, 0),
      RGB(7, 10, 200), RGB(123, 45, 6),  // no two digits alike
  };
  ColourWindow window({300, 200, 500, 400}, colours[0]);
  checks.truth("cursor moves", moveCursor(401, 299));
  for (COLORREF colour : colours) {
    checks.truth("colour reaches the screen", window.fill(colour));
    checkValues(plugin, checks, {401, 299}, colour);
  }
}

// One pixel in a corner, its two neighbours in other colours: reading any
// pixel but the one under the cursor shows.
void checkCorner(const Plugin& plugin, Checks& checks, POINT corner, int stepX,
                 int stepY) {
  const COLORREF cornerColour = RGB(201, 13, 77);
  auto pixel = [](LONG x, LONG y) { return RECT{x, y, x + 1, y + 1}; };
  ColourWindow atCorner(pixel(corner.x, corner.y), cornerColour);
  ColourWindow beside(pixel(corner.x + stepX, corner.y), RGB(0, 255, 0));
  ColourWindow below(pixel(corner.x, corner.y + stepY), RGB(0, 0, 255));
  checks.truth("cursor reaches the corner", moveCursor(corner.x, corner.y));
  checkValues(plugin, checks, corner, cornerColour);
}

// x = 9 is the last column whose one-based number has one digit.
void checkDigitBoundary(const Plugin& plugin, Checks& checks) {
  const COLORREF colour = RGB(9, 99, 199);
  ColourWindow window({5, 40, 15, 60}, colour);
  for (LONG x : {8, 9, 10}) {
    checks.truth("cursor moves", moveCursor(x, 50));
    checkValues(plugin, checks, {x, 50}, colour);
  }
}

// Every text stays as it was handed out while the library is loaded, and
// no two calls share a buffer.
void checkTextsOutliveLaterCalls(const Plugin& plugin, Checks& checks) {
  const COLORREF colour = RGB(12, 34, 56);
  ColourWindow window({600, 100, 700, 200}, colour);
  moveCursor(650, 150);
  const char* first[valueCount];
  char copies[valueCount][40];
  for (int i = 0; i < valueCount; ++i) {
    first[i] = plugin.values[i]();
    std::snprintf(copies[i], sizeof copies[i], "%s", first[i]);
  }
  bool distinct = true;
  // A thousand later calls, spread over all ten functions.
  for (int round = 0; round < 100; ++round)
    for (int i = 0; i < valueCount; ++i)
      distinct = plugin.values[i]() != first[i] && distinct;
  checks.truth("later calls never hand out an earlier buffer", distinct);
  for (int i = 0; i < valueCount; ++i) {
    char what[64];
    std::snprintf(what, sizeof what, "%s text after 1000 later calls",
                  valueNames[i]);
    checks.text(what, first[i], copies[i]);
  }
}

}  // namespace

int main() {
  Checks checks;
  Plugin plugin;
  if (!loadPlugin(plugin, "hoverhue.dll", checks)) return checks.finish();
  checkBeforeInit(plugin, checks);
  checkColours(plugin, checks);
  POINT size = screenSize();
  checkCorner(plugin, checks, {0, 0}, 1, 1);
  checkCorner(plugin, checks, {size.x - 1, size.y - 1}, -1, -1);
  checkDigitBoundary(plugin, checks);
  checkTextsOutliveLaterCalls(plugin, checks);
  return checks.finish();
}
