#pragma once
// The plain 8-bit RGB image that every stage passes on: decoders fill it,
// the fitting resizes it, the conversions read it.

#include <cstdint>
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
    // Read by the converter only (image/Image_Input.h).
    DTImageTypeJPEG = 3,
    DTImageTypeWebP = 4,
    DTImageTypeHEIF = 5, // HEIC and AVIF
    DTImageTypeGIF = 6,
    DTImageTypeTIFF = 7,
};

struct DTImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    DTImageType type = DTImageTypeUnknown;
    // width x height.
    std::uint64_t pixelCount = 0;
    // Row-major, top row first; row i begins at pixel width * i. A loaded
    // image may hold only its first pixels (see keep_pixels in image/Image_File.h).
    std::vector<DTPixel> pixels;
};
