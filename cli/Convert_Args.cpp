#include "cli/Convert_Args.h"

#include "io/Conversion.h"
#include "io/PNG_Writer.h"
#include "io/Refined_Conversion.h"

#include <array>
#include <cctype>
#include <charconv>
#include <climits>
#include <optional>
#include <utility>

const char* const convert_usage =
    "Usage: zembrix-convert [--method M] [--scale N] INPUT OUTPUT\n"
    "       zembrix-convert [--method M] [--format F] [--scale N] -o OUTDIR INPUT...\n"
    "       zembrix-convert --compare INPUT\n"
    "       zembrix-convert --thumbnail SIZE INPUT OUTPUT\n"
    "Converts images into 16-colour 128x96 pictures.\n"
    "\n"
    "  INPUT       a PNG or P6 PPM image whose first 128x96 pixels make the\n"
    "              picture, or an MQ4 picture when its name ends in .MQ4\n"
    "  OUTPUT      an MQ4 file when its name ends in .MQ4, or a PNG of the\n"
    "              picture's display colours when it ends in .png\n"
    "  -o OUTDIR   convert every INPUT to OUTDIR/NAME.MQ4 (or NAME.png), NAME\n"
    "              being the input's file name up to its first dot; goes on past\n"
    "              a file that fails and ends with \"converted N of M\"\n"
    "  --format F  mq4 (the default) or png: what -o writes\n"
    "  --method M  floyd-steinberg (the default), diffusion, octree or closest:\n"
    "              the four conversions that the import offers, in its order;\n"
    "              refined or refined-dither: a palette fitted on the hardware's\n"
    "              colour levels, mapped by nearest colour or by error diffusion\n"
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
    "-o checks the batch first and refuses it whole, writing nothing, when two\n"
    "inputs would write the same file or an output would overwrite an input.\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read or written,\n"
    "2 on a usage error or a refused batch.\n";

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

bool Parse_Whole_Number(const std::string& text, int low, int high, int* number) {
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

bool Has_Extension(const std::string& path, const std::string& extension) {
    if (path.size() <= extension.size()) {
        return false;
    }
    const std::size_t start = path.size() - extension.size();
    for (std::size_t i = 0; i < extension.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(path[start + i])) !=
            std::tolower(static_cast<unsigned char>(extension[i]))) {
            return false;
        }
    }
    return true;
}

Convert_Args Parse_Convert_Args(const std::vector<std::string>& args) {
    Convert_Args result;
    std::vector<std::string> operands;
    bool options_done = false;
    bool format_given = false;
    bool compare = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        auto [name, value] = Split_Option(arg);
        if (arg == "--") {
            options_done = true;
        } else if (arg == "--help" || arg == "-h") {
            result.action = Convert_Action::help;
            return result;
        } else if (arg == "--compare") {
            compare = true;
        } else if (arg == "--version") {
            result.action = Convert_Action::version;
            return result;
        } else if (name == "--method" || name == "--scale" || name == "--format" || name == "-o" ||
                   name == "--output-dir" || name == "--thumbnail") {
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
                !Parse_Whole_Number(*value, min_png_scale, max_png_scale, &result.scale)) {
                return Usage_Error("scale must be a whole number from 1 to 16, not '" + *value +
                                   "'");
            }
            if (name == "--thumbnail" &&
                !Parse_Whole_Number(*value, 1, INT_MAX, &result.thumbnail_size)) {
                return Usage_Error("thumbnail SIZE must be a whole number of pixels, not '" +
                                   *value + "'");
            }
            if (name == "--format") {
                if (!Parse_Format(*value, &result.format)) {
                    return Usage_Error("unknown format '" + *value + "' (mq4 or png)");
                }
                format_given = true;
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
    if (result.thumbnail_size > 0) {
        if (operands.size() != 2 || Is_Batch(result) || format_given || compare) {
            return Usage_Error("--thumbnail takes SIZE, INPUT and OUTPUT");
        }
        result.action = Convert_Action::thumbnail;
        result.input = operands[0];
        result.output = operands[1];
        return result;
    }
    if (compare) {
        if (operands.size() != 1 || Is_Batch(result) || format_given) {
            return Usage_Error("--compare takes one INPUT");
        }
        result.action = Convert_Action::compare;
        result.input = operands[0];
        return result;
    }
    if (Is_Batch(result)) {
        if (operands.empty()) {
            return Usage_Error("expected at least one INPUT");
        }
        result.inputs = std::move(operands);
        return result;
    }
    if (format_given) {
        return Usage_Error("--format goes with -o OUTDIR");
    }
    if (operands.size() != 2) {
        return Usage_Error("expected INPUT and OUTPUT");
    }
    result.input = operands[0];
    result.output = operands[1];
    if (!Has_Extension(result.output, ".MQ4") && !Has_Extension(result.output, ".png")) {
        return Usage_Error("OUTPUT must end in .MQ4 or .png");
    }
    return result;
}
