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
#elif defined(FAKE_CRASHLOAD) || defined(FAKE_HANDLEDLOAD) || \
    defined(FAKE_STDCALL) || defined(FAKE_NEEDSDEP)
#define FAKE_LIST "mousex"
#elif defined(FAKE_POPPER)
#define FAKE_LIST "mousex|popper"
#elif defined(FAKE_ABORT)
#define FAKE_LIST "mousex|colourHex"
#elif defined(FAKE_ERRORMODE)
#define FAKE_LIST "errormode"
#endif

#include <windows.h>

#include <cstdio>
#include <cstdlib>
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

#if defined(FAKE_STDCALL)
// The commonest mistake on 32-bit Windows: getparam as stdcall, which pops
// its argument (exported undecorated, as with --kill-at).
EXPORT const char* __stdcall getparam(unsigned) { return ""; }
#else
EXPORT const char* __cdecl getparam(unsigned index) {
#ifdef FAKE_DESCRIBED
  return index == 1 ? "takes no parameters" : "";
#else
  (void)index;
  return "";
#endif
}
#endif

// A value function that takes an argument and pops it, stdcall.
EXPORT const char* __stdcall popper(int) { return "popped"; }

#if defined(FAKE_ABORT)
EXPORT const char* __cdecl colourHex() { std::abort(); }
#endif

// The process's error mode, as the plug-in sees it.
EXPORT const char* __cdecl errormode() {
  static char text[16];
  std::snprintf(text, sizeof text, "%04X", GetErrorMode());
  return text;
}

#if defined(FAKE_DEPENDENCY)
EXPORT int fakeDependency() { return 1; }
#endif

#if defined(FAKE_NEEDSDEP)
// Imports a DLL of the tests' own, which the loader must find beside it.
extern "C" __declspec(dllimport) int fakeDependency();
EXPORT const char* __cdecl needsdep() { return fakeDependency() ? "y" : "n"; }
#endif

EXPORT const char* __cdecl mousex() { return "7"; }
EXPORT const char* __cdecl answer() { return "42"; }

EXPORT const char* __cdecl crash() {
  const char* volatile* nowhere = nullptr;
  return *nowhere;
}
