#include <windows.h>

#include "platform.h"

static_assert(sizeof(COLORREF) == sizeof(ColourRef), "COLORREF is 32 bits");

// Resolved at load rather than imported, so the library still loads on
// Windows before 10 1607, where it is absent.
using SetThreadDpiContext = HANDLE(WINAPI*)(HANDLE);
static SetThreadDpiContext setThreadDpiContext;

void bindPlatform() {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  setThreadDpiContext = reinterpret_cast<SetThreadDpiContext>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetThreadDpiAwarenessContext")));
}

ScreenContext getScreenContext() { return GetDC(nullptr); }

void getCursorPosition(Point* cursor) {
  // Seeded with the caller's value so that a failed call leaves it unchanged.
  POINT point{cursor->x, cursor->y};
  GetCursorPos(&point);
  *cursor = {point.x, point.y};
}

ColourRef getPixel(ScreenContext context, int32_t x, int32_t y) {
  return GetPixel(static_cast<HDC>(context), x, y);
}

void releaseScreenContext(ScreenContext context) {
  ReleaseDC(nullptr, static_cast<HDC>(context));
}

bool canSwitchThreadDpiAwareness() { return setThreadDpiContext != nullptr; }

DpiContext switchThreadDpiAwareness(DpiAwareness awareness) {
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE: fixed
  // pseudo-handles, spelled out since older SDK headers lack them.
  const auto context = reinterpret_cast<HANDLE>(
      static_cast<INT_PTR>(awareness == DpiAwareness::PerMonitorV2 ? -4 : -3));
  return setThreadDpiContext(context);
}

void restoreThreadDpiAwareness(DpiContext previous) {
  setThreadDpiContext(previous);
}
