#pragma once
// What every form of zembrix-convert reads and writes, and its exit codes:
// an input's image or picture, an output file or standard output, the
// palette used.

#include "cli/Convert_Settings.h"
#include "core/DTImage.h"
#include "core/MQ4_Document.h"
#include "core/Palette.h"
#include "quant/OctQuant.h"

#include <optional>
#include <string>

constexpr int exit_success = 0;
constexpr int exit_failure = 1;
constexpr int exit_usage = 2;

// The image of an image file (or standard input), fitted as `fit` says or
// whole, when a picture can be made of it (a whole one must fill it). None
// on failure, reported through core/Report.h.
std::optional<DTImage> Read_Image(const std::string& input, Fit_Mode fit);

// The 128x96 working image of an input: an image file (or standard input)
// fitted as the settings say or its first 12288 pixels, or an MQ4 picture's
// display colours (a file by its name, standard input by its first bytes).
// None on failure, reported through core/Report.h.
std::optional<DTImage> Read_Input_Image(const std::string& input, const Convert_Settings& settings);

// The picture of a 128x96 working image on the palette, mapped as the
// settings' method maps (the refined methods by their dither kind).
MQ4_Document Map_Working_Image(const DTImage& working, const Palette_Colors& palette,
                               const Convert_Settings& settings);

// The picture of an input: mapped onto `palette` with the method when one is
// given; otherwise an MQ4 picture read as it is (a file by its name,
// standard input by its first bytes), any other image converted with the
// method (the refined ones with the dither kind and kept colours the
// settings give) in the workspace, fitted as --fit says. None on failure,
// reported through core/Report.h.
std::optional<MQ4_Document> Read_Input(const std::string& input, const Convert_Settings& settings,
                                       const Palette_Colors* palette, Octree_Workspace& workspace);

// Writes an MQ4 file or, for a name ending in .png, a PNG at the scale; "-"
// writes to standard output in the format. False on failure, reported
// through core/Report.h.
bool Write_Output(const std::string& output, const MQ4_Document& picture,
                  const Convert_Settings& settings);

// Writes the palette used to --write-palette's file, when there is one.
// False on failure, reported through core/Report.h.
bool Write_Used_Palette(const Convert_Settings& settings, const Palette_Colors& palette);
