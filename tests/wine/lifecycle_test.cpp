// Load, use and unload, a thousand times over: each unload must take the
// library's heap and every text in it along, so the process does not grow.

#include "harness.h"

namespace {

// A hundred calls spread over all twelve exports.
void useOnce(const Plugin& plugin) {
  for (int call = 0; call < 100; ++call) {
    int which = call % (valueCount + 2);
    if (which == valueCount)
      plugin.init();
    else if (which == valueCount + 1)
      plugin.getparam(0);
    else
      plugin.values[which]();
  }
}

}  // namespace

int main() {
  Checks checks;
  const COLORREF colour = RGB(7, 10, 200);
  ColourWindow window({100, 100, 200, 200}, colour);
  moveCursor(150, 150);

  const int cycles = 1000;
  size_t first = 0;
  int failedLoads = 0;
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    Checks quiet;
    Plugin plugin;
    if (!loadPlugin(plugin, "hoverhue.dll", quiet)) {
      ++failedLoads;
      continue;
    }
    useOnce(plugin);
    if (cycle == cycles) checkValues(plugin, checks, {150, 150}, colour);
    FreeLibrary(plugin.module);
    if (cycle == 1) first = committedPrivateBytes();
  }
  size_t last = committedPrivateBytes();
  char loads[64];
  std::snprintf(loads, sizeof loads, "every load succeeds (%d failed)",
                failedLoads);
  checks.truth(loads, failedLoads == 0);

  const size_t bound = 1 << 20;
  std::printf(
      "private memory after cycle 1: %zu KiB, after cycle %d: %zu KiB\n",
      first / 1024, cycles, last / 1024);
  char what[96];
  std::snprintf(what, sizeof what,
                "memory grows by less than %zu KiB over %d cycles",
                bound / 1024, cycles);
  checks.truth(what, last < first + bound);
  return checks.finish();
}
