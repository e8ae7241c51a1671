#include "cli/Convert_Options.h"

#include "core/Picture_Rules.h"
#include "image/Image_Input.h"
#include "io/PNG_Writer.h"

#include <array>
#include <cctype>
#include <charconv>
#include <climits>
#include <optional>
#include <string>
#include <utility>

const char* const convert_usage =
    "Usage: zembrix-convert [OPTION]... INPUT OUTPUT\n"
    "       zembrix-convert [OPTION]... [-j N] -o OUTDIR INPUT...\n"
    "       zembrix-convert [--fit F] --compare INPUT\n"
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
    "              colour levels, mapped by nearest colour or by error diffusion\n"
    "  --palette FILE\n"
    "              map every picture onto the colours of FILE: an MQ4 picture,\n"
    "              a GIMP palette (.gpl) or a PNG of at most 16 colours\n"
    "  --shared-palette\n"
    "              with -o: fit one palette to all the inputs together and map\n"
    "              every picture onto it\n"
    "  --write-palette FILE.gpl\n"
    "              also write the palette used as a GIMP palette\n"
    "  --scale N   enlarge each pixel of a PNG output to N x N (1 to 16, default 1)\n"
    "  --compare   write nothing; print for every method the colours used, the\n"
    "              PSNR in dB and the mean CIEDE2000 difference against INPUT\n"
    "  --thumbnail SIZE\n"
    "              write the MQ4 picture INPUT (whatever its name) to OUTPUT as\n"
    "              a PNG enlarged by whole pixels to fit within SIZE x SIZE, as\n"
    "              file managers ask for it\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "With --palette or --shared-palette the method is floyd-steinberg, closest\n"
    "or refined (both nearest colour) or refined-dither.\n"
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
    bool compare = false;
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
    if (!Has_Extension(value, ".gpl")) {
        return "--write-palette needs a file name ending in .gpl";
    }
    state.settings.write_palette = value;
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
    state.compare = true;
    return {};
}

std::string Apply_Shared_Palette(Parse_State& state, const std::string&) {
    state.settings.shared_palette = true;
    return {};
}

constexpr std::array<Option_Row, 14> option_table{{
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
    {"-j", "--jobs", true, Apply_Jobs},
    {"--thumbnail", nullptr, true, Apply_Thumbnail},
    {"--", nullptr, false, nullptr}, // ends the options
}};

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

// The operands and the options that go together, once every option is read.
Convert_Command Check_Command(Parse_State state, std::vector<std::string> operands) {
    Convert_Settings& result = state.settings;
    const bool given_palette = !result.palette_file.empty() || result.shared_palette;
    if (result.thumbnail_size > 0) {
        // A thumbnail shows the picture as it is: nothing to fit or map.
        if (operands.size() != 2 || Is_Batch(result) || state.format_given || state.jobs_given ||
            state.compare || result.fit != Fit_Mode::none || given_palette ||
            !result.write_palette.empty()) {
            return Usage_Error("--thumbnail takes SIZE, INPUT and OUTPUT");
        }
        result.action = Convert_Action::thumbnail;
        result.input = operands[0];
        result.output = operands[1];
        return Taken(std::move(result));
    }
    if (state.compare) {
        if (operands.size() != 1 || Is_Batch(result) || state.format_given || state.jobs_given) {
            return Usage_Error("--compare takes one INPUT");
        }
        if (given_palette || !result.write_palette.empty()) {
            return Usage_Error("--compare compares the methods' own palettes; it takes no palette");
        }
        result.action = Convert_Action::compare;
        result.input = operands[0];
        return Taken(std::move(result));
    }
    if (!result.palette_file.empty() && result.shared_palette) {
        return Usage_Error("--palette and --shared-palette do not go together");
    }
    if (given_palette && !Method_Info(result.method).takes_palette) {
        return Usage_Error("--method " + std::string(Method_Info(result.method).name) +
                           " makes its own palette; a given or shared one needs floyd-steinberg, "
                           "closest, refined or refined-dither");
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
