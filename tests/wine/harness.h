#pragma once

// What the programs that test hoverhue.dll under Wine share: checks that
// print expected against actual, loading the plug-in as a host does, and
// windows painted in a known colour under a real cursor.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

class Checks {
 public:
  // A crash ends the test program at once with its exception code, instead
  // of waiting in the system's debugger.
  Checks() { SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX); }

  void text(const char* what, const char* actual, const char* expected) {
    bool same = actual != nullptr && std::strcmp(actual, expected) == 0;
    record(same);
    if (!same)
      std::printf("FAIL %s: expected \"%s\", got \"%s\"\n", what, expected,
                  actual != nullptr ? actual : "(null)");
  }

  void truth(const char* what, bool ok) {
    record(ok);
    if (!ok) std::printf("FAIL %s\n", what);
  }

  // Prints the tally and gives the process's exit code.
  int finish() const {
    std::printf("%d passed, %d failed\n", passed_, failed_);
    return failed_ == 0 ? 0 : 1;
  }

 private:
  void record(bool ok) { ok ? ++passed_ : ++failed_; }
  int passed_ = 0;
  int failed_ = 0;
};

using TextFunction = const char*(__cdecl*)();
using ParamFunction = const char*(__cdecl*)(unsigned);

constexpr int valueCount = 10;
constexpr const char* valueNames[valueCount] = {
    "mousex",  "mousey",    "colourRGB", "colourR",  "colourG",
    "colourB", "colourHex", "colourRx",  "colourGx", "colourBx"};

struct Plugin {
  HMODULE module = nullptr;
  TextFunction init = nullptr;
  ParamFunction getparam = nullptr;
  TextFunction values[valueCount] = {};
};

template <typename Function>
Function functionAt(FARPROC address) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

inline COLORREF screenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

// Loads the DLL and resolves the twelve exports by name, as a host does.
// With no display every pixel reads as invalid: that is said once, rather
// than as a failure of every comparison after it.
inline bool loadPlugin(Plugin& plugin, const char* path, Checks& checks) {
  if (screenPixel(0, 0) == CLR_INVALID) {
    checks.truth("a screen to read (no display: run under xvfb-run)", false);
    return false;
  }
  plugin.module = LoadLibraryA(path);
  checks.truth("LoadLibrary(hoverhue.dll)", plugin.module != nullptr);
  if (plugin.module == nullptr) return false;
  auto resolve = [&](const char* name) {
    FARPROC address = GetProcAddress(plugin.module, name);
    char what[64];
    std::snprintf(what, sizeof what, "export %s resolves", name);
    checks.truth(what, address != nullptr);
    return address;
  };
  plugin.init = functionAt<TextFunction>(resolve("init"));
  plugin.getparam = functionAt<ParamFunction>(resolve("getparam"));
  bool complete = plugin.init != nullptr && plugin.getparam != nullptr;
  for (int i = 0; i < valueCount; ++i) {
    plugin.values[i] = functionAt<TextFunction>(resolve(valueNames[i]));
    complete = complete && plugin.values[i] != nullptr;
  }
  return complete;
}

// The ten texts a correct library gives for a cursor over a colour, made
// with printf conversions rather than the library's own writers.
struct ExpectedTexts {
  char text[valueCount][40];
};

inline ExpectedTexts expectedTexts(POINT cursor, COLORREF colour) {
  ExpectedTexts e;
  unsigned r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  std::snprintf(e.text[0], 40, "%lld", static_cast<long long>(cursor.x) + 1);
  std::snprintf(e.text[1], 40, "%lld", static_cast<long long>(cursor.y) + 1);
  std::snprintf(e.text[2], 40, "R:%u G:%u B:%u", r, g, b);
  std::snprintf(e.text[3], 40, "%u", r);
  std::snprintf(e.text[4], 40, "%u", g);
  std::snprintf(e.text[5], 40, "%u", b);
  std::snprintf(e.text[6], 40, "%02X %02X %02X", r, g, b);
  std::snprintf(e.text[7], 40, "%02X", r);
  std::snprintf(e.text[8], 40, "%02X", g);
  std::snprintf(e.text[9], 40, "%02X", b);
  return e;
}

// Calls all ten value functions and compares each text exactly.
inline void checkValues(const Plugin& plugin, Checks& checks, POINT cursor,
                        COLORREF colour) {
  ExpectedTexts expected = expectedTexts(cursor, colour);
  for (int i = 0; i < valueCount; ++i) {
    char what[96];
    std::snprintf(what, sizeof what, "%s at (%ld, %ld) over #%06lX",
                  valueNames[i], cursor.x, cursor.y,
                  static_cast<unsigned long>(colour));
    checks.text(what, plugin.values[i](), expected.text[i]);
  }
}

// The slot in a module's import address table through which it calls
// library!function, or null when it imports no such function.
inline void** importSlot(HMODULE module, const char* library,
                         const char* function) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
           base + imports.VirtualAddress);
       entry->Name != 0; ++entry) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + entry->Name), library) != 0)
      continue;
    auto* names =
        reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(
          base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) == 0)
        return reinterpret_cast<void**>(&slots->u1.Function);
    }
  }
  return nullptr;
}

// Points an import slot at another function; returns the one it replaced.
inline void* replaceImport(void** slot, void* function) {
  DWORD old;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  void* previous = *slot;
  *slot = function;
  VirtualProtect(slot, sizeof *slot, old, &old);
  return previous;
}

// Counts the screen device contexts the plug-in takes and gives back, by
// routing its GetDC and ReleaseDC imports through counters: exact wherever
// the system does not count GDI objects itself (Wine does not).
struct ContextCount {
  static inline volatile LONG taken = 0;
  static inline volatile LONG released = 0;
  static inline decltype(&GetDC) getDC = nullptr;
  static inline decltype(&ReleaseDC) releaseDC = nullptr;

  static HDC WINAPI countedGetDC(HWND window) {
    InterlockedIncrement(&taken);
    return getDC(window);
  }
  static int WINAPI countedReleaseDC(HWND window, HDC context) {
    InterlockedIncrement(&released);
    return releaseDC(window, context);
  }

  static bool install(HMODULE module) {
    void** get = importSlot(module, "user32.dll", "GetDC");
    void** release = importSlot(module, "user32.dll", "ReleaseDC");
    if (get == nullptr || release == nullptr) return false;
    getDC = reinterpret_cast<decltype(getDC)>(
        replaceImport(get, reinterpret_cast<void*>(countedGetDC)));
    releaseDC = reinterpret_cast<decltype(releaseDC)>(
        replaceImport(release, reinterpret_cast<void*>(countedReleaseDC)));
    return true;
  }
};

// Private memory committed in the process, walked region by region: a
// measure of heap growth that Windows and Wine report alike.
inline size_t committedPrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION region;
  for (char* address = nullptr;
       VirtualQuery(address, &region, sizeof region) == sizeof region;) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
      total += region.RegionSize;
    char* next = static_cast<char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;  // wrapped at the top of the address space
    address = next;
  }
  return total;
}

// Moves the real cursor and waits until the system reports it there.
inline bool moveCursor(int x, int y) {
  SetCursorPos(x, y);
  for (int tries = 0; tries < 100; ++tries) {
    POINT at{};
    if (GetCursorPos(&at) && at.x == x && at.y == y) return true;
    Sleep(10);
  }
  return false;
}

inline void pumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// A borderless topmost window over an area of the screen, in screen pixels,
// that paints itself with paint().
class ScreenWindow {
 public:
  explicit ScreenWindow(RECT area) : area_(area) {}
  virtual ~ScreenWindow() {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    pumpMessages();
  }
  ScreenWindow(const ScreenWindow&) = delete;
  ScreenWindow& operator=(const ScreenWindow&) = delete;

 protected:
  // Called by a derived constructor once it can paint: a base constructor
  // would not reach its paint().
  void show() {
    static ATOM windowClass = registerClass();
    window_ = CreateWindowExA(
        WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
        MAKEINTATOM(windowClass), "", WS_POPUP, area_.left, area_.top,
        area_.right - area_.left, area_.bottom - area_.top, nullptr, nullptr,
        GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // Shown without activation: Wine leaves such a window to itself rather
    // than to a window manager, and so does not wait for one that a bare X
    // server lacks when the window goes away.
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(window_);
  }
  virtual void paint(HDC dc, const RECT& client) = 0;

  RECT area_;
  HWND window_ = nullptr;

 private:
  static ATOM registerClass() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "hoverhue-test-window";
    return RegisterClassA(&wc);
  }

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam,
                                    LPARAM lparam) {
    auto* self = reinterpret_cast<ScreenWindow*>(
        GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT && self != nullptr) {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      self->paint(dc, client);
      EndPaint(window, &paint);
      return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
  }
};

// A window filled with one colour.
class ColourWindow : public ScreenWindow {
 public:
  ColourWindow(RECT area, COLORREF colour) : ScreenWindow(area), colour_(colour) {
    show();
    fill(colour);
  }

  // Repaints the whole window and waits until the screen shows the colour;
  // false when it never does.
  bool fill(COLORREF colour) {
    colour_ = colour;
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
    for (int tries = 0; tries < 300; ++tries) {
      pumpMessages();
      GdiFlush();
      if (screenPixel(area_.left, area_.top) == colour &&
          screenPixel(area_.right - 1, area_.bottom - 1) == colour)
        return true;
      Sleep(10);
    }
    return false;
  }

 private:
  void paint(HDC dc, const RECT& client) override {
    HBRUSH brush = CreateSolidBrush(colour_);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
  }

  COLORREF colour_;
};

// A colour that names its screen position: x in red and the low nibble of
// green, y in blue and the high nibble. Unique for x and y from -2048 to
// 2047, so monitors left of or above the primary one have their own.
inline COLORREF colourAt(int x, int y) {
  return RGB(x & 0xFF, ((x >> 8) & 0xF) | (((y >> 8) & 0xF) << 4), y & 0xFF);
}

// A window painted from a bitmap in which every pixel holds colourAt its
// own screen position. Make it while the thread is per-monitor aware (or on
// an unscaled display), so nothing scales it; one per monitor, as a window
// is kept on one.
class PositionScreen : public ScreenWindow {
 public:
  explicit PositionScreen(RECT area) : ScreenWindow(area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
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
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) {
        // A 32-bit DIB holds blue in its low byte, COLORREF red.
        COLORREF c = colourAt(x, y);
        *pixel++ = RGB(GetBValue(c), GetGValue(c), GetRValue(c));
      }
    show();
  }
  ~PositionScreen() override { DeleteObject(bitmap_); }

  // Waits until the screen shows the positions at the area's corners and
  // centre; false when it never does.
  bool shown() const {
    const POINT probes[] = {{area_.left, area_.top},
                            {area_.right - 1, area_.top},
                            {area_.left, area_.bottom - 1},
                            {area_.right - 1, area_.bottom - 1},
                            {(area_.left + area_.right) / 2,
                             (area_.top + area_.bottom) / 2}};
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
  void paint(HDC dc, const RECT& client) override {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap_);
    BitBlt(dc, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  }

  HBITMAP bitmap_ = nullptr;
};

// The monitors as the system reports them to the calling thread, the
// primary one first.
struct MonitorList {
  RECT* monitors;
  int capacity, count;
  static BOOL CALLBACK add(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto& list = *reinterpret_cast<MonitorList*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (list.count < list.capacity && GetMonitorInfoA(monitor, &info)) {
      RECT* slot = &list.monitors[list.count++];
      if (info.dwFlags & MONITORINFOF_PRIMARY) {
        *slot = list.monitors[0];
        slot = &list.monitors[0];
      }
      *slot = info.rcMonitor;
    }
    return TRUE;
  }
};

inline int listMonitors(RECT monitors[], int capacity) {
  MonitorList list{monitors, capacity, 0};
  EnumDisplayMonitors(nullptr, nullptr, MonitorList::add,
                      reinterpret_cast<LPARAM>(&list));
  return list.count;
}
