#include "cli/Convert_Tool.h"

#include "cli/Convert_Batch.h"
#include "cli/Thumbnail.h"
#include "convert/Conversion.h"
#include "convert/Method_Comparison.h"
#include "convert/Palette_Mapping.h"
#include "convert/Refined_Conversion.h"
#include "core/Picture_Rules.h"
#include "core/Report.h"
#include "image/Image_Input.h"
#include "io/MQ4_File.h"
#include "io/PNG_Writer.h"
#include "io/Palette_File.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>
#include <variant>

#ifndef ZEMBRIX_VERSION
#define ZEMBRIX_VERSION "unknown"
#endif

namespace {

// An image that a picture can be made of: a whole one must fill it.
std::optional<DTImage> Usable_Image(std::optional<DTImage> image, Fit_Mode fit) {
    if (!image || (fit == Fit_Mode::none && !Image_Fills_Picture(*image))) {
        return std::nullopt;
    }
    return image;
}

// The image of an image file (or standard input), fitted or whole.
std::optional<DTImage> Load_Image(const std::string& input, Fit_Mode fit) {
    return Usable_Image(Load_Input_Image(input, fit), fit);
}

// What an input holds: an MQ4 picture as it stands, or an image.
using Input_Content = std::variant<MQ4_Document, DTImage>;

// Standard input: an MQ4 picture or an image, told by its first bytes.
std::optional<Input_Content> Read_Standard_Input(Fit_Mode fit) {
    Peeked_Stream stream;
    if (!Peek_Stream(stdin, &stream)) {
        return std::nullopt;
    }
    const std::string name = Input_Name("-");
    if (Is_MQ4_Signature(stream.head, stream.head_size)) {
        MQ4_Document picture;
        if (!Read_MQ4_Stream(stream.file, name, &picture)) {
            return std::nullopt;
        }
        return picture;
    }
    std::optional<DTImage> image = Usable_Image(Read_Peeked_Image(stream, name, fit), fit);
    if (!image) {
        return std::nullopt;
    }
    return std::move(*image);
}

// An MQ4 file by its name, standard input by its first bytes, or an image.
std::optional<Input_Content> Read_Content(const std::string& input, Fit_Mode fit) {
    if (Is_Standard_Stream(input)) {
        return Read_Standard_Input(fit);
    }
    if (Has_Extension(input, ".MQ4")) {
        MQ4_Document picture;
        if (!Read_MQ4_File(input, &picture)) {
            return std::nullopt;
        }
        return picture;
    }
    std::optional<DTImage> image = Load_Image(input, fit);
    if (!image) {
        return std::nullopt;
    }
    return std::move(*image);
}

int Compare_Input(const Convert_Args& args) {
    const std::optional<DTImage> image = Load_Image(args.input, args.fit);
    if (!image) {
        return exit_failure;
    }
    Octree_Workspace workspace;
    std::fputs(Compare_Methods(*image, workspace).c_str(), stdout);
    return exit_success;
}

bool Write_Standard_Output(const std::uint8_t* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = write(STDOUT_FILENO, bytes + done, size - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            Report("Could not write to standard output: %s\n", std::strerror(errno));
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool Write_To_Standard_Output(const MQ4_Document& picture, const Convert_Args& args) {
    if (args.format == Output_Format::mq4) {
        const MQ4_Bytes bytes = Encode_MQ4(picture);
        return Write_Standard_Output(bytes.data(), bytes.size());
    }
    const std::optional<std::vector<std::uint8_t>> bytes = Encode_PNG_Picture(picture, args.scale);
    if (!bytes) {
        Report("Could not write to standard output: the PNG encoder failed\n");
        return false;
    }
    return Write_Standard_Output(bytes->data(), bytes->size());
}

// What is wrong with the standard streams for this run, if anything: a
// picture is not written to a terminal, and an image is not typed in.
const char* Stream_Problem(const Convert_Args& args) {
    if (Writes_Standard_Output(args) && isatty(STDOUT_FILENO)) {
        return "will not write a picture to a terminal; redirect standard output or name an "
               "OUTPUT file";
    }
    const bool reads_input = args.action == Convert_Action::compare || !Is_Batch(args);
    if (reads_input && Is_Standard_Stream(args.input) && isatty(STDIN_FILENO)) {
        return "standard input is a terminal; pipe an image into it";
    }
    return nullptr;
}

// Reads the --palette file into the arguments; false when it is refused.
bool Take_Palette_File(Convert_Args* args) {
    if (args->palette_file.empty()) {
        return true;
    }
    const std::optional<Palette_Colors> palette = Read_Palette_File(args->palette_file);
    if (!palette) {
        return false;
    }
    args->palette = palette;
    return true;
}

bool Write_Used_Palette(const Convert_Args& args, const Palette_Colors& palette) {
    return args.write_palette.empty() || Write_Palette_File(args.write_palette, palette);
}

int Run_Many(Convert_Args args) {
    const int status = Run_Batch(&args);
    if (status != exit_usage && args.palette && !Write_Used_Palette(args, *args.palette)) {
        return exit_failure;
    }
    return status;
}

int Run_One(const Convert_Args& args) {
    Octree_Workspace workspace;
    const std::optional<MQ4_Document> picture = Read_Input(args.input, args, workspace);
    if (!picture) {
        return exit_failure;
    }
    if (!Write_Output(args.output, *picture, args) ||
        !Write_Used_Palette(args, Palette_Of(*picture))) {
        return exit_failure;
    }
    return exit_success;
}

} // namespace

std::optional<DTImage> Read_Input_Image(const std::string& input, const Convert_Args& args) {
    const std::optional<Input_Content> content = Read_Content(input, args.fit);
    if (!content) {
        return std::nullopt;
    }
    if (const MQ4_Document* picture = std::get_if<MQ4_Document>(&*content)) {
        return Picture_Image(*picture);
    }
    return Working_Image(std::get<DTImage>(*content));
}

std::optional<MQ4_Document> Read_Input(const std::string& input, const Convert_Args& args,
                                       Octree_Workspace& workspace) {
    if (args.palette) {
        const std::optional<DTImage> working = Read_Input_Image(input, args);
        if (!working) {
            return std::nullopt;
        }
        return Map_Onto_Palette(*working, *args.palette, args.slot);
    }
    const std::optional<Input_Content> content = Read_Content(input, args.fit);
    if (!content) {
        return std::nullopt;
    }
    if (const MQ4_Document* picture = std::get_if<MQ4_Document>(&*content)) {
        return *picture;
    }
    return Build_Method_Picture(std::get<DTImage>(*content), args.slot, workspace);
}

bool Write_Output(const std::string& output, const MQ4_Document& picture,
                  const Convert_Args& args) {
    if (Is_Standard_Stream(output)) {
        return Write_To_Standard_Output(picture, args);
    }
    if (Has_Extension(output, ".MQ4")) {
        return Write_MQ4_File(output, picture);
    }
    return Write_PNG_Picture(output, picture, args.scale);
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
    case Convert_Action::thumbnail:
        return Make_Thumbnail(args.thumbnail_size, args.input, args.output);
    case Convert_Action::compare:
    case Convert_Action::run:
        break;
    }
    if (const char* problem = Stream_Problem(args)) {
        std::fprintf(stderr, "zembrix-convert: %s\n", problem);
        return exit_usage;
    }
    if (args.action == Convert_Action::compare) {
        return Compare_Input(args);
    }
    Convert_Args run = args;
    if (!Take_Palette_File(&run)) {
        return exit_usage;
    }
    return Is_Batch(run) ? Run_Many(std::move(run)) : Run_One(run);
}
