#include "console.h"

#include <cstdarg>
#include <cstdlib>

#include "text.h"

namespace {

constexpr std::size_t longestShown = 200;

void say(const char* pattern, va_list args) {
  emit(STD_ERROR_HANDLE, "hoverhue-probe: " + formatText(pattern, args) + "\n");
}

// The console mode the probe found, put back as it ends.
HANDLE console = nullptr;
DWORD consoleMode = 0;

void restoreConsoleMode() { SetConsoleMode(console, consoleMode); }

BOOL WINAPI restoreOnBreak(DWORD) {
  restoreConsoleMode();
  return FALSE;  // and the default handler ends the probe
}

}  // namespace

std::string utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(),
                                 static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                      &bytes[0], size, nullptr, nullptr);
  return bytes;
}

std::wstring wide(const std::string& bytes, UINT codePage) {
  int size = MultiByteToWideChar(codePage, 0, bytes.c_str(),
                                 static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.c_str(),
                      static_cast<int>(bytes.size()), &text[0], size);
  return text;
}

bool emit(DWORD which, const std::string& text) {
  HANDLE output = GetStdHandle(which);
  DWORD mode = 0, written = 0;
  if (GetConsoleMode(output, &mode)) {
    std::wstring unicode = wide(text, CP_UTF8);
    return WriteConsoleW(output, unicode.c_str(),
                         static_cast<DWORD>(unicode.size()), &written,
                         nullptr) != 0;
  }
  std::string bytes;
  for (char c : text) {  // text mode, as a Windows program's output is
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()),
                   &written, nullptr) != 0 &&
         written == bytes.size();
}

int fail(int code, const char* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  say(pattern, args);
  va_end(args);
  return code;
}

void warn(const char* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  say(pattern, args);
  va_end(args);
}

std::string shown(const char* text) {
  if (text == nullptr) return "(no text)";
  std::size_t cut = 0;
  std::string result = utf8(wide(escapeText(text, longestShown, cut), CP_ACP));
  if (cut > 0) result += " [... " + std::to_string(cut) + " more bytes cut]";
  return result;
}

// Wine's console accepts the mode but splits escape sequences with its own,
// so under Wine the output stays plain.
bool outputIsTerminal() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetFileType(output) != FILE_TYPE_CHAR || !GetConsoleMode(output, &mode))
    return false;
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
    return false;
  if (console == nullptr) {
    console = output;
    consoleMode = mode;
    std::atexit(restoreConsoleMode);
    SetConsoleCtrlHandler(restoreOnBreak, TRUE);
  }
  return SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) &&
         GetConsoleMode(output, &mode) &&
         (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

std::size_t consoleWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) ||
      info.dwSize.X <= 0)
    return 0;
  return static_cast<std::size_t>(info.dwSize.X);
}
