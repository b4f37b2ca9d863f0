#include "plugin.h"

#include "console.h"
#include "probe.h"
#include "text.h"

const char* currentFunction = "DllMain";

LONG WINAPI reportCrash(EXCEPTION_POINTERS* exception) {
  fail(exitPluginCrashed, "the plug-in crashed in %s (exception 0x%08lX)",
       currentFunction, exception->ExceptionRecord->ExceptionCode);
  ExitProcess(exitPluginCrashed);
}

namespace {

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

}  // namespace

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
  PVOID handler = AddVectoredExceptionHandler(1, noteCrashWhileLoading);
  crashWhileLoading = 0;
  loading = true;
  module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  DWORD error = GetLastError();
  loading = false;
  RemoveVectoredExceptionHandler(handler);
  if (module == nullptr && crashWhileLoading != 0)
    return fail(exitPluginCrashed,
                "the plug-in crashed in %s (exception 0x%08lX)",
                currentFunction, crashWhileLoading);
  if (module == nullptr)
    return fail(exitCannotLoad, "cannot load %s: %s", name.c_str(),
                systemMessage(error).c_str());
  return goOn;
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
  std::vector<std::string> names;
  if (!splitFunctionList(list, names))
    return fail(exitNotAPlugin,
                "%s: malformed function list \"%s\" (names of letters, "
                "digits and '_' joined by a single '|'; see --help)",
                path.c_str(), shown(list).c_str());
  for (const std::string& name : names) {
    auto call = reinterpret_cast<TextFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, name.c_str())));
    if (call == nullptr)
      return fail(exitMissingFunction, "%s lists %s but does not export it",
                  path.c_str(), shown(name.c_str()).c_str());
    functions.push_back({name, call});
  }
  return goOn;
}
