// hoverhue-probe: a host of the plug-in interface that loads any plug-in DLL,
// asks it for its function list and calls every function by name, printing
// one line per function. For trying a plug-in without its host application.

#include <windows.h>

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
};

const char usage[] =
    "usage: hoverhue-probe [--dll PATH] [--at X Y] [--watch MS] [--help]\n"
    "\n"
    "Loads a plug-in DLL as its host application does: calls init for the\n"
    "list of functions, then each function by name, and prints one line per\n"
    "function as 'name: text'. A non-empty parameter description from\n"
    "getparam is shown after the text. On a terminal a colour swatch stands\n"
    "beside the colour triples.\n"
    "\n"
    "  --dll PATH   the plug-in to load (default: hoverhue.dll beside the "
    "probe)\n"
    "  --at X Y     first move the mouse cursor to screen position X, Y\n"
    "  --watch MS   repeat every MS milliseconds until interrupted\n"
    "  --help       show this text\n"
    "\n"
    "Exit codes: 0 success, 2 bad command line, 3 DLL missing or not\n"
    "loadable, 4 DLL of another bitness, 5 no plug-in (no init, or an empty "
    "or\n"
    "malformed function list), 6 a listed function is not exported, 7 the\n"
    "plug-in crashed.\n";

using TextFunction = const char*(__cdecl*)();
using ParamFunction = const char*(__cdecl*)(unsigned);

struct Options {
  std::string dll;
  bool moveCursor = false;
  long x = 0, y = 0;
  long watchMs = 0;
};

struct Function {
  std::string name;
  TextFunction call;
};

// The function being called, named if the plug-in crashes inside it.
const char* currentFunction = "DllMain";

int fail(int code, const char* format, ...) {
  std::fflush(stdout);
  std::fputs("hoverhue-probe: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  return code;
}

LONG WINAPI reportCrash(EXCEPTION_POINTERS* exception) {
  std::fflush(stdout);
  std::fprintf(stderr,
               "hoverhue-probe: the plug-in crashed in %s (exception "
               "0x%08lX)\n",
               currentFunction, exception->ExceptionRecord->ExceptionCode);
  std::fflush(stderr);
  ExitProcess(exitPluginCrashed);
}

bool parseNumber(const char* text, long min, long max, long* value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  long long parsed = std::strtoll(text, &end, 10);
  if (*end != '\0' || errno != 0 || parsed < min || parsed > max) return false;
  *value = static_cast<long>(parsed);
  return true;
}

// Returns -1 when the probe should go on, or the exit code to stop with.
int parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    if (option == "--help" || option == "-h") {
      std::fputs(usage, stdout);
      return exitOk;
    } else if (option == "--dll") {
      if (next == nullptr || *next == '\0')
        return fail(exitUsage, "--dll needs a path");
      options.dll = argv[++i];
    } else if (option == "--at") {
      const char* y = i + 2 < argc ? argv[i + 2] : nullptr;
      if (!parseNumber(next, INT32_MIN, INT32_MAX, &options.x) ||
          !parseNumber(y, INT32_MIN, INT32_MAX, &options.y))
        return fail(exitUsage, "--at needs two whole numbers X Y, got '%s %s'",
                    next ? next : "", y ? y : "");
      options.moveCursor = true;
      i += 2;
    } else if (option == "--watch") {
      if (!parseNumber(next, 1, 3600000, &options.watchMs))
        return fail(exitUsage,
                    "--watch needs milliseconds from 1 to 3600000, got '%s'",
                    next ? next : "");
      ++i;
    } else {
      return fail(exitUsage, "unknown option '%s' (try --help)", argv[i]);
    }
  }
  return -1;
}

std::string besideProbe(const char* file) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  size_t slash = directory.find_last_of("\\/");
  directory.erase(slash == std::string::npos ? 0 : slash + 1);
  return directory + file;
}

std::string systemMessage(DWORD error) {
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length ? std::string(text, length) : "unknown error";
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' ||
                              message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  char code[32];
  std::snprintf(code, sizeof code, " (error %lu)", error);
  return message + code;
}

// The machine field of a PE file's header, or 0 when the file is not one.
WORD machineOf(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
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

int loadPlugin(const std::string& path, HMODULE& module) {
  WORD machine = machineOf(path);
  if (machine != 0 && machine != probeMachine)
    return fail(exitWrongBitness,
                "%s is %s DLL (machine 0x%04X); this probe is %s: %s",
                path.c_str(), machineName(machine), machine,
                probeKind, probeAdvice(machine));
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  module = LoadLibraryA(path.c_str());
  if (module == nullptr)
    return fail(exitCannotLoad, "cannot load %s: %s", path.c_str(),
                systemMessage(GetLastError()).c_str());
  return -1;
}

bool isName(const std::string& name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])))
    return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
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
  if (list == nullptr || *list == '\0')
    return fail(exitNotAPlugin, "%s: init returned an empty function list",
                path.c_str());
  std::string text = list;
  for (size_t start = 0;;) {
    size_t bar = text.find('|', start);
    std::string name = text.substr(start, bar - start);
    if (!isName(name))
      return fail(exitNotAPlugin,
                  "%s: malformed function list \"%s\" (names are joined by a "
                  "single '|')",
                  path.c_str(), list);
    auto call = reinterpret_cast<TextFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, name.c_str())));
    if (call == nullptr)
      return fail(exitMissingFunction, "%s lists %s but does not export it",
                  path.c_str(), name.c_str());
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

void printValues(const std::vector<Function>& functions, ParamFunction getparam,
                 bool terminal) {
  for (size_t i = 0; i < functions.size(); ++i) {
    const Function& f = functions[i];
    currentFunction = f.name.c_str();
    const char* text = f.call();
    if (terminal) std::fputs("\x1b[2K", stdout);
    std::printf("%s: %s", f.name.c_str(), text ? text : "(no text)");
    unsigned rgb[3];
    if (terminal && text && colourOfText(text, rgb))
      std::printf("  \x1b[48;2;%u;%u;%um      \x1b[0m", rgb[0], rgb[1], rgb[2]);
    if (getparam != nullptr) {
      currentFunction = "getparam";
      const char* description = getparam(static_cast<unsigned>(i));
      if (description != nullptr && *description != '\0')
        std::printf("  [parameters: %s]", description);
    }
    std::putchar('\n');
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  int stop = parseOptions(argc, argv, options);
  if (stop >= 0) return stop;
  if (options.dll.empty()) options.dll = besideProbe("hoverhue.dll");

  SetUnhandledExceptionFilter(reportCrash);
  HMODULE module = nullptr;
  if ((stop = loadPlugin(options.dll, module)) >= 0) return stop;
  std::vector<Function> functions;
  if ((stop = readFunctionList(module, options.dll, functions)) >= 0)
    return stop;
  auto getparam = reinterpret_cast<ParamFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "getparam")));

  if (options.moveCursor && !moveCursor(options.x, options.y))
    std::fprintf(stderr,
                 "hoverhue-probe: the cursor did not reach %ld, %ld; values "
                 "are read where it is\n",
                 options.x, options.y);

  bool terminal = outputIsTerminal();
  printValues(functions, getparam, terminal);
  while (options.watchMs > 0) {
    Sleep(static_cast<DWORD>(options.watchMs));
    if (terminal)
      std::printf("\x1b[%uA\r", static_cast<unsigned>(functions.size()));
    else
      std::putchar('\n');
    printValues(functions, getparam, terminal);
  }
  return exitOk;
}
