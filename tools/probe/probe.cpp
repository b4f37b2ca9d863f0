// hoverhue-probe: a host of the plug-in interface that loads any plug-in DLL,
// asks it for its function list and calls every function by name, printing
// one line per function. For trying a plug-in without its host application,
// including a broken or untrusted one: whatever a plug-in answers reaches the
// terminal escaped and cut to a sane length.

#include <windows.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

enum ExitCode {
  exitOk = 0,
  exitUsage = 2,
  exitCannotLoad = 3,
  exitWrongBitness = 4,
  exitNotAPlugin = 5,
  exitMissingFunction = 6,
  exitPluginCrashed = 7,
  exitOutputClosed = 8,
};

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

constexpr size_t longestShown = 200;

using TextFunction = const char*(__cdecl*)();
using ParamFunction = const char*(__cdecl*)(unsigned);

struct Options {
  std::wstring dll;
  bool moveCursor = false;
  long x = 0, y = 0;
  long watchMs = 0;
};

struct Function {
  std::string name;
  TextFunction call;
};

std::string utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(),
                                 static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                      &bytes[0], size, nullptr, nullptr);
  return bytes;
}

std::wstring wide(const std::string& bytes, UINT codePage) {
  int size = MultiByteToWideChar(codePage, 0, bytes.c_str(),
                                 static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.c_str(),
                      static_cast<int>(bytes.size()), &text[0], size);
  return text;
}

// Writes UTF-8 text: to a console as Unicode, whatever its code page; to a
// pipe or file as UTF-8 bytes. False when the output is gone.
bool emit(DWORD which, const std::string& text) {
  HANDLE output = GetStdHandle(which);
  DWORD mode = 0, written = 0;
  if (GetConsoleMode(output, &mode)) {
    std::wstring unicode = wide(text, CP_UTF8);
    return WriteConsoleW(output, unicode.c_str(),
                         static_cast<DWORD>(unicode.size()), &written,
                         nullptr) != 0;
  }
  std::string bytes;
  for (char c : text) {  // text mode, as a Windows program's output is
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()),
                   &written, nullptr) != 0 &&
         written == bytes.size();
}

std::string format(const char* pattern, va_list args) {
  char buffer[1024];
  std::vsnprintf(buffer, sizeof buffer, pattern, args);
  return buffer;
}

int fail(int code, const char* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  emit(STD_ERROR_HANDLE, "hoverhue-probe: " + format(pattern, args) + "\n");
  va_end(args);
  return code;
}

void warn(const char* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  emit(STD_ERROR_HANDLE, "hoverhue-probe: " + format(pattern, args) + "\n");
  va_end(args);
}

// A plug-in's 8-bit text as it may be shown: in the system's code page,
// control characters escaped, cut after longestShown characters with a note
// of how much was left out.
std::string shown(const char* text) {
  if (text == nullptr) return "(no text)";
  size_t length = std::strlen(text);
  std::string kept(text, length < longestShown ? length : longestShown);
  std::string safe;
  for (char c : kept) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      safe += escape;
    } else {
      safe += c;
    }
  }
  std::string result = utf8(wide(safe, CP_ACP));
  if (length > longestShown)
    result += " [... " + std::to_string(length - longestShown) +
              " more bytes cut]";
  return result;
}

// What the probe is doing with the plug-in, named if the plug-in crashes.
const char* currentFunction = "DllMain";
bool loading = false;

LONG WINAPI reportCrash(EXCEPTION_POINTERS* exception) {
  fail(exitPluginCrashed, "the plug-in crashed in %s (exception 0x%08lX)",
       currentFunction, exception->ExceptionRecord->ExceptionCode);
  ExitProcess(exitPluginCrashed);
}

// The loader catches a crash in a DllMain and fails the load with a plain
// error code; seen first, while loading, it is reported as the crash it is.
LONG CALLBACK reportCrashWhileLoading(EXCEPTION_POINTERS* exception) {
  switch (exception->ExceptionRecord->ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_STACK_OVERFLOW:
      if (loading) reportCrash(exception);
  }
  return EXCEPTION_CONTINUE_SEARCH;
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

// Returns -1 when the probe should go on, or the exit code to stop with.
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
  return -1;
}

std::wstring besideProbe(const wchar_t* file) {
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, &path[0],
                                    static_cast<DWORD>(path.size()));
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

std::string systemMessage(DWORD error) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = length ? utf8(std::wstring(text, length)) : "unknown error";
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' ||
                              message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  return message + " (error " + std::to_string(error) + ")";
}

// The machine field of a PE file's header, or 0 when the file is not one.
WORD machineOf(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  IMAGE_DOS_HEADER dos{};
  DWORD signature = 0;
  IMAGE_FILE_HEADER header{};
  DWORD read = 0;
  bool ok = ReadFile(file, &dos, sizeof dos, &read, nullptr) &&
            read == sizeof dos && dos.e_magic == IMAGE_DOS_SIGNATURE &&
            SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) ==
                static_cast<DWORD>(dos.e_lfanew) &&
            ReadFile(file, &signature, sizeof signature, &read, nullptr) &&
            read == sizeof signature && signature == IMAGE_NT_SIGNATURE &&
            ReadFile(file, &header, sizeof header, &read, nullptr) &&
            read == sizeof header;
  CloseHandle(file);
  return ok ? header.Machine : 0;
}

#if defined(_WIN64)
constexpr WORD probeMachine = IMAGE_FILE_MACHINE_AMD64;
constexpr const char* probeKind = "64-bit (x64)";
#else
constexpr WORD probeMachine = IMAGE_FILE_MACHINE_I386;
constexpr const char* probeKind = "32-bit (i386)";
#endif

const char* machineName(WORD machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
      return "a 32-bit (i386)";
    case IMAGE_FILE_MACHINE_AMD64:
      return "a 64-bit (x64)";
    case 0xAA64:
      return "a 64-bit (ARM64)";
    case IMAGE_FILE_MACHINE_IA64:
      return "a 64-bit (Itanium)";
    case IMAGE_FILE_MACHINE_ARMNT:
      return "a 32-bit (ARM)";
    default:
      return "an unknown machine's";
  }
}

// Which probe to use instead: hoverhue is built for i386 and x64 only.
const char* probeAdvice(WORD machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
      return "use the 32-bit hoverhue-probe";
    case IMAGE_FILE_MACHINE_AMD64:
      return "use the 64-bit hoverhue-probe";
    default:
      return "only a host built for that machine can load it";
  }
}

// Loads exactly the file named, never another of that name that the
// loader's search order would find first, and looks for its own
// dependencies beside it.
int loadPlugin(const std::wstring& path, HMODULE& module) {
  std::string name = utf8(path);
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return fail(exitCannotLoad, "cannot load %s: %s", name.c_str(),
                systemMessage(GetLastError()).c_str());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    return fail(exitCannotLoad, "cannot load %s: it is a directory, not a DLL",
                name.c_str());
  WORD machine = machineOf(path);
  if (machine == 0)
    return fail(exitCannotLoad,
                "cannot load %s: not a DLL (no Windows program image in it; "
                "empty or cut short?)",
                name.c_str());
  if (machine != probeMachine)
    return fail(exitWrongBitness,
                "%s is %s DLL (machine 0x%04X); this probe is %s: %s",
                name.c_str(), machineName(machine), machine, probeKind,
                probeAdvice(machine));
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  PVOID handler = AddVectoredExceptionHandler(1, reportCrashWhileLoading);
  loading = true;
  module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  DWORD error = GetLastError();
  loading = false;
  RemoveVectoredExceptionHandler(handler);
  if (module == nullptr)
    return fail(exitCannotLoad, "cannot load %s: %s", name.c_str(),
                systemMessage(error).c_str());
  return -1;
}

bool isName(const std::string& name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
          (c >= '0' && c <= '9') || c == '_'))
      return false;
  return true;
}

int readFunctionList(HMODULE module, const std::string& path,
                     std::vector<Function>& functions) {
  auto init = reinterpret_cast<TextFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "init")));
  if (init == nullptr)
    return fail(exitNotAPlugin, "%s does not export init: not a plug-in",
                path.c_str());
  currentFunction = "init";
  const char* list = init();
  if (list == nullptr)
    return fail(exitNotAPlugin, "%s: init returned no list (a null pointer)",
                path.c_str());
  if (*list == '\0')
    return fail(exitNotAPlugin, "%s: init returned an empty function list",
                path.c_str());
  std::string text = list;
  for (size_t start = 0;;) {
    size_t bar = text.find('|', start);
    std::string name = text.substr(start, bar - start);
    if (!isName(name))
      return fail(exitNotAPlugin,
                  "%s: malformed function list \"%s\" (names of letters, "
                  "digits and '_' joined by a single '|'; see --help)",
                  path.c_str(), shown(list).c_str());
    auto call = reinterpret_cast<TextFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, name.c_str())));
    if (call == nullptr)
      return fail(exitMissingFunction, "%s lists %s but does not export it",
                  path.c_str(), shown(name.c_str()).c_str());
    functions.push_back({name, call});
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return -1;
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

// True when standard output is a console that understands escape sequences
// (Windows 10 and later). Wine's console accepts the mode but splits escape
// sequences with its own, so under Wine the output stays plain.
bool outputIsTerminal() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetFileType(output) != FILE_TYPE_CHAR || !GetConsoleMode(output, &mode))
    return false;
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
    return false;
  return SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) &&
         GetConsoleMode(output, &mode) &&
         (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

// The colour a triple text names, in "R:r G:g B:b" or "RR GG BB" form.
bool colourOfText(const char* text, unsigned rgb[3]) {
  int used = 0;
  if (std::sscanf(text, "R:%u G:%u B:%u%n", &rgb[0], &rgb[1], &rgb[2], &used) ==
          3 ||
      std::sscanf(text, "%2x %2x %2x%n", &rgb[0], &rgb[1], &rgb[2], &used) == 3)
    return text[used] == '\0' && rgb[0] < 256 && rgb[1] < 256 && rgb[2] < 256;
  return false;
}

// False when the output is gone.
bool printValues(const std::vector<Function>& functions, ParamFunction getparam,
                 bool terminal) {
  std::string lines;
  for (size_t i = 0; i < functions.size(); ++i) {
    const Function& f = functions[i];
    currentFunction = f.name.c_str();
    const char* text = f.call();
    if (terminal) lines += "\x1b[2K";
    lines += f.name + ": " + shown(text);
    unsigned rgb[3];
    if (terminal && text && colourOfText(text, rgb))
      lines += "  \x1b[48;2;" + std::to_string(rgb[0]) + ";" +
               std::to_string(rgb[1]) + ";" + std::to_string(rgb[2]) +
               "m      \x1b[0m";
    if (getparam != nullptr) {
      currentFunction = "getparam";
      const char* description = getparam(static_cast<unsigned>(i));
      if (description != nullptr && *description != '\0')
        lines += "  [parameters: " + shown(description) + "]";
    }
    lines += '\n';
  }
  return emit(STD_OUTPUT_HANDLE, lines);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  int stop = parseOptions(argc, argv, options);
  if (stop >= 0) return stop;
  options.dll = fullPath(options.dll.empty() ? besideProbe(L"hoverhue.dll")
                                             : options.dll);
  std::string dllName = utf8(options.dll);

  SetUnhandledExceptionFilter(reportCrash);
  HMODULE module = nullptr;
  if ((stop = loadPlugin(options.dll, module)) >= 0) return stop;
  std::vector<Function> functions;
  if ((stop = readFunctionList(module, dllName, functions)) >= 0) return stop;
  auto getparam = reinterpret_cast<ParamFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "getparam")));

  if (options.moveCursor && !moveCursor(options.x, options.y))
    warn("the cursor did not reach %ld, %ld; values are read where it is",
         options.x, options.y);
  if (!screenReadable())
    warn("the screen cannot be read here (no display?): colours read as "
         "white");

  bool terminal = outputIsTerminal();
  if (!printValues(functions, getparam, terminal)) return exitOutputClosed;
  while (options.watchMs > 0) {
    Sleep(static_cast<DWORD>(options.watchMs));
    std::string back = terminal ? "\x1b[" + std::to_string(functions.size()) +
                                      "A\r"
                                : "\n";
    if (!emit(STD_OUTPUT_HANDLE, back) ||
        !printValues(functions, getparam, terminal))
      return exitOutputClosed;
  }
  return exitOk;
}
