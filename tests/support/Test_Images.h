#pragma once
// Image files made by tests: PNGs of every colour type, bit depth and
// interlace written with libpng, and raw PPM bytes.

#include "core/DTImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Test_PNG {
    int width = 0;
    int height = 0;
    int color_type = 2; // PNG_COLOR_TYPE_*
    int bit_depth = 8;
    bool interlaced = false;
    // Every pixel's samples in file order (grey; grey, alpha; r, g, b;
    // r, g, b, a; or a palette index), each at the file's bit depth.
    std::vector<unsigned> samples;
    // Palette images: the entries and, if not empty, their tRNS alphas.
    std::vector<DTPixel> palette;
    std::vector<std::uint8_t> palette_alpha;
    // Grey or RGB images: the transparent colour of a tRNS chunk (grey uses
    // the first value).
    std::optional<std::array<std::uint16_t, 3>> transparent;
    // Colour chunks: an iCCP profile; cHRM primaries (white, red, green,
    // blue as x, y) and a gAMA exponent when not empty or zero.
    std::vector<std::uint8_t> icc;
    std::vector<double> primaries;
    double gamma = 0;
};

// Channels per pixel of a PNG colour type.
int PNG_Channels(int color_type);

// The file's bytes; throws std::runtime_error if libpng refuses the description.
std::vector<std::uint8_t> Encode_Test_PNG(const Test_PNG& png);
void Write_Test_PNG(const std::string& path, const Test_PNG& png);

// An 8-bit RGB PNG of the pixels, row-major.
void Write_RGB_PNG(const std::string& path, int width, int height,
                   const std::vector<DTPixel>& pixels);

// "P6\n<width> <height>\n255\n" followed by the pixels.
std::vector<std::uint8_t> PPM_Bytes(int width, int height, const std::vector<DTPixel>& pixels);
// A header text followed by raw raster bytes.
std::vector<std::uint8_t> PPM_Bytes(const std::string& header,
                                    const std::vector<std::uint8_t>& raster);

// An image of the pixels (row-major), as the loader gives a PNG.
DTImage Image_Of(int width, int height, std::vector<DTPixel> pixels);

// An image of the given size whose pixels are produced by a formula of their
// position, for tests that need many distinct colours.
DTImage Pattern_Image(int width, int height, unsigned seed);
