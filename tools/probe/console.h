// The probe's output: UTF-8 text to a console or a pipe, its messages, and
// a plug-in's texts made safe to show. This header names no Windows type,
// so the pure part (escaping, formatting) builds and is tested natively.
#ifndef HOVERHUE_PROBE_CONSOLE_H
#define HOVERHUE_PROBE_CONSOLE_H

#include <cstdarg>
#include <cstddef>
#include <string>

#if defined(__GNUC__)
#define PROBE_PRINTF(pattern, first) \
  __attribute__((format(printf, pattern, first)))
#else
#define PROBE_PRINTF(pattern, first)
#endif

// The longest text of a plug-in that is shown whole, in characters.
constexpr std::size_t longestShown = 200;

// What escapeText escapes, as --help says it.
extern const char escapedCharacters[];

enum class Stream { out, err };

std::string utf8(const std::wstring& text);

// Writes UTF-8 text: to a console as Unicode, whatever its code page; to a
// pipe or file as UTF-8 bytes. False when the output is gone.
bool emit(Stream stream, const std::string& text);

// "hoverhue-probe: message" on stderr; fail returns the exit code given.
int fail(int code, const char* pattern, ...) PROBE_PRINTF(2, 3);
void warn(const char* pattern, ...) PROBE_PRINTF(1, 2);

// One character's UTF-8 bytes.
void appendUtf8(std::string& out, char32_t c);

// A plug-in's 8-bit text decoded from the system's code page, as UTF-16.
std::u16string fromCodePage(const char* text);

// The first `longest` characters of a UTF-16 text as UTF-8, with every
// control character (C0, DEL and C1, U+0080 to U+009F) written as \xNN so
// that none can drive a terminal or break a line; `cut` gets the number of
// characters left out. A character is never split, and a lone surrogate
// shows as U+FFFD.
std::string escapeText(const std::u16string& text, std::size_t longest,
                       std::size_t& cut);

// escapeText at longestShown, with a note of what was cut.
std::string shownText(const std::u16string& text);

// printf into a string of whatever length it takes.
std::string formatText(const char* pattern, va_list args);

// True when standard output is a console that understands escape sequences
// (Windows 10 and later).
bool outputIsTerminal();

// The width of the console that standard output is, 0 if none.
std::size_t consoleWidth();

// Puts back the console mode the probe found, if it changed it. It takes
// no storage and no lock, so a crash report can call it: the probe calls it
// at every end, Ctrl+C and crashes included.
void restoreConsole();

// Writes ASCII bytes to stderr as they are, taking no storage: for reports
// made where the heap may be broken.
void writeError(const char* ascii);

#endif
