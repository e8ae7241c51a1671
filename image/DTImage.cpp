#include "image/DTImage.h"

#include "app/Report.h"
#include "image/Decode_Result.h"
#include "image/Image_Decoder.h"

#include <algorithm>
#include <cinttypes>
#include <new>
#include <png.h>

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
    Report("Image size %" PRId64 "x%" PRId64 " is outside 1 to %d pixels a side.\n", width, height,
           static_cast<int>(max_image_side));
    return false;
}

namespace {

// Reads every row and keeps the first `keep_pixels` pixels in storage order.
// Rows are kept as they arrive, so a file that promises more than it holds
// costs no more memory than it brings.
bool Keep_First_Pixels(Image_Decoder* decoder, std::uint64_t keep_pixels, DTImage* image) {
    const std::size_t width = static_cast<std::size_t>(image->width);
    const std::uint64_t kept = std::min(keep_pixels, image->pixelCount);
    decoder->kept_rows = static_cast<std::int32_t>((kept + width - 1) / width);
    std::vector<DTPixel> part_row;
    for (std::int32_t y = 0; y < image->height; ++y) {
        const std::size_t have = image->pixels.size();
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(width, kept - have));
        DTPixel* row = nullptr;
        if (take == width) {
            image->pixels.resize(have + width);
            row = image->pixels.data() + have;
        } else if (take > 0) {
            part_row.resize(width);
            row = part_row.data();
        }
        if (!Read_Image_Row(decoder, row)) {
            return false;
        }
        if (take > 0 && take < width) {
            image->pixels.insert(image->pixels.end(), part_row.begin(),
                                 part_row.begin() + static_cast<long>(take));
            part_row = {};
        }
    }
    return Finish_Image_Decoder(decoder);
}

std::optional<DTImage> Create_Image(std::FILE* file, std::optional<std::uint64_t> size,
                                    std::uint64_t keep_pixels) {
    Image_Decoder decoder;
    DTImage image;
    try {
        if (!Open_Image_Decoder(&decoder, file, size)) {
            return std::nullopt;
        }
        image.width = decoder.width;
        image.height = decoder.height;
        image.type = decoder.type;
        image.pixelCount = static_cast<std::uint64_t>(image.width) * image.height;
        if (!Keep_First_Pixels(&decoder, keep_pixels, &image)) {
            return std::nullopt;
        }
    } catch (const std::bad_alloc&) {
        Report("Not enough memory for a %dx%d image.\n", image.width, image.height);
        Report("Failed to read image content.\n");
        return std::nullopt;
    }
    return image;
}

} // namespace

std::optional<DTImage> CreateImageFromStream(std::FILE* file, std::uint64_t keep_pixels) {
    return Create_Image(file, Remaining_Size(file), keep_pixels);
}

std::optional<DTImage> CreateImageFromFile(const char* path, std::uint64_t keep_pixels) {
    const File_Handle file = Open_For_Reading(path);
    if (!file) {
        Report_Errno("Could not open image file");
        return std::nullopt;
    }
    return CreateImageFromStream(file.get(), keep_pixels);
}

std::optional<DTImage> CreateImageFromMemory(const std::uint8_t* data, std::size_t size,
                                             std::uint64_t keep_pixels) {
    if (size == 0) {
        // An empty buffer cannot back a stream; it holds no header either way.
        Report("Failed to read image header.\n");
        return std::nullopt;
    }
    // The stream only reads, so the buffer is never written through.
    File_Handle file(fmemopen(const_cast<std::uint8_t*>(data), size, "rb"));
    if (!file) {
        Report_Errno("Could not open image file");
        return std::nullopt;
    }
    return Create_Image(file.get(), size, keep_pixels);
}
