// Storage exhausted for real: with the process's address space reserved
// and the library's heap full, every value function must hand back the
// empty text without touching the screen, and answer again once storage
// is back.

#include "harness.h"

namespace {

// Reserves every free stretch of address space of 64 KiB or more, so no
// heap can grow. Returns how many reservations were made: a few thousand in
// a 32-bit process, about 52,000 in a 64-bit one under Wine, whose user
// address space is smaller than Windows' (larger blocks would cost Wine
// gigabytes of bookkeeping).
int reserveAddressSpace(void* reservations[], int capacity) {
  int count = 0;
  for (SIZE_T size = SIZE_T{1} << 30; size >= (SIZE_T{1} << 16); size /= 2) {
    while (count < capacity) {
      void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
      if (block == nullptr) break;
      reservations[count++] = block;
    }
  }
  return count;
}

// Takes what is left in the library's heap through the library itself.
// The largest texts go first, until neither a new block of texts nor
// storage for one more text can be had; then the smallest, which use up
// the current block's tail and the last few bytes of the heap, so that no
// text of any size fits anywhere. False if the heap never ran out.
bool fillLibraryHeap(const Plugin& plugin, const char* empty) {
  for (TextFunction call : {plugin.values[0], plugin.values[7]}) {
    int calls = 0;
    while (call() != empty)
      if (++calls > 10000000) return false;
  }
  return true;
}

}  // namespace

int main() {
  Checks checks;
  Plugin plugin;
  if (!loadPlugin(plugin, "hoverhue.dll", checks)) return checks.finish();
  const COLORREF colour = RGB(7, 10, 200);
  ColourWindow window({100, 100, 200, 200}, colour);
  checks.truth("cursor moves", moveCursor(150, 150));
  checks.truth("device contexts counted", ContextCount::install(plugin.module));
  const char* empty = plugin.getparam(0);
  checkValues(plugin, checks, {150, 150}, colour);  // every path warmed up

  // Nothing below may allocate until the reservations are released: the
  // results are kept in fixed storage and printed afterwards.
  static void* reservations[1 << 16];
  int reserved = reserveAddressSpace(reservations, 1 << 16);
  bool filled = fillLibraryHeap(plugin, empty);
  const char* answers[valueCount];
  LONG contextsBefore = ContextCount::taken;
  for (int i = 0; i < valueCount; ++i) answers[i] = plugin.values[i]();
  LONG contextsTaken = ContextCount::taken - contextsBefore;
  bool contextsHeld = ContextCount::taken != ContextCount::released;
  for (int i = 0; i < reserved; ++i)
    VirtualFree(reservations[i], 0, MEM_RELEASE);

  std::printf("%d reservations made\n", reserved);
  checks.truth("the library's heap ran out", filled);
  for (int i = 0; i < valueCount; ++i) {
    char what[80];
    std::snprintf(what, sizeof what, "%s gives the empty text when exhausted",
                  valueNames[i]);
    checks.truth(what, answers[i] == empty);
  }
  checks.truth("no device context taken when exhausted", contextsTaken == 0);
  checks.truth("no device context held", !contextsHeld);
  // Storage is back: the heap can grow again and every answer is exact.
  checkValues(plugin, checks, {150, 150}, colour);
  return checks.finish();
}
