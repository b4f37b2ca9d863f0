// The ten texts on a desktop of two monitors, the second left of or above
// the primary one, where Windows gives it negative x or y: positions as the
// raw coordinates plus one, colours from that monitor's own pixels. Every
// pixel of every monitor names its position, so a colour read anywhere else
// shows. Run by two-monitors, with the layout as the one argument.

#include "harness.h"

int main(int argc, char** argv) {
  Checks checks;
  const bool above = argc > 1 && std::strcmp(argv[1], "above") == 0;
  RECT monitors[4];
  int count = listMonitors(monitors, 4);
  std::printf("monitors:");
  for (int i = 0; i < count; ++i)
    std::printf(" (%ld,%ld)-(%ld,%ld)", monitors[i].left, monitors[i].top,
                monitors[i].right, monitors[i].bottom);
  std::printf("\n");
  const RECT primary = {0, 0, 1024, 768};
  const RECT second = above ? RECT{0, -600, 800, 0} : RECT{-800, 0, 0, 600};
  checks.truth(above ? "an 800x600 monitor above the 1024x768 primary"
                     : "an 800x600 monitor left of the 1024x768 primary",
               count == 2 && EqualRect(&monitors[0], &primary) &&
                   EqualRect(&monitors[1], &second));
  if (count != 2) return checks.finish();
  PositionScreen screens[] = {PositionScreen(primary), PositionScreen(second)};
  for (const PositionScreen& screen : screens)
    checks.truth("every monitor shows its positions", screen.shown());

  Plugin plugin;
  if (!loadPlugin(plugin, "hoverhue.dll", checks)) return checks.finish();
  for (const RECT& m : {second, primary}) {
    const POINT points[] = {{m.left, m.top},
                            {m.right - 1, m.top},
                            {m.left, m.bottom - 1},
                            {m.right - 1, m.bottom - 1},
                            {(m.left + m.right) / 2, (m.top + m.bottom) / 2}};
    for (POINT at : points) {
      char what[64];
      std::snprintf(what, sizeof what, "the cursor moves to (%ld, %ld)", at.x, at.y);
      bool moved = moveCursor(at.x, at.y);
      checks.truth(what, moved);
      if (!moved) continue;
      checkValues(plugin, checks, at, colourAt(at.x, at.y));
    }
  }
  return checks.finish();
}
