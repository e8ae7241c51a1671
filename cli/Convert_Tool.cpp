#include "cli/Convert_Tool.h"

#include "cli/Convert_Batch.h"
#include "cli/Convert_IO.h"
#include "cli/Convert_Options.h"
#include "cli/Thumbnail.h"
#include "convert/Method_Comparison.h"
#include "core/Palette.h"
#include "image/Image_Input.h"
#include "io/Palette_File.h"

#include <cstdio>
#include <optional>
#include <unistd.h>

#ifndef ZEMBRIX_VERSION
#define ZEMBRIX_VERSION "unknown"
#endif

namespace {

int Compare_Input(const Convert_Settings& settings) {
    const std::optional<DTImage> image = Read_Image(settings.input, settings.fit);
    if (!image) {
        return exit_failure;
    }
    std::fputs(Compare_Methods(*image).c_str(), stdout);
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

int Run_Many(const Convert_Settings& settings, const std::optional<Palette_Colors>& given) {
    const Batch_Result result = Run_Batch(settings, given);
    if (result.status != exit_usage && result.palette &&
        !Write_Used_Palette(settings, *result.palette)) {
        return exit_failure;
    }
    return result.status;
}

int Run_One(const Convert_Settings& settings, const std::optional<Palette_Colors>& given) {
    const std::optional<MQ4_Document> picture =
        Read_Input(settings.input, settings, given ? &*given : nullptr);
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
    std::optional<Palette_Colors> given;
    if (!settings.palette_file.empty()) {
        given = Read_Palette_File(settings.palette_file);
        if (!given) {
            return exit_usage;
        }
    }
    return Is_Batch(settings) ? Run_Many(settings, given) : Run_One(settings, given);
}
