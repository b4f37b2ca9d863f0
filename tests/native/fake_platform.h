#pragma once

// A scripted screen behind the four platform operations, and a replacement
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
    ReleaseContext
  } kind;
  // Allocate: the capacity; GetPixel: the coordinates read.
  std::size_t capacity = 0;
  std::int32_t x = 0, y = 0;
};

struct FakeScreen {
  Point cursor{0, 0};
  bool cursorReadable = true;
  ColourRef colour = 0;
  bool storageExhausted = false;
  std::vector<Event> events;
  int contextsHeld = 0;
};

// Resets the fake to a readable cursor at (0, 0) over black and clears the
// record; recording stays on until the next reset.
FakeScreen& resetFakeScreen();
