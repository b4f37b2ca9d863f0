// Measures what hoverhue.dll costs its host beside the platform calls each
// export wraps: time per call, memory kept per result text, file size, and
// one load and unload. Prints a Markdown table; see docs/performance.md.
//   hoverhue-bench [PATH_TO_DLL]

#include <algorithm>
#include <vector>

#include "harness.h"

namespace {

LARGE_INTEGER frequency;

double now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1e9 /
         static_cast<double>(frequency.QuadPart);
}

struct Timing {
  double library, platform;
};

// Nanoseconds per call, the median of several rounds. The rounds of the
// export and of the platform calls alone alternate, so that both see the
// same load on the X server and the Wine server.
template <typename Library, typename Platform>
Timing timePerCall(int callsPerRound, Library library, Platform platform) {
  const int rounds = 21;
  std::vector<double> libraryRounds, platformRounds;
  library();
  platform();
  for (int round = 0; round < rounds; ++round) {
    double start = now();
    for (int i = 0; i < callsPerRound; ++i) library();
    double middle = now();
    for (int i = 0; i < callsPerRound; ++i) platform();
    double end = now();
    libraryRounds.push_back((middle - start) / callsPerRound);
    platformRounds.push_back((end - middle) / callsPerRound);
  }
  std::sort(libraryRounds.begin(), libraryRounds.end());
  std::sort(platformRounds.begin(), platformRounds.end());
  return {libraryRounds[rounds / 2], platformRounds[rounds / 2]};
}

void rawCursor() {
  POINT point{};
  GetCursorPos(&point);
}

void rawSample() {
  HDC screen = GetDC(nullptr);
  POINT point{};
  GetCursorPos(&point);
  volatile COLORREF colour = GetPixel(screen, point.x, point.y);
  (void)colour;
  ReleaseDC(nullptr, screen);
}

// The thread's DPI awareness switched to per-monitor and back, as a colour
// function does around its sample: version 2 first, version 1 where the
// platform refuses it.
using DpiFunction = HANDLE(WINAPI*)(HANDLE);
DpiFunction setThreadDpi = nullptr;

void rawDpiSwitch() {
  HANDLE previous = setThreadDpi(reinterpret_cast<HANDLE>(INT_PTR{-4}));
  if (previous == nullptr)
    previous = setThreadDpi(reinterpret_cast<HANDLE>(INT_PTR{-3}));
  if (previous != nullptr) setThreadDpi(previous);
}

void timeDpiSwitch() {
  setThreadDpi = functionAt<DpiFunction>(GetProcAddress(
      GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext"));
  std::printf(
      "\n| DPI switch and restore, ns | A colour's four platform calls, ns | "
      "Added to a colour call |\n|---:|---:|---:|\n");
  if (setThreadDpi == nullptr) {
    std::printf("| absent | - | - |\n");
    return;
  }
  Timing timing = timePerCall(200, rawDpiSwitch, rawSample);
  std::printf("| %.0f | %.0f | %.2f%% |\n", timing.library, timing.platform,
              100 * timing.library / timing.platform);
}

// Instant stand-ins for the four platform calls: with them routed into the
// library in place of the real ones, timing an export measures the
// library's own work alone, free of the noise of a screen read.
HDC WINAPI instantGetDC(HWND) { return reinterpret_cast<HDC>(1); }
BOOL WINAPI instantGetCursorPos(POINT* point) {
  *point = {100, 100};
  return TRUE;
}
COLORREF WINAPI instantGetPixel(HDC, int, int) { return RGB(7, 10, 200); }
int WINAPI instantReleaseDC(HWND, HDC) { return 1; }

struct Stand {
  const char* library;
  const char* function;
  void* standIn;
  void** slot;
  void* original;
};

Stand stands[] = {
    {"user32.dll", "GetDC", reinterpret_cast<void*>(instantGetDC), nullptr,
     nullptr},
    {"user32.dll", "GetCursorPos", reinterpret_cast<void*>(instantGetCursorPos),
     nullptr, nullptr},
    {"gdi32.dll", "GetPixel", reinterpret_cast<void*>(instantGetPixel), nullptr,
     nullptr},
    {"user32.dll", "ReleaseDC", reinterpret_cast<void*>(instantReleaseDC),
     nullptr, nullptr}};

void useStandIns(HMODULE module, bool on) {
  for (Stand& stand : stands) {
    if (stand.slot == nullptr)
      stand.slot = importSlot(module, stand.library, stand.function);
    if (stand.slot == nullptr) continue;
    if (on)
      stand.original = replaceImport(stand.slot, stand.standIn);
    else
      replaceImport(stand.slot, stand.original);
  }
}

struct Export {
  const char* name;
  int capacity;
  void (*raw)();  // the platform sequence it wraps, if any
};

const Export exportsMeasured[] = {
    {"init", 0, nullptr},         {"getparam", 0, nullptr},
    {"mousex", 33, rawCursor},    {"mousey", 33, rawCursor},
    {"colourRGB", 33, rawSample}, {"colourR", 4, rawSample},
    {"colourG", 4, rawSample},    {"colourB", 4, rawSample},
    {"colourHex", 9, rawSample},  {"colourRx", 4, rawSample},
    {"colourGx", 4, rawSample},   {"colourBx", 4, rawSample}};

FARPROC resolve(HMODULE module, const char* name) {
  FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) {
    std::fprintf(stderr, "hoverhue-bench: no export %s\n", name);
    ExitProcess(1);
  }
  return address;
}

void timeExports(HMODULE module) {
  std::printf(
      "| Export | ns per call | Platform calls alone, ns | Ratio | "
      "Library's own work, ns | 1 + own work / platform |\n");
  std::printf("|---|---:|---:|---:|---:|---:|\n");
  for (const Export& e : exportsMeasured) {
    FARPROC address = resolve(module, e.name);
    Timing timing{0, 0};
    if (e.capacity == 0) {
      auto getparam = functionAt<ParamFunction>(address);
      auto init = functionAt<TextFunction>(address);
      bool isInit = e.name[0] == 'i';
      timing = timePerCall(
          1000000,
          [&] {
            volatile const char* text = isInit ? init() : getparam(0);
            (void)text;
          },
          [] {});
    } else {
      auto call = functionAt<TextFunction>(address);
      timing = timePerCall(
          e.raw == rawCursor ? 400 : 200, [&] { call(); }, e.raw);
    }
    double library = timing.library, raw = e.raw ? timing.platform : 0;
    if (raw > 0) {
      auto call = functionAt<TextFunction>(address);
      useStandIns(module, true);
      double own = timePerCall(
                       100000, [&] { call(); }, [] {})
                       .library;
      useStandIns(module, false);
      std::printf("| `%s` | %.0f | %.0f | %.3f | %.0f | %.4f |\n", e.name,
                  library, raw, library / raw, own, 1 + own / raw);
    } else {
      std::printf("| `%s` | %.1f | none | - | %.1f | - |\n", e.name, library,
                  library);
    }
  }
}

void measureRetainedMemory(HMODULE module) {
  std::printf("\n| Capacity, bytes | Export | Bytes kept per call |\n");
  std::printf("|---:|---|---:|\n");
  const struct {
    int capacity;
    const char* name;
  } measured[] = {{4, "colourRx"}, {9, "colourHex"}, {33, "mousex"}};
  // With the stand-ins, only the library's own allocations are counted,
  // not what the system allocates for a screen read.
  useStandIns(module, true);
  for (const auto& m : measured) {
    auto call = functionAt<TextFunction>(resolve(module, m.name));
    const int calls = 200000;
    call();
    size_t before = committedPrivateBytes();
    for (int i = 0; i < calls; ++i) call();
    size_t after = committedPrivateBytes();
    std::printf("| %d | `%s` | %.1f |\n", m.capacity, m.name,
                static_cast<double>(after - before) / calls);
  }
  useStandIns(module, false);
}

void measureFileAndLoad(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA file;
  GetFileAttributesExA(path, GetFileExInfoStandard, &file);
  double load = timePerCall(
                    50, [&] { FreeLibrary(LoadLibraryA(path)); }, [] {})
                    .library;
  std::printf("\n| DLL file size | One load and unload |\n|---:|---:|\n");
  std::printf("| %lu bytes | %.0f us |\n", file.nFileSizeLow, load / 1000);
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "hoverhue.dll";
  QueryPerformanceFrequency(&frequency);
  HMODULE module = LoadLibraryA(path);
  if (module == nullptr) {
    std::fprintf(stderr, "hoverhue-bench: cannot load %s\n", path);
    return 1;
  }
  timeExports(module);
  timeDpiSwitch();
  measureRetainedMemory(module);
  FreeLibrary(module);
  measureFileAndLoad(path);
  return 0;
}
