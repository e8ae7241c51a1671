#pragma once
// Reading a PNG or raw P6 PPM file into a plain 8-bit RGB image.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

struct DTPixel {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};
// Rows are decoded straight into the pixel array, three bytes a pixel.
static_assert(sizeof(DTPixel) == 3);

inline bool operator==(const DTPixel& a, const DTPixel& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

enum DTImageType : std::int32_t {
    DTImageTypePPM = 0,
    DTImageTypePNG = 1,
    DTImageTypeUnknown = 2,
    DTImageTypeJPEG = 3, // read by the converter only (image/Image_Input.h)
};

struct DTImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    DTImageType type = DTImageTypeUnknown;
    // width x height.
    std::uint64_t pixelCount = 0;
    // Row-major, top row first; row i begins at pixel width * i. A loaded
    // image may hold only its first pixels (see keep_pixels below).
    std::vector<DTPixel> pixels;
};

// Neither side of an accepted image may exceed this.
constexpr std::int32_t max_image_side = 16384;

// Kind of file from its first 8 bytes; the PNG signature is tested first.
DTImageType IdentifyImageType(const std::uint8_t header[8]);

constexpr std::uint64_t keep_all_pixels = UINT64_MAX;

// Reads the image file at path, keeping its first `keep_pixels` pixels in
// storage order (all by default): width, height and pixelCount are the
// file's, `pixels` holds no more than that many. Every row is read and
// checked all the same, so a file is refused or accepted whatever is kept.
// On failure reports what went wrong (app/Report.h) and gives no image.
std::optional<DTImage> CreateImageFromFile(const char* path,
                                           std::uint64_t keep_pixels = keep_all_pixels);

// The same reader over file bytes already in memory.
std::optional<DTImage> CreateImageFromMemory(const std::uint8_t* data, std::size_t size,
                                             std::uint64_t keep_pixels = keep_all_pixels);

// The same reader over an open stream positioned at the file's first byte.
std::optional<DTImage> CreateImageFromStream(std::FILE* file,
                                             std::uint64_t keep_pixels = keep_all_pixels);

// The distinct colours of the image file at the path, in order of first
// appearance in storage order, or more than `limit` of them (then which is
// left open). Every row is read and checked as CreateImageFromFile does, and
// a failure reported the same way; none then.
std::optional<std::vector<DTPixel>> Read_Image_Colors(const char* path, std::size_t limit);
