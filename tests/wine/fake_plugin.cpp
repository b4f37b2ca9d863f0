// Plug-ins that each get the interface wrong in one way, built once per
// variant, for the probe's bad-input tests.

#if defined(FAKE_MISSING)
#define FAKE_LIST "mousex|colourQ"
#elif defined(FAKE_EMPTY)
#define FAKE_LIST ""
#elif defined(FAKE_MALFORMED)
#define FAKE_LIST "mousex||answer"
#elif defined(FAKE_CRASH)
#define FAKE_LIST "mousex|crash"
#elif defined(FAKE_DESCRIBED)
#define FAKE_LIST "mousex|answer"
#elif defined(FAKE_HOSTILE)
#define FAKE_LIST "mousex|hostile"
#elif defined(FAKE_NULLINIT)
#define FAKE_LIST nullptr
#elif defined(FAKE_CRASHLOAD) || defined(FAKE_HANDLEDLOAD)
#define FAKE_LIST "mousex"
#endif

#include <windows.h>

#include <string>

#define EXPORT extern "C" __declspec(dllexport)

#if defined(FAKE_HUGE)
// Five million characters of one malformed list.
EXPORT const char* __cdecl init() {
  static const std::string list = "-" + std::string(5000000, 'x');
  return list.c_str();
}
#elif defined(FAKE_LIST)
EXPORT const char* __cdecl init() { return FAKE_LIST; }
#endif

#if defined(FAKE_CRASHLOAD)
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  }
  return TRUE;
}
#endif

#if defined(FAKE_HANDLEDLOAD)
// An access violation that the plug-in handles itself while it loads, by a
// handler of its own that a host's first-chance handler sees it before.
static LONG CALLBACK carryOn(EXCEPTION_POINTERS* exception) {
  return exception->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION
             ? EXCEPTION_CONTINUE_EXECUTION
             : EXCEPTION_CONTINUE_SEARCH;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    PVOID handler = AddVectoredExceptionHandler(0, carryOn);
    RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
    RemoveVectoredExceptionHandler(handler);
  }
  return TRUE;
}
#endif

// Clears the screen and breaks its line, shown raw.
EXPORT const char* __cdecl hostile() { return "\x1b[2Jcleared\nline"; }

EXPORT const char* __cdecl getparam(unsigned index) {
#ifdef FAKE_DESCRIBED
  return index == 1 ? "takes no parameters" : "";
#else
  (void)index;
  return "";
#endif
}

EXPORT const char* __cdecl mousex() { return "7"; }
EXPORT const char* __cdecl answer() { return "42"; }

EXPORT const char* __cdecl crash() {
  const char* volatile* nowhere = nullptr;
  return *nowhere;
}
