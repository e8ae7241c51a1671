#include "cli/Convert_IO.h"

#include "convert/Conversion.h"
#include "convert/Palette_Mapping.h"
#include "convert/Perceptual_Conversion.h"
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

namespace {

// An image that a picture can be made of: a whole one must fill it.
std::optional<DTImage> Usable_Image(std::optional<DTImage> image, Fit_Mode fit) {
    if (!image || (fit == Fit_Mode::none && !Image_Fills_Picture(*image))) {
        return std::nullopt;
    }
    return image;
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
    std::optional<DTImage> image = Read_Image(input, fit);
    if (!image) {
        return std::nullopt;
    }
    return std::move(*image);
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

bool Write_To_Standard_Output(const MQ4_Document& picture, const Convert_Settings& settings) {
    if (settings.format == Output_Format::mq4) {
        const MQ4_Bytes bytes = Encode_MQ4(picture);
        return Write_Standard_Output(bytes.data(), bytes.size());
    }
    const std::optional<std::vector<std::uint8_t>> bytes =
        Encode_PNG_Picture(picture, settings.scale);
    if (!bytes) {
        Report("Could not write to standard output: the PNG encoder failed\n");
        return false;
    }
    return Write_Standard_Output(bytes->data(), bytes->size());
}

} // namespace

std::optional<DTImage> Read_Image(const std::string& input, Fit_Mode fit) {
    return Usable_Image(Load_Input_Image(input, fit), fit);
}

std::optional<DTImage> Read_Input_Image(const std::string& input,
                                        const Convert_Settings& settings) {
    const std::optional<Input_Content> content = Read_Content(input, settings.fit);
    if (!content) {
        return std::nullopt;
    }
    if (const MQ4_Document* picture = std::get_if<MQ4_Document>(&*content)) {
        return Picture_Image(*picture);
    }
    return Working_Image(std::get<DTImage>(*content));
}

MQ4_Document Map_Working_Image(const DTImage& working, const Palette_Colors& palette,
                               const Convert_Settings& settings) {
    if (Dithers_By_Kind(settings.method)) {
        return Map_Onto_Palette(working, palette, Dither_Of(settings));
    }
    return Map_Onto_Palette(working, palette, settings.method);
}

std::optional<MQ4_Document> Read_Input(const std::string& input, const Convert_Settings& settings,
                                       const Palette_Colors* palette, Octree_Workspace& workspace) {
    if (palette) {
        const std::optional<DTImage> working = Read_Input_Image(input, settings);
        if (!working) {
            return std::nullopt;
        }
        return Map_Working_Image(*working, *palette, settings);
    }
    const std::optional<Input_Content> content = Read_Content(input, settings.fit);
    if (!content) {
        return std::nullopt;
    }
    if (const MQ4_Document* picture = std::get_if<MQ4_Document>(&*content)) {
        return *picture;
    }
    const DTImage& image = std::get<DTImage>(*content);
    if (Dithers_By_Kind(settings.method)) {
        return Convert_Refined(image, Refined_Options{Dither_Of(settings), settings.kept_colours},
                               workspace);
    }
    if (Method_Info(settings.method).fit == Palette_Fit::viewing &&
        !settings.kept_colours.empty()) {
        const DTImage working = Working_Image(image);
        return Convert_Perceptual(working, Kept_Start(working, settings.kept_colours, workspace));
    }
    return Build_Method_Picture(image, settings.method, workspace);
}

bool Write_Output(const std::string& output, const MQ4_Document& picture,
                  const Convert_Settings& settings) {
    if (Is_Standard_Stream(output)) {
        return Write_To_Standard_Output(picture, settings);
    }
    if (Has_Extension(output, ".MQ4")) {
        return Write_MQ4_File(output, picture);
    }
    return Write_PNG_Picture(output, picture, settings.scale);
}

bool Write_Used_Palette(const Convert_Settings& settings, const Palette_Colors& palette) {
    return settings.write_palette.empty() || Write_Palette_File(settings.write_palette, palette);
}
