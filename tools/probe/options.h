// The probe's command line.
#ifndef HOVERHUE_PROBE_OPTIONS_H
#define HOVERHUE_PROBE_OPTIONS_H

#include <string>

struct Options {
  std::wstring dll;
  bool moveCursor = false;
  long x = 0, y = 0;
  long watchMs = 0;
  bool json = false;
};

// Returns goOn, or the exit code to stop with (after --help, or a usage
// error, which it reports).
int parseOptions(int argc, wchar_t** argv, Options& options);

// A whole number from min to max, the whole text and nothing else.
bool parseNumber(const wchar_t* text, long min, long max, long* value);

#endif
