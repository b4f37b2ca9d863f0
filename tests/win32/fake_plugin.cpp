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
#endif

#define EXPORT extern "C" __declspec(dllexport)

#ifdef FAKE_LIST
EXPORT const char* __cdecl init() { return FAKE_LIST; }
#endif

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
