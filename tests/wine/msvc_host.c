/* A host built as MSVC builds one: clang for the windows-msvc target, linked
 * by lld-link against hoverhue.lib (with /SAFESEH, the default for x86), and
 * no C runtime at all, so it declares the few system calls it makes itself.
 * It checks the function list and a colour, which proves the import library.
 * On x64 and ARM64 it then has hoverhue's own call of GetCursorPos raise an
 * exception, as a host's hook of that call might, and checks that the
 * exception passes through hoverhue's frames to its handler here: Windows
 * finds a caller's frame on those machines only by the callee's unwind data.
 * Prints one line per check and "N passed, N failed". */
#include "hoverhue.h"

typedef unsigned long DWORD;
typedef int BOOL;
typedef void* HANDLE;

__declspec(dllimport) HANDLE __stdcall GetStdHandle(DWORD which);
__declspec(dllimport) BOOL
    __stdcall WriteFile(HANDLE file, const void* data, DWORD size,
                        DWORD* written, void* overlapped);
__declspec(dllimport) void __stdcall ExitProcess(unsigned code);
__declspec(dllimport) HANDLE __stdcall GetModuleHandleA(const char* name);
__declspec(dllimport) BOOL
    __stdcall VirtualProtect(void* at, unsigned long long size,
                             DWORD protection, DWORD* old);
__declspec(dllimport) void __stdcall RaiseException(DWORD code, DWORD flags,
                                                    DWORD count,
                                                    const void* arguments);

static unsigned passed, failed;

static unsigned length(const char* text) {
  unsigned n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

static void print(const char* text) {
  DWORD written;
  WriteFile(GetStdHandle((DWORD)-11), text, length(text), &written, 0);
}

static void printNumber(unsigned n) {
  char digits[12], *p = digits + sizeof digits;
  *--p = '\0';
  do *--p = (char)('0' + n % 10);
  while ((n /= 10) != 0);
  print(p);
}

static int same(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

static void check(const char* what, int ok, const char* detail) {
  print(ok ? "ok   " : "FAIL ");
  print(what);
  if (detail != 0) {
    print(": ");
    print(detail);
  }
  print("\n");
  if (ok)
    ++passed;
  else
    ++failed;
}

/* "07 0A C8": three pairs of upper-case hexadecimal digits. */
static int isHexTriple(const char* text) {
  unsigned i;
  if (length(text) != 8) return 0;
  for (i = 0; i < 8; ++i) {
    char c = text[i];
    int digit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    if (i % 3 == 2 ? c != ' ' : !digit) return 0;
  }
  return 1;
}

#if !defined(_M_IX86)
/* The slot in hoverhue.dll's import address table through which it calls
 * user32!GetCursorPos, found by walking its PE import directory. */
static void** cursorSlot(void) {
  const unsigned char* base =
      (const unsigned char*)GetModuleHandleA("hoverhue.dll");
  const unsigned char* nt = base + *(const unsigned*)(base + 0x3C);
  /* PE32+: the import directory's address at offset 120 of the optional
   * header, which follows the 4-byte signature and the 20-byte file header. */
  const unsigned* entry =
      (const unsigned*)(base + *(const unsigned*)(nt + 24 + 120));
  for (; entry[3] != 0;
       entry += 5) { /* Characteristics, ..., Name, FirstThunk */
    const unsigned long long* names =
        (const unsigned long long*)(base + entry[0]);
    void** slots = (void**)(base + entry[4]);
    for (; *names != 0; ++names, ++slots)
      if (!(*names >> 63) &&
          same((const char*)(base + *names + 2), "GetCursorPos"))
        return slots;
  }
  return 0;
}

#define RAISED 0xE0686801UL

static BOOL __stdcall raisingGetCursorPos(void* point) {
  (void)point;
  RaiseException(RAISED, 0, 0, 0);
  return 0;
}

unsigned long _exception_code(void);

static long ours(DWORD code) { return code == RAISED; }

/* Whether an exception raised inside the call reached the handler here.
 * Where it cannot, the process dies: the line printed first says where. */
static int caughtHere(const char* name, hoverhue_text_fn function) {
  print("raising an exception below ");
  print(name);
  print("; without unwind data in hoverhue.dll the host crashes here\n");
  __try {
    function();
  } __except (ours(_exception_code())) {
    return 1;
  }
  return 0;
}

static void exceptionsPassThrough(void) {
  void** slot = cursorSlot();
  void* original;
  DWORD old;
  check("hoverhue.dll imports GetCursorPos", slot != 0, 0);
  if (slot == 0) return;
  original = *slot;
  VirtualProtect(slot, sizeof *slot, 0x04 /* PAGE_READWRITE */, &old);
  *slot = (void*)raisingGetCursorPos;
  check("an exception below mousex reaches the host's handler",
        caughtHere("mousex", mousex), 0);
  check("an exception below colourHex reaches the host's handler",
        caughtHere("colourHex", colourHex), 0);
  *slot = original;
  check("mousex answers again afterwards", length(mousex()) > 0, 0);
}
#endif

void mainCRTStartup(void) {
  check("init",
        same(init(),
             "mousex|mousey|colourRGB|colourR|colourG|colourB|"
             "colourHex|colourRx|colourGx|colourBx"),
        init());
  check("colourHex", isHexTriple(colourHex()), colourHex());
#if !defined(_M_IX86)
  exceptionsPassThrough();
#endif
  printNumber(passed);
  print(" passed, ");
  printNumber(failed);
  print(" failed\n");
  ExitProcess(failed != 0);
}
