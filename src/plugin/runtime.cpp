// The library's whole runtime: it links no C or C++ runtime library, so the
// loader enters here, and array allocation comes from a heap of the
// library's own that goes away when the library is unloaded, taking every
// result text with it.

#include <windows.h>

#include "../screen/platform.h"
#include "result_text.h"

static HANDLE heap;

// Load and unload notifications: the library has nothing of its own to set
// up or release, so every notification succeeds.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason,
                                         LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    // Growable and serialised: value functions may run on many host threads.
    heap = HeapCreate(0, 0, 0);
    if (heap == nullptr) return FALSE;
    bindPlatform();
  }
  BOOL result = DllMain(instance, reason, reserved);
  // A non-null reserved means the process is terminating: its memory goes
  // away whole anyway, and the system has already ended the other threads,
  // perhaps one while it held this heap's lock, which HeapDestroy would
  // then wait on for ever.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr && heap != nullptr) {
    HeapDestroy(heap);
    heap = nullptr;
  }
  return result;
}

void* operator new[](size_t size, const LibraryHeap&) noexcept {
  return HeapAlloc(heap, 0, size);
}

// Only a block of texts that lost the race to be installed is given back.
void operator delete[](void* storage, const LibraryHeap&) noexcept {
  HeapFree(heap, 0, storage);
}
