#include "plugin.h"

#include <windows.h>

#include <csignal>

#include "console.h"
#include "probe.h"

namespace {

// The plug-in code running now, named if it crashes or aborts: "DllMain"
// while the plug-in loads, a function's name during its call, and null
// while the probe runs its own code.
const char* volatile currentFunction = nullptr;

// A crash report, made in place: the crash may have come from a broken
// heap or an exhausted stack, so the report takes no storage and little
// stack, and ends the probe at once, without running the plug-in's
// detach code.
char report[512];
std::size_t reportLength = 0;

void add(const char* text) {
  while (*text != '\0' && reportLength + 3 < sizeof report)
    report[reportLength++] = *text++;
}

void addHex(DWORD value) {
  char digits[11] = "0x";
  for (int i = 0; i < 8; ++i)
    digits[2 + i] = "0123456789ABCDEF"[(value >> (28 - 4 * i)) & 0xF];
  digits[10] = '\0';
  add(digits);
}

[[noreturn]] void endWithReport(int code) {
  report[reportLength++] = '\r';
  report[reportLength++] = '\n';
  report[reportLength] = '\0';
  writeError(report);
  restoreConsole();
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
  ExitProcess(static_cast<UINT>(code));
}

LONG WINAPI reportCrash(EXCEPTION_POINTERS* exception) {
  add("hoverhue-probe: ");
  if (currentFunction != nullptr) {
    add("the plug-in crashed in ");
    add(currentFunction);
  } else {
    add("a crash outside any call into the plug-in");
  }
  add(" (exception ");
  addHex(exception->ExceptionRecord->ExceptionCode);
  add(")");
  endWithReport(exitPluginCrashed);
}

// abort() raises SIGABRT in the C runtime that the caller links. An abort()
// of the probe's own is left to the runtime.
void reportAbort(int) {
  if (currentFunction == nullptr) {
    std::signal(SIGABRT, SIG_DFL);
    return;
  }
  add("hoverhue-probe: abort() in ");
  add(currentFunction);
  add(" (the plug-in ended the program)");
  endWithReport(exitPluginAborted);
}

// A plug-in may link a C runtime of its own, the UCRT or an older MSVC
// one, whose abort() the probe's signal() does not reach: its handler is
// set through that runtime too, once the plug-in has loaded it.
void catchAbortsOfEveryRuntime() {
  using Handler = void (*)(int);
  using SignalFunction = Handler(__cdecl*)(int, Handler);
  for (const char* runtime : {"ucrtbase.dll", "msvcr120.dll", "msvcr110.dll",
                              "msvcr100.dll", "msvcr90.dll", "msvcr80.dll"}) {
    HMODULE module = GetModuleHandleA(runtime);
    if (module == nullptr) continue;
    auto setSignal = reinterpret_cast<SignalFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "signal")));
    if (setSignal != nullptr) setSignal(SIGABRT, reportAbort);
  }
}

#if defined(__i386__)
// Calls a plug-in function as hosts do, cdecl with `count` arguments (0 or
// 1), and gives back in `popped` the bytes of its caller's stack that it
// took along: 0 for a cdecl function, 4 for a stdcall one with an argument.
// The stack pointer is put back from the frame, so a function of the wrong
// convention cannot move the probe's own stack.
extern "C" const char* probeCall(const void* function, unsigned argument,
                                 unsigned count, int* popped);
asm(R"(
  .text
  .globl _probeCall
  .def _probeCall; .scl 2; .type 32; .endef
_probeCall:
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  cmpl $0, 16(%ebp)
  je 1f
  pushl 12(%ebp)
1:
  call *8(%ebp)
  movl 16(%ebp), %edx
  shll $2, %edx
  leal -12(%ebp), %ecx
  subl %edx, %ecx
  movl %esp, %edx
  subl %ecx, %edx
  movl 20(%ebp), %ecx
  movl %edx, (%ecx)
  leal -12(%ebp), %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret
)");
#endif

// A function that moved its caller's stack pointer: `arguments` is what
// hosts pass it, 0 or 1 of 4 bytes.
int wrongConvention(const char* name, int popped, unsigned arguments) {
  if (popped == 4 && arguments == 1)
    return fail(exitWrongConvention,
                "%s popped its argument: it is stdcall, and hosts call it as "
                "cdecl",
                name);
  return fail(exitWrongConvention,
              "%s %s %d bytes of its caller's stack: hosts call it as cdecl, "
              "with %s",
              name, popped > 0 ? "popped" : "pushed",
              popped > 0 ? popped : -popped,
              arguments > 0 ? "one argument" : "no arguments");
}

// Calls a plug-in function, named while it runs, as hosts do: with no
// argument, or with `argument` alone where `arguments` is 1. Returns goOn,
// or the exit code of a function of the wrong calling convention.
int callNamed(const char* name, void* function, unsigned argument,
              unsigned arguments, const char*& text) {
  int popped = 0;
  currentFunction = name;
#if defined(__i386__)
  text = probeCall(function, argument, arguments, &popped);
#else
  text = arguments == 0
             ? reinterpret_cast<hoverhue_text_fn>(function)()
             : reinterpret_cast<hoverhue_param_fn>(function)(argument);
#endif
  currentFunction = nullptr;
  return popped == 0 ? goOn : wrongConvention(name, popped, arguments);
}

std::string systemMessage(DWORD error) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message =
      length ? utf8(std::wstring(text, length)) : "unknown error";
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' ||
                              message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  return message + " (error " + std::to_string(error) + ")";
}

// Why a file that exists cannot be read, in words of its own for the cases
// people meet.
std::string unreadable(DWORD error) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
      return "another program holds it open and lets no one read it (a "
             "sharing violation, error 32)";
    case ERROR_ACCESS_DENIED:
      return "access denied: this user may not read it (error 5)";
    default:
      return systemMessage(error);
  }
}

// The machine field of a PE file's header, or 0 when the file is none.
// False, with the error, when the file cannot be read at all.
bool readMachine(const std::wstring& path, WORD& machine, DWORD& error) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return false;
  }
  IMAGE_DOS_HEADER dos{};
  DWORD signature = 0;
  IMAGE_FILE_HEADER header{};
  LARGE_INTEGER size{}, at{};
  DWORD read = 0;
  bool ok = GetFileSizeEx(file, &size) &&
            ReadFile(file, &dos, sizeof dos, &read, nullptr) &&
            read == sizeof dos && dos.e_magic == IMAGE_DOS_SIGNATURE &&
            dos.e_lfanew >= static_cast<LONG>(sizeof dos) &&
            dos.e_lfanew + sizeof signature + sizeof header <=
                static_cast<unsigned long long>(size.QuadPart);
  at.QuadPart = ok ? dos.e_lfanew : 0;
  ok = ok && SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
       ReadFile(file, &signature, sizeof signature, &read, nullptr) &&
       read == sizeof signature && signature == IMAGE_NT_SIGNATURE &&
       ReadFile(file, &header, sizeof header, &read, nullptr) &&
       read == sizeof header;
  CloseHandle(file);
  machine = ok ? header.Machine : 0;
  return true;
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

// Which probe to use instead: there is one for i386 and one for x64, and
// none for any other machine, ARM64 included.
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

// The last exception of a crashing kind seen while the plug-in loads, 0 if
// none. The loader catches one that escapes a DllMain and fails the load
// with a plain error code; one that the plug-in handles itself is no crash.
// The handler only notes it: it runs under the loader's lock.
volatile bool loading = false;
volatile DWORD crashWhileLoading = 0;

LONG CALLBACK noteCrashWhileLoading(EXCEPTION_POINTERS* exception) {
  DWORD code = exception->ExceptionRecord->ExceptionCode;
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_STACK_OVERFLOW:
      if (loading) crashWhileLoading = code;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

// The loader's search flags of Windows 8, which came to 7 and Vista with
// AddDllDirectory; without them the old search, current folder and PATH
// included.
DWORD searchFlags() {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  if (GetProcAddress(kernel32, "AddDllDirectory") != nullptr)
    return LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
  return LOAD_WITH_ALTERED_SEARCH_PATH;
}

int loadModule(const std::wstring& path, Plugin& plugin) {
  const char* name = plugin.path.c_str();
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return fail(exitCannotLoad, "cannot load %s: %s", name,
                systemMessage(GetLastError()).c_str());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    return fail(exitCannotLoad, "cannot load %s: it is a directory, not a DLL",
                name);
  WORD machine = 0;
  DWORD error = 0;
  if (!readMachine(path, machine, error))
    return fail(exitCannotLoad, "cannot load %s: %s", name,
                unreadable(error).c_str());
  if (machine == 0)
    return fail(exitCannotLoad,
                "cannot load %s: not a PE file (no Windows program image in "
                "it; empty or cut short?)",
                name);
  if (machine != probeMachine)
    return fail(exitWrongBitness,
                "%s is %s DLL (machine 0x%04X); this probe is %s: %s", name,
                machineName(machine), machine, probeKind, probeAdvice(machine));
  PVOID handler = AddVectoredExceptionHandler(1, noteCrashWhileLoading);
  crashWhileLoading = 0;
  loading = true;
  currentFunction = "DllMain";
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, searchFlags());
  error = GetLastError();
  currentFunction = nullptr;
  loading = false;
  RemoveVectoredExceptionHandler(handler);
  if (module == nullptr && crashWhileLoading != 0)
    return fail(exitPluginCrashed,
                "the plug-in crashed in DllMain (exception 0x%08lX)",
                crashWhileLoading);
  if (module == nullptr)
    return fail(exitCannotLoad, "cannot load %s: %s", name,
                unreadable(error).c_str());
  plugin.module = module;
  catchAbortsOfEveryRuntime();
  return goOn;
}

void* exported(const Plugin& plugin, const char* name) {
  return reinterpret_cast<void*>(
      GetProcAddress(static_cast<HMODULE>(plugin.module), name));
}

int readFunctionList(Plugin& plugin) {
  const char* path = plugin.path.c_str();
  auto init = reinterpret_cast<hoverhue_text_fn>(exported(plugin, "init"));
  if (init == nullptr)
    return fail(exitNotAPlugin, "%s does not export init: not a plug-in", path);
  const char* list = nullptr;
  int stop = callNamed("init", reinterpret_cast<void*>(init), 0, 0, list);
  if (stop != goOn) return stop;
  if (list == nullptr)
    return fail(exitNotAPlugin, "%s: init returned no list (a null pointer)",
                path);
  if (*list == '\0')
    return fail(exitNotAPlugin, "%s: init returned an empty function list",
                path);
  std::vector<std::string> names;
  if (!splitFunctionList(list, names))
    return fail(exitNotAPlugin, "%s: malformed function list \"%s\" (%s)", path,
                shownText(fromCodePage(list)).c_str(), functionListGrammar);
  for (const std::string& name : names) {
    auto call =
        reinterpret_cast<hoverhue_text_fn>(exported(plugin, name.c_str()));
    if (call == nullptr)
      return fail(exitMissingFunction, "%s lists %s but does not export it",
                  path, name.c_str());
    plugin.functions.push_back({name, call});
  }
  plugin.getparam =
      reinterpret_cast<hoverhue_param_fn>(exported(plugin, "getparam"));
  return goOn;
}

}  // namespace

void guardCalls() {
  UINT inherited = SetErrorMode(0);
  SetErrorMode(inherited | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // Room below the stack's guard page for the crash report of a plug-in
  // that overflowed it (Vista and later).
  using Guarantee = BOOL(WINAPI*)(PULONG);
  auto guarantee =
      reinterpret_cast<Guarantee>(reinterpret_cast<void*>(GetProcAddress(
          GetModuleHandleA("kernel32.dll"), "SetThreadStackGuarantee")));
  ULONG bytes = 16384;
  if (guarantee != nullptr) guarantee(&bytes);
  SetUnhandledExceptionFilter(reportCrash);
  std::signal(SIGABRT, reportAbort);
}

int loadPlugin(const std::wstring& path, Plugin& plugin) {
  plugin.path = utf8(path);
  int stop = loadModule(path, plugin);
  return stop != goOn ? stop : readFunctionList(plugin);
}

int callFunction(const Plugin& plugin, std::size_t index, const char*& text) {
  const Function& function = plugin.functions[index];
  return callNamed(function.name.c_str(),
                   reinterpret_cast<void*>(function.call), 0, 0, text);
}

int describeParameters(const Plugin& plugin, std::size_t index,
                       const char*& description) {
  description = nullptr;
  if (plugin.getparam == nullptr) return goOn;
  return callNamed("getparam", reinterpret_cast<void*>(plugin.getparam),
                   static_cast<unsigned>(index), 1, description);
}
