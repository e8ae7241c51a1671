#include "image/Image_File.h"

#include "core/File_Handle.h"
#include "core/Report.h"
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

namespace {

// Room for the first `size` pixels, grown geometrically as rows arrive but
// never beyond the `kept` pixels wanted.
void Grow_To(std::vector<DTPixel>* pixels, std::size_t size, std::size_t kept) {
    if (size <= pixels->size()) {
        return;
    }
    if (size > pixels->capacity()) {
        pixels->reserve(std::min(kept, std::max(size, 2 * pixels->capacity())));
    }
    pixels->resize(size);
}

// Reads every row and keeps the first `keep_pixels` pixels in storage order.
// Rows are kept as they arrive, so a file that promises more than it holds
// costs no more memory than it brings.
bool Keep_First_Pixels(Image_Decoder* decoder, std::uint64_t keep_pixels, DTImage* image) {
    const std::uint64_t width = static_cast<std::uint64_t>(image->width);
    const std::size_t kept = static_cast<std::size_t>(std::min(keep_pixels, image->pixelCount));
    std::vector<DTPixel> row(static_cast<std::size_t>(width));
    while (const std::optional<Pixel_Run> run = Next_Image_Run(*decoder)) {
        const std::uint64_t first = static_cast<std::uint64_t>(run->y) * width + run->x0;
        const bool wanted = first < kept;
        if (!Read_Image_Run(decoder, wanted ? row.data() : nullptr)) {
            return false;
        }
        if (!wanted) {
            continue;
        }
        const std::uint64_t last = first + static_cast<std::uint64_t>(run->count - 1) * run->step;
        const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(last + 1, kept));
        Grow_To(&image->pixels, end, kept);
        for (std::size_t i = 0, at = first; at < end; ++i, at += run->step) {
            image->pixels[at] = row[i];
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

struct Found_Color {
    DTPixel color;
    std::uint64_t first; // index of its first pixel in storage order
};

// Gathers the distinct colours of every row, at most limit + 1 of them, with
// where each first appears: an interlaced image's passes do not come in
// storage order.
bool Gather_Colors(Image_Decoder* decoder, std::size_t limit, std::vector<Found_Color>* found) {
    std::vector<DTPixel> row(static_cast<std::size_t>(decoder->width));
    while (const std::optional<Pixel_Run> run = Next_Image_Run(*decoder)) {
        if (!Read_Image_Run(decoder, row.data())) {
            return false;
        }
        std::uint64_t at = static_cast<std::uint64_t>(run->y) * decoder->width + run->x0;
        for (int i = 0; i < run->count; ++i, at += run->step) {
            const auto same = std::find_if(found->begin(), found->end(),
                                           [&](const Found_Color& f) { return f.color == row[i]; });
            if (same != found->end()) {
                same->first = std::min(same->first, at);
            } else if (found->size() <= limit) {
                found->push_back({row[i], at});
            }
        }
    }
    return Finish_Image_Decoder(decoder);
}

} // namespace

std::optional<std::vector<DTPixel>> Read_Image_Colors(const char* path, std::size_t limit) {
    const File_Handle file = Open_For_Reading(path);
    if (!file) {
        Report_Errno("Could not open image file");
        return std::nullopt;
    }
    Image_Decoder decoder;
    std::vector<Found_Color> found;
    if (!Open_Image_Decoder(&decoder, file.get(), Remaining_Size(file.get())) ||
        !Gather_Colors(&decoder, limit, &found)) {
        return std::nullopt;
    }
    std::sort(found.begin(), found.end(),
              [](const Found_Color& a, const Found_Color& b) { return a.first < b.first; });
    std::vector<DTPixel> colors;
    for (const Found_Color& f : found) {
        colors.push_back(f.color);
    }
    return colors;
}

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
