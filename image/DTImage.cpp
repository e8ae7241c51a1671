#include "image/DTImage.h"

#include "image/Image_Readers.h"

#include <cinttypes>
#include <memory>
#include <png.h>

namespace {

struct File_Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File_Handle = std::unique_ptr<std::FILE, File_Closer>;

} // namespace

DTImageType IdentifyImageType(const std::uint8_t header[8]) {
    if (png_sig_cmp(header, 0, 8) == 0) {
        return DTImageTypePNG;
    }
    if (header[0] == 'P' && header[1] == '6') {
        return DTImageTypePPM;
    }
    return DTImageTypeUnknown;
}

bool Image_Size_Allowed(std::int64_t width, std::int64_t height) {
    if (width >= 1 && height >= 1 && width <= max_image_side && height <= max_image_side) {
        return true;
    }
    std::fprintf(stderr, "Image size %" PRId64 "x%" PRId64 " is outside 1 to %d pixels a side.\n",
                 width, height, static_cast<int>(max_image_side));
    return false;
}

int ReadDataFromFile(DTImage* image, std::FILE* file, const std::uint8_t header[8]) {
    if (image->type == DTImageTypePNG) {
        return Read_PNG_Data(image, file);
    }
    return Read_PPM_Data(image, file, header);
}

std::optional<DTImage> CreateImageFromStream(std::FILE* file) {
    std::uint8_t header[8];
    if (std::fread(header, 1, sizeof header, file) != sizeof header) {
        std::fputs("Failed to read image header.\n", stderr);
        return std::nullopt;
    }
    DTImage image;
    image.type = IdentifyImageType(header);
    if (image.type == DTImageTypeUnknown) {
        std::fputs("Image file of unrecognized format.\n", stderr);
        return std::nullopt;
    }
    if (ReadDataFromFile(&image, file, header) != read_ok) {
        std::fputs("Failed to read image content.\n", stderr);
        return std::nullopt;
    }
    return image;
}

std::optional<DTImage> CreateImageFromFile(const char* path) {
    File_Handle file(std::fopen(path, "rb"));
    if (!file) {
        std::perror("Could not open image file");
        return std::nullopt;
    }
    return CreateImageFromStream(file.get());
}

std::optional<DTImage> CreateImageFromMemory(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        // An empty buffer cannot back a stream; it holds no header either way.
        std::fputs("Failed to read image header.\n", stderr);
        return std::nullopt;
    }
    // The stream only reads, so the buffer is never written through.
    File_Handle file(fmemopen(const_cast<std::uint8_t*>(data), size, "rb"));
    if (!file) {
        std::perror("Could not open image file");
        return std::nullopt;
    }
    return CreateImageFromStream(file.get());
}
