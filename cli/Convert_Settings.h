#pragma once
// What the command line of zembrix-convert asks for, once parsed: a value
// that nothing changes while the conversion runs.

#include "core/DTImage.h"
#include "core/Method.h"
#include "image/Fit_Geometry.h"
#include "quant/Palette_Dither.h"

#include <optional>
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
    // --write-palette FILE: where the palette used is written, in the kind
    // of palette file its extension names (.gpl, .act, .pal or .hex).
    std::string write_palette;
    // --dither KIND, --dither-strength P, --serpentine: how the refined
    // methods map pixels onto their palette, or onto a given or shared one.
    std::optional<Dither_Kind> dither;
    int dither_strength = 100;
    bool serpentine = false;
    // --keep-colour RRGGBB (up to 16): colours always in the palette that the
    // refined methods or --shared-palette fit, each cut to the hardware's levels.
    std::vector<DTPixel> kept_colours;
    // --fill: the entries a --palette file of fewer than 16 colours leaves
    // empty are fitted to the inputs instead of left black.
    bool fill = false;
    // --compare: print the table of every method and dither kind.
    bool compare_table = false;
    // --sheet FILE.png: write those pictures side by side, labelled.
    std::string sheet;
    // Threads of a batch; 0 for one per online processor.
    int jobs = 0;
};

constexpr int max_jobs = 1024;

// Whether the settings ask for the batch form.
inline bool Is_Batch(const Convert_Settings& settings) {
    return !settings.output_dir.empty();
}

// Whether the method maps pixels by a dither kind: those whose palette is
// fitted on the grid (the refined methods).
inline bool Dithers_By_Kind(Method method) {
    return Method_Info(method).fit == Palette_Fit::grid;
}

// How the refined methods map pixels: refined-dither by Floyd-Steinberg,
// refined by the --dither kind (none: nearest colour).
inline Dither_Options Dither_Of(const Convert_Settings& settings) {
    const Dither_Kind kind = settings.method == Method::refined_dither
                                 ? Dither_Kind::floyd_steinberg
                                 : settings.dither.value_or(Dither_Kind::none);
    return {kind, settings.dither_strength, settings.serpentine};
}

// Whether the single-file form writes to standard output ("-").
bool Writes_Standard_Output(const Convert_Settings& settings);
