// The probe's portable rooms: what it accepts from a plug-in and from its
// command line, how it makes a plug-in's text safe to show, and what it
// prints of a reading in each format.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "../../tools/probe/console.h"
#include "../../tools/probe/options.h"
#include "../../tools/probe/output.h"
#include "../../tools/probe/plugin.h"
#include "fake_console.h"

namespace {

TEST(ProbeFunctionList, SplitsOnlyWellFormedLists) {
  std::vector<std::string> names;
  ASSERT_TRUE(splitFunctionList("mousex|colour_2|_x", names));
  EXPECT_EQ(names, (std::vector<std::string>{"mousex", "colour_2", "_x"}));
  for (const char* bad : {"", "|", "a|", "|a", "a||b", "a b", "2a", "_f@0",
                          "a|b-c", "caf\xc3\xa9"})
    EXPECT_FALSE(splitFunctionList(bad, names)) << '"' << bad << '"';
}

TEST(ProbeColourOfText, ReadsOnlyTheTwoTriplesExactly) {
  unsigned rgb[3];
  ASSERT_TRUE(colourOfText(u"R:255 G:0 B:9", rgb));
  EXPECT_EQ((std::vector<unsigned>{rgb[0], rgb[1], rgb[2]}),
            (std::vector<unsigned>{255, 0, 9}));
  ASSERT_TRUE(colourOfText(u"07 0A c8", rgb));
  EXPECT_EQ((std::vector<unsigned>{rgb[0], rgb[1], rgb[2]}),
            (std::vector<unsigned>{7, 10, 200}));
  for (const char16_t* bad :
       {u"070AC8", u"R:+7 G:010 B:200", u"R:7 G:010 B:200", u"R:256 G:0 B:0",
        u"R:1 G:2 B:3 ", u" R:1 G:2 B:3", u"R:1 G:2", u"R:-1 G:2 B:3",
        u"R:1  G:2 B:3", u"R:1000 G:0 B:0", u"07 0A", u"07 0A C8 ",
        u" 07 0A C8", u"7 0A C8", u"07 0A C8 00", u"+7 0A C8", u"0x 0A C8",
        u"07\t0A C8", u""})
    EXPECT_FALSE(colourOfText(bad, rgb))
        << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
}

TEST(ProbeEscapeText, EscapesC0DelAndC1AndCutsByCharacters) {
  std::size_t cut = 99;
  EXPECT_EQ(escapeText(u"\x1b[2Jx\n\x7f\x01~", 200, cut),
            "\\x1b[2Jx\\x0a\\x7f\\x01~");
  EXPECT_EQ(cut, 0u);
  // "\xC2\x9B" as the UTF-8 code page decodes it: a terminal's CSI.
  EXPECT_EQ(escapeText(u"\u009B2J", 200, cut), "\\x9b2J");
  // 0x8D, 0x90, 0x9D and 0x9B as code page 1252 decodes them: RI, DCS and
  // OSC, which are escaped, and a quotation mark, which is shown.
  EXPECT_EQ(escapeText(u"\u008D\u0090\u009D\u203A", 200, cut),
            "\\x8d\\x90\\x9d\xe2\x80\xba");
  EXPECT_EQ(escapeText(u"\u00A0\u00E9", 200, cut), "\xc2\xa0\xc3\xa9");
  // Characters, not bytes or code units: a pair is never split.
  EXPECT_EQ(escapeText(u"ab\U0001F600cd", 3, cut), "ab\xf0\x9f\x98\x80");
  EXPECT_EQ(cut, 2u);
  EXPECT_EQ(escapeText(u"\u00e9\u00e9\u00e9", 2, cut), "\xc3\xa9\xc3\xa9");
  EXPECT_EQ(cut, 1u);
  EXPECT_EQ(escapeText(std::u16string(u"a\xD800z"), 200, cut),
            "a\xef\xbf\xbdz");
  EXPECT_EQ(escapeText(u"", 4, cut), "");
  std::string shown;
  for (int i = 0; i < 200; ++i) shown += "\xc3\xa9";
  EXPECT_EQ(shownText(std::u16string(250, u'\u00e9')),
            shown + " [... 50 more characters cut]");
}

std::string format(const char* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  std::string text = formatText(pattern, args);
  va_end(args);
  return text;
}

TEST(ProbeFormatText, MessagesOfAnyLength) {
  const std::string path = std::string(5000, 'd') + "\\nosuch.dll";
  EXPECT_EQ(format("cannot load %s: %s (error %d)", path.c_str(), "gone", 2),
            "cannot load " + path + ": gone (error 2)");
  EXPECT_EQ(format("%s", ""), "");
}

TEST(ProbeOptions, ParseNumberTakesWholeNumbersInRangeAndNothingElse) {
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

TEST(ProbeOptions, HelpSaysWhatIsEscapedAndStaysNarrow) {
  wchar_t probe[] = L"probe", help[] = L"--help";
  wchar_t* argv[] = {probe, help};
  Options options;
  emitted[0].clear();
  EXPECT_EQ(parseOptions(2, argv, options), 0);
  const std::string& text = emitted[0];
  EXPECT_NE(text.find("U+0080 to U+009F"), std::string::npos) << text;
  EXPECT_NE(text.find("--json"), std::string::npos);
  for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
  }
}

Answer answer(const char* name, std::u16string text,
              std::u16string description = u"") {
  Answer a;
  a.name = name;
  a.answered = true;
  a.text = text;
  a.description = description;
  return a;
}

TEST(ProbeOutput, PlainLinesAndOneJsonObjectPerReading) {
  Answer none;
  none.name = "nothing";
  std::vector<Answer> reading = {
      answer("mousex", u"-399"), answer("colourHex", u"00 00 FF"),
      answer("answer", u"42", u"takes \x1b no parameters"), none,
      answer("odd", u"\"q\\\u009B\u00e9\U0001F600\xD800\n")};
  std::size_t rows = 0;
  EXPECT_EQ(formatReading(reading, Format::plain, 0, rows),
            "mousex: -399\ncolourHex: 00 00 FF\n"
            "answer: 42  [parameters: takes \\x1b no parameters]\n"
            "nothing: (no text)\n"
            "odd: \"q\\\\x9b\xc3\xa9\xf0\x9f\x98\x80\xef\xbf\xbd\\x0a\n");
  EXPECT_EQ(rows, 5u);
  EXPECT_EQ(
      formatReading(reading, Format::json, 0, rows),
      "{\"mousex\":\"-399\",\"colourHex\":\"00 00 FF\","
      "\"answer\":\"42\",\"nothing\":null,"
      "\"odd\":\"\\\"q\\\\\\u009b\xc3\xa9\xf0\x9f\x98\x80\\ud800\\u000a\"}"
      "\n");
  EXPECT_EQ(betweenReadings(Format::json, rows), "");
  EXPECT_EQ(betweenReadings(Format::plain, rows), "\n");
  // The whole text, however long: JSON is read by programs.
  std::vector<Answer> longOne = {answer("a", std::u16string(300, u'x'))};
  EXPECT_EQ(formatReading(longOne, Format::json, 0, rows),
            "{\"a\":\"" + std::string(300, 'x') + "\"}\n");
}

// Enough of a terminal `width` columns wide for the probe's redraws: text
// that wraps, newlines, carriage returns, cursor up (CSI n A), erase below
// (CSI J), erase line (CSI 2K); colours (CSI ... m) are ignored.
struct Terminal {
  std::size_t width;
  std::vector<std::string> rows{1};
  std::size_t row = 0, column = 0;

  void put(const std::string& out) {
    for (std::size_t i = 0; i < out.size(); ++i) {
      if (out[i] == '\x1b') {
        std::size_t end = out.find_first_of("AJKm", i);
        std::string argument = out.substr(i + 2, end - i - 2);
        if (out[end] == 'A') row -= std::min(row, std::stoul(argument));
        if (out[end] == 'J') {
          rows.resize(row + 1);
          rows[row].resize(column);
        }
        if (out[end] == 'K') rows[row].clear();
        i = end;
      } else if (out[i] == '\n') {
        newRow();
      } else if (out[i] == '\r') {
        column = 0;
      } else {
        if (column == width) newRow();
        std::string& line = rows[row];
        if (line.size() <= column) line.resize(column + 1, ' ');
        line[column++] = out[i];
      }
    }
  }
  void newRow() {
    if (++row == rows.size()) rows.emplace_back();
    column = 0;
  }
  std::string screen() const {
    std::string text;
    for (const std::string& line : rows) text += line + "|";
    return text;
  }
};

TEST(ProbeOutput, TerminalRedrawLeavesNoStaleRows) {
  std::vector<Answer> wide = {answer("hostile", std::u16string(150, u'w')),
                              answer("colourRGB", u"R:1 G:2 B:3")};
  std::vector<Answer> narrow = {answer("hostile", u"n"),
                                answer("colourRGB", u"R:1 G:2 B:3")};
  Terminal redrawn{40}, fresh{40};
  std::size_t rows = 0;
  redrawn.put(formatReading(wide, Format::terminal, 40, rows));
  EXPECT_EQ(rows, 5u);  // 159 columns: 4 rows, then the colour's line
  redrawn.put(betweenReadings(Format::terminal, rows));
  redrawn.put(formatReading(narrow, Format::terminal, 40, rows));
  fresh.put(formatReading(narrow, Format::terminal, 40, rows));
  EXPECT_EQ(redrawn.screen(), fresh.screen());
  EXPECT_EQ(rows, 2u);
  EXPECT_NE(fresh.screen().find("R:1 G:2 B:3        |"), std::string::npos)
      << "the swatch: " << fresh.screen();
}

TEST(ProbeOutput, CountsTheRowsThatWrappedLinesTake) {
  EXPECT_EQ(columnsOf("R:0 \xd0\x9f\xd1\x80"), 6u);
  EXPECT_EQ(rowsTaken(0, 80), 1u);
  EXPECT_EQ(rowsTaken(80, 80), 1u);
  EXPECT_EQ(rowsTaken(81, 80), 2u);
  EXPECT_EQ(rowsTaken(300, 0), 1u);
}

}  // namespace
