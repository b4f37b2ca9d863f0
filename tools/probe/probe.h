// What every room of the probe shares: its exit codes. None is one that a
// C runtime ends a program with on its own (abort() exits 3), so a code
// always means what the probe says it means.
#ifndef HOVERHUE_PROBE_H
#define HOVERHUE_PROBE_H

enum ExitCode {
  exitOk = 0,
  exitUsage = 2,
  exitWrongBitness = 4,
  exitNotAPlugin = 5,
  exitMissingFunction = 6,
  exitPluginCrashed = 7,
  exitOutputClosed = 8,
  exitCannotLoad = 9,
  exitPluginAborted = 10,
  exitWrongConvention = 11,
};

// Returned by a step when the probe should go on.
constexpr int goOn = -1;

#endif
