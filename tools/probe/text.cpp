#include "text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

bool isName(const std::string& name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
          (c >= '0' && c <= '9') || c == '_'))
      return false;
  return true;
}

bool splitFunctionList(const std::string& list,
                       std::vector<std::string>& names) {
  names.clear();
  for (std::size_t start = 0;;) {
    std::size_t bar = list.find('|', start);
    std::string name = list.substr(start, bar - start);
    if (!isName(name)) return false;
    names.push_back(name);
    if (bar == std::string::npos) return true;
    start = bar + 1;
  }
}

bool colourOfText(const char* text, unsigned rgb[3]) {
  int used = 0;
  if (std::sscanf(text, "R:%u G:%u B:%u%n", &rgb[0], &rgb[1], &rgb[2], &used) ==
          3 ||
      std::sscanf(text, "%2x %2x %2x%n", &rgb[0], &rgb[1], &rgb[2], &used) == 3)
    return text[used] == '\0' && rgb[0] < 256 && rgb[1] < 256 && rgb[2] < 256;
  return false;
}

std::string escapeText(const char* text, std::size_t longest,
                       std::size_t& cut) {
  std::size_t length = std::strlen(text);
  cut = length > longest ? length - longest : 0;
  std::string safe;
  for (std::size_t i = 0; i < length - cut; ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      safe += escape;
    } else {
      safe += text[i];
    }
  }
  return safe;
}

bool parseNumber(const wchar_t* text, long min, long max, long* value) {
  if (text == nullptr || *text == L'\0') return false;
  wchar_t* end = nullptr;
  errno = 0;
  long long parsed = std::wcstoll(text, &end, 10);
  if (*end != L'\0' || errno != 0 || parsed < min || parsed > max) return false;
  *value = static_cast<long>(parsed);
  return true;
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
