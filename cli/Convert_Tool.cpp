#include "cli/Convert_Tool.h"

#include "cli/Convert_Batch.h"
#include "cli/Thumbnail.h"
#include "io/Conversion.h"
#include "io/MQ4_File.h"
#include "io/Method_Comparison.h"
#include "io/PNG_Writer.h"
#include "io/Refined_Conversion.h"

#include <cstdio>
#include <optional>

#ifndef ZEMBRIX_VERSION
#define ZEMBRIX_VERSION "unknown"
#endif

namespace {

std::optional<MQ4_Document> Convert_Input(const std::string& input, int slot) {
    const std::optional<DTImage> image = Load_Picture_Image(input);
    return image ? std::optional(Build_Method_Picture(*image, slot)) : std::nullopt;
}

int Compare_Input(const std::string& input) {
    const std::optional<DTImage> image = Load_Picture_Image(input);
    if (!image) {
        return exit_failure;
    }
    std::fputs(Compare_Methods(*image).c_str(), stdout);
    return exit_success;
}

} // namespace

std::optional<MQ4_Document> Read_Input(const std::string& input, int slot) {
    if (Has_Extension(input, ".MQ4")) {
        MQ4_Document picture;
        if (!Read_MQ4_File(input, &picture)) {
            return std::nullopt;
        }
        return picture;
    }
    return Convert_Input(input, slot);
}

bool Write_Output(const std::string& output, const MQ4_Document& picture, int scale) {
    if (Has_Extension(output, ".MQ4")) {
        return Write_MQ4_File(output, picture);
    }
    return Write_PNG_Picture(output, picture, scale);
}

int Run_Convert(const Convert_Args& args) {
    switch (args.action) {
    case Convert_Action::help:
        std::fputs(convert_usage, stdout);
        return exit_success;
    case Convert_Action::version:
        std::puts("zembrix-convert " ZEMBRIX_VERSION);
        return exit_success;
    case Convert_Action::usage_error:
        std::fprintf(stderr, "zembrix-convert: %s\n%s", args.error.c_str(), convert_usage);
        return exit_usage;
    case Convert_Action::compare:
        return Compare_Input(args.input);
    case Convert_Action::thumbnail:
        return Make_Thumbnail(args.thumbnail_size, args.input, args.output);
    case Convert_Action::run:
        break;
    }
    if (Is_Batch(args)) {
        return Run_Batch(args);
    }
    const std::optional<MQ4_Document> picture = Read_Input(args.input, args.slot);
    if (!picture) {
        return exit_failure;
    }
    return Write_Output(args.output, *picture, args.scale) ? exit_success : exit_failure;
}
