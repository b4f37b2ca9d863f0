#include "options.h"

#include <cstdint>

#include "console.h"
#include "probe.h"
#include "text.h"

namespace {

const char usage[] =
    "usage: hoverhue-probe [--dll PATH] [--at X Y] [--watch MS] [--help]\n"
    "\n"
    "Loads a plug-in DLL as its host application does: calls init for the\n"
    "list of functions, then each function by name, and prints one line per\n"
    "function as 'name: text'. A non-empty parameter description from\n"
    "getparam is shown after the text. On a terminal a colour swatch stands\n"
    "beside the colour triples. Control characters in a plug-in's texts are\n"
    "shown escaped (\\x1b), and a text longer than 200 characters is cut.\n"
    "\n"
    "  --dll PATH   the plug-in to load, exactly that file (default:\n"
    "               hoverhue.dll beside the probe)\n"
    "  --at X Y     first move the mouse cursor to screen position X, Y\n"
    "  --watch MS   repeat every MS milliseconds until interrupted\n"
    "  --help       show this text\n"
    "\n"
    "A function list is names joined by single '|' characters; each name is\n"
    "letters, digits and '_', not starting with a digit (so no decorated\n"
    "names such as _f@0).\n"
    "\n"
    "Exit codes: 0 success, 2 bad command line, 3 DLL missing or not\n"
    "loadable, 4 DLL of another bitness or machine, 5 no plug-in (no init,\n"
    "or no, an empty or a malformed function list), 6 a listed function is\n"
    "not exported, 7 the plug-in crashed (loading or in a function),\n"
    "8 the output was closed.\n";

}  // namespace

int parseOptions(int argc, wchar_t** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::wstring option = argv[i];
    const wchar_t* next = i + 1 < argc ? argv[i + 1] : nullptr;
    std::string nextText = next ? utf8(next) : "";
    if (option == L"--help" || option == L"-h") {
      return emit(STD_OUTPUT_HANDLE, usage) ? exitOk : exitOutputClosed;
    } else if (option == L"--dll") {
      if (next == nullptr || *next == L'\0')
        return fail(exitUsage, "--dll needs a path");
      options.dll = argv[++i];
    } else if (option == L"--at") {
      const wchar_t* y = i + 2 < argc ? argv[i + 2] : nullptr;
      if (!parseNumber(next, INT32_MIN, INT32_MAX, &options.x) ||
          !parseNumber(y, INT32_MIN, INT32_MAX, &options.y))
        return fail(exitUsage, "--at needs two whole numbers X Y, got '%s %s'",
                    nextText.c_str(), y ? utf8(y).c_str() : "");
      options.moveCursor = true;
      i += 2;
    } else if (option == L"--watch") {
      if (!parseNumber(next, 1, 3600000, &options.watchMs))
        return fail(exitUsage,
                    "--watch needs milliseconds from 1 to 3600000, got '%s'",
                    nextText.c_str());
      ++i;
    } else {
      return fail(exitUsage, "unknown option '%s' (try --help)",
                  utf8(option).c_str());
    }
  }
  return goOn;
}
