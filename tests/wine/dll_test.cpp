// Loads hoverhue.dll as a host would, under Wine's real loader, and reads
// every value over a window painted in a known colour under the real cursor.

#include "harness.h"

static const char functionList[] =
    "mousex|mousey|colourRGB|colourR|colourG|colourB|colourHex|colourRx|"
    "colourGx|colourBx";

static void checkExportNames(HMODULE module, Checks& checks) {
  // Decorated and underscored forms would mean the wrong calling convention
  // or a missing definitions file.
  const char* absent[] = {"getparam@4", "_getparam", "_getparam@4",
                          "init@0",     "_init",     "_mousex",
                          "mousex@0",   "DllMain",   "DllMainCRTStartup"};
  for (const char* name : absent) {
    char what[64];
    std::snprintf(what, sizeof what, "no export %s", name);
    checks.truth(what, GetProcAddress(module, name) == nullptr);
  }
}

static void checkSelfDescription(const Plugin& plugin, Checks& checks) {
  const char* list = plugin.init();
  checks.text("init", list, functionList);
  checks.truth("init gives the same text every call", plugin.init() == list);

  // Every name in the list is an export.
  char names[sizeof functionList];
  std::strcpy(names, list);
  int count = 0;
  for (char* name = std::strtok(names, "|"); name != nullptr;
       name = std::strtok(nullptr, "|"), ++count) {
    char what[64];
    std::snprintf(what, sizeof what, "listed %s is exported", name);
    checks.truth(what, GetProcAddress(plugin.module, name) != nullptr);
  }
  checks.truth("the list has ten names", count == valueCount);

  const char* description = plugin.getparam(0);
  checks.text("getparam(0)", description, "");
  checks.truth("getparam gives one object whatever its argument",
               plugin.getparam(12345) == description &&
                   plugin.getparam(0xFFFFFFFFu) == description);
}

static void checkValuesOverColour(const Plugin& plugin, Checks& checks) {
  // 7 and 10 catch a missing zero pad and lower-case hexadecimal.
  const COLORREF colour = RGB(7, 10, 200);
  ColourWindow window({100, 100, 300, 300}, colour);
  checks.truth("the painted colour reaches the screen", window.fill(colour));
  checks.truth("the cursor moves", moveCursor(150, 170));
  checkValues(plugin, checks, {150, 170}, colour);

  const char* first = plugin.values[6]();
  const char* second = plugin.values[6]();
  checks.truth("two calls give two buffers", first != second);
  checks.text("the first text after the second call", first, "07 0A C8");
}

// Each colour function switches the calling thread to physical pixels for
// its sample: it must leave the thread's DPI awareness as it found it,
// whatever the host thread had.
static void checkDpiAwarenessKept(const Plugin& plugin, Checks& checks) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  auto set = functionAt<HANDLE(WINAPI*)(HANDLE)>(
      GetProcAddress(user32, "SetThreadDpiAwarenessContext"));
  auto get = functionAt<HANDLE(WINAPI*)()>(
      GetProcAddress(user32, "GetThreadDpiAwarenessContext"));
  auto equal = functionAt<BOOL(WINAPI*)(HANDLE, HANDLE)>(
      GetProcAddress(user32, "AreDpiAwarenessContextsEqual"));
  checks.truth("the platform has per-thread DPI awareness",
               set != nullptr && get != nullptr && equal != nullptr);
  if (set == nullptr || get == nullptr || equal == nullptr) return;
  const struct {
    const char* name;
    INT_PTR context;
  } hosts[] = {{"unaware", -1}, {"system-aware", -2}, {"per-monitor-aware", -3}};
  HANDLE original = get();
  for (const auto& host : hosts) {
    const auto context = reinterpret_cast<HANDLE>(host.context);
    set(context);
    char what[96];
    std::snprintf(what, sizeof what, "the host thread is %s", host.name);
    checks.truth(what, equal(get(), context));
    for (int i = 2; i < valueCount; ++i) {
      plugin.values[i]();
      std::snprintf(what, sizeof what, "%s keeps the thread %s",
                    valueNames[i], host.name);
      checks.truth(what, equal(get(), context));
    }
  }
  set(original);
}

int main() {
  Checks checks;
  Plugin plugin;
  if (loadPlugin(plugin, "hoverhue.dll", checks)) {
    checkExportNames(plugin.module, checks);
    checkSelfDescription(plugin, checks);
    checkValuesOverColour(plugin, checks);
    checkDpiAwarenessKept(plugin, checks);
  }
  return checks.finish();
}
