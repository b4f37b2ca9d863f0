// The colour under the pointer on a display scaled to 150% (144 DPI), from
// host threads of each DPI awareness, on one screen or on two monitors. A
// screen whose every pixel encodes its own physical position shows which
// pixel a colour text came from. Needs a Wine that scales for DPI (Wine 10)
// with LogPixels at 144: wine10-dpi-test sets that up.

#include "harness.h"

namespace {

using DpiFunction = HANDLE(WINAPI*)(HANDLE);
using GetDpiFunction = HANDLE(WINAPI*)();
using EqualFunction = BOOL(WINAPI*)(HANDLE, HANDLE);

const auto unaware = reinterpret_cast<HANDLE>(INT_PTR{-1});
const auto systemAware = reinterpret_cast<HANDLE>(INT_PTR{-2});
const auto perMonitorAware = reinterpret_cast<HANDLE>(INT_PTR{-4});

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right &&
         a.bottom == b.bottom;
}

void printMonitors(const char* seen) {
  RECT monitors[4];
  int count = listMonitors(monitors, 4);
  std::printf("monitors, as %s:", seen);
  for (int i = 0; i < count; ++i)
    std::printf(" (%ld,%ld)-(%ld,%ld)", monitors[i].left, monitors[i].top,
                monitors[i].right, monitors[i].bottom);
  std::printf("\n");
}

}  // namespace

// With "left-of", the display is two monitors: 1024x768, the primary, and
// 800x600 left of it; otherwise one of 1600x1200.
int main(int argc, char** argv) {
  const bool leftOf = argc > 1 && std::strcmp(argv[1], "left-of") == 0;
  Checks checks;
  HMODULE user32 = GetModuleHandleA("user32.dll");
  auto set = functionAt<DpiFunction>(GetProcAddress(user32, "SetThreadDpiAwarenessContext"));
  auto get = functionAt<GetDpiFunction>(GetProcAddress(user32, "GetThreadDpiAwarenessContext"));
  auto equal = functionAt<EqualFunction>(GetProcAddress(user32, "AreDpiAwarenessContextsEqual"));
  auto systemDpi = functionAt<UINT(WINAPI*)()>(GetProcAddress(user32, "GetDpiForSystem"));
  if (!set || !get || !equal || !systemDpi) {
    checks.truth("the platform has per-thread DPI awareness", false);
    return checks.finish();
  }
  set(unaware);
  printMonitors("an unaware host sees them");
  set(perMonitorAware);
  printMonitors("they are (physical)");
  std::printf("system DPI %u\n", systemDpi());
  // Without the scaling, or the layout, this suite would prove nothing.
  checks.truth("the display is scaled to 144 DPI", systemDpi() == 144);
  RECT monitors[4];
  int count = listMonitors(monitors, 4);
  if (leftOf)
    checks.truth("1024x768 primary, 800x600 left of it",
                 count == 2 && monitors[0] == RECT{0, 0, 1024, 768} &&
                     monitors[1] == RECT{-800, 0, 0, 600});
  else
    checks.truth("one screen of 1600x1200",
                 count == 1 && monitors[0] == RECT{0, 0, 1600, 1200});
  PositionScreen* screens[4];
  for (int i = 0; i < count; ++i) screens[i] = new PositionScreen(monitors[i]);
  for (int i = 0; i < count; ++i)
    checks.truth("every monitor shows its positions", screens[i]->shown());

  Plugin plugin;
  if (!loadPlugin(plugin, "hoverhue.dll", checks)) return checks.finish();
  // The host puts the cursor at points in its own coordinates, on each
  // monitor: an unaware host's are scaled by 1.5, the others' are physical.
  const POINT onPrimary = {600, 400}, onLeft = {-266, 200};
  const struct {
    const char* name;
    HANDLE context;
    bool scaled;
  } hosts[] = {{"unaware", unaware, true},
               {"system-aware", systemAware, false},
               {"per-monitor-aware", perMonitorAware, false}};
  for (const auto& host : hosts) {
    set(host.context);
    for (POINT at : {onPrimary, onLeft}) {
      if (at.x < 0 && !leftOf) continue;
      POINT under = host.scaled ? POINT{at.x * 3 / 2, at.y * 3 / 2} : at;
      char what[128];
      std::snprintf(what, sizeof what, "%s host: the cursor moves to (%ld, %ld)",
                    host.name, at.x, at.y);
      checks.truth(what, moveCursor(at.x, at.y));
      ExpectedTexts expected = expectedTexts(at, colourAt(under.x, under.y));
      for (int i = 0; i < valueCount; ++i) {
        std::snprintf(what, sizeof what,
                      "%s host at (%ld, %ld): %s names physical (%ld, %ld)",
                      host.name, at.x, at.y, valueNames[i], under.x, under.y);
        checks.text(what, plugin.values[i](), expected.text[i]);
        std::snprintf(what, sizeof what, "%s host: %s keeps the thread %s",
                      host.name, valueNames[i], host.name);
        checks.truth(what, equal(get(), host.context));
      }
    }
  }
  for (int i = 0; i < count; ++i) delete screens[i];
  return checks.finish();
}
