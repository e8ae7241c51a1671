#pragma once
// The options of zembrix-convert: one table of them, read into settings.

#include "cli/Convert_Settings.h"

#include <string>
#include <vector>

// The settings of a command line, or the usage error in it (then the
// action is usage_error and `error` says what was wrong).
struct Convert_Command {
    Convert_Settings settings;
    std::string error;
};

extern const char* const convert_usage;

// Parses the arguments that follow the program name.
Convert_Command Parse_Convert_Args(const std::vector<std::string>& args);
