#pragma once
// What the command line of zembrix-convert asks for, once parsed: a value
// that nothing changes while the conversion runs.

#include "core/Method.h"
#include "image/Fit_Geometry.h"

#include <string>
#include <vector>

enum class Convert_Action { run, compare, thumbnail, help, version, usage_error };

enum class Output_Format { mq4, png };

struct Convert_Settings {
    Convert_Action action = Convert_Action::run;
    Method method = Method::floyd_steinberg;
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
    // Threads of a batch; 0 for one per online processor.
    int jobs = 0;
};

constexpr int max_jobs = 1024;

// Whether the settings ask for the batch form.
inline bool Is_Batch(const Convert_Settings& settings) {
    return !settings.output_dir.empty();
}

// Whether the single-file form writes to standard output ("-").
bool Writes_Standard_Output(const Convert_Settings& settings);
