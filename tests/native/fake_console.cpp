// The console's Windows half, for the probe's portable rooms natively: what
// they emit and fail with is kept for the tests to read.
#include "fake_console.h"

#include <cstdarg>

#include "../../tools/probe/console.h"

std::string emitted[2];

std::string utf8(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) appendUtf8(bytes, static_cast<char32_t>(c));
  return bytes;
}

bool emit(Stream stream, const std::string& text) {
  emitted[stream == Stream::out ? 0 : 1] += text;
  return true;
}

int fail(int code, const char* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  emitted[1] += formatText(pattern, args) + "\n";
  va_end(args);
  return code;
}
