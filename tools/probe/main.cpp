// hoverhue-probe: a host of the plug-in interface that loads any plug-in DLL,
// asks it for its function list and calls every function by name, printing
// one line per function. For trying a plug-in without its host application,
// a broken one included: whatever a plug-in answers reaches the terminal
// escaped and cut to a sane length, and a crash, an abort() or a wrong
// calling convention is reported as one. The plug-in's code runs inside the
// probe, with the probe's rights, as it would in its host: the probe is no
// sandbox for a plug-in that is not trusted.

#include <windows.h>

#include <string>
#include <vector>

#include "console.h"
#include "options.h"
#include "output.h"
#include "plugin.h"
#include "probe.h"

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

// Every function's answer, with what getparam says of it.
int takeReading(const Plugin& plugin, std::vector<Answer>& answers) {
  answers.clear();
  for (std::size_t i = 0; i < plugin.functions.size(); ++i) {
    const char *text = nullptr, *description = nullptr;
    int stop = callFunction(plugin, i, text);
    if (stop == goOn) stop = describeParameters(plugin, i, description);
    if (stop != goOn) return stop;
    Answer answer;
    answer.name = plugin.functions[i].name;
    answer.answered = text != nullptr;
    if (text != nullptr) answer.text = fromCodePage(text);
    if (description != nullptr) answer.description = fromCodePage(description);
    answers.push_back(answer);
  }
  return goOn;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  int stop = parseOptions(argc, argv, options);
  if (stop != goOn) return stop;
  options.dll = fullPath(options.dll.empty() ? besideProbe(L"hoverhue.dll")
                                             : options.dll);

  guardCalls();
  Plugin plugin;
  if ((stop = loadPlugin(options.dll, plugin)) != goOn) return stop;

  if (options.moveCursor && !moveCursor(options.x, options.y))
    warn("the cursor did not reach %ld, %ld; values are read where it is",
         options.x, options.y);
  if (!screenReadable())
    warn(
        "the screen cannot be read here (no display?): colours read as "
        "white");

  Format format = options.json         ? Format::json
                  : outputIsTerminal() ? Format::terminal
                                       : Format::plain;
  std::size_t width = format == Format::terminal ? consoleWidth() : 0;
  std::size_t rows = 0;
  std::vector<Answer> answers;
  for (bool first = true;; first = false) {
    if (!first) Sleep(static_cast<DWORD>(options.watchMs));
    if ((stop = takeReading(plugin, answers)) != goOn) break;
    std::string out = first ? "" : betweenReadings(format, rows);
    if (!emit(Stream::out, out + formatReading(answers, format, width, rows))) {
      stop = exitOutputClosed;
      break;
    }
    if (options.watchMs == 0) {
      stop = exitOk;
      break;
    }
  }
  return stop;  // and the console's mode comes back at exit
}
