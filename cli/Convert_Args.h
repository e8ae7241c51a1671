#pragma once
// The command line of zembrix-convert.

#include "convert/Palette_Mapping.h"
#include "core/DTImage.h"
#include "image/Fit_Geometry.h"

#include <optional>
#include <string>
#include <vector>

enum class Convert_Action { run, compare, thumbnail, help, version, usage_error };

enum class Output_Format { mq4, png };

struct Convert_Args {
    Convert_Action action = Convert_Action::run;
    // Method: the import's candidate slots 0 Floyd-Steinberg, 1 diffusion,
    // 2 octree, 3 closest colour; then 4 refined, 5 refined with diffusion.
    int slot = 0;
    int scale = 1;
    // --thumbnail: the largest width and height of the PNG, in pixels.
    int thumbnail_size = 0;
    // The single-file form: one input and one output.
    std::string input;
    std::string output;
    // The batch form, chosen by -o: every input converted into the folder.
    std::string output_dir;
    std::vector<std::string> inputs;
    Output_Format format = Output_Format::mq4;
    // --fit: every input resized to 128x96; none takes its first 12288 pixels.
    Fit_Mode fit = Fit_Mode::none;
    // --palette FILE: every input mapped onto the palette in the file.
    std::string palette_file;
    // --shared-palette: one palette fitted to all inputs of a batch together.
    bool shared_palette = false;
    // --write-palette FILE.gpl: where the palette used is written.
    std::string write_palette;
    // The palette every input is mapped onto, filled in once it is read or
    // fitted and before any input is converted; none when each input gets a
    // palette of its own.
    std::optional<Palette_Colors> palette;
    // Threads of a batch; 0 for one per online processor.
    int jobs = 0;
    // What was wrong, for a usage error.
    std::string error;
};

extern const char* const convert_usage;

constexpr int max_jobs = 1024;

// Whether the arguments ask for the batch form.
inline bool Is_Batch(const Convert_Args& args) {
    return !args.output_dir.empty();
}

// Parses the arguments that follow the program name.
Convert_Args Parse_Convert_Args(const std::vector<std::string>& args);

// Whether the single-file form writes to standard output ("-").
bool Writes_Standard_Output(const Convert_Args& args);
