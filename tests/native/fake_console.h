#pragma once

#include <string>

// What the probe's rooms wrote: [0] to stdout, [1] to stderr.
extern std::string emitted[2];
