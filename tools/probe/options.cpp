#include "options.h"

#include <cerrno>
#include <cstdint>
#include <cwchar>

#include "console.h"
#include "plugin.h"
#include "probe.h"

namespace {

// A paragraph broken into lines of at most 72 columns.
std::string wrapped(const std::string& paragraph) {
  std::string out, line;
  std::size_t start = 0;
  while (start < paragraph.size()) {
    std::size_t space = paragraph.find(' ', start);
    if (space == std::string::npos) space = paragraph.size();
    std::string word = paragraph.substr(start, space - start);
    if (!line.empty() && line.size() + 1 + word.size() > 72) {
      out += line + '\n';
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    start = space + 1;
  }
  return out + line + '\n';
}

std::string usage() {
  return "usage: hoverhue-probe [--dll PATH] [--at X Y] [--watch MS] [--json] "
         "[--help]\n\n" +
         wrapped(
             "Loads a plug-in DLL as its host application does: calls init "
             "for the list of functions, then each function by name, and "
             "prints one line per function as 'name: text'. A non-empty "
             "parameter description from getparam is shown after the text. "
             "On a terminal a colour swatch stands beside the colour "
             "triples.") +
         "\n" +
         wrapped(std::string("In a plug-in's texts, ") + escapedCharacters +
                 " are shown escaped (as \\x1b), and a text longer than " +
                 std::to_string(longestShown) + " characters is cut.") +
         "\n"
         "  --dll PATH   the plug-in to load, exactly that file (default:\n"
         "               hoverhue.dll beside the probe)\n"
         "  --at X Y     first move the mouse cursor to screen position X, Y\n"
         "  --watch MS   repeat every MS milliseconds until interrupted\n"
         "  --json       each reading as one JSON object on a line: every\n"
         "               function's whole text by its name, null for none\n"
         "  --help       show this text\n"
         "\n" +
         wrapped(std::string("A function list is ") + functionListGrammar +
                 ", so no decorated names such as _f@0.") +
         "\n" +
         wrapped(
             "Exit codes: 0 success, 2 bad command line, 4 DLL of another "
             "bitness or machine, 5 no plug-in (no init, or no, an empty or "
             "a malformed function list), 6 a listed function is not "
             "exported, 7 the plug-in crashed (loading or in a function), 8 "
             "the output was closed, 9 DLL missing or not loadable, 10 the "
             "plug-in called abort(), 11 a function of the plug-in is not "
             "cdecl (it moved its caller's stack pointer).");
}

}  // namespace

int parseOptions(int argc, wchar_t** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::wstring option = argv[i];
    const wchar_t* next = i + 1 < argc ? argv[i + 1] : nullptr;
    std::string nextText = next ? utf8(next) : "";
    if (option == L"--help" || option == L"-h") {
      return emit(Stream::out, usage()) ? exitOk : exitOutputClosed;
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
    } else if (option == L"--json") {
      options.json = true;
    } else {
      return fail(exitUsage, "unknown option '%s' (try --help)",
                  utf8(option).c_str());
    }
  }
  return goOn;
}

bool parseNumber(const wchar_t* text, long min, long max, long* value) {
  if (text == nullptr || *text == L'\0') return false;
  wchar_t* end = nullptr;
  errno = 0;
  long long parsed = std::wcstoll(text, &end, 10);
  if (*end != L'\0' || errno != 0 || parsed < min || parsed > max) return false;
  *value = static_cast<long>(parsed);
  return true;
}
