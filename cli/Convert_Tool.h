#pragma once
// What zembrix-convert does once its command line is parsed.

#include "cli/Convert_Args.h"

// Gives the exit status: 0 success, 1 failure (reported on standard error),
// 2 usage error (usage on standard error).
int Run_Convert(const Convert_Args& args);
