// What every room of the probe shares: its exit codes.
#ifndef HOVERHUE_PROBE_H
#define HOVERHUE_PROBE_H

enum ExitCode {
  exitOk = 0,
  exitUsage = 2,
  exitCannotLoad = 3,
  exitWrongBitness = 4,
  exitNotAPlugin = 5,
  exitMissingFunction = 6,
  exitPluginCrashed = 7,
  exitOutputClosed = 8,
};

// Returned by a step when the probe should go on.
constexpr int goOn = -1;

#endif
