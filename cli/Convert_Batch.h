#pragma once
// zembrix-convert -o OUTDIR INPUT...: many inputs converted into one folder.

#include "cli/Convert_Settings.h"
#include "core/Palette.h"

#include <optional>
#include <string>
#include <vector>

struct Batch_Job {
    std::string input;
    std::string output;
};

// The jobs of a batch, or the reason it is refused as a whole before anything
// is written: an output folder that is not one, an input that names no file,
// two inputs that would write the same file, or an output that is an input.
struct Batch_Plan {
    std::vector<Batch_Job> jobs;
    std::string refusal; // empty when the batch may run
};

// The file an input becomes: its title (base name cut at the first dot, with
// ".MQ4"), or the same name ending in ".png" for the PNG format.
std::string Batch_Output_Name(const std::string& input, Output_Format format);

Batch_Plan Plan_Batch(const Convert_Settings& settings);

// Converts every input on the batch's threads, going on past failures: one
// line on standard error for each failure, in input order, and "converted N
// of M" on standard output at the end. Every picture is mapped onto the
// given palette when there is one; with --shared-palette, or with fill
// colours (those of a short --palette file with --fill), every input is read
// first and mapped onto the palette fitted to them all around the kept or
// fill colours.
struct Batch_Result {
    // 0 when all were converted, 1 when any failed, 2 when the batch was
    // refused.
    int status = 0;
    // The palette the pictures were mapped onto, if one was.
    std::optional<Palette_Colors> palette;
};
Batch_Result Run_Batch(const Convert_Settings& settings, const std::optional<Palette_Colors>& given,
                       const std::vector<DTPixel>& fill_colours = {});
