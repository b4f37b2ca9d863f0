#pragma once

// A scripted screen behind the platform operations, and a replacement
// for the global nothrow array new, both recording what the library does
// in order so tests can see the frame of every value call.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "screen/screen.h"

struct Event {
  enum Kind {
    Allocate,
    AllocationFailed,
    GetContext,
    GetCursor,
    GetPixel,
    ReleaseContext,
    SwitchDpi,
    RestoreDpi
  } kind;
  // Allocate, AllocationFailed: the size asked for; GetPixel: the coordinates read; SwitchDpi: the
  // version asked for (2 or 1) in x, and 1 in y when it was refused.
  std::size_t capacity = 0;
  std::int32_t x = 0, y = 0;
};

struct FakeScreen {
  Point cursor{0, 0};
  bool cursorReadable = true;
  ColourRef colour = 0;
  // Allocations larger than this fail: 0 is storage exhausted.
  std::size_t storageLimit = SIZE_MAX;
  // What the platform offers for the thread's DPI awareness: nothing (before
  // Windows 10 1607), a switch that refuses both versions, only version 1
  // (1607, and Wine 8), or both (1703 and later).
  enum { NoDpiSwitch, RefusesBoth, PerMonitorV1Only, PerMonitorV2 } dpi =
      PerMonitorV2;
  int dpiSwitchesHeld = 0;
  std::vector<Event> events;
  int contextsHeld = 0;
};

// Resets the fake to a readable cursor at (0, 0) over black and clears the
// record; recording stays on until the next reset. The library's current
// block of texts is closed, so the first text after a reset opens a block.
FakeScreen& resetFakeScreen();
