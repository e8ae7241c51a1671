#include "cli/Convert_Args.h"

#include "convert/Conversion.h"
#include "convert/Palette_Mapping.h"
#include "convert/Refined_Conversion.h"
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

constexpr std::array<std::pair<const char*, int>, method_count> method_slots{{
    {"floyd-steinberg", slot_floyd_steinberg},
    {"diffusion", slot_diffusion},
    {"octree", slot_octree},
    {"closest", slot_closest},
    {"refined", method_refined},
    {"refined-dither", method_refined_dither},
}};

Convert_Args Usage_Error(std::string error) {
    Convert_Args args;
    args.action = Convert_Action::usage_error;
    args.error = std::move(error);
    return args;
}

bool Parse_Method(const std::string& name, int* slot) {
    for (const auto& [method, method_slot] : method_slots) {
        if (name == method) {
            *slot = method_slot;
            return true;
        }
    }
    return false;
}

bool Parse_Format(const std::string& name, Output_Format* format) {
    if (name == "mq4" || name == "MQ4") {
        *format = Output_Format::mq4;
    } else if (name == "png" || name == "PNG") {
        *format = Output_Format::png;
    } else {
        return false;
    }
    return true;
}

bool Parse_Fit(const std::string& name, Fit_Mode* fit) {
    constexpr std::array<std::pair<const char*, Fit_Mode>, 3> modes{{
        {"crop", Fit_Mode::crop},
        {"pad", Fit_Mode::pad},
        {"stretch", Fit_Mode::stretch},
    }};
    for (const auto& [mode_name, mode] : modes) {
        if (name == mode_name) {
            *fit = mode;
            return true;
        }
    }
    return false;
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

// Splits "--name=value" into its two halves; a bare "--name" has no value.
std::pair<std::string, std::optional<std::string>> Split_Option(const std::string& arg) {
    const std::size_t equals = arg.find('=');
    if (equals == std::string::npos) {
        return {arg, std::nullopt};
    }
    return {arg.substr(0, equals), arg.substr(equals + 1)};
}

} // namespace

Convert_Args Parse_Convert_Args(const std::vector<std::string>& args) {
    Convert_Args result;
    std::vector<std::string> operands;
    bool options_done = false;
    bool format_given = false;
    bool jobs_given = false;
    bool compare = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        auto [name, value] = Split_Option(arg);
        // -jN, as make takes it.
        if (arg.starts_with("-j") && arg.size() > 2 && arg[2] != '=') {
            name = "-j";
            value = arg.substr(2);
        }
        if (arg == "--") {
            options_done = true;
        } else if (arg == "--help" || arg == "-h") {
            result.action = Convert_Action::help;
            return result;
        } else if (arg == "--compare") {
            compare = true;
        } else if (arg == "--shared-palette") {
            result.shared_palette = true;
        } else if (arg == "--version") {
            result.action = Convert_Action::version;
            return result;
        } else if (name == "--method" || name == "--scale" || name == "--format" || name == "-o" ||
                   name == "--output-dir" || name == "--fit" || name == "--palette" ||
                   name == "--write-palette" || name == "-j" || name == "--jobs" ||
                   name == "--thumbnail") {
            if (!value) {
                if (i + 1 >= args.size()) {
                    return Usage_Error(name + " needs a value");
                }
                value = args[++i];
            }
            if (name == "--method" && !Parse_Method(*value, &result.slot)) {
                return Usage_Error("unknown method '" + *value + "'");
            }
            if (name == "--scale" &&
                !Parse_Whole(*value, min_png_scale, max_png_scale, &result.scale)) {
                return Usage_Error("scale must be a whole number from 1 to 16, not '" + *value +
                                   "'");
            }
            if (name == "-j" || name == "--jobs") {
                if (!Parse_Whole(*value, 1, max_jobs, &result.jobs)) {
                    return Usage_Error("jobs must be a whole number from 1 to " +
                                       std::to_string(max_jobs) + ", not '" + *value + "'");
                }
                jobs_given = true;
            }
            if (name == "--thumbnail" && !Parse_Whole(*value, 1, INT_MAX, &result.thumbnail_size)) {
                return Usage_Error("thumbnail SIZE must be a whole number of pixels, not '" +
                                   *value + "'");
            }
            if (name == "--format") {
                if (!Parse_Format(*value, &result.format)) {
                    return Usage_Error("unknown format '" + *value + "' (mq4 or png)");
                }
                format_given = true;
            }
            if (name == "--fit" && !Parse_Fit(*value, &result.fit)) {
                return Usage_Error("unknown fit '" + *value + "' (crop, pad or stretch)");
            }
            if (name == "--palette") {
                if (value->empty()) {
                    return Usage_Error("--palette needs a file");
                }
                result.palette_file = *value;
            }
            if (name == "--write-palette") {
                if (!Has_Extension(*value, ".gpl")) {
                    return Usage_Error("--write-palette needs a file name ending in .gpl");
                }
                result.write_palette = *value;
            }
            if (name == "-o" || name == "--output-dir") {
                if (value->empty()) {
                    return Usage_Error("OUTDIR must not be empty");
                }
                result.output_dir = *value;
            }
        } else {
            return Usage_Error("unknown option '" + arg + "'");
        }
    }
    const bool given_palette = !result.palette_file.empty() || result.shared_palette;
    if (result.thumbnail_size > 0) {
        // A thumbnail shows the picture as it is: nothing to fit or map.
        if (operands.size() != 2 || Is_Batch(result) || format_given || jobs_given || compare ||
            result.fit != Fit_Mode::none || given_palette || !result.write_palette.empty()) {
            return Usage_Error("--thumbnail takes SIZE, INPUT and OUTPUT");
        }
        result.action = Convert_Action::thumbnail;
        result.input = operands[0];
        result.output = operands[1];
        return result;
    }
    if (compare) {
        if (operands.size() != 1 || Is_Batch(result) || format_given || jobs_given) {
            return Usage_Error("--compare takes one INPUT");
        }
        if (given_palette || !result.write_palette.empty()) {
            return Usage_Error("--compare compares the methods' own palettes; it takes no palette");
        }
        result.action = Convert_Action::compare;
        result.input = operands[0];
        return result;
    }
    if (!result.palette_file.empty() && result.shared_palette) {
        return Usage_Error("--palette and --shared-palette do not go together");
    }
    if (given_palette && !Maps_Onto_Palette(result.slot)) {
        return Usage_Error("--method " + std::string(method_names[result.slot]) +
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
        return result;
    }
    if (result.shared_palette) {
        return Usage_Error("--shared-palette goes with -o OUTDIR");
    }
    if (jobs_given) {
        return Usage_Error("-j goes with -o OUTDIR");
    }
    if (operands.size() != 2) {
        return Usage_Error("expected INPUT and OUTPUT");
    }
    result.input = operands[0];
    result.output = operands[1];
    if (format_given && !Writes_Standard_Output(result)) {
        return Usage_Error("--format goes with -o OUTDIR or OUTPUT -");
    }
    if (!Writes_Standard_Output(result) && !Has_Extension(result.output, ".MQ4") &&
        !Has_Extension(result.output, ".png")) {
        return Usage_Error("OUTPUT must end in .MQ4 or .png, or be -");
    }
    return result;
}

bool Writes_Standard_Output(const Convert_Args& args) {
    return !Is_Batch(args) && Is_Standard_Stream(args.output);
}
