#include "cli/Convert_Tool.h"

#include "cli/Convert_Batch.h"
#include "cli/Convert_IO.h"
#include "cli/Convert_Options.h"
#include "cli/Thumbnail.h"
#include "convert/Method_Comparison.h"
#include "convert/Palette_Mapping.h"
#include "core/Palette.h"
#include "core/Report.h"
#include "image/Image_Input.h"
#include "io/PNG_Writer.h"
#include "io/Palette_File.h"
#include "io/Safe_Write.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#ifndef ZEMBRIX_VERSION
#define ZEMBRIX_VERSION "unknown"
#endif

namespace {

int Compare_Input(const Convert_Settings& settings) {
    const std::optional<DTImage> image = Read_Image(settings.input, settings.fit);
    if (!image) {
        return exit_failure;
    }
    Octree_Workspace workspace;
    const std::vector<Compared_Picture> pictures = Compare_Pictures(*image, workspace);
    if (settings.compare_table) {
        std::fputs(Comparison_Table(pictures).c_str(), stdout);
    }
    if (!settings.sheet.empty()) {
        const std::optional<std::vector<std::uint8_t>> png =
            Encode_PNG_Image(Comparison_Sheet(pictures));
        std::string reason = "the PNG could not be made";
        if (!png || !Write_File_Safely(settings.sheet, png->data(), png->size(), &reason)) {
            Report("Could not save %s: %s\n", settings.sheet.c_str(), reason.c_str());
            return exit_failure;
        }
    }
    return exit_success;
}

// What is wrong with the standard streams for this run, if anything: a
// picture is not written to a terminal, and an image is not typed in.
const char* Stream_Problem(const Convert_Settings& settings) {
    if (Writes_Standard_Output(settings) && isatty(STDOUT_FILENO)) {
        return "will not write a picture to a terminal; redirect standard output or name an "
               "OUTPUT file";
    }
    const bool reads_input = settings.action == Convert_Action::compare || !Is_Batch(settings);
    if (reads_input && Is_Standard_Stream(settings.input) && isatty(STDIN_FILENO)) {
        return "standard input is a terminal; pipe an image into it";
    }
    return nullptr;
}

int Run_Many(const Convert_Settings& settings, const std::optional<Palette_Colors>& given,
             const std::vector<DTPixel>& fill_colours) {
    const Batch_Result result = Run_Batch(settings, given, fill_colours);
    if (result.status != exit_usage && result.palette &&
        !Write_Used_Palette(settings, *result.palette)) {
        return exit_failure;
    }
    return result.status;
}

// The picture of a single input on a short palette whose empty entries are
// fitted to it.
std::optional<MQ4_Document> Read_Filled(const Convert_Settings& settings,
                                        const std::vector<DTPixel>& fill_colours,
                                        Octree_Workspace& workspace) {
    const std::optional<DTImage> working = Read_Input_Image(settings.input, settings);
    if (!working) {
        return std::nullopt;
    }
    return Map_Working_Image(*working, Fill_Palette(*working, fill_colours, workspace), settings);
}

int Run_One(const Convert_Settings& settings, const std::optional<Palette_Colors>& given,
            const std::vector<DTPixel>& fill_colours) {
    Octree_Workspace workspace;
    const std::optional<MQ4_Document> picture =
        fill_colours.empty()
            ? Read_Input(settings.input, settings, given ? &*given : nullptr, workspace)
            : Read_Filled(settings, fill_colours, workspace);
    if (!picture) {
        return exit_failure;
    }
    if (!Write_Output(settings.output, *picture, settings) ||
        !Write_Used_Palette(settings, picture->palette)) {
        return exit_failure;
    }
    return exit_success;
}

} // namespace

int Run_Convert(const Convert_Command& command) {
    const Convert_Settings& settings = command.settings;
    switch (settings.action) {
    case Convert_Action::help:
        std::fputs(convert_usage, stdout);
        return exit_success;
    case Convert_Action::version:
        std::puts("zembrix-convert " ZEMBRIX_VERSION);
        return exit_success;
    case Convert_Action::usage_error:
        std::fprintf(stderr,
                     "zembrix-convert: %s\nTry 'zembrix-convert --help' for more information.\n",
                     command.error.c_str());
        return exit_usage;
    case Convert_Action::thumbnail:
        return Make_Thumbnail(settings.thumbnail_size, settings.input, settings.output);
    case Convert_Action::compare:
    case Convert_Action::run:
        break;
    }
    if (const char* problem = Stream_Problem(settings)) {
        std::fprintf(stderr, "zembrix-convert: %s\n", problem);
        return exit_usage;
    }
    if (settings.action == Convert_Action::compare) {
        return Compare_Input(settings);
    }
    // The palette file is read once, before any input, and refused whole.
    // With --fill, a file of fewer than 16 colours has the rest fitted.
    std::optional<Palette_Colors> given;
    std::vector<DTPixel> fill_colours;
    if (!settings.palette_file.empty()) {
        const std::optional<std::vector<DTPixel>> colours =
            Read_Palette_Colors(settings.palette_file);
        if (!colours) {
            return exit_usage;
        }
        given = Padded_Palette(*colours);
        if (settings.fill && colours->size() < palette_size) {
            fill_colours = *colours;
        }
    }
    return Is_Batch(settings) ? Run_Many(settings, given, fill_colours)
                              : Run_One(settings, given, fill_colours);
}
