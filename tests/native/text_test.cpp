#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "values/text.h"

namespace {

// Each component's text depends on that component alone, so every text is
// covered by every value in each place, with the other two places held at
// values of their own. The decimal and hexadecimal forms of each value are
// fixed answers from printf.
TEST(ColourText, EveryComponentValueInEveryPlace) {
  char decimal[256][4], hex[256][3];
  for (unsigned v = 0; v < 256; ++v) {
    std::snprintf(decimal[v], sizeof decimal[v], "%u", v);
    std::snprintf(hex[v], sizeof hex[v], "%02X", v);
  }
  using Component = unsigned (*)(ColourRef);
  const Component componentOf[3] = {redOf, greenOf, blueOf};
  char actual[40];
  for (int place = 0; place < 3; ++place) {
    for (unsigned v = 0; v < 256; ++v) {
      unsigned parts[3] = {(v * 7 + 85) & 0xFF, (v * 13 + 170) & 0xFF,
                           (255 - v)};
      parts[place] = v;
      const ColourRef colour = parts[0] | parts[1] << 8 | parts[2] << 16;
      const std::string decimalText = std::string("R:") + decimal[parts[0]] +
                                      " G:" + decimal[parts[1]] +
                                      " B:" + decimal[parts[2]];
      const std::string hexText = std::string(hex[parts[0]]) + " " +
                                  hex[parts[1]] + " " + hex[parts[2]];
      char* end = writeColourDecimal(actual, colour);
      ASSERT_EQ(actual, decimalText) << "colour " << colour;
      ASSERT_EQ(end, actual + decimalText.size());
      end = writeColourHex(actual, colour);
      ASSERT_EQ(actual, hexText) << "colour " << colour;
      ASSERT_EQ(end, actual + 8);
      ASSERT_EQ(componentOf[place](colour), v) << "colour " << colour;
      writeDecimal(actual, componentOf[place](colour));
      ASSERT_STREQ(actual, decimal[v]);
      writeHexByte(actual, componentOf[place](colour));
      ASSERT_STREQ(actual, hex[v]);
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
