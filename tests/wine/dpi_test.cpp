// The colour under the pointer on a display scaled to 150% (144 DPI), from
// host threads of each DPI awareness. A screen whose every pixel encodes its
// own physical position shows which pixel a colour text came from. Needs a
// Wine that scales for DPI (Wine 10) with LogPixels at 144 and a
// 1600x1200 screen: wine10-dpi-test sets that up.

#include "harness.h"

namespace {

using DpiFunction = HANDLE(WINAPI*)(HANDLE);
using GetDpiFunction = HANDLE(WINAPI*)();
using EqualFunction = BOOL(WINAPI*)(HANDLE, HANDLE);

const auto unaware = reinterpret_cast<HANDLE>(INT_PTR{-1});
const auto systemAware = reinterpret_cast<HANDLE>(INT_PTR{-2});
const auto perMonitorAware = reinterpret_cast<HANDLE>(INT_PTR{-4});

// x in red and the low nibble of green, y in blue and the high nibble.
COLORREF colourAt(int x, int y) {
  return RGB(x & 0xFF, (x >> 8) | ((y >> 8) << 4), y & 0xFF);
}

// A topmost window over the whole physical screen, painted from a bitmap
// in which every pixel holds colourAt its own position. Made while the
// thread is per-monitor aware, so nothing scales it.
class PositionScreen {
 public:
  PositionScreen(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixel = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        COLORREF c = colourAt(x, y);
        *pixel++ = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
      }
    WNDCLASSA wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "hoverhue-test-positions";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                              wc.lpszClassName, "", WS_POPUP, 0, 0, width,
                              height, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(window_);
  }
  ~PositionScreen() {
    DestroyWindow(window_);
    DeleteObject(bitmap_);
  }

  // Waits until the screen shows the positions at its corners and centre.
  bool shown() const {
    const POINT probes[] = {{0, 0}, {width_ - 1, height_ - 1}, {900, 600}};
    for (int tries = 0; tries < 300; ++tries) {
      pumpMessages();
      bool all = true;
      for (POINT p : probes) all = all && screenPixel(p.x, p.y) == colourAt(p.x, p.y);
      if (all) return true;
      Sleep(10);
    }
    return false;
  }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam,
                                    LPARAM lparam) {
    auto* self = reinterpret_cast<PositionScreen*>(
        GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT && self != nullptr) {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      HDC source = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(source, self->bitmap_);
      BitBlt(dc, 0, 0, self->width_, self->height_, source, 0, 0, SRCCOPY);
      SelectObject(source, old);
      DeleteDC(source);
      EndPaint(window, &paint);
      return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
  }

  int width_, height_;
  HBITMAP bitmap_ = nullptr;
  HWND window_ = nullptr;
};

}  // namespace

int main() {
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
  set(perMonitorAware);
  POINT physical = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  std::printf("system DPI %u, physical screen %ldx%ld\n", systemDpi(),
              physical.x, physical.y);
  // Without the scaling this suite would prove nothing.
  checks.truth("the display is scaled to 144 DPI", systemDpi() == 144);
  checks.truth("the screen is 1600x1200", physical.x == 1600 && physical.y == 1200);
  PositionScreen screen(physical.x, physical.y);
  checks.truth("the position-encoded screen is shown", screen.shown());

  Plugin plugin;
  if (!loadPlugin(plugin, "hoverhue.dll", checks)) return checks.finish();
  // The host puts the cursor at (600, 400) in its own coordinates: an
  // unaware host's are scaled by 1.5, the others' are physical.
  const struct {
    const char* name;
    HANDLE context;
    POINT underPointer;
  } hosts[] = {{"unaware", unaware, {900, 600}},
               {"system-aware", systemAware, {600, 400}},
               {"per-monitor-aware", perMonitorAware, {600, 400}}};
  for (const auto& host : hosts) {
    set(host.context);
    char what[128];
    std::snprintf(what, sizeof what, "%s host: the cursor moves", host.name);
    checks.truth(what, moveCursor(600, 400));
    ExpectedTexts expected = expectedTexts(
        {600, 400}, colourAt(host.underPointer.x, host.underPointer.y));
    for (int i = 0; i < valueCount; ++i) {
      std::snprintf(what, sizeof what, "%s host: %s names physical (%ld, %ld)",
                    host.name, valueNames[i], host.underPointer.x,
                    host.underPointer.y);
      checks.text(what, plugin.values[i](), expected.text[i]);
      std::snprintf(what, sizeof what, "%s host: %s keeps the thread %s",
                    host.name, valueNames[i], host.name);
      checks.truth(what, equal(get(), host.context));
    }
  }
  return checks.finish();
}
