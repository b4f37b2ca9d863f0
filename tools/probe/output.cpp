#include "output.h"

#include <cstdio>

#include "console.h"

namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int hexDigit(char16_t c) {
  if (isDigit(c)) return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// A decimal component at text[i], with no sign and no leading zero.
bool readDecimal(const std::u16string& text, std::size_t& i, unsigned& value) {
  std::size_t start = i;
  value = 0;
  while (i < text.size() && isDigit(text[i]) && i - start < 3)
    value = value * 10 + static_cast<unsigned>(text[i++] - u'0');
  std::size_t digits = i - start;
  return digits > 0 && !(digits > 1 && text[start] == u'0') && value < 256 &&
         !(i < text.size() && isDigit(text[i]));
}

bool expect(const std::u16string& text, std::size_t& i, const char16_t* what) {
  for (; *what != u'\0'; ++what, ++i)
    if (i >= text.size() || text[i] != *what) return false;
  return true;
}

bool decimalTriple(const std::u16string& text, unsigned rgb[3]) {
  std::size_t i = 0;
  return expect(text, i, u"R:") && readDecimal(text, i, rgb[0]) &&
         expect(text, i, u" G:") && readDecimal(text, i, rgb[1]) &&
         expect(text, i, u" B:") && readDecimal(text, i, rgb[2]) &&
         i == text.size();
}

bool hexTriple(const std::u16string& text, unsigned rgb[3]) {
  if (text.size() != 8 || text[2] != u' ' || text[5] != u' ') return false;
  for (int c = 0; c < 3; ++c) {
    int high = hexDigit(text[3 * c]), low = hexDigit(text[3 * c + 1]);
    if (high < 0 || low < 0) return false;
    rgb[c] = static_cast<unsigned>(high * 16 + low);
  }
  return true;
}

std::string swatch(const std::u16string& text) {
  unsigned rgb[3];
  if (!colourOfText(text, rgb)) return "";
  return "  \x1b[48;2;" + std::to_string(rgb[0]) + ";" +
         std::to_string(rgb[1]) + ";" + std::to_string(rgb[2]) +
         "m      \x1b[0m";
}

std::string lines(const std::vector<Answer>& answers, bool terminal,
                  std::size_t width, std::size_t& rows) {
  std::string out;
  rows = 0;
  for (const Answer& answer : answers) {
    std::string line = answer.name + ": " +
                       (answer.answered ? shownText(answer.text) : "(no text)");
    if (!answer.description.empty())
      line += "  [parameters: " + shownText(answer.description) + "]";
    std::size_t columns = columnsOf(line);
    if (terminal && answer.answered) {
      std::string colour = swatch(answer.text);
      if (!colour.empty()) columns += 8;
      line += colour;
    }
    out += line + '\n';
    rows += rowsTaken(columns, width);
  }
  return out;
}

std::string json(const std::vector<Answer>& answers) {
  std::string out = "{";
  for (const Answer& answer : answers) {
    if (out.size() > 1) out += ',';
    out += jsonString(std::u16string(answer.name.begin(), answer.name.end()));
    out += ':';
    out += answer.answered ? jsonString(answer.text) : "null";
  }
  return out + "}\n";
}

}  // namespace

std::string formatReading(const std::vector<Answer>& answers, Format format,
                          std::size_t width, std::size_t& rows) {
  if (format == Format::json) {
    rows = 1;
    return json(answers);
  }
  return lines(answers, format == Format::terminal, width, rows);
}

std::string betweenReadings(Format format, std::size_t rows) {
  switch (format) {
    case Format::terminal:
      return "\x1b[" + std::to_string(rows) + "A\r\x1b[J";
    case Format::json:
      return "";
    default:
      return "\n";
  }
}

bool colourOfText(const std::u16string& text, unsigned rgb[3]) {
  return decimalTriple(text, rgb) || hexTriple(text, rgb);
}

std::string jsonString(const std::u16string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
                text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (c == u'"' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (pair) {
      appendUtf8(out,
                 0x10000 + ((c - 0xD800u) << 10) + (text[i + 1] - 0xDC00u));
      ++i;
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F) ||
               (c >= 0xD800 && c <= 0xDFFF)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      appendUtf8(out, c);
    }
  }
  return out + '"';
}

std::size_t columnsOf(const std::string& utf8) {
  std::size_t columns = 0;
  for (char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++columns;
  return columns;
}

std::size_t rowsTaken(std::size_t columns, std::size_t width) {
  if (columns == 0 || width == 0) return 1;
  return (columns + width - 1) / width;
}
