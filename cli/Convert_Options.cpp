#include "cli/Convert_Options.h"

#include "core/Palette.h"
#include "core/Picture_Rules.h"
#include "image/Image_Input.h"
#include "io/PNG_Writer.h"
#include "io/Palette_File.h"

#include <array>
#include <cctype>
#include <charconv>
#include <climits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

const char* const convert_usage =
    "Usage: zembrix-convert [OPTION]... INPUT OUTPUT\n"
    "       zembrix-convert [OPTION]... [-j N] -o OUTDIR INPUT...\n"
    "       zembrix-convert [--fit F] [--compare] [--sheet FILE.png] INPUT\n"
    "       zembrix-convert --thumbnail SIZE INPUT OUTPUT\n"
    "Converts images into 16-colour 128x96 pictures.\n"
    "\n"
    "  INPUT       a PNG, P6 PPM or JPEG image (- reads standard input), or an\n"
    "              MQ4 picture when its name ends in .MQ4\n"
    "  OUTPUT      an MQ4 file when its name ends in .MQ4, a PNG of the\n"
    "              picture's display colours when it ends in .png, or - for\n"
    "              standard output in the --format\n"
    "  -o OUTDIR   convert every INPUT to OUTDIR/NAME.MQ4 (or NAME.png), NAME\n"
    "              being the input's file name up to its first dot; goes on past\n"
    "              a file that fails and ends with \"converted N of M\"\n"
    "  --fit F     crop, pad or stretch: resize every image to 128x96; crop\n"
    "              covers the picture and keeps the middle, pad fits inside on\n"
    "              black, stretch scales each side on its own. Without --fit\n"
    "              the image's first 128x96 pixels in storage order are used\n"
    "  --format F  mq4 (the default) or png: what -o writes, or OUTPUT -\n"
    "  -j N        convert on N threads with -o (default: one per processor);\n"
    "              the files, messages and summary are the same for any N\n"
    "  --method M  floyd-steinberg (the default), diffusion, octree or closest:\n"
    "              the four conversions that the import offers, in its order;\n"
    "              refined or refined-dither: a palette fitted on the hardware's\n"
    "              colour levels, mapped by nearest colour or by Floyd-Steinberg\n"
    "              (refined-dither is refined --dither floyd-steinberg);\n"
    "              perceptual: palette and pixels chosen together for the least\n"
    "              difference as the eye sees the picture (slower)\n"
    "  --dither KIND\n"
    "              how --method refined maps pixels onto its palette or a given\n"
    "              one: none (nearest colour, the default); error diffusion by\n"
    "              floyd-steinberg (always serpentine), atkinson, sierra-lite or\n"
    "              jarvis; patterns by bayer2, bayer4, bayer8 or blue-noise, which\n"
    "              stay in place from one picture of a series to the next\n"
    "  --dither-strength P\n"
    "              0 to 100 (default 100): the share of each error passed on, or\n"
    "              how far a pattern goes from the nearest colour; 0 is none\n"
    "  --serpentine\n"
    "              error diffusion runs odd rows right to left\n"
    "  --keep-colour RRGGBB\n"
    "              a colour that the palette of a refined method, of perceptual\n"
    "              or of --shared-palette always holds, cut to the hardware's\n"
    "              levels; repeat for up to 16; the others are fitted around them\n"
    "  --palette FILE\n"
    "              map every picture onto the colours of FILE: an MQ4 picture, a\n"
    "              PNG of at most 16 colours or a palette file (.gpl, .act, .pal\n"
    "              or .hex)\n"
    "  --fill      with --palette: fit the entries that a file of fewer than 16\n"
    "              colours leaves empty to the inputs, instead of leaving them black\n"
    "  --shared-palette\n"
    "              with -o: fit one palette to all the inputs together and map\n"
    "              every picture onto it\n"
    "  --write-palette FILE\n"
    "              also write the palette used, as a GIMP (.gpl), Adobe (.act),\n"
    "              JASC (.pal) or hex (.hex) palette by the name's extension\n"
    "  --scale N   enlarge each pixel of a PNG output to N x N (1 to 16, default 1)\n"
    "  --compare   write nothing; print for every method, and for the refined\n"
    "              palette with every other dither kind, the colours used, the\n"
    "              PSNR in dB, the mean CIEDE2000 difference against INPUT and the\n"
    "              perceived difference (CIEDE2000 of both blurred as the eye sees\n"
    "              a small picture)\n"
    "  --sheet FILE.png\n"
    "              write those pictures side by side, each enlarged and labelled\n"
    "              with its options and perceived difference (with or without\n"
    "              --compare)\n"
    "  --thumbnail SIZE\n"
    "              write the MQ4 picture INPUT (whatever its name) to OUTPUT as\n"
    "              a PNG enlarged by whole pixels to fit within SIZE x SIZE, as\n"
    "              file managers ask for it\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "With --palette or --shared-palette the method is floyd-steinberg, closest\n"
    "or refined (both nearest colour, or refined by --dither), refined-dither or\n"
    "perceptual.\n"
    "-o checks the batch first and refuses it whole, writing nothing, when two\n"
    "inputs would write the same file or an output would overwrite an input.\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read or written,\n"
    "2 on a usage error, a refused batch or a palette file that cannot be used.\n";

namespace {

// What the options have said so far, and the options whose presence the
// checks after them ask about.
struct Parse_State {
    Convert_Settings settings;
    bool format_given = false;
    bool jobs_given = false;
    // --dither-strength or --serpentine was given.
    bool dither_tuned = false;
};

// Applies an option to the state; the usage error when its value is
// refused, empty when it is taken.
using Apply_Option = std::string (*)(Parse_State& state, const std::string& value);

struct Option_Row {
    const char* name;
    const char* other_name; // or null
    bool takes_value;
    Apply_Option apply;
};

// The names of the methods that take a given palette, as "a, b or c".
std::string Palette_Method_Names() {
    std::vector<const char*> names;
    for (const Method_Row& row : method_table) {
        if (row.takes_palette) {
            names.push_back(row.name);
        }
    }
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        list += i == 0 ? "" : i + 1 == names.size() ? " or " : ", ";
        list += names[i];
    }
    return list;
}

// A whole number from low to high, written plainly.
bool Parse_Whole(const std::string& text, int low, int high, int* number) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < low || value > high) {
        return false;
    }
    *number = value;
    return true;
}

std::string Apply_Method(Parse_State& state, const std::string& value) {
    const std::optional<Method> method = Method_Named(value);
    if (!method) {
        return "unknown method '" + value + "'";
    }
    state.settings.method = *method;
    return {};
}

std::string Apply_Scale(Parse_State& state, const std::string& value) {
    if (!Parse_Whole(value, min_png_scale, max_png_scale, &state.settings.scale)) {
        return "scale must be a whole number from 1 to 16, not '" + value + "'";
    }
    return {};
}

std::string Apply_Format(Parse_State& state, const std::string& value) {
    if (value == "mq4" || value == "MQ4") {
        state.settings.format = Output_Format::mq4;
    } else if (value == "png" || value == "PNG") {
        state.settings.format = Output_Format::png;
    } else {
        return "unknown format '" + value + "' (mq4 or png)";
    }
    state.format_given = true;
    return {};
}

std::string Apply_Fit(Parse_State& state, const std::string& value) {
    constexpr std::array<std::pair<const char*, Fit_Mode>, 3> modes{{
        {"crop", Fit_Mode::crop},
        {"pad", Fit_Mode::pad},
        {"stretch", Fit_Mode::stretch},
    }};
    for (const auto& [mode_name, mode] : modes) {
        if (value == mode_name) {
            state.settings.fit = mode;
            return {};
        }
    }
    return "unknown fit '" + value + "' (crop, pad or stretch)";
}

std::string Apply_Palette(Parse_State& state, const std::string& value) {
    if (value.empty()) {
        return "--palette needs a file";
    }
    state.settings.palette_file = value;
    return {};
}

std::string Apply_Write_Palette(Parse_State& state, const std::string& value) {
    if (!Is_Palette_File_Name(value)) {
        return "--write-palette needs a file name ending in .gpl, .act, .pal or .hex";
    }
    state.settings.write_palette = value;
    return {};
}

std::string Apply_Dither(Parse_State& state, const std::string& value) {
    const std::optional<Dither_Kind> kind = Dither_Kind_Named(value);
    if (!kind) {
        std::string kinds;
        for (const std::string_view name : dither_kind_names) {
            kinds += (kinds.empty() ? "" : ", ") + std::string(name);
        }
        return "unknown dither '" + value + "' (" + kinds + ")";
    }
    state.settings.dither = *kind;
    return {};
}

std::string Apply_Dither_Strength(Parse_State& state, const std::string& value) {
    if (!Parse_Whole(value, 0, 100, &state.settings.dither_strength)) {
        return "dither strength must be a whole number from 0 to 100, not '" + value + "'";
    }
    state.dither_tuned = true;
    return {};
}

std::string Apply_Serpentine(Parse_State& state, const std::string&) {
    state.settings.serpentine = true;
    state.dither_tuned = true;
    return {};
}

std::string Apply_Keep_Colour(Parse_State& state, const std::string& value) {
    const std::optional<DTPixel> colour = Parse_Hex_Colour(value);
    if (!colour) {
        return "--keep-colour takes a colour RRGGBB in hexadecimal, not '" + value + "'";
    }
    if (state.settings.kept_colours.size() == palette_size) {
        return "--keep-colour keeps at most 16 colours";
    }
    state.settings.kept_colours.push_back(Display_Pixel(*colour));
    return {};
}

std::string Apply_Fill(Parse_State& state, const std::string&) {
    state.settings.fill = true;
    return {};
}

std::string Apply_Sheet(Parse_State& state, const std::string& value) {
    if (!Has_Extension(value, ".png")) {
        return "--sheet needs a file name ending in .png";
    }
    state.settings.sheet = value;
    return {};
}

std::string Apply_Output_Dir(Parse_State& state, const std::string& value) {
    if (value.empty()) {
        return "OUTDIR must not be empty";
    }
    state.settings.output_dir = value;
    return {};
}

std::string Apply_Jobs(Parse_State& state, const std::string& value) {
    if (!Parse_Whole(value, 1, max_jobs, &state.settings.jobs)) {
        return "jobs must be a whole number from 1 to " + std::to_string(max_jobs) + ", not '" +
               value + "'";
    }
    state.jobs_given = true;
    return {};
}

std::string Apply_Thumbnail(Parse_State& state, const std::string& value) {
    if (!Parse_Whole(value, 1, INT_MAX, &state.settings.thumbnail_size)) {
        return "thumbnail SIZE must be a whole number of pixels, not '" + value + "'";
    }
    return {};
}

std::string Apply_Help(Parse_State& state, const std::string&) {
    state.settings.action = Convert_Action::help;
    return {};
}

std::string Apply_Version(Parse_State& state, const std::string&) {
    state.settings.action = Convert_Action::version;
    return {};
}

std::string Apply_Compare(Parse_State& state, const std::string&) {
    state.settings.compare_table = true;
    return {};
}

std::string Apply_Shared_Palette(Parse_State& state, const std::string&) {
    state.settings.shared_palette = true;
    return {};
}

constexpr auto option_table = std::to_array<Option_Row>({
    {"--help", "-h", false, Apply_Help},
    {"--version", nullptr, false, Apply_Version},
    {"--compare", nullptr, false, Apply_Compare},
    {"--shared-palette", nullptr, false, Apply_Shared_Palette},
    {"--method", nullptr, true, Apply_Method},
    {"--scale", nullptr, true, Apply_Scale},
    {"--format", nullptr, true, Apply_Format},
    {"-o", "--output-dir", true, Apply_Output_Dir},
    {"--fit", nullptr, true, Apply_Fit},
    {"--palette", nullptr, true, Apply_Palette},
    {"--write-palette", nullptr, true, Apply_Write_Palette},
    {"--dither", nullptr, true, Apply_Dither},
    {"--dither-strength", nullptr, true, Apply_Dither_Strength},
    {"--serpentine", nullptr, false, Apply_Serpentine},
    {"--keep-colour", "--keep-color", true, Apply_Keep_Colour},
    {"--fill", nullptr, false, Apply_Fill},
    {"--sheet", nullptr, true, Apply_Sheet},
    {"-j", "--jobs", true, Apply_Jobs},
    {"--thumbnail", nullptr, true, Apply_Thumbnail},
    {"--", nullptr, false, nullptr}, // ends the options
});

const Option_Row* Find_Option(const std::string& name) {
    for (const Option_Row& row : option_table) {
        if (name == row.name || (row.other_name && name == row.other_name)) {
            return &row;
        }
    }
    return nullptr;
}

Convert_Command Usage_Error(std::string error) {
    Convert_Command command;
    command.settings.action = Convert_Action::usage_error;
    command.error = std::move(error);
    return command;
}

Convert_Command Taken(Convert_Settings settings) {
    return {std::move(settings), {}};
}

// What is wrong with the options of mapping pixels and fitting palettes, if
// anything: they belong to the refined methods and to palettes fitted here.
std::string Mapping_Problem(const Parse_State& state) {
    const Convert_Settings& settings = state.settings;
    const char* const method = Method_Info(settings.method).name;
    if ((settings.dither || state.dither_tuned) && !Dithers_By_Kind(settings.method)) {
        return "--method " + std::string(method) +
               " maps pixels its own way; --dither, --dither-strength and --serpentine go with "
               "--method refined or refined-dither";
    }
    if (settings.method == Method::refined_dither && settings.dither &&
        *settings.dither != Dither_Kind::floyd_steinberg) {
        return "--method refined-dither dithers by floyd-steinberg; for another kind use "
               "--method refined --dither " +
               std::string(Dither_Kind_Name(*settings.dither));
    }
    if (!settings.kept_colours.empty()) {
        if (!settings.palette_file.empty()) {
            return "--keep-colour goes with a palette fitted here, not with --palette (use "
                   "--fill to fit the entries a short palette file leaves empty)";
        }
        if (!settings.shared_palette && Method_Info(settings.method).fit == Palette_Fit::octree) {
            return "--keep-colour needs --method refined, refined-dither or perceptual, or "
                   "--shared-palette";
        }
    }
    if (settings.fill && settings.palette_file.empty()) {
        return "--fill goes with --palette FILE";
    }
    return {};
}

// The operands and the options that go together, once every option is read.
Convert_Command Check_Command(Parse_State state, std::vector<std::string> operands) {
    Convert_Settings& result = state.settings;
    const bool given_palette = !result.palette_file.empty() || result.shared_palette;
    if (result.thumbnail_size > 0) {
        // A thumbnail shows the picture as it is: nothing to fit or map.
        if (operands.size() != 2 || Is_Batch(result) || state.format_given || state.jobs_given ||
            result.compare_table || !result.sheet.empty() || result.fit != Fit_Mode::none ||
            given_palette || !result.write_palette.empty() || result.dither || state.dither_tuned ||
            !result.kept_colours.empty() || result.fill) {
            return Usage_Error("--thumbnail takes SIZE, INPUT and OUTPUT");
        }
        result.action = Convert_Action::thumbnail;
        result.input = operands[0];
        result.output = operands[1];
        return Taken(std::move(result));
    }
    const bool mapping_options =
        result.dither || state.dither_tuned || !result.kept_colours.empty() || result.fill;
    if (result.compare_table || !result.sheet.empty()) {
        const char* const name = result.compare_table ? "--compare" : "--sheet";
        if (operands.size() != 1 || Is_Batch(result) || state.format_given || state.jobs_given) {
            return Usage_Error(std::string(name) + " takes one INPUT");
        }
        if (given_palette || !result.write_palette.empty()) {
            return Usage_Error(std::string(name) +
                               " compares the methods' own palettes; it takes no palette");
        }
        if (mapping_options) {
            return Usage_Error(std::string(name) +
                               " shows every method and dither kind; it takes no --dither, "
                               "--dither-strength, --serpentine, --keep-colour or --fill");
        }
        result.action = Convert_Action::compare;
        result.input = operands[0];
        return Taken(std::move(result));
    }
    if (const std::string problem = Mapping_Problem(state); !problem.empty()) {
        return Usage_Error(problem);
    }
    if (!result.palette_file.empty() && result.shared_palette) {
        return Usage_Error("--palette and --shared-palette do not go together");
    }
    if (given_palette && !Method_Info(result.method).takes_palette) {
        return Usage_Error("--method " + std::string(Method_Info(result.method).name) +
                           " makes its own palette; a given or shared one needs " +
                           Palette_Method_Names());
    }
    if (Is_Batch(result)) {
        if (operands.empty()) {
            return Usage_Error("expected at least one INPUT");
        }
        for (const std::string& input : operands) {
            if (Is_Standard_Stream(input)) {
                return Usage_Error("standard input (-) cannot be an INPUT of -o");
            }
        }
        if (!result.write_palette.empty() && !given_palette) {
            return Usage_Error("--write-palette with -o needs --palette or --shared-palette");
        }
        result.inputs = std::move(operands);
        return Taken(std::move(result));
    }
    if (result.shared_palette) {
        return Usage_Error("--shared-palette goes with -o OUTDIR");
    }
    if (state.jobs_given) {
        return Usage_Error("-j goes with -o OUTDIR");
    }
    if (operands.size() != 2) {
        return Usage_Error("expected INPUT and OUTPUT");
    }
    result.input = operands[0];
    result.output = operands[1];
    if (state.format_given && !Writes_Standard_Output(result)) {
        return Usage_Error("--format goes with -o OUTDIR or OUTPUT -");
    }
    if (!Writes_Standard_Output(result) && !Has_Extension(result.output, ".MQ4") &&
        !Has_Extension(result.output, ".png")) {
        return Usage_Error("OUTPUT must end in .MQ4 or .png, or be -");
    }
    return Taken(std::move(result));
}

} // namespace

Convert_Command Parse_Convert_Args(const std::vector<std::string>& args) {
    Parse_State state;
    std::vector<std::string> operands;
    bool options_done = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        // --name=value, or -jN as make takes it.
        std::string name = arg;
        std::optional<std::string> value;
        if (arg.starts_with("-j") && arg.size() > 2 && arg[2] != '=') {
            name = "-j";
            value = arg.substr(2);
        } else if (const std::size_t equals = arg.find('='); equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        const Option_Row* option = Find_Option(name);
        if (!option || (!option->takes_value && value)) {
            return Usage_Error("unknown option '" + arg + "'");
        }
        if (!option->apply) {
            options_done = true;
            continue;
        }
        if (option->takes_value && !value) {
            if (i + 1 >= args.size()) {
                return Usage_Error(name + " needs a value");
            }
            value = args[++i];
        }
        if (std::string error = option->apply(state, value.value_or("")); !error.empty()) {
            return Usage_Error(std::move(error));
        }
        if (state.settings.action == Convert_Action::help ||
            state.settings.action == Convert_Action::version) {
            return Taken(std::move(state.settings));
        }
    }
    return Check_Command(std::move(state), std::move(operands));
}

bool Writes_Standard_Output(const Convert_Settings& settings) {
    return !Is_Batch(settings) && Is_Standard_Stream(settings.output);
}
