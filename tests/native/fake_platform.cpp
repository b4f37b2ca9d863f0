#include "fake_platform.h"

#include <cstdlib>
#include <new>

#include "plugin/result_text.h"
#include "screen/platform.h"

static FakeScreen fake;
static bool recording = false;

FakeScreen& resetFakeScreen() {
  fake = FakeScreen{};
  recording = true;
  closeTextBlock();
  return fake;
}

static void record(Event event) {
  if (recording) fake.events.push_back(event);
}

ScreenContext getScreenContext() {
  record({Event::GetContext});
  ++fake.contextsHeld;
  return &fake;
}

void getCursorPosition(Point* cursor) {
  record({Event::GetCursor});
  if (fake.cursorReadable) *cursor = fake.cursor;
}

ColourRef getPixel(ScreenContext context, std::int32_t x, std::int32_t y) {
  record({Event::GetPixel, 0, x, y});
  return context == &fake ? fake.colour : 0xFFFFFFFFu;
}

void releaseScreenContext(ScreenContext context) {
  record({Event::ReleaseContext});
  if (context == &fake) --fake.contextsHeld;
}

void bindPlatform() {}

bool canSwitchThreadDpiAwareness() { return fake.dpi != FakeScreen::NoDpiSwitch; }

// The thread's context before a switch: any non-null token will do.
static char hostContext;

DpiContext switchThreadDpiAwareness(DpiAwareness awareness) {
  bool v2 = awareness == DpiAwareness::PerMonitorV2;
  bool refused = fake.dpi == FakeScreen::RefusesBoth ||
                 (v2 && fake.dpi != FakeScreen::PerMonitorV2);
  record({Event::SwitchDpi, 0, v2 ? 2 : 1, refused ? 1 : 0});
  if (refused) return nullptr;
  ++fake.dpiSwitchesHeld;
  return &hostContext;
}

void restoreThreadDpiAwareness(DpiContext previous) {
  record({Event::RestoreDpi});
  if (previous == &hostContext) --fake.dpiSwitchesHeld;
}

// Stands in for the library's heap, its one source of storage.
static std::vector<void*>& heldStorage() {
  static auto* held = new std::vector<void*>;  // outlives every destructor
  return *held;
}

void* operator new[](size_t size, const LibraryHeap&) noexcept {
  if (recording && size > fake.storageLimit) {
    record({Event::AllocationFailed, size});
    return nullptr;
  }
  // The recorder's own vector may allocate while recording, but never
  // through array new.
  record({Event::Allocate, size});
  // Exactly the size asked for: AddressSanitizer catches any overrun. Texts
  // are never freed, as in the library, where they go with its heap; held
  // here, they are no leak.
  heldStorage().push_back(std::malloc(size != 0 ? size : 1));
  return heldStorage().back();
}

void operator delete[](void* storage, const LibraryHeap&) noexcept {
  auto& held = heldStorage();
  for (auto i = held.begin(); i != held.end(); ++i)
    if (*i == storage) {
      held.erase(i);
      std::free(storage);
      return;
    }
}
