#pragma once
// What zembrix-convert does once its command line is parsed.

#include "cli/Convert_Args.h"
#include "core/MQ4_Document.h"
#include "quant/OctQuant.h"

#include <optional>
#include <string>

constexpr int exit_success = 0;
constexpr int exit_failure = 1;
constexpr int exit_usage = 2;

// The 128x96 working image of an input: an image file (or standard input)
// fitted as the arguments say or its first 12288 pixels, or an MQ4 picture's
// display colours (a file by its name, standard input by its first bytes). None on failure,
// reported through core/Report.h.
std::optional<DTImage> Read_Input_Image(const std::string& input, const Convert_Args& args);

// The picture of an input: an MQ4 picture read as it is (a file by its name,
// standard input by its first bytes) unless a palette is given, any other image converted with the
// method (see Convert_Args::slot), fitted as --fit says and mapped onto Convert_Args::palette when
// there is one, reducing colours in the workspace. None on failure, reported through core/Report.h.
std::optional<MQ4_Document> Read_Input(const std::string& input, const Convert_Args& args,
                                       Octree_Workspace& workspace);

// Writes an MQ4 file or, for a name ending in .png, a PNG at the scale; "-"
// writes to standard output in the format. False on failure, reported
// through core/Report.h.
bool Write_Output(const std::string& output, const MQ4_Document& picture, const Convert_Args& args);

// Gives the exit status: 0 success, 1 failure (reported on standard error),
// 2 usage error (usage on standard error).
int Run_Convert(const Convert_Args& args);
