// The plug-in under a host's load: many threads calling every export at
// once, and tens of thousands of colour calls that must give back every
// device context they take.

#include <process.h>

#include <algorithm>
#include <vector>

#include "harness.h"

namespace {

constexpr POINT cursor = {320, 240};
constexpr COLORREF colour = RGB(7, 10, 200);
// What each value function's text may take, as the library promises.
constexpr size_t capacities[valueCount] = {33, 33, 33, 4, 4, 4, 9, 4, 4, 4};

struct Received {
  const char* text;
  int which;
};

struct Worker {
  const Plugin* plugin;
  const ExpectedTexts* expected;
  int index;
  int calls;
  int wrong = 0;
  char firstWrong[128] = "";
  std::vector<Received> received;
};

void noteWrong(Worker& worker, const char* name, const char* text) {
  if (worker.wrong++ == 0)
    std::snprintf(worker.firstWrong, sizeof worker.firstWrong,
                  "thread %d: %s gave \"%s\"", worker.index, name,
                  text != nullptr ? text : "(null)");
}

// Cycles through all twelve exports, each thread from its own start.
unsigned __stdcall callEverything(void* argument) {
  Worker& worker = *static_cast<Worker*>(argument);
  const Plugin& plugin = *worker.plugin;
  const char* list = plugin.init();
  const char* description = plugin.getparam(0);
  for (int call = 0; call < worker.calls; ++call) {
    int which = (call + worker.index * 5) % (valueCount + 2);
    if (which == valueCount) {
      if (plugin.init() != list) noteWrong(worker, "init", plugin.init());
    } else if (which == valueCount + 1) {
      const char* text = plugin.getparam(static_cast<unsigned>(call));
      if (text != description) noteWrong(worker, "getparam", text);
    } else {
      const char* text = plugin.values[which]();
      worker.received.push_back({text, which});
      if (std::strcmp(text, worker.expected->text[which]) != 0)
        noteWrong(worker, valueNames[which], text);
    }
  }
  return 0;
}

void checkThreads(const Plugin& plugin, Checks& checks) {
  const int threads = 8, callsEach = 25000;
  ExpectedTexts expected = expectedTexts(cursor, colour);
  Worker workers[threads];
  HANDLE handles[threads];
  for (int i = 0; i < threads; ++i) {
    workers[i].plugin = &plugin;
    workers[i].expected = &expected;
    workers[i].index = i;
    workers[i].calls = callsEach;
    workers[i].received.reserve(callsEach);
    handles[i] = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, callEverything, &workers[i], 0, nullptr));
  }
  WaitForMultipleObjects(threads, handles, TRUE, INFINITE);
  int wrong = 0;
  for (int i = 0; i < threads; ++i) {
    CloseHandle(handles[i]);
    wrong += workers[i].wrong;
    if (workers[i].wrong > 0) std::printf("  %s\n", workers[i].firstWrong);
  }
  char what[96];
  std::snprintf(what, sizeof what,
                "%d threads x %d calls of all twelve exports: %d wrong",
                threads, callsEach, wrong);
  checks.truth(what, wrong == 0);

  // Every text received, on any thread, has bytes of its own, and still
  // holds what it said when it was returned.
  std::vector<Received> all;
  for (const Worker& worker : workers)
    all.insert(all.end(), worker.received.begin(), worker.received.end());
  std::sort(all.begin(), all.end(), [](const Received& a, const Received& b) {
    return a.text < b.text;
  });
  int overlapping = 0, changed = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (i + 1 < all.size() &&
        all[i].text + capacities[all[i].which] > all[i + 1].text) {
      if (overlapping++ == 0)
        std::printf("  %s at %p overlaps %s at %p\n", valueNames[all[i].which],
                    static_cast<const void*>(all[i].text),
                    valueNames[all[i + 1].which],
                    static_cast<const void*>(all[i + 1].text));
    }
    if (std::strcmp(all[i].text, expected.text[all[i].which]) != 0) ++changed;
  }
  std::snprintf(what, sizeof what, "%d texts received: %d overlapping",
                static_cast<int>(all.size()), overlapping);
  checks.truth(what, overlapping == 0);
  std::snprintf(what, sizeof what, "%d texts received: %d changed since",
                static_cast<int>(all.size()), changed);
  checks.truth(what, changed == 0);
}

// Every context taken must be given back: one left held per call would
// also, over fifty thousand calls, run the process out of GDI handles, and
// the colour would read as white.
void checkDeviceContexts(const Plugin& plugin, Checks& checks) {
  ExpectedTexts expected = expectedTexts(cursor, colour);
  DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  LONG takenBefore = ContextCount::taken;
  const int calls = 50000;
  const char* last = nullptr;
  int lastIndex = 0;
  for (int call = 0; call < calls; ++call) {
    lastIndex = 2 + call % (valueCount - 2);
    last = plugin.values[lastIndex]();
  }
  checks.text("the last of 50000 colour calls", last, expected.text[lastIndex]);
  std::printf("device contexts: %ld taken, %ld given back\n",
              ContextCount::taken, ContextCount::released);
  checks.truth("one device context per colour call",
               ContextCount::taken - takenBefore == calls);
  checks.truth("every device context given back",
               ContextCount::released == ContextCount::taken);
  DWORD gdiAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (gdiBefore != 0 || gdiAfter != 0) {
    std::printf("GDI objects: %lu before, %lu after\n", gdiBefore, gdiAfter);
    checks.truth("GDI object count flat", gdiAfter <= gdiBefore + 2);
  }
}

}  // namespace

int main() {
  Checks checks;
  Plugin plugin;
  if (!loadPlugin(plugin, "hoverhue.dll", checks)) return checks.finish();
  checks.truth("device contexts counted", ContextCount::install(plugin.module));
  ColourWindow window({220, 140, 420, 340}, colour);
  checks.truth("cursor moves", moveCursor(cursor.x, cursor.y));
  DWORD start = GetTickCount();
  checkThreads(plugin, checks);
  std::printf("threads: %lu ms\n", GetTickCount() - start);
  start = GetTickCount();
  checkDeviceContexts(plugin, checks);
  std::printf("device contexts: %lu ms\n", GetTickCount() - start);
  return checks.finish();
}
