// Covers every monitor with pixels that each name their own physical
// position (colourAt), for hosts in other processes to read: prints
// "ready" once the screen shows them, then stays until it is killed or the
// given number of seconds has passed. Per-monitor aware where the system
// has DPI awareness, so that nothing scales the picture.
//   position_screen SECONDS
// It also moves the cursor for hosts that cannot: Wine 10 never returns
// from SetCursorPos called by Node.js. Not DPI aware then, as Node.js is
// not, so that the point is in Node's coordinates; exits 0 once the cursor
// is there.
//   position_screen move X Y

#include <cstdlib>

#include "harness.h"

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "move") == 0)
    return moveCursor(std::atoi(argv[2]), std::atoi(argv[3])) ? 0 : 1;
  using DpiFunction = HANDLE(WINAPI*)(HANDLE);
  auto set = functionAt<DpiFunction>(GetProcAddress(
      GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext"));
  if (set) set(reinterpret_cast<HANDLE>(INT_PTR{-4}));
  RECT monitors[4];
  int count = listMonitors(monitors, 4);
  PositionScreen* screens[4];
  bool shown = true;
  for (int i = 0; i < count; ++i) screens[i] = new PositionScreen(monitors[i]);
  for (int i = 0; i < count; ++i) shown = shown && screens[i]->shown();
  if (!shown) {
    std::printf("the screen never showed the positions\n");
    return 1;
  }
  std::printf("ready:");
  for (int i = 0; i < count; ++i)
    std::printf(" (%ld,%ld)-(%ld,%ld)", monitors[i].left, monitors[i].top,
                monitors[i].right, monitors[i].bottom);
  std::printf("\n");
  std::fflush(stdout);
  DWORD until = GetTickCount() + 1000u * static_cast<DWORD>(argc > 1 ? std::atoi(argv[1]) : 60);
  while (static_cast<LONG>(until - GetTickCount()) > 0) {
    pumpMessages();
    Sleep(20);
  }
  for (int i = 0; i < count; ++i) delete screens[i];
  return 0;
}
