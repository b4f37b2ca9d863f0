// The exports end to end over the fake screen: what a host gets back, and
// how each call uses storage, the cursor and device contexts.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "fake_platform.h"
#include "plugin/result_text.h"
#include "hoverhue.h"

namespace {

using TextFunction = const char* (*)();

struct ValueFunction {
  const char* name;
  TextFunction call;
  std::size_t capacity;
  bool readsPixel;
};

const ValueFunction valueFunctions[] = {
    {"mousex", mousex, 33, false},      {"mousey", mousey, 33, false},
    {"colourRGB", colourRGB, 33, true}, {"colourR", colourR, 4, true},
    {"colourG", colourG, 4, true},      {"colourB", colourB, 4, true},
    {"colourHex", colourHex, 9, true},  {"colourRx", colourRx, 4, true},
    {"colourGx", colourGx, 4, true},    {"colourBx", colourBx, 4, true}};

std::string eventsOf(const FakeScreen& fake) {
  std::string text;
  for (const Event& e : fake.events) {
    switch (e.kind) {
      case Event::Allocate:
        text += "alloc " + std::to_string(e.capacity);
        break;
      case Event::AllocationFailed:
        text += "alloc " + std::to_string(e.capacity) + " failed";
        break;
      case Event::GetContext:
        text += "GetDC";
        break;
      case Event::GetCursor:
        text += "GetCursorPos";
        break;
      case Event::GetPixel:
        text += "GetPixel " + std::to_string(e.x) + "," + std::to_string(e.y);
        break;
      case Event::ReleaseContext:
        text += "ReleaseDC";
        break;
      case Event::SwitchDpi:
        text += "DPI v" + std::to_string(e.x) + (e.y ? " refused" : "");
        break;
      case Event::RestoreDpi:
        text += "DPI restore";
        break;
    }
    text += "; ";
  }
  return text;
}

TEST(SelfDescription, ListAndEmptyDescriptionAreConstant) {
  EXPECT_STREQ(init(),
               "mousex|mousey|colourRGB|colourR|colourG|colourB|colourHex|"
               "colourRx|colourGx|colourBx");
  EXPECT_EQ(init(), init());
  EXPECT_STREQ(getparam(0), "");
  EXPECT_EQ(getparam(0), getparam(0xFFFFFFFFu));
}

// One buffer first (here, the first text of a new block), then exactly one sample, the context given back, and
// the pixel read at the raw cursor position. A colour sample is taken with
// the thread switched to physical pixels and switched back, on whatever the
// platform offers; a position is read in the host's own coordinates.
TEST(ValueFrame, BufferFirstOneSampleContextReleased) {
  struct DpiCase {
    decltype(FakeScreen::dpi) dpi;
    const char* before;
    const char* after;
  };
  const DpiCase dpiCases[] = {
      {FakeScreen::PerMonitorV2, "DPI v2; ", "DPI restore; "},
      {FakeScreen::PerMonitorV1Only, "DPI v2 refused; DPI v1; ",
       "DPI restore; "},
      {FakeScreen::RefusesBoth, "DPI v2 refused; DPI v1 refused; ", ""},
      {FakeScreen::NoDpiSwitch, "", ""}};
  for (const DpiCase& d : dpiCases) {
    for (const ValueFunction& f : valueFunctions) {
      FakeScreen& fake = resetFakeScreen();
      fake.dpi = d.dpi;
      fake.cursor = {37, -5};
      f.call();
      std::string expected = "alloc 4096; ";
      if (f.readsPixel)
        expected += std::string(d.before) +
                    "GetDC; GetCursorPos; GetPixel 37,-5; ReleaseDC; " +
                    d.after;
      else
        expected += "GetCursorPos; ";
      EXPECT_EQ(eventsOf(fake), expected) << f.name << ", DPI case " << d.dpi;
      EXPECT_EQ(fake.contextsHeld, 0) << f.name;
      EXPECT_EQ(fake.dpiSwitchesHeld, 0) << f.name;
    }
  }
}

TEST(ValueFrame, ExhaustedStorageGivesTheEmptyTextAndTakesNoSample) {
  for (const ValueFunction& f : valueFunctions) {
    FakeScreen& fake = resetFakeScreen();
    fake.storageLimit = 0;
    EXPECT_EQ(f.call(), getparam(0)) << f.name;
    // No block, nor storage for just this one text.
    EXPECT_EQ(eventsOf(fake), "alloc 4096 failed; alloc " +
                                  std::to_string(f.capacity) + " failed; ")
        << f.name;
    // Storage for one text but not a block: the text is answered from it.
    fake.events.clear();
    fake.storageLimit = f.capacity;
    EXPECT_NE(f.call(), getparam(0)) << f.name;
    EXPECT_EQ(eventsOf(fake).rfind("alloc 4096 failed; alloc " +
                                       std::to_string(f.capacity) + "; ", 0),
              0u)
        << f.name << ": " << eventsOf(fake);
  }
  resetFakeScreen();
  EXPECT_STREQ(colourHex(), "00 00 00") << "answers again once storage is back";
}

// Texts are packed end to end, each taking exactly its capacity; one that
// does not fit the rest of a block opens a new block rather than being
// split. Every function's text is also written flush against a block's
// end, where AddressSanitizer catches any byte written past its capacity:
// the fake's blocks are exactly the size asked for.
TEST(ValueFrame, TextsPackedEndToEndAndNeverSplit) {
  for (const ValueFunction& f : valueFunctions) {
    FakeScreen& fake = resetFakeScreen();
    fake.colour = 0xFFFFFF;
    fake.cursor = {INT_MIN, INT_MIN};
    const char* start = colourHex();
    const char* next = start + 9;
    std::size_t left = textBlockCapacity - 9 - f.capacity;
    while (left > 0) {
      // Nines until what is left divides by four, then fours.
      bool nine = left % 4 != 0;
      const char* text = nine ? colourHex() : colourRx();
      ASSERT_EQ(text, next) << f.name << ": packed end to end";
      next += nine ? 9 : 4;
      left -= nine ? 9 : 4;
    }
    const char* last = f.call();
    ASSERT_EQ(last, start + textBlockCapacity - f.capacity) << f.name;
    const std::string lastText = last;
    const char* opened = f.call();
    EXPECT_TRUE(opened < start || opened >= start + textBlockCapacity)
        << f.name << ": the text after a full block is in a new one";
    EXPECT_EQ(lastText, last) << f.name << ": the block's last text intact";
    int blocks = 0;
    for (const Event& e : fake.events) blocks += e.kind == Event::Allocate;
    EXPECT_EQ(blocks, 2) << f.name;
  }
}

TEST(ValueFrame, EveryCallHasItsOwnBuffer) {
  for (const ValueFunction& f : valueFunctions) {
    FakeScreen& fake = resetFakeScreen();
    fake.cursor = {8, 8};
    fake.colour = 0x0080FF;
    const char* first = f.call();
    const std::string before = first;
    fake.cursor = {99, 99};
    fake.colour = 0xC80A07;
    const char* second = f.call();
    EXPECT_NE(first, second) << f.name;
    EXPECT_EQ(before, first) << f.name;
  }
}

struct ColourCase {
  ColourRef colour;
  const char* texts[8];  // colourRGB, R, G, B, colourHex, Rx, Gx, Bx
};

TEST(ColourValues, FixedAnswers) {
  const ColourCase cases[] = {
      {0x000000, {"R:0 G:0 B:0", "0", "0", "0", "00 00 00", "00", "00", "00"}},
      {0xFFFFFF,
       {"R:255 G:255 B:255", "255", "255", "255", "FF FF FF", "FF", "FF",
        "FF"}},
      // An unreadable pixel reads as white.
      {0xFFFFFFFF,
       {"R:255 G:255 B:255", "255", "255", "255", "FF FF FF", "FF", "FF",
        "FF"}},
      {0x0080FF,
       {"R:255 G:128 B:0", "255", "128", "0", "FF 80 00", "FF", "80", "00"}},
      {0xC80A07,
       {"R:7 G:10 B:200", "7", "10", "200", "07 0A C8", "07", "0A", "C8"}},
      {0x5BC80A07,
       {"R:7 G:10 B:200", "7", "10", "200", "07 0A C8", "07", "0A", "C8"}},
  };
  for (const ColourCase& c : cases) {
    for (int i = 0; i < 8; ++i) {
      const ValueFunction& f = valueFunctions[2 + i];
      resetFakeScreen().colour = c.colour;
      EXPECT_STREQ(f.call(), c.texts[i])
          << f.name << " of " << std::hex << c.colour;
    }
  }
}

TEST(PositionValues, OneBasedDecimalAtEveryBoundary) {
  const struct {
    std::int32_t raw;
    const char* text;
  } cases[] = {{0, "1"},
               {9, "10"},
               {1919, "1920"},
               {-1, "0"},
               {-5, "-4"},
               {INT_MAX, "2147483648"},
               {INT_MIN, "-2147483647"}};
  for (const auto& c : cases) {
    resetFakeScreen().cursor = {c.raw, 0};
    EXPECT_STREQ(mousex(), c.text) << "x = " << c.raw;
    resetFakeScreen().cursor = {0, c.raw};
    EXPECT_STREQ(mousey(), c.text) << "y = " << c.raw;
  }
}

TEST(PositionValues, UnreadableCursorReadsAsTopLeft) {
  FakeScreen& fake = resetFakeScreen();
  fake.cursor = {500, 600};
  fake.cursorReadable = false;
  fake.colour = 0x123456;
  EXPECT_STREQ(mousex(), "1");
  EXPECT_STREQ(mousey(), "1");
  fake.events.clear();
  EXPECT_STREQ(colourHex(), "56 34 12");
  EXPECT_EQ(eventsOf(fake),
            "DPI v2; GetDC; GetCursorPos; GetPixel 0,0; ReleaseDC; "
            "DPI restore; ");
}

}  // namespace
