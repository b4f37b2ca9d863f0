// Measures what hoverhue.dll costs its host beside the platform calls each
// export wraps: time per call, memory kept per result text, file size, and
// one load and unload. Prints a Markdown table; see docs/performance.md.
//   hoverhue-bench [PATH_TO_DLL]

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using TextFunction = const char*(__cdecl*)();
using ParamFunction = const char*(__cdecl*)(unsigned);

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

// Private memory committed in the process, walked region by region: the
// one measure of heap growth that Windows and Wine both report alike.
size_t committedPrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION region;
  for (char* address = nullptr;
       VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
      total += region.RegionSize;
    if (static_cast<char*>(region.BaseAddress) + region.RegionSize < address)
      break;
  }
  return total;
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

template <typename Function>
Function as(FARPROC address) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

void timeExports(HMODULE module) {
  std::printf("| Export | ns per call | Platform calls alone, ns | Ratio |\n");
  std::printf("|---|---:|---:|---:|\n");
  for (const Export& e : exportsMeasured) {
    FARPROC address = resolve(module, e.name);
    Timing timing{0, 0};
    if (e.capacity == 0) {
      auto getparam = as<ParamFunction>(address);
      auto init = as<TextFunction>(address);
      bool isInit = e.name[0] == 'i';
      timing = timePerCall(
          1000000,
          [&] {
            volatile const char* text = isInit ? init() : getparam(0);
            (void)text;
          },
          [] {});
    } else {
      auto call = as<TextFunction>(address);
      timing = timePerCall(
          e.raw == rawCursor ? 400 : 200, [&] { call(); }, e.raw);
    }
    double library = timing.library, raw = e.raw ? timing.platform : 0;
    if (raw > 0)
      std::printf("| `%s` | %.0f | %.0f | %.3f |\n", e.name, library, raw,
                  library / raw);
    else
      std::printf("| `%s` | %.1f | none | - |\n", e.name, library);
  }
}

void measureRetainedMemory(HMODULE module) {
  std::printf("\n| Capacity, bytes | Export | Bytes kept per call |\n");
  std::printf("|---:|---|---:|\n");
  const struct {
    int capacity;
    const char* name;
  } measured[] = {{4, "colourRx"}, {9, "colourHex"}, {33, "mousex"}};
  for (const auto& m : measured) {
    auto call = as<TextFunction>(resolve(module, m.name));
    const int calls = 20000;
    call();
    size_t before = committedPrivateBytes();
    for (int i = 0; i < calls; ++i) call();
    size_t after = committedPrivateBytes();
    std::printf("| %d | `%s` | %.1f |\n", m.capacity, m.name,
                static_cast<double>(after - before) / calls);
  }
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
  measureRetainedMemory(module);
  FreeLibrary(module);
  measureFileAndLoad(path);
  return 0;
}
