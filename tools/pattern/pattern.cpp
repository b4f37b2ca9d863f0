// hoverhue-pattern: covers every monitor with vertical bands of known
// colours, so that a probe of the plug-in has something to read. Prints one
// line, "ready", once the bands are on the screen, then stays until it is
// closed, killed, or the given number of seconds has passed. Given a
// position, it puts the cursor there once the bands are shown.
//   hoverhue-pattern [SECONDS [X Y]]

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

const COLORREF bands[] = {RGB(0, 0, 0),    RGB(255, 255, 255), RGB(255, 0, 0),
                          RGB(0, 255, 0),  RGB(0, 0, 255),     RGB(255, 128, 0),
                          RGB(7, 10, 200), RGB(123, 45, 6)};
constexpr int bandCount = sizeof bands / sizeof bands[0];

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam,
                           LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      for (int i = 0; i < bandCount; ++i) {
        RECT band = {client.right * i / bandCount, 0,
                     client.right * (i + 1) / bandCount, client.bottom};
        HBRUSH brush = CreateSolidBrush(bands[i]);
        FillRect(dc, &band, brush);
        DeleteObject(brush);
      }
      EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

struct Monitors {
  RECT area[8];
  int count = 0;
};

BOOL CALLBACK addMonitor(HMONITOR, HDC, LPRECT area, LPARAM data) {
  auto& monitors = *reinterpret_cast<Monitors*>(data);
  if (monitors.count < 8) monitors.area[monitors.count++] = *area;
  return TRUE;
}

COLORREF screenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned seconds = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 0;
  WNDCLASSA wc{};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "hoverhue-pattern";
  RegisterClassA(&wc);
  // A window of its own for each monitor: one window spanning them all
  // may be kept on one.
  Monitors monitors;
  EnumDisplayMonitors(nullptr, nullptr, addMonitor,
                      reinterpret_cast<LPARAM>(&monitors));
  HWND first = nullptr;
  for (int i = 0; i < monitors.count; ++i) {
    const RECT& m = monitors.area[i];
    HWND window = CreateWindowExA(
        WS_EX_TOPMOST, wc.lpszClassName, "hoverhue pattern",
        WS_POPUP | WS_VISIBLE, m.left, m.top, m.right - m.left,
        m.bottom - m.top, nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(window);
    if (first == nullptr) first = window;
  }
  if (seconds > 0) SetTimer(first, 1, seconds * 1000, nullptr);

  // Ready when the screen itself shows the last band on every monitor.
  for (int tries = 0; tries < 500; ++tries) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageA(&message);
    bool shown = true;
    for (int i = 0; i < monitors.count; ++i)
      shown = shown && screenPixel(monitors.area[i].right - 1,
                                   monitors.area[i].bottom - 1) ==
                           bands[bandCount - 1];
    if (shown) break;
    Sleep(10);
  }
  if (argc > 3) SetCursorPos(std::atoi(argv[2]), std::atoi(argv[3]));
  std::printf("ready %dx%d, %d bands", GetSystemMetrics(SM_CXSCREEN),
              GetSystemMetrics(SM_CYSCREEN), bandCount);
  for (int i = 0; i < monitors.count; ++i) {
    const RECT& m = monitors.area[i];
    if (m.left != 0 || m.top != 0)
      std::printf("; a monitor of %ldx%ld at (%ld, %ld)", m.right - m.left,
                  m.bottom - m.top, m.left, m.top);
  }
  std::printf("\n");
  std::fflush(stdout);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
