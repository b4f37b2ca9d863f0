// The probe's output: UTF-8 text to a console or a pipe, its messages, and
// a plug-in's texts made safe to show.
#ifndef HOVERHUE_PROBE_CONSOLE_H
#define HOVERHUE_PROBE_CONSOLE_H

#include <windows.h>

#include <cstddef>
#include <string>

std::string utf8(const std::wstring& text);
std::wstring wide(const std::string& bytes, UINT codePage);

// Writes UTF-8 text: to a console as Unicode, whatever its code page; to a
// pipe or file as UTF-8 bytes. False when the output is gone.
bool emit(DWORD which, const std::string& text);

// "hoverhue-probe: message" on stderr; fail returns the exit code given.
int fail(int code, const char* pattern, ...);
void warn(const char* pattern, ...);

// A plug-in's 8-bit text as it may be shown: in the system's code page,
// control characters escaped, cut after 200 characters with a note of how
// much was left out.
std::string shown(const char* text);

// True when standard output is a console that understands escape sequences
// (Windows 10 and later); the console's own mode comes back when the probe
// ends, Ctrl+C included.
bool outputIsTerminal();

// The width of the console that standard output is, 0 if none.
std::size_t consoleWidth();

#endif
