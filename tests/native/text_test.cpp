#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "values/text.h"

namespace {

// Every colour through every writer, against printf's conversions. Stops at
// the first mismatch so a fault does not print sixteen million lines.
TEST(ColourText, EveryColourMatchesPrintf) {
  char decimal[256][4], hex[256][3];
  for (unsigned v = 0; v < 256; ++v) {
    std::snprintf(decimal[v], sizeof decimal[v], "%u", v);
    std::snprintf(hex[v], sizeof hex[v], "%02X", v);
  }
  char expected[40], actual[40];
  for (std::uint32_t colour = 0; colour < (1u << 24); ++colour) {
    unsigned r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = colour >> 16;

    std::snprintf(expected, sizeof expected, "R:%u G:%u B:%u", r, g, b);
    char* end = writeColourDecimal(actual, colour);
    ASSERT_STREQ(actual, expected) << "colour " << colour;
    ASSERT_EQ(end, actual + std::strlen(expected));

    std::snprintf(expected, sizeof expected, "%02X %02X %02X", r, g, b);
    end = writeColourHex(actual, colour);
    ASSERT_STREQ(actual, expected) << "colour " << colour;
    ASSERT_EQ(end, actual + 8);

    const unsigned components[3] = {redOf(colour), greenOf(colour),
                                    blueOf(colour)};
    const unsigned reference[3] = {r, g, b};
    for (int i = 0; i < 3; ++i) {
      writeDecimal(actual, components[i]);
      ASSERT_STREQ(actual, decimal[reference[i]]) << "colour " << colour;
      writeHexByte(actual, components[i]);
      ASSERT_STREQ(actual, hex[reference[i]]) << "colour " << colour;
    }
  }
}

TEST(ColourText, TopByteNeverReachesTheText) {
  char plain[40], topped[40];
  for (std::uint32_t colour = 0; colour < (1u << 24); colour += 4099) {
    for (std::uint32_t top : {0x01u, 0x80u, 0xFFu}) {
      const std::uint32_t withTop = colour | (top << 24);
      writeColourDecimal(plain, colour);
      writeColourDecimal(topped, withTop);
      ASSERT_STREQ(topped, plain);
      writeColourHex(plain, colour);
      writeColourHex(topped, withTop);
      ASSERT_STREQ(topped, plain);
      ASSERT_EQ(redOf(withTop), redOf(colour));
      ASSERT_EQ(greenOf(withTop), greenOf(colour));
      ASSERT_EQ(blueOf(withTop), blueOf(colour));
    }
  }
}

TEST(DecimalText, LimitsAndAroundZero) {
  const std::int64_t limits[] = {
      INT32_MIN,        INT32_MIN + 1LL, INT32_MAX,         INT32_MAX + 1LL,
      -INT32_MAX - 2LL, UINT32_MAX,      -1LL * UINT32_MAX, -1000000000LL,
      999999999LL,      1000000000LL};
  char expected[40], actual[40];
  for (std::int64_t value : limits) {
    std::snprintf(expected, sizeof expected, "%" PRId64, value);
    char* end = writeDecimal(actual, value);
    EXPECT_STREQ(actual, expected);
    EXPECT_EQ(end, actual + std::strlen(expected));
  }
  for (std::int64_t value = -100000; value <= 100000; ++value) {
    std::snprintf(expected, sizeof expected, "%" PRId64, value);
    writeDecimal(actual, value);
    ASSERT_STREQ(actual, expected);
  }
}

}  // namespace
