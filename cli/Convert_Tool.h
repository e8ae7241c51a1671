#pragma once
// What zembrix-convert does once its command line is parsed.

#include "cli/Convert_Options.h"

// Gives the exit status: 0 success, 1 failure (reported on standard error),
// 2 usage error (one line on standard error), refused batch or palette file.
int Run_Convert(const Convert_Command& command);
