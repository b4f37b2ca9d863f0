#include "console.h"

#include <windows.h>

#include <cstdlib>

namespace {

void say(const char* pattern, va_list args) {
  emit(Stream::err, "hoverhue-probe: " + formatText(pattern, args) + "\n");
}

// The console mode the probe found, put back as it ends.
HANDLE console = nullptr;
DWORD consoleMode = 0;

BOOL WINAPI restoreOnBreak(DWORD) {
  restoreConsole();
  return FALSE;  // and the default handler ends the probe
}

HANDLE handleOf(Stream stream) {
  return GetStdHandle(stream == Stream::out ? STD_OUTPUT_HANDLE
                                            : STD_ERROR_HANDLE);
}

std::wstring wide(const std::string& bytes, UINT codePage) {
  int size = MultiByteToWideChar(codePage, 0, bytes.c_str(),
                                 static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.c_str(),
                      static_cast<int>(bytes.size()), &text[0], size);
  return text;
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

bool emit(Stream stream, const std::string& text) {
  HANDLE output = handleOf(stream);
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

std::u16string fromCodePage(const char* text) {
  std::wstring decoded = wide(text, CP_ACP);
  return std::u16string(decoded.begin(), decoded.end());
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
    std::atexit(restoreConsole);
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

void restoreConsole() {
  if (console != nullptr) SetConsoleMode(console, consoleMode);
}

void writeError(const char* ascii) {
  DWORD length = 0, written = 0;
  while (ascii[length] != '\0') ++length;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), ascii, length, &written, nullptr);
}
