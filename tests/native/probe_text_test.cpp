// The probe's pure text work: what it accepts from a plug-in and from its
// command line, and how it shows what a plug-in answers.
#include <gtest/gtest.h>

#include "../../tools/probe/text.h"

namespace {

TEST(ProbeFunctionList, SplitsOnlyWellFormedLists) {
  std::vector<std::string> names;
  ASSERT_TRUE(splitFunctionList("mousex|colour_2|_x", names));
  EXPECT_EQ(names, (std::vector<std::string>{"mousex", "colour_2", "_x"}));
  for (const char* bad : {"", "|", "a|", "|a", "a||b", "a b", "2a", "_f@0",
                          "a|b-c", "caf\xc3\xa9"})
    EXPECT_FALSE(splitFunctionList(bad, names)) << '"' << bad << '"';
}

TEST(ProbeColourOfText, ReadsBothTriplesExactly) {
  unsigned rgb[3];
  ASSERT_TRUE(colourOfText("R:255 G:128 B:0", rgb));
  EXPECT_EQ((std::vector<unsigned>{rgb[0], rgb[1], rgb[2]}),
            (std::vector<unsigned>{255, 128, 0}));
  ASSERT_TRUE(colourOfText("07 0A C8", rgb));
  EXPECT_EQ((std::vector<unsigned>{rgb[0], rgb[1], rgb[2]}),
            (std::vector<unsigned>{7, 10, 200}));
  for (const char* bad : {"R:256 G:0 B:0", "R:1 G:2 B:3 ", "07 0A", "1",
                          "07 0A C8 00", "R:1 G:2"})
    EXPECT_FALSE(colourOfText(bad, rgb)) << '"' << bad << '"';
}

TEST(ProbeEscapeText, EscapesEveryControlByteAndCutsByBytes) {
  std::size_t cut = 99;
  EXPECT_EQ(escapeText("\x1b[2Jx\n\x7f\x01~", 200, cut),
            "\\x1b[2Jx\\x0a\\x7f\\x01~");
  EXPECT_EQ(cut, 0u);
  EXPECT_EQ(escapeText("abcdef", 4, cut), "abcd");
  EXPECT_EQ(cut, 2u);
  EXPECT_EQ(escapeText("", 4, cut), "");
}

TEST(ProbeParseNumber, TakesWholeNumbersInRangeAndNothingElse) {
  long value = 0;
  ASSERT_TRUE(parseNumber(L"-2147483648", INT32_MIN, INT32_MAX, &value));
  EXPECT_EQ(value, INT32_MIN);
  ASSERT_TRUE(parseNumber(L"3600000", 1, 3600000, &value));
  EXPECT_EQ(value, 3600000);
  struct Case {
    const wchar_t* text;
    long min, max;
  };
  for (Case bad : {Case{L"", INT32_MIN, INT32_MAX},
                   {L"2147483648", INT32_MIN, INT32_MAX},
                   {L"-2147483649", INT32_MIN, INT32_MAX},
                   {L"99999999999999999999", INT32_MIN, INT32_MAX},
                   {L"12x", INT32_MIN, INT32_MAX},
                   {L"1.5", INT32_MIN, INT32_MAX},
                   {L"0x10", INT32_MIN, INT32_MAX},
                   {L"0", 1, 3600000},
                   {L"3600001", 1, 3600000}}) {
    value = 7;
    EXPECT_FALSE(parseNumber(bad.text, bad.min, bad.max, &value))
        << "'" << bad.text << "'";
    EXPECT_EQ(value, 7) << "'" << bad.text << "' changed the value";
  }
  EXPECT_FALSE(parseNumber(nullptr, 0, 1, &value));
}

TEST(ProbeWatch, CountsTheRowsThatWrappedLinesTake) {
  EXPECT_EQ(columnsOf("R:0 \xd0\x9f\xd1\x80"), 6u);
  EXPECT_EQ(rowsTaken(0, 80), 1u);
  EXPECT_EQ(rowsTaken(80, 80), 1u);
  EXPECT_EQ(rowsTaken(81, 80), 2u);
  EXPECT_EQ(rowsTaken(300, 0), 1u);
}

}  // namespace
