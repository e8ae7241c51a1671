#include "image/Image_Input.h"

#include "app/File_Handle.h"
#include "app/Report.h"
#include "image/Image_Fit.h"
#include "image/JPEG_Reader.h"
#include "image/Orientation.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr std::size_t signature_size = 3;

// A stream that gives the bytes already taken from another stream first and
// then the rest of that stream: standard input cannot be rewound.
struct Replay_Source {
    std::uint8_t head[signature_size];
    std::size_t size = 0;
    std::size_t at = 0;
    std::FILE* rest = nullptr;
};

ssize_t Replay_Read(void* cookie, char* buffer, std::size_t size) {
    auto* source = static_cast<Replay_Source*>(cookie);
    const std::size_t from_head = std::min(size, source->size - source->at);
    std::memcpy(buffer, source->head + source->at, from_head);
    source->at += from_head;
    if (from_head == size) {
        return static_cast<ssize_t>(size);
    }
    const std::size_t got = std::fread(buffer + from_head, 1, size - from_head, source->rest);
    if (got == 0 && from_head == 0 && std::ferror(source->rest)) {
        return -1;
    }
    return static_cast<ssize_t>(from_head + got);
}

std::optional<DTImage> Read_Whole_JPEG(Jpeg_Decoder* decoder, const Jpeg_Header& header) {
    int width = 0;
    int height = 0;
    if (!Start_JPEG(decoder, header.width, header.height, &width, &height)) {
        return std::nullopt;
    }
    DTImage image;
    image.type = DTImageTypeJPEG;
    image.width = width;
    image.height = height;
    image.pixelCount = static_cast<std::uint64_t>(width) * height;
    // Rows are added as they arrive, so a file that promises more than it
    // holds costs no more memory than it brings.
    for (int y = 0; y < height; ++y) {
        image.pixels.resize(static_cast<std::size_t>(y + 1) * width);
        if (!Read_JPEG_Row(decoder, &image.pixels[static_cast<std::size_t>(y) * width])) {
            return std::nullopt;
        }
    }
    if (!Finish_JPEG(decoder)) {
        return std::nullopt;
    }
    return Apply_Orientation(image, header.orientation);
}

std::optional<DTImage> Read_Fitted_JPEG(Jpeg_Decoder* decoder, const Jpeg_Header& header,
                                        Fit_Mode mode) {
    const Pixel_Size stored{header.width, header.height};
    const Pixel_Size least = Fit_Decode_Size(stored, header.orientation, mode);
    int width = 0;
    int height = 0;
    if (!Start_JPEG(decoder, least.width, least.height, &width, &height)) {
        return std::nullopt;
    }
    Image_Fit fit = Start_Image_Fit(stored, header.orientation, mode, {width, height});
    std::vector<DTPixel> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        if (!Read_JPEG_Row(decoder, row.data())) {
            return std::nullopt;
        }
        Add_Fit_Row(&fit, row.data());
    }
    if (!Finish_JPEG(decoder)) {
        return std::nullopt;
    }
    DTImage fitted = Finish_Image_Fit(&fit);
    fitted.type = DTImageTypeJPEG;
    return fitted;
}

std::optional<DTImage> Read_JPEG(std::FILE* file, const std::string& name, Fit_Mode mode) {
    Jpeg_Header header;
    const Jpeg_Handle decoder = Open_JPEG(file, name, &header);
    if (!decoder) {
        return std::nullopt;
    }
    try {
        return mode == Fit_Mode::none ? Read_Whole_JPEG(decoder.get(), header)
                                      : Read_Fitted_JPEG(decoder.get(), header, mode);
    } catch (const std::bad_alloc&) {
        Report("Not enough memory for a %dx%d image.\n", header.width, header.height);
        return std::nullopt;
    }
}

// PNG and PPM through the image loader, fitted afterwards.
std::optional<DTImage> Read_Other(std::FILE* file, Fit_Mode mode) {
    // Without fitting, only the first pixels make the picture.
    std::optional<DTImage> image = CreateImageFromStream(
        file, mode == Fit_Mode::none ? std::uint64_t{fit_target.width} * fit_target.height
                                     : keep_all_pixels);
    if (!image || mode == Fit_Mode::none) {
        return image;
    }
    try {
        return Fit_Whole_Image(*image, mode);
    } catch (const std::bad_alloc&) {
        Report("Not enough memory for a %dx%d image.\n", image->width, image->height);
        return std::nullopt;
    }
}

} // namespace

bool Is_Standard_Stream(const std::string& path) {
    return path == "-";
}

std::string Input_Name(const std::string& path) {
    return Is_Standard_Stream(path) ? "standard input" : path;
}

std::optional<DTImage> Read_Input_Stream(std::FILE* file, const std::string& name, Fit_Mode mode) {
    Replay_Source source;
    source.rest = file;
    source.size = std::fread(source.head, 1, signature_size, file);
    const bool jpeg = Is_JPEG_Signature(source.head, source.size);
    // Back to the first byte: by seeking where the stream can, by replaying
    // the bytes taken where it cannot.
    if (std::fseek(file, -static_cast<long>(source.size), SEEK_CUR) == 0) {
        return jpeg ? Read_JPEG(file, name, mode) : Read_Other(file, mode);
    }
    std::clearerr(file);
    const File_Handle replay(fopencookie(&source, "rb", {Replay_Read, nullptr, nullptr, nullptr}));
    if (!replay) {
        Report_Errno("Could not open image file");
        return std::nullopt;
    }
    return jpeg ? Read_JPEG(replay.get(), name, mode) : Read_Other(replay.get(), mode);
}

std::optional<DTImage> Load_Input_Image(const std::string& path, Fit_Mode mode) {
    if (Is_Standard_Stream(path)) {
        return Read_Input_Stream(stdin, Input_Name(path), mode);
    }
    const File_Handle file = Open_For_Reading(path.c_str());
    if (!file) {
        Report_Errno("Could not open image file");
        return std::nullopt;
    }
    return Read_Input_Stream(file.get(), path, mode);
}
