// The console's pure text work: escaping and formatting, free of Windows.
#include <cstdio>

#include "console.h"

const char escapedCharacters[] =
    "control characters (C0, U+0000 to U+001F; DEL, U+007F; and C1, U+0080 "
    "to U+009F)";

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

namespace {

bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// The character at text[i], moving i past it.
char32_t nextCharacter(const std::u16string& text, std::size_t& i) {
  char32_t c = text[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 &&
      text[i] <= 0xDFFF)
    return 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
  if (c >= 0xD800 && c <= 0xDFFF) return 0xFFFD;
  return c;
}

}  // namespace

std::string escapeText(const std::u16string& text, std::size_t longest,
                       std::size_t& cut) {
  std::string safe;
  std::size_t i = 0, taken = 0;
  for (; i < text.size() && taken < longest; ++taken) {
    char32_t c = nextCharacter(text, i);
    if (isControl(c)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(c));
      safe += escape;
    } else {
      appendUtf8(safe, c);
    }
  }
  cut = 0;
  while (i < text.size()) {
    nextCharacter(text, i);
    ++cut;
  }
  return safe;
}

std::string shownText(const std::u16string& text) {
  std::size_t cut = 0;
  std::string shown = escapeText(text, longestShown, cut);
  if (cut > 0)
    shown += " [... " + std::to_string(cut) + " more characters cut]";
  return shown;
}

std::string formatText(const char* pattern, va_list args) {
  va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, pattern, measure);
  va_end(measure);
  if (length < 0) return pattern;
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::vsnprintf(&text[0], text.size(), pattern, args);
  text.resize(static_cast<std::size_t>(length));
  return text;
}
