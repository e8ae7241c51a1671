#pragma once
// What zembrix-convert does once its command line is parsed.

#include "app/MQ4_Document.h"
#include "cli/Convert_Args.h"

#include <optional>
#include <string>

constexpr int exit_success = 0;
constexpr int exit_failure = 1;
constexpr int exit_usage = 2;

// The picture of an input: an MQ4 file read as it is (by its name), any other
// image converted with the method (see Convert_Args::slot). None on failure,
// reported through app/Report.h.
std::optional<MQ4_Document> Read_Input(const std::string& input, int slot);

// Writes an MQ4 file or, for any other name, a PNG at the scale. False on
// failure, reported through app/Report.h.
bool Write_Output(const std::string& output, const MQ4_Document& picture, int scale);

// Gives the exit status: 0 success, 1 failure (reported on standard error),
// 2 usage error (usage on standard error).
int Run_Convert(const Convert_Args& args);
