// hoverhue-probe: a host of the plug-in interface that loads any plug-in DLL,
// asks it for its function list and calls every function by name, printing
// one line per function. For trying a plug-in without its host application,
// a broken one included: whatever a plug-in answers reaches the terminal
// escaped and cut to a sane length, and a crash is reported as one. The
// plug-in's code runs inside the probe, with the probe's rights, as it would
// in its host: the probe is no sandbox for a plug-in that is not trusted.

#include <windows.h>

#include <string>
#include <vector>

#include "console.h"
#include "options.h"
#include "plugin.h"
#include "probe.h"
#include "text.h"

namespace {

std::wstring besideProbe(const wchar_t* file) {
  std::wstring path(32768, L'\0');
  DWORD length =
      GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  path.resize(length);
  size_t slash = path.find_last_of(L"\\/");
  path.erase(slash == std::wstring::npos ? 0 : slash + 1);
  return path + file;
}

std::wstring fullPath(const std::wstring& path) {
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  full.resize(length);
  return full;
}

bool moveCursor(long x, long y) {
  SetCursorPos(static_cast<int>(x), static_cast<int>(y));
  for (int tries = 0; tries < 100; ++tries) {
    POINT at{};
    if (GetCursorPos(&at) && at.x == x && at.y == y) return true;
    Sleep(10);
  }
  return false;
}

// True when the probe itself can read the screen under the cursor; with no
// display every colour reads as white, which a plug-in cannot tell apart.
bool screenReadable() {
  POINT at{};
  GetCursorPos(&at);
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, at.x, at.y);
  ReleaseDC(nullptr, screen);
  return colour != CLR_INVALID;
}

// Prints one line per function; `rows` gets the rows they took on the
// terminal, where a long line wraps. False when the output is gone.
bool printValues(const std::vector<Function>& functions, ParamFunction getparam,
                 bool terminal, std::size_t& rows) {
  std::string lines;
  std::size_t width = terminal ? consoleWidth() : 0;
  rows = 0;
  for (size_t i = 0; i < functions.size(); ++i) {
    const Function& f = functions[i];
    currentFunction = f.name.c_str();
    const char* text = f.call();
    std::string line = f.name + ": " + shown(text);
    std::size_t columns = columnsOf(line);
    if (terminal) lines += "\x1b[2K";
    lines += line;
    unsigned rgb[3];
    if (terminal && text && colourOfText(text, rgb)) {
      lines += "  \x1b[48;2;" + std::to_string(rgb[0]) + ";" +
               std::to_string(rgb[1]) + ";" + std::to_string(rgb[2]) +
               "m      \x1b[0m";
      columns += 8;
    }
    if (getparam != nullptr) {
      currentFunction = "getparam";
      const char* description = getparam(static_cast<unsigned>(i));
      if (description != nullptr && *description != '\0') {
        std::string note = "  [parameters: " + shown(description) + "]";
        columns += columnsOf(note);
        lines += note;
      }
    }
    lines += '\n';
    rows += rowsTaken(columns, width);
  }
  return emit(STD_OUTPUT_HANDLE, lines);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  int stop = parseOptions(argc, argv, options);
  if (stop != goOn) return stop;
  options.dll = fullPath(options.dll.empty() ? besideProbe(L"hoverhue.dll")
                                             : options.dll);
  std::string dllName = utf8(options.dll);

  SetUnhandledExceptionFilter(reportCrash);
  HMODULE module = nullptr;
  if ((stop = loadPlugin(options.dll, module)) != goOn) return stop;
  std::vector<Function> functions;
  if ((stop = readFunctionList(module, dllName, functions)) != goOn)
    return stop;
  auto getparam = reinterpret_cast<ParamFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "getparam")));

  if (options.moveCursor && !moveCursor(options.x, options.y))
    warn("the cursor did not reach %ld, %ld; values are read where it is",
         options.x, options.y);
  if (!screenReadable())
    warn(
        "the screen cannot be read here (no display?): colours read as "
        "white");

  bool terminal = outputIsTerminal();
  std::size_t rows = 0;
  if (!printValues(functions, getparam, terminal, rows))
    return exitOutputClosed;
  while (options.watchMs > 0) {
    Sleep(static_cast<DWORD>(options.watchMs));
    // On a terminal the lines are drawn again in place; elsewhere each
    // reading follows the last after an empty line.
    std::string back = terminal ? "\x1b[" + std::to_string(rows) + "A\r" : "\n";
    if (!emit(STD_OUTPUT_HANDLE, back) ||
        !printValues(functions, getparam, terminal, rows))
      return exitOutputClosed;
  }
  return exitOk;
}
